#pragma once

// One cell of a catalog panel: a key that inserts its entry when clicked, or a gap the user put between
// keys. While the panel is being arranged the cell takes no clicks and leaves every press to the panel,
// which lifts and drags it.

#include "Keypad/KeySlot.h"

#include <QAbstractButton>

class QAction;

namespace vell {

class Appearance;

// The face of a slot as the panel draws it, in `face` (the cell's whole rectangle): a key on its
// rounded plate, or for a gap nothing but, while arranging, a dashed outline.
struct SlotFace {
    static constexpr int height = 30;
    static constexpr double radius = 8;
    // The smallest a label is drawn, in pixels; smaller faces do not read.
    static constexpr double minimumLabelSize = 10;
    // Room kept free on either side of a label.
    static constexpr double labelInset = 4;

    // A label as a face of that width draws it: shrunk to fit down to the smallest size, then broken at
    // its last space onto two lines ("sum" over "(block)"), and only then cut with "…".
    struct Label {
        QFont font;
        // The lines as drawn, "\n" between two.
        QString text;
    };

    // The monospaced face at 13, medium weight. A lone sign ("→", "$", "€") needs no fixed pitch, and
    // fixed-pitch faces squeeze such signs into a letter's width: it takes the system's face instead.
    static QFont labelFont(const QString& label = {});
    static Label fittedLabel(const QString& label, double faceWidth);
    // The narrowest face that shows the label whole, shrunk as far as it may be, on two lines if that is
    // narrower.
    static double narrowestFace(const QString& label);
    static void paint(QPainter& painter, const QRectF& face, const KeySlot& slot, bool arranging, bool dark);
};

class CatalogSlotCell : public QAbstractButton {
    Q_OBJECT

public:
    CatalogSlotCell(KeySlot slot, Appearance& appearance, QWidget* parent = nullptr);

    const KeySlot& slot() const { return slot_; }
    // The same id with the entry resolved anew (the language changed): label and note follow.
    void setSlot(KeySlot slot);

    bool arranging() const { return arranging_; }
    void setArranging(bool arranging);
    // The slot is being dragged: its own cell stays behind, faint.
    bool isLifted() const { return lifted_; }
    void setLifted(bool lifted);

    // 0.2 while lifted, 0.55 while a key is pressed, else 1.
    double faceOpacity() const;
    // The one context action, "Rearrange Keys"; it is offered only while not arranging.
    QAction& rearrangeAction() const { return *rearrangeAction_; }
    void retranslate();

signals:
    // The entry of a clicked key; gaps and cells being arranged send nothing.
    void keyClicked(const FunctionItem& item);
    void rearrangeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void updateOffers();

    KeySlot slot_;
    Appearance& appearance_;
    QAction* rearrangeAction_;
    bool arranging_ = false;
    bool lifted_ = false;
};

// The copy of a slot that follows the pointer while the slot is dragged: its face 1.08 times the size,
// casting a shadow. It takes no clicks, so the panel under it still sees where the pointer is.
class DraggedSlot : public QWidget {
    Q_OBJECT

public:
    static constexpr double scale = 1.08;

    DraggedSlot(KeySlot slot, double width, Appearance& appearance, QWidget* parent = nullptr);

    const KeySlot& slot() const { return slot_; }
    // The scaled face, in the parent's coordinates.
    QRectF faceRect() const;
    QPointF centre() const { return faceRect().center(); }
    void centreAt(QPointF point);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    KeySlot slot_;
    QSizeF face_;
    Appearance& appearance_;
};

} // namespace vell
