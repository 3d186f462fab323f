#pragma once

// Realistic sheets for the benchmarks, made from a fixed seed so that every run measures the same
// text: blocks of money sums, units and conversions, built-in functions, lists and texts, notes and
// prose, separated by blank lines. Header-only, so every benchmark program and the sheet writer
// share it without a library of their own.

#include "Sheet/SharedSheet.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vell::bench {

inline std::string decimalText(std::uint64_t n) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, n).ptr;
    return std::string(buffer, end);
}

// The seed every benchmark uses.
inline constexpr std::uint64_t sheetSeed = 20240611;

struct SheetOptions {
    std::size_t lines = 1000;
    std::uint64_t seed = sheetSeed;
    // Blocks that call the def functions of sharedFunctionSheet().
    bool callsSharedFunctions = false;
};

// The other sheet a sheet made with callsSharedFunctions is offered, with the def functions it calls.
inline SharedSheet sharedFunctionSheet() {
    return {"Helpers", "// Shared helpers for the other sheets\n"
                       "def withTax(x):\n"
                       "    return x × 1.1\n"
                       "\n"
                       "def discount(price, rate):\n"
                       "    if rate > 50:\n"
                       "        return price\n"
                       "    return price × (1 - rate / 100)\n"
                       "\n"
                       "def rectArea(w, h):\n"
                       "    return w × h\n"
                       "\n"
                       "def clamp(v, lo, hi):\n"
                       "    return max(lo, min(v, hi))\n"
                       "\n"
                       "def monthly(amount, months):\n"
                       "    paid = 0\n"
                       "    for m in range(months):\n"
                       "        paid = paid + amount\n"
                       "    return paid\n"
                       "\n"
                       "// Example\n"
                       "withTax(1000)\n"};
}

// The other sheets offered with a sheet that calls shared functions: one plain sheet of notes and
// sums before the one with the functions, as in a document with several sheets.
inline std::vector<SharedSheet> sharedSheets() {
    return {{"Notes", "// Shopping\nmilk = 198\nbread = 240\nmilk + bread\n\n// Trip\n"
                      "120 km / 8 h\nfuel = 6.5 l × 3\n"},
            sharedFunctionSheet()};
}

class SheetGenerator {
public:
    explicit SheetGenerator(SheetOptions options) : options_(options), random_(options.seed) {}

    std::string generate() {
        out_.clear();
        count_ = 0;
        valueLines_.clear();
        prices_.clear();
        lengths_.clear();
        lists_.clear();
        texts_.clear();
        while (count_ < options_.lines) {
            if (count_ > 0) blank();
            block();
        }
        // Blocks end where they like; the sheet ends at the line count asked for.
        std::size_t lines = 1;
        for (std::size_t i = 0; i < out_.size(); ++i)
            if (out_[i] == '\n' && ++lines > options_.lines) {
                out_.resize(i);
                break;
            }
        return out_;
    }

private:
    std::size_t pick(std::size_t n) { return static_cast<std::size_t>(random_() % n); }
    bool chance(unsigned percent) { return pick(100) < percent; }
    std::string number(std::uint64_t low, std::uint64_t high) {
        return decimalText(low + random_() % (high - low + 1));
    }
    std::string decimal() { return number(1, 99) + "." + number(1, 9); }
    template <typename T, std::size_t n>
    const T& oneOf(const T (&items)[n]) {
        return items[pick(n)];
    }
    std::string fresh(std::string_view base) { return std::string(base) + decimalText(++names_); }
    const std::string& recent(const std::vector<std::string>& names) {
        const std::size_t window = names.size() < 8 ? names.size() : 8;
        return names[names.size() - 1 - pick(window)];
    }

    void line(std::string text, bool value = true) {
        if (count_ > 0) out_ += '\n';
        out_ += text;
        ++count_;
        if (value) valueLines_.push_back(count_);
    }
    void blank() { line("", false); }
    void note(std::string_view text) { line("// " + std::string(text), false); }

    void block() {
        const std::size_t kind = pick(100);
        if (options_.callsSharedFunctions && kind < 12)
            sharedCalls();
        else if (kind < 36)
            money();
        else if (kind < 58)
            units();
        else if (kind < 72)
            functions();
        else if (kind < 86)
            listsAndTexts();
        else
            prose();
    }

