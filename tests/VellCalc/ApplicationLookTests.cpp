#include "AppTestSupport.h"
#include "Appearance/Appearance.h"
#include "Appearance/Theme.h"
#include "ApplicationLook.h"
#include "ApplicationStyle.h"
#include "Dialogs/WindowDialog.h"
#include "Keypad/CatalogGrid.h"
#include "Keypad/CatalogPanel.h"
#include "Keypad/CatalogSlotCell.h"
#include "Keypad/Keypad.h"
#include "Keypad/KeypadView.h"
#include "SheetEditor/EditorPalette.h"
#include "Stores/ViewSwitches.h"
#include "Support/Contrast.h"
#include "Support/TempDefaults.h"
#include "Window/SheetTabBar.h"
#include "Window/SidebarView.h"
#include "Window/WindowToolbar.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>
#include <QToolButton>
#include <map>
#include <memory>

namespace vell {
namespace {

using testsupport::contrastRatio;
using testsupport::editorOf;
using testsupport::settle;
using testsupport::typeAtEnd;
using testsupport::VellAppTest;

class ApplicationLookTest : public VellAppTest {};

// The program's own style over the whole application while a test runs, as the program sets it.
struct ProgramStyle {
    ProgramStyle() { QApplication::setStyle(new ApplicationStyle); }
    ~ProgramStyle() { QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion"))); }
};

// What a menu shows on screen, with its first enabled item under the pointer or none.
struct ShownMenu {
    QImage pixels;
    QRect pointedItem;
};

ShownMenu showMenu(QMenu& menu, bool pointing) {
    menu.popup(QPoint(200, 200));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QAction* pointed = nullptr;
    for (QAction* action : menu.actions())
        if (pointing && !action->isSeparator() && action->isEnabled() && action->isVisible()) {
            pointed = action;
            break;
        }
    EXPECT_EQ(pointed != nullptr, pointing);
    menu.setActiveAction(pointed);
    settle();
    ShownMenu shown{menu.grab().toImage(), pointed ? menu.actionGeometry(pointed) : QRect()};
    menu.close();
    settle();
    return shown;
}

// The fill of the pointed item (its most common colour) and its text (the colour farthest from it).
double pointedItemContrast(const ShownMenu& shown) {
    std::map<QRgb, int> counts;
    const QRect area = shown.pointedItem & shown.pixels.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[shown.pixels.pixel(x, y)];
    if (counts.empty()) return 0;
    const QColor fill(std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                          return a.second < b.second;
                      })->first);
    double best = 1;
    for (const auto& [colour, count] : counts)
        best = std::max(best, contrastRatio(fill, QColor(colour)));
    return best;
}

// Menus, context menus, message boxes and the colour dialog are windows of their own: they take the
// application's palette, not a main window's.
TEST_F(ApplicationLookTest, StockPartsTakeTheThemeColoursOfTheAppearance) {
    open();
    for (const bool dark : {true, false, true}) {
        settings().setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        settle();
        SCOPED_TRACE(dark ? "dark" : "light");
        QMenu menu;
        QMessageBox box;
        QColorDialog colors;
        for (const QWidget* stock : {static_cast<const QWidget*>(&menu), static_cast<const QWidget*>(&box),
                                     static_cast<const QWidget*>(&colors)}) {
            const QPalette& palette = stock->palette();
            EXPECT_EQ(palette.color(QPalette::Window), Theme::windowBackground.resolve(dark))
                << stock->metaObject()->className();
            EXPECT_EQ(palette.color(QPalette::WindowText), Theme::ink.resolve(dark));
            EXPECT_EQ(palette.color(QPalette::Base), Theme::controlBackground.resolve(dark));
            EXPECT_EQ(palette.color(QPalette::Text), Theme::ink.resolve(dark));
            EXPECT_EQ(palette.color(QPalette::Highlight), Theme::accent.resolve(dark));
        }
    }
}

// Every menu a user meets, dark: the item under the pointer reads at 4.5:1 at least against its fill.
TEST_F(ApplicationLookTest, ThePointedItemOfEveryMenuReadsInDark) {
    ProgramStyle style;
    settings().setAppearance(AppearanceSetting::dark);
    MainWindow& window = open();
    typeAtEnd(window, QStringLiteral("\n2 + 3"));
    switches().setKeypadPanel("関数");
    settle();
    CalcTextView& editor = editorOf(window);
    const auto lastLine = static_cast<std::int64_t>(editor.results().size()) - 1;
    const QPoint answer(static_cast<int>(editor.dividerX()) + 60,
                        static_cast<int>(editor.lineRect(lastLine).center().y()) -
                            editor.verticalScrollBar()->value());
    const QPoint text(80, answer.y());
    const Uuid sheet = *store().currentSheetID();
    CatalogSlotCell* key = window.rootView().keypad()->view().catalogPanel()->grid().cell("abs");
    ASSERT_NE(key, nullptr);

    std::vector<std::pair<const char*, QMenu*>> menus{
        {"File", window.menuBar()->actions().front()->menu()},
        {"functions", window.windowToolbar().functionButton()->menu()},
        {"tab", window.rootView().column()->tabBar()->makeContextMenu(sheet, &window)},
        {"sidebar", window.rootView().sidebar()->makeContextMenu(sheet, &window)},
        {"answer", editor.contextMenuAt(answer)},
        {"text", editor.contextMenuAt(text)},
    };
    auto keyMenu = std::make_unique<QMenu>(key);
    keyMenu->addActions(key->actions());
    menus.emplace_back("key", keyMenu.get());
    for (const auto& [name, menu] : menus) {
        SCOPED_TRACE(name);
        ASSERT_NE(menu, nullptr);
        EXPECT_GE(pointedItemContrast(showMenu(*menu, true)), 4.5);
    }
    // The function menu's groups open submenus of the same kind.
    QMenu* group = window.windowToolbar().functionButton()->menu()->actions().front()->menu();
    ASSERT_NE(group, nullptr);
    EXPECT_GE(pointedItemContrast(showMenu(*group, true)), 4.5);
}

// A dark menu over the dark editor has an edge that shows against it, in either context menu.
TEST_F(ApplicationLookTest, DarkContextMenusHaveAnEdgeAgainstTheEditor) {
    ProgramStyle style;
    settings().setAppearance(AppearanceSetting::dark);
    MainWindow& window = open();
    typeAtEnd(window, QStringLiteral("\n2 + 3"));
    CalcTextView& editor = editorOf(window);
    const auto lastLine = static_cast<std::int64_t>(editor.results().size()) - 1;
    const int y =
        static_cast<int>(editor.lineRect(lastLine).center().y()) - editor.verticalScrollBar()->value();
    const QColor editorBackground = EditorPalette::background.resolve(true);
    for (const QPoint at : {QPoint(static_cast<int>(editor.dividerX()) + 60, y), QPoint(80, y)}) {
        std::unique_ptr<QMenu> menu(editor.contextMenuAt(at));
        const ShownMenu shown = showMenu(*menu, false);
        const QImage& pixels = shown.pixels;
        for (const QPoint edge :
             {QPoint(0, pixels.height() / 2), QPoint(pixels.width() - 1, pixels.height() / 2),
              QPoint(pixels.width() / 2, 0), QPoint(pixels.width() / 2, pixels.height() - 1)})
            EXPECT_GE(contrastRatio(pixels.pixelColor(edge), editorBackground), 3.0)
                << edge.x() << "," << edge.y();
    }
}

// The text menu is Qt's own; like every other menu of the program it shows no underlined letters, in
// either language.
TEST_F(ApplicationLookTest, TheTextMenuShowsNoMnemonics) {
    MainWindow& window = open();
    CalcTextView& editor = editorOf(window);
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        settings().setLanguage(language);
        settle();
        std::unique_ptr<QMenu> menu(editor.contextMenuAt(QPoint(80, 30)));
        std::vector<QString> texts = testsupport::itemTexts(*menu);
        ASSERT_GE(texts.size(), 5u);
        for (const QString& item : texts) {
            EXPECT_FALSE(item.contains(QLatin1Char('&'))) << item.toStdString();
            EXPECT_FALSE(item.contains(QRegularExpression(QStringLiteral("[(（][A-Za-z][)）]"))))
                << item.toStdString();
        }
        // The label, before the shortcut Qt may show after a tab.
        const QString first = texts.front().section(QLatin1Char('\t'), 0, 0);
        EXPECT_EQ(first,
                  language == AppLanguage::japanese ? QStringLiteral("元に戻す") : QStringLiteral("Undo"));
    }
}

