#include "SheetEditor/CalcTextView.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "SheetEditor/SheetHighlighter.h"
#include "Stores/AppSettings.h"

#include <QAbstractTextDocumentLayout>
#include <QDrag>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <cmath>

namespace vell {

// What the layout measures the text with: the viewport's size, and its resolution and depth as read
// last. The layout asks for the resolution at every line it passes, and the viewport looks its screen
// up through every widget above it each time.
class CalcTextView::LayoutDevice : public QPaintDevice {
public:
    explicit LayoutDevice(const QWidget& widget) : widget_(widget) { read(); }

    // Reads the resolution and depth again; whether they changed.
    bool read() {
        std::array<int, PdmDevicePixelRatioScaled + 1> metrics{};
        for (int metric = PdmNumColors; metric <= PdmDevicePixelRatioScaled; ++metric)
            metrics[static_cast<std::size_t>(metric)] = readMetric(static_cast<PaintDeviceMetric>(metric));
        return std::exchange(metrics_, metrics) != metrics;
    }

    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return widget_.width();
        case PdmHeight:
            return widget_.height();
        case PdmWidthMM:
            return widget_.widthMM();
        case PdmHeightMM:
            return widget_.heightMM();
        default:
            return metrics_[static_cast<std::size_t>(metric)];
        }
    }

private:
    int readMetric(PaintDeviceMetric metric) const {
        switch (metric) {
        case PdmNumColors:
            return widget_.colorCount();
        case PdmDepth:
            return widget_.depth();
        case PdmDpiX:
            return widget_.logicalDpiX();
        case PdmDpiY:
            return widget_.logicalDpiY();
        case PdmPhysicalDpiX:
            return widget_.physicalDpiX();
        case PdmPhysicalDpiY:
            return widget_.physicalDpiY();
        case PdmDevicePixelRatio:
            return static_cast<int>(widget_.devicePixelRatio());
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(std::lround(widget_.devicePixelRatioF() * devicePixelRatioFScale()));
        default:
            return 0;
        }
    }

    const QWidget& widget_;
    std::array<int, PdmDevicePixelRatioScaled + 1> metrics_{};
};

CalcTextView::CalcTextView(AppSettings& settings, Appearance& appearance, QWidget* parent)
    : QTextEdit(parent), settings_(settings), appearance_(appearance) {
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setTabChangesFocus(false);
    // Qt draws its caret by inverting what lies under it; the view paints one in the accent colour.
    setCursorWidth(0);
    viewport()->setMouseTracking(true);
    viewport()->installEventFilter(this);

    layoutDevice_ = std::make_unique<LayoutDevice>(*viewport());
    document()->documentLayout()->setPaintDevice(layoutDevice_.get());
    document()->setDocumentMargin(0);
    // Lines are laid out left to right, as sums and units are written; a right-to-left run inside a line
    // is still set right to left. Told, the layout no longer reads every line to find its direction.
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    document()->setDefaultTextOption(option);
    document()->setDefaultFont(editorFont());
    setFont(editorFont());
    measureRows();
    setMargins();

    connect(document(), &QTextDocument::contentsChange, this, [this](int position, int removed, int added) {
        noteChange(position, removed, added);
        const int first = std::max(document()->findBlock(position).blockNumber(), 0);
        const int last = std::max(document()->findBlock(position + added).blockNumber(), first);
        if (!changedBlocks_ || last >= changedBlocks_->second) {
            // Where the line after the change stands before the layout follows it: if it stays, no line
            // below the change moves.
            blockAfterChange_ = document()->findBlockByNumber(last).next();
            blockAfterTop_ = blockAfterChange_.isValid() ? blockAfterChange_.layout()->position().y() : 0;
        }
        changedBlocks_ = changedBlocks_ ? std::pair(std::min(changedBlocks_->first, first),
                                                    std::max(changedBlocks_->second, last))
                                        : std::pair(first, last);
        if (!styling_ && !restyleAll_) restyleSpans_.emplace_back(first, last);
    });
    // The view repaints what the layout laid out again itself: Qt would take the lines around an edit
    // and the whole width along.
    for (QObject* child : children()) {
        if (child->inherits("QWidgetTextControl"))
            disconnect(document()->documentLayout(), &QAbstractTextDocumentLayout::update, child, nullptr);
    }
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::update, this,
            &CalcTextView::repaintLaidOut);
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        rememberSelection();
        updateCaretLine();
        // The caret the view paints, where it was and where it is.
        viewport()->update(paintedCaret_);
        viewport()->update(caretBox(cursorRect()));
    });
    connect(this, &QTextEdit::selectionChanged, this, &CalcTextView::rememberSelection);
    runDrag = [](QDrag* drag, Qt::DropActions actions) { drag->exec(actions); };
    highlighter_ = new SheetHighlighter(document(), settings_, appearance_);
    connect(&appearance_, &Appearance::changed, viewport(), qOverload<>(&QWidget::update));
    restyle();
    relayout();
}

