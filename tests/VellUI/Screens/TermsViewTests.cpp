#include "ScreenFixture.h"
#include "Screens/ScreenParts.h"
#include "Screens/TermsView.h"
#include "Support/Contrast.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <functional>

namespace vell {
namespace {

struct TermsViewTest : testsupport::ScreenFixture {
    // The gate as the window shows it: a dialog that only accepting ends.
    struct Gate {
        std::unique_ptr<WindowDialog> dialog;
        TermsView* view;
    };

    Gate presentGate() {
        auto dialog = present(WindowDialogKind::terms, true);
        auto* view = bodyOf<TermsView>(*dialog);
        EXPECT_NE(view, nullptr);
        EXPECT_EQ(view->mode(), TermsView::Mode::gate);
        return {std::move(dialog), view};
    }

    QVariant storedVersion() const { return defaults.stored("vell.acceptedTermsVersion"); }
};

TEST_F(TermsViewTest, EachModeShowsOnlyItsOwnControls) {
    settings.setLanguage(AppLanguage::english);
    TermsView gate(TermsView::Mode::gate, settings, appearance);
    TermsView reading(TermsView::Mode::reading, settings, appearance);

    EXPECT_TRUE(gate.languagePicker() && gate.consent() && gate.agreeButton() && gate.declineNote());
    EXPECT_EQ(gate.closeButton(), nullptr);
    EXPECT_EQ(gate.acceptedVersion(), nullptr);
    EXPECT_EQ(gate.findChildren<QPushButton*>().size(), 3); // two language segments and agree
    EXPECT_EQ(testsupport::ScreenFixture::labelShowing(gate, "Close"), nullptr);

    EXPECT_EQ(reading.languagePicker(), nullptr);
    EXPECT_EQ(reading.consent(), nullptr);
    EXPECT_EQ(reading.agreeButton(), nullptr);
    EXPECT_EQ(reading.declineNote(), nullptr);
    EXPECT_EQ(reading.findChildren<QPushButton*>().size(), 1);
    ASSERT_NE(reading.closeButton(), nullptr);
    EXPECT_EQ(reading.closeButton()->text(), "Close");
    EXPECT_EQ(labelShowing(reading, "If you do not agree, you may not use this app. Please delete it."),
              nullptr);

    for (const TermsView* view : {&gate, &reading}) {
        EXPECT_EQ(view->title()->text(), "Before You Begin");
        EXPECT_EQ(view->headline()->text(),
                  "Always verify this app's results yourself before you rely on them.");
        ASSERT_EQ(view->sections().size(), 6u);
        EXPECT_EQ(view->sections()[5].heading->text(), "6. Changes to these terms");
    }
}

TEST_F(TermsViewTest, TheChosenLanguageReadsAtFourAndAHalfToOneInEitherAppearance) {
    for (const bool dark : {false, true}) {
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        TermsView gate(TermsView::Mode::gate, settings, appearance);
        const SegmentColors colors = gate.languagePicker()->colors();
        EXPECT_GE(testsupport::contrastRatio(colors.chosenText, colors.chosenFill), 4.5)
            << (dark ? "dark" : "light");
    }
}

// Not agreeing means not using the program: Escape or the gate's close button quits it, with nothing
// stored. Were the gate left standing, the run would end with 7.
TEST_F(TermsViewTest, DecliningWithEscapeOrTheCloseButtonQuitsAndStoresNothing) {
    const std::function<void(WindowDialog&)> declines[] = {
        [](WindowDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [](WindowDialog& dialog) { dialog.close(); },
    };
    for (const auto& decline : declines) {
        Gate gate = presentGate();
        QTimer::singleShot(0, gate.dialog.get(), [&] { decline(*gate.dialog); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_EQ(settings.acceptedTermsVersion(), 0);
        EXPECT_FALSE(storedVersion().isValid());
    }
}

// The gate is a question to answer, not a window to put away or enlarge.
TEST_F(TermsViewTest, TheGateHasNoMinimiseOrMaximiseButton) {
    Gate gate = presentGate();
    const Qt::WindowFlags flags = gate.dialog->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint)) << "the desktop would add its own buttons";
}

TEST_F(TermsViewTest, TheWholeConsentRowTogglesAndAgreeFollowsIt) {
    settings.setLanguage(AppLanguage::english);
    Gate gate = presentGate();
    CheckRow* row = gate.view->consent();
    QPushButton* agree = gate.view->agreeButton();
    EXPECT_EQ(agree->height(), 46);
    EXPECT_TRUE(agree->isDefault());
    EXPECT_FALSE(agree->isEnabled());

    const QRect text = row->label()->geometry();
    const int textEnd = text.x() + row->label()->fontMetrics().horizontalAdvance(row->rowText());
    ASSERT_LT(textEnd + 20, row->width()) << "the row ends right after its text";
    const QPoint clicks[] = {
        {row->width() - 4, row->height() / 2}, // the empty space right of the text
        {text.x() + 5, text.center().y()},     // the text
        {10, row->height() / 2},               // the box
    };
    bool checked = false;
    for (const QPoint& at : clicks) {
        QTest::mouseClick(row, Qt::LeftButton, {}, at);
        checked = !checked;
        EXPECT_EQ(row->isChecked(), checked) << at.x();
        EXPECT_EQ(agree->isEnabled(), checked) << at.x();
    }
    // Disabled, the button stores nothing.
    QTest::mouseClick(row, Qt::LeftButton, {}, clicks[0]);
    EXPECT_FALSE(agree->isEnabled());
    QTest::mouseClick(agree, Qt::LeftButton);
    EXPECT_TRUE(gate.dialog->isVisible());
    EXPECT_FALSE(storedVersion().isValid());
}

TEST_F(TermsViewTest, AgreeingStoresTheVersionAndEndsTheGate) {
    Gate gate = presentGate();
    QSignalSpy agreed(gate.view, &TermsView::agreed);
    QTest::mouseClick(gate.view->consent(), Qt::LeftButton);
    QTest::mouseClick(gate.view->agreeButton(), Qt::LeftButton);
    EXPECT_EQ(agreed.count(), 1);
    EXPECT_EQ(settings.acceptedTermsVersion(), 1);
    EXPECT_EQ(storedVersion().toString(), "1");
    EXPECT_FALSE(gate.dialog->isVisible());
    EXPECT_EQ(gate.dialog->result(), QDialog::Accepted);
}

TEST_F(TermsViewTest, TheQuitKeysQuitTheApplicationAndStoreNothing) {
    Gate gate = presentGate();
    QSignalSpy quit(gate.view, &TermsView::quitRequested);
    QTest::mouseClick(gate.view->consent(), Qt::LeftButton);
    // The keys are pressed once the application runs; were they ignored, the run would end with 7.
    QTimer::singleShot(0, gate.dialog.get(),
                       [&] { QTest::keyClick(gate.dialog.get(), Qt::Key_Q, Qt::ControlModifier); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(quit.count(), 1);
    EXPECT_EQ(settings.acceptedTermsVersion(), 0);
    EXPECT_FALSE(storedVersion().isValid());
}

TEST_F(TermsViewTest, PickingEnglishOnAJapaneseSystemTurnsEveryTextAtOnce) {
    useSystemLanguage({"ja-JP", "en-US"});
    Gate gate = presentGate();
    TermsView& view = *gate.view;
    ASSERT_FALSE(view.languagePicker()->isEnglish());
    EXPECT_TRUE(view.languagePicker()->japaneseSegment()->isChecked());
    EXPECT_EQ(view.title()->text(), "ご利用の前に");
    EXPECT_EQ(view.consent()->rowText(), "上記の内容を読み、同意します");

    QTest::mouseClick(view.languagePicker()->englishSegment(), Qt::LeftButton);
    EXPECT_EQ(settings.language(), AppLanguage::english);
    EXPECT_EQ(defaults.stored("vell.language").toString(), "english");
    EXPECT_TRUE(view.languagePicker()->isEnglish());
    EXPECT_EQ(view.title()->text(), "Before You Begin");
    EXPECT_EQ(view.headline()->text(), "Always verify this app's results yourself before you rely on them.");
    EXPECT_EQ(view.sections()[0].heading->text(), "1. What this app is");
    EXPECT_TRUE(view.sections()[3].body->text().startsWith("The App collects no information about you."));
    EXPECT_EQ(view.consent()->rowText(), "I have read and agree to the terms above");
    EXPECT_EQ(view.agreeButton()->text(), "Agree and Get Started");
    EXPECT_EQ(view.declineNote()->text(), "If you do not agree, you may not use this app. Please delete it.");

    QTest::mouseClick(view.languagePicker()->japaneseSegment(), Qt::LeftButton);
    EXPECT_EQ(defaults.stored("vell.language").toString(), "japanese");
    EXPECT_EQ(view.agreeButton()->text(), "同意して使いはじめる");
}

TEST_F(TermsViewTest, ReadingShowsTheAcceptedVersionAndClosesOnEscapeOrClose) {
    settings.acceptTerms();
    for (AppLanguage language : {AppLanguage::japanese, AppLanguage::english}) {
        settings.setLanguage(language);
        for (bool byEscape : {true, false}) {
            auto dialog = present(WindowDialogKind::terms, false);
            auto* view = bodyOf<TermsView>(*dialog);
            ASSERT_NE(view, nullptr);
            EXPECT_EQ(view->mode(), TermsView::Mode::reading);
            EXPECT_EQ(dialog->size(), TermsView::preferredSize);
            EXPECT_EQ(view->acceptedVersion()->text(),
                      language == AppLanguage::english ? "Accepted version: 1" : "同意した版: 第 1 版");
            if (byEscape)
                QTest::keyClick(view, Qt::Key_Escape);
            else
                QTest::mouseClick(view->closeButton(), Qt::LeftButton);
            EXPECT_FALSE(dialog->isVisible());
        }
    }
}

TEST(FittingLabel, ShrinksToFourFifthsOnOneLineThenCuts) {
    FittingLabel label;
    label.setFont(QFont(label.font().family(), 12));
    label.setText(QStringLiteral("A title that is rather longer than the header leaves room for"));
    const qreal full = label.font().pointSizeF();
    const int natural = label.sizeHint().width();
    const int height = label.sizeHint().height();

    label.resize(natural + 10, height);
    EXPECT_DOUBLE_EQ(label.fittedPointSize(), full);
    label.resize(natural * 9 / 10, height);
    EXPECT_GT(label.fittedPointSize(), full * 0.8);
    EXPECT_LT(label.fittedPointSize(), full);
    label.resize(natural / 2, height);
    EXPECT_DOUBLE_EQ(label.fittedPointSize(), full * 0.8);
    EXPECT_EQ(label.minimumSizeHint().height(), height);
    EXPECT_EQ(label.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
}

} // namespace
} // namespace vell
