#include "Keypad/Catalogs.h"
#include "Support/EngineSettingsScope.h"

#include <gtest/gtest.h>
#include <set>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;

std::vector<std::string> keys(const std::vector<CatalogGroup>& groups) {
    std::vector<std::string> out;
    for (const auto& group : groups)
        out.push_back(group.key);
    return out;
}

std::vector<std::size_t> sizes(const std::vector<CatalogGroup>& groups) {
    std::vector<std::size_t> out;
    for (const auto& group : groups)
        out.push_back(group.items.size());
    return out;
}

const FunctionItem* find(const std::vector<CatalogGroup>& groups, std::string_view id) {
    for (const auto& group : groups)
        for (const auto& item : group.items)
            if (item.id == id) return &item;
    return nullptr;
}

TEST(Catalogs, GroupsAndEntryCounts) {
    EngineSettingsScope scope;
    scope.setLanguage(AppLanguage::japanese);
    const auto functions = FunctionCatalog::categories();
    EXPECT_EQ(sizes(functions), (std::vector<std::size_t>{5, 4, 7, 6, 5, 4, 2, 20, 5}));
    const auto units = UnitCatalog::categories();
    EXPECT_EQ(sizes(units), (std::vector<std::size_t>{2, 4, 7, 3, 7, 6, 7, 9, 4, 4, 5, 2}));

    const auto functionKeys = keys(functions);
    EXPECT_EQ(functionKeys[0], "よく使う");
    EXPECT_EQ(functionKeys[1], "集計");
    EXPECT_EQ(functionKeys[5], "整数");
    EXPECT_EQ(functionKeys[7], "プログラム");
    EXPECT_EQ(functionKeys[8], "定数・参照");
    const auto unitKeys = keys(units);
    EXPECT_EQ(unitKeys.front(), "換算");
    EXPECT_EQ(unitKeys[1], "お金");
    EXPECT_EQ(unitKeys[7], "力・応力");
    EXPECT_EQ(unitKeys.back(), "角度");

    // A group's key is its Japanese title, and ids never repeat within a catalog, since both identify
    // things in a stored key arrangement ("min" is a function and a unit, on different panels).
    for (const auto* catalog : {&functions, &units}) {
        std::set<std::string> ids;
        for (const auto& group : *catalog) {
            EXPECT_EQ(group.key, group.title);
            for (const auto& item : group.items) {
                EXPECT_TRUE(ids.insert(item.id).second) << item.id;
                EXPECT_FALSE(item.note.empty()) << item.id;
            }
        }
        EXPECT_EQ(ids.size(), catalog == &functions ? 58u : 60u);
    }
}

TEST(Catalogs, LanguageChangesTextsButNeverKeysOrIds) {
    EngineSettingsScope scope;
    scope.setLanguage(AppLanguage::japanese);
    const auto japanese = FunctionCatalog::categories();
    EXPECT_EQ(FunctionCatalog::categories(), japanese);
    const auto japaneseUnits = UnitCatalog::categories();

    scope.setLanguage(AppLanguage::english);
    const auto english = FunctionCatalog::categories();
    const auto englishUnits = UnitCatalog::categories();
    ASSERT_EQ(keys(english), keys(japanese));
    ASSERT_EQ(keys(englishUnits), keys(japaneseUnits));
    EXPECT_EQ(english[0].title, "Common");
    EXPECT_EQ(english[8].title, "Constants & references");
    EXPECT_EQ(englishUnits[0].title, "Convert");
    for (std::size_t g = 0; g < english.size(); ++g) {
        ASSERT_EQ(english[g].items.size(), japanese[g].items.size());
        for (std::size_t i = 0; i < english[g].items.size(); ++i) {
            EXPECT_EQ(english[g].items[i].id, japanese[g].items[i].id);
            EXPECT_EQ(english[g].items[i].snippet, japanese[g].items[i].snippet);
        }
    }

    const FunctionItem* blockSum = find(english, "sum（区間）");
    ASSERT_TRUE(blockSum);
    EXPECT_EQ(blockSum->label, "sum (block)");
    EXPECT_EQ(blockSum->note, "Total since the last blank line");
    EXPECT_EQ(find(japanese, "sum（区間）")->label, "sum（区間）");
    const FunctionItem* round = find(english, "round");
    EXPECT_EQ(round->note, "Round: round(value, digits)");
    EXPECT_EQ(find(japanese, "round")->note, "四捨五入 round(値, 桁)");
    const FunctionItem* listLoop = find(english, "for（表）");
    ASSERT_TRUE(listLoop);
    EXPECT_EQ(listLoop->label, "for (list)");
    EXPECT_EQ(listLoop->caretBack, 1);
}

TEST(Catalogs, SnippetsAndCaretPositions) {
    EngineSettingsScope scope;
    scope.setLanguage(AppLanguage::english);
    const auto functions = FunctionCatalog::categories();
    const auto units = UnitCatalog::categories();
    struct Case {
        const std::vector<CatalogGroup>* catalog;
        std::string_view id;
        std::string_view label;
        std::string_view snippet;
        int caretBack;
    };
    const Case cases[] = {
        {&functions, "sqrt", "sqrt", "sqrt()", 1},
        {&functions, "[ ]", "[ ]", "[]", 1},
        {&functions, "\" \"", "\" \"", "\"\"", 1},
        {&functions, "if", "if", "if :", 1},
        {&functions, "else", "else", "else:", 0},
        {&functions, "for", "for", "for i in range():", 2},
        {&functions, "def", "def", "def 名前():", 3},
        {&functions, "return", "return", "return ", 0},
        {&functions, "==", "==", " == ", 0},
        {&functions, "not", "not", "not ", 0},
        {&functions, "π", "π", "pi", 0},
        {&functions, "sum（区間）", "sum (block)", "sum", 0},
        {&units, "in", "in", " in ", 0},
        {&units, "→", "→", " → ", 0},
        {&units, "m²", "m²", "m²", 0},
        {&units, "kN/m²", "kN/m²", "kN/m2", 0},
        {&units, "mm⁴", "mm⁴", "mm4", 0},
        {&units, "坪", "坪", "坪", 0},
    };
    for (const Case& c : cases) {
        const FunctionItem* item = find(*c.catalog, c.id);
        ASSERT_TRUE(item) << c.id;
        EXPECT_EQ(item->label, c.label) << c.id;
        EXPECT_EQ(item->snippet, c.snippet) << c.id;
        EXPECT_EQ(item->caretBack, c.caretBack) << c.id;
    }
    // Every unit inserts at the caret and leaves it after the text.
    for (const auto& group : units)
        for (const auto& item : group.items)
            EXPECT_EQ(item.caretBack, 0) << item.id;
}

TEST(FunctionItem, EqualOnlyWhenAllFieldsAre) {
    const FunctionItem item{"sqrt", "sqrt", "sqrt()", 1, "Square root"};
    EXPECT_EQ(item, (FunctionItem{"sqrt", "sqrt", "sqrt()", 1, "Square root"}));
    EXPECT_NE(item, (FunctionItem{"sqrt", "sqrt", "sqrt()", 0, "Square root"}));
    EXPECT_NE(item, (FunctionItem{"sqrt", "sqrt", "sqrt()", 1, "平方根"}));
}

} // namespace
} // namespace vell
