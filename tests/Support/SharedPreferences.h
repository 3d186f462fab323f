#pragma once

// Puts the process-wide preferences and view switches back to their defaults, for tests of windows,
// which read the shared ones as the application does; restores the engine settings on leaving.

#include "Engine/L10n.h"
#include "Stores/AppSettings.h"
#include "Stores/Preferences.h"
#include "Stores/ViewSwitches.h"
#include "Support/EngineSettingsScope.h"

namespace vell::testsupport {

struct SharedPreferences {
    EngineSettingsScope engine;

    explicit SharedPreferences(AppLanguage language = AppLanguage::english) { reset(language); }
    ~SharedPreferences() { reset(AppLanguage::system); }

    static void reset(AppLanguage language) {
        AppSettings& settings = AppSettings::shared();
        settings.setLanguage(language);
        settings.setAppearance(AppearanceSetting::dark);
        settings.setSheetListStyle(SheetListStyle::both);
        settings.setShowsNamedValues(true);
        settings.setKeypadSize(KeypadSizeSetting::large);
        settings.setKeypadSide(KeypadSide::right);
        settings.setGroupsDigits(true);
        settings.setAcceptedTermsVersion(AppSettings::currentTermsVersion);
        ViewSwitches::shared().setShowGraph(true);
        ViewSwitches::shared().setShowKeypad(true);
        ViewSwitches::shared().setKeypadPanel({});
    }
};

} // namespace vell::testsupport
