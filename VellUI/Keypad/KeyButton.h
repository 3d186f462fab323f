#pragma once

// One key of the keypad: a face drawn by hand, the key sent once per click, caret keys and backspace
// repeated while held, and backspace slid sideways turned into a request to clear the sheet. The key
// never takes the keyboard focus, so the editor keeps the caret.

#include "Keypad/KeyPressTracker.h"
#include "Keypad/KeypadKey.h"

#include <QAbstractButton>
#include <QTimer>
#include <chrono>
#include <functional>

class QVariantAnimation;

namespace vell {

class Appearance;

// How long a key is held before it repeats, and how often it repeats then.
struct KeyTiming {
    std::chrono::milliseconds longPress{450};
    std::chrono::milliseconds repeat{80};
    // Seconds, monotonic; a steady clock when empty.
    KeyPressTracker::Clock clock;
};

class KeyButton : public QAbstractButton {
    Q_OBJECT

public:
    // A grid key fills its cell with a rounded face and the key's label; a token key is the label in
    // monospaced letters on a tool face as wide as the label needs.
    enum class Face {
        gridKey,
        token
    };
    // While pressed: `key` fades the face to 0.4 and shrinks it to 0.97 over 80 ms; `flat` fades it
    // to 0.55 at once. Grid keys press as keys, token keys flat.
    enum class PressStyle {
        key,
        flat
    };

    using Timing = KeyTiming;

    using OnKey = std::function<void(const KeypadKey&)>;

    KeyButton(KeypadKey key, Face face, Appearance& appearance, Timing timing = {},
              QWidget* parent = nullptr);
    ~KeyButton() override;

    const KeypadKey& key() const { return tracker_.key(); }
    // Ends a press going on, sending nothing.
    void setKey(KeypadKey key);
    void setOnKey(OnKey onKey) { onKey_ = std::move(onKey); }

    double fontScale() const { return fontScale_; }
    void setFontScale(double scale);

    Face face() const { return face_; }
    // A token key's room left and right of its label; less where the tool row is short of room, still
    // leaving the narrowest key 24 wide, the least a pointer should have to hit.
    static constexpr int tokenPadding = 13;
    static constexpr int compactTokenPadding = 8;
    bool isCompact() const { return compact_; }
    void setCompact(bool compact);
    PressStyle pressStyle() const { return face_ == Face::gridKey ? PressStyle::key : PressStyle::flat; }
    // What the face is drawn with now, pressed or not.
    double faceOpacity() const;
    double faceScale() const;
    QFont labelFont() const;
    QColor labelColor() const;
    // The face; the shadow falls one pixel below it.
    QRectF faceRect() const;

    const KeyPressTracker& tracker() const { return tracker_; }
    bool isRepeating() const { return repeatTimer_.isActive(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    void send(const KeypadKey& key);
    void syncTimers();
    // Stops the repeat and drops an armed slide, sending nothing.
    void cancelPress();
    // Moves the press style towards the button's down state.
    void followDown();

    Face face_;
    Appearance& appearance_;
    KeyPressTracker tracker_;
    OnKey onKey_;
    QTimer longPressTimer_;
    QTimer repeatTimer_;
    QVariantAnimation* pressAnimation_;
    double fontScale_ = 1;
    bool compact_ = false;
    // 0 at rest, 1 fully pressed.
    double pressed_ = 0;
    bool shownDown_ = false;
};

} // namespace vell
