#include "SheetEditor/CalcTextView.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "LineRules/LineEditor.h"
#include "Plots/InlinePlot.h"
#include "SheetEditor/EditorBeep.h"
#include "SheetEditor/EditorPalette.h"
#include "SheetEditor/SheetHighlighter.h"
#include "Stores/AppSettings.h"
#include "Stores/QtText.h"

#include <QAbstractTextDocumentLayout>
#include <QDrag>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace vell {

namespace {

// The caret the view paints in the accent colour.
constexpr double caretWidth = 2;

QString normalized(const QString& text) {
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u'\r' || unit == u'\u2028' || unit == u'\u2029' || unit == u'\u0085')
            return fromU16(EditGate::normalizedLineBreaks(toU16(text)));
    }
    return text;
}

// A thin bar moved onto whole pixels of the device, at least one wide: on a screen of ratio 1.5 a
// one-point line would otherwise be smeared over two half-lit pixels.
QRectF onDevicePixels(const QRectF& rect, const QPainter& painter) {
    const double ratio = painter.device()->devicePixelRatioF();
    const QPointF origin = painter.transform().map(QPointF(0, 0));
    const auto snap = [ratio](double at) { return std::round(at * ratio) / ratio; };
    const double left = snap(rect.left() + origin.x()) - origin.x();
    const double width = std::max(1.0, std::round(rect.width() * ratio)) / ratio;
    return QRectF(left, rect.top(), width, rect.height());
}

// The document's text with its block breaks read as "\n" (toPlainText would also turn U+00A0 into a
// space, which the sheet must keep).
QString readDocument(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

// Whether a line of the text is longer than `limit` UTF-16 units.
bool hasLineLongerThan(QStringView text, qsizetype limit) {
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = text.size();
        if (end - start > limit) return true;
        start = end + 1;
    }
    return false;
}

} // namespace

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

    document()->setDocumentMargin(0);
    setMargins();
    document()->setDefaultFont(editorFont());
    setFont(editorFont());

    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int) { noteChange(position); });
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        rememberSelection();
        updateCaretLine();
        viewport()->update();
    });
    connect(this, &QTextEdit::selectionChanged, this, &CalcTextView::rememberSelection);
    runDrag = [](QDrag* drag, Qt::DropActions actions) { drag->exec(actions); };
    highlighter_ = new SheetHighlighter(document(), settings_, appearance_);
    connect(&appearance_, &Appearance::changed, viewport(), qOverload<>(&QWidget::update));
    restyle();
    relayout();
}

CalcTextView::~CalcTextView() = default;

std::u16string CalcTextView::text16() const {
    return toU16(committed_);
}

QFont CalcTextView::editorFont() const {
    return Fonts::monospacedDigits(Fonts::editorTextSize(settings_.textSize()), QFont::Normal);
}

void CalcTextView::setMargins() {
    QTextFrameFormat frame = document()->rootFrame()->frameFormat();
    frame.setLeftMargin(textOriginX);
    frame.setTopMargin(textInsetY);
    frame.setBottomMargin(textInsetY);
    frame.setRightMargin(0);
    document()->rootFrame()->setFrameFormat(frame);
}

// --- State -------------------------------------------------------------------------------------------

void CalcTextView::loadText(const QString& text) {
    changePending_ = false;
    if (readDocument(*document()) != text) {
        // One edit that covers the whole document: the layout takes it as new and lays it out from the
        // top, a step at a time, instead of all at once. Every line takes its line height from the
        // first block and its plot room in the same edit; the highlighter colours them once.
        wrapForLongLines(hasLineLongerThan(text, longLine));
        ownChange_ = true;
        QTextCursor edit(document());
        edit.beginEditBlock();
        document()->clear();
        setMargins();
        QTextCursor insert(document());
        QTextBlockFormat line = insert.blockFormat();
        line.setLineHeight(lineSpacing, QTextBlockFormat::LineDistanceHeight);
        line.setBottomMargin(0);
        insert.setBlockFormat(line);
        insert.insertText(text);
        std::size_t index = 0;
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next(), ++index) {
            const double room = plotRoomOf(index);
            if (room == 0) continue;
            QTextBlockFormat format = block.blockFormat();
            format.setBottomMargin(room);
            QTextCursor(block).setBlockFormat(format);
        }
        edit.endEditBlock();
        ownChange_ = false;
    }
    committed_ = text;
    setCaret(0, false);
    verticalScrollBar()->setValue(0);
    rememberSelection();
    updateCaretLine();
}

