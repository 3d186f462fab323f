#include "Stores/RescueCopy.h"

#include "Stores/DocumentFile.h"
#include "Stores/FileDescriptor.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vell {

namespace {

// A folder of this user's alone: nobody else can have put anything in it.
bool isPrivateFolder(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 07777) == 0700;
}

// The device of the nearest folder on the way to `path` that exists.
std::optional<dev_t> deviceOf(QString path) {
    for (int depth = 0; depth < 64 && !path.isEmpty(); ++depth) {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) == 0) return info.st_dev;
        const QString parent = QFileInfo(path).absolutePath();
        if (parent == path) break;
        path = parent;
    }
    return std::nullopt;
}

// Writes the file into the new folder; 0 or the errno of the step that failed.
int writeInto(int folder, std::string_view bytes) {
    const std::string name(RescueCopy::fileName);
    FileDescriptor file(
        ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid()) return errno;
    if (const int error = FileDescriptor::writeAll(file.get(), bytes)) return error;
    if (::fsync(file.get()) != 0) return errno;
    if (const int error = file.close()) return error;
    return FileDescriptor::syncFolder(folder);
}

} // namespace

std::vector<QString> RescueCopy::defaultRoots() {
    std::vector<QString> roots{QStringLiteral("/var/tmp"), QStringLiteral("/tmp")};
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty()) roots.push_back(cache);
    return roots;
}

RescueCopy::RescueCopy(const QString& documentPath, std::vector<QString> roots)
    : roots_(std::move(roots)), documentFolder_(QFile::encodeName(QFileInfo(documentPath).absolutePath())) {
    // The same document has the same tag at every start, and other documents' copies are left alone.
    const QByteArray digest =
        QCryptographicHash::hash(QFile::encodeName(QFileInfo(documentPath).absoluteFilePath()),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(12);
    namePrefix_ = std::string(folderPrefix) + digest.toStdString() + "-";
}

QString RescueCopy::Found::folder() const {
    return QDir(root).filePath(QFile::decodeName(name));
}

std::vector<std::string> RescueCopy::orderedRoots() const {
    const std::optional<dev_t> documentDevice = deviceOf(QFile::decodeName(documentFolder_.c_str()));
    std::vector<std::string> elsewhere;
    std::vector<std::string> sameDevice;
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const QString& root : roots_) {
        if (root.isEmpty()) continue;
        const std::string path = QFile::encodeName(QFileInfo(root).absoluteFilePath()).toStdString();
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
        if (!seen.insert({info.st_dev, info.st_ino}).second) continue;
        (documentDevice && info.st_dev == *documentDevice ? sameDevice : elsewhere).push_back(path);
    }
    // A disk that is full is full for every folder on it; one that refused for another reason (its
    // permissions, read-only) may still take the copy elsewhere on it.
    elsewhere.insert(elsewhere.end(), sameDevice.begin(), sameDevice.end());
    return elsewhere;
}

std::optional<QString> RescueCopy::keep(std::string_view bytes, QString* error) const {
    int failure = ENOENT;
    for (const std::string& root : orderedRoots()) {
        std::string path = root + "/" + namePrefix_ + "XXXXXX";
        // Made with mode 0700 under a name nobody could have chosen first.
        if (!::mkdtemp(path.data())) {
            failure = errno;
            continue;
        }
        FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat info {};
        int written = !folder.valid()                     ? errno
                      : ::fstat(folder.get(), &info) != 0 ? errno
                      : !isPrivateFolder(info)            ? EPERM
                                                          : writeInto(folder.get(), bytes);
        if (written == 0) {
            // The new folder's own entry in the root.
            FileDescriptor parent(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (parent.valid()) written = FileDescriptor::syncFolder(parent.get());
        }
        if (written == 0) return QFile::decodeName(path.c_str()) + QLatin1Char('/') + QLatin1String(fileName);
        failure = written;
        if (folder.valid()) ::unlinkat(folder.get(), std::string(fileName).c_str(), 0);
        ::rmdir(path.c_str());
    }
    if (error) *error = DocumentFile::describeError(failure);
    return std::nullopt;
}

std::vector<RescueCopy::Found> RescueCopy::find() const {
    std::vector<Found> found;
    const std::string file(fileName);
    for (const std::string& root : orderedRoots()) {
        FileDescriptor rootFolder(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!rootFolder.valid()) continue;
        std::vector<std::string> names;
        {
            const int listing = ::dup(rootFolder.get());
            if (listing < 0) continue;
            DIR* directory = ::fdopendir(listing);
            if (!directory) {
                ::close(listing);
                continue;
            }
            while (const dirent* entry = ::readdir(directory)) {
                const std::string_view name(entry->d_name);
                if (name.size() > namePrefix_.size() && name.starts_with(namePrefix_))
                    names.emplace_back(name);
            }
            ::closedir(directory);
        }
        for (const std::string& name : names) {
            struct stat seen {};
            if (::fstatat(rootFolder.get(), name.c_str(), &seen, AT_SYMLINK_NOFOLLOW) != 0 ||
                !isPrivateFolder(seen))
                continue;
            FileDescriptor folder(
                ::openat(rootFolder.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            struct stat opened {};
            if (!folder.valid() || ::fstat(folder.get(), &opened) != 0 || !isPrivateFolder(opened) ||
                opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino)
                continue;
            // No link, no pipe to wait on, nothing of another user's, nothing too large.
            FileDescriptor copy(
                ::openat(folder.get(), file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            struct stat info {};
            if (!copy.valid() || ::fstat(copy.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
                info.st_uid != ::geteuid() || info.st_size > maximumBytes)
                continue;
            auto bytes = FileDescriptor::readAll(copy.get(), info.st_size, RescueCopy::maximumBytes);
            if (!bytes) continue;
            const std::int64_t modified =
                std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + std::int64_t{info.st_mtim.tv_nsec};
            found.push_back(Found{QFile::decodeName(root.c_str()), QByteArray::fromStdString(name),
                                  opened.st_dev, opened.st_ino, modified, std::move(*bytes)});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.modified < b.modified; });
    return found;
}

bool RescueCopy::remove(const Found& copy) const {
    FileDescriptor rootFolder(
        ::open(QFile::encodeName(copy.root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFolder.valid()) return false;
    FileDescriptor folder(
        ::openat(rootFolder.get(), copy.name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!folder.valid() || ::fstat(folder.get(), &info) != 0 || !isPrivateFolder(info) ||
        info.st_dev != copy.device || info.st_ino != copy.inode)
        return false;
    const std::string file(fileName);
    struct stat fileInfo {};
    if (::fstatat(folder.get(), file.c_str(), &fileInfo, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISREG(fileInfo.st_mode) || ::unlinkat(folder.get(), file.c_str(), 0) != 0) return false;
    }
    // Fails, leaving the folder, when something else was put in it.
    return ::unlinkat(rootFolder.get(), copy.name.constData(), AT_REMOVEDIR) == 0;
}

} // namespace vell
