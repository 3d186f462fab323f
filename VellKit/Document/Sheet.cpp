#include "Document/Sheet.h"

#include "Document/JsonReading.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>

namespace vell {

using nlohmann::json;

namespace {

struct LineEnds {
    std::string text;
    std::vector<std::int64_t> lockedLines;
};

// A lone "\r" starts a new line, so the lines after it move down; a locked line that splits keeps all its
// pieces locked, and a lock past the end moves with the rest.
LineEnds normalizedLineEnds(const std::string& text, const std::vector<std::int64_t>& lockedLines) {
    LineEnds out;
    out.text.reserve(text.size());
    std::vector<std::int64_t> firstNewLine{0}; // per line of the old text, where its first piece lands
    std::int64_t newLine = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out.text.push_back('\n');
            ++newLine;
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
                firstNewLine.push_back(newLine);
            }
        } else {
            out.text.push_back(c);
            if (c == '\n') {
                ++newLine;
                firstNewLine.push_back(newLine);
            }
        }
    }
    const auto oldLineCount = static_cast<std::int64_t>(firstNewLine.size());
    const std::int64_t added = newLine + 1 - oldLineCount;
    out.lockedLines.reserve(lockedLines.size());
    for (const std::int64_t line : lockedLines) {
        if (line < 0) {
            out.lockedLines.push_back(line);
        } else if (line >= oldLineCount) {
            constexpr std::int64_t last = std::numeric_limits<std::int64_t>::max();
            out.lockedLines.push_back(line > last - added ? last : line + added);
        } else {
            const std::int64_t end =
                line + 1 < oldLineCount ? firstNewLine[static_cast<std::size_t>(line + 1)] : newLine + 1;
            for (std::int64_t piece = firstNewLine[static_cast<std::size_t>(line)]; piece < end; ++piece)
                out.lockedLines.push_back(piece);
        }
    }
    return out;
}

} // namespace

json Sheet::toJson() const {
    json object = json::object();
    object["id"] = id.uuidString();
    object["name"] = unicode::sanitized(name);
    object["text"] = unicode::sanitized(text);
    object["updatedAt"] = updatedAt.iso8601();
    object["lockedLines"] = lockedLines;
    json_reading::addUnknownMembers(object, unknownMembers);
    return object;
}

Sheet Sheet::fromJson(const json& object) {
    return json_reading::readSheet(object, "", nullptr);
}

namespace json_reading {

Sheet readSheet(const json& object, std::string_view path, DocumentRepairs* repairs) {
    requireObject(object, path.empty() ? "sheet" : path);
    Sheet sheet;
    const std::string idPath = joinPath(path, "id"), namePath = joinPath(path, "name");
    const std::string textPath = joinPath(path, "text"), locksPath = joinPath(path, "lockedLines");
    const json* id = member(object, "id");
    const json* name = member(object, "name");
    const json* text = member(object, "text");
    if (!id) fail(idPath, "missing");
    if (!name) fail(namePath, "missing");
    if (!text) fail(textPath, "missing");
    sheet.id = readUuid(*id, idPath);
    sheet.name = readString(*name, namePath);
    sheet.text = readString(*text, textPath);
    if (const json* updatedAt = member(object, "updatedAt"))
        sheet.updatedAt = readDate(*updatedAt, joinPath(path, "updatedAt"), repairs);
    if (const json* lockedLines = member(object, "lockedLines")) {
        if (repairs && !lockedLines->is_array()) {
            repairs->push_back({locksPath, "not a list of lines; no line is locked"});
        } else {
            requireArray(*lockedLines, locksPath);
            sheet.lockedLines.reserve(lockedLines->size());
            for (std::size_t i = 0; i < lockedLines->size(); ++i) {
                const std::string lockPath = indexPath(locksPath, i);
                if (!repairs) {
                    sheet.lockedLines.push_back(readInteger((*lockedLines)[i], lockPath));
                    continue;
                }
                try {
                    sheet.lockedLines.push_back(readInteger((*lockedLines)[i], lockPath));
                } catch (const DocumentDecodingError&) {
                    repairs->push_back({lockPath, "not a line number; skipped"});
                }
            }
        }
    }
    sheet.unknownMembers =
        unknownMembers(object, {"id", "name", "text", "updatedAt", "lockedLines"}, path, repairs);
    if (sheet.text.find('\r') != std::string::npos) {
        LineEnds normalized = normalizedLineEnds(sheet.text, sheet.lockedLines);
        sheet.text = std::move(normalized.text);
        sheet.lockedLines = std::move(normalized.lockedLines);
    }
    if (repairs) {
        // A lock on a line the text does not have would come back as soon as the line is typed.
        const auto lines =
            static_cast<std::int64_t>(std::count(sheet.text.begin(), sheet.text.end(), '\n')) + 1;
        if (std::erase_if(sheet.lockedLines,
                          [lines](std::int64_t line) { return line < 0 || line >= lines; }))
            repairs->push_back({locksPath, "locks on lines the text does not have dropped", true});
    }
    return sheet;
}

} // namespace json_reading

bool operator==(const Sheet& a, const Sheet& b) {
    return a.id == b.id && unicode::canonicallyEqual(a.name, b.name) &&
           unicode::canonicallyEqual(a.text, b.text) && a.updatedAt == b.updatedAt &&
           a.lockedLines == b.lockedLines && a.unknownMembers == b.unknownMembers;
}

} // namespace vell
