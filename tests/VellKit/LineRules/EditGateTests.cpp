#include "Document/SheetSize.h"
#include "LineRules/EditGate.h"

#include <gtest/gtest.h>
#include <string>

namespace vell {
namespace {

using Verdict = EditGate::Verdict;

TEST(EditGate, RefusesEveryChangeThatTouchesALockedLine) {
    const std::u16string text = u"ab\ncd\nef";
    const EditGate::Options locked{{1}, false, true};
    struct Case {
        const char* what;
        TextRange range;
        std::u16string replacement;
        Verdict verdict;
    };
    const Case cases[] = {
        {"typing at the start of the locked line", {3, 0}, u"x", Verdict::refuse},
        {"typing at its end", {5, 0}, u"x", Verdict::refuse},
        {"backspace joining it to the line above", {2, 1}, u"", Verdict::refuse},
        {"backspace of its own line break", {5, 1}, u"", Verdict::refuse},
        {"delete inside it", {4, 1}, u"", Verdict::refuse},
        {"everything replaced", {0, 8}, u"z", Verdict::refuse},
        {"a paste over its end", {5, 0}, u"1\n2", Verdict::refuse},
        {"typing at the start of the next line", {6, 0}, u"x", Verdict::allow},
        {"Return at the end of the line above", {2, 0}, u"\n", Verdict::allow},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditGate::vet(text, c.range, c.replacement, locked).verdict, c.verdict) << c.what;

    const EditGate::Options bypass{{1}, true, true};
    EXPECT_EQ(EditGate::vet(text, {0, 8}, u"z", bypass).verdict, Verdict::allow);
}

TEST(EditGate, TurnsATypedStarIntoTheMultiplicationSignInCodeOnly) {
    const EditGate::Options options;
    const auto sign = EditGate::vet(u"3", {1, 0}, u"*", options);
    EXPECT_EQ(sign, (EditGate::Decision{Verdict::replace, {1, 0}, u" × ", 4}));
    EXPECT_EQ(EditGate::vet(u"3 ", {2, 0}, u"*", options).text, u"× ");
    EXPECT_EQ(EditGate::vet(u"// 3 ", {5, 0}, u"*", options).verdict, Verdict::allow);
    EXPECT_EQ(EditGate::vet(u"\"3 ", {3, 0}, u"*", options).verdict, Verdict::allow);
    // Over a selection the sign replaces the selection.
    EXPECT_EQ(EditGate::vet(u"3+4", {1, 1}, u"*", options).range, (TextRange{1, 1}));
}

TEST(EditGate, RegroupsDigitsOnlyWhenTheUserWantsIt) {
    const auto grouped = EditGate::vet(u"123456", {6, 0}, u"7", {{}, false, true});
    EXPECT_EQ(grouped.verdict, Verdict::replace);
    std::u16string result = u"123456";
    result.replace(static_cast<std::size_t>(grouped.range.location),
                   static_cast<std::size_t>(grouped.range.length), grouped.text);
    EXPECT_EQ(result, u"1,234,567");
    EXPECT_EQ(grouped.caret, 9);

    EXPECT_EQ(EditGate::vet(u"123456", {6, 0}, u"7", {{}, false, false}).verdict, Verdict::allow);
}

TEST(EditGate, RefusesWholeAChangeThatWouldTakeTheSheetPastItsSize) {
    const std::size_t line = SheetSize::maxLineBytes;
    const std::size_t sheet = SheetSize::maxSheetBytes;
    const std::u16string fullLine = u"// " + std::u16string(line - 3, u'a');
    const std::u16string digits(line, u'1');
    const std::u16string half = u"// " + std::u16string(line / 2, u'a');
    // Lines of 1,000 bytes up to one byte short of the sheet's limit.
    std::u16string nearlyFull;
    while (nearlyFull.size() + 1000 < sheet)
        nearlyFull += std::u16string(999, u'x') + u"\n";
    nearlyFull += std::u16string(sheet - 1 - nearlyFull.size(), u'y');
    const auto end = [](const std::u16string& text) { return static_cast<std::int64_t>(text.size()); };
    struct Case {
        const char* what;
        std::u16string text;
        TextRange range;
        std::u16string replacement;
        bool groupsDigits;
        Verdict verdict;
    };
    const Case cases[] = {
        {"a letter past the line's limit", fullLine, {end(fullLine), 0}, u"b", true, Verdict::tooLarge},
        {"a letter up to the line's limit",
         fullLine.substr(1),
         {end(fullLine) - 1, 0},
         u"b",
         true,
         Verdict::allow},
        {"a letter on a line of its own", fullLine, {0, 0}, u"b\n", true, Verdict::allow},
        // Three bytes in UTF-8 though one unit in UTF-16.
        {"a kana past the limit by its UTF-8 bytes",
         fullLine.substr(2),
         {end(fullLine) - 2, 0},
         u"あ",
         true,
         Verdict::tooLarge},
        {"a letter replacing one", fullLine, {3, 1}, u"b", true, Verdict::allow},
        {"the line break between two halves taken out",
         half + u"\n" + half,
         {end(half), 1},
         u"",
         true,
         Verdict::tooLarge},
        {"one more digit, regrouped", digits, {end(digits), 0}, u"1", true, Verdict::tooLarge},
        {"one more digit, not regrouped",
         digits.substr(1),
         {end(digits) - 1, 0},
         u"1",
         false,
         Verdict::allow},
        // 60,001 digits fit, but with their 20,000 commas they would not.
        {"a digit whose regrouping passes the limit",
         digits.substr(0, 60000),
         {60000, 0},
         u"1",
         true,
         Verdict::tooLarge},
        {"a star's sign past the limit",
         digits.substr(2),
         {end(digits) - 2, 0},
         u"*",
         false,
         Verdict::tooLarge},
        {"a letter past the sheet's limit", nearlyFull, {end(nearlyFull), 0}, u"zz", true, Verdict::tooLarge},
        {"a letter up to the sheet's limit", nearlyFull, {end(nearlyFull), 0}, u"z", true, Verdict::allow},
        {"a line break up to it", nearlyFull, {0, 0}, u"\n", true, Verdict::allow},
        {"two line breaks past it", nearlyFull, {0, 0}, u"\n\n", true, Verdict::tooLarge},
        {"text taken out of a full sheet", nearlyFull, {0, 5}, u"", true, Verdict::allow},
    };
    for (const Case& c : cases) {
        const EditGate::Options options{{}, false, c.groupsDigits};
        EXPECT_EQ(EditGate::vet(c.text, c.range, c.replacement, options).verdict, c.verdict) << c.what;
    }
    // Nor does the editor's own replacement get past it.
    EXPECT_EQ(EditGate::vet(fullLine, {0, 0}, u"b", EditGate::Options{{0}, true, true}).verdict,
              Verdict::tooLarge);
}

TEST(EditGate, EveryForeignLineBreakArrivesAsNewline) {
    EXPECT_EQ(EditGate::normalizedLineBreaks(u"a\r\nb\rc\u2028d\u2029e\u0085f\n"), u"a\nb\nc\nd\ne\nf\n");
    EXPECT_EQ(EditGate::normalizedLineBreaks(u"\r\r\n"), u"\n\n");

    const auto pasted = EditGate::vet(u"", {0, 0}, u"a\r\nb\rc", {});
    EXPECT_EQ(pasted, (EditGate::Decision{Verdict::replace, {0, 0}, u"a\nb\nc", 5}));
    // A plain "\n" is the sheet's own break and goes through unchanged.
    EXPECT_EQ(EditGate::vet(u"", {0, 0}, u"a\nb", {}).verdict, Verdict::allow);
}

} // namespace
} // namespace vell
