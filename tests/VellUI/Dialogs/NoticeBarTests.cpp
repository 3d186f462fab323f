// A notice looks like one in both appearances (a tint that stands out from the window, an icon, text that
// is easy to read) and is text a screen reader reads, not only paint.

#include "Appearance/Appearance.h"
#include "Appearance/Theme.h"
#include "Dialogs/NoticeBar.h"
#include "Stores/AppSettings.h"
#include "Support/Contrast.h"
#include "Support/TestContext.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::contrastRatio;
using testsupport::TestContext;

class NoticeBarTest : public ::testing::Test {
protected:
    NoticeBarTest() {
        window.resize(480, 200);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    NoticeBar& make(NoticeBar::Kind kind) {
        auto* bar = new NoticeBar(kind, context.appearance(), &window);
        bar->setGeometry(0, 0, window.width(), 60);
        return *bar;
    }

    TestContext context;
    QWidget window;
};

TEST_F(NoticeBarTest, EachKindIsTintedWithAnIconAndReadableTextInBothAppearances) {
    struct Case {
        NoticeBar::Kind kind;
        AppearanceSetting appearance;
        ColorPair tint;
        ColorPair icon;
    };
    const Case cases[] = {
        {NoticeBar::Kind::warning, AppearanceSetting::light, Theme::warningTint, Theme::warningIcon},
        {NoticeBar::Kind::warning, AppearanceSetting::dark, Theme::warningTint, Theme::warningIcon},
        {NoticeBar::Kind::information, AppearanceSetting::light, Theme::informationTint,
         Theme::informationIcon},
        {NoticeBar::Kind::information, AppearanceSetting::dark, Theme::informationTint,
         Theme::informationIcon},
    };
    for (const Case& c : cases) {
        const bool dark = c.appearance == AppearanceSetting::dark;
        SCOPED_TRACE(std::string(c.kind == NoticeBar::Kind::warning ? "warning, " : "information, ") +
                     (dark ? "dark" : "light"));
        context.settings().setAppearance(c.appearance);
        ASSERT_EQ(context.appearance().isDark(), dark);
        NoticeBar& bar = make(c.kind);
        bar.setText("The document could not be saved.");
        QApplication::processEvents();
        const QImage pixels = bar.grab().toImage();

        const QColor tint = c.tint.resolve(dark);
        EXPECT_EQ(pixels.pixelColor(bar.width() - 3, 3), tint) << "the strip is tinted";
        // The window and the editor around it are grey or white: a colour of its own stands out.
        EXPECT_GE(tint.hsvSaturationF(), 0.12) << "it stands out from the window";
        EXPECT_NE(pixels.pixelColor(bar.width() / 2, bar.height() - 1), tint) << "an edge under it";
        EXPECT_GE(contrastRatio(bar.ink(), tint), 4.5) << "its text reads easily";
        EXPECT_GE(contrastRatio(c.icon.resolve(dark), tint), 3.0) << "its icon is seen";

        const QRect icon = bar.iconRect();
        int iconPixels = 0;
        for (int y = icon.top(); y <= icon.bottom(); ++y)
            for (int x = icon.left(); x <= icon.right(); ++x)
                if (contrastRatio(pixels.pixelColor(x, y), c.icon.resolve(dark)) < 1.2) ++iconPixels;
        EXPECT_GT(iconPixels, icon.width() * icon.height() / 5) << "an icon is drawn";
        delete &bar;
    }
}

TEST_F(NoticeBarTest, ItsMessageIsAccessibleTextAndItHidesWithout) {
    NoticeBar& bar = make(NoticeBar::Kind::warning);
    EXPECT_TRUE(bar.isHidden()) << "nothing to say yet";
    bar.setText("Your latest changes are not saved: No space left on device.");
    EXPECT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.text(), "Your latest changes are not saved: No space left on device.");

    QAccessibleInterface* notice = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(QAccessible::Name), "Your latest changes are not saved: No space left on device.");
    EXPECT_EQ(notice->text(QAccessible::Description), "Warning");
    bool labelled = false;
    for (int i = 0; i < notice->childCount(); ++i)
        if (notice->child(i)->text(QAccessible::Name) == bar.text()) labelled = true;
    EXPECT_TRUE(labelled) << "the message itself is text to read";

    bar.setText(QString());
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(bar.text(), QString());
}

TEST_F(NoticeBarTest, ADismissibleNoticeOffersANamedButton) {
    NoticeBar& bar = make(NoticeBar::Kind::information);
    bar.setText("A copy is back in the document.");
    EXPECT_TRUE(bar.dismissButton()->isHidden());
    bar.setDismissible(true);
    QApplication::processEvents();
    ASSERT_TRUE(bar.dismissButton()->isVisible());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(bar.dismissButton())->text(QAccessible::Name), "Dismiss");
    QSignalSpy dismissed(&bar, &NoticeBar::dismissed);
    QTest::mouseClick(bar.dismissButton(), Qt::LeftButton);
    EXPECT_EQ(dismissed.count(), 1);
}

} // namespace
} // namespace vell
