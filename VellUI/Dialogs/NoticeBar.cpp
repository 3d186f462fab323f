#include "Dialogs/NoticeBar.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Stores/UiText.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <cmath>

namespace vell {

namespace {

constexpr int iconSize = 16;
constexpr int horizontalMargin = 12;
constexpr int verticalMargin = 7;
constexpr int iconGap = 8;
constexpr qreal textSize = 13;

// A cross in the ink's colour, drawn at the screen's density.
QIcon crossIcon(const QColor& ink, qreal ratio) {
    constexpr int size = 12;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(2.5, 2.5), QPointF(size - 2.5, size - 2.5));
    painter.drawLine(QPointF(size - 2.5, 2.5), QPointF(2.5, size - 2.5));
    return QIcon(pixmap);
}

} // namespace

NoticeBar::NoticeBar(Kind kind, Appearance& appearance, QWidget* parent)
    : QFrame(parent), kind_(kind), appearance_(appearance), label_(new QLabel(this)),
      dismiss_(new QToolButton(this)) {
    setObjectName(QStringLiteral("noticeBar"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setFont(Fonts::system(textSize));
    // A path or a cause may be worth copying.
    label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    dismiss_->setAutoRaise(true);
    dismiss_->setFocusPolicy(Qt::TabFocus);
    dismiss_->hide();
    connect(dismiss_, &QToolButton::clicked, this, &NoticeBar::dismissed);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(horizontalMargin + iconSize + iconGap, verticalMargin, horizontalMargin,
                               verticalMargin + 1);
    layout->setSpacing(iconGap);
    layout->addWidget(label_, 1);
    layout->addWidget(dismiss_, 0, Qt::AlignTop);

    connect(&appearance_, &Appearance::changed, this, &NoticeBar::applyAppearance);
    applyAppearance();
    retranslate();
    hide();
}

void NoticeBar::setText(const QString& message) {
    if (message.isEmpty()) {
        hide();
        return;
    }
    const bool changed = message != label_->text();
    const bool wasVisible = isVisible();
    label_->setText(message);
    setAccessibleName(message);
    retranslate();
    // Becoming visible announces it (showEvent).
    show();
    if (changed && wasVisible) announce();
}

QString NoticeBar::text() const {
    return isHidden() ? QString() : label_->text();
}

void NoticeBar::setDismissible(bool dismissible) {
    dismiss_->setVisible(dismissible);
}

QColor NoticeBar::tint() const {
    return (kind_ == Kind::warning ? Theme::warningTint : Theme::informationTint)
        .resolve(appearance_.isDark());
}

QColor NoticeBar::edge() const {
    return (kind_ == Kind::warning ? Theme::warningEdge : Theme::informationEdge)
        .resolve(appearance_.isDark());
}

QColor NoticeBar::iconColor() const {
    return (kind_ == Kind::warning ? Theme::warningIcon : Theme::informationIcon)
        .resolve(appearance_.isDark());
}

QColor NoticeBar::ink() const {
    return Theme::ink.resolve(appearance_.isDark());
}

QRect NoticeBar::iconRect() const {
    // Level with the first line of the message.
    const int lineHeight = label_->fontMetrics().height();
    const int top = label_->geometry().top() + std::max(0, (lineHeight - iconSize) / 2);
    return QRect(horizontalMargin, top, iconSize, iconSize);
}

void NoticeBar::applyAppearance() {
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, ink());
    palette.setColor(QPalette::Text, ink());
    label_->setPalette(palette);
    dismiss_->setIcon(crossIcon(ink(), devicePixelRatioF()));
    update();
}

void NoticeBar::retranslate() {
    setAccessibleDescription(kind_ == Kind::warning ? uiText("警告", "Warning")
                                                    : uiText("お知らせ", "Notice"));
    dismiss_->setAccessibleName(uiText("閉じる", "Dismiss"));
    dismiss_->setToolTip(dismiss_->accessibleName());
}

void NoticeBar::announce() {
    // Read out as it comes, as a message box's text is.
    QAccessibleEvent event(this, kind_ == Kind::warning ? QAccessible::Alert : QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void NoticeBar::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    announce();
}

void NoticeBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), tint());
    painter.fillRect(QRect(0, height() - 1, width(), 1), edge());

    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF icon = iconRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(iconColor());
    if (kind_ == Kind::warning) {
        // A triangle with an exclamation mark cut out of it.
        QPainterPath triangle;
        triangle.moveTo(icon.center().x(), icon.top() + 0.5);
        triangle.lineTo(icon.right(), icon.bottom() - 0.5);
        triangle.lineTo(icon.left(), icon.bottom() - 0.5);
        triangle.closeSubpath();
        painter.drawPath(triangle);
        painter.setBrush(tint());
        const qreal x = icon.center().x();
        painter.drawRoundedRect(QRectF(x - 1, icon.top() + 5, 2, 6), 1, 1);
        painter.drawEllipse(QPointF(x, icon.bottom() - 3), 1.1, 1.1);
    } else {
        // A disc with an "i" cut out of it.
        painter.drawEllipse(icon.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setBrush(tint());
        const qreal x = icon.center().x();
        painter.drawEllipse(QPointF(x, icon.top() + 4.5), 1.2, 1.2);
        painter.drawRoundedRect(QRectF(x - 1, icon.top() + 7, 2, 6), 1, 1);
    }
}

} // namespace vell
