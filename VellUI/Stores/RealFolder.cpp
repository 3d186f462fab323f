#include "Stores/RealFolder.h"

#include "Stores/FileDescriptor.h"

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vell {

namespace {

RealFolder::Kind kindOf(mode_t mode) {
    if (S_ISREG(mode)) return RealFolder::Kind::file;
    if (S_ISDIR(mode)) return RealFolder::Kind::folder;
    if (S_ISLNK(mode)) return RealFolder::Kind::link;
    return RealFolder::Kind::special;
}

RealFolder::Entry entryOf(const struct stat& status) {
    return {kindOf(status.st_mode), static_cast<std::int64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
            static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

} // namespace

RealFolder RealFolder::open(const QString& path, Kind* found) {
    const QByteArray encoded = QFile::encodeName(path);
    RealFolder opened(::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (found) {
        struct stat status {};
        if (opened.isOpen())
            *found = Kind::folder;
        else if (::stat(encoded.constData(), &status) == 0)
            *found = kindOf(status.st_mode);
        else
            *found = errno == ENOENT || errno == ENOTDIR ? Kind::missing : Kind::unknown;
    }
    return opened;
}

RealFolder::RealFolder(RealFolder&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

RealFolder& RealFolder::operator=(RealFolder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

RealFolder::~RealFolder() {
    if (fd_ >= 0) ::close(fd_);
}

RealFolder::Entry RealFolder::entry(const QByteArray& name) const {
    struct stat status {};
    if (fd_ < 0) return {Kind::unknown, 0, 0};
    if (::fstatat(fd_, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return {errno == ENOENT ? Kind::missing : Kind::unknown, 0, 0};
    return entryOf(status);
}

std::vector<QByteArray> RealFolder::names() const {
    std::vector<QByteArray> names;
    if (fd_ < 0) return names;
    // The listing gets a descriptor of its own, read from the start; closing the listing closes it.
    const int listingFd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listingFd < 0) return names;
    DIR* listing = ::fdopendir(listingFd);
    if (!listing) {
        ::close(listingFd);
        return names;
    }
    while (const dirent* each = ::readdir(listing)) {
        const QByteArray name(each->d_name);
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(listing);
    return names;
}

RealFolder RealFolder::folder(const QByteArray& name, bool create, Kind* found) const {
    Kind kind = entry(name).kind;
    if (kind == Kind::missing && create && ::mkdirat(fd_, name.constData(), 0777) == 0) {
        // Without this, a power loss could take the new folder, and the first file written into it, away.
        ::fsync(fd_);
        kind = Kind::folder;
    } else if (kind == Kind::missing && create) {
        // Made by someone else meanwhile: looked at again.
        kind = entry(name).kind;
    }
    if (found) *found = kind;
    if (kind != Kind::folder) return {};
    RealFolder opened(::openat(fd_, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // Swapped for a link or a file since the look.
    if (!opened.isOpen() && (errno == ELOOP || errno == ENOTDIR) && found) *found = entry(name).kind;
    return opened;
}

RealFolder::Read RealFolder::read(const QByteArray& name, std::int64_t maxBytes) const {
    const Entry seen = entry(name);
    if (seen.kind != Kind::file) return {seen.kind, std::nullopt, false, seen};
    const int fd = ::openat(fd_, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) return {Kind::link, std::nullopt, false, seen};
        return {errno == ENOENT ? Kind::missing : Kind::file, std::nullopt, false, seen};
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        ::close(fd);
        return {Kind::unknown, std::nullopt, false, seen};
    }
    Read result{kindOf(status.st_mode), std::nullopt, false, entryOf(status)};
    if (result.kind == Kind::file && result.file.size > maxBytes) {
        result.tooLarge = true;
    } else if (result.kind == Kind::file) {
        bool grew = false;
        result.bytes = FileDescriptor::readAll(fd, result.file.size, maxBytes, &grew);
        if (grew) {
            result.tooLarge = true;
            result.file.size = maxBytes + 1;
        }
    }
    ::close(fd);
    return result;
}

RealFolder::Written RealFolder::replace(const QByteArray& name, const QByteArray& bytes, Over over) const {
    struct stat existing {};
    if (fd_ < 0) return {Kind::unknown, false};
    Kind kind = Kind::missing;
    if (::fstatat(fd_, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
        kind = kindOf(existing.st_mode);
    else if (errno != ENOENT)
        return {Kind::unknown, false};
    const auto replaceable = [over](Kind found) {
        if (found == Kind::file || found == Kind::missing) return true;
        return over == Over::anythingButAFolder && (found == Kind::link || found == Kind::special);
    };
    if (!replaceable(kind)) return {kind, false};

    // Hidden and named after the file, so that a sync tool passes it by and a person can tell whose it is.
    QByteArray aside;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        aside = '.' + name + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        fd = ::openat(fd_, aside.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return {kind, false};
    bool written =
        (kind != Kind::file || ::fchmod(fd, existing.st_mode & 07777) == 0) &&
        FileDescriptor::writeAll(
            fd, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) == 0 &&
        ::fsync(fd) == 0;
    if (::close(fd) != 0) written = false;
    // Looked at once more right before the rename: a link or folder put there meanwhile stays.
    if (written) {
        const Entry now = entry(name);
        if (!replaceable(now.kind)) {
            ::unlinkat(fd_, aside.constData(), 0);
            return {now.kind, false};
        }
    }
    if (!written || ::renameat(fd_, aside.constData(), fd_, name.constData()) != 0) {
        ::unlinkat(fd_, aside.constData(), 0);
        return {kind, false};
    }
    // The rename is safe on disk only once the folder is.
    return {kind, ::fsync(fd_) == 0};
}

bool RealFolder::removeFile(const QByteArray& name, Kind* found) const {
    const Kind kind = entry(name).kind;
    if (found) *found = kind;
    return kind == Kind::file && ::unlinkat(fd_, name.constData(), 0) == 0;
}

} // namespace vell
