#pragma once

// The buttons of the keypad's tool row besides the token keys: the catalog panel toggles, undo, redo
// and hide. Each paints its own face and never takes the keyboard focus.

#include <QAbstractButton>

namespace vell {

class Appearance;

class ToolButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int faceHeight = 34;

    ToolButton(Appearance& appearance, QWidget* parent = nullptr);

    // The opacity the whole button is drawn at: 0.35 while disabled.
    double drawnOpacity() const { return isEnabled() ? 1 : 0.35; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The face, one pixel above the bottom, where its shadow falls.
    QRectF faceRect() const;
    bool dark() const;
    virtual void paintFace(QPainter& painter, const QRectF& face);
    virtual void paintContent(QPainter& painter, const QRectF& face) = 0;

    Appearance& appearance_;
};

// Opens the catalog panel of its tab, or closes it when it is the open one.
class PanelToggle : public ToolButton {
    Q_OBJECT

public:
    PanelToggle(Appearance& appearance, QWidget* parent = nullptr);

    bool isOpen() const { return open_; }
    void setOpen(bool open);
    // The tab's display name, resolved by the caller.
    void setName(const QString& name);

    QColor textColor() const;
    QColor fillColor() const;

    QSize sizeHint() const override;

protected:
    void paintFace(QPainter& painter, const QRectF& face) override;
    void paintContent(QPainter& painter, const QRectF& face) override;

private:
    QFont font() const;

    bool open_ = false;
};

// Undo or redo: the arrow glyph, dimmed while there is nothing to undo or redo.
class HistoryButton : public ToolButton {
    Q_OBJECT

public:
    HistoryButton(QString glyph, Appearance& appearance, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {44, faceHeight + 1}; }

protected:
    void paintContent(QPainter& painter, const QRectF& face) override;
};

// Hides the keypad: a keyboard over a downward chevron.
class HideButton : public ToolButton {
    Q_OBJECT

public:
    HideButton(Appearance& appearance, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {52, faceHeight + 1}; }

protected:
    void paintContent(QPainter& painter, const QRectF& face) override;
};

} // namespace vell
