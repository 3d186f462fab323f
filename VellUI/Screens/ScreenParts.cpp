#include "Screens/ScreenParts.h"

#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <algorithm>

namespace vell {

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, color);
    widget->setPalette(palette);
}

void setBackgroundColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

Divider::Divider(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::setColor(const QColor& color) {
    setBackgroundColor(this, color);
}

FittingLabel::FittingLabel(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void FittingLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void FittingLabel::setColor(const QColor& color) {
    color_ = color;
    update();
}

qreal FittingLabel::fittedPointSize() const {
    const qreal full = font().pointSizeF();
    const qreal needed = QFontMetricsF(font()).horizontalAdvance(text_);
    if (needed <= width() || needed <= 0) return full;
    return full * std::max(minimumScale_, width() / needed);
}

QSize FittingLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text_))),
                 static_cast<int>(std::ceil(metrics.height())));
}

QSize FittingLabel::minimumSizeHint() const {
    // Narrower than the text: the label shrinks and then cuts it, instead of pushing the header apart.
    return QSize(0, sizeHint().height());
}

void FittingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont fitted = font();
    fitted.setPointSizeF(fittedPointSize());
    painter.setFont(fitted);
    painter.setPen(color_.isValid() ? color_ : palette().color(QPalette::WindowText));
    const QString shown = QFontMetricsF(fitted).elidedText(text_, Qt::ElideRight, width());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

CalloutPanel::CalloutPanel(QWidget* parent) : QWidget(parent) {}

void CalloutPanel::setFill(const QColor& color) {
    fill_ = color;
    update();
}

void CalloutPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill_);
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
}

WarningGlyph::WarningGlyph(int size, QWidget* parent) : QWidget(parent) {
    setFixedSize(size, size);
}

void WarningGlyph::setColor(const QColor& color) {
    color_ = color;
    update();
}

void WarningGlyph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = width();
    QPainterPath triangle;
    triangle.moveTo(s * 0.5, s * 0.08);
    triangle.lineTo(s * 0.97, s * 0.9);
    triangle.lineTo(s * 0.03, s * 0.9);
    triangle.closeSubpath();
    painter.setPen(QPen(color_, s * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(color_);
    painter.drawPath(triangle);

    painter.setPen(QPen(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(s * 0.5, s * 0.38), QPointF(s * 0.5, s * 0.6));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(s * 0.5, s * 0.75), s * 0.06, s * 0.06);
}

class CheckRow::Box : public QWidget {
public:
    explicit Box(CheckRow* row) : QWidget(row), row_(row) {
        setFixedSize(20, 20);
        // Clicks go to the row.
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    QColor frame;
    QColor tick;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF square = QRectF(rect()).adjusted(2, 2, -2, -2);
        if (!row_->isChecked()) {
            painter.setPen(QPen(frame, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(square.adjusted(0.75, 0.75, -0.75, -0.75), 3.5, 3.5);
            return;
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(tick);
        painter.drawRoundedRect(square, 4, 4);
        QPainterPath mark;
        mark.moveTo(square.left() + square.width() * 0.24, square.top() + square.height() * 0.52);
        mark.lineTo(square.left() + square.width() * 0.43, square.top() + square.height() * 0.7);
        mark.lineTo(square.left() + square.width() * 0.77, square.top() + square.height() * 0.3);
        painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(mark);
    }

private:
    CheckRow* row_;
};

CheckRow::CheckRow(QWidget* parent) : QAbstractButton(parent), box_(new Box(this)), label_(new QLabel(this)) {
    setCheckable(true);
    // Reached with Tab and toggled with Space; a click does not leave a focus ring around the row.
    setFocusPolicy(Qt::TabFocus);
    label_->setWordWrap(true);
    label_->setAttribute(Qt::WA_TransparentForMouseEvents);
    label_->setFont(Fonts::system(14));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(box_, 0, Qt::AlignTop);
    layout->addWidget(label_, 1, Qt::AlignTop);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    connect(this, &QAbstractButton::toggled, box_, [this] { box_->update(); });
}

void CheckRow::setRowText(const QString& text) {
    label_->setText(text);
    setText(text);
    setAccessibleName(text);
}

QString CheckRow::rowText() const {
    return label_->text();
}

void CheckRow::setColors(const QColor& text, const QColor& box, const QColor& tick) {
    setTextColor(label_, text);
    box_->frame = box;
    box_->tick = tick;
    box_->update();
}

void CheckRow::paintEvent(QPaintEvent*) {
    // The box and the text are children; only keyboard focus is drawn here.
    if (!hasFocus()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 4, 4);
}

LanguagePicker::LanguagePicker(QWidget* parent)
    : QWidget(parent), japanese_(new QPushButton(QStringLiteral("日本語"), this)),
      english_(new QPushButton(QStringLiteral("English"), this)), group_(new QButtonGroup(this)) {
    setFixedWidth(168);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QPushButton* segment : {japanese_, english_}) {
        segment->setCheckable(true);
        segment->setFont(Fonts::system(13));
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        segment->setFocusPolicy(Qt::TabFocus);
        // Return belongs to the screen's default button, not to a segment that has the focus.
        segment->setAutoDefault(false);
        group_->addButton(segment);
        layout->addWidget(segment);
    }
    japanese_->setObjectName(QStringLiteral("japaneseSegment"));
    english_->setObjectName(QStringLiteral("englishSegment"));
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::buttonClicked, this,
            [this](QAbstractButton* button) { emit picked(button == english_); });
}

void LanguagePicker::setEnglish(bool english) {
    (english ? english_ : japanese_)->setChecked(true);
}

bool LanguagePicker::isEnglish() const {
    return english_->isChecked();
}

SegmentColors SegmentColors::of(bool dark) {
    return {Theme::ink.resolve(dark), Theme::accent.resolve(dark), Theme::onAccent.resolve(dark),
            Theme::separator.resolve(dark)};
}

void LanguagePicker::setColors(const SegmentColors& colors) {
    colors_ = colors;
    const QString common =
        QStringLiteral("QPushButton { color: %1; background: transparent; border: 1px solid %2;"
                       " padding: 3px 6px; }"
                       "QPushButton:checked { color: %3; background: %4; }")
            .arg(colors.text.name(), colors.frame.name(), colors.chosenText.name(), colors.chosenFill.name());
    japanese_->setStyleSheet(common +
                             QStringLiteral("QPushButton { border-top-left-radius: 6px;"
                                            " border-bottom-left-radius: 6px; border-right: none; }"));
    english_->setStyleSheet(common + QStringLiteral("QPushButton { border-top-right-radius: 6px;"
                                                    " border-bottom-right-radius: 6px; }"));
}

} // namespace vell
