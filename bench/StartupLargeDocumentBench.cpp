// Process start to first paint of build/bin/Vell on a 110 MB document whose selected sheet is one line
// of 50 MB ("1+1+…"), beside 60 sheets of 1 MB of short lines, with its peak resident memory: the large
// sheet must open read-only, promptly and in bounded memory. As StartupBench otherwise (run it under
// xvfb-run or with DISPLAY set); the document is made once and linked into each run's data folder.

#include "Document/VellDocument.h"
#include "StartVell.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path& largeDocument() {
    static const fs::path path = [] {
        const fs::path file = fs::temp_directory_path() / "vell-large-document.json";
        vell::VellDocument document;
        const vell::Date date = vell::Date::fromCivil(2025, 3, 1, 9, 30, 0);
        std::string line = "1";
        line.reserve(50'000'000);
        while (line.size() < 50'000'000)
            line += "+1";
        document.sheets.push_back({vell::Uuid::random(), "Huge", std::move(line), date, {}});
        std::string lines;
        while (lines.size() < 1'000'000)
            lines += "rent = 1200\nfood = 300 * 4\nrent + food\n";
        for (int i = 0; i < 60; ++i)
            document.sheets.push_back({vell::Uuid::random(), "Sheet " + std::to_string(i), lines, date, {}});
        document.selectedSheetID = document.sheets.front().id;
        std::ofstream(file, std::ios::binary) << document.encode();
        return file;
    }();
    return path;
}

void BM_OpenLargeDocument(benchmark::State& state) {
    vell::bench::startVellRuns(state, [](const fs::path& dataFolder) {
        fs::create_hard_link(largeDocument(), dataFolder / "document.json");
    });
}

BENCHMARK(BM_OpenLargeDocument)->Apply(vell::bench::asStarts<5>);

} // namespace

BENCHMARK_MAIN();