void CalcTextView::replaceText(const QString& text) {
    const QString current = readDocument(*document());
    changePending_ = false;
    if (current != text) {
        const qsizetype oldLength = current.size();
        const qsizetype newLength = text.size();
        qsizetype prefix = 0;
        while (prefix < oldLength && prefix < newLength && current[prefix] == text[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < oldLength - prefix && suffix < newLength - prefix &&
               current[oldLength - 1 - suffix] == text[newLength - 1 - suffix])
            ++suffix;
        if (hasLineLongerThan(text, longLine)) wrapForLongLines(true);
        // The new lines take their line height and plot room in the same edit, so that the layout
        // follows once for all of them (a sheet loaded into the view is one edit).
        QTextCursor edit(document());
        ownChange_ = true;
        edit.beginEditBlock();
        replaceSpan(static_cast<int>(prefix), static_cast<int>(oldLength - prefix - suffix),
                    text.mid(prefix, newLength - prefix - suffix));
        ownChange_ = true;
        const QTextBlock end = document()->findBlock(static_cast<int>(newLength - suffix)).next();
        std::size_t line =
            static_cast<std::size_t>(document()->findBlock(static_cast<int>(prefix)).blockNumber());
        for (QTextBlock block = document()->findBlock(static_cast<int>(prefix));
             block.isValid() && block != end; block = block.next(), ++line) {
            const double room = plotRoomOf(line);
            if (hasWantedFormat(block, room)) continue;
            QTextBlockFormat wanted = block.blockFormat();
            wanted.setLineHeight(lineSpacing, QTextBlockFormat::LineDistanceHeight);
            wanted.setBottomMargin(room);
            QTextCursor(block).setBlockFormat(wanted);
        }
        edit.endEditBlock();
        ownChange_ = false;
        rememberSelection();
    }
    committed_ = text;
    updateCaretLine();
}

void CalcTextView::setResults(std::vector<LineResult> results) {
    results_ = std::move(results);
    // Lines whose text changes from here on are coloured by these results at once.
    highlighter_->takeResults(results_);
    viewport()->update();
}

void CalcTextView::setLockedLines(std::set<std::int64_t> lines) {
    if (lines == lockedLines_) return;
    lockedLines_ = std::move(lines);
    viewport()->update();
}

void CalcTextView::setShowsPlots(bool shows) {
    if (showsPlots_ == shows) return;
    showsPlots_ = shows;
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

void CalcTextView::setTextSelection(Selection selection) {
    QTextCursor cursor = textCursor();
    const int end = static_cast<int>(committed_.size());
    cursor.setPosition(std::clamp(selection.anchor, 0, end));
    cursor.setPosition(std::clamp(selection.position, 0, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void CalcTextView::updateCaretLine() {
    const std::int64_t line = document()->findBlock(textCursor().selectionStart()).blockNumber();
    if (caretLine_ == line) return;
    caretLine_ = line;
    viewport()->update();
}

// --- Styling and layout ------------------------------------------------------------------------------

double CalcTextView::plotRoomOf(std::size_t line) const {
    if (!showsPlots_ || line >= results_.size()) return 0;
    const PlotSpec* plot = results_[line].outcome.as<PlotSpec>();
    if (!plot) return 0;
    return plot->kind == PlotSpec::Kind::surface ? surfaceRoom : plotRoom;
}

bool CalcTextView::hasWantedFormat(const QTextBlock& block, double room) {
    const QTextBlockFormat format = block.blockFormat();
    return format.lineHeightType() == QTextBlockFormat::LineDistanceHeight &&
           format.lineHeight() == lineSpacing && format.bottomMargin() == room;
}

void CalcTextView::restyle() {
    std::vector<int> stale;
    std::size_t index = 0;
    bool longLines = false;
    // Blocks of the same format share its index, and a sheet's blocks have a few formats between them:
    // each is read once, not once a line.
    struct KnownFormat {
        int index;
        bool wanted[3]; // with no room, a curve's room, a surface's room
    };
    std::vector<KnownFormat> known;
    const auto roomKind = [](double room) { return room == 0 ? 0 : room == plotRoom ? 1 : 2; };
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next(), ++index) {
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
        if (!formatted || highlighter_->isStale(block, static_cast<int>(index)))
            stale.push_back(static_cast<int>(index));
    }
    wrapForLongLines(longLines);
    styleBlocks(stale);
    viewport()->update();
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
            QTextBlockFormat wanted = block.blockFormat();
            wanted.setLineHeight(lineSpacing, QTextBlockFormat::LineDistanceHeight);
            wanted.setBottomMargin(room);
            at.setBlockFormat(wanted);
        }
        edit.endEditBlock();
        first = last + 1;
    }
    ownChange_ = false;
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
    viewport()->update();
}

void CalcTextView::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    relayout();
}

// --- The edit road -----------------------------------------------------------------------------------

void CalcTextView::noteChange(int position) {
    if (ownChange_) return;
    if (!changePending_) {
        changePending_ = true;
        changeFrom_ = position;
        // A change made outside an event of this view (a menu action calling paste()) is vetted once the
        // caller is done.
        if (eventDepth_ == 0)
            QMetaObject::invokeMethod(this, &CalcTextView::vetPendingChange, Qt::QueuedConnection);
    } else {
        changeFrom_ = std::min(changeFrom_, position);
    }
}

void CalcTextView::rememberSelection() {
    // The selection a refused change puts back: the last one seen before a change began.
    if (changePending_ || ownChange_) return;
    const QTextCursor cursor = textCursor();
    selectionBefore_ = Selection{cursor.anchor(), cursor.position()};
}

void CalcTextView::vetPendingChange() {
    if (!changePending_) return;
    changePending_ = false;
    const Selection before = selectionBefore_;
    struct Remember {
        CalcTextView* view;
        ~Remember() { view->rememberSelection(); }
    } remember{this};
    const QString now = readDocument(*document());
    if (now == committed_) {
        updateCaretLine();
        return;
    }
    // The change reported by the document tells where an ambiguous difference lies: Return at the end
    // of "ab" in "ab\ncd" is an insertion at 2, not at 3.
    const qsizetype oldLength = committed_.size();
    const qsizetype newLength = now.size();
    const qsizetype limit = std::min<qsizetype>({oldLength, newLength, std::max(changeFrom_, 0)});
    qsizetype prefix = 0;
    while (prefix < limit && committed_[prefix] == now[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < oldLength - prefix && suffix < newLength - prefix &&
           committed_[oldLength - 1 - suffix] == now[newLength - 1 - suffix])
        ++suffix;
    const qsizetype removed = oldLength - prefix - suffix;
    const qsizetype added = newLength - prefix - suffix;

    const EditGate::Options options{lockedLines_, bypassLockCheck_, settings_.groupsDigits()};
    const EditGate::Decision decision =
        EditGate::vet(toU16(committed_), TextRange{prefix, removed}, toU16(now.mid(prefix, added)), options);
    switch (decision.verdict) {
    case EditGate::Verdict::allow:
        committed_ = now;
        updateCaretLine();
        emit textEdited();
        return;
    case EditGate::Verdict::refuse:
        replaceSpan(static_cast<int>(prefix), static_cast<int>(added), committed_.mid(prefix, removed));
        setTextSelection(before);
        EditorBeep::sound();
        return;
    case EditGate::Verdict::replace:
        replaceSpan(static_cast<int>(prefix), static_cast<int>(added), committed_.mid(prefix, removed));
        replaceSpan(static_cast<int>(decision.range.location), static_cast<int>(decision.range.length),
                    fromU16(decision.text));
        committed_ = readDocument(*document());
        setCaret(decision.caret, true);
        emit textEdited();
        return;
    }
}

void CalcTextView::replaceSpan(int from, int length, const QString& text) {
    ownChange_ = true;
    QTextCursor cursor(document());
    cursor.setPosition(from);
    cursor.setPosition(from + length, QTextCursor::KeepAnchor);
    if (text.isEmpty())
        cursor.removeSelectedText();
    else
        cursor.insertText(text);
    ownChange_ = false;
    rememberSelection();
}

void CalcTextView::typeText(const QString& text) {
    if (hasLineLongerThan(text, longLine)) wrapForLongLines(true);
    ++eventDepth_;
    QTextCursor cursor = textCursor();
    cursor.insertText(normalized(text));
    setTextCursor(cursor);
    --eventDepth_;
    if (eventDepth_ == 0) vetPendingChange();
}

void CalcTextView::insertNewline() {
    const std::u16string indent = LineEditor::newlineIndent(text16(), caretPosition());
    typeText(QStringLiteral("\n") + fromU16(indent));
}

bool CalcTextView::replaceWhole(const std::u16string& text, std::int64_t caret) {
    const std::u16string current = text16();
    const EditGate::Options options{lockedLines_, true, settings_.groupsDigits()};
    const EditGate::Decision decision =
        EditGate::vet(current, TextRange{0, static_cast<std::int64_t>(current.size())}, text, options);
    if (decision.verdict == EditGate::Verdict::refuse) return false;
    std::u16string result = current;
    std::int64_t caretAfter = caret;
    if (decision.verdict == EditGate::Verdict::allow) {
        result = text;
    } else {
        result.replace(static_cast<std::size_t>(decision.range.location),
                       static_cast<std::size_t>(decision.range.length), decision.text);
        caretAfter = decision.caret;
    }
    const QString replaced = fromU16(result);
    if (replaced == committed_) return false;
    replaceText(replaced);
    setCaret(caretAfter, true);
    emit textEdited();
    return true;
}

bool CalcTextView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Undo and redo belong to the document store: let the window's actions have the keys.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            event->ignore();
            return false;
        }
    }
    ++eventDepth_;
    const bool handled = QTextEdit::event(event);
    --eventDepth_;
    if (eventDepth_ == 0) vetPendingChange();
    return handled;
}

