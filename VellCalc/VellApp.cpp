#include "VellApp.h"

#include "Appearance/Appearance.h"
#include "ApplicationLook.h"
#include "MainWindow.h"
#include "QuitQuestion.h"
#include "Screens/ScreenFactory.h"
#include "StockTexts.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentSaver.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetEvaluations.h"
#include "Stores/SheetListModel.h"
#include "Stores/UserDefaults.h"
#include "Stores/ViewSwitches.h"
#include "Window/RootView.h"
#include "Window/VellWindow.h"
#include "WindowFit.h"
#include "WindowPlaces.h"

#include <QApplication>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>
#include <utility>

namespace vell {

namespace {

// The room of every screen (without panels and docks), the primary one first.
std::vector<QRect> screenRooms() {
    std::vector<QRect> rooms;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        rooms.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen()) rooms.push_back(screen->availableGeometry());
    return rooms;
}

WindowPlaces::Place placeOf(const QWidget& window) {
    if (window.isMaximized() || window.isFullScreen()) return {window.normalGeometry(), window.isMaximized()};
    return {window.geometry(), false};
}

class QtSessionEnd final : public SessionEnd {
public:
    explicit QtSessionEnd(QSessionManager& manager) : manager_(manager) {}
    bool allowsInteraction() override { return manager_.allowsInteraction(); }
    void release() override { manager_.release(); }
    void cancel() override { manager_.cancel(); }

private:
    QSessionManager& manager_;
};

} // namespace

VellApp::VellApp(std::optional<QString> storageURL, std::shared_ptr<QSettings> defaults,
                 std::vector<QString> rescueRoots, QObject* parent)
    : QObject(parent), settings_(std::make_unique<AppSettings>(defaults)),
      appearance_(std::make_unique<Appearance>(*settings_)),
      keyLayouts_(std::make_unique<KeyLayoutStore>(defaults)),
      switches_(std::make_unique<ViewSwitches>(defaults)),
      look_(std::make_unique<ApplicationLook>(*settings_, *appearance_)),
      stockTexts_(std::make_unique<StockTexts>(*settings_)),
      places_(std::make_unique<WindowPlaces>(UserDefaults::standard())) {
    // The file is read before the store opens its document; the saver then follows the store.
    DocumentSaver::Opened opened = DocumentSaver::open(std::move(storageURL));
    store_ = std::make_unique<DocumentStore>(std::move(opened.document), *keyLayouts_);
    saver_ = std::make_unique<DocumentSaver>(std::move(opened.file), *store_, *settings_,
                                             DocumentSaver::Services{.rescueRoots = std::move(rescueRoots)});
    evaluations_ = std::make_unique<SheetEvaluations>(*store_, *settings_);
    sheetList_ = std::make_unique<SheetListModel>(*store_);
    context_ = std::make_unique<const AppContext>(AppContext{
        *settings_, *appearance_, *keyLayouts_, *switches_, *store_, *saver_, *evaluations_, *sheetList_});
    screens_ = std::make_unique<ScreenFactory>(*settings_, *appearance_, saver_->storageURL());
    quitQuestion_ = std::make_unique<QuitQuestion>(*saver_);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // Quitting closes the windows one by one; their places are taken before the first goes.
        application->installEventFilter(this);
        connect(application, &QGuiApplication::applicationStateChanged, this,
                &VellApp::applicationStateChanged);
        connect(application, &QCoreApplication::aboutToQuit, this, &VellApp::endRun);
        // A logout may end the process without a quit: the session manager's request comes first.
        connect(application, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
            QtSessionEnd session(manager);
            commitData(session);
        });
    }
}

VellApp::~VellApp() {
    for (const QPointer<MainWindow>& window : windows_)
        delete window.data();
}

