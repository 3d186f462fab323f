#pragma once

// The keypad's 5 × 5 key grid: the number grid, or the caret grid while the cursor mode is on. Its
// twenty-five keys are made once; the mode only changes what each cell's key is, and a cell without a
// key shows nothing.

#include "Keypad/KeyButton.h"
#include "Keypad/KeySets.h"
#include "Keypad/KeypadMetrics.h"

#include <QWidget>
#include <array>

namespace vell {

class KeyGridView : public QWidget {
    Q_OBJECT

public:
    static constexpr int maximumWidth = 560;
    // Below this the keys grow too small to hit beside an open panel, which then covers them.
    static constexpr int minimumUsableWidth = 264;

    KeyGridView(Appearance& appearance, KeyButton::Timing timing, QWidget* parent = nullptr);

    // Every key a cell sends, the grid switch included.
    void setOnKey(KeyButton::OnKey onKey);

    bool cursorMode() const { return cursorMode_; }
    void setCursorMode(bool on);
    void setFontScale(double scale);

    // The rows shown now.
    const KeyGrid& rows() const;
    // Row and column from 0, top left first.
    KeyButton& cell(int row, int column) const { return *cells_[row][column]; }
    KeypadMetrics::Size cellSize() const { return KeypadMetrics::cellSize(width(), height()); }

    QSize sizeHint() const override { return {maximumWidth, 240}; }
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyRows();
    void placeCells();

    std::array<std::array<KeyButton*, 5>, 5> cells_{};
    bool cursorMode_ = false;
};

} // namespace vell
