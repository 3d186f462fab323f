#include "Engine/Lexer.h"

#include "Engine/CalcError.h"
#include "Engine/L10n.h"
#include "Engine/LanguageWords.h"
#include "Engine/UnitRegistry.h"
#include "Unicode/Unicode.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>
#include <unordered_set>

namespace vell {

namespace {

// --- Normalisation ---------------------------------------------------------------------------

bool isDoubleQuote(char32_t c) {
    return c == U'"' || c == 0xFF02 || c == 0x201C || c == 0x201D;
}
bool isSingleQuote(char32_t c) {
    return c == U'\'' || c == 0x2018 || c == 0x2019;
}

// Writes a scalar as it was read: its own bytes, or the replacement character for bytes that were
// no UTF-8.
void appendAsRead(std::string& out, char32_t c, std::string_view bytes) {
    if (c == 0xFFFD)
        unicode::appendUtf8(out, c);
    else
        out.append(bytes);
}

// Writes the grammar's form of one scalar read outside a quoted text, from `bytes`.
void appendOutsideQuotes(std::string& out, char32_t c, std::string_view bytes) {
    if ((c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A)) {
        out.push_back(static_cast<char>(c - 0xFEE0));
        return;
    }
    switch (c) {
    case 0xFF01: // ！
    case 0xFF03: // ＃
    case 0xFF05: // ％
    case 0xFF08: // （
    case 0xFF09: // ）
    case 0xFF0A: // ＊
    case 0xFF0B: // ＋
    case 0xFF0C: // ，
    case 0xFF0D: // －
    case 0xFF0E: // ．
    case 0xFF0F: // ／
    case 0xFF1A: // ：
    case 0xFF1C: // ＜
    case 0xFF1D: // ＝
    case 0xFF1E: // ＞
    case 0xFF3B: // ［
    case 0xFF3D: // ］
    case 0xFF3E: // ＾
        out.push_back(static_cast<char>(c - 0xFEE0));
        return;
    case 0x00D7: // ×
    case 0x00B7: // ·
    case 0x2022: // •
    case 0x22C5: // ⋅
        out.push_back('*');
        return;
    case 0x00F7: // ÷
        out.push_back('/');
        return;
    case 0x2013: // –
    case 0x2014: // —
    case 0x2212: // −
        out.push_back('-');
        return;
    case 0x2260: // ≠
        out.append("!=");
        return;
    case 0x2264: // ≤
    case 0x2266: // ≦
        out.append("<=");
        return;
    case 0x2265: // ≥
    case 0x2267: // ≧
        out.append(">=");
        return;
    case 0x21D2: // ⇒
    case 0x25B6: // ▶
    case 0x27A1: // ➡
        out.append(LanguageWords::conversionArrow);
        return;
    case 0x3000: // ideographic space
        out.push_back(' ');
        return;
    case 0x3001: // 、
        out.push_back(',');
        return;
    case 0x3010: // 【
    case 0x3014: // 〔
        out.push_back('[');
        return;
    case 0x3011: // 】
    case 0x3015: // 〕
        out.push_back(']');
        return;
    default:
        appendAsRead(out, c, bytes);
    }
}

bool isPlainAscii(char byte) {
    return static_cast<unsigned char>(byte) < 0x80 && byte != '"' && byte != '\'' && byte != '\\';
}

// `sourceOffsets`, when given, receives for every byte written the offset of the scalar it came from.
std::string normalizeLine(std::string_view text, std::vector<std::size_t>* sourceOffsets) {
    if (unicode::isAscii(text)) {
        if (sourceOffsets) {
            sourceOffsets->resize(text.size() + 1);
            for (std::size_t i = 0; i <= text.size(); ++i)
                (*sourceOffsets)[i] = i;
        }
        return std::string(text); // every rewritten scalar lies outside ASCII
    }
    enum class State {
        outside,
        inDouble,
        inSingle
    };
    State state = State::outside;
    bool escaped = false;
    std::string out;
    out.reserve(text.size());
    for (std::size_t offset = 0; offset < text.size();) {
        // ASCII other than quotes and the backslash is written as it is, inside quotes or not.
        std::size_t run = offset;
        while (run < text.size() && isPlainAscii(text[run]))
            ++run;
        if (run > offset && !escaped) {
            out.append(text.substr(offset, run - offset));
            if (sourceOffsets)
                for (; offset < run; ++offset)
                    sourceOffsets->push_back(offset);
            offset = run;
            continue;
        }
        const std::size_t from = offset;
        const char32_t c = unicode::decodeNext(text, offset);
        if (state == State::outside) {
            if (isDoubleQuote(c)) {
                out.push_back('"');
                state = State::inDouble;
            } else if (isSingleQuote(c)) {
                out.push_back('\'');
                state = State::inSingle;
            } else {
                appendOutsideQuotes(out, c, text.substr(from, offset - from));
            }
        } else if (escaped) {
            appendAsRead(out, c, text.substr(from, offset - from));
            escaped = false;
        } else if (c == U'\\') {
            out.push_back('\\');
            escaped = true;
        } else if (state == State::inDouble && isDoubleQuote(c)) {
            out.push_back('"');
            state = State::outside;
        } else if (state == State::inSingle && isSingleQuote(c)) {
            out.push_back('\'');
            state = State::outside;
        } else {
            appendAsRead(out, c, text.substr(from, offset - from));
        }
        if (sourceOffsets) sourceOffsets->resize(out.size(), from);
    }
    if (sourceOffsets) sourceOffsets->push_back(text.size());
    return out;
}

// --- Characters of the normalised line ------------------------------------------------------------

constexpr char32_t noScalar = 0xFFFFFFFF;

bool isUnitSign(char32_t c) {
    switch (c) {
    case U'$':
    case 0x00B0: // °
    case 0x00A5: // ¥
    case 0xFFE5: // ￥
    case 0x20AC: // €
    case 0x2103: // ℃
    case 0x2109: // ℉
        return true;
    default:
        return false;
    }
}

bool isSuperscriptDigit(char32_t c) {
    return c == 0x00B9 || c == 0x00B2 || c == 0x00B3 || (c >= 0x2074 && c <= 0x2079);
}

double multiplierOf(char32_t c) {
    switch (c) {
    case 0x5343: // 千
        return 1e3;
    case 0x4E07: // 万
        return 1e4;
    case 0x5104: // 億
        return 1e8;
    case 0x5146: // 兆
        return 1e12;
    default:
        return 0;
    }
}

// The characters of an ASCII line without "\r\n": every byte is one character.
class AsciiLine {
public:
    explicit AsciiLine(std::string_view text) : text_(text) {}

