#pragma once

// The shared copy of the document in a folder that the user's own file-sync tool keeps in step between
// computers: where it lives, a watch that reports every change seen there, and whole-file reads and
// writes. It moves bytes only; what is merged, pushed or ignored is the document store's business.
//
// Anyone who can write the sync folder, another computer included, decides what stands in it. The sync
// folder may be reached through a link (the user chose it), but the Vell folder in it, the shared copy and
// its conflict versions must be a real folder and regular files: a link there is never followed, and a
// link, pipe, device or folder in their place is neither read, written nor deleted. A conflict version
// that is not a regular file is passed over, with one line in the log. When the sync folder, the Vell
// folder or the shared copy itself is not what it should be, syncing stops until `retry`, and `problem`
// says why. A file larger than any document Vell writes is refused from its size and not looked at again
// until it changes.

#include "Stores/RealFolder.h"

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

// What the sync protocol needs of the shared copy: whole-file reads and writes and the conflict versions
// a sync tool leaves beside it. CloudSync is the real one.
class SharedCopy {
public:
    // The largest file read from the sync folder as a copy of the document: the shared copy, a conflict
    // version, and twice over (it holds two documents) the base kept beside the local document. The
    // largest document Vell is measured with is 110 MB (bench/StartupLargeDocumentBench: opened in 3.2 s
    // at a 402 MB peak); this leaves room above it, while a merge, which holds several decoded copies at
    // once, stays within a desktop's memory. Vell never writes a larger copy, so a larger file is not
    // one of its own: it is refused from its size, before anything is read.
    static constexpr std::int64_t maxDocumentBytes = 128LL * 1024 * 1024;

    struct ConflictVersion {
        QString path;
        QByteArray bytes;
    };

    virtual ~SharedCopy() = default;

    // The whole file, or none when it is missing or cannot be read.
    virtual std::optional<QByteArray> read() const = 0;
    struct Copy {
        std::optional<QByteArray> bytes;
        // Past maxDocumentBytes: nothing was read, and nothing may be written over it.
        bool refused = false;
    };
    // The same, telling a file too large to read from one that is missing or cannot be read.
    virtual Copy readCopy() const { return {read(), false}; }
    // Replaces the file whole, later and off the caller's thread; writes land in the order queued. `done`
    // runs on the caller's thread afterwards and tells whether the write succeeded.
    virtual void writeInBackground(QByteArray bytes, std::function<void(bool)> done = {}) = 0;

    enum class Outcome {
        written,
        failed,
        // The copy held bytes the write does not accept: nothing was written.
        changedElsewhere,
        // The copy was too large to be read: nothing was written over it.
        refused,
    };
    // A write with work of its own on the writing thread, so that the caller's thread neither copies nor
    // waits: `before` runs just before the write, `after` right after it, told whether it succeeded, and
    // both before any later write; `done` then runs on the caller's thread, as above. With `accepts`, the
    // copy is read first, right before the write: one that holds bytes it does not accept, or that is too
    // large to read, is left as it is.
    struct Write {
        std::shared_ptr<const std::string> bytes;
        std::function<bool(std::string_view)> accepts = {};
        std::function<void()> before = {};
        std::function<void(bool)> after = {};
        std::function<void(Outcome)> done = {};
    };
    // This one does it all on the caller's thread, around the write above.
    virtual void queueWrite(Write write);
    // Runs the task where the writes are made, after those queued before it; this one, at once.
    virtual void afterWrites(std::function<void()> task);
    // Blocks until everything queued has run; this one has nothing to wait for.
    virtual void finishWrites() {}
    // The readable conflict versions, in a fixed order. Nothing is removed: see `resolve`.
    virtual std::vector<ConflictVersion> conflictVersions() const = 0;
    // Deletes a version whose content has been taken in, unless it changed since it was read.
    virtual bool resolve(const ConflictVersion& version) const = 0;
};

