#include "Sheet/SheetEvaluationCache.h"

#include "Engine/L10n.h"
#include "Engine/LanguageWords.h"
#include "Sheet/Program.h"
#include "Sheet/ProgramRunner.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

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

// The text's lines, as DocumentEvaluator::splitLines gives them; about `expected` of them.
std::vector<std::string_view> splitLines(std::string_view text, std::size_t expected) {
    std::vector<std::string_view> lines;
    lines.reserve(expected + 1);
    const char* const end = text.data() + text.size();
    const char* start = text.data();
    while (const void* found = std::memchr(start, '\n', static_cast<std::size_t>(end - start))) {
        const char* const lineEnd = static_cast<const char*>(found);
        lines.emplace_back(start, static_cast<std::size_t>(lineEnd - start));
        start = lineEnd + 1;
    }
    lines.emplace_back(start, static_cast<std::size_t>(end - start));
    return lines;
}

// The nearest line at or above the changed one that starts a top-level node: an evaluation that goes
// on from a point at or above it can take a point there. The lines above it are as they were, and so
// is every node they make.
std::size_t resumableLine(std::size_t changed, std::span<const std::string_view> lines) {
    for (std::size_t line = changed; line > 0; --line)
        if (Program::startsTopLevelNode(lines[line])) return line;
    return 0;
}

// How many bytes the two texts begin with alike; compared a block at a time.
std::size_t commonPrefix(std::string_view a, std::string_view b) {
    const std::size_t shorter = std::min(a.size(), b.size());
    constexpr std::size_t block = 256;
    std::size_t same = 0;
    while (same + block <= shorter && std::memcmp(a.data() + same, b.data() + same, block) == 0)
        same += block;
    while (same < shorter && a[same] == b[same])
        ++same;
    return same;
}

// How many bytes, at most `reach`, the two texts end with alike.
std::size_t commonSuffix(std::string_view a, std::string_view b, std::size_t reach) {
    reach = std::min({reach, a.size(), b.size()});
    constexpr std::size_t block = 256;
    std::size_t same = 0;
    while (same + block <= reach &&
           std::memcmp(a.data() + a.size() - same - block, b.data() + b.size() - same - block, block) == 0)
        same += block;
    while (same < reach && a[a.size() - 1 - same] == b[b.size() - 1 - same])
        ++same;
    return same;
}

// A sheet as the sheet's calls of other sheets' functions see it.
struct Offer {
    std::string_view name;
    std::string_view text;
};

// What the other sheets offer the sheet's calls: the sheets that may define functions, in order, and
// the others of their names without their texts, since a function looks for the functions of its own
// sheet in the first sheet of that name. A sheet without "def" defines none.
std::vector<Offer> offered(std::span<const SharedSheet> others) {
    std::vector<bool> defines(others.size());
    std::vector<std::string_view> names;
    for (std::size_t i = 0; i < others.size(); ++i)
        if ((defines[i] = others[i].text.find(LanguageWords::defWord) != std::string::npos))
            names.push_back(others[i].name);
    std::vector<Offer> offers;
    if (names.empty()) return offers;
    for (std::size_t i = 0; i < others.size(); ++i) {
        if (defines[i])
            offers.push_back({others[i].name, others[i].text});
        else if (std::find(names.begin(), names.end(), others[i].name) != names.end())
            offers.push_back({others[i].name, {}});
    }
    return offers;
}

bool sameOffers(const std::vector<Offer>& a, const std::vector<SharedSheet>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Offer& x, const SharedSheet& y) {
        return x.name == y.name && x.text == y.text;
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
    text_.clear();
    lines_.clear();
    sharedPrefix_ = sharedSuffix_ = currentCount_ = 0;
    start_ = 0;
    takenOver_ = 0;
    cutAt_.reset();
    wouldGetFurther_ = false;
    bySource_.reset();
    current_.clear();
    readings_.clear();
    currentReadings_.clear();
    point_.reset();
    pointOffers_.clear();
}

