#include "Engine/LanguageWords.h"

#include <unordered_set>

namespace vell {

namespace {

template <std::size_t N>
std::unordered_set<std::string_view> setOf(const std::array<std::string_view, N>& words) {
    return {words.begin(), words.end()};
}

} // namespace

bool LanguageWords::isReserved(std::string_view word) {
    static const std::unordered_set<std::string_view> words = setOf(reservedWords);
    return words.contains(word);
}

bool LanguageWords::isConversionWord(std::string_view word) {
    static const std::unordered_set<std::string_view> words = setOf(conversionWords);
    return words.contains(word);
}

} // namespace vell
