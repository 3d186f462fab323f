#include "SheetEditor/ResultColumnHandle.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "SheetEditor/EditorPalette.h"
#include "Stores/AppSettings.h"
#include "Stores/ResultColumn.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace vell {

ResultColumnHandle::ResultColumnHandle(AppSettings& settings, Appearance& appearance, QWidget* parent)
    : QWidget(parent), settings_(settings), appearance_(appearance) {
    connect(&appearance_, &Appearance::changed, this, qOverload<>(&QWidget::update));
    setAccessibleName(QString::fromStdString(L10n::text("解答欄の幅", "Answer column width")));
    setCursor(Qt::SizeHorCursor);
    setAttribute(Qt::WA_Hover);
    connect(&settings_, &AppSettings::resultColumnWidthChanged, this, &ResultColumnHandle::place);
    connect(&settings_, &AppSettings::languageChanged, this, [this] {
        setAccessibleName(QString::fromStdString(L10n::text("解答欄の幅", "Answer column width")));
    });
}

void ResultColumnHandle::setArea(int right, int top, int height, int available) {
    const bool narrower = available != available_;
    right_ = right;
    top_ = top;
    height_ = height;
    available_ = available;
    // Before the window is on screen its layout passes through small sizes that must not narrow the
    // width the user chose.
    if (narrower && shown_ && available > 0)
        ResultColumn::setWidth(settings_.resultColumnWidth(), available, settings_);
    place();
}

void ResultColumnHandle::place() {
    const double inset = settings_.resultColumnWidth() + 30;
    const int centre = right_ - static_cast<int>(std::lround(inset));
    // A new place repaints both; the same place, nothing.
    setGeometry(centre - stripWidth / 2, top_, stripWidth, height_);
}

void ResultColumnHandle::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    shown_ = true;
}

void ResultColumnHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = Theme::secondaryInk.resolve(appearance_.isDark());
    colour.setAlphaF(hovering_ || startWidth_ ? 0.55 : 0.22);
    const QRectF capsule(width() / 2.0 - 1.75, height() / 2.0 - 18, 3.5, 36);
    QPainterPath path;
    path.addRoundedRect(capsule, 1.75, 1.75);
    painter.fillPath(path, colour);
}

void ResultColumnHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressX_ = event->globalPosition().x();
}

void ResultColumnHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const double translation = event->globalPosition().x() - pressX_;
    if (!startWidth_) {
        if (std::abs(translation) < 1) return;
        startWidth_ = settings_.resultColumnWidth();
    }
    ResultColumn::setWidth(*startWidth_ - translation, available_, settings_);
    place();
}

void ResultColumnHandle::mouseReleaseEvent(QMouseEvent*) {
    startWidth_.reset();
    update();
}

void ResultColumnHandle::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hovering_ = true;
    update();
}

void ResultColumnHandle::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hovering_ = false;
    update();
}

} // namespace vell
