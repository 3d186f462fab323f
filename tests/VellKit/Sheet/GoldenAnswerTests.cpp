// The answers of generated sheets, byte for byte as they were recorded: every line's kind, its answer
// text with and without grouping, and the name it assigns. Work on the engine's speed must leave
// every one of them as it is.
//
// The sheets themselves are recorded too: the generator's text depends on the order in which the
// compiler evaluates function arguments, and the answers must not. The large sheets are kept as
// hashes of their text and of their answers; a compiler that generates other text skips them.
//
// To record them again (only when an answer is meant to change), run the suite with
// VELL_WRITE_GOLDEN set to this folder's golden/ directory and look at the difference.

#include "../../../bench/SheetGenerator.h"
#include "SheetTestSupport.h"
#include "Support/EngineSettingsScope.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <string_view>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;

// The sheets.
constexpr std::string_view sheet1000 =
#include "golden/sheet-1000.inc"
    ;
constexpr std::string_view sheetShared1000 =
#include "golden/sheet-shared-1000.inc"
    ;
constexpr std::array<std::string_view, 4> seedSheets = {
#include "golden/sheet-seed-1.inc"
    ,
#include "golden/sheet-seed-2.inc"
    ,
#include "golden/sheet-seed-3.inc"
    ,
#include "golden/sheet-seed-77.inc"
};
constexpr std::array<std::uint64_t, 4> seeds = {1, 2, 3, 77};
constexpr std::string_view sheetJapanese500 =
#include "golden/sheet-japanese-500.inc"
    ;

// Their answers.
constexpr std::string_view englishSheet1000 =
#include "golden/english-1000.inc"
    ;
constexpr std::string_view englishShared1000 =
#include "golden/english-shared-1000.inc"
    ;
constexpr std::string_view englishSeeds =
#include "golden/english-seeds.inc"
    ;
constexpr std::string_view japaneseSheet500 =
#include "golden/japanese-500.inc"
    ;
constexpr std::string_view hashes =
#include "golden/hashes.inc"
    ;

bool writing() {
    return std::getenv("VELL_WRITE_GOLDEN") != nullptr;
}

void write(const char* file, std::string_view text) {
    std::ofstream out(std::string(std::getenv("VELL_WRITE_GOLDEN")) + "/" + file);
    out << "R\"golden(" << text << ")golden\"\n";
}

// The recorded sheet; when recording, the generated one, which is written too.
std::string sheetText(std::string_view recorded, bench::SheetOptions options, const char* file) {
    if (!writing()) return std::string(recorded);
    std::string text = bench::generateSheet(options);
    write(file, text);
    return text;
}

std::string_view kindName(LineOutcome::Case kind) {
    switch (kind) {
    case LineOutcome::Case::value:
        return "value";
    case LineOutcome::Case::plot:
        return "plot";
    case LineOutcome::Case::failure:
        return "failure";
    case LineOutcome::Case::blank:
        return "blank";
    case LineOutcome::Case::comment:
        return "comment";
    }
    return "?";
}

// One line of text per line of the sheet: "number kind | grouped | ungrouped | name", the parts that
// do not apply left empty.
std::string report(const std::string& sheet, const std::vector<SharedSheet>& others = {}) {
    std::string out;
    std::size_t number = 0;
    // As DocumentEvaluator::evaluate, with the budget's clock held still: a sanitizer build on a busy
    // machine would meet the time limit.
    ProgramRunner runner(DocumentEvaluator::splitLines(sheet), others, testsupport::frozenClock());
    for (const LineResult& result : runner.run()) {
        out += std::to_string(++number);
        out += ' ';
        out += kindName(result.outcome.kind());
        out += " | ";
        if (const Value* value = result.outcome.as<Value>()) {
            out += ValueFormatter::format(*value, true);
            out += " | ";
            out += ValueFormatter::format(*value, false);
        } else if (const auto* failure = result.outcome.as<LineOutcome::Failure>()) {
            out += failure->message;
            out += " | ";
        } else {
            out += " | ";
        }
        out += " | ";
        if (result.name) out += *result.name;
        out += '\n';
    }
    return out;
}

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string hexText(std::uint64_t n) {
    std::ostringstream out;
    out << std::hex << n;
    return out.str();
}

