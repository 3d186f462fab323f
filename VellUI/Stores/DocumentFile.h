#pragma once

// The local document file: where it lives, reading it, replacing it whole, and keeping a file that
// could not be read out of harm's way until the user can look at it.

#include "Document/Date.h"
#include "Document/VellDocument.h"

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace vell {

class DocumentFile {
public:
    // "document.json" in the folder "Vell" of the user's data folder, which is created when missing; none
    // when there is no data folder.
    static std::optional<QString> defaultLocation();
    // Two paths of one file: through links of the folders or of the file itself (also one that does not
    // exist yet), or two names of one file.
    static bool sameFile(const QString& a, const QString& b);
    // One log line for each value a lenient read of the file at `path` had to mend.
    static void logRepairs(const QString& path, const DocumentRepairs& repairs);
    // A system error number (errno) in the interface language: the usual causes of a failed save in words
    // of our own, any other as the system words it.
    static QString describeError(int errorNumber);

    // Nothing is read until `load`. The clock dates the name of a file set aside.
    DocumentFile(QString path, Date::Clock clock);

    const QString& path() const { return path_; }

    // The document in the file, read leniently (each repair logged); none when there is no file or it
    // cannot be used. A file that holds something unusable or mended is set aside before the first write,
    // never overwritten.
    std::optional<VellDocument> load();
    // Encodes the document and replaces the file whole with it; the bytes written, or none after logging
    // why not (the previous file then stays as it was). A cause logged is not logged again until a save
    // succeeds, however often it is tried.
    std::optional<std::string> save(const VellDocument& document);
    // The same with the document encoded already: false after logging why the bytes could not be written,
    // with the system's error number in `errorNumber` when given.
    bool saveEncoded(std::string_view bytes, int* errorNumber = nullptr);
    // Replaces the file whole with the bytes: written beside it, synced, renamed over it, and its folder
    // synced, so that after a power loss the file is the old document or the new one. A link at the path
    // is the user's own and is followed: the file it leads to is replaced. False with the reason, in the
    // interface language, when it could not, and its error number when asked for.
    bool write(std::string_view bytes, QString& error, int* errorNumber = nullptr);

private:
    bool setUnreadableFileAside(QString& error, int& errorNumber);

    QString path_;
    Date::Clock clock_;
    // What the file at the path is when it has to be set aside before the first write.
    enum class SetAside {
        nothing,
        unreadable,
        repaired
    } toSetAside_ = SetAside::nothing;
    QString failureLogged_;
    // The folder's own entry in its parent, synced once after each time the folder may have been made.
    bool folderEntrySynced_ = false;
};

} // namespace vell
