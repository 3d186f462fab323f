#include "Document/VellDocument.h"

#include "Document/FastJson.h"
#include "Document/JsonReading.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <unordered_map>

namespace vell {

using nlohmann::json;

namespace {

bool allKeysAscii(const auto& map) {
    return std::all_of(map.begin(), map.end(),
                       [](const auto& entry) { return unicode::isAscii(entry.first); });
}

// Maps whose keys are canonically equivalent hold the same entries, whatever the bytes of their keys.
template <class Value, class ValuesEqual>
bool mapsEqual(const std::map<std::string, Value>& a, const std::map<std::string, Value>& b,
               ValuesEqual valuesEqual) {
    if (a.size() != b.size()) return false;
    if (allKeysAscii(a) && allKeysAscii(b))
        return std::equal(a.begin(), a.end(), b.begin(), [&](const auto& x, const auto& y) {
            return x.first == y.first && valuesEqual(x.second, y.second);
        });
    const auto normalized = [](const std::map<std::string, Value>& map) {
        std::map<std::string, const Value*> out;
        for (const auto& [key, value] : map)
            out.emplace(unicode::nfc(key), &value);
        return out;
    };
    const auto na = normalized(a), nb = normalized(b);
    return na.size() == nb.size() &&
           std::equal(na.begin(), na.end(), nb.begin(), [&](const auto& x, const auto& y) {
               return x.first == y.first && valuesEqual(*x.second, *y.second);
           });
}

bool slotsEqual(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const std::string& x, const std::string& y) {
        return unicode::canonicallyEqual(x, y);
    });
}

bool groupsEqual(const std::map<std::string, std::vector<std::string>>& a,
                 const std::map<std::string, std::vector<std::string>>& b) {
    return mapsEqual(a, b, slotsEqual);
}

json keyLayoutsJson(const KeyLayouts& layouts) {
    json out = json::object();
    for (const auto& [kind, groups] : layouts) {
        json groupsJson = json::object();
        for (const auto& [group, slots] : groups) {
            json slotsJson = json::array();
            for (const std::string& slot : slots)
                slotsJson.push_back(unicode::sanitized(slot));
            groupsJson[unicode::sanitized(group)] = std::move(slotsJson);
        }
        out[unicode::sanitized(kind)] = std::move(groupsJson);
    }
    return out;
}

KeyLayouts readKeyLayouts(const json& value) {
    using namespace json_reading;
    requireObject(value, "keyLayouts");
    KeyLayouts layouts;
    for (const auto& [kind, groups] : value.items()) {
        const std::string kindPath = joinPath("keyLayouts", kind);
        requireObject(groups, kindPath);
        auto& kindLayouts = layouts[kind];
        for (const auto& [group, slots] : groups.items()) {
            const std::string groupPath = joinPath(kindPath, group);
            requireArray(slots, groupPath);
            auto& groupSlots = kindLayouts[group];
            groupSlots.reserve(slots.size());
            for (std::size_t i = 0; i < slots.size(); ++i)
                groupSlots.push_back(readString(slots[i], indexPath(groupPath, i)));
        }
    }
    return layouts;
}

// A control character must be escaped inside a JSON string. Written raw, it still plainly means itself,
// except a NUL, which no text of the program holds: that one is read as U+FFFD. Outside strings nothing
// is touched. Says which of the two it mended.
struct RawControls {
    std::string text;
    bool nul = false;
    bool other = false;
};

RawControls escapeRawControls(std::string_view bytes) {
    RawControls out;
    out.text.reserve(bytes.size());
    bool inString = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (!inString) {
            inString = c == '"';
        } else if (c == '\\' && i + 1 < bytes.size()) {
            out.text.push_back(bytes[i]);
            out.text.push_back(bytes[++i]);
            continue;
        } else if (c == '"') {
            inString = false;
        } else if (c == 0) {
            out.text += "\uFFFD";
            out.nul = true;
            continue;
        } else if (c < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            out.text += "\\u00";
            out.text.push_back(hex[c >> 4]);
            out.text.push_back(hex[c & 0x0F]);
            out.other = true;
            continue;
        }
        out.text.push_back(bytes[i]);
    }
    return out;
}

} // namespace

json VellDocument::toJson() const {
    json object = json::object();
    json sheetsJson = json::array();
    for (const Sheet& sheet : sheets)
        sheetsJson.push_back(sheet.toJson());
    object["sheets"] = std::move(sheetsJson);
    if (selectedSheetID) object["selectedSheetID"] = selectedSheetID->uuidString();
    json tombstones = json::object();
    for (const auto& [id, date] : deletedSheets)
        tombstones[unicode::sanitized(id)] = date.iso8601();
    object["deletedSheets"] = std::move(tombstones);
    object["keyLayouts"] = keyLayoutsJson(keyLayouts);
    if (keyLayoutsUpdatedAt) object["keyLayoutsUpdatedAt"] = keyLayoutsUpdatedAt->iso8601();
    if (sheetOrderUpdatedAt) object["sheetOrderUpdatedAt"] = sheetOrderUpdatedAt->iso8601();
    json_reading::addUnknownMembers(object, unknownMembers);
    return object;
}

