#pragma once

// Why a document's JSON form could not be read: the path of the offending value and what is wrong with it.

#include <stdexcept>
#include <string>
#include <vector>

namespace vell {

class DocumentDecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value a lenient read could not take as written, and what it took instead.
struct DocumentRepair {
    std::string path; // "sheets[2].updatedAt"; empty for the whole text
    std::string what;
    // Writing the repaired document over the original loses nothing of the user's (a lock on a line the
    // text does not have, a repeated id made unique), so the original need not be kept aside.
    bool lossless = false;

    friend bool operator==(const DocumentRepair&, const DocumentRepair&) = default;
};
using DocumentRepairs = std::vector<DocumentRepair>;

} // namespace vell
