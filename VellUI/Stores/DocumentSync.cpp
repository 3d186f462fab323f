#include "Stores/DocumentSync.h"

#include "Stores/DocumentFile.h"
#include "Stores/RealFolder.h"
#include "Stores/UiText.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string_view>
#include <utility>

namespace vell {

namespace {

// What another computer takes from a copy is everything but the selected sheet, which a merge always
// keeps from the local side: the encoding before and after the selection's member. Top-level members
// stand on lines of their own and a line break inside a string is written as an escape, so that line is
// the member and nothing else (VellDocument::withoutSelection cuts the same).
std::pair<std::string_view, std::string_view> aroundSelection(std::string_view encoded) {
    static constexpr std::string_view member = "\n  \"selectedSheetID\": ";
    const std::size_t start = encoded.find(member);
    if (start == std::string_view::npos) return {encoded, {}};
    const std::size_t end = encoded.find('\n', start + 1);
    if (end == std::string_view::npos) return {encoded, {}};
    return {encoded.substr(0, start), encoded.substr(end)};
}

// Two copies that differ only in the selection need not be exchanged.
bool sameContent(std::string_view a, std::string_view b) {
    return aroundSelection(a) == aroundSelection(b);
}

// Read as leniently as the local file; throws DocumentDecodingError when it cannot be read at all. What
// was mended is logged when the merge lands.
VellDocument decodeCopy(std::string_view bytes, const QString& path, DocumentSync::Fetched& fetched) {
    DocumentRepairs repairs;
    VellDocument document = VellDocument::read(bytes, repairs);
    if (!repairs.empty()) fetched.repairs.emplace_back(path, std::move(repairs));
    return document;
}

std::string_view viewOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// The base holds two documents and a little more.
constexpr std::int64_t maxBaseBytes = 2 * SharedCopy::maxDocumentBytes + 1024 * 1024;
const QByteArray baseFileName = QByteArrayLiteral("sync-base.json");

void logConflicts(const std::vector<ConflictingCopy>& conflicts) {
    for (const ConflictingCopy& conflict : conflicts) {
        const QString message =
            conflict.deletedElsewhere
                ? uiText(
                      "シート「%1」は一方のコンピュータで削除され、もう一方で変更されました。変更された版を"
                      "「%2」として残しました",
                      "the sheet \"%1\" was deleted on one computer and changed on the other; the "
                      "changed version is kept as \"%2\"")
                : uiText("シート「%1」は2台のコンピュータで変更されました。もう一方の版を「%2」"
                         "として残しました",
                         "the sheet \"%1\" was changed on two computers; the other version is "
                         "kept as \"%2\"");
        qWarning().noquote() << QStringLiteral("Vell: ") +
                                    message.arg(QString::fromStdString(conflict.name),
                                                QString::fromStdString(conflict.copyName));
    }
}

std::shared_ptr<const VellDocument> documentFrom(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) return nullptr;
    DocumentRepairs repairs;
    return std::make_shared<const VellDocument>(VellDocument::fromJson(*found, &repairs));
}

} // namespace

struct DocumentSync::FetchSlot {
    std::mutex mutex;
    std::optional<Fetched> fetched;
};

struct DocumentSync::Agreed {
    // A document of the base, with its encoding when it is at hand; none when `document` is none.
    struct Copy {
        std::shared_ptr<const VellDocument> document;
        Bytes bytes;
    };

    // Everything below, from either thread.
    std::mutex mutex;
    Copy read;
    Copy written;
    Copy pendingRead;
    // Counts every change, so that a save finds out whether the file holds the newest.
    std::uint64_t version = 0;
    std::uint64_t savedVersion = 0;
    QString file;
    QString sharedCopy;

