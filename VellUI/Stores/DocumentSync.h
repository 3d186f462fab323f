#pragma once

// The document's half of the shared copy: folding the shared copy and its conflict versions into the
// local document, and pushing the local document back, remembering the bytes last exchanged so that a
// store never merges its own pushes or writes what the shared copy holds already. Used on one thread;
// what a push brings about after its write (the pushed document read back as the new base, and the
// base's file written) is done where the shared copy is written, in order with the writes.

#include "Document/CopyFold.h"
#include "Document/Date.h"
#include "Document/VellDocument.h"
#include "Stores/CloudSync.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

class DocumentSync {
public:
    // An encoded document, shared between threads without copies.
    using Bytes = std::shared_ptr<const std::string>;

    DocumentSync();

    // Looks for the shared copy in the sync folder off the main thread and hands its location to `found`
    // on the main thread, unless `context` is gone by then. A shared copy that would be the local file
    // itself is no shared copy.
    static void lookUp(std::optional<QString> syncFolder, QString localFile, QObject* context,
                       std::function<void(const QString&)> found);

    // Syncs nothing until attached; the copy must outlive the writes this object queued, or drop them.
    void attach(SharedCopy* copy) { copy_ = copy; }
    bool attached() const { return copy_ != nullptr; }

    // What was last agreed with the shared copy, the base of every merge, is kept in `file` (a file of
    // the program's own beside the local document) so that it survives a restart; it is read from there
    // now, unless it was kept for another shared copy than `sharedCopy`. Without a file it lives in memory.
    // The file is only ever written where the shared copy is, after the writes queued before.
    void keepBaseIn(QString file, QString sharedCopy);

    struct Merge {
        // The merged document when it differs from the local one.
        std::optional<VellDocument> document;
        // The shared document took the place of the starter document, which is dropped, not merged.
        bool replacesStarter = false;
        // Versions folded in; they may go once the local file holds the result.
        std::vector<SharedCopy::ConflictVersion> takenIn;
        // Versions of a sheet changed on both sides, kept as sheets of their own; already logged.
        std::vector<ConflictingCopy> conflicts;
    };

    // Reads the shared copy (unless it holds the bytes exchanged last) and the conflict versions that
    // decode, and folds them into the local document against the base. None when there was nothing new
    // to fold in.
    std::optional<Merge> merge(const VellDocument& local, bool usingStarter, Date now);
    // The folding alone: copies that came from elsewhere, in order, into the local document (foldCopies).
    static Merge fold(const VellDocument& local, bool usingStarter, const std::vector<VellDocument>& remote,
                      Date now, const std::vector<const VellDocument*>& bases = {});
    // After the merge was written to the local file (the bytes written) or could not be (none): the
    // versions taken in go and the result is pushed only once it is safe on disk.
    void conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn, Bytes written);
    void conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn,
                  std::optional<std::string> written);

    // The shared copy holds bytes that were neither written nor read here last: another computer's.
    bool copyChangedElsewhere() const;

    // Sends the encoded document to the shared copy in the background unless that copy holds it already,
    // the selected sheet aside. Once written there, it becomes the base (read back and kept in the file)
    // off this thread.
    void push(Bytes bytes);
    void push(std::string bytes);

    // The shared copy's bytes last written or read, whether or not they decoded.
    std::optional<std::string> lastSyncedData() const;

    // What this computer last agreed on with the shared copy. `read` is the last copy read that another
    // computer wrote (or the first one written here, when nothing had been read): every sheet in it was
    // seen on both sides. `written` is the last copy written here since then, which the others have seen
    // unless the sync tool set it aside as a conflict version.
    struct Base {
        std::optional<VellDocument> read;
        std::optional<VellDocument> written;
    };
    // As it stands now: a push written since may have changed it.
    Base base() const;

private:
    // The base and the copy read that waits to become part of it, shared with the writing thread.
    struct Agreed;

    // A copy read from elsewhere becomes the base once the merge it went into is safe on disk.
    void agreeOnRead();
    // The shared copy may hold those bytes because this store pushed them: they are no news.
    bool pushedHere(std::string_view bytes) const;

    SharedCopy* copy_ = nullptr;
    Bytes lastSyncedData_;
    // The encoding of that copy, of which all but the selection counts; none when it did not decode.
    Bytes lastSyncedContent_;
    // The pushes still on their way, and the last one written: until a later push is written, the shared
    // copy may hold any of them although lastSyncedData_ is the newest.
    std::vector<Bytes> ownPushes_;
    std::shared_ptr<Agreed> agreed_;
};

} // namespace vell
