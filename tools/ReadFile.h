#pragma once
// Reading a whole input file for the developer tools.

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace vell::tools {

// The bytes of the file at path, or nothing when it cannot be read (missing, unreadable, a folder).
inline std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        // A folder opens like a file and fails only when read.
        return std::nullopt;
    }
    if (file.bad()) return std::nullopt;
    return bytes;
}

} // namespace vell::tools
