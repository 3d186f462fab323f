// Recording keystrokes into the undo history of a long sheet: the cost per keystroke should follow the
// edited line, not the length of the sheet.

#include "Document/SheetHistory.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <string>

namespace {

using vell::Date;
using vell::SheetHistory;
using vell::SheetSnapshot;

std::string sheetOf(std::int64_t lines) {
    std::string text;
    for (std::int64_t i = 0; i < lines; ++i)
        text += i % 2 ? "単価 = 1200 × 35 // 見積もり\n" : "total = price × (1 + 10%) 👍🏽\n";
    return text;
}

// Types one character after another in the middle of the sheet, each keystroke 0.3 s after the last.
// Only the recording is timed, not the making of each new text.
void recordKeystrokes(benchmark::State& state) {
    const std::string base = sheetOf(state.range(0));
    const auto middle = static_cast<std::ptrdiff_t>(base.size() / 2);
    SheetHistory history(SheetSnapshot{base, {}});
    std::string text = base;
    Date at = Date::fromCivil(2025, 3, 1, 9, 0, 0);
    for (auto _ : state) {
        if (text.size() > base.size() + 200) {
            text = base;
            history = SheetHistory(SheetSnapshot{base, {}});
        }
        text.insert(text.begin() + middle, 'a');
        at = at.addingMicroseconds(300'000);
        SheetSnapshot typed{text, {}};
        const auto start = std::chrono::steady_clock::now();
        history.record(std::move(typed), at);
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(spent.count());
    }
    state.SetLabel(std::to_string(base.size()) + " bytes");
}
BENCHMARK(recordKeystrokes)->Arg(100)->Arg(2000)->Arg(20000)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
