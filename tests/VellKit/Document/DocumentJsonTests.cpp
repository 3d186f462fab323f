#include "Document/VellDocument.h"
#include "DocumentTestSupport.h"

#include <functional>
#include <nlohmann/json.hpp>

namespace vell {
namespace {

using namespace testsupport;

VellDocument fullDocument() {
    VellDocument document;
    document.sheets = {sheet(1, "A", "1 + 2\n", at("10:00:00"), {0})};
    document.selectedSheetID = uuid(1);
    document.deletedSheets = {{uuid(2).uuidString(), date("2024-04-01T00:00:00Z")}};
    document.keyLayouts = {{"units", {{"length", {"m", "km"}}}}};
    document.keyLayoutsUpdatedAt = date("2024-04-02T00:00:00Z");
    document.sheetOrderUpdatedAt = date("2024-04-03T00:00:00Z");
    return document;
}

constexpr std::string_view fullDocumentBytes = R"({
  "deletedSheets": {
    "00000000-0000-0000-0000-000000000002": "2024-04-01T00:00:00Z"
  },
  "keyLayouts": {
    "units": {
      "length": [
        "m",
        "km"
      ]
    }
  },
  "keyLayoutsUpdatedAt": "2024-04-02T00:00:00Z",
  "selectedSheetID": "00000000-0000-0000-0000-000000000001",
  "sheetOrderUpdatedAt": "2024-04-03T00:00:00Z",
  "sheets": [
    {
      "id": "00000000-0000-0000-0000-000000000001",
      "lockedLines": [
        0
      ],
      "name": "A",
      "text": "1 + 2\n",
      "updatedAt": "2024-05-01T10:00:00Z"
    }
  ]
})";

TEST(DocumentJson, EncodesSortedPrettyPrintedAndRoundTripsToTheSameBytes) {
    const VellDocument document = fullDocument();
    const std::string bytes = document.encode();
    EXPECT_EQ(bytes, fullDocumentBytes);
    const VellDocument read = VellDocument::decode(bytes);
    EXPECT_EQ(read, document);
    EXPECT_EQ(read.encode(), bytes);
}

// What another computer takes from a copy is its encoding without the selection; it is cut from the
// encoding at hand instead of encoding the document a second time.
TEST(DocumentJson, TheEncodingWithoutTheSelectionIsCutFromTheEncoding) {
    VellDocument selected = fullDocument();
    // Texts that look like the selection's member inside a string are no member.
    selected.sheets.push_back(
        sheet(3, "\n  \"selectedSheetID\": \"x\",", "\n  \"selectedSheetID\": 1,\n", at("11:00:00")));
    VellDocument unselected = selected;
    unselected.selectedSheetID.reset();
    EXPECT_EQ(VellDocument::withoutSelection(selected.encode()), unselected.encode());
    EXPECT_EQ(VellDocument::withoutSelection(unselected.encode()), unselected.encode());
    unselected.sheetOrderUpdatedAt.reset();
    unselected.keyLayoutsUpdatedAt.reset();
    selected = unselected;
    selected.selectedSheetID = uuid(3);
    EXPECT_EQ(VellDocument::withoutSelection(selected.encode()), unselected.encode());
}