    void money() {
        static constexpr std::string_view titles[] = {"Groceries", "Invoice",     "Rent and bills",
                                                      "見積もり",  "Trip budget", "今月の支出"};
        static constexpr std::string_view items[] = {"price", "rent", "food", "fee", "単価", "deposit"};
        note(oneOf(titles));
        const std::size_t rows = 3 + pick(6);
        for (std::size_t i = 0; i < rows; ++i) {
            switch (pick(9)) {
            case 0:
            case 1: {
                const std::string name = fresh(oneOf(items));
                line(name + " = " + number(100, 9999) + (chance(30) ? "円" : ""));
                prices_.push_back(name);
                break;
            }
            case 2:
                line(number(100, 5000) + " × " + number(2, 40));
                break;
            case 3:
                line(chance(50) ? "+ " + number(5, 20) + "%" : "- " + number(100, 900));
                break;
            case 4:
                if (prices_.empty())
                    line("1,250 + 3,400");
                else
                    line(recent(prices_) + " × " + number(2, 12));
                break;
            case 5:
                line(number(5, 30) + "% of " + number(1000, 90000));
                break;
            case 6:
                line("prev × " + number(2, 4));
                break;
            case 7:
                if (valueLines_.size() > 3)
                    line("#" + decimalText(valueLines_[valueLines_.size() - 1 - pick(3)]) + " + " +
                         number(1, 500));
                else
                    line("3万 + " + number(100, 9000) + "円");
                break;
            default:
                line("(" + decimal() + " + " + decimal() + ") * " + number(2, 9));
                break;
            }
        }
        line(chance(92) ? "sum" : "total");
    }

    void units() {
        static constexpr std::string_view titles[] = {"Beam", "Floor plan", "Travel", "単位の換算",
                                                      "Kitchen"};
        note(oneOf(titles));
        const std::size_t rows = 3 + pick(6);
        for (std::size_t i = 0; i < rows; ++i) {
            switch (pick(10)) {
            case 0: {
                const std::string name = fresh(chance(50) ? "width" : "depth");
                line(name + " = " + number(50, 600) + " mm");
                lengths_.push_back(name);
                break;
            }
            case 1:
                if (lengths_.size() >= 2)
                    line(recent(lengths_) + " × " + recent(lengths_) + " in cm2");
                else
                    line(number(100, 900) + " mm × " + number(100, 900) + " mm");
                break;
            case 2:
                line(number(1, 500) + " km in mile");
                break;
            case 3:
                line(number(2, 12) + " h + " + number(5, 55) + " min");
                break;
            case 4:
                line(number(0, 250) + " °C in °F");
                break;
            case 5:
                line(number(1, 40) + " lb in kg");
                break;
            case 6:
                line(number(1, 80) + " 坪 in m2");
                break;
            case 7:
                line(number(10, 120) + " km/h × " + number(1, 5) + " h");
                break;
            case 8:
                line(number(1, 50) + " kN / (" + number(100, 300) + " mm × " + number(100, 300) +
                     " mm) in N/mm2");
                break;
            default:
                line(number(1, 9) + " kg + " + number(100, 900) + " g");
                break;
            }
        }
    }

    void functions() {
        note(chance(50) ? "Maths" : "関数");
        const std::size_t rows = 3 + pick(5);
        for (std::size_t i = 0; i < rows; ++i) {
            switch (pick(9)) {
            case 0:
                line("sqrt(" + number(2, 9999) + ")");
                break;
            case 1:
                line("round(" + decimal() + ")");
                break;
            case 2:
                line("max(" + number(1, 99) + ", " + number(1, 99) + ", " + number(1, 99) + ")");
                break;
            case 3:
                line("sin(pi / " + number(2, 12) + ")");
                break;
            case 4:
                line("log10(" + number(10, 100000) + ")");
                break;
            case 5:
                line("hypot(" + number(1, 50) + ", " + number(1, 50) + ")");
                break;
            case 6:
                line("abs(" + number(1, 500) + " - " + number(1, 900) + ")");
                break;
            case 7:
                line(number(2, 9) + "^" + number(2, 12) + " / " + number(2, 99));
                break;
            default:
                line("mod(" + number(100, 999) + ", " + number(2, 30) + ")");
                break;
            }
        }
    }

