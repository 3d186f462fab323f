#include "SheetEditor/SheetEditor.h"

#include "Appearance/Appearance.h"
#include "Document/SheetSize.h"
#include "Keypad/EditorCommands.h"
#include "LineRules/AnswerReference.h"
#include "LineRules/CursorMove.h"
#include "LineRules/LineEditor.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/EditorBeep.h"
#include "SheetEditor/ResultColumnHandle.h"
#include "SheetEditor/TooLargeEditNote.h"
#include "SheetEditor/TooLargeSheetNotice.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/QtText.h"
#include "Stores/ResultColumn.h"
#include "Stores/SheetSession.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace vell {

namespace {

// Tells the editor when the viewport changes size, so the grip follows the scroll bar.
class ViewportWatcher : public QObject {
public:
    ViewportWatcher(QObject* parent, std::function<void()> onResize)
        : QObject(parent), onResize_(std::move(onResize)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move) onResize_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onResize_;
};

} // namespace

SheetEditor::SheetEditor(SheetSession& session, Services services, QWidget* parent)
    : QWidget(parent), session_(session), settings_(services.settings), appearance_(services.appearance) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    notice_ = new TooLargeSheetNotice(appearance_, this);
    layout->addWidget(notice_);
    view_ = new CalcTextView(settings_, appearance_, this);
    layout->addWidget(view_);
    handle_ = new ResultColumnHandle(settings_, appearance_, this);
    handle_->raise();
    refusalNote_ = new TooLargeEditNote(this);
    view_->viewport()->installEventFilter(new ViewportWatcher(this, [this] { placeHandle(); }));

    if (!syncTooLarge()) {
        const Sheet sheet = session_.sheet();
        // The results first: the text then goes in as one edit, its lines coloured and given their plot
        // room as they arrive. The sheet a new editor shows opens at its start, like a sheet shown later.
        view_->setResults(session_.sharedResults());
        view_->loadText(QString::fromStdString(sheet.text));
        view_->setLockedLines({sheet.lockedLines.begin(), sheet.lockedLines.end()});
        view_->restyle();
    }
    shownSheetID_ = session_.sheetID();

    connect(view_, &CalcTextView::textEdited, this, &SheetEditor::writeText);
    connect(view_, &CalcTextView::tooLargeEditRefused, this, &SheetEditor::showRefusal);
    connect(view_, &CalcTextView::lockToggleRequested, this, &SheetEditor::onToggleLock);
    connect(view_, &CalcTextView::nameRequested, this, &SheetEditor::onRequestName);
    connect(view_, &CalcTextView::answerClicked, this, &SheetEditor::insertReference);
    connect(view_, &CalcTextView::answerDragRequested, this, &SheetEditor::answerDragRequested);
    connect(view_, &CalcTextView::columnResizeRequested, this,
            [this](double width, double available) { ResultColumn::setWidth(width, available, settings_); });
    connect(view_, &CalcTextView::undoRequested, this, [this] {
        session_.undo();
        if (syncScheduled_) sync();
    });
    connect(view_, &CalcTextView::redoRequested, this, [this] {
        session_.redo();
        if (syncScheduled_) sync();
    });

    connect(&session_, &SheetSession::resultsChanged, this, &SheetEditor::scheduleSync);
    connect(&session_, &SheetSession::sheetIDChanged, this, &SheetEditor::scheduleSync);
    // The note spoke of the sheet shown before.
    connect(&session_, &SheetSession::sheetIDChanged, refusalNote_, &QWidget::hide);
    connect(&session_, &SheetSession::sheetChanged, this, [this](bool typedHere) {
        // What this editor typed is what it shows: only a change from elsewhere is read back.
        if (!typedHere) textStale_ = true;
        takeLocks();
        scheduleSync();
    });
    connect(&session_, &SheetSession::caretRequested, this,
            [this](std::int64_t caret) { pendingCaret_ = caret; });
    connect(&settings_, &AppSettings::editorFontChanged, this, [this] {
        view_->applyEditorFont();
        handle_->update();
    });

    connect(&settings_, &AppSettings::resultColumnWidthChanged, this, [this] {
        view_->relayout();
        placeHandle();
    });

    // A new editor takes the keyboard once it is in a window.
    QTimer::singleShot(0, view_, [view = view_] { view->setFocus(); });
}

