// Every window shows what the store says about saving and syncing, each topic in a notice of its own
// across the top, for as long as it stands; news the user dismisses in one window goes in all.

#include "Dialogs/NoticeBar.h"
#include "Stores/StorageNotices.h"
#include "Window/RootView.h"
#include "Window/SheetColumn.h"
#include "Window/StorageNoticeList.h"
#include "Window/WindowTestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QMainWindow>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace vell {
namespace {

using Topic = StorageNotices::Topic;
using testsupport::TestContext;

// A root view in a main window, as the application shows it.
struct NoticeWindow {
    explicit NoticeWindow(const AppContext& app)
        : session(app.store, app.evaluations), root(*new RootView(app, session)) {
        window.setCentralWidget(&root);
        window.resize(1040, 820);
        window.show();
        QApplication::processEvents();
    }
    NoticeBar& notice(Topic topic) const { return root.storageNotices()->notice(topic); }

    SheetSession session;
    QMainWindow window;
    RootView& root;
};

class StorageNoticeTest : public ::testing::Test {
protected:
    TestContext context;
    StorageNotices& notices = context.saver().notices();
};

TEST_F(StorageNoticeTest, EveryWindowShowsEveryTopicWhileItStands) {
    NoticeWindow first(context.app());
    notices.set(Topic::save, "Your latest changes are not saved: No space left on device.");
    NoticeWindow second(context.app());
    notices.set(Topic::sync, "The shared copy in /srv/sync cannot be used.");
    QApplication::processEvents();

    for (const NoticeWindow* window : {&first, &second}) {
        EXPECT_TRUE(window->notice(Topic::save).isVisible());
        EXPECT_EQ(window->notice(Topic::save).text(),
                  "Your latest changes are not saved: No space left on device.");
        EXPECT_EQ(window->notice(Topic::save).kind(), NoticeBar::Kind::warning);
        EXPECT_TRUE(window->notice(Topic::sync).isVisible());
        EXPECT_EQ(window->notice(Topic::sync).text(), "The shared copy in /srv/sync cannot be used.");
        EXPECT_FALSE(window->notice(Topic::recovered).isVisible());
        // Above the sheet, which keeps the rest of the window.
        EXPECT_LE(window->notice(Topic::sync).mapTo(&window->root, QPoint(0, 0)).y() +
                      window->notice(Topic::sync).height(),
                  window->root.column()->mapTo(&window->root, QPoint(0, 0)).y());
        // No taller than its text needs: the sheet keeps the rest.
        EXPECT_LE(window->notice(Topic::save).height(),
                  window->notice(Topic::save).heightForWidth(window->notice(Topic::save).width()));
        QAccessibleInterface* said = QAccessible::queryAccessibleInterface(&window->notice(Topic::save));
        EXPECT_EQ(said->text(QAccessible::Name), window->notice(Topic::save).text());
    }

    notices.clear(Topic::save);
    notices.clear(Topic::sync);
    QApplication::processEvents();
    for (const NoticeWindow* window : {&first, &second}) {
        EXPECT_FALSE(window->notice(Topic::save).isVisible());
        EXPECT_FALSE(window->root.storageNotices()->isVisible()) << "no room taken with nothing to say";
    }
}

TEST_F(StorageNoticeTest, NewsDismissedInOneWindowGoesInAll) {
    NoticeWindow first(context.app());
    NoticeWindow second(context.app());
    notices.set(Topic::recovered, "A copy kept when Vell could not save is back in the document.");
    QApplication::processEvents();
    ASSERT_TRUE(second.notice(Topic::recovered).isVisible());
    EXPECT_EQ(second.notice(Topic::recovered).kind(), NoticeBar::Kind::information);
    ASSERT_TRUE(first.notice(Topic::recovered).dismissButton()->isVisible());
    EXPECT_FALSE(first.notice(Topic::save).dismissButton()->isVisible())
        << "a problem stays until it is over";

    QTest::mouseClick(first.notice(Topic::recovered).dismissButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(notices.message(Topic::recovered));
    EXPECT_FALSE(first.notice(Topic::recovered).isVisible());
    EXPECT_FALSE(second.notice(Topic::recovered).isVisible());
}

} // namespace
} // namespace vell
