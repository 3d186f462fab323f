#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Sheet/DocumentEvaluator.h"
#include "SheetEditor/EditorPalette.h"
#include "SheetEditor/SheetHighlighter.h"
#include "Stores/AppSettings.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::TempDefaults;

// One letter per syntax class, "_" for the body colour, "?" for anything else.
constexpr char kindLetters[] = "Nonufkqc";

struct HighlighterFixture : ::testing::Test {
    EngineSettingsScope engine;
    TempDefaults defaults;
    AppSettings settings{defaults.open()};
    Appearance appearance{settings, [] { return false; }};
    QTextDocument document;
    std::unique_ptr<SheetHighlighter> highlighter;

    void SetUp() override {
        settings.setAppearance(AppearanceSetting::light);
        // Numbers take the body's colour by default; a colour of their own tells the two apart.
        settings.setSyntaxColor("#FF0000", "number", false);
    }

    void show(const QString& text, const std::vector<LineResult>& results) {
        document.setPlainText(text);
        highlighter = std::make_unique<SheetHighlighter>(&document, settings, appearance);
        highlighter->setResults(results);
    }

    void showEvaluated(const QString& text) { show(text, DocumentEvaluator::evaluate(text.toStdString())); }

    // The format in effect at a UTF-16 position of a line: the last range that covers it.
    QTextCharFormat formatAt(int line, int position) const {
        const QTextBlock block = document.findBlockByNumber(line);
        QTextCharFormat format;
        for (const QTextLayout::FormatRange& range : block.layout()->formats())
            if (position >= range.start && position < range.start + range.length) format = range.format;
        return format;
    }

    QColor colorAt(int line, int position) const { return formatAt(line, position).foreground().color(); }

    // The line as letters of the classes whose colours its characters show.
    std::string mask(int line) const {
        const bool dark = appearance.isDark();
        std::map<QRgb, char> letters{{EditorPalette::text.resolve(dark).rgba(), '_'}};
        for (const SyntaxKind kind : SyntaxKinds::allCases)
            letters.emplace(EditorPalette::syntaxColor(kind, settings).resolve(dark).rgba(),
                            kindLetters[static_cast<int>(kind)]);
        std::string out;
        const int length = static_cast<int>(document.findBlockByNumber(line).text().size());
        for (int i = 0; i < length; ++i) {
            const auto found = letters.find(colorAt(line, i).rgba());
            out.push_back(found == letters.end() ? '?' : found->second);
        }
        return out;
    }

    bool isItalicNote(int line) const {
        const int length = static_cast<int>(document.findBlockByNumber(line).text().size());
        const QColor noteColor =
            EditorPalette::syntaxColor(SyntaxKind::comment, settings).resolve(appearance.isDark());
        for (int i = 0; i < length; ++i) {
            const QTextCharFormat format = formatAt(line, i);
            if (!format.fontItalic() || format.foreground().color() != noteColor) return false;
        }
        return length > 0;
    }
};

std::vector<LineResult> outcomes(std::string_view letters) {
    std::vector<LineResult> results;
    for (const char c : letters)
        results.push_back({c == 'c' ? LineOutcome::comment() : LineOutcome::value(Value(1)), std::nullopt});
    return results;
}

TEST_F(HighlighterFixture, ColoursEachLineByItsRunsAndSetsNotesInItalics) {
    showEvaluated("// Materials\n"
                  "width = 300 mm\n"
                  "sqrt(width) × 2\n"
                  "total = 'a' + \"b 2\n"
                  "3 + 4 // half\n"
                  "Remember the bolts\n"
                  "#2 > 1\n"
                  "for i in range(3):\n"
                  "    i");
    EXPECT_TRUE(isItalicNote(0));
    EXPECT_EQ(mask(1), "nnnnn_o_NNN_uu");
    EXPECT_EQ(mask(2), "ffffonnnnno_o_N");
    EXPECT_EQ(mask(3), "nnnnn_o_qqq_o_qqqq"); // an unclosed quote runs to the end of the line
    EXPECT_EQ(mask(4), "N_o_N_oo_nnnn");
    EXPECT_TRUE(isItalicNote(5));
    EXPECT_EQ(mask(6), "_N___N");
    EXPECT_EQ(mask(7), "kkk_n_kk_kkkkkoNo_");
    EXPECT_EQ(mask(8), "____n");
    EXPECT_FALSE(formatAt(1, 0).fontItalic());
}

TEST_F(HighlighterFixture, NoteLinesTakeTheNoteColourAndTheEditorsTextSize) {
    show("a note\n1 + 1", outcomes("cv"));
    ASSERT_TRUE(isItalicNote(0));
    EXPECT_EQ(colorAt(0, 0), QColor(0xA8, 0xA2, 0x96));
    EXPECT_DOUBLE_EQ(formatAt(0, 0).font().pointSizeF(), Fonts::pointSize(15));

    settings.setTextSize(TextSizeSetting::xlarge);
    EXPECT_DOUBLE_EQ(formatAt(0, 0).font().pointSizeF(), Fonts::pointSize(20.25));

    settings.setAppearance(AppearanceSetting::dark);
    ASSERT_TRUE(isItalicNote(0));
    EXPECT_EQ(colorAt(0, 0), QColor(0x66, 0x66, 0x6F));
}

