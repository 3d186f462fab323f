#pragma once

// The last row of a window's sheet column: how many lines of the window's sheet gave a value, and on
// the right the total of its number values when they can be added up. The total can be selected and
// copied.

#include "Appearance/ColorPair.h"

#include <QLabel>
#include <QWidget>
#include <string>

namespace vell {

class Appearance;
class AppSettings;
class SheetSession;

class StatusBar : public QWidget {
    Q_OBJECT

public:
    // The fill behind the row.
    static constexpr ColorPair barFill{0xF3F2EEFF, 0x222226FF};

    StatusBar(SheetSession& session, AppSettings& settings, Appearance& appearance,
              QWidget* parent = nullptr);

    // What the row shows, as the user reads it.
    QString countText() const { return count_->text(); }
    // Empty when there is no total.
    QString totalText() const;
    QLabel* countLabel() const { return count_; }
    QLabel* totalLabel() const { return totalLabel_; }
    QLabel* totalValue() const { return totalValue_; }

    // Reads the session's results and the language again.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyAppearance();
    void fitHeight();

    SheetSession& session_;
    Appearance& appearance_;
    QLabel* count_;
    QLabel* totalLabel_;
    QLabel* totalValue_;
};

} // namespace vell
