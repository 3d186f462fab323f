#pragma once

// The application object: the one document store of the process, the main windows on it, the
// settings, help and terms screens their dialogs show, the look of the application's stock parts, and
// the application's life cycle passed on to the store (a pending save is written when the application
// stops being active, quits or the desktop session ends). The windows open when it ends come back at
// their size and place at the next start.

#include "Appearance/AppContext.h"

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
class DocumentStore;
class KeyLayoutStore;
class MainWindow;
class ScreenFactory;
class StockTexts;
class ViewSwitches;
class WindowPlaces;

class VellApp : public QObject {
    Q_OBJECT

public:
    // The one place where the process's preferences, appearance, keypad layouts, view switches and
    // document store are made: the first four over `defaults`, the preferences first, so that the stored
    // engine settings are in force before the document is read. The store reads and writes `storageURL`;
    // none keeps the document in memory only.
    VellApp(std::optional<QString> storageURL, std::shared_ptr<QSettings> defaults,
            QObject* parent = nullptr);
    // Closes every window before the store goes.
    ~VellApp() override;

    // Handed to every window.
    const AppContext& context() const { return *context_; }
    DocumentStore& store() const { return *store_; }

    // A new window on the document's selected sheet, shown, raised and activated.
    MainWindow* openWindow();
    // The windows still open, oldest first.
    std::vector<MainWindow*> windows() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applicationStateChanged(Qt::ApplicationState state);
    // The places of the windows open now, for the next start; nothing when none is open.
    void rememberOpenWindows();

    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<Appearance> appearance_;
    std::unique_ptr<KeyLayoutStore> keyLayouts_;
    std::unique_ptr<ViewSwitches> switches_;
    std::unique_ptr<ApplicationLook> look_;
    std::unique_ptr<StockTexts> stockTexts_;
    std::unique_ptr<DocumentStore> store_;
    std::unique_ptr<const AppContext> context_;
    std::unique_ptr<ScreenFactory> screens_;
    std::unique_ptr<WindowPlaces> places_;
    std::vector<QPointer<MainWindow>> windows_;
    // Between the request to quit and the windows it closes.
    bool quitting_ = false;
};

} // namespace vell
