#include "Plots/PlotView.h"

#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "Plots/PlotGeometry.h"
#include "Plots/PlotText.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <limits>

namespace vell {

namespace {

constexpr double labelSize = 9;

QString qtext(const std::string& text) {
    return QString::fromStdString(text);
}

QString numberText(double value) {
    return qtext(ValueFormatter::formatNumber(value, true));
}

// `over` at the given opacity on top of the opaque `base`.
QColor mixed(const QColor& base, const QColor& over, double opacity) {
    const auto channel = [&](float b, float o) { return static_cast<float>(b + opacity * (o - b)); };
    return QColor::fromRgbF(channel(base.redF(), over.redF()), channel(base.greenF(), over.greenF()),
                            channel(base.blueF(), over.blueF()));
}

class Painting {
public:
    Painting(QPainter& painter, const PlotSpec& spec, bool dark)
        : painter_(painter), spec_(spec), dark_(dark),
          unit_(spec.unitLabel ? qtext(*spec.unitLabel) : QString()),
          labelFont_(Fonts::monospacedDigits(labelSize)) {}

    void render(QSizeF size, PlotAngle angle) {
        if (spec_.kind == PlotSpec::Kind::surface) {
            drawSurface(QRectF(6, 6, std::max(size.width() - 12, 1.0), std::max(size.height() - 12, 1.0)),
                        angle);
            return;
        }
        const std::vector<double> ticks = niceTicks(spec_.yRange.lowerBound, spec_.yRange.upperBound);
        double labelWidth = 0;
        for (double tick : ticks)
            labelWidth = std::max(labelWidth, textAdvance(painter_, tickLabel(tick), labelFont_));
        const AxisMap map{plotRect(size, labelWidth), spec_.xRange, spec_.yRange};
        if (spec_.kind == PlotSpec::Kind::curve)
            drawCurve(ticks, map);
        else
            drawBars(ticks, map);
    }

private:
    QColor color(const ColorPair& pair, double opacity = 1) const {
        QColor resolved = pair.resolve(dark_);
        resolved.setAlphaF(resolved.alphaF() * static_cast<float>(opacity));
        return resolved;
    }

    void strokeLine(QPointF from, QPointF to, const QColor& color, double width) {
        painter_.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter_.drawLine(from, to);
    }

    QString tickLabel(double tick) const { return numberText(tick) + unit_; }

    void drawYGrid(const std::vector<double>& ticks, const AxisMap& map) {
        const QRectF& rect = map.rect;
        for (double tick : ticks) {
            const double y = map.y(tick);
            if (!tickIsShown(y, rect.top(), rect.bottom())) continue;
            strokeLine({rect.left(), y}, {rect.right(), y}, color(Theme::separator, 0.5), 0.5);
            drawAnchoredText(painter_, tickLabel(tick), labelFont_, color(Theme::secondaryInk),
                             {rect.left() - 5, y}, TextAnchor::trailing);
        }
    }

    void drawXAxis(const AxisMap& map) {
        const QRectF& rect = map.rect;
        for (double tick : niceTicks(spec_.xRange.lowerBound, spec_.xRange.upperBound)) {
            const double x = map.x(tick);
            if (!tickIsShown(x, rect.left(), rect.right())) continue;
            strokeLine({x, rect.top()}, {x, rect.bottom()}, color(Theme::separator, 0.5), 0.5);
            drawAnchoredText(painter_, numberText(tick), labelFont_, color(Theme::secondaryInk),
                             {x, rect.bottom() + 9}, TextAnchor::center);
        }
        const QColor axis = color(Theme::secondaryInk, 0.55);
        if (spec_.yRange.lowerBound <= 0 && 0 <= spec_.yRange.upperBound)
            strokeLine({rect.left(), map.y(0)}, {rect.right(), map.y(0)}, axis, 1);
        if (spec_.xRange.lowerBound <= 0 && 0 <= spec_.xRange.upperBound)
            strokeLine({map.x(0), rect.top()}, {map.x(0), rect.bottom()}, axis, 1);
    }

