#include "Stores/CloudSync.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <algorithm>
#include <utility>

namespace vell {

namespace {

const QString folderName = QStringLiteral("Vell");
const QString documentName = QStringLiteral("document.json");

// Only regular files are read: a pipe or a device under the document's name would block the reader.
std::optional<QByteArray> readRegularFile(const QString& path) {
    if (!QFileInfo(path).isFile()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

QStringList conflictVersionNames(const QString& folder) {
    QStringList names;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot))
        if (CloudSync::isConflictVersionName(name)) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

QString fileStamp(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return info.fileName() + QStringLiteral(" -");
    return info.fileName() + QLatin1Char(' ') + QString::number(info.size()) + QLatin1Char(' ') +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

std::optional<QString> CloudSync::resolveDocumentURL(const std::optional<QString>& syncFolder) {
    if (!syncFolder || syncFolder->isEmpty() || QDir::isRelativePath(*syncFolder)) return std::nullopt;
    const QFileInfo root(*syncFolder);
    if (!root.isDir()) return std::nullopt;
    QDir rootDir(root.absoluteFilePath());
    // A failure shows later as reads and writes that fail, as for a missing file.
    if (!rootDir.exists(folderName)) rootDir.mkdir(folderName);
    return QDir(rootDir.filePath(folderName)).filePath(documentName);
}

bool CloudSync::isConflictVersionName(const QString& fileName) {
    return fileName.startsWith(QStringLiteral("document")) && fileName != documentName &&
           fileName.contains(QStringLiteral("conflict"), Qt::CaseInsensitive);
}

CloudSync::CloudSync(QString fileURL, std::function<void()> onRemoteChange,
                     std::chrono::milliseconds pollInterval, QObject* parent)
    : QObject(parent), fileURL_(std::move(fileURL)), onRemoteChange_(std::move(onRemoteChange)) {
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
}

QString CloudSync::folder() const {
    return QFileInfo(fileURL_).absolutePath();
}

void CloudSync::watchPaths() {
    // A file replaced by a rename drops out of the watch, and a folder or file that did not exist yet
    // could not be watched; both are taken up again here, after every change and at every poll.
    const QString directory = folder();
    if (!watcher_.directories().contains(directory) && QFileInfo(directory).isDir())
        watcher_.addPath(directory);
    if (!watcher_.files().contains(fileURL_) && QFileInfo(fileURL_).isFile()) watcher_.addPath(fileURL_);
}

QStringList CloudSync::snapshot() const {
    QStringList stamps{fileStamp(fileURL_)};
    const QDir directory(folder());
    for (const QString& name : conflictVersionNames(directory.path()))
        stamps.push_back(fileStamp(directory.filePath(name)));
    return stamps;
}

void CloudSync::noticeChange() {
    watchPaths();
    // Seen already: the next poll need not report it again.
    lastSnapshot_ = snapshot();
    onRemoteChange_();
}

void CloudSync::poll() {
    watchPaths();
    QStringList current = snapshot();
    if (current == lastSnapshot_) return;
    lastSnapshot_ = std::move(current);
    onRemoteChange_();
}

std::optional<QByteArray> CloudSync::read() const {
    return readRegularFile(fileURL_);
}

bool CloudSync::write(const QByteArray& bytes) const {
    // The folder may have been removed by hand; it is made again inside the sync folder, never the sync
    // folder itself.
    const QFileInfo directory(folder());
    if (!directory.isDir()) {
        QDir root(directory.absolutePath());
        if (!root.exists() || !root.mkdir(directory.fileName())) return false;
    }
    QSaveFile file(fileURL_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // Without a commit the temporary file is discarded and the old file stays.
    if (file.write(bytes) != bytes.size()) return false;
    return file.commit();
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

std::vector<CloudSync::ConflictVersion> CloudSync::conflictVersions() const {
    std::vector<ConflictVersion> versions;
    const QDir directory(folder());
    for (const QString& name : conflictVersionNames(directory.path())) {
        const QString path = directory.filePath(name);
        // One that cannot be read is left where it is, for a later merge or for the user.
        if (auto bytes = readRegularFile(path)) versions.push_back(ConflictVersion{path, std::move(*bytes)});
    }
    return versions;
}

bool CloudSync::resolve(const ConflictVersion& version) const {
    const auto current = readRegularFile(version.path);
    if (!current || *current != version.bytes) return false;
    return QFile::remove(version.path);
}

} // namespace vell