bool CalcTextView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave && hoveredResultLine_) {
        hoveredResultLine_.reset();
        viewport()->update();
    }
    ++eventDepth_;
    const bool handled = QTextEdit::viewportEvent(event);
    --eventDepth_;
    if (eventDepth_ == 0) vetPendingChange();
    return handled;
}

void CalcTextView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        emit undoRequested();
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        emit redoRequested();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // With any modifier: Shift+Return would otherwise put a line separator inside the line.
        insertNewline();
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void CalcTextView::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->preeditString().isEmpty() && !bypassLockCheck_) {
        // A composition that would land on a locked line is never shown: whatever preedit shows goes,
        // the input method drops the rest, and a commit it still sends is refused like typing.
        const QTextCursor cursor = textCursor();
        const TextRange range{cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
        if (LineEditor::editTouchesLockedLine(text16(), range, lockedLines_)) {
            QInputMethodEvent cleared;
            cleared.setCommitString(normalized(event->commitString()), event->replacementStart(),
                                    event->replacementLength());
            QTextEdit::inputMethodEvent(&cleared);
            if (cleared.commitString().isEmpty()) EditorBeep::sound();
            QGuiApplication::inputMethod()->reset();
            event->accept();
            return;
        }
    }
    // The document reports a commit as a change of its whole line (the preedit area goes with it), so
    // the edit would look like a new line in place of the old; where the commit went is known here.
    const int commitFrom =
        std::max(0, textCursor().selectionStart() + std::min(0, event->replacementStart()));
    const QString commit = normalized(event->commitString());
    if (commit == event->commitString()) {
        QTextEdit::inputMethodEvent(event);
    } else {
        QInputMethodEvent copy(event->preeditString(), event->attributes());
        copy.setCommitString(commit, event->replacementStart(), event->replacementLength());
        QTextEdit::inputMethodEvent(&copy);
    }
    if (changePending_ && !commit.isEmpty()) changeFrom_ = commitFrom;
}

