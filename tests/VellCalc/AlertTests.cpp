#include "AppTestSupport.h"
#include "Dialogs/PromptDialog.h"
#include "Document/SheetSize.h"
#include "LineRules/LineEditor.h"
#include "Stores/DocumentStore.h"
#include "Unicode/Unicode.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

namespace vell {
namespace {

using testsupport::activate;
using testsupport::editorOf;
using testsupport::press;
using testsupport::settle;
using testsupport::VellAppTest;
using Role = PromptDialog::Role;

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

std::vector<QString> buttonTexts(const PromptDialog& prompt) {
    std::vector<QString> texts;
    for (const QPushButton* button : prompt.buttons())
        texts.push_back(button->text());
    return texts;
}

QPushButton* buttonOf(const PromptDialog& prompt, Role role) {
    for (QPushButton* button : prompt.buttons())
        if (prompt.roleOf(button) == role) return button;
    return nullptr;
}

class AlertTest : public VellAppTest {
protected:
    // Gives the window's sheet that text, as typing there would.
    void setText(MainWindow& window, const std::string& text) {
        window.session().setText(text);
        settle();
    }
    // The user right-clicks the line's answer and chooses the naming entry.
    static void askToName(MainWindow& window, std::int64_t line) {
        CalcTextView& view = editorOf(window);
        const QRectF rect = view.lineRect(line);
        const QPoint answer(view.viewport()->width() - 60,
                            static_cast<int>(rect.top()) + 10 - view.verticalScrollBar()->value());
        std::unique_ptr<QMenu> menu(view.contextMenuAt(answer));
        ASSERT_EQ(menu->actions().size(), 1);
        menu->actions()[0]->trigger();
        settle();
    }
    // Types a name over the proposed one and presses Return.
    static void answerName(PromptDialog& prompt, const QString& name) {
        prompt.field()->selectAll();
        QTest::keyClick(prompt.field(), Qt::Key_Backspace);
        QTest::keyClicks(prompt.field(), name);
        QTest::keyClick(prompt.field(), Qt::Key_Return);
        settle();
    }
    const Sheet& selected() const { return *store().sheet(store().currentSheetID()); }
    // Asks for the clearing of the selected sheet as the keypad's slide does.
    void requestClear() {
        store().requestClearSheet(*store().currentSheetID());
        EXPECT_TRUE(store().clearSheetPrompt().has_value());
        settle();
    }
};

TEST_F(AlertTest, NamingOffersToNameOrRenameInEitherLanguageAndCancelChangesNothing) {
    struct Case {
        AppLanguage language;
        std::string text;
        const char* title;
        const char* message;
        const char* field;
        std::vector<QString> buttons;
        bool escape;
    };
    const Case cases[] = {
        {AppLanguage::english,
         "price = 1200",
         "Rename",
         "Renaming also updates every line that uses this name.",
         "price",
         {"OK", "Cancel"},
         false},
        {AppLanguage::english,
         "3 + 4",
         "Name This Line",
         "A named value can be used from any other line.",
         "",
         {"OK", "Cancel"},
         true},
        {AppLanguage::japanese,
         "price = 1200",
         "名前を変える",
         "名前を変えると、その名前を使っている行もまとめて変わります。",
         "price",
         {"決定", "キャンセル"},
         true},
        {AppLanguage::japanese,
         "3 + 4",
         "この行に名前を付ける",
         "名前を付けると、ほかの行から呼び出せます。",
         "",
         {"決定", "キャンセル"},
         false},
    };
    MainWindow& window = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + (c.escape ? " escape" : " cancel"));
        settings().setLanguage(c.language);
        setText(window, c.text);
        askToName(window, 0);
        PromptDialog* prompt = window.rootView().namingPrompt();
        ASSERT_TRUE(prompt);
        EXPECT_EQ(prompt->title(), QString::fromUtf8(c.title));
        EXPECT_EQ(prompt->message(), QString::fromUtf8(c.message));
        EXPECT_EQ(prompt->fieldText(), QString::fromUtf8(c.field));
        EXPECT_EQ(prompt->field()->placeholderText(), c.language == AppLanguage::english ? "Name" : "名前");
        EXPECT_EQ(buttonTexts(*prompt), c.buttons);

