#include "SheetEditor/EditorPalette.h"

#include "Stores/AppSettings.h"

namespace vell {

ColorPair EditorPalette::syntaxColor(SyntaxKind kind, const AppSettings& settings) {
    const ColorWords defaults = SyntaxKinds::defaultColors(kind);
    const auto chosen = [&](bool dark, RGBA fallback) {
        const auto text = settings.syntaxHex(SyntaxKinds::rawValue(kind), dark);
        return text ? HexColor::rgba(*text).value_or(fallback) : fallback;
    };
    return dynamicColor(chosen(false, defaults.light), chosen(true, defaults.dark));
}

} // namespace vell