QVariant CalcTextView::inputMethodQuery(Qt::InputMethodQuery query) const {
    QVariant value = QTextEdit::inputMethodQuery(query);
    if ((query == Qt::ImCursorRectangle || query == Qt::ImAnchorRectangle) && value.canConvert<QRectF>()) {
        QRectF rect = value.toRectF();
        if (rect.width() < caretWidth) rect.setWidth(caretWidth);
        value = rect;
    }
    return value;
}

void CalcTextView::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText()) return;
    if (hasLineLongerThan(source->text(), longLine)) wrapForLongLines(true);
    QTextCursor cursor = textCursor();
    cursor.insertText(normalized(source->text()));
    setTextCursor(cursor);
    ensureCursorVisible();
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
    QRectF rect = first.rect().translated(bounds.topLeft());
    double height = first.height() + lineSpacing;
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
    if (!line || *line >= static_cast<std::int64_t>(results_.size())) return std::nullopt;
    if (results_[static_cast<std::size_t>(*line)].outcome.kind() != LineOutcome::Case::value)
        return std::nullopt;
    return line;
}

QTextBlock CalcTextView::firstBlockNear(double y) const {
    QTextBlock block = blockAtHeight(std::max(0.0, y));
    if (block.previous().isValid()) block = block.previous();
    return block;
}

