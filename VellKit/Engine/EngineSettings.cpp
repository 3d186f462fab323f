#include "Engine/EngineSettings.h"

namespace vell {

EngineSettings EngineSettings::current_;

} // namespace vell
