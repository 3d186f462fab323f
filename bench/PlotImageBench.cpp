// Plot images as the editor asks for them: a surface turned by a drag renders a new image at every
// step of the mouse, and a changed curve or bar chart renders one after each edit. Every paint also
// asks for the images of the plot lines it shows, which an unchanged plot serves from the cache.

#include "Plots/InlinePlot.h"
#include "QtBenchmarkMain.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/LineResult.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <numbers>
#include <string_view>

namespace {

using namespace vell;

PlotSpec plotOf(std::string_view line) {
    const auto results = DocumentEvaluator::evaluate(line);
    const PlotSpec* spec = results.front().outcome.as<PlotSpec>();
    return spec ? *spec : PlotSpec{};
}

// Each iteration turns the surface a little further, as one step of a drag does.
void BM_SurfaceImageWhileTurning(benchmark::State& state) {
    const PlotSpec spec = plotOf("plot(sin(x) * y)");
    if (spec.surface.size() != 21) state.SkipWithError("the line did not make a 21 × 21 surface");
    const bool dark = state.range(0) != 0;
    PlotAngle& angle = InlinePlot::angles()[spec.title];
    int step = 0;
    for (auto _ : state) {
        // A drag never comes back to an angle it had; repetitions of the benchmark would.
        InlinePlot::emptyCache();
        angle = PlotAngle{}.dragged(++step % 785, 0);
        const QImage image = InlinePlot::image(spec, 924, 260, dark, 2);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_SurfaceImageWhileTurning)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void renderEachTime(benchmark::State& state, std::string_view line) {
    const PlotSpec spec = plotOf(line);
    for (auto _ : state) {
        InlinePlot::emptyCache();
        const QImage image = InlinePlot::image(spec, 720, 190, false, 2);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_CurveImage(benchmark::State& state) {
    renderEachTime(state, "plot(x^2 - 3x)");
}
BENCHMARK(BM_CurveImage)->Unit(benchmark::kMillisecond);

void BM_CurveWithPolesImage(benchmark::State& state) {
    renderEachTime(state, "plot(tan(x))");
}
BENCHMARK(BM_CurveWithPolesImage)->Unit(benchmark::kMillisecond);

void BM_BarChartImage(benchmark::State& state) {
    renderEachTime(state, "chart([4800, 12000, 3200, 9600])");
}
BENCHMARK(BM_BarChartImage)->Unit(benchmark::kMillisecond);

// What each paint pays for a plot line whose image is cached: its signature and a lookup.
void BM_CachedCurveImage(benchmark::State& state) {
    const PlotSpec spec = plotOf("plot(x^2 - 3x)");
    InlinePlot::image(spec, 720, 190, false, 2);
    for (auto _ : state) {
        const QImage image = InlinePlot::image(spec, 720, 190, false, 2);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_CachedCurveImage)->Unit(benchmark::kMicrosecond);

void BM_CachedSurfaceImage(benchmark::State& state) {
    const PlotSpec spec = plotOf("plot(sin(x) * y)");
    InlinePlot::image(spec, 924, 260, false, 2);
    for (auto _ : state) {
        const QImage image = InlinePlot::image(spec, 924, 260, false, 2);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_CachedSurfaceImage)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return vell::bench::runBenchmarksIn<QGuiApplication>(argc, argv);
}
