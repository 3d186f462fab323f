#include "Terms/Terms.h"

#include "Engine/L10n.h"

namespace vell {

std::string Terms::title() {
    return L10n::text("ご利用の前に", "Before You Begin");
}

std::string Terms::headline() {
    return L10n::text("この電卓の答えは、必ずご自身で確かめてからお使いください。",
                      "Always verify this app's results yourself before you rely on them.");
}

std::string Terms::agreeButton() {
    return L10n::text("同意して使いはじめる", "Agree and Get Started");
}

std::string Terms::declineNote() {
    return L10n::text(
        "同意いただけない場合は、本アプリをご利用いただけません。お手数ですが削除してください。",
        "If you do not agree, you may not use this app. Please delete it.");
}

std::vector<Terms::Section> Terms::sections() {
    std::vector<Section> sections;
    sections.reserve(6);

    sections.push_back({
        L10n::text("1. 何をするアプリか", "1. What this app is"),
        L10n::text(
            "Vell（以下「本アプリ」）は、入力した式をその場で計算して表示する、個人用の計算ノートです。"
            "計算の下書きや検討に使うことを想定しています。",
            "Vell (the \"App\") is a personal calculating notepad that evaluates what you type and "
            "shows the result. It is intended for drafting and exploring calculations."),
    });

    sections.push_back({
        L10n::text("2. 計算結果について（重要）", "2. About the results (important)"),
        L10n::text(
            "開発者は、本アプリの計算結果が正確であること、完全であることを保証しません。本アプリには誤りが"
            "含まれている可能性があり、単位の扱い、端数の丸め、浮動小数点演算などにより、意図と異なる結果"
            "になることがあります。\n\n"
            "計算結果は、頼りにする前に必ず別の方法で確かめてください。特に、建築・土木・構造設計、医療、"
            "金融、法律など、生命・健康・財産・権利に関わる判断を、本アプリの計算結果だけに基づいて"
            "行わないでください。",
            "The developer does not warrant that the App's results are accurate or complete. The App may "
            "contain errors, and the handling of units, rounding and floating-point arithmetic can give "
            "results that differ from what you meant.\n\n"
            "Always check the results by other means before you rely on them. In particular, never make "
            "the results the only basis for decisions in architecture, civil or structural engineering, "
            "medicine, finance, law, or any other matter that affects life, health, property or rights."),
    });

    sections.push_back({
        L10n::text("3. 免責", "3. Disclaimer and limitation of liability"),
        L10n::text(
            "本アプリは現状有姿（AS IS）で提供されます。開発者は、商品性、特定目的への適合性、正確性、"
            "瑕疵のないことを含め、明示か黙示かを問わず、いかなる保証もいたしません。\n\n"
            "本アプリの利用または利用できなかったことにより、利用者または第三者に生じたいかなる損害"
            "（直接的、間接的、付随的、特別、結果的な損害を問わず、逸失利益、業務の中断、データの消失を"
            "含みます）についても、開発者は責任を負いません。\n\n"
            "ただし、開発者の故意または重大な過失による場合は、この限りではありません。",
            "The App is provided \"AS IS\", without warranty of any kind, express or implied, including "
            "merchantability, fitness for a particular purpose, accuracy and non-infringement.\n\n"
            "To the maximum extent permitted by law, the developer is not liable for any damages arising "
            "from the use of, or the inability to use, the App, whether direct, indirect, incidental, "
            "special or consequential, including lost profits, business interruption and loss of data.\n\n"
            "This does not apply to damages caused by the developer's willful misconduct or gross "
            "negligence."),
    });

    sections.push_back({
        L10n::text("4. データの保存と責任", "4. Your data"),
        L10n::text(
            "本アプリは、利用者に関する情報を一切収集しません。広告、利用状況の解析、ネットワーク通信は"
            "一切ありません。\n\n"
            "書いた内容は、このコンピュータの中と、同期フォルダを選んだ場合はそのフォルダの中にだけ保存"
            "されます。同期フォルダをほかのコンピュータと同期するのは、利用者ご自身の同期ツールです。"
            "コンピュータの故障、同期ツールや同期フォルダの不具合、本アプリの削除、操作の誤りなどにより"
            "データが失われても、開発者は責任を負いません。大切な内容は、別に控えを取っておいてください。",
            "The App collects no information about you. There is no advertising, no analytics and no "
            "networking at all.\n\n"
            "What you write is stored only on this computer and, if you choose a sync folder, in that "
            "folder; keeping that folder in step with other computers is the work of your own sync "
            "tool. The developer is not responsible for data lost through a failure of the computer, "
            "problems with your sync tool or the sync folder, deletion of the App, or operating errors. "
            "Keep copies of anything important."),
    });

    sections.push_back({
        L10n::text("5. 禁止事項", "5. Restrictions"),
        L10n::text(
            "本アプリの改変、リバースエンジニアリング、再配布、および法令に違反する目的での利用はご遠慮"
            "ください。",
            "Please do not modify, reverse-engineer, or redistribute the App, or use it for any unlawful "
            "purpose."),
    });

    sections.push_back({
        L10n::text("6. 規約の変更", "6. Changes to these terms"),
        L10n::text(
            "本規約は、必要に応じて変更することがあります。重要な変更があった場合は、アプリの更新時に"
            "改めて同意をお願いします。本規約は日本法に準拠します。",
            "These terms may be updated. If they change materially, you will be asked to agree again when "
            "the App is updated. These terms are governed by the laws of Japan."),
    });

    return sections;
}

} // namespace vell
