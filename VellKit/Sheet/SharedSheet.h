#pragma once

// Another sheet of the document, offered to the sheet being evaluated for its def functions.

#include <string>

namespace vell {

struct SharedSheet {
    std::string name;
    std::string text;
};

} // namespace vell
