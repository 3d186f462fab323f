#pragma once

// The document's JSON text read into nlohmann::json as json::parse reads it, but with long strings taken
// in whole runs rather than a character at a time: a file with a sheet of tens of megabytes is read in
// a fraction of the time. Anything it does not take plainly (a number, a deep nesting, an escape that
// is not valid, bytes that are not UTF-8) is left to json::parse, so the result and the errors are the
// same.

#include <nlohmann/json.hpp>
#include <string_view>

namespace vell {

// Throws what json::parse throws for the text.
nlohmann::json parseJson(std::string_view text);

} // namespace vell
