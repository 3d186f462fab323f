#include "Keypad/Catalogs.h"

#include "Engine/L10n.h"

#include <string_view>
#include <utility>

namespace vell {

namespace {

using sv = std::string_view;

// A built-in function: inserts its name and "()" with the caret between the parentheses.
FunctionItem call(sv label, sv japanese, sv english) {
    std::string name(label);
    return {name, name, name + "()", 1, L10n::text(japanese, english)};
}

FunctionItem item(sv label, sv snippet, int caretBack, sv japanese, sv english) {
    return {std::string(label), std::string(label), std::string(snippet), caretBack,
            L10n::text(japanese, english)};
}

FunctionItem unit(sv label, sv snippet, sv japanese, sv english) {
    return item(label, snippet, 0, japanese, english);
}

FunctionItem unit(sv label, sv japanese, sv english) {
    return unit(label, label, japanese, english);
}

CatalogGroup group(sv japaneseTitle, sv englishTitle, std::vector<FunctionItem> items) {
    return {std::string(japaneseTitle), L10n::text(japaneseTitle, englishTitle), std::move(items)};
}

} // namespace

std::vector<CatalogGroup> FunctionCatalog::categories() {
    // The list loop's id stays its Japanese label whatever the language, so a stored arrangement
    // finds it again.
    const std::string listLoopId = "for（表）";
    FunctionItem listLoop{listLoopId, L10n::text(listLoopId, "for (list)"), "for v in :", 1,
                          L10n::text("表や文字をひとつずつ回す", "Loop over a list or text")};
    const std::string blockSumId = "sum（区間）";
    FunctionItem blockSum{blockSumId, L10n::text(blockSumId, "sum (block)"), "sum", 0,
                          L10n::text("空行からここまでの合計", "Total since the last blank line")};

    return {
        group("よく使う", "Common",
              {
                  call("sqrt", "平方根", "Square root"),
                  call("abs", "絶対値", "Absolute value"),
                  call("round", "四捨五入 round(値, 桁)", "Round: round(value, digits)"),
                  call("floor", "切り捨て", "Round down"),
                  call("ceil", "切り上げ", "Round up"),
              }),
        group("集計", "Totals",
              {
                  call("sum", "合計 sum(1, 2, 3) / sum(表)", "Sum: sum(1, 2, 3) / sum(list)"),
                  call("avg", "平均", "Average"),
                  call("min", "最小", "Minimum"),
                  call("max", "最大", "Maximum"),
              }),
        group("表と文字", "Lists & text",
              {
                  item("[ ]", "[]", 1, "表を作る [1200, 3400]", "Make a list: [1200, 3400]"),
                  item("\" \"", "\"\"", 1, "文字を書く \"梁幅\"", "Write text: \"width\""),
                  call("len", "個数・文字数", "Count of items or characters"),
                  call("str", "数を文字にする str(120 mm)", "Number to text: str(120 mm)"),
                  call("sort", "小さい順に並べ替える", "Sort ascending"),
                  call("reverse", "逆順に並べる", "Reverse order"),
                  call("list", "表にする list(\"abc\")", "Make into a list: list(\"abc\")"),
              }),
        group("三角関数", "Trigonometry",
              {
                  call("sin", "sin(30 deg) のように角度で", "Use angles, like sin(30 deg)"),
                  call("cos", "余弦", "Cosine"),
                  call("tan", "正接", "Tangent"),
                  call("asin", "逆正弦", "Arcsine"),
                  call("acos", "逆余弦", "Arccosine"),
                  call("atan", "逆正接", "Arctangent"),
              }),
        group("対数・累乗", "Logs & exponents",
              {
                  call("ln", "自然対数", "Natural logarithm"),
                  call("log", "常用対数（底 10）", "Common logarithm (base 10)"),
                  call("log2", "底 2 の対数", "Logarithm to base 2"),
                  call("exp", "e の累乗", "Power of e"),
                  call("pow", "累乗 pow(値, 指数)", "Power: pow(value, exponent)"),
              }),
        group("整数", "Integers",
              {
                  call("mod", "余り mod(10, 3)", "Remainder: mod(10, 3)"),
                  call("gcd", "最大公約数", "Greatest common divisor"),
                  call("lcm", "最小公倍数", "Least common multiple"),
                  call("hypot", "斜辺 hypot(3, 4)", "Hypotenuse: hypot(3, 4)"),
              }),
        group("グラフ", "Graphs",
              {
                  call("plot", "曲線 plot(x^2)。y も使うと x・y・z の 3 軸",
                       "Curve: plot(x^2). Uses y too → three axes"),
                  call("chart", "棒グラフ chart(家賃, 光熱費)", "Bar chart: chart(rent, power)"),
              }),
        group("プログラム", "Programs",
              {
                  item("if", "if :", 1, "もし〜なら（次の行から字下げ）", "If … (indent the next line)"),
                  item("elif", "elif :", 1, "そうでなくて〜なら", "Else if …"),
                  item("else", "else:", 0, "そうでなければ", "Otherwise"),
                  item("for", "for i in range():", 2, "決めた回数くり返す", "Repeat a set number of times"),
                  listLoop,
                  item("while", "while :", 1, "条件が続く間くり返す", "Repeat while a condition holds"),
                  item("def", "def 名前():", 3, "関数を作る", "Define a function"),
                  item("return", "return ", 0, "関数の答えを返す", "Return the function's answer"),
                  item("break", "break", 0, "くり返しを抜ける", "Leave the loop"),
                  item("continue", "continue", 0, "次の周回へ", "Skip to the next pass"),
                  call("range", "0,1,2… の並び", "The sequence 0, 1, 2, …"),
                  item("==", " == ", 0, "等しい", "Equal to"),
                  item("!=", " != ", 0, "等しくない", "Not equal to"),
                  item("<", " < ", 0, "より小さい", "Less than"),
                  item(">", " > ", 0, "より大きい", "Greater than"),
                  item("<=", " <= ", 0, "以下", "Less or equal"),
                  item(">=", " >= ", 0, "以上", "Greater or equal"),
                  item("and", " and ", 0, "かつ", "And"),
                  item("or", " or ", 0, "または", "Or"),
                  item("not", "not ", 0, "でない", "Not"),
              }),
        group("定数・参照", "Constants & references",
              {
                  item("π", "pi", 0, "円周率", "Pi"),
                  item("e", "e", 0, "自然対数の底", "Euler's number"),
                  item("prev", "prev", 0, "前の行の答え", "The previous line's answer"),
                  blockSum,
                  item("total", "total", 0, "先頭からの合計", "Total from the top"),
              }),
    };
}

std::vector<CatalogGroup> UnitCatalog::categories() {
    return {
        group("換算", "Convert",
              {
                  unit("in", " in ", "単位を変換 100 m in km", "Convert units: 100 m in km"),
                  unit("→", " → ", "in と同じ 100 m → km", "Same as in: 100 m → km"),
              }),
        group("お金", "Money",
              {
                  unit("円", "日本円", "Japanese yen"),
                  unit("万円", "10,000 円", "10,000 yen"),
                  unit("$", "米ドル", "US dollars"),
                  unit("€", "ユーロ", "Euro"),
              }),
        group("時間", "Time",
              {
                  unit("s", "秒", "Seconds"),
                  unit("min", "分", "Minutes"),
                  unit("h", "時間", "Hours"),
                  unit("day", "日", "Days"),
                  unit("week", "週", "Weeks"),
                  unit("month", "月", "Months"),
                  unit("year", "年", "Years"),
              }),
        group("温度", "Temperature",
              {
                  unit("°C", "摂氏", "Celsius"),
                  unit("°F", "華氏", "Fahrenheit"),
                  unit("K", "ケルビン", "Kelvin"),
              }),
        group("長さ", "Length",
              {
                  unit("mm", "ミリメートル", "Millimeters"),
                  unit("cm", "センチメートル", "Centimeters"),
                  unit("m", "メートル", "Meters"),
                  unit("km", "キロメートル", "Kilometers"),
                  unit("inch", "インチ", "Inches"),
                  unit("ft", "フィート", "Feet"),
                  unit("mi", "マイル", "Miles"),
              }),
        group("重さ", "Weight",
              {
                  unit("mg", "ミリグラム", "Milligrams"),
                  unit("g", "グラム", "Grams"),
                  unit("kg", "キログラム", "Kilograms"),
                  unit("t", "トン", "Tonnes"),
                  unit("oz", "オンス", "Ounces"),
                  unit("lb", "ポンド", "Pounds"),
              }),
        group("面積", "Area",
              {
                  unit("mm²", "mm2", "平方ミリメートル", "Square millimeters"),
                  unit("cm²", "cm2", "平方センチメートル", "Square centimeters"),
                  unit("m²", "平方メートル", "Square meters"),
                  unit("km²", "平方キロメートル", "Square kilometers"),
                  unit("ha", "ヘクタール", "Hectares"),
                  unit("坪", "約 3.3 m²", "Tsubo (about 3.3 m²)"),
                  unit("畳", "約 1.62 m²", "Jo (about 1.62 m²)"),
              }),
        group("力・応力", "Force & stress",
              {
                  unit("N", "ニュートン", "Newtons"),
                  unit("kN", "キロニュートン", "Kilonewtons"),
                  unit("kgf", "重量キログラム", "Kilogram-force"),
                  unit("N/mm²", "N/mm2", "応力度（＝MPa）", "Stress (= MPa)"),
                  unit("kN/m²", "kN/m2", "面にかかる荷重", "Load on a surface"),
                  unit("kPa", "キロパスカル", "Kilopascals"),
                  unit("MPa", "メガパスカル", "Megapascals"),
                  unit("mm³", "mm3", "断面係数 Z", "Section modulus Z"),
                  unit("mm⁴", "mm4", "断面二次モーメント I", "Second moment of area I"),
              }),
        group("体積", "Volume",
              {
                  unit("mL", "ミリリットル", "Milliliters"),
                  unit("L", "リットル", "Liters"),
                  unit("m³", "立方メートル", "Cubic meters"),
                  unit("gal", "ガロン", "Gallons"),
              }),
        group("速さ", "Speed",
              {
                  unit("km/h", "キロメートル毎時", "Kilometers per hour"),
                  unit("m/s", "メートル毎秒", "Meters per second"),
                  unit("mph", "マイル毎時", "Miles per hour"),
                  unit("knot", "ノット", "Knots"),
              }),
        group("データ", "Data",
              {
                  unit("B", "バイト", "Bytes"),
                  unit("KB", "キロバイト", "Kilobytes"),
                  unit("MB", "メガバイト", "Megabytes"),
                  unit("GB", "ギガバイト", "Gigabytes"),
                  unit("TB", "テラバイト", "Terabytes"),
              }),
        group("角度", "Angle",
              {
                  unit("deg", "度", "Degrees"),
                  unit("rad", "ラジアン", "Radians"),
              }),
    };
}

} // namespace vell
