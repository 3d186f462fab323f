#pragma once

// What a sheet tab carries while it is dragged, within a window or to another window of the application:
// the id of its sheet, as a compact JSON object {"id":"<UUID>"}. The sheet itself stays in the store.

#include "Document/Uuid.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

struct SheetTabTransfer {
    // The drag type: the application's bundle identifier followed by ".sheet-tab".
    static constexpr std::string_view contentType = "app.vell.Vell.sheet-tab";

    Uuid id;

    // {"id":"6ED5B5D7-6FD3-4545-8420-FC60A744BBAA"}: no whitespace, the id in upper case.
    std::string encode() const;
    // Reads "id" only, in either case; none for anything that is not an object with a UUID text there.
    static std::optional<SheetTabTransfer> decode(std::string_view bytes);

    // The payloads of one drop, one per line (an encoding holds no line break); lines that do not decode
    // give no item.
    static std::vector<SheetTabTransfer> decodeItems(std::string_view bytes);

    friend bool operator==(const SheetTabTransfer&, const SheetTabTransfer&) = default;
};

} // namespace vell