// The decimal places drop down below their box, as a list no narrower than the box, and cover neither
// the keypad's rows above nor the box itself.
TEST_F(ApplicationLookTest, TheDecimalPlacesOpenAsADropDownBelowTheirBox) {
    ProgramStyle style;
    MainWindow& window = open();
    window.rootView().openSettings();
    settle();
    WindowDialog* dialog = window.rootView().openDialog(WindowDialogKind::settings);
    ASSERT_NE(dialog, nullptr);
    auto* box = dialog->findChild<QComboBox*>(QStringLiteral("maxFractionDigits"));
    ASSERT_NE(box, nullptr);
    dialog->findChild<QScrollArea*>()->ensureWidgetVisible(box);
    settle();
    box->showPopup();
    settle();
    QWidget* popup = box->view()->window();
    ASSERT_TRUE(popup->isVisible());
    const QRect list = popup->geometry();
    const QRect boxArea(box->mapToGlobal(QPoint(0, 0)), box->size());
    EXPECT_GE(list.top(), boxArea.bottom()) << "below the box";
    EXPECT_GE(list.width(), boxArea.width());
    for (const char* name : {"keypadSize.large", "keypadSide.left", "groupsDigits"}) {
        const auto* row = dialog->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(row, nullptr) << name;
        EXPECT_FALSE(list.intersects(QRect(row->mapToGlobal(QPoint(0, 0)), row->size()))) << name;
    }
    box->hidePopup();
}

