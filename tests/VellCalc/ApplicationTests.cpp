#include "AppTestSupport.h"
#include "DesktopIdentity.h"
#include "Dialogs/WindowDialog.h"
#include "Launch.h"
#include "QuitSignals.h"
#include "SingleInstance.h"
#include "StartupProbe.h"

#include <QProcess>
#include <QSessionManager>
#include <QSignalSpy>
#include <QTimer>
#include <csignal>
#include <cstddef>

namespace vell {
namespace {

using testsupport::press;
using testsupport::settle;
using testsupport::typeAtEnd;
using testsupport::VellAppTest;

class ApplicationTest : public VellAppTest {};

TEST_F(ApplicationTest, ClosingTheLastWindowEndsTheRunWithWhatWasJustTypedSaved) {
    MainWindow& window = open();
    QTimer::singleShot(0, [&] {
        typeAtEnd(window, "\n1234 typed");
        QTimer::singleShot(100, [&] { press(window, Qt::Key_W, Qt::ControlModifier); });
    });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(app->windows().empty());
    EXPECT_NE(fileContents().find("1,234 typed"), std::string::npos);
}

TEST_F(ApplicationTest, QuitEndsTheRunWithEveryWindowOpen) {
    MainWindow& first = open();
    open();
    QTimer::singleShot(0, [&] {
        store().setText(*store().currentSheetID(), "quit at once");
        press(first, Qt::Key_Q, Qt::ControlModifier);
    });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_NE(fileContents().find("quit at once"), std::string::npos);
}

TEST_F(ApplicationTest, QuitEndsTheRunWhileTheTermsGateStands) {
    settings().setAcceptedTermsVersion(0);
    MainWindow& window = open();
    settle();
    ASSERT_NE(window.rootView().openDialog(WindowDialogKind::terms), nullptr);
    // The gate refuses to close, which must not keep the application from quitting.
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    QTimer::singleShot(3000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(ApplicationTest, TurningInactiveWritesAPendingSaveAtOnce) {
    open();
    store().setText(*store().currentSheetID(), "pending when the focus went elsewhere");
    EXPECT_EQ(fileContents().find("pending when"), std::string::npos);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    // Asked for at once; the write runs in the background.
    saver().finishWrites();
    EXPECT_NE(fileContents().find("pending when"), std::string::npos);
}

TEST_F(ApplicationTest, ALogoutWritesAPendingSaveBeforeTheSessionEnds) {
    open();
    store().setText(*store().currentSheetID(), "pending at logout");
    EXPECT_EQ(fileContents().find("pending at logout"), std::string::npos);
    // The session manager's request, as the platform sends it; a real manager cannot be made here, and
    // the handler does not look at it.
    alignas(QSessionManager) std::byte manager[sizeof(QSessionManager)] = {};
    ASSERT_TRUE(QMetaObject::invokeMethod(qApp, "commitDataRequest", Qt::DirectConnection,
                                          QGenericArgument("QSessionManager&", manager)));
    EXPECT_NE(fileContents().find("pending at logout"), std::string::npos);
    EXPECT_FALSE(app->windows().empty()); // the session manager, not Vell, ends the run
}

TEST_F(ApplicationTest, WindowsCarryTheDesktopEntrysNameAndTheIconAtEverySize) {
    DesktopIdentity::apply();
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("app.vell.Vell"));
    MainWindow& window = open();
    const QList<QSize> sizes = window.windowIcon().availableSizes();
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    // Drawn for Vell, not a blank: the middle of the tile is opaque.
    const QImage small = window.windowIcon().pixmap(QSize(16, 16)).toImage();
    ASSERT_EQ(small.size(), QSize(16, 16));
    EXPECT_EQ(small.pixelColor(8, 8).alpha(), 255);
    EXPECT_EQ(small.pixelColor(0, 0).alpha(), 0);
}

TEST(QuitSignals, ASignalReachesTheMainThreadAsACall) {
    int calls = 0;
    {
        const QuitSignals signalsToQuit([&calls] { ++calls; });
        ASSERT_TRUE(signalsToQuit.installed());
        std::raise(SIGHUP);
        std::raise(SIGTERM);
        EXPECT_TRUE(QTest::qWaitFor([&calls] { return calls > 0; }, 2000));
    }
    EXPECT_GE(calls, 1);
}

TEST(SingleInstance, ANameLeftByAVellThatIsGoneIsTakenOver) {
    QTemporaryDir folder;
    const QString name = SingleInstance::serverName(folder.filePath("Vell/document.json")).value();
    QFile leftover(name);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();

    EXPECT_FALSE(SingleInstance::requestWindow(name, 500));
    SingleInstance first;
    ASSERT_EQ(first.listen(name), SingleInstance::Listening::started);
    QSignalSpy requests(&first, &SingleInstance::windowRequested);

    // A name held by a running Vell is not taken; asking it for a window is left to a second process
    // (ProgramTest), since the answer comes from this thread's event loop.
    SingleInstance second;
    EXPECT_EQ(second.listen(name), SingleInstance::Listening::heldByAnother);
    settle();
    EXPECT_EQ(requests.count(), 0);
}

TEST(SingleInstance, AVellThatHoldsTheDocumentButDoesNotAnswerKeepsASecondFromStarting) {
    QTemporaryDir folder;
    const QString document = folder.filePath("Vell/document.json");
    SingleInstance running;
    ASSERT_EQ(running.listen(SingleInstance::serverName(document).value()),
              SingleInstance::Listening::started);
    // The running one answers from this thread's event loop, which the claim below blocks.
    SingleInstance second;
    EXPECT_EQ(claimDocument(second, document, 200), Claim::heldByAnother);
}

// The program itself, started as a user would, on the test's temporary folders.
class ProgramTest : public ::testing::Test {
protected:
    static QProcessEnvironment offscreen() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        return environment;
    }
    // A data folder of its own, so that the program claims a document of its own.
    QProcessEnvironment offscreenOnFreshData() {
        QProcessEnvironment environment = offscreen();
        environment.insert("XDG_DATA_HOME", data.path());
        return environment;
    }

    QTemporaryDir data;
};

TEST_F(ProgramTest, ASecondStartOnTheSameFoldersOpensAWindowInTheFirstAndEnds) {
    testsupport::EngineSettingsScope engine;
    const auto storageURL = DocumentSaver::defaultStorageURL();
    ASSERT_TRUE(storageURL);
    VellApp first(storageURL, UserDefaults::standard());
    first.context().settings.setLanguage(AppLanguage::english);
    first.context().settings.setAcceptedTermsVersion(AppSettings::currentTermsVersion);
    first.openWindow();
    SingleInstance instance;
    ASSERT_EQ(claimDocument(instance, storageURL), Claim::claimed);
    QObject::connect(&instance, &SingleInstance::windowRequested, &first, [&first] { first.openWindow(); });

    QProcess second;
    second.setProgram(QStringLiteral(VELL_PROGRAM));
    second.setProcessEnvironment(offscreen());
    QSignalSpy finished(&second, &QProcess::finished);
    second.start();
    ASSERT_TRUE(finished.wait(20000)) << second.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    settle();
    EXPECT_EQ(first.windows().size(), 2u);
}

TEST_F(ProgramTest, WithoutADisplayItSaysSoInOneLineAndEndsWithOne) {
    QProcessEnvironment environment = offscreenOnFreshData();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"})
        environment.remove(name);
    QProcess vell;
    vell.setProgram(QStringLiteral(VELL_PROGRAM));
    vell.setProcessEnvironment(environment);
    vell.start();
    ASSERT_TRUE(vell.waitForFinished(20000));
    EXPECT_EQ(vell.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(vell.exitCode(), 1);
    const QString said = QString::fromUtf8(vell.readAllStandardError());
    EXPECT_TRUE(said.startsWith("Vell: ")) << said.toStdString();
    EXPECT_EQ(said.count('\n'), 1) << said.toStdString();
}

TEST_F(ProgramTest, TheStartupProbeRecordsTheFirstPaintAndQuits) {
    QTemporaryDir probeFolder;
    const QString probe = probeFolder.filePath("first-paint");
    QProcessEnvironment environment = offscreenOnFreshData();
    environment.insert(StartupProbe::environmentVariable, probe);
    QProcess vell;
    vell.setProgram(QStringLiteral(VELL_PROGRAM));
    vell.setProcessEnvironment(environment);
    const std::int64_t started = StartupProbe::monotonicNanoseconds();
    vell.start();
    ASSERT_TRUE(vell.waitForFinished(20000));
    const std::int64_t ended = StartupProbe::monotonicNanoseconds();
    EXPECT_EQ(vell.exitCode(), 0) << vell.readAllStandardError().toStdString();
    QFile file(probe);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    bool isNumber = false;
    const std::int64_t painted = file.readAll().trimmed().toLongLong(&isNumber);
    EXPECT_TRUE(isNumber);
    EXPECT_GT(painted, started);
    EXPECT_LT(painted, ended);
}

TEST_F(ProgramTest, TermAndHangupSignalsQuitAsQuitDoes) {
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        QTemporaryDir ownData;
        QProcessEnvironment environment = offscreen();
        environment.insert("XDG_DATA_HOME", ownData.path());
        QProcess vell;
        vell.setProgram(QStringLiteral(VELL_PROGRAM));
        vell.setProcessEnvironment(environment);
        vell.start();
        ASSERT_TRUE(vell.waitForStarted(20000));
        // Running once it has taken its document's name.
        const QString name = SingleInstance::serverName(ownData.filePath("Vell/document.json")).value();
        ASSERT_TRUE(QTest::qWaitFor([&name] { return QFile::exists(name); }, 20000));
        ::kill(static_cast<pid_t>(vell.processId()), signalNumber);
        ASSERT_TRUE(vell.waitForFinished(20000));
        EXPECT_EQ(vell.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(vell.exitCode(), 0) << vell.readAllStandardError().toStdString();
    }
}

} // namespace
} // namespace vell