// --- Painting ----------------------------------------------------------------------------------------

QFont CalcTextView::resultFont(const QString& text, double maxWidth, const QFont& base) {
    if (maxWidth <= 0) return base;
    const double size = base.pointSizeF() * 96.0 / 72.0;
    const double floor = 0.7 * size;
    for (double candidate = size;;) {
        const QFont font = Fonts::monospacedDigits(candidate, QFont::DemiBold);
        if (QFontMetricsF(font).horizontalAdvance(text) <= maxWidth) return font;
        const double next = candidate - 0.5;
        if (next <= floor) return Fonts::monospacedDigits(floor, QFont::DemiBold);
        candidate = next;
    }
}

void CalcTextView::paintEvent(QPaintEvent* event) {
    const bool dark = appearance_.isDark();
    QPalette colours = palette();
    const QColor background = EditorPalette::background.resolve(dark);
    if (colours.color(QPalette::Base) != background) {
        colours.setColor(QPalette::Base, background);
        colours.setColor(QPalette::Window, background);
        colours.setColor(QPalette::Text, EditorPalette::text.resolve(dark));
        setPalette(colours);
        viewport()->setPalette(colours);
    }
    QTextEdit::paintEvent(event);

    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPointF offset = toDocument(QPointF(0, 0));
    painter.translate(-offset);
    paintDecorations(painter, QRectF(event->rect()).translated(offset));

    if (hasFocus() && !textCursor().hasSelection()) {
        const QRect caret = cursorRect();
        painter.resetTransform();
        painter.fillRect(
            onDevicePixels(QRectF(caret.left(), caret.top(), caretWidth, caret.height()), painter),
            EditorPalette::accent.resolve(dark));
    }
}

std::optional<CalcTextView::Answer> CalcTextView::answerFor(std::int64_t line) const {
    if (line < 0 || line >= static_cast<std::int64_t>(results_.size())) return std::nullopt;
    const bool dark = appearance_.isDark();
    const double columnWidth = this->columnWidth();
    const LineOutcome& outcome = results_[static_cast<std::size_t>(line)].outcome;
    Answer answer{{}, Fonts::system(11.5, QFont::Medium), {}};
    switch (outcome.kind()) {
    case LineOutcome::Case::value:
        answer.text = QString::fromStdString(ValueFormatter::format(*outcome.as<Value>(), true));
        answer.font =
            resultFont(answer.text, columnWidth,
                       Fonts::monospacedDigits(Fonts::editorTextSize(settings_.textSize()), QFont::DemiBold));
        answer.colour = EditorPalette::resultText.resolve(dark);
        break;
    case LineOutcome::Case::plot:
        answer.text = QString::fromStdString(L10n::text("グラフ ↓", "Graph ↓"));
        answer.colour = EditorPalette::plotLabel.resolve(dark);
        break;
    case LineOutcome::Case::failure:
        answer.text = QString::fromStdString(outcome.as<LineOutcome::Failure>()->message);
        answer.colour = EditorPalette::failureText.resolve(dark);
        break;
    case LineOutcome::Case::blank:
    case LineOutcome::Case::comment:
        return std::nullopt;
    }
    answer.text = QFontMetricsF(answer.font).elidedText(answer.text, Qt::ElideRight, columnWidth);
    return answer;
}