MainWindow* VellApp::openWindow() {
    auto* window = new MainWindow(*context_, [this] { openWindow(); });
    window->rootView().setDialogBodies(screens_->bodies());
    window->setAttribute(Qt::WA_DeleteOnClose);
    std::erase_if(windows_, [](const QPointer<MainWindow>& each) { return each.isNull(); });
    std::optional<QRect> newest;
    for (const MainWindow* open : windows())
        if (open->isVisible()) newest = placeOf(*open).geometry;
    // The smallest size yields to the screen before the place is set, which it would otherwise grow.
    WindowFit* fit = WindowFit::install(*window);
    const std::vector<QRect> rooms = screenRooms();
    if (const auto place = places_->next(newest, rooms)) {
        window->setGeometry(place->geometry);
        if (place->maximized) window->setWindowState(Qt::WindowMaximized);
    } else if (!rooms.empty()) {
        window->resize(WindowPlaces::sizeOn(VellWindow::defaultSize, rooms.front()));
    }
    fit->applyMinimum();
    window->installEventFilter(this);
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

void VellApp::rememberOpenWindows() {
    std::vector<WindowPlaces::Place> places;
    for (const MainWindow* window : windows())
        if (window->isVisible()) places.push_back(placeOf(*window));
    places_->remember(places);
}

bool VellApp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
        // Asked instead: the run goes on.
        if (!mayEnd()) return true;
        rememberOpenWindows();
        quitting_ = true;
        // A quit that a window refused is over once the event is handled.
        QTimer::singleShot(0, this, [this] {
            quitting_ = false;
            endChosen_ = false;
        });
    } else if (event->type() == QEvent::Close && !quitting_ && qobject_cast<MainWindow*>(watched)) {
        // Closing the last window ends Vell: it is the one to come back. A window being destroyed
        // closes too, when it is no MainWindow any more: it is neither looked at nor remembered.
        std::vector<MainWindow*> open = windows();
        std::erase_if(open, [](const MainWindow* window) { return !window->isVisible(); });
        if (open.size() == 1 && open.front() == watched) {
            if (!mayEnd()) {
                event->ignore();
                return true;
            }
            places_->remember({placeOf(*open.front())});
        }
    } else if (event->type() == QEvent::WindowActivate && qobject_cast<MainWindow*>(watched)) {
        // The user may have made room meanwhile.
        saver_->retryFailedSave();
    }
    return QObject::eventFilter(watched, event);
}

MainWindow* VellApp::windowToAsk() const {
    for (QWidget* active = QApplication::activeWindow(); active; active = active->parentWidget())
        if (auto* window = qobject_cast<MainWindow*>(active); window && window->isVisible()) return window;
    const std::vector<MainWindow*> open = windows();
    for (auto each = open.rbegin(); each != open.rend(); ++each)
        if ((*each)->isVisible()) return *each;
    return nullptr;
}

bool VellApp::mayEnd() {
    if (endChosen_ || endWithoutAsking_) return true;
    MainWindow* window = windowToAsk();
    // Where no one can be asked, the end of the run keeps what is not on disk.
    if (!window) return true;
    return quitQuestion_->mayEnd(*window, [this] {
        endChosen_ = true;
        // Once the answer's own handling is over.
        QMetaObject::invokeMethod(
            this, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
}

void VellApp::endWithoutAsking() {
    endWithoutAsking_ = true;
    QCoreApplication::quit();
}

void VellApp::commitData(SessionEnd& session) {
    rememberOpenWindows();
    if (saver_->saveAndWait()) return;
    MainWindow* window = windowToAsk();
    if (window && !endWithoutAsking_ && session.allowsInteraction()) {
        const bool end = quitQuestion_->mayEndNow(*window);
        session.release();
        if (!end) {
            session.cancel();
            return;
        }
    }
    keepWhatIsNotOnDisk();
}

void VellApp::endRun() {
    saver_->applicationWillTerminate();
    keepWhatIsNotOnDisk();
}

void VellApp::keepWhatIsNotOnDisk() {
    if (saver_->isOnDisk()) return;
    exitStatus_ = saver_->keepRescueCopy() ? keptInRescueCopy : notKept;
}

void VellApp::applicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive)
        saver_->applicationDidBecomeActive();
    else
        saver_->applicationWillResignActive();
}

} // namespace vell
