#pragma once

// The engine-wide settings: the language of every message, degrees or radians for the trigonometric
// built-ins, and the most decimals an answer shows. One value, read where it matters and written
// whole: by the application's settings from the stored preferences, and by the developer tools.

namespace vell {

enum class AppLanguage {
    system,
    japanese,
    english
};

struct EngineSettings {
    AppLanguage language = AppLanguage::system;
    // True: the trigonometric built-ins take and give degrees; false: radians.
    bool degrees = false;
    // The most decimals a number shows; read afresh for every number formatted and clamped to 0...10
    // where it is read.
    int maxFractionDigits = 10;

    friend bool operator==(const EngineSettings&, const EngineSettings&) = default;

    static const EngineSettings& current() { return current_; }
    static void set(const EngineSettings& settings) { current_ = settings; }

private:
    static EngineSettings current_;
};

} // namespace vell
