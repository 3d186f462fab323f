#pragma once

// Text between Qt and the engine. QString holds UTF-16 code units as std::u16string does: the
// conversions copy the units as they are, even lone surrogates, and never re-encode.

#include <QString>
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

inline QString fromU8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace vell