CalcTextView::~CalcTextView() = default;

void CalcTextView::readLayoutDevice() {
    // Another screen may set the text at another resolution.
    if (layoutDevice_->read()) document()->markContentsDirty(0, document()->characterCount());
}

QFont CalcTextView::editorFont() const {
    return Fonts::monospacedDigits(Fonts::editorTextSize(settings_.textSize()), QFont::Normal);
}

void CalcTextView::measureRows() {
    QTextDocument row;
    row.setDocumentMargin(0);
    row.setDefaultFont(editorFont());
    QTextCursor cursor(&row);
    cursor.insertText(QStringLiteral("0"));
    row.documentLayout()->blockBoundingRect(row.begin());
    const QTextLine natural = row.begin().layout()->lineAt(0);
    rowHeight_ = natural.rect().height();
    rowPitch_ = natural.height() + lineSpacing;
    cursor.setBlockFormat(lineFormat(QTextBlockFormat(), 0));
    row.documentLayout()->blockBoundingRect(row.begin());
    rowInset_ = row.begin().layout()->lineAt(0).y();
}

void CalcTextView::applyEditorFont() {
    document()->setDefaultFont(editorFont());
    setFont(editorFont());
    measureRows();
    setMargins();
    restyleAll_ = true;
    restyle();
    viewport()->update();
}

void CalcTextView::setMargins() {
    // The first row of text stands textInsetY below the top, the last as far above the bottom, whatever
    // room a row of the pitch leaves above and below its text.
    QTextFrameFormat frame = document()->rootFrame()->frameFormat();
    frame.setLeftMargin(textOriginX);
    frame.setTopMargin(textInsetY - rowInset_);
    frame.setBottomMargin(textInsetY + rowInset_);
    frame.setRightMargin(0);
    document()->rootFrame()->setFrameFormat(frame);
}

// --- State -------------------------------------------------------------------------------------------

void CalcTextView::setResults(std::vector<LineResult> results) {
    setResults(std::make_shared<const std::vector<LineResult>>(std::move(results)));
}

void CalcTextView::setResults(Results results) {
    if (!results) results = std::make_shared<const std::vector<LineResult>>();
    if (results == results_) return;
    const std::vector<LineResult>& before = *results_;
    const std::vector<LineResult>& after = *results;
    const auto plotKind = [](const LineOutcome& outcome) {
        const PlotSpec* plot = outcome.as<PlotSpec>();
        return plot ? static_cast<int>(plot->kind) : -1;
    };
    const auto [firstInSight, lastInSight] = linesInSight();
    const std::size_t common = std::min(before.size(), after.size());
    int spanStart = -1;
    const auto closeSpan = [&](std::size_t line) {
        if (spanStart >= 0) restyleSpans_.emplace_back(spanStart, static_cast<int>(line) - 1);
        spanStart = -1;
    };
    for (std::size_t line = 0; line < common; ++line) {
        const LineOutcome& was = before[line].outcome;
        const LineOutcome& is = after[line].outcome;
        // A line turned note or not, or whose plot room changes, is styled again.
        const bool restyled = was.kind() != is.kind() || plotKind(was) != plotKind(is);
        if (restyled && spanStart < 0) spanStart = static_cast<int>(line);
        if (!restyled) closeSpan(line);
        const auto at = static_cast<std::int64_t>(line);
        if (at < firstInSight || at > lastInSight || was == is) continue;
        // The answer, right of the divider; the text is the layout's to repaint.
        const QRectF row = lineRect(at);
        updateBand(dividerX() + 1, viewport()->width(), row.top(), row.bottom());
        if (const auto plot = plotRect(at)) updateRows(plot->top(), plot->bottom());
    }
    closeSpan(common);
    if (after.size() != before.size()) {
        restyleSpans_.emplace_back(static_cast<int>(common),
                                   static_cast<int>(std::max(before.size(), after.size())));
        const QRectF row = lineRect(static_cast<std::int64_t>(common));
        if (!row.isNull()) updateRows(row.top(), toDocument(QPointF(0, viewport()->height())).y());
    }
    results_ = std::move(results);
    // Lines whose text changes from here on are coloured by these results at once.
    highlighter_->takeResults(*results_);
}

