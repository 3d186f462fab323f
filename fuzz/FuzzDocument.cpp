// A document file as it is opened: decoded, or refused with DocumentDecodingError. A decoded document
// must read back unchanged from its own bytes, and survive the duplicate clean-up and a merge; read
// leniently, as the program reads its files, it must survive a merge with itself.

#include "Document/VellDocument.h"
#include "FuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// As the program opens its own files: leniently. A copy merged with itself keeps nothing twice.
void readLeniently(std::string_view bytes, vell::Date now) {
    using namespace vell;
    DocumentRepairs repairs;
    VellDocument document;
    try {
        document = VellDocument::read(bytes, repairs);
    } catch (const DocumentDecodingError&) {
        return;
    }
    const VellDocument merged = document.mergedKeepingConflicts(document, {}, now);
    if (merged.sheets.size() > std::max<std::size_t>(document.sheets.size(), 1))
        fuzz::fault("merge with itself", document.encode());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vell;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    readLeniently(bytes, Date::fromCivil(2024, 6, 1, 12));
    VellDocument document;
    try {
        document = VellDocument::decode(bytes);
    } catch (const DocumentDecodingError&) {
        return 0;
    }

    const std::string encoded = document.encode();
    try {
        if (!(VellDocument::decode(encoded) == document)) fuzz::fault("round trip", encoded);
    } catch (const DocumentDecodingError& error) {
        fuzz::fault("round trip", std::string(error.what()) + "\n" + encoded);
    }

    const Date now = Date::fromCivil(2024, 6, 1, 12);
    const VellDocument copy = document;
    (void)document.merged(copy, now);
    (void)document.removeDuplicateSheets(now);
    if (document.encode() != VellDocument::decode(document.encode()).encode())
        fuzz::fault("clean-up", "the cleaned document does not read back as it was written");
    return 0;
}
