#pragma once

// The text view of one sheet: the text lies between a gutter of line numbers and locks on the left
// and the answer column on the right, plots are drawn in the room under their lines, every proposed
// change goes through the edit gate, and the mouse toggles locks, resizes the column, turns surfaces
// and clicks or drags answers out.
//
// One class, its roles in their own files: CalcTextView.cpp (state, styling, layout and geometry),
// CalcTextEditing.cpp (the edit road), CalcTextPainting.cpp (gutter, answers, caret and plots),
// CalcTextPointer.cpp (turning surfaces, hover, clicks and drags) and CalcTextMenus.cpp.

#include "LineRules/EditGate.h"
#include "Plots/PlotAngle.h"
#include "Sheet/LineResult.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextEdit>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QDrag;
class QMenu;
class QPixmap;

namespace vell {

class AppSettings;
class Appearance;
class SheetHighlighter;

class CalcTextView : public QTextEdit {
    Q_OBJECT

public:
    static constexpr double textOriginX = 50;
    static constexpr double textInsetY = 18;
    static constexpr double rightReserve = 42;
    static constexpr double minimumTextWidth = 160;
    static constexpr double lineSpacing = 7;
    static constexpr double plotRoom = 202;
    static constexpr double surfaceRoom = 272;
    static constexpr double gutterWidth = 50;
    static constexpr double plotX = 54;
    // Between a plot line's last row and its plot.
    static constexpr double plotGap = 6;
    // How far outside a surface a press still turns it.
    static constexpr double plotGrip = 8;

    // Lines longer than this (UTF-16 units) are set in one colour, and while there is one, rows wrap
    // at any character.
    static constexpr int longLine = 4000;

    CalcTextView(AppSettings& settings, Appearance& appearance, QWidget* parent = nullptr);
    ~CalcTextView() override;

    // The caret rectangle is as wide as the caret the view paints: input methods ignore an empty one and
    // would open their candidate window at the screen's corner.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    using QTextEdit::inputMethodQuery;

    // The text as the sheet holds it: lines separated by "\n".
    const QString& text() const { return committed_; }
    std::u16string text16() const;
    // Text from the store: only the span that differs is replaced, so margins, formats and the scroll
    // position stay. It is not vetted and not announced as an edit.
    void replaceText(const QString& text);
    // A sheet newly shown: its whole text in place of the former one, the caret and the scroll
    // position at the start. Not vetted and not announced as an edit.
    void loadText(const QString& text);

    using Results = std::shared_ptr<const std::vector<LineResult>>;
    // The last change accepted: at `from` (UTF-16 units), `removed` gave way to `inserted`. None when it
    // replaced the whole text.
    struct Edit {
        qsizetype from = 0;
        QString removed;
        QString inserted;
    };
    const std::optional<Edit>& lastEdit() const { return lastEdit_; }

    const std::vector<LineResult>& results() const { return *results_; }
    // The answers that changed are drawn again, and the lines whose look changed with them (a note, a
    // plot's room) are styled again at the next restyle().
    void setResults(Results results);
    void setResults(std::vector<LineResult> results);
    const std::set<std::int64_t>& lockedLines() const { return lockedLines_; }
    void setLockedLines(std::set<std::int64_t> lines);
    bool showsPlots() const { return showsPlots_; }
    void setShowsPlots(bool shows);

    // Set only while the editor replaces the text itself (sign toggle, answer references).
    void setBypassLockCheck(bool bypass) { bypassLockCheck_ = bypass; }

    std::int64_t caretPosition() const;
    // Empty selection at the offset, cut into the text.
    void setCaret(std::int64_t offset, bool scrollIntoView);
    std::optional<std::int64_t> caretLine() const { return caretLine_; }
    void updateCaretLine();
    std::optional<std::int64_t> hoveredResultLine() const { return hoveredResultLine_; }

    // Syntax colours for the results, line height and plot room of the blocks that may need them: those
    // the text or the results changed since the last restyle, every block after a change of font,
    // plots shown or text loaded. Set only where they changed.
    void restyle();
    // The editor's font for the text size now, and every line laid out at its pitch.
    void applyEditorFont();
    // From one row of text to the next: a row of the editor's font and the spacing under it. Every row
    // keeps it, also one whose Japanese comes from a taller face.
    double rowPitch() const { return rowPitch_; }
    // The text runs 50 + max(160, W − 50 − C − 42) wide, W the viewport's width, C the column's.
    void relayout();
    double columnWidth() const;
    // Where the divider between text and answers lies, in viewport coordinates.
    double dividerX() const;

