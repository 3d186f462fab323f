// Plot lines: a curve samples its expression at 241 points, a surface at 441 cells, on every
// evaluation of the sheet. Each is measured as the one line of a sheet, as the editor runs it.

#include "Sheet/DocumentEvaluator.h"

#include <benchmark/benchmark.h>
#include <string_view>

namespace {

using namespace vell;

void plotLine(benchmark::State& state, std::string_view line) {
    for (auto _ : state) {
        auto results = DocumentEvaluator::evaluate(line);
        if (!results.front().outcome.as<PlotSpec>()) {
            state.SkipWithError("the line did not plot");
            break;
        }
        benchmark::DoNotOptimize(results.data());
    }
}

void BM_Curve(benchmark::State& state) {
    plotLine(state, "plot(x^2 - 3x)");
}
BENCHMARK(BM_Curve)->Unit(benchmark::kMicrosecond);

void BM_CurveOfFunctions(benchmark::State& state) {
    plotLine(state, "plot(sin(x) × x + sqrt(abs(x)), -6, 6)");
}
BENCHMARK(BM_CurveOfFunctions)->Unit(benchmark::kMicrosecond);

void BM_CurveWithPoles(benchmark::State& state) {
    plotLine(state, "plot(tan(x))");
}
BENCHMARK(BM_CurveWithPoles)->Unit(benchmark::kMicrosecond);

void BM_Surface(benchmark::State& state) {
    plotLine(state, "plot(sin(x) + cos(y), -6, 6)");
}
BENCHMARK(BM_Surface)->Unit(benchmark::kMicrosecond);

void BM_SurfacePolynomial(benchmark::State& state) {
    plotLine(state, "plot(x^2 + y^2)");
}
BENCHMARK(BM_SurfacePolynomial)->Unit(benchmark::kMicrosecond);

void BM_Chart(benchmark::State& state) {
    plotLine(state, "chart([4800, 12000, 3200, 9600])");
}
BENCHMARK(BM_Chart)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