        QTest::keyClicks(prompt->field(), "zz");
        if (c.escape)
            QTest::keyClick(prompt->field(), Qt::Key_Escape);
        else
            QTest::mouseClick(buttonOf(*prompt, Role::cancel), Qt::LeftButton);
        settle();
        EXPECT_FALSE(window.rootView().namingPrompt());
        EXPECT_FALSE(window.rootView().nameErrorPrompt());
        EXPECT_EQ(selected().text, c.text);
    }
}

TEST_F(AlertTest, OkNamesTheLineOrRenamesItEverywhere) {
    struct Case {
        std::string text;
        std::int64_t line;
        const char* name;
        std::string result;
    };
    const Case cases[] = {
        {"3 + 4", 0, "a", "a = 3 + 4"},
        {"price = 1200\nprice * 2", 0, "cost", "cost = 1200\ncost * 2"},
        // The line's own name is no conflict.
        {"price = 1200\nprice * 2", 0, "price", "price = 1200\nprice * 2"},
        {"1\n+ 10%", 1, " b ", "1\nb = prev + 10%"},
    };
    MainWindow& window = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " → " + c.name);
        setText(window, c.text);
        askToName(window, c.line);
        ASSERT_TRUE(window.rootView().namingPrompt());
        answerName(*window.rootView().namingPrompt(), c.name);
        EXPECT_FALSE(window.rootView().namingPrompt());
        EXPECT_FALSE(window.rootView().nameErrorPrompt());
        EXPECT_EQ(selected().text, c.result);
    }
}

TEST_F(AlertTest, ARefusedNameIsExplainedWithTheStoresMessageAndChangesNothing) {
    struct Case {
        std::string text;
        std::int64_t line;
        const char* name;
    };
    const Case cases[] = {
        {"3 + 4", 0, "total"},
        {"3 + 4", 0, ""},
        {"3 + 4", 0, "mm"},
        {"price = 1200\n3 + 4", 1, "price"},
    };
    MainWindow& window = open();
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        settings().setLanguage(language);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text + " → " + c.name);
            setText(window, c.text);
            const auto expected =
                LineEditor::nameProblem(unicode::toUtf16(c.name), unicode::toUtf16(c.text), c.line);
            ASSERT_TRUE(expected);
            askToName(window, c.line);
            ASSERT_TRUE(window.rootView().namingPrompt());
            answerName(*window.rootView().namingPrompt(), QString::fromUtf8(c.name));

            EXPECT_FALSE(window.rootView().namingPrompt());
            PromptDialog* error = window.rootView().nameErrorPrompt();
            ASSERT_TRUE(error);
            EXPECT_EQ(error->title(),
                      language == AppLanguage::english ? "Can’t Use This Name" : "名前を付けられません");
            EXPECT_EQ(error->message(), q(*expected));
            EXPECT_FALSE(error->hasField());
            EXPECT_EQ(buttonTexts(*error), std::vector<QString>{"OK"});
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            settle();
            EXPECT_FALSE(window.rootView().nameErrorPrompt());
            EXPECT_EQ(selected().text, c.text);
        }
    }
}

TEST_F(AlertTest, ARenameThatWouldMakeTheSheetTooLargeToEditIsExplainedAndChangesNothing) {
    // Every use of "a" on the second line lengthens it; it is one byte short of the limit already.
    std::string uses = "a";
    while (uses.size() < SheetSize::maxLineBytes - 1)
        uses += "+a";
    const std::string text = "a = 1\n" + uses;
    MainWindow& window = open();
    setText(window, text);
    askToName(window, 0);
    ASSERT_TRUE(window.rootView().namingPrompt());
    answerName(*window.rootView().namingPrompt(), "abc");

    PromptDialog* error = window.rootView().nameErrorPrompt();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), "This change would make the sheet too large to edit, so it was not made.");
    EXPECT_TRUE(selected().text == text);
    EXPECT_FALSE(store().isTooLargeToEdit(store().currentSheetID()));
}

