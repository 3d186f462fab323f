#include "Appearance/Theme.h"
#include "Keypad/CatalogPanelPlace.h"
#include "Keypad/KeyGridView.h"
#include "Keypad/KeypadDispatch.h"
#include "Keypad/KeypadTestSupport.h"
#include "Keypad/KeypadToolButtons.h"
#include "Keypad/KeypadView.h"

#include <QSignalSpy>
#include <optional>
#include <string>

namespace vell::testsupport {
namespace {

using K = KeypadKey;
using C = KeypadCommand;

// What the user meets on one key: its face and the command a click on it gives.
struct Expected {
    const char* label;
    bool accented;
    std::optional<KeypadCommand> command;
};

KeypadCommand insert(const char* text, int back = 0) {
    return C{InsertSnippet{text, back, false}};
}
KeypadCommand move(CursorMove to) {
    return C{C::MoveCursor{to}};
}

class KeypadViewTest : public KeypadPartsTest {
protected:
    // A keypad of 800 × 300 in a shown window; keys are kept as commands, the other buttons counted.
    KeypadView& make(bool withButtons = true, QSize size = {800, 300}) {
        KeypadView::Callbacks callbacks;
        callbacks.onKey = [this](const KeypadKey& key) {
            keys.push_back(key);
            commands.push_back(KeypadDispatch::command(key));
        };
        if (withButtons) {
            callbacks.onHide = [this] { ++hides; };
            callbacks.onUndo = [this] { ++undos; };
            callbacks.onRedo = [this] { ++redos; };
        }
        view = std::make_unique<KeypadView>(
            callbacks, KeypadView::Services{settings, appearance, keyLayouts, quickTiming()});
        view->resize(size);
        view->show();
        return *view;
    }

    // Clicks every cell of the grid shown, checking the face and the command against the table.
    void expectGrid(const Expected (&table)[5][5]) {
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 5; ++column) {
                const Expected& e = table[row][column];
                KeyButton& cell = view->grid().cell(row, column);
                SCOPED_TRACE(::testing::Message() << "cell " << row << "," << column << " " << e.label);
                if (*e.label == '\0') {
                    EXPECT_FALSE(cell.isVisible());
                    continue;
                }
                ASSERT_TRUE(cell.isVisible());
                EXPECT_EQ(cell.text(), QString::fromUtf8(e.label));
                EXPECT_EQ(cell.labelColor(), (e.accented ? Theme::accent : Theme::ink).resolve(false));
                if (cell.key().is<K::CursorToggle>()) continue; // checked on its own
                commands.clear();
                Hand::click(cell);
                ASSERT_EQ(commands.size(), 1u);
                EXPECT_EQ(commands[0], e.command);
            }
        }
    }

    std::unique_ptr<KeypadView> view;
    std::vector<KeypadKey> keys;
    std::vector<std::optional<KeypadCommand>> commands;
    int hides = 0;
    int undos = 0;
    int redos = 0;
};

TEST_F(KeypadViewTest, EveryNumberKeyShowsItsLabelAndSendsItsCommand) {
    make();
    const Expected numbers[5][5] = {
        {{"(", true, insert("(")},
         {")", true, insert(")")},
         {"␣", false, insert(" ")},
         {"⌫", false, C{C::DeleteBackward{}}},
         {"÷", true, insert(" / ")}},
        {{"^", false, insert("^")},
         {"7", false, insert("7")},
         {"8", false, insert("8")},
         {"9", false, insert("9")},
         {"×", false, insert(" × ")}},
        {{"√", false, insert("sqrt()", 1)},
         {"4", false, insert("4")},
         {"5", false, insert("5")},
         {"6", false, insert("6")},
         {"−", true, insert(" - ")}},
        {{"π", false, insert("π")},
         {"1", false, insert("1")},
         {"2", false, insert("2")},
         {"3", false, insert("3")},
         {"+", true, insert(" + ")}},
        {{"✥", true, std::nullopt},
         {"0", false, insert("0")},
         {".", false, insert(".")},
         {"+/-", false, C{C::ToggleSign{}}},
         {"⏎", true, insert("\n")}},
    };
    expectGrid(numbers);
}

