#include "Window/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vell {

namespace {

// Drawn at twice the size, so that it stays sharp on a screen of double density.
QPixmap canvas() {
    QPixmap pixmap(ToolbarIcons::size * 2, ToolbarIcons::size * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QIcon ToolbarIcons::sidebar(const QColor& ink) {
    QPixmap pixmap = canvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(1.5, 3.5, size - 3, size - 7);
    painter.setPen(QPen(ink, 1.4));
    painter.drawRoundedRect(frame, 2.5, 2.5);
    const qreal divider = frame.left() + frame.width() * 0.36;
    painter.drawLine(QPointF(divider, frame.top()), QPointF(divider, frame.bottom()));
    QColor fill = ink;
    fill.setAlphaF(0.35);
    QPainterPath pane;
    pane.addRoundedRect(frame.adjusted(1, 1, -(frame.right() - divider) - 0.5, -1), 1.5, 1.5);
    painter.fillPath(pane, fill);
    painter.end();
    return QIcon(pixmap);
}

} // namespace vell
