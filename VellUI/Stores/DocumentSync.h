#pragma once

// The document's half of the shared copy: folding the shared copy and its conflict versions into the
// local document, and pushing the local document back, remembering the bytes last exchanged so that a
// store never merges its own pushes or writes what the shared copy holds already. Used on one thread.
// Every read of the shared copy, its conflict versions and the base kept beside the local document, and
// their decoding, are done away from that thread: a merge is read where the shared copy is written, in
// order with the writes, and folded in on this thread when it lands. What a push brings about after its
// write (the pushed document read back as the new base, and the base's file written) is done there too.

#include "Document/CopyFold.h"
#include "Document/Date.h"
#include "Document/DocumentDecodingError.h"
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

    // The base as read from its file: none of it when it was kept for another shared copy, or when the
    // file was missing or not usable (`problem` then says why, for the log).
    struct StoredBase {
        std::shared_ptr<const VellDocument> read;
        std::shared_ptr<const VellDocument> written;
        QString problem;
    };
    // Where the shared copy lives, and the base kept for it, as found off the main thread.
    struct Found {
        QString sharedCopy;
        QString baseFile;
        StoredBase base;
    };

    // Looks for the shared copy in the sync folder off the main thread, reads the base kept beside
    // `localFile`, and hands both to `found` on the main thread, unless `context` is gone by then. A
    // shared copy that would be the local file itself is no shared copy.
    static void lookUp(std::optional<QString> syncFolder, QString localFile, QObject* context,
                       std::function<void(Found)> found);

    // Syncs nothing until attached; the copy must outlive the writes this object queued, or drop them.
    void attach(SharedCopy* copy) { copy_ = copy; }
    bool attached() const { return copy_ != nullptr; }

    // What was last agreed with the shared copy, the base of every merge, is kept in `file` (a file of
    // the program's own beside the local document) so that it survives a restart; it is read from there
    // now, unless it was kept for another shared copy than `sharedCopy`. Without a file it lives in memory.
    // The file is only ever written where the shared copy is, after the writes queued before, and always
    // by replacing it: whatever stands at its name (a link included) is replaced, nothing is written
    // through.
    void keepBaseIn(QString file, QString sharedCopy);
    // The same with the base read already (readBase).
    void keepBaseIn(QString file, QString sharedCopy, StoredBase stored);
    // "sync-base.json" beside the local file.
    static QString baseFileBeside(const QString& localFile);
    // Reads the base as the document itself is read: without following a link or waiting for a pipe,
    // only a regular file, and only up to twice the largest document (it holds two), so that it may
    // block only its own thread. A file that is none of those is no base.
    static StoredBase readBase(const QString& file, const QString& sharedCopy);

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

    // What a merge read: the shared copy unless it held bytes exchanged here, and the conflict versions,
    // each decoded where it could be.
    struct Fetched {
        // The shared copy's bytes, when new; its document and encoding when they decoded.
        Bytes data;
        std::optional<VellDocument> copy;
        Bytes content;
        std::vector<std::pair<SharedCopy::ConflictVersion, VellDocument>> versions;
        // What the lenient reads mended, for the log, by the path of the copy.
        std::vector<std::pair<QString, DocumentRepairs>> repairs;
    };
    // The bytes the shared copy may hold without news: the last exchanged and this store's own pushes.
    struct Known {
        Bytes lastSynced;
        std::vector<Bytes> pushes;
        bool holds(std::string_view bytes) const;
    };
    Known known() const;
    // The reading half of a merge, on any thread.
    static Fetched fetch(const SharedCopy& copy, const Known& known);
    // The folding half, on this thread: what was fetched, folded into the local document against the
    // base as it stands now. None when there was nothing new to fold in.
    std::optional<Merge> land(Fetched fetched, const VellDocument& local, bool usingStarter, Date now);
    // Both at once, on this thread.
    std::optional<Merge> merge(const VellDocument& local, bool usingStarter, Date now);

    // Merges in the background: `landing` is handed each fetch on the thread of `context` (the owner of
    // this object), unless `context` is gone by then, and `pushWanted` is asked for a push that a merge
    // held back or that found the shared copy changed.
    void mergeInBackground(QObject* context, std::function<void(Fetched)> landing,
                           std::function<void()> pushWanted);
    // Reads the shared copy where it is written; a merge asked for while one is under way follows it.
    // Pushes wait until the merge has landed.
    void fetchInBackground();
    // The fetch that has come back but not landed yet lands now: after the writes were waited for, so
    // that quitting does not leave it behind. False when there was none.
    bool landNow();
    // The folding alone: copies that came from elsewhere, in order, into the local document (foldCopies).
    static Merge fold(const VellDocument& local, bool usingStarter, const std::vector<VellDocument>& remote,
                      Date now, const std::vector<const VellDocument*>& bases = {});
    // After the merge was written to the local file (the bytes written) or could not be (none): the
    // versions taken in go and the result is pushed only once it is safe on disk.
    void conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn, Bytes written);
    void conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn,
                  std::optional<std::string> written);

    // Sends the encoded document to the shared copy in the background unless that copy holds it already,
    // the selected sheet aside. It is written only over bytes exchanged here: a copy changed elsewhere
    // since is merged first (in the background) and the merge's result pushed instead, and a copy too
    // large to read is left alone. Once written there, it becomes the base (read back and kept in the
    // file) off this thread. While a merge is under way, the push waits for it.
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

    // Where a merge waits between its fetch and its landing.
    struct FetchSlot;
    void land();
    void pushDone(const Bytes& bytes, const Bytes& dataBefore, const Bytes& contentBefore,
                  SharedCopy::Outcome outcome);

    SharedCopy* copy_ = nullptr;
    QObject* context_ = nullptr;
    std::function<void(Fetched)> landing_;
    std::function<void()> pushWanted_;
    std::shared_ptr<FetchSlot> slot_;
    bool fetching_ = false;
    bool fetchAgain_ = false;
    bool pushHeldBack_ = false;
    Bytes lastSyncedData_;
    // The encoding of that copy, of which all but the selection counts; none when it did not decode.
    Bytes lastSyncedContent_;
    // The pushes still on their way, and the last one written: until a later push is written, the shared
    // copy may hold any of them although lastSyncedData_ is the newest.
    std::vector<Bytes> ownPushes_;
    std::shared_ptr<Agreed> agreed_;
};

} // namespace vell
