#include "Sheet/ProgramRunner.h"

#include "Engine/CalcError.h"
#include "Engine/Comparison.h"
#include "Engine/Evaluator.h"
#include "Engine/L10n.h"
#include "Engine/LanguageWords.h"
#include "Engine/Lexer.h"
#include "Engine/UnexpectedErrors.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/PlotBuilder.h"
#include "Sheet/Program.h"
#include "Sheet/SheetText.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

std::string cantCalculate() {
    return L10n::text("計算できません", "Can’t calculate this");
}

LineResult failure(std::string message) {
    return {LineOutcome::failure(std::move(message)), std::nullopt};
}

bool isBuiltinName(std::string_view name) {
    const std::string lower = unicode::toLower(name);
    return std::find(Evaluator::builtinNames.begin(), Evaluator::builtinNames.end(), lower) !=
           Evaluator::builtinNames.end();
}

const ProgramFunction* findIn(const NameMap<ProgramFunction>& table, std::string_view name) {
    const auto found = table.find(name);
    return found == table.end() ? nullptr : &found->second;
}

} // namespace

// The line's surroundings, passed through, with every answer noted as an input of the line. A line
// that runs a def function, or whose work runs out of time, is marked unsure.
class ProgramRunner::Recorder final : public EvalContext {
public:
    explicit Recorder(LineContext& base) : base_(&base) {}

    std::optional<Value> lookupName(std::string_view name) override {
        bool mixedUnits = false;
        std::optional<Value> value = lookup(*base_, name, mixedUnits);
        auto& names = inputs.names;
        if (std::none_of(names.begin(), names.end(), [&](const auto& entry) { return entry.name == name; }))
            names.push_back({std::string(name), value, mixedUnits});
        return value;
    }
    // The name's value, and whether looking it up found units that cannot be summed (which the line's
    // failure message tells).
    static std::optional<Value> lookup(LineContext& context, std::string_view name, bool& mixedUnits) {
        const bool before = context.mixedUnits;
        context.mixedUnits = false;
        std::optional<Value> value = context.lookupName(name);
        mixedUnits = context.mixedUnits;
        context.mixedUnits = before || mixedUnits;
        return value;
    }
    std::optional<Value> lineValue(std::int64_t line) override {
        std::optional<Value> value = base_->lineValue(line);
        auto& lines = inputs.lines;
        if (std::none_of(lines.begin(), lines.end(), [&](const auto& entry) { return entry.first == line; }))
            lines.emplace_back(line, value);
        return value;
    }
    std::optional<Value> callUserFunction(std::string_view name,
                                          const std::vector<Value>& arguments) override {
        std::optional<Value> value;
        try {
            value = base_->callUserFunction(name, arguments);
        } catch (...) {
            unsure = true;
            throw;
        }
        if (value) {
            unsure = true;
        } else {
            auto& absent = inputs.absentFunctions;
            if (std::find(absent.begin(), absent.end(), name) == absent.end()) absent.emplace_back(name);
        }
        return value;
    }
    void reportWork(std::size_t units) override {
        try {
            base_->reportWork(units);
        } catch (...) {
            unsure = true;
            throw;
        }
    }

    LineInputs inputs;
    bool unsure = false;

private:
    LineContext* base_;
};

ProgramRunner::ProgramRunner(std::vector<std::string_view> lines, std::span<const SharedSheet> others,
                             ProgramBudget::ClockSource clock, SheetEvaluationCache* cache)
    : lines_(std::move(lines)), context_(std::move(clock)), cache_(cache), lineContext_(&context_),
      results_(lines_.size()), visited_(lines_.size()), others_(others) {
    context_.reserveLines(lines_.size());
}

void ProgramRunner::resume(const SheetResumePoint* from, std::size_t takeAt) {
    resumeFrom_ = from;
    takeAt_ = takeAt;
}

