#pragma once

// The bar over a catalog panel while its keys are being arranged: a hint, and the buttons that add a
// gap, reset the arrangement (only while there is one) and end arranging. All in one row when the
// panel is wide enough, else the hint above and the buttons below it, so that no text is cut.

#include <QAbstractButton>
#include <QWidget>

class QLabel;

namespace vell {

class Appearance;

// A borderless button of accent-coloured text.
class HeaderButton : public QAbstractButton {
    Q_OBJECT

public:
    HeaderButton(bool semibold, Appearance& appearance, QWidget* parent = nullptr);

    QFont labelFont() const;
    QColor textColor() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool semibold_;
    Appearance& appearance_;
};

class ArrangeHeader : public QWidget {
    Q_OBJECT

public:
    explicit ArrangeHeader(Appearance& appearance, QWidget* parent = nullptr);

    QLabel& hint() const { return *hint_; }
    HeaderButton& addGapButton() const { return *addGap_; }
    HeaderButton& resetButton() const { return *reset_; }
    HeaderButton& doneButton() const { return *done_; }

    // The reset button shows only while the panel's arrangement differs from its catalog's.
    void setResettable(bool resettable);
    void retranslate();

    // The bar with the free space kept around it, in one row.
    QSize sizeHint() const override;
    // As narrow as the buttons allow, the reset button counted whether shown or not.
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // Whether the hint and the buttons share one row at the present width.
    bool isOneRow() const;
    // The bar behind the hint and the buttons: the window background tinted with the accent.
    QColor barColor() const;

signals:
    void addGapClicked();
    void resetClicked();
    void doneClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Layout {
        bool oneRow = true;
        QRect icon;
        QRect hint;
        // Add a gap, reset, done.
        QRect buttons[3];
        int height = 0;
    };
    Layout layoutFor(int width) const;
    void place();
    void recolor();

    Appearance& appearance_;
    QWidget* icon_;
    QLabel* hint_;
    HeaderButton* addGap_;
    HeaderButton* reset_;
    HeaderButton* done_;
    bool resettable_ = false;
};

} // namespace vell