// Japanese faces have no italics; a slant made up from the upright face is not one. A note's Japanese
// stands upright in the note colour, its Latin letters and figures slant.
TEST_F(HighlighterFixture, JapaneseInANoteStaysUpright) {
    show("// メモ: 税込 1,200 yen（税）", outcomes("c"));
    const QString text = document.findBlockByNumber(0).text();
    const QColor noteColor = EditorPalette::syntaxColor(SyntaxKind::comment, settings).resolve(false);
    for (int i = 0; i < text.size(); ++i) {
        SCOPED_TRACE(QString(text[i]).toStdString());
        const QTextCharFormat format = formatAt(0, i);
        EXPECT_EQ(format.foreground().color(), noteColor);
        const QChar::Script script = text[i].script();
        const bool japanese = script == QChar::Script_Han || script == QChar::Script_Hiragana ||
                              script == QChar::Script_Katakana || text[i] == QChar(0xFF08) ||
                              text[i] == QChar(0xFF09);
        if (text[i] != QLatin1Char(' ')) {
            EXPECT_EQ(format.fontItalic(), !japanese);
        }
        EXPECT_DOUBLE_EQ(format.font().pointSizeF(), Fonts::pointSize(15));
    }
}

TEST_F(HighlighterFixture, LinesBeyondTheResultsAreScanned) {
    show("// a\n2 + x", outcomes("c"));
    EXPECT_TRUE(isItalicNote(0));
    EXPECT_EQ(mask(1), "N_o_n");
}

TEST_F(HighlighterFixture, UserColoursApplyPerAppearanceAndOnlyWhenReadable) {
    settings.setSyntaxColors(
        {{"number.dark", "#FF0000"}, {"unit.light", "#GGGGGG"}, {"operator.light", "#00FF00"}});
    show("12 mm + 3", outcomes("v"));
    EXPECT_EQ(colorAt(0, 0), QColor(0x1B, 0x1A, 0x18)); // light: the default again
    EXPECT_EQ(colorAt(0, 3), QColor(0x0E, 0x8A, 0x64)); // "#GGGGGG" leaves the default
    EXPECT_EQ(colorAt(0, 6), QColor(0x9A, 0x94, 0x8A)); // "operator" names no class

    settings.setAppearance(AppearanceSetting::dark);
    EXPECT_EQ(colorAt(0, 0), QColor(0xFF, 0, 0));
    EXPECT_EQ(colorAt(0, 8), QColor(0xFF, 0, 0));
    EXPECT_EQ(colorAt(0, 2), QColor(0xE9, 0xE9, 0xEC)); // the body colour, dark
    EXPECT_EQ(colorAt(0, 3), QColor(0x46, 0xC7, 0x9B));
}

TEST_F(HighlighterFixture, NewColoursAndAppearancesRecolourAtOnce) {
    show("x = 5", outcomes("v"));
    EXPECT_EQ(colorAt(0, 0), QColor(0x2F, 0x6F, 0xED));

    settings.setSyntaxColor("#123456", "name", false);
    EXPECT_EQ(colorAt(0, 0), QColor(0x12, 0x34, 0x56));
    settings.resetSyntaxColors();
    EXPECT_EQ(colorAt(0, 0), QColor(0x2F, 0x6F, 0xED));

    settings.setAppearance(AppearanceSetting::dark);
    EXPECT_EQ(colorAt(0, 0), QColor(0x6F, 0xA0, 0xFF));
    EXPECT_EQ(colorAt(0, 2), QColor(0x6F, 0x6F, 0x7A));
}

// Counts the lines it colours.
class CountingHighlighter : public SheetHighlighter {
public:
    using SheetHighlighter::SheetHighlighter;
    int coloured = 0;

protected:
    void highlightBlock(const QString& text) override {
        ++coloured;
        SheetHighlighter::highlightBlock(text);
    }
};

TEST_F(HighlighterFixture, NewResultsRecolourOnlyTheLinesWhoseNoteStateChanged) {
    document.setPlainText("a\nb = 1\nc\nd = 2\ne = 3");
    CountingHighlighter counting(&document, settings, appearance);
    counting.setResults(outcomes("cvcvv"));
    EXPECT_TRUE(isItalicNote(0));
    EXPECT_FALSE(isItalicNote(1));

    counting.coloured = 0;
    counting.setResults(outcomes("cvcvv"));
    EXPECT_EQ(counting.coloured, 0);

    // Line 2 stops being a note, line 3 becomes one.
    counting.setResults(outcomes("cvvcv"));
    EXPECT_FALSE(isItalicNote(2));
    EXPECT_EQ(mask(2), "n");
    EXPECT_TRUE(isItalicNote(3));
    EXPECT_LE(counting.coloured, 3); // the two lines, and at most the line after a changed state
    EXPECT_TRUE(isItalicNote(0));
    EXPECT_EQ(mask(4), "n_o_N");
}

TEST_F(HighlighterFixture, NotesFollowTheirLinesWhenALineIsTypedAbove) {
    show("a = 1\nsome words\nb = 2", outcomes("vcv"));
    ASSERT_TRUE(isItalicNote(1));

    QTextCursor cursor(&document);
    cursor.insertText("x = 3\n"); // coloured at once by the old results, as the editor's text changes first
    highlighter->setResults(outcomes("vvcv"));
    EXPECT_EQ(mask(0), "n_o_N");
    EXPECT_EQ(mask(1), "n_o_N");
    EXPECT_TRUE(isItalicNote(2));
    EXPECT_EQ(mask(3), "n_o_N");
}

} // namespace
} // namespace vell
