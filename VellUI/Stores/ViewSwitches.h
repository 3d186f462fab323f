#pragma once

// The view switches that every window shares: inline plots and the keypad. They live in the user
// defaults, so a change made in one window shows in every window at once and survives a restart.

#include <QObject>
#include <QSettings>
#include <memory>
#include <string_view>

namespace vell {

class ViewSwitches : public QObject {
    Q_OBJECT

public:
    static constexpr std::string_view showGraphKey = "vell.showGraph";
    static constexpr std::string_view showKeypadKey = "vell.showKeypad";

    // Over the standard user defaults, made on first use.
    static ViewSwitches& shared();

    // Reads both switches from `defaults` (true when absent or not a Boolean); writes nothing.
    explicit ViewSwitches(std::shared_ptr<QSettings> defaults, QObject* parent = nullptr);

    // Inline plots under plot lines in the editor.
    bool showGraph() const { return showGraph_; }
    void setShowGraph(bool value);

    // The keypad row under the editor.
    bool showKeypad() const { return showKeypad_; }
    void setShowKeypad(bool value);

signals:
    // Only when the value really changes, after it has been written.
    void showGraphChanged(bool showGraph);
    void showKeypadChanged(bool showKeypad);

private:
    bool store(std::string_view key, bool& field, bool value);

    std::shared_ptr<QSettings> defaults_;
    bool showGraph_ = true;
    bool showKeypad_ = true;
};

} // namespace vell
