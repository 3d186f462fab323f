#include "SheetEditor/TooLargeSheetNotice.h"

#include "Stores/UiText.h"

namespace vell {

TooLargeSheetNotice::TooLargeSheetNotice(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("tooLargeSheetNotice"));
    setWordWrap(true);
    setMargin(8);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    hide();
}

QString TooLargeSheetNotice::message() {
    return uiText("このシートは大きすぎて編集できません。先頭の部分を読み取り専用で表示しています。",
                  "This sheet is too large to edit. Its beginning is shown read-only.");
}

void TooLargeSheetNotice::setShown(bool shown) {
    if (shown) setText(message());
    setVisible(shown);
}

} // namespace vell