    std::size_t size() const { return text_.size(); }
    std::string_view at(std::size_t i) const { return text_.substr(i, 1); }
    std::string_view range(std::size_t from, std::size_t to) const { return text_.substr(from, to - from); }

    // The scalar of character i; noScalar past the end.
    char32_t sole(std::size_t i) const {
        return i < text_.size() ? static_cast<unsigned char>(text_[i]) : noScalar;
    }
    char32_t first(std::size_t i) const { return static_cast<unsigned char>(text_[i]); }
    bool is(std::size_t i, char32_t c) const { return sole(i) == c; }
    bool isDigit(std::size_t i) const { return i < text_.size() && text_[i] >= '0' && text_[i] <= '9'; }

private:
    std::string_view text_;
};

// The characters (grapheme clusters) of any other line. Every character's scalars are decoded once,
// up front, since the scanner asks for most characters more than once.
class ClusterLine {
public:
    ClusterLine(std::string_view text, const std::vector<std::size_t>& bounds)
        : text_(text), bounds_(bounds), count_(bounds.size() - 1) {
        if (count_ > shortLine_.size()) {
            longLine_.resize(count_);
            scalars_ = longLine_.data();
        }
        for (std::size_t i = 0; i < count_; ++i) {
            std::size_t at = bounds[i];
            const char32_t c = unicode::decodeNext(text_, at);
            scalars_[i] = {at == bounds[i + 1] ? c : noScalar, c};
        }
    }