    // Types `text` over the selection, as the keyboard would (through the edit gate). False when the
    // gate refused it (with its beep); true when it was taken, or is to be vetted once the event that
    // called this is done.
    bool typeText(const QString& text);
    // The editor's own replacement of the whole text (sign toggle, answer references): vetted with
    // the lock check skipped, then the caret put at `caret`. False when the gate refused it (with its
    // beep) or nothing changed.
    bool replaceWhole(const std::u16string& text, std::int64_t caret);
    // Return: a new line with the indent of the line, four spaces more after a ":".
    void insertNewline();

    // --- Geometry, in document coordinates (the viewport's plus the scroll offset)

    // The line's first visual row with its spacing; a one-line block also takes the room below it.
    QRectF lineRect(std::int64_t line) const;
    std::optional<std::int64_t> lineIndexAt(double y) const;
    // The line whose value answer lies under the point (viewport coordinates).
    std::optional<std::int64_t> resultLineAt(QPointF point) const;
    QPointF toDocument(QPointF viewportPoint) const;

    // The largest semibold size, in half-point steps down to 70 % of the base, at which the text fits.
    static QFont resultFont(const QString& text, double maxWidth, const QFont& base);
    QFont editorFont() const;

    // --- Plots, in document coordinates

    // The size of a plot under its line for the view's width and the answer column's: a surface spans
    // the view but its gutter and margin, a curve or bar chart ends 16 short of the divider; never
    // narrower than 120.
    static QSizeF plotSize(PlotSpec::Kind kind, double viewWidth, double columnWidth);
    // Where the plot of a line lies: 6 below the last row of its line; none when the line shows no plot.
    std::optional<QRectF> plotRect(std::int64_t line) const;
    // Where every surface lies, in line order (the order they are drawn in), with the titles their
    // angles are kept by; found anew after each paint when asked for.
    struct PlotBox {
        QRectF box;
        std::string title;
    };
    const std::vector<PlotBox>& plotBoxes() const;
    bool isRotating() const { return rotating_.has_value(); }

    // The menu a right click at that viewport point opens; the caller owns it.
    QMenu* contextMenuAt(QPoint viewportPoint);
    // The picture carried under the pointer while an answer is dragged out.
    QPixmap dragPixmap(const QString& name) const;
    // Starts dragging that name out as plain text, copy only.
    void beginResultDrag(const QString& name, QPointF viewportPoint);
    // Runs a prepared drag with the operations it offers; tests replace it to look at the drag instead.
    std::function<void(QDrag*, Qt::DropActions)> runDrag;

    // What the answer column shows for a line: the text as drawn (cut with "…" when it does not fit),
    // its font and colour, and the whole text. None for blank and note lines and lines beyond the results.
    struct Answer {
        QString text;
        QFont font;
        QColor colour;
        QString whole;
    };
    std::optional<Answer> answerFor(std::int64_t line) const;

signals:
    // An accepted change: the whole text is to be written into the sheet.
    void textEdited();
    void lockToggleRequested(qint64 line);
    void nameRequested(qint64 line);
    void answerClicked(qint64 line);
    void answerDragRequested(qint64 line, QPointF viewportPoint);
    // A drag on the divider proposes a new column width for the view's width.
    void columnResizeRequested(double width, double available);
    void undoRequested();
    void redoRequested();
    // A change was refused, with the beep, because the sheet would have become too large to edit.
    void tooLargeEditRefused();

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // Shows a cut answer whole where the pointer rests on it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The caret the view paints in the accent colour.
    static constexpr double caretWidth = 2;

    // --- State, styling and layout (CalcTextView.cpp)

    // The gutter on the left and the room above and below the text, as root frame margins.
    void setMargins();
    // The room under a line for its plot: none when it shows none.
    double plotRoomOf(std::size_t line) const;
    bool hasWantedFormat(const QTextBlock& block, double room) const;
    // The block's rows at the pitch, the room for its plot below them.
    QTextBlockFormat lineFormat(QTextBlockFormat format, double room) const;
    // Measures a row of the editor's font as the layout sets it at the pitch.
    void measureRows();
    void wrapForLongLines(bool longLines);
    // Gives these blocks (ascending numbers) their line height and plot room and colours them again.
    void styleBlocks(const std::vector<int>& blockNumbers);
    // The blocks restyle() is to look at, ascending: all of them, or those the text and the results
    // changed since it last ran.
    std::vector<int> blocksToStyle() const;
    // Repaints what the layout laid out again (`rect`, document coordinates): the text of the lines
    // that changed where no line moved, else every row from there on, numbers and answers along.
    void repaintLaidOut(const QRectF& rect);
    // Repaints the rows of a band of the document (document coordinates) across the whole view: the
    // text of a line moves its number, its answer and its plot with it.
    void updateRows(double top, double bottom);
    // Repaints a band of the view: from `left` to `right` (viewport coordinates), from `top` to `bottom`
    // (document coordinates).
    void updateBand(double left, double right, double top, double bottom);
    // What the painted caret covers, with a pixel on either side, for the caret at `cursor`.
    static QRect caretBox(const QRect& cursor);
    // The lines whose rows lie in sight, first to last (none when the view shows no line).
    std::pair<std::int64_t, std::int64_t> linesInSight() const;
    QTextBlock firstBlockNear(double y) const;
    // The last block whose top lies at or above y (document coordinates).
    QTextBlock blockAtHeight(double y) const;

