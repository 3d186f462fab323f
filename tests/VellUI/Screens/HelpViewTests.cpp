#include "Appearance/Theme.h"
#include "ScreenFixture.h"
#include "Screens/HelpTable.h"
#include "Screens/HelpView.h"

#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <cstdlib>

namespace vell {
namespace {

using HelpViewTest = testsupport::ScreenFixture;

TEST_F(HelpViewTest, EscapeAndCloseEndTheDialogOverTheWindowOrOverTheSettings) {
    settings.setLanguage(AppLanguage::english);
    // The settings dialog, with a stand-in body, from which the help opens over it.
    WindowDialog settingsDialog(WindowDialogKind::settings, window);
    show(settingsDialog, new QLabel(QStringLiteral("settings")));
    for (QWidget* over : {&window, static_cast<QWidget*>(&settingsDialog)}) {
        for (bool byEscape : {true, false}) {
            auto dialog = present(WindowDialogKind::help, false, over);
            auto* view = bodyOf<HelpView>(*dialog);
            ASSERT_NE(view, nullptr);
            EXPECT_EQ(dialog->size(), HelpView::preferredSize);
            EXPECT_EQ(view->closeButton()->text(), "Close");
            if (byEscape)
                QTest::keyClick(view, Qt::Key_Escape);
            else
                QTest::mouseClick(view->closeButton(), Qt::LeftButton);
            EXPECT_FALSE(dialog->isVisible()) << (byEscape ? "Escape" : "Close");
            EXPECT_EQ(dialog->result(), QDialog::Rejected);
        }
    }
    EXPECT_TRUE(settingsDialog.isVisible());
}

TEST_F(HelpViewTest, GroupTitlesInCapitalsAndTheTableFollowsTheLanguage) {
    settings.setLanguage(AppLanguage::english);
    HelpView view(settings, appearance);
    EXPECT_NE(labelShowing(view, "How to Use Vell"), nullptr);
    EXPECT_NE(labelShowing(view, "TYPING"), nullptr);
    EXPECT_NE(labelShowing(view, "FUNCTIONS FROM OTHER SHEETS"), nullptr);
    EXPECT_EQ(labelShowing(view, "Typing"), nullptr);
    EXPECT_NE(labelShowing(view, "Ctrl+Z / Ctrl+Shift+Z"), nullptr);

    settings.setLanguage(AppLanguage::japanese);
    EXPECT_NE(labelShowing(view, "Vell の使い方"), nullptr);
    EXPECT_NE(labelShowing(view, "入力"), nullptr);
    EXPECT_NE(labelShowing(view, "プログラム（字下げで書く）"), nullptr);
    EXPECT_EQ(labelShowing(view, "TYPING"), nullptr);
    EXPECT_EQ(view.closeButton()->text(), "閉じる");
    // The note that is one text in both languages, and a language-neutral example.
    EXPECT_NE(labelShowing(view, "sum(1, 2, 3)"), nullptr);
    EXPECT_NE(labelShowing(view, "3000 + 10%"), nullptr);
    // One label per example and per note, one per group title, and the screen's title.
    EXPECT_EQ(view.scrollArea()->widget()->findChildren<QLabel*>().size(), 81 * 2 + 12);
}

TEST_F(HelpViewTest, ALongExampleWrapsInItsColumnWithTheNoteBesideItsFirstLine) {
    settings.setLanguage(AppLanguage::english);
    HelpView view(settings, appearance);
    view.resize(HelpView::preferredSize);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    QLabel* example = labelShowing(view, "sqrt / abs / round / floor / ceil");
    QLabel* note = labelShowing(view, "round(3.14159, 2) also takes the number of digits");
    QLabel* shortExample = labelShowing(view, "sin / cos / tan");
    ASSERT_TRUE(example && note && shortExample);
    EXPECT_EQ(example->width(), 240);
    EXPECT_GT(example->height(), shortExample->height());
    // The note's first line stands on the example's first baseline, however many lines follow.
    const int exampleBaseline =
        example->y() + example->contentsMargins().top() + example->fontMetrics().ascent();
    const int noteBaseline = note->y() + note->contentsMargins().top() + note->fontMetrics().ascent();
    EXPECT_LE(std::abs(noteBaseline - exampleBaseline), 1);
    EXPECT_EQ(note->x(), example->x() + 240 + 12);
}

TEST_F(HelpViewTest, CardAndInksFollowTheAppearance) {
    settings.setLanguage(AppLanguage::english);
    settings.setAppearance(AppearanceSetting::light);
    HelpView view(settings, appearance);
    view.resize(HelpView::preferredSize);
    QLabel* note = labelShowing(view, "The answer on line 3");
    QLabel* example = labelShowing(view, "#3");
    ASSERT_TRUE(note && example);
    for (bool dark : {false, true}) {
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        const QImage image = view.grab().toImage();
        EXPECT_EQ(image.pixelColor(3, image.height() - 3), Theme::card.resolve(dark)) << dark;
        EXPECT_EQ(note->palette().color(QPalette::WindowText), Theme::secondaryInk.resolve(dark));
        EXPECT_EQ(example->palette().color(QPalette::WindowText), Theme::ink.resolve(dark));
    }
}

} // namespace
} // namespace vell
