#include "ApplicationStyle.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <algorithm>

namespace vell {

namespace {

// The handle across the bar: thin at rest, wider under the pointer or while dragged.
constexpr double restingThickness = 6;
constexpr double activeThickness = 8;

QColor mixed(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

} // namespace

ApplicationStyle::ApplicationStyle() : QProxyStyle(QStringLiteral("Fusion")) {}

int ApplicationStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                  const QWidget* widget) const {
    switch (metric) {
    case PM_ScrollBarExtent:
        return scrollBarExtent;
    case PM_ScrollBarSliderMin:
        return minimumHandle;
    case PM_MenuPanelWidth:
        // The pointed item's fill stays inside the menu's edge.
        return 1;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int ApplicationStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                QStyleHintReturn* returnData) const {
    switch (hint) {
    case SH_ComboBox_Popup:
        // A list that drops down below its box, not one laid over the box and the rows around it.
        return 0;
    case SH_DialogButtonBox_ButtonsHaveIcons:
        // The stock dialogs' buttons read as the program's own, which have no pictures.
        return 0;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

QRect ApplicationStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                       SubControl subControl, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar)
        return QProxyStyle::subControlRect(control, option, subControl, widget);

    const QRect& whole = bar->rect;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const int length = horizontal ? whole.width() : whole.height();
    int handle = length;
    const qint64 range = qint64(bar->maximum) - bar->minimum;
    if (range > 0) {
        handle = static_cast<int>(qint64(bar->pageStep) * length / (range + bar->pageStep));
        handle = std::clamp(handle, std::min(minimumHandle, length), length);
    }
    const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                              length - handle, bar->upsideDown);
    const auto span = [&](int from, int size) {
        const QRect part = horizontal ? QRect(whole.x() + from, whole.y(), size, whole.height())
                                      : QRect(whole.x(), whole.y() + from, whole.width(), size);
        return visualRect(bar->direction, whole, part);
    };
    switch (subControl) {
    case SC_ScrollBarGroove:
        return whole;
    case SC_ScrollBarSlider:
        return span(start, handle);
    case SC_ScrollBarSubPage:
        return span(0, start);
    case SC_ScrollBarAddPage:
        return span(start + handle, length - start - handle);
    default:
        // No arrow buttons, no first and last.
        return {};
    }
}

void ApplicationStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                          QPainter* painter, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const QColor surface = bar->palette.color(QPalette::Window);
    painter->save();
    painter->fillRect(bar->rect, surface);
    if (bar->maximum > bar->minimum) {
        const bool active = (bar->state & State_Sunken) && (bar->activeSubControls & SC_ScrollBarSlider);
        const bool hovered = (bar->state & State_MouseOver) && (bar->activeSubControls & SC_ScrollBarSlider);
        const double thickness = active || hovered ? activeThickness : restingThickness;
        const QRectF handle = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
        const bool horizontal = bar->orientation == Qt::Horizontal;
        const double inset = 2;
        const QRectF shape = horizontal ? QRectF(handle.left() + inset, handle.center().y() - thickness / 2,
                                                 handle.width() - 2 * inset, thickness)
                                        : QRectF(handle.center().x() - thickness / 2, handle.top() + inset,
                                                 thickness, handle.height() - 2 * inset);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(
            mixed(bar->palette.color(QPalette::WindowText), surface, active || hovered ? 0.65 : 0.5));
        painter->drawRoundedRect(shape, thickness / 2, thickness / 2);
    }
    painter->restore();
}

void ApplicationStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                     const QWidget* widget) const {
    if (element != PE_FrameMenu) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // The menu's edge in its text colour faded halfway into its surface: Fusion's, darker than the
    // surface, does not show against the dark editor under a context menu.
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(
        mixed(option->palette.color(QPalette::WindowText), option->palette.color(QPalette::Window), 0.5));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

void ApplicationStyle::polish(QWidget* widget) {
    QProxyStyle::polish(widget);
    // The handle widens under the pointer.
    if (qobject_cast<QScrollBar*>(widget)) widget->setAttribute(Qt::WA_Hover);
}

} // namespace vell
