#pragma once

// The trailing items of a main window's toolbar: the plot and keypad switches, a new sheet, a new
// window, the function menu and the settings. Icon-only, each with its tooltip. The switches are the
// shared view switches, so every window's items follow a change made in any of them; the function
// menu inserts into this window's editor only.

#include <QObject>
#include <QPointer>
#include <string>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;

namespace vell {

class AppSettings;
class RootView;
class ViewSwitches;

class WindowToolbar : public QObject {
    Q_OBJECT

public:
    // The window's menu items the toolbar runs: their shortcuts are named in the tooltips.
    struct Commands {
        QAction* newSheet = nullptr;
        QAction* newWindow = nullptr;
    };

    // Appends the items to `toolbar`, whose palette gives the icons their ink.
    WindowToolbar(QToolBar& toolbar, RootView& root, Commands commands, AppSettings& settings,
                  ViewSwitches& switches);

    // In order, leading to trailing. The graph switch is visible only while the window's sheet has a
    // plot line.
    QAction* graph() const { return graph_; }
    QAction* newSheet() const { return newSheet_; }
    QAction* newWindow() const { return newWindow_; }
    QAction* keypad() const { return keypad_; }
    // The toolbar's action holding the function button.
    QAction* functions() const { return functions_; }
    QAction* settings() const { return settingsItem_; }
    QToolButton* functionButton() const { return functionButton_; }
    // One submenu per catalog group, rebuilt from the catalog each time the menu is about to show.
    QMenu* functionMenu() const { return functionMenu_; }

    // What the menu shows for one entry: "label — note", with "&" kept as itself.
    static QString functionEntryText(const std::string& label, const std::string& note);

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void rebuildFunctionMenu();
    // After the function menu closes: whether the pointer is over the button now.
    void findPointer();
    void updateGraphVisibility();
    // Titles, tooltips and icons for the language, the switches and the palette.
    void refresh();

    QToolBar& toolbar_;
    RootView& root_;
    Commands commands_;
    AppSettings& preferences_;
    ViewSwitches& switches_;
    QAction* graph_;
    QAction* newSheet_;
    QAction* newWindow_;
    QAction* keypad_;
    QToolButton* functionButton_;
    QMenu* functionMenu_;
    QAction* functions_;
    QAction* settingsItem_;
};

} // namespace vell