TEST_F(AlertTest, NamingInAWindowThatIsNotActiveReadsAndNamesItsOwnSheet) {
    MainWindow& first = open();
    const Uuid a = sheetAt(0).id;
    const Uuid b = sheetAt(1).id;
    first.session().select(a);
    setText(first, "price = 1200\n3 + 4");
    MainWindow& second = open();
    second.session().select(b);
    setText(second, "rent = 800\n5 + 6");
    activate(second);
    ASSERT_EQ(store().currentSheetID(), b);

    // A right click does not activate the first window.
    askToName(first, 0);
    PromptDialog* prompt = first.rootView().namingPrompt();
    ASSERT_TRUE(prompt);
    EXPECT_FALSE(second.rootView().namingPrompt());
    EXPECT_EQ(prompt->title(), "Rename");
    EXPECT_EQ(prompt->fieldText(), "price");

    // The other window became the active one again before the answer.
    second.session().focus();
    answerName(*prompt, "cost");
    EXPECT_EQ(store().sheet(a)->text, "cost = 1200\n3 + 4");
    EXPECT_EQ(store().sheet(b)->text, "rent = 800\n5 + 6");
}

TEST_F(AlertTest, TheNamingPromptGoesWhenItsWindowTurnsToAnotherSheet) {
    MainWindow& window = open();
    window.session().select(sheetAt(0).id);
    setText(window, "3 + 4");
    askToName(window, 0);
    ASSERT_TRUE(window.rootView().namingPrompt());
    window.session().select(sheetAt(1).id);
    settle();
    EXPECT_FALSE(window.rootView().namingPrompt());
    EXPECT_EQ(sheetAt(0).text, "3 + 4");
}

TEST_F(AlertTest, AClickOnALineNumberLocksThatLineOfTheWindowsOwnSheet) {
    MainWindow& first = open();
    first.session().select(sheetAt(0).id);
    setText(first, "1\n2\n3\n4");
    MainWindow& second = open();
    second.session().select(sheetAt(1).id);
    setText(second, "5\n6\n7");
    activate(second);
    const auto secondLocks = sheetAt(1).lockedLines;

    CalcTextView& view = editorOf(first);
    const QRectF line = view.lineRect(2);
    const QPoint number(20, static_cast<int>(line.top()) + 10 - view.verticalScrollBar()->value());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, number);
    settle();

    EXPECT_EQ(store().currentSheetID(), sheetAt(1).id) << "the click is no activation";
    EXPECT_EQ(sheetAt(0).lockedLines, std::vector<std::int64_t>{2});
    EXPECT_EQ(sheetAt(1).lockedLines, secondLocks);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, number);
    settle();
    EXPECT_TRUE(sheetAt(0).lockedLines.empty());
}

