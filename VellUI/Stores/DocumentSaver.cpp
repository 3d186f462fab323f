#include "Stores/DocumentSaver.h"

#include "Document/CopyFold.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/UiText.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>
#include <cerrno>
#include <exception>
#include <utility>

namespace vell {

namespace {

QString saveNotice(int errorNumber) {
    return uiText("最新の変更を保存できていません（%1）。数秒ごとに保存し直しています。",
                  "Your latest changes are not saved: %1. Vell tries again every few seconds.")
        .arg(DocumentFile::describeError(errorNumber));
}

QString takenInNotice(const QStringList& folders, const QStringList& conflictingCopies) {
    const QString separator = uiText("、", ", ");
    QString text = uiText("前回の終了時に書類を保存できなかったため、%1 に写しを残していました。その写しを"
                          "書類に戻しました。",
                          "Vell could not save your document when it last ended and kept a copy in %1. "
                          "That copy is back in the document now.")
                       .arg(folders.join(separator));
    if (!conflictingCopies.isEmpty())
        text += uiText("内容の違うシートは両方を残し、写しの側を「%1」としました。",
                       " A sheet that differed is kept twice, the copy's version as “%1”.")
                    .arg(conflictingCopies.join(uiText("」「", "”, “")));
    return text;
}

// The fallback of the writer: on the thread that ends the process, so the copy at hand, not the store's.
bool keepInRescueCopy(const RescueCopy& rescue, std::string_view bytes) {
    QString error;
    if (const auto kept = rescue.keep(bytes, &error)) {
        qWarning().noquote()
            << uiText("Vell: 書類を保存できなかったため、%1 に写しを残しました。次に起動したとき"
                      "に書類へ戻します",
                      "Vell: The document could not be saved, so a copy was kept in %1; the "
                      "next start takes it back into the document")
                   .arg(*kept);
        return true;
    }
    qWarning().noquote() << uiText("Vell: 書類を保存できず、写しもどこにも残せませんでした: %1",
                                   "Vell: The document could not be saved, and no copy could be kept "
                                   "anywhere: %1")
                                .arg(error);
    return false;
}

} // namespace

std::optional<QString> DocumentSaver::defaultStorageURL() {
    return DocumentFile::defaultLocation();
}

DocumentSaver::Opened DocumentSaver::open(std::optional<QString> storageURL, Date::Clock clock) {
    Opened opened;
    if (!storageURL) return opened;
    opened.file.emplace(std::move(*storageURL), clock ? std::move(clock) : Date::Clock(Date::now));
    opened.document = opened.file->load();
    return opened;
}

DocumentSaver::DocumentSaver(std::optional<DocumentFile> file, DocumentStore& store, AppSettings& settings,
                             Services services, QObject* parent)
    : QObject(parent), store_(store), settings_(settings),
      clock_(services.clock ? std::move(services.clock) : Date::Clock(Date::now)), file_(std::move(file)),
      ownSaveTimer_(services.saveTimer ? nullptr : SaveTimer::system()),
      saveTimer_(services.saveTimer ? services.saveTimer : ownSaveTimer_.get()),
      cloudPollInterval_(services.cloudPollInterval) {
    if (file_) {
        DocumentWriter::Fallback fallback;
        if (!services.rescueRoots.empty()) {
            rescue_.emplace(file_->path(), std::move(services.rescueRoots));
            fallback = [rescue = *rescue_](std::string_view bytes) {
                return keepInRescueCopy(rescue, bytes);
            };
        }
        writer_ = std::make_unique<DocumentWriter>(
            *file_,
            [this](std::uint64_t generation, std::shared_ptr<const std::string> bytes, int errorNumber) {
                writeFinished(generation, std::move(bytes), errorNumber);
            },
            std::move(fallback));
    }
    mergeTimer_.setSingleShot(true);
    mergeTimer_.setTimerType(Qt::PreciseTimer);
    mergeTimer_.setInterval(mergeDelayMilliseconds);
    connect(&mergeTimer_, &QTimer::timeout, this, &DocumentSaver::mergeFromCloud);
    connect(&settings_, &AppSettings::languageChanged, this, &DocumentSaver::updateNotices);

    follow();
    // What the store repaired or took from the keypad while it opened the document goes to disk.
    if (store_.changedWhileOpening()) scheduleSave();
    startCloudSync();
    findRescueCopies();
    // Every sheet is encoded once, soon after the windows are up, rather than at the first key.
    QTimer::singleShot(std::chrono::milliseconds(500), this, [this] { stageForWriting(); });
}

DocumentSaver::DocumentSaver(std::optional<DocumentFile> file, DocumentStore& store, AppSettings& settings,
                             QObject* parent)
    : DocumentSaver(std::move(file), store, settings, Services{}, parent) {}

DocumentSaver::~DocumentSaver() {
    // A timer handed in may outlive the saver.
    saveTimer_->cancel();
    // The write asked for last is made before the file goes.
    writer_.reset();
}

std::optional<QString> DocumentSaver::storageURL() const {
    if (!file_) return std::nullopt;
    return file_->path();
}

// --- Following the store ------------------------------------------------------------------------------

void DocumentSaver::follow() {
    connect(&store_, &DocumentStore::sheetTextChanged, this,
            [this](const Uuid& id, const QObject*) { textChanged(id); });
    connect(&store_, &DocumentStore::sheetLocksChanged, this, &DocumentSaver::textChanged);
    connect(&store_, &DocumentStore::sheetListChanged, this, &DocumentSaver::listChanged);
    connect(&store_, &DocumentStore::selectionChanged, this, [this] {
        frame_.reset();
        documentChanged();
    });
    connect(&store_, &DocumentStore::keyLayoutsChanged, this, [this] {
        frame_.reset();
        documentChanged();
    });
}

void DocumentSaver::textChanged(const Uuid& sheetID) {
    changedSheets_.insert(sheetID);
    documentChanged();
}

void DocumentSaver::listChanged(const SheetListChange& change) {
    using Kind = SheetListChange::Kind;
    // The order's date, the deletions and the selection stand around the sheets.
    frame_.reset();
    const auto at = [this, &change](std::size_t index) {
        return !orderStale_ && index < order_.size() && order_[index] == change.sheetID;
    };
    switch (change.kind) {
    case Kind::added:
        if (orderStale_ || change.to > order_.size()) {
            orderStale_ = true;
            break;
        }
        order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(change.to), change.sheetID);
        pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(change.to), nullptr);
        changedSheets_.insert(change.sheetID);
        break;
    case Kind::removed:
        if (!at(change.from)) {
            orderStale_ = true;
            break;
        }
        order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(change.from));
        pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(change.from));
        changedSheets_.erase(change.sheetID);
        break;
    case Kind::moved: {
        if (!at(change.from) || change.to >= order_.size()) {
            orderStale_ = true;
            break;
        }
        const auto from = static_cast<std::ptrdiff_t>(change.from);
        const auto to = static_cast<std::ptrdiff_t>(change.to);
        if (to > from) {
            std::rotate(order_.begin() + from, order_.begin() + from + 1, order_.begin() + to + 1);
            std::rotate(pieces_.begin() + from, pieces_.begin() + from + 1, pieces_.begin() + to + 1);
        } else {
            std::rotate(order_.begin() + to, order_.begin() + from, order_.begin() + from + 1);
            std::rotate(pieces_.begin() + to, pieces_.begin() + from, pieces_.begin() + from + 1);
        }
        break;
    }
    case Kind::renamed:
        changedSheets_.insert(change.sheetID);
        break;
    case Kind::replaced:
        // A document from elsewhere may hold other content under the same ids and dates.
        orderStale_ = true;
        break;
    }
    documentChanged();
    // Several sheets at once (a merge, everything erased) go to disk at once; a merge this saver adopts
    // writes it itself.
    if (change.kind == Kind::replaced && !adopting_) saveNow();
}

