#pragma once

// Colours the text of a sheet: a line whose result is a note is set whole in the note colour, in
// italics but for its Japanese, which stands upright; every other line, and any line beyond the results, is
// coloured run by run by its syntax classes, the rest in the body colour. Colours follow the user's syntax
// colours, the appearance and the text size, and change at once when any of them does.

#include "Sheet/LineResult.h"
#include "Stores/Preferences.h"

#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextCharFormat>
#include <array>
#include <vector>

namespace vell {

class AppSettings;
class Appearance;

class SheetHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    // Longer lines (UTF-16 units) are not coloured by their syntax: all their text takes the body colour.
    static constexpr int longestColouredLine = 4000; // CalcTextView::longLine

    // Both objects must outlive the highlighter.
    SheetHighlighter(QTextDocument* document, AppSettings& settings, Appearance& appearance);

    // The evaluated results of the document's lines, one per line. Only the lines that become or stop
    // being notes are coloured again: the others are already coloured by their text.
    void setResults(const std::vector<LineResult>& results);
    // Takes the results without colouring any line: lines are coloured by them as their text changes,
    // and those that need it when the owner marks them changed (see isStale).
    void takeResults(const std::vector<LineResult>& results);
    // The block, line `line` of the document, was coloured as a note and no longer is one, or the
    // other way round.
    bool isStale(const QTextBlock& block, int line) const;

    // Reads the colours, the appearance and the text size again and colours every line.
    void refresh();

    // Colours the blocks again in one edit of the document, so that its layout follows once: each
    // block is marked changed (its format merged with nothing), and the document reports the span to
    // the highlighter. Blocks far apart go in separate edits, so that the lines between stay as they are.
    static void markChanged(QTextDocument& document, const std::vector<int>& blockNumbers);

protected:
    void highlightBlock(const QString& text) override;

private:
    // Kept in each block's state: how the block was last coloured.
    enum BlockState {
        scanned = 0,
        note = 1
    };

    bool isNote(int line) const;
    void buildFormats();

    AppSettings& settings_;
    Appearance& appearance_;
    std::vector<bool> notes_;
    TextSizeSetting textSize_;
    QTextCharFormat bodyFormat_;
    QTextCharFormat noteFormat_;
    QTextCharFormat uprightNoteFormat_;
    std::array<QTextCharFormat, 8> kindFormats_;
};

} // namespace vell
