// Which sheets are too large to edit, and what of them is shown.

#include "Document/SheetSize.h"
#include "LargeSheets.h"

#include <gtest/gtest.h>
#include <string>

namespace vell {
namespace {

TEST(SheetSizeTest, ALongLineOrALargeSheetIsTooLargeToEdit) {
    const std::size_t line = SheetSize::maxLineBytes;
    struct Case {
        const char* what;
        std::string text;
        bool tooLarge;
    };
    std::string manyLines;
    while (manyLines.size() <= SheetSize::maxSheetBytes)
        manyLines += "price = 1200 * 3\n";
    const Case cases[] = {
        {"empty", "", false},
        {"a line at the limit", std::string(line, '1'), false},
        {"a line just over it", std::string(line + 1, '1'), true},
        {"the long line last", "1 + 1\n" + std::string(line + 1, '1'), true},
        {"the long line among short ones", "1\n" + std::string(line + 1, '1') + "\n2", true},
        {"many lines at the limit each", std::string(line, '1') + "\n" + std::string(line, '2'), false},
        {"a line at the limit, then one over it", std::string(line, '1') + "\n" + std::string(line + 1, '2'),
         true},
        {"a line at the limit between breaks", "\n" + std::string(line, '1') + "\n", false},
        {"a line over it after many short ones", manyLines.substr(0, 3 * line) + std::string(line + 1, '1'),
         true},
        {"short lines past the sheet limit", manyLines, true},
        {"short lines up to the sheet limit", manyLines.substr(0, SheetSize::maxSheetBytes), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SheetSize::tooLargeToEdit(c.text), c.tooLarge) << c.what;
}

// The limits were set from the editor's benchmarks; the sheets those benchmarks type into must stay
// on the editable side, or they would measure the read-only view.
TEST(SheetSizeTest, TheBenchmarkSheetsThatAreTypedIntoStayEditable) {
    EXPECT_FALSE(SheetSize::tooLargeToEdit(bench::generateSheet({.lines = 10000})));
    EXPECT_FALSE(SheetSize::tooLargeToEdit(bench::plotSheet(10000)));
    EXPECT_FALSE(SheetSize::tooLargeToEdit(bench::longSumLine(64 * 1024 - 1)));
    EXPECT_TRUE(SheetSize::tooLargeToEdit(bench::longSumLine()));
}

TEST(SheetSizeTest, TheBeginningIsShownWithEveryCutMarked) {
    EXPECT_EQ(SheetSize::shownPart(""), "");
    EXPECT_EQ(SheetSize::shownPart("1\n2\n"), "1\n2\n");

    // One long line of two-byte characters, cut on a character boundary.
    std::string wide;
    while (wide.size() < 3 * SheetSize::shownLineBytes)
        wide += "é";
    const std::string shown = SheetSize::shownPart("1 + 1\n" + wide);
    ASSERT_TRUE(shown.ends_with("…"));
    const std::string cut = shown.substr(6, shown.size() - 6 - std::string("…").size());
    EXPECT_LE(cut.size(), SheetSize::shownLineBytes);
    EXPECT_GE(cut.size(), SheetSize::shownLineBytes - 1);
    EXPECT_EQ(cut.size() % 2, 0u) << "no character cut in half";
    EXPECT_TRUE(wide.starts_with(cut));

    std::string lines;
    for (std::size_t i = 0; i < SheetSize::shownLines + 5; ++i)
        lines += std::to_string(i) + "\n";
    const std::string head = SheetSize::shownPart(lines);
    EXPECT_TRUE(head.ends_with("\n…"));
    EXPECT_EQ(std::count(head.begin(), head.end(), '\n'), static_cast<long>(SheetSize::shownLines));
    EXPECT_TRUE(lines.starts_with(head.substr(0, head.size() - std::string("…").size())));
}

} // namespace
} // namespace vell
