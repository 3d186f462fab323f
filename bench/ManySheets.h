#pragma once

// A document of many small sheets, as the benchmarks of large documents open and type into: 100,000
// sheets of three short lines each, named "Sheet 1" onwards, with numbered ids so every run makes the
// same file. Header-only, like SheetGenerator.h.

#include "Document/VellDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vell::bench {

inline Uuid numberedSheetID(std::uint32_t number) {
    Uuid::Bytes bytes{};
    bytes[6] = 0x40;
    bytes[8] = 0x80;
    for (int i = 0; i < 4; ++i)
        bytes[12 + i] = static_cast<std::uint8_t>(number >> (8 * (3 - i)));
    return Uuid(bytes);
}

inline VellDocument manySheets(std::uint32_t count = 100'000) {
    VellDocument document;
    const Date date = Date::fromCivil(2025, 3, 1, 9, 30, 0);
    for (std::uint32_t i = 0; i < count; ++i)
        document.sheets.push_back(Sheet{numberedSheetID(i + 1),
                                        "Sheet " + std::to_string(i + 1),
                                        "rent = 1200\nfood = 300\nrent + food",
                                        date,
                                        {}});
    document.selectedSheetID = document.sheets.front().id;
    return document;
}

} // namespace vell::bench
