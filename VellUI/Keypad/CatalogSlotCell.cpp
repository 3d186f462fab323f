#include "Keypad/CatalogSlotCell.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"

#include <QAction>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

namespace vell {

namespace {

QColor accentAt(double opacity, bool dark) {
    QColor color = Theme::accent.resolve(dark);
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

// A one-pixel line drawn inside the edge of `face`.
void strokeInside(QPainter& painter, const QRectF& face, QPen pen) {
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF inside = face.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawRoundedRect(inside, SlotFace::radius - 0.5, SlotFace::radius - 0.5);
}

} // namespace

QFont SlotFace::labelFont(const QString& label) {
    const QList<uint> points = label.toUcs4();
    const bool loneSign = points.size() == 1 && (QChar::category(points.front()) == QChar::Symbol_Math ||
                                                 QChar::category(points.front()) == QChar::Symbol_Currency ||
                                                 QChar::category(points.front()) == QChar::Symbol_Other);
    QFont font = loneSign ? Fonts::system(13) : Fonts::monospaced(13);
    font.setWeight(QFont::Medium);
    return font;
}

namespace {

QFont scaled(const QFont& font, double scale) {
    QFont smaller = font;
    smaller.setPointSizeF(font.pointSizeF() * scale);
    return smaller;
}

double smallestScale(const QFont& natural) {
    return std::min(1.0, SlotFace::minimumLabelSize / (natural.pointSizeF() * 96 / 72));
}

// The label on two lines at its last space, if it has one between words.
std::optional<QString> brokenInTwo(const QString& label) {
    const qsizetype space = label.lastIndexOf(QLatin1Char(' '));
    if (space <= 0 || space + 1 >= label.size()) return std::nullopt;
    return label.left(space) + QLatin1Char('\n') + label.mid(space + 1);
}

double widestLine(const QFontMetricsF& metrics, const QString& text) {
    double widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

bool fits(const QFont& font, const QString& text, double room) {
    const QFontMetricsF metrics(font);
    return widestLine(metrics, text) <= room &&
           metrics.boundingRect(QRectF(0, 0, room, 1000), Qt::AlignCenter, text).height() <= SlotFace::height;
}

} // namespace

SlotFace::Label SlotFace::fittedLabel(const QString& label, double faceWidth) {
    const QFont natural = labelFont(label);
    const double room = faceWidth - 2 * labelInset;
    const double advance = QFontMetricsF(natural).horizontalAdvance(label);
    if (advance <= room || advance <= 0) return {natural, label};
    const double smallest = smallestScale(natural);
    // Hinted glyphs do not shrink in proportion to the size: step down until the label really fits.
    for (double scale = std::max(smallest, room / advance);; scale -= 0.02) {
        scale = std::max(scale, smallest);
        const QFont font = scaled(natural, scale);
        if (fits(font, label, room)) return {font, label};
        if (scale <= smallest) break;
    }
    if (const std::optional<QString> lines = brokenInTwo(label)) {
        for (double scale = 1;; scale -= 0.02) {
            scale = std::max(scale, smallest);
            const QFont font = scaled(natural, scale);
            if (fits(font, *lines, room)) return {font, *lines};
            if (scale <= smallest) break;
        }
    }
    const QFont font = scaled(natural, smallest);
    return {font, QFontMetricsF(font).elidedText(label, Qt::ElideRight, room)};
}

double SlotFace::narrowestFace(const QString& label) {
    const QFont natural = labelFont(label);
    const QFont font = scaled(natural, smallestScale(natural));
    const QFontMetricsF metrics(font);
    double width = metrics.horizontalAdvance(label);
    if (const std::optional<QString> lines = brokenInTwo(label)) {
        const double twoLines = widestLine(metrics, *lines);
        if (twoLines < width && fits(font, *lines, twoLines + 1)) width = twoLines;
    }
    return std::ceil(width) + 2 * labelInset;
}

void SlotFace::paint(QPainter& painter, const QRectF& face, const KeySlot& slot, bool arranging, bool dark) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (const FunctionItem* item = slot.item()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 31)); // 0.12 of black
        painter.drawRoundedRect(face.translated(0, 1), radius, radius);
        painter.setBrush(Theme::controlBackground.resolve(dark));
        painter.drawRoundedRect(face, radius, radius);

        const Label shown = fittedLabel(QString::fromStdString(item->label), face.width());
        painter.setFont(shown.font);
        painter.setPen(Theme::ink.resolve(dark));
        int flags = Qt::AlignCenter;
        if (!shown.text.contains(QLatin1Char('\n'))) flags |= Qt::TextSingleLine;
        painter.drawText(face.adjusted(labelInset, 0, -labelInset, 0), flags, shown.text);
    } else if (arranging) {
        QPen dashes(accentAt(0.45, dark), 1);
        dashes.setDashPattern({3, 3});
        strokeInside(painter, face, dashes);
    }
    painter.restore();
}

