#include "Launch.h"

#include "ApplicationStyle.h"
#include "DesktopIdentity.h"
#include "MainWindow.h"
#include "QuitSignals.h"
#include "SingleInstance.h"
#include "StartupProbe.h"
#include "Stores/DocumentSaver.h"
#include "Stores/DocumentWriter.h"
#include "Stores/UserDefaults.h"
#include "VellApp.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace vell {

namespace {

// How long a quit signal waits for the main thread to end the run.
constexpr std::chrono::seconds quitPatience{3};
// How long it waits once the main thread has begun to end the run (a large document written to a slow disk
// and pushed to the shared copy).
constexpr std::chrono::seconds endingPatience{30};

// While the platform is being set up, its complaints are held back: when no display can be reached Qt
// aborts with a page of advice about plugins, and the user should read one plain line instead.
struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage>* heldMessages = nullptr;
QtMessageHandler formerHandler = nullptr;

void holdStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        if (text.contains(QLatin1String("platform plugin")))
            std::fputs("Vell: there is no display to open a window on (is DISPLAY or WAYLAND_DISPLAY set?)\n",
                       stderr);
        else
            std::fprintf(stderr, "Vell: %s\n", qPrintable(text));
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (heldMessages)
        heldMessages->push_back({type, context.file, context.line, context.function, context.category, text});
}

std::unique_ptr<QApplication> makeApplication(int& argc, char** argv) {
    std::vector<HeldMessage> held;
    heldMessages = &held;
    formerHandler = qInstallMessageHandler(holdStartupMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(formerHandler);
    heldMessages = nullptr;
    for (const HeldMessage& message : held) {
        const QMessageLogContext context(message.file.constData(), message.line, message.function.constData(),
                                         message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    return application;
}

} // namespace

Claim claimDocument(SingleInstance& instance, const std::optional<QString>& storageURL,
                    int answerTimeoutMilliseconds) {
    if (!storageURL) return Claim::claimed;
    const auto name = SingleInstance::serverName(*storageURL);
    if (!name) {
        std::fputs(
            "Vell: there is no folder of this user's own for the single-instance socket; a second start "
            "on this document cannot be noticed\n",
            stderr);
        return Claim::claimed;
    }
    if (SingleInstance::requestWindow(*name, answerTimeoutMilliseconds)) return Claim::handedOver;
    switch (instance.listen(*name)) {
    case SingleInstance::Listening::started:
        return Claim::claimed;
    case SingleInstance::Listening::heldByAnother: {
        // Two starts at once, the other one quicker and perhaps not listening yet; or a Vell that hangs.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(answerTimeoutMilliseconds);
        do {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (SingleInstance::requestWindow(*name,
                                              static_cast<int>(std::max<std::int64_t>(left.count(), 1))))
                return Claim::handedOver;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < deadline);
        std::fprintf(stderr, "Vell: another Vell runs on this document and does not answer; end it first\n");
        return Claim::heldByAnother;
    }
    case SingleInstance::Listening::heldByOtherUser:
        std::fprintf(stderr,
                     "Vell: a process of another user listens at %s; it is ignored, and a second start "
                     "on this document cannot be noticed\n",
                     qPrintable(*name));
        return Claim::claimed;
    case SingleInstance::Listening::failed:
        break;
    }
    std::fprintf(stderr, "Vell: a second start on this document cannot be noticed (%s)\n", qPrintable(*name));
    return Claim::claimed;
}

int runVell(int argc, char** argv) {
    DesktopIdentity::setApplicationName();
    const auto application = makeApplication(argc, argv);
    DesktopIdentity::apply();
    QApplication::setStyle(new ApplicationStyle);
    QApplication::setQuitOnLastWindowClosed(true);
    // Read by the event loop, so a signal that comes before it runs ends the run as soon as it starts; a
    // main thread busy for longer than the patience is not waited for: what was typed last is written
    // from the pieces the store handed over already (or kept in the rescue place), and the process ends.
    // A signal asks no question.
    VellApp* running = nullptr;
    const QuitSignals quitSignals(
        [&running] { running ? running->endWithoutAsking() : QCoreApplication::quit(); },
        [] { DocumentWriter::writeStagedEverywhere(); }, quitPatience, endingPatience);

    const auto storageURL = DocumentSaver::defaultStorageURL();
    SingleInstance instance;
    switch (claimDocument(instance, storageURL)) {
    case Claim::claimed:
        break;
    case Claim::handedOver:
        return 0;
    case Claim::heldByAnother:
        return 1;
    }

    VellApp vell(storageURL, UserDefaults::standard());
    running = &vell;
    QObject::connect(&instance, &SingleInstance::windowRequested, &vell, [&vell] { vell.openWindow(); });
    MainWindow* first = vell.openWindow();
    StartupProbe::watch(*first);
    const int status = QApplication::exec();
    running = nullptr;
    return status != 0 ? status : vell.exitStatus();
}

} // namespace vell
