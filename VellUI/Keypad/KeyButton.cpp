#include "Keypad/KeyButton.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Keypad/KeypadMetrics.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace vell {

namespace {

constexpr double gridKeyRadius = 9;
constexpr double toolFaceRadius = 8;
constexpr int toolFaceHeight = 34;

KeyPressTracker::Clock steadyClock() {
    return [] {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    };
}

} // namespace

KeyButton::KeyButton(KeypadKey key, Face face, Appearance& appearance, Timing timing, QWidget* parent)
    : QAbstractButton(parent), face_(face), appearance_(appearance),
      tracker_(std::move(key), timing.clock ? timing.clock : steadyClock()),
      pressAnimation_(new QVariantAnimation(this)) {
    setFocusPolicy(Qt::NoFocus);
    setText(QString::fromStdString(tracker_.key().displayLabel()));

    longPressTimer_.setSingleShot(true);
    longPressTimer_.setTimerType(Qt::PreciseTimer);
    longPressTimer_.setInterval(timing.longPress);
    repeatTimer_.setTimerType(Qt::PreciseTimer);
    repeatTimer_.setInterval(timing.repeat);
    connect(&longPressTimer_, &QTimer::timeout, this, [this] {
        tracker_.longPressElapsed();
        syncTimers();
    });
    connect(&repeatTimer_, &QTimer::timeout, this, [this] {
        if (const auto key = tracker_.repeatTick()) send(*key);
    });
    // The release has ended the press (and sent a slide's clear request) before the click is decided.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (const auto key = tracker_.click()) send(*key);
    });

    pressAnimation_->setDuration(80);
    pressAnimation_->setEasingCurve(QEasingCurve::OutQuad);
    connect(pressAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        pressed_ = value.toDouble();
        update();
    });
    connect(&appearance_, &Appearance::changed, this, [this] { update(); });
}

KeyButton::~KeyButton() {
    tracker_.cancel();
}

void KeyButton::setKey(KeypadKey key) {
    if (key == tracker_.key()) return;
    cancelPress();
    tracker_.setKey(std::move(key));
    setText(QString::fromStdString(tracker_.key().displayLabel()));
    updateGeometry();
    update();
}

void KeyButton::setFontScale(double scale) {
    if (scale == fontScale_) return;
    fontScale_ = scale;
    update();
}

void KeyButton::setCompact(bool compact) {
    if (compact == compact_) return;
    compact_ = compact;
    updateGeometry();
    update();
}

double KeyButton::faceOpacity() const {
    const double pressedOpacity = pressStyle() == PressStyle::key ? 0.4 : 0.55;
    return 1 - (1 - pressedOpacity) * pressed_;
}

double KeyButton::faceScale() const {
    return pressStyle() == PressStyle::key ? 1 - 0.03 * pressed_ : 1;
}

QFont KeyButton::labelFont() const {
    if (face_ == Face::token) {
        QFont font = Fonts::monospaced(15);
        font.setWeight(QFont::Medium);
        return font;
    }
    return Fonts::system(KeypadMetrics::labelSize(key(), fontScale_));
}

QColor KeyButton::labelColor() const {
    const bool dark = appearance_.isDark();
    if (face_ == Face::gridKey && key().isAccented()) return Theme::accent.resolve(dark);
    return Theme::ink.resolve(dark);
}

QRectF KeyButton::faceRect() const {
    return QRectF(0, 0, width(), std::max(0, height() - 1));
}

QSize KeyButton::sizeHint() const {
    if (face_ == Face::token) {
        const int textWidth = QFontMetrics(labelFont()).horizontalAdvance(text());
        return {textWidth + 2 * (compact_ ? compactTokenPadding : tokenPadding), toolFaceHeight + 1};
    }
    return {60, 45};
}

bool KeyButton::hitButton(const QPoint& position) const {
    return faceRect().contains(position);
}

void KeyButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(faceOpacity());
    const QRectF face = faceRect();
    const double scale = faceScale();
    painter.translate(face.center());
    painter.scale(scale, scale);
    painter.translate(-face.center());

    const bool dark = appearance_.isDark();
    const bool grid = face_ == Face::gridKey;
    const double radius = grid ? gridKeyRadius : toolFaceRadius;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, grid ? 38 : 31)); // 0.15 and 0.12 of black
    painter.drawRoundedRect(face.translated(0, 1), radius, radius);
    painter.setBrush(Theme::controlBackground.resolve(dark));
    painter.drawRoundedRect(face, radius, radius);

    painter.setFont(labelFont());
    painter.setPen(labelColor());
    painter.drawText(face, Qt::AlignCenter, text());
}

void KeyButton::mousePressEvent(QMouseEvent* event) {
    QAbstractButton::mousePressEvent(event);
    followDown();
    if (event->button() != Qt::LeftButton || !isDown()) return;
    longPressTimer_.stop();
    repeatTimer_.stop();
    tracker_.press({event->position().x(), event->position().y()});
    syncTimers();
}

void KeyButton::mouseMoveEvent(QMouseEvent* event) {
    // A cancelled press stays up until the button is let go: coming back over the key is no click.
    if (!tracker_.isPressed()) {
        event->ignore();
        return;
    }
    QAbstractButton::mouseMoveEvent(event);
    followDown();
    if (!(event->buttons() & Qt::LeftButton)) return;
    tracker_.move({event->position().x(), event->position().y()});
    syncTimers();
}

void KeyButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && tracker_.isPressed()) {
        const std::vector<KeypadKey> keys = tracker_.endPress();
        syncTimers();
        for (const KeypadKey& key : keys)
            send(key);
    }
    QAbstractButton::mouseReleaseEvent(event);
    followDown();
}

void KeyButton::hideEvent(QHideEvent* event) {
    cancelPress();
    QAbstractButton::hideEvent(event);
}

void KeyButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) cancelPress();
    QAbstractButton::changeEvent(event);
}

bool KeyButton::event(QEvent* event) {
    // Another window became the active one, or a modal dialog took the mouse: the release would never
    // come here.
    if (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::WindowBlocked) cancelPress();
    return QAbstractButton::event(event);
}

void KeyButton::send(const KeypadKey& key) {
    if (onKey_) onKey_(key);
}

void KeyButton::syncTimers() {
    if (!tracker_.awaitsLongPress())
        longPressTimer_.stop();
    else if (!longPressTimer_.isActive())
        longPressTimer_.start();
    if (!tracker_.isRepeating())
        repeatTimer_.stop();
    else if (!repeatTimer_.isActive())
        repeatTimer_.start();
}

void KeyButton::cancelPress() {
    tracker_.cancel();
    syncTimers();
    if (isDown()) setDown(false);
    followDown();
}

void KeyButton::followDown() {
    const bool down = isDown();
    if (down == shownDown_) return;
    shownDown_ = down;
    const double target = down ? 1 : 0;
    pressAnimation_->stop();
    if (pressStyle() == PressStyle::flat || !isVisible()) {
        pressed_ = target;
        update();
        return;
    }
    pressAnimation_->setStartValue(pressed_);
    pressAnimation_->setEndValue(target);
    pressAnimation_->start();
}

} // namespace vell
