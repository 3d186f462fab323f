#include "Stores/SheetSession.h"

#include "Stores/DocumentStore.h"

namespace vell {

SheetSession::SheetSession(DocumentStore& store, std::optional<Uuid> sheetID, QObject* parent)
    : QObject(parent), store_(store), sheetID_(sheetID ? sheetID : store.currentSheetID()) {
    // Held weakly by the connection, which goes with the session; sessions refresh in the order they were
    // made.
    connect(&store_, &DocumentStore::sessionRefreshRequested, this, &SheetSession::refresh);
    refresh();
}

Sheet SheetSession::sheet() const {
    if (const Sheet* shown = store_.sheet(sheetID_)) return *shown;
    return store_.currentSheet();
}

std::int64_t SheetSession::calculatedLineCount() const {
    std::int64_t count = 0;
    for (const LineResult& result : results_)
        count += result.outcome.kind() == LineOutcome::Case::value;
    return count;
}

std::vector<PlotSpec> SheetSession::plots() const {
    std::vector<PlotSpec> out;
    for (const LineResult& result : results_)
        if (const PlotSpec* plot = result.outcome.as<PlotSpec>()) out.push_back(*plot);
    return out;
}

std::vector<SheetSession::NamedValue> SheetSession::namedValues() const {
    std::vector<NamedValue> out;
    for (std::size_t line = 0; line < results_.size(); ++line) {
        const LineResult& result = results_[line];
        if (const Value* value = result.outcome.as<Value>(); value && result.name)
            out.push_back({*result.name, *value, static_cast<std::int64_t>(line)});
    }
    return out;
}

void SheetSession::select(const Uuid& id) {
    if (!store_.sheet(id)) return;
    store_.setActiveSession(this);
    sheetID_ = id;
    emit sheetIDChanged();
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
            sheetID_ = store_.currentSheetID();
        else if (!store_.sheets().empty())
            sheetID_ = store_.sheets().front().id;
        else
            sheetID_ = std::nullopt;
        emit sheetIDChanged();
    }
    results_ = store_.currentEvaluation(sheetID_);
    emit resultsChanged();
}

} // namespace vell
