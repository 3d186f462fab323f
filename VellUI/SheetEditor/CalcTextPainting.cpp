// The painting: the gutter's line numbers and locks, the divider, the answer column, the caret, and
// the plots in the room under their lines.

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "Plots/InlinePlot.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/EditorPalette.h"
#include "Stores/AppSettings.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace vell {

namespace {

// A thin bar moved onto whole pixels of the device, at least one wide: on a screen of ratio 1.5 a
// one-point line would otherwise be smeared over two half-lit pixels.
QRectF onDevicePixels(const QRectF& rect, const QPainter& painter) {
    const double ratio = painter.device()->devicePixelRatioF();
    const QPointF origin = painter.transform().map(QPointF(0, 0));
    const auto snap = [ratio](double at) { return std::round(at * ratio) / ratio; };
    const double left = snap(rect.left() + origin.x()) - origin.x();
    const double width = std::max(1.0, std::round(rect.width() * ratio)) / ratio;
    return QRectF(left, rect.top(), width, rect.height());
}

} // namespace

QFont CalcTextView::resultFont(const QString& text, double maxWidth, const QFont& base) {
    if (maxWidth <= 0) return base;
    const double size = base.pointSizeF() * 96.0 / 72.0;
    const double floor = 0.7 * size;
    for (double candidate = size;;) {
        const QFont font = Fonts::monospacedDigits(candidate, QFont::DemiBold);
        if (QFontMetricsF(font).horizontalAdvance(text) <= maxWidth) return font;
        const double next = candidate - 0.5;
        if (next <= floor) return Fonts::monospacedDigits(floor, QFont::DemiBold);
        candidate = next;
    }
}

void CalcTextView::paintEvent(QPaintEvent* event) {
    const bool dark = appearance_.isDark();
    QPalette colours = palette();
    const QColor background = EditorPalette::background.resolve(dark);
    if (colours.color(QPalette::Base) != background) {
        colours.setColor(QPalette::Base, background);
        colours.setColor(QPalette::Window, background);
        colours.setColor(QPalette::Text, EditorPalette::text.resolve(dark));
        setPalette(colours);
        viewport()->setPalette(colours);
    }
    QTextEdit::paintEvent(event);

    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPointF offset = toDocument(QPointF(0, 0));
    painter.translate(-offset);
    paintDecorations(painter, event->region().translated(offset.toPoint()));

    if (hasFocus() && !textCursor().hasSelection()) {
        const QRect caret = cursorRect();
        painter.resetTransform();
        painter.fillRect(
            onDevicePixels(QRectF(caret.left(), caret.top(), caretWidth, caret.height()), painter),
            EditorPalette::accent.resolve(dark));
        paintedCaret_ = caretBox(caret);
    }
}

std::optional<CalcTextView::Answer> CalcTextView::answerFor(std::int64_t line) const {
    if (line < 0 || line >= static_cast<std::int64_t>(results_->size())) return std::nullopt;
    const bool dark = appearance_.isDark();
    const double columnWidth = this->columnWidth();
    const LineOutcome& outcome = (*results_)[static_cast<std::size_t>(line)].outcome;
    Answer answer{{}, Fonts::system(11.5, QFont::Medium), {}, {}};
    switch (outcome.kind()) {
    case LineOutcome::Case::value:
        answer.text = QString::fromStdString(ValueFormatter::format(*outcome.as<Value>(), true));
        answer.font =
            resultFont(answer.text, columnWidth,
                       Fonts::monospacedDigits(Fonts::editorTextSize(settings_.textSize()), QFont::DemiBold));
        answer.colour = EditorPalette::resultText.resolve(dark);
        break;
    case LineOutcome::Case::plot:
        answer.text = QString::fromStdString(L10n::text("グラフ ↓", "Graph ↓"));
        answer.colour = EditorPalette::plotLabel.resolve(dark);
        break;
    case LineOutcome::Case::failure:
        answer.text = QString::fromStdString(outcome.as<LineOutcome::Failure>()->message);
        answer.colour = EditorPalette::failureText.resolve(dark);
        break;
    case LineOutcome::Case::blank:
    case LineOutcome::Case::comment:
        return std::nullopt;
    }
    answer.whole = answer.text;
    answer.text = QFontMetricsF(answer.font).elidedText(answer.text, Qt::ElideRight, columnWidth);
    return answer;
}