TEST(DocumentJson, OptionalKeysMayBeMissingOrNull) {
    const VellDocument document = VellDocument::decode(R"({"sheets": [
        {"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": ""},
        {"id": "00000000-0000-0000-0000-000000000002", "name": "B", "text": "x",
         "updatedAt": null, "lockedLines": null}],
        "selectedSheetID": null, "deletedSheets": null, "keyLayouts": null,
        "keyLayoutsUpdatedAt": null, "sheetOrderUpdatedAt": null})");
    ASSERT_EQ(document.sheets.size(), 2u);
    for (const Sheet& sheet : document.sheets) {
        EXPECT_EQ(sheet.updatedAt, date("1970-01-01T00:00:00Z"));
        EXPECT_TRUE(sheet.lockedLines.empty());
    }
    EXPECT_FALSE(document.selectedSheetID);
    EXPECT_TRUE(document.deletedSheets.empty());
    EXPECT_TRUE(document.keyLayouts.empty());
    EXPECT_FALSE(document.keyLayoutsUpdatedAt);
    EXPECT_FALSE(document.sheetOrderUpdatedAt);

    const auto written = nlohmann::json::parse(document.encode());
    EXPECT_EQ(written.size(), 3u); // sheets, deletedSheets, keyLayouts
    EXPECT_EQ(written.at("deletedSheets"), nlohmann::json::object());
    EXPECT_EQ(written.at("keyLayouts"), nlohmann::json::object());
    EXPECT_EQ(written.at("sheets")[0].size(), 5u);
    EXPECT_EQ(written.at("sheets")[0].at("updatedAt"), "1970-01-01T00:00:00Z");
    EXPECT_EQ(written.at("sheets")[0].at("lockedLines"), nlohmann::json::array());
}

TEST(DocumentJson, AnEmptySheetListIsADocumentWithoutSheets) {
    EXPECT_TRUE(VellDocument::decode(R"({"sheets": []})").sheets.empty());
}

// Members a later version writes survive a save by this one, in the document and in each sheet.
TEST(DocumentJson, UnknownKeysAreKeptAndWrittenBackUnchanged) {
    const VellDocument document = VellDocument::decode(R"({"sheets": [
        {"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "", "colour": "red"}],
        "format": {"version": 2, "deep": [[[]]], "ratio": 0.25}})");
    const nlohmann::json written = nlohmann::json::parse(document.encode());
    EXPECT_EQ(written.at("sheets")[0].at("colour"), "red");
    EXPECT_EQ(written.at("format"),
              nlohmann::json::parse(R"({"version": 2, "deep": [[[]]], "ratio": 0.25})"));
    EXPECT_EQ(VellDocument::decode(document.encode()), document);
    EXPECT_EQ(VellDocument::decode(document.encode()).encode(), document.encode());

    // A merge carries them along.
    VellDocument other = document;
    other.unknownMembers = {{"format", "1"}, {"theme", "\"dark\""}};
    const VellDocument merged = document.merged(other, Date::fromCivil(2024, 6, 1));
    EXPECT_EQ(merged.unknownMembers.at("theme"), "\"dark\"");
    EXPECT_EQ(merged.unknownMembers.at("format"), document.unknownMembers.at("format"));
    EXPECT_EQ(merged.sheets[0].unknownMembers.at("colour"), "\"red\"");
}

TEST(DocumentJson, UuidsAreReadInEitherCaseAndWrittenUpperCase) {
    const VellDocument document = VellDocument::decode(R"({"sheets": [
        {"id": "0a1b2c3d-4e5f-6789-abcd-ef0123456789", "name": "A", "text": ""}],
        "selectedSheetID": "0a1b2c3d-4e5f-6789-ABCD-ef0123456789"})");
    EXPECT_EQ(document.selectedSheetID, document.sheets[0].id);
    const auto written = nlohmann::json::parse(document.encode());
    EXPECT_EQ(written.at("sheets")[0].at("id"), "0A1B2C3D-4E5F-6789-ABCD-EF0123456789");
    EXPECT_EQ(written.at("selectedSheetID"), "0A1B2C3D-4E5F-6789-ABCD-EF0123456789");
}

