#include "Document/SheetTabTransfer.h"

#include <nlohmann/json.hpp>

namespace vell {

std::string SheetTabTransfer::encode() const {
    return nlohmann::json{{"id", id.uuidString()}}.dump();
}

std::optional<SheetTabTransfer> SheetTabTransfer::decode(std::string_view bytes) {
    const auto json = nlohmann::json::parse(bytes, nullptr, false);
    if (!json.is_object()) return std::nullopt;
    const auto member = json.find("id");
    if (member == json.end() || !member->is_string()) return std::nullopt;
    const auto id = Uuid::fromString(member->get_ref<const std::string&>());
    if (!id) return std::nullopt;
    return SheetTabTransfer{*id};
}

std::vector<SheetTabTransfer> SheetTabTransfer::decodeItems(std::string_view bytes) {
    std::vector<SheetTabTransfer> items;
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        if (auto item = decode(bytes.substr(0, end))) items.push_back(*item);
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
    }
    return items;
}

} // namespace vell
