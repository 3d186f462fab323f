#include "SheetEditor/SheetEditorFixture.h"
#include "SheetEditor/SheetHighlighter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QTextBlock>
#include <QTextLayout>

namespace vell::testsupport {
namespace {

class SheetEditorLargeSheets : public SheetEditorTest {
protected:
    // Lines of sums with a note every third line and a plot every tenth.
    static std::string mixedSheet(int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i) {
            if (i % 10 == 9)
                text += "plot(x^2 + " + std::to_string(i) + ")";
            else if (i % 3 == 2)
                text += "// note " + std::to_string(i);
            else
                text += std::to_string(i) + " + 1";
            if (i + 1 < lines) text += "\n";
        }
        return text;
    }

    static std::string longSum(int length) {
        std::string line = "1";
        while (static_cast<int>(line.size()) < length)
            line += "+1";
        return line;
    }
};

TEST_F(SheetEditorLargeSheets, ASheetNewlyShownIsLaidOutOnceNotOnceALine) {
    openSheets({"1", mixedSheet(300)});
    Window& window = openWindow();
    CalcTextView& view = window.view();
    int layoutPasses = 0;
    QObject::connect(view.document()->documentLayout(), &QAbstractTextDocumentLayout::update, &view,
                     [&layoutPasses] { ++layoutPasses; });
    window.session->select(store->sheets()[1].id);
    settle();
    // Every line given its plot room or colour as its own edit had the layout answer each (over 100).
    EXPECT_LE(layoutPasses, 6);

    // And every line is styled as before: plot room under plot lines, notes in italics.
    for (int line : {0, 2, 9, 299}) {
        const QTextBlock block = view.document()->findBlockByNumber(line);
        EXPECT_EQ(block.blockFormat().lineHeight(), view.rowPitch()) << line;
        EXPECT_EQ(block.blockFormat().bottomMargin(), line % 10 == 9 ? CalcTextView::plotRoom : 0) << line;
        ASSERT_FALSE(block.layout()->formats().isEmpty()) << line;
        EXPECT_EQ(block.layout()->formats().front().format.fontItalic(), line % 3 == 2 && line % 10 != 9)
            << line;
    }
}

TEST_F(SheetEditorLargeSheets, AKeyRestylesOnlyTheLineItChanges) {
    openSheets({mixedSheet(300)});
    CalcTextView& view = openWindow().view();
    int layoutPasses = 0;
    QObject::connect(view.document()->documentLayout(), &QAbstractTextDocumentLayout::update, &view,
                     [&layoutPasses] { ++layoutPasses; });
    setCaret(view, 1);
    QTest::keyClick(&view, '5');
    settle();
    EXPECT_EQ(sheetText().substr(0, 6), "05 + 1");
    EXPECT_LE(layoutPasses, 3);
}

TEST_F(SheetEditorLargeSheets, ALineOfThousandsOfCharactersIsSetInOneColourAndWrapsAnywhere) {
    const std::string line = longSum(CalcTextView::longLine + 1000);
    openSheets({"x = 1\n" + line + "\nx + 1"});
    CalcTextView& view = openWindow().view();
    EXPECT_EQ(view.wordWrapMode(), QTextOption::WrapAnywhere);
    // One range of the body colour, where colouring by runs would make one for each "1" and "+".
    EXPECT_EQ(view.document()->findBlockByNumber(1).layout()->formats().size(), 1);
    // The lines around it are coloured by their runs as ever.
    EXPECT_GT(view.document()->findBlockByNumber(0).layout()->formats().size(), 1);
    // Its rows are as wide as the text column, not one row running off to the right.
    EXPECT_GT(view.document()->findBlockByNumber(1).layout()->lineCount(), 10);

    store->setText(*store->currentSheetID(), "x = 1\n1+1\nx + 1");
    settle();
    EXPECT_EQ(view.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);

    // A long line pasted in switches the wrapping before it is laid out.
    setCaret(view, 0);
    QApplication::clipboard()->setText(QString::fromStdString(line + "\n"));
    view.paste();
    settle();
    EXPECT_EQ(view.wordWrapMode(), QTextOption::WrapAnywhere);
    EXPECT_EQ(sheetText(), line + "\nx = 1\n1+1\nx + 1");
}

} // namespace
} // namespace vell::testsupport