TEST_F(AlertTest, TheClearQuestionShowsInEveryWindowWithTheSheetsNameAsWritten) {
    struct Case {
        AppLanguage language;
        std::string name;
        const char* title;
        const char* message;
        std::vector<QString> buttons;
    };
    const char* english = "Only this sheet is cleared; your other sheets are untouched. "
                          "You can undo it (↩︎ or Ctrl+Z).";
    const char* japanese = "このシートの中身だけを消します。ほかのシートはそのままです。"
                           "元に戻す（↩︎・Ctrl+Z）で戻せます。";
    const Case cases[] = {
        {AppLanguage::english, "<b>x</b> & y", "Clear “<b>x</b> & y”?", english, {"Clear", "Cancel"}},
        {AppLanguage::english, "%1 %2", "Clear “%1 %2”?", english, {"Clear", "Cancel"}},
        {AppLanguage::japanese, "家計", "「家計」の内容を消しますか？", japanese, {"消す", "キャンセル"}},
    };
    MainWindow& first = open();
    MainWindow& second = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings().setLanguage(c.language);
        store().renameSheet(selected().id, c.name);
        setText(second, "1 + 2");
        requestClear();
        for (MainWindow* window : {&first, &second}) {
            PromptDialog* prompt = window->rootView().clearSheetPrompt();
            ASSERT_TRUE(prompt);
            EXPECT_EQ(prompt->title(), QString::fromUtf8(c.title));
            EXPECT_EQ(prompt->message(), QString::fromUtf8(c.message));
            EXPECT_TRUE(prompt->message().contains(QString::fromUtf8("\u21A9\uFE0E")));
            EXPECT_EQ(buttonTexts(*prompt), c.buttons);
            EXPECT_EQ(prompt->roleOf(prompt->buttons()[0]), Role::destructive);
        }
        // A window opened while the question stands asks it too.
        MainWindow& third = open();
        settle();
        ASSERT_TRUE(third.rootView().clearSheetPrompt());
        third.close();
        store().setClearSheetPrompt(std::nullopt);
        settle();
        EXPECT_FALSE(first.rootView().clearSheetPrompt());
    }
}

TEST_F(AlertTest, ClearInOneWindowClearsOnceClosesEveryQuestionAndUndoesInOneStep) {
    MainWindow& first = open();
    MainWindow& second = open();
    setText(first, "1 + 2\nprice = 3");
    store().toggleLock(*store().currentSheetID(), 1);
    const Sheet before = selected();
    requestClear();
    ASSERT_TRUE(first.rootView().clearSheetPrompt() && second.rootView().clearSheetPrompt());

    QSignalSpy carets(&store(), &DocumentStore::caretRequested);
    QTest::mouseClick(buttonOf(*second.rootView().clearSheetPrompt(), Role::destructive), Qt::LeftButton);
    settle();
    EXPECT_EQ(carets.count(), 1) << "cleared once";
    EXPECT_FALSE(first.rootView().clearSheetPrompt());
    EXPECT_FALSE(second.rootView().clearSheetPrompt());
    EXPECT_EQ(selected().text, "");
    EXPECT_TRUE(selected().lockedLines.empty());
    EXPECT_FALSE(store().clearSheetPrompt());

    press(first, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(selected().text, before.text);
    EXPECT_EQ(selected().lockedLines, before.lockedLines);
}

TEST_F(AlertTest, CancelOrEscapeInOneWindowClosesEveryQuestionAndClearsNothing) {
    MainWindow& first = open();
    MainWindow& second = open();
    setText(first, "1 + 2");
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "escape" : "cancel");
        requestClear();
        PromptDialog* prompt = first.rootView().clearSheetPrompt();
        ASSERT_TRUE(prompt && second.rootView().clearSheetPrompt());
        if (escape)
            QTest::keyClick(buttonOf(*prompt, Role::cancel), Qt::Key_Escape);
        else
            QTest::mouseClick(buttonOf(*prompt, Role::cancel), Qt::LeftButton);
        settle();
        EXPECT_FALSE(store().clearSheetPrompt());
        EXPECT_FALSE(first.rootView().clearSheetPrompt());
        EXPECT_FALSE(second.rootView().clearSheetPrompt());
        EXPECT_EQ(selected().text, "1 + 2");
    }
}

TEST_F(AlertTest, AnEmptySheetWithoutLocksIsNotAskedAbout) {
    MainWindow& window = open();
    setText(window, "");
    ASSERT_TRUE(selected().lockedLines.empty());
    store().requestClearSheet(*store().currentSheetID());
    settle();
    EXPECT_FALSE(store().clearSheetPrompt());
    EXPECT_FALSE(window.rootView().clearSheetPrompt());
}

} // namespace
} // namespace vell
