#include "Document/JsonReading.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>
#include <vector>

namespace vell::json_reading {

using nlohmann::json;

const json* member(const json& object, std::string_view key) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return nullptr;
    return &*it;
}

void fail(std::string_view path, std::string_view problem) {
    std::string message(path);
    message += ": ";
    message += problem;
    throw DocumentDecodingError(message);
}

const json& requireObject(const json& value, std::string_view path) {
    if (!value.is_object()) fail(path, "expected an object");
    return value;
}

const json& requireArray(const json& value, std::string_view path) {
    if (!value.is_array()) fail(path, "expected an array");
    return value;
}

std::string readString(const json& value, std::string_view path) {
    if (!value.is_string()) fail(path, "expected a string");
    return value.get<std::string>();
}

Uuid readUuid(const json& value, std::string_view path) {
    const auto id = Uuid::fromString(readString(value, path));
    if (!id) fail(path, "not a UUID string");
    return *id;
}

Date readDate(const json& value, std::string_view path, DocumentRepairs* repairs) {
    const std::string text = readString(value, path);
    if (const auto date = Date::fromIso8601(text)) return *date;
    if (!repairs) fail(path, "not an ISO 8601 date in whole seconds");
    // "2024-05-01T10:00:00.250Z": the seconds are whole once the fraction goes.
    if (text.size() > 20 && text[19] == '.') {
        std::size_t end = 20;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end > 20) {
            if (const auto date = Date::fromIso8601(text.substr(0, 19) + text.substr(end))) {
                repairs->push_back({std::string(path), "a fraction of a second dropped"});
                return *date;
            }
        }
    }
    repairs->push_back({std::string(path), "\"" + text + "\" is no date; read as the oldest date"});
    return Date::distantPast;
}

std::int64_t readInteger(const json& value, std::string_view path) {
    if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return static_cast<std::int64_t>(number);
        fail(path, "integer out of range");
    }
    fail(path, "expected an integer");
}

namespace {

// Writing a value back is recursive; a value nested deeper than this is not kept.
constexpr std::size_t deepestKept = 200;

bool nestedWithin(const json& value, std::size_t limit) {
    std::vector<std::pair<const json*, std::size_t>> pending{{&value, 0}};
    while (!pending.empty()) {
        const auto [current, depth] = pending.back();
        pending.pop_back();
        if (!current->is_structured()) continue;
        if (depth >= limit) return false;
        for (const json& child : *current)
            pending.emplace_back(&child, depth + 1);
    }
    return true;
}

} // namespace

std::map<std::string, std::string> unknownMembers(const json& object,
                                                  std::initializer_list<std::string_view> known,
                                                  std::string_view path, DocumentRepairs* repairs) {
    std::map<std::string, std::string> members;
    for (const auto& [key, value] : object.items()) {
        if (std::find(known.begin(), known.end(), key) != known.end()) continue;
        if (!nestedWithin(value, deepestKept)) {
            if (repairs)
                repairs->push_back({joinPath(path, key), "a member this version does not know is nested too "
                                                         "deeply to be kept; dropped"});
            continue;
        }
        members.emplace(key, value.dump(-1, ' ', false, json::error_handler_t::replace));
    }
    return members;
}

void addUnknownMembers(json& object, const std::map<std::string, std::string>& members) {
    for (const auto& [key, text] : members) {
        if (object.contains(key)) continue;
        json value = json::parse(text, nullptr, false);
        if (!value.is_discarded()) object[key] = std::move(value);
    }
}

std::string joinPath(std::string_view path, std::string_view key) {
    std::string out(path);
    if (!out.empty()) out += '.';
    out += key;
    return out;
}

std::string indexPath(std::string_view path, std::size_t index) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, index);
    std::string out(path);
    out += '[';
    out.append(buffer, result.ptr);
    out += ']';
    return out;
}

} // namespace vell::json_reading
