#include "Engine/LanguageWords.h"

namespace vell {

namespace {

// Unrolled, so that every word is compared as the constant it is: a comparison with a word of
// another length costs one test, and most names are none of them.
template <std::size_t N, std::size_t... I>
constexpr bool isOneOf(std::string_view word, const std::array<std::string_view, N>& words,
                       std::index_sequence<I...>) {
    return ((words[I] == word) || ...);
}

template <std::size_t N>
constexpr bool isOneOf(std::string_view word, const std::array<std::string_view, N>& words) {
    return isOneOf(word, words, std::make_index_sequence<N>());
}

} // namespace

bool LanguageWords::isReserved(std::string_view word) {
    // No reserved word is longer than eight bytes.
    return word.size() <= 8 && isOneOf(word, reservedWords);
}

bool LanguageWords::isConversionWord(std::string_view word) {
    return word.size() <= 3 && isOneOf(word, conversionWords);
}

} // namespace vell
