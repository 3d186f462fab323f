#include "Sheet/Program.h"

#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/LanguageWords.h"
#include "Engine/Lexer.h"
#include "Engine/Parser.h"
#include "Sheet/SheetText.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vell {

namespace {

struct Row {
    std::size_t index;
    int indent;
    std::string_view text; // trimmed
};

enum class HeaderKind {
    ifHeader,
    elifHeader,
    elseHeader,
    forHeader,
    whileHeader,
    defHeader
};

struct Header {
    HeaderKind kind;
    std::string_view rest;
};

bool isSkipped(const Row& row) {
    return row.text.empty() || SheetText::isNote(row.text);
}

std::optional<Header> header(std::string_view text) {
    if (!text.ends_with(':')) return std::nullopt;
    const std::string_view inner = SheetText::trimmed(text.substr(0, text.size() - 1));
    if (inner == LanguageWords::elseWord) return Header{HeaderKind::elseHeader, {}};
    static constexpr std::pair<std::string_view, HeaderKind> keywords[] = {
        {LanguageWords::ifWord, HeaderKind::ifHeader},   {LanguageWords::elifWord, HeaderKind::elifHeader},
        {LanguageWords::forWord, HeaderKind::forHeader}, {LanguageWords::whileWord, HeaderKind::whileHeader},
        {LanguageWords::defWord, HeaderKind::defHeader},
    };
    for (const auto& [keyword, kind] : keywords)
        if (const auto rest = Program::keywordRest(inner, keyword)) return Header{kind, *rest};
    return std::nullopt;
}

ProgramNode invalid(std::size_t index, std::string message) {
    return ProgramNode(ProgramNode::Invalid{index, std::move(message)});
}

ProgramBody share(ProgramNodes nodes) {
    return std::make_shared<const ProgramNodes>(std::move(nodes));
}

// One pass over the rows with a shared read position.
class BlockParser {
public:
    explicit BlockParser(std::span<const Row> rows) : rows_(rows) {}

    ProgramNodes parseBlock(int minIndent) {
        ProgramNodes nodes;
        // The top level takes most rows; its nodes are made without growing the list again and again.
        if (position_ == 0) nodes.reserve(rows_.size());
        while (position_ < rows_.size()) {
            const Row& row = rows_[position_];
            if (row.text.empty()) {
                nodes.emplace_back(ProgramNode::Blank{row.index});
                ++position_;
            } else if (SheetText::isNote(row.text)) {
                nodes.emplace_back(ProgramNode::Comment{row.index});
                ++position_;
            } else if (row.indent < minIndent) {
                break;
            } else if (const auto found = header(row.text)) {
                nodes.push_back(parseCompound(*found, row.index, row.indent));
            } else {
                ++position_;
                nodes.push_back(simpleStatement(row.text, row.index));
            }
        }
        return nodes;
    }

private:
    // The next row that is neither blank nor a note, from the read position; the position stays.
    std::optional<std::size_t> nextSignificant() const {
        for (std::size_t i = position_; i < rows_.size(); ++i)
            if (!isSkipped(rows_[i])) return i;
        return std::nullopt;
    }

    ProgramNodes parseBody(int headerIndent) {
        const auto next = nextSignificant();
        if (!next || rows_[*next].indent <= headerIndent) return {};
        return parseBlock(rows_[*next].indent);
    }

    ProgramNode parseCompound(const Header& found, std::size_t index, int indent) {
        if (found.kind == HeaderKind::ifHeader) return parseIfChain(found.rest, index, indent);
        ++position_;
        ProgramNodes body = parseBody(indent);
        if (found.kind == HeaderKind::forHeader) return forLoop(found.rest, index, std::move(body));
        if (found.kind == HeaderKind::whileHeader) return whileLoop(found.rest, index, std::move(body));
        if (found.kind == HeaderKind::defHeader) return define(found.rest, index, std::move(body));
        return invalid(index, L10n::text("対応する if がありません", "No matching if"));
    }

    static ProgramNode whileLoop(std::string_view rest, std::size_t index, ProgramNodes body) {
        ExprPtr condition = rest.empty() ? nullptr : Program::parseExpression(rest);
        if (!condition)
            return invalid(index, L10n::text("while の条件が読めません", "Can’t read the while condition"));
        return ProgramNode(ProgramNode::WhileLoop{index, std::move(condition), share(std::move(body))});
    }

