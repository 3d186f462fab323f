#include "Dialogs/WindowDialog.h"
#include "Window/RootView.h"
#include "Window/WindowTestSupport.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace vell {
namespace {

using testsupport::TestContext;

struct SheetWindow {
    // Given its dialog bodies before it first shows, as the application gives them.
    explicit SheetWindow(const AppContext& app, DialogBodyFactory bodies = {})
        : session(app.store, app.evaluations), root(app, session) {
        root.setDialogBodies(std::move(bodies));
        root.resize(900, 640);
        root.show();
        settle();
    }
    static void settle() {
        for (int turn = 0; turn < 3; ++turn)
            QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    SheetSession session;
    RootView root;
};

// Makes a stand-in body of every kind and remembers what each was made with.
struct TestBodies {
    DialogBodyFactory factory() {
        return [this](WindowDialogKind kind, const WindowDialogContext& context) {
            made.push_back({kind, &context.session, context.isGate});
            return new QLabel(QStringLiteral("body"));
        };
    }

    struct Made {
        WindowDialogKind kind;
        SheetSession* session;
        bool isGate;
    };
    std::vector<Made> made;
};

class WindowDialogTest : public ::testing::Test {
protected:
    TestContext context;
    DocumentStore& store = context.store();
};

TEST_F(WindowDialogTest, NothingOpensWithoutDialogBodies) {
    context.settings().setAcceptedTermsVersion(0);
    SheetWindow window(context.app());
    window.root.openHelp();
    window.root.openSettings();
    SheetWindow::settle();
    for (WindowDialogKind kind :
         {WindowDialogKind::settings, WindowDialogKind::help, WindowDialogKind::terms})
        EXPECT_EQ(window.root.openDialog(kind), nullptr);
}

TEST_F(WindowDialogTest, EachKindOpensWindowModalAtItsSizeOverItsOwnWindow) {
    TestBodies bodies;
    SheetWindow first(context.app(), bodies.factory());
    SheetWindow second(context.app(), bodies.factory());
    first.root.openHelp();
    second.root.openSettings();

    WindowDialog* help = first.root.openDialog(WindowDialogKind::help);
    WindowDialog* settings = second.root.openDialog(WindowDialogKind::settings);
    ASSERT_NE(help, nullptr);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(first.root.openDialog(WindowDialogKind::settings), nullptr);
    EXPECT_EQ(second.root.openDialog(WindowDialogKind::help), nullptr);
    EXPECT_EQ(help->windowModality(), Qt::WindowModal);
    EXPECT_EQ(help->parentWidget(), first.root.window());
    EXPECT_EQ(help->size(), QSize(660, 580));
    EXPECT_EQ(settings->size(), QSize(460, 560));
    ASSERT_EQ(bodies.made.size(), 2u);
    EXPECT_EQ(bodies.made[0].session, &first.session);
    EXPECT_EQ(bodies.made[1].session, &second.session);

    // A second request while it is open makes no second body.
    first.root.openHelp();
    EXPECT_EQ(bodies.made.size(), 2u);

    QPointer<QWidget> body = help->body();
    QTest::keyClick(help, Qt::Key_Escape);
    SheetWindow::settle();
    EXPECT_EQ(first.root.openDialog(WindowDialogKind::help), nullptr);
    EXPECT_TRUE(body.isNull());
    EXPECT_NE(second.root.openDialog(WindowDialogKind::settings), nullptr);
}

TEST_F(WindowDialogTest, EachWindowOpensAndClosesItsOwnHelp) {
    TestBodies bodies;
    SheetWindow first(context.app(), bodies.factory());
    SheetWindow second(context.app(), bodies.factory());
    first.root.openHelp();
    second.root.openHelp();
    EXPECT_NE(first.root.openDialog(WindowDialogKind::help), nullptr);
    EXPECT_NE(second.root.openDialog(WindowDialogKind::help), nullptr);

    first.root.openDialog(WindowDialogKind::help)->reject();
    EXPECT_EQ(first.root.openDialog(WindowDialogKind::help), nullptr);
    EXPECT_NE(second.root.openDialog(WindowDialogKind::help), nullptr);
}

TEST_F(WindowDialogTest, TheTermsGateStandsInEveryWindowUntilTheCurrentTermsAreAccepted) {
    TestBodies bodies;
    struct Case {
        std::int64_t accepted;
        bool gate;
    };
    for (const Case& c : {Case{0, true}, Case{-1, true}, Case{1, false}, Case{2, false}}) {
        SCOPED_TRACE(c.accepted);
        context.settings().setAcceptedTermsVersion(c.accepted);
        SheetWindow first(context.app(), bodies.factory());
        SheetWindow second(context.app(), bodies.factory());
        EXPECT_EQ(first.root.openDialog(WindowDialogKind::terms) != nullptr, c.gate);
        EXPECT_EQ(second.root.openDialog(WindowDialogKind::terms) != nullptr, c.gate);
    }
}

TEST_F(WindowDialogTest, TheGateStaysThroughEscapeAndCloseAndGoesFromEveryWindowOnceAccepted) {
    TestBodies bodies;
    context.settings().setAcceptedTermsVersion(0);
    SheetWindow first(context.app(), bodies.factory());
    WindowDialog* gate = first.root.openDialog(WindowDialogKind::terms);
    ASSERT_NE(gate, nullptr);
    EXPECT_TRUE(bodies.made.back().isGate);
    EXPECT_FALSE(gate->dismissable());

    // What declining means is the body's business; the dialog only stays and says so.
    QSignalSpy declined(gate, &WindowDialog::declined);
    QTest::keyClick(gate, Qt::Key_Escape);
    gate->reject();
    gate->close();
    SheetWindow::settle();
    EXPECT_EQ(first.root.openDialog(WindowDialogKind::terms), gate);
    EXPECT_EQ(declined.count(), 3);

    // A window opened later gets the gate too.
    SheetWindow second(context.app(), bodies.factory());
    ASSERT_NE(second.root.openDialog(WindowDialogKind::terms), nullptr);

    context.settings().acceptTerms();
    SheetWindow::settle();
    EXPECT_EQ(first.root.openDialog(WindowDialogKind::terms), nullptr);
    EXPECT_EQ(second.root.openDialog(WindowDialogKind::terms), nullptr);
}

TEST_F(WindowDialogTest, HelpIsAnOrdinaryDialogEvenWhileTheGateStands) {
    TestBodies bodies;
    context.settings().setAcceptedTermsVersion(0);
    SheetWindow window(context.app(), bodies.factory());
    window.root.openHelp();
    WindowDialog* help = window.root.openDialog(WindowDialogKind::help);
    ASSERT_NE(help, nullptr);
    EXPECT_FALSE(bodies.made.back().isGate);
    help->reject();
    EXPECT_EQ(window.root.openDialog(WindowDialogKind::help), nullptr);
    EXPECT_NE(window.root.openDialog(WindowDialogKind::terms), nullptr);
}

} // namespace
} // namespace vell