    // Writes the base as it stands, unless the file holds it already. Off the main thread, in order.
    void save() {
        Copy readNow;
        Copy writtenNow;
        std::uint64_t saving = 0;
        QString path;
        std::string owner;
        {
            const std::lock_guard lock(mutex);
            if (file.isEmpty() || savedVersion == version) return;
            readNow = read;
            writtenNow = written;
            saving = version;
            path = file;
            owner = sharedCopy.toStdString();
        }
        // Each document is an encoding of VellDocument, so it stands in the file as it is.
        const auto encodingOf = [](const Copy& copy) {
            return copy.bytes ? std::string_view(*copy.bytes) : std::string_view();
        };
        std::string readBytes, writtenBytes;
        if (readNow.document && !readNow.bytes) readBytes = readNow.document->encode();
        if (writtenNow.document && !writtenNow.bytes) writtenBytes = writtenNow.document->encode();
        std::string text = "{";
        if (readNow.document) {
            text += "\n\"read\": ";
            text += readNow.bytes ? encodingOf(readNow) : std::string_view(readBytes);
            text += ',';
        }
        text += "\n\"sharedCopy\": ";
        text += nlohmann::json(owner).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        if (writtenNow.document) {
            text += ",\n\"written\": ";
            text += writtenNow.bytes ? encodingOf(writtenNow) : std::string_view(writtenBytes);
        }
        text += "\n}\n";
        // Vell's own file: whatever stands at its name is replaced, and a link is never written through.
        const QFileInfo info(path);
        const RealFolder folder = RealFolder::open(info.absolutePath());
        const RealFolder::Written written =
            folder.replace(QFile::encodeName(info.fileName()),
                           QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())),
                           RealFolder::Over::anythingButAFolder);
        if (!written.done) {
            qWarning().noquote() << QStringLiteral("Vell: %1 could not be written").arg(path);
            return;
        }
        const std::lock_guard lock(mutex);
        savedVersion = std::max(savedVersion, saving);
    }
};

DocumentSync::DocumentSync() : agreed_(std::make_shared<Agreed>()) {}

QString DocumentSync::baseFileBeside(const QString& localFile) {
    return QFileInfo(localFile).dir().filePath(QString::fromLatin1(baseFileName));
}

DocumentSync::StoredBase DocumentSync::readBase(const QString& file, const QString& sharedCopy) {
    StoredBase stored;
    const QFileInfo info(file);
    const RealFolder folder = RealFolder::open(info.absolutePath());
    if (!folder.isOpen()) return stored;
    const RealFolder::Read read = folder.read(QFile::encodeName(info.fileName()), maxBaseBytes);
    // Without a base the next merge keeps both versions of every sheet that differs: nothing is lost.
    if (read.kind != RealFolder::Kind::file && read.kind != RealFolder::Kind::missing) {
        stored.problem = QStringLiteral("Vell: %1 is not a regular file and is not read").arg(file);
        return stored;
    }
    if (read.tooLarge) {
        stored.problem =
            QStringLiteral("Vell: %1 is too large to be read (%2 bytes)").arg(file).arg(read.file.size);
        return stored;
    }
    if (!read.bytes) return stored;
    try {
        const nlohmann::json object = nlohmann::json::parse(viewOf(*read.bytes));
        if (object.value("sharedCopy", std::string()) != sharedCopy.toStdString()) return stored;
        stored.read = documentFrom(object, "read");
        stored.written = documentFrom(object, "written");
    } catch (const std::exception& error) {
        stored = {};
        stored.problem = QStringLiteral("Vell: %1 could not be read: %2").arg(file, error.what());
    }
    return stored;
}

void DocumentSync::keepBaseIn(QString file, QString sharedCopy) {
    StoredBase stored = readBase(file, sharedCopy);
    keepBaseIn(std::move(file), std::move(sharedCopy), std::move(stored));
}

void DocumentSync::keepBaseIn(QString file, QString sharedCopy, StoredBase stored) {
    if (!stored.problem.isEmpty()) qWarning().noquote() << stored.problem;
    const std::lock_guard lock(agreed_->mutex);
    agreed_->file = std::move(file);
    agreed_->sharedCopy = std::move(sharedCopy);
    if (!stored.read && !stored.written) return;
    agreed_->read = {std::move(stored.read), nullptr};
    agreed_->written = {std::move(stored.written), nullptr};
    // What the file holds needs no save.
    agreed_->savedVersion = ++agreed_->version;
}

DocumentSync::Base DocumentSync::base() const {
    const std::lock_guard lock(agreed_->mutex);
    Base base;
    if (agreed_->read.document) base.read = *agreed_->read.document;
    if (agreed_->written.document) base.written = *agreed_->written.document;
    return base;
}

