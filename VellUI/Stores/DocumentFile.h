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

    // Nothing is read until `load`. The clock dates the name of a file set aside.
    DocumentFile(QString path, Date::Clock clock);

    const QString& path() const { return path_; }

    // The document in the file, read leniently (each repair logged); none when there is no file or it
    // cannot be used. A file that holds something unusable or mended is set aside before the first write,
    // never overwritten.
    std::optional<VellDocument> load();
    // Encodes the document and replaces the file whole with it; the bytes written, or none after logging
    // why not (the previous file then stays as it was).
    std::optional<std::string> save(const VellDocument& document);
    // Replaces the file whole with the bytes; false with the reason when it could not.
    bool write(std::string_view bytes, QString& error);

private:
    bool setUnreadableFileAside(QString& error);

    QString path_;
    Date::Clock clock_;
    bool unreadableFileToSetAside_ = false;
};

} // namespace vell
