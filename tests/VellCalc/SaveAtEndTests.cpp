// Ending the run never throws the document away. While it cannot be saved, Quit and closing the last
// window ask (Try Again, Quit Without Saving, Cancel), as a session's end does where it may; a quit signal,
// or an end where no one can be asked, puts it in the rescue place and ends with a status that says so;
// the next start takes it back. The data folder's writes fail here because its folder is a regular file.

#include "AppTestSupport.h"
#include "Dialogs/NoticeBar.h"
#include "Dialogs/PromptDialog.h"
#include "QuitQuestion.h"
#include "Stores/RescueCopy.h"
#include "Stores/StorageNotices.h"
#include "Support/Files.h"
#include "Support/WarningLog.h"
#include "Window/StorageNoticeList.h"

#include <QPushButton>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <memory>

namespace vell {
namespace {

using testsupport::press;
using testsupport::settle;
using testsupport::typeAtEnd;
using testsupport::VellAppTest;
using testsupport::WarningLog;
using Role = PromptDialog::Role;

// Stands in for the session manager.
struct FakeSessionEnd final : SessionEnd {
    bool interaction = true;
    int asked = 0;
    bool released = false;
    bool cancelled = false;

    bool allowsInteraction() override {
        ++asked;
        return interaction;
    }
    void release() override { released = true; }
    void cancel() override { cancelled = true; }
};

class SaveAtEndTest : public VellAppTest {
protected:
    explicit SaveAtEndTest(AppLanguage language = AppLanguage::english) : VellAppTest(language) {}

    // From now on every write of the document fails, until unblock().
    void block() {
        QDir(blocker()).removeRecursively();
        testsupport::writeFile(blocker(), "in the way");
    }
    void unblock() { ASSERT_TRUE(QFile::remove(blocker())); }
    QString blocker() const { return folder.filePath("Vell"); }

    // The question open over the window, if any.
    static PromptDialog* question(MainWindow& window) {
        for (PromptDialog* dialog : window.findChildren<PromptDialog*>())
            if (dialog->isVisible()) return dialog;
        return nullptr;
    }
    static QPushButton* button(PromptDialog& dialog, Role role) {
        for (QPushButton* each : dialog.buttons())
            if (dialog.roleOf(each) == role) return each;
        return nullptr;
    }
    static void answer(MainWindow& window, Role role) {
        PromptDialog* dialog = question(window);
        ASSERT_NE(dialog, nullptr) << "no question";
        button(*dialog, role)->click();
        settle();
    }

    // Runs the steps on the application's event loop, each a moment after the one before; the exit status
    // of the loop, 9 when no step ended it.
    int run(std::vector<std::function<void()>> steps) {
        QObject context;
        std::size_t next = 0;
        std::function<void()> step = [&] {
            if (next == steps.size()) return QCoreApplication::exit(9);
            steps[next++]();
            QTimer::singleShot(50, &context, step);
        };
        QTimer::singleShot(0, &context, step);
        QTimer::singleShot(30000, &context, [] { QCoreApplication::exit(7); });
        return QApplication::exec();
    }