TEST(DocumentJson, AnyViolationFailsTheWholeRead) {
    const std::string goodSheet =
        R"({"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": ""})";
    struct Case {
        std::string json;
        std::string mentions; // the path the error names
    };
    const Case cases[] = {
        {"", "JSON"},
        {"{", "JSON"},
        {R"({"sheets": []} x)", "JSON"},
        {"[]", "document"},
        {"{}", "sheets"},
        {R"({"sheets": null})", "sheets"},
        {R"({"sheets": {}})", "sheets"},
        {R"({"sheets": [1]})", "sheets[0]"},
        {R"({"sheets": [{"name": "A", "text": ""}]})", "sheets[0].id"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "text": ""}]})", "sheets[0].name"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A"}]})", "sheets[0].text"},
        {R"({"sheets": [{"id": "x", "name": "A", "text": ""}]})", "sheets[0].id"},
        {R"({"sheets": [{"id": 1, "name": "A", "text": ""}]})", "sheets[0].id"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": 5, "text": ""}]})",
         "sheets[0].name"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": ["x"]}]})",
         "sheets[0].text"},
        {R"({"sheets": [)" + goodSheet + R"(, {"id": "00000000-0000-0000-0000-000000000002", "name": "B",
            "text": "", "updatedAt": 0}]})",
         "sheets[1].updatedAt"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "",
            "updatedAt": "2024-05-01T10:00:00.250Z"}]})",
         "sheets[0].updatedAt"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "",
            "lockedLines": [1.5]}]})",
         "sheets[0].lockedLines[0]"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "",
            "lockedLines": [0, "1"]}]})",
         "sheets[0].lockedLines[1]"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "",
            "lockedLines": [9223372036854775808]}]})",
         "sheets[0].lockedLines[0]"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "",
            "lockedLines": 3}]})",
         "sheets[0].lockedLines"},
        {R"({"sheets": [], "selectedSheetID": "nope"})", "selectedSheetID"},
        {R"({"sheets": [], "deletedSheets": []})", "deletedSheets"},
        {R"({"sheets": [], "deletedSheets": {"00000000-0000-0000-0000-000000000001": "yesterday"}})",
         "deletedSheets.00000000-0000-0000-0000-000000000001"},
        {R"({"sheets": [], "keyLayouts": {"units": []}})", "keyLayouts.units"},
        {R"({"sheets": [], "keyLayouts": {"units": {"length": "m"}}})", "keyLayouts.units.length"},
        {R"({"sheets": [], "keyLayouts": {"units": {"length": ["m", 2]}}})", "keyLayouts.units.length[1]"},
        {R"({"sheets": [], "keyLayoutsUpdatedAt": 1714557600})", "keyLayoutsUpdatedAt"},
        {R"({"sheets": [], "sheetOrderUpdatedAt": "2024-05-01"})", "sheetOrderUpdatedAt"},
        {"{\"sheets\": [{\"id\": \"00000000-0000-0000-0000-000000000001\", \"name\": \"\xff\", \"text\": "
         "\"\"}]}",
         "JSON"},
    };
    for (const Case& c : cases) {
        try {
            VellDocument::decode(c.json);
            ADD_FAILURE() << "read without error: " << c.json;
        } catch (const DocumentDecodingError& error) {
            EXPECT_NE(std::string(error.what()).find(c.mentions), std::string::npos)
                << error.what() << " should name " << c.mentions;
        }
    }
}

