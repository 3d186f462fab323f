// The tutorial sheets a new user starts from, in Japanese and in English.

#include "Document/VellDocument.h"
#include "Engine/L10n.h"

#include <string_view>

namespace vell {

namespace {

struct StarterSheet {
    std::string_view name;
    std::string_view text;
};

constexpr StarterSheet japaneseSheets[] = {
    {"はじめてのシート", R"vell(// ようこそ。ここは「打つと、その行の右に答えが出る」計算用紙です
// この行のように // で始めた行はメモになり、計算しません

// ■ まず打ってみる
1200 × 35

// ■ 演算子から書き始めると、上の行の続きになります
+ 10%
- 2000

// ■ 名前を付けると、どこからでも呼び出せます
単価 = 1200
個数 = 35
単価 × 個数

// ■ 空行までのまとまりは sum で合計できます
4800
12000
3200
sum

// ■ prev は前の行の答え、#3 は 3 行目の答えです
prev × 2

// ■ 数だけでなく、表 [ ] と文字 " " も置けます
[1200, 3400]
"文字も書けます"
)vell"},
    {"単位", R"vell(// 数字のうしろに単位を書くと、答えにも単位が出ます

// ■ 掛け算・割り算で単位が組み立てられます
梁幅 = 120 mm
梁せい = 300 mm
断面積 = 梁幅 × 梁せい
36 kN / 断面積 in N/mm2

// ■ 単位を変える
10 km in mile
100 °C in °F
10 坪 in m2

// ■ 同じ種類なら足し引きできます
2 h + 30 min
1 kg + 500 g

// ■ 打ち消し合う単位は消えます
100 km/h × 2 h

// ■ お金や漢数字も使えます
1200円 × 35
3万 + 1500円
)vell"},
    {"表・文字・グラフ", R"vell(// ■ [ ] で数を並べると「表」になります
価格 = [4800, 12000, 3200, 9600]
sum(価格)
avg(価格)
max(価格)

// ■ 何番目かを取り出す（0 から数えます。-1 は最後）
価格[0]
価格[-1]

// ■ 並べ替えと個数
sort(価格)
len(価格)

// ■ + でうしろにつなぎ、* でくり返します
価格 + [7000]
[0, 1] × 3

// ■ " " で囲むと「文字」になります
品名 = "杉の柱"
品名 + "（4寸角）"
len(品名)

// ■ 数を文字に混ぜるときは str( ) を通します
"梁幅 " + str(120 mm)

// ■ 表と文字の行は、行の合計（sum）には入りません

// ■ 表はそのまま棒グラフにできます
chart(価格)

// ■ 式は曲線になります
plot(x^2 - 3x)

// ■ 式に y も出てくると、x・y・z（答え）の 3 つの軸になります
plot(sin(x) + cos(y), -6, 6)
)vell"},
    {"くり返しと関数", R"vell(// 書き方は Python と同じです。行の終わりに : を付けて、次の行を字下げします
// ⏎ を押すと字下げは自動で入ります

// ■ もし〜なら
点数 = 72
if 点数 >= 80:
    評価 = 5
elif 点数 >= 70:
    評価 = 4
else:
    評価 = 3
評価

// ■ くり返す
合計金額 = 0
for i in range(1, 11):
    合計金額 = 合計金額 + i × 100
合計金額

// ■ 自分で関数を作る（ほかのシートからも呼べます）
def 税込(x):
    return x × 1.1

税込(1200)

// ■ 表をひとつずつ取り出して、関数に通す
価格 = [4800, 12000, 3200]
支払額 = 0
for p in 価格:
    支払額 = 支払額 + 税込(p)
支払額
)vell"},
};

constexpr StarterSheet englishSheets[] = {
    {"Getting Started", R"vell(// Welcome. Type an expression and the answer appears on the right.
// Lines beginning with // are notes and are not calculated.

// ■ Try typing
1200 × 35

// ■ Start a line with an operator to continue the line above
+ 10%
- 2000

// ■ Name a value and use it anywhere
price = 1200
count = 35
price × count

// ■ sum totals everything since the last blank line
4800
12000
3200
sum

// ■ prev is the line above; #3 is the answer on line 3
prev × 2

// ■ Lists in [ ] and text in " " work too
[1200, 3400]
"Text works too"
)vell"},
    {"Units", R"vell(// Write a unit after a number and it carries through to the answer

// ■ Multiplying and dividing builds compound units
width = 120 mm
depth = 300 mm
area = width × depth
36 kN / area in N/mm2

// ■ Converting
10 km in mile
100 °C in °F
5 lb in kg

// ■ Same kinds add up
2 h + 30 min
1 kg + 500 g

// ■ Units that cancel out disappear
100 km/h × 2 h
)vell"},
    {"Lists, Text & Graphs", R"vell(// ■ Numbers in [ ] make a list
prices = [4800, 12000, 3200, 9600]
sum(prices)
avg(prices)
max(prices)

// ■ Pick an item (counting from 0; -1 is the last)
prices[0]
prices[-1]

// ■ Sorting and counting
sort(prices)
len(prices)

// ■ + joins on the end, × repeats
prices + [7000]
[0, 1] × 3

// ■ Quotes make text
item = "cedar post"
item + " (4 in)"
len(item)

// ■ str( ) turns a number into text so it can join
"width " + str(120 mm)

// ■ List and text lines stay out of the running sum

// ■ A list becomes a bar chart
chart(prices)

// ■ An expression becomes a curve
plot(x^2 - 3x)

// ■ Use y as well and it is drawn on three axes: x, y and z
plot(sin(x) + cos(y), -6, 6)
)vell"},
    {"Loops & Functions", R"vell(// The syntax is Python's: end a line with : and indent the next line.
// Pressing ⏎ indents for you.

// ■ If
score = 72
if score >= 80:
    grade = 5
elif score >= 70:
    grade = 4
else:
    grade = 3
grade

// ■ Repeat
amount = 0
for i in range(1, 11):
    amount = amount + i × 100
amount

// ■ Write your own function (callable from other sheets too)
def withTax(x):
    return x × 1.1

withTax(1200)

// ■ Take a list apart and run each item through it
prices = [4800, 12000, 3200]
paid = 0
for p in prices:
    paid = paid + withTax(p)
paid
)vell"},
};

template <std::size_t count>
std::vector<Sheet> makeSheets(const StarterSheet (&table)[count], const Date::Clock& clock) {
    std::vector<Sheet> sheets;
    sheets.reserve(count);
    for (const StarterSheet& entry : table)
        sheets.push_back(
            Sheet{Uuid::random(), std::string(entry.name), std::string(entry.text), clock(), {}});
    return sheets;
}

} // namespace

std::vector<Sheet> VellDocument::starterSheetsJapanese(const Date::Clock& clock) {
    return makeSheets(japaneseSheets, clock);
}

std::vector<Sheet> VellDocument::starterSheetsEnglish(const Date::Clock& clock) {
    return makeSheets(englishSheets, clock);
}

VellDocument VellDocument::starter(const Date::Clock& clock) {
    VellDocument document;
    document.sheets = L10n::isEnglish() ? starterSheetsEnglish(clock) : starterSheetsJapanese(clock);
    document.selectedSheetID = document.sheets.front().id;
    return document;
}

} // namespace vell
