#include "Document/DocumentPieces.h"

#include "Unicode/Unicode.h"

#include <nlohmann/json.hpp>
#include <string_view>

namespace vell {

namespace {

// A sheet's piece stands two levels deep: four spaces before each of its lines.
constexpr std::string_view pieceIndent = "    ";
constexpr std::string_view sheetsMember = "\n  \"sheets\": []";

// As the JSON writer quotes valid UTF-8 without escaping what is not ASCII.
void appendQuoted(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(text.substr(plain, i - plain));
        plain = i + 1;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += "\\u00";
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        }
    }
    out.append(text.substr(plain));
    out.push_back('"');
}

void appendText(std::string& out, const std::string& text) {
    if (unicode::isValidUtf8(text))
        appendQuoted(out, text);
    else
        appendQuoted(out, unicode::sanitized(text));
}

// Members a later version wrote are placed among the known ones by their keys: the JSON writer does that.
SheetPiece encodeThroughJson(const Sheet& sheet) {
    const std::string dumped = sheet.toJson().dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    auto piece = std::make_shared<std::string>();
    piece->reserve(dumped.size() + dumped.size() / 8 + pieceIndent.size());
    piece->append(pieceIndent);
    for (const char c : dumped) {
        piece->push_back(c);
        if (c == '\n') piece->append(pieceIndent);
    }
    return piece;
}

} // namespace

SheetPiece DocumentPieces::encodeSheet(const Sheet& sheet) {
    if (!sheet.unknownMembers.empty()) return encodeThroughJson(sheet);
    auto piece = std::make_shared<std::string>();
    piece->reserve(sheet.text.size() + sheet.text.size() / 16 + sheet.name.size() + 160);
    std::string& out = *piece;
    out += "    {\n      \"id\": ";
    appendQuoted(out, sheet.id.uuidString());
    out += ",\n      \"lockedLines\": ";
    if (sheet.lockedLines.empty()) {
        out += "[]";
    } else {
        out += "[";
        for (std::size_t i = 0; i < sheet.lockedLines.size(); ++i) {
            out += i == 0 ? "\n        " : ",\n        ";
            out += std::to_string(sheet.lockedLines[i]);
        }
        out += "\n      ]";
    }
    out += ",\n      \"name\": ";
    appendText(out, sheet.name);
    out += ",\n      \"text\": ";
    appendText(out, sheet.text);
    out += ",\n      \"updatedAt\": ";
    appendQuoted(out, sheet.updatedAt.iso8601());
    out += "\n    }";
    return piece;
}

std::shared_ptr<const DocumentFrame> DocumentFrame::of(const VellDocument& document) {
    VellDocument frame;
    frame.selectedSheetID = document.selectedSheetID;
    frame.deletedSheets = document.deletedSheets;
    frame.keyLayouts = document.keyLayouts;
    frame.keyLayoutsUpdatedAt = document.keyLayoutsUpdatedAt;
    frame.sheetOrderUpdatedAt = document.sheetOrderUpdatedAt;
    frame.unknownMembers = document.unknownMembers;
    auto made = std::make_shared<DocumentFrame>();
    made->text = frame.encode();
    // A line break inside a string is written as an escape, and nothing else is a member of the top level
    // named "sheets": this is the list of sheets and nothing else.
    made->sheetsAt = made->text.find(sheetsMember) + sheetsMember.size() - 2;
    return made;
}

DocumentPieces::DocumentPieces(const VellDocument& document, std::vector<SheetPiece> sheets)
    : DocumentPieces(DocumentFrame::of(document), std::move(sheets)) {}

DocumentPieces::DocumentPieces(std::shared_ptr<const DocumentFrame> frame, std::vector<SheetPiece> sheets)
    : frame_(std::move(frame)), sheets_(std::move(sheets)) {}

std::size_t DocumentPieces::size() const {
    if (!frame_) return 0;
    std::size_t total = frame_->text.size() + 6;
    for (const SheetPiece& sheet : sheets_)
        total += sheet->size() + 2;
    return total;
}

std::string DocumentPieces::join() const {
    if (!frame_) return {};
    const std::string& frame = frame_->text;
    const std::size_t sheetsAt = frame_->sheetsAt;
    if (sheets_.empty()) return frame;
    std::string out;
    out.reserve(size());
    out.append(frame, 0, sheetsAt);
    out += "[\n";
    for (std::size_t i = 0; i < sheets_.size(); ++i) {
        if (i > 0) out += ",\n";
        out += *sheets_[i];
    }
    out += "\n  ]";
    out.append(frame, sheetsAt + 2);
    return out;
}

} // namespace vell
