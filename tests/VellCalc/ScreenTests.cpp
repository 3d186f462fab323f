#include "AppTestSupport.h"
#include "Dialogs/WindowDialog.h"
#include "Screens/HelpView.h"
#include "Screens/SettingsView.h"
#include "Screens/TermsView.h"
#include "Stores/UserDefaults.h"

#include <QPushButton>
#include <QTimer>

namespace vell {
namespace {

using testsupport::press;
using testsupport::settle;
using testsupport::VellAppTest;

// The application with its screens, as it starts.
class ScreenTest : public VellAppTest {
protected:
    static HelpView* helpOf(MainWindow& window) {
        WindowDialog* dialog = window.rootView().openDialog(WindowDialogKind::help);
        return dialog ? qobject_cast<HelpView*>(dialog->body()) : nullptr;
    }
    static TermsView* gateOf(MainWindow& window) {
        WindowDialog* dialog = window.rootView().openDialog(WindowDialogKind::terms);
        return dialog ? qobject_cast<TermsView*>(dialog->body()) : nullptr;
    }
};

TEST_F(ScreenTest, TheHelpCommandOpensTheHelpOfItsWindowAndEachClosesOnItsOwn) {
    MainWindow& first = open();
    MainWindow& second = open();
    press(second, Qt::Key_Slash, Qt::ControlModifier);
    EXPECT_EQ(helpOf(first), nullptr);
    press(first, Qt::Key_Slash, Qt::ControlModifier);
    HelpView* firstHelp = helpOf(first);
    HelpView* secondHelp = helpOf(second);
    ASSERT_TRUE(firstHelp && secondHelp);
    EXPECT_EQ(firstHelp->window()->size(), HelpView::preferredSize);

    press(*secondHelp->window(), Qt::Key_Escape);
    EXPECT_EQ(helpOf(second), nullptr);
    EXPECT_EQ(helpOf(first), firstHelp);

    QTest::mouseClick(firstHelp->closeButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(helpOf(first), nullptr);
}

// Each screen is its own window in the desktop's window list, named as its header names it, and
// stands centred over the window it belongs to: at the first opening as at every later one.
TEST_F(ScreenTest, EachScreenIsTitledAndCentredOverItsWindowEveryTime) {
    struct Case {
        AppLanguage language;
        QString settings, help, terms;
    };
    const Case cases[] = {
        {AppLanguage::english, "Settings", "How to Use Vell", "Before You Begin"},
        {AppLanguage::japanese, "設定", "Vell の使い方", "ご利用の前に"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.terms.toStdString());
        settings().setLanguage(c.language);
        settings().setAcceptedTermsVersion(0);
        MainWindow& window = open();
        window.move(130, 90);
        settle();
        const auto expectCentred = [](const QWidget& dialog, const QWidget& over) {
            EXPECT_LE((dialog.geometry().center() - over.geometry().center()).manhattanLength(), 1)
                << "dialog at " << dialog.geometry().x() << "," << dialog.geometry().y() << " over "
                << over.geometry().x() << "," << over.geometry().y();
        };

        WindowDialog* gate = window.rootView().openDialog(WindowDialogKind::terms);
        ASSERT_NE(gate, nullptr);
        EXPECT_EQ(gate->windowTitle(), c.terms);
        expectCentred(*gate, window);
        // It keeps to its window when the window moves.
        window.move(180, 60);
        settle();
        expectCentred(*gate, window);
        settings().setAcceptedTermsVersion(1);
        settle();

        for (int opening = 0; opening < 2; ++opening) {
            window.rootView().openSettings();
            settle();
            WindowDialog* settings = window.rootView().openDialog(WindowDialogKind::settings);
            ASSERT_NE(settings, nullptr);
            EXPECT_EQ(settings->windowTitle(), c.settings);
            expectCentred(*settings, window);

            auto* view = qobject_cast<SettingsView*>(settings->body());
            ASSERT_NE(view, nullptr);
            view->openTerms();
            settle();
            WindowDialog* terms = view->openScreen(WindowDialogKind::terms);
            ASSERT_NE(terms, nullptr);
            EXPECT_EQ(terms->windowTitle(), c.terms);
            expectCentred(*terms, *settings);
            terms->dismiss();
            settle();

            settings->dismiss();
            settle();
            press(window, Qt::Key_Slash, Qt::ControlModifier);
            WindowDialog* help = window.rootView().openDialog(WindowDialogKind::help);
            ASSERT_NE(help, nullptr);
            EXPECT_EQ(help->windowTitle(), c.help);
            expectCentred(*help, window);
            help->dismiss();
            settle();
        }
        window.close();
        settle();
    }
}

// The title follows the language while the screen is open.
TEST_F(ScreenTest, AScreensTitleFollowsTheLanguage) {
    MainWindow& window = open();
    window.rootView().openSettings();
    settle();
    WindowDialog* screen = window.rootView().openDialog(WindowDialogKind::settings);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->windowTitle(), "Settings");
    settings().setLanguage(AppLanguage::japanese);
    settle();
    EXPECT_EQ(screen->windowTitle(), "設定");
}

TEST_F(ScreenTest, TheGateTakesTheQuitKeysAndQuitsWithNothingAccepted) {
    settings().setAcceptedTermsVersion(0);
    const QVariant storedBefore = defaults.stored("vell.acceptedTermsVersion");
    MainWindow& window = open();
    settle();
    TermsView* gate = gateOf(window);
    ASSERT_NE(gate, nullptr);
    QWidget* dialog = gate->window();
    QTimer::singleShot(0, dialog, [dialog] {
        dialog->activateWindow();
        QTest::keyClick(dialog, Qt::Key_Q, Qt::ControlModifier);
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(settings().acceptedTermsVersion(), 0);
    EXPECT_EQ(defaults.stored("vell.acceptedTermsVersion"), storedBefore);
}

} // namespace
} // namespace vell