// Read leniently, a bad value whose meaning is plain is mended and recorded instead of failing the read;
// one whose meaning is not still fails it.
TEST(DocumentJson, ALenientReadMendsWhatItCanAndRecordsIt) {
    const std::string head =
        R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "x\ny", )";
    struct Case {
        std::string json;
        std::string repairedPath; // empty with an empty `what`: still an error
        std::function<bool(const VellDocument&)> read;
    };
    const auto sheetDate = [](Date expected) {
        return [expected](const VellDocument& d) { return d.sheets[0].updatedAt == expected; };
    };
    const Case cases[] = {
        {head + R"("updatedAt": "2024-05-01T10:00:00.250Z"}]})", "sheets[0].updatedAt",
         sheetDate(at("10:00:00"))},
        {head + R"("updatedAt": "2024-05-01T19:00:00.5+09:00"}]})", "sheets[0].updatedAt",
         sheetDate(at("10:00:00"))},
        {head + R"("updatedAt": "2024-02-30T10:00:00Z"}]})", "sheets[0].updatedAt",
         sheetDate(Date::distantPast)},
        {head + R"("lockedLines": [1.0, 1]}]})", "sheets[0].lockedLines[0]",
         [](const VellDocument& d) { return d.sheets[0].lockedLines == std::vector<std::int64_t>{1}; }},
        {head + R"("lockedLines": "1"}]})", "sheets[0].lockedLines",
         [](const VellDocument& d) { return d.sheets[0].lockedLines.empty(); }},
        {R"({"sheets": [], "deletedSheets": {"00000000-0000-0000-0000-000000000001": "yesterday"}})",
         "deletedSheets.00000000-0000-0000-0000-000000000001",
         [](const VellDocument& d) { return d.deletedSheets.begin()->second == Date::distantPast; }},
        {"{\"sheets\": [{\"id\": \"00000000-0000-0000-0000-000000000001\", \"name\": \"\xff\", \"text\": "
         "\"\"}]}",
         "", [](const VellDocument& d) { return d.sheets[0].name == "\uFFFD"; }},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(VellDocument::decode(c.json), DocumentDecodingError) << c.json;
        DocumentRepairs repairs;
        const VellDocument document = VellDocument::decode(c.json, &repairs);
        ASSERT_EQ(repairs.size(), 1u) << c.json;
        EXPECT_EQ(repairs[0].path, c.repairedPath);
        EXPECT_FALSE(repairs[0].what.empty());
        EXPECT_TRUE(c.read(document)) << c.json;
    }
    for (const std::string& still : {head + R"("updatedAt": 0}]})",
                                     std::string(R"({"sheets": [{"id": "x", "name": "A", "text": ""}]})")}) {
        DocumentRepairs repairs;
        EXPECT_THROW(VellDocument::decode(still, &repairs), DocumentDecodingError) << still;
    }
}

// A raw NUL byte or other control character inside a string is no valid JSON, but its meaning is plain:
// a NUL is read as U+FFFD (as invalid UTF-8 is), any other control character as itself. Outside a string
// nothing is mended.
TEST(DocumentJson, RawControlCharactersInAStringAreReadLeniently) {
    const std::string head = R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": ")";
    struct Case {
        std::string name;
        std::string text;
        std::string readName;
        std::string readText;
    };
    const Case cases[] = {
        {std::string("a\0b", 3), "1 + 2", "a\uFFFDb", "1 + 2"},
        {"A", std::string("x\0\0y", 4), "A", "x\uFFFD\uFFFDy"},
        {"A", "one\ttwo\nthree\x01", "A", "one\ttwo\nthree\x01"},
        // An escaped quote or backslash does not end the string early.
        {"A \\\"", std::string("\\\\\0", 3), "A \"", "\\\uFFFD"},
    };
    for (const Case& c : cases) {
        const std::string json = head + c.name + R"(", "text": ")" + c.text + R"("}]})";
        EXPECT_THROW(VellDocument::decode(json), DocumentDecodingError);
        DocumentRepairs repairs;
        const VellDocument document = VellDocument::decode(json, &repairs);
        EXPECT_EQ(document.sheets[0].name, c.readName);
        EXPECT_EQ(document.sheets[0].text, c.readText);
        ASSERT_EQ(repairs.size(), 1u) << c.readText;
        EXPECT_EQ(repairs[0].path, "");
        EXPECT_FALSE(repairs[0].what.empty());
    }
    DocumentRepairs repairs;
    EXPECT_THROW(VellDocument::decode(std::string("{\"sheets\": [\0]}", 15), &repairs),
                 DocumentDecodingError);
}

