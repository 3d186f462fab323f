#pragma once

// The application object: the one document store of the process, the main windows on it, the
// settings, help and terms screens their dialogs show, the look of the application's stock parts, and
// the application's life cycle passed on to the store (a pending save is written when the application
// stops being active, quits or the desktop session ends). The windows open when it ends come back at
// their size and place at the next start.
//
// The run never ends with the newest document only in memory: Quit, closing the last window and a
// session's end ask the user while it cannot be saved (QuitQuestion); a quit signal, or an end where no
// one can be asked, puts it in the rescue place, and the exit status says so.

#include "Appearance/AppContext.h"
#include "Stores/RescueCopy.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QSettings;

namespace vell {

class AppSettings;
class Appearance;
class ApplicationLook;
class DocumentSaver;
class DocumentStore;
class SheetEvaluations;
class SheetListModel;
class KeyLayoutStore;
class MainWindow;
class QuitQuestion;
class ScreenFactory;
class SessionEnd;
class StockTexts;
class ViewSwitches;
class WindowPlaces;

class VellApp : public QObject {
    Q_OBJECT

public:
    // The one place where the process's preferences, appearance, keypad layouts, view switches and
    // document store are made: the first four over `defaults`, the preferences first, so that the stored
    // engine settings are in force before the document is read. The store reads and writes `storageURL`;
    // none keeps the document in memory only. A document that cannot be saved when the run ends goes under
    // the first of `rescueRoots` that takes it (RescueCopy), and the next start takes it back from there.
    VellApp(std::optional<QString> storageURL, std::shared_ptr<QSettings> defaults,
            std::vector<QString> rescueRoots = RescueCopy::defaultRoots(), QObject* parent = nullptr);
    // Closes every window before the store goes.
    ~VellApp() override;

    // Handed to every window.
    const AppContext& context() const { return *context_; }
    DocumentStore& store() const { return *store_; }
    DocumentSaver& saver() const { return *saver_; }

    // A new window on the document's selected sheet, shown, raised and activated.
    MainWindow* openWindow();
    // The windows still open, oldest first.
    std::vector<MainWindow*> windows() const;

    // The exit status of a run whose document had to go to the rescue place at its end, and of one whose
    // document could go nowhere.
    static constexpr int keptInRescueCopy = 2;
    static constexpr int notKept = 3;
    // 0, or one of the two above.
    int exitStatus() const { return exitStatus_; }
    // A quit signal: the run ends without a question.
    void endWithoutAsking();
    // The session manager's request before the session ends: what is not on disk is written; when it
    // cannot be, the user is asked where the session allows it (Cancel keeps the session), else it goes
    // to the rescue place.
    void commitData(SessionEnd& session);
    QuitQuestion& quitQuestion() const { return *quitQuestion_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applicationStateChanged(Qt::ApplicationState state);
    // The window to ask over: the active one, else the newest shown; none when no window is shown.
    MainWindow* windowToAsk() const;
    // Whether the run may end now; otherwise the user is being asked, and an answer to end quits.
    bool mayEnd();
    // The end of the run: every write made, and the document in the rescue place if it is not on disk.
    void endRun();
    void keepWhatIsNotOnDisk();
    // The places of the windows open now, for the next start; nothing when none is open.
    void rememberOpenWindows();

    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<Appearance> appearance_;
    std::unique_ptr<KeyLayoutStore> keyLayouts_;
    std::unique_ptr<ViewSwitches> switches_;
    std::unique_ptr<ApplicationLook> look_;
    std::unique_ptr<StockTexts> stockTexts_;
    std::unique_ptr<DocumentStore> store_;
    // After the store, which it follows.
    std::unique_ptr<DocumentSaver> saver_;
    std::unique_ptr<SheetEvaluations> evaluations_;
    std::unique_ptr<SheetListModel> sheetList_;
    std::unique_ptr<const AppContext> context_;
    std::unique_ptr<ScreenFactory> screens_;
    std::unique_ptr<WindowPlaces> places_;
    std::unique_ptr<QuitQuestion> quitQuestion_;
    std::vector<QPointer<MainWindow>> windows_;
    // Between the request to quit and the windows it closes.
    bool quitting_ = false;
    // The user chose to end although the document is not on disk; a quit signal came.
    bool endChosen_ = false;
    bool endWithoutAsking_ = false;
    int exitStatus_ = 0;
};

} // namespace vell