    static ProgramNode forLoop(std::string_view rest, std::size_t index, ProgramNodes body) {
        static const std::string separator = " " + std::string(LanguageWords::inWord) + " ";
        const std::size_t in = rest.find(separator);
        if (in == std::string_view::npos)
            return invalid(index, L10n::text("for 名前 in range(…): の形で書きます",
                                             "Write it as: for name in range(…):"));
        const std::string_view name = SheetText::trimmed(rest.substr(0, in));
        if (!Program::isIdentifier(name))
            return invalid(
                index, L10n::text("for のうしろは名前を 1 つ書きます", "for needs a single name after it"));
        ExprPtr iterable = Program::parseExpression(SheetText::trimmed(rest.substr(in + separator.size())));
        if (!iterable)
            return invalid(index, L10n::text("回す範囲の書き方が正しくありません",
                                             "The range to loop over isn’t written correctly"));
        return ProgramNode(
            ProgramNode::ForLoop{index, unicode::nfc(name), std::move(iterable), share(std::move(body))});
    }

    static ProgramNode define(std::string_view rest, std::size_t index, ProgramNodes body) {
        const std::size_t open = rest.find('(');
        if (open == std::string_view::npos || !rest.ends_with(')'))
            return invalid(index,
                           L10n::text("def 名前(引数): の形で書きます", "Write it as: def name(arguments):"));
        const std::string_view name = SheetText::trimmed(rest.substr(0, open));
        std::string_view paramText = rest.substr(open + 1, rest.size() - open - 2);
        bool valid = Program::isIdentifier(name);
        std::vector<std::string> params;
        while (valid) {
            const std::size_t comma = paramText.find(',');
            const std::string_view param = SheetText::trimmed(paramText.substr(0, comma));
            if (!param.empty()) {
                if (Program::isIdentifier(param))
                    params.push_back(unicode::nfc(param));
                else
                    valid = false;
            }
            if (comma == std::string_view::npos) break;
            paramText.remove_prefix(comma + 1);
        }
        if (!valid)
            return invalid(index, L10n::text("関数と引数の名前は、文字で始まる言葉にします",
                                             "Function and argument names must start with a letter"));
        return ProgramNode(
            ProgramNode::Define{index, unicode::nfc(name), std::move(params), share(std::move(body))});
    }

    ProgramNode parseIfChain(std::string_view conditionText, std::size_t index, int indent) {
        std::optional<std::string> failure;
        std::vector<ProgramNode::Branch> branches;
        const auto addBranch = [&](std::size_t at, std::string_view text, ProgramNodes body) {
            ExprPtr condition = text.empty() ? nullptr : Program::parseExpression(text);
            if (!condition) {
                if (!failure)
                    failure =
                        L10n::text("条件の書き方が正しくありません", "The condition isn’t written correctly");
                return;
            }
            branches.push_back({at, std::move(condition), share(std::move(body))});
        };

        ++position_;
        addBranch(index, conditionText, parseBody(indent));
        while (const auto next = nextSignificant()) {
            const Row& row = rows_[*next];
            if (row.indent != indent || !row.text.ends_with(':')) break;
            const auto found = header(row.text);
            if (!found) break;
            if (found->kind == HeaderKind::elseHeader) {
                position_ = *next + 1;
                branches.push_back({row.index, nullptr, share(parseBody(indent))});
                break;
            }
            if (found->kind != HeaderKind::elifHeader) break;
            position_ = *next + 1;
            addBranch(row.index, found->rest, parseBody(indent));
        }
        if (failure) return invalid(index, std::move(*failure));
        return ProgramNode(ProgramNode::IfChain{std::move(branches)});
    }

