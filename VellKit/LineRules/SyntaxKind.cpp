#include "LineRules/SyntaxKind.h"

#include "Engine/L10n.h"

namespace vell {

namespace {

struct KindRow {
    SyntaxKind kind;
    std::string_view raw;
    std::string_view japaneseLabel;
    std::string_view englishLabel;
    std::string_view japaneseSample;
    std::string_view englishSample;
    ColorWords colors;
};

constexpr std::array<KindRow, 8> rows{{
    {SyntaxKind::number, "number", "数値", "Numbers", "1200", "1200", {0x1B1A18FF, 0xE9E9ECFF}},
    {SyntaxKind::operatorMark,
     "operatorMark",
     "演算子",
     "Operators",
     "+ − × ÷ = ( )",
     "+ − × ÷ = ( )",
     {0x9A948AFF, 0x6F6F7AFF}},
    {SyntaxKind::name, "name", "名前の付いた値", "Named values", "梁幅", "width", {0x2F6FEDFF, 0x6FA0FFFF}},
    {SyntaxKind::unit, "unit", "単位", "Units", "mm", "mm", {0x0E8A64FF, 0x46C79BFF}},
    {SyntaxKind::function, "function", "関数", "Functions", "sqrt", "sqrt", {0x8B5CF6FF, 0xB295FFFF}},
    {SyntaxKind::keyword,
     "keyword",
     "if / for / def",
     "if / for / def",
     "if",
     "if",
     {0xC2185BFF, 0xFF8FB4FF}},
    {SyntaxKind::quoted, "quoted", "文字", "Text", "\"…\"", "\"…\"", {0xB4551AFF, 0xE8A15FFF}},
    {SyntaxKind::comment, "comment", "コメント", "Comments", "// …", "// …", {0xA8A296FF, 0x66666FFF}},
}};

const KindRow& row(SyntaxKind kind) {
    return rows[static_cast<std::size_t>(kind)];
}

} // namespace

std::string_view SyntaxKinds::rawValue(SyntaxKind kind) {
    return row(kind).raw;
}

std::optional<SyntaxKind> SyntaxKinds::fromRawValue(std::string_view raw) {
    for (const KindRow& r : rows)
        if (r.raw == raw) return r.kind;
    return std::nullopt;
}

std::string SyntaxKinds::label(SyntaxKind kind) {
    return L10n::text(row(kind).japaneseLabel, row(kind).englishLabel);
}

std::string SyntaxKinds::sample(SyntaxKind kind) {
    return L10n::text(row(kind).japaneseSample, row(kind).englishSample);
}

ColorWords SyntaxKinds::defaultColors(SyntaxKind kind) {
    return row(kind).colors;
}

} // namespace vell
