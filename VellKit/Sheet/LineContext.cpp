#include "Sheet/LineContext.h"

#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/LanguageWords.h"
#include "Unicode/Decimal.h"
#include "Unicode/Unicode.h"

#include <algorithm>

namespace vell {

namespace {

// Adds values[from...] onto `partial` (the running total on the left). False when an addition
// fails; `partial` then holds the total before the failing addition.
bool cannotAddUnits(const Value& a, const Value& b) {
    return a.isNumber() && b.isNumber() && !a.isPercent && !b.isPercent && a.unit && b.unit &&
           a.unit->dimensions() != b.unit->dimensions();
}

bool addOnto(std::optional<Value>& partial, std::span<const Value> values, std::size_t from) {
    for (std::size_t i = from; i < values.size(); ++i) {
        if (!partial) {
            partial = values[i];
            continue;
        }
        // Numbers whose units measure different things cannot be added; knowing it beforehand saves
        // the throw, which costs more than a whole line.
        if (cannotAddUnits(*partial, values[i])) return false;
        try {
            partial = Value::add(*partial, values[i]);
        } catch (const CalcError&) {
            return false;
        }
    }
    return true;
}

// Whether every scalar of the name is ASCII, a CJK unified ideograph, or kana without a combining
// mark: each stays in NFC whatever surrounds it and combines with nothing before it, so the name is
// its own NFC. Most Japanese names are, and are then looked up without a copy.
bool isOwnNfc(std::string_view name) {
    for (std::size_t i = 0; i < name.size();) {
        if (static_cast<unsigned char>(name[i]) < 0x80) {
            ++i;
            continue;
        }
        const char32_t c = unicode::decodeNext(name, i);
        const bool ideograph = c >= 0x4E00 && c <= 0x9FFF;
        const bool hiragana = c >= 0x3041 && c <= 0x3096;
        const bool katakana = c >= 0x30A1 && c <= 0x30FA;
        if (!ideograph && !hiragana && !katakana) return false;
    }
    return true;
}

// Runs f with the NFC form of the name; ASCII names are their own NFC.
template <typename F>
auto withCanonical(std::string_view name, F&& f) {
    if (unicode::isAscii(name) || isOwnNfc(name)) return f(name);
    const std::string canonical = unicode::nfc(name);
    return f(std::string_view(canonical));
}

const Value* findInScope(const LineContext::Scope& scope, std::string_view name) {
    for (const auto& [bound, value] : scope)
        if (bound == name) return &value;
    return nullptr;
}

void bindInScope(LineContext::Scope& scope, std::string_view name, Value value) {
    for (auto& [bound, existing] : scope)
        if (bound == name) {
            existing = std::move(value);
            return;
        }
    scope.emplace_back(std::string(name), std::move(value));
}

} // namespace

RunningSum RunningSum::settled() {
    bool failed = false;
    total(failed);
    RunningSum sum;
    sum.partial_ = partial_;
    sum.failed_ = failed_;
    return sum;
}

void RunningSum::clear() {
    values_.clear();
    added_ = 0;
    partial_.reset();
    failed_ = false;
}

std::optional<Value> RunningSum::total(bool& failed) {
    if (!failed_ && added_ < values_.size()) {
        failed_ = !addOnto(partial_, values_, added_);
        added_ = values_.size();
    }
    if (failed_) {
        failed = true;
        return std::nullopt;
    }
    return partial_;
}

LineContext::LineContext(ProgramBudget::ClockSource clock) : budget(std::move(clock)) {}

std::optional<Value> LineContext::lookupName(std::string_view name) {
    return withCanonical(name, [this](std::string_view canonical) { return lookupCanonical(canonical); });
}

std::optional<Value> LineContext::lookupCanonical(std::string_view name) {
    if (!locals.empty())
        if (const Value* local = findInScope(locals.back(), name)) return *local;
    if (const auto role = LanguageWords::specialRole(name)) {
        switch (*role) {
        case LanguageWords::SpecialRole::previousAnswer:
            return previous;
        case LanguageWords::SpecialRole::blockSum:
            return runningSum(block);
        case LanguageWords::SpecialRole::sheetTotal:
            return runningSum(all);
        }
    }
    // A transparent look-up hashes the name even in an empty map, and most sheets name few lines.
    if (!names.empty())
        if (const auto found = names.find(name); found != names.end()) return found->second;
    if (resumedNames_ && !resumedNames_->empty())
        if (const auto found = resumedNames_->find(name); found != resumedNames_->end()) return found->second;
    return std::nullopt;
}

std::optional<Value> LineContext::runningSum(RunningSum& sum) {
    bool failed = false;
    std::optional<Value> total = sum.total(failed);
    if (failed) mixedUnits = true;
    return total;
}

std::optional<Value> LineContext::sumValues(std::span<const Value> values) {
    std::optional<Value> total;
    if (!addOnto(total, values, 0)) {
        mixedUnits = true;
        return std::nullopt;
    }
    return total;
}

void LineContext::assign(std::string_view name, Value value) {
    withCanonical(name, [&](std::string_view canonical) {
        if (!locals.empty()) {
            bindInScope(locals.back(), canonical, std::move(value));
        } else if (const auto found = names.find(canonical); found != names.end()) {
            found->second = std::move(value);
        } else {
            names.emplace(std::string(canonical), std::move(value));
        }
        return 0;
    });
}

std::optional<Value> LineContext::lineValue(std::int64_t line) {
    if (line < 1) return std::nullopt;
    const auto at = static_cast<std::uint64_t>(line);
    // Every line stored holds a value: an empty place is one this evaluation did not store.
    if (at < byLine_.size() && byLine_[at]) return byLine_[at];
    if (resumedLines_ && at < resumedLines_->size()) return (*resumedLines_)[at];
    return std::nullopt;
}

void LineContext::recordLine(std::int64_t line, Value value) {
    if (line < 1) return;
    const auto at = static_cast<std::size_t>(line);
    // Every line's place is made with the first: a line past them has no value either way.
    if (at >= byLine_.size()) byLine_.resize(std::max(expectedLines_, at) + 1);
    byLine_[at] = std::move(value);
}

LineContext::State LineContext::state() {
    State state;
    if (names.empty()) {
        state.names = resumedNames_;
    } else {
        auto merged = std::make_shared<NameMap<Value>>(resumedNames_ ? *resumedNames_ : NameMap<Value>());
        for (const auto& [name, value] : names)
            merged->insert_or_assign(name, value);
        state.names = std::move(merged);
    }
    state.previous = previous;
    state.block = block.settled();
    state.all = all.settled();
    state.functions = functions;
    auto lines = std::make_shared<std::vector<std::optional<Value>>>(
        resumedLines_ ? *resumedLines_ : std::vector<std::optional<Value>>());
    if (lines->size() < byLine_.size()) lines->resize(byLine_.size());
    for (std::size_t i = 0; i < byLine_.size(); ++i)
        if (byLine_[i]) (*lines)[i] = byLine_[i];
    state.lineValues = std::move(lines);
    state.steps = budget.steps();
    return state;
}

void LineContext::resume(const State& state) {
    names.clear();
    resumedNames_ = state.names;
    previous = state.previous;
    block = state.block;
    all = state.all;
    mixedUnits = false;
    functions = state.functions;
    locals.clear();
    byLine_.clear();
    resumedLines_ = state.lineValues;
    budget.resumeSteps(state.steps);
}

std::string LineContext::sheetSuffix(std::string_view home) {
    const std::string sheet(home);
    return L10n::text("（" + sheet + " シートの）", " (from sheet “" + sheet + "”)");
}

std::optional<Value> LineContext::callUserFunction(std::string_view name,
                                                   const std::vector<Value>& arguments) {
    return withCanonical(
        name, [&](std::string_view canonical) { return callCanonical(canonical, name, arguments); });
}

std::optional<Value> LineContext::callCanonical(std::string_view name, std::string_view written,
                                                const std::vector<Value>& arguments) {
    const ProgramFunction* function = findFunction ? findFunction(name) : nullptr;
    if (!function && !functions.empty()) {
        const auto found = functions.find(name);
        if (found != functions.end()) function = &found->second;
    }
    if (!function || !runFunction) return std::nullopt;

    if (arguments.size() != function->params.size()) {
        const std::string count = decimal(function->params.size());
        const std::string suffix = function->home ? sheetSuffix(*function->home) : std::string();
        const std::string shown(written);
        throw CalcError(L10n::text(suffix + shown + " は引数が " + count + " つ必要です",
                                   shown + suffix + " needs " + count + " argument(s)"));
    }

    budget.enter();
    struct CallGuard {
        LineContext& context;
        bool pushed = false;
        ~CallGuard() {
            if (pushed) context.locals.pop_back();
            context.budget.leave();
        }
    } guard{*this};

    Scope scope;
    scope.reserve(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i)
        bindInScope(scope, function->params[i], arguments[i]);
    locals.push_back(std::move(scope));
    guard.pushed = true;
    return runFunction(*function);
}

} // namespace vell
