#include "Stores/SheetSession.h"

#include "Stores/DocumentStore.h"
#include "Stores/SheetEvaluations.h"

#include <algorithm>

namespace vell {

SheetSession::SheetSession(DocumentStore& store, SheetEvaluations& evaluations, std::optional<Uuid> sheetID,
                           QObject* parent)
    : QObject(parent), store_(store), evaluations_(evaluations),
      sheetID_(sheetID ? sheetID : store.currentSheetID()) {
    // Held weakly by the connections, which go with the session.
    connect(&store_, &DocumentStore::sheetTextChanged, this, [this](const Uuid& id, const QObject* origin) {
        if (id == sheetID_) emit sheetChanged(origin == this);
    });
    connect(&store_, &DocumentStore::sheetLocksChanged, this, [this](const Uuid& id) {
        if (id == sheetID_) emit sheetChanged(false);
    });
    connect(&store_, &DocumentStore::sheetListChanged, this, &SheetSession::listChanged);
    connect(&evaluations_, &SheetEvaluations::resultsChanged, this, [this](const Uuid& id) {
        if (id == sheetID_) refresh();
    });
    connect(&store_, &DocumentStore::undoStateChanged, this, [this](const Uuid& id) {
        if (id == sheetID_) emit undoStateChanged();
    });
    connect(&store_, &DocumentStore::caretRequested, this, [this](const Uuid& id, std::int64_t caret) {
        if (id == sheetID_) emit caretRequested(caret);
    });
    refresh();
}

Sheet SheetSession::sheet() const {
    if (const Sheet* shown = store_.sheet(sheetID_)) return *shown;
    return store_.currentSheet();
}

std::int64_t SheetSession::calculatedLineCount() const {
    std::int64_t count = 0;
    for (const LineResult& result : *results_)
        count += result.outcome.kind() == LineOutcome::Case::value;
    return count;
}

bool SheetSession::hasPlots() const {
    return std::any_of(results_->begin(), results_->end(),
                       [](const LineResult& result) { return result.outcome.as<PlotSpec>() != nullptr; });
}

std::vector<SheetSession::NamedValue> SheetSession::namedValues() const {
    std::vector<NamedValue> out;
    for (std::size_t line = 0; line < results_->size(); ++line) {
        const LineResult& result = (*results_)[line];
        if (const Value* value = result.outcome.as<Value>(); value && result.name)
            out.push_back({*result.name, *value, static_cast<std::int64_t>(line)});
    }
    return out;
}

void SheetSession::setSheetID(std::optional<Uuid> id) {
    sheetID_ = id;
    emit sheetIDChanged();
    emit undoStateChanged();
}

void SheetSession::select(const Uuid& id) {
    if (!store_.sheet(id)) return;
    store_.setActiveSession(this);
    setSheetID(id);
    store_.setCurrentSheetID(id);
    refresh();
}

void SheetSession::focus() {
    store_.setActiveSession(this);
    if (!sheetID_) return;
    if (sheetID_ != store_.currentSheetID()) store_.setCurrentSheetID(sheetID_);
}

void SheetSession::refresh() {
    if (!store_.sheet(sheetID_)) {
        if (store_.currentSheetID())
            setSheetID(store_.currentSheetID());
        else if (!store_.sheets().empty())
            setSheetID(store_.sheets().front().id);
        else
            setSheetID(std::nullopt);
    }
    results_ = evaluations_.sharedResults(sheetID_);
    emit resultsChanged();
}

void SheetSession::listChanged(const SheetListChange& change) {
    // Only a sheet that went takes the window elsewhere.
    using Kind = SheetListChange::Kind;
    if (change.kind != Kind::removed && change.kind != Kind::replaced) return;
    if (change.kind == Kind::removed && change.sheetID != sheetID_) return;
    if (!store_.sheet(sheetID_)) refresh();
}

bool SheetSession::setText(std::string_view text) {
    return !sheetID_ || store_.setText(*sheetID_, text, this);
}

std::optional<bool> SheetSession::replaceText(std::size_t at, std::string_view removed,
                                              std::string_view inserted) {
    if (!sheetID_) return true;
    return store_.replaceText(*sheetID_, at, removed, inserted, this);
}

bool SheetSession::setTextNaming(std::string_view text) {
    return !sheetID_ || store_.setTextNaming(*sheetID_, text, this);
}

void SheetSession::toggleLock(std::int64_t line) {
    if (sheetID_) store_.toggleLock(*sheetID_, line);
}

std::optional<std::string> SheetSession::setName(std::int64_t line, std::string_view name) {
    if (!sheetID_) return std::nullopt;
    return store_.setName(*sheetID_, line, name);
}

void SheetSession::undo() {
    if (sheetID_) store_.undo(*sheetID_);
}

void SheetSession::redo() {
    if (sheetID_) store_.redo(*sheetID_);
}

bool SheetSession::canUndo() const {
    return sheetID_ && store_.canUndo(*sheetID_);
}

bool SheetSession::canRedo() const {
    return sheetID_ && store_.canRedo(*sheetID_);
}

void SheetSession::requestClear() {
    if (sheetID_) store_.requestClearSheet(*sheetID_);
}

void SheetSession::addSheet() {
    select(store_.addSheet());
}

void SheetSession::duplicateSheet(const Uuid& id) {
    if (const auto copy = store_.duplicateSheet(id)) select(*copy);
}

} // namespace vell
