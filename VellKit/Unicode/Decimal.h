#pragma once

// An integer in decimal digits, as names and messages write it: ASCII, no grouping, no locale.

#include <charconv>
#include <concepts>
#include <string>

namespace vell {

template <std::integral Integer>
std::string decimal(Integer number) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
    return std::string(buffer, end);
}

} // namespace vell
