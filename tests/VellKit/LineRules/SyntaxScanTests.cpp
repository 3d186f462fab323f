#include "LineRules/SyntaxScan.h"
#include "Unicode/Unicode.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace vell {

void PrintTo(const SyntaxRun& run, std::ostream* os) {
    *os << "{" << run.start << ", " << run.length << ", " << SyntaxKinds::rawValue(run.kind) << "}";
}

namespace {

using K = SyntaxKind;
using Runs = std::vector<SyntaxRun>;

struct Case {
    std::u16string line;
    Runs runs;
};

template <std::size_t N>
void expectRuns(const Case (&cases)[N]) {
    for (const Case& c : cases)
        EXPECT_EQ(SyntaxScan::runs(c.line), c.runs) << unicode::fromUtf16(c.line);
}

TEST(SyntaxScan, NumbersOperatorsAndWordsEachTakeTheirClass) {
    const Case cases[] = {
        {u"price = 1200 mm", {{0, 5, K::name}, {6, 1, K::operatorMark}, {8, 4, K::number}, {13, 2, K::unit}}},
        {u"sqrt(2)",
         {{0, 4, K::function}, {4, 1, K::operatorMark}, {5, 1, K::number}, {6, 1, K::operatorMark}}},
        {u"SQRT(2)",
         {{0, 4, K::function}, {4, 1, K::operatorMark}, {5, 1, K::number}, {6, 1, K::operatorMark}}},
        // ">" and ":" are not operator characters.
        {u"if x > 3:", {{0, 2, K::keyword}, {3, 1, K::name}, {7, 1, K::number}}},
        {u"If", {{0, 2, K::name}}}, // keywords match exactly
        {u"True", {{0, 4, K::keyword}}},
        {u"range", {{0, 5, K::keyword}}},
        {u"sum", {{0, 3, K::function}}},
        {u"Log10", {{0, 5, K::function}}},
        {u"km/h", {{0, 2, K::unit}, {2, 1, K::operatorMark}, {3, 1, K::unit}}},
        {u"x1 + m2", {{0, 2, K::name}, {3, 1, K::operatorMark}, {5, 2, K::unit}}},
        // A currency sign starts a word that takes digits; the unit table reads this one as dollars to the
        // fifth.
        {u"$5", {{0, 2, K::unit}}},
        {u"€x2", {{0, 3, K::name}}},
        {u"+-*/^%=×÷→(),·[]",
         {{0, 1, K::operatorMark},
          {1, 1, K::operatorMark},
          {2, 1, K::operatorMark},
          {3, 1, K::operatorMark},
          {4, 1, K::operatorMark},
          {5, 1, K::operatorMark},
          {6, 1, K::operatorMark},
          {7, 1, K::operatorMark},
          {8, 1, K::operatorMark},
          {9, 1, K::operatorMark},
          {10, 1, K::operatorMark},
          {11, 1, K::operatorMark},
          {12, 1, K::operatorMark},
          {13, 1, K::operatorMark},
          {14, 1, K::operatorMark},
          {15, 1, K::operatorMark}}},
        {u"a − b", {{0, 1, K::name}, {4, 1, K::name}}}, // the minus sign U+2212 is no operator character
        {u"", {}},
        {u"   ", {}},
    };
    expectRuns(cases);
}

TEST(SyntaxScan, NumberRunsTakeSeparatorsAndJapaneseMultipliers) {
    const Case cases[] = {
        {u"1,234.5万", {{0, 8, K::number}}},
        {u".5", {{0, 2, K::number}}},
        {u"a.5", {{0, 1, K::name}, {1, 2, K::number}}},
        {u"12abc", {{0, 2, K::number}, {2, 3, K::name}}}, // a number followed by letters splits
        {u"5.", {{0, 2, K::number}}},
        {u". 5", {{2, 1, K::number}}}, // a "." not followed by a digit is left alone
        {u"3万 + 1500円", {{0, 2, K::number}, {3, 1, K::operatorMark}, {5, 4, K::number}, {9, 1, K::unit}}},
        {u"#3", {{1, 1, K::number}}},                              // a line reference shows "#" uncoloured
        {u"３ + 4", {{2, 1, K::operatorMark}, {4, 1, K::number}}}, // full-width digits stay uncoloured
        {u"5\u0301 + 1", {{3, 1, K::operatorMark}, {5, 1, K::number}}}, // a digit with a mark is none
    };
    expectRuns(cases);
}

TEST(SyntaxScan, QuotedTextsRunToTheirClosingQuoteOrTheEndOfTheLine) {
    const Case cases[] = {
        {u"'abc' + 1", {{0, 5, K::quoted}, {6, 1, K::operatorMark}, {8, 1, K::number}}},
        {u"x = \"abc + 1", {{0, 1, K::name}, {2, 1, K::operatorMark}, {4, 8, K::quoted}}},
        {u"“a” + \"b\\\"c\"", {{0, 3, K::quoted}, {4, 1, K::operatorMark}, {6, 6, K::quoted}}},
        {u"\"12 mm\" 3", {{0, 7, K::quoted}, {8, 1, K::number}}},
    };
    expectRuns(cases);
}

TEST(SyntaxScan, SuperscriptsSignsAndOtherScripts) {
    const Case cases[] = {
        {u"m²", {{0, 2, K::unit}}},
        {u"x²", {{0, 2, K::name}}},
        {u"²", {}}, // superscripts only continue a word
        {u"°C", {{0, 2, K::unit}}},
        {u"℃", {{0, 1, K::unit}}},
        {u"梁幅 = 300mm", {{0, 2, K::name}, {3, 1, K::operatorMark}, {5, 3, K::number}, {8, 2, K::unit}}},
        {u"cafe\u0301 = 1", {{0, 5, K::name}, {6, 1, K::operatorMark}, {8, 1, K::number}}},
    };
    expectRuns(cases);
}

TEST(SyntaxScan, ANoteMarkerIsTwoOperatorsWhenTheLineIsNoNote) {
    const Case cases[] = {
        {u"3 + 4 // note",
         {{0, 1, K::number},
          {2, 1, K::operatorMark},
          {4, 1, K::number},
          {6, 1, K::operatorMark},
          {7, 1, K::operatorMark},
          {9, 4, K::name}}},
    };
    expectRuns(cases);
}

TEST(SyntaxScan, RunsLieAtTheirUtf16OffsetsAfterCharactersOfTwoUnits) {
    const Case cases[] = {
        {u"😀 x = 5", {{3, 1, K::name}, {5, 1, K::operatorMark}, {7, 1, K::number}}},
        {u"👍🏽x = 5", {{4, 1, K::name}, {6, 1, K::operatorMark}, {8, 1, K::number}}},
        {u"'😀' 2", {{0, 4, K::quoted}, {5, 1, K::number}}},
    };
    expectRuns(cases);
}

TEST(SyntaxScan, WordKindsFollowTheirOrder) {
    EXPECT_EQ(SyntaxScan::wordKind(u"for"), K::keyword);
    EXPECT_EQ(SyntaxScan::wordKind(u"FOR"), K::name);
    EXPECT_EQ(SyntaxScan::wordKind(u"Plot"), K::function);
    EXPECT_EQ(SyntaxScan::wordKind(u"mm"), K::unit);
    EXPECT_EQ(SyntaxScan::wordKind(u"坪"), K::unit);
    EXPECT_EQ(SyntaxScan::wordKind(u"width"), K::name);
}

} // namespace
} // namespace vell
