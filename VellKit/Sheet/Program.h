#pragma once

// Reads a sheet's lines as a program: blocks by indentation, if/elif/else chains, for and while
// loops, def, return, break, continue, notes. Never fails: a header it cannot read becomes an
// invalid node carrying the message for its line.

#include "Sheet/NameMap.h"
#include "Sheet/ProgramNode.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vell {

struct Program {
    // The top-level nodes of the lines, in line order. Their line nodes hold views into the text of
    // the lines, which must outlive them.
    static ProgramNodes parse(std::span<const std::string_view> lines);
    // The top-level nodes of lines [from, to), indexed as in the whole; what parse() makes of them when
    // a line that starts a top-level node stands at `from` (or `from` is 0) and at `to` (or `to` is the
    // end).
    static ProgramNodes parse(std::span<const std::string_view> lines, std::size_t from, std::size_t to);
    // Whether the line starts a top-level node whatever the lines around it: it is written at the left
    // edge, is neither blank nor a note, and does not continue an if with elif or else. The nodes
    // before it are made of the lines before it alone.
    static bool startsTopLevelNode(std::string_view line);
    // The top-level defs of the nodes by name, a later def replacing an earlier one; defs nested in
    // bodies are not collected.
    static NameMap<ProgramFunction> functions(const ProgramNodes& nodes,
                                              const std::optional<std::string>& home);

    // Leading spaces and ideographic spaces count 1, tabs 4; any other character ends the count.
    static int indentWidth(std::string_view line);
    // Not empty, a letter or "_" first, then letters, numbers and "_" (by each character's first
    // scalar).
    static bool isIdentifier(std::string_view name);
    // The text after a leading keyword: empty, or led by a space, "(" or U+3000 (then trimmed);
    // none when the text does not start with the keyword so.
    static std::optional<std::string_view> keywordRest(std::string_view text, std::string_view keyword);
    // The expression of the text read as one statement; null when it does not tokenize and parse.
    static ExprPtr parseExpression(std::string_view text);
};

} // namespace vell
