#pragma once

// The second place for the document when its own file cannot be written and the run must end: a folder
// of the user's own (mode 0700, a random name) under a root that takes the write, roots on another file
// system than the document's tried first. The default roots outlive a logout (the runtime folder does
// not). The next start finds the copies kept for the same document and takes them in.
//
// Anyone may write to the roots: a name there is looked at without following a link, and only a folder
// of this user's with mode 0700 and this document's prefix is entered; only the regular file in it, of a
// sane size, is read. Plain system calls and no Qt event loop, so that it works from any thread, also
// while the main thread is stuck.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace vell {

class RescueCopy {
public:
    // The name of every folder begins so; the document's own tag follows, then a random part.
    static constexpr std::string_view folderPrefix = "vell-rescue-";
    static constexpr std::string_view fileName = "document.json";
    // A larger file is no copy of ours and is not read.
    static constexpr std::int64_t maximumBytes = std::int64_t{1} << 30;

    // /var/tmp (kept across reboots), /tmp, then the user's cache folder.
    static std::vector<QString> defaultRoots();

    // Copies of the document at `documentPath`; none are kept or found without roots.
    RescueCopy(const QString& documentPath, std::vector<QString> roots);

    const std::vector<QString>& roots() const { return roots_; }

    // Writes the bytes to a new folder under the first root that takes them, synced; the file's path, or
    // none when no root took them (`error` then holds the last reason, in the interface language).
    std::optional<QString> keep(std::string_view bytes, QString* error = nullptr) const;

    struct Found {
        QString root;
        QByteArray name;
        // The folder as it was found, so that removing it cannot hit another one put in its place.
        dev_t device = 0;
        ino_t inode = 0;
        std::int64_t modified = 0;
        QByteArray bytes;

        QString folder() const;
    };
    // The copies kept for this document, oldest first. Reads the disk: not on the UI thread.
    std::vector<Found> find() const;
    // Deletes the copy's file and then its folder, if the folder is still the one found.
    bool remove(const Found& copy) const;

private:
    // The roots with another file system than the document's first, each once.
    std::vector<std::string> orderedRoots() const;

    std::vector<QString> roots_;
    std::string documentFolder_;
    // folderPrefix and the document's tag, and "-".
    std::string namePrefix_;
};

} // namespace vell