SheetEditor::~SheetEditor() = default;

DocumentStore& SheetEditor::store() const {
    return session_.store();
}

void SheetEditor::takeCommands(const EditorCommands& commands) {
    connect(&commands, &EditorCommands::insertSnippet, this, &SheetEditor::insertSnippet);
    connect(&commands, &EditorCommands::deleteBackward, this, &SheetEditor::deleteBackward);
    connect(&commands, &EditorCommands::toggleSign, this, &SheetEditor::toggleSign);
    connect(&commands, &EditorCommands::moveCursor, this, &SheetEditor::moveCursor);
}

void SheetEditor::setShowsPlots(bool shows) {
    if (showsPlots_ == shows) return;
    showsPlots_ = shows;
    scheduleSync();
}

void SheetEditor::scheduleSync() {
    if (syncScheduled_) return;
    syncScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (syncScheduled_) sync();
        },
        Qt::QueuedConnection);
}

void SheetEditor::takeLocks() {
    const Sheet* sheet = store().sheet(session_.sheetID());
    if (!sheet || SheetSize::tooLargeToEdit(sheet->text)) return;
    view_->setLockedLines({sheet->lockedLines.begin(), sheet->lockedLines.end()});
}

void SheetEditor::sync() {
    syncScheduled_ = false;
    if (syncTooLarge()) return;
    std::optional<Sheet> fallback;
    const Sheet* sheet = store().sheet(session_.sheetID());
    if (!sheet) sheet = &fallback.emplace(session_.sheet());
    const std::optional<std::int64_t> caret = std::exchange(pendingCaret_, std::nullopt);
    const bool stale = std::exchange(textStale_, false);
    view_->setShowsPlots(showsPlots_);
    view_->setResults(session_.sharedResults());
    if (session_.sheetID() != shownSheetID_) {
        // A newly shown sheet opens at its start, whatever caret was asked for.
        shownSheetID_ = session_.sheetID();
        view_->loadText(QString::fromStdString(sheet->text));
    } else if (const QString text = stale ? QString::fromStdString(sheet->text) : QString();
               stale && view_->text() != text) {
        const std::int64_t before = view_->caretPosition();
        view_->replaceText(text);
        view_->setCaret(caret.value_or(before), caret.has_value());
    } else if (caret) {
        view_->setCaret(*caret, false);
    }
    view_->setLockedLines({sheet->lockedLines.begin(), sheet->lockedLines.end()});
    view_->restyle();
    view_->relayout();
    placeHandle();
}

void SheetEditor::writeText() {
    // The view of a sheet too large to edit takes no change; what got through is put back.
    if (store().isTooLargeToEdit(session_.sheetID())) return sync();
    std::optional<bool> taken;
    // A change of a span is handed over as that span where its place in bytes is plain: no half of a
    // surrogate pair before it or in it, whose bytes Qt chooses.
    const std::optional<CalcTextView::Edit>& edit = view_->lastEdit();
    if (edit && !naming_ && !textStale_) {
        const std::optional<std::size_t> at = utf8Length(QStringView(view_->text()).first(edit->from));
        if (at && utf8Length(edit->removed) && utf8Length(edit->inserted))
            taken = session_.replaceText(*at, edit->removed.toStdString(), edit->inserted.toStdString());
    }
    if (!taken) {
        const std::string text = view_->text().toStdString();
        taken = naming_ ? session_.setTextNaming(text) : session_.setText(text);
    }
    if (!*taken) {
        // Past the gate but too large for the store all the same: refused whole, as the gate refuses.
        EditorBeep::sound();
        showRefusal();
        textStale_ = true;
        return sync();
    }
    // The store evaluated inside this change: show its answers with the keystroke, not a frame later.
    if (syncScheduled_) sync();
}

void SheetEditor::showRefusal() {
    const QRect caret = view_->cursorRect();
    refusalNote_->showRefusal(QRect(view_->viewport()->mapTo(this, caret.topLeft()), caret.size()));
}

