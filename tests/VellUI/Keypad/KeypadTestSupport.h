#pragma once

// Mouse hands for keypad keys, and keypad parts on settings, key layouts and an appearance of their own.

#include "Appearance/Appearance.h"
#include "Keypad/KeyButton.h"
#include "Stores/AppSettings.h"
#include "Stores/KeyLayoutStore.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace vell::testsupport {

// Presses, moves and lets go of the left button on a widget, at points relative to it.
struct Hand {
    static void send(QWidget& widget, QEvent::Type type, QPointF at) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::LeftButton;
        QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &event);
    }
    static QPointF centre(const QWidget& widget) { return QRectF(widget.rect()).center() - QPointF(0, 1); }
    static void press(QWidget& widget) { send(widget, QEvent::MouseButtonPress, centre(widget)); }
    static void moveBy(QWidget& widget, QPointF by) { send(widget, QEvent::MouseMove, centre(widget) + by); }
    static void release(QWidget& widget, QPointF by = {}) {
        send(widget, QEvent::MouseButtonRelease, centre(widget) + by);
    }
    static void click(QWidget& widget) {
        press(widget);
        release(widget);
    }
};

// Short timers, so that a held key repeats within a test.
inline KeyButton::Timing quickTiming() {
    return KeyButton::Timing{std::chrono::milliseconds(40), std::chrono::milliseconds(10), {}};
}

class KeypadPartsTest : public ::testing::Test {
protected:
    KeypadPartsTest() {
        settings.setAppearance(AppearanceSetting::light);
        engine.setLanguage(AppLanguage::english);
    }

    EngineSettingsScope engine;
    TempDefaults defaults;
    AppSettings settings{defaults.open()};
    Appearance appearance{settings, [] { return false; }};
    KeyLayoutStore keyLayouts{defaults.open()};
};

} // namespace vell::testsupport
