#include "Engine/ValueFormatter.h"

namespace vell {

int ValueFormatter::maxFractionDigits = 10;

} // namespace vell