class CloudSync : public QObject, public SharedCopy {
    Q_OBJECT

public:
    // How often the folder is looked at for mounts that deliver no file events.
    static constexpr std::chrono::milliseconds defaultPollInterval{20'000};

    // "Vell/document.json" inside the sync folder, with "Vell" created when missing. None when the folder
    // is absent, empty, not absolute or missing: it is never created, since that would make an unsynced
    // folder where a drive is not mounted. Whatever else stands at "Vell", or at the sync folder itself,
    // is left for the object to find. May block on a network mount, so it is called off the main thread.
    static std::optional<QString> resolveDocumentURL(const std::optional<QString>& syncFolder);

    // A sync tool's copy of the document made when two computers changed it at once: the name starts with
    // "document" and holds "conflict" in any case, and it is neither the document itself nor a hidden file.
    static bool isConflictVersionName(const QString& fileName);

    // Watches at once. `onRemoteChange` runs on the main thread for every change seen in the folder, the
    // ones this object writes included.
    CloudSync(QString fileURL, std::function<void()> onRemoteChange,
              std::chrono::milliseconds pollInterval = defaultPollInterval, QObject* parent = nullptr);
    // Waits for the queued writes.
    ~CloudSync() override;

    const QString& fileURL() const { return fileURL_; }
    // Something that is not Vell's own stood where the sync folder, the Vell folder or the shared copy
    // belongs: nothing is read, written, deleted or reported until `retry`.
    bool turnedOff() const { return off_; }
    // Looks again after a turn-off: syncing goes on unless the same is found again (which is not logged
    // again). Called when the application becomes active.
    void retry();
    // Why syncing cannot go on, in the interface language and naming the path: something foreign where
    // Vell's own belongs, or a shared copy or conflict version refused for its size. None while syncing
    // works. Main thread; problemChanged follows every change.
    std::optional<QString> problem() const;

    // The whole file, or none when it is missing, cannot be read or is past maxDocumentBytes. A file caught
    // in the middle of a foreign write may be torn; its completed write brings another change.
    std::optional<QByteArray> read() const override;
    Copy readCopy() const override;
    // Replaces the file whole (written aside, then moved into place, and the folder synced), so the sync
    // tool never sees half a file and a power loss does not undo it. Blocks; false when it failed.
    bool write(const QByteArray& bytes) const;
    // Queues the write on a background writer of its own; queued writes run one after another, so an
    // earlier document never overtakes a later one. `done` and `written` follow each on the main thread,
    // unless this object is gone by then.
    void writeInBackground(QByteArray bytes, std::function<void(bool)> done = {}) override;
    void queueWrite(Write write) override;
    void afterWrites(std::function<void()> task) override;
    void finishWrites() override;

    // The readable conflict versions of a sane size, in name order; the others are passed over.
    std::vector<ConflictVersion> conflictVersions() const override;
    bool resolve(const ConflictVersion& version) const override;

signals:
    // On the main thread, after each background write, whether or not it succeeded.
    void written();
    // On the main thread, when problem() changed.
    void problemChanged();

private:
    // The Vell folder, made when missing and `create`; closed when it is not there or not Vell's own.
    RealFolder openFolder(bool create) const;
    // What stood at `path` was not Vell's own: syncing stops, and the log is told, on the main thread.
    void turnOff(const QString& path, RealFolder::Kind found) const;
    void stopWatching();
    // The regular file `name` of the Vell folder, unless it was refused for its size before and has not
    // changed since; a new refusal is logged once and kept in `refusals`.
    RealFolder::Read readBounded(const RealFolder& vell, const QByteArray& name) const;
    // A line for the log, written on the main thread.
    void log(QString line) const;
    void flushLog();
    // Announces the problem on the main thread when it changed.
    void problemMayHaveChanged() const;
    std::optional<QString> currentProblem() const;

    QString folder() const;
    void watchPaths();
    // Kind, size and time of the file and of every conflict version: what the poll compares.
    QStringList snapshot() const;
    void noticeChange();
    void poll();

    const QString fileURL_;
    const QString rootPath_;
    const QByteArray folderName_;
    const QByteArray fileName_;
    const std::function<void()> onRemoteChange_;
    // Set from the writer's thread too.
    mutable std::atomic<bool> off_{false};
    // Everything below, from either thread.
    mutable std::mutex stateMutex_;
    mutable QStringList pendingLog_;
    // Why syncing stopped, until a look finds everything sound again; the last such line logged.
    mutable QString offProblem_;
    mutable QString offLogged_;
    // The shared copy or conflict versions refused for their size, by name, as they were then.
    mutable std::map<QByteArray, RealFolder::Entry> refusals_;
    mutable QString copyRefused_;
    mutable std::map<QString, QString> versionsRefused_;
    // Conflict-version names passed over as not regular files, logged once each.
    mutable std::map<QByteArray, RealFolder::Kind> passedOver_;
    // The problem last announced with problemChanged.
    mutable std::optional<QString> published_;
    QFileSystemWatcher watcher_;
    QTimer pollTimer_;
    QStringList lastSnapshot_;
    // Last, so that it is destroyed (waiting for its writes) while everything the writes use still exists.
    QThreadPool writer_;
};

} // namespace vell