void DocumentSaver::documentChanged() {
    ++documentVersion_;
    stageForWriting();
    scheduleSave();
}

// --- Saving and the life cycle --------------------------------------------------------------------------

void DocumentSaver::scheduleSave() {
    saveScheduled_ = true;
    if (!file_) return;
    onDisk_.wanted = documentVersion_;
    saveSchedule_.edited(saveTimer_->now());
    setSaveDeadline();
}

void DocumentSaver::setSaveDeadline() {
    if (const auto due = saveSchedule_.due())
        saveTimer_->setDeadline(*due, [this] { saveNow(); });
    else
        saveTimer_->cancel();
}

void DocumentSaver::saveNow() {
    if (file_) requestWrite();
}

void DocumentSaver::finishWrites() {
    if (writer_) writer_->finish();
    if (!cloud_) return;
    // The pushes those writes brought about, and the base they leave; a merge read meanwhile lands now
    // and sends its result too.
    cloud_->finishWrites();
    while (sync_.landNow())
        cloud_->finishWrites();
}

std::shared_ptr<const std::string> DocumentSaver::writeToStorage() {
    if (!file_) return nullptr;
    requestWrite();
    writtenForMerge_.reset();
    pushAfterWrite_ = false;
    writer_->finish();
    pushAfterWrite_ = true;
    return std::exchange(writtenForMerge_, nullptr);
}

