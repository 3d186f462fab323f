#include "LineRules/LineEditor.h"

#include "Engine/LanguageWords.h"

namespace vell {

const std::unordered_set<std::string>& LineEditor::specialNames() {
    static const std::unordered_set<std::string> names = [] {
        std::unordered_set<std::string> words;
        for (const auto& special : LanguageWords::specialNames)
            words.emplace(special.word);
        return words;
    }();
    return names;
}

const std::unordered_set<std::string>& LineEditor::reservedNames() {
    static const std::unordered_set<std::string> names = [] {
        std::unordered_set<std::string> words;
        for (const std::string_view word : LanguageWords::conversionWords)
            words.emplace(word);
        words.emplace(LanguageWords::ofWord);
        // The variable of a plot.
        words.emplace("x");
        words.insert(specialNames().begin(), specialNames().end());
        return words;
    }();
    return names;
}

const std::unordered_set<std::string>& LineEditor::keywords() {
    static const std::unordered_set<std::string> words = [] {
        std::unordered_set<std::string> keywords;
        for (const std::string_view word : LanguageWords::keywords)
            keywords.emplace(word);
        return keywords;
    }();
    return words;
}

} // namespace vell