TEST_F(KeypadViewTest, TheGridSwitchSwapsToCaretKeysAndBackWithoutSendingAnything) {
    make();
    KeyButton& toggle = view->grid().cell(4, 0);
    Hand::click(toggle);
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(view->cursorMode());
    const Expected cursor[5][5] = {
        {{"(", true, insert("(")},
         {")", true, insert(")")},
         {"␣", false, insert(" ")},
         {"⌫", false, C{C::DeleteBackward{}}},
         {"÷", true, insert(" / ")}},
        {{"^", false, insert("^")},
         {"", false, {}},
         {"↑", true, move(CursorMove::up)},
         {"", false, {}},
         {"×", false, insert(" × ")}},
        {{"√", false, insert("sqrt()", 1)},
         {"←", true, move(CursorMove::left)},
         {"↓", true, move(CursorMove::down)},
         {"→", true, move(CursorMove::right)},
         {"−", true, insert(" - ")}},
        {{"π", false, insert("π")},
         {"⇤", true, move(CursorMove::lineStart)},
         {"", false, {}},
         {"⇥", true, move(CursorMove::lineEnd)},
         {"+", true, insert(" + ")}},
        {{"✥", true, std::nullopt},
         {"", false, {}},
         {"", false, {}},
         {"+/-", false, C{C::ToggleSign{}}},
         {"⏎", true, insert("\n")}},
    };
    expectGrid(cursor);
    Hand::click(toggle);
    EXPECT_FALSE(view->cursorMode());
    EXPECT_TRUE(view->grid().cell(1, 1).isVisible());
    EXPECT_EQ(view->grid().cell(1, 1).text(), "7");
    EXPECT_EQ(
        std::count_if(keys.begin(), keys.end(), [](const KeypadKey& k) { return k.is<K::CursorToggle>(); }),
        0);
}

TEST_F(KeypadViewTest, TokenKeysInsertTheirTextsFlat) {
    make();
    const std::pair<const char*, KeypadCommand> tokens[] = {
        {"=", insert(" = ")}, {"prev", insert("prev")}, {"sum", insert("sum")},
        {",", insert(", ")},  {"#", insert("#")},
    };
    ASSERT_EQ(view->tokenKeys().size(), std::size(tokens));
    for (std::size_t i = 0; i < std::size(tokens); ++i) {
        KeyButton& token = *view->tokenKeys()[i];
        EXPECT_EQ(token.text(), tokens[i].first);
        EXPECT_EQ(token.pressStyle(), KeyButton::PressStyle::flat);
        EXPECT_EQ(token.height(), 35) << "a 34-point face and its shadow";
        commands.clear();
        Hand::click(token);
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0], tokens[i].second) << tokens[i].first;
    }
}

TEST_F(KeypadViewTest, CellsShareTheGridWithEvenGaps) {
    make();
    KeyGridView& grid = view->grid();
    grid.resize(400, 160);
    EXPECT_NEAR(grid.cellSize().width, 75.2, 1e-9);
    EXPECT_NEAR(grid.cellSize().height, 27.2, 1e-9);
    const QRect first = grid.cell(0, 0).geometry();
    const QRect last = grid.cell(4, 4).geometry();
    EXPECT_EQ(first.topLeft(), QPoint(0, 0));
    EXPECT_EQ(last.right(), 399);
    EXPECT_EQ(last.bottom(), 160) << "the shadow's pixel below the last face";
    EXPECT_EQ(grid.cell(0, 1).geometry().left() - first.right() - 1, 6);

    grid.resize(20, 10);
    EXPECT_EQ(grid.cellSize(), (KeypadMetrics::Size{0, 0}));
}