    std::vector<VellDocument> rescued() const {
        std::vector<VellDocument> documents;
        for (const RescueCopy::Found& copy : RescueCopy(storagePath, rescueRoots()).find())
            documents.push_back(VellDocument::decode(copy.bytes.toStdString()));
        return documents;
    }
    static bool holds(const VellDocument& document, const std::string& text) {
        for (const Sheet& sheet : document.sheets)
            if (sheet.text.find(text) != std::string::npos) return true;
        return false;
    }
    // The next start on the same folders; the search for rescue copies done.
    void startAgain() {
        app.reset();
        app = std::make_unique<VellApp>(storagePath, defaults.open(), rescueRoots());
        QThreadPool::globalInstance()->waitForDone();
        settle();
    }
};

TEST_F(SaveAtEndTest, QuitWhileSavesFailAsksAndTryAgainEndsOnceTheDocumentIsOnDisk) {
    MainWindow& window = open();
    block();
    const int status = run({
        [&] { typeAtEnd(window, "\n1 typed while the disk is full"); },
        [&] {
            // Every window says so while it lasts, with the cause.
            const NoticeBar& notice = window.rootView().storageNotices()->notice(StorageNotices::Topic::save);
            EXPECT_TRUE(QTest::qWaitFor([&] { return notice.isVisible(); }, 3000));
            EXPECT_TRUE(notice.text().contains("Not a directory")) << notice.text().toStdString();
            press(window, Qt::Key_Q, Qt::ControlModifier);
        },
        [&] {
            PromptDialog* dialog = question(window);
            ASSERT_NE(dialog, nullptr) << "quitting asks";
            EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
            EXPECT_EQ(dialog->title(), "Your Document Could Not Be Saved");
            EXPECT_EQ(
                dialog->message(),
                "Vell could not save your latest changes: Not a directory. Make room or remove the cause, "
                "then choose Try Again. If you quit without saving, Vell tries to keep a copy in a "
                "temporary folder and brings it back the next time it starts.");
            ASSERT_EQ(dialog->buttons().size(), 3u);
            EXPECT_EQ(button(*dialog, Role::accept)->text(), "Try Again");
            EXPECT_TRUE(button(*dialog, Role::accept)->isDefault());
            EXPECT_EQ(button(*dialog, Role::destructive)->text(), "Quit Without Saving");
            EXPECT_EQ(button(*dialog, Role::cancel)->text(), "Cancel");
            // Still no room: asked again.
            answer(window, Role::accept);
        },
        [&] {
            EXPECT_NE(question(window), nullptr) << "asked again while it still fails";
            EXPECT_TRUE(window.isVisible());
            unblock();
            answer(window, Role::accept);
        },
    });
    EXPECT_EQ(status, 0) << "saved, then ended";
    EXPECT_NE(fileContents().find("1 typed while the disk is full"), std::string::npos);
    EXPECT_EQ(app->exitStatus(), 0);
    EXPECT_TRUE(rescued().empty());
}

TEST_F(SaveAtEndTest, QuitWithoutSavingKeepsTheDocumentInTheRescuePlaceAndTheNextStartTakesItBack) {
    MainWindow& window = open();
    block();
    WarningLog log;
    const int status = run({
        [&] { typeAtEnd(window, "\n2 typed before quitting"); },
        [&] { press(window, Qt::Key_Q, Qt::ControlModifier); },
        [&] { answer(window, Role::destructive); },
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(app->exitStatus(), VellApp::keptInRescueCopy);
    ASSERT_EQ(rescued().size(), 1u);
    EXPECT_TRUE(holds(rescued().front(), "2 typed before quitting"));
    const auto said =
        std::find_if(WarningLog::lines().begin(), WarningLog::lines().end(), [](const QString& line) {
            return line.startsWith("Vell: The document could not be saved, so a copy was kept in ");
        });
    EXPECT_NE(said, WarningLog::lines().end()) << "the place is logged";

    unblock();
    startAgain();
    EXPECT_TRUE(holds(store().document(), "2 typed before quitting"));
    MainWindow& next = open();
    const NoticeBar& notice = next.rootView().storageNotices()->notice(StorageNotices::Topic::recovered);
    EXPECT_TRUE(notice.isVisible());
    EXPECT_TRUE(notice.text().startsWith("Vell could not save your document when it last ended"));
    saver().finishWrites();
    EXPECT_NE(fileContents().find("2 typed before quitting"), std::string::npos);
    EXPECT_TRUE(rescued().empty()) << "gone once the document holding it is on disk";
}

TEST_F(SaveAtEndTest, CancelKeepsTheRunAndClosingTheLastWindowAsksTheSame) {
    MainWindow& first = open();
    const QPointer<MainWindow> second = &open();
    block();
    const int status = run({
        [&] { typeAtEnd(*second, "\n3 typed"); },
        // Not the last window: the document stays in the one left.
        [&] { press(*second, Qt::Key_W, Qt::ControlModifier); },
        [&] {
            EXPECT_TRUE(!second || !second->isVisible()) << "closed without a question";
            press(first, Qt::Key_W, Qt::ControlModifier);
        },
        [&] {
            EXPECT_TRUE(first.isVisible()) << "the last window stays while it asks";
            answer(first, Role::cancel);
        },
        [&] {
            EXPECT_TRUE(first.isVisible());
            EXPECT_EQ(question(first), nullptr);
            press(first, Qt::Key_Q, Qt::ControlModifier);
        },
        [&] { answer(first, Role::cancel); },
        [&] {
            EXPECT_TRUE(first.isVisible());
            EXPECT_TRUE(rescued().empty());
        },
    });
    EXPECT_EQ(status, 9) << "the run went on after each Cancel";
}

// A quit signal asks nobody: the document goes to the rescue place, the place is logged, and the exit
// status is not 0.
TEST_F(SaveAtEndTest, AQuitSignalKeepsTheDocumentInTheRescuePlaceWithoutAsking) {
    MainWindow& window = open();
    block();
    const int status = run({
        [&] { typeAtEnd(window, "\n4 typed before the signal"); },
        [&] { app->endWithoutAsking(); },
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(app->exitStatus(), VellApp::keptInRescueCopy);
    ASSERT_EQ(rescued().size(), 1u);
    EXPECT_TRUE(holds(rescued().front(), "4 typed before the signal"));

    // Nowhere to keep it: that is said too.
    rescueRoot.remove();
    startAgain();
    MainWindow& next = open();
    const int second = run({
        [&] { typeAtEnd(next, "\n5 typed"); },
        [&] { app->endWithoutAsking(); },
    });
    EXPECT_EQ(second, 0);
    EXPECT_EQ(app->exitStatus(), VellApp::notKept);
}

TEST_F(SaveAtEndTest, ASessionEndAsksWhereTheSessionAllowsIt) {
    MainWindow& window = open();
    block();
    typeAtEnd(window, "\n6 typed before the logout");
    saver().saveAndWait();

    // Cancel: the session does not end.
    FakeSessionEnd cancelled;
    QTimer::singleShot(100, [&] { answer(window, Role::cancel); });
    app->commitData(cancelled);
    EXPECT_EQ(cancelled.asked, 1);
    EXPECT_TRUE(cancelled.released);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(rescued().empty());

    // Quit Without Saving: the session goes on ending, the document in the rescue place.
    FakeSessionEnd ending;
    QTimer::singleShot(100, [&] { answer(window, Role::destructive); });
    app->commitData(ending);
    EXPECT_TRUE(ending.released);
    EXPECT_FALSE(ending.cancelled);
    ASSERT_EQ(rescued().size(), 1u);
    EXPECT_TRUE(holds(rescued().front(), "6 typed before the logout"));
    EXPECT_EQ(app->exitStatus(), VellApp::keptInRescueCopy);

    // Try Again once there is room: saved, and the session ends.
    typeAtEnd(window, "\n7 typed");
    FakeSessionEnd saved;
    QTimer::singleShot(100, [&] {
        unblock();
        answer(window, Role::accept);
    });
    app->commitData(saved);
    EXPECT_FALSE(saved.cancelled);
    EXPECT_NE(fileContents().find("7 typed"), std::string::npos);
}

TEST_F(SaveAtEndTest, ASessionEndThatMayNotAskKeepsTheDocumentInTheRescuePlace) {
    MainWindow& window = open();
    block();
    typeAtEnd(window, "\n8 typed before the logout");
    FakeSessionEnd session;
    session.interaction = false;
    app->commitData(session);
    EXPECT_EQ(question(window), nullptr);
    EXPECT_FALSE(session.cancelled);
    ASSERT_EQ(rescued().size(), 1u);
    EXPECT_TRUE(holds(rescued().front(), "8 typed before the logout"));
    EXPECT_FALSE(app->windows().empty()) << "the session manager, not Vell, ends the run";
}

// Space may have come back while the user was elsewhere: activating a window tries again at once.
TEST_F(SaveAtEndTest, ActivatingAWindowTriesAgainAtOnce) {
    MainWindow& first = open();
    MainWindow& second = open();
    block();
    typeAtEnd(second, "\n9 typed");
    ASSERT_TRUE(QTest::qWaitFor([&] { return saver().saveFailure().has_value(); }, 3000));
    unblock();
    testsupport::activate(first);
    saver().finishWrites();
    EXPECT_NE(fileContents().find("9 typed"), std::string::npos) << "not 2 s later, at once";
    EXPECT_TRUE(saver().isOnDisk());
}

class SaveAtEndJapaneseTest : public SaveAtEndTest {
protected:
    SaveAtEndJapaneseTest() : SaveAtEndTest(AppLanguage::japanese) {}
};

TEST_F(SaveAtEndJapaneseTest, TheQuestionSpeaksTheInterfaceLanguage) {
    MainWindow& window = open();
    block();
    const int status = run({
        [&] { typeAtEnd(window, "\n1"); },
        [&] { press(window, Qt::Key_Q, Qt::ControlModifier); },
        [&] {
            PromptDialog* dialog = question(window);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->title(), "書類を保存できませんでした");
            EXPECT_TRUE(dialog->message().startsWith("最新の変更を保存できませんでした（Not a directory）。"))
                << dialog->message().toStdString();
            EXPECT_EQ(button(*dialog, Role::accept)->text(), "再試行");
            EXPECT_EQ(button(*dialog, Role::destructive)->text(), "保存せずに終了");
            EXPECT_EQ(button(*dialog, Role::cancel)->text(), "キャンセル");
            answer(window, Role::cancel);
        },
    });
    EXPECT_EQ(status, 9);
}

} // namespace
} // namespace vell
