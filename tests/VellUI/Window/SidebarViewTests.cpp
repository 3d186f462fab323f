#include "Document/SheetTabTransfer.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/SheetEditor.h"
#include "Stores/SheetListModel.h"
#include "Stores/SheetSession.h"
#include "Window/NamedValueModel.h"
#include "Window/RootView.h"
#include "Window/SheetColumn.h"
#include "Window/SheetListTestSupport.h"
#include "Window/SidebarView.h"
#include "Window/WindowTestSupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace vell {
namespace {

using testsupport::dropOn;
using testsupport::NamedSheets;
using testsupport::oldStamp;
using testsupport::settle;
using testsupport::sheetID;

// A whole main window's content, sidebar, editor and all, over its own session.
struct SidebarWindow {
    explicit SidebarWindow(const AppContext& app, std::optional<Uuid> sheet = std::nullopt)
        : session(app.store, app.evaluations, sheet), root(app, session) {
        root.resize(1040, 680);
        root.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&root));
        activate();
    }
    void activate() {
        root.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&root));
        settle();
    }

    SidebarView& sidebar() const { return *root.sidebar(); }
    QListView& sheets() const { return *sidebar().sheetList(); }
    CalcTextView& editor() const { return root.column()->sheetEditor()->textView(); }
    QRect row(int index) const { return sheets().visualRect(sheets().model()->index(index, 0)); }
    QPoint inWindow(QWidget& widget, QPoint point) const { return widget.mapTo(&root, point); }
    void clickRow(int index) const {
        QTest::mouseClick(root.windowHandle(), Qt::LeftButton, {},
                          inWindow(*sheets().viewport(), row(index).center()));
        settle();
    }
    void doubleClickRow(int index) const {
        QTest::mouseDClick(root.windowHandle(), Qt::LeftButton, {},
                           inWindow(*sheets().viewport(), row(index).center()));
        settle();
    }
    std::vector<std::string> rowNames() const {
        std::vector<std::string> names;
        for (int index = 0; index < sheets().model()->rowCount(); ++index)
            names.push_back(sheets().model()->index(index, 0).data().toString().toStdString());
        return names;
    }
    struct NamedRow {
        std::string name;
        std::string value;
        std::string help;
        friend bool operator==(const NamedRow&, const NamedRow&) = default;
        friend std::ostream& operator<<(std::ostream& out, const NamedRow& row) {
            return out << row.name << " = " << row.value << " (" << row.help << ")";
        }
    };
    std::vector<NamedRow> namedRows() const {
        std::vector<NamedRow> rows;
        const NamedValueModel& model = sidebar().namedValueModel();
        for (int index = 0; index < model.rowCount(); ++index) {
            const QModelIndex at = model.index(index);
            rows.push_back({at.data().toString().toStdString(),
                            at.data(NamedValueModel::valueTextRole).toString().toStdString(),
                            at.data(Qt::ToolTipRole).toString().toStdString()});
        }
        return rows;
    }
    // Replaces the field's text by typing, as the user does.
    static void type(QLineEdit& field, const QString& text) {
        field.selectAll();
        QTest::keyClick(&field, Qt::Key_Backspace);
        QTest::keyClicks(&field, text);
    }

    SheetSession session;
    RootView root;
};

class SidebarViewTest : public ::testing::Test {
protected:
};

TEST_F(SidebarViewTest, SectionsFollowTheListStyleAndTheNamedValuesPreference) {
    NamedSheets sheets({"A", "B"}, {"price = 1200", ""});
    SidebarWindow window(sheets.app());
    struct Case {
        SheetListStyle style;
        bool namedValues;
        std::size_t sheet;
        bool showsSheets;
        bool showsValues;
    };
    const Case cases[] = {
        {SheetListStyle::both, true, 1, true, true},   {SheetListStyle::sidebar, true, 1, true, true},
        {SheetListStyle::tabs, true, 1, false, true},  {SheetListStyle::both, false, 1, true, false},
        {SheetListStyle::tabs, true, 2, false, false}, {SheetListStyle::sidebar, true, 2, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(SheetListStyles::rawValue(c.style)) + (c.namedValues ? " named" : "") +
                     " sheet " + std::to_string(c.sheet));
        sheets.settings().setSheetListStyle(c.style);
        sheets.settings().setShowsNamedValues(c.namedValues);
        window.session.select(sheetID(c.sheet));
        settle();
        EXPECT_EQ(window.sidebar().showsSheets(), c.showsSheets);
        EXPECT_EQ(window.sidebar().sheetsHeader()->isVisibleTo(&window.sidebar()), c.showsSheets);
        EXPECT_EQ(window.sidebar().showsNamedValues(), c.showsValues);
        EXPECT_EQ(window.sidebar().namedValuesHeader()->isVisibleTo(&window.sidebar()), c.showsValues);
        EXPECT_TRUE(window.sidebar().newSheetButton()->isVisible());
    }
    EXPECT_EQ(window.sidebar().sheetsHeader()->text(), "Sheets");
    EXPECT_EQ(window.sidebar().namedValuesHeader()->text(), "Named Values");
    EXPECT_EQ(window.sidebar().newSheetButton()->text(), "New Sheet");
    sheets.settings().setLanguage(AppLanguage::japanese);
    EXPECT_EQ(window.sidebar().sheetsHeader()->text(), "シート");
    EXPECT_EQ(window.sidebar().namedValuesHeader()->text(), "名前の付いた値");
    EXPECT_EQ(window.sidebar().newSheetButton()->text(), "新しいシート");
}

