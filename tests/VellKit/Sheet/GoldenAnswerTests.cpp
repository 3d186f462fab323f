// The answers of generated sheets, byte for byte as they were recorded: every line's kind, its answer
// text with and without grouping, and the name it assigns. Work on the engine's speed must leave
// every one of them as it is.
//
// To record them again (only when an answer is meant to change), run the suite with
// VELL_WRITE_GOLDEN set to this folder's golden/ directory and look at the difference.

#include "../../../bench/SheetGenerator.h"
#include "SheetTestSupport.h"
#include "Support/EngineSettingsScope.h"

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
    for (const LineResult& result : DocumentEvaluator::evaluate(sheet, others)) {
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
    for (const std::uint64_t seed : {1u, 2u, 3u, 77u}) {
        out += "# seed " + std::to_string(seed) + "\n";
        out += report(bench::generateSheet({.lines = 300, .seed = seed}));
    }
    return out;
}

// The large sheets as hashes of their reports: too large to keep, and the small ones show what differs.
std::string hashesReport() {
    std::string out;
    {
        const EngineSettingsScope english(AppLanguage::english);
        out += "english 10000 " + hexText(fnv1a(report(bench::generateSheet({.lines = 10000})))) + "\n";
        out += "english shared 5000 " +
               hexText(fnv1a(
                   report(bench::generateSheet({.lines = 5000, .seed = 9, .callsSharedFunctions = true}),
                          bench::sharedSheets()))) +
               "\n";
    }
    {
        const EngineSettingsScope japanese(AppLanguage::japanese);
        out += "japanese 5000 " + hexText(fnv1a(report(bench::generateSheet({.lines = 5000, .seed = 5})))) +
               "\n";
    }
    return out;
}

std::string englishReport(bench::SheetOptions options) {
    const EngineSettingsScope english(AppLanguage::english);
    return report(bench::generateSheet(options),
                  options.callsSharedFunctions ? bench::sharedSheets() : std::vector<SharedSheet>{});
}

std::string japaneseReport() {
    const EngineSettingsScope japanese(AppLanguage::japanese);
    return report(bench::generateSheet({.lines = 500, .seed = 11}));
}

// Writes the file when VELL_WRITE_GOLDEN names a folder; the comparison then holds trivially.
void expectGolden(std::string_view recorded, const std::string& actual, const char* file) {
    if (const char* folder = std::getenv("VELL_WRITE_GOLDEN")) {
        std::ofstream out(std::string(folder) + "/" + file);
        out << "R\"golden(" << actual << ")golden\"\n";
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
    expectGolden(englishSheet1000, englishReport({.lines = 1000}), "english-1000.inc");
}

TEST(GoldenAnswers, GeneratedSheetWithSharedFunctions) {
    expectGolden(englishShared1000, englishReport({.lines = 1000, .callsSharedFunctions = true}),
                 "english-shared-1000.inc");
}

TEST(GoldenAnswers, OtherSeeds) {
    expectGolden(englishSeeds, englishSeedsReport(), "english-seeds.inc");
}

TEST(GoldenAnswers, InJapanese) {
    expectGolden(japaneseSheet500, japaneseReport(), "japanese-500.inc");
}

TEST(GoldenAnswers, LargeSheets) {
    expectGolden(hashes, hashesReport(), "hashes.inc");
}

} // namespace
} // namespace vell
