#include "Plots/PlotText.h"

#include <QFontMetricsF>
#include <QPainter>

namespace vell {

QRectF anchoredBox(QPointF point, TextAnchor anchor, double advance, double height) {
    switch (anchor) {
    case TextAnchor::center:
        return {point.x() - advance / 2, point.y() - height / 2, advance, height};
    case TextAnchor::trailing:
        return {point.x() - advance, point.y() - height / 2, advance, height};
    case TextAnchor::topTrailing:
        return {point.x() - advance, point.y(), advance, height};
    case TextAnchor::bottom:
        return {point.x() - advance / 2, point.y() - height, advance, height};
    }
    return {};
}

double textAdvance(const QPainter& painter, const QString& text, const QFont& font) {
    return QFontMetricsF(font, painter.device()).horizontalAdvance(text);
}

void drawAnchoredText(QPainter& painter, const QString& text, const QFont& font, const QColor& color,
                      QPointF point, TextAnchor anchor) {
    if (text.isEmpty()) return;
    const QFontMetricsF metrics(font, painter.device());
    const QRectF box =
        anchoredBox(point, anchor, metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent());
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(box.left(), box.top() + metrics.ascent()), text);
}

} // namespace vell
