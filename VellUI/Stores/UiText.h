#pragma once

// A text of the interface in the current language, for Qt.

#include "Engine/L10n.h"

#include <QString>
#include <string_view>

namespace vell {

inline QString uiText(std::string_view japanese, std::string_view english) {
    return QString::fromStdString(L10n::text(japanese, english));
}

} // namespace vell
