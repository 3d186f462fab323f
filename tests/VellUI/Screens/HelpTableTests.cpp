#include "Engine/EngineSettings.h"
#include "Engine/Evaluator.h"
#include "Engine/ValueFormatter.h"
#include "Screens/HelpTable.h"
#include "Sheet/DocumentEvaluator.h"
#include "Support/EngineSettingsScope.h"

#include <QRegularExpression>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vell {
namespace {

std::vector<HelpTable::Group> groupsIn(AppLanguage language) {
    EngineSettings settings = EngineSettings::current();
    settings.language = language;
    EngineSettings::set(settings);
    return HelpTable::groups();
}

TEST(HelpTable, TwelveGroupsOfEightyOneEntriesInBothLanguages) {
    testsupport::EngineSettingsScope scope;
    const std::vector<std::size_t> counts{6, 10, 4, 5, 6, 6, 11, 11, 4, 5, 8, 5};
    const QStringList japanese{"入力",
                               "計算した値を、別のところで使う",
                               "パーセント",
                               "単位",
                               "組み合わせた単位",
                               "関数",
                               "表（リスト）と文字",
                               "プログラム（字下げで書く）",
                               "ほかのシートの関数を使う",
                               "元に戻す・やり直す",
                               "グラフ",
                               "そのほか"};
    const QStringList english{"Typing",
                              "Reusing values",
                              "Percentages",
                              "Units",
                              "Compound units",
                              "Functions",
                              "Lists and text",
                              "Programs (indented)",
                              "Functions from other sheets",
                              "Undo and redo",
                              "Graphs",
                              "Other"};
    for (AppLanguage language : {AppLanguage::japanese, AppLanguage::english}) {
        const auto groups = groupsIn(language);
        ASSERT_EQ(groups.size(), 12u);
        std::size_t total = 0;
        for (std::size_t g = 0; g < groups.size(); ++g) {
            EXPECT_EQ(groups[g].entries.size(), counts[g]) << g + 1;
            EXPECT_EQ(groups[g].title.toStdString(),
                      (language == AppLanguage::english ? english : japanese)[int(g)].toStdString());
            for (const auto& entry : groups[g].entries) {
                EXPECT_FALSE(entry.example.isEmpty());
                EXPECT_FALSE(entry.note.isEmpty());
            }
            total += groups[g].entries.size();
        }
        EXPECT_EQ(total, 81u);
    }
}

TEST(HelpTable, WhatChangesWithTheLanguage) {
    testsupport::EngineSettingsScope scope;
    const auto japanese = groupsIn(AppLanguage::japanese);
    const auto english = groupsIn(AppLanguage::english);
    int examplesDiffering = 0;
    int notesDiffering = 0;
    for (std::size_t g = 0; g < 12; ++g) {
        EXPECT_NE(japanese[g].title, english[g].title);
        for (std::size_t e = 0; e < japanese[g].entries.size(); ++e) {
            examplesDiffering += japanese[g].entries[e].example != english[g].entries[e].example;
            notesDiffering += japanese[g].entries[e].note != english[g].entries[e].note;
        }
    }
    EXPECT_EQ(examplesDiffering, 36);
    EXPECT_EQ(notesDiffering, 80);

    // One note and the language-neutral examples read the same in Japanese.
    EXPECT_EQ(japanese[5].entries[1].note, "sum(1, 2, 3)");
    EXPECT_EQ(japanese[2].entries[0].example, "3000 + 10%");
    EXPECT_EQ(english[2].entries[0].example, "3000 + 10%");

    // The indented line of a program: two ideographic spaces in Japanese, four spaces in English.
    EXPECT_TRUE(japanese[7].entries[1].example.startsWith(QString(2, QChar(0x3000))));
    EXPECT_FALSE(japanese[7].entries[1].example.startsWith(QString(3, QChar(0x3000))));
    EXPECT_EQ(english[7].entries[1].example, "    grade = 5");

    // No key of another platform, and no device edition this program does not have.
    for (const auto* groups : {&japanese, &english})
        for (const auto& group : *groups)
            for (const auto& entry : group.entries) {
                for (const char* foreign : {"⌘", "⇧", "iOS"}) {
                    EXPECT_FALSE(entry.example.contains(foreign)) << entry.example.toStdString();
                    EXPECT_FALSE(entry.note.contains(foreign)) << entry.note.toStdString();
                }
            }
}

TEST(HelpTable, ShortcutsInThePlatformsNotation) {
    testsupport::EngineSettingsScope scope;
    EXPECT_EQ(HelpTable::undoRedoKeys(), "Ctrl+Z / Ctrl+Shift+Z");
    EXPECT_EQ(HelpTable::newSheetKey(), "Ctrl+N");
    for (AppLanguage language : {AppLanguage::japanese, AppLanguage::english}) {
        const auto groups = groupsIn(language);
        EXPECT_EQ(groups[9].entries[0].example, "Ctrl+Z / Ctrl+Shift+Z");
        EXPECT_TRUE(groups[9].entries[0].note.contains("↩︎ ↪︎"));
        EXPECT_EQ(groups[11].entries[4].example, "Ctrl+N");
    }
    EXPECT_EQ(groupsIn(AppLanguage::english)[11].entries[4].note, "New sheet");
}

// How the test reads an example.
enum class Kind {
    line,         // one line to type; it calculates or draws
    alternatives, // several lines parted by " / ", each calculates on its own
    functions,    // names of built-in functions parted by " / "
    note,         // a note line
    notALine,     // a gesture, a key, a program header or a description
};

// 1-based group and entry; every entry not listed is a line.
const std::map<std::pair<int, int>, Kind> kinds{
    {{1, 6}, Kind::alternatives}, {{2, 3}, Kind::notALine},      {{2, 4}, Kind::notALine},
    {{2, 5}, Kind::notALine},     {{2, 6}, Kind::notALine},      {{2, 7}, Kind::alternatives},
    {{6, 1}, Kind::functions},    {{6, 2}, Kind::functions},     {{6, 3}, Kind::functions},
    {{6, 4}, Kind::functions},    {{6, 5}, Kind::functions},     {{6, 6}, Kind::alternatives},
    {{7, 2}, Kind::alternatives}, {{7, 5}, Kind::notALine},      {{7, 7}, Kind::alternatives},
    {{7, 11}, Kind::notALine},    {{8, 1}, Kind::notALine},      {{8, 2}, Kind::notALine},
    {{8, 3}, Kind::notALine},     {{8, 4}, Kind::notALine},      {{8, 5}, Kind::notALine},
    {{8, 6}, Kind::notALine},     {{8, 7}, Kind::notALine},      {{8, 9}, Kind::notALine},
    {{8, 10}, Kind::notALine},    {{8, 11}, Kind::notALine},     {{9, 1}, Kind::notALine},
    {{9, 3}, Kind::notALine},     {{9, 4}, Kind::notALine},      {{10, 1}, Kind::notALine},
    {{10, 2}, Kind::notALine},    {{10, 3}, Kind::notALine},     {{10, 4}, Kind::notALine},
    {{10, 5}, Kind::notALine},    {{11, 6}, Kind::notALine},     {{12, 1}, Kind::note},
    {{12, 2}, Kind::notALine},    {{12, 4}, Kind::alternatives}, {{12, 5}, Kind::notALine},
};

// The named values and functions a group's examples lean on, under their Japanese and English names;
// the lines go above the group's examples, the other sheet beside them.
struct Surroundings {
    std::string lines;
    std::string otherSheet;
};
const std::map<int, Surroundings> surroundings{
    {2, {"個数 = 3\ncount = 3", ""}},
    {7, {"表 = [1, 2]\nitems = [1, 2]", ""}},
    {8, {"def 面積(幅, 高さ):\n    return 幅 * 高さ\ndef area(w, h):\n    return w * h", ""}},
    {9, {"", "def 税込(x):\n    return x * 1.1\ndef withTax(x):\n    return x * 1.1"}},
    {11,
     {"係数 = 2\nrate = 2\n家賃 = 80000\n光熱費 = 12000\n食費 = 40000\nrent = 80000\npower = 12000\nfood = "
      "40000",
      ""}},
};

// The figure a note begins with ("0.000111 kN/mm²" of "0.000111 kN/mm² — ..."), or none.
std::optional<QString> statedFigure(const QString& note) {
    static const QRegularExpression figure(QStringLiteral("^([0-9][0-9,]*(?:\\.([0-9]+))?(?: ?[^ ]+)?) — "));
    const QRegularExpressionMatch match = figure.match(note);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1);
}