    std::size_t size() const { return count_; }
    std::string_view at(std::size_t i) const { return text_.substr(bounds_[i], bounds_[i + 1] - bounds_[i]); }
    std::string_view range(std::size_t from, std::size_t to) const {
        return text_.substr(bounds_[from], bounds_[to] - bounds_[from]);
    }

    // The scalar when character i is exactly one scalar; noScalar otherwise and past the end.
    char32_t sole(std::size_t i) const { return i < count_ ? scalars_[i].sole : noScalar; }
    char32_t first(std::size_t i) const { return scalars_[i].first; }
    bool is(std::size_t i, char32_t c) const { return sole(i) == c; }
    bool isDigit(std::size_t i) const {
        const char32_t c = sole(i);
        return c >= U'0' && c <= U'9';
    }

private:
    struct Scalars {
        char32_t sole;
        char32_t first;
    };

    std::string_view text_;
    const std::vector<std::size_t>& bounds_;
    std::size_t count_;
    // Most lines fit the array; longer ones take the vector.
    std::array<Scalars, 48> shortLine_;
    std::vector<Scalars> longLine_;
    Scalars* scalars_ = shortLine_.data();
};

bool isWhiteSpace(char32_t c) {
    if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D);
    return unicode::isWhiteSpace(c);
}

bool isAlphabetic(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return unicode::isAlphabetic(c);
}

[[noreturn]] void throwBadCharacter(std::string_view character) {
    const std::string c(character);
    throw CalcError(L10n::text("「" + c + "」は使えない文字です", "The character “" + c + "” can’t be used"));
}

[[noreturn]] void throwTooLarge() {
    throw CalcError(L10n::text("数が大きすぎます", "The number is too large"));
}

// Whether a numeral that the conversion found out of range is too large rather than too small.
bool overflows(std::string_view numeral) {
    std::int64_t magnitude = 0; // decimal exponent of the first significant digit, roughly
    bool seenSignificant = false;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < numeral.size() && numeral[i] != 'e'; ++i) {
        const char c = numeral[i];
        if (c == '.') {
            afterPoint = true;
        } else if (!seenSignificant && c == '0') {
            if (afterPoint) --magnitude;
        } else {
            seenSignificant = true;
            if (!afterPoint) ++magnitude;
        }
    }
    std::int64_t exponent = 0;
    bool negative = false;
    if (i < numeral.size()) {
        ++i;
        if (i < numeral.size() && (numeral[i] == '+' || numeral[i] == '-')) negative = numeral[i++] == '-';
        for (; i < numeral.size(); ++i)
            if (exponent < 100000) exponent = exponent * 10 + (numeral[i] - '0');
    }
    return magnitude + (negative ? -exponent : exponent) > 0;
}

// The unit names that hold "/", as views.
const std::unordered_set<std::string_view>& slashSymbols() {
    static const std::unordered_set<std::string_view> symbols(UnitRegistry::slashSymbols().begin(),
                                                              UnitRegistry::slashSymbols().end());
    return symbols;
}

// The token that one character of punctuation makes; eof for every other character.
constexpr Token::Kind punctuation(char32_t c) {
    switch (c) {
    case U'(':
        return Token::Kind::lparen;
    case U')':
        return Token::Kind::rparen;
    case U'[':
        return Token::Kind::lbracket;
    case U']':
        return Token::Kind::rbracket;
    case U',':
        return Token::Kind::comma;
    default:
        return Token::Kind::eof;
    }
}

// One of + - * / ^ % = → < > :.
constexpr bool isOperator(char32_t c) {
    switch (c) {
    case U'+':
    case U'-':
    case U'*':
    case U'/':
    case U'^':
    case U'%':
    case U'=':
    case U'→':
    case U'<':
    case U'>':
    case U':':
        return true;
    default:
        return false;
    }
}

