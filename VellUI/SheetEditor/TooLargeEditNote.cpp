#include "SheetEditor/TooLargeEditNote.h"

#include "Document/SheetSize.h"

#include <QAccessible>
#include <QTimer>
#include <algorithm>

namespace vell {

namespace {

constexpr int gap = 12;
constexpr int sideGap = 16;

} // namespace

TooLargeEditNote::TooLargeEditNote(QWidget* parent) : QLabel(parent), timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("tooLargeEditNote"));
    setWordWrap(true);
    setMargin(8);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setFocusPolicy(Qt::NoFocus);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer_->setSingleShot(true);
    timer_->setInterval(shownFor);
    connect(timer_, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void TooLargeEditNote::showRefusal(const QRect& caret) {
    setText(QString::fromStdString(SheetSize::refusalMessage()));
    setAccessibleName(text());
    caret_ = caret;
    place(area_);
    show();
    raise();
    timer_->start();
    // Said aloud by a screen reader as well as shown, since the keyboard stays in the editor.
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void TooLargeEditNote::place(const QRect& area) {
    area_ = area;
    if (area.isEmpty()) return;
    const int width = std::max(0, std::min(sizeHint().width(), area.width() - 2 * sideGap));
    const int height = heightForWidth(width) > 0 ? heightForWidth(width) : sizeHint().height();
    QRect placed(area.left() + (area.width() - width) / 2, area.bottom() - gap - height, width, height);
    // Typing goes on where the caret is: the note keeps off its rows (the caret may be no wider than 0).
    if (caret_.height() > 0 && placed.top() - gap <= caret_.bottom() && caret_.top() <= placed.bottom() + gap)
        placed.moveTop(area.top() + gap);
    setGeometry(placed);
}

} // namespace vell
