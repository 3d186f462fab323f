#include "Stores/DocumentSync.h"

#include "Stores/DocumentFile.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <exception>
#include <memory>
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
    VellDocument document = VellDocument::decode(bytes, &repairs);
    DocumentFile::logRepairs(path, repairs);
    DocumentFile::separateRepeatedIds(document, path);
    return document;
}

} // namespace

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
    Merge result = fold(local, usingStarter, remote, now);
    result.takenIn = std::move(takenIn);
    return result;
}

DocumentSync::Merge DocumentSync::fold(const VellDocument& local, bool usingStarter,
                                       const std::vector<VellDocument>& remote, Date now) {
    Merge result;
    if (remote.empty()) return result;
    if (usingStarter) {
        // The starter document on screen was never touched: the shared document replaces it.
        VellDocument folded = remote.front();
        for (std::size_t i = 1; i < remote.size(); ++i)
            folded = folded.merged(remote[i], now);
        if (!folded.sheets.empty()) {
            // Only the starter sheets go; deletions and layouts the local document holds still count.
            VellDocument localWithoutSheets = local;
            localWithoutSheets.sheets.clear();
            folded = folded.merged(localWithoutSheets, now);
            folded.selectedSheetID = folded.sheets.front().id;
            folded.removeDuplicateSheets(now);
            result.document = std::move(folded);
            result.replacesStarter = true;
            return result;
        }
    }
    // The local copy wins every tie.
    VellDocument merged = local;
    for (const VellDocument& copy : remote)
        merged = merged.merged(copy, now);
    merged.removeDuplicateSheets(now);
    if (!(merged == local)) result.document = std::move(merged);
    return result;
}

void DocumentSync::conclude(const std::vector<SharedCopy::ConflictVersion>& takenIn,
                            std::optional<std::string> written) {
    if (!copy_ || !written) return;
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
        if (succeeded || lastSyncedData_ != bytes) return;
        lastSyncedData_ = std::move(before->first);
        lastSyncedContent_ = std::move(before->second);
    });
}

} // namespace vell
