#pragma once

// The main of a benchmark that needs a Qt application object: offscreen unless QT_QPA_PLATFORM says
// otherwise, the application made, then Google Benchmark as its own main runs it.

#include <QByteArray>
#include <QtGlobal>
#include <benchmark/benchmark.h>

namespace vell::bench {

template <class Application>
int runBenchmarksIn(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vell::bench