    AppSettings& settings_;
    Appearance& appearance_;
    class LayoutDevice;
    std::unique_ptr<LayoutDevice> layoutDevice_;
    // After the view came onto a screen.
    void readLayoutDevice();
    SheetHighlighter* highlighter_ = nullptr;
    Results results_ = std::make_shared<const std::vector<LineResult>>();
    // What the next restyle() looks at: every block, or these spans of block numbers (first, last).
    bool restyleAll_ = true;
    std::vector<std::pair<int, int>> restyleSpans_;
    bool styling_ = false;
    // The blocks changed since the layout last said what it laid out, and the block after them with its
    // place before the layout followed.
    std::optional<std::pair<int, int>> changedBlocks_;
    QTextBlock blockAfterChange_;
    double blockAfterTop_ = 0;
    // The width of the view and of the answer column the lines were last laid out for.
    std::pair<int, double> laidOutFor_{-1, -1};
    // Where the caret was painted last (viewport coordinates).
    QRect paintedCaret_;
    std::set<std::int64_t> lockedLines_;
    bool showsPlots_ = true;
    std::optional<std::int64_t> caretLine_;
    mutable int lastBlockFound_ = 0;
    // A row of the editor's font: its height, the pitch (its height in whole pixels and the spacing),
    // and how far below the top of its box it starts (a row of fixed height has its baseline four fifths
    // down).
    double rowHeight_ = 0;
    double rowPitch_ = 0;
    double rowInset_ = 0;

    // --- The edit road (CalcTextEditing.cpp)

    struct Selection {
        int anchor = 0;
        int position = 0;
    };
    void noteChange(int position, int removed, int added);
    void rememberSelection();
    // Runs the gate over what changed since the last accepted text, at the end of the event that made it.
    void vetPendingChange();
    // The beep of a refused change, and the reason told when the beep alone does not tell it.
    void refused(EditGate::Verdict verdict);
    // Replaces a span of the document without it counting as an edit.
    void replaceSpan(int from, int length, const QString& text);
    void setTextSelection(Selection selection);

    // The text last accepted (or taken from the store), and the change that made it.
    QString committed_;
    std::optional<Edit> lastEdit_;
    bool bypassLockCheck_ = false;
    int eventDepth_ = 0;
    bool ownChange_ = false;
    bool changePending_ = false;
    bool lastChangeRefused_ = false;
    int changeFrom_ = 0;
    // Where the document differs from the text last accepted: [from, to) of the document, which was
    // [from, to - grown) of that text. None when a change could not be followed.
    struct ChangedSpan {
        int from = 0;
        int to = 0;
        int grown = 0;
    };
    std::optional<ChangedSpan> changedSpan_;
    Selection selectionBefore_;

    // --- Painting (CalcTextPainting.cpp)

    // `region`: what is repainted, in document coordinates.
    void paintDecorations(QPainter& painter, const QRegion& region);
    void paintLock(QPainter& painter, double y, const QColor& colour) const;
    // The divider from top to bottom (document coordinates), but where a surface in sight lies.
    void paintDivider(QPainter& painter, double x, double top, double bottom) const;
    // Draws the plots that meet the region; where the surfaces lie is found again when asked.
    void drawPlots(QPainter& painter, const QRegion& region);

    mutable std::vector<PlotBox> plotBoxes_;
    mutable bool plotBoxesStale_ = false;
    // The plot images drawn last and those of plots near the sight, by line: the shared cache keeps only
    // images some view holds.
    struct HeldImage {
        std::int64_t line;
        QImage image;
    };
    std::vector<HeldImage> heldImages_;

    // --- The pointer (CalcTextPointer.cpp)

    // A press on a surface (or within its grip) starts turning it.
    bool beginRotation(QPointF viewportPoint);
    void updateHover(QPointF viewportPoint);
    void updateCursorShape(QPointF viewportPoint);

    std::optional<std::int64_t> hoveredResultLine_;
    std::optional<std::int64_t> pressedResultLine_;
    QPointF pressedPoint_;
    struct ResizeStart {
        double x;
        double width;
    };
    std::optional<ResizeStart> resizeStart_;
    struct Rotation {
        std::string title;
        QPointF start; // document coordinates
        PlotAngle angle;
    };
    std::optional<Rotation> rotating_;
};

} // namespace vell
