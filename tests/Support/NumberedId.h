#pragma once

// A fixed, valid (version 4) id made of a number, so tests name sheets by number and a smaller number
// is a smaller id.

#include "Document/Uuid.h"

#include <cstdint>

namespace vell::testsupport {

inline Uuid numberedId(std::uint32_t number) {
    Uuid::Bytes bytes{};
    bytes[6] = 0x40;
    bytes[8] = 0x80;
    for (int i = 0; i < 4; ++i)
        bytes[12 + i] = static_cast<std::uint8_t>(number >> (8 * (3 - i)));
    return Uuid(bytes);
}

} // namespace vell::testsupport
