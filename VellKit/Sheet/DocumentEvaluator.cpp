#include "Sheet/DocumentEvaluator.h"

#include "Engine/Evaluator.h"
#include "Engine/L10n.h"
#include "Engine/LanguageWords.h"
#include "Engine/UnitRegistry.h"
#include "Sheet/ProgramRunner.h"
#include "Sheet/SheetText.h"
#include "Unicode/Unicode.h"

#include <algorithm>

namespace vell {

std::vector<LineResult> DocumentEvaluator::evaluate(std::string_view text,
                                                    std::span<const SharedSheet> others) {
    ProgramRunner runner(splitLines(text), others);
    return runner.run();
}

std::vector<LineResult> DocumentEvaluator::evaluateCached(std::string_view text,
                                                          std::span<const SharedSheet> others,
                                                          SheetEvaluationCache& cache) {
    return cache.evaluate(text, others);
}

std::string DocumentEvaluator::lineTooLongMessage() {
    return L10n::text("行が長すぎて計算できません", "The line is too long to calculate");
}

std::vector<std::string_view> DocumentEvaluator::splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t count = 1;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', end + 1))
        ++count;
    lines.reserve(count);
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string DocumentEvaluator::prepareLine(std::string_view text, const std::optional<Value>& previous) {
    while (text.ends_with("=") || text.ends_with("＝")) {
        text.remove_suffix(text.ends_with("=") ? 1 : std::string_view("＝").size());
        text = SheetText::trimmed(text);
    }
    if (text.empty() || !previous) return std::string(text);

    std::size_t afterFirst = 0;
    const char32_t first = unicode::decodeNext(text, afterFirst);
    const bool continues = continuationOperators().contains(first);
    const bool spacedContinues =
        spacedContinuationOperators().contains(first) && afterFirst < text.size() && text[afterFirst] == ' ';
    // The operator must be a whole character, not the base of a combined one.
    if (!(continues || spacedContinues) ||
        !(afterFirst == text.size() || static_cast<unsigned char>(text[afterFirst]) < 0x80 ||
          unicode::graphemeBoundaries(text)[1] == afterFirst))
        return std::string(text);
    std::string prepared;
    prepared.reserve(LanguageWords::previousWord.size() + 1 + text.size());
    prepared.append(LanguageWords::previousWord).append(" ").append(text);
    return prepared;
}

bool DocumentEvaluator::hasNoDigits(std::string_view text) {
    return SheetText::hasNoDigits(text);
}

bool DocumentEvaluator::isReservedWord(std::string_view name) {
    const auto& special = LanguageWords::specialNames;
    // Asked for every named line and every def: an ASCII name is compared without building its
    // lower-cased copy.
    if (unicode::isAscii(name)) {
        const auto lowerEquals = [name](std::string_view word) {
            if (word.size() != name.size()) return false;
            for (std::size_t i = 0; i < name.size(); ++i) {
                const char c =
                    name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
                if (c != word[i]) return false;
            }
            return true;
        };
        return std::any_of(special.begin(), special.end(), [&](const LanguageWords::SpecialName& entry) {
            return entry.word == name || lowerEquals(entry.word);
        });
    }
    return LanguageWords::specialRole(name) || LanguageWords::specialRole(unicode::toLower(name));
}

std::optional<std::string> DocumentEvaluator::functionNameProblem(std::string_view name) {
    const std::string written(name);
    const std::string lower = unicode::toLower(name);
    if (std::find(Evaluator::builtinNames.begin(), Evaluator::builtinNames.end(), lower) !=
        Evaluator::builtinNames.end())
        return L10n::text("「" + written + "」はもともとある関数なので使えません",
                          "“" + written + "” is a built-in function and can’t be used");
    if (Evaluator::constants().contains(written))
        return L10n::text("「" + written + "」は定数なので使えません",
                          "“" + written + "” is a constant and can’t be used");
    if (isReservedWord(name))
        return L10n::text("「" + written + "」はもともとある言葉なので使えません",
                          "“" + written + "” is a built-in word and can’t be used");
    if (UnitRegistry::isUnit(name))
        return L10n::text("「" + written + "」は単位なので使えません",
                          "“" + written + "” is a unit and can’t be used");
    return std::nullopt;
}

const std::unordered_set<char32_t>& DocumentEvaluator::continuationOperators() {
    static const std::unordered_set<char32_t> operators{U'*', U'/', U'^', U'×', U'÷', U'／', U'＊'};
    return operators;
}

const std::unordered_set<char32_t>& DocumentEvaluator::spacedContinuationOperators() {
    static const std::unordered_set<char32_t> operators{U'+', U'-', U'－', U'＋'};
    return operators;
}

} // namespace vell
