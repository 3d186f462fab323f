#include "SheetEditor/EditorLook.h"

#include "Stores/AppSettings.h"
#include "Stores/Preferences.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPalette>

namespace vell {

QColor EditorLook::Pair::resolve(bool dark) const {
    const std::uint32_t word = dark ? this->dark : light;
    return QColor::fromRgb(static_cast<int>((word >> 24) & 0xFF), static_cast<int>((word >> 16) & 0xFF),
                           static_cast<int>((word >> 8) & 0xFF), static_cast<int>(word & 0xFF));
}

bool EditorLook::isDark(const AppSettings& settings) {
    if (const auto scheme = AppearanceSettings::colorScheme(settings.appearance()))
        return *scheme == ColorScheme::dark;
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
}

double EditorLook::textSize(const AppSettings& settings) {
    return 15.0 * TextSizeSettings::scale(settings.textSize());
}

QFont EditorLook::systemFont(double size, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(size * 72.0 / 96.0);
    font.setWeight(weight);
    return font;
}

namespace {

bool digitsShareOneAdvance(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit)
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero) return false;
    return true;
}

} // namespace

QFont EditorLook::monospacedDigitFont(double size, QFont::Weight weight) {
    QFont font = systemFont(size, weight);
    static const bool systemDigitsAlign = digitsShareOneAdvance(font);
    if (!systemDigitsAlign) font.setFamily(QStringLiteral("DejaVu Sans"));
    return font;
}

} // namespace vell