VellDocument VellDocument::fromJson(const json& object, DocumentRepairs* repairs) {
    using namespace json_reading;
    requireObject(object, "document");
    VellDocument document;
    const json* sheetsJson = member(object, "sheets");
    if (!sheetsJson) fail("sheets", "missing");
    requireArray(*sheetsJson, "sheets");
    document.sheets.reserve(sheetsJson->size());
    for (std::size_t i = 0; i < sheetsJson->size(); ++i)
        document.sheets.push_back(readSheet((*sheetsJson)[i], indexPath("sheets", i), repairs));
    if (const json* selected = member(object, "selectedSheetID"))
        document.selectedSheetID = readUuid(*selected, "selectedSheetID");
    if (const json* tombstones = member(object, "deletedSheets")) {
        requireObject(*tombstones, "deletedSheets");
        for (const auto& [id, date] : tombstones->items())
            document.deletedSheets.emplace(id, readDate(date, joinPath("deletedSheets", id), repairs));
    }
    if (const json* layouts = member(object, "keyLayouts")) document.keyLayouts = readKeyLayouts(*layouts);
    if (const json* date = member(object, "keyLayoutsUpdatedAt"))
        document.keyLayoutsUpdatedAt = readDate(*date, "keyLayoutsUpdatedAt", repairs);
    if (const json* date = member(object, "sheetOrderUpdatedAt"))
        document.sheetOrderUpdatedAt = readDate(*date, "sheetOrderUpdatedAt", repairs);
    document.unknownMembers =
        json_reading::unknownMembers(object,
                                     {"sheets", "selectedSheetID", "deletedSheets", "keyLayouts",
                                      "keyLayoutsUpdatedAt", "sheetOrderUpdatedAt"},
                                     "", repairs);
    return document;
}

std::string VellDocument::encode() const {
    return toJson().dump(2, ' ', false, json::error_handler_t::replace);
}

std::string VellDocument::withoutSelection(std::string encoded) {
    // Top-level members stand on lines of their own, indented by two spaces, and a line break inside a
    // string is written as an escape: this line is the selection's member and nothing else. "sheets"
    // always follows it, so it always ends with a comma.
    static constexpr std::string_view member = "\n  \"selectedSheetID\": ";
    const std::size_t start = encoded.find(member);
    if (start == std::string::npos) return encoded;
    const std::size_t end = encoded.find('\n', start + 1);
    if (end == std::string::npos) return encoded;
    encoded.erase(start, end - start);
    return encoded;
}

VellDocument VellDocument::decode(std::string_view bytes, DocumentRepairs* repairs) {
    // A large file is held once: copies are made only to mend it.
    std::string mended;
    if (repairs && !unicode::isValidUtf8(bytes)) {
        mended = unicode::sanitized(bytes);
        repairs->push_back({"", "invalid UTF-8 read as U+FFFD"});
        bytes = mended;
    }
    json object;
    try {
        object = parseJson(bytes);
    } catch (const json::exception& error) {
        // A control character written raw inside a string fails the parse; it is mended and read again.
        bool mendedControls = false;
        if (repairs && std::any_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            RawControls escaped = escapeRawControls(bytes);
            if (escaped.nul || escaped.other) {
                mendedControls = true;
                try {
                    object = json::parse(escaped.text);
                } catch (const json::exception&) {
                    mendedControls = false;
                }
                if (mendedControls) {
                    if (escaped.nul) repairs->push_back({"", "a NUL byte in a string read as U+FFFD"});
                    if (escaped.other)
                        repairs->push_back(
                            {"", "a control character written raw in a string read as itself"});
                }
            }
        }
        if (!mendedControls) throw DocumentDecodingError(std::string("not a JSON text: ") + error.what());
    }
    return fromJson(object, repairs);
}

VellDocument VellDocument::read(std::string_view bytes, DocumentRepairs& repairs) {
    VellDocument document = decode(bytes, &repairs);
    std::unordered_map<Uuid, std::size_t> positions;
    const auto renewed = document.separateRepeatedIds();
    if (renewed.empty()) return document;
    for (std::size_t i = 0; i < document.sheets.size(); ++i)
        positions.emplace(document.sheets[i].id, i);
    for (const auto& [old, fresh] : renewed)
        repairs.push_back(
            {json_reading::joinPath(json_reading::indexPath("sheets", positions.at(fresh)), "id"),
             "the sheet id " + old.uuidString() +
                 " is repeated with other content; this sheet now has the id " + fresh.uuidString(),
             true});
    return document;
}

bool operator==(const VellDocument& a, const VellDocument& b) {
    const auto datesEqual = [](Date x, Date y) { return x == y; };
    return a.sheets == b.sheets && a.selectedSheetID == b.selectedSheetID &&
           mapsEqual(a.deletedSheets, b.deletedSheets, datesEqual) &&
           mapsEqual(a.keyLayouts, b.keyLayouts, groupsEqual) &&
           a.keyLayoutsUpdatedAt == b.keyLayoutsUpdatedAt && a.sheetOrderUpdatedAt == b.sheetOrderUpdatedAt &&
           a.unknownMembers == b.unknownMembers;
}

} // namespace vell