std::optional<std::string> DocumentSync::lastSyncedData() const {
    if (!lastSyncedData_) return std::nullopt;
    return *lastSyncedData_;
}

void DocumentSync::agreeOnRead() {
    {
        const std::lock_guard lock(agreed_->mutex);
        if (!agreed_->pendingRead.document) return;
        agreed_->read = std::exchange(agreed_->pendingRead, {});
        agreed_->written = {};
        ++agreed_->version;
    }
    if (copy_) copy_->afterWrites([agreed = agreed_] { agreed->save(); });
}

void DocumentSync::lookUp(std::optional<QString> syncFolder, QString localFile, QObject* context,
                          std::function<void(Found)> found) {
    if (!syncFolder || syncFolder->isEmpty()) return;
    // The lookup may block on a network mount. It holds only what it needs and comes back through the
    // application object, so a context that is gone by then is simply not told.
    QThreadPool::globalInstance()->start([context = QPointer<QObject>(context),
                                          syncFolder = std::move(syncFolder),
                                          localFile = std::move(localFile),
                                          found = std::move(found)]() mutable {
        const std::optional<QString> location = CloudSync::resolveDocumentURL(syncFolder);
        // A sync folder chosen so that the shared copy would be the local file itself syncs nothing.
        if (!location || DocumentFile::sameFile(*location, localFile)) return;
        const QString baseFile = baseFileBeside(localFile);
        Found result{*location, baseFile, readBase(baseFile, *location)};
        QCoreApplication* application = QCoreApplication::instance();
        if (!application) return;
        QMetaObject::invokeMethod(
            application,
            [context = std::move(context), found = std::move(found), result = std::move(result)]() mutable {
                if (context) found(std::move(result));
            },
            Qt::QueuedConnection);
    });
}

bool DocumentSync::Known::holds(std::string_view bytes) const {
    if (lastSynced && *lastSynced == bytes) return true;
    return std::any_of(pushes.begin(), pushes.end(),
                       [bytes](const Bytes& pushed) { return *pushed == bytes; });
}

DocumentSync::Known DocumentSync::known() const {
    return {lastSyncedData_, ownPushes_};
}

DocumentSync::Fetched DocumentSync::fetch(const SharedCopy& copy, const Known& known) {
    Fetched fetched;
    if (const std::optional<QByteArray> bytes = copy.read()) {
        // Bytes this store wrote or read last hold nothing new.
        if (!known.holds(viewOf(*bytes))) {
            fetched.data = std::make_shared<const std::string>(viewOf(*bytes));
            try {
                fetched.copy = decodeCopy(*fetched.data, QStringLiteral("the shared copy"), fetched);
                fetched.content = std::make_shared<const std::string>(fetched.copy->encode());
            } catch (const std::exception&) {
                // Left out and remembered, so the next push replaces it.
                fetched.copy.reset();
            }
        }
    }
    // Only versions that decoded are taken in and, once the result is safe, deleted; the others stay
    // where they are, since one may be the only copy of another computer's edits.
    for (SharedCopy::ConflictVersion& version : copy.conflictVersions()) {
        try {
            VellDocument document = decodeCopy(viewOf(version.bytes), version.path, fetched);
            fetched.versions.emplace_back(std::move(version), std::move(document));
        } catch (const std::exception&) {
        }
    }
    return fetched;
}

std::optional<DocumentSync::Merge> DocumentSync::merge(const VellDocument& local, bool usingStarter,
                                                       Date now) {
    if (!copy_) return std::nullopt;
    return land(fetch(*copy_, known()), local, usingStarter, now);
}

