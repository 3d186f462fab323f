#pragma once

// The identity of a sheet: 128 bits, written as 36 upper-case characters in groups of 8-4-4-4-12.

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vell {

class Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    constexpr Uuid() = default; // all zero
    constexpr explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}

    // A random (version 4) id.
    static Uuid random();
    // The name-based (version 5, SHA-1) id of `name` within `space`: the same on every computer, so that
    // two computers deriving an id from the same thing make the same one.
    static Uuid nameBased(const Uuid& space, std::string_view name);
    // The 36-character form with hyphens; hexadecimal digits in either case.
    static std::optional<Uuid> fromString(std::string_view text);

    // Upper case. Its byte order is the order of the ids.
    std::string uuidString() const;
    constexpr const Bytes& bytes() const { return bytes_; }

    friend constexpr auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    Bytes bytes_{};
};

} // namespace vell

template <>
struct std::hash<vell::Uuid> {
    std::size_t operator()(const vell::Uuid& id) const noexcept {
        std::uint64_t hash = 0xcbf29ce484222325ULL;
        for (std::uint8_t byte : id.bytes())
            hash = (hash ^ byte) * 0x100000001b3ULL;
        return static_cast<std::size_t>(hash);
    }
};
