#pragma once

// Why a document's JSON form could not be read: the path of the offending value and what is wrong with it.

#include <stdexcept>
#include <string>

namespace vell {

class DocumentDecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace vell