void CalcTextView::paintLock(QPainter& painter, double y, const QColor& colour) const {
    // A padlock drawn as a path: no emoji font is needed.
    painter.save();
    QPen pen(colour, 1.4);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(5.5, y + 1.5, 6, 7), 0, 180 * 16);
    painter.drawLine(QPointF(5.5, y + 5), QPointF(5.5, y + 6.5));
    painter.drawLine(QPointF(11.5, y + 5), QPointF(11.5, y + 6.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(3.5, y + 6.5, 10, 7.5), 1.5, 1.5);
    painter.restore();
}

void CalcTextView::paintDecorations(QPainter& painter, const QRegion& region) {
    const QRectF dirty = region.boundingRect();
    const bool dark = appearance_.isDark();
    const double width = viewport()->width();
    const double columnWidth = this->columnWidth();
    const double top = toDocument(QPointF(0, 0)).y();

    paintDivider(painter, width - columnWidth - 30, top, top + viewport()->height());

    const QFont numberFont = Fonts::monospacedDigits(11.5, QFont::Medium);
    const QFont caretNumberFont = Fonts::monospacedDigits(11.5, QFont::Bold);
    const QTextOption alignRight(Qt::AlignRight | Qt::AlignTop);

    for (QTextBlock block = firstBlockNear(dirty.top() - 30); block.isValid(); block = block.next()) {
        const std::int64_t line = block.blockNumber();
        const QRectF rect = lineRect(line);
        if (rect.isNull()) continue;
        if (rect.bottom() < dirty.top() - 30) continue;
        if (rect.top() > dirty.bottom() + 30) break;

        // Only what lies in the region is drawn: a key repaints a line's text and a few answers,
        // rows apart.
        const auto reaches = [&region, &rect](double left, double right) {
            return region.intersects(
                QRectF(left, rect.top() - 4, right - left, std::max(20.0, rect.height()) + 8)
                    .toAlignedRect());
        };
        if (reaches(0, gutterWidth)) {
            if (lockedLines_.contains(line))
                paintLock(painter, rect.top() + 4, EditorPalette::lineNumber.resolve(dark));

            const bool caret = caretLine_ == line;
            painter.setFont(caret ? caretNumberFont : numberFont);
            painter.setPen(
                (caret ? EditorPalette::caretLineNumber : EditorPalette::lineNumber).resolve(dark));
            // Right-aligned in a box 37 wide; a number too wide for it (ten thousand lines and more)
            // starts a point in from the view's edge instead of being cut off there.
            const QString number = QString::number(line + 1);
            const double numberWidth = QFontMetricsF(painter.font()).horizontalAdvance(number);
            painter.drawText(
                QRectF(0, rect.top() + 3, std::max(37.0, numberWidth + 1), std::max(16.0, rect.height())),
                number, alignRight);
        }

        if (!reaches(width - columnWidth - 30, width) || line >= static_cast<std::int64_t>(results_->size()))
            continue;
        if (hoveredResultLine_ == line &&
            (*results_)[static_cast<std::size_t>(line)].outcome.kind() == LineOutcome::Case::value) {
            QPainterPath fill;
            fill.addRoundedRect(
                QRectF(width - columnWidth - 26, rect.top(), columnWidth + 16, std::max(20.0, rect.height())),
                6, 6);
            painter.fillPath(fill, EditorPalette::hoverFill.resolve(dark));
        }

        const auto answer = answerFor(line);
        if (!answer) continue;
        painter.setFont(answer->font);
        painter.setPen(answer->colour);
        painter.drawText(
            QRectF(width - columnWidth - 18, rect.top() + 2, columnWidth, std::max(20.0, rect.height())),
            answer->text, alignRight);
    }

    drawPlots(painter, region);
}

void CalcTextView::paintDivider(QPainter& painter, double x, double top, double bottom) const {
    // A surface reaches under the answer column: the divider stops above it and goes on below it.
    std::vector<std::pair<double, double>> surfaces;
    if (showsPlots_) {
        for (QTextBlock block = firstBlockNear(top); block.isValid(); block = block.next()) {
            const auto line = static_cast<std::size_t>(block.blockNumber());
            if (line >= results_->size()) break;
            if (document()->documentLayout()->blockBoundingRect(block).top() > bottom) break;
            const PlotSpec* spec = (*results_)[line].outcome.as<PlotSpec>();
            if (!spec || spec->kind != PlotSpec::Kind::surface) continue;
            if (const auto rect = plotRect(static_cast<std::int64_t>(line)))
                surfaces.emplace_back(rect->top(), rect->bottom());
        }
    }
    const QColor colour = EditorPalette::divider.resolve(appearance_.isDark());
    double from = top;
    for (const auto& [above, below] : surfaces) {
        if (above > from) painter.fillRect(onDevicePixels(QRectF(x, from, 1, above - from), painter), colour);
        from = std::max(from, below);
    }
    if (bottom > from) painter.fillRect(onDevicePixels(QRectF(x, from, 1, bottom - from), painter), colour);
}