TEST_F(KeypadViewTest, TheGridTakesThePreferredSideAndThePanelTheOther) {
    make(true, {1000, 300});
    KeyGridView& grid = view->grid();
    CatalogPanelPlace& panel = view->panelPlace();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(grid.width(), 560);
    EXPECT_EQ(grid.geometry().right(), 1000 - 8 - 1) << "right by default";

    view->setOpenPanelRaw("関数");
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.width(), 300);
    EXPECT_EQ(panel.geometry().left(), 8);
    EXPECT_EQ(grid.geometry().right(), 1000 - 8 - 1);

    settings.setKeypadSide(KeypadSide::left);
    EXPECT_EQ(grid.geometry().left(), 8);
    EXPECT_EQ(panel.geometry().right(), 1000 - 8 - 1);

    // Narrow: the grid gives up room until the panel shows every label whole.
    view->resize(720, 300);
    EXPECT_GT(panel.minimumSizeHint().width(), 720 - 16 - 16 - 560);
    EXPECT_EQ(panel.width(), panel.minimumSizeHint().width());
    EXPECT_EQ(grid.width(), 720 - 16 - 16 - panel.width());
    EXPECT_TRUE(grid.isVisible());
    EXPECT_EQ(grid.geometry().left(), 8);
    // At the narrowest the tool row allows: the panel covers the keys, as wide as the whole key area.
    const int narrowest = view->minimumSizeHint().width();
    view->resize(narrowest, 300);
    EXPECT_FALSE(grid.isVisible());
    EXPECT_EQ(panel.x(), 8);
    EXPECT_EQ(panel.width(), narrowest - 16);
    EXPECT_EQ(panel.height(), grid.height());
    view->setOpenPanelRaw("");
    EXPECT_FALSE(panel.isVisible());
    EXPECT_TRUE(grid.isVisible());
    EXPECT_EQ(grid.geometry().left(), 8);
}

TEST_F(KeypadViewTest, TogglesOpenOnePanelAtATime) {
    make();
    PanelToggle& functions = view->panelToggle(KeypadTab::functions);
    PanelToggle& units = view->panelToggle(KeypadTab::units);
    const auto state = [&] {
        const auto& spec = view->panelPlace().spec();
        return std::make_tuple(view->openPanelRaw(), functions.isOpen(), units.isOpen(),
                               spec ? std::optional(spec->kind) : std::nullopt);
    };
    using Kind = KeyLayoutStore::Kind;
    using State = decltype(state());
    EXPECT_EQ(state(), State("", false, false, std::nullopt));
    Hand::click(functions);
    EXPECT_EQ(state(), State("関数", true, false, Kind::functions));
    Hand::click(units);
    EXPECT_EQ(state(), State("単位", false, true, Kind::units));
    Hand::click(units);
    EXPECT_EQ(state(), State("", false, false, std::nullopt));

    // The numbers tab has no toggle of its own, and shows the function panel.
    view->setOpenPanelRaw("数字");
    EXPECT_EQ(state(), State("数字", false, false, Kind::functions));
    Hand::click(functions);
    EXPECT_EQ(state(), State("関数", true, false, Kind::functions));
    Hand::click(functions);
    EXPECT_EQ(state(), State("", false, false, std::nullopt));
    for (const char* other : {"関数 ", "functions", "units"}) {
        view->setOpenPanelRaw(other);
        EXPECT_EQ(state(), State(other, false, false, std::nullopt));
    }

    EXPECT_EQ(CatalogPanelSpec::forStoredValue("単位"), (CatalogPanelSpec{Kind::units, 60, 0}));
    EXPECT_EQ(CatalogPanelSpec::forStoredValue("関数"), (CatalogPanelSpec{Kind::functions, 84, 3}));
}

TEST_F(KeypadViewTest, AnOwnerStoresTheToggledPanelAndTheViewShowsWhatItIsGiven) {
    KeypadView::Callbacks callbacks;
    std::vector<std::string> stored;
    callbacks.onOpenPanel = [&](const std::string& raw) { stored.push_back(raw); };
    KeypadView owned(callbacks, KeypadView::Services{settings, appearance, keyLayouts, quickTiming()});
    owned.resize(800, 300);
    owned.show();
    EXPECT_EQ(owned.undoButton(), nullptr);
    EXPECT_EQ(owned.redoButton(), nullptr);
    EXPECT_EQ(owned.hideButton(), nullptr);
    Hand::click(owned.panelToggle(KeypadTab::units));
    EXPECT_EQ(stored, std::vector<std::string>{"単位"});
    EXPECT_EQ(owned.openPanelRaw(), "") << "shown only once the owner gives it";
    owned.setOpenPanelRaw("単位");
    Hand::click(owned.panelToggle(KeypadTab::units));
    EXPECT_EQ(stored, (std::vector<std::string>{"単位", ""}));
}