void CalcTextView::setLockedLines(std::set<std::int64_t> lines) {
    if (lines == lockedLines_) return;
    lockedLines_ = std::move(lines);
    viewport()->update();
}

void CalcTextView::setShowsPlots(bool shows) {
    if (showsPlots_ == shows) return;
    showsPlots_ = shows;
    restyleAll_ = true;
    // Hidden plots cannot be turned, also before the next paint.
    if (!shows) {
        plotBoxes_.clear();
        plotBoxesStale_ = false;
    }
    viewport()->update();
}

std::int64_t CalcTextView::caretPosition() const {
    return textCursor().selectionStart();
}

void CalcTextView::setCaret(std::int64_t offset, bool scrollIntoView) {
    const int position = static_cast<int>(std::clamp<std::int64_t>(offset, 0, committed_.size()));
    const int scroll = verticalScrollBar()->value();
    QTextCursor cursor = textCursor();
    cursor.setPosition(position);
    setTextCursor(cursor);
    if (scrollIntoView)
        ensureCursorVisible();
    else
        verticalScrollBar()->setValue(scroll);
    updateCaretLine();
}

void CalcTextView::updateCaretLine() {
    const std::int64_t line = document()->findBlock(textCursor().selectionStart()).blockNumber();
    if (caretLine_ == line) return;
    // The caret's line number is drawn bold.
    for (const std::optional<std::int64_t> numbered : {caretLine_, std::optional<std::int64_t>(line)}) {
        if (!numbered) continue;
        const QRectF row = lineRect(*numbered);
        if (!row.isNull()) updateBand(0, gutterWidth, row.top(), row.bottom() + 1);
    }
    caretLine_ = line;
}

void CalcTextView::repaintLaidOut(const QRectF& rect) {
    const std::optional<std::pair<int, int>> changed = std::exchange(changedBlocks_, std::nullopt);
    const QTextBlock after = std::exchange(blockAfterChange_, QTextBlock());
    const bool moved = after.isValid() && after.layout()->position().y() != blockAfterTop_;
    if (!rect.isValid()) {
        viewport()->update();
        return;
    }
    const QTextBlock first = changed ? document()->findBlockByNumber(changed->first) : QTextBlock();
    const QTextBlock last = changed ? document()->findBlockByNumber(changed->second) : QTextBlock();
    if (moved || !first.isValid() || !last.isValid() || !last.next().isValid()) {
        // Lines moved, or the last one changed (its plot room is the end of the document): numbers,
        // answers and plots go with them.
        updateRows(rect.top(), rect.bottom());
        return;
    }
    // Nothing moved: the text of the changed lines, from the top of the first to the top of the line
    // after the last.
    const QAbstractTextDocumentLayout* layout = document()->documentLayout();
    updateBand(textOriginX - 4, lineWrapColumnOrWidth() + 4, layout->blockBoundingRect(first).top(),
               layout->blockBoundingRect(last.next()).top());
}

void CalcTextView::updateRows(double top, double bottom) {
    updateBand(0, viewport()->width(), top, bottom);
}

void CalcTextView::updateBand(double left, double right, double top, double bottom) {
    const double scroll = verticalScrollBar()->value();
    const double from = std::max(0.0, top - scroll);
    const double to = std::min<double>(viewport()->height(), bottom - scroll);
    const int x = std::max(0, static_cast<int>(std::floor(left)));
    const int end = std::min(viewport()->width(), static_cast<int>(std::ceil(right)));
    if (to < from || end <= x) return;
    viewport()->update(QRect(x, static_cast<int>(std::floor(from)), end - x,
                             static_cast<int>(std::ceil(to) - std::floor(from)) + 1));
}

QRect CalcTextView::caretBox(const QRect& cursor) {
    return QRect(cursor.left() - 1, cursor.top(), static_cast<int>(caretWidth) + 3, cursor.height());
}

std::pair<std::int64_t, std::int64_t> CalcTextView::linesInSight() const {
    if (document()->isEmpty() && results_->empty()) return {0, -1};
    const double top = toDocument(QPointF(0, 0)).y();
    const std::int64_t first = firstBlockNear(top).blockNumber();
    const std::int64_t last = blockAtHeight(top + viewport()->height()).blockNumber();
    return {first, last};
}

// --- Styling and layout ------------------------------------------------------------------------------

double CalcTextView::plotRoomOf(std::size_t line) const {
    if (!showsPlots_ || line >= results_->size()) return 0;
    const PlotSpec* plot = (*results_)[line].outcome.as<PlotSpec>();
    if (!plot) return 0;
    return plot->kind == PlotSpec::Kind::surface ? surfaceRoom : plotRoom;
}