std::vector<LineResult> SheetEvaluationCache::evaluate(std::string_view text,
                                                       std::span<const SharedSheet> others) {
    const EngineSettings settings = settingsInForce();
    if (settings_ != settings) {
        // Messages, angles and the digits shown all follow the settings: nothing kept holds.
        clear();
        settings_ = settings;
    }

    // Where an earlier evaluation stood, held here while this one runs, so that none that no longer
    // holds is left behind should it fail.
    std::optional<SheetResumePoint> point = std::move(point_);
    point_.reset();

    // The evaluation reads its own copy of the text. The bytes above the first change stay where they
    // are, and so do the views into them that the functions kept with the point hold.
    const bool sameText = !lines_.empty() && text == text_;
    std::size_t same = text.size();
    std::size_t sameEnd = 0;
    if (!sameText) {
        same = lines_.empty() ? 0 : commonPrefix(text_, text);
        if (!lines_.empty()) {
            // Back at most to the line break before the line that holds the first change.
            const std::size_t changedAt = text.substr(0, same).rfind('\n') + 1;
            sameEnd = commonSuffix(text_, text,
                                   std::min(text_.size(), text.size()) - (changedAt > 0 ? changedAt - 1 : 0));
        }
        if (text.size() > text_.capacity()) {
            // Room to type into: the text moves seldom, and each move makes the next key start afresh.
            text_.reserve(text.size() + text.size() / 2);
            point.reset();
        }
        text_.resize(text.size());
        std::memcpy(text_.data() + same, text.data() + same, text.size() - same);
    }
    const std::vector<std::string_view> lines = splitLines(text_, lines_.size());
    std::size_t changed = 0;
    if (sameText) {
        sharedPrefix_ = lines.size();
        sharedSuffix_ = 0;
        currentCount_ = lines.size();
        bySource_.reset();
    } else {
        changed = align(lines, same, sameEnd);
    }

    // Where to go on from, and where to take the point to go on from next time: the start of the
    // top-level block that holds the edit, since the next key most likely edits it again.
    const std::size_t takeAt = sameText || lines_.empty() ? 0 : resumableLine(changed, lines);
    if (point && ((!sameText && point->line > takeAt) || point->line >= lines.size() ||
                  (point->readOthers && !sameOffers(offered(others), pointOffers_))))
        point.reset();
    const SheetResumePoint* from = point ? &*point : nullptr;

    start_ = from ? from->line : 0;
    current_.assign(lines.size() - start_, nullptr);
    currentReadings_.clear();
    takenOver_ = 0;

    std::vector<LineResult> results;
    std::optional<std::size_t> cutAt;
    std::optional<SheetResumePoint> taken;
    {
        ProgramRunner runner(lines, others, clock_, this);
        runner.resume(from, takeAt);
        results = runner.run();
        cutAt = runner.ranOutOfTimeAt();
        taken = runner.takenPoint();
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

    // The lines above the start are those of the previous text, in their places.
    lines_.resize(start_);
    lines_.reserve(lines.size());
    std::move(current_.begin(), current_.end(), std::back_inserter(lines_));
    current_.clear();
    readings_ = std::move(currentReadings_);
    currentReadings_.clear();
    if (taken) {
        point = std::move(taken);
        pointOffers_.clear();
        if (point->readOthers)
            for (const Offer& offer : offered(others))
                pointOffers_.push_back({std::string(offer.name), std::string(offer.text)});
    }
    point_ = std::move(point);
    return results;
}

std::size_t SheetEvaluationCache::align(std::span<const std::string_view> lines, std::size_t same,
                                        std::size_t sameEnd) {
    currentCount_ = lines.size();
    bySource_.reset();
    if (lines_.empty()) {
        sharedPrefix_ = sharedSuffix_ = 0;
        return 0;
    }
    const auto offset = [&](std::string_view line) {
        return static_cast<std::size_t>(line.data() - text_.data());
    };
    // The line that holds the first byte that differs; the lines above it, their line breaks with
    // them, are the same.
    const auto holding =
        std::upper_bound(lines.begin(), lines.end(), same,
                         [&](std::size_t at, std::string_view line) { return at < offset(line); });
    const std::size_t changed = static_cast<std::size_t>(holding - lines.begin()) - 1;
    sharedPrefix_ = changed;
    // Every line that starts after a line break among the same bytes at the end is the same, and so is
    // its place from the end.
    const auto firstShared =
        std::upper_bound(lines.begin() + 1, lines.end(), text_.size() - sameEnd,
                         [&](std::size_t at, std::string_view line) { return at < offset(line); });
    sharedSuffix_ = static_cast<std::size_t>(lines.end() - firstShared);
    sharedSuffix_ = std::min(sharedSuffix_, std::min(lines.size(), lines_.size()) - sharedPrefix_);
    return changed;
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
        const auto& line = lines_[*previous];
        if (!fits(line)) return nullptr;
        ++takenOver_;
        return line;
    }
    if (!bySource_) {
        bySource_.emplace();
        // The previous lines outside the shared start and end: the others have their places.
        for (std::size_t i = sharedPrefix_; i + sharedSuffix_ < lines_.size(); ++i)
            if (const auto& line = lines_[i]) (*bySource_)[line->source].push_back(i);
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
        const auto& line = lines_[indices[static_cast<std::size_t>(at)]];
        if (fits(line)) {
            ++takenOver_;
            return line;
        }
    }
    return nullptr;
}

void SheetEvaluationCache::remember(std::size_t index, std::shared_ptr<const RememberedLine> line) {
    if (index >= start_ && index - start_ < current_.size()) current_[index - start_] = std::move(line);
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
