#include "Screens/HelpTable.h"

#include "Engine/L10n.h"
#include "Stores/UiText.h"

#include <QKeySequence>

namespace vell {

namespace {

// One text for both languages.
QString T(const char* text) {
    return QString::fromUtf8(text);
}

QString nativeText(const QKeySequence& keys) {
    return keys.toString(QKeySequence::NativeText);
}

} // namespace

QString HelpTable::undoRedoKeys() {
    // Redo is bound to Ctrl+Shift+Z on every platform, whatever the platform's own list puts first.
    return nativeText(QKeySequence(QKeySequence::Undo)) + " / " +
           nativeText(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
}

QString HelpTable::newSheetKey() {
    return nativeText(QKeySequence(QKeySequence::New));
}

std::vector<HelpTable::Group> HelpTable::groups() {
    std::vector<Group> groups;
    groups.reserve(12);

    groups.push_back(
        {uiText("入力", "Typing"),
         {
             {T("1200 * 3"), uiText("打った先から右に答えが出る。= はいらない",
                                    "The answer appears on the right as you type. No = needed")},
             {T("+ 10%"), uiText("演算子で始めた行は、前の行の続きになる",
                                 "A line starting with an operator continues the previous line")},
             {T("- 5"),
              uiText("前の行から 5 を引く（-5 と詰めるとただの負の数）",
                     "Subtracts 5 from the previous line (-5 without a space is just a negative number)")},
             {T("1,234 + 5 × 6"),
              uiText("桁区切りも全角もそのまま通る", "Digit grouping and full-width characters both work")},
             {T("2(3 + 4)"), uiText("掛け算の記号は省略できる", "The multiplication sign can be omitted")},
             {T("3万 / 1.5億 / 1億2000万"),
              uiText("漢数字の位が使える", "Japanese number units (万, 億…) work too")},
         }});

    groups.push_back(
        {uiText("計算した値を、別のところで使う", "Reusing values"),
         {
             {uiText("単価 = 1200", "price = 1200"),
              uiText("名前を付けると、どの行からでも呼び出せる", "A named value can be used from any line")},
             {uiText("単価 * 個数", "price * count"), uiText("名前どうしで計算する", "Calculate with names")},
             {uiText("右の答えをクリック", "Click an answer"),
              uiText("その値が今いる場所に入る（名前が無ければ自動で付く）",
                     "Inserts that value at the cursor (a name is added automatically if needed)")},
             {uiText("右の答えを引っぱる", "Drag an answer"),
              uiText("式の入れたい場所へ落とすと、その値が入る", "Drop it where you want the value")},
             {uiText("右の答えを右クリック", "Right-click an answer"),
              uiText("その行に名前を付ける", "Name that line")},
             {uiText("名前を変える", "Rename"), uiText("その名前を使っている行も、まとめて書き換わる",
                                                       "Every line using the name is updated together")},
             {T("prev / ans / 前"), uiText("前の行の答え", "The previous line's answer")},
             {T("#3"), uiText("3 行目の答え", "The answer on line 3")},
             {T("sum"), uiText("直前の空行から、ここまでの合計", "Total since the last blank line")},
             {T("total"), uiText("先頭からここまでの合計", "Total from the top")},
         }});

    groups.push_back({uiText("パーセント", "Percentages"),
                      {
                          {T("3000 + 10%"), uiText("3300 — 割増", "3300 — add 10%")},
                          {T("3000 - 10%"), uiText("2700 — 割引", "2700 — take off 10%")},
                          {T("3000 * 10%"), uiText("300 — その割合の量", "300 — that fraction of it")},
                          {T("10% of 3000"), uiText("300 — 同じ意味", "300 — same thing")},
                      }});

    groups.push_back(
        {uiText("単位", "Units"),
         {
             {T("1200円 * 35"),
              uiText("42,000円 — 単位は答えまで残る", "42,000円 — units carry through to the answer")},
             {T("1500 mm in m"), uiText("単位を変える（to / → でも可）", "Convert units (to / → also work)")},
             {T("1 m + 30 cm"), uiText("同じ種類なら足し引きできる", "Same kinds can be added together")},
             {T("100°C in °F"), uiText("温度も換算できる", "Temperatures convert too")},
             {T("6畳 in m2"),
              uiText("坪・畳・円などにも対応", "Japanese units like 坪 and 畳 are supported")},
         }});

    groups.push_back(
        {uiText("組み合わせた単位", "Compound units"),
         {
             {T("300 mm * 600 mm"),
              uiText("180,000 mm² — 掛けると面積になる", "180,000 mm² — multiplying makes an area")},
             {T("20 kN / 180000 mm2"), uiText("0.000111 kN/mm² — 割ると N/mm² のような単位になる",
                                              "0.000111 kN/mm² — dividing makes units like N/mm²")},
             {T("5 mm^2 / 100 mm4"),
              uiText("^ で 2 乗・4 乗。mm2 / mm⁴ と書いてもよい", "Use ^ for powers; mm2 / mm⁴ also work")},
             {T("60 km/h * 2 h"), uiText("120 km — 打ち消し合う単位は消える", "120 km — units cancel out")},
             {T("1 MPa in N/mm2"),
              uiText("N・kN・kgf・Pa・kPa・MPa が使える", "N, kN, kgf, Pa, kPa, and MPa are available")},
             {T("b = 300"),
              uiText("b や d は単位ではなく名前として使える", "b and d work as names, not units")},
         }});

    groups.push_back({uiText("関数", "Functions"),
                      {
                          {T("sqrt / abs / round / floor / ceil"),
                           uiText("round(3.14159, 2) のように桁数も指定できる",
                                  "round(3.14159, 2) also takes the number of digits")},
                          {T("min / max / sum / avg"), T("sum(1, 2, 3)")},
                          {T("sin / cos / tan"),
                           uiText("sin(30 deg) のように角度で渡せる", "Pass angles, like sin(30 deg)")},
                          {T("ln / log / log2 / exp"), uiText("対数と指数", "Logarithms and exponentials")},
                          {T("mod / gcd / lcm / hypot"), uiText("そのほか", "And more")},
                          {T("pi / e / tau"), uiText("定数", "Constants")},
                      }});

    groups.push_back(
        {uiText("表（リスト）と文字", "Lists and text"),
         {
             {uiText("価格 = [1200, 3400, 5600]", "prices = [1200, 3400, 5600]"),
              uiText("[ ] で数を並べた「表」。名前を付けて何度でも使える",
                     "A list of numbers in [ ]. Name it and use it anywhere")},
             {uiText("sum(価格) / avg(価格)", "sum(prices) / avg(prices)"),
              uiText("表を丸ごと合計・平均できる。min / max も同じ",
                     "Sum or average a whole list. min / max too")},
             {uiText("価格[0]", "prices[0]"),
              uiText("0 から数えて何番目か。-1 は最後", "Item by position from 0; -1 is the last")},
             {uiText("len(価格)", "len(prices)"),
              uiText("個数。文字なら文字数", "The count (characters, for text)")},
             {uiText("for p in 価格:", "for p in prices:"),
              uiText("表を 1 つずつ回す。range(…) と同じように書ける",
                     "Loop over a list, just like range(…)")},
             {uiText("表 + [7]", "items + [7]"),
              uiText("+ でつなぐ。くり返しの中で表を育てられる", "Join with +. Grow a list inside a loop")},
             {uiText("sort(価格) / reverse(価格)", "sort(prices) / reverse(prices)"),
              uiText("並べ替える（mm と m が混ざっていてもそろえて並ぶ）",
                     "Sort or reverse (mixed mm and m still sort correctly)")},
             {uiText("chart(価格)", "chart(prices)"),
              uiText("表をそのまま棒グラフにできる", "Chart a list as bars directly")},
             {uiText("\"梁幅\"", "\"width\""),
              uiText("\" \" で囲むと文字。中身は書いたとおりに残る",
                     "Quotes make text; the content stays exactly as written")},
             {uiText("\"梁幅 \" + str(120 mm)", "\"width \" + str(120 mm)"),
              uiText("文字どうしは + でつなぐ。str(値) で数を文字にする",
                     "Join text with +; str(value) turns a number into text")},
             {uiText("表・文字の行", "List and text lines"),
              uiText("行の合計（sum / total）には入らない", "They stay out of sum / total")},
         }});

    groups.push_back(
        {uiText("プログラム（字下げで書く）", "Programs (indented)"),
         {
             {uiText("if 点数 >= 80:", "if score >= 80:"),
              uiText("行の終わりに : を置き、次の行から字下げする",
                     "End the line with : and indent the next line")},
             {uiText("　　評価 = 5", "    grade = 5"),
              uiText("字下げした行がその中身。⏎ で自動で字下げされる",
                     "Indented lines are the body; ⏎ indents automatically")},
             {T("elif … / else:"), uiText("続けて条件を足す", "Add more conditions")},
             {T("for i in range(1, 11):"),
              uiText("1〜10 をくり返す（range(10) は 0〜9）", "Loops 1 to 10 (range(10) is 0 to 9)")},
             {uiText("while 残高 > 0:", "while balance > 0:"),
              uiText("条件が続く間くり返す。終わらない時は自動で打ち切る",
                     "Repeats while true; runaway loops stop automatically")},
             {T("break / continue"),
              uiText("くり返しを抜ける／次の周回へ", "Leave the loop / skip to the next pass")},
             {uiText("def 面積(幅, 高さ):", "def area(w, h):"),
              uiText("関数を作る。中で return 幅 * 高さ と書く", "Define a function; return w * h inside")},
             {uiText("面積(3 m, 4 m)", "area(3 m, 4 m)"),
              uiText("12 m² — 単位もそのまま通る", "12 m² — units pass right through")},
             {T("== != < <= > >="),
              uiText("比べた答えは 1（真）と 0（偽）", "Comparisons give 1 (true) or 0 (false)")},
             {T("and / or / not"), uiText("True / False も使える", "True / False work too")},
             {uiText("くり返しの中の行", "Lines inside a loop"),
              uiText("右には最後の周回の答えが出る。合計（sum）には入らない",
                     "Show the last pass's answer; they stay out of sum")},
         }});

    groups.push_back({uiText("ほかのシートの関数を使う", "Functions from other sheets"),
                      {
                          {uiText("def 税込(x):", "def withTax(x):"),
                           uiText("どれか 1 枚に書いておけば、ほかのシートからも呼べる",
                                  "Define it on any sheet and call it from every sheet")},
                          {uiText("税込(1000)", "withTax(1000)"),
                           uiText("別のシートからそのまま呼ぶ", "Call it directly from another sheet")},
                          {uiText("同じ名前があるとき", "If names clash"),
                           uiText("自分のシートの def が先。次にタブの並び順で探す",
                                  "Your own sheet wins, then sheets in tab order")},
                          {uiText("借りられるのは def だけ", "Only def is shared"),
                           uiText("名前を付けた値（単価 = 1200 など）は、そのシートの中だけ",
                                  "Named values (price = 1200 …) stay within their sheet")},
                      }});

    groups.push_back(
        {uiText("元に戻す・やり直す", "Undo and redo"),
         {
             {undoRedoKeys(),
              uiText("元に戻す／やり直す（キーパッドの ↩︎ ↪︎ でも同じ）",
                     "Undo / redo (the ↩︎ ↪︎ keys do the same)")},
             {uiText("行ロックも一緒に戻る", "Line locks come back too"),
              uiText("本文とロックを組にして覚えているので、ずれない",
                     "Text and locks are remembered together, so they never drift")},
             {uiText("続けて打った分", "Continuous typing"),
              uiText("1 回でまとめて戻る。改行や貼り付けは区切りになる",
                     "Undone in one step; newlines and pastes are separate steps")},
             {uiText("⌫ を横にスライド", "Slide the ⌫ key sideways"),
              uiText("開いているシート 1 枚の中身を全部消す。確認してから消え、取り消しで戻せる",
                     "Clears the current sheet only — it asks first, and undo brings it back")},
             {uiText("覚えているのは開いている間", "Kept while the app is open"),
              uiText("シートごとに別々。アプリを閉じると消える", "Per sheet; cleared when the app closes")},
         }});

    groups.push_back(
        {uiText("グラフ", "Graphs"),
         {
             {T("plot(x^2 - 3x)"),
              uiText("x を動かして曲線を描く。本文の下に出る", "Draws a curve over x, shown below the text")},
             {T("plot(sin(x), 0, 12)"),
              uiText("範囲を決める（省くと -10〜10）", "Set the range (default -10 to 10)")},
             {uiText("plot(係数 * x)", "plot(rate * x)"),
              uiText("名前を付けた値も式に使える", "Named values work inside the expression")},
             {T("plot(sin(x) + cos(y))"),
              uiText("式に y も出てくると、x・y・z（答え）の 3 つの軸で描く",
                     "If the expression also uses y, it is drawn on three axes: x, y and z")},
             {T("plot(x × y, 0, 3, 0, 5)"), uiText("3 つの軸のときは x と y の範囲を続けて書く",
                                                   "For three axes, give the x range then the y range")},
             {uiText("グラフを横につまんで動かす", "Drag a 3-axis graph sideways"),
              uiText("3 つの軸のグラフは向きを変えられる。裏に隠れた山も見える",
                     "Turns a three-axis graph so you can see what was hidden behind")},
             {uiText("chart(家賃, 光熱費, 食費)", "chart(rent, power, food)"),
              uiText("並べて比べる棒グラフ。名前がそのまま見出しになる",
                     "Bar chart; the names become labels")},
             {T("chart(3, 1, 4)"), uiText("数を直接並べてもよい", "Plain numbers work too")},
         }});

    groups.push_back(
        {uiText("そのほか", "Other"),
         {
             {uiText("// メモ", "// note"),
              uiText("計算しない行。数字の無い行も自動でメモ扱いになる",
                     "Not calculated; lines without digits are treated as notes too")},
             {uiText("空行", "Blank line"),
              uiText("計算のまとまりが切れる（sum の区切り）", "Ends a block (the boundary for sum)")},
             {T("max(1,234, 5)"), uiText("引数のカンマは区切り。1,234 のような 3 桁区切りとは区別される",
                                         "Commas separate arguments; 1,234-style grouping is told apart")},
             {T("prev / sum / total"), uiText("もともとある言葉なので、名前には使えない",
                                              "Built-in words; they can't be used as names")},
             {newSheetKey(), uiText("新しいシート", "New sheet")},
         }});
    return groups;
}

} // namespace vell
