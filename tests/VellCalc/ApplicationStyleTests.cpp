#include "ApplicationStyle.h"
#include "Support/Contrast.h"
#include "Window/WindowPalette.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>
#include <memory>

namespace vell {
namespace {

// A vertical scroll bar 200 long over 1,000 of content, showing 100 of it.
std::unique_ptr<QScrollBar> scrollBar(QStyle& style, bool dark) {
    auto bar = std::make_unique<QScrollBar>(Qt::Vertical);
    bar->setStyle(&style);
    bar->setPalette(WindowPalette::make(dark));
    bar->setRange(0, 900);
    bar->setPageStep(100);
    bar->resize(bar->sizeHint().width(), 200);
    return bar;
}

QStyleOptionSlider optionOf(const QScrollBar& bar) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    if (bar.orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    return option;
}

TEST(ApplicationStyle, ScrollBarsAreSlimWithoutArrowButtons) {
    ApplicationStyle style;
    auto bar = scrollBar(style, false);
    EXPECT_LE(bar->sizeHint().width(), 10);
    EXPECT_GE(bar->sizeHint().width(), 8);
    const QStyleOptionSlider option = optionOf(*bar);
    for (const QStyle::SubControl arrow : {QStyle::SC_ScrollBarAddLine, QStyle::SC_ScrollBarSubLine})
        EXPECT_TRUE(style.subControlRect(QStyle::CC_ScrollBar, &option, arrow, bar.get()).isEmpty());
    const QRect groove =
        style.subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, bar.get());
    EXPECT_EQ(groove, bar->rect()) << "the whole length is the track";

    // The handle is a tenth of the track and moves along all of it.
    const auto handle = [&] {
        const QStyleOptionSlider now = optionOf(*bar);
        return style.subControlRect(QStyle::CC_ScrollBar, &now, QStyle::SC_ScrollBarSlider, bar.get());
    };
    EXPECT_EQ(handle().top(), 0);
    EXPECT_NEAR(handle().height(), 24, 4) << "never shorter than it can be grabbed";
    bar->setValue(900);
    EXPECT_EQ(handle().bottom(), 199);
    // A click at either end pages, as there is no arrow to hit.
    bar->setValue(450);
    const QStyleOptionSlider middle = optionOf(*bar);
    EXPECT_EQ(style.hitTestComplexControl(QStyle::CC_ScrollBar, &middle, QPoint(4, 2), bar.get()),
              QStyle::SC_ScrollBarSubPage);
    EXPECT_EQ(style.hitTestComplexControl(QStyle::CC_ScrollBar, &middle, QPoint(4, 197), bar.get()),
              QStyle::SC_ScrollBarAddPage);
    EXPECT_EQ(style.hitTestComplexControl(QStyle::CC_ScrollBar, &middle, handle().center(), bar.get()),
              QStyle::SC_ScrollBarSlider);
}

// The track is the surface it stands on; the handle is drawn in the text colour faded halfway into it,
// so it follows light and dark and stands out from the track by at least 3:1.
TEST(ApplicationStyle, TheHandleTakesThePalettesColoursInEitherAppearance) {
    ApplicationStyle style;
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        auto bar = scrollBar(style, dark);
        bar->setValue(0);
        const QImage pixels = bar->grab().toImage();
        const QColor track = pixels.pixelColor(bar->width() / 2, 180);
        const QColor handle = pixels.pixelColor(bar->width() / 2, 10);
        EXPECT_EQ(track, WindowPalette::make(dark).color(QPalette::Window));
        EXPECT_GE(testsupport::contrastRatio(track, handle), 3.0);
    }
}

} // namespace
} // namespace vell
