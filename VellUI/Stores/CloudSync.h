#pragma once

// The shared copy of the document in a folder that the user's own file-sync tool keeps in step between
// computers: where it lives, a watch that reports every change seen there, and whole-file reads and
// writes. It moves bytes only; what is merged, pushed or ignored is the document store's business.
//
// Anyone who can write the sync folder, another computer included, decides what stands in it. The sync
// folder may be reached through a link (the user chose it), but the Vell folder in it, the shared copy and
// its conflict versions must be a real folder and regular files: a link there is never followed, and a
// link, pipe, device or folder in their place is neither read, written nor deleted. Finding one turns
// syncing off for the life of the object, with one line in the log.

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
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vell {

// What the sync protocol needs of the shared copy: whole-file reads and writes and the conflict versions
// a sync tool leaves beside it. CloudSync is the real one.
class SharedCopy {
public:
    struct ConflictVersion {
        QString path;
        QByteArray bytes;
    };

    virtual ~SharedCopy() = default;

    // The whole file, or none when it is missing or cannot be read.
    virtual std::optional<QByteArray> read() const = 0;
    // Replaces the file whole, later and off the caller's thread; writes land in the order queued. `done`
    // runs on the caller's thread afterwards and tells whether the write succeeded.
    virtual void writeInBackground(QByteArray bytes, std::function<void(bool)> done = {}) = 0;

    // A write with work of its own on the writing thread, so that the caller's thread neither copies nor
    // waits: `before` runs just before the write, `after` right after it, told whether it succeeded, and
    // both before any later write; `done` then runs on the caller's thread, as above.
    struct Write {
        std::shared_ptr<const std::string> bytes;
        std::function<void()> before = {};
        std::function<void(bool)> after = {};
        std::function<void(bool)> done = {};
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
    // is absent, empty, not absolute or not an existing folder: it is never created, since that would make
    // an unsynced folder where a drive is not mounted. Whatever else stands at "Vell" is left for the
    // object to find. May block on a network mount, so it is called off the main thread.
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
    // Something that is not Vell's own stood where a file or folder of Vell's belongs: nothing is read,
    // written, deleted or reported any more.
    bool turnedOff() const { return off_; }

    // The whole file, or none when it is missing or cannot be read. A file caught in the middle of a
    // foreign write may be torn; its completed write brings another change.
    std::optional<QByteArray> read() const override;
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

    // The readable conflict versions, in name order.
    std::vector<ConflictVersion> conflictVersions() const override;
    bool resolve(const ConflictVersion& version) const override;

signals:
    // On the main thread, after each background write, whether or not it succeeded.
    void written();

private:
    // The Vell folder, made when missing and `create`; closed when it is not there or not Vell's own.
    RealFolder openFolder(bool create) const;
    // What stood at `path` was not Vell's own: syncing stops, and the log is told once, on the main thread.
    void turnOff(const QString& path, RealFolder::Kind found) const;
    void stopAndLog();

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
    mutable std::mutex warningMutex_;
    mutable QString warning_;
    QFileSystemWatcher watcher_;
    QTimer pollTimer_;
    QStringList lastSnapshot_;
    // Last, so that it is destroyed (waiting for its writes) while everything the writes use still exists.
    QThreadPool writer_;
};

} // namespace vell
