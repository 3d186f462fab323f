#pragma once

// Restores the engine-wide settings and the language provider that a test changed.

#include "Engine/Evaluator.h"
#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"

namespace vell::testing {

struct EngineSettingsScope {
    AppLanguage language = L10n::language;
    bool useDegrees = Evaluator::useDegrees;
    int maxFractionDigits = ValueFormatter::maxFractionDigits;

    ~EngineSettingsScope() {
        L10n::language = language;
        L10n::setPreferredLanguagesProvider(nullptr);
        Evaluator::useDegrees = useDegrees;
        ValueFormatter::maxFractionDigits = maxFractionDigits;
    }
};

} // namespace vell::testing
