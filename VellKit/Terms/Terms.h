#pragma once

// The terms of use in both languages and the version that accepting them records. Every text is
// built in the interface language at the moment it is read; nothing is kept.

#include <cstdint>
#include <string>
#include <vector>

namespace vell {

struct Terms {
    // Raised whenever the terms change enough that every user must agree again.
    static constexpr std::int64_t version = 1;

    struct Section {
        std::string heading; // numbered, "1. " to "6. "
        std::string body;    // paragraphs separated by one blank line, no trailing newline

        friend bool operator==(const Section&, const Section&) = default;
    };

    static std::string title();
    static std::string headline();
    // Six sections, in heading order.
    static std::vector<Section> sections();
    static std::string agreeButton();
    static std::string declineNote();
};

} // namespace vell
