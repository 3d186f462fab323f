#include "Engine/Evaluator.h"

#include "Engine/CalcError.h"
#include "Engine/Comparison.h"
#include "Engine/L10n.h"
#include "Engine/LanguageWords.h"
#include "Engine/UnitRegistry.h"
#include "Unicode/Decimal.h"
#include "Unicode/Unicode.h"

#include <numbers>

namespace vell {

namespace {

// A table unit, else a compound unit text.
std::optional<MeasureUnit> findUnit(std::string_view word) {
    return UnitRegistry::find(word);
}

bool isComparison(std::string_view op) {
    return op == "==" || op == "!=" || op == "<" || op == "<=" || op == ">" || op == ">=";
}

} // namespace

const std::unordered_map<std::string, double>& Evaluator::constants() {
    static const std::unordered_map<std::string, double> table{
        {"pi", std::numbers::pi},
        {"π", std::numbers::pi},
        {"PI", std::numbers::pi},
        {"e", std::numbers::e},
        {"tau", 2 * std::numbers::pi},
        {"τ", 2 * std::numbers::pi},
        {std::string(LanguageWords::trueWord), 1.0},
        {std::string(LanguageWords::falseWord), 0.0},
    };
    return table;
}

std::optional<double> Evaluator::constant(std::string_view name) {
    // Every key is at most five bytes long; most names are looked up here on their way to the units.
    if (name.empty() || name.size() > 5) return std::nullopt;
    for (const auto& [key, value] : constants()) {
        if (key == name) return value;
    }
    return std::nullopt;
}

Value Evaluator::evaluate(const Expr& expression) const {
    Value value = evaluateNode(expression);
    // Lists and texts are what makes a short line expensive: each costs about its size to build
    // and to read again.
    if (value.isList())
        context_->reportWork(value.kind.listWeight());
    else if (value.isText())
        context_->reportWork(value.textValue().size());
    return value;
}

Value Evaluator::evaluateNode(const Expr& expression) const {
    switch (expression.kind()) {
    case Expr::Case::number:
        return Value(expression.as<Expr::Number>()->figure);
    case Expr::Case::text:
        return Value::text(expression.as<Expr::Text>()->text);
    case Expr::Case::list: {
        const auto& items = expression.as<Expr::List>()->items;
        Value::ListBuilder builder;
        builder.reserve(items.size());
        for (const auto& item : items)
            builder.append(evaluate(*item));
        return std::move(builder).build();
    }
    case Expr::Case::index: {
        const auto& node = *expression.as<Expr::Index>();
        Value base = evaluate(*node.base);
        Value index = evaluate(*node.index);
        return Comparison::evaluateIndex(base, index);
    }
    case Expr::Case::identifier:
        return resolveIdentifier(expression.as<Expr::Identifier>()->name);
    case Expr::Case::ref: {
        const auto line = expression.as<Expr::Ref>()->line;
        if (auto value = context_->lineValue(line)) return std::move(*value);
        const auto n = decimal(line);
        throw CalcError(L10n::text("#" + n + " が見つかりません", "#" + n + " not found"));
    }
    case Expr::Case::unary:
        return evaluateUnary(*expression.as<Expr::Unary>());
    case Expr::Case::binary:
        return evaluateBinary(*expression.as<Expr::Binary>());
    case Expr::Case::percent:
        return evaluatePercent(*expression.as<Expr::Percent>());
    case Expr::Case::unitApply:
        return evaluateUnitApply(*expression.as<Expr::UnitApply>());
    case Expr::Case::call: {
        const auto& node = *expression.as<Expr::Call>();
        return callFunction(node.name, node.arguments);
    }
    case Expr::Case::convert:
        return evaluateConvert(*expression.as<Expr::Convert>());
    case Expr::Case::percentOf:
        return evaluatePercentOf(*expression.as<Expr::PercentOf>());
    }
    return Value();
}

Value Evaluator::evaluateUnary(const Expr::Unary& node) const {
    Value operand = evaluate(*node.operand);
    if (node.op == LanguageWords::notWord) return Value(Comparison::isTruthy(operand) ? 0.0 : 1.0);
    if (node.op == "-") {
        if (!operand.isNumber()) {
            const auto noun = operand.kindName();
            throw CalcError(L10n::text(noun + "に − は付けられません", "Can’t negate " + noun));
        }
        operand.number = -operand.number;
    }
    return operand;
}

Value Evaluator::evaluateBinary(const Expr::Binary& node) const {
    const std::string& op = node.op;
    if (op == LanguageWords::andWord) {
        Value left = evaluate(*node.left);
        if (!Comparison::isTruthy(left)) return left;
        return evaluate(*node.right);
    }
    if (op == LanguageWords::orWord) {
        Value left = evaluate(*node.left);
        if (Comparison::isTruthy(left)) return left;
        return evaluate(*node.right);
    }
    Value left = evaluate(*node.left);
    Value right = evaluate(*node.right);
    if (op.size() == 1) {
        switch (op[0]) {
        case '+':
            return Value::add(left, right);
        case '-':
            return Value::subtract(left, right);
        case '*':
            return Value::multiply(left, right);
        case '/':
            return Value::divide(left, right);
        case '^':
            return Value::power(left, right);
        default:
            break;
        }
    }
    if (isComparison(op)) return Comparison::compare(op, left, right);
    throw CalcError(L10n::text("「" + op + "」は使えません", "“" + op + "” can’t be used here"));
}

Value Evaluator::evaluatePercent(const Expr::Percent& node) const {
    Value operand = evaluate(*node.operand);
    if (!operand.isNumber()) {
        const auto noun = operand.kindName();
        throw CalcError(L10n::text(noun + "に % は付けられません", "Can’t attach % to " + noun));
    }
    if (operand.unit) {
        throw CalcError(
            L10n::text("単位のある値に % は付けられません", "% can’t follow a value with a unit"));
    }
    return Value::percent(operand.number);
}

Value Evaluator::evaluateUnitApply(const Expr::UnitApply& node) const {
    Value operand = evaluate(*node.operand);
    if (auto named = context_->lookupName(node.word)) {
        if (isNameChain(*node.operand)) return Value::add(operand, *named);
        return Value::multiply(operand, *named);
    }
    auto unit = findUnit(node.word);
    if (!unit) {
        if (auto figure = constant(node.word)) return Value::multiply(operand, Value(*figure));
        throw CalcError(undefinedNameError(node.word));
    }
    if (!operand.isNumber()) {
        const auto noun = operand.kindName();
        throw CalcError(L10n::text(noun + "に単位は付けられません", "Can’t attach a unit to " + noun));
    }
    if (operand.isPercent) {
        const auto& display = unit->display();
        throw CalcError(L10n::text("パーセントに " + display + " は付けられません",
                                   "Can’t attach " + display + " to a percentage"));
    }
    if (!operand.unit) {
        operand.unit = std::move(unit);
        return operand;
    }
    if (operand.unit->dimensions() == unit->dimensions()) {
        const auto& inner = operand.unit->display();
        const auto& outer = unit->display();
        throw CalcError(L10n::text(inner + " にさらに " + outer + " は付けられません",
                                   "Can’t add " + outer + " on top of " + inner));
    }
    return Value::multiply(operand, Value(1, std::move(unit)));
}

Value Evaluator::evaluateConvert(const Expr::Convert& node) const {
    Value operand = evaluate(*node.operand);
    auto unit = findUnit(node.word);
    if (!unit) {
        throw CalcError(
            L10n::text(node.word + " という単位は知りません", "Unknown unit “" + node.word + "”"));
    }
    if (operand.isPercent) operand = operand.percentResolved();
    return operand.converted(*unit);
}

Value Evaluator::evaluatePercentOf(const Expr::PercentOf& node) const {
    Value share = evaluate(*node.share);
    Value whole = evaluate(*node.whole);
    if (!share.isNumber() || !whole.isNumber())
        throw CalcError(Value::operandError(LanguageWords::ofWord, share, whole));
    if (!share.isPercent) return Value::multiply(share, whole);
    const double figure = (whole.number * share.number) / 100;
    if (whole.isPercent) return Value::percent(figure);
    return Value(figure, std::move(whole.unit));
}

bool Evaluator::beginsWithUndefinedName(const Expr& expression) const {
    // Down the operands that evaluate() takes first.
    const Expr* first = &expression;
    for (;;) {
        switch (first->kind()) {
        case Expr::Case::identifier: {
            const std::string& name = first->as<Expr::Identifier>()->name;
            return !context_->lookupName(name) && !constant(name) && !findUnit(name);
        }
        case Expr::Case::list: {
            const auto& items = first->as<Expr::List>()->items;
            if (items.empty()) return false;
            first = items.front().get();
            break;
        }
        case Expr::Case::index:
            first = first->as<Expr::Index>()->base.get();
            break;
        case Expr::Case::unary:
            first = first->as<Expr::Unary>()->operand.get();
            break;
        case Expr::Case::binary:
            first = first->as<Expr::Binary>()->left.get();
            break;
        case Expr::Case::percent:
            first = first->as<Expr::Percent>()->operand.get();
            break;
        case Expr::Case::unitApply:
            first = first->as<Expr::UnitApply>()->operand.get();
            break;
        case Expr::Case::call: {
            // Without arguments the call itself comes first.
            const auto& arguments = first->as<Expr::Call>()->arguments;
            if (arguments.empty()) return false;
            first = arguments.front().get();
            break;
        }
        case Expr::Case::convert:
            first = first->as<Expr::Convert>()->operand.get();
            break;
        case Expr::Case::percentOf:
            first = first->as<Expr::PercentOf>()->share.get();
            break;
        case Expr::Case::number:
        case Expr::Case::text:
        case Expr::Case::ref:
            return false;
        }
    }
}

Value Evaluator::resolveIdentifier(std::string_view name) const {
    if (auto value = context_->lookupName(name)) return std::move(*value);
    if (auto figure = constant(name)) return Value(*figure);
    if (auto unit = findUnit(name)) return Value(1, std::move(unit));
    throw CalcError(undefinedNameError(name));
}

bool Evaluator::isNameChain(const Expr& expression) const {
    if (const auto* identifier = expression.as<Expr::Identifier>())
        return context_->lookupName(identifier->name).has_value();
    if (const auto* apply = expression.as<Expr::UnitApply>())
        return context_->lookupName(apply->word).has_value() && isNameChain(*apply->operand);
    return false;
}

std::string Evaluator::undefinedNameError(std::string_view name) {
    const std::string written(name);
    if (unicode::graphemeCount(name) == 1) {
        std::string upper = unicode::toUpper(name);
        if (upper != written) {
            if (auto unit = findUnit(upper)) {
                const auto& display = unit->display();
                return L10n::text(written + " が定義されていません（単位の " + display + " なら " + upper +
                                      " と大文字で書きます）",
                                  written + " is not defined (for the unit " + display +
                                      ", write it uppercase: " + upper + ")");
            }
        }
    }
    return L10n::text(written + " が定義されていません", written + " is not defined");
}

} // namespace vell
