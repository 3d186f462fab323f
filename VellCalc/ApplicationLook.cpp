#include "ApplicationLook.h"

#include "Appearance/Appearance.h"
#include "Stores/AppSettings.h"
#include "Window/WindowPalette.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace vell {

ApplicationLook::ApplicationLook(AppSettings& settings, Appearance& appearance, QObject* parent)
    : QObject(parent), settings_(settings), appearance_(appearance) {
    connect(&appearance_, &Appearance::changed, this, &ApplicationLook::apply);
    if (QCoreApplication* application = QCoreApplication::instance()) application->installEventFilter(this);
    apply();
}

ApplicationLook::~ApplicationLook() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::setPalette(QPalette());
}

void ApplicationLook::apply() {
    QApplication::setPalette(WindowPalette::make(appearance_.isDark()));
}

bool ApplicationLook::eventFilter(QObject*, QEvent* event) {
    // Every window hears of a new system theme; one reading serves them all.
    if (event->type() == QEvent::ThemeChange && !readingScheduled_) {
        readingScheduled_ = true;
        QTimer::singleShot(0, this, &ApplicationLook::readSystemTheme);
    }
    return false;
}

void ApplicationLook::readSystemTheme() {
    readingScheduled_ = false;
    if (AppearanceSettings::colorScheme(settings_.appearance())) return;
    // The appearance reads the platform's palette while the application shows it.
    QApplication::setPalette(QPalette());
    apply();
}

} // namespace vell