// The classes of the characters that are one ASCII scalar and read the same whatever follows.
enum class AsciiClass : std::uint8_t {
    other, // read as Scanner::readAny reads it
    space,
    quote,
    digit,
    name,
    punctuation,
    op,
};
constexpr std::array<AsciiClass, 0x80> asciiClasses = [] {
    std::array<AsciiClass, 0x80> classes{};
    for (char32_t c = 0; c < 0x80; ++c) {
        AsciiClass& entry = classes[c];
        if (c == ' ' || (c >= 0x09 && c <= 0x0D))
            entry = AsciiClass::space;
        else if (c == '"' || c == '\'')
            entry = AsciiClass::quote;
        else if (c >= '0' && c <= '9')
            entry = AsciiClass::digit;
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$')
            entry = AsciiClass::name;
        else if (punctuation(c) != Token::Kind::eof)
            entry = AsciiClass::punctuation;
        else if (isOperator(c) && c != '=' && c != '<' && c != '>')
            entry = AsciiClass::op;
    }
    return classes;
}();

template <typename Line>
class Scanner {
public:
    // The tokens go into `tokens`, which is emptied first.
    Scanner(const Line& line, std::vector<Token>& tokens) : line_(line), tokens_(tokens) {}

    void run() {
        tokens_.clear();
        // At most 15 tokens at first, which keeps the block among the sizes the allocator serves
        // fastest; few lines hold more.
        tokens_.reserve(std::min<std::size_t>(line_.size() + 1, 15));
        const std::size_t n = line_.size();
        std::size_t i = 0;
        while (i < n) {
            const char32_t c = line_.sole(i);
            if (c < 0x80) {
                readAscii(c, i);
            } else {
                readAny(i);
            }
        }
        add(Token::Kind::eof, n);
    }

private:
    // Character i, one ASCII scalar c: the common ones by their class, as readAny() reads them.
    void readAscii(char32_t c, std::size_t& i) {
        switch (asciiClasses[c]) {
        case AsciiClass::space:
            ++i;
            return;
        case AsciiClass::quote:
            readString(i);
            return;
        case AsciiClass::digit: {
            Token& token = add(Token::Kind::number, i);
            token.number = readNumber(i);
            return;
        }
        case AsciiClass::name:
            readName(i);
            return;
        case AsciiClass::punctuation:
            add(punctuation(c), i);
            ++i;
            return;
        case AsciiClass::op:
            add(Token::Kind::op, i, line_.at(i));
            ++i;
            return;
        case AsciiClass::other:
            readAny(i);
            return;
        }
    }

    // Character i, of any kind: the token it starts.
    void readAny(std::size_t& i) {
        const char32_t c = line_.sole(i);
        const char32_t first = line_.first(i);
        if (isWhiteSpace(first)) {
            ++i;
        } else if (c == U'"' || c == U'\'') {
            readString(i);
        } else if (c == U'#' && line_.isDigit(i + 1)) {
            readRef(i);
        } else if (line_.isDigit(i) || (c == U'.' && line_.isDigit(i + 1))) {
            Token& token = add(Token::Kind::number, i);
            token.number = readNumber(i);
        } else if (isAlphabetic(first) || c == U'_' || isUnitSign(c)) {
            readName(i);
        } else if ((c == U'=' || c == U'<' || c == U'>' || c == U'!') && line_.is(i + 1, U'=')) {
            add(Token::Kind::op, i, line_.range(i, i + 2));
            i += 2;
        } else if (const Token::Kind kind = punctuation(c); kind != Token::Kind::eof) {
            add(kind, i);
            ++i;
        } else if (isOperator(c)) {
            add(Token::Kind::op, i, line_.at(i));
            ++i;
        } else {
            throwBadCharacter(line_.at(i));
        }
    }

    // Tokens are made in place: moving one copies its text.
    Token& add(Token::Kind kind, std::size_t start, std::string_view text = {}) {
        Token& token = tokens_.emplace_back(kind, start, text);
        return token;
    }

