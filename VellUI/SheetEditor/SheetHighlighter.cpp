#include "SheetEditor/SheetHighlighter.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "LineRules/SyntaxScan.h"
#include "SheetEditor/EditorPalette.h"
#include "Stores/AppSettings.h"
#include "Stores/QtText.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <string_view>

namespace vell {

namespace {

// Japanese faces have no italics, and a slant made up from an upright face is not one: kana, kanji and
// the full-width signs between them stay upright in a note.
bool staysUpright(char32_t point) {
    switch (QChar::script(point)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        return true;
    default:
        // CJK signs and punctuation, kana signs, full-width forms.
        return (point >= 0x3000 && point <= 0x30FF) || (point >= 0xFF00 && point <= 0xFFEF);
    }
}

} // namespace

SheetHighlighter::SheetHighlighter(QTextDocument* document, AppSettings& settings, Appearance& appearance)
    : QSyntaxHighlighter(document), settings_(settings), appearance_(appearance),
      textSize_(settings.textSize()) {
    buildFormats();
    if (document) {
        // The document reports changes to the highlighter only once it has a layout.
        document->documentLayout();
        // A document with text already has its colours now, not at the next turn of the event loop.
        if (!document->isEmpty()) rehighlight();
    }
    connect(&settings_, &AppSettings::syntaxColorsChanged, this, &SheetHighlighter::refresh);
    connect(&appearance_, &Appearance::changed, this, &SheetHighlighter::refresh);
    connect(&settings_, &AppSettings::editorFontChanged, this, [this] {
        if (settings_.textSize() != textSize_) refresh();
    });
}

void SheetHighlighter::setResults(const std::vector<LineResult>& results) {
    takeResults(results);
    if (!document()) return;
    std::vector<int> stale;
    int line = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next(), ++line)
        if (isStale(block, line)) stale.push_back(line);
    markChanged(*document(), stale);
}

void SheetHighlighter::takeResults(const std::vector<LineResult>& results) {
    notes_.assign(results.size(), false);
    for (std::size_t i = 0; i < results.size(); ++i)
        notes_[i] = results[i].outcome.kind() == LineOutcome::Case::comment;
}

bool SheetHighlighter::isStale(const QTextBlock& block, int line) const {
    return block.userState() != (isNote(line) ? note : scanned);
}

void SheetHighlighter::refresh() {
    textSize_ = settings_.textSize();
    buildFormats();
    if (!document() || document()->isEmpty()) return;
    // One edit over the whole text: rehighlight() would have the layout follow line by line.
    QTextCursor everything(document());
    everything.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    everything.mergeBlockFormat(QTextBlockFormat());
}

void SheetHighlighter::markChanged(QTextDocument& document, const std::vector<int>& blockNumbers) {
    // Lines between two marked ones are coloured again with them when they are this close.
    constexpr int joinedGap = 32;
    std::size_t first = 0;
    while (first < blockNumbers.size()) {
        std::size_t last = first;
        while (last + 1 < blockNumbers.size() && blockNumbers[last + 1] - blockNumbers[last] <= joinedGap)
            ++last;
        const QTextBlock from = document.findBlockByNumber(blockNumbers[first]);
        const QTextBlock to = document.findBlockByNumber(blockNumbers[last]);
        if (from.isValid() && to.isValid()) {
            QTextCursor span(from);
            span.setPosition(to.position(), QTextCursor::KeepAnchor);
            span.mergeBlockFormat(QTextBlockFormat());
        }
        first = last + 1;
    }
}

bool SheetHighlighter::isNote(int line) const {
    return line >= 0 && static_cast<std::size_t>(line) < notes_.size() &&
           notes_[static_cast<std::size_t>(line)];
}

void SheetHighlighter::buildFormats() {
    const bool dark = appearance_.isDark();
    bodyFormat_ = QTextCharFormat();
    bodyFormat_.setForeground(EditorPalette::text.resolve(dark));
    for (const SyntaxKind kind : SyntaxKinds::allCases) {
        QTextCharFormat& format = kindFormats_[static_cast<std::size_t>(kind)];
        format = QTextCharFormat();
        format.setForeground(EditorPalette::syntaxColor(kind, settings_).resolve(dark));
    }
    noteFormat_ = kindFormats_[static_cast<std::size_t>(SyntaxKind::comment)];
    uprightNoteFormat_ = noteFormat_;
    noteFormat_.setFont(Fonts::italic(Fonts::editorTextSize(textSize_)));
    uprightNoteFormat_.setFont(Fonts::system(Fonts::editorTextSize(textSize_)));
}

void SheetHighlighter::highlightBlock(const QString& text) {
    if (isNote(currentBlock().blockNumber())) {
        setCurrentBlockState(note);
        setFormat(0, static_cast<int>(text.size()), noteFormat_);
        if (text.size() > longestColouredLine) return;
        for (qsizetype at = 0; at < text.size();) {
            const qsizetype start = at;
            bool upright = false;
            while (at < text.size()) {
                const bool pair =
                    text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate();
                const char32_t point =
                    pair ? QChar::surrogateToUcs4(text[at], text[at + 1]) : text[at].unicode();
                const bool thisUpright = staysUpright(point);
                if (at > start && thisUpright != upright) break;
                upright = thisUpright;
                at += pair ? 2 : 1;
            }
            if (upright) setFormat(static_cast<int>(start), static_cast<int>(at - start), uprightNoteFormat_);
        }
        return;
    }
    setCurrentBlockState(scanned);
    setFormat(0, static_cast<int>(text.size()), bodyFormat_);
    // Every run is a range of formats the layout must split the line at and look a font up for: a
    // line of thousands of runs takes seconds to lay out. Such a line is set in the body colour.
    if (text.size() > longestColouredLine) return;
    for (const SyntaxRun& run : SyntaxScan::runs(u16View(text)))
        setFormat(static_cast<int>(run.start), static_cast<int>(run.length),
                  kindFormats_[static_cast<std::size_t>(run.kind)]);
}

} // namespace vell
