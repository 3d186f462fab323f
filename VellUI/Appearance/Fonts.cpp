#include "Appearance/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QRawFont>

namespace vell {

namespace {

constexpr auto fallbackDigitFamily = "DejaVu Sans";
constexpr auto fallbackFixedFamily = "DejaVu Sans Mono";

// The system's font under the name of the family it really is. The system often names an alias
// ("Sans Serif") that the font matcher resolves again for every script: a line that starts in kana
// would then set its figures and Latin letters in the Japanese font.
QFont systemFont() {
    static const QString family = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamily(family);
    return font;
}

} // namespace

qreal Fonts::editorTextSize(TextSizeSetting size) {
    return editorBaseSize * TextSizeSettings::scale(size);
}

QFont Fonts::system(qreal pixels, QFont::Weight weight) {
    QFont font = systemFont();
    font.setPointSizeF(pointSize(pixels));
    font.setWeight(weight);
    return font;
}

QFont Fonts::italic(qreal pixels) {
    QFont font = system(pixels);
    font.setItalic(true);
    return font;
}

QFont Fonts::monospaced(qreal pixels) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFamily(monospacedFamily());
    font.setPointSizeF(pointSize(pixels));
    return font;
}

QString Fonts::monospacedFamily() {
    static const QString family = [] {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(pointSize(13));
        // Under its real name, for the same reason as the system's font.
        const QString system = QFontInfo(font).family();
        if (hasLetterSizedSymbols(font)) return system;
        QFont fallback(QString::fromLatin1(fallbackFixedFamily));
        fallback.setPointSizeF(pointSize(13));
        const bool installed = QFontInfo(fallback).family() == fallback.family();
        return installed && hasLetterSizedSymbols(fallback) ? fallback.family() : system;
    }();
    return family;
}

QFont Fonts::monospacedDigits(qreal pixels, QFont::Weight weight) {
    QFont font = system(pixels, weight);
    font.setFamily(monospacedDigitFamily());
    return font;
}

QString Fonts::monospacedDigitFamily() {
    static const QString family = [] {
        QFont font = systemFont();
        font.setPointSizeF(pointSize(editorBaseSize));
        return hasEqualDigitAdvances(font) ? font.family() : QString::fromLatin1(fallbackDigitFamily);
    }();
    return family;
}

bool Fonts::hasEqualDigitAdvances(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit)
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero) return false;
    return true;
}

bool Fonts::hasLetterSizedSymbols(const QFont& font) {
    const QRawFont face = QRawFont::fromFont(font);
    const QFontMetricsF metrics(font);
    const QRectF letter = metrics.tightBoundingRect(QStringLiteral("m"));
    const QRectF capital = metrics.tightBoundingRect(QStringLiteral("M"));
    const QString arrow = QStringLiteral("→");
    for (const QString& symbol : {arrow, QStringLiteral("$"), QStringLiteral("€")}) {
        if (!face.supportsCharacter(symbol.at(0))) return false;
        const QRectF ink = metrics.tightBoundingRect(symbol);
        const bool isArrow = symbol == arrow;
        if (ink.width() < (isArrow ? letter.width() : 0.75 * letter.width())) return false;
        if (ink.height() < (isArrow ? 0.55 * capital.height() : capital.height())) return false;
    }
    return true;
}

} // namespace vell