// The answer as the note would write it: to as many decimals as the note gives, commas left out.
QString answerAsStated(const Value& value, const QString& figure) {
    const qsizetype point = figure.indexOf('.');
    qsizetype decimals = 0;
    if (point >= 0)
        while (point + 1 + decimals < figure.size() && figure[point + 1 + decimals].isDigit())
            ++decimals;
    testsupport::EngineSettingsScope scope;
    scope.setMaxFractionDigits(static_cast<int>(decimals));
    return QString::fromStdString(ValueFormatter::format(value, false));
}

TEST(HelpTable, EveryCalculationExampleCalculatesAndGivesTheFigureItsNoteStates) {
    testsupport::EngineSettingsScope scope;
    int figuresChecked = 0;
    for (AppLanguage language : {AppLanguage::japanese, AppLanguage::english}) {
        const auto groups = groupsIn(language);
        for (int g = 1; g <= 12; ++g) {
            const auto around = surroundings.find(g);
            std::string sheet = around != surroundings.end() ? around->second.lines : "";
            std::vector<SharedSheet> others;
            if (around != surroundings.end() && !around->second.otherSheet.empty())
                others.push_back({"other", around->second.otherSheet});

            struct Typed {
                int entry;
                Kind kind;
                std::string text;
                std::size_t line;
            };
            std::vector<Typed> typed;
            const auto addLine = [&](int entry, Kind kind, const QString& text) {
                if (!sheet.empty()) sheet += '\n';
                typed.push_back({entry, kind, text.toStdString(),
                                 static_cast<std::size_t>(std::count(sheet.begin(), sheet.end(), '\n'))});
                sheet += text.toStdString();
            };

            const auto& entries = groups[std::size_t(g - 1)].entries;
            for (int e = 1; e <= int(entries.size()); ++e) {
                const QString& example = entries[std::size_t(e - 1)].example;
                const auto found = kinds.find({g, e});
                const Kind kind = found == kinds.end() ? Kind::line : found->second;
                switch (kind) {
                case Kind::line:
                case Kind::note:
                    addLine(e, kind, example);
                    break;
                case Kind::alternatives:
                    for (const QString& part : example.split(" / "))
                        addLine(e, kind, part);
                    break;
                case Kind::functions:
                    for (const QString& name : example.split(" / ")) {
                        const auto& names = Evaluator::builtinNames;
                        EXPECT_NE(std::find(names.begin(), names.end(), name.toStdString()), names.end())
                            << "group " << g << ": " << name.toStdString();
                    }
                    break;
                case Kind::notALine:
                    break;
                }
            }

            const std::vector<LineResult> results = DocumentEvaluator::evaluate(sheet, others);
            for (const Typed& line : typed) {
                SCOPED_TRACE("group " + std::to_string(g) + " entry " + std::to_string(line.entry) + ": " +
                             line.text);
                ASSERT_LT(line.line, results.size());
                const LineOutcome& outcome = results[line.line].outcome;
                if (line.kind == Kind::note) {
                    EXPECT_EQ(outcome.kind(), LineOutcome::Case::comment) << outcome.debugDescription();
                    continue;
                }
                EXPECT_TRUE(outcome.kind() == LineOutcome::Case::value ||
                            outcome.kind() == LineOutcome::Case::plot)
                    << outcome.debugDescription();

                const auto figure = statedFigure(entries[std::size_t(line.entry - 1)].note);
                if (!figure) continue;
                const Value* value = outcome.as<Value>();
                if (!value) continue; // reported above
                QString stated = *figure;
                EXPECT_EQ(answerAsStated(*value, stated).toStdString(), stated.remove(',').toStdString());
                ++figuresChecked;
            }
        }
    }
    // 3300, 2700, 300, 300, 42,000円, 180,000 mm², 0.000111 kN/mm², 120 km and 12 m², in both languages.
    EXPECT_EQ(figuresChecked, 18);
}

} // namespace
} // namespace vell
