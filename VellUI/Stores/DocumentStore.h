#pragma once

// The one owner of the user's document: it carries out every sheet command, keeps one undo history per
// sheet and says what each change changed (a sheet's text, the list of sheets, the selection, a sheet's
// undo state), for the evaluations, the saving and the views to follow. Main thread only.

#include "Document/Date.h"
#include "Document/SheetHistory.h"
#include "Document/Uuid.h"
#include "Document/VellDocument.h"
#include "Stores/SheetListChange.h"

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vell {

class KeyLayoutStore;
class SheetSession;

class DocumentStore : public QObject {
    Q_OBJECT

public:
    // What the store works with besides its keypad layouts, for tests and benchmarks to replace.
    struct Services {
        // The dates of changes; an empty clock means the system's.
        Date::Clock clock;
    };

    // Opens the document given (the starter document when there is none or it holds no sheet), repairs it
    // and starts listening to the keypad, with which it exchanges `keyLayouts`.
    DocumentStore(std::optional<VellDocument> document, KeyLayoutStore& keyLayouts, Services services,
                  QObject* parent = nullptr);
    DocumentStore(std::optional<VellDocument> document, KeyLayoutStore& keyLayouts,
                  QObject* parent = nullptr);
    ~DocumentStore() override;

    const VellDocument& document() const { return document_; }
    // True while the document is the starter document made at creation and nothing changed it.
    bool usingStarterDocument() const { return usingStarterDocument_; }
    // A document from elsewhere took the starter document's place.
    void leaveStarterDocument() { usingStarterDocument_ = false; }
    // Opening repaired the document: it is to be saved.
    bool changedWhileOpening() const { return changedWhileOpening_; }
    const std::unordered_map<Uuid, SheetHistory>& histories() const { return histories_; }

    // --- Selection, text and evaluation

    const std::vector<Sheet>& sheets() const { return document_.sheets; }
    std::optional<Uuid> currentSheetID() const { return document_.selectedSheetID; }
    // Selects that sheet; an absent id, the current one or one that names no sheet changes nothing.
    void setCurrentSheetID(std::optional<Uuid> id);
    // The selected sheet, else the first one, else a fresh sheet that is not part of the document.
    Sheet currentSheet() const;
    // The first sheet with that id.
    const Sheet* sheet(std::optional<Uuid> id) const;
    std::optional<std::size_t> selectedIndex(std::optional<Uuid> id) const;
    // That sheet is too large to edit comfortably (SheetSize): it is shown read-only, never evaluated nor
    // offered to the others for its functions, and typing, locks, undo and redo leave it as it is.
    bool isTooLargeToEdit(std::optional<Uuid> id) const;

    // The complete new text of that sheet: the locks follow their lines, an undo step is recorded and a
    // save is scheduled. An unchanged text does nothing. `origin` is who typed it (a window's session),
    // named in sheetTextChanged so that it need not read back what it wrote. False, and nothing changes,
    // when the sheet is or the text would be too large to edit.
    bool setText(const Uuid& sheetID, std::string_view text, const QObject* origin = nullptr);
    // The same for a change that names or renames lines in place (and may put a name in at the caret):
    // the line count stays, so every lock stays on its line, also on a rewritten locked line.
    bool setTextNaming(const Uuid& sheetID, std::string_view text, const QObject* origin = nullptr);
    // The same for a span of the text: the sheet holds `removed` at byte `at` of its text, and `inserted`
    // takes its place; only the span is compared and copied. None, and nothing changes, when the sheet
    // does not hold `removed` there.
    std::optional<bool> replaceText(const Uuid& sheetID, std::size_t at, std::string_view removed,
                                    std::string_view inserted, const QObject* origin = nullptr);
    // The session of the window last focused or switched to another sheet; held weakly. Templates, so that
    // the store needs to know no more of a session than that it is a QObject.
    template <class Session = SheetSession>
    Session* activeSession() const {
        return static_cast<Session*>(activeSession_.data());
    }
    template <class Session>
    void setActiveSession(Session* session) {
        activeSession_ = session;
    }

    // Names or renames a line of that sheet; the message to show when that cannot be done (also when the
    // sheet would become too large to edit).
    std::optional<std::string> setName(const Uuid& sheetID, std::int64_t lineIndex, std::string_view name);

    // --- Sheet commands: a command that cannot apply does nothing at all

    // The new sheet, at the end, is the selected one.
    Uuid addSheet();
    void renameSheet(const Uuid& id, std::string name);
    // Never the last sheet; the deletion is recorded so that it reaches the other copies.
    void deleteSheet(const Uuid& id);
    // The copy, just after the original, is the selected one; none when the id names no sheet.
    std::optional<Uuid> duplicateSheet(const Uuid& id);
    // To the target's position.
    void moveSheet(const Uuid& id, const Uuid& onto);
    // Exchanged with the sheet that many places away.
    void moveSheet(const Uuid& id, std::int64_t by);
    // The sheets at those positions, in their order, to just before the sheet at `destination` (the end when
    // it equals the count); positions outside the list are passed over. The selection stays.
    void moveSheets(std::span<const std::size_t> offsets, std::size_t destination);

    // --- Locks, undo and redo of a sheet

    // A line the text does not have is refused.
    void toggleLock(const Uuid& sheetID, std::int64_t line);
    void undo(const Uuid& sheetID);
    void redo(const Uuid& sheetID);
    // False for a sheet without history, and for one too large to edit. Every text a history holds was
    // taken by setText and fits, but for that of a sheet too large to edit that was then cleared: undoing
    // the clearing brings it back as it was, read-only.
    bool canUndo(const Uuid& sheetID) const;
    bool canRedo(const Uuid& sheetID) const;

    // --- Clearing and erasing

    // The name of the sheet whose clearing awaits the user's confirmation.
    const std::optional<std::string>& clearSheetPrompt() const { return clearSheetPrompt_; }
    // Cancelling the confirmation sets it to none.
    void setClearSheetPrompt(std::optional<std::string> prompt);
    // Asks for confirmation when that sheet has text or locks.
    void requestClearSheet(const Uuid& sheetID);
    // The confirmation's Clear: empties the sheet asked about, unless the selection moved to another sheet
    // since it was asked; without a question, the selected sheet.
    void confirmClearSheet();
    // Empties that sheet as one undo step.
    void clearSheet(const Uuid& sheetID);
    // One empty sheet remains; every former sheet is recorded as deleted; no undo.
    void clearAllContent();

    // --- Keypad layouts and documents from elsewhere

    // The newer of the document's and the keypad store's layouts wins; schedules nothing.
    void syncKeyLayouts();
    // The history of that sheet, made from the sheet as passed in when there is none.
    SheetHistory& history(const Sheet& sheet);
    // Drops the histories of sheets that are gone or whose text or locks changed behind their back.
    void pruneHistories();
    // Takes a document combined elsewhere (a merge with another copy): no undo step, and the stale
    // histories go. It is told as a list of sheets replaced.
    void adoptDocument(VellDocument document);

signals:
    // The text of that sheet changed, and its locks may have; `origin` is who typed the text (see
    // setText), null for every other change.
    void sheetTextChanged(const vell::Uuid& sheetID, const QObject* origin);
    // Only the locks of that sheet changed.
    void sheetLocksChanged(const vell::Uuid& sheetID);
    // The list of sheets changed as told: a sheet added, removed, moved or renamed, or several at once.
    void sheetListChanged(const vell::SheetListChange& change);
    // The document's selected sheet is another one.
    void selectionChanged(const std::optional<vell::Uuid>& sheetID);
    // The keypad layouts the document keeps changed.
    void keyLayoutsChanged();
    // canUndo or canRedo of that sheet may have changed.
    void undoStateChanged(const vell::Uuid& sheetID);
    // The caret of the editors showing that sheet goes to this UTF-16 offset (after an undo, redo or
    // clearing rewrote it).
    void caretRequested(const vell::Uuid& sheetID, std::int64_t caret);
    void clearSheetPromptChanged();

private:
    Date now() const { return clock_(); }
    // The date of a change to something dated `previous`: now, but never earlier than a second after
    // `previous`, so that a change wins over the version it replaces on every computer whatever the clocks
    // say. The same for a deletion and the thing deleted.
    Date stampAfter(std::optional<Date> previous) const;
    // Every change of which sheets there are, or of their order, goes through here, before it is told.
    void listDidChange() { indexFresh_ = false; }
    // After a command that changed the selection or which sheets there are: the selected sheet's history
    // and undo flags.
    void selectionDidChange();
    // After a sheet's text was typed, undone, redone or cleared: it is told, with its undo flags.
    void textDidChange(const Uuid& sheetID, const QObject* origin);
    // The starter sheets in place of a document without sheets, which keeps everything else it holds.
    VellDocument starterKeeping(VellDocument empty) const;
    void repairAndClean();
    void observeKeypad();

    // A naming keeps every lock on its line. False when the sheet is or the text would be too large to edit.
    bool updateText(const Uuid& sheetID, std::string_view text, bool naming, const QObject* origin);
    // The sheet took a new text (and its locks): stamped, recorded for undo, announced.
    void textTaken(Sheet& sheet, const QObject* origin);
    void stepHistory(const Uuid& sheetID, bool undo);
    // The selected sheet's history, made now unless the sheet is too large to edit.
    void startSelectionHistory();
    void applySnapshot(SheetSnapshot snapshot, std::size_t index);
    // The flags of every sheet with a history may have changed.
    void publishUndoState();

    Date::Clock clock_;
    KeyLayoutStore* keyLayouts_;

    VellDocument document_;
    // Where each sheet stands in the list, made again on the first look after the list changed.
    mutable std::unordered_map<Uuid, std::size_t> index_;
    mutable bool indexFresh_ = false;
    bool usingStarterDocument_ = false;
    bool changedWhileOpening_ = false;
    std::unordered_map<Uuid, SheetHistory> histories_;
    std::optional<std::string> clearSheetPrompt_;
    // The sheet the open clear question is about, and the selection when it was asked.
    struct PendingClear {
        Uuid sheetID;
        std::optional<Uuid> selection;
    };
    std::optional<PendingClear> pendingClear_;
    QPointer<QObject> activeSession_;
};

} // namespace vell
