#pragma once

// The one owner of the user's document: it carries out every sheet command, keeps one undo history per
// sheet and says what each change changed (a sheet's text, the list of sheets, the selection, a sheet's
// undo state), for the evaluations, the saving and the views to follow. The file and the shared copy are
// in the hands of DocumentFile and DocumentSync. Main thread only.

#include "Document/Date.h"
#include "Document/DocumentPieces.h"
#include "Document/SheetHistory.h"
#include "Document/Uuid.h"
#include "Document/VellDocument.h"
#include "Engine/Value.h"
#include "Sheet/LineResult.h"
#include "Stores/CloudSync.h"
#include "Stores/DocumentFile.h"
#include "Stores/DocumentSync.h"
#include "Stores/DocumentWriter.h"
#include "Stores/RescueCopy.h"
#include "Stores/SaveSchedule.h"
#include "Stores/SaveTimer.h"
#include "Stores/SheetListChange.h"
#include "Stores/StorageNotices.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vell {

class AppSettings;
class KeyLayoutStore;
class SheetSession;

class DocumentStore : public QObject {
    Q_OBJECT

public:
    // What the store works with besides its file, its settings and its keypad layouts, for tests and
    // benchmarks to replace; an empty clock means the system's.
    struct Services {
        Date::Clock clock;
        std::chrono::milliseconds cloudPollInterval = CloudSync::defaultPollInterval;
        // The timer the saves run on; none means one of the store's own on the system's clock. Must
        // outlive the store.
        SaveTimer* saveTimer = nullptr;
        // Where the document goes when the run ends while it cannot be saved, and where the next start
        // looks for such copies (RescueCopy); none: nowhere.
        std::vector<QString> rescueRoots = {};
    };

    static constexpr int saveDelayMilliseconds = static_cast<int>(SaveSchedule::pause.count());
    static constexpr int mergeDelayMilliseconds = 300;

    // "document.json" in the folder "Vell" of the user's data folder, which is created when missing; none
    // when there is no data folder.
    static std::optional<QString> defaultStorageURL();

    // Loads the document (the starter document when there is no file or it cannot be used), repairs it,
    // starts listening to the keypad and, when a sync folder is set, looks for the shared copy in the
    // background. Without a storage location the document lives in
    // memory only and is never synced. The settings, made before the store, have put the stored engine
    // settings in force and name the sync folder; the document and the keypad exchange `keyLayouts`.
    DocumentStore(std::optional<QString> storageURL, AppSettings& settings, KeyLayoutStore& keyLayouts,
                  Services services, QObject* parent = nullptr);
    DocumentStore(std::optional<QString> storageURL, AppSettings& settings, KeyLayoutStore& keyLayouts,
                  QObject* parent = nullptr);
    ~DocumentStore() override;

    const VellDocument& document() const { return document_; }
    std::optional<QString> storageURL() const;
    // True while the document is the starter document made at creation and nothing asked for a save.
    bool usingStarterDocument() const { return usingStarterDocument_; }
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
    // One empty sheet remains; every former sheet is recorded as deleted; saved at once, no undo.
    void clearAllContent();

    // --- Saving and the application's life cycle

    // Saves 0.4 s after the last of a burst of calls, and while the calls go on, 2 s after the first one
    // not saved yet.
    void scheduleSave();
    // Has the file replaced atomically with the document as it stands, in the background; `saved` follows
    // once it is written. A failure goes to the log and is tried again after a wait that grows from 2 s to
    // 5 s, or at once after the next change.
    void saveNow();
    // Blocks until every write asked for is made, and reports them.
    void finishWrites();
    // A pending save is written at once, then the shared copy is merged in and the document pushed.
    void applicationDidBecomeActive();
    // A pending save is written at once.
    void applicationWillResignActive();
    // A pending save is written at once, and every write is made before it returns.
    void applicationWillTerminate();

    // True while the file holds the document as it stands: always without a file, and while nothing was
    // asked to be saved since the document was read.
    bool isOnDisk() const;
    // Why the last write failed, in the interface language, while no write has succeeded since.
    std::optional<QString> saveFailure() const;
    // Writes at once what is not on disk yet and waits for it (and for the pushes it brings about);
    // isOnDisk() afterwards.
    bool saveAndWait();
    // While saves fail, the retry is made at once: a window was activated, and the user may have made
    // room.
    void retryFailedSave();
    // The run ends while the document is not on disk: it goes to a rescue copy unless one holds it
    // already; whether it is kept there. Logged either way.
    bool keepRescueCopy();

