#pragma once

// The Japanese/English switch behind every text the user sees.

#include "Engine/EngineSettings.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

struct AppLanguages {
    static constexpr std::array<AppLanguage, 3> allCases{AppLanguage::system, AppLanguage::japanese,
                                                         AppLanguage::english};
    static std::string_view rawValue(AppLanguage language);
    // Exactly "system", "japanese" or "english"; anything else is no language.
    static std::optional<AppLanguage> fromRawValue(std::string_view raw);
};

struct L10n {
    // The Japanese text comes first; the language is EngineSettings::current().language.
    static std::string text(std::string_view japanese, std::string_view english);
    static bool isEnglish();

    // The system's preferred languages, most preferred first ("ja-JP", "en_US.UTF-8", ...).
    // The default reads LANGUAGE, then LC_ALL, LC_MESSAGES and LANG; the application installs its own.
    using PreferredLanguages = std::function<std::vector<std::string>()>;
    static void setPreferredLanguagesProvider(PreferredLanguages provider);
    static std::vector<std::string> preferredLanguages();
};

} // namespace vell
