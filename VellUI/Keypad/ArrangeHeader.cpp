#include "Keypad/ArrangeHeader.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Stores/UiText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace vell {

namespace {

constexpr double barRadius = 8;
// Around the bar, outside its background.
constexpr int outerSide = 2;
constexpr int outerBottom = 2;
// Inside the bar.
constexpr int innerSide = 8;
constexpr int innerVertical = 6;
constexpr int textSize = 11;

// Four arrows pointing out from the middle: keys move in every direction.
class ArrangeIcon : public QWidget {
public:
    ArrangeIcon(Appearance& appearance, QWidget* parent) : QWidget(parent), appearance_(appearance) {
        setFixedSize(13, 13);
        connect(&appearance_, &Appearance::changed, this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor ink = Theme::secondaryInk.resolve(appearance_.isDark());
        painter.setPen(QPen(ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF c = QRectF(rect()).center();
        const double reach = 5.5;
        const double head = 2.2;
        painter.drawLine(QPointF(c.x() - reach, c.y()), QPointF(c.x() + reach, c.y()));
        painter.drawLine(QPointF(c.x(), c.y() - reach), QPointF(c.x(), c.y() + reach));
        QPainterPath heads;
        for (const QPointF direction : {QPointF(1, 0), QPointF(-1, 0), QPointF(0, 1), QPointF(0, -1)}) {
            const QPointF tip = c + direction * reach;
            const QPointF back = tip - direction * head;
            const QPointF side(direction.y() * head, direction.x() * head);
            heads.moveTo(back + side);
            heads.lineTo(tip);
            heads.lineTo(back - side);
        }
        painter.drawPath(heads);
    }

private:
    Appearance& appearance_;
};

// A one-line text that ends in "…" when the bar is too narrow for it.
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, width());
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
};

} // namespace

HeaderButton::HeaderButton(bool semibold, Appearance& appearance, QWidget* parent)
    : QAbstractButton(parent), semibold_(semibold), appearance_(appearance) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    connect(&appearance_, &Appearance::changed, this, [this] { update(); });
}

QFont HeaderButton::labelFont() const {
    return Fonts::system(textSize, semibold_ ? QFont::DemiBold : QFont::Normal);
}

QSize HeaderButton::sizeHint() const {
    const QFontMetrics metrics(labelFont());
    return {metrics.horizontalAdvance(text()) + 2, metrics.height()};
}

void HeaderButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (isDown()) painter.setOpacity(0.5);
    painter.setFont(labelFont());
    painter.setPen(Theme::accent.resolve(appearance_.isDark()));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

ArrangeHeader::ArrangeHeader(Appearance& appearance, QWidget* parent)
    : QWidget(parent), appearance_(appearance), icon_(new ArrangeIcon(appearance, this)),
      hint_(new ElidedLabel(this)), addGap_(new HeaderButton(false, appearance, this)),
      reset_(new HeaderButton(false, appearance, this)), done_(new HeaderButton(true, appearance, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(outerSide + innerSide, innerVertical, outerSide + innerSide,
                            outerBottom + innerVertical);
    row->setSpacing(8);
    hint_->setFont(Fonts::system(textSize));
    hint_->setTextFormat(Qt::PlainText);
    hint_->setMinimumWidth(0);
    hint_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(icon_, 0, Qt::AlignVCenter);
    row->addWidget(hint_, 1, Qt::AlignVCenter);
    row->addWidget(addGap_, 0, Qt::AlignVCenter);
    row->addWidget(reset_, 0, Qt::AlignVCenter);
    row->addWidget(done_, 0, Qt::AlignVCenter);
    reset_->hide();

    connect(addGap_, &QAbstractButton::clicked, this, &ArrangeHeader::addGapClicked);
    connect(reset_, &QAbstractButton::clicked, this, &ArrangeHeader::resetClicked);
    connect(done_, &QAbstractButton::clicked, this, &ArrangeHeader::doneClicked);
    connect(&appearance_, &Appearance::changed, this, [this] {
        recolor();
        update();
    });
    recolor();
    retranslate();
}

void ArrangeHeader::setResettable(bool resettable) {
    reset_->setVisible(resettable);
}

void ArrangeHeader::retranslate() {
    hint_->setText(uiText("つまんで並べ替え", "Drag keys to rearrange"));
    addGap_->setText(uiText("空きを足す", "Add a gap"));
    reset_->setText(uiText("標準に戻す", "Reset"));
    done_->setText(uiText("完了", "Done"));
    for (HeaderButton* button : {addGap_, reset_, done_})
        button->updateGeometry();
}

void ArrangeHeader::recolor() {
    QPalette palette = hint_->palette();
    palette.setColor(QPalette::WindowText, Theme::secondaryInk.resolve(appearance_.isDark()));
    hint_->setPalette(palette);
}

QSize ArrangeHeader::sizeHint() const {
    const int text = QFontMetrics(Fonts::system(textSize, QFont::DemiBold)).height();
    return {QWidget::sizeHint().width(), text + 2 * innerVertical + outerBottom};
}

void ArrangeHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = appearance_.isDark();
    const QRectF bar = QRectF(rect()).adjusted(outerSide, 0, -outerSide, -outerBottom);
    painter.setPen(Qt::NoPen);
    // The shadow falls a little upwards, onto whatever lies above the panel.
    painter.setBrush(QColor(0, 0, 0, 46)); // 0.18 of black
    painter.drawRoundedRect(bar.translated(0, -1), barRadius, barRadius);
    painter.setBrush(Theme::windowBackground.resolve(dark));
    painter.drawRoundedRect(bar, barRadius, barRadius);
    QColor tint = Theme::accent.resolve(dark);
    tint.setAlphaF(0.14f);
    painter.setBrush(tint);
    painter.drawRoundedRect(bar, barRadius, barRadius);
}

} // namespace vell
