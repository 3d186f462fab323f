#include "Engine/Evaluator.h"

namespace vell {

bool Evaluator::useDegrees = false;

} // namespace vell
