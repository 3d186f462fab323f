// One line as the sheet reads it: lexed, parsed, evaluated and formatted, in surroundings that know a
// few names and line values and keep the sheet's budget. CalcError is the only way a line may fail.
// The same line is scanned for the editor's syntax colours and read as a colour text.

#include "Engine/CalcError.h"
#include "Engine/EvalContext.h"
#include "Engine/Evaluator.h"
#include "Engine/Lexer.h"
#include "Engine/Parser.h"
#include "Engine/UnitRegistry.h"
#include "FuzzSupport.h"
#include "LineRules/HexColor.h"
#include "LineRules/SyntaxScan.h"
#include "Sheet/ProgramBudget.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace vell;

class FuzzContext final : public EvalContext {
public:
    std::optional<Value> lookupName(std::string_view name) override {
        if (name == "a") return Value(2, UnitRegistry::lookup("m"));
        if (name == "b") return Value::percent(10);
        if (name == "xs") return Value::list({Value(1), Value(2), Value::text("c")});
        if (name == "t") return Value::text("日本語 text");
        return std::nullopt;
    }
    std::optional<Value> lineValue(std::int64_t line) override {
        if (line == 1) return Value(3);
        if (line == 2) return Value(5, UnitRegistry::lookup("kg"));
        return std::nullopt;
    }
    std::optional<Value> callUserFunction(std::string_view name,
                                          const std::vector<Value>& arguments) override {
        if (name == "twice" && arguments.size() == 1) return Value::multiply(arguments[0], Value(2));
        return std::nullopt;
    }
    void reportWork(std::size_t units) override { budget_.spend(units); }

private:
    ProgramBudget budget_;
};

// Runs lie in order inside the line, each over whole characters.
void checkSyntaxRuns(std::string_view line) {
    const std::u16string text = unicode::toUtf16(line);
    const std::vector<std::size_t> bounds = unicode::graphemeBoundaries(std::u16string_view(text));
    const auto isBoundary = [&](std::int64_t offset) {
        return std::binary_search(bounds.begin(), bounds.end(), static_cast<std::size_t>(offset));
    };
    std::int64_t end = 0;
    for (const SyntaxRun& run : SyntaxScan::runs(text)) {
        if (run.length <= 0 || run.start < end ||
            run.start + run.length > static_cast<std::int64_t>(text.size()))
            fuzz::fault("SyntaxScan::runs", "a run that is empty, overlaps or leaves the line");
        if (!isBoundary(run.start) || !isBoundary(run.start + run.length))
            fuzz::fault("SyntaxScan::runs", "a run that cuts a character");
        end = run.start + run.length;
    }
}

void checkColorText(std::string_view line) {
    const std::optional<RGBA> word = HexColor::rgba(line);
    if (word && HexColor::rgba(HexColor::hex(*word)) != word)
        fuzz::fault("HexColor", "a colour that does not read back from its own text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const bool validInput = unicode::isValidUtf8(line);
    const fuzz::SlowCheck slow(line);

    checkSyntaxRuns(line);
    checkColorText(line);

    (void)Lexer::normalize(line);
    const Lexer::LineMap map = Lexer::lineMap(line);
    for (std::size_t i = 0; i < map.characterOffsets.size(); ++i)
        if (map.sourceOffset(i) > line.size()) fuzz::fault("lineMap", "an offset past the end of the line");

    try {
        const Statement statement = Parser(Lexer::tokenize(line)).parseStatement();
        if (!statement.expr) fuzz::fault("parseStatement", "a statement without an expression");
        FuzzContext context;
        const Value value = Evaluator(context).evaluate(*statement.expr);
        if (validInput) fuzz::formatEveryWay(value);
    } catch (const CalcError& error) {
        if (error.message().empty()) fuzz::fault("CalcError", "an empty message");
        if (validInput) fuzz::expectValidUtf8(error.message(), "error message");
    }
    return 0;
}
