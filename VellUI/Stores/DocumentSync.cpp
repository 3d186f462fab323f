#include "Stores/DocumentSync.h"

#include "Stores/DocumentFile.h"
#include "Stores/UiText.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
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

// Read as leniently as the local file; throws DocumentDecodingError when it cannot be read at all.
VellDocument decodeCopy(std::string_view bytes, const QString& path) {
    DocumentRepairs repairs;
    VellDocument document = VellDocument::read(bytes, repairs);
    DocumentFile::logRepairs(path, repairs);
    return document;
}

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
        QString error;
        if (!DocumentFile(path, Date::now).write(text, error)) {
            qWarning().noquote() << QStringLiteral("Vell: %1 could not be written: %2").arg(path, error);
            return;
        }
        const std::lock_guard lock(mutex);
        savedVersion = std::max(savedVersion, saving);
    }
};

DocumentSync::DocumentSync() : agreed_(std::make_shared<Agreed>()) {}

void DocumentSync::keepBaseIn(QString file, QString sharedCopy) {
    std::optional<std::pair<Agreed::Copy, Agreed::Copy>> stored;
    QFile saved(file);
    if (saved.open(QIODevice::ReadOnly)) {
        try {
            const nlohmann::json object = nlohmann::json::parse(saved.readAll().toStdString());
            if (object.value("sharedCopy", std::string()) == sharedCopy.toStdString())
                stored.emplace(Agreed::Copy{documentFrom(object, "read"), nullptr},
                               Agreed::Copy{documentFrom(object, "written"), nullptr});
        } catch (const std::exception& error) {
            // Without a base the next merge keeps both versions of every sheet that differs.
            qWarning().noquote() << QStringLiteral("Vell: %1 could not be read: %2").arg(file, error.what());
        }
    }
    const std::lock_guard lock(agreed_->mutex);
    agreed_->file = std::move(file);
    agreed_->sharedCopy = std::move(sharedCopy);
    if (!stored) return;
    agreed_->read = std::move(stored->first);
    agreed_->written = std::move(stored->second);
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
                          std::function<void(const QString&)> found) {
    if (!syncFolder || syncFolder->isEmpty()) return;
    // The lookup may block on a network mount. It holds only what it needs and comes back through the
    // application object, so a context that is gone by then is simply not told.
    QThreadPool::globalInstance()->start(
        [context = QPointer<QObject>(context), syncFolder = std::move(syncFolder),
         localFile = std::move(localFile), found = std::move(found)]() mutable {
            const std::optional<QString> location = CloudSync::resolveDocumentURL(syncFolder);
            // A sync folder chosen so that the shared copy would be the local file itself syncs nothing.
            if (!location || DocumentFile::sameFile(*location, localFile)) return;
            QCoreApplication* application = QCoreApplication::instance();
            if (!application) return;
            QMetaObject::invokeMethod(
                application,
                [context = std::move(context), found = std::move(found), location = *location] {
                    if (context) found(location);
                },
                Qt::QueuedConnection);
        });
}

std::optional<DocumentSync::Merge> DocumentSync::merge(const VellDocument& local, bool usingStarter,
                                                       Date now) {
    if (!copy_) return std::nullopt;
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
    if (const auto bytes = copy_->read()) {
        std::string data = bytes->toStdString();
        // Bytes this store wrote or read last hold nothing new.
        if ((!lastSyncedData_ || *lastSyncedData_ != data) && !pushedHere(data)) {
            try {
                VellDocument copy = decodeCopy(data, QStringLiteral("the shared copy"));
                auto content = std::make_shared<const std::string>(copy.encode());
                lastSyncedContent_ = content;
                // What this computer wrote there itself (read again after a restart) is no news of the
                // others.
                if (!written.document ||
                    !sameContent(written.bytes ? *written.bytes : written.document->encode(), *content)) {
                    const std::lock_guard lock(agreed_->mutex);
                    agreed_->pendingRead = {std::make_shared<const VellDocument>(copy), std::move(content)};
                }
                remote.push_back(std::move(copy));
            } catch (const std::exception&) {
                // Left out and remembered, so the next push replaces it.
                lastSyncedContent_.reset();
            }
            lastSyncedData_ = std::make_shared<const std::string>(std::move(data));
        }
    }
    // Only versions that decoded are taken in and, once the result is safe, deleted; the others stay
    // where they are, since one may be the only copy of another computer's edits.
    std::vector<SharedCopy::ConflictVersion> takenIn;
    for (SharedCopy::ConflictVersion& version : copy_->conflictVersions()) {
        try {
            remote.push_back(decodeCopy(
                std::string_view(version.bytes.constData(), static_cast<std::size_t>(version.bytes.size())),
                version.path));
            takenIn.push_back(std::move(version));
        } catch (const std::exception&) {
        }
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
    for (const SharedCopy::ConflictVersion& version : takenIn)
        copy_->resolve(version);
    push(std::move(written));
}

void DocumentSync::conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn,
                            std::optional<std::string> written) {
    conclude(takenIn, written ? std::make_shared<const std::string>(std::move(*written)) : nullptr);
}

bool DocumentSync::copyChangedElsewhere() const {
    if (!copy_) return false;
    const auto bytes = copy_->read();
    if (!bytes) return false;
    const std::string_view held(bytes->constData(), static_cast<std::size_t>(bytes->size()));
    return (!lastSyncedData_ || *lastSyncedData_ != held) && !pushedHere(held);
}

bool DocumentSync::pushedHere(std::string_view bytes) const {
    return std::any_of(ownPushes_.begin(), ownPushes_.end(),
                       [bytes](const Bytes& pushed) { return *pushed == bytes; });
}

void DocumentSync::push(std::string bytes) {
    push(std::make_shared<const std::string>(std::move(bytes)));
}

void DocumentSync::push(Bytes bytes) {
    if (!copy_ || !bytes) return;
    if (lastSyncedData_ && *lastSyncedData_ == *bytes) return;
    // Two computers showing different sheets would otherwise push the selection to each other forever.
    if (lastSyncedContent_ && sameContent(*lastSyncedContent_, *bytes)) return;
    // Counted as exchanged from now on, so that the copy is not merged back nor written twice; a write
    // that fails hands back what was exchanged before, and the next push sends these bytes again.
    const Bytes dataBefore = std::exchange(lastSyncedData_, bytes);
    const Bytes contentBefore = std::exchange(lastSyncedContent_, bytes);
    // Read back while the write waits its turn, so that it is at hand the moment the write is made.
    auto decoded = std::make_shared<std::shared_ptr<const VellDocument>>();
    SharedCopy::Write write;
    write.bytes = bytes;
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
    write.done = [this, bytes, dataBefore, contentBefore](bool succeeded) {
        // Written, it replaced every push before it; not written, the copy never held it.
        const auto found = std::find(ownPushes_.begin(), ownPushes_.end(), bytes);
        if (found != ownPushes_.end()) {
            if (succeeded)
                ownPushes_.erase(ownPushes_.begin(), found);
            else
                ownPushes_.erase(found);
        }
        if (succeeded || !lastSyncedData_ || *lastSyncedData_ != *bytes) return;
        lastSyncedData_ = dataBefore;
        lastSyncedContent_ = contentBefore;
    };
    copy_->queueWrite(std::move(write));
}

} // namespace vell
