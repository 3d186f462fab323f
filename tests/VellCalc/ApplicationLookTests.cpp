#include "AppTestSupport.h"
#include "Appearance/Appearance.h"
#include "Appearance/Theme.h"
#include "ApplicationLook.h"
#include "Support/TempDefaults.h"

#include <QColorDialog>
#include <QMenu>
#include <QMessageBox>

namespace vell {
namespace {

using testsupport::settle;
using testsupport::VellAppTest;

class ApplicationLookTest : public VellAppTest {};

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
