#pragma once

// Text in plots is placed by an anchor point on its box: the advance of the text wide, its ascent
// plus descent high.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

namespace vell {

enum class TextAnchor {
    center,      // the box's centre on the point
    trailing,    // the middle of its right edge
    topTrailing, // its top right corner
    bottom,      // the middle of its bottom edge
};

// The box of a text of the given advance and height whose anchor lies on the point.
QRectF anchoredBox(QPointF point, TextAnchor anchor, double advance, double height);

// The advance of a text in a font on the painter's device.
double textAdvance(const QPainter& painter, const QString& text, const QFont& font);

void drawAnchoredText(QPainter& painter, const QString& text, const QFont& font, const QColor& color,
                      QPointF point, TextAnchor anchor);

} // namespace vell
