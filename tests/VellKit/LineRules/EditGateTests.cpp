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