    // --- The shared copy in the sync folder

    // What the windows tell the user while saving or syncing fails.
    StorageNotices& notices() { return notices_; }
    const StorageNotices& notices() const { return notices_; }

    // None until the background lookup at start found the sync folder.
    const CloudSync* cloud() const { return cloud_.get(); }
    // Watches the shared copy found from now on, with the base kept for it, and merges it in shortly.
    void attachCloud(DocumentSync::Found found);
    // Merges 0.3 s after the last of a burst of calls.
    void scheduleMerge();
    // Folds the shared copy and the sync tool's conflict versions into the document, sheet by sheet (a
    // sheet changed on both sides since they last agreed keeps both versions); a changed result is
    // adopted, saved and pushed. A copy this store wrote or read last is not merged again. They are read
    // and decoded off the UI thread, and folded into the document as it stands when they have been.
    void mergeFromCloud();
    // What becoming active does: a pending save at once, a look at what stopped syncing, then a merge
    // and a push.
    void syncNow();

    // --- Keypad layouts and documents from elsewhere

    // The newer of the document's and the keypad store's layouts wins; schedules nothing.
    void syncKeyLayouts();
    // The history of that sheet, made from the sheet as passed in when there is none.
    SheetHistory& history(const Sheet& sheet);
    // Drops the histories of sheets that are gone or whose text or locks changed behind their back.
    void pruneHistories();
    // Takes a document combined elsewhere (a merge with another copy): no undo step, the stale histories go
    // and the file is written at once.
    void adoptDocument(VellDocument document);

    // The total of a sheet's answers for the status bar, or none.
    static std::optional<Value> total(const std::vector<LineResult>& results);

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
    // After the document was written to its file.
    void saved();
    // Copies kept in the rescue place when an earlier run could not save were taken into the document.
    void rescueCopiesTakenIn();

private:
    Date now() const { return clock_(); }
    // The date of a change to something dated `previous`: now, but never earlier than a second after
    // `previous`, so that a change wins over the version it replaces on every computer whatever the clocks
    // say. The same for a deletion and the thing deleted.
    Date stampAfter(std::optional<Date> previous) const;
    // Every change of the document goes through here.
    void documentDidChange();
    // Every change of which sheets there are, or of their order, goes through here, before it is told.
    void listDidChange() { indexFresh_ = false; }
    // After a command that changed the selection or which sheets there are: the document's change, then the
    // selected sheet's history and undo flags, then a save.
    void selectionDidChange();
    // After a sheet's text was typed, undone, redone or cleared and documentDidChange has run: it is told,
    // with its undo flags, then a save.
    void textDidChange(const Uuid& sheetID, const QObject* origin);
    void load();
    // The starter sheets in place of a document without sheets, which keeps everything else it holds.
    VellDocument starterKeeping(VellDocument empty) const;
    void repairAndClean();
    void observeSettings();

    // A naming keeps every lock on its line. False when the sheet is or the text would be too large to edit.
    bool updateText(const Uuid& sheetID, std::string_view text, bool naming, const QObject* origin);
    void stepHistory(const Uuid& sheetID, bool undo);
    // The selected sheet's history, made now unless the sheet is too large to edit.
    void startSelectionHistory();
    void applySnapshot(SheetSnapshot snapshot, std::size_t index);
    // The flags of every sheet with a history may have changed.
    void publishUndoState();
    void flushPendingSave();
    // Sets the save timer to what the schedule asks for next.
    void setSaveDeadline();
    // The write of saveNow, waited for, without the push: the bytes the file now holds, none when it could
    // not be written.
    std::shared_ptr<const std::string> writeToStorage();
    // Hands the document as it stands to the writer, unless it has it already: only the pieces of sheets
    // that changed since are encoded.
    void stageForWriting();
    SheetPiece pieceOf(const Sheet& sheet);
    // The encoding of the document as it stands.
    std::string encodedDocument();
    void requestWrite();
    void writeFinished(std::uint64_t generation, std::shared_ptr<const std::string> bytes, int errorNumber);
    // The save notice (and the rescue notice, while it stands) in the interface language as it is now.
    void updateNotices();
    // Looks for rescue copies of earlier runs off the UI thread, and takes them in.
    void findRescueCopies();
    void takeInRescueCopies(std::vector<RescueCopy::Found> found);
    // The rescue copies taken in go once the file holds what they brought.
    void removeRescueCopiesOnDisk();
    // A document from elsewhere becomes the document: no undo step, stale histories go, windows refresh.
    void adopt(VellDocument document);
    void startCloudSync();
    // The second half of mergeFromCloud, on the UI thread.
    void landMerge(DocumentSync::Fetched fetched);
    // Sends the document to the shared copy in the background unless that copy holds it already.
    void pushToCloud();
    // The same with the document's encoding at hand.
    void pushToCloud(std::shared_ptr<const std::string> bytes);
    // The document's encoding for a push: the bytes last written when nothing changed since; none when a
    // write of the document as it stands is on its way, which pushes it.
    std::shared_ptr<const std::string> bytesToPush();

