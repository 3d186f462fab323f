#include "Document/FastJson.h"

#include "Unicode/Unicode.h"

#include <cstring>
#include <optional>
#include <string>

namespace vell {

namespace {

using nlohmann::json;

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    // None when the text is not one this reader takes; json::parse then has the last word.
    std::optional<json> document() {
        json value;
        if (!read(value, 0)) return std::nullopt;
        skipSpace();
        if (at_ != text_.size()) return std::nullopt;
        return value;
    }

private:
    static constexpr int maxDepth = 256;

    void skipSpace() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return;
            ++at_;
        }
    }

    bool literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    bool read(json& value, int depth) {
        if (depth > maxDepth) return false;
        skipSpace();
        if (at_ >= text_.size()) return false;
        switch (text_[at_]) {
        case '{':
            return readObject(value, depth);
        case '[':
            return readArray(value, depth);
        case '"': {
            std::string text;
            if (!readString(text)) return false;
            value = std::move(text);
            return true;
        }
        case 't':
            value = true;
            return literal("true");
        case 'f':
            value = false;
            return literal("false");
        case 'n':
            value = nullptr;
            return literal("null");
        default:
            return readNumber(value);
        }
    }

    bool readObject(json& value, int depth) {
        ++at_;
        value = json::object();
        skipSpace();
        if (at_ < text_.size() && text_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            skipSpace();
            if (at_ >= text_.size() || text_[at_] != '"') return false;
            std::string key;
            if (!readString(key)) return false;
            skipSpace();
            if (at_ >= text_.size() || text_[at_] != ':') return false;
            ++at_;
            json member;
            if (!read(member, depth + 1)) return false;
            // The last of repeated keys wins, as with json::parse.
            value[std::move(key)] = std::move(member);
            skipSpace();
            if (at_ >= text_.size()) return false;
            if (text_[at_] == '}') {
                ++at_;
                return true;
            }
            if (text_[at_] != ',') return false;
            ++at_;
        }
    }

    bool readArray(json& value, int depth) {
        ++at_;
        value = json::array();
        skipSpace();
        if (at_ < text_.size() && text_[at_] == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            json element;
            if (!read(element, depth + 1)) return false;
            value.push_back(std::move(element));
            skipSpace();
            if (at_ >= text_.size()) return false;
            if (text_[at_] == ']') {
                ++at_;
                return true;
            }
            if (text_[at_] != ',') return false;
            ++at_;
        }
    }

    // Plain runs are copied whole; the simple escapes are read here, \u and anything odd is not.
    bool readString(std::string& out) {
        ++at_;
        for (;;) {
            std::size_t end = at_;
            while (end < text_.size()) {
                const auto c = static_cast<unsigned char>(text_[end]);
                if (c == '"' || c == '\\' || c < 0x20) break;
                ++end;
            }
            out.append(text_.substr(at_, end - at_));
            at_ = end;
            if (at_ >= text_.size()) return false;
            const char c = text_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c != '\\' || at_ + 1 >= text_.size()) return false;
            switch (text_[at_ + 1]) {
            case '"':
                out.push_back('"');
                break;
            case '\\':
                out.push_back('\\');
                break;
            case '/':
                out.push_back('/');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u': {
                // Read by json::parse, surrogate pairs and all.
                std::size_t end = at_ + 2;
                while (end + 6 <= text_.size() && text_[end + 4] == '\\' && text_[end + 5] == 'u')
                    end += 6;
                if (end + 4 > text_.size()) return false;
                end += 4;
                const std::string quoted = "\"" + std::string(text_.substr(at_, end - at_)) + "\"";
                try {
                    out += json::parse(quoted).get_ref<const std::string&>();
                } catch (const json::exception&) {
                    return false;
                }
                at_ = end;
                continue;
            }
            default:
                return false;
            }
            at_ += 2;
        }
    }

    bool readNumber(json& value) {
        std::size_t end = at_;
        while (end < text_.size() && std::strchr("+-0123456789.eE", text_[end]) && text_[end] != '\0')
            ++end;
        if (end == at_) return false;
        try {
            value = json::parse(text_.substr(at_, end - at_));
        } catch (const json::exception&) {
            return false;
        }
        at_ = end;
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

nlohmann::json parseJson(std::string_view text) {
    if (unicode::isValidUtf8(text))
        if (auto value = Reader(text).document()) return std::move(*value);
    return json::parse(text);
}

} // namespace vell
