#include "Stores/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace vell {

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

int FileDescriptor::close() {
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 || errno == EINTR ? 0 : errno;
}

int FileDescriptor::writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int FileDescriptor::syncFolder(int fd) {
    if (::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP) return 0;
    return errno;
}

std::optional<QByteArray> FileDescriptor::readAll(int fd, std::int64_t sizeHint, std::int64_t maxBytes,
                                                  bool* grew) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(std::clamp<std::int64_t>(sizeHint, 0, maxBytes)));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return bytes;
        if (bytes.size() + n > maxBytes) {
            if (grew) *grew = true;
            return std::nullopt;
        }
        bytes.append(buffer, n);
    }
}

} // namespace vell