void CalcTextView::paintLock(QPainter& painter, double y, const QColor& colour) const {
    // A padlock drawn as a path: no emoji font is needed.
    painter.save();
    QPen pen(colour, 1.4);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(5.5, y + 1.5, 6, 7), 0, 180 * 16);
    painter.drawLine(QPointF(5.5, y + 5), QPointF(5.5, y + 6.5));
    painter.drawLine(QPointF(11.5, y + 5), QPointF(11.5, y + 6.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(3.5, y + 6.5, 10, 7.5), 1.5, 1.5);
    painter.restore();
}

void CalcTextView::paintDecorations(QPainter& painter, const QRectF& dirty) {
    const bool dark = appearance_.isDark();
    const double width = viewport()->width();
    const double columnWidth = this->columnWidth();
    const double top = toDocument(QPointF(0, 0)).y();

    painter.fillRect(onDevicePixels(QRectF(width - columnWidth - 30, top, 1, viewport()->height()), painter),
                     EditorPalette::divider.resolve(dark));

    const QFont numberFont = Fonts::monospacedDigits(11.5, QFont::Medium);
    const QFont caretNumberFont = Fonts::monospacedDigits(11.5, QFont::Bold);
    const QTextOption alignRight(Qt::AlignRight | Qt::AlignTop);

    for (QTextBlock block = firstBlockNear(dirty.top() - 30); block.isValid(); block = block.next()) {
        const std::int64_t line = block.blockNumber();
        const QRectF rect = lineRect(line);
        if (rect.isNull()) continue;
        if (rect.bottom() < dirty.top() - 30) continue;
        if (rect.top() > dirty.bottom() + 30) break;

        if (lockedLines_.contains(line))
            paintLock(painter, rect.top() + 4, EditorPalette::lineNumber.resolve(dark));

        const bool caret = caretLine_ == line;
        painter.setFont(caret ? caretNumberFont : numberFont);
        painter.setPen((caret ? EditorPalette::caretLineNumber : EditorPalette::lineNumber).resolve(dark));
        painter.drawText(QRectF(0, rect.top() + 3, 37, std::max(16.0, rect.height())),
                         QString::number(line + 1), alignRight);

        if (line >= static_cast<std::int64_t>(results_.size())) continue;
        if (hoveredResultLine_ == line &&
            results_[static_cast<std::size_t>(line)].outcome.kind() == LineOutcome::Case::value) {
            QPainterPath fill;
            fill.addRoundedRect(
                QRectF(width - columnWidth - 26, rect.top(), columnWidth + 16, std::max(20.0, rect.height())),
                6, 6);
            painter.fillPath(fill, EditorPalette::hoverFill.resolve(dark));
        }

        const auto answer = answerFor(line);
        if (!answer) continue;
        painter.setFont(answer->font);
        painter.setPen(answer->colour);
        painter.drawText(
            QRectF(width - columnWidth - 18, rect.top() + 2, columnWidth, std::max(20.0, rect.height())),
            answer->text, alignRight);
    }

    drawPlots(painter, dirty);
}

QSizeF CalcTextView::plotSize(PlotSpec::Kind kind, double viewWidth, double columnWidth) {
    if (kind == PlotSpec::Kind::surface) return {std::max(120.0, viewWidth - 76), 260};
    return {std::max(120.0, viewWidth - columnWidth - 100), 190};
}

std::optional<QRectF> CalcTextView::plotRect(std::int64_t line) const {
    if (!showsPlots_ || line < 0 || line >= static_cast<std::int64_t>(results_.size())) return std::nullopt;
    const PlotSpec* spec = results_[static_cast<std::size_t>(line)].outcome.as<PlotSpec>();
    if (!spec || line >= document()->blockCount()) return std::nullopt;
    const QTextBlock block = document()->findBlockByNumber(static_cast<int>(line));
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0) return std::nullopt;
    // Under the last row: the room below the line follows the whole paragraph, however it wraps.
    const QRectF bounds = document()->documentLayout()->blockBoundingRect(block);
    const double top = bounds.top() + layout->lineAt(layout->lineCount() - 1).rect().bottom() + plotGap;
    return QRectF(QPointF(plotX, top), plotSize(spec->kind, viewport()->width(), columnWidth()));
}

