#pragma once

// The keypad of one window: a tool row (token keys, the function and unit panel toggles, undo, redo and
// hide) over the key area, which holds the 5 × 5 key grid at the preferred side and, while one is open,
// the catalog panel at the other. Made once per window and only shown and hidden; it sends what the
// user does to its owner's callbacks and shows the stored panel value its owner gives it. Every key of
// the tool row is whole: where the row is short of room the token keys draw closer around their labels,
// and its minimum width is what the row needs then; a narrower keypad is its owner's to hide.

#include "Keypad/CatalogTiming.h"
#include "Keypad/KeyButton.h"
#include "Keypad/KeypadTab.h"

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QHBoxLayout;
class QScrollArea;

namespace vell {

class AppSettings;
class CatalogPanel;
class CatalogPanelPlace;
class HideButton;
class HistoryButton;
class KeyGridView;
class KeyLayoutStore;
class PanelToggle;

class KeypadView : public QWidget {
    Q_OBJECT

public:
    struct Callbacks {
        // Every key of the grid but the grid switch, of the token row and of the catalog panel.
        KeyButton::OnKey onKey;
        // Each button exists only when its callback does.
        std::function<void()> onHide;
        std::function<void()> onUndo;
        std::function<void()> onRedo;
        // A panel toggle was clicked: the value to store for the open panel, "" to close it. Without
        // one the view shows the value itself.
        std::function<void(const std::string&)> onOpenPanel;
    };

    struct Services {
        AppSettings& settings;
        Appearance& appearance;
        KeyLayoutStore& keyLayouts;
        KeyButton::Timing timing;
        CatalogTiming catalogTiming = {};
    };

    KeypadView(Callbacks callbacks, Services services, QWidget* parent = nullptr);

    // The stored value of the open panel: a tab's raw value, or anything else for none.
    const std::string& openPanelRaw() const { return openPanelRaw_; }
    void setOpenPanelRaw(std::string raw);

    bool cursorMode() const;
    // Enables the undo and redo buttons; both start disabled.
    void setHistory(bool canUndo, bool canRedo);

    KeyGridView& grid() const { return *grid_; }
    CatalogPanelPlace& panelPlace() const { return *panelPlace_; }
    // The open catalog panel; none while no panel is open.
    CatalogPanel* catalogPanel() const;
    const std::vector<KeyButton*>& tokenKeys() const { return tokenKeys_; }
    PanelToggle& panelToggle(KeypadTab tab) const;
    // None when the callback is missing.
    HistoryButton* undoButton() const { return undoButton_; }
    HistoryButton* redoButton() const { return redoButton_; }
    HideButton* hideButton() const { return hideButton_; }

    // The tool row's width with every key whole, its token keys at full or compact padding; the
    // keypad's minimum width is the compact one.
    int toolRowWidth(bool compact) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class KeyArea;

    void gridKey(const KeypadKey& key);
    void togglePanel(KeypadTab tab);
    void showPanel();
    void applySettings();
    void retranslate();
    int tokensWidth(bool compact) const;
    // Full or compact token keys by the width there is.
    void fitTokens();

    Callbacks callbacks_;
    AppSettings& settings_;
    Appearance& appearance_;
    KeyLayoutStore& keyLayouts_;
    CatalogTiming catalogTiming_;
    std::string openPanelRaw_;
    QScrollArea* tokenStrip_;
    std::vector<KeyButton*> tokenKeys_;
    PanelToggle* functionsToggle_;
    PanelToggle* unitsToggle_;
    HistoryButton* undoButton_ = nullptr;
    HistoryButton* redoButton_ = nullptr;
    HideButton* hideButton_ = nullptr;
    KeyArea* keyArea_;
    KeyGridView* grid_;
    CatalogPanelPlace* panelPlace_;
};

} // namespace vell