    void listsAndTexts() {
        static constexpr std::string_view words[] = {"cedar post", "杉の柱", "invoice", "window frame", "棚"};
        note(chance(50) ? "Lists and text" : "表と文字");
        const std::size_t rows = 3 + pick(5);
        for (std::size_t i = 0; i < rows; ++i) {
            switch (pick(8)) {
            case 0: {
                const std::string name = fresh("prices");
                line(name + " = [" + number(100, 9999) + ", " + number(100, 9999) + ", " + number(100, 9999) +
                     ", " + number(100, 9999) + "]");
                lists_.push_back(name);
                break;
            }
            case 1:
                if (lists_.empty())
                    line("[1200, 3400]");
                else
                    line(std::string(chance(50) ? "sum(" : "avg(") + recent(lists_) + ")");
                break;
            case 2:
                if (lists_.empty())
                    line("sort([3, 1, 2])");
                else
                    line(chance(50) ? "sort(" + recent(lists_) + ")"
                                    : recent(lists_) + "[" + number(0, 3) + "]");
                break;
            case 3: {
                const std::string name = fresh("item");
                line(name + " = \"" + std::string(oneOf(words)) + "\"");
                texts_.push_back(name);
                break;
            }
            case 4:
                if (texts_.empty())
                    line("\"width \" + str(" + number(10, 900) + " mm)");
                else
                    line(recent(texts_) + " + \" (" + number(2, 9) + " in)\"");
                break;
            case 5:
                line(texts_.empty() ? "len(\"shelf\")" : "len(" + recent(texts_) + ")");
                break;
            case 6:
                line("[0, 1] × " + number(2, 5));
                break;
            default:
                line("\"width \" + str(" + number(10, 900) + " mm)");
                break;
            }
        }
    }

    void prose() {
        static constexpr std::string_view sentences[] = {
            "Remember to ask about the delivery", "check the invoice with the shop",
            "来週までに見積もりを確認する",       "Paint for the hallway and the kitchen",
            "Ask Sato about the deposit",         "電気代は口座振替",
            "Plan B: rent a van instead",         "measure the window again",
        };
        note(chance(50) ? "Notes" : "メモ");
        const std::size_t rows = 2 + pick(4);
        for (std::size_t i = 0; i < rows; ++i) {
            if (chance(60))
                line(std::string(oneOf(sentences)), false);
            else if (chance(70))
                note(oneOf(sentences));
            else
                line(number(1, 9) + " +", false); // a line being typed: fails with a digit
        }
    }

    void sharedCalls() {
        note(chance(50) ? "With the helpers" : "共有の関数");
        const std::size_t rows = 3 + pick(5);
        for (std::size_t i = 0; i < rows; ++i) {
            switch (pick(5)) {
            case 0:
                line("withTax(" + (prices_.empty() ? number(100, 9999) : recent(prices_)) + ")");
                break;
            case 1:
                line("discount(" + number(1000, 50000) + ", " + number(5, 40) + ")");
                break;
            case 2:
                line("rectArea(" + number(1, 20) + " m, " + number(1, 20) + " m)");
                break;
            case 3:
                line("clamp(" + number(1, 200) + ", 10, 100)");
                break;
            default:
                line("monthly(" + number(1000, 90000) + "円, " + number(1, 12) + ")");
                break;
            }
        }
    }

    SheetOptions options_;
    std::mt19937_64 random_;
    std::string out_;
    std::size_t count_ = 0;
    std::size_t names_ = 0;
    std::vector<std::size_t> valueLines_; // 1-based numbers of lines written as calculations
    std::vector<std::string> prices_;
    std::vector<std::string> lengths_;
    std::vector<std::string> lists_;
    std::vector<std::string> texts_;
};

inline std::string generateSheet(SheetOptions options) {
    return SheetGenerator(options).generate();
}

// A sheet's text as its lines, and back: for edits made a line at a time.
inline std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        lines.emplace_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return lines;
        start = end + 1;
    }
}

inline std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    return text;
}

} // namespace vell::bench
