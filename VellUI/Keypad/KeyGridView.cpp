#include "Keypad/KeyGridView.h"

#include <cmath>

namespace vell {

KeyGridView::KeyGridView(Appearance& appearance, KeyButton::Timing timing, QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMaximumWidth(maximumWidth);
    const KeyGrid& numbers = KeySets::numbersGrid();
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 5; ++column)
            cells_[row][column] = new KeyButton(numbers[row][column].value_or(KeypadKey::backspace()),
                                                KeyButton::Face::gridKey, appearance, timing, this);
    applyRows();
}

void KeyGridView::setOnKey(KeyButton::OnKey onKey) {
    for (const auto& row : cells_)
        for (KeyButton* cell : row)
            cell->setOnKey(onKey);
}

const KeyGrid& KeyGridView::rows() const {
    return cursorMode_ ? KeySets::cursorGrid() : KeySets::numbersGrid();
}

void KeyGridView::setCursorMode(bool on) {
    if (on == cursorMode_) return;
    cursorMode_ = on;
    applyRows();
}

void KeyGridView::setFontScale(double scale) {
    for (const auto& row : cells_)
        for (KeyButton* cell : row)
            cell->setFontScale(scale);
}

void KeyGridView::applyRows() {
    const KeyGrid& keys = rows();
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 5; ++column) {
            KeyButton& button = *cells_[row][column];
            const std::optional<KeypadKey>& key = keys[row][column];
            if (key) button.setKey(*key);
            button.setVisible(key.has_value());
        }
    }
}

void KeyGridView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeCells();
}

void KeyGridView::placeCells() {
    const KeypadMetrics::Size cell = cellSize();
    const double stepX = cell.width + KeypadMetrics::gridSpacing;
    const double stepY = cell.height + KeypadMetrics::gridSpacing;
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 5; ++column) {
            // Edges are rounded, not sizes, so the gaps stay even across the grid.
            const int left = static_cast<int>(std::lround(column * stepX));
            const int right = static_cast<int>(std::lround(column * stepX + cell.width));
            const int top = static_cast<int>(std::lround(row * stepY));
            const int bottom = static_cast<int>(std::lround(row * stepY + cell.height));
            // One pixel more below the face for its shadow.
            cells_[row][column]->setGeometry(left, top, right - left, bottom - top + 1);
        }
    }
}

} // namespace vell