// A member this version does not know is written back unchanged, unless it is nested too deeply to be
// written back safely: then it is dropped, and a lenient read says so.
TEST(DocumentJson, ADeeplyNestedUnknownMemberThatIsDroppedIsRecorded) {
    const std::string deep = std::string(1000, '[') + std::string(1000, ']');
    const std::string sheetHead = R"({"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "")";
    struct Case {
        std::string json;
        std::string path;
    };
    const Case cases[] = {
        {R"({"sheets": [], "extra": )" + deep + "}", "extra"},
        {R"({"sheets": [)" + sheetHead + R"(, "later": {"a": )" + deep + "}}]}", "sheets[0].later"},
    };
    for (const Case& c : cases) {
        DocumentRepairs repairs;
        const VellDocument document = VellDocument::decode(c.json, &repairs);
        ASSERT_EQ(repairs.size(), 1u) << c.path;
        EXPECT_EQ(repairs[0].path, c.path);
        EXPECT_NE(repairs[0].what.find("nested too deeply"), std::string::npos) << repairs[0].what;
        EXPECT_EQ(document.encode().find("[[[["), std::string::npos);
    }
    DocumentRepairs repairs;
    const VellDocument kept = VellDocument::decode(
        R"({"sheets": [], "extra": )" + std::string(10, '[') + std::string(10, ']') + "}", &repairs);
    EXPECT_TRUE(repairs.empty());
    EXPECT_TRUE(kept.unknownMembers.contains("extra"));
}

// A file a user opens may be anything: deep nesting, a cut-off file, stray bytes. Each is read or
// refused with DocumentDecodingError, never a crash.
TEST(DocumentJson, HostileFilesAreReadOrRefused) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const struct {
        std::string bytes;
        std::string mentions; // empty: the file reads
    } cases[] = {
        {deep, "document"},
        {R"({"sheets": [], "keyLayouts": )" + deep + "}", "keyLayouts"},
        {R"({"sheets": [], "extra": )" + deep + "}", ""},
        {"", "JSON"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "1)", "JSON"},
        {std::string("{\"sheets\": [") + '\0' + "]}", "JSON"},
        {R"({"sheets": [{"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "\u0000\ud800"}]})",
         "JSON"},
    };
    for (const auto& c : cases) {
        try {
            VellDocument::decode(c.bytes);
            EXPECT_EQ(c.mentions, "") << "read without error: " << c.bytes.substr(0, 80);
        } catch (const DocumentDecodingError& error) {
            EXPECT_NE(c.mentions, "") << error.what();
            EXPECT_NE(std::string(error.what()).find(c.mentions), std::string::npos)
                << error.what() << " should name " << c.mentions;
        }
    }
}

TEST(DocumentJson, NegativeAndOutOfRangeLocksAreKeptAsTheyAre) {
    const VellDocument document = VellDocument::decode(R"({"sheets": [
        {"id": "00000000-0000-0000-0000-000000000001", "name": "A", "text": "a\nb", "lockedLines": [7, -1, 1]}]})");
    EXPECT_EQ(document.sheets[0].lockedLines, (std::vector<std::int64_t>{7, -1, 1}));
}