TEST_F(SidebarViewTest, AClickSelectsAndRowsFollowTheDocumentWithoutAReset) {
    NamedSheets sheets({"A", "B", "C"});
    SidebarWindow window(sheets.app());
    QSignalSpy resets(&window.sidebar().sheetModel(), &QAbstractItemModel::modelReset);
    window.clickRow(2);
    EXPECT_EQ(window.session.sheetID(), sheetID(3));
    EXPECT_EQ(sheets.store->currentSheetID(), sheetID(3));

    sheets.store->renameSheet(sheetID(1), "Alpha");
    sheets.store->moveSheet(sheetID(3), sheetID(1));
    sheets.store->addSheet();
    sheets.store->deleteSheet(sheetID(2));
    EXPECT_EQ(window.rowNames(), sheets.names());
    EXPECT_EQ(window.rowNames(), (std::vector<std::string>{"C", "Alpha", "Sheet 4"}));
    EXPECT_EQ(resets.count(), 0);
}

// The list follows an exchange of two sheets (a tab's Move Left or Right, or further) with a move of
// each, and a sheet's text with nothing at all.
TEST_F(SidebarViewTest, ExchangedSheetsMoveTheirRowsAndTypingTouchesNone) {
    for (const std::int64_t by : {1, -1, 3, -3}) {
        SCOPED_TRACE(by);
        NamedSheets sheets({"A", "B", "C", "D", "E", "F", "G", "H"});
        SheetListModel& model = sheets.context.sheetList();
        QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        sheets.store->moveSheet(sheetID(4), by);
        EXPECT_EQ(moves.count(), by == 1 || by == -1 ? 1 : 2);
        EXPECT_EQ(resets.count(), 0);
        for (int row = 0; row < model.rowCount(); ++row)
            EXPECT_EQ(model.sheetID(row), sheets.store->sheets()[static_cast<std::size_t>(row)].id);

        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        moves.clear();
        sheets.store->setText(sheetID(2), "1 + 1");
        sheets.store->toggleLock(sheetID(2), 0);
        EXPECT_EQ(changes.count() + moves.count() + resets.count(), 0);
    }
}

TEST_F(SidebarViewTest, AMovedSheetMovesOneRowHoweverFarItGoes) {
    struct Case {
        std::size_t moved;
        std::size_t onto;
    };
    for (const Case c : {Case{1, 8}, Case{8, 1}, Case{3, 6}, Case{6, 5}}) {
        SCOPED_TRACE(std::to_string(c.moved) + " onto " + std::to_string(c.onto));
        NamedSheets sheets({"A", "B", "C", "D", "E", "F", "G", "H"});
        SheetListModel model(*sheets.store);
        QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        sheets.store->moveSheet(sheetID(c.moved), sheetID(c.onto));
        EXPECT_EQ(moves.count(), 1);
        EXPECT_EQ(resets.count(), 0);
        ASSERT_EQ(model.rowCount(), 8);
        for (int row = 0; row < model.rowCount(); ++row) {
            const Sheet& sheet = sheets.store->sheets()[static_cast<std::size_t>(row)];
            EXPECT_EQ(model.sheetID(row), sheet.id);
            EXPECT_EQ(model.data(model.index(row)).toString().toStdString(), sheet.name);
        }
    }
}

