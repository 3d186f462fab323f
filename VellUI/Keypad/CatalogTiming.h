#pragma once

// How long a catalog key is held before it can be dragged, and how long the panel's animations run.

#include <chrono>

namespace vell {

struct CatalogTiming {
    std::chrono::milliseconds hold{180};
    // Keys sliding to their new places after a move.
    std::chrono::milliseconds slide{150};
    // The arranging bar coming and going.
    std::chrono::milliseconds header{180};
};

} // namespace vell
