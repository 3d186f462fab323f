#include "Appearance/ColorPair.h"

namespace vell {

QColor colorOfWord(RGBA word) {
    return QColor(static_cast<int>((word >> 24) & 0xFF), static_cast<int>((word >> 16) & 0xFF),
                  static_cast<int>((word >> 8) & 0xFF), static_cast<int>(word & 0xFF));
}

} // namespace vell
