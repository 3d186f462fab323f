#include "Engine/LanguageWords.h"

#include <cstring>

namespace vell {

namespace {

// Unrolled, so that every word is compared as the constant it is: a word of another size costs one
// test, and one of the same size a few comparisons of whole words rather than a call.
template <const auto& words, std::size_t... I>
bool isOneOf(std::string_view word, std::index_sequence<I...>) {
    return (
        (words[I].size() == word.size() && std::memcmp(words[I].data(), word.data(), words[I].size()) == 0) ||
        ...);
}

} // namespace

bool LanguageWords::isReserved(std::string_view word) {
    // No reserved word is longer than eight bytes.
    return word.size() <= 8 && isOneOf<reservedWords>(word, std::make_index_sequence<reservedWords.size()>());
}

bool LanguageWords::isConversionWord(std::string_view word) {
    return word.size() <= 3 &&
           isOneOf<conversionWords>(word, std::make_index_sequence<conversionWords.size()>());
}

} // namespace vell