std::vector<LineResult> ProgramRunner::run() {
    context_.runFunction = [this](const ProgramFunction& function) {
        // The body may redefine the function while it runs: hold on to what runs.
        const ProgramBody body = function.body;
        const std::optional<std::string> home = function.home;
        return callFunction(body, home);
    };
    context_.findFunction = [this](std::string_view name) { return findFunction(name); };

    std::size_t from = 0;
    if (resumeFrom_ && resumeFrom_->line < lines_.size()) {
        from = resumeFrom_->line;
        context_.resume(resumeFrom_->context);
        std::copy(resumeFrom_->results.begin(), resumeFrom_->results.end(), results_.begin());
        visited_.setFirst(resumeFrom_->reached);
    }
    // Both parts stay for the whole evaluation: bodies are known by their nodes.
    ProgramNodes above;
    ProgramNodes nodes;
    try {
        bool ended = false;
        if (takeAt_ > from && takeAt_ < lines_.size()) {
            above = Program::parse(lines_, from, takeAt_);
            // A break or continue outside every loop ends the evaluation without a mark.
            ended = execute(above, true).has_value();
            if (!ended) takePoint(takeAt_);
            from = takeAt_;
        }
        if (!ended) {
            nodes = Program::parse(lines_, from, lines_.size());
            execute(nodes, true);
        }
    } catch (const CalcError& error) {
        failUnvisitedLines(error.message());
    } catch (const std::exception&) {
        // Anything else ends the evaluation silently; the lines not reached stay blank.
        UnexpectedErrors::handle();
    }
    context_.runFunction = nullptr;
    context_.findFunction = nullptr;
    return std::move(results_);
}

void ProgramRunner::takePoint(std::size_t at) {
    // Only a point that an evaluation afresh would reach the same way. Functions that another sheet's
    // functions defined read the text of that sheet, which is not kept.
    if (context_.budget.outOfTime() || outOfTimeAt_ || failedUnexpectedly_ || !nestedShared_.empty()) return;
    SheetResumePoint point;
    point.line = at;
    point.context = context_.state();
    point.results.assign(results_.begin(), results_.begin() + static_cast<std::ptrdiff_t>(at));
    point.reached = visited_.first(at);
    point.readOthers =
        others_.empty() || sharedCache_.has_value() || (resumeFrom_ && resumeFrom_->readOthers);
    taken_ = std::move(point);
}

void ProgramRunner::runLine(std::size_t index, std::string_view text, bool topLevel) {
    if (text.size() > DocumentEvaluator::maxLineBytes) {
        context_.mixedUnits = false;
        failLine(index, text, DocumentEvaluator::lineTooLongMessage());
        return;
    }
    if (cache_ && topLevel && homeStack_.empty() && context_.locals.empty()) {
        runCachedLine(index, text);
        return;
    }
    context_.mixedUnits = false;
    runRead(index, text, read(DocumentEvaluator::prepareLine(text, context_.previous)), topLevel);
}

void ProgramRunner::runCachedLine(std::size_t index, std::string_view text) {
    const bool afterAnswer = context_.previous.has_value();
    const auto holds = [this](const LineInputs& inputs) { return inputsHold(inputs); };
    if (auto remembered = cache_->recall(index, text, afterAnswer, holds)) {
        replay(index, remembered->result);
        cache_->remember(index, std::move(remembered));
        return;
    }

    context_.mixedUnits = false;
    const std::shared_ptr<const LineReading> reading =
        cache_->reading(DocumentEvaluator::prepareLine(text, context_.previous));
    Recorder recorder(context_);
    lineContext_ = &recorder;
    lineUnsure_ = false;
    runRead(index, text, *reading, true);
    lineContext_ = &context_;
    if (recorder.unsure || lineUnsure_ || !visited_[index]) return;
    cache_->remember(index,
                     std::make_shared<const RememberedLine>(RememberedLine{
                         std::string(text), afterAnswer, results_[index], std::move(recorder.inputs)}));
}

bool ProgramRunner::inputsHold(const LineInputs& inputs) {
    for (const auto& [name, value, mixedUnits] : inputs.names) {
        bool nowMixed = false;
        if (!SheetEvaluationCache::identical(Recorder::lookup(context_, name, nowMixed), value) ||
            nowMixed != mixedUnits)
            return false;
    }
    for (const auto& [line, value] : inputs.lines)
        if (!SheetEvaluationCache::identical(context_.lineValue(line), value)) return false;
    for (const std::string& name : inputs.absentFunctions) {
        if (unicode::isAscii(name) ? findFunction(name) : findFunction(unicode::nfc(name))) return false;
    }
    return true;
}

