#pragma once

// The document's way to the disk and to the other computers: the file and its writer, when saves run,
// the shared copy in the sync folder and what was last agreed with it, the copies an earlier run kept in
// the rescue place, and what the end of the process writes. It follows the store's changes: each one is
// saved, and the sheets' encodings are kept in sheet order with only the changed sheets encoded again.
// Main thread only.

#include "Document/Date.h"
#include "Document/DocumentPieces.h"
#include "Document/Uuid.h"
#include "Document/VellDocument.h"
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
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vell {

class AppSettings;
class DocumentStore;

class DocumentSaver : public QObject {
    Q_OBJECT

public:
    // What the saver works with besides its file and its store, for tests and benchmarks to replace.
    struct Services {
        // The dates of merges and of files set aside; an empty clock means the system's.
        Date::Clock clock = {};
        std::chrono::milliseconds cloudPollInterval = CloudSync::defaultPollInterval;
        // The timer the saves run on; none means one of the saver's own on the system's clock. Must
        // outlive the saver.
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

    // The file at a path, and the document read from it (leniently, each repair logged) for the store to
    // open with; none when there is no file or it cannot be used. Without a path: neither.
    struct Opened {
        std::optional<DocumentFile> file;
        std::optional<VellDocument> document;
    };
    static Opened open(std::optional<QString> storageURL, Date::Clock clock = {});

    // Saves the store's document into the file from now on; without a file the document lives in memory
    // only and is never synced. When a sync folder is set, the shared copy is looked for in the background;
    // the rescue place is searched for copies an earlier run left.
    DocumentSaver(std::optional<DocumentFile> file, DocumentStore& store, AppSettings& settings,
                  Services services, QObject* parent = nullptr);
    DocumentSaver(std::optional<DocumentFile> file, DocumentStore& store, AppSettings& settings,
                  QObject* parent = nullptr);
    // The write asked for last is made before the saver goes.
    ~DocumentSaver() override;

    std::optional<QString> storageURL() const;

    // --- Saving and the application's life cycle

    // Saves 0.4 s after the last of a burst of calls, and while the calls go on, 2 s after the first one
    // not saved yet. Every change of the store asks for it.
    void scheduleSave();
    // Has the file replaced atomically with the document as it stands, in the background; `saved` follows
    // once it is written. A failure goes to the log and to the notices, and is tried again after a wait of
    // at most 5 s, or sooner after the next change.
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

    // What the windows tell the user while saving or syncing fails.
    StorageNotices& notices() { return notices_; }
    const StorageNotices& notices() const { return notices_; }

    // --- The shared copy in the sync folder

    // None until the background lookup at start found the sync folder.
    const CloudSync* cloud() const { return cloud_.get(); }
    // Watches the shared copy found (and keeps the base read with it) from now on and merges it in shortly.
    void attachCloud(DocumentSync::Found found);
    // Merges 0.3 s after the last of a burst of calls.
    void scheduleMerge();
    // Folds the shared copy and the sync tool's conflict versions into the document, sheet by sheet (a
    // sheet changed on both sides since they last agreed keeps both versions); a changed result is
    // adopted, saved and pushed. A copy this saver wrote or read last is not merged again. They are read
    // and decoded off the UI thread, and folded into the document as it stands when they have been.
    void mergeFromCloud();
    // What becoming active does: a pending save at once, a look at what stopped syncing, then a merge
    // and a push.
    void syncNow();

signals:
    // After the document was written to its file.
    void saved();
    // Copies kept in the rescue place when an earlier run could not save were taken into the document.
    void rescueCopiesTakenIn();

private:
    Date now() const { return clock_(); }

    // --- Following the store
    void follow();
    void textChanged(const Uuid& sheetID);
    void listChanged(const SheetListChange& change);
    // The document changed (what changed was noted already): it is staged for the writer and saved.
    void documentChanged();

    // --- Saving
    void flushPendingSave();
    // Sets the save timer to what the schedule asks for next.
    void setSaveDeadline();
    // The write of saveNow, waited for, without the push: the bytes the file now holds, none when it could
    // not be written.
    std::shared_ptr<const std::string> writeToStorage();
    // Hands the document as it stands to the writer, unless it has it already: only the sheets that
    // changed since are encoded again.
    void stageForWriting();
    // Every sheet's encoding again, in the store's order, taking over those whose sheet did not change.
    void encodeEverySheet();
    // The encoding of the document as it stands.
    std::string encodedDocument();
    void requestWrite();
    void writeFinished(std::uint64_t generation, std::shared_ptr<const std::string> bytes, int errorNumber);
    void updateNotices();

    // --- Copies kept in the rescue place by an earlier run
    void findRescueCopies();
    void takeInRescueCopies(std::vector<RescueCopy::Found> found);
    // Once the file holds what they brought.
    void removeRescueCopiesOnDisk();

    // A document from elsewhere (a merge, the rescue copies) becomes the store's; this saver writes it.
    void adopt(VellDocument document);

    // --- The shared copy
    void startCloudSync();
    // Folds a merge read off the UI thread into the document as it stands now.
    void landMerge(DocumentSync::Fetched fetched);
    // Sends the document to the shared copy in the background unless that copy holds it already.
    void pushToCloud();
    // The same with the document's encoding at hand.
    void pushToCloud(std::shared_ptr<const std::string> bytes);
    // The document's encoding for a push: the bytes last written when nothing changed since; none when a
    // write of the document as it stands is on its way, which pushes it.
    std::shared_ptr<const std::string> bytesToPush();

    DocumentStore& store_;
    AppSettings& settings_;
    Date::Clock clock_;
    std::optional<DocumentFile> file_;

    // Counts the store's changes: what the file, the staging and a write hold is told by it.
    std::uint64_t documentVersion_ = 0;
    // Each sheet's encoding in the store's order, with the sheets changed since it was made; encoded anew
    // when the document is staged.
    std::vector<Uuid> order_;
    std::vector<SheetPiece> pieces_;
    std::unordered_set<Uuid> changedSheets_;
    // The whole list must be encoded again (a document from elsewhere, several sheets moved at once).
    bool orderStale_ = true;
    // While this saver has the store adopt a document, which it writes itself.
    bool adopting_ = false;
    // The part of the encoding around the sheets, made again when what it holds may have changed.
    std::shared_ptr<const DocumentFrame> frame_;
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
    StorageNotices notices_;

    std::chrono::milliseconds cloudPollInterval_;
    DocumentSync sync_;
    // After sync_, so that it goes first and drops what its writes would report.
    std::unique_ptr<CloudSync> cloud_;
    QTimer mergeTimer_;
};

} // namespace vell