TEST_F(SidebarViewTest, ADoubleClickOpensTheFocusedFieldAndReturnStoresOnce) {
    NamedSheets sheets({"A", "B", "C"});
    SidebarWindow window(sheets.app());
    window.doubleClickRow(1);
    EXPECT_EQ(window.session.sheetID(), sheetID(2));
    QLineEdit* field = window.sidebar().renameField();
    ASSERT_TRUE(field);
    EXPECT_EQ(window.sidebar().renamingSheetID(), sheetID(2));
    EXPECT_EQ(field->text(), "B");
    EXPECT_TRUE(field->hasFocus());

    QSignalSpy changes(sheets.store, &DocumentStore::sheetListChanged);
    SidebarWindow::type(*field, "  Budget  2024\t");
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    EXPECT_EQ(sheets.sheet(2).name, "Budget  2024");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_FALSE(window.sidebar().renameField());
    EXPECT_FALSE(window.sidebar().renamingSheetID());
    // Whatever takes the focus now finds no rename to store.
    window.editor().setFocus();
    settle();
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(SidebarViewTest, EscapeKeepsTheNameAndAClickIntoTheEditorStores) {
    NamedSheets sheets({"A", "B"});
    SidebarWindow window(sheets.app());
    window.sidebar().startRename(sheetID(2));
    ASSERT_TRUE(window.sidebar().renameField());
    SidebarWindow::type(*window.sidebar().renameField(), "Other");
    QTest::keyClick(window.sidebar().renameField(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(window.sidebar().renameField());
    EXPECT_EQ(sheets.sheet(2).name, "B");
    EXPECT_EQ(sheets.sheet(2).updatedAt, oldStamp);

    window.sidebar().startRename(sheetID(2));
    ASSERT_TRUE(window.sidebar().renameField());
    EXPECT_EQ(window.sidebar().renameField()->text(), "B") << "the abandoned text is gone";
    SidebarWindow::type(*window.sidebar().renameField(), "Plan");
    QTest::mouseClick(window.root.windowHandle(), Qt::LeftButton, {},
                      window.inWindow(*window.editor().viewport(), QPoint(40, 20)));
    settle();
    EXPECT_FALSE(window.sidebar().renameField());
    EXPECT_EQ(sheets.sheet(2).name, "Plan");
    EXPECT_TRUE(window.editor().hasFocus());
}

TEST_F(SidebarViewTest, RenamingTrimsTheEndsAndAnUnchangedNameStoresNothing) {
    struct Case {
        AppLanguage language;
        QString typed;
        std::string stored;
        bool stamped;
    };
    const Case cases[] = {
        {AppLanguage::english, "\t Plan  A \u3000", "Plan  A", true},
        {AppLanguage::english, " \t ", "Untitled", true},
        {AppLanguage::japanese, "\u3000", "無題", true},
        {AppLanguage::english, "  B  ", "B", false},
        {AppLanguage::english, "B", "B", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        NamedSheets sheets({"A", "B"});
        sheets.settings().setLanguage(c.language);
        SidebarWindow window(sheets.app());
        window.sidebar().startRename(sheetID(2));
        ASSERT_TRUE(window.sidebar().renameField());
        window.sidebar().renameField()->setText(c.typed);
        QTest::keyClick(window.sidebar().renameField(), Qt::Key_Return);
        settle();
        EXPECT_EQ(sheets.sheet(2).name, c.stored);
        EXPECT_EQ(sheets.sheet(2).updatedAt != oldStamp, c.stamped);
    }
}

TEST_F(SidebarViewTest, ARenameLivesThroughTypingInAnotherWindow) {
    NamedSheets sheets({"A", "B"});
    SidebarWindow first(sheets.app());
    SidebarWindow second(sheets.app(), sheetID(2));
    first.activate();
    first.sidebar().startRename(sheetID(1));
    ASSERT_TRUE(first.sidebar().renameField());
    SidebarWindow::type(*first.sidebar().renameField(), "Plan");

    second.activate();
    second.editor().setFocus();
    QTest::keyClicks(&second.editor(), "1+2");
    settle();
    ASSERT_EQ(sheets.sheet(2).text, "1+2");
    sheets.store->renameSheet(sheetID(2), "Bee");
    settle();

    ASSERT_TRUE(first.sidebar().renameField());
    EXPECT_EQ(first.sidebar().renameField()->text(), "Plan");
    EXPECT_EQ(sheets.sheet(1).name, "A");
    first.activate();
    QTest::keyClick(first.sidebar().renameField(), Qt::Key_Return);
    settle();
    EXPECT_EQ(sheets.sheet(1).name, "Plan");
}

TEST_F(SidebarViewTest, AClickOnAnotherRowStoresTheOpenRenameWhileTheMenusRenameAbandonsIt) {
    NamedSheets sheets({"A", "B", "C"});
    SidebarWindow window(sheets.app());
    window.sidebar().startRename(sheetID(1));
    SidebarWindow::type(*window.sidebar().renameField(), "Kept");
    window.doubleClickRow(1);
    EXPECT_EQ(sheets.sheet(1).name, "Kept");
    ASSERT_TRUE(window.sidebar().renameField());
    EXPECT_EQ(window.sidebar().renamingSheetID(), sheetID(2));
    EXPECT_EQ(window.sidebar().renameField()->text(), "B");
    EXPECT_TRUE(window.sidebar().renameField()->hasFocus());

    SidebarWindow::type(*window.sidebar().renameField(), "Lost");
    std::unique_ptr<QMenu> menu(window.sidebar().makeContextMenu(sheetID(3)));
    menu->actions()[0]->trigger();
    settle();
    EXPECT_EQ(sheets.sheet(2).name, "B");
    EXPECT_EQ(sheets.sheet(2).updatedAt, oldStamp);
    ASSERT_TRUE(window.sidebar().renameField());
    EXPECT_EQ(window.sidebar().renamingSheetID(), sheetID(3));
    EXPECT_EQ(window.sidebar().renameField()->text(), "C");

    // The sheet goes while its row is renamed: the rename is over and nothing is stored.
    sheets.store->deleteSheet(sheetID(3));
    settle();
    EXPECT_FALSE(window.sidebar().renamingSheetID());
    EXPECT_EQ(sheets.names(), (std::vector<std::string>{"Kept", "B"}));
}

TEST_F(SidebarViewTest, DroppedRowsGoIntoTheGapUnderThePointer) {
    struct Case {
        int dragged;
        int overRow;
        bool lowerHalf;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {0, 2, true, {"B", "C", "A", "D"}},  // gap 3
        {3, 1, false, {"A", "D", "B", "C"}}, // gap 1
        {1, 1, true, {"A", "B", "C", "D"}},  // its own gap
        {0, 3, true, {"B", "C", "D", "A"}},  // the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dragged) + " over " + std::to_string(c.overRow));
        NamedSheets sheets({"A", "B", "C", "D"});
        SidebarWindow window(sheets.app(), sheetID(2));
        SheetListModel& model = window.sidebar().sheetModel();
        std::unique_ptr<QMimeData> data(model.mimeData({model.index(c.dragged)}));
        const QRect row = window.row(c.overRow);
        const QPoint at(row.center().x(), c.lowerHalf ? row.bottom() - 2 : row.top() + 2);
        EXPECT_TRUE(dropOn(*window.sheets().viewport(), *data, at));
        EXPECT_EQ(sheets.names(), c.names);
        EXPECT_EQ(window.rowNames(), c.names);
        EXPECT_EQ(window.session.sheetID(), sheetID(2));
        EXPECT_EQ(sheets.store->currentSheetID(), sheetID(1));
        EXPECT_TRUE(sheets.store->document().sheetOrderUpdatedAt);
    }
    NamedSheets sheets({"A", "B"});
    SidebarWindow window(sheets.app());
    QMimeData tab;
    tab.setData(QString::fromLatin1(SheetTabTransfer::contentType.data()),
                QByteArray::fromStdString(SheetTabTransfer{sheetID(1)}.encode()));
    EXPECT_FALSE(dropOn(*window.sheets().viewport(), tab));
}

TEST_F(SidebarViewTest, MenuRenamesDuplicatesAndDeletesButNeverTheLastSheet) {
    NamedSheets sheets({"Budget"});
    SidebarWindow window(sheets.app());
    auto items = [&](std::size_t sheet) {
        std::unique_ptr<QMenu> menu(window.sidebar().makeContextMenu(sheetID(sheet)));
        std::vector<std::pair<std::string, bool>> out;
        for (QAction* action : menu->actions())
            out.emplace_back(action->isSeparator() ? "-" : action->text().toStdString(), action->isEnabled());
        return out;
    };
    using Items = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(items(1), (Items{{"Rename", true}, {"Duplicate", true}, {"-", true}, {"Delete", false}}));

    std::unique_ptr<QMenu> menu(window.sidebar().makeContextMenu(sheetID(1)));
    menu->actions()[1]->trigger();
    EXPECT_EQ(sheets.names(), (std::vector<std::string>{"Budget", "Budget Copy"}));
    EXPECT_EQ(window.session.sheetID(), sheets.store->sheets()[1].id);
    EXPECT_EQ(items(1), (Items{{"Rename", true}, {"Duplicate", true}, {"-", true}, {"Delete", true}}));

    menu.reset(window.sidebar().makeContextMenu(sheetID(1)));
    menu->actions()[3]->trigger();
    EXPECT_EQ(sheets.names(), (std::vector<std::string>{"Budget Copy"}));
    menu.reset(window.sidebar().makeContextMenu(sheets.store->sheets()[0].id));
    menu->actions()[0]->trigger();
    EXPECT_TRUE(window.sidebar().renameField());
}

TEST_F(SidebarViewTest, NamedValuesShowOneRowPerNamedLineWithAValue) {
    struct Case {
        std::string text;
        std::vector<SidebarWindow::NamedRow> rows;
    };
    const Case cases[] = {
        {"price = 1200\ntax = price * 10%",
         {{"price", "1,200", "Line 1 — tap to insert"}, {"tax", "120", "Line 2 — tap to insert"}}},
        {"qty = 1\nqty = 2",
         {{"qty", "1", "Line 1 — tap to insert"}, {"qty", "2", "Line 2 — tap to insert"}}},
        {"bad = nothing + 1\ncurve = plot(x^2)\n3 + 4\n\n// note = 5", {}},
        {"\n\nbig = 1234567", {{"big", "1,234,567", "Line 3 — tap to insert"}}},
    };
    NamedSheets sheets({"A"});
    sheets.settings().setGroupsDigits(false);
    SidebarWindow window(sheets.app());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        window.session.setText(c.text);
        settle();
        EXPECT_EQ(window.namedRows(), c.rows);
        EXPECT_EQ(window.sidebar().showsNamedValues(), !c.rows.empty());
    }
    sheets.settings().setLanguage(AppLanguage::japanese);
    EXPECT_EQ(window.namedRows().front().help, "3 行目 — 押すと式に入ります");
}

TEST_F(SidebarViewTest, NamedValueRowsChangeInPlaceAsTheSheetIsTyped) {
    NamedSheets sheets({"A"}, {"a = 1\nb = 2"});
    SidebarWindow window(sheets.app());
    NamedValueModel& model = window.sidebar().namedValueModel();
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    sheets.store->setText(*sheets.store->currentSheetID(), "a = 1\nb = 20");
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(changed.count(), 1);
    sheets.store->setText(*sheets.store->currentSheetID(), "a = 1\nb = 20\nc = 3");
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(window.namedRows().size(), 3u);
    EXPECT_EQ(resets.count(), 0);
}

TEST_F(SidebarViewTest, AClickOnANamedValuePutsItsNameIntoThisWindowsEditorOnly) {
    NamedSheets sheets({"A", "B"}, {"price = 1200\n3", "3"});
    SidebarWindow first(sheets.app());
    SidebarWindow second(sheets.app(), sheetID(2));
    first.activate();
    first.editor().setFocus();
    first.editor().moveCursor(QTextCursor::End);
    second.editor().moveCursor(QTextCursor::End);
    ASSERT_EQ(first.namedRows().size(), 1u);
    QListView& values = *first.sidebar().namedValueList();
    QTest::mouseClick(
        first.root.windowHandle(), Qt::LeftButton, {},
        first.inWindow(*values.viewport(), values.visualRect(values.model()->index(0, 0)).center()));
    settle();
    EXPECT_EQ(sheets.sheet(1).text, "price = 1200\n3 + price");
    EXPECT_EQ(sheets.sheet(2).text, "3");
    EXPECT_EQ(second.editor().toPlainText(), "3");
}

TEST_F(SidebarViewTest, NewSheetAppendsANumberedSheetAndShowsIt) {
    for (const auto& [language, name] :
         {std::pair{AppLanguage::english, "Sheet 4"}, std::pair{AppLanguage::japanese, "シート 4"}}) {
        NamedSheets sheets({"A", "B", "C"});
        sheets.settings().setLanguage(language);
        SidebarWindow window(sheets.app());
        QTest::mouseClick(window.sidebar().newSheetButton(), Qt::LeftButton);
        ASSERT_EQ(sheets.store->sheets().size(), 4u);
        EXPECT_EQ(sheets.store->sheets().back().name, name);
        EXPECT_EQ(window.rowNames().back(), name);
        EXPECT_EQ(window.session.sheetID(), sheets.store->sheets().back().id);
        EXPECT_EQ(sheets.store->currentSheetID(), sheets.store->sheets().back().id);
    }
}

} // namespace
} // namespace vell