void DocumentSaver::requestWrite() {
    stageForWriting();
    requestedGeneration_ = stagedGeneration_;
    onDisk_.wanted = onDisk_.requested = documentVersion_;
    saveSchedule_.started();
    setSaveDeadline();
    writer_->write();
}

void DocumentSaver::writeFinished(std::uint64_t generation, std::shared_ptr<const std::string> bytes,
                                  int errorNumber) {
    finishedGeneration_ = std::max(finishedGeneration_, generation);
    // An older write that finished while a newer one waits changes nothing the newer one will not.
    if (generation >= requestedGeneration_) {
        if (bytes)
            saveSchedule_.written(generation >= stagedGeneration_);
        else
            saveSchedule_.failed(saveTimer_->now());
        setSaveDeadline();
    }
    if (bytes) {
        // The writer writes the newest document staged when its write begins.
        const std::optional<std::uint64_t> version = generation >= stagedGeneration_      ? stagedVersion_
                                                     : generation >= requestedGeneration_ ? onDisk_.requested
                                                                                          : onDisk_.held;
        if (version) onDisk_.held = std::max(onDisk_.held.value_or(0), *version);
        onDisk_.error = 0;
        notices_.clear(StorageNotices::Topic::save);
        removeRescueCopiesOnDisk();
    } else if (generation >= requestedGeneration_) {
        onDisk_.error = errorNumber != 0 ? errorNumber : EIO;
        updateNotices();
    }
    if (pushAwaitsWrite_ && generation >= requestedGeneration_) {
        pushAwaitsWrite_ = false;
        // The shared copy may be the one place left for the document: it is pushed all the same.
        if (!bytes && pushAfterWrite_ && sync_.attached())
            pushToCloud(std::make_shared<const std::string>(encodedDocument()));
    }
    if (!bytes) return;
    emit saved();
    // What a push without a change since sends.
    if (sync_.attached() && generation >= lastWrittenGeneration_) {
        lastWritten_ = bytes;
        lastWrittenGeneration_ = generation;
    }
    if (!pushAfterWrite_) {
        if (generation >= requestedGeneration_) writtenForMerge_ = std::move(bytes);
        return;
    }
    if (sync_.attached()) pushToCloud(std::move(bytes));
}

void DocumentSaver::stageForWriting() {
    if (!writer_ || stagedVersion_ == documentVersion_) return;
    const std::vector<Sheet>& sheets = store_.sheets();
    if (orderStale_ || order_.size() != sheets.size()) {
        encodeEverySheet();
    } else {
        for (const Uuid& id : changedSheets_) {
            const std::optional<std::size_t> index = store_.selectedIndex(id);
            // A change that does not fit the order kept (none should) has every sheet encoded again.
            if (!index || *index >= order_.size() || order_[*index] != id) {
                encodeEverySheet();
                break;
            }
            pieces_[*index] = DocumentPieces::encodeSheet(sheets[*index]);
        }
    }
    changedSheets_.clear();
    if (!frame_) frame_ = DocumentFrame::of(store_.document());
    staged_ = std::make_shared<const DocumentPieces>(frame_, pieces_);
    writer_->stage(++stagedGeneration_, staged_);
    stagedVersion_ = documentVersion_;
}

void DocumentSaver::encodeEverySheet() {
    const std::vector<Sheet>& sheets = store_.sheets();
    order_.clear();
    pieces_.clear();
    order_.reserve(sheets.size());
    pieces_.reserve(sheets.size());
    for (const Sheet& sheet : sheets) {
        order_.push_back(sheet.id);
        pieces_.push_back(DocumentPieces::encodeSheet(sheet));
    }
    orderStale_ = false;
    frame_.reset();
}

std::string DocumentSaver::encodedDocument() {
    if (!writer_) return store_.document().encode();
    stageForWriting();
    return staged_->join();
}

void DocumentSaver::flushPendingSave() {
    // A failed save waiting for its retry is pending too.
    if (!saveScheduled_ && !saveSchedule_.due()) return;
    saveScheduled_ = false;
    saveNow();
}