bool SheetEditor::syncTooLarge() {
    const Sheet* shown = store().sheet(session_.sheetID());
    const bool tooLarge = shown && SheetSize::tooLargeToEdit(shown->text);
    notice_->setShown(tooLarge);
    view_->setReadOnly(tooLarge);
    if (!tooLarge) return false;
    // The view holds only the sheet's beginning.
    textStale_ = true;
    const QString text = QString::fromStdString(SheetSize::shownPart(shown->text));
    if (view_->text() != text || session_.sheetID() != shownSheetID_) {
        view_->replaceText(text);
        view_->setCaret(0, false);
        view_->verticalScrollBar()->setValue(0);
        shownSheetID_ = session_.sheetID();
    }
    view_->setResults(std::vector<LineResult>{});
    view_->setLockedLines({});
    view_->restyle();
    view_->relayout();
    placeHandle();
    return true;
}

void SheetEditor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    placeHandle();
}

void SheetEditor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeHandle();
}

void SheetEditor::placeHandle() {
    const QRect viewport = view_->viewport()->geometry().translated(view_->geometry().topLeft());
    handle_->setArea(viewport.right() + 1, viewport.top(), viewport.height(), viewport.width());
    handle_->raise();
    refusalNote_->place(viewport);
}

// --- Commands ----------------------------------------------------------------------------------------

void SheetEditor::insertSnippet(const InsertSnippet& snippet) {
    view_->setFocus();
    if (snippet.text == "\n") {
        view_->insertNewline();
        return;
    }
    const std::u16string text = toU16(QString::fromStdString(snippet.text));
    const std::u16string spaced =
        LineEditor::spacedSnippet(text, view_->text16(), view_->caretPosition(), snippet.isNamedValue);
    if (!view_->typeText(fromU16(spaced))) return;
    if (snippet.caretBack > 0) {
        QTextCursor cursor = view_->textCursor();
        const int start = cursor.selectionStart();
        const int length = cursor.selectionEnd() - start;
        const int moved = static_cast<int>(std::max<std::int64_t>(0, start - snippet.caretBack));
        cursor.setPosition(moved);
        cursor.setPosition(moved + length, QTextCursor::KeepAnchor);
        view_->setTextCursor(cursor);
    }
}

void SheetEditor::deleteBackward() {
    view_->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(view_, &press);
}

void SheetEditor::toggleSign() {
    view_->setFocus();
    const std::u16string text = view_->text16();
    const std::int64_t caret = view_->caretPosition();
    if (LineEditor::editTouchesLockedLine(text, TextRange{caret, 0}, view_->lockedLines())) {
        EditorBeep::sound();
        return;
    }
    const LineEditor::SignToggle toggled = LineEditor::toggleSign(text, caret);
    view_->replaceWhole(toggled.text, toggled.location);
}

void SheetEditor::moveCursor(vell::CursorMove move) {
    view_->setFocus();
    view_->setCaret(LineEditor::move(move, view_->text16(), view_->caretPosition()), true);
}

void SheetEditor::insertReference(qint64 line) {
    const auto insertion =
        AnswerReference::insert(view_->text16(), view_->caretPosition(), line, view_->lockedLines());
    switch (insertion.outcome) {
    case AnswerReference::Outcome::nothing:
        return;
    case AnswerReference::Outcome::refused:
        EditorBeep::sound();
        return;
    case AnswerReference::Outcome::insert:
        naming_ = true;
        view_->replaceWhole(insertion.text, insertion.caret);
        naming_ = false;
        view_->setFocus();
        return;
    }
}

std::optional<QString> SheetEditor::referenceToken(qint64 line) {
    const auto token = AnswerReference::token(view_->text16(), view_->caretPosition(), line);
    if (!token) return std::nullopt;
    if (token->text != view_->text16()) {
        naming_ = true;
        const bool named = view_->replaceWhole(token->text, token->caret);
        naming_ = false;
        if (!named) return std::nullopt;
    }
    return fromU16(token->name);
}

void SheetEditor::answerDragRequested(qint64 line, QPointF point) {
    if (const auto name = referenceToken(line)) view_->beginResultDrag(*name, point);
}

} // namespace vell
