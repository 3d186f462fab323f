#pragma once

// The bar over a catalog panel while its keys are being arranged: a hint, and the buttons that add a
// gap, reset the arrangement (only while there is one) and end arranging.

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

    // The bar with the free space kept around it.
    QSize sizeHint() const override;

signals:
    void addGapClicked();
    void resetClicked();
    void doneClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void recolor();

    Appearance& appearance_;
    QWidget* icon_;
    QLabel* hint_;
    HeaderButton* addGap_;
    HeaderButton* reset_;
    HeaderButton* done_;
};

} // namespace vell
