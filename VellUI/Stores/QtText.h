#pragma once

// Text between Qt and the engine. QString holds UTF-16 code units as std::u16string does: the
// conversions copy the units as they are, even lone surrogates, and never re-encode.

#include <QString>
#include <QStringView>
#include <optional>
#include <string>
#include <string_view>

namespace vell {

// Valid while the string is neither changed nor destroyed.
inline std::u16string_view u16View(const QString& text) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(text.constData()),
                               static_cast<std::size_t>(text.size()));
}

inline std::u16string toU16(const QString& text) {
    return std::u16string(u16View(text));
}

inline QString fromU16(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// The length of the text in UTF-8, as toStdString() encodes it; none when it holds a surrogate that is
// not half of a pair.
inline std::optional<std::size_t> utf8Length(QStringView text) {
    std::size_t bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            ++bytes;
        } else if (unit < 0x800) {
            bytes += 2;
        } else if (unit < 0xD800 || unit >= 0xE000) {
            bytes += 3;
        } else if (unit < 0xDC00 && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            bytes += 4;
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

inline QString fromU8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace vell
