#include "Appearance/Appearance.h"
#include "Stores/AppSettings.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::TempDefaults;

// Settings of a fresh user-defaults file and a system whose darkness the test sets.
struct AppearanceFixture : ::testing::Test {
    EngineSettingsScope engine;
    TempDefaults defaults;
    AppSettings settings{defaults.open()};
    bool systemDark = false;
    int systemReadings = 0;

    Appearance::SystemIsDark system() {
        return [this] {
            ++systemReadings;
            return systemDark;
        };
    }

    static void sendPaletteChange(QObject* to) {
        QEvent event(QEvent::ApplicationPaletteChange);
        QCoreApplication::sendEvent(to, &event);
    }
};

TEST_F(AppearanceFixture, FollowsThePreferenceAndAnnouncesEachFlipOnce) {
    settings.setAppearance(AppearanceSetting::dark);
    systemDark = false;
    Appearance appearance(settings, system());
    QSignalSpy flips(&appearance, &Appearance::changed);
    EXPECT_TRUE(appearance.isDark());

    settings.setAppearance(AppearanceSetting::light);
    EXPECT_FALSE(appearance.isDark());
    settings.setAppearance(AppearanceSetting::light);     // assigned again: no flip
    settings.setTextSize(TextSizeSetting::large);         // another preference: no flip
    settings.setAppearance(AppearanceSetting::automatic); // the system is light too
    ASSERT_EQ(flips.count(), 1);
    EXPECT_EQ(flips.at(0).at(0).toBool(), false);

    settings.setAppearance(AppearanceSetting::dark);
    ASSERT_EQ(flips.count(), 2);
    EXPECT_EQ(flips.at(1).at(0).toBool(), true);
}

TEST_F(AppearanceFixture, AutoFollowsTheSystemWhenTheApplicationPaletteChanges) {
    settings.setAppearance(AppearanceSetting::automatic);
    systemDark = true;
    Appearance appearance(settings, system());
    QSignalSpy flips(&appearance, &Appearance::changed);
    EXPECT_TRUE(appearance.isDark());

    systemDark = false;
    EXPECT_TRUE(appearance.isDark()); // nothing asks until the palette changes
    sendPaletteChange(QCoreApplication::instance());
    EXPECT_FALSE(appearance.isDark());
    sendPaletteChange(QCoreApplication::instance());
    ASSERT_EQ(flips.count(), 1);

    systemDark = true;
    sendPaletteChange(QCoreApplication::instance());
    EXPECT_TRUE(appearance.isDark());
    ASSERT_EQ(flips.count(), 2);

    // A fixed preference outweighs the system, and "auto" takes it up again when it comes back.
    settings.setAppearance(AppearanceSetting::light);
    EXPECT_FALSE(appearance.isDark());
    settings.setAppearance(AppearanceSetting::automatic);
    EXPECT_TRUE(appearance.isDark());
    EXPECT_EQ(flips.count(), 4);
}

TEST_F(AppearanceFixture, AWidgetsCopyOfThePaletteChangeIsNotReadAgain) {
    settings.setAppearance(AppearanceSetting::automatic);
    Appearance appearance(settings, system());
    QWidget widget;
    const int before = systemReadings;
    sendPaletteChange(&widget);
    EXPECT_EQ(systemReadings, before);
    sendPaletteChange(QCoreApplication::instance());
    EXPECT_EQ(systemReadings, before + 1);
}

TEST_F(AppearanceFixture, AutoKeepsReadingThePlatformWhenTheApplicationInstallsAPalette) {
    QGuiApplication::setPalette(QPalette());
    const bool platformDark = Appearance::isDarkPalette(QGuiApplication::palette());
    settings.setAppearance(AppearanceSetting::automatic);
    Appearance appearance(settings); // the platform's palette
    QSignalSpy flips(&appearance, &Appearance::changed);
    EXPECT_EQ(appearance.isDark(), platformDark);

    QPalette opposite;
    opposite.setColor(QPalette::Window, platformDark ? QColor(0xEEEEEE) : QColor(0x202020));
    QGuiApplication::setPalette(opposite);
    ASSERT_NE(Appearance::isDarkPalette(QGuiApplication::palette()), platformDark);
    EXPECT_EQ(appearance.isDark(), platformDark);

    QGuiApplication::setPalette(QPalette()); // back to the platform's
    EXPECT_EQ(appearance.isDark(), platformDark);
    EXPECT_EQ(flips.count(), 0);
}

TEST(Appearance, APaletteIsDarkByItsWindowColour) {
    const auto paletteWithWindow = [](QColor window) {
        QPalette palette;
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, window.lightnessF() < 0.5 ? Qt::white : Qt::black);
        return palette;
    };
    EXPECT_TRUE(Appearance::isDarkPalette(paletteWithWindow(QColor(0x1E1E1E))));
    EXPECT_TRUE(Appearance::isDarkPalette(paletteWithWindow(QColor(0x2A2A6A))));
    EXPECT_FALSE(Appearance::isDarkPalette(paletteWithWindow(QColor(0xEFEFEF))));
    EXPECT_FALSE(Appearance::isDarkPalette(paletteWithWindow(QColor(0x8080FF))));
}

} // namespace
} // namespace vell
