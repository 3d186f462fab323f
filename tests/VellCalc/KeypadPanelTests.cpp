#include "AppTestSupport.h"
#include "Keypad/ArrangeHeader.h"
#include "Keypad/CatalogGrid.h"
#include "Keypad/CatalogPanel.h"
#include "Keypad/CatalogSlotCell.h"
#include "Keypad/Keypad.h"
#include "Keypad/KeypadToolButtons.h"
#include "Keypad/KeypadView.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/ViewSwitches.h"
#include "Window/VellWindow.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::settle;
using testsupport::VellAppTest;

constexpr const char* functionsPanel = "関数";
constexpr const char* unitsPanel = "単位";

// The catalog panels of a real window's keypad, read back as a user sees them: which labels are cut
// and what lies on top where the panel is.
class KeypadPanelTest : public VellAppTest {
protected:
    ~KeypadPanelTest() override { keyLayouts().reset(KeyLayoutStore::Kind::units); }

    static KeypadView& keypadOf(MainWindow& window) { return window.rootView().keypad()->view(); }

    // Every text of the open panel and of the panel toggles that does not fit where it is drawn.
    static std::vector<std::string> cutLabels(KeypadView& view) {
        std::vector<std::string> cut;
        for (const KeypadTab tab : {KeypadTab::functions, KeypadTab::units}) {
            const PanelToggle& toggle = view.panelToggle(tab);
            if (toggle.sizeHint().width() > toggle.width())
                cut.push_back("toggle " + toggle.text().toStdString() + " in " +
                              std::to_string(toggle.width()));
        }
        CatalogPanel* panel = view.catalogPanel();
        if (!panel) return cut;
        const CatalogGrid& grid = panel->grid();
        for (const CatalogGrid::SlotFrame& slot : grid.frames()) {
            const CatalogSlotCell* cell = grid.cell(slot.id);
            const FunctionItem* item = cell ? cell->slot().item() : nullptr;
            if (!item) continue;
            const QString label = QString::fromStdString(item->label);
            const SlotFace::Label shown = SlotFace::fittedLabel(label, cell->width());
            const double room = cell->width() - 2 * SlotFace::labelInset;
            // A label may break onto two lines at a space.
            const QStringList lines = shown.text.split(QLatin1Char('\n'));
            bool whole = lines.join(QLatin1Char(' ')) == label;
            for (const QString& line : lines)
                whole = whole && QFontMetricsF(shown.font).horizontalAdvance(line) <= room;
            if (!whole) cut.push_back("key " + item->label + " in " + std::to_string(cell->width()));
        }
        for (const QLabel* title : grid.titles()) {
            if (title->isVisible() && title->fontMetrics().horizontalAdvance(title->text()) > title->width())
                cut.push_back("title " + title->text().toStdString());
        }
        const ArrangeHeader& header = panel->header();
        if (header.isVisible()) {
            const QLabel& hint = header.hint();
            const QRect needed = hint.fontMetrics().boundingRect(QRect(0, 0, hint.width(), 10000),
                                                                 Qt::TextWordWrap, hint.text());
            if (needed.width() > hint.width() || needed.height() > hint.height())
                cut.push_back("hint " + hint.text().toStdString());
            for (const HeaderButton* button :
                 {&header.addGapButton(), &header.resetButton(), &header.doneButton()})
                if (button->isVisible() && (button->sizeHint().width() > button->width() ||
                                            !header.rect().contains(button->geometry())))
                    cut.push_back("button " + button->text().toStdString());
        }
        return cut;
    }

    // The open panel can be seen and used: on top, inside the keypad, at least as wide as its keys need.
    static void expectUsable(KeypadView& view) {
        CatalogPanel* panel = view.catalogPanel();
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(panel->isVisible());
        const QRect place(panel->mapTo(&view, QPoint(0, 0)), panel->size());
        EXPECT_TRUE(view.rect().contains(place)) << "the panel lies inside the keypad";
        EXPECT_GE(panel->width(), panel->minimumSizeHint().width());
        EXPECT_GT(panel->grid().columnCount(panel->grid().width()), panel->spec().columns > 0 ? 2 : 1);
        // Whatever the user points at inside the panel belongs to it.
        for (const QPoint at :
             {place.center(), place.topLeft() + QPoint(8, 40), place.topRight() + QPoint(-20, 40)}) {
            const QWidget* top = view.childAt(at);
            EXPECT_TRUE(top && (top == panel || panel->isAncestorOf(top)))
                << "something else lies over the panel at " << at.x() << ", " << at.y();
        }
    }
};

TEST_F(KeypadPanelTest, EveryLabelFitsAtTheDefaultSizeInEitherLanguageAndKeySize) {
    MainWindow& window = open();
    window.resize(VellWindow::defaultSize);
    keyLayouts().addBlank(KeyLayoutStore::Kind::units);
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        settings().setLanguage(language);
        for (const KeypadSizeSetting size : KeypadSizeSettings::allCases) {
            settings().setKeypadSize(size);
            for (const char* panel : {functionsPanel, unitsPanel}) {
                switches().setKeypadPanel(panel);
                settle();
                KeypadView& view = keypadOf(window);
                ASSERT_NE(view.catalogPanel(), nullptr);
                SCOPED_TRACE(std::string(panel) +
                             (language == AppLanguage::english ? " in English" : " in Japanese") +
                             " at key size " + std::to_string(static_cast<int>(size)));
                EXPECT_EQ(cutLabels(view), std::vector<std::string>{});
                // Arranging, with the reset button showing beside the others.
                CatalogPanel& open = *view.catalogPanel();
                open.setArranging(true);
                ASSERT_TRUE(QTest::qWaitFor([&open] { return open.headerShown() == 1; }));
                settle();
                EXPECT_TRUE(view.catalogPanel()->header().resetButton().isVisible() ||
                            panel == functionsPanel);
                EXPECT_EQ(cutLabels(view), std::vector<std::string>{}) << "while arranging";
            }
        }
    }
}

TEST_F(KeypadPanelTest, AnOpenPanelIsUsableAtEveryWidthTheWindowAllows) {
    MainWindow& window = open();
    for (const int width : {1000, 800, 720}) {
        for (const char* panel : {functionsPanel, unitsPanel}) {
            for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
                settings().setLanguage(language);
                switches().setKeypadPanel(panel);
                window.resize(width, VellWindow::defaultSize.height());
                settle();
                SCOPED_TRACE(std::string(panel) + " at " + std::to_string(width) +
                             (language == AppLanguage::english ? " in English" : " in Japanese"));
                KeypadView& view = keypadOf(window);
                const KeypadTab tab = panel == functionsPanel ? KeypadTab::functions : KeypadTab::units;
                ASSERT_TRUE(view.panelToggle(tab).isOpen());
                expectUsable(view);
                EXPECT_EQ(cutLabels(view), std::vector<std::string>{});
            }
        }
    }
    // A click on a key of the panel still reaches the editor at the narrowest width.
    settings().setLanguage(AppLanguage::english);
    switches().setKeypadPanel(functionsPanel);
    window.resize(VellWindow::minimumSize.width(), VellWindow::defaultSize.height());
    settle();
    window.session().focus();
    CatalogSlotCell* abs = keypadOf(window).catalogPanel()->grid().cell("abs");
    ASSERT_NE(abs, nullptr);
    QTest::mouseClick(abs, Qt::LeftButton);
    settle();
    EXPECT_NE(window.session().sheet().text.find("abs()"), std::string::npos);
}

} // namespace
} // namespace vell
