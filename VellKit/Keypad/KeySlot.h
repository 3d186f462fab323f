#pragma once

// One cell of a catalog panel: a catalog entry or a gap the user put between entries.

#include "Keypad/FunctionItem.h"

#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vell {

struct KeySlot {
    struct Blank {
        // "blank:" followed by an upper-case UUID.
        std::string id;
        bool operator==(const Blank&) const = default;
    };

    std::variant<FunctionItem, Blank> content;

    static KeySlot key(FunctionItem item) { return {std::move(item)}; }
    static KeySlot blank(std::string id) { return {Blank{std::move(id)}}; }

    bool isBlank() const { return std::holds_alternative<Blank>(content); }
    // Nothing for a gap.
    const FunctionItem* item() const { return std::get_if<FunctionItem>(&content); }
    const std::string& id() const { return isBlank() ? std::get<Blank>(content).id : item()->id; }

    bool operator==(const KeySlot&) const = default;
};

struct SlotGroup {
    std::string key;
    std::string title;
    // Not "slots": Qt defines that word as a macro.
    std::vector<KeySlot> keySlots;

    bool operator==(const SlotGroup&) const = default;
};

} // namespace vell
