#pragma once
// Reading a whole input file for the developer tools.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace vell::tools {

// The bytes of the file at path, or nothing when it cannot be read (missing, unreadable, not a regular file).
inline std::optional<std::string> readWholeFile(const std::string& path) {
    // Opening a pipe would wait for a writer, and a device may never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
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