void ProgramRunner::replay(std::size_t index, const LineResult& result) {
    // As runStatement does after evaluating a line to a value.
    if (const Value* value = result.outcome.as<Value>()) {
        context_.previous = *value;
        context_.recordLine(static_cast<std::int64_t>(index) + 1, *value);
        if (value->isNumber()) {
            context_.block.append(*value);
            context_.all.append(*value);
        }
        if (result.name) context_.assign(*result.name, *value);
    }
    context_.mixedUnits = false;
    setResult(index, result);
}

LineReading ProgramRunner::read(std::string_view prepared) {
    // Every line is tokenised into the same list, which keeps the room of a short line's tokens.
    constexpr std::size_t keptTokens = 64;
    thread_local std::vector<Token> spare;
    LineReading line;
    try {
        std::vector<Token> tokens = std::move(spare);
        Lexer::tokenize(prepared, tokens);
        Parser parser(std::move(tokens));
        Parser::Reading reading = parser.readStatement();
        tokens = std::move(parser).releaseTokens();
        if (tokens.capacity() <= keptTokens) {
            // Only the room is kept, not the texts of this line.
            tokens.clear();
            spare = std::move(tokens);
        }
        if (auto* statement = std::get_if<Statement>(&reading))
            line.statement = std::move(*statement);
        else
            line.error = std::move(std::get<std::string>(reading));
    } catch (const CalcError& error) {
        line.error = error.message();
    } catch (const std::exception&) {
        // Neither a statement nor a message: the line cannot be calculated.
        UnexpectedErrors::handle();
    }
    return line;
}

const ProgramRunner::ReadLine& ProgramRunner::readCached(const ProgramNode::Line& line) {
    ReadLines& cached = readLines_[&line];
    std::optional<ReadLine>& slot = context_.previous ? cached.withPrevious : cached.withoutPrevious;
    if (!slot && line.source.size() > DocumentEvaluator::maxLineBytes)
        slot = ReadLine{std::nullopt, DocumentEvaluator::lineTooLongMessage()};
    if (!slot) {
        std::string prepared = DocumentEvaluator::prepareLine(line.source, context_.previous);
        slot = cache_ ? *cache_->reading(prepared) : read(prepared);
    }
    return *slot;
}

void ProgramRunner::runRead(std::size_t index, std::string_view text, const ReadLine& read, bool topLevel) {
    if (!read.statement) {
        if (read.error) {
            failLine(index, text, *read.error);
        } else {
            lineUnsure_ = failedUnexpectedly_ = true;
            setResult(index, failure(cantCalculate()));
        }
        return;
    }
    try {
        runStatement(index, text, *read.statement, topLevel);
    } catch (const CalcError& error) {
        failLine(index, text, error.message());
    } catch (const EscapedLoopSignal&) {
        lineUnsure_ = true;
        setResult(index, failure(cantCalculate()));
    } catch (const std::exception&) {
        lineUnsure_ = failedUnexpectedly_ = true;
        UnexpectedErrors::handle();
        setResult(index, failure(cantCalculate()));
    }
}

void ProgramRunner::runStatement(std::size_t index, std::string_view text, const Statement& statement,
                                 bool topLevel) {
    if (statement.name && DocumentEvaluator::isReservedWord(*statement.name)) {
        const std::string& name = *statement.name;
        setResult(index,
                  failure(L10n::text("「" + name + "」はもともとある言葉なので名前に使えません",
                                     "“" + name + "” is a built-in word and can’t be used as a name")));
        return;
    }
    if (runPlot(index, text, statement)) return;

    const Evaluator evaluator(*lineContext_);
    // Prose fails on its first word and becomes a note; finding that out by throwing costs more
    // than evaluating a whole line of figures. (A line with a digit needs the evaluator's message;
    // loop and function bodies, run many times, seldom hold prose.)
    if (topLevel && DocumentEvaluator::hasNoDigits(text) &&
        evaluator.beginsWithUndefinedName(*statement.expr)) {
        failLine(index, text, {});
        return;
    }
    Value value = evaluator.evaluate(*statement.expr);
    if (topLevel && index + 1 == lines_.size()) {
        // Nothing runs after the sheet's last line: what it would leave for later lines is not kept.
        setResult(index, {LineOutcome::value(std::move(value)), statement.name});
        return;
    }
    context_.previous = value;
    if (homeStack_.empty()) context_.recordLine(static_cast<std::int64_t>(index) + 1, value);
    if (topLevel && value.isNumber()) {
        context_.block.append(value);
        context_.all.append(value);
    }
    if (statement.name) context_.assign(*statement.name, value);
    setResult(index, {LineOutcome::value(std::move(value)), statement.name});
}

