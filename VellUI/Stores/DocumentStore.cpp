#include "Stores/DocumentStore.h"

#include "Document/CopyFold.h"
#include "Document/SheetSize.h"
#include "Engine/L10n.h"
#include "LineRules/LineEditor.h"
#include "Sheet/SheetTotal.h"
#include "Stores/AppSettings.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/UiText.h"
#include "Unicode/Decimal.h"
#include "Unicode/Unicode.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>
#include <array>
#include <cerrno>
#include <exception>
#include <set>
#include <utility>

namespace vell {

namespace {

std::string newSheetName() {
    return L10n::text("新しいシート", "New Sheet");
}

std::size_t lineCount(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// Ascending, each index once, and only indices of existing lines.
std::vector<std::int64_t> validLocks(const std::vector<std::int64_t>& locks, std::size_t lines) {
    std::vector<std::int64_t> out;
    for (std::int64_t line : std::set<std::int64_t>(locks.begin(), locks.end()))
        if (line >= 0 && static_cast<std::size_t>(line) < lines) out.push_back(line);
    return out;
}

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

std::optional<QString> DocumentStore::defaultStorageURL() {
    return DocumentFile::defaultLocation();
}

DocumentStore::DocumentStore(std::optional<QString> storageURL, AppSettings& settings,
                             KeyLayoutStore& keyLayouts, Services services, QObject* parent)
    : QObject(parent), clock_(services.clock ? std::move(services.clock) : Date::Clock(Date::now)),
      settings_(&settings), keyLayouts_(&keyLayouts),
      ownSaveTimer_(services.saveTimer ? nullptr : SaveTimer::system()),
      saveTimer_(services.saveTimer ? services.saveTimer : ownSaveTimer_.get()),
      cloudPollInterval_(services.cloudPollInterval) {
    if (storageURL) {
        file_.emplace(std::move(*storageURL), clock_);
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
    connect(&mergeTimer_, &QTimer::timeout, this, &DocumentStore::mergeFromCloud);

    load();
    repairAndClean();
    syncKeyLayouts();
    startSelectionHistory();
    publishUndoState();
    startCloudSync();
    findRescueCopies();
    observeSettings();
    // Every sheet's piece is made once, soon after the windows are up, rather than at the first key.
    QTimer::singleShot(std::chrono::milliseconds(500), this, [this] { stageForWriting(); });
}

DocumentStore::DocumentStore(std::optional<QString> storageURL, AppSettings& settings,
                             KeyLayoutStore& keyLayouts, QObject* parent)
    : DocumentStore(std::move(storageURL), settings, keyLayouts, Services{}, parent) {}

DocumentStore::~DocumentStore() {
    // A timer handed in may outlive the store.
    saveTimer_->cancel();
    // The write asked for last is made before the file goes.
    writer_.reset();
}

Date DocumentStore::stampAfter(std::optional<Date> previous) const {
    const Date current = now();
    if (!previous) return current;
    // Compared in whole seconds, as the file keeps them: the change must still be the newer one there.
    std::int64_t seconds = previous->microsecondsSince1970() / 1'000'000;
    if (previous->microsecondsSince1970() % 1'000'000 < 0) --seconds;
    return std::max(current, Date::fromSeconds(seconds).addingSeconds(1));
}

std::optional<QString> DocumentStore::storageURL() const {
    if (!file_) return std::nullopt;
    return file_->path();
}

void DocumentStore::load() {
    std::optional<VellDocument> loaded = file_ ? file_->load() : std::nullopt;
    if (loaded && !loaded->sheets.empty()) {
        document_ = std::move(*loaded);
        return;
    }
    document_ = starterKeeping(loaded.value_or(VellDocument{}));
    usingStarterDocument_ = true;
}

VellDocument DocumentStore::starterKeeping(VellDocument empty) const {
    // Typing into a document without sheets would go nowhere, but its deletions, layouts and what a later
    // version keeps there still matter to the other copies.
    VellDocument document = VellDocument::starter(clock_);
    document.deletedSheets = std::move(empty.deletedSheets);
    document.keyLayouts = std::move(empty.keyLayouts);
    document.keyLayoutsUpdatedAt = empty.keyLayoutsUpdatedAt;
    document.sheetOrderUpdatedAt = empty.sheetOrderUpdatedAt;
    document.unknownMembers = std::move(empty.unknownMembers);
    return document;
}

void DocumentStore::repairAndClean() {
    if (!selectedIndex(document_.selectedSheetID))
        document_.selectedSheetID =
            document_.sheets.empty() ? std::nullopt : std::optional<Uuid>(document_.sheets.front().id);
    if (!document_.removeDuplicateSheets(now()).empty()) {
        listDidChange();
        scheduleSave();
    }
    if (document_.sheets.empty()) {
        document_ = starterKeeping(std::move(document_));
        listDidChange();
        usingStarterDocument_ = true;
    }
}

void DocumentStore::observeSettings() {
    connect(settings_, &AppSettings::languageChanged, this, &DocumentStore::updateNotices);
    // Queued: the keypad is in the middle of the user's change.
    connect(
        keyLayouts_, &KeyLayoutStore::edited, this,
        [this] {
            syncKeyLayouts();
            scheduleSave();
        },
        Qt::QueuedConnection);
}

// --- Selection, text and evaluation -------------------------------------------------------------------

std::optional<std::size_t> DocumentStore::selectedIndex(std::optional<Uuid> id) const {
    if (!id) return std::nullopt;
    const auto look = [&]() -> std::optional<std::size_t> {
        const auto found = index_.find(*id);
        if (found == index_.end()) return std::nullopt;
        return found->second;
    };
    auto index = look();
    const bool holds = index && *index < document_.sheets.size() && document_.sheets[*index].id == *id;
    if (holds) return index;
    if (indexFresh_ && !index) return std::nullopt;
    index_.clear();
    index_.reserve(document_.sheets.size());
    // The first sheet of an id, as the document may repeat one before it is cleaned up.
    for (std::size_t i = 0; i < document_.sheets.size(); ++i)
        index_.try_emplace(document_.sheets[i].id, i);
    indexFresh_ = true;
    return look();
}

const Sheet* DocumentStore::sheet(std::optional<Uuid> id) const {
    const auto index = selectedIndex(id);
    return index ? &document_.sheets[*index] : nullptr;
}

Sheet DocumentStore::currentSheet() const {
    if (const Sheet* selected = sheet(document_.selectedSheetID)) return *selected;
    if (!document_.sheets.empty()) return document_.sheets.front();
    return Sheet{Uuid::random(), newSheetName(), "", now(), {}};
}

void DocumentStore::setCurrentSheetID(std::optional<Uuid> id) {
    if (!id || id == document_.selectedSheetID || !selectedIndex(id)) return;
    document_.selectedSheetID = id;
    emit selectionChanged(id);
    selectionDidChange();
}

bool DocumentStore::isTooLargeToEdit(std::optional<Uuid> id) const {
    const Sheet* found = sheet(id);
    return found && SheetSize::tooLargeToEdit(found->text);
}

void DocumentStore::startSelectionHistory() {
    if (const Sheet* selected = sheet(document_.selectedSheetID)) {
        if (!SheetSize::tooLargeToEdit(selected->text)) history(*selected);
    } else {
        history(currentSheet());
    }
}

bool DocumentStore::setText(const Uuid& sheetID, std::string_view text, const QObject* origin) {
    return updateText(sheetID, text, false, origin);
}

bool DocumentStore::setTextNaming(const Uuid& sheetID, std::string_view text, const QObject* origin) {
    return updateText(sheetID, text, true, origin);
}

bool DocumentStore::updateText(const Uuid& sheetID, std::string_view text, bool naming,
                               const QObject* origin) {
    const auto index = selectedIndex(sheetID);
    if (!index) return true;
    Sheet& sheet = document_.sheets[*index];
    // Such a sheet would turn read-only under the user's hands, its history out of reach: the editors
    // refuse the change before it comes here, and whatever else sets a text is refused here.
    if (SheetSize::tooLargeToEdit(sheet.text) || SheetSize::tooLargeToEdit(text)) return false;
    if (unicode::canonicallyEqual(sheet.text, text)) return true;

    SheetHistory& sheetHistory = history(sheet);
    std::vector<std::int64_t> locks;
    if (!sheet.lockedLines.empty()) {
        const std::size_t lines = lineCount(text);
        if (naming && lines == lineCount(sheet.text)) {
            // Naming rewrites lines in place (the named one, and references to a renamed name), so every
            // lock stays on its line; following identical text would drop the rewritten ones.
            locks = validLocks(sheet.lockedLines, lines);
        } else {
            locks = LineEditor::remapLockedLines(sheet.lockedLines, unicode::toUtf16(sheet.text),
                                                 unicode::toUtf16(text));
        }
    }
    sheet.lockedLines = std::move(locks);
    sheet.text = std::string(text);
    sheet.updatedAt = stampAfter(sheet.updatedAt);
    sheetHistory.record(SheetSnapshot{sheet.text, sheet.lockedLines}, now());
    documentDidChange();
    textDidChange(sheetID, origin);
    return true;
}

void DocumentStore::documentDidChange() {
    ++documentVersion_;
    stageForWriting();
}

void DocumentStore::selectionDidChange() {
    documentDidChange();
    startSelectionHistory();
    // Only the selection's history may have begun; a window moved off a sheet that went asks afresh.
    if (document_.selectedSheetID) emit undoStateChanged(*document_.selectedSheetID);
    scheduleSave();
}

void DocumentStore::textDidChange(const Uuid& sheetID, const QObject* origin) {
    emit sheetTextChanged(sheetID, origin);
    emit undoStateChanged(sheetID);
    scheduleSave();
}

std::optional<std::string> DocumentStore::setName(const Uuid& sheetID, std::int64_t lineIndex,
                                                  std::string_view name) {
    const Sheet* named = sheet(sheetID);
    if (!named) return std::nullopt;
    const std::u16string text = unicode::toUtf16(named->text);
    const std::u16string proposed = unicode::toUtf16(name);
    if (auto problem = LineEditor::nameProblem(proposed, text, lineIndex)) return problem;
    const auto renamed = LineEditor::setName(text, lineIndex, proposed);
    if (!renamed) return L10n::text("名前を付けられませんでした", "The line could not be named");
    if (!updateText(sheetID, unicode::fromUtf16(*renamed), true, nullptr)) return SheetSize::refusalMessage();
    return std::nullopt;
}

// --- Sheet commands -------------------------------------------------------------------------------------

Uuid DocumentStore::addSheet() {
    const std::string number = decimal(static_cast<std::int64_t>(document_.sheets.size()) + 1);
    Sheet sheet{Uuid::random(), L10n::text("シート " + number, "Sheet " + number), "", now(), {}};
    const Uuid id = sheet.id;
    document_.selectedSheetID = id;
    document_.sheets.push_back(std::move(sheet));
    listDidChange();
    // A new place in the order: another computer's order, without this sheet, must not win over it.
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
    emit sheetListChanged(SheetListChange::added(id, document_.sheets.size() - 1));
    emit selectionChanged(id);
    selectionDidChange();
    return id;
}

void DocumentStore::renameSheet(const Uuid& id, std::string name) {
    const auto index = selectedIndex(id);
    if (!index) return;
    Sheet& sheet = document_.sheets[*index];
    sheet.name = std::move(name);
    sheet.updatedAt = stampAfter(sheet.updatedAt);
    documentDidChange();
    emit sheetListChanged(SheetListChange::renamed(id, *index));
    scheduleSave();
}

void DocumentStore::deleteSheet(const Uuid& id) {
    if (document_.sheets.size() < 2) return;
    const auto index = selectedIndex(id);
    if (!index) return;
    const Date deletedAt = stampAfter(document_.sheets[*index].updatedAt);
    document_.sheets.erase(document_.sheets.begin() + static_cast<std::ptrdiff_t>(*index));
    listDidChange();
    histories_.erase(id);
    document_.deletedSheets[id.uuidString()] = deletedAt;
    emit sheetListChanged(SheetListChange::removed(id, *index));
    if (document_.selectedSheetID == id) {
        document_.selectedSheetID = document_.sheets[*index > 0 ? *index - 1 : 0].id;
        emit selectionChanged(document_.selectedSheetID);
    }
    selectionDidChange();
}

std::optional<Uuid> DocumentStore::duplicateSheet(const Uuid& id) {
    const auto index = selectedIndex(id);
    if (!index) return std::nullopt;
    Sheet copy = document_.sheets[*index];
    copy.id = Uuid::random();
    const Uuid copyID = copy.id;
    copy.name += L10n::text(" のコピー", " Copy");
    copy.updatedAt = now();
    document_.selectedSheetID = copy.id;
    document_.sheets.insert(document_.sheets.begin() + static_cast<std::ptrdiff_t>(*index) + 1,
                            std::move(copy));
    listDidChange();
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
    emit sheetListChanged(SheetListChange::added(copyID, *index + 1));
    emit selectionChanged(copyID);
    selectionDidChange();
    return copyID;
}

void DocumentStore::moveSheet(const Uuid& id, const Uuid& onto) {
    if (id == onto) return;
    const auto from = selectedIndex(id);
    const auto to = selectedIndex(onto);
    if (!from || !to) return;
    Sheet moved = std::move(document_.sheets[*from]);
    document_.sheets.erase(document_.sheets.begin() + static_cast<std::ptrdiff_t>(*from));
    const std::size_t target = std::min(*to, document_.sheets.size());
    document_.sheets.insert(document_.sheets.begin() + static_cast<std::ptrdiff_t>(target), std::move(moved));
    listDidChange();
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
    documentDidChange();
    emit sheetListChanged(SheetListChange::moved(id, *from, target));
    scheduleSave();
}

void DocumentStore::moveSheet(const Uuid& id, std::int64_t by) {
    const auto from = selectedIndex(id);
    if (!from) return;
    const auto count = static_cast<std::int64_t>(document_.sheets.size());
    const auto start = static_cast<std::int64_t>(*from);
    // Compared without forming start + by, which could overflow for an absurd offset.
    if (by < 0 ? -(by + 1) >= start : by >= count - start) return;
    const auto to = static_cast<std::size_t>(start + by);
    std::swap(document_.sheets[*from], document_.sheets[to]);
    listDidChange();
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
    documentDidChange();
    // An exchange is the sheet moved to the other's place, then the other moved to where it was.
    emit sheetListChanged(SheetListChange::moved(id, *from, to));
    if (to > *from + 1 || *from > to + 1) {
        const std::size_t other = to > *from ? to - 1 : to + 1;
        emit sheetListChanged(SheetListChange::moved(document_.sheets[*from].id, other, *from));
    }
    scheduleSave();
}

void DocumentStore::moveSheets(std::span<const std::size_t> offsets, std::size_t destination) {
    std::vector<bool> moving(document_.sheets.size(), false);
    for (std::size_t offset : offsets)
        if (offset < moving.size()) moving[offset] = true;
    destination = std::min(destination, document_.sheets.size());
    std::vector<Sheet> staying;
    std::vector<Sheet> moved;
    std::size_t insertAt = 0;
    for (std::size_t index = 0; index < document_.sheets.size(); ++index) {
        if (index == destination) insertAt = staying.size();
        (moving[index] ? moved : staying).push_back(std::move(document_.sheets[index]));
    }
    if (destination == document_.sheets.size()) insertAt = staying.size();
    staying.insert(staying.begin() + static_cast<std::ptrdiff_t>(insertAt),
                   std::make_move_iterator(moved.begin()), std::make_move_iterator(moved.end()));
    document_.sheets = std::move(staying);
    listDidChange();
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
    documentDidChange();
    emit sheetListChanged(SheetListChange::replaced());
    scheduleSave();
}

// --- Locks, undo and redo -------------------------------------------------------------------------------

void DocumentStore::toggleLock(const Uuid& sheetID, std::int64_t line) {
    const auto index = selectedIndex(sheetID);
    if (!index || line < 0) return;
    Sheet& sheet = document_.sheets[*index];
    if (SheetSize::tooLargeToEdit(sheet.text) || static_cast<std::size_t>(line) >= lineCount(sheet.text))
        return;
    SheetHistory& sheetHistory = history(sheet);
    std::set<std::int64_t> locks(sheet.lockedLines.begin(), sheet.lockedLines.end());
    if (!locks.insert(line).second) locks.erase(line);
    sheet.lockedLines.assign(locks.begin(), locks.end());
    sheet.updatedAt = stampAfter(sheet.updatedAt);
    sheetHistory.record(SheetSnapshot{sheet.text, sheet.lockedLines}, now());
    documentDidChange();
    emit sheetLocksChanged(sheetID);
    emit undoStateChanged(sheetID);
    scheduleSave();
}

void DocumentStore::undo(const Uuid& sheetID) {
    stepHistory(sheetID, true);
}

void DocumentStore::redo(const Uuid& sheetID) {
    stepHistory(sheetID, false);
}

bool DocumentStore::canUndo(const Uuid& sheetID) const {
    const auto found = histories_.find(sheetID);
    return found != histories_.end() && found->second.canUndo() && !isTooLargeToEdit(sheetID);
}

bool DocumentStore::canRedo(const Uuid& sheetID) const {
    const auto found = histories_.find(sheetID);
    return found != histories_.end() && found->second.canRedo() && !isTooLargeToEdit(sheetID);
}

void DocumentStore::stepHistory(const Uuid& sheetID, bool undo) {
    const auto index = selectedIndex(sheetID);
    if (!index || SheetSize::tooLargeToEdit(document_.sheets[*index].text)) return;
    SheetHistory& sheetHistory = history(document_.sheets[*index]);
    auto snapshot = undo ? sheetHistory.undo() : sheetHistory.redo();
    if (!snapshot) return;
    applySnapshot(std::move(*snapshot), *index);
}

void DocumentStore::applySnapshot(SheetSnapshot snapshot, std::size_t index) {
    Sheet& sheet = document_.sheets[index];
    const Uuid id = sheet.id;
    const std::string oldText = std::move(sheet.text);
    sheet.text = std::move(snapshot.text);
    sheet.lockedLines = std::move(snapshot.lockedLines);
    sheet.updatedAt = stampAfter(sheet.updatedAt);
    documentDidChange();
    if (oldText == sheet.text) {
        // Only the locks went back.
        emit sheetLocksChanged(id);
        emit undoStateChanged(id);
        scheduleSave();
        return;
    }
    if (const auto caret = LineEditor::changedEnd(unicode::toUtf16(oldText), unicode::toUtf16(sheet.text)))
        emit caretRequested(id, *caret);
    textDidChange(id, nullptr);
}

void DocumentStore::pruneHistories() {
    std::erase_if(histories_, [this](const auto& entry) { return !selectedIndex(entry.first); });
    for (const Sheet& sheet : document_.sheets) {
        const auto found = histories_.find(sheet.id);
        if (found != histories_.end() && !found->second.matches(SheetSnapshot{sheet.text, sheet.lockedLines}))
            histories_.erase(found);
    }
    publishUndoState();
}

// --- Clearing and erasing -------------------------------------------------------------------------------

void DocumentStore::setClearSheetPrompt(std::optional<std::string> prompt) {
    clearSheetPrompt_ = std::move(prompt);
    emit clearSheetPromptChanged();
}

void DocumentStore::requestClearSheet(const Uuid& sheetID) {
    const Sheet* asked = sheet(sheetID);
    if (!asked || (asked->text.empty() && asked->lockedLines.empty())) return;
    pendingClear_ = PendingClear{asked->id, document_.selectedSheetID};
    setClearSheetPrompt(asked->name);
}

void DocumentStore::confirmClearSheet() {
    const std::optional<PendingClear> pending = std::exchange(pendingClear_, std::nullopt);
    setClearSheetPrompt(std::nullopt);
    if (!pending) {
        if (document_.selectedSheetID) clearSheet(*document_.selectedSheetID);
        return;
    }
    // The selection moved to another sheet while the question was open.
    if (document_.selectedSheetID == pending->selection) clearSheet(pending->sheetID);
}

void DocumentStore::clearSheet(const Uuid& sheetID) {
    const auto index = selectedIndex(sheetID);
    if (!index) return;
    Sheet& sheet = document_.sheets[*index];
    if (sheet.text.empty() && sheet.lockedLines.empty()) return;

    SheetHistory& sheetHistory = history(sheet);
    sheet.text.clear();
    sheet.lockedLines.clear();
    sheet.updatedAt = stampAfter(sheet.updatedAt);
    sheetHistory.record(SheetSnapshot{}, now());
    documentDidChange();
    emit caretRequested(sheetID, 0);
    textDidChange(sheetID, nullptr);
}

void DocumentStore::clearAllContent() {
    for (const Sheet& sheet : document_.sheets)
        document_.deletedSheets[sheet.id.uuidString()] = stampAfter(sheet.updatedAt);
    Sheet fresh{Uuid::random(), newSheetName(), "", now(), {}};
    document_.selectedSheetID = fresh.id;
    document_.sheets = {std::move(fresh)};
    listDidChange();
    histories_.clear();
    documentDidChange();
    emit sheetListChanged(SheetListChange::replaced());
    emit selectionChanged(document_.selectedSheetID);
    publishUndoState();
    saveNow();
}

// --- Saving and the life cycle --------------------------------------------------------------------------

void DocumentStore::scheduleSave() {
    usingStarterDocument_ = false;
    saveScheduled_ = true;
    if (!file_) return;
    onDisk_.wanted = documentVersion_;
    saveSchedule_.edited(saveTimer_->now());
    setSaveDeadline();
}

void DocumentStore::setSaveDeadline() {
    if (const auto due = saveSchedule_.due())
        saveTimer_->setDeadline(*due, [this] { saveNow(); });
    else
        saveTimer_->cancel();
}

void DocumentStore::saveNow() {
    if (file_) requestWrite();
}

void DocumentStore::finishWrites() {
    if (writer_) writer_->finish();
    if (!cloud_) return;
    // The pushes those writes brought about, and the base they leave; a merge read meanwhile lands now
    // and sends its result too.
    cloud_->finishWrites();
    while (sync_.landNow())
        cloud_->finishWrites();
}

std::shared_ptr<const std::string> DocumentStore::writeToStorage() {
    if (!file_) return nullptr;
    requestWrite();
    writtenForMerge_.reset();
    pushAfterWrite_ = false;
    writer_->finish();
    pushAfterWrite_ = true;
    return std::exchange(writtenForMerge_, nullptr);
}

void DocumentStore::requestWrite() {
    stageForWriting();
    requestedGeneration_ = stagedGeneration_;
    onDisk_.wanted = onDisk_.requested = documentVersion_;
    saveSchedule_.started();
    setSaveDeadline();
    writer_->write();
}

void DocumentStore::writeFinished(std::uint64_t generation, std::shared_ptr<const std::string> bytes,
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

void DocumentStore::stageForWriting() {
    if (!writer_ || stagedVersion_ == documentVersion_) return;
    std::vector<SheetPiece> pieces;
    pieces.reserve(document_.sheets.size());
    for (const Sheet& sheet : document_.sheets)
        pieces.push_back(pieceOf(sheet));
    // Pieces of sheets that went are dropped now and then, not at every key.
    if (pieces_.size() > 2 * document_.sheets.size() + 64)
        std::erase_if(pieces_, [this](const auto& entry) { return !selectedIndex(entry.first); });
    staged_ = std::make_shared<const DocumentPieces>(document_, std::move(pieces));
    writer_->stage(++stagedGeneration_, staged_);
    stagedVersion_ = documentVersion_;
}

SheetPiece DocumentStore::pieceOf(const Sheet& sheet) {
    auto found = pieces_.find(sheet.id);
    if (found != pieces_.end()) {
        const CachedPiece& cached = found->second;
        if (cached.updatedAt == sheet.updatedAt && cached.nameSize == sheet.name.size() &&
            cached.textSize == sheet.text.size() && cached.lockCount == sheet.lockedLines.size())
            return cached.piece;
    }
    SheetPiece piece = DocumentPieces::encodeSheet(sheet);
    pieces_[sheet.id] =
        CachedPiece{piece, sheet.updatedAt, sheet.name.size(), sheet.text.size(), sheet.lockedLines.size()};
    return piece;
}

std::string DocumentStore::encodedDocument() {
    if (!writer_) return document_.encode();
    stageForWriting();
    return staged_->join();
}

void DocumentStore::flushPendingSave() {
    // A failed save waiting for its retry is pending too.
    if (!saveScheduled_ && !saveSchedule_.due()) return;
    saveScheduled_ = false;
    saveNow();
}

void DocumentStore::applicationDidBecomeActive() {
    syncNow();
}

void DocumentStore::applicationWillResignActive() {
    flushPendingSave();
}

void DocumentStore::applicationWillTerminate() {
    flushPendingSave();
    finishWrites();
}

bool DocumentStore::isOnDisk() const {
    if (!file_ || !onDisk_.wanted) return true;
    return onDisk_.held && *onDisk_.held >= *onDisk_.wanted;
}

std::optional<QString> DocumentStore::saveFailure() const {
    if (onDisk_.error == 0) return std::nullopt;
    return DocumentFile::describeError(onDisk_.error);
}

bool DocumentStore::saveAndWait() {
    if (!isOnDisk()) {
        saveScheduled_ = false;
        saveNow();
    }
    finishWrites();
    return isOnDisk();
}

void DocumentStore::retryFailedSave() {
    if (onDisk_.error != 0) flushPendingSave();
}

bool DocumentStore::keepRescueCopy() {
    if (!writer_ || isOnDisk()) return true;
    stageForWriting();
    return writer_->keepStagedElsewhere();
}

void DocumentStore::updateNotices() {
    if (onDisk_.error != 0) notices_.set(StorageNotices::Topic::save, saveNotice(onDisk_.error));
    if (takenIn_ && notices_.message(StorageNotices::Topic::recovered))
        notices_.set(StorageNotices::Topic::recovered,
                     takenInNotice(takenIn_->folders, takenIn_->conflictingCopies));
}

// --- Copies kept in the rescue place by an earlier run ------------------------------------------------

void DocumentStore::findRescueCopies() {
    if (!rescue_) return;
    // The roots are shared with everyone: read off the UI thread, and brought back only to a store that
    // still exists.
    QThreadPool::globalInstance()->start([rescue = *rescue_, store = QPointer<DocumentStore>(this)] {
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

void DocumentStore::takeInRescueCopies(std::vector<RescueCopy::Found> found) {
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
    CopyFold folded = foldCopies(document_, usingStarterDocument_, copies, {}, now());
    for (const ConflictingCopy& conflict : folded.conflicts)
        takenIn.conflictingCopies.push_back(QString::fromStdString(conflict.copyName));
    if (folded.document) {
        usingStarterDocument_ = false;
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

void DocumentStore::removeRescueCopiesOnDisk() {
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

// --- Key layouts, undo flags and adopted documents ------------------------------------------------------

void DocumentStore::syncKeyLayouts() {
    const Date keypadDate = keyLayouts_->updatedAt();
    const Date documentDate = document_.keyLayoutsUpdatedAt.value_or(Date::distantPast);
    if (documentDate > keypadDate) {
        keyLayouts_->adopt(document_.keyLayouts, document_.keyLayoutsUpdatedAt);
    } else if (keypadDate > documentDate) {
        document_.keyLayouts = keyLayouts_->layouts();
        document_.keyLayoutsUpdatedAt = keypadDate;
        documentDidChange();
        emit keyLayoutsChanged();
    }
}

void DocumentStore::publishUndoState() {
    for (const Sheet& each : document_.sheets)
        emit undoStateChanged(each.id);
}

SheetHistory& DocumentStore::history(const Sheet& sheet) {
    auto found = histories_.find(sheet.id);
    if (found == histories_.end())
        found =
            histories_.emplace(sheet.id, SheetHistory(SheetSnapshot{sheet.text, sheet.lockedLines})).first;
    return found->second;
}

void DocumentStore::adoptDocument(VellDocument document) {
    adopt(std::move(document));
    saveNow();
}

void DocumentStore::adopt(VellDocument document) {
    // Typing into a document without sheets would go nowhere.
    if (document.sheets.empty()) document = starterKeeping(std::move(document));
    std::unordered_map<Uuid, const Sheet*> before;
    before.reserve(document_.sheets.size());
    for (const Sheet& each : document_.sheets)
        before.emplace(each.id, &each);
    VellDocument former = std::exchange(document_, std::move(document));
    listDidChange();
    // Sheets from elsewhere may hold other content under the same id and date.
    pieces_.clear();
    documentDidChange();
    emit sheetListChanged(SheetListChange::replaced());
    if (document_.selectedSheetID != former.selectedSheetID) emit selectionChanged(document_.selectedSheetID);
    for (const Sheet& each : document_.sheets) {
        const auto found = before.find(each.id);
        if (found == before.end() || found->second->text != each.text)
            emit sheetTextChanged(each.id, nullptr);
        else if (found->second->lockedLines != each.lockedLines)
            emit sheetLocksChanged(each.id);
    }
    syncKeyLayouts();
    pruneHistories();
}

// --- The shared copy in the sync folder -----------------------------------------------------------------

void DocumentStore::startCloudSync() {
    if (!file_) return;
    // Read once: a folder changed later takes effect at the next start.
    DocumentSync::lookUp(settings_->syncFolder(), file_->path(), this,
                         [this](DocumentSync::Found found) { attachCloud(std::move(found)); });
}

void DocumentStore::attachCloud(DocumentSync::Found found) {
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

void DocumentStore::scheduleMerge() {
    mergeTimer_.start();
}

void DocumentStore::mergeFromCloud() {
    sync_.fetchInBackground();
}

void DocumentStore::landMerge(DocumentSync::Fetched fetched) {
    // Folded into the document as it stands now, with whatever was typed while it was read.
    auto merge = sync_.land(std::move(fetched), document_, usingStarterDocument_, now());
    if (!merge) return;
    if (merge->replacesStarter) usingStarterDocument_ = false;
    if (merge->document)
        adopt(std::move(*merge->document));
    else if (merge->takenIn.empty())
        return pushToCloud();
    // The conflict versions' content is on disk before they go, and the merge is in the local file as
    // soon as it is shown.
    sync_.conclude(merge->takenIn, writeToStorage());
}

void DocumentStore::pushToCloud() {
    if (!sync_.attached()) return;
    if (auto bytes = bytesToPush()) pushToCloud(std::move(bytes));
}

std::shared_ptr<const std::string> DocumentStore::bytesToPush() {
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

void DocumentStore::pushToCloud(std::shared_ptr<const std::string> bytes) {
    // A copy another computer changed since it was last read here is not written over: the push finds
    // out where the write is made, merges first and pushes the result instead.
    if (sync_.attached()) sync_.push(std::move(bytes));
}

void DocumentStore::syncNow() {
    flushPendingSave();
    mergeTimer_.stop();
    // What stopped syncing may be gone by now.
    if (cloud_) cloud_->retry();
    mergeFromCloud();
    pushToCloud();
}

std::optional<Value> DocumentStore::total(const std::vector<LineResult>& results) {
    return SheetTotal::of(results);
}

} // namespace vell
