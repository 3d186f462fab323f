// The edit road: keys, input methods and drops change the document, and the change is vetted by
// the edit gate when the event is done; text from the store is laid in without counting as an edit.

#include "LineRules/LineEditor.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/EditorBeep.h"
#include "Stores/AppSettings.h"
#include "Stores/QtText.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace vell {

namespace {

QString normalized(const QString& text) {
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u'\r' || unit == u'\u2028' || unit == u'\u2029' || unit == u'\u0085')
            return fromU16(EditGate::normalizedLineBreaks(toU16(text)));
    }
    return text;
}

// The document's text with its block breaks read as "\n" (toPlainText would also turn U+00A0 into a
// space, which the sheet must keep).
QString readDocument(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

// The same for [from, to) of the document.
QString readDocumentSpan(QTextDocument& document, int from, int to) {
    QTextCursor span(&document);
    span.setPosition(from);
    span.setPosition(to, QTextCursor::KeepAnchor);
    QString text = span.selectedText();
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

std::u16string CalcTextView::text16() const {
    return toU16(committed_);
}

// --- Text from the store -----------------------------------------------------------------------------

void CalcTextView::loadText(const QString& text) {
    changePending_ = false;
    restyleAll_ = true;
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
        insert.setBlockFormat(lineFormat(insert.blockFormat(), 0));
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
            QTextCursor(block).setBlockFormat(lineFormat(block.blockFormat(), room));
        }
        edit.endEditBlock();
        ownChange_ = false;
        rememberSelection();
    }
    committed_ = text;
    updateCaretLine();
}

// --- The edit road -----------------------------------------------------------------------------------

void CalcTextView::noteChange(int position, int removed, int added) {
    if (ownChange_) return;
    if (!changePending_) {
        changePending_ = true;
        changeFrom_ = position;
        changedSpan_ = ChangedSpan{position, position + added, added - removed};
        // A change made outside an event of this view (a menu action calling paste()) is vetted once the
        // caller is done.
        if (eventDepth_ == 0)
            QMetaObject::invokeMethod(this, &CalcTextView::vetPendingChange, Qt::QueuedConnection);
    } else {
        changeFrom_ = std::min(changeFrom_, position);
        if (changedSpan_) {
            // The span so far, its end moved by this change, and this change's own.
            ChangedSpan& span = *changedSpan_;
            const int end =
                span.to <= position ? span.to : std::max(span.to, position + removed) - removed + added;
            span.from = std::min(span.from, position);
            span.to = std::max(end, position + added);
            span.grown += added - removed;
        }
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
    // Only the span the document reported changed is read; without one, the whole text.
    std::optional<ChangedSpan> span = std::exchange(changedSpan_, std::nullopt);
    const qsizetype documentLength = document()->characterCount() - 1;
    // A change may be reported up to the document's closing paragraph, which is not text.
    if (span && span->to > documentLength && documentLength - committed_.size() == span->grown)
        span->to = static_cast<int>(documentLength);
    const bool followed = span && span->from >= 0 && span->from <= span->to && span->to <= documentLength &&
                          span->to - span->grown >= span->from &&
                          span->to - span->grown <= committed_.size() &&
                          documentLength - committed_.size() == span->grown;
    const qsizetype from = followed ? span->from : 0;
    const qsizetype oldEnd = followed ? span->to - span->grown : committed_.size();
    const qsizetype newEnd = followed ? span->to : documentLength;
    const QString now =
        followed ? readDocumentSpan(*document(), span->from, span->to) : readDocument(*document());
    const QStringView was = QStringView(committed_).mid(from, oldEnd - from);
    if (now == was) {
        updateCaretLine();
        return;
    }
    // The change reported by the document tells where an ambiguous difference lies: Return at the end
    // of "ab" in "ab\ncd" is an insertion at 2, not at 3.
    const qsizetype limit = std::min<qsizetype>({oldEnd, newEnd, std::max<qsizetype>(changeFrom_, from)});
    qsizetype prefix = from;
    while (prefix < limit && committed_[prefix] == now[prefix - from])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < oldEnd - prefix && suffix < newEnd - prefix &&
           committed_[oldEnd - 1 - suffix] == now[newEnd - from - 1 - suffix])
        ++suffix;
    const qsizetype removed = oldEnd - prefix - suffix;
    const qsizetype added = newEnd - prefix - suffix;
    const QString insertion = now.mid(prefix - from, added);

    const EditGate::Options options{lockedLines_, bypassLockCheck_, settings_.groupsDigits()};
    const EditGate::Decision decision =
        EditGate::vet(u16View(committed_), TextRange{prefix, removed}, u16View(insertion), options);
    switch (decision.verdict) {
    case EditGate::Verdict::allow:
        lastEdit_ = Edit{prefix, committed_.mid(prefix, removed), insertion};
        committed_.replace(prefix, removed, insertion);
        updateCaretLine();
        emit textEdited();
        return;
    case EditGate::Verdict::refuse:
    case EditGate::Verdict::tooLarge:
        replaceSpan(static_cast<int>(prefix), static_cast<int>(added), committed_.mid(prefix, removed));
        setTextSelection(before);
        refused(decision.verdict);
        return;
    case EditGate::Verdict::replace:
        replaceSpan(static_cast<int>(prefix), static_cast<int>(added), committed_.mid(prefix, removed));
        replaceSpan(static_cast<int>(decision.range.location), static_cast<int>(decision.range.length),
                    fromU16(decision.text));
        lastEdit_ =
            Edit{decision.range.location, committed_.mid(decision.range.location, decision.range.length),
                 fromU16(decision.text)};
        committed_.replace(decision.range.location, decision.range.length, lastEdit_->inserted);
        setCaret(decision.caret, true);
        emit textEdited();
        return;
    }
}

void CalcTextView::refused(EditGate::Verdict verdict) {
    lastChangeRefused_ = true;
    // A long line that was pasted or dropped set rows to break anywhere; it is gone again.
    if (wordWrapMode() == QTextOption::WrapAnywhere)
        wrapForLongLines(hasLineLongerThan(committed_, longLine));
    EditorBeep::sound();
    if (verdict == EditGate::Verdict::tooLarge) emit tooLargeEditRefused();
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

void CalcTextView::setTextSelection(Selection selection) {
    QTextCursor cursor = textCursor();
    const int end = static_cast<int>(committed_.size());
    cursor.setPosition(std::clamp(selection.anchor, 0, end));
    cursor.setPosition(std::clamp(selection.position, 0, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

bool CalcTextView::typeText(const QString& text) {
    if (hasLineLongerThan(text, longLine)) wrapForLongLines(true);
    lastChangeRefused_ = false;
    ++eventDepth_;
    QTextCursor cursor = textCursor();
    cursor.insertText(normalized(text));
    setTextCursor(cursor);
    --eventDepth_;
    if (eventDepth_ == 0) vetPendingChange();
    return !lastChangeRefused_;
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
    if (decision.verdict == EditGate::Verdict::refuse || decision.verdict == EditGate::Verdict::tooLarge) {
        refused(decision.verdict);
        return false;
    }
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
    lastEdit_.reset();
    setCaret(caretAfter, true);
    emit textEdited();
    return true;
}

bool CalcTextView::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show) {
        readLayoutDevice();
    }
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

} // namespace vell