const std::vector<CalcTextView::PlotBox>& CalcTextView::plotBoxes() const {
    if (!plotBoxesStale_) return plotBoxes_;
    plotBoxesStale_ = false;
    plotBoxes_.clear();
    if (!showsPlots_) return plotBoxes_;
    for (std::size_t line = 0; line < results_.size(); ++line) {
        const PlotSpec* spec = results_[line].outcome.as<PlotSpec>();
        if (!spec || spec->kind != PlotSpec::Kind::surface) continue;
        if (const auto rect = plotRect(static_cast<std::int64_t>(line)))
            plotBoxes_.push_back({*rect, spec->title});
    }
    return plotBoxes_;
}

void CalcTextView::drawPlots(QPainter& painter, const QRectF& dirty) {
    // Where the surfaces lie is found again when it is asked for (a press that may turn one).
    plotBoxesStale_ = true;
    if (!showsPlots_) return;
    const bool dark = appearance_.isDark();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    std::vector<HeldImage> held;
    // A plot lies in the room under its line, above the next line: only the lines in sight are asked.
    for (QTextBlock block = firstBlockNear(dirty.top()); block.isValid(); block = block.next()) {
        const auto line = static_cast<std::size_t>(block.blockNumber());
        if (line >= results_.size()) break;
        if (document()->documentLayout()->blockBoundingRect(block).top() > dirty.bottom()) break;
        const PlotSpec* spec = results_[line].outcome.as<PlotSpec>();
        if (!spec) continue;
        const auto rect = plotRect(static_cast<std::int64_t>(line));
        if (!rect || !rect->intersects(dirty)) continue;
        const QImage image = InlinePlot::image(*spec, rect->width(), rect->height(), dark,
                                               painter.device()->devicePixelRatioF());
        if (image.isNull()) continue;
        painter.drawImage(*rect, image);
        held.push_back({static_cast<std::int64_t>(line), image});
    }
    painter.restore();
    // The images of plots within a screen's height of the sight stay, so that scrolling a little
    // does not render them again; the cache lets go of every other.
    const QRectF sight(toDocument(QPointF(0, 0)), QSizeF(viewport()->size()));
    const QRectF near = sight.adjusted(0, -sight.height(), 0, sight.height());
    for (const HeldImage& image : heldImages_) {
        const bool drawn = std::any_of(held.begin(), held.end(),
                                       [&image](const HeldImage& other) { return other.line == image.line; });
        if (drawn) continue;
        if (const auto rect = plotRect(image.line); rect && rect->intersects(near)) held.push_back(image);
    }
    heldImages_ = std::move(held);
    InlinePlot::dropUnheld();
}

// --- Mouse -------------------------------------------------------------------------------------------

void CalcTextView::updateHover(QPointF viewportPoint) {
    const auto line = resultLineAt(viewportPoint);
    if (line == hoveredResultLine_) return;
    hoveredResultLine_ = line;
    viewport()->update();
}

void CalcTextView::updateCursorShape(QPointF point) {
    const double divider = dividerX();
    Qt::CursorShape shape = Qt::IBeamCursor;
    if (point.x() >= divider) shape = Qt::PointingHandCursor;
    if (point.x() < gutterWidth) shape = Qt::PointingHandCursor;
    if (std::abs(point.x() - divider) <= 7) shape = Qt::SizeHorCursor;
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

bool CalcTextView::beginRotation(QPointF viewportPoint) {
    const QPointF point = toDocument(viewportPoint);
    // The surface drawn last lies on top.
    const std::vector<PlotBox>& boxes = plotBoxes();
    for (auto entry = boxes.rbegin(); entry != boxes.rend(); ++entry) {
        if (!entry->box.adjusted(-plotGrip, -plotGrip, plotGrip, plotGrip).contains(point)) continue;
        rotating_ = Rotation{entry->title, point, InlinePlot::angle(entry->title)};
        return true;
    }
    return false;
}

void CalcTextView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QTextEdit::mousePressEvent(event);
    const QPointF point = event->position();
    if (beginRotation(point)) return;
    if (std::abs(point.x() - dividerX()) <= 7) {
        resizeStart_ = ResizeStart{point.x(), columnWidth()};
        return;
    }
    if (point.x() < gutterWidth) {
        const auto line = lineIndexAt(toDocument(point).y());
        if (line && *line < static_cast<std::int64_t>(results_.size())) {
            emit lockToggleRequested(*line);
            return;
        }
    }
    if (const auto line = resultLineAt(point)) {
        pressedResultLine_ = line;
        pressedPoint_ = point;
        return;
    }
    pressedResultLine_.reset();
    QTextEdit::mousePressEvent(event);
}