void DocumentSaver::applicationDidBecomeActive() {
    syncNow();
}

void DocumentSaver::applicationWillResignActive() {
    flushPendingSave();
}

void DocumentSaver::applicationWillTerminate() {
    flushPendingSave();
    finishWrites();
}

bool DocumentSaver::isOnDisk() const {
    if (!file_ || !onDisk_.wanted) return true;
    return onDisk_.held && *onDisk_.held >= *onDisk_.wanted;
}

std::optional<QString> DocumentSaver::saveFailure() const {
    if (onDisk_.error == 0) return std::nullopt;
    return DocumentFile::describeError(onDisk_.error);
}

bool DocumentSaver::saveAndWait() {
    if (!isOnDisk()) {
        saveScheduled_ = false;
        saveNow();
    }
    finishWrites();
    return isOnDisk();
}

void DocumentSaver::retryFailedSave() {
    if (onDisk_.error != 0) flushPendingSave();
}

bool DocumentSaver::keepRescueCopy() {
    if (!writer_ || isOnDisk()) return true;
    stageForWriting();
    return writer_->keepStagedElsewhere();
}

void DocumentSaver::updateNotices() {
    if (onDisk_.error != 0) notices_.set(StorageNotices::Topic::save, saveNotice(onDisk_.error));
    if (takenIn_ && notices_.message(StorageNotices::Topic::recovered))
        notices_.set(StorageNotices::Topic::recovered,
                     takenInNotice(takenIn_->folders, takenIn_->conflictingCopies));
}

// --- Copies kept in the rescue place by an earlier run ------------------------------------------------

void DocumentSaver::findRescueCopies() {
    if (!rescue_) return;
    // The roots are shared with everyone: read off the UI thread, and brought back only to a store that
    // still exists.
    QThreadPool::globalInstance()->start([rescue = *rescue_, store = QPointer<DocumentSaver>(this)] {
        std::vector<RescueCopy::Found> found = rescue.find();
        QCoreApplication* application = QCoreApplication::instance();
        if (found.empty() || !application) return;
        QMetaObject::invokeMethod(
            application,
            [store, found = std::move(found)]() mutable {
                if (store) store->takeInRescueCopies(std::move(found));
            },
            Qt::QueuedConnection);
    });
}

void DocumentSaver::takeInRescueCopies(std::vector<RescueCopy::Found> found) {
    std::vector<VellDocument> copies;
    TakenIn takenIn;
    for (RescueCopy::Found& copy : found) {
        const QString path = QDir(copy.folder()).filePath(QString::fromUtf8(RescueCopy::fileName));
        try {
            DocumentRepairs repairs;
            copies.push_back(VellDocument::read(
                std::string_view(copy.bytes.constData(), static_cast<std::size_t>(copy.bytes.size())),
                repairs));
            DocumentFile::logRepairs(path, repairs);
        } catch (const std::exception& error) {
            qWarning().noquote() << QStringLiteral("Vell: %1 could not be read and is left where it is: %2")
                                        .arg(path, QString::fromUtf8(error.what()));
            continue;
        }
        copy.bytes.clear();
        takenIn.folders.push_back(copy.folder());
        takenIn.copies.push_back(std::move(copy));
    }
    if (copies.empty()) return;
    // Taken in like a sync tool's conflict versions: nothing typed on either side is lost.
    CopyFold folded = foldCopies(store_.document(), store_.usingStarterDocument(), copies, {}, now());
    for (const ConflictingCopy& conflict : folded.conflicts)
        takenIn.conflictingCopies.push_back(QString::fromStdString(conflict.copyName));
    if (folded.document) {
        store_.leaveStarterDocument();
        adopt(std::move(*folded.document));
    }
    for (const QString& folder : takenIn.folders)
        qWarning().noquote() << uiText("Vell: 前回保存できなかったときに %1 に残した写しを書類に戻しました",
                                       "Vell: The copy kept in %1 when Vell could not save has been taken "
                                       "back into the document")
                                    .arg(folder);
    if (folded.document) takenIn.version = documentVersion_;
    takenIn_ = std::move(takenIn);
    notices_.set(StorageNotices::Topic::recovered,
                 takenInNotice(takenIn_->folders, takenIn_->conflictingCopies));
    emit rescueCopiesTakenIn();
    // The copies go once the file holds what they brought, pushed to the shared copy as every save is.
    if (folded.document) saveNow();
    removeRescueCopiesOnDisk();
}

