#include "Engine/L10n.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;

TEST(L10n, ResolvesByChoiceThenByFirstPreferredLanguage) {
    EngineSettingsScope scope;
    struct Case {
        AppLanguage choice;
        std::vector<std::string> preferred;
        bool english;
    };
    const Case cases[] = {
        {AppLanguage::system, {"ja-JP", "en-US"}, false},
        {AppLanguage::system, {"en-US", "ja-JP"}, true},
        {AppLanguage::system, {"ja"}, false},
        {AppLanguage::system, {}, true},
        {AppLanguage::system, {"JA"}, true},
        {AppLanguage::japanese, {"en-US"}, false},
        {AppLanguage::english, {"ja-JP"}, true},
    };
    for (const Case& c : cases) {
        scope.setLanguage(c.choice);
        L10n::setPreferredLanguagesProvider([&] { return c.preferred; });
        EXPECT_EQ(L10n::isEnglish(), c.english);
        EXPECT_EQ(L10n::text("数", "a number"), c.english ? "a number" : "数");
    }
}

TEST(L10n, DefaultProviderReadsTheEnvironment) {
    EngineSettingsScope scope;
    scope.setLanguage(AppLanguage::system);
    setenv("LANGUAGE", "", 1);
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_FALSE(L10n::isEnglish());
    setenv("LC_ALL", "C", 1);
    EXPECT_TRUE(L10n::isEnglish());
    setenv("LANGUAGE", "ja:en", 1);
    EXPECT_FALSE(L10n::isEnglish());
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
}

TEST(AppLanguage, RawValuesAreExact) {
    EXPECT_EQ(AppLanguages::allCases.front(), AppLanguage::system);
    EXPECT_EQ(AppLanguages::allCases.back(), AppLanguage::english);
    for (AppLanguage language : AppLanguages::allCases)
        EXPECT_EQ(AppLanguages::fromRawValue(AppLanguages::rawValue(language)), language);
    EXPECT_FALSE(AppLanguages::fromRawValue("System"));
    EXPECT_FALSE(AppLanguages::fromRawValue(""));
}

} // namespace
} // namespace vell
