#include "Stores/RealFolder.h"

#include <QFile>
#include <QRandomGenerator>
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

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<QByteArray> readAll(int fd) {
    QByteArray bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return bytes;
        bytes.append(buffer, n);
    }
}

} // namespace

RealFolder RealFolder::open(const QString& path) {
    return RealFolder(::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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
    return {kindOf(status.st_mode), static_cast<std::int64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
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

RealFolder::Read RealFolder::read(const QByteArray& name) const {
    const Kind kind = entry(name).kind;
    if (kind != Kind::file) return {kind, std::nullopt};
    const int fd = ::openat(fd_, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) return {Kind::link, std::nullopt};
        return {errno == ENOENT ? Kind::missing : Kind::file, std::nullopt};
    }
    struct stat status {};
    const Kind opened = ::fstat(fd, &status) == 0 ? kindOf(status.st_mode) : Kind::unknown;
    if (opened != Kind::file) {
        ::close(fd);
        return {opened, std::nullopt};
    }
    Read result{Kind::file, readAll(fd)};
    ::close(fd);
    return result;
}

RealFolder::Written RealFolder::replace(const QByteArray& name, const QByteArray& bytes) const {
    struct stat existing {};
    if (fd_ < 0) return {Kind::unknown, false};
    Kind kind = Kind::missing;
    if (::fstatat(fd_, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
        kind = kindOf(existing.st_mode);
    else if (errno != ENOENT)
        return {Kind::unknown, false};
    if (kind != Kind::file && kind != Kind::missing) return {kind, false};

    // Hidden and named after the file, so that a sync tool passes it by and a person can tell whose it is.
    QByteArray aside;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        aside = '.' + name + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        fd = ::openat(fd_, aside.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return {kind, false};
    bool written = (kind != Kind::file || ::fchmod(fd, existing.st_mode & 07777) == 0) &&
                   writeAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0) written = false;
    // Looked at once more right before the rename: a link or folder put there meanwhile stays.
    if (written) {
        const Entry now = entry(name);
        if (now.kind != Kind::file && now.kind != Kind::missing) {
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
