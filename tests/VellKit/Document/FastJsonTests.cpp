// The document's JSON reader gives what json::parse gives, value for value and error for error.

#include "Document/FastJson.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vell {
namespace {

TEST(FastJsonTest, ReadsAsTheLibraryParserDoes) {
    const std::vector<std::string> texts = {
        R"({})",
        R"([])",
        R"(  {"a": 1, "b": [true, false, null], "c": {"d": "e"}}  )",
        R"({"n": [0, -1, 2.5, 1e3, -0.0, 12345678901234567890, 1E-2]})",
        R"({"s": "plain \"quoted\" \\ \/ \b\f\n\r\t end"})",
        R"({"u": "\u00e9\u3042 \ud83d\ude00 \u0000"})",
        "{\"raw\": \"家賃 🏠 é\"}",
        R"({"k": 1, "k": 2})",
        std::string("{\"sheets\": [{\"text\": \"") + std::string(100'000, 'x') + "\\n" +
            std::string(100'000, 'y') + "\"}]}",
        // Not taken: each must fail as the library fails.
        R"({"a": 1,})",
        R"({"a" 1})",
        R"([1 2])",
        R"({"a": "unterminated)",
        "{\"a\": \"raw\tcontrol\"}",
        R"({"a": "\x"})",
        R"({"a": "\ud83d"})",
        R"({"a": 01})",
        R"({"a": -})",
        R"({"a": tru})",
        "{\"a\": \"\xff\"}",
        R"({} extra)",
        "",
        std::string(300, '[') + std::string(300, ']'),
    };
    for (const std::string& text : texts) {
        std::optional<nlohmann::json> expected;
        std::string expectedError;
        try {
            expected = nlohmann::json::parse(text);
        } catch (const nlohmann::json::exception& error) {
            expectedError = error.what();
        }
        try {
            const nlohmann::json value = parseJson(text);
            ASSERT_TRUE(expected) << text.substr(0, 80) << ": read, but the library fails: " << expectedError;
            EXPECT_EQ(value, *expected) << text.substr(0, 80);
            EXPECT_EQ(value.dump(), expected->dump()) << text.substr(0, 80);
        } catch (const nlohmann::json::exception& error) {
            EXPECT_FALSE(expected) << text.substr(0, 80) << ": fails, but the library reads it";
            EXPECT_EQ(error.what(), expectedError);
        }
    }
}

} // namespace
} // namespace vell