std::string englishSeedsReport() {
    const EngineSettingsScope english(AppLanguage::english);
    std::string out;
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const std::string file = "sheet-seed-" + std::to_string(seeds[i]) + ".inc";
        out += "# seed " + std::to_string(seeds[i]) + "\n";
        out += report(sheetText(seedSheets[i], {.lines = 300, .seed = seeds[i]}, file.c_str()));
    }
    return out;
}

// One line of the hashes: the name, the hash of the sheet's text and the hash of its answers.
std::string hashLine(std::string_view name, const std::string& text,
                     const std::vector<SharedSheet>& others = {}) {
    return std::string(name) + " " + hexText(fnv1a(text)) + " " + hexText(fnv1a(report(text, others))) + "\n";
}

// The large sheets as hashes: too large to keep, and the small ones show what differs.
std::string hashesReport() {
    std::string out;
    {
        const EngineSettingsScope english(AppLanguage::english);
        out += hashLine("english-10000", bench::generateSheet({.lines = 10000}));
        out += hashLine("english-shared-5000",
                        bench::generateSheet({.lines = 5000, .seed = 9, .callsSharedFunctions = true}),
                        bench::sharedSheets());
    }
    {
        const EngineSettingsScope japanese(AppLanguage::japanese);
        out += hashLine("japanese-5000", bench::generateSheet({.lines = 5000, .seed = 5}));
    }
    return out;
}

std::string englishReport(std::string_view recorded, bench::SheetOptions options, const char* file) {
    const EngineSettingsScope english(AppLanguage::english);
    return report(sheetText(recorded, options, file),
                  options.callsSharedFunctions ? bench::sharedSheets() : std::vector<SharedSheet>{});
}

std::string japaneseReport() {
    const EngineSettingsScope japanese(AppLanguage::japanese);
    return report(sheetText(sheetJapanese500, {.lines = 500, .seed = 11}, "sheet-japanese-500.inc"));
}

// Writes the file when VELL_WRITE_GOLDEN names a folder; the comparison then holds trivially.
void expectGolden(std::string_view recorded, const std::string& actual, const char* file) {
    if (writing()) {
        write(file, actual);
        return;
    }
    // Line by line first, so that a failure names the first line that differs.
    std::istringstream want{std::string(recorded)}, got{actual};
    std::string wantLine, gotLine;
    while (std::getline(want, wantLine)) {
        if (!std::getline(got, gotLine)) {
            ADD_FAILURE() << file << ": the report ends before " << wantLine;
            return;
        }
        if (gotLine != wantLine) {
            ADD_FAILURE() << file << ": recorded\n  " << wantLine << "\nnow\n  " << gotLine;
            return;
        }
    }
    EXPECT_EQ(recorded, actual) << file;
}

TEST(GoldenAnswers, GeneratedSheet) {
    expectGolden(englishSheet1000, englishReport(sheet1000, {.lines = 1000}, "sheet-1000.inc"),
                 "english-1000.inc");
}

TEST(GoldenAnswers, GeneratedSheetWithSharedFunctions) {
    expectGolden(englishShared1000,
                 englishReport(sheetShared1000, {.lines = 1000, .callsSharedFunctions = true},
                               "sheet-shared-1000.inc"),
                 "english-shared-1000.inc");
}

TEST(GoldenAnswers, OtherSeeds) {
    expectGolden(englishSeeds, englishSeedsReport(), "english-seeds.inc");
}

TEST(GoldenAnswers, InJapanese) {
    expectGolden(japaneseSheet500, japaneseReport(), "japanese-500.inc");
}

TEST(GoldenAnswers, LargeSheets) {
    const std::string now = hashesReport();
    if (!writing()) {
        // The text hashes are the second word of every line.
        std::istringstream recorded{std::string(hashes)}, generated{now};
        std::string want, got;
        while (std::getline(recorded, want) && std::getline(generated, got))
            if (want.substr(0, want.rfind(' ')) != got.substr(0, got.rfind(' ')))
                GTEST_SKIP() << "this compiler generates other sheets: " << got;
    }
    expectGolden(hashes, now, "hashes.inc");
}

} // namespace
} // namespace vell
