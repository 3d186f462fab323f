#pragma once

// The document's half of the shared copy: folding the shared copy and its conflict versions into the
// local document, and pushing the local document back, remembering the bytes last exchanged so that a
// store never merges its own pushes or writes what the shared copy holds already.

#include "Document/Date.h"
#include "Document/VellDocument.h"
#include "Stores/CloudSync.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vell {

class DocumentSync {
public:
    // Looks for the shared copy in the sync folder off the main thread and hands its location to `found`
    // on the main thread, unless `context` is gone by then. A shared copy that would be the local file
    // itself is no shared copy.
    static void lookUp(std::optional<QString> syncFolder, QString localFile, QObject* context,
                       std::function<void(const QString&)> found);

    // Syncs nothing until attached; the copy must outlive the writes this object queued, or drop them.
    void attach(SharedCopy* copy) { copy_ = copy; }
    bool attached() const { return copy_ != nullptr; }

    struct Merge {
        // The merged document when it differs from the local one.
        std::optional<VellDocument> document;
        // The shared document took the place of the starter document, which is dropped, not merged.
        bool replacesStarter = false;
        // Versions folded in; they may go once the local file holds the result.
        std::vector<SharedCopy::ConflictVersion> takenIn;
    };

    // Reads the shared copy (unless it holds the bytes exchanged last) and the conflict versions that
    // decode, and folds them into the local document. None when there was nothing new to fold in.
    std::optional<Merge> merge(const VellDocument& local, bool usingStarter, Date now);
    // The folding alone: copies that came from elsewhere, in order, into the local document, which wins
    // every tie. An untouched starter document is replaced by the copies when they hold a sheet.
    static Merge fold(const VellDocument& local, bool usingStarter, const std::vector<VellDocument>& remote,
                      Date now);
    // After the merge was written to the local file (the bytes written) or could not be (none): the
    // versions taken in go and the result is pushed only once it is safe on disk.
    void conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn,
                  std::optional<std::string> written);

    // The shared copy holds bytes that were neither written nor read here last: another computer's.
    bool copyChangedElsewhere() const;

    // Sends the encoded document to the shared copy in the background unless that copy holds it already,
    // the selected sheet aside.
    void push(std::string bytes);

    // The shared copy's bytes last written or read, whether or not they decoded.
    const std::optional<std::string>& lastSyncedData() const { return lastSyncedData_; }

private:
    SharedCopy* copy_ = nullptr;
    std::optional<std::string> lastSyncedData_;
    // That copy encoded without its selection; none when it did not decode.
    std::optional<std::string> lastSyncedContent_;
};

} // namespace vell
