#include "Stores/DocumentSync.h"

#include "Stores/DocumentFile.h"
#include "Stores/UiText.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QPointer>
#include <QThreadPool>
#include <exception>
#include <memory>
#include <nlohmann/json.hpp>
#include <utility>

namespace vell {

namespace {

// What another computer takes from a copy: everything but the selected sheet, which a merge always keeps
// from the local side. Two copies that differ only there need not be exchanged.
std::string contentEncoding(const VellDocument& document) {
    return VellDocument::withoutSelection(document.encode());
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

std::optional<VellDocument> documentFrom(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) return std::nullopt;
    DocumentRepairs repairs;
    return VellDocument::fromJson(*found, &repairs);
}

} // namespace

void DocumentSync::keepBaseIn(QString file, QString sharedCopy) {
    baseFile_ = std::move(file);
    sharedCopy_ = std::move(sharedCopy);
    QFile stored(baseFile_);
    if (!stored.open(QIODevice::ReadOnly)) return;
    try {
        const nlohmann::json object = nlohmann::json::parse(stored.readAll().toStdString());
        if (object.value("sharedCopy", std::string()) != sharedCopy_.toStdString()) return;
        base_ = Base{documentFrom(object, "read"), documentFrom(object, "written")};
    } catch (const std::exception& error) {
        // Without a base the next merge keeps both versions of every sheet that differs.
        qWarning().noquote() << QStringLiteral("Vell: %1 could not be read: %2").arg(baseFile_, error.what());
    }
}

void DocumentSync::saveBase() const {
    if (baseFile_.isEmpty()) return;
    nlohmann::json object = {{"sharedCopy", sharedCopy_.toStdString()}};
    if (base_.read) object["read"] = base_.read->toJson();
    if (base_.written) object["written"] = base_.written->toJson();
    QString error;
    if (!DocumentFile(baseFile_, Date::now)
             .write(object.dump(1, ' ', false, nlohmann::json::error_handler_t::replace), error))
        qWarning().noquote() << QStringLiteral("Vell: %1 could not be written: %2").arg(baseFile_, error);
}

std::vector<const VellDocument*> DocumentSync::mergeBases(bool withConflictVersions) const {
    // A copy written over by another computer that never saw it, without the sync tool noticing (a plain
    // folder both write to), still holds the versions agreed on before: those count as unchanged too.
    std::vector<const VellDocument*> bases;
    if (base_.read) bases.push_back(&*base_.read);
    if (!withConflictVersions && base_.written) bases.push_back(&*base_.written);
    return bases;
}

void DocumentSync::agreeOnRead() {
    if (!pendingRead_) return;
    base_.read = std::move(pendingRead_);
    base_.written.reset();
    pendingRead_.reset();
    saveBase();
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
    std::vector<VellDocument> remote;
    if (const auto bytes = copy_->read()) {
        std::string data = bytes->toStdString();
        // Bytes this store wrote or read last hold nothing new.
        if (lastSyncedData_ != data) {
            try {
                VellDocument copy = decodeCopy(data, QStringLiteral("the shared copy"));
                lastSyncedContent_ = contentEncoding(copy);
                // What this computer wrote there itself (read again after a restart) is no news of the
                // others.
                if (!base_.written || contentEncoding(*base_.written) != *lastSyncedContent_)
                    pendingRead_ = copy;
                remote.push_back(std::move(copy));
            } catch (const std::exception&) {
                // Left out and remembered, so the next push replaces it.
                lastSyncedContent_.reset();
            }
            lastSyncedData_ = std::move(data);
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
    // A conflict version means the sync tool found the shared copy changed on two computers at once: what
    // was written here last may never have reached the others.
    Merge result = fold(local, usingStarter, remote, now, mergeBases(!takenIn.empty()));
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

void DocumentSync::conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn,
                            std::optional<std::string> written) {
    if (!copy_ || !written) return;
    agreeOnRead();
    for (const SharedCopy::ConflictVersion& version : takenIn)
        copy_->resolve(version);
    push(std::move(*written));
}

bool DocumentSync::copyChangedElsewhere() const {
    if (!copy_) return false;
    const auto bytes = copy_->read();
    return bytes &&
           lastSyncedData_ != std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size()));
}

void DocumentSync::push(std::string bytes) {
    if (!copy_) return;
    if (lastSyncedData_ == bytes) return;
    // Two computers showing different sheets would otherwise push the selection to each other forever.
    std::string content = VellDocument::withoutSelection(bytes);
    if (lastSyncedContent_ == content) return;
    // Counted as exchanged from now on, so that the copy is not merged back nor written twice; a write
    // that fails hands back what was exchanged before, and the next push sends these bytes again.
    auto before = std::make_shared<std::pair<std::optional<std::string>, std::optional<std::string>>>(
        std::exchange(lastSyncedData_, bytes), std::exchange(lastSyncedContent_, std::move(content)));
    copy_->writeInBackground(QByteArray::fromStdString(bytes), [this, bytes, before](bool succeeded) {
        if (succeeded) {
            try {
                VellDocument written = VellDocument::decode(bytes);
                // A copy read before it still counts as agreed; this one was written over it. The first
                // copy written where nothing was ever read is where the shared copy starts from: it counts
                // as agreed too.
                if (pendingRead_) base_.read = std::exchange(pendingRead_, std::nullopt);
                if (!base_.read) base_.read = written;
                base_.written = std::move(written);
                saveBase();
            } catch (const std::exception&) {
            }
            return;
        }
        if (lastSyncedData_ != bytes) return;
        lastSyncedData_ = std::move(before->first);
        lastSyncedContent_ = std::move(before->second);
    });
}

} // namespace vell