TEST_F(ApplicationLookTest, ThePlatformsPaletteComesBackWhenTheApplicationEnds) {
    open();
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_SetPalette));
    app.reset();
    EXPECT_FALSE(QCoreApplication::testAttribute(Qt::AA_SetPalette));
}

// While the appearance follows the system, a new system theme is read although the application shows
// its own palette; a chosen appearance stays as chosen.
TEST(ApplicationLook, ANewSystemThemeIsFollowedOnlyWhileTheAppearanceIsAuto) {
    testsupport::TempDefaults defaults;
    AppSettings settings(defaults.open());
    settings.setAppearance(AppearanceSetting::automatic);
    bool systemDark = false;
    Appearance appearance(settings, [&systemDark] { return systemDark; });
    QWidget window;
    {
        ApplicationLook look(settings, appearance);
        const auto windowColour = [] { return QApplication::palette().color(QPalette::Window); };
        EXPECT_EQ(windowColour(), Theme::windowBackground.resolve(false));

        systemDark = true;
        QEvent themeChange(QEvent::ThemeChange);
        QCoreApplication::sendEvent(&window, &themeChange);
        settle();
        EXPECT_TRUE(appearance.isDark());
        EXPECT_EQ(windowColour(), Theme::windowBackground.resolve(true));

        settings.setAppearance(AppearanceSetting::light);
        EXPECT_EQ(windowColour(), Theme::windowBackground.resolve(false));
        systemDark = false;
        QCoreApplication::sendEvent(&window, &themeChange);
        systemDark = true;
        QCoreApplication::sendEvent(&window, &themeChange);
        settle();
        EXPECT_EQ(windowColour(), Theme::windowBackground.resolve(false)) << "light as chosen";
    }
    EXPECT_FALSE(QCoreApplication::testAttribute(Qt::AA_SetPalette));
}

} // namespace
} // namespace vell
