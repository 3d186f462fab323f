#pragma once

// One main window on the shared document: its own session, the root view, a fixed toolbar and a menu
// bar whose commands act on this window. Every window's sheet becomes the document's selected sheet
// when the window becomes the active one.

#include "Appearance/AppContext.h"
#ifndef Q_MOC_RUN
// moc cannot read the standard headers this pulls in; it needs nothing from it.
#include "Document/Uuid.h"
#endif

#include <QAction>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;
class QMenu;
class QToolBar;

namespace vell {

class DocumentStore;
class Uuid;
class RootView;
class SheetSession;
class WindowFocusReporter;
class WindowToolbar;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // What a window cannot do alone: open another window of the application.
    using OpenWindow = std::function<void()>;

    // The menu commands, each one QAction of this window's menu bar.
    enum class Command {
        newSheet,
        newWindow,
        closeWindow,
        quit,
        undo,
        redo,
        help,
    };

    MainWindow(const AppContext& app, OpenWindow openWindow, QWidget* parent = nullptr);
    ~MainWindow() override;

    DocumentStore& store() const { return store_; }
    const AppContext& app() const { return app_; }
    SheetSession& session() const { return *session_; }
    RootView& rootView() const { return *rootView_; }
    // Fixed: neither moved nor hidden. The sidebar toggle leads; items added later go to the trailing end.
    QToolBar* toolbar() const { return toolbar_; }
    QAction* sidebarToggle() const { return sidebarToggle_; }
    // The items at the toolbar's trailing end.
    WindowToolbar& windowToolbar() const { return *windowToolbar_; }
    QAction* action(Command command) const;
    QMenu* sheetsMenu() const { return sheetsMenu_; }
    // Runs the callback when the window has become the active one and is now; after show().
    void reportFocusIfActive();

    // The menu commands, as the menu bar runs them.
    void newSheet();
    // Undoes or redoes in the focused line edit when one is being edited, else in the store.
    void undoOrRedo(bool undo);
    void selectSheetFromMenu(const Uuid& id);

    // "&" shows as itself in a menu item.
    static QString menuText(const std::string& text);

private:
    void buildMenus();
    void retranslate();
    // The Sheets menu follows the ids, names and order of the document's first nine sheets; it is
    // rebuilt on the next turn of the event loop, since a rebuild from inside an item's own action
    // would delete the item while it runs.
    void sheetListChanged();
    std::vector<std::pair<Uuid, std::string>> sheetsMenuSource() const;
    void rebuildSheetsMenu();
    void applyAppearance();
    void updateSidebarToggle();
    // The field of this window being edited, which has an undo history of its own; none elsewhere.
    QLineEdit* focusedField() const;
    // Undo and Redo are enabled while the window's sheet, or the field being edited, can step back or
    // forward, and follow the focus from one to the other.
    void followFocusedField();
    void updateHistoryActions();

    const AppContext app_;
    DocumentStore& store_;
    OpenWindow openWindow_;
    std::unique_ptr<SheetSession> session_;
    RootView* rootView_;
    QToolBar* toolbar_;
    QAction* sidebarToggle_;
    WindowToolbar* windowToolbar_ = nullptr;
    WindowFocusReporter* focusReporter_;
    QMenu* fileMenu_;
    QMenu* editMenu_;
    QMenu* sheetsMenu_;
    QMenu* helpMenu_;
    std::vector<std::pair<Command, QAction*>> actions_;
    // What the Sheets menu was last built from: each sheet's id and name.
    std::vector<std::pair<Uuid, std::string>> sheetsMenuSource_;
    bool sheetsMenuRebuildQueued_ = false;
    QPointer<QLineEdit> historyField_;
};

} // namespace vell
