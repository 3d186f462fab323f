#include "Stores/DocumentFile.h"

#include "Stores/FileDescriptor.h"
#include "Stores/UiText.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vell {

namespace {

QString saveFailureLine(const QString& description) {
    return uiText("Vell: 保存に失敗しました ", "Vell: The document could not be saved: ") + description;
}

// strerror_r as either library declares it.
[[maybe_unused]] const char* systemText(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* systemText(const char* result, const char*) {
    return result;
}

// A name no file in the folder has, for the new document until it replaces the old one.
template <class Make>
int underTemporaryName(const QByteArray& name, QByteArray& temporary, Make make) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = "." + name + "." + QByteArray::number(QRandomGenerator::global()->generate(), 16);
        if (make(temporary.constData())) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// Replaces `target` whole with the bytes, through a file beside it that is synced before the rename, then
// syncs the folder so that the rename itself survives a power loss (and the folder's own entry in its
// parent with `syncParent`). 0, or the errno of the step that failed; nothing is left behind then.
int replaceFile(const QString& target, std::string_view bytes, bool syncParent) {
    const QFileInfo info(target);
    const QByteArray name = QFile::encodeName(info.fileName());
    FileDescriptor folder(
        ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return errno;

    // Written without a name where the file system allows, so that a kill in the middle of the write
    // leaves nothing behind, and named (through /proc) only once it is complete; elsewhere it has a name
    // from the start.
    QByteArray temporary;
    const bool canName = ::access("/proc/self/fd", X_OK) == 0;
    FileDescriptor file(canName ? ::openat(folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1);
    const bool unnamed = file.valid();
    if (!unnamed) {
        if (canName && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
        int fd = -1;
        if (const int error = underTemporaryName(name, temporary, [&](const char* candidate) {
                fd = ::openat(folder.get(), candidate, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              0666);
                return fd >= 0;
            }))
            return error;
        file = FileDescriptor(fd);
    }
    const auto failed = [&](int error) {
        if (!temporary.isEmpty()) ::unlinkat(folder.get(), temporary.constData(), 0);
        return error;
    };
    // The document keeps the permissions it had; a new one gets those of any new file.
    struct stat existing {};
    if (::fstatat(folder.get(), name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(existing.st_mode))
        ::fchmod(file.get(), existing.st_mode & 07777);
    // A full disk shows here; the good document stays as it was.
    if (const int error = FileDescriptor::writeAll(file.get(), bytes)) return failed(error);
    if (::fsync(file.get()) != 0) return failed(errno);
    if (unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(file.get());
        if (const int error = underTemporaryName(name, temporary, [&](const char* candidate) {
                return ::linkat(AT_FDCWD, self.constData(), folder.get(), candidate, AT_SYMLINK_FOLLOW) == 0;
            }))
            return error;
    }
    if (const int error = file.close()) return failed(error);
    if (::renameat(folder.get(), temporary.constData(), folder.get(), name.constData()) != 0)
        return failed(errno);
    if (const int error = FileDescriptor::syncFolder(folder.get())) return error;
    if (syncParent) {
        FileDescriptor parent(::openat(folder.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!parent.valid()) return errno;
        if (const int error = FileDescriptor::syncFolder(parent.get())) return error;
    }
    return 0;
}

// Resolved through links of its folders and of the file itself, also for a file that does not exist yet
// (a link may point to it already).
QString resolvedPath(const QString& file) {
    QString path = QFileInfo(file).absoluteFilePath();
    for (int links = 0; links < 40; ++links) {
        const QFileInfo info(path);
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        if (!folder.isEmpty()) path = QDir(folder).filePath(info.fileName());
        const QFileInfo resolved(path);
        if (!resolved.isSymLink()) break;
        path = resolved.symLinkTarget();
    }
    return path;
}

} // namespace

void DocumentFile::logRepairs(const QString& path, const DocumentRepairs& repairs) {
    for (const DocumentRepair& repair : repairs)
        qWarning().noquote() << QStringLiteral("Vell: %1: %2%3")
                                    .arg(path,
                                         repair.path.empty() ? QString()
                                                             : QString::fromStdString(repair.path) + ": ",
                                         QString::fromStdString(repair.what));
}

QString DocumentFile::describeError(int errorNumber) {
    switch (errorNumber) {
    case ENOSPC:
        return uiText("ディスクの空き容量が足りません", "No space left on device");
    case EDQUOT:
        return uiText("ディスクの使用量が上限に達しています", "Disk quota exceeded");
    case EACCES:
        return uiText("アクセスが許可されていません", "Permission denied");
    case EPERM:
        return uiText("この操作は許可されていません", "Operation not permitted");
    case EROFS:
        return uiText("読み出し専用のファイルシステムです", "Read-only file system");
    case EIO:
        return uiText("入出力エラーが起きました", "Input/output error");
    default:
        std::array<char, 256> buffer{};
        return QString::fromLocal8Bit(
            systemText(::strerror_r(errorNumber, buffer.data(), buffer.size()), buffer.data()));
    }
}

std::optional<QString> DocumentFile::defaultLocation() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) return std::nullopt;
    const QString folder = QDir(base).filePath(QStringLiteral("Vell"));
    QDir().mkpath(folder);
    return QDir(folder).filePath(QStringLiteral("document.json"));
}

bool DocumentFile::sameFile(const QString& a, const QString& b) {
    if (resolvedPath(a) == resolvedPath(b)) return true;
    std::error_code error;
    return std::filesystem::equivalent(a.toStdString(), b.toStdString(), error);
}

DocumentFile::DocumentFile(QString path, Date::Clock clock)
    : path_(std::move(path)), clock_(std::move(clock)) {}

std::optional<VellDocument> DocumentFile::load() {
    const QFileInfo info(path_);
    if (!info.exists()) return std::nullopt;
    // From here on the file holds something; if it cannot be used, it is kept aside rather than
    // overwritten by the first save.
    if (!info.isFile()) {
        // Opening a pipe would wait for a writer that may never come.
        qWarning().noquote() << QStringLiteral("Vell: %1 is not a regular file and is not read").arg(path_);
        toSetAside_ = SetAside::unreadable;
        return std::nullopt;
    }
    QFile file(path_);
    const auto unreadable = [this](const QString& why) -> std::optional<VellDocument> {
        qWarning().noquote() << QStringLiteral("Vell: %1 could not be read: %2").arg(path_, why);
        toSetAside_ = SetAside::unreadable;
        return std::nullopt;
    };
    if (!file.open(QIODevice::ReadOnly)) return unreadable(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return unreadable(file.errorString());
    try {
        DocumentRepairs repairs;
        VellDocument document = VellDocument::read(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), repairs);
        // What was mended is read as well as it can be; the file as it was is kept aside all the same,
        // unless writing over it loses nothing.
        logRepairs(path_, repairs);
        if (std::any_of(repairs.begin(), repairs.end(), [](const DocumentRepair& r) { return !r.lossless; }))
            toSetAside_ = SetAside::repaired;
        return document;
    } catch (const std::exception& error) {
        // The error names the member that could not be read ("sheets[2].id: missing").
        return unreadable(QString::fromUtf8(error.what()));
    }
}

std::optional<std::string> DocumentFile::save(const VellDocument& document) {
    std::string bytes = document.encode();
    if (!saveEncoded(bytes)) return std::nullopt;
    return bytes;
}

bool DocumentFile::saveEncoded(std::string_view bytes, int* errorNumber) {
    QString error;
    if (!write(bytes, error, errorNumber)) {
        const QString line = saveFailureLine(error);
        if (line != failureLogged_) qWarning().noquote() << line;
        failureLogged_ = line;
        return false;
    }
    failureLogged_.clear();
    return true;
}

bool DocumentFile::write(std::string_view bytes, QString& error, int* errorNumber) {
    int failure = 0;
    const auto failed = [&] {
        if (errorNumber) *errorNumber = failure;
        return false;
    };
    if (!setUnreadableFileAside(error, failure)) return failed();
    // The folder may have gone since start-up.
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QFileInfo(folder).isDir() && QDir().mkpath(folder)) folderEntrySynced_ = false;
    failure = replaceFile(resolvedPath(path_), bytes, !folderEntrySynced_);
    if (failure) {
        error = describeError(failure);
        return failed();
    }
    folderEntrySynced_ = true;
    return true;
}

bool DocumentFile::setUnreadableFileAside(QString& error, int& errorNumber) {
    if (toSetAside_ == SetAside::nothing) return true;
    const bool repaired = toSetAside_ == SetAside::repaired;
    const QFileInfo info(path_);
    if (!info.exists() && !info.isSymLink()) {
        toSetAside_ = SetAside::nothing;
        return true;
    }
    const QString stamp = QString::fromStdString(clock_().iso8601()).remove(QLatin1Char(':'));
    const QString stem =
        info.dir().filePath(info.completeBaseName() + QStringLiteral(".unreadable-") + stamp);
    const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    int failure = EEXIST;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString target =
            stem + (attempt > 1 ? QStringLiteral("-") + QString::number(attempt) : QString()) + suffix;
        if (QFileInfo::exists(target)) continue;
        if (::rename(QFile::encodeName(info.filePath()).constData(), QFile::encodeName(target).constData()) !=
            0) {
            failure = errno;
            break;
        }
        // The file was read, with repairs, or it was not read at all; the log says which.
        qWarning().noquote()
            << (repaired ? uiText("Vell: %1 は修復して読み込みました。元のファイルは %2 として残してあります",
                                  "Vell: %1 was repaired when it was read; the original is kept as %2")
                         : uiText("Vell: %1 は読めなかったため、%2 としてよけておきました",
                                  "Vell: %1 could not be read and was set aside as %2"))
                   .arg(path_, QFileInfo(target).fileName());
        toSetAside_ = SetAside::nothing;
        return true;
    }
    error = (repaired ? uiText("修復して読み込んだファイル %1 の元のファイルを残しておけませんでした: %2",
                               "the original of the repaired file %1 could not be kept aside: %2")
                      : uiText("読めなかったファイル %1 をよけておけませんでした: %2",
                               "the unreadable file %1 could not be moved aside: %2"))
                .arg(info.filePath(), describeError(failure));
    errorNumber = failure;
    return false;
}

} // namespace vell
