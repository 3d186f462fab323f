#include "Sheet/SheetEvaluationCache.h"

#include "Engine/L10n.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/ProgramRunner.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vell {

namespace {

// The settings as they are in force: the system language resolved to the one it means.
EngineSettings settingsInForce() {
    EngineSettings settings = EngineSettings::current();
    settings.language = L10n::isEnglish() ? AppLanguage::english : AppLanguage::japanese;
    return settings;
}

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool identicalUnits(const MeasureUnit& a, const MeasureUnit& b) {
    if (a.isIdentical(b)) return true;
    if (a.symbol() != b.symbol() || a.display() != b.display() || a.dimensions() != b.dimensions() ||
        !sameBits(a.factor(), b.factor()) || !sameBits(a.offset(), b.offset()) || a.tight() != b.tight())
        return false;
    const auto& left = a.components();
    const auto& right = b.components();
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](const auto& x, const auto& y) {
        return x.exponent == y.exponent && identicalUnits(x.unit, y.unit);
    });
}

} // namespace

bool SheetEvaluationCache::identical(const Value& a, const Value& b) {
    if (!sameBits(a.number, b.number) || a.isPercent != b.isPercent || a.kind.tag() != b.kind.tag() ||
        a.unit.has_value() != b.unit.has_value() || (a.unit && !identicalUnits(*a.unit, *b.unit)))
        return false;
    if (a.isText()) return a.textValue() == b.textValue();
    if (a.isList()) {
        const auto& left = a.items();
        const auto& right = b.items();
        if (&left == &right) return true;
        return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                          [](const Value& x, const Value& y) { return identical(x, y); });
    }
    return true;
}

bool SheetEvaluationCache::identical(const std::optional<Value>& a, const std::optional<Value>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || identical(*a, *b);
}

void SheetEvaluationCache::clear() {
    settings_.reset();
    lines_.clear();
    sharedPrefix_ = sharedSuffix_ = currentCount_ = 0;
    takenOver_ = 0;
    cutAt_.reset();
    wouldGetFurther_ = false;
    bySource_.reset();
    current_.clear();
    readings_.clear();
    currentReadings_.clear();
}

std::vector<LineResult> SheetEvaluationCache::evaluate(std::string_view text,
                                                       std::span<const SharedSheet> others) {
    const EngineSettings settings = settingsInForce();
    if (settings_ != settings) {
        // Messages, angles and the digits shown all follow the settings: nothing kept holds.
        clear();
        settings_ = settings;
    }

    const std::vector<std::string_view> lines = DocumentEvaluator::splitLines(text);
    std::vector<std::size_t> hashes;
    hashes.reserve(lines.size());
    for (const std::string_view line : lines)
        hashes.push_back(std::hash<std::string_view>{}(line));
    align(hashes);
    const bool sameText = sharedPrefix_ == lines.size() && lines_.size() == lines.size();
    current_.assign(lines.size(), nullptr);
    currentReadings_.clear();
    takenOver_ = 0;

    std::vector<LineResult> results;
    std::optional<std::size_t> cutAt;
    {
        ProgramRunner runner(lines, others, clock_, this);
        results = runner.run();
        cutAt = runner.ranOutOfTimeAt();
    }
    if (!cutAt) {
        wouldGetFurther_ = false;
    } else if (sameText && cutAt_) {
        wouldGetFurther_ = *cutAt > *cutAt_;
    } else {
        const auto kept =
            std::count_if(current_.begin(), current_.end(), [](const auto& line) { return line != nullptr; });
        wouldGetFurther_ = static_cast<std::size_t>(kept) > takenOver_;
    }
    cutAt_ = cutAt;

    lines_.clear();
    lines_.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        lines_.push_back({hashes[i], std::move(current_[i])});
    current_.clear();
    readings_ = std::move(currentReadings_);
    currentReadings_.clear();
    return results;
}

void SheetEvaluationCache::align(std::span<const std::size_t> lines) {
    const std::size_t shorter = std::min(lines.size(), lines_.size());
    std::size_t prefix = 0;
    while (prefix < shorter && lines[prefix] == lines_[prefix].hash)
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < shorter - prefix &&
           lines[lines.size() - 1 - suffix] == lines_[lines_.size() - 1 - suffix].hash)
        ++suffix;
    sharedPrefix_ = prefix;
    sharedSuffix_ = suffix;
    currentCount_ = lines.size();
    bySource_.reset();
}

std::optional<std::size_t> SheetEvaluationCache::previousIndex(std::size_t index) const {
    if (index < sharedPrefix_) return index;
    if (index < currentCount_ && currentCount_ - index <= sharedSuffix_)
        return lines_.size() - (currentCount_ - index);
    return std::nullopt;
}

std::shared_ptr<const RememberedLine> SheetEvaluationCache::recall(std::size_t index, std::string_view source,
                                                                   bool afterAnswer,
                                                                   const InputsHold& holds) {
    const auto fits = [&](const std::shared_ptr<const RememberedLine>& line) {
        return line && line->afterAnswer == afterAnswer && line->source == source && holds(line->inputs);
    };
    if (const auto previous = previousIndex(index)) {
        const auto& line = lines_[*previous].remembered;
        if (!fits(line)) return nullptr;
        ++takenOver_;
        return line;
    }
    if (!bySource_) {
        bySource_.emplace();
        // The previous lines outside the shared start and end: the others have their places.
        for (std::size_t i = sharedPrefix_; i + sharedSuffix_ < lines_.size(); ++i)
            if (const auto& line = lines_[i].remembered) (*bySource_)[line->source].push_back(i);
    }
    const auto found = bySource_->find(source);
    if (found == bySource_->end()) return nullptr;
    // The lines of that text nearest to the index: a line moved by an edit above it keeps its order
    // among the lines of its text.
    const std::vector<std::size_t>& indices = found->second;
    const auto position = static_cast<std::ptrdiff_t>(
        std::lower_bound(indices.begin(), indices.end(), index) - indices.begin());
    for (const std::ptrdiff_t offset : {0, -1, 1, -2}) {
        const std::ptrdiff_t at = position + offset;
        if (at < 0 || at >= static_cast<std::ptrdiff_t>(indices.size())) continue;
        const auto& line = lines_[indices[static_cast<std::size_t>(at)]].remembered;
        if (fits(line)) {
            ++takenOver_;
            return line;
        }
    }
    return nullptr;
}

void SheetEvaluationCache::remember(std::size_t index, std::shared_ptr<const RememberedLine> line) {
    if (index < current_.size()) current_[index] = std::move(line);
}

std::shared_ptr<const LineReading> SheetEvaluationCache::reading(std::string_view prepared) {
    if (const auto found = currentReadings_.find(prepared); found != currentReadings_.end())
        return found->second;
    std::shared_ptr<const LineReading> reading;
    if (const auto found = readings_.find(prepared); found != readings_.end())
        reading = found->second;
    else
        reading = std::make_shared<const LineReading>(ProgramRunner::read(prepared));
    // A reading that failed unexpectedly (out of memory, say) is tried again next time.
    if (reading->statement || reading->error) currentReadings_.emplace(std::string(prepared), reading);
    return reading;
}

} // namespace vell