    void drawCurve(const std::vector<double>& ticks, const AxisMap& map) {
        drawYGrid(ticks, map);
        drawXAxis(map);
        painter_.save();
        painter_.setClipRect(map.rect);
        QPen pen(color(Theme::accent), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        pen.setMiterLimit(10);
        painter_.setPen(pen);
        painter_.setBrush(Qt::NoBrush);
        for (const auto& segment : spec_.segments) {
            if (segment.size() < 2) continue;
            QPainterPath path(map.point(segment.front().x, segment.front().y));
            for (std::size_t k = 1; k < segment.size(); ++k)
                path.lineTo(map.point(segment[k].x, segment[k].y));
            painter_.drawPath(path);
        }
        painter_.restore();
    }

    void drawBars(const std::vector<double>& ticks, const AxisMap& map) {
        drawYGrid(ticks, map);
        if (spec_.bars.empty()) return;
        const BarLayout layout = barLayout(map, spec_.bars.size());
        const QFont labelFont = Fonts::system(labelSize);
        const QFont valueFont = Fonts::system(labelSize, QFont::Medium);
        const QColor fill = color(Theme::accent, 0.75);
        const QColor labelColor = color(Theme::secondaryInk);
        const QColor valueColor = color(Theme::ink);
        for (std::size_t index = 0; index < spec_.bars.size(); ++index) {
            const PlotBar& bar = spec_.bars[index];
            const QRectF box = layout.bar(index, map.y(bar.value));
            painter_.setPen(Qt::NoPen);
            painter_.setBrush(fill);
            painter_.drawRoundedRect(box, 3, 3);
            const double center = layout.centerX(index);
            drawAnchoredText(painter_, qtext(bar.label), labelFont, labelColor,
                             {center, map.rect.bottom() + 9}, TextAnchor::center);
            drawAnchoredText(painter_, numberText(bar.value), valueFont, valueColor, {center, box.top() - 7},
                             TextAnchor::center);
        }
        painter_.setBrush(Qt::NoBrush);
        strokeLine({map.rect.left(), layout.baselineY}, {map.rect.right(), layout.baselineY},
                   color(Theme::secondaryInk, 0.5), 1);
    }

    void drawSurface(const QRectF& rect, PlotAngle angle) {
        const auto& grid = spec_.surface;
        const int rows = static_cast<int>(grid.size());
        const int columns = rows > 0 ? static_cast<int>(grid.front().size()) : 0;
        if (rows < 2 || columns < 2) return;

        const PlotRange zRange = spec_.zRange.value_or(spec_.yRange);
        const double zLow = zRange.lowerBound;
        const double zSpan =
            std::max(zRange.upperBound - zRange.lowerBound, std::numeric_limits<double>::denorm_min());
        const QString lowLabel = qtext(roundedLabel(zLow)) + unit_;
        const QString highLabel = qtext(roundedLabel(zRange.upperBound)) + unit_;
        const double zLabelWidth = std::max(textAdvance(painter_, lowLabel, labelFont_),
                                            textAdvance(painter_, highLabel, labelFont_));
        const SurfaceLayout layout = surfaceLayout(rect, angle, zLabelWidth);
        const auto P = [&](double u, double v, double h) { return layout.project(u, v, h); };

        painter_.setBrush(Qt::NoBrush);
        painter_.setPen(QPen(color(Theme::separator), 0.8, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter_.drawPolygon(QPolygonF{P(-0.5, -0.5, 0), P(0.5, -0.5, 0), P(0.5, 0.5, 0), P(-0.5, 0.5, 0)});

        const QColor gridColor = color(Theme::separator, 0.55);
        for (double at : {-0.25, 0.0, 0.25}) {
            strokeLine(P(at, -0.5, 0), P(at, 0.5, 0), gridColor, 0.5);
            strokeLine(P(-0.5, at, 0), P(0.5, at, 0), gridColor, 0.5);
        }

        const QPointF corner = layout.zAxisCorner();
        const QPointF axisBottom = P(corner.x(), corner.y(), 0);
        const QPointF axisTop = P(corner.x(), corner.y(), 1);
        strokeLine(axisBottom, axisTop, color(Theme::secondaryInk, 0.5), 0.8);

        drawCells(layout, rows, columns, zLow, zSpan);

        const QColor labelColor = color(Theme::secondaryInk);
        const auto rangeText = [](const char* axis, const PlotRange& range) {
            return QString::fromLatin1(axis) + qtext(roundedLabel(range.lowerBound)) + QStringLiteral("…") +
                   qtext(roundedLabel(range.upperBound));
        };
        drawAnchoredText(painter_, rangeText("x ", spec_.xRange), labelFont_, labelColor,
                         layout.labelPoint(layout.xEdgeMidpoint()), TextAnchor::center);
        drawAnchoredText(painter_, rangeText("y ", spec_.yRange), labelFont_, labelColor,
                         layout.labelPoint(layout.yEdgeMidpoint()), TextAnchor::center);

        drawAnchoredText(
            painter_, qtext(PlotView::turnHint()), Fonts::system(labelSize), color(Theme::secondaryInk, 0.75),
            {std::min(layout.cx + layout.R, rect.right() - 2), rect.top() + 2}, TextAnchor::topTrailing);

        drawAnchoredText(painter_, QStringLiteral("z"), labelFont_, labelColor,
                         {axisTop.x(), axisTop.y() - 4}, TextAnchor::bottom);
        drawAnchoredText(painter_, highLabel, labelFont_, labelColor, {axisTop.x() - 4, axisTop.y()},
                         TextAnchor::trailing);
        drawAnchoredText(painter_, lowLabel, labelFont_, labelColor, {axisBottom.x() - 4, axisBottom.y()},
                         TextAnchor::trailing);
    }

    void drawCells(const SurfaceLayout& layout, int rows, int columns, double zLow, double zSpan) {
        const auto& grid = spec_.surface;
        // Rows shorter than the first are read with bounds checks; a cell needing a missing value is a hole.
        const auto valueAt = [&](int i, int j) -> std::optional<double> {
            const auto& row = grid[static_cast<std::size_t>(j)];
            return static_cast<std::size_t>(i) < row.size() ? row[static_cast<std::size_t>(i)] : std::nullopt;
        };
        const auto gridU = [&](int i) { return static_cast<double>(i) / (columns - 1) - 0.5; };
        const auto gridV = [&](int j) { return static_cast<double>(j) / (rows - 1) - 0.5; };

        const QColor paper = Theme::paper.resolve(dark_);
        QPen outline(paper, 0.4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        for (const SurfaceCell cell : cellsBackToFront(columns, rows, layout.sinYaw, layout.cosYaw)) {
            const std::array<std::pair<int, int>, 4> corners{
                {{cell.i, cell.j}, {cell.i + 1, cell.j}, {cell.i + 1, cell.j + 1}, {cell.i, cell.j + 1}}};
            QPolygonF polygon;
            polygon.reserve(4);
            double sum = 0;
            bool complete = true;
            for (const auto& [i, j] : corners) {
                const std::optional<double> z = valueAt(i, j);
                if (!z) {
                    complete = false;
                    break;
                }
                const double h = surfaceHeight(*z, zLow, zSpan);
                sum += h;
                polygon.append(layout.project(gridU(i), gridV(j), h));
            }
            if (!complete) continue;
            const QColor fill = heightColor(sum / 4);
            // The outline is the paper at 30 % over the fill, drawn opaque: the same colour over the
            // cell, and an opaque pen spares Qt a fill of the stroked path per cell (two thirds of
            // the surface's time). Only its outer 0.2 point, over the neighbours, differs.
            outline.setColor(mixed(fill, paper, 0.3));
            painter_.setPen(outline);
            painter_.setBrush(fill);
            painter_.drawPolygon(polygon, Qt::WindingFill);
        }
        painter_.setBrush(Qt::NoBrush);
    }

    QPainter& painter_;
    const PlotSpec& spec_;
    bool dark_;
    QString unit_;
    QFont labelFont_;
};

QFont titleFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(Fonts::pointSize(11));
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

std::string PlotView::turnHint() {
    return L10n::text("↔ 横になぞると回ります", "↔ drag sideways to turn");
}

void PlotView::render(QPainter& painter, QSizeF size, const PlotSpec& spec, PlotAngle angle, bool dark,
                      bool showsTitle) {
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    if (showsTitle) {
        const QFont font = titleFont();
        const QFontMetricsF metrics(font, painter.device());
        const double width = std::max(size.width() - 8, 0.0);
        const QString title = metrics.elidedText(qtext(spec.title), Qt::ElideRight, width);
        painter.setFont(font);
        painter.setPen(Theme::secondaryInk.resolve(dark));
        painter.drawText(QPointF(4, metrics.ascent()), title);
        const double offset = metrics.height() + 4;
        painter.translate(0, offset);
        size.setHeight(std::max(size.height() - offset, 0.0));
    }
    Painting(painter, spec, dark).render(size, angle);
    painter.restore();
}

} // namespace vell
