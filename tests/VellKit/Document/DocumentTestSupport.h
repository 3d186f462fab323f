#pragma once

// Short spellings of fixed dates, ids, sheets and documents for the document tests, and readable failure
// output.

#include "Document/Date.h"
#include "Document/Sheet.h"
#include "Document/Uuid.h"
#include "Document/VellDocument.h"
#include "Support/EngineSettingsScope.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

inline void PrintTo(const Date& date, std::ostream* out) {
    *out << date.iso8601() << " (" << date.microsecondsSince1970() << " us)";
}
inline void PrintTo(const Uuid& id, std::ostream* out) {
    *out << id.uuidString();
}
inline void PrintTo(const Sheet& sheet, std::ostream* out) {
    *out << "Sheet{" << sheet.id.uuidString() << ", \"" << sheet.name << "\", " << sheet.updatedAt.iso8601()
         << "}";
}

namespace testsupport {

inline Date date(std::string_view iso) {
    const auto parsed = Date::fromIso8601(iso);
    EXPECT_TRUE(parsed) << iso;
    return parsed.value_or(Date());
}

// A moment of one fixed day: at("10:00:00").
inline Date at(std::string_view hhmmss) {
    return date("2024-05-01T" + std::string(hhmmss) + "Z");
}

// 00000000-0000-0000-0000-00000000000N, so a smaller number is a smaller id.
inline Uuid uuid(std::uint8_t number) {
    Uuid::Bytes bytes{};
    bytes[15] = number;
    return Uuid(bytes);
}

inline Sheet sheet(std::uint8_t number, std::string name, std::string text, Date updatedAt,
                   std::vector<std::int64_t> lockedLines = {}) {
    return Sheet{uuid(number), std::move(name), std::move(text), updatedAt, std::move(lockedLines)};
}

inline VellDocument documentOf(std::vector<Sheet> sheets, std::optional<Uuid> selected = std::nullopt) {
    VellDocument document;
    document.sheets = std::move(sheets);
    document.selectedSheetID = selected;
    return document;
}

// The ids of the document's sheets, in order.
inline std::vector<Uuid> idsOf(const VellDocument& document) {
    std::vector<Uuid> ids;
    for (const Sheet& sheet : document.sheets)
        ids.push_back(sheet.id);
    return ids;
}

} // namespace testsupport
} // namespace vell
