#pragma once

// The fonts of the interface. Sizes are given in device-independent pixels, the unit every size of
// the program is designed in, and handed to Qt as points (pixels × 72 / 96).

#include "Stores/Preferences.h"

#include <QFont>
#include <QString>

namespace vell {

struct Fonts {
    static constexpr qreal editorBaseSize = 15;

    static qreal pointSize(qreal pixels) { return pixels * 72 / 96; }
    // 15 pixels times the text-size scale: 12.75, 15, 17.25 or 20.25.
    static qreal editorTextSize(TextSizeSetting size);

    // The system's font, named by its real family.
    static QFont system(qreal pixels, QFont::Weight weight = QFont::Normal);
    // The system's font in italics: note lines.
    static QFont italic(qreal pixels);
    // A fixed-pitch font: sample lines in the help, the labels of the keypad's token and catalog keys.
    // The system's when it draws the keys' symbols as large as letters, else "DejaVu Sans Mono".
    static QFont monospaced(qreal pixels);
    // The family monospaced uses; decided once per process.
    static QString monospacedFamily();
    // A font whose digits all have the same advance, so that figures line up: the system's font when
    // its digits already do, else "DejaVu Sans".
    static QFont monospacedDigits(qreal pixels, QFont::Weight weight = QFont::Normal);
    // The family monospacedDigits uses; decided once per process.
    static QString monospacedDigitFamily();

    // Whether every digit "0" to "9" of the font has the same advance.
    static bool hasEqualDigitAdvances(const QFont& font);
    // Whether the font itself has "→", "$" and "€" and draws them about as large as its letters. Many
    // fixed-pitch faces squeeze the arrow into a letter's width at half a letter's height.
    static bool hasLetterSizedSymbols(const QFont& font);
};

} // namespace vell
