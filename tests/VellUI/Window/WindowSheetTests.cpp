#include "Window/RootView.h"
#include "Window/WindowSheet.h"
#include "Window/WindowTestSupport.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace vell {
namespace {

using testsupport::TestContext;

struct SheetWindow {
    explicit SheetWindow(const AppContext& app) : session(app.store), root(app, session) {
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

// Registers a body for every kind for as long as it lives, and remembers what each was made with.
struct TestBodies {
    TestBodies() {
        for (WindowSheetKind kind :
             {WindowSheetKind::settings, WindowSheetKind::help, WindowSheetKind::terms}) {
            WindowSheets::registerBody(kind, [this, kind](const WindowSheetContext& context) {
                made.push_back({kind, &context.session, context.isGate});
                return new QLabel(QStringLiteral("body"));
            });
        }
    }
    ~TestBodies() {
        for (WindowSheetKind kind :
             {WindowSheetKind::settings, WindowSheetKind::help, WindowSheetKind::terms})
            WindowSheets::registerBody(kind, {});
    }

    struct Made {
        WindowSheetKind kind;
        SheetSession* session;
        bool isGate;
    };
    std::vector<Made> made;
};

class WindowSheetTest : public ::testing::Test {
protected:
    TestContext context;
    DocumentStore& store = context.store();
};

TEST_F(WindowSheetTest, NothingOpensWithoutARegisteredBody) {
    context.settings().setAcceptedTermsVersion(0);
    SheetWindow window(context.app());
    window.root.openHelp();
    window.root.openSettings();
    SheetWindow::settle();
    for (WindowSheetKind kind : {WindowSheetKind::settings, WindowSheetKind::help, WindowSheetKind::terms})
        EXPECT_EQ(window.root.openSheet(kind), nullptr);
}

TEST_F(WindowSheetTest, EachKindOpensWindowModalAtItsSizeOverItsOwnWindow) {
    TestBodies bodies;
    SheetWindow first(context.app());
    SheetWindow second(context.app());
    first.root.openHelp();
    second.root.openSettings();

    WindowSheet* help = first.root.openSheet(WindowSheetKind::help);
    WindowSheet* settings = second.root.openSheet(WindowSheetKind::settings);
    ASSERT_NE(help, nullptr);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(first.root.openSheet(WindowSheetKind::settings), nullptr);
    EXPECT_EQ(second.root.openSheet(WindowSheetKind::help), nullptr);
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
    EXPECT_EQ(first.root.openSheet(WindowSheetKind::help), nullptr);
    EXPECT_TRUE(body.isNull());
    EXPECT_NE(second.root.openSheet(WindowSheetKind::settings), nullptr);
}

TEST_F(WindowSheetTest, EachWindowOpensAndClosesItsOwnHelp) {
    TestBodies bodies;
    SheetWindow first(context.app());
    SheetWindow second(context.app());
    first.root.openHelp();
    second.root.openHelp();
    EXPECT_NE(first.root.openSheet(WindowSheetKind::help), nullptr);
    EXPECT_NE(second.root.openSheet(WindowSheetKind::help), nullptr);

    first.root.openSheet(WindowSheetKind::help)->reject();
    EXPECT_EQ(first.root.openSheet(WindowSheetKind::help), nullptr);
    EXPECT_NE(second.root.openSheet(WindowSheetKind::help), nullptr);
}

TEST_F(WindowSheetTest, TheTermsGateStandsInEveryWindowUntilTheCurrentTermsAreAccepted) {
    TestBodies bodies;
    struct Case {
        std::int64_t accepted;
        bool gate;
    };
    for (const Case& c : {Case{0, true}, Case{-1, true}, Case{1, false}, Case{2, false}}) {
        SCOPED_TRACE(c.accepted);
        context.settings().setAcceptedTermsVersion(c.accepted);
        SheetWindow first(context.app());
        SheetWindow second(context.app());
        EXPECT_EQ(first.root.openSheet(WindowSheetKind::terms) != nullptr, c.gate);
        EXPECT_EQ(second.root.openSheet(WindowSheetKind::terms) != nullptr, c.gate);
    }
}

TEST_F(WindowSheetTest, TheGateIgnoresEscapeAndCloseAndGoesFromEveryWindowOnceAccepted) {
    TestBodies bodies;
    context.settings().setAcceptedTermsVersion(0);
    SheetWindow first(context.app());
    WindowSheet* gate = first.root.openSheet(WindowSheetKind::terms);
    ASSERT_NE(gate, nullptr);
    EXPECT_TRUE(bodies.made.back().isGate);
    EXPECT_FALSE(gate->dismissable());

    QTest::keyClick(gate, Qt::Key_Escape);
    gate->reject();
    gate->close();
    SheetWindow::settle();
    EXPECT_EQ(first.root.openSheet(WindowSheetKind::terms), gate);

    // A window opened later gets the gate too.
    SheetWindow second(context.app());
    ASSERT_NE(second.root.openSheet(WindowSheetKind::terms), nullptr);

    context.settings().acceptTerms();
    SheetWindow::settle();
    EXPECT_EQ(first.root.openSheet(WindowSheetKind::terms), nullptr);
    EXPECT_EQ(second.root.openSheet(WindowSheetKind::terms), nullptr);
}

TEST_F(WindowSheetTest, HelpIsAnOrdinaryDialogEvenWhileTheGateStands) {
    TestBodies bodies;
    context.settings().setAcceptedTermsVersion(0);
    SheetWindow window(context.app());
    window.root.openHelp();
    WindowSheet* help = window.root.openSheet(WindowSheetKind::help);
    ASSERT_NE(help, nullptr);
    EXPECT_FALSE(bodies.made.back().isGate);
    help->reject();
    EXPECT_EQ(window.root.openSheet(WindowSheetKind::help), nullptr);
    EXPECT_NE(window.root.openSheet(WindowSheetKind::terms), nullptr);
}

} // namespace
} // namespace vell
