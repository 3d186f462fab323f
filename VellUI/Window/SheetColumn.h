#pragma once

// The working area of a main window, top to bottom without spacing: the place of the sheet tab bar,
// the editor, the keypad row (a one-pixel divider over the keypad) and the status bar.

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace vell {

class Appearance;
class AppSettings;
class SheetEditor;
class SheetListModel;
class SheetSession;
class SheetTabBar;
class StatusBar;
class ViewSwitches;

class SheetColumn : public QWidget {
    Q_OBJECT

public:
    SheetColumn(SheetSession& session, SheetListModel& sheets, AppSettings& settings, ViewSwitches& switches,
                Appearance& appearance, QWidget* parent = nullptr);

    // Holds the tab bar; shown while the sheet-list style shows tabs.
    QWidget* tabBarPlace() const { return tabBarPlace_; }
    SheetTabBar* tabBar() const { return tabBar_; }

    // The editor of the window's sheet takes all the height the other rows leave; it draws inline plots
    // while the plot switch is on.
    SheetEditor* sheetEditor() const;
    // Puts another widget in the editor's place (tests measure the rows with a plain one). The column
    // takes it over; the former one is deleted.
    void setEditor(QWidget* editor);
    QWidget* editor() const { return editor_; }

    // The keypad row shows once a keypad has been put here, while the keypad switch is on and while the
    // column has room for it: at least the keypad's minimum width, and its height with the editor still
    // `editorLeastHeight` high. Its height follows the keypad size preference. The column takes it over;
    // a former one is deleted.
    void setKeypad(QWidget* keypad);
    QWidget* keypad() const { return keypad_; }
    bool showsKeypadRow() const;
    bool hasRoomForKeypad() const;
    static constexpr int editorLeastHeight = 100;
    // 220, 260 or 300 by the keypad size preference.
    int keypadHeight() const;

    StatusBar* statusBar() const { return statusBar_; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Divider;

    void applySettings();

    AppSettings& settings_;
    ViewSwitches& switches_;
    QVBoxLayout* layout_;
    QWidget* tabBarPlace_;
    SheetTabBar* tabBar_;
    QPointer<QWidget> editor_;
    Divider* keypadDivider_;
    QPointer<QWidget> keypad_;
    StatusBar* statusBar_;
};

} // namespace vell
