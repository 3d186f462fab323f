#pragma once

// The one scope guard for tests that change the engine-wide settings: when it ends, it puts back the
// settings it found and the system's own preferred languages.

#include "Engine/EngineSettings.h"
#include "Engine/L10n.h"

namespace vell::testsupport {

class EngineSettingsScope {
public:
    EngineSettingsScope() = default;
    // The language is in force until the scope ends.
    explicit EngineSettingsScope(AppLanguage language) { setLanguage(language); }
    ~EngineSettingsScope() {
        EngineSettings::set(saved_);
        L10n::setPreferredLanguagesProvider(nullptr);
    }
    EngineSettingsScope(const EngineSettingsScope&) = delete;
    EngineSettingsScope& operator=(const EngineSettingsScope&) = delete;

    // Each changes one setting and keeps the others.
    void setLanguage(AppLanguage language) {
        EngineSettings settings = EngineSettings::current();
        settings.language = language;
        EngineSettings::set(settings);
    }
    void setDegrees(bool degrees) {
        EngineSettings settings = EngineSettings::current();
        settings.degrees = degrees;
        EngineSettings::set(settings);
    }
    void setMaxFractionDigits(int digits) {
        EngineSettings settings = EngineSettings::current();
        settings.maxFractionDigits = digits;
        EngineSettings::set(settings);
    }

private:
    EngineSettings saved_ = EngineSettings::current();
};

} // namespace vell::testsupport
