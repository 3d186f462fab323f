#include "Keypad/KeypadToolButtons.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace vell {

namespace {

constexpr double faceRadius = 8;

} // namespace

ToolButton::ToolButton(Appearance& appearance, QWidget* parent)
    : QAbstractButton(parent), appearance_(appearance) {
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&appearance_, &Appearance::changed, this, [this] { update(); });
}

QRectF ToolButton::faceRect() const {
    return QRectF(0, 0, width(), std::max(0, height() - 1));
}

bool ToolButton::dark() const {
    return appearance_.isDark();
}

void ToolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(drawnOpacity());
    const QRectF face = faceRect();
    paintFace(painter, face);
    paintContent(painter, face);
}

void ToolButton::paintFace(QPainter& painter, const QRectF& face) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 31)); // 0.12 of black
    painter.drawRoundedRect(face.translated(0, 1), faceRadius, faceRadius);
    painter.setBrush(Theme::controlBackground.resolve(dark()));
    painter.drawRoundedRect(face, faceRadius, faceRadius);
}

// --- Panel toggle ------------------------------------------------------------------------------------

PanelToggle::PanelToggle(Appearance& appearance, QWidget* parent) : ToolButton(appearance, parent) {}

void PanelToggle::setOpen(bool open) {
    if (open == open_) return;
    open_ = open;
    update();
}

void PanelToggle::setName(const QString& name) {
    if (name == text()) return;
    setText(name);
    updateGeometry();
}

QFont PanelToggle::font() const {
    return Fonts::system(13, QFont::DemiBold);
}

QColor PanelToggle::textColor() const {
    return (open_ ? Theme::accentText : Theme::ink).resolve(dark());
}

QColor PanelToggle::fillColor() const {
    if (!open_) return Theme::controlBackground.resolve(dark());
    QColor accent = Theme::accent.resolve(dark());
    accent.setAlphaF(0.18f);
    return accent;
}

QSize PanelToggle::sizeHint() const {
    return {QFontMetrics(font()).horizontalAdvance(text()) + 24, faceHeight + 1};
}

void PanelToggle::paintFace(QPainter& painter, const QRectF& face) {
    painter.setPen(Qt::NoPen);
    if (!open_) {
        painter.setBrush(QColor(0, 0, 0, 31));
        painter.drawRoundedRect(face.translated(0, 1), faceRadius, faceRadius);
    }
    painter.setBrush(fillColor());
    painter.drawRoundedRect(face, faceRadius, faceRadius);
}

void PanelToggle::paintContent(QPainter& painter, const QRectF& face) {
    painter.setFont(font());
    painter.setPen(textColor());
    painter.drawText(face, Qt::AlignCenter, text());
}

// --- Undo and redo -----------------------------------------------------------------------------------

HistoryButton::HistoryButton(QString glyph, Appearance& appearance, QWidget* parent)
    : ToolButton(appearance, parent) {
    setText(glyph);
}

void HistoryButton::paintContent(QPainter& painter, const QRectF& face) {
    painter.setFont(Fonts::system(15, QFont::Medium));
    painter.setPen(Theme::ink.resolve(dark()));
    painter.drawText(face, Qt::AlignCenter, text());
}

// --- Hide --------------------------------------------------------------------------------------------

HideButton::HideButton(Appearance& appearance, QWidget* parent) : ToolButton(appearance, parent) {}

void HideButton::paintContent(QPainter& painter, const QRectF& face) {
    const QColor ink = Theme::ink.resolve(dark());
    const QPointF centre = face.center();
    // A small keyboard: an outline with two rows of keys and a space bar.
    const QRectF board(centre.x() - 9, centre.y() - 9, 18, 11);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ink, 1.4));
    painter.drawRoundedRect(board, 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 5; ++column)
            painter.drawRect(
                QRectF(board.left() + 2.6 + column * 2.8, board.top() + 2.2 + row * 2.4, 1.4, 1.3));
    painter.drawRect(QRectF(board.left() + 5, board.bottom() - 2.6, 8, 1.3));
    // The chevron below it.
    QPainterPath chevron;
    chevron.moveTo(centre.x() - 4, centre.y() + 5);
    chevron.lineTo(centre.x(), centre.y() + 8);
    chevron.lineTo(centre.x() + 4, centre.y() + 5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(chevron);
}

} // namespace vell
