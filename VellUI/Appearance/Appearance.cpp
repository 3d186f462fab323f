#include "Appearance/Appearance.h"

#include "Stores/AppSettings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <memory>
#include <optional>
#include <utility>

namespace vell {

Appearance::Appearance(AppSettings& settings, SystemIsDark systemIsDark, QObject* parent)
    : QObject(parent), settings_(settings),
      systemIsDark_(systemIsDark ? std::move(systemIsDark) : platformIsDark()) {
    connect(&settings_, &AppSettings::appearanceChanged, this, &Appearance::update);
    // Only the application object's own palette event matters (see eventFilter).
    if (QCoreApplication* application = QCoreApplication::instance()) application->installEventFilter(this);
    dark_ = resolveDark();
}

Appearance::~Appearance() = default;

bool Appearance::isDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Active, QPalette::Window).lightnessF() < 0.5;
}

Appearance::SystemIsDark Appearance::platformIsDark() {
    auto lastReading = std::make_shared<std::optional<bool>>();
    return [lastReading] {
        // The application palette is the platform's as long as the application has set none of its own.
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
            !QCoreApplication::testAttribute(Qt::AA_SetPalette))
            *lastReading = isDarkPalette(QGuiApplication::palette());
        return lastReading->value_or(false);
    };
}

bool Appearance::eventFilter(QObject* watched, QEvent* event) {
    // A filter on the application sees every object's events; widgets get their own copy of the
    // palette change, which must not cost a reading each.
    if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance())
        update();
    return false;
}

bool Appearance::resolveDark() {
    // The system is asked whatever the preference, so that its reading is fresh when "auto" comes back.
    const bool systemDark = systemIsDark_();
    const auto preference = AppearanceSettings::colorScheme(settings_.appearance());
    return preference ? *preference == ColorScheme::dark : systemDark;
}

void Appearance::update() {
    const bool dark = resolveDark();
    if (dark == dark_) return;
    dark_ = dark;
    emit changed(dark_);
}

} // namespace vell
