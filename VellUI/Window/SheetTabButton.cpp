#include "Window/SheetTabButton.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <cmath>

namespace vell {

namespace {

constexpr qreal selectedFillOpacity = 0.18;
constexpr qreal plainFillOpacity = 0.06;
constexpr qreal previewFillOpacity = 0.25;
constexpr qreal pressedOpacity = 0.5;

QString mimeFormat() {
    return QString::fromLatin1(SheetTabTransfer::contentType.data(),
                               static_cast<qsizetype>(SheetTabTransfer::contentType.size()));
}

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

void fillRounded(QPainter& painter, const QRectF& rect, const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(rect, SheetTabButton::cornerRadius, SheetTabButton::cornerRadius);
    painter.fillPath(path, color);
}

} // namespace

SheetTabButton::SheetTabButton(const Uuid& sheetID, Appearance& appearance, QWidget* parent)
    : QAbstractButton(parent), sheetID_(sheetID), appearance_(appearance) {
    setFocusPolicy(Qt::NoFocus);
    setAcceptDrops(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(labelFont());
    connect(&appearance_, &Appearance::changed, this, [this] { update(); });
}

void SheetTabButton::setName(const QString& name) {
    if (name == text()) return;
    setText(name);
    updateGeometry();
    update();
}

void SheetTabButton::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    setFont(labelFont());
    updateGeometry();
    update();
}

QFont SheetTabButton::labelFont(bool selected) {
    return Fonts::system(textSize, selected ? QFont::DemiBold : QFont::Normal);
}

int SheetTabButton::widthFor(const QFontMetricsF& metrics, const QString& name) {
    const int width = static_cast<int>(std::ceil(metrics.horizontalAdvance(name))) + 2 * horizontalPadding;
    return std::min(width, maximumWidth);
}

QSize SheetTabButton::sizeHint() const {
    return {widthFor(QFontMetricsF(labelFont()), text()), tabHeight};
}

QString SheetTabButton::displayedText() const {
    const int room = std::max(0, width() > 0 ? std::min(width(), maximumWidth) - 2 * horizontalPadding
                                             : maximumWidth - 2 * horizontalPadding);
    return QFontMetrics(labelFont()).elidedText(text(), Qt::ElideRight, room);
}

void SheetTabButton::paintEvent(QPaintEvent*) {
    const bool dark = appearance_.isDark();
    const QColor accent = Theme::accent.resolve(dark);
    const QColor ink = Theme::ink.resolve(dark);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown()) painter.setOpacity(pressedOpacity);
    fillRounded(painter, QRectF(rect()),
                selected_ ? withOpacity(accent, selectedFillOpacity) : withOpacity(ink, plainFillOpacity));
    painter.setFont(labelFont());
    painter.setPen(selected_ ? accent : ink);
    painter.drawText(rect().adjusted(horizontalPadding, 0, -horizontalPadding, 0), Qt::AlignCenter,
                     displayedText());
}

QPixmap SheetTabButton::dragPreview() const {
    const bool dark = appearance_.isDark();
    const QFont font = Fonts::system(textSize, QFont::DemiBold);
    const int width =
        static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text()))) + 2 * horizontalPadding;
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(QSize(width, tabHeight) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRounded(painter, QRectF(0, 0, width, tabHeight),
                withOpacity(Theme::accent.resolve(dark), previewFillOpacity));
    painter.setFont(font);
    painter.setPen(Theme::ink.resolve(dark));
    painter.drawText(QRect(0, 0, width, tabHeight), Qt::AlignCenter, text());
    return pixmap;
}

QMimeData* SheetTabButton::makeMimeData() const {
    auto* data = new QMimeData;
    data->setData(mimeFormat(), QByteArray::fromStdString(SheetTabTransfer{sheetID_}.encode()));
    return data;
}

bool SheetTabButton::carriesTabs(const QMimeData& data) {
    return data.hasFormat(mimeFormat());
}

void SheetTabButton::mousePressEvent(QMouseEvent* event) {
    dragArmed_ = event->button() == Qt::LeftButton;
    pressPosition_ = event->position().toPoint();
    QAbstractButton::mousePressEvent(event);
}

void SheetTabButton::mouseMoveEvent(QMouseEvent* event) {
    if (dragArmed_ && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - pressPosition_).manhattanLength() >=
            QApplication::startDragDistance()) {
        dragArmed_ = false;
        startDrag();
        return;
    }
    QAbstractButton::mouseMoveEvent(event);
}

void SheetTabButton::startDrag() {
    // A drag is no click: the tab comes up without selecting its sheet.
    setDown(false);
    QPointer<SheetTabButton> self(this);
    auto* drag = new QDrag(this);
    drag->setMimeData(makeMimeData());
    const QPixmap preview = dragPreview();
    drag->setPixmap(preview);
    drag->setHotSpot(QPoint(std::min(pressPosition_.x(), preview.width() - 1), pressPosition_.y()));
    drag->exec(Qt::MoveAction);
    if (self) update();
}

void SheetTabButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The first click of the pair has selected the tab already.
    if (event->button() != Qt::LeftButton) return QAbstractButton::mouseDoubleClickEvent(event);
    event->accept();
    emit doubleClicked();
}

void SheetTabButton::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    emit contextMenuRequested(event->globalPos());
}

void SheetTabButton::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData() && carriesTabs(*event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SheetTabButton::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData() && carriesTabs(*event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SheetTabButton::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!data || !carriesTabs(*data) || !dropHandler_) return event->ignore();
    const auto items = SheetTabTransfer::decodeItems(data->data(mimeFormat()).toStdString());
    if (!dropHandler_(items)) return event->ignore();
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

} // namespace vell
