#pragma once

// A folder held open, and whole-file work on the names in it that never follows a symbolic link: every
// name is looked up in the folder that was checked, not wherever a path happens to lead by then.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace vell {

class RealFolder {
public:
    // What a name stands for, seen without following a link.
    enum class Kind {
        missing,
        file,
        folder,
        link,
        // A pipe, a socket or a device.
        special,
        // It could not be looked at (no permission, an input/output error).
        unknown,
    };

    struct Entry {
        Kind kind = Kind::missing;
        std::int64_t size = 0;
        // Nanoseconds since the epoch.
        std::int64_t modified = 0;
        // Which file it is: another file put in its place differs here even with the same size and time.
        std::uint64_t device = 0;
        std::uint64_t inode = 0;

        // The same file, unchanged as far as its size and time tell.
        bool sameAs(const Entry& other) const {
            return kind == other.kind && size == other.size && modified == other.modified &&
                   device == other.device && inode == other.inode;
        }
    };

    // The folder at `path`, reached through links if need be: where it is, is the user's own choice.
    // Closed when there is no folder there or it cannot be opened; `found` then tells what stands there,
    // seen through links.
    static RealFolder open(const QString& path, Kind* found = nullptr);

    RealFolder() = default;
    RealFolder(RealFolder&& other) noexcept;
    RealFolder& operator=(RealFolder&& other) noexcept;
    RealFolder(const RealFolder&) = delete;
    RealFolder& operator=(const RealFolder&) = delete;
    ~RealFolder();

    bool isOpen() const { return fd_ >= 0; }

    Entry entry(const QByteArray& name) const;
    // Every name in the folder but "." and "..", in no particular order.
    std::vector<QByteArray> names() const;

    // The real folder `name` in this one, made first when it is missing and `create` (and this folder
    // synced, so that it stays made). Closed otherwise; `found` then tells what stands there.
    RealFolder folder(const QByteArray& name, bool create, Kind* found = nullptr) const;

    struct Read {
        // What stood there; only a regular file is read.
        Kind kind = Kind::missing;
        // None when it is no regular file, could not be read or is too large.
        std::optional<QByteArray> bytes;
        // Larger than the reader would take: nothing was read.
        bool tooLarge = false;
        // The file as it was opened (its size when it grew while being read).
        Entry file;
    };
    // The whole of the regular file `name`, unless it holds more than `maxBytes`: then nothing is read
    // and `tooLarge` tells. Opened without following a link and without waiting, so that a pipe swapped
    // in after the look cannot block the reader, and its size taken from the opened file.
    Read read(const QByteArray& name, std::int64_t maxBytes) const;

    struct Written {
        // What stood there before: only a regular file or nothing is replaced.
        Kind kind = Kind::missing;
        bool done = false;
    };
    // What a replace may put its file in place of, besides a regular file and nothing.
    enum class Over {
        // Only those: anything else is someone else's and stays.
        fileOnly,
        // Also a link, a pipe, a socket or a device, which goes (a link itself, never what it leads to),
        // for a file whose name only the program uses. Never a folder.
        anythingButAFolder,
    };
    // Replaces the regular file `name` whole, or makes it: written to a new file beside it, synced, renamed
    // into place and the folder synced, so that neither a reader nor a power loss sees half a file. An
    // existing file's permissions are kept. What is left of a failed write is removed.
    Written replace(const QByteArray& name, const QByteArray& bytes, Over over = Over::fileOnly) const;

    // Deletes `name` when it is a regular file; what it was is in `found`.
    bool removeFile(const QByteArray& name, Kind* found = nullptr) const;

private:
    explicit RealFolder(int fd) : fd_(fd) {}

    int fd_ = -1;
};

} // namespace vell
