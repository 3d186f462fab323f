#pragma once

// The document's encoding in pieces: each sheet's part of VellDocument::encode on its own, and the rest
// around them. A piece never changes once made, so a change of one sheet encodes that sheet again and
// the others are joined as they were, also on another thread than the one that made them.

#include "Document/Sheet.h"
#include "Document/VellDocument.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vell {

using SheetPiece = std::shared_ptr<const std::string>;

// Everything of the encoded document but its sheets, and where the list of sheets stands in it.
struct DocumentFrame {
    std::string text;
    std::size_t sheetsAt = 0;

    static std::shared_ptr<const DocumentFrame> of(const VellDocument& document);
};

class DocumentPieces {
public:
    // The sheet as it stands in the encoded list of sheets: indented, without the comma between sheets.
    static SheetPiece encodeSheet(const Sheet& sheet);

    DocumentPieces() = default;
    // Everything of the document but its sheets, with those pieces standing for them, in order.
    DocumentPieces(const VellDocument& document, std::vector<SheetPiece> sheets);
    // The same with the frame made already.
    DocumentPieces(std::shared_ptr<const DocumentFrame> frame, std::vector<SheetPiece> sheets);

    // The bytes of VellDocument::encode for the document the pieces were made from.
    std::string join() const;
    std::size_t size() const;
    bool empty() const { return !frame_; }

private:
    std::shared_ptr<const DocumentFrame> frame_;
    std::vector<SheetPiece> sheets_;
};

} // namespace vell
