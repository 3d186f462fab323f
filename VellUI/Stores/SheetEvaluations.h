#pragma once

// Each sheet's answers, evaluated when a window asks for them and kept until they may have changed: the
// sheet's text, the functions the other sheets offer it, or the engine settings. It listens to the
// document store and says which sheet's answers to ask for again. Main thread only.

#ifndef Q_MOC_RUN
// moc cannot read the standard headers these pull in; it needs nothing from them.
#include "Document/Uuid.h"
#include "Engine/EngineSettings.h"
#include "Sheet/LineResult.h"
#include "Sheet/ProgramBudget.h"
#include "Sheet/SharedSheet.h"
#include "Sheet/SheetEvaluationCache.h"
#include "Stores/SheetListChange.h"
#endif

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vell {

class AppSettings;
class DocumentStore;
struct Sheet;

class SheetEvaluations : public QObject {
    Q_OBJECT

public:
    using Results = std::shared_ptr<const std::vector<LineResult>>;

    // What the evaluations work with, for tests and benchmarks to replace.
    struct Services {
        // How a sheet is evaluated; none means DocumentEvaluator::evaluateCached, with a cache for each
        // sheet.
        std::function<std::vector<LineResult>(std::string_view, std::span<const SharedSheet>)> evaluator = {};
        // The clock each evaluation's time limit reads; none means the steady clock.
        ProgramBudget::ClockSource evaluationClock = {};
    };

    // The store and the settings must outlive this object.
    SheetEvaluations(DocumentStore& store, AppSettings& settings, Services services,
                     QObject* parent = nullptr);
    SheetEvaluations(DocumentStore& store, AppSettings& settings, QObject* parent = nullptr);
    ~SheetEvaluations() override;

    // The answers of that sheet (the selected one, else the first, when the id names none), one result per
    // line: kept ones while they hold, made now otherwise. A sheet too large to edit has none. The
    // reference holds until the sheet is evaluated again.
    const std::vector<LineResult>& results(std::optional<Uuid> sheetID) const {
        return *sharedResults(sheetID);
    }
    // The same, shared, for a holder that keeps them past the next change.
    Results sharedResults(std::optional<Uuid> sheetID) const;

signals:
    // The answers of that sheet may have changed since they were last asked for: ask again.
    void resultsChanged(const vell::Uuid& sheetID);

private:
    // Everything the answers of a sheet depend on besides its text.
    struct Inputs {
        // Bumped whenever a sheet offers other functions than before.
        std::uint64_t sharedVersion = 0;
        EngineSettings engine;

        friend bool operator==(const Inputs&, const Inputs&) = default;
    };
    struct Kept {
        Results results;
        Inputs inputs;
        // The sheet's text changed since.
        bool stale = false;
    };

    Inputs inputs() const;
    // That sheet, else the selected one, else the first one; none without sheets.
    const Sheet* target(std::optional<Uuid> sheetID) const;
    std::vector<LineResult> evaluate(const Sheet& sheet, bool& unfinished) const;
    // The other sheets that offer functions, in document order.
    std::vector<SharedSheet> others(const Uuid& sheetID) const;

    void textChanged(const Uuid& sheetID);
    void listChanged(const SheetListChange& change);
    // Reads again what that sheet offers the others; true when it changed.
    bool readOffer(const Sheet& sheet);
    // True when any sheet offers other functions than before, or in another order.
    bool readEveryOffer();
    // Everything kept is to be asked for again.
    void invalidateAll();
    void announceKept();

    DocumentStore& store_;
    std::function<std::vector<LineResult>(std::string_view, std::span<const SharedSheet>)> evaluator_;
    ProgramBudget::ClockSource evaluationClock_;

    mutable std::unordered_map<Uuid, Kept> kept_;
    // Each sheet's previous evaluation, kept while the sheet exists (used when no evaluator was given).
    mutable std::unordered_map<Uuid, SheetEvaluationCache> caches_;
    // What each sheet that defines functions offers the others (its outline), and their order.
    std::unordered_map<Uuid, std::string> offers_;
    mutable std::optional<std::vector<Uuid>> offerOrder_;
    std::uint64_t sharedVersion_ = 0;

    static constexpr std::chrono::milliseconds fillInDelay{10};
    // A sheet the time limit cut short is asked for again soon (see sharedResults): the last such sheet.
    mutable QTimer fillInTimer_;
    mutable std::optional<Uuid> fillInSheetID_;
};

} // namespace vell