std::optional<DocumentSync::Merge> DocumentSync::land(Fetched fetched, const VellDocument& local,
                                                      bool usingStarter, Date now) {
    if (!copy_) return std::nullopt;
    for (const auto& [path, repairs] : fetched.repairs)
        DocumentFile::logRepairs(path, repairs);
    // A push written meanwhile may change the base while this merge runs; it folds against the one it
    // found, which holds nothing the shared copy did not.
    Agreed::Copy read;
    Agreed::Copy written;
    {
        const std::lock_guard lock(agreed_->mutex);
        read = agreed_->read;
        written = agreed_->written;
    }
    std::vector<VellDocument> remote;
    if (fetched.data) {
        if (fetched.copy) {
            lastSyncedContent_ = fetched.content;
            // What this computer wrote there itself (read again after a restart) is no news of the
            // others.
            if (!written.document ||
                !sameContent(written.bytes ? *written.bytes : written.document->encode(), *fetched.content)) {
                const std::lock_guard lock(agreed_->mutex);
                agreed_->pendingRead = {std::make_shared<const VellDocument>(*fetched.copy), fetched.content};
            }
            remote.push_back(std::move(*fetched.copy));
        } else {
            lastSyncedContent_.reset();
        }
        lastSyncedData_ = std::move(fetched.data);
    }
    std::vector<SharedCopy::ConflictVersion> takenIn;
    for (auto& [version, document] : fetched.versions) {
        remote.push_back(std::move(document));
        takenIn.push_back(std::move(version));
    }
    if (remote.empty()) return std::nullopt;
    // What a merge compares each side with: what was read and what was written here since, unless a
    // conflict version shows that the sync tool found the shared copy changed on two computers at once,
    // so that what was written here last may never have reached the others. A copy written over by
    // another computer that never saw it, without the sync tool noticing (a plain folder both write to),
    // still holds the versions agreed on before: those count as unchanged too.
    std::vector<const VellDocument*> bases;
    if (read.document) bases.push_back(read.document.get());
    if (takenIn.empty() && written.document) bases.push_back(written.document.get());
    Merge result = fold(local, usingStarter, remote, now, bases);
    logConflicts(result.conflicts);
    result.takenIn = std::move(takenIn);
    // Nothing to write to the local file: the copy read is agreed on at once.
    if (!result.document && result.takenIn.empty()) agreeOnRead();
    return result;
}

void DocumentSync::mergeInBackground(QObject* context, std::function<void(Fetched)> landing,
                                     std::function<void()> pushWanted) {
    context_ = context;
    landing_ = std::move(landing);
    pushWanted_ = std::move(pushWanted);
}

void DocumentSync::fetchInBackground() {
    if (!copy_ || !context_) return;
    if (fetching_) {
        fetchAgain_ = true;
        return;
    }
    fetching_ = true;
    slot_ = std::make_shared<FetchSlot>();
    // Handed only what it reads with; it comes back through the application object, so that a context
    // gone by then is not told.
    copy_->afterWrites(
        [copy = copy_, known = known(), slot = slot_, context = QPointer<QObject>(context_), this] {
            Fetched fetched = fetch(*copy, known);
            {
                const std::lock_guard lock(slot->mutex);
                slot->fetched = std::move(fetched);
            }
            QCoreApplication* application = QCoreApplication::instance();
            if (!application) return;
            QMetaObject::invokeMethod(
                application,
                [context, slot, this] {
                    if (context && slot == slot_) land();
                },
                Qt::QueuedConnection);
        });
}

bool DocumentSync::landNow() {
    if (!fetching_ || !slot_) return false;
    {
        const std::lock_guard lock(slot_->mutex);
        if (!slot_->fetched) return false;
    }
    land();
    return true;
}

void DocumentSync::land() {
    std::optional<Fetched> fetched;
    {
        const std::lock_guard lock(slot_->mutex);
        fetched = std::exchange(slot_->fetched, std::nullopt);
    }
    if (!fetched) return;
    slot_.reset();
    fetching_ = false;
    landing_(std::move(*fetched));
    if (std::exchange(fetchAgain_, false)) {
        fetchInBackground();
        return;
    }
    // A push held back while the merge was under way, which the merge did not make itself.
    if (std::exchange(pushHeldBack_, false) && pushWanted_) pushWanted_();
}

DocumentSync::Merge DocumentSync::fold(const VellDocument& local, bool usingStarter,
                                       const std::vector<VellDocument>& remote, Date now,
                                       const std::vector<const VellDocument*>& bases) {
    CopyFold folded = foldCopies(local, usingStarter, remote, bases, now);
    Merge result;
    result.document = std::move(folded.document);
    result.replacesStarter = folded.replacesStarter;
    result.conflicts = std::move(folded.conflicts);
    return result;
}

