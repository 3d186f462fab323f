// The document encoded sheet by sheet and joined gives the very bytes of the whole document encoded at
// once, whatever the sheets hold.

#include "Document/DocumentPieces.h"
#include "Document/VellDocument.h"
#include "Support/NumberedId.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vell {
namespace {

Uuid numbered(std::uint8_t number) {
    return testsupport::numberedId(number);
}

std::string joined(const VellDocument& document) {
    std::vector<SheetPiece> pieces;
    for (const Sheet& sheet : document.sheets)
        pieces.push_back(DocumentPieces::encodeSheet(sheet));
    return DocumentPieces(document, std::move(pieces)).join();
}

TEST(DocumentPiecesTest, SheetsOfEveryKindJoinToTheWholeEncoding) {
    const Date date = Date::fromCivil(2025, 3, 1, 9, 30, 0);
    struct Case {
        const char* what;
        std::string name;
        std::string text;
        std::vector<std::int64_t> locks;
    };
    const std::vector<Case> cases = {
        {"empty", "", "", {}},
        {"plain lines and locks", "Rent", "rent = 1200\nfood = 300\nrent + food", {0, 2}},
        {"quotes, backslashes and tabs", "a \"b\" \\c", "x = \"t\\n\"\t// \\", {}},
        {"every control character",
         "\x01\x1f",
         std::string("\b\f\r\x0b\x7f\x1b", 6) + std::string(1, '\0'),
         {}},
        {"Japanese and emoji", "家計簿 🏠", "家賃 = 8万円\n合計 👍", {1}},
        {"invalid UTF-8", "bad \xff name", "1 + \xc3\x28 2\xe2\x82", {}},
        {"a lock past the end and a negative one", "odd", "1", {-3, 7, 9'000'000'000}},
    };
    for (const Case& c : cases) {
        VellDocument document;
        document.sheets.push_back(Sheet{numbered(1), c.name, c.text, date, c.locks});
        document.selectedSheetID = numbered(1);
        EXPECT_EQ(joined(document), document.encode()) << c.what;
    }
}

TEST(DocumentPiecesTest, TheRestOfTheDocumentSurroundsTheSheets) {
    const Date date = Date::fromCivil(2025, 3, 1, 9, 30, 0);
    VellDocument document;
    EXPECT_EQ(joined(document), document.encode()) << "no sheets at all";

    for (std::uint8_t i = 1; i <= 3; ++i)
        document.sheets.push_back(
            Sheet{numbered(i), "S" + std::to_string(i), "1 + " + std::to_string(i), date, {}});
    EXPECT_EQ(joined(document), document.encode()) << "no selection, nothing else";

    document.selectedSheetID = numbered(2);
    document.deletedSheets[numbered(9).uuidString()] = date;
    document.keyLayouts["functions"]["main"] = {"sin", "cos"};
    document.keyLayoutsUpdatedAt = date;
    document.sheetOrderUpdatedAt = date.addingSeconds(5);
    // Members of a later version, before and after "sheets" in key order, one of them holding the text
    // that starts the list of sheets.
    document.unknownMembers["aardvark"] = R"({"sheets": []})";
    document.unknownMembers["zebra"] = R"(["\n  \"sheets\": []"])";
    document.sheets[1].unknownMembers["colour"] = R"("blue")";
    document.sheets[2].unknownMembers["zz"] = R"({"deep": [1, 2]})";
    EXPECT_EQ(joined(document), document.encode());
}

} // namespace
} // namespace vell
