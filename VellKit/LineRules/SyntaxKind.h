#pragma once

// The eight syntax classes by which the editor colours the text of a sheet, with the names their
// user colours are stored under, the label and sample the colour settings show, and their built-in
// colours.

#include "LineRules/HexColor.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vell {

// `operatorMark` is stored as "operatorMark" too: "operator" names no class.
enum class SyntaxKind {
    number,
    operatorMark,
    name,
    unit,
    function,
    keyword,
    quoted,
    comment
};

struct SyntaxKinds {
    static constexpr std::array<SyntaxKind, 8> allCases{
        SyntaxKind::number,   SyntaxKind::operatorMark, SyntaxKind::name,   SyntaxKind::unit,
        SyntaxKind::function, SyntaxKind::keyword,      SyntaxKind::quoted, SyntaxKind::comment};

    // Also the class's identity in the settings screen.
    static std::string_view rawValue(SyntaxKind kind);
    // The exact raw value, letter case included; anything else is no class.
    static std::optional<SyntaxKind> fromRawValue(std::string_view raw);
    // In the interface language, resolved at every call.
    static std::string label(SyntaxKind kind);
    static std::string sample(SyntaxKind kind);
    static ColorWords defaultColors(SyntaxKind kind);
};

} // namespace vell
