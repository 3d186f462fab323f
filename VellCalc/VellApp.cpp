#include "VellApp.h"

#include "Appearance/Appearance.h"
#include "ApplicationLook.h"
#include "MainWindow.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"

#include <QApplication>
#include <utility>

namespace vell {

VellApp::VellApp(std::optional<QString> storageURL, QObject* parent)
    : QObject(parent), look_(std::make_unique<ApplicationLook>(AppSettings::shared(), Appearance::shared())),
      store_(std::make_unique<DocumentStore>(std::move(storageURL))) {
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::applicationStateChanged, this,
                &VellApp::applicationStateChanged);
        connect(application, &QCoreApplication::aboutToQuit, this,
                [this] { store_->applicationWillTerminate(); });
        // A logout may end the process without a quit: the session manager's request comes first.
        connect(application, &QGuiApplication::commitDataRequest, this,
                [this] { store_->applicationWillTerminate(); });
    }
}

VellApp::~VellApp() {
    for (const QPointer<MainWindow>& window : windows_)
        delete window.data();
}

MainWindow* VellApp::openWindow() {
    auto* window = new MainWindow(*store_, [this] { openWindow(); });
    window->setAttribute(Qt::WA_DeleteOnClose);
    std::erase_if(windows_, [](const QPointer<MainWindow>& each) { return each.isNull(); });
    windows_.emplace_back(window);
    window->show();
    window->raise();
    window->activateWindow();
    // Activation may have come before the window was watched, or come later through the reporter.
    window->reportFocusIfActive();
    return window;
}

std::vector<MainWindow*> VellApp::windows() const {
    std::vector<MainWindow*> open;
    for (const QPointer<MainWindow>& window : windows_)
        if (window) open.push_back(window);
    return open;
}

void VellApp::applicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive)
        store_->applicationDidBecomeActive();
    else
        store_->applicationWillResignActive();
}

} // namespace vell