CatalogSlotCell::CatalogSlotCell(KeySlot slot, Appearance& appearance, QWidget* parent)
    : QAbstractButton(parent), slot_(std::move(slot)), appearance_(appearance),
      rearrangeAction_(new QAction(this)) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, false);
    addAction(rearrangeAction_);
    connect(rearrangeAction_, &QAction::triggered, this, &CatalogSlotCell::rearrangeRequested);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (arranging_) return;
        if (const FunctionItem* item = slot_.item()) emit keyClicked(*item);
    });
    connect(&appearance_, &Appearance::changed, this, [this] { update(); });
    retranslate();
    updateOffers();
}

void CatalogSlotCell::setSlot(KeySlot slot) {
    if (slot == slot_) return;
    slot_ = std::move(slot);
    updateOffers();
    update();
}

void CatalogSlotCell::setArranging(bool arranging) {
    if (arranging == arranging_) return;
    arranging_ = arranging;
    if (arranging_ && isDown()) setDown(false);
    updateOffers();
    update();
}

void CatalogSlotCell::setLifted(bool lifted) {
    if (lifted == lifted_) return;
    lifted_ = lifted;
    update();
}

double CatalogSlotCell::faceOpacity() const {
    if (lifted_) return 0.2;
    if (isDown() && slot_.item()) return 0.55;
    return 1;
}

void CatalogSlotCell::retranslate() {
    rearrangeAction_->setText(QString::fromStdString(L10n::text("キーを並べ替える", "Rearrange Keys")));
}

void CatalogSlotCell::updateOffers() {
    const FunctionItem* item = slot_.item();
    setText(item ? QString::fromStdString(item->label) : QString());
    setToolTip(item && !arranging_ ? QString::fromStdString(item->note) : QString());
    setContextMenuPolicy(arranging_ ? Qt::NoContextMenu : Qt::ActionsContextMenu);
}

void CatalogSlotCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setOpacity(faceOpacity());
    const bool dark = appearance_.isDark();
    const QRectF face(rect());
    SlotFace::paint(painter, face, slot_, arranging_, dark);
    if (arranging_ && !lifted_ && slot_.item()) {
        painter.setRenderHint(QPainter::Antialiasing);
        strokeInside(painter, face, QPen(accentAt(0.35, dark), 1));
    }
}

// While arranging, every press belongs to the panel's gesture.
void CatalogSlotCell::mousePressEvent(QMouseEvent* event) {
    if (arranging_ || !slot_.item()) {
        event->ignore();
        return;
    }
    QAbstractButton::mousePressEvent(event);
    update();
}

void CatalogSlotCell::mouseMoveEvent(QMouseEvent* event) {
    if (arranging_ || !slot_.item()) {
        event->ignore();
        return;
    }
    QAbstractButton::mouseMoveEvent(event);
    update();
}

void CatalogSlotCell::mouseReleaseEvent(QMouseEvent* event) {
    if (arranging_ || !slot_.item()) {
        if (isDown()) setDown(false);
        event->ignore();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
    update();
}

void CatalogSlotCell::mouseDoubleClickEvent(QMouseEvent* event) {
    if (arranging_ || !slot_.item()) {
        event->ignore();
        return;
    }
    QAbstractButton::mouseDoubleClickEvent(event);
}

} // namespace vell

namespace vell {

namespace {

// Room for the shadow around the scaled face.
constexpr double shadowMargin = 10;

} // namespace

DraggedSlot::DraggedSlot(KeySlot slot, double width, Appearance& appearance, QWidget* parent)
    : QWidget(parent), slot_(std::move(slot)), face_(width, SlotFace::height), appearance_(appearance) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    resize(
        QSizeF(face_.width() * scale + 2 * shadowMargin, face_.height() * scale + 2 * shadowMargin).toSize() +
        QSize(1, 1));
}

QRectF DraggedSlot::faceRect() const {
    const QSizeF scaled = face_ * scale;
    const QPointF middle = QRectF(geometry()).center();
    return QRectF(middle - QPointF(scaled.width() / 2, scaled.height() / 2), scaled);
}

void DraggedSlot::centreAt(QPointF point) {
    const QSizeF size(width(), height());
    move((point - QPointF(size.width() / 2, size.height() / 2)).toPoint());
}

void DraggedSlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF middle = QRectF(rect()).center();
    painter.translate(middle);
    painter.scale(scale, scale);
    const QRectF face(QPointF(-face_.width() / 2, -face_.height() / 2), face_);

    // A soft shadow a little below a key: rings fading outwards. A gap is only an outline and casts none.
    painter.setPen(Qt::NoPen);
    constexpr int rings = 6;
    for (int ring = rings; ring >= 1 && slot_.item(); --ring) {
        painter.setBrush(QColor(0, 0, 0, 64 / rings)); // 0.25 of black at the middle
        const double grow = ring;
        painter.drawRoundedRect(face.translated(0, 2).adjusted(-grow, -grow, grow, grow),
                                SlotFace::radius + grow, SlotFace::radius + grow);
    }
    SlotFace::paint(painter, face, slot_, true, appearance_.isDark());
}

} // namespace vell
