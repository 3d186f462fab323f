#include "AppTestSupport.h"
#include "Document/SheetSize.h"
#include "Window/RootView.h"

#include <QLineEdit>
#include <QMenuBar>
#include <QVBoxLayout>

namespace vell {
namespace {

using testsupport::activate;
using testsupport::editorOf;
using testsupport::itemTexts;
using testsupport::press;
using testsupport::settle;
using testsupport::typeAtEnd;
using testsupport::VellAppTest;
using Command = MainWindow::Command;

class MenuTest : public VellAppTest {};

struct Label {
    Command command;
    const char* japanese;
    const char* english;
    QKeySequence shortcut;
};

const Label labels[] = {
    {Command::newSheet, "新しいシート", "New Sheet", QKeySequence(Qt::CTRL | Qt::Key_N)},
    {Command::newWindow, "新しいウインドウ", "New Window", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N)},
    {Command::closeWindow, "ウインドウを閉じる", "Close Window", QKeySequence(Qt::CTRL | Qt::Key_W)},
    {Command::quit, "終了", "Quit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    {Command::undo, "取り消す", "Undo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
    {Command::redo, "やり直す", "Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
    {Command::help, "Vell の使い方", "Vell Help", QKeySequence(Qt::CTRL | Qt::Key_Slash)},
};

std::vector<QString> menuTitles(MainWindow& window) {
    std::vector<QString> titles;
    for (const QAction* action : window.menuBar()->actions())
        titles.push_back(action->text());
    return titles;
}

TEST_F(MenuTest, LabelsAndShortcutsInBothLanguagesFollowAChangeAtOnce) {
    MainWindow& window = open();
    for (const AppLanguage language : {AppLanguage::japanese, AppLanguage::english}) {
        const bool english = language == AppLanguage::english;
        SCOPED_TRACE(english ? "English" : "Japanese");
        settings().setLanguage(language);
        for (const Label& label : labels) {
            SCOPED_TRACE(label.english);
            EXPECT_EQ(window.action(label.command)->text(),
                      QString::fromUtf8(english ? label.english : label.japanese));
            EXPECT_EQ(window.action(label.command)->shortcut(), label.shortcut);
            EXPECT_EQ(window.action(label.command)->shortcutContext(), Qt::WindowShortcut);
        }
        const std::vector<QString> titles =
            english ? std::vector<QString>{"File", "Edit", "Sheets", "Help"}
                    : std::vector<QString>{"ファイル", "編集", "シート", "ヘルプ"};
        EXPECT_EQ(menuTitles(window), titles);
    }
}

TEST_F(MenuTest, TheSheetsMenuListsTheFirstNineByNameWithControlDigits) {
    MainWindow& window = open();
    while (store().sheets().size() < 12)
        store().addSheet();
    for (std::size_t i = 0; i < 12; ++i)
        store().renameSheet(sheetAt(i).id, "S" + std::to_string(i + 1));
    settle();

    const std::vector<QString> expected{"S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8", "S9"};
    EXPECT_EQ(itemTexts(*window.sheetsMenu()), expected);
    const QList<QAction*> items = window.sheetsMenu()->actions();
    for (int i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i]->shortcut(), QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)));

    press(window, Qt::Key_9, Qt::ControlModifier);
    EXPECT_EQ(window.session().sheetID(), sheetAt(8).id);
    EXPECT_EQ(store().currentSheetID(), sheetAt(8).id);
}

TEST_F(MenuTest, ASheetNameShowsVerbatimWithItsAmpersand) {
    MainWindow& window = open();
    store().renameSheet(sheetAt(0).id, "Lists, Text & Graphs");
    settle();
    const QAction* item = window.sheetsMenu()->actions().first();
    EXPECT_EQ(item->text(), "Lists, Text && Graphs");
    // What the menu draws: the doubled sign is one "&", not a mnemonic.
    EXPECT_EQ(QAction(item->text()).iconText(), "Lists, Text & Graphs");
}

TEST_F(MenuTest, ItemsAreRebuiltOnlyWhenIdsNamesOrOrderChange) {
    MainWindow& window = open();
    settle();
    const QList<QAction*> before = window.sheetsMenu()->actions();
    store().setText(*store().currentSheetID(), "typing does not touch the menu");
    settle();
    EXPECT_EQ(window.sheetsMenu()->actions(), before);

    store().moveSheet(sheetAt(0).id, std::int64_t{1});
    settle();
    EXPECT_NE(window.sheetsMenu()->actions(), before);
}

