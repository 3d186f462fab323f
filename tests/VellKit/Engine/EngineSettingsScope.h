#pragma once

// Scope guards for tests that change the engine-wide settings: each restores what it found.

#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"

namespace vell::testing {

class LanguageScope {
public:
    explicit LanguageScope(AppLanguage language) { L10n::language = language; }
    ~LanguageScope() { L10n::language = saved_; }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;

private:
    AppLanguage saved_ = L10n::language;
};

class FractionDigitsScope {
public:
    explicit FractionDigitsScope(int digits) { ValueFormatter::maxFractionDigits = digits; }
    ~FractionDigitsScope() { ValueFormatter::maxFractionDigits = saved_; }
    FractionDigitsScope(const FractionDigitsScope&) = delete;
    FractionDigitsScope& operator=(const FractionDigitsScope&) = delete;

private:
    int saved_ = ValueFormatter::maxFractionDigits;
};

} // namespace vell::testing