    static ProgramNode simpleStatement(std::string_view text, std::size_t index) {
        if (const auto rest = Program::keywordRest(text, LanguageWords::returnWord)) {
            if (rest->empty()) return ProgramNode(ProgramNode::Ret{index, nullptr});
            if (ExprPtr value = Program::parseExpression(*rest))
                return ProgramNode(ProgramNode::Ret{index, std::move(value)});
            return invalid(index, L10n::text("return のうしろの式が読めません",
                                             "Can’t read the expression after return"));
        }
        if (text == LanguageWords::breakWord) return ProgramNode(ProgramNode::BreakLoop{index});
        if (text == LanguageWords::continueWord) return ProgramNode(ProgramNode::ContinueLoop{index});
        return ProgramNode(ProgramNode::Line{index, text});
    }

    std::span<const Row> rows_;
    std::size_t position_ = 0;
};

bool isLetter(char32_t scalar) {
    if (scalar < 0x80) return (scalar >= U'a' && scalar <= U'z') || (scalar >= U'A' && scalar <= U'Z');
    return unicode::isAlphabetic(scalar);
}

} // namespace

ProgramNodes Program::parse(std::span<const std::string_view> lines) {
    return parse(lines, 0, lines.size());
}

ProgramNodes Program::parse(std::span<const std::string_view> lines, std::size_t from, std::size_t to) {
    to = std::min(to, lines.size());
    from = std::min(from, to);
    const auto parseRows = [&](std::span<Row> rows) {
        for (std::size_t i = from; i < to; ++i)
            rows[i - from] = {i, indentWidth(lines[i]), SheetText::trimmed(lines[i])};
        return BlockParser(rows).parseBlock(0);
    };
    // A sheet of a few lines, often a single one, is read without a list on the heap.
    constexpr std::size_t fewLines = 8;
    if (to - from <= fewLines) {
        std::array<Row, fewLines> rows{};
        return parseRows(std::span<Row>(rows.data(), to - from));
    }
    std::vector<Row> rows(to - from);
    return parseRows(rows);
}

bool Program::startsTopLevelNode(std::string_view line) {
    const std::string_view text = SheetText::trimmed(line);
    if (text.empty() || SheetText::isNote(text) || indentWidth(line) != 0) return false;
    const auto found = header(text);
    return !found || (found->kind != HeaderKind::elifHeader && found->kind != HeaderKind::elseHeader);
}

NameMap<ProgramFunction> Program::functions(const ProgramNodes& nodes,
                                            const std::optional<std::string>& home) {
    NameMap<ProgramFunction> table;
    for (const ProgramNode& node : nodes)
        if (const auto* define = node.as<ProgramNode::Define>())
            table.insert_or_assign(define->name,
                                   ProgramFunction{define->name, define->params, define->body, home});
    return table;
}

int Program::indentWidth(std::string_view line) {
    int width = 0;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == ' ') {
            width += 1;
            ++i;
        } else if (line[i] == '\t') {
            width += 4;
            ++i;
        } else if (line.substr(i).starts_with("\u3000")) {
            width += 1;
            i += 3;
        } else {
            break;
        }
    }
    return width;
}

bool Program::isIdentifier(std::string_view name) {
    if (name.empty()) return false;
    bool first = true;
    const auto check = [&first](std::string_view character) {
        const char32_t scalar = unicode::firstScalar(character);
        const bool ok = scalar == U'_' || isLetter(scalar) || (!first && unicode::isNumeric(scalar));
        first = false;
        return ok;
    };
    if (unicode::isAscii(name)) {
        for (std::size_t i = 0; i < name.size(); ++i)
            if (!check(name.substr(i, 1))) return false;
        return true;
    }
    for (const std::string_view character : unicode::graphemes(name))
        if (!check(character)) return false;
    return true;
}

std::optional<std::string_view> Program::keywordRest(std::string_view text, std::string_view keyword) {
    // Most lines start with another letter.
    if (!keyword.empty() && (text.empty() || text.front() != keyword.front())) return std::nullopt;
    if (!text.starts_with(keyword)) return std::nullopt;
    const std::string_view rest = text.substr(keyword.size());
    if (rest.empty()) return rest;
    if (rest.front() == ' ' || rest.front() == '(' || rest.starts_with("\u3000"))
        return SheetText::trimmed(rest);
    return std::nullopt;
}

ExprPtr Program::parseExpression(std::string_view text) {
    try {
        return Parser(Lexer::tokenize(text)).parseStatement().expr;
    } catch (const CalcError&) {
        return nullptr;
    }
}

} // namespace vell
