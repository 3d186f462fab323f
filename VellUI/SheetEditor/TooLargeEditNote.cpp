#include "SheetEditor/TooLargeEditNote.h"

#include "Document/SheetSize.h"

#include <QAccessible>
#include <QTimer>
#include <algorithm>

namespace vell {

namespace {

constexpr int bottomGap = 12;
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

void TooLargeEditNote::showRefusal() {
    setText(QString::fromStdString(SheetSize::refusalMessage()));
    setAccessibleName(text());
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
    setGeometry(area.left() + (area.width() - width) / 2, area.bottom() - bottomGap - height, width, height);
}

} // namespace vell