    void readString(std::size_t& i) {
        const char32_t quote = line_.sole(i);
        const std::size_t n = line_.size();
        std::string& content = add(Token::Kind::string, i).text;
        for (++i; i < n;) {
            const char32_t c = line_.sole(i);
            if (c == U'\\' && i + 1 < n) {
                const char32_t next = line_.sole(i + 1);
                if (next == U'n')
                    content.push_back('\n');
                else if (next == U't')
                    content.push_back('\t');
                else
                    content.append(line_.at(i + 1));
                i += 2;
            } else if (c == quote) {
                ++i;
                return;
            } else {
                content.append(line_.at(i));
                ++i;
            }
        }
        const std::string q(1, static_cast<char>(quote));
        throw CalcError(L10n::text("文字の終わりの " + q + " がありません", "Missing closing " + q));
    }

    void readRef(std::size_t& i) {
        const std::size_t start = i;
        constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
        std::int64_t line = 0;
        for (++i; line_.isDigit(i); ++i) {
            const int digit = static_cast<int>(line_.sole(i) - U'0');
            line = line > (largest - digit) / 10 ? largest : line * 10 + digit;
        }
        add(Token::Kind::ref, start).ref = line;
    }

    // A numeral of at most 15 digits without an exponent is its digits as a whole number (exact in a
    // double) divided by a power of ten (exact too): one correctly rounded division, which is what
    // from_chars gives for it. None for every other numeral, with `i` where it was.
    std::optional<double> readShortNumber(std::size_t& i) {
        static constexpr double powersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const std::size_t start = i;
        std::uint64_t digits = 0;
        int count = 0;
        int fraction = 0;
        bool point = false;
        while (i < line_.size()) {
            const char32_t c = line_.sole(i);
            if (c >= U'0' && c <= U'9') {
                if (count == 15) break;
                digits = digits * 10 + (c - U'0');
                ++count;
                if (point) ++fraction;
                ++i;
            } else if (c == U',' && line_.isDigit(i + 1) && line_.isDigit(i + 2) && line_.isDigit(i + 3) &&
                       !line_.isDigit(i + 4)) {
                ++i;
            } else if (c == U'.' && !point && line_.isDigit(i + 1)) {
                point = true;
                ++i;
            } else {
                break;
            }
        }
        if (line_.isDigit(i) || line_.is(i, U'e') || line_.is(i, U'E')) {
            i = start;
            return std::nullopt;
        }
        return static_cast<double>(digits) / powersOfTen[fraction];
    }

    double readPlainNumber(std::size_t& i) {
        if (const std::optional<double> value = readShortNumber(i)) return *value;
        numeral_.clear();
        bool point = false;
        while (i < line_.size()) {
            const char32_t c = line_.sole(i);
            if (c >= U'0' && c <= U'9') {
                numeral_.push_back(static_cast<char>(c));
                ++i;
            } else if (c == U',' && line_.isDigit(i + 1) && line_.isDigit(i + 2) && line_.isDigit(i + 3) &&
                       !line_.isDigit(i + 4)) {
                ++i;
            } else if (c == U'.' && !point && line_.isDigit(i + 1)) {
                numeral_.push_back('.');
                point = true;
                ++i;
            } else {
                break;
            }
        }
        if (line_.is(i, U'e') || line_.is(i, U'E')) {
            const bool signedExponent = line_.is(i + 1, U'+') || line_.is(i + 1, U'-');
            if (line_.isDigit(i + 1) || (signedExponent && line_.isDigit(i + 2))) {
                numeral_.push_back('e');
                ++i;
                if (signedExponent) numeral_.push_back(static_cast<char>(line_.sole(i++)));
                while (line_.isDigit(i))
                    numeral_.push_back(static_cast<char>(line_.sole(i++)));
            }
        }
        double value = 0;
        const std::from_chars_result result =
            std::from_chars(numeral_.data(), numeral_.data() + numeral_.size(), value);
        if (result.ec == std::errc::result_out_of_range) {
            if (overflows(numeral_)) throwTooLarge();
            value = 0;
        }
        return value;
    }