bool CalcTextView::hasWantedFormat(const QTextBlock& block, double room) const {
    const QTextBlockFormat format = block.blockFormat();
    return format.lineHeightType() == QTextBlockFormat::FixedHeight && format.lineHeight() == rowPitch_ &&
           format.bottomMargin() == room;
}

QTextBlockFormat CalcTextView::lineFormat(QTextBlockFormat format, double room) const {
    // A fixed height: a row whose Japanese comes from a face with more room above and below would
    // otherwise stand taller than its neighbours.
    format.setLineHeight(rowPitch_, QTextBlockFormat::FixedHeight);
    format.setBottomMargin(room);
    return format;
}

std::vector<int> CalcTextView::blocksToStyle() const {
    const int count = document()->blockCount();
    std::vector<int> blocks;
    if (restyleAll_) {
        blocks.resize(static_cast<std::size_t>(count));
        for (int block = 0; block < count; ++block)
            blocks[static_cast<std::size_t>(block)] = block;
        return blocks;
    }
    for (const auto& [first, last] : restyleSpans_)
        for (int block = first; block <= std::min(last, count - 1); ++block)
            blocks.push_back(block);
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    return blocks;
}

void CalcTextView::restyle() {
    const std::vector<int> blocks = blocksToStyle();
    const bool everyBlock = restyleAll_;
    restyleAll_ = false;
    restyleSpans_.clear();
    std::vector<int> stale;
    bool longLines = false;
    // Blocks of the same format share its index, and a sheet's blocks have a few formats between them:
    // each is read once, not once a line.
    struct KnownFormat {
        int index;
        bool wanted[3]; // with no room, a curve's room, a surface's room
    };
    std::vector<KnownFormat> known;
    const auto roomKind = [](double room) { return room == 0 ? 0 : room == plotRoom ? 1 : 2; };
    QTextBlock block;
    for (const int number : blocks) {
        block = block.isValid() && block.blockNumber() + 1 == number ? block.next()
                                                                     : document()->findBlockByNumber(number);
        if (!block.isValid()) break;
        const auto index = static_cast<std::size_t>(number);
        if (block.length() > longLine + 1) {
            longLines = true;
            // A long line keeps its shaped glyphs between layouts: without them every caret query and
            // paint itemizes and shapes the whole line again.
            if (!block.layout()->cacheEnabled()) block.layout()->setCacheEnabled(true);
        }
        const int formatIndex = block.blockFormatIndex();
        auto format = std::find_if(known.begin(), known.end(),
                                   [formatIndex](const KnownFormat& k) { return k.index == formatIndex; });
        if (format == known.end()) {
            known.push_back({formatIndex,
                             {hasWantedFormat(block, 0), hasWantedFormat(block, plotRoom),
                              hasWantedFormat(block, surfaceRoom)}});
            format = known.end() - 1;
        }
        const bool formatted = format->wanted[roomKind(plotRoomOf(index))];
        if (!formatted || highlighter_->isStale(block, static_cast<int>(index))) stale.push_back(number);
    }
    // Rows break anywhere while some line is long: after a change elsewhere, whether one still is.
    if (!longLines && !everyBlock && wordWrapMode() == QTextOption::WrapAnywhere) {
        for (QTextBlock line = document()->begin(); line.isValid() && !longLines; line = line.next())
            longLines = line.length() > longLine + 1;
    }
    wrapForLongLines(longLines);
    styleBlocks(stale);
}

void CalcTextView::wrapForLongLines(bool longLines) {
    // Wrapping at word boundaries looks for a boundary to the end of the line for every row it makes:
    // a line of a megabyte without spaces would take minutes. While the text holds such a line, rows
    // break at any character.
    const QTextOption::WrapMode wanted =
        longLines ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != wanted) setWordWrapMode(wanted);
}

void CalcTextView::styleBlocks(const std::vector<int>& blockNumbers) {
    // Each change of a block's format is an edit the layout answers at once, from that block on: the
    // blocks go in one edit per group of nearby ones, so that a sheet is laid out once, not once a line.
    // A block whose format is right is marked changed all the same, so that its colours follow its
    // note state. Lines between two blocks this close are laid out and coloured again with them.
    constexpr int joinedGap = 32;
    ownChange_ = true;
    styling_ = true;
    std::size_t first = 0;
    while (first < blockNumbers.size()) {
        std::size_t last = first;
        while (last + 1 < blockNumbers.size() && blockNumbers[last + 1] - blockNumbers[last] <= joinedGap)
            ++last;
        QTextCursor edit(document());
        edit.beginEditBlock();
        for (std::size_t k = first; k <= last; ++k) {
            const QTextBlock block = document()->findBlockByNumber(blockNumbers[k]);
            if (!block.isValid()) continue;
            const double room = plotRoomOf(static_cast<std::size_t>(blockNumbers[k]));
            QTextCursor at(block);
            if (hasWantedFormat(block, room)) {
                at.mergeBlockFormat(QTextBlockFormat());
                continue;
            }
            at.setBlockFormat(lineFormat(block.blockFormat(), room));
        }
        edit.endEditBlock();
        first = last + 1;
    }
    ownChange_ = false;
    styling_ = false;
}

