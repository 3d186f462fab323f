#pragma once

// A map keyed by names that string views can look up without building a string.

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vell {

struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

template <typename T>
using NameMap = std::unordered_map<std::string, T, NameHash, std::equal_to<>>;

} // namespace vell
