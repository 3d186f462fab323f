#include "Stores/DocumentStore.h"

#include "Document/SheetSize.h"
#include "Engine/L10n.h"
#include "LineRules/LineEditor.h"
#include "Stores/KeyLayoutStore.h"
#include "Unicode/Decimal.h"
#include "Unicode/Unicode.h"

#include <algorithm>
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

} // namespace

DocumentStore::DocumentStore(std::optional<VellDocument> document, KeyLayoutStore& keyLayouts,
                             Services services, QObject* parent)
    : QObject(parent), clock_(services.clock ? std::move(services.clock) : Date::Clock(Date::now)),
      keyLayouts_(&keyLayouts) {
    if (document && !document->sheets.empty()) {
        document_ = std::move(*document);
    } else {
        document_ = starterKeeping(document.value_or(VellDocument{}));
        usingStarterDocument_ = true;
    }
    repairAndClean();
    // The keypad's newer layouts go into the document, but are no reason to save it.
    syncKeyLayouts();
    startSelectionHistory();
    publishUndoState();
    observeKeypad();
}

DocumentStore::DocumentStore(std::optional<VellDocument> document, KeyLayoutStore& keyLayouts,
                             QObject* parent)
    : DocumentStore(std::move(document), keyLayouts, Services{}, parent) {}

DocumentStore::~DocumentStore() = default;

Date DocumentStore::stampAfter(std::optional<Date> previous) const {
    const Date current = now();
    if (!previous) return current;
    // Compared in whole seconds, as the file keeps them: the change must still be the newer one there.
    std::int64_t seconds = previous->microsecondsSince1970() / 1'000'000;
    if (previous->microsecondsSince1970() % 1'000'000 < 0) --seconds;
    return std::max(current, Date::fromSeconds(seconds).addingSeconds(1));
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
        changedWhileOpening_ = true;
    }
    if (document_.sheets.empty()) {
        document_ = starterKeeping(std::move(document_));
        listDidChange();
        usingStarterDocument_ = true;
    }
}

void DocumentStore::observeKeypad() {
    // Queued: the keypad is in the middle of the user's change.
    connect(keyLayouts_, &KeyLayoutStore::edited, this, &DocumentStore::syncKeyLayouts, Qt::QueuedConnection);
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

    // The history begins from the text before the change.
    history(sheet);
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
    textTaken(sheet, origin);
    return true;
}

std::optional<bool> DocumentStore::replaceText(const Uuid& sheetID, std::size_t at, std::string_view removed,
                                               std::string_view inserted, const QObject* origin) {
    const auto index = selectedIndex(sheetID);
    if (!index) return true;
    Sheet& sheet = document_.sheets[*index];
    if (at > sheet.text.size() || std::string_view(sheet.text).substr(at, removed.size()) != removed)
        return std::nullopt;
    if (SheetSize::tooLargeToEdit(sheet.text)) return false;
    // Equal spans leave equal texts.
    if (unicode::canonicallyEqual(removed, inserted)) return true;

    // The history begins from the text before the change.
    history(sheet);
    std::optional<std::u16string> before;
    if (!sheet.lockedLines.empty()) before = unicode::toUtf16(sheet.text);
    sheet.text.replace(at, removed.size(), inserted);
    if (SheetSize::tooLargeToEdit(sheet.text)) {
        sheet.text.replace(at, inserted.size(), removed);
        return false;
    }
    if (before)
        sheet.lockedLines =
            LineEditor::remapLockedLines(sheet.lockedLines, *before, unicode::toUtf16(sheet.text));
    textTaken(sheet, origin);
    return true;
}

void DocumentStore::textTaken(Sheet& sheet, const QObject* origin) {
    sheet.updatedAt = stampAfter(sheet.updatedAt);
    history(sheet).record(SheetSnapshot{sheet.text, sheet.lockedLines}, now());
    textDidChange(sheet.id, origin);
}

void DocumentStore::selectionDidChange() {
    usingStarterDocument_ = false;
    startSelectionHistory();
    // Only the selection's history may have begun; a window moved off a sheet that went asks afresh.
    if (document_.selectedSheetID) emit undoStateChanged(*document_.selectedSheetID);
}

void DocumentStore::textDidChange(const Uuid& sheetID, const QObject* origin) {
    usingStarterDocument_ = false;
    emit sheetTextChanged(sheetID, origin);
    emit undoStateChanged(sheetID);
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
    emit sheetListChanged(SheetListChange::renamed(id, *index));
    usingStarterDocument_ = false;
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
    emit sheetListChanged(SheetListChange::moved(id, *from, target));
    usingStarterDocument_ = false;
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
    // An exchange is the sheet moved to the other's place, then the other moved to where it was.
    emit sheetListChanged(SheetListChange::moved(id, *from, to));
    if (to > *from + 1 || *from > to + 1) {
        const std::size_t other = to > *from ? to - 1 : to + 1;
        emit sheetListChanged(SheetListChange::moved(document_.sheets[*from].id, other, *from));
    }
    usingStarterDocument_ = false;
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
    emit sheetListChanged(SheetListChange::replaced());
    usingStarterDocument_ = false;
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
    emit sheetLocksChanged(sheetID);
    emit undoStateChanged(sheetID);
    usingStarterDocument_ = false;
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
    if (oldText == sheet.text) {
        // Only the locks went back.
        emit sheetLocksChanged(id);
        emit undoStateChanged(id);
        usingStarterDocument_ = false;
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
    emit sheetListChanged(SheetListChange::replaced());
    emit selectionChanged(document_.selectedSheetID);
    usingStarterDocument_ = false;
    publishUndoState();
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
    // Typing into a document without sheets would go nowhere.
    if (document.sheets.empty()) document = starterKeeping(std::move(document));
    std::unordered_map<Uuid, const Sheet*> before;
    before.reserve(document_.sheets.size());
    for (const Sheet& each : document_.sheets)
        before.emplace(each.id, &each);
    VellDocument former = std::exchange(document_, std::move(document));
    listDidChange();
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

} // namespace vell