void DocumentSync::conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn, Bytes written) {
    if (!copy_ || !written) return;
    agreeOnRead();
    // Read again and deleted where the shared copy is written, not on this thread.
    if (!takenIn.empty())
        copy_->afterWrites([copy = copy_, takenIn] {
            for (const SharedCopy::ConflictVersion& version : takenIn)
                copy->resolve(version);
        });
    push(std::move(written));
}

void DocumentSync::conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn,
                            std::optional<std::string> written) {
    conclude(takenIn, written ? std::make_shared<const std::string>(std::move(*written)) : nullptr);
}

void DocumentSync::push(std::string bytes) {
    push(std::make_shared<const std::string>(std::move(bytes)));
}

void DocumentSync::push(Bytes bytes) {
    if (!copy_ || !bytes) return;
    // The merge under way may bring news this push would overwrite: it pushes once it has landed.
    if (fetching_) {
        pushHeldBack_ = true;
        return;
    }
    pushHeldBack_ = false;
    if (lastSyncedData_ && *lastSyncedData_ == *bytes) return;
    // Two computers showing different sheets would otherwise push the selection to each other forever.
    if (lastSyncedContent_ && sameContent(*lastSyncedContent_, *bytes)) return;
    // Written only over what the shared copy held as far as this store knows: no merge can come in
    // between, since merges read where the writes are made and pushes wait for them.
    Known over = known();
    over.pushes.push_back(bytes);
    // Counted as exchanged from now on, so that the copy is not merged back nor written twice; a write
    // that fails hands back what was exchanged before, and the next push sends these bytes again.
    const Bytes dataBefore = std::exchange(lastSyncedData_, bytes);
    const Bytes contentBefore = std::exchange(lastSyncedContent_, bytes);
    // Read back while the write waits its turn, so that it is at hand the moment the write is made.
    auto decoded = std::make_shared<std::shared_ptr<const VellDocument>>();
    SharedCopy::Write write;
    write.bytes = bytes;
    write.accepts = [over = std::move(over)](std::string_view current) { return over.holds(current); };
    write.before = [bytes, decoded] {
        try {
            *decoded = std::make_shared<const VellDocument>(VellDocument::decode(*bytes));
        } catch (const std::exception&) {
        }
    };
    write.after = [agreed = agreed_, bytes, decoded](bool succeeded) {
        if (!succeeded || !*decoded) return;
        {
            const std::lock_guard lock(agreed->mutex);
            // A copy read before it still counts as agreed; this one was written over it. The first
            // copy written where nothing was ever read is where the shared copy starts from: it counts
            // as agreed too.
            if (agreed->pendingRead.document) agreed->read = std::exchange(agreed->pendingRead, {});
            const Agreed::Copy written{*decoded, bytes};
            if (!agreed->read.document) agreed->read = written;
            agreed->written = written;
            ++agreed->version;
        }
        agreed->save();
    };
    ownPushes_.push_back(bytes);
    write.done = [this, bytes, dataBefore, contentBefore](SharedCopy::Outcome outcome) {
        pushDone(bytes, dataBefore, contentBefore, outcome);
    };
    copy_->queueWrite(std::move(write));
}

void DocumentSync::pushDone(const Bytes& bytes, const Bytes& dataBefore, const Bytes& contentBefore,
                            SharedCopy::Outcome outcome) {
    const bool succeeded = outcome == SharedCopy::Outcome::written;
    // Written, it replaced every push before it; not written, the copy never held it.
    const auto found = std::find(ownPushes_.begin(), ownPushes_.end(), bytes);
    if (found != ownPushes_.end()) {
        if (succeeded)
            ownPushes_.erase(ownPushes_.begin(), found);
        else
            ownPushes_.erase(found);
    }
    if (succeeded) return;
    if (lastSyncedData_ && *lastSyncedData_ == *bytes) {
        lastSyncedData_ = dataBefore;
        lastSyncedContent_ = contentBefore;
    }
    // Another computer's copy arrived before the write: it is merged first, and the result pushed.
    if (outcome == SharedCopy::Outcome::changedElsewhere) {
        pushHeldBack_ = true;
        fetchInBackground();
    }
}

} // namespace vell
