#pragma once

// The editor of the sheet a window shows: its text view and the grip of the answer column, kept in
// step with the window's session, writing every accepted change into the document store, and carrying
// out the commands of its own window's keypad, function menu and sidebar.

#include "Keypad/InsertSnippet.h"
#include "LineRules/CursorMove.h"
#ifndef Q_MOC_RUN
// moc cannot read the standard headers this one pulls in; it needs nothing from it.
#include "Document/Uuid.h"
#endif

#include <QWidget>
#include <cstdint>
#include <optional>

namespace vell {

class AppSettings;
class Appearance;
class CalcTextView;
class DocumentStore;
class EditorCommands;
class ResultColumnHandle;
class SheetSession;
class TooLargeEditNote;
class TooLargeSheetNotice;

class SheetEditor : public QWidget {
    Q_OBJECT

public:
    struct Services {
        AppSettings& settings;
        Appearance& appearance;
    };

    SheetEditor(SheetSession& session, Services services, QWidget* parent = nullptr);
    ~SheetEditor() override;

    CalcTextView& textView() const { return *view_; }
    ResultColumnHandle& columnHandle() const { return *handle_; }
    SheetSession& session() const { return session_; }

    // Carries out the window's editor commands (its keypad, function menu and sidebar) for as long as both
    // live.
    void takeCommands(const EditorCommands& commands);

    // The window's plot switch: plot lines keep room for their plots.
    void setShowsPlots(bool shows);

    // Brings the view in step with the session: the text when it changed elsewhere (the caret kept, or
    // put where the store asked), the start of a newly shown sheet, results, locks and styles. Changes
    // of the store schedule one; it runs at once after the view's own edits.
    void sync();

public slots:
    // Each window connects its own keypad, function menu and sidebar to these.
    void insertSnippet(const vell::InsertSnippet& snippet);
    void deleteBackward();
    void toggleSign();
    void moveCursor(vell::CursorMove move);

    // A click on the answer of `line`: its name at the caret, the line named first when it has none.
    void insertReference(qint64 line);
    // The name dragging the answer of `line` out carries, naming the line first when needed; none when
    // the line cannot be named or the change was refused.
    std::optional<QString> referenceToken(qint64 line);

signals:
    // The window asks for a name for the line (its context menu).
    void onRequestName(qint64 line);
    // The window locks or unlocks the line (a click in the gutter).
    void onToggleLock(qint64 line);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scheduleSync();
    void takeLocks();
    void writeText();
    void placeHandle();
    // A sheet too large to edit is shown read-only, its beginning only, without answers, under the
    // notice; false (the notice hidden, the view writable) for any other sheet.
    bool syncTooLarge();
    // The note of an edit refused because the sheet would have become too large to edit.
    void showRefusal();
    void answerDragRequested(qint64 line, QPointF point);
    DocumentStore& store() const;

    SheetSession& session_;
    AppSettings& settings_;
    Appearance& appearance_;
    CalcTextView* view_ = nullptr;
    ResultColumnHandle* handle_ = nullptr;
    TooLargeSheetNotice* notice_ = nullptr;
    TooLargeEditNote* refusalNote_ = nullptr;
    std::optional<Uuid> shownSheetID_;
    std::optional<std::int64_t> pendingCaret_;
    bool syncScheduled_ = false;
    // The store's text of the sheet may differ from the view's: it changed other than by this editor's
    // typing.
    bool textStale_ = false;
    // The change being written names a line: every lock stays where it is.
    bool naming_ = false;
    bool showsPlots_ = true;
};

} // namespace vell