TEST_F(KeypadViewTest, UndoAndRedoFollowTheFlags) {
    make();
    HistoryButton& undo = *view->undoButton();
    HistoryButton& redo = *view->redoButton();
    EXPECT_EQ(undo.text(), QStringLiteral("↩\uFE0E"));
    EXPECT_EQ(redo.text(), QStringLiteral("↪\uFE0E"));
    EXPECT_DOUBLE_EQ(undo.drawnOpacity(), 0.35);
    Hand::click(undo);
    Hand::click(redo);
    EXPECT_EQ(undos + redos, 0);

    view->setHistory(true, false);
    EXPECT_DOUBLE_EQ(undo.drawnOpacity(), 1);
    EXPECT_DOUBLE_EQ(redo.drawnOpacity(), 0.35);
    Hand::click(undo);
    Hand::click(redo);
    EXPECT_EQ(undos, 1);
    EXPECT_EQ(redos, 0);
    view->setHistory(true, true);
    Hand::click(redo);
    EXPECT_EQ(redos, 1);

    // Every key says the history again: buttons whose state stays are not drawn again.
    QCoreApplication::processEvents();
    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } painted;
    undo.installEventFilter(&painted);
    redo.installEventFilter(&painted);
    view->setHistory(true, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(painted.paints, 0);
    Hand::click(*view->hideButton());
    EXPECT_EQ(hides, 1);
    for (QAbstractButton* button : view->findChildren<QAbstractButton*>())
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << button->text().toStdString();
}

TEST_F(KeypadViewTest, NamesTooltipsAndAccessibleNamesInBothLanguages) {
    make();
    const struct {
        AppLanguage language;
        const char* functions;
        const char* units;
        const char* openFunctions;
        const char* closeUnits;
        const char* undoTip;
        const char* undoName;
        const char* redoTip;
        const char* hideTip;
    } cases[] = {
        {AppLanguage::japanese, "関数", "単位", "関数の一覧を開く", "単位の一覧を閉じる",
         "元に戻す（Ctrl+Z）", "元に戻す", "やり直す（Ctrl+Shift+Z）", "入力部分を隠す"},
        {AppLanguage::english, "f(x)", "Unit", "Open the f(x) list", "Close the Unit list", "Undo (Ctrl+Z)",
         "Undo", "Redo (Ctrl+Shift+Z)", "Hide the keypad"},
    };
    view->setOpenPanelRaw("単位");
    for (const auto& c : cases) {
        settings.setLanguage(c.language);
        const PanelToggle& functions = view->panelToggle(KeypadTab::functions);
        const PanelToggle& units = view->panelToggle(KeypadTab::units);
        EXPECT_EQ(functions.text(), c.functions);
        EXPECT_EQ(units.text(), c.units);
        EXPECT_EQ(functions.toolTip(), c.openFunctions);
        EXPECT_EQ(units.toolTip(), c.closeUnits);
        EXPECT_EQ(view->undoButton()->toolTip(), c.undoTip);
        EXPECT_EQ(view->undoButton()->accessibleName(), c.undoName);
        EXPECT_EQ(view->redoButton()->toolTip(), c.redoTip);
        EXPECT_EQ(view->hideButton()->toolTip(), c.hideTip);
        EXPECT_EQ(view->hideButton()->accessibleName(), c.hideTip);
    }
}

TEST_F(KeypadViewTest, KeySizeScalesTheGridLabels) {
    make();
    settings.setKeypadSize(KeypadSizeSetting::small);
    EXPECT_DOUBLE_EQ(view->grid().cell(1, 1).fontScale(), 0.85);
    settings.setKeypadSize(KeypadSizeSetting::large);
    EXPECT_DOUBLE_EQ(view->grid().cell(1, 1).fontScale(), 1.1);
}

TEST_F(KeypadViewTest, DrawnOnTheWindowBackgroundWithTheOpenToggleInTheAccent) {
    make();
    view->setOpenPanelRaw("関数");
    for (const bool dark : {false, true}) {
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        const QImage image = view->grab().toImage();
        EXPECT_EQ(image.pixelColor(2, 2), Theme::windowBackground.resolve(dark));
        const PanelToggle& open = view->panelToggle(KeypadTab::functions);
        EXPECT_EQ(open.textColor(), Theme::accentText.resolve(dark));
        EXPECT_EQ(view->panelToggle(KeypadTab::units).textColor(), Theme::ink.resolve(dark));
        QColor fill = Theme::accent.resolve(dark);
        fill.setAlphaF(0.18f);
        EXPECT_EQ(open.fillColor(), fill);
    }
}

} // namespace
} // namespace vell::testsupport
