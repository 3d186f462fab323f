#pragma once

// The view switches that every window shares: inline plots, the keypad and the keypad's open catalog
// panel. They live in the user defaults, so a change made in one window shows in every window at once
// and survives a restart.

#include <QObject>
#include <QSettings>
#include <memory>
#include <string>
#include <string_view>

namespace vell {

class ViewSwitches : public QObject {
    Q_OBJECT

public:
    static constexpr std::string_view showGraphKey = "vell.showGraph";
    static constexpr std::string_view showKeypadKey = "vell.showKeypad";
    static constexpr std::string_view keypadPanelKey = "vell.keypadPanel";

    // Reads the switches from `defaults` (true when absent or not a Boolean; the panel as stored, empty
    // when absent); writes nothing.
    explicit ViewSwitches(std::shared_ptr<QSettings> defaults, QObject* parent = nullptr);

    // Inline plots under plot lines in the editor.
    bool showGraph() const { return showGraph_; }
    void setShowGraph(bool value);

    // The keypad row under the editor.
    bool showKeypad() const { return showKeypad_; }
    void setShowKeypad(bool value);

    // The raw value of the keypad tab whose catalog panel is open ("関数", "単位"); empty when none. Any
    // text is kept as it is: the keypad opens no panel for a text it does not know.
    const std::string& keypadPanel() const { return keypadPanel_; }
    void setKeypadPanel(std::string value);

signals:
    // Only when the value really changes, after it has been written.
    void showGraphChanged(bool showGraph);
    void showKeypadChanged(bool showKeypad);
    void keypadPanelChanged(const std::string& keypadPanel);

private:
    bool store(std::string_view key, bool& field, bool value);

    std::shared_ptr<QSettings> defaults_;
    bool showGraph_ = true;
    bool showKeypad_ = true;
    std::string keypadPanel_;
};

} // namespace vell
