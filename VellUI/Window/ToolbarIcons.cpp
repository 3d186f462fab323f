#include "Window/ToolbarIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <numbers>

namespace vell {

namespace {

// Drawn at twice the size, so that it stays sharp on a screen of double density.
QPixmap canvas() {
    QPixmap pixmap(ToolbarIcons::size * 2, ToolbarIcons::size * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

constexpr qreal stroke = 1.4;

QPen pen(const QColor& ink, qreal width = stroke) {
    return QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Paints on a fresh canvas and makes the icon of it.
template <typename Draw>
QIcon draw(Draw&& paint) {
    QPixmap pixmap = canvas();
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        paint(painter);
    }
    return QIcon(pixmap);
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

QIcon ToolbarIcons::graph(const QColor& ink, bool shown) {
    return draw([&](QPainter& painter) {
        painter.setPen(pen(ink));
        QPainterPath axes;
        axes.moveTo(2.5, 2.5);
        axes.lineTo(2.5, 15.5);
        axes.lineTo(15.5, 15.5);
        painter.drawPath(axes);
        QPainterPath line;
        if (shown) {
            line.moveTo(5, 12.5);
            line.cubicTo(7.5, 12.5, 7.5, 7, 10, 7);
            line.cubicTo(12, 7, 12.5, 9, 15.5, 4);
        } else {
            line.moveTo(5, 5);
            line.lineTo(8.5, 9);
            line.lineTo(11, 7.5);
            line.lineTo(15.5, 12.5);
        }
        painter.setPen(pen(ink, 1.6));
        painter.drawPath(line);
    });
}

QIcon ToolbarIcons::newSheet(const QColor& ink) {
    return draw([&](QPainter& painter) {
        painter.setPen(pen(ink));
        QPainterPath sheet;
        sheet.moveTo(9, 3);
        sheet.lineTo(4.5, 3);
        sheet.quadTo(2.5, 3, 2.5, 5);
        sheet.lineTo(2.5, 13.5);
        sheet.quadTo(2.5, 15.5, 4.5, 15.5);
        sheet.lineTo(13, 15.5);
        sheet.quadTo(15, 15.5, 15, 13.5);
        sheet.lineTo(15, 9);
        painter.drawPath(sheet);
        // The pencil, from its tip at the sheet's middle to the top right corner.
        painter.translate(8, 10);
        painter.rotate(-45);
        painter.drawRoundedRect(QRectF(1.5, -1.4, 9, 2.8), 0.6, 0.6);
        QPainterPath tip;
        tip.moveTo(1.5, -1.4);
        tip.lineTo(-0.8, 0);
        tip.lineTo(1.5, 1.4);
        painter.drawPath(tip);
    });
}

QIcon ToolbarIcons::newWindow(const QColor& ink) {
    return draw([&](QPainter& painter) {
        painter.setPen(pen(ink));
        QPainterPath frame;
        frame.moveTo(15.5, 8);
        frame.lineTo(15.5, 5);
        frame.quadTo(15.5, 3, 13.5, 3);
        frame.lineTo(4.5, 3);
        frame.quadTo(2.5, 3, 2.5, 5);
        frame.lineTo(2.5, 12.5);
        frame.quadTo(2.5, 14.5, 4.5, 14.5);
        frame.lineTo(9, 14.5);
        painter.drawPath(frame);
        painter.drawLine(QPointF(2.5, 6), QPointF(15.5, 6));
        // The badge.
        painter.setPen(pen(ink, 1.6));
        painter.drawLine(QPointF(14, 10.5), QPointF(14, 17));
        painter.drawLine(QPointF(10.75, 13.75), QPointF(17.25, 13.75));
    });
}

QIcon ToolbarIcons::keypad(const QColor& ink, bool shown) {
    return draw([&](QPainter& painter) {
        painter.setPen(pen(ink));
        const QRectF body = shown ? QRectF(1.5, 2.5, size - 3, 9.5) : QRectF(1.5, 4, size - 3, 11);
        painter.drawRoundedRect(body, 2, 2);
        // Two rows of keys and the space bar.
        painter.setPen(pen(ink, 1.5));
        const qreal rows = shown ? 2.4 : 2.8;
        for (int row = 0; row < 2; ++row) {
            const qreal y = body.top() + rows * (row + 1) - 0.2;
            for (int key = 0; key < 5; ++key) {
                const qreal x = body.left() + 3 + key * 2.75;
                painter.drawPoint(QPointF(x, y));
            }
        }
        const qreal barY = body.bottom() - (shown ? 2.2 : 2.6);
        painter.drawLine(QPointF(body.left() + 5, barY), QPointF(body.right() - 5, barY));
        if (shown) {
            painter.setPen(pen(ink));
            painter.drawLine(QPointF(6.5, 13.8), QPointF(9, 16));
            painter.drawLine(QPointF(9, 16), QPointF(11.5, 13.8));
        }
    });
}

QIcon ToolbarIcons::functions(const QColor& ink) {
    return draw([&](QPainter& painter) {
        QFont font;
        font.setPixelSize(13);
        font.setItalic(true);
        font.setWeight(QFont::DemiBold);
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QStringLiteral("\u0192x"));
    });
}

QIcon ToolbarIcons::settings(const QColor& ink) {
    return draw([&](QPainter& painter) {
        const QPointF centre(size / 2.0, size / 2.0);
        constexpr int teeth = 8;
        constexpr qreal outer = 7.5;
        constexpr qreal inner = 5.6;
        QPainterPath wheel;
        for (int i = 0; i < teeth * 4; ++i) {
            // Each tooth: up, across the top, down, across the gap.
            const qreal angle = (i - 0.5) * std::numbers::pi / (teeth * 2);
            const qreal radius = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
            const QPointF point = centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
            i == 0 ? wheel.moveTo(point) : wheel.lineTo(point);
        }
        wheel.closeSubpath();
        painter.setPen(pen(ink, 1.3));
        painter.drawPath(wheel);
        painter.drawEllipse(centre, 2.4, 2.4);
    });
}

} // namespace vell
