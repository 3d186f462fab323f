#pragma once

// One lexical token of a line: what was read, its payload, and where it starts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vell {

struct Token {
    enum class Kind : std::uint8_t {
        number,     // payload: number
        identifier, // payload: text, the name
        string,     // payload: text, the content after escapes, without the quotes
        ref,        // payload: ref, the line number after "#"
        op,         // payload: text, one of + - * / ^ % = → < > : == != <= >=
        lparen,
        rparen,
        lbracket,
        rbracket,
        comma,
        eof,
    };

    Token() = default;
    Token(Kind kind, std::size_t start, double number, std::int64_t ref, std::string text)
        : kind(kind), start(start), number(number), ref(ref), text(std::move(text)) {}
    // A token with its text, made in place.
    Token(Kind kind, std::size_t start, std::string_view text) : kind(kind), start(start), text(text) {}

    Kind kind = Kind::eof;
    // Index of the token's first character (grapheme cluster) in the normalised line; for eof the
    // number of characters of that line.
    std::size_t start = 0;
    double number = 0;
    std::int64_t ref = 0;
    std::string text;

    static Token makeNumber(double value, std::size_t start) { return {Kind::number, start, value, 0, {}}; }
    static Token makeRef(std::int64_t line, std::size_t start) { return {Kind::ref, start, 0, line, {}}; }
    static Token makeText(Kind kind, std::string text, std::size_t start) {
        return {kind, start, 0, 0, std::move(text)};
    }
    static Token make(Kind kind, std::size_t start) { return {kind, start, 0, 0, {}}; }

    bool isName() const { return kind == Kind::identifier; }
    bool isName(std::string_view name) const { return kind == Kind::identifier && text == name; }
    bool isOp(std::string_view op) const { return kind == Kind::op && text == op; }

    // Same kind, equal payload of that kind (numbers as doubles), same start.
    friend bool operator==(const Token& a, const Token& b) {
        if (a.kind != b.kind || a.start != b.start) return false;
        switch (a.kind) {
        case Kind::number:
            return a.number == b.number;
        case Kind::ref:
            return a.ref == b.ref;
        case Kind::identifier:
        case Kind::string:
        case Kind::op:
            return a.text == b.text;
        default:
            return true;
        }
    }
};

} // namespace vell
