#include "Stores/CloudSync.h"

#include "Stores/UiText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtDebug>
#include <algorithm>
#include <utility>

namespace vell {

namespace {

const QString folderName = QStringLiteral("Vell");
const QString documentName = QStringLiteral("document.json");

using Kind = RealFolder::Kind;

// Neither missing nor Vell's own kind of entry. One that could not be looked at is a failure, not a sign.
bool isForeign(Kind found, Kind expected) {
    return found != expected && found != Kind::missing && found != Kind::unknown;
}

QString whatItIs(Kind found) {
    switch (found) {
    case Kind::link:
        return uiText("シンボリックリンク", "a symbolic link");
    case Kind::folder:
        return uiText("ファイルのあるべき場所にあるフォルダ", "a folder where a file belongs");
    case Kind::file:
        return uiText("フォルダのあるべき場所にあるファイル", "a file where a folder belongs");
    case Kind::special:
        return uiText("パイプ、ソケットまたはデバイス", "a pipe, socket or device");
    case Kind::missing:
    case Kind::unknown:
        break;
    }
    return uiText("不明なもの", "something unknown");
}

QString megabytes(std::int64_t bytes) {
    return QString::number((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

QString tooLarge(bool sharedCopy, const QString& path, std::int64_t size) {
    const QString limit = megabytes(SharedCopy::maxDocumentBytes);
    if (sharedCopy)
        return uiText(
                   "同期を待っています: 共有コピー %1 は Vell の書類としては大きすぎるため読みません（%2 MB、"
                   "上限 %3 MB）。変更されたらもう一度試します",
                   "Syncing waits: the shared copy %1 is too large to be a Vell document (%2 MB, at most "
                   "%3 MB) and is not read. Vell tries again once it changes")
            .arg(path, megabytes(size), limit);
    return uiText("競合コピー %1 は Vell の書類としては大きすぎるため読みません（%2 MB、上限 %3 MB）。ほかの"
                  "変更は同期を続けます",
                  "The conflicting copy %1 is too large to be a Vell document (%2 MB, at most %3 MB) and is "
                  "not read; everything else is still synced")
        .arg(path, megabytes(size), limit);
}

} // namespace

void SharedCopy::queueWrite(Write write) {
    if (write.accepts) {
        const Copy current = readCopy();
        const bool refused = current.refused;
        if (refused || (current.bytes &&
                        !write.accepts(std::string_view(current.bytes->constData(),
                                                        static_cast<std::size_t>(current.bytes->size()))))) {
            if (write.after) write.after(false);
            if (write.done) write.done(refused ? Outcome::refused : Outcome::changedElsewhere);
            return;
        }
    }
    if (write.before) write.before();
    writeInBackground(QByteArray::fromStdString(*write.bytes),
                      [after = std::move(write.after), done = std::move(write.done)](bool succeeded) {
                          if (after) after(succeeded);
                          if (done) done(succeeded ? Outcome::written : Outcome::failed);
                      });
}

void SharedCopy::afterWrites(std::function<void()> task) {
    task();
}

std::optional<QString> CloudSync::resolveDocumentURL(const std::optional<QString>& syncFolder) {
    if (!syncFolder || syncFolder->isEmpty() || QDir::isRelativePath(*syncFolder)) return std::nullopt;
    const QString root = QFileInfo(*syncFolder).absoluteFilePath();
    const QString location = QDir(QDir(root).filePath(folderName)).filePath(documentName);
    Kind found = Kind::missing;
    const RealFolder rootFolder = RealFolder::open(root, &found);
    // A file or the like where the folder belongs is for the object to find, say so and look at again.
    if (!rootFolder.isOpen()) return isForeign(found, Kind::folder) ? std::optional(location) : std::nullopt;
    // A failure, or something else standing at the name, shows later when the copy is used.
    rootFolder.folder(QFile::encodeName(folderName), true);
    return location;
}

bool CloudSync::isConflictVersionName(const QString& fileName) {
    return fileName.startsWith(QStringLiteral("document")) && fileName != documentName &&
           fileName.contains(QStringLiteral("conflict"), Qt::CaseInsensitive);
}

CloudSync::CloudSync(QString fileURL, std::function<void()> onRemoteChange,
                     std::chrono::milliseconds pollInterval, QObject* parent)
    : QObject(parent), fileURL_(std::move(fileURL)),
      rootPath_(QFileInfo(QFileInfo(fileURL_).absolutePath()).absolutePath()),
      folderName_(QFile::encodeName(QFileInfo(QFileInfo(fileURL_).absolutePath()).fileName())),
      fileName_(QFile::encodeName(QFileInfo(fileURL_).fileName())),
      onRemoteChange_(std::move(onRemoteChange)) {
    writer_.setMaxThreadCount(1);
    writer_.setThreadPriority(QThread::LowPriority);

    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &CloudSync::noticeChange);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &CloudSync::noticeChange);
    watchPaths();
    lastSnapshot_ = snapshot();

    pollTimer_.setInterval(pollInterval);
    connect(&pollTimer_, &QTimer::timeout, this, &CloudSync::poll);
    pollTimer_.start();
}

CloudSync::~CloudSync() {
    writer_.waitForDone();
    // Lines from the writer's thread just before the end are still logged.
    flushLog();
}

QString CloudSync::folder() const {
    return QFileInfo(fileURL_).absolutePath();
}

RealFolder CloudSync::openFolder(bool create) const {
    if (off_) return {};
    Kind rootKind = Kind::missing;
    const RealFolder root = RealFolder::open(rootPath_, &rootKind);
    // No sync folder (a drive not mounted): nothing to sync, and it is never made here. Something else
    // in its place stops syncing.
    if (!root.isOpen()) {
        if (isForeign(rootKind, Kind::folder)) turnOff(rootPath_, rootKind);
        return {};
    }
    Kind found = Kind::missing;
    RealFolder opened = root.folder(folderName_, create, &found);
    if (isForeign(found, Kind::folder)) turnOff(folder(), found);
    return off_ ? RealFolder() : std::move(opened);
}

void CloudSync::turnOff(const QString& path, Kind found) const {
    if (off_.exchange(true)) return;
    const QString problem =
        uiText("同期を止めました: %1 は%2です。辿らず、読み書きも削除もしません。次にアクティブになったときに"
               "もう一度確かめます",
               "Syncing has stopped: %1 is %2, which Vell does not follow, read, write or delete. It looks "
               "again when it becomes active")
            .arg(path, whatItIs(found));
    {
        const std::lock_guard lock(stateMutex_);
        offProblem_ = problem;
        // The same found again at the next activation is not logged again.
        if (offLogged_ != problem) {
            offLogged_ = problem;
            pendingLog_.push_back(
                uiText("Vell: %1 は%2です。辿らず、読み書きも削除もしません。同期を止め、次にアクティブに"
                       "なったときにもう一度確かめます",
                       "Vell: %1 is %2, which Vell does not follow, read, write or delete; syncing is off "
                       "until Vell becomes active again")
                    .arg(path, whatItIs(found)));
        }
    }
    auto* self = const_cast<CloudSync*>(this);
    if (QThread::currentThread() == thread())
        self->stopWatching();
    else
        QMetaObject::invokeMethod(self, &CloudSync::stopWatching, Qt::QueuedConnection);
    problemMayHaveChanged();
}

void CloudSync::stopWatching() {
    flushLog();
    // Asked to look again meanwhile.
    if (!off_) return;
    pollTimer_.stop();
    const QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty()) watcher_.removePaths(watched);
}

void CloudSync::retry() {
    if (!off_.exchange(false)) return;
    watchPaths();
    lastSnapshot_ = snapshot();
    if (!off_) pollTimer_.start();
}

void CloudSync::log(QString line) const {
    {
        const std::lock_guard lock(stateMutex_);
        pendingLog_.push_back(std::move(line));
    }
    auto* self = const_cast<CloudSync*>(this);
    if (QThread::currentThread() == thread())
        self->flushLog();
    else
        QMetaObject::invokeMethod(self, &CloudSync::flushLog, Qt::QueuedConnection);
}

void CloudSync::flushLog() {
    QStringList lines;
    {
        const std::lock_guard lock(stateMutex_);
        lines.swap(pendingLog_);
    }
    for (const QString& line : lines)
        qWarning().noquote() << line;
}

std::optional<QString> CloudSync::currentProblem() const {
    if (!offProblem_.isEmpty()) return offProblem_;
    if (!copyRefused_.isEmpty()) return copyRefused_;
    if (!versionsRefused_.empty()) return versionsRefused_.begin()->second;
    return std::nullopt;
}

std::optional<QString> CloudSync::problem() const {
    const std::lock_guard lock(stateMutex_);
    return published_;
}

void CloudSync::problemMayHaveChanged() const {
    {
        const std::lock_guard lock(stateMutex_);
        const std::optional<QString> current = currentProblem();
        if (current == published_) return;
        published_ = current;
    }
    auto* self = const_cast<CloudSync*>(this);
    if (QThread::currentThread() == thread())
        emit self->problemChanged();
    else
        QMetaObject::invokeMethod(self, &CloudSync::problemChanged, Qt::QueuedConnection);
}

void CloudSync::watchPaths() {
    if (off_) return;
    // A file replaced by a rename drops out of the watch, and a folder or file that did not exist yet
    // could not be watched; both are taken up again here, after every change and at every poll. Only a
    // real folder and a regular file are watched: a watch follows links.
    const RealFolder root = RealFolder::open(rootPath_);
    if (!root.isOpen() || root.entry(folderName_).kind != Kind::folder) return;
    const QString directory = folder();
    if (!watcher_.directories().contains(directory)) watcher_.addPath(directory);
    const RealFolder vell = root.folder(folderName_, false);
    if (!watcher_.files().contains(fileURL_) && vell.entry(fileName_).kind == Kind::file)
        watcher_.addPath(fileURL_);
}

QStringList CloudSync::snapshot() const {
    // Names, kinds, sizes and times of the file and of every conflict version, none of it through a link.
    QStringList stamps;
    const RealFolder vell = openFolder(false);
    if (!vell.isOpen()) return stamps;
    for (const QByteArray& name : vell.names()) {
        if (name != fileName_ && !isConflictVersionName(QFile::decodeName(name))) continue;
        const RealFolder::Entry entry = vell.entry(name);
        stamps.push_back(QFile::decodeName(name) + QLatin1Char(' ') +
                         QString::number(static_cast<int>(entry.kind)) + QLatin1Char(' ') +
                         QString::number(entry.size) + QLatin1Char(' ') + QString::number(entry.modified));
    }
    stamps.sort();
    return stamps;
}

void CloudSync::noticeChange() {
    if (off_) return;
    watchPaths();
    // Seen already: the next poll need not report it again.
    lastSnapshot_ = snapshot();
    onRemoteChange_();
}

void CloudSync::poll() {
    if (off_) return;
    watchPaths();
    QStringList current = snapshot();
    if (current == lastSnapshot_) return;
    lastSnapshot_ = std::move(current);
    onRemoteChange_();
}

RealFolder::Read CloudSync::readBounded(const RealFolder& vell, const QByteArray& name) const {
    {
        const std::lock_guard lock(stateMutex_);
        const auto found = refusals_.find(name);
        if (found != refusals_.end()) {
            if (vell.entry(name).sameAs(found->second))
                return {Kind::file, std::nullopt, true, found->second};
            refusals_.erase(found);
        }
    }
    RealFolder::Read read = vell.read(name, maxDocumentBytes);
    if (read.tooLarge) {
        const QString path = QDir(folder()).filePath(QFile::decodeName(name));
        {
            const std::lock_guard lock(stateMutex_);
            refusals_[name] = read.file;
        }
        log(QStringLiteral("Vell: ") + tooLarge(name == fileName_, path, read.file.size));
    }
    return read;
}

std::optional<QByteArray> CloudSync::read() const {
    return readCopy().bytes;
}

SharedCopy::Copy CloudSync::readCopy() const {
    const RealFolder vell = openFolder(false);
    RealFolder::Read read;
    if (vell.isOpen()) {
        read = readBounded(vell, fileName_);
        if (isForeign(read.kind, Kind::file)) turnOff(fileURL_, read.kind);
    }
    if (off_) return {};
    {
        const std::lock_guard lock(stateMutex_);
        // Looked at and found sound (or away): what stopped syncing before is gone.
        offProblem_.clear();
        offLogged_.clear();
        copyRefused_ = read.tooLarge ? tooLarge(true, fileURL_, read.file.size) : QString();
    }
    problemMayHaveChanged();
    return {std::move(read.bytes), read.tooLarge};
}

bool CloudSync::write(const QByteArray& bytes) const {
    // The folder may have been removed by hand; it is made again inside the sync folder, never the sync
    // folder itself.
    const RealFolder vell = openFolder(true);
    if (!vell.isOpen()) return false;
    const RealFolder::Written written = vell.replace(fileName_, bytes);
    if (isForeign(written.kind, Kind::file)) turnOff(fileURL_, written.kind);
    return written.done && !off_;
}

void CloudSync::writeInBackground(QByteArray bytes, std::function<void(bool)> done) {
    writer_.start([this, bytes = std::move(bytes), done = std::move(done)]() mutable {
        const bool succeeded = write(bytes);
        QMetaObject::invokeMethod(
            this,
            [this, succeeded, done = std::move(done)] {
                if (done) done(succeeded);
                emit written();
            },
            Qt::QueuedConnection);
    });
}

void CloudSync::queueWrite(Write write) {
    writer_.start([this, write = std::move(write)]() mutable {
        std::optional<Outcome> skipped;
        if (write.accepts) {
            // Read right before the write, on the thread that makes every write: nothing of this
            // object's can come in between.
            const Copy current = readCopy();
            if (current.refused)
                skipped = Outcome::refused;
            else if (current.bytes &&
                     !write.accepts(std::string_view(current.bytes->constData(),
                                                     static_cast<std::size_t>(current.bytes->size()))))
                skipped = Outcome::changedElsewhere;
        }
        if (skipped) {
            if (write.after) write.after(false);
            QMetaObject::invokeMethod(
                this,
                [outcome = *skipped, done = std::move(write.done)] {
                    if (done) done(outcome);
                },
                Qt::QueuedConnection);
            return;
        }
        if (write.before) write.before();
        // Read in place: the bytes stay alive, unchanged, as long as this task holds them.
        const bool succeeded = this->write(
            QByteArray::fromRawData(write.bytes->data(), static_cast<qsizetype>(write.bytes->size())));
        if (write.after) write.after(succeeded);
        QMetaObject::invokeMethod(
            this,
            [this, succeeded, done = std::move(write.done)] {
                if (done) done(succeeded ? Outcome::written : Outcome::failed);
                emit written();
            },
            Qt::QueuedConnection);
    });
}

void CloudSync::afterWrites(std::function<void()> task) {
    writer_.start(std::move(task));
}

void CloudSync::finishWrites() {
    writer_.waitForDone();
}

std::vector<CloudSync::ConflictVersion> CloudSync::conflictVersions() const {
    std::vector<ConflictVersion> versions;
    const RealFolder vell = openFolder(false);
    if (!vell.isOpen()) return versions;
    QStringList names;
    for (const QByteArray& name : vell.names())
        if (isConflictVersionName(QFile::decodeName(name))) names.push_back(QFile::decodeName(name));
    names.sort();
    const QDir directory(folder());
    std::map<QString, QString> refused;
    std::map<QByteArray, Kind> passedOver;
    for (const QString& name : names) {
        const QByteArray encoded = QFile::encodeName(name);
        RealFolder::Read read = readBounded(vell, encoded);
        if (read.tooLarge)
            refused[directory.filePath(name)] = tooLarge(false, directory.filePath(name), read.file.size);
        // A peer's link, pipe or folder under such a name is someone else's: passed over, and syncing
        // goes on.
        if (isForeign(read.kind, Kind::file)) passedOver[encoded] = read.kind;
        // One that cannot be read is left where it is, for a later merge or for the user.
        if (read.bytes) versions.push_back(ConflictVersion{directory.filePath(name), std::move(*read.bytes)});
    }
    QStringList newlyPassedOver;
    {
        const std::lock_guard lock(stateMutex_);
        for (const auto& [name, kind] : passedOver) {
            const auto known = passedOver_.find(name);
            if (known == passedOver_.end() || known->second != kind)
                newlyPassedOver.push_back(
                    uiText("Vell: %1 は%2です。辿らず、読み書きも削除もせずに飛ばし、同期を続けます",
                           "Vell: %1 is %2, which Vell does not follow, read, write or delete; it is passed "
                           "over and syncing goes on")
                        .arg(directory.filePath(QFile::decodeName(name)), whatItIs(kind)));
        }
        passedOver_ = std::move(passedOver);
        versionsRefused_ = std::move(refused);
    }
    for (QString& line : newlyPassedOver)
        log(std::move(line));
    problemMayHaveChanged();
    return versions;
}

bool CloudSync::resolve(const ConflictVersion& version) const {
    const QFileInfo info(version.path);
    if (info.absolutePath() != folder() || !isConflictVersionName(info.fileName())) return false;
    const RealFolder vell = openFolder(false);
    if (!vell.isOpen()) return false;
    // Read again the same way first: a version rewritten since holds something not taken in. Anything
    // but a regular file is someone else's.
    const QByteArray name = QFile::encodeName(info.fileName());
    const RealFolder::Read current = vell.read(name, maxDocumentBytes);
    if (off_ || !current.bytes || *current.bytes != version.bytes) return false;
    return vell.removeFile(name);
}

} // namespace vell