double CalcTextView::columnWidth() const {
    return settings_.resultColumnWidth();
}

double CalcTextView::dividerX() const {
    return viewport()->width() - columnWidth() - 30;
}

void CalcTextView::relayout() {
    const double available = viewport()->width();
    if (available <= 1) return;
    const double wanted =
        textOriginX + std::max(minimumTextWidth, available - textOriginX - columnWidth() - rightReserve);
    const int width = static_cast<int>(std::lround(wanted));
    if (std::abs(lineWrapColumnOrWidth() - wanted) > 0.5) setLineWrapColumnOrWidth(width);
    // The divider and the answers move with the column.
    const std::pair<int, double> laidOutFor{viewport()->width(), columnWidth()};
    if (laidOutFor == laidOutFor_) return;
    laidOutFor_ = laidOutFor;
    viewport()->update();
}

void CalcTextView::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    relayout();
}

void CalcTextView::focusInEvent(QFocusEvent* event) {
    QTextEdit::focusInEvent(event);
    viewport()->update();
}

void CalcTextView::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    viewport()->update();
}

// --- Geometry ----------------------------------------------------------------------------------------

QPointF CalcTextView::toDocument(QPointF viewportPoint) const {
    return viewportPoint + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QRectF CalcTextView::lineRect(std::int64_t line) const {
    if (line < 0 || line >= document()->blockCount()) return {};
    const QTextBlock block = document()->findBlockByNumber(static_cast<int>(line));
    const QRectF bounds = document()->documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0) return {};
    const QTextLine first = layout->lineAt(0);
    // Where a row of the editor's font would stand: a row of a taller face starts higher in its box.
    QRectF rect = first.rect().translated(bounds.topLeft());
    rect.moveTop(bounds.top() + rowInset_);
    double height = rowPitch_;
    if (layout->lineCount() == 1) height += block.blockFormat().bottomMargin();
    rect.setHeight(height);
    return rect;
}

QTextBlock CalcTextView::blockAtHeight(double y) const {
    // Blocks lie top to bottom in their order. The layout's own hit test walks every block from the
    // first; this walks from the block found last, which a paint or a mouse move finds again nearby.
    // Only blocks between the two are laid out for it.
    const QAbstractTextDocumentLayout* layout = document()->documentLayout();
    QTextBlock block = document()->findBlockByNumber(std::min(lastBlockFound_, document()->blockCount() - 1));
    if (!block.isValid()) block = document()->begin();
    while (block.previous().isValid() && layout->blockBoundingRect(block).top() > y)
        block = block.previous();
    while (block.next().isValid() && layout->blockBoundingRect(block.next()).top() <= y)
        block = block.next();
    lastBlockFound_ = block.blockNumber();
    return block;
}

std::optional<std::int64_t> CalcTextView::lineIndexAt(double y) const {
    if (y < 0) return std::nullopt;
    const std::int64_t near = blockAtHeight(y).blockNumber();
    for (std::int64_t line = std::max<std::int64_t>(0, near - 1); line <= near + 1; ++line) {
        const QRectF rect = lineRect(line);
        if (!rect.isNull() && rect.top() <= y && y <= rect.bottom()) return line;
    }
    return std::nullopt;
}

std::optional<std::int64_t> CalcTextView::resultLineAt(QPointF point) const {
    if (point.x() < dividerX()) return std::nullopt;
    const auto line = lineIndexAt(toDocument(point).y());
    if (!line || *line >= static_cast<std::int64_t>(results_->size())) return std::nullopt;
    if ((*results_)[static_cast<std::size_t>(*line)].outcome.kind() != LineOutcome::Case::value)
        return std::nullopt;
    return line;
}

QTextBlock CalcTextView::firstBlockNear(double y) const {
    QTextBlock block = blockAtHeight(std::max(0.0, y));
    if (block.previous().isValid()) block = block.previous();
    return block;
}

} // namespace vell