void ProgramRunner::failLine(std::size_t index, std::string_view text, const std::string& message) {
    if (context_.mixedUnits)
        setResult(index, failure(L10n::text("種類の違う単位が混ざっていて合計できません",
                                            "Units of different kinds are mixed, so they can’t be summed")));
    else if (DocumentEvaluator::hasNoDigits(text))
        setResult(index, {LineOutcome::comment(), std::nullopt});
    else
        setResult(index, failure(message));
}

bool ProgramRunner::runPlot(std::size_t index, std::string_view title, const Statement& statement) {
    const Expr::Call* call = PlotBuilder::plotCall(*statement.expr);
    if (!call) return false;
    // A builder's message stands as it is: the mixed-units and digit rules do not apply.
    try {
        setResult(index,
                  {LineOutcome::plot(PlotBuilder::build(*call, *lineContext_, title)), statement.name});
    } catch (const CalcError& error) {
        setResult(index, failure(error.message()));
    }
    return true;
}

void ProgramRunner::setResult(std::size_t index, LineResult result) {
    if (!homeStack_.empty() || index >= results_.size()) return;
    if (!outOfTimeAt_ && context_.budget.outOfTime()) outOfTimeAt_ = index;
    visited_.set(index);
    results_[index] = std::move(result);
}

void ProgramRunner::failUnvisitedLines(const std::string& message) {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (!visited_[i] && !SheetText::trimmed(lines_[i]).empty()) setResult(i, failure(message));
}

std::optional<ProgramFlow> ProgramRunner::execute(const ProgramNodes& nodes, bool topLevel) {
    for (const ProgramNode& node : nodes) {
        context_.budget.step();
        switch (node.kind()) {
        case ProgramNode::Case::line: {
            const auto& line = *node.as<ProgramNode::Line>();
            if (topLevel) {
                runLine(line.index, line.source, topLevel);
            } else {
                // Body lines run many times: their reading is kept.
                context_.mixedUnits = false;
                runRead(line.index, line.source, readCached(line), topLevel);
            }
            break;
        }
        case ProgramNode::Case::blank: {
            if (topLevel) context_.block.clear();
            setResult(node.as<ProgramNode::Blank>()->index, {});
            break;
        }
        case ProgramNode::Case::comment:
            setResult(node.as<ProgramNode::Comment>()->index, {LineOutcome::comment(), std::nullopt});
            break;
        case ProgramNode::Case::invalid: {
            const auto& invalid = *node.as<ProgramNode::Invalid>();
            setResult(invalid.index, failure(invalid.message));
            break;
        }
        case ProgramNode::Case::ifChain:
            if (auto flow = runIfChain(node.as<ProgramNode::IfChain>()->branches, topLevel)) return flow;
            break;
        case ProgramNode::Case::forLoop:
            if (auto flow = runFor(*node.as<ProgramNode::ForLoop>())) return flow;
            break;
        case ProgramNode::Case::whileLoop:
            if (auto flow = runWhile(*node.as<ProgramNode::WhileLoop>())) return flow;
            break;
        case ProgramNode::Case::define:
            define(*node.as<ProgramNode::Define>());
            break;
        case ProgramNode::Case::ret:
            if (auto flow = runReturn(*node.as<ProgramNode::Ret>())) return flow;
            break;
        case ProgramNode::Case::breakLoop:
            setResult(node.as<ProgramNode::BreakLoop>()->index, {});
            return ProgramFlow::breakLoop();
        case ProgramNode::Case::continueLoop:
            setResult(node.as<ProgramNode::ContinueLoop>()->index, {});
            return ProgramFlow::continueLoop();
        }
    }
    return std::nullopt;
}

Value ProgramRunner::evaluate(const Expr& expression) {
    try {
        return Evaluator(context_).evaluate(expression);
    } catch (const EscapedLoopSignal&) {
        throw CalcError(cantCalculate());
    }
}

