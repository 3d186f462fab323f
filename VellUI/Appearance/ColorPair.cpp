#include "Appearance/ColorPair.h"

#include "Appearance/Appearance.h"

namespace vell {

QColor colorOfWord(RGBA word) {
    return QColor(static_cast<int>((word >> 24) & 0xFF), static_cast<int>((word >> 16) & 0xFF),
                  static_cast<int>((word >> 8) & 0xFF), static_cast<int>(word & 0xFF));
}

QColor ColorPair::resolve() const {
    return resolve(Appearance::shared().isDark());
}

} // namespace vell