TEST_F(MenuTest, ControlOneFollowsAReorder) {
    MainWindow& window = open();
    const Uuid formerSecond = sheetAt(1).id;
    store().moveSheet(sheetAt(0).id, std::int64_t{1});
    settle();
    window.session().select(sheetAt(3).id);

    press(window, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(window.session().sheetID(), formerSecond);
}

TEST_F(MenuTest, ASheetShortcutSwitchesOnlyTheWindowItIsTypedIn) {
    MainWindow& first = open();
    first.session().select(sheetAt(0).id);
    MainWindow& second = open();
    second.session().select(sheetAt(1).id);

    press(second, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(second.session().sheetID(), sheetAt(2).id);
    EXPECT_EQ(first.session().sheetID(), sheetAt(0).id);
    EXPECT_EQ(store().currentSheetID(), sheetAt(2).id);
}

TEST_F(MenuTest, ARenameRelabelsItsItem) {
    MainWindow& window = open();
    store().renameSheet(sheetAt(1).id, "Renamed");
    settle();
    EXPECT_EQ(itemTexts(*window.sheetsMenu()).at(1), "Renamed");
}

TEST_F(MenuTest, UndoInTheEditorStepsTheSheetsHistory) {
    MainWindow& window = open();
    const std::string before = store().currentSheet().text;
    typeAtEnd(window, "12");
    ASSERT_EQ(store().currentSheet().text, before + "12");

    press(window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(store().currentSheet().text, before);
    EXPECT_EQ(editorOf(window).toPlainText().toStdString(), before);
    press(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(store().currentSheet().text, before + "12");
}

TEST_F(MenuTest, UndoInAFocusedFieldUndoesTheFieldAndLeavesTheSheetAlone) {
    MainWindow& window = open();
    store().setText(*store().currentSheetID(), "1");
    store().setText(*store().currentSheetID(), "1 + 2");
    auto* field = new QLineEdit;
    window.rootView().sidebarPlace()->layout()->addWidget(field);
    field->show();
    activate(window);
    field->setFocus();
    QTest::keyClicks(field, "abc");

    press(window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(store().currentSheet().text, "1 + 2");

    // The menu's own item does the same while the field has the focus.
    QTest::keyClicks(field, "xy");
    window.action(Command::undo)->trigger();
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(store().currentSheet().text, "1 + 2");

    // Elsewhere the sheet's history steps.
    window.rootView().setFocus();
    window.action(Command::undo)->trigger();
    EXPECT_EQ(store().currentSheet().text, "1");
    window.action(Command::redo)->trigger();
    EXPECT_EQ(store().currentSheet().text, "1 + 2");
}

// A menu opened from the menu bar and closed with one Escape hands the keyboard back: the next key
// lands in the editor, not in the menu bar's keyboard navigation. Keys go through the window, as the
// desktop delivers them, so that the open menu or the bar answers them if it holds the keyboard.
TEST_F(MenuTest, EscapeClosesAMenuAndTheNextKeyLandsInTheEditor) {
    MainWindow& window = open();
    CalcTextView& editor = editorOf(window);
    editor.setFocus();
    editor.moveCursor(QTextCursor::End);
    settle();
    const QString before = editor.toPlainText();
    for (QMenu* menu : {window.sheetsMenu(), window.menuBar()->actions().first()->menu()}) {
        QMenuBar* bar = window.menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
        settle();
        EXPECT_FALSE(menu->isVisible());
        QTest::keyClick(window.windowHandle(), Qt::Key_X);
        settle();
        EXPECT_EQ(QApplication::focusWidget(), &editor) << menu->title().toStdString();
    }
    EXPECT_EQ(editor.toPlainText(), before + "xx");
    EXPECT_EQ(store().currentSheet().text, (before + "xx").toStdString());
}

TEST_F(MenuTest, UndoAndRedoAreEnabledOnlyWhileTheWindowsOwnSheetCanStep) {
    MainWindow& window = open();
    press(window, Qt::Key_N, Qt::ControlModifier);
    QAction* undo = window.action(Command::undo);
    QAction* redo = window.action(Command::redo);
    EXPECT_FALSE(undo->isEnabled()) << "a new sheet has nothing to undo";
    EXPECT_FALSE(redo->isEnabled());
    typeAtEnd(window, "1 + 1");
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());

    // Another window on another sheet goes by that sheet's history, not this one's.
    MainWindow& other = open();
    other.session().select(sheetAt(0).id);
    settle();
    EXPECT_FALSE(other.action(Command::undo)->isEnabled());
    EXPECT_TRUE(undo->isEnabled());

    activate(window);
    for (int step = 0; step < 10 && undo->isEnabled(); ++step)
        press(window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window.session().sheet().text, "");
    EXPECT_TRUE(redo->isEnabled());

    // A sheet too large to edit takes no step, also when it came back by undoing its clearing.
    std::string huge;
    while (huge.size() <= SheetSize::maxSheetBytes)
        huge += "1 + 1\n";
    VellDocument document = store().document();
    document.sheets.push_back(Sheet{Uuid::random(), "Huge", huge, Date::now(), {}});
    const Uuid hugeID = document.sheets.back().id;
    store().adoptDocument(std::move(document));
    window.session().select(hugeID);
    settle();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    store().clearSheet(hugeID);
    settle();
    ASSERT_TRUE(undo->isEnabled());
    undo->trigger();
    settle();
    EXPECT_TRUE(window.session().sheet().text == huge) << window.session().sheet().text.size() << " bytes";
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
}

} // namespace
} // namespace vell
