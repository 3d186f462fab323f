#pragma once

// The application's widget style: Fusion, with slim scroll bars that have no arrow buttons: a track in
// the colour of the surface they stand on and a rounded handle in its text colour faded halfway into
// it, so that they follow light and dark with the palette. Menus are edged in the same faded text colour,
// lists of choices drop down below their box, and the buttons of stock dialogs have no pictures.

#include <QProxyStyle>

namespace vell {

class ApplicationStyle : public QProxyStyle {
    Q_OBJECT

public:
    static constexpr int scrollBarExtent = 10;
    // The shortest a handle gets, so that it can still be grabbed.
    static constexpr int minimumHandle = 24;

    ApplicationStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;
};

} // namespace vell