QSizeF CalcTextView::plotSize(PlotSpec::Kind kind, double viewWidth, double columnWidth) {
    if (kind == PlotSpec::Kind::surface) return {std::max(120.0, viewWidth - 76), 260};
    return {std::max(120.0, viewWidth - columnWidth - 100), 190};
}

std::optional<QRectF> CalcTextView::plotRect(std::int64_t line) const {
    if (!showsPlots_ || line < 0 || line >= static_cast<std::int64_t>(results_->size())) return std::nullopt;
    const PlotSpec* spec = (*results_)[static_cast<std::size_t>(line)].outcome.as<PlotSpec>();
    if (!spec || line >= document()->blockCount()) return std::nullopt;
    const QTextBlock block = document()->findBlockByNumber(static_cast<int>(line));
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0) return std::nullopt;
    // Under the last row: the room below the line follows the whole paragraph, however it wraps. Rows
    // keep the pitch, so the last ends where a row of the editor's font would.
    const QRectF bounds = document()->documentLayout()->blockBoundingRect(block);
    const double lastRowTop = bounds.top() + rowInset_ + (layout->lineCount() - 1) * rowPitch_;
    const double top = lastRowTop + rowHeight_ + plotGap;
    return QRectF(QPointF(plotX, top), plotSize(spec->kind, viewport()->width(), columnWidth()));
}

const std::vector<CalcTextView::PlotBox>& CalcTextView::plotBoxes() const {
    if (!plotBoxesStale_) return plotBoxes_;
    plotBoxesStale_ = false;
    plotBoxes_.clear();
    if (!showsPlots_) return plotBoxes_;
    for (std::size_t line = 0; line < results_->size(); ++line) {
        const PlotSpec* spec = (*results_)[line].outcome.as<PlotSpec>();
        if (!spec || spec->kind != PlotSpec::Kind::surface) continue;
        if (const auto rect = plotRect(static_cast<std::int64_t>(line)))
            plotBoxes_.push_back({*rect, spec->title});
    }
    return plotBoxes_;
}

void CalcTextView::drawPlots(QPainter& painter, const QRegion& region) {
    const QRectF dirty = region.boundingRect();
    // Where the surfaces lie is found again when it is asked for (a press that may turn one).
    plotBoxesStale_ = true;
    if (!showsPlots_) return;
    const bool dark = appearance_.isDark();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    std::vector<HeldImage> held;
    // A plot lies in the room under its line, above the next line: only the lines in sight are asked.
    for (QTextBlock block = firstBlockNear(dirty.top()); block.isValid(); block = block.next()) {
        const auto line = static_cast<std::size_t>(block.blockNumber());
        if (line >= results_->size()) break;
        if (document()->documentLayout()->blockBoundingRect(block).top() > dirty.bottom()) break;
        const PlotSpec* spec = (*results_)[line].outcome.as<PlotSpec>();
        if (!spec) continue;
        const auto rect = plotRect(static_cast<std::int64_t>(line));
        if (!rect || !region.intersects(rect->toAlignedRect())) continue;
        const QImage image = InlinePlot::image(*spec, rect->width(), rect->height(), dark,
                                               painter.device()->devicePixelRatioF());
        if (image.isNull()) continue;
        painter.drawImage(*rect, image);
        held.push_back({static_cast<std::int64_t>(line), image});
    }
    painter.restore();
    // The images of plots within a screen's height of the sight stay, so that scrolling a little
    // does not render them again; the cache lets go of every other.
    const QRectF sight(toDocument(QPointF(0, 0)), QSizeF(viewport()->size()));
    const QRectF near = sight.adjusted(0, -sight.height(), 0, sight.height());
    for (const HeldImage& image : heldImages_) {
        const bool drawn = std::any_of(held.begin(), held.end(),
                                       [&image](const HeldImage& other) { return other.line == image.line; });
        if (drawn) continue;
        if (const auto rect = plotRect(image.line); rect && rect->intersects(near)) held.push_back(image);
    }
    heldImages_ = std::move(held);
    InlinePlot::dropUnheld();
}

} // namespace vell
