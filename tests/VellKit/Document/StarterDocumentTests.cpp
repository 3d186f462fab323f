#include "Document/VellDocument.h"
#include "DocumentTestSupport.h"

#include <nlohmann/json.hpp>
#include <set>

namespace vell {
namespace {

using namespace testsupport;
using testsupport::EngineSettingsScope;

const std::vector<std::string> japaneseNames = {"はじめてのシート", "単位", "表・文字・グラフ",
                                                "くり返しと関数"};
const std::vector<std::string> englishNames = {"Getting Started", "Units", "Lists, Text & Graphs",
                                               "Loops & Functions"};

std::vector<std::string> namesOf(const std::vector<Sheet>& sheets) {
    std::vector<std::string> names;
    for (const Sheet& sheet : sheets)
        names.push_back(sheet.name);
    return names;
}

TEST(StarterDocument, LanguageFollowsTheSettingThenTheFirstPreferredLanguage) {
    EngineSettingsScope scope;
    struct Case {
        AppLanguage setting;
        std::vector<std::string> preferred;
        bool english;
    };
    const Case cases[] = {
        {AppLanguage::english, {"ja-JP"}, true},
        {AppLanguage::japanese, {"en-US"}, false},
        {AppLanguage::system, {"ja-JP", "en-US"}, false},
        {AppLanguage::system, {"en-GB", "ja-JP"}, true},
        {AppLanguage::system, {}, true},
    };
    for (const Case& c : cases) {
        scope.setLanguage(c.setting);
        L10n::setPreferredLanguagesProvider([&] { return c.preferred; });
        const VellDocument document = VellDocument::starter();
        EXPECT_EQ(namesOf(document.sheets), c.english ? englishNames : japaneseNames);
        ASSERT_FALSE(document.sheets.empty());
        EXPECT_EQ(document.selectedSheetID, document.sheets.front().id);
        EXPECT_TRUE(document.deletedSheets.empty());
        EXPECT_TRUE(document.keyLayouts.empty());
        EXPECT_FALSE(document.keyLayoutsUpdatedAt);
        EXPECT_FALSE(document.sheetOrderUpdatedAt);
    }
}

TEST(StarterDocument, TextsAreExact) {
    struct Case {
        std::vector<Sheet> sheets;
        std::vector<std::size_t> byteLengths;
        std::vector<std::string> firstLines;
    };
    const Case cases[] = {
        {VellDocument::starterSheetsJapanese(),
         {691, 517, 882, 706},
         {"// ようこそ。ここは「打つと、その行の右に答えが出る」計算用紙です",
          "// 数字のうしろに単位を書くと、答えにも単位が出ます", "// ■ [ ] で数を並べると「表」になります",
          "// 書き方は Python と同じです。行の終わりに : を付けて、次の行を字下げします"}},
        {VellDocument::starterSheetsEnglish(),
         {538, 364, 703, 561},
         {"// Welcome. Type an expression and the answer appears on the right.",
          "// Write a unit after a number and it carries through to the answer",
          "// ■ Numbers in [ ] make a list",
          "// The syntax is Python's: end a line with : and indent the next line."}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.sheets.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            const std::string& text = c.sheets[i].text;
            EXPECT_EQ(text.size(), c.byteLengths[i]) << c.sheets[i].name;
            EXPECT_EQ(text.substr(0, text.find('\n')), c.firstLines[i]);
            EXPECT_TRUE(text.ends_with("\n") && !text.ends_with("\n\n")) << c.sheets[i].name;
            EXPECT_EQ(text.find_first_of("\t\r"), std::string::npos);
            EXPECT_TRUE(c.sheets[i].lockedLines.empty());
        }
    }
    // Spot checks of the characters that look alike in other code points.
    const auto japanese = VellDocument::starterSheetsJapanese();
    EXPECT_NE(japanese[0].text.find("1200 \u00d7 35\n"), std::string::npos);
    EXPECT_NE(japanese[1].text.find("100 \u00b0C in \u00b0F\n"), std::string::npos);
    EXPECT_NE(japanese[2].text.find("\uff080 から数えます\u3002-1 は最後\uff09"), std::string::npos);
    EXPECT_NE(japanese[3].text.find("// \u25a0 もし\u301cなら\n"), std::string::npos);
    EXPECT_NE(japanese[3].text.find("\n    return x \u00d7 1.1\n\n税込(1200)\n"), std::string::npos);
    EXPECT_TRUE(
        VellDocument::starterSheetsEnglish()[3].text.ends_with("    paid = paid + withTax(p)\npaid\n"));
}

TEST(StarterDocument, EverySheetIsNewAndStampedByTheClockInTabOrder) {
    std::int64_t tick = 0;
    const Date::Clock clock = [&] { return at("10:00:00").addingSeconds(tick++); };
    const auto sheets = VellDocument::starterSheetsEnglish(clock);
    for (std::size_t i = 0; i < sheets.size(); ++i)
        EXPECT_EQ(sheets[i].updatedAt, at("10:00:00").addingSeconds(static_cast<std::int64_t>(i)));

    std::set<Uuid> ids;
    for (int call = 0; call < 2; ++call)
        for (const Sheet& sheet : VellDocument::starter().sheets)
            ids.insert(sheet.id);
    EXPECT_EQ(ids.size(), 8u);
}

TEST(StarterDocument, JsonFormHoldsOnlyTheKeysItUses) {
    const auto written = nlohmann::json::parse(VellDocument::starter().encode());
    std::set<std::string> keys;
    for (const auto& [key, value] : written.items())
        keys.insert(key);
    EXPECT_EQ(keys, (std::set<std::string>{"deletedSheets", "keyLayouts", "selectedSheetID", "sheets"}));
    EXPECT_EQ(written.at("deletedSheets"), nlohmann::json::object());
    EXPECT_EQ(written.at("keyLayouts"), nlohmann::json::object());
}

} // namespace
} // namespace vell