std::optional<ProgramFlow> ProgramRunner::runIfChain(const std::vector<ProgramNode::Branch>& branches,
                                                     bool topLevel) {
    for (const ProgramNode::Branch& branch : branches) {
        setResult(branch.index, {});
        if (!branch.condition) return execute(*branch.body, topLevel);
        bool taken = false;
        try {
            taken = Comparison::isTruthy(evaluate(*branch.condition));
        } catch (const CalcError& error) {
            setResult(branch.index, failure(error.message()));
            return std::nullopt;
        }
        if (taken) return execute(*branch.body, topLevel);
    }
    return std::nullopt;
}

std::optional<ProgramFlow> ProgramRunner::runFor(const ProgramNode::ForLoop& loop) {
    setResult(loop.index, {});
    LoopItems items;
    try {
        items = loopItems(*loop.iterable);
    } catch (const CalcError& error) {
        setResult(loop.index, failure(error.message()));
        return std::nullopt;
    }

    // One iteration; true when the loop goes on.
    std::optional<ProgramFlow> returned;
    const auto iterate = [&](Value item) {
        context_.budget.step();
        context_.assign(loop.name, std::move(item));
        auto flow = execute(*loop.body, false);
        if (!flow || flow->kind == ProgramFlow::Kind::continueLoop) return true;
        if (flow->kind == ProgramFlow::Kind::ret) returned = std::move(flow);
        return false;
    };
    try {
        if (const auto& range = items.range) {
            // Written so that a NaN anywhere makes the range empty.
            for (double k = 0;; ++k) {
                const double item = range->start + k * range->step;
                if (range->step > 0 ? !(item <= range->bound) : !(item >= range->bound)) break;
                if (!iterate(rangeItem(item))) break;
            }
        } else {
            for (Value& item : items.values)
                if (!iterate(std::move(item))) break;
        }
    } catch (const CalcError& error) {
        setResult(loop.index, failure(error.message()));
        throw;
    }
    return returned;
}

std::optional<ProgramFlow> ProgramRunner::runWhile(const ProgramNode::WhileLoop& loop) {
    setResult(loop.index, {});
    try {
        for (;;) {
            context_.budget.step();
            if (!Comparison::isTruthy(evaluate(*loop.condition))) break;
            auto flow = execute(*loop.body, false);
            if (!flow || flow->kind == ProgramFlow::Kind::continueLoop) continue;
            if (flow->kind == ProgramFlow::Kind::ret) return flow;
            break;
        }
    } catch (const CalcError& error) {
        setResult(loop.index, failure(error.message()));
        throw;
    }
    return std::nullopt;
}

ProgramRunner::LoopItems ProgramRunner::loopItems(const Expr& iterable) {
    LoopItems items;
    if (const auto* call = iterable.as<Expr::Call>();
        call && unicode::toLower(call->name) == LanguageWords::rangeWord) {
        items.range = rangeStride(*call);
        return items;
    }
    Value value = evaluate(iterable);
    if (value.isList()) {
        items.values = value.items();
    } else if (value.isText()) {
        const std::string& text = value.textValue();
        const auto characters = unicode::graphemes(text);
        items.values.reserve(characters.size());
        for (const std::string_view character : characters)
            items.values.push_back(Value::text(std::string(character)));
    } else {
        throw CalcError(L10n::text("for で回せるのは range(…) と表 [1, 2, 3] と文字です",
                                   "for can loop over range(…), a list [1, 2, 3], or text"));
    }
    return items;
}

ProgramRunner::LoopItems::Range ProgramRunner::rangeStride(const Expr::Call& call) {
    const std::size_t count = call.arguments.size();
    if (count < 1 || count > 3)
        throw CalcError(L10n::text("range(終わり) / range(始め, 終わり) / range(始め, 終わり, 刻み)",
                                   "Use range(end), range(start, end), or range(start, end, step)"));
    double numbers[3] = {0, 0, 1};
    for (std::size_t i = 0; i < count; ++i) {
        const Value value = evaluate(*call.arguments[i]).percentResolved();
        if (!value.isNumber()) {
            const std::string noun = value.kindName();
            throw CalcError(L10n::text("range に" + noun + "は使えません", "range can’t take " + noun));
        }
        if (value.unit) throw CalcError(L10n::text("range に単位は使えません", "range can’t take a unit"));
        numbers[i] = std::round(value.number);
    }
    double start = 0;
    double end = numbers[0];
    double step = 1;
    if (count >= 2) {
        start = numbers[0];
        end = numbers[1];
    }
    if (count == 3) {
        step = numbers[2];
        if (step == 0)
            throw CalcError(L10n::text("range の刻みに 0 は使えません", "The range step can’t be 0"));
    }
    return {start, step > 0 ? end - 1 : end + 1, step};
}

