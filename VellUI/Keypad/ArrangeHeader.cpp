#include "Keypad/ArrangeHeader.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Stores/UiText.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <utility>
#include <vector>

namespace vell {

namespace {

constexpr double barRadius = 8;
// Around the bar, outside its background.
constexpr int outerSide = 2;
constexpr int outerBottom = 2;
// Inside the bar.
constexpr int innerSide = 8;
constexpr int innerVertical = 6;
constexpr int spacing = 8;
// Between the hint and the buttons when they take two rows.
constexpr int rowSpacing = 4;
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
        const QColor ink = Theme::windowSecondaryInk.resolve(appearance_.isDark());
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

QColor HeaderButton::textColor() const {
    return Theme::accentText.resolve(appearance_.isDark());
}

void HeaderButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (isDown()) painter.setOpacity(0.5);
    painter.setFont(labelFont());
    painter.setPen(textColor());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

ArrangeHeader::ArrangeHeader(Appearance& appearance, QWidget* parent)
    : QWidget(parent), appearance_(appearance), icon_(new ArrangeIcon(appearance, this)),
      hint_(new QLabel(this)), addGap_(new HeaderButton(false, appearance, this)),
      reset_(new HeaderButton(false, appearance, this)), done_(new HeaderButton(true, appearance, this)) {
    hint_->setFont(Fonts::system(textSize));
    hint_->setTextFormat(Qt::PlainText);
    hint_->setWordWrap(true);
    hint_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
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
    if (resettable == resettable_) return;
    resettable_ = resettable;
    reset_->setVisible(resettable);
    place();
    updateGeometry();
}

void ArrangeHeader::retranslate() {
    hint_->setText(uiText("つまんで並べ替え", "Drag keys to rearrange"));
    addGap_->setText(uiText("空きを足す", "Add a gap"));
    reset_->setText(uiText("標準に戻す", "Reset"));
    done_->setText(uiText("完了", "Done"));
    place();
    updateGeometry();
}

void ArrangeHeader::recolor() {
    QPalette palette = hint_->palette();
    palette.setColor(QPalette::WindowText, Theme::windowSecondaryInk.resolve(appearance_.isDark()));
    hint_->setPalette(palette);
}

ArrangeHeader::Layout ArrangeHeader::layoutFor(int width) const {
    Layout layout;
    const int left = outerSide + innerSide;
    const int right = std::max(left, width - outerSide - innerSide);
    const int line = QFontMetrics(Fonts::system(textSize, QFont::DemiBold)).height();
    const QSize icon = icon_->size();

    std::vector<std::pair<int, int>> shown; // index, width
    for (int i = 0; i < 3; ++i) {
        const HeaderButton* button = i == 0 ? addGap_ : i == 1 ? reset_ : done_;
        if (i != 1 || resettable_) shown.emplace_back(i, button->sizeHint().width());
    }
    int buttonsWidth = 0;
    for (const auto& [index, each] : shown)
        buttonsWidth += each + (buttonsWidth > 0 ? spacing : 0);
    const QFontMetrics hintMetrics(hint_->font());
    const int hintNatural = hintMetrics.horizontalAdvance(hint_->text());
    // Japanese comes from a face that stands taller than the Latin one.
    const int hintLine = std::max(line, hintMetrics.boundingRect(hint_->text()).height());

    layout.oneRow = icon.width() + spacing + hintNatural + spacing + buttonsWidth <= right - left;
    int buttonsTop = innerVertical;
    if (layout.oneRow) {
        layout.icon = QRect(QPoint(left, innerVertical + (hintLine - icon.height()) / 2), icon);
        const int hintLeft = layout.icon.right() + 1 + spacing;
        layout.hint = QRect(hintLeft, innerVertical, right - buttonsWidth - spacing - hintLeft, hintLine);
        buttonsTop = innerVertical + (hintLine - line) / 2;
        layout.height = innerVertical + hintLine + innerVertical + outerBottom;
    } else {
        const int hintLeft = left + icon.width() + spacing;
        const int hintWidth = std::max(1, right - hintLeft);
        const int hintHeight = std::max(
            line, hintMetrics.boundingRect(QRect(0, 0, hintWidth, 10000), Qt::TextWordWrap, hint_->text())
                      .height());
        layout.hint = QRect(hintLeft, innerVertical, hintWidth, hintHeight);
        layout.icon =
            QRect(QPoint(left, innerVertical + (std::min(line, hintHeight) - icon.height()) / 2), icon);
        buttonsTop = layout.hint.bottom() + 1 + rowSpacing;
        layout.height = buttonsTop + line + innerVertical + outerBottom;
    }
    // The buttons stand at the trailing end.
    int x = right - buttonsWidth;
    for (const auto& [index, each] : shown) {
        layout.buttons[index] = QRect(x, buttonsTop, each, line);
        x += each + spacing;
    }
    return layout;
}

void ArrangeHeader::place() {
    const Layout layout = layoutFor(width());
    icon_->move(layout.icon.topLeft());
    hint_->setGeometry(layout.hint);
    HeaderButton* buttons[] = {addGap_, reset_, done_};
    for (int i = 0; i < 3; ++i)
        if (!layout.buttons[i].isNull()) buttons[i]->setGeometry(layout.buttons[i]);
}

bool ArrangeHeader::isOneRow() const {
    return layoutFor(width()).oneRow;
}

int ArrangeHeader::heightForWidth(int width) const {
    return layoutFor(width).height;
}

QSize ArrangeHeader::sizeHint() const {
    int width = 2 * (outerSide + innerSide) + icon_->width() + spacing +
                QFontMetrics(hint_->font()).horizontalAdvance(hint_->text());
    for (const HeaderButton* button : {addGap_, reset_, done_})
        if (button != reset_ || resettable_) width += spacing + button->sizeHint().width();
    return {width, layoutFor(width).height};
}

QSize ArrangeHeader::minimumSizeHint() const {
    int width = 2 * (outerSide + innerSide) + 2 * spacing;
    for (const HeaderButton* button : {addGap_, reset_, done_})
        width += button->sizeHint().width();
    return {width, heightForWidth(width)};
}

void ArrangeHeader::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

QColor ArrangeHeader::barColor() const {
    const bool dark = appearance_.isDark();
    const QColor under = Theme::windowBackground.resolve(dark);
    const QColor accent = Theme::accent.resolve(dark);
    constexpr double tint = 0.14;
    return QColor::fromRgbF(static_cast<float>(accent.redF() * tint + under.redF() * (1 - tint)),
                            static_cast<float>(accent.greenF() * tint + under.greenF() * (1 - tint)),
                            static_cast<float>(accent.blueF() * tint + under.blueF() * (1 - tint)));
}

void ArrangeHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar = QRectF(rect()).adjusted(outerSide, 0, -outerSide, -outerBottom);
    painter.setPen(Qt::NoPen);
    // The shadow falls a little upwards, onto whatever lies above the panel.
    painter.setBrush(QColor(0, 0, 0, 46)); // 0.18 of black
    painter.drawRoundedRect(bar.translated(0, -1), barRadius, barRadius);
    painter.setBrush(barColor());
    painter.drawRoundedRect(bar, barRadius, barRadius);
}

} // namespace vell
