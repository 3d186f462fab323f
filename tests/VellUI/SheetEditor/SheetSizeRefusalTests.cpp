// An edit that would take a sheet past the size it can be edited at is refused whole, by every road an
// edit takes into the editor: the beep of a locked line, the text as it was, and a short note that says
// why and leaves the keyboard where it is.

#include "Document/SheetSize.h"
#include "Keypad/EditorCommands.h"
#include "SheetEditor/SheetEditorFixture.h"
#include "Support/SameText.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <string_view>

namespace vell::testsupport {
namespace {

constexpr std::size_t lineLimit = SheetSize::maxLineBytes;

// A note of exactly that many bytes.
std::string noteOfBytes(std::size_t bytes) {
    return "// " + std::string(bytes - 3, 'a');
}

// A quoted text, whose answer is itself, of exactly that many bytes.
std::string quotedOfBytes(std::size_t bytes) {
    return "\"" + std::string(bytes - 2, 'q') + "\"";
}

class SheetSizeRefusal : public SheetEditorTest {
protected:
    static QLabel* refusalNote(const Window& window) {
        return window.editor->findChild<QLabel*>(QStringLiteral("tooLargeEditNote"));
    }

    static void drop(CalcTextView& view, QPointF at, const QString& text) {
        QMimeData data;
        data.setText(text);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &move);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &dropped);
    }

    static QPointF answerOf(const CalcTextView& view, std::int64_t line) {
        return pointOnLine(view, line, view.viewport()->width() - 60);
    }
};