void ProgramRunner::define(const ProgramNode::Define& node) {
    if (auto problem = DocumentEvaluator::functionNameProblem(node.name)) {
        setResult(node.index, failure(std::move(*problem)));
        return;
    }
    ProgramFunction function{node.name, node.params, node.body, std::nullopt};
    if (!homeStack_.empty()) {
        const std::string& home = homeStack_.back();
        function.home = home;
        nestedShared_[home].insert_or_assign(node.name, std::move(function));
    } else {
        context_.functions.insert_or_assign(node.name, std::move(function));
    }
    setResult(node.index, {});
}

std::optional<ProgramFlow> ProgramRunner::runReturn(const ProgramNode::Ret& node) {
    if (context_.locals.empty()) {
        setResult(node.index, failure(L10n::text("return は def の中だけで使えます",
                                                 "return can only be used inside def")));
        return std::nullopt;
    }
    if (!node.value) {
        setResult(node.index, {});
        return ProgramFlow::ret(std::nullopt);
    }
    Value value;
    try {
        value = evaluate(*node.value);
    } catch (const CalcError& error) {
        setResult(node.index, failure(error.message()));
        throw;
    }
    setResult(node.index, {LineOutcome::value(value), std::nullopt});
    return ProgramFlow::ret(std::move(value));
}

const ProgramFunction* ProgramRunner::findFunction(std::string_view name) {
    // Outside shared functions and without other sheets only the sheet's own functions are left,
    // which the context searches itself when none is found here.
    if (homeStack_.empty() && others_.empty()) return nullptr;
    if (!homeStack_.empty()) {
        const std::string& home = homeStack_.back();
        if (const auto nested = nestedShared_.find(home); nested != nestedShared_.end())
            if (const ProgramFunction* function = findIn(nested->second, name)) return function;
        for (const auto& [sheet, table] : sharedFunctions())
            if (sheet == home) {
                if (const ProgramFunction* function = findIn(table, name)) return function;
                break;
            }
    }
    if (const ProgramFunction* function = findIn(context_.functions, name)) return function;
    // Without other sheets there is nothing more to find, and no need to tell a built-in name.
    if (others_.empty() || isBuiltinName(name)) return nullptr;
    for (const auto& [sheet, table] : sharedFunctions())
        if (const ProgramFunction* function = findIn(table, name)) return function;
    return nullptr;
}

const ProgramRunner::SharedFunctions& ProgramRunner::sharedFunctions() {
    if (sharedCache_) return *sharedCache_;
    SharedFunctions shared;
    shared.reserve(others_.size());
    for (const SharedSheet& sheet : others_) {
        const auto lines = DocumentEvaluator::splitLines(sheet.text);
        NameMap<ProgramFunction> table = Program::functions(Program::parse(lines), sheet.name);
        std::erase_if(table, [](const auto& entry) {
            return DocumentEvaluator::functionNameProblem(entry.first).has_value();
        });
        shared.emplace_back(sheet.name, std::move(table));
    }
    sharedCache_ = std::move(shared);
    return *sharedCache_;
}

Value ProgramRunner::callFunction(const ProgramBody& body, const std::optional<std::string>& home) {
    if (home) homeStack_.push_back(*home);
    struct Restore {
        ProgramRunner& runner;
        const std::optional<std::string>& home;
        std::optional<Value> previous;
        ~Restore() {
            runner.context_.previous = std::move(previous);
            runner.popHome(home);
        }
    } restore{*this, home, context_.previous};

    const auto flow = execute(*body, false);
    if (!flow) return Value(0.0);
    if (flow->kind == ProgramFlow::Kind::ret) return flow->value ? *flow->value : Value(0.0);
    // A break or continue outside every loop of the body: the calling line fails, and no loop of
    // the caller may take the signal.
    throw EscapedLoopSignal();
}

void ProgramRunner::popHome(const std::optional<std::string>& home) {
    if (home && !homeStack_.empty()) homeStack_.pop_back();
}

} // namespace vell