TEST(DocumentJson, FractionsOfASecondAreDroppedOnce) {
    VellDocument document = fullDocument();
    document.sheets[0].updatedAt = at("10:00:00").addingMicroseconds(999'999);
    document.deletedSheets.begin()->second = document.deletedSheets.begin()->second.addingMicroseconds(1);
    document.sheetOrderUpdatedAt = document.sheetOrderUpdatedAt->addingMicroseconds(500'000);

    const std::string bytes = document.encode();
    EXPECT_EQ(bytes, fullDocumentBytes);
    const VellDocument read = VellDocument::decode(bytes);
    EXPECT_NE(read, document);
    EXPECT_EQ(read, fullDocument());
    EXPECT_EQ(read.encode(), bytes);
}

TEST(DocumentJson, EqualityFollowsOrderOfSheetsButNotOfMapsOrCodePoints) {
    const VellDocument document = fullDocument();
    VellDocument reordered = document;
    reordered.sheets.push_back(sheet(3, "C", "", at("09:00:00")));
    VellDocument other = reordered;
    std::swap(other.sheets[0], other.sheets[1]);
    EXPECT_NE(reordered, other);

    VellDocument composed = document, decomposed = document;
    composed.sheets[0].name = "caf\u00e9";
    decomposed.sheets[0].name = "cafe\u0301";
    composed.keyLayouts["units"]["\u00e9"] = {"\u00e9"};
    decomposed.keyLayouts["units"]["e\u0301"] = {"e\u0301"};
    EXPECT_EQ(composed, decomposed);
    EXPECT_EQ(composed.sheets[0], decomposed.sheets[0]);

    VellDocument renamed = composed;
    renamed.sheets[0].name = "cafe";
    EXPECT_NE(renamed, composed);

    // Maps filled in different orders are the same map and encode alike.
    VellDocument first = document, second = document;
    first.deletedSheets = {};
    second.deletedSheets = {};
    first.deletedSheets.emplace("B", at("01:00:00"));
    first.deletedSheets.emplace("A", at("02:00:00"));
    second.deletedSheets.emplace("A", at("02:00:00"));
    second.deletedSheets.emplace("B", at("01:00:00"));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.encode(), second.encode());

    VellDocument unselected = document;
    unselected.selectedSheetID.reset();
    EXPECT_NE(unselected, document);
    VellDocument otherLocks = document;
    otherLocks.sheets[0].lockedLines = {};
    EXPECT_NE(otherLocks, document);
}

TEST(DocumentJson, AnyScriptComesBackUnchanged) {
    VellDocument document;
    document.sheets = {
        sheet(1, "単位 👩🏽‍💻", "梁幅 = 120 mm\n\"引用\" \\ / \t\u0001\n🇯🇵", at("10:00:00"))};
    const VellDocument read = VellDocument::decode(document.encode());
    EXPECT_EQ(read.sheets[0].name, document.sheets[0].name);
    EXPECT_EQ(read.sheets[0].text, document.sheets[0].text);
}

TEST(DocumentJson, InvalidUtf8IsReplacedInsteadOfFailingTheSave) {
    VellDocument document;
    document.sheets = {sheet(1, "bad \xff name", "text \xc3 end", at("10:00:00"))};
    document.keyLayouts = {{"units\xfe", {{"g\xff", {"m\xff"}}}}};
    std::string bytes;
    ASSERT_NO_THROW(bytes = document.encode());
    const VellDocument read = VellDocument::decode(bytes);
    EXPECT_EQ(read.sheets[0].name, "bad \uFFFD name");
    EXPECT_EQ(read.sheets[0].text, "text \uFFFD end");
    EXPECT_EQ(read.keyLayouts.begin()->first, "units\uFFFD");
}

Sheet decodeSheet(const std::string& text, const std::string& lockedLines) {
    nlohmann::json object = {{"id", uuid(1).uuidString()}, {"name", "A"}, {"text", text}};
    object["lockedLines"] = nlohmann::json::parse(lockedLines);
    return Sheet::fromJson(object);
}

TEST(DocumentJson, LineEndsBecomeLineFeedsAndLocksStayWithTheirLines) {
    struct Case {
        std::string text;
        std::string locks;
        std::string expectedText;
        std::vector<std::int64_t> expectedLocks;
    };
    const Case cases[] = {
        {"a\r\nb\r\nc", "[0, 2]", "a\nb\nc", {0, 2}},
        // A lone CR is a line break of its own, so the lines after it move down.
        {"a\rb\nc", "[1]", "a\nb\nc", {2}},
        // A locked line that splits stays locked in every piece.
        {"x\na\rb\r\nc", "[1, 2]", "x\na\nb\nc", {1, 2, 3}},
        {"a\r\r\nb", "[1]", "a\n\nb", {2}},
        {"end\r", "[0]", "end\n", {0, 1}},
        {"a\rb", "[5, -1]", "a\nb", {6, -1}},
        // A lock far past the end stays past it without leaving the 64-bit range.
        {"a\rb\rc",
         "[9223372036854775806, 9223372036854775807]",
         "a\nb\nc",
         {9223372036854775807, 9223372036854775807}},
        {"\r\n\r\n", "[]", "\n\n", {}},
    };
    for (const Case& c : cases) {
        const Sheet sheet = decodeSheet(c.text, c.locks);
        EXPECT_EQ(sheet.text, c.expectedText);
        EXPECT_EQ(sheet.lockedLines, c.expectedLocks) << c.expectedText;
    }
}

} // namespace
} // namespace vell