    Date::Clock clock_;
    AppSettings* settings_;
    KeyLayoutStore* keyLayouts_;

    VellDocument document_;
    std::uint64_t documentVersion_ = 0;
    // Where each sheet stands in the list, made again on the first look after the list changed.
    mutable std::unordered_map<Uuid, std::size_t> index_;
    mutable bool indexFresh_ = false;
    std::optional<DocumentFile> file_;
    // Each sheet's piece of the encoding, with what tells whether the sheet changed since: every command
    // that changes a sheet gives it a later date.
    struct CachedPiece {
        SheetPiece piece;
        Date updatedAt;
        std::size_t nameSize = 0;
        std::size_t textSize = 0;
        std::size_t lockCount = 0;
    };
    std::unordered_map<Uuid, CachedPiece> pieces_;
    // The document version last staged, the generation of that staging and of the last write asked for.
    std::optional<std::uint64_t> stagedVersion_;
    std::shared_ptr<const DocumentPieces> staged_;
    std::uint64_t stagedGeneration_ = 0;
    std::uint64_t requestedGeneration_ = 0;
    // The newest generation a write reported on, and while syncing, the newest written and its bytes.
    std::uint64_t finishedGeneration_ = 0;
    std::uint64_t lastWrittenGeneration_ = 0;
    std::shared_ptr<const std::string> lastWritten_;
    // How far the file has come: the document version it must hold since a save was asked for, the
    // version of the write asked for last, the newest version it holds, and why the last write failed (an
    // error number; 0 once one succeeded).
    struct OnDisk {
        std::optional<std::uint64_t> wanted;
        std::uint64_t requested = 0;
        std::optional<std::uint64_t> held;
        int error = 0;
    };
    OnDisk onDisk_;
    std::optional<RescueCopy> rescue_;
    // The rescue copies taken in, removed once the file holds this version (none: the document held what
    // they brought already); the notice's words about them while it stands.
    struct TakenIn {
        std::vector<RescueCopy::Found> copies;
        std::optional<std::uint64_t> version;
        QStringList folders;
        QStringList conflictingCopies;
    };
    std::optional<TakenIn> takenIn_;
    // A push waits for the write asked for last, and goes out after it.
    bool pushAwaitsWrite_ = false;
    bool pushAfterWrite_ = true;
    std::shared_ptr<const std::string> writtenForMerge_;
    // After file_, which it writes.
    std::unique_ptr<DocumentWriter> writer_;
    std::unique_ptr<SaveTimer> ownSaveTimer_;
    SaveTimer* saveTimer_;
    // Set by every schedule and kept after the save ran, until a life-cycle flush consumes it.
    bool saveScheduled_ = false;
    SaveSchedule saveSchedule_;
    bool usingStarterDocument_ = false;
    std::unordered_map<Uuid, SheetHistory> histories_;
    std::optional<std::string> clearSheetPrompt_;
    // The sheet the open clear question is about, and the selection when it was asked.
    struct PendingClear {
        Uuid sheetID;
        std::optional<Uuid> selection;
    };
    std::optional<PendingClear> pendingClear_;
    QPointer<QObject> activeSession_;
    StorageNotices notices_;

    std::chrono::milliseconds cloudPollInterval_;
    DocumentSync sync_;
    // After sync_, so that it goes first and drops what its writes would report.
    std::unique_ptr<CloudSync> cloud_;
    QTimer mergeTimer_;
};

} // namespace vell