TEST_F(SheetSizeRefusal, EveryRoadPastTheLimitIsRefusedWhole) {
    const std::string sheetStart = "1 + 1\n";
    const QString pasted = QString::fromStdString(noteOfBytes(68 * 1024));
    std::vector<QString> drags;
    const std::string halves = noteOfBytes(lineLimit / 2 + 8) + "\n" + noteOfBytes(lineLimit / 2 + 8);
    const int secondHalf = static_cast<int>(sheetStart.size() + lineLimit / 2 + 8 + 1);
    struct Case {
        const char* what;
        std::string text;
        std::function<void(Window&)> act;
        bool refused = true;
        // Where the caret stands before and after; -1 for the end of the text.
        int caret = -1;
    };
    const auto key = [](char typed) {
        return [typed](Window& window) { QTest::keyClick(&window.view(), typed); };
    };
    const Case cases[] = {
        {"a letter typed past the line's limit", sheetStart + noteOfBytes(lineLimit), key('b')},
        {"a letter typed up to it", sheetStart + noteOfBytes(lineLimit - 1), key('b'), false},
        {"a kana committed past it by its bytes in UTF-8", sheetStart + noteOfBytes(lineLimit - 2),
         [](Window& window) {
             QInputMethodEvent commit;
             commit.setCommitString(QStringLiteral("あ"));
             QCoreApplication::sendEvent(&window.view(), &commit);
         }},
        {"one more digit in a line of 65,536 digits", sheetStart + std::string(lineLimit, '1'), key('1')},
        {"a digit whose grouping commas would pass the limit", sheetStart + std::string(60000, '1'),
         key('1')},
        {"a paste of a 68 KB line", sheetStart,
         [&pasted](Window& window) {
             QApplication::clipboard()->setText(pasted);
             QTest::keyClick(&window.view(), Qt::Key_V, Qt::ControlModifier);
         }},
        {"a drop of it", sheetStart,
         [&pasted](Window& window) { drop(window.view(), pointOnLine(window.view(), 1, 100), pasted); }},
        {"Backspace joining two lines into one too long", sheetStart + halves,
         [](Window& window) { QTest::keyClick(&window.view(), Qt::Key_Backspace); }, true, secondHalf},
        {"a key of the keypad or a catalog", sheetStart + noteOfBytes(lineLimit - 4),
         [](Window& window) {
             EditorCommands commands;
             window.editor->takeCommands(commands);
             emit commands.insertSnippet(InsertSnippet{"sqrt()", 1, false});
         }},
        {"the sign toggle", sheetStart + std::string(lineLimit, '1'),
         [](Window& window) { window.editor->toggleSign(); }},
        {"a click on an answer", sheetStart + quotedOfBytes(lineLimit),
         [](Window& window) { click(window.view(), answerOf(window.view(), 0)); }},
        {"dragging out the answer of a line it would have to name", sheetStart + quotedOfBytes(lineLimit),
         [&drags](Window& window) {
             window.view().runDrag = [&drags](QDrag* drag, Qt::DropActions) {
                 drags.push_back(drag->mimeData()->text());
                 drag->deleteLater();
             };
             const QPointF start = answerOf(window.view(), 1);
             mouse(window.view(), QEvent::MouseButtonPress, start);
             mouse(window.view(), QEvent::MouseMove, start + QPointF(10, 0));
             mouse(window.view(), QEvent::MouseButtonRelease, start + QPointF(10, 0));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        openSheets({c.text});
        Window& window = openWindow();
        CalcTextView& view = window.view();
        const int before = c.caret < 0 ? static_cast<int>(view.text().size()) : c.caret;
        setCaret(view, before);
        beeps = 0;
        c.act(window);
        settle();
        if (!c.refused) {
            EXPECT_EQ(beeps, 0);
            EXPECT_TRUE(sameText(sheetText(), c.text + "b"));
            QLabel* note = refusalNote(window);
            EXPECT_TRUE(!note || !note->isVisible());
            windows.clear();
            continue;
        }
        EXPECT_EQ(beeps, 1);
        EXPECT_TRUE(sameText(sheetText(), c.text));
        EXPECT_TRUE(sameText(view.text().toStdString(), c.text));
        EXPECT_EQ(caret(view), before);
        EXPECT_TRUE(drags.empty());
        const QLabel* note = refusalNote(window);
        EXPECT_TRUE(note && note->isVisible());
        EXPECT_EQ(note ? note->text() : QString(),
                  "This change would make the sheet too large to edit, so it was not made.");
        const QRect caretRect =
            view.cursorRect().translated(view.viewport()->mapTo(window.editor.get(), QPoint()));
        EXPECT_FALSE(note && note->geometry().top() <= caretRect.bottom() &&
                     caretRect.top() <= note->geometry().bottom())
            << "the note keeps off the caret's rows";
        // The sheet stays what it was: editable, wrapped as before, its answers shown, and the keyboard
        // still in it.
        EXPECT_FALSE(view.isReadOnly());
        EXPECT_EQ(view.wordWrapMode(), c.text.size() > 6 + CalcTextView::longLine
                                           ? QTextOption::WrapAnywhere
                                           : QTextOption::WrapAtWordBoundaryOrAnywhere);
        EXPECT_EQ(view.answerFor(0).value_or(CalcTextView::Answer{}).text, "2");
        EXPECT_EQ(QApplication::focusWidget(), &view);
        setCaret(view, 5);
        QTest::keyClick(&view, '0');
        EXPECT_TRUE(sameText(sheetText(), "1 + 10\n" + c.text.substr(6)));
        EXPECT_EQ(beeps, 1);
        windows.clear();
    }
}

TEST_F(SheetSizeRefusal, TheNoteSaysWhyInTheInterfaceLanguageAndGoesAwayByItself) {
    openSheets({"1 + 1\n" + noteOfBytes(lineLimit), "2 + 2"});
    Window& window = openWindow();
    CalcTextView& view = window.view();
    EXPECT_TRUE(refusalNote(window) == nullptr || !refusalNote(window)->isVisible());

    scope.setLanguage(AppLanguage::japanese);
    setCaret(view, static_cast<int>(view.text().size()));
    QTest::keyClick(&view, 'b');
    QLabel* note = refusalNote(window);
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text().toStdString(),
              "この変更をするとシートが大きすぎて編集できなくなるため、変更しませんでした。");
    // Read out as well as painted, and never a place for the keyboard or the mouse.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(note);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), note->text());
    EXPECT_EQ(note->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(note->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(QApplication::focusWidget(), &view);

    // Another sheet shown in the window: the note spoke of the one before.
    window.session->select(store->sheets()[1].id);
    settle();
    EXPECT_FALSE(note->isVisible());
    window.session->select(store->sheets()[0].id);
    settle();

    setCaret(view, static_cast<int>(view.text().size()));
    QTest::keyClick(&view, 'b');
    ASSERT_TRUE(note->isVisible());
    auto* timer = note->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_FALSE(note->isVisible());
}

} // namespace
} // namespace vell::testsupport
