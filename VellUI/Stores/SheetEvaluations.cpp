#include "Stores/SheetEvaluations.h"

#include "Document/SheetSize.h"
#include "Engine/L10n.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/SharedDefinitions.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"

#include <utility>

namespace vell {

SheetEvaluations::SheetEvaluations(DocumentStore& store, AppSettings& settings, Services services,
                                   QObject* parent)
    : QObject(parent), store_(store), evaluator_(std::move(services.evaluator)),
      evaluationClock_(std::move(services.evaluationClock)) {
    fillInTimer_.setSingleShot(true);
    fillInTimer_.setInterval(fillInDelay);
    // A sheet the time limit cut short gets further at each evaluation, since the lines it kept cost
    // next to nothing the next time: it is asked for again soon, round after round with keys and paints
    // in between, until it is complete or a round gets no further.
    connect(&fillInTimer_, &QTimer::timeout, this, [this] {
        if (!fillInSheetID_ || !store_.sheet(fillInSheetID_)) return;
        const Uuid id = *fillInSheetID_;
        if (auto found = kept_.find(id); found != kept_.end()) found->second.stale = true;
        emit resultsChanged(id);
    });
    readEveryOffer();
    connect(&store_, &DocumentStore::sheetTextChanged, this,
            [this](const Uuid& id, const QObject*) { textChanged(id); });
    connect(&store_, &DocumentStore::sheetListChanged, this, &SheetEvaluations::listChanged);
    // The answers and messages follow the language, angle unit and fraction digits at once.
    connect(&settings, &AppSettings::engineSettingsChanged, this, &SheetEvaluations::announceKept);
}

SheetEvaluations::SheetEvaluations(DocumentStore& store, AppSettings& settings, QObject* parent)
    : SheetEvaluations(store, settings, Services{}, parent) {}

SheetEvaluations::~SheetEvaluations() = default;

SheetEvaluations::Inputs SheetEvaluations::inputs() const {
    EngineSettings engine = EngineSettings::current();
    // A change of the system's language counts; a change between a language and the system setting that
    // resolves to it does not.
    engine.language = L10n::isEnglish() ? AppLanguage::english : AppLanguage::japanese;
    return {sharedVersion_, engine};
}

const Sheet* SheetEvaluations::target(std::optional<Uuid> sheetID) const {
    if (const Sheet* sheet = store_.sheet(sheetID)) return sheet;
    if (const Sheet* selected = store_.sheet(store_.currentSheetID())) return selected;
    return store_.sheets().empty() ? nullptr : &store_.sheets().front();
}

SheetEvaluations::Results SheetEvaluations::sharedResults(std::optional<Uuid> sheetID) const {
    const Sheet* sheet = target(sheetID);
    if (!sheet) {
        static const Results none =
            std::make_shared<const std::vector<LineResult>>(DocumentEvaluator::evaluate(std::string_view()));
        return none;
    }
    Kept& kept = kept_[sheet->id];
    const Inputs now = inputs();
    if (kept.results && !kept.stale && kept.inputs == now) return kept.results;
    bool unfinished = false;
    kept.results = std::make_shared<const std::vector<LineResult>>(evaluate(*sheet, unfinished));
    kept.inputs = now;
    kept.stale = false;
    // A key evaluates at once and decides again.
    if (unfinished) {
        fillInSheetID_ = sheet->id;
        fillInTimer_.start();
    } else if (fillInSheetID_ == sheet->id) {
        fillInSheetID_.reset();
        fillInTimer_.stop();
    }
    return kept.results;
}

std::vector<LineResult> SheetEvaluations::evaluate(const Sheet& sheet, bool& unfinished) const {
    unfinished = false;
    // Shown read-only and never evaluated.
    if (SheetSize::tooLargeToEdit(sheet.text)) return {};
    const std::vector<SharedSheet> shared = others(sheet.id);
    if (evaluator_) return evaluator_(sheet.text, shared);
    // A key then evaluates only the lines it changed and those that read them.
    SheetEvaluationCache& cache = caches_.try_emplace(sheet.id, evaluationClock_).first->second;
    std::vector<LineResult> results = DocumentEvaluator::evaluateCached(sheet.text, shared, cache);
    unfinished = cache.wouldGetFurther();
    return results;
}

std::vector<SharedSheet> SheetEvaluations::others(const Uuid& sheetID) const {
    if (!offerOrder_) {
        // Sheets without functions offer nothing: only the few that define some are passed on.
        std::vector<Uuid> order;
        if (!offers_.empty())
            for (const Sheet& sheet : store_.sheets())
                if (offers_.count(sheet.id)) order.push_back(sheet.id);
        offerOrder_ = std::move(order);
    }
    std::vector<SharedSheet> shared;
    shared.reserve(offerOrder_->size());
    for (const Uuid& id : *offerOrder_)
        if (id != sheetID)
            if (const Sheet* sheet = store_.sheet(id))
                shared.push_back(SharedSheet{sheet->name, sheet->text});
    return shared;
}

bool SheetEvaluations::readOffer(const Sheet& sheet) {
    std::string outline =
        SheetSize::tooLargeToEdit(sheet.text) ? std::string() : SharedDefinitions::outline(sheet.text);
    if (outline.empty()) {
        if (!offers_.erase(sheet.id)) return false;
        offerOrder_.reset();
        return true;
    }
    // The sheet's name is where its functions come from, which messages name.
    outline.insert(0, sheet.name + '\n');
    auto [place, added] = offers_.try_emplace(sheet.id, outline);
    if (added) {
        offerOrder_.reset();
        return true;
    }
    if (place->second == outline) return false;
    place->second = std::move(outline);
    return true;
}

bool SheetEvaluations::readEveryOffer() {
    // The order counts: a function defined on two sheets is taken from the earlier one. Without the
    // former order at hand, two sheets that offer functions may have changed places.
    std::vector<std::pair<Uuid, std::string>> before;
    bool unknownOrder = !offerOrder_ && offers_.size() > 1;
    if (offerOrder_)
        for (const Uuid& id : *offerOrder_)
            before.emplace_back(id, offers_.at(id));
    else
        for (auto& [id, outline] : offers_)
            before.emplace_back(id, std::move(outline));
    offers_.clear();
    offerOrder_.reset();
    std::vector<std::pair<Uuid, std::string>> after;
    for (const Sheet& sheet : store_.sheets())
        if (readOffer(sheet)) after.emplace_back(sheet.id, offers_.at(sheet.id));
    return unknownOrder || before != after;
}

void SheetEvaluations::textChanged(const Uuid& sheetID) {
    const Sheet* sheet = store_.sheet(sheetID);
    if (!sheet) return;
    if (readOffer(*sheet)) {
        // The functions another sheet may call changed: every kept answer may have.
        invalidateAll();
        return;
    }
    if (auto found = kept_.find(sheetID); found != kept_.end()) found->second.stale = true;
    emit resultsChanged(sheetID);
}

void SheetEvaluations::listChanged(const SheetListChange& change) {
    using Kind = SheetListChange::Kind;
    switch (change.kind) {
    case Kind::added:
        if (const Sheet* sheet = store_.sheet(change.sheetID); sheet && readOffer(*sheet)) invalidateAll();
        // Only its place in the order of the sheets that offer functions is new.
        offerOrder_.reset();
        return;
    case Kind::removed:
        kept_.erase(change.sheetID);
        caches_.erase(change.sheetID);
        if (fillInSheetID_ == change.sheetID) fillInSheetID_.reset();
        if (offers_.erase(change.sheetID)) {
            offerOrder_.reset();
            invalidateAll();
        }
        return;
    case Kind::moved:
        // A function defined on two sheets is taken from the earlier one.
        offerOrder_.reset();
        if (offers_.count(change.sheetID) && offers_.size() > 1) invalidateAll();
        return;
    case Kind::renamed:
        if (const Sheet* sheet = store_.sheet(change.sheetID); sheet && readOffer(*sheet)) invalidateAll();
        return;
    case Kind::replaced:
        std::erase_if(kept_, [this](const auto& entry) { return !store_.sheet(entry.first); });
        std::erase_if(caches_, [this](const auto& entry) { return !store_.sheet(entry.first); });
        if (fillInSheetID_ && !store_.sheet(fillInSheetID_)) fillInSheetID_.reset();
        if (readEveryOffer()) invalidateAll();
        return;
    }
}

void SheetEvaluations::invalidateAll() {
    ++sharedVersion_;
    announceKept();
}

void SheetEvaluations::announceKept() {
    std::vector<Uuid> ids;
    ids.reserve(kept_.size());
    for (const auto& [id, kept] : kept_)
        ids.push_back(id);
    for (const Uuid& id : ids)
        emit resultsChanged(id);
}

} // namespace vell