    double readNumber(std::size_t& i) {
        double total = 0;
        for (;;) {
            const double part = readPlainNumber(i);
            const double multiplier = multiplierOf(line_.sole(i));
            if (multiplier == 0) {
                total += part;
                break;
            }
            total += part * multiplier;
            ++i;
            if (!line_.isDigit(i)) break;
        }
        // A numeral glued to ".5" (a second decimal point, or a point after an exponent or a
        // multiplier) would otherwise start a new number and multiply silently.
        if (line_.is(i, U'.') && line_.isDigit(i + 1)) throwBadCharacter(line_.at(i));
        if (!std::isfinite(total)) throwTooLarge();
        return total;
    }

    bool isNameCharacter(std::size_t i, bool digits) const {
        const char32_t c = line_.sole(i);
        if (c < 0x80) {
            if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || c == U'_' || c == U'$') return true;
            return c >= U'0' && c <= U'9' && digits;
        }
        if (c == U'_' || isUnitSign(c) || isSuperscriptDigit(c)) return true;
        if (c >= U'0' && c <= U'9') return digits;
        return isAlphabetic(line_.first(i));
    }

    void readName(std::size_t& i) {
        const std::size_t start = i;
        const std::size_t n = line_.size();
        const bool digits = !isUnitSign(line_.sole(i));
        for (++i; i < n && isNameCharacter(i, digits);)
            ++i;
        if (line_.is(i, U'/')) {
            std::size_t end = i + 1;
            while (end < n && isNameCharacter(end, true))
                ++end;
            if (end > i + 1) {
                const std::string_view candidate = line_.range(start, end);
                if (slashSymbols().contains(candidate)) {
                    i = end;
                    add(Token::Kind::identifier, start, candidate);
                    return;
                }
            }
        }
        add(Token::Kind::identifier, start, line_.range(start, i));
    }

    const Line& line_;
    std::vector<Token>& tokens_;
    std::string numeral_;
};

// ASCII without a carriage return, which needs neither normalising nor cutting into characters:
// what most lines are. Eight bytes at a time.
bool isPlainAsciiLine(std::string_view text) {
    constexpr std::uint64_t high = 0x8080808080808080ull;
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    constexpr std::uint64_t returns = ones * '\r';
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        if (word & high) return false;
        // A byte of `found` is zero where the text holds "\r".
        const std::uint64_t found = word ^ returns;
        if ((found - ones) & ~found & high) return false;
    }
    for (; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 || c == '\r') return false;
    }
    return true;
}

void tokenizeNormalized(std::string_view normalized, bool ascii, std::vector<Token>& tokens) {
    if (ascii && normalized.find("\r\n") == std::string_view::npos) {
        const AsciiLine line(normalized);
        Scanner<AsciiLine>(line, tokens).run();
        return;
    }
    const std::vector<std::size_t> bounds = unicode::graphemeBoundaries(normalized);
    const ClusterLine line(normalized, bounds);
    Scanner<ClusterLine>(line, tokens).run();
}

} // namespace

std::string Lexer::normalize(std::string_view text) {
    return normalizeLine(text, nullptr);
}

std::vector<Token> Lexer::tokenize(std::string_view text) {
    std::vector<Token> tokens;
    tokenize(text, tokens);
    return tokens;
}

void Lexer::tokenize(std::string_view text, std::vector<Token>& tokens) {
    if (isPlainAsciiLine(text)) {
        const AsciiLine line(text);
        Scanner<AsciiLine>(line, tokens).run();
        return;
    }
    if (unicode::isAscii(text)) {
        tokenizeNormalized(text, true, tokens);
        return;
    }
    const std::string normalized = normalizeLine(text, nullptr);
    tokenizeNormalized(normalized, unicode::isAscii(normalized), tokens);
}

Lexer::LineMap Lexer::lineMap(std::string_view text) {
    LineMap map;
    map.normalized = normalizeLine(text, &map.sourceOffsets);
    map.characterOffsets = unicode::graphemeBoundaries(map.normalized);
    return map;
}

std::size_t Lexer::LineMap::sourceOffset(std::size_t characterIndex) const {
    if (characterIndex >= characterOffsets.size()) return sourceOffsets.empty() ? 0 : sourceOffsets.back();
    return sourceOffsets[characterOffsets[characterIndex]];
}

} // namespace vell