void CalcTextView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF point = event->position();
    updateCursorShape(point);
    if (rotating_) {
        // From the angle at the press: the angle depends only on how far the mouse is from there.
        const QPointF offset = toDocument(point) - rotating_->start;
        InlinePlot::angles()[rotating_->title] = rotating_->angle.dragged(offset.x(), offset.y());
        viewport()->update();
        return;
    }
    if (resizeStart_) {
        emit columnResizeRequested(resizeStart_->width - (point.x() - resizeStart_->x), viewport()->width());
        return;
    }
    if (pressedResultLine_) {
        if (std::hypot(point.x() - pressedPoint_.x(), point.y() - pressedPoint_.y()) > 3) {
            const std::int64_t line = *pressedResultLine_;
            pressedResultLine_.reset();
            emit answerDragRequested(line, point);
        }
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) updateHover(point);
    QTextEdit::mouseMoveEvent(event);
}

void CalcTextView::mouseReleaseEvent(QMouseEvent* event) {
    if (rotating_) {
        rotating_.reset();
        return;
    }
    if (resizeStart_) {
        resizeStart_.reset();
        updateCursorShape(event->position());
        return;
    }
    if (pressedResultLine_) {
        const std::int64_t line = *pressedResultLine_;
        pressedResultLine_.reset();
        emit answerClicked(line);
        return;
    }
    QTextEdit::mouseReleaseEvent(event);
}

void CalcTextView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click on a surface turns it like the first, instead of selecting
    // a word of the line above.
    if (event->button() == Qt::LeftButton && beginRotation(event->position())) return;
    QTextEdit::mouseDoubleClickEvent(event);
}

QMenu* CalcTextView::contextMenuAt(QPoint viewportPoint) {
    const auto line = resultLineAt(viewportPoint);
    if (!line) return createStandardContextMenu(toDocument(viewportPoint).toPoint());
    auto* menu = new QMenu(this);
    const bool named = results_[static_cast<std::size_t>(*line)].name.has_value();
    const std::string title =
        named ? L10n::text("名前を変える…", "Rename…") : L10n::text("名前を付ける…", "Name This Line…");
    QAction* action = menu->addAction(QString::fromStdString(title));
    const std::int64_t index = *line;
    connect(action, &QAction::triggered, this, [this, index] { emit nameRequested(index); });
    return menu;
}

void CalcTextView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = contextMenuAt(event->pos());
    menu->exec(event->globalPos());
    delete menu;
}

// --- Dragging an answer out --------------------------------------------------------------------------

QPixmap CalcTextView::dragPixmap(const QString& name) const {
    const bool dark = appearance_.isDark();
    const QFont font = Fonts::monospacedDigits(Fonts::editorTextSize(settings_.textSize()), QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const QSizeF label(metrics.horizontalAdvance(name), metrics.height());
    const QSizeF size(std::ceil(label.width() + 28), std::ceil(label.height() + 8));
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap((size * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = EditorPalette::accent.resolve(dark);
    QPainterPath fill;
    fill.addRoundedRect(QRectF(QPointF(0, 0), size), 6, 6);
    painter.fillPath(fill, EditorPalette::background.resolve(dark));
    QColor border = accent;
    border.setAlphaF(0.5);
    painter.setPen(QPen(border, 1));
    painter.drawRoundedRect(QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.setFont(font);
    painter.setPen(accent);
    painter.drawText(QRectF(QPointF(14, 4), label), Qt::AlignLeft | Qt::AlignTop, name);
    return pixmap;
}

void CalcTextView::beginResultDrag(const QString& name, QPointF viewportPoint) {
    Q_UNUSED(viewportPoint);
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setText(name);
    drag->setMimeData(data);
    const QPixmap pixmap = dragPixmap(name);
    drag->setPixmap(pixmap);
    const QSizeF size = pixmap.deviceIndependentSize();
    drag->setHotSpot(QPoint(static_cast<int>(size.width() / 2), static_cast<int>(size.height() / 2)));
    runDrag(drag, Qt::CopyAction);
}

} // namespace vell
