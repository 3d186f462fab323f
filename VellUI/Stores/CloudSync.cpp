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

} // namespace

void SharedCopy::queueWrite(Write write) {
    if (write.before) write.before();
    writeInBackground(QByteArray::fromStdString(*write.bytes),
                      [after = std::move(write.after), done = std::move(write.done)](bool succeeded) {
                          if (after) after(succeeded);
                          if (done) done(succeeded);
                      });
}

void SharedCopy::afterWrites(std::function<void()> task) {
    task();
}

std::optional<QString> CloudSync::resolveDocumentURL(const std::optional<QString>& syncFolder) {
    if (!syncFolder || syncFolder->isEmpty() || QDir::isRelativePath(*syncFolder)) return std::nullopt;
    const QString root = QFileInfo(*syncFolder).absoluteFilePath();
    const RealFolder rootFolder = RealFolder::open(root);
    if (!rootFolder.isOpen()) return std::nullopt;
    // A failure, or something else standing at the name, shows later when the copy is used.
    rootFolder.folder(QFile::encodeName(folderName), true);
    return QDir(QDir(root).filePath(folderName)).filePath(documentName);
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
    // A write that found something foreign just before the end still has its line.
    const std::lock_guard lock(warningMutex_);
    if (!warning_.isEmpty()) qWarning().noquote() << warning_;
}

QString CloudSync::folder() const {
    return QFileInfo(fileURL_).absolutePath();
}

RealFolder CloudSync::openFolder(bool create) const {
    if (off_) return {};
    const RealFolder root = RealFolder::open(rootPath_);
    // No sync folder (a drive not mounted): nothing to sync, and it is never made here.
    if (!root.isOpen()) return {};
    Kind found = Kind::missing;
    RealFolder opened = root.folder(folderName_, create, &found);
    if (isForeign(found, Kind::folder)) turnOff(folder(), found);
    return off_ ? RealFolder() : std::move(opened);
}

void CloudSync::turnOff(const QString& path, Kind found) const {
    if (off_.exchange(true)) return;
    {
        const std::lock_guard lock(warningMutex_);
        warning_ =
            uiText("Vell: %1 は%2です。辿らず、読み書きも削除もしません。次に起動するまで同期を止めます",
                   "Vell: %1 is %2, which Vell does not follow, read, write or delete; syncing is off "
                   "until Vell starts again")
                .arg(path, whatItIs(found));
    }
    auto* self = const_cast<CloudSync*>(this);
    if (QThread::currentThread() == thread())
        self->stopAndLog();
    else
        QMetaObject::invokeMethod(self, &CloudSync::stopAndLog, Qt::QueuedConnection);
}

void CloudSync::stopAndLog() {
    pollTimer_.stop();
    const QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty()) watcher_.removePaths(watched);
    QString warning;
    {
        const std::lock_guard lock(warningMutex_);
        warning = std::exchange(warning_, QString());
    }
    if (!warning.isEmpty()) qWarning().noquote() << warning;
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

std::optional<QByteArray> CloudSync::read() const {
    const RealFolder vell = openFolder(false);
    if (!vell.isOpen()) return std::nullopt;
    RealFolder::Read read = vell.read(fileName_);
    if (isForeign(read.kind, Kind::file)) turnOff(fileURL_, read.kind);
    if (off_) return std::nullopt;
    return std::move(read.bytes);
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
        if (write.before) write.before();
        // Read in place: the bytes stay alive, unchanged, as long as this task holds them.
        const bool succeeded = this->write(
            QByteArray::fromRawData(write.bytes->data(), static_cast<qsizetype>(write.bytes->size())));
        if (write.after) write.after(succeeded);
        QMetaObject::invokeMethod(
            this,
            [this, succeeded, done = std::move(write.done)] {
                if (done) done(succeeded);
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
    for (const QString& name : names) {
        RealFolder::Read read = vell.read(QFile::encodeName(name));
        if (isForeign(read.kind, Kind::file)) {
            turnOff(directory.filePath(name), read.kind);
            return {};
        }
        // One that cannot be read is left where it is, for a later merge or for the user.
        if (read.bytes) versions.push_back(ConflictVersion{directory.filePath(name), std::move(*read.bytes)});
    }
    return versions;
}

bool CloudSync::resolve(const ConflictVersion& version) const {
    const QFileInfo info(version.path);
    if (info.absolutePath() != folder() || !isConflictVersionName(info.fileName())) return false;
    const RealFolder vell = openFolder(false);
    if (!vell.isOpen()) return false;
    // Read again the same way first: a version rewritten since holds something not taken in.
    const QByteArray name = QFile::encodeName(info.fileName());
    const RealFolder::Read current = vell.read(name);
    if (isForeign(current.kind, Kind::file)) turnOff(version.path, current.kind);
    if (off_ || !current.bytes || *current.bytes != version.bytes) return false;
    Kind found = Kind::file;
    if (vell.removeFile(name, &found)) return true;
    if (isForeign(found, Kind::file)) turnOff(version.path, found);
    return false;
}

} // namespace vell
