#include "SheetEditor/TooLargeSheetNotice.h"

#include "Stores/UiText.h"

namespace vell {

TooLargeSheetNotice::TooLargeSheetNotice(Appearance& appearance, QWidget* parent)
    : NoticeBar(Kind::information, appearance, parent) {
    setObjectName(QStringLiteral("tooLargeSheetNotice"));
}

QString TooLargeSheetNotice::message() {
    return uiText("このシートは大きすぎて編集できません。先頭の部分を読み取り専用で表示しています。",
                  "This sheet is too large to edit. Its beginning is shown read-only.");
}

void TooLargeSheetNotice::setShown(bool shown) {
    setText(shown ? message() : QString());
}

} // namespace vell
