#include "AppTestSupport.h"
#include "Screens/HelpView.h"
#include "Screens/ScreenBodies.h"
#include "Screens/TermsView.h"
#include "Stores/UserDefaults.h"
#include "Window/WindowSheet.h"

#include <QPushButton>
#include <QTimer>

namespace vell {
namespace {

using testsupport::press;
using testsupport::settle;
using testsupport::VellAppTest;

// The application with the real screens registered, as it starts.
class ScreenTest : public VellAppTest {
protected:
    ScreenTest() { ScreenBodies::registerAll(); }
    ~ScreenTest() override { ScreenBodies::unregisterAll(); }

    static HelpView* helpOf(MainWindow& window) {
        WindowSheet* sheet = window.rootView().openSheet(WindowSheetKind::help);
        return sheet ? qobject_cast<HelpView*>(sheet->body()) : nullptr;
    }
    static TermsView* gateOf(MainWindow& window) {
        WindowSheet* sheet = window.rootView().openSheet(WindowSheetKind::terms);
        return sheet ? qobject_cast<TermsView*>(sheet->body()) : nullptr;
    }
};

TEST_F(ScreenTest, TheHelpCommandOpensTheHelpInEveryWindowAndEachClosesOnItsOwn) {
    MainWindow& first = open();
    MainWindow& second = open();
    press(second, Qt::Key_Slash, Qt::ControlModifier);
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

TEST_F(ScreenTest, TheGateTakesTheQuitKeysAndQuitsWithNothingAccepted) {
    AppSettings::shared().setAcceptedTermsVersion(0);
    const QVariant storedBefore = UserDefaults::standard()->value("vell.acceptedTermsVersion");
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
    EXPECT_EQ(AppSettings::shared().acceptedTermsVersion(), 0);
    EXPECT_EQ(UserDefaults::standard()->value("vell.acceptedTermsVersion"), storedBefore);
}

} // namespace
} // namespace vell