void DocumentSaver::removeRescueCopiesOnDisk() {
    if (!takenIn_ || takenIn_->copies.empty() || !rescue_ || !isOnDisk()) return;
    if (takenIn_->version && (!onDisk_.held || *onDisk_.held < *takenIn_->version)) return;
    for (const RescueCopy::Found& copy : takenIn_->copies) {
        if (rescue_->remove(copy))
            qWarning().noquote() << uiText(
                                        "Vell: 書類に戻した写し %1 を削除しました",
                                        "Vell: The copy in %1, now part of the saved document, was removed")
                                        .arg(copy.folder());
        else
            qWarning().noquote() << uiText("Vell: 書類に戻した写し %1 を削除できませんでした",
                                           "Vell: The copy in %1, now part of the saved document, could not "
                                           "be removed")
                                        .arg(copy.folder());
    }
    takenIn_->copies.clear();
}

void DocumentSaver::startCloudSync() {
    if (!file_) return;
    // Read once: a folder changed later takes effect at the next start.
    DocumentSync::lookUp(settings_.syncFolder(), file_->path(), this,
                         [this](DocumentSync::Found found) { attachCloud(std::move(found)); });
}

void DocumentSaver::attachCloud(DocumentSync::Found found) {
    // The watch belongs to the store and goes with it, so its callback never outlives the store.
    cloud_ = std::make_unique<CloudSync>(
        found.sharedCopy, [this] { scheduleMerge(); }, cloudPollInterval_);
    const auto showProblem = [this] {
        if (const std::optional<QString> problem = cloud_->problem())
            notices_.set(StorageNotices::Topic::sync, *problem);
        else
            notices_.clear(StorageNotices::Topic::sync);
    };
    connect(cloud_.get(), &CloudSync::problemChanged, this, showProblem);
    showProblem();
    sync_.keepBaseIn(std::move(found.baseFile), found.sharedCopy, std::move(found.base));
    sync_.attach(cloud_.get());
    sync_.mergeInBackground(
        this, [this](DocumentSync::Fetched fetched) { landMerge(std::move(fetched)); },
        [this] { pushToCloud(); });
    scheduleMerge();
}

void DocumentSaver::scheduleMerge() {
    mergeTimer_.start();
}

void DocumentSaver::mergeFromCloud() {
    sync_.fetchInBackground();
}

void DocumentSaver::landMerge(DocumentSync::Fetched fetched) {
    // Folded into the document as it stands now, with whatever was typed while it was read.
    auto merge = sync_.land(std::move(fetched), store_.document(), store_.usingStarterDocument(), now());
    if (!merge) return;
    if (merge->replacesStarter) store_.leaveStarterDocument();
    if (merge->document)
        adopt(std::move(*merge->document));
    else if (merge->takenIn.empty())
        return pushToCloud();
    // The conflict versions' content is on disk before they go, and the merge is in the local file as
    // soon as it is shown.
    sync_.conclude(merge->takenIn, writeToStorage());
}

void DocumentSaver::pushToCloud() {
    if (!sync_.attached()) return;
    if (auto bytes = bytesToPush()) pushToCloud(std::move(bytes));
}

std::shared_ptr<const std::string> DocumentSaver::bytesToPush() {
    stageForWriting();
    // A write of the document as it stands is on its way: it pushes what it writes.
    if (writer_ && requestedGeneration_ == stagedGeneration_ && finishedGeneration_ < requestedGeneration_) {
        pushAwaitsWrite_ = true;
        return nullptr;
    }
    // The bytes last written are the document as it stands: nothing to encode.
    if (lastWritten_ && lastWrittenGeneration_ == stagedGeneration_) return lastWritten_;
    return std::make_shared<const std::string>(encodedDocument());
}

void DocumentSaver::pushToCloud(std::shared_ptr<const std::string> bytes) {
    // A copy another computer changed since it was last read here is not written over: the push finds
    // out where the write is made, merges first and pushes the result instead.
    if (sync_.attached()) sync_.push(std::move(bytes));
}

void DocumentSaver::syncNow() {
    flushPendingSave();
    mergeTimer_.stop();
    // What stopped syncing may be gone by now.
    if (cloud_) cloud_->retry();
    mergeFromCloud();
    pushToCloud();
}

void DocumentSaver::adopt(VellDocument document) {
    adopting_ = true;
    store_.adoptDocument(std::move(document));
    adopting_ = false;
}

} // namespace vell
