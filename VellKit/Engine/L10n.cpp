#include "Engine/L10n.h"

#include <cstdlib>

namespace vell {

namespace {

std::vector<std::string> environmentLanguages() {
    std::vector<std::string> out;
    if (const char* list = std::getenv("LANGUAGE"); list && *list) {
        std::string_view rest(list);
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            const std::string_view entry = rest.substr(0, colon);
            if (!entry.empty()) out.emplace_back(entry);
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
        if (!out.empty()) return out;
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        const std::string_view locale(value);
        if (locale == "C" || locale == "POSIX" || locale.starts_with("C.")) return {};
        return {std::string(locale)};
    }
    return {};
}

L10n::PreferredLanguages& provider() {
    static L10n::PreferredLanguages current = environmentLanguages;
    return current;
}

} // namespace

std::string_view AppLanguages::rawValue(AppLanguage language) {
    switch (language) {
    case AppLanguage::system:
        return "system";
    case AppLanguage::japanese:
        return "japanese";
    case AppLanguage::english:
        return "english";
    }
    return "system";
}

std::optional<AppLanguage> AppLanguages::fromRawValue(std::string_view raw) {
    for (AppLanguage language : allCases)
        if (rawValue(language) == raw) return language;
    return std::nullopt;
}

void L10n::setPreferredLanguagesProvider(PreferredLanguages newProvider) {
    provider() = newProvider ? std::move(newProvider) : PreferredLanguages(environmentLanguages);
}

std::vector<std::string> L10n::preferredLanguages() {
    return provider()();
}

bool L10n::isEnglish() {
    switch (EngineSettings::current().language) {
    case AppLanguage::japanese:
        return false;
    case AppLanguage::english:
        return true;
    case AppLanguage::system:
        break;
    }
    const std::vector<std::string> preferred = preferredLanguages();
    return preferred.empty() || !preferred.front().starts_with("ja");
}

std::string L10n::text(std::string_view japanese, std::string_view english) {
    return std::string(isEnglish() ? english : japanese);
}

} // namespace vell
