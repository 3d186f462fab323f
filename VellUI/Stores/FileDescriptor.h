#pragma once

// A file or folder held open by its descriptor, closed when it goes, and the whole-file reads and writes
// that the document's files make through one: each retried when a signal interrupts it.

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace vell {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // 0, or why closing failed (a late write error some file systems report only here).
    int close();

    // 0, or the error number of the write that failed.
    static int writeAll(int fd, std::string_view bytes);
    // The same for a folder's entries: 0 also where the file system cannot sync a folder at all, which
    // alone makes no write fail.
    static int syncFolder(int fd);
    // Everything to the end, reading at most `maxBytes`; none when reading failed or there was more
    // (then `grew`, when given, is set).
    static std::optional<QByteArray> readAll(int fd, std::int64_t sizeHint, std::int64_t maxBytes,
                                             bool* grew = nullptr);

private:
    int fd_;
};

} // namespace vell
