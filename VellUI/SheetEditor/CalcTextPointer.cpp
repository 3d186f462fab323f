// What the pointer does over the view: it turns surfaces, hovers and clicks answers or drags them
// out, shows cut answers whole, toggles locks in the gutter and resizes the answer column at the divider.

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Plots/InlinePlot.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/EditorPalette.h"
#include "Stores/AppSettings.h"

#include <QDrag>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <cmath>

namespace vell {

void CalcTextView::updateHover(QPointF viewportPoint) {
    const auto line = resultLineAt(viewportPoint);
    if (line == hoveredResultLine_) return;
    hoveredResultLine_ = line;
    viewport()->update();
}

void CalcTextView::updateCursorShape(QPointF point) {
    const double divider = dividerX();
    Qt::CursorShape shape = Qt::IBeamCursor;
    if (point.x() >= divider) shape = Qt::PointingHandCursor;
    if (point.x() < gutterWidth) shape = Qt::PointingHandCursor;
    if (std::abs(point.x() - divider) <= 7) shape = Qt::SizeHorCursor;
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

bool CalcTextView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != viewport() || event->type() != QEvent::ToolTip)
        return QTextEdit::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QPointF point = help->pos();
    if (point.x() < dividerX()) return false;
    const auto line = lineIndexAt(toDocument(point).y());
    const auto answer = line ? answerFor(*line) : std::nullopt;
    if (!answer || answer->text == answer->whole) return false;
    // The tip goes when the pointer leaves the answer's row.
    const QRectF row = lineRect(*line).translated(-toDocument(QPointF(0, 0)));
    const QRect zone =
        QRectF(QPointF(dividerX(), row.top()), QPointF(viewport()->width(), row.bottom())).toAlignedRect();
    QToolTip::showText(help->globalPos(), answer->whole, viewport(), zone);
    return true;
}

bool CalcTextView::beginRotation(QPointF viewportPoint) {
    const QPointF point = toDocument(viewportPoint);
    // The surface drawn last lies on top.
    const std::vector<PlotBox>& boxes = plotBoxes();
    for (auto entry = boxes.rbegin(); entry != boxes.rend(); ++entry) {
        if (!entry->box.adjusted(-plotGrip, -plotGrip, plotGrip, plotGrip).contains(point)) continue;
        rotating_ = Rotation{entry->title, point, InlinePlot::angle(entry->title)};
        return true;
    }
    return false;
}

void CalcTextView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QTextEdit::mousePressEvent(event);
    const QPointF point = event->position();
    if (beginRotation(point)) return;
    if (std::abs(point.x() - dividerX()) <= 7) {
        resizeStart_ = ResizeStart{point.x(), columnWidth()};
        return;
    }
    if (point.x() < gutterWidth) {
        const auto line = lineIndexAt(toDocument(point).y());
        if (line && *line < static_cast<std::int64_t>(results_->size())) {
            emit lockToggleRequested(*line);
            return;
        }
    }
    if (const auto line = resultLineAt(point)) {
        pressedResultLine_ = line;
        pressedPoint_ = point;
        return;
    }
    pressedResultLine_.reset();
    QTextEdit::mousePressEvent(event);
}

void CalcTextView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF point = event->position();
    updateCursorShape(point);
    if (rotating_) {
        // From the angle at the press: the angle depends only on how far the mouse is from there.
        const QPointF offset = toDocument(point) - rotating_->start;
        InlinePlot::angles()[rotating_->title] = rotating_->angle.dragged(offset.x(), offset.y());
        viewport()->update();
        return;
    }
    if (resizeStart_) {
        emit columnResizeRequested(resizeStart_->width - (point.x() - resizeStart_->x), viewport()->width());
        return;
    }
    if (pressedResultLine_) {
        if (std::hypot(point.x() - pressedPoint_.x(), point.y() - pressedPoint_.y()) > 3) {
            const std::int64_t line = *pressedResultLine_;
            pressedResultLine_.reset();
            emit answerDragRequested(line, point);
        }
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) updateHover(point);
    QTextEdit::mouseMoveEvent(event);
}

void CalcTextView::mouseReleaseEvent(QMouseEvent* event) {
    if (rotating_) {
        rotating_.reset();
        return;
    }
    if (resizeStart_) {
        resizeStart_.reset();
        updateCursorShape(event->position());
        return;
    }
    if (pressedResultLine_) {
        const std::int64_t line = *pressedResultLine_;
        pressedResultLine_.reset();
        emit answerClicked(line);
        return;
    }
    QTextEdit::mouseReleaseEvent(event);
}

void CalcTextView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click on a surface turns it like the first, instead of selecting
    // a word of the line above.
    if (event->button() == Qt::LeftButton && beginRotation(event->position())) return;
    QTextEdit::mouseDoubleClickEvent(event);
}

// --- Dragging an answer out --------------------------------------------------------------------------

QPixmap CalcTextView::dragPixmap(const QString& name) const {
    const bool dark = appearance_.isDark();
    const QFont font = Fonts::monospacedDigits(Fonts::editorTextSize(settings_.textSize()), QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const QSizeF label(metrics.horizontalAdvance(name), metrics.height());
    const QSizeF size(std::ceil(label.width() + 28), std::ceil(label.height() + 8));
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap((size * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = EditorPalette::accent.resolve(dark);
    QPainterPath fill;
    fill.addRoundedRect(QRectF(QPointF(0, 0), size), 6, 6);
    painter.fillPath(fill, EditorPalette::background.resolve(dark));
    QColor border = accent;
    border.setAlphaF(0.5);
    painter.setPen(QPen(border, 1));
    painter.drawRoundedRect(QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.setFont(font);
    painter.setPen(accent);
    painter.drawText(QRectF(QPointF(14, 4), label), Qt::AlignLeft | Qt::AlignTop, name);
    return pixmap;
}

void CalcTextView::beginResultDrag(const QString& name, QPointF viewportPoint) {
    Q_UNUSED(viewportPoint);
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setText(name);
    drag->setMimeData(data);
    const QPixmap pixmap = dragPixmap(name);
    drag->setPixmap(pixmap);
    const QSizeF size = pixmap.deviceIndependentSize();
    drag->setHotSpot(QPoint(static_cast<int>(size.width() / 2), static_cast<int>(size.height() / 2)));
    runDrag(drag, Qt::CopyAction);
}

} // namespace vell
