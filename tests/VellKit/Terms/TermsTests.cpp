#include "Engine/EngineSettings.h"
#include "Engine/L10n.h"
#include "Support/EngineSettingsScope.h"
#include "Terms/Terms.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vell {
namespace {

using LanguageScope = testsupport::EngineSettingsScope;

void setLanguage(AppLanguage language) {
    EngineSettings settings = EngineSettings::current();
    settings.language = language;
    EngineSettings::set(settings);
}

void useSystemLanguage(std::vector<std::string> preferred) {
    setLanguage(AppLanguage::system);
    L10n::setPreferredLanguagesProvider([preferred] { return preferred; });
}

std::size_t blankLines(const std::string& body) {
    std::size_t count = 0;
    for (std::size_t at = body.find("\n\n"); at != std::string::npos; at = body.find("\n\n", at + 2))
        ++count;
    return count;
}

// Every text of the terms, in one language, as the screen would read them.
std::vector<std::string> everyText() {
    std::vector<std::string> texts{Terms::title(), Terms::headline(), Terms::agreeButton(),
                                   Terms::declineNote()};
    for (const Terms::Section& section : Terms::sections()) {
        texts.push_back(section.heading);
        texts.push_back(section.body);
    }
    return texts;
}

TEST(Terms, ShortTextsInBothLanguages) {
    LanguageScope scope;
    setLanguage(AppLanguage::japanese);
    EXPECT_EQ(Terms::title(), "ご利用の前に");
    EXPECT_EQ(Terms::headline(), "この電卓の答えは、必ずご自身で確かめてからお使いください。");
    EXPECT_EQ(Terms::agreeButton(), "同意して使いはじめる");
    EXPECT_EQ(Terms::declineNote(),
              "同意いただけない場合は、本アプリをご利用いただけません。お手数ですが削除してください。");

    setLanguage(AppLanguage::english);
    EXPECT_EQ(Terms::title(), "Before You Begin");
    EXPECT_EQ(Terms::headline(), "Always verify this app's results yourself before you rely on them.");
    EXPECT_EQ(Terms::agreeButton(), "Agree and Get Started");
    EXPECT_EQ(Terms::declineNote(), "If you do not agree, you may not use this app. Please delete it.");
}

TEST(Terms, SixNumberedSectionsWithTheirParagraphs) {
    LanguageScope scope;
    const std::vector<std::string> japanese{"1. 何をするアプリか",
                                            "2. 計算結果について（重要）",
                                            "3. 免責",
                                            "4. データの保存と責任",
                                            "5. 禁止事項",
                                            "6. 規約の変更"};
    const std::vector<std::string> english{"1. What this app is",
                                           "2. About the results (important)",
                                           "3. Disclaimer and limitation of liability",
                                           "4. Your data",
                                           "5. Restrictions",
                                           "6. Changes to these terms"};
    const std::size_t blanks[] = {0, 1, 2, 1, 0, 0};

    for (AppLanguage language : {AppLanguage::japanese, AppLanguage::english}) {
        SCOPED_TRACE(std::string(AppLanguages::rawValue(language)));
        setLanguage(language);
        const std::vector<Terms::Section> sections = Terms::sections();
        ASSERT_EQ(sections.size(), 6u);
        const auto& headings = language == AppLanguage::english ? english : japanese;
        for (std::size_t i = 0; i < sections.size(); ++i) {
            SCOPED_TRACE(sections[i].heading);
            EXPECT_EQ(sections[i].heading, headings[i]);
            EXPECT_TRUE(sections[i].heading.starts_with(std::to_string(i + 1) + ". "));
            EXPECT_EQ(blankLines(sections[i].body), blanks[i]);
            // Paragraphs are parted by exactly one blank line, and nothing trails or leads.
            EXPECT_EQ(sections[i].body.find("\n\n\n"), std::string::npos);
            EXPECT_FALSE(sections[i].body.empty());
            EXPECT_NE(sections[i].body.front(), '\n');
            EXPECT_NE(sections[i].body.back(), '\n');
            EXPECT_EQ(std::count(sections[i].body.begin(), sections[i].body.end(), '\n'),
                      static_cast<std::ptrdiff_t>(2 * blanks[i]));
        }
    }
}

TEST(Terms, FixedSectionsWordForWord) {
    LanguageScope scope;
    setLanguage(AppLanguage::japanese);
    std::vector<Terms::Section> sections = Terms::sections();
    EXPECT_EQ(sections[0].body,
              "Vell（以下「本アプリ」）は、入力した式をその場で計算して表示する、個人用の計算ノートです。"
              "計算の下書きや検討に使うことを想定しています。");
    EXPECT_EQ(sections[4].body, "本アプリの改変、リバースエンジニアリング、再配布、および法令に違反する目的で"
                                "の利用はご遠慮ください。");
    EXPECT_EQ(sections[5].body, "本規約は、必要に応じて変更することがあります。重要な変更があった場合は、"
                                "アプリの更新時に改めて同意をお願いします。本規約は日本法に準拠します。");

    setLanguage(AppLanguage::english);
    sections = Terms::sections();
    EXPECT_EQ(sections[0].body,
              R"(Vell (the "App") is a personal calculating notepad that evaluates what you )"
              R"(type and shows the result. It is intended for drafting and exploring calculations.)");
    EXPECT_EQ(sections[4].body,
              "Please do not modify, reverse-engineer, or redistribute the App, or use it for "
              "any unlawful purpose.");
    EXPECT_EQ(sections[5].body,
              "These terms may be updated. If they change materially, you will be asked to "
              "agree again when the App is updated. These terms are governed by the laws of "
              "Japan.");
}

TEST(Terms, DataSectionNamesTheSyncFolderAndNoNetwork) {
    LanguageScope scope;
    setLanguage(AppLanguage::english);
    const std::string english = Terms::sections()[3].body;
    EXPECT_NE(english.find("no networking at all"), std::string::npos);
    EXPECT_NE(english.find("sync folder"), std::string::npos);
    EXPECT_NE(english.find("sync tool"), std::string::npos);
    setLanguage(AppLanguage::japanese);
    const std::string japanese = Terms::sections()[3].body;
    EXPECT_NE(japanese.find("同期フォルダ"), std::string::npos);
    EXPECT_NE(japanese.find("同期ツール"), std::string::npos);
    EXPECT_NE(Terms::sections()[2].body.find("現状有姿（AS IS）"), std::string::npos);

    for (AppLanguage language : {AppLanguage::japanese, AppLanguage::english}) {
        setLanguage(language);
        for (const std::string& text : everyText())
            EXPECT_EQ(text.find("Cloud"), std::string::npos) << text;
    }
}

TEST(Terms, EveryTextFollowsTheLanguageRule) {
    LanguageScope scope;
    setLanguage(AppLanguage::japanese);
    const std::vector<std::string> japanese = everyText();
    setLanguage(AppLanguage::english);
    const std::vector<std::string> english = everyText();
    for (std::size_t i = 0; i < japanese.size(); ++i)
        EXPECT_NE(japanese[i], english[i]) << english[i];

    struct Case {
        std::vector<std::string> preferred;
        AppLanguage choice;
        bool english;
    };
    const Case cases[] = {
        {{"ja-JP", "en-US"}, AppLanguage::system, false},
        {{"en-JP", "ja-JP"}, AppLanguage::system, true},
        {{}, AppLanguage::system, true},
        {{"en-US"}, AppLanguage::japanese, false},
        {{"ja-JP"}, AppLanguage::english, true},
    };
    for (const Case& c : cases) {
        useSystemLanguage(c.preferred);
        setLanguage(c.choice);
        EXPECT_EQ(everyText(), c.english ? english : japanese)
            << (c.preferred.empty() ? "(none)" : c.preferred.front());
    }
}

TEST(Terms, EachReadTakesTheLanguageInForceThen) {
    LanguageScope scope;
    setLanguage(AppLanguage::japanese);
    const std::vector<Terms::Section> before = Terms::sections();
    setLanguage(AppLanguage::english);
    const std::vector<Terms::Section> after = Terms::sections();
    EXPECT_EQ(before.front().heading, "1. 何をするアプリか");
    EXPECT_EQ(after.front().heading, "1. What this app is");
}

} // namespace
} // namespace vell
