#include "Stores/DocumentStore.h"

#include "Document/CopyFold.h"
#include "Document/SheetSize.h"
#include "Engine/L10n.h"
#include "LineRules/LineEditor.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/SharedSheet.h"
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
      evaluator_(std::move(services.evaluator)), evaluationClock_(std::move(services.evaluationClock)),
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
    fillInTimer_.setSingleShot(true);
    fillInTimer_.setInterval(fillInDelay);
    connect(&fillInTimer_, &QTimer::timeout, this, [this] {
        if (!sheet(fillInSheetID_)) return;
        evaluateSheet(fillInSheetID_);
        refreshSessions();
    });

    load();
    repairAndClean();
    syncKeyLayouts();
    evaluateSelection();
    refreshSessions();
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
    if (!document_.removeDuplicateSheets(now()).empty()) scheduleSave();
    if (document_.sheets.empty()) {
        document_ = starterKeeping(std::move(document_));
        usingStarterDocument_ = true;
    }
}

void DocumentStore::observeSettings() {
    // The answers and messages of the shown sheets follow the language, angle unit and fraction digits
    // at once; nothing is saved.
    connect(settings_, &AppSettings::engineSettingsChanged, this, &DocumentStore::reevaluate);
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
    for (std::size_t i = 0; i < document_.sheets.size(); ++i)
        if (document_.sheets[i].id == *id) return i;
    return std::nullopt;
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

std::vector<LineResult> DocumentStore::evaluate(std::optional<Uuid> sheetID) const {
    return evaluate(sheetID, nullptr);
}

std::vector<LineResult> DocumentStore::evaluate(std::optional<Uuid> sheetID, bool* unfinished) const {
    if (unfinished) *unfinished = false;
    std::optional<Sheet> fallback;
    const Sheet* target = sheet(sheetID);
    if (!target) target = &fallback.emplace(currentSheet());
    if (SheetSize::tooLargeToEdit(target->text)) return {};
    std::vector<SharedSheet> others;
    others.reserve(document_.sheets.size());
    for (const Sheet& other : document_.sheets)
        if (other.id != target->id && !SheetSize::tooLargeToEdit(other.text))
            others.push_back(SharedSheet{other.name, other.text});
    if (evaluator_) return evaluator_(target->text, others);
    // A key then evaluates only the lines it changed and those that read them.
    std::erase_if(evaluationCaches_, [this](const auto& entry) { return !sheet(entry.first); });
    SheetEvaluationCache& cache = evaluationCaches_.try_emplace(target->id, evaluationClock_).first->second;
    std::vector<LineResult> results = DocumentEvaluator::evaluateCached(target->text, others, cache);
    if (unfinished) *unfinished = cache.wouldGetFurther();
    return results;
}

const DocumentStore::Evaluation& DocumentStore::evaluation(std::optional<Uuid> sheetID) const {
    const Uuid id = sheet(sheetID) ? *sheetID : currentSheet().id;
    const EvaluationInputs inputs = evaluationInputs();
    auto found = evaluations_.find(id);
    if (found != evaluations_.end() && found->second.inputs == inputs) return found->second;
    if (evaluations_.size() > document_.sheets.size())
        std::erase_if(evaluations_, [this](const auto& entry) { return !sheet(entry.first); });
    auto results = std::make_shared<const std::vector<LineResult>>(evaluate(id));
    return evaluations_.insert_or_assign(id, Evaluation{std::move(results), inputs}).first->second;
}

const std::vector<LineResult>& DocumentStore::results(std::optional<Uuid> sheetID) const {
    return *evaluation(sheetID).results;
}

std::shared_ptr<const std::vector<LineResult>>
DocumentStore::sharedResults(std::optional<Uuid> sheetID) const {
    return evaluation(sheetID).results;
}

DocumentStore::EvaluationInputs DocumentStore::evaluationInputs() const {
    EngineSettings engine = EngineSettings::current();
    engine.language = L10n::isEnglish() ? AppLanguage::english : AppLanguage::japanese;
    return {documentVersion_, engine};
}

void DocumentStore::documentDidChange() {
    ++documentVersion_;
    stageForWriting();
    emit documentChanged();
}

void DocumentStore::selectionDidChange() {
    documentDidChange();
    evaluateSelection();
    refreshSessions();
    startSelectionHistory();
    // Only the selection's history may have begun; a window moved off a sheet that went asks afresh.
    if (document_.selectedSheetID) emit undoStateChanged(*document_.selectedSheetID);
    scheduleSave();
}

void DocumentStore::textDidChange(const Uuid& sheetID, const QObject* origin) {
    emit sheetChanged(sheetID, origin);
    emit undoStateChanged(sheetID);
    evaluateSheet(sheetID);
    refreshSessions();
    scheduleSave();
}

void DocumentStore::evaluateSheet(std::optional<Uuid> sheetID) {
    const Uuid id = sheet(sheetID) ? *sheetID : currentSheet().id;
    bool unfinished = false;
    auto results = std::make_shared<const std::vector<LineResult>>(evaluate(id, &unfinished));
    evaluations_.insert_or_assign(id, Evaluation{std::move(results), evaluationInputs()});
    // A sheet the time limit cut short gets further at each evaluation, since the lines it kept cost
    // next to nothing the next time: it is evaluated again soon, round after round with keys and
    // paints in between, until it is complete or a round gets no further. A key evaluates at once
    // and decides again.
    if (unfinished) {
        fillInSheetID_ = id;
        fillInTimer_.start();
    } else if (fillInSheetID_ == id) {
        fillInSheetID_.reset();
        fillInTimer_.stop();
    }
    emit resultsChanged(id);
}

void DocumentStore::refreshSessions() {
    emit sessionRefreshRequested();
}

void DocumentStore::reevaluate() {
    evaluateSelection();
    refreshSessions();
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
    // A new place in the order: another computer's order, without this sheet, must not win over it.
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
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
    scheduleSave();
}

void DocumentStore::deleteSheet(const Uuid& id) {
    if (document_.sheets.size() < 2) return;
    const auto index = selectedIndex(id);
    if (!index) return;
    const Date deletedAt = stampAfter(document_.sheets[*index].updatedAt);
    document_.sheets.erase(document_.sheets.begin() + static_cast<std::ptrdiff_t>(*index));
    histories_.erase(id);
    document_.deletedSheets[id.uuidString()] = deletedAt;
    if (document_.selectedSheetID == id)
        document_.selectedSheetID = document_.sheets[*index > 0 ? *index - 1 : 0].id;
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
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
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
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
    documentDidChange();
    scheduleSave();
}

void DocumentStore::moveSheet(const Uuid& id, std::int64_t by) {
    const auto from = selectedIndex(id);
    if (!from) return;
    const auto count = static_cast<std::int64_t>(document_.sheets.size());
    const auto start = static_cast<std::int64_t>(*from);
    // Compared without forming start + by, which could overflow for an absurd offset.
    if (by < 0 ? -(by + 1) >= start : by >= count - start) return;
    std::swap(document_.sheets[*from], document_.sheets[static_cast<std::size_t>(start + by)]);
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
    documentDidChange();
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
    document_.sheetOrderUpdatedAt = stampAfter(document_.sheetOrderUpdatedAt);
    documentDidChange();
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
    emit sheetChanged(sheetID, nullptr);
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
    histories_.clear();
    documentDidChange();
    publishUndoState();
    evaluateSelection();
    refreshSessions();
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
    document_ = std::move(document);
    // Sheets from elsewhere may hold other content under the same id and date.
    pieces_.clear();
    documentDidChange();
    for (const Sheet& each : document_.sheets)
        emit sheetChanged(each.id, nullptr);
    syncKeyLayouts();
    pruneHistories();
    evaluateSelection();
    refreshSessions();
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
