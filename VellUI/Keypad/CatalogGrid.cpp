#include "Keypad/CatalogGrid.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Keypad/CatalogSlotCell.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <algorithm>
#include <cmath>

namespace vell {

namespace {

constexpr int titleIndent = 2;

QFont titleFont() {
    return Fonts::system(10, QFont::DemiBold);
}

// The small "✕" over a gap while arranging, which takes the gap away.
class RemoveGapButton : public QAbstractButton {
public:
    static constexpr QSize badgeSize{30, 26};

    RemoveGapButton(Appearance& appearance, QWidget* parent)
        : QAbstractButton(parent), appearance_(appearance) {
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(badgeSize);
        setText(QStringLiteral("✕"));
        connect(&appearance_, &Appearance::changed, this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        if (isDown()) painter.setOpacity(0.5);
        QColor accent = Theme::accent.resolve(appearance_.isDark());
        accent.setAlphaF(0.8f);
        painter.setPen(accent);
        painter.setFont(Fonts::system(10, QFont::DemiBold));
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
    // The whole frame answers, not only the glyph.
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }

private:
    Appearance& appearance_;
};

} // namespace

CatalogGrid::CatalogGrid(KeyLayoutStore::Kind kind, int minimumKeyWidth, int columns, KeyLayoutStore& store,
                         Appearance& appearance, CatalogTiming timing, QWidget* parent)
    : QWidget(parent), kind_(kind), minimumKeyWidth_(minimumKeyWidth), columns_(columns), store_(store),
      appearance_(appearance), timing_(timing) {
    setFocusPolicy(Qt::NoFocus);
    holdTimer_.setSingleShot(true);
    holdTimer_.setTimerType(Qt::PreciseTimer);
    holdTimer_.setInterval(timing_.hold);
    connect(&holdTimer_, &QTimer::timeout, this, [this] {
        if (liftedId_) dragging_ = true;
    });
    connect(&store_, &KeyLayoutStore::changed, this, &CatalogGrid::rebuild);
    connect(&appearance_, &Appearance::changed, this, [this] { retranslate(); });
    rebuild();
}

CatalogGrid::~CatalogGrid() {
    holdTimer_.stop();
}

void CatalogGrid::setArranging(bool arranging) {
    if (arranging == arranging_) return;
    arranging_ = arranging;
    if (!arranging_) dropLifted();
    for (auto& [id, cell] : cells_)
        cell->setArranging(arranging_);
    updateBadges();
}

void CatalogGrid::rebuild() {
    groups_ = store_.groups(kind_);

    std::map<std::string, CatalogSlotCell*, std::less<>> kept;
    std::vector<CatalogSlotCell*> added;
    for (const SlotGroup& group : groups_) {
        for (const KeySlot& slot : group.keySlots) {
            if (const auto old = cells_.find(slot.id()); old != cells_.end()) {
                old->second->setSlot(slot);
                kept.emplace(slot.id(), old->second);
                cells_.erase(old);
                continue;
            }
            auto* cell = new CatalogSlotCell(slot, appearance_, this);
            cell->setArranging(arranging_);
            cell->installEventFilter(this);
            connect(cell, &CatalogSlotCell::keyClicked, this, [this](const FunctionItem& item) {
                if (onKey_) onKey_(item);
            });
            connect(cell, &CatalogSlotCell::rearrangeRequested, this, &CatalogGrid::rearrangeRequested);
            kept.emplace(slot.id(), cell);
            added.push_back(cell);
        }
    }
    for (auto& [id, cell] : cells_) {
        slides_.erase(id);
        cell->hide();
        cell->deleteLater();
    }
    cells_ = std::move(kept);

    while (titles_.size() < groups_.size()) {
        auto* title = new QLabel(this);
        title->setFont(titleFont());
        title->setTextFormat(Qt::PlainText);
        title->setAttribute(Qt::WA_TransparentForMouseEvents);
        titles_.push_back(title);
    }
    while (titles_.size() > groups_.size()) {
        delete titles_.back();
        titles_.pop_back();
    }
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Theme::windowSecondaryInk.resolve(appearance_.isDark()));
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        titles_[i]->setText(QString::fromStdString(groups_[i].title));
        titles_[i]->setPalette(palette);
        titles_[i]->setVisible(!groups_[i].title.empty());
    }

    if (liftedId_ && !cells_.contains(*liftedId_)) dropLifted();
    updateBadges();
    relayout(animateNextLayout_);
    for (CatalogSlotCell* cell : added) {
        if (const auto frame = frameOf(cell->slot().id())) placeCell(*cell, *frame, false);
        cell->show();
    }
    for (auto& [id, badge] : badges_)
        badge->raise();
    if (copy_) copy_->raise();
}

void CatalogGrid::retranslate() {
    rebuild();
    for (auto& [id, cell] : cells_)
        cell->retranslate();
    updateBadges();
}

int CatalogGrid::columnCount(int width) const {
    if (columns_ > 0) return columns_;
    const int room = std::max(0, width - rightPadding);
    return std::max(1, (room + spacing) / (minimumKeyWidth_ + spacing));
}

int CatalogGrid::minimumWidth() const {
    // Read afresh, so that a change of language is measured whichever part hears of it first.
    const std::vector<SlotGroup> groups = store_.groups(kind_);
    double column = columns_ > 0 ? 0 : minimumKeyWidth_;
    int title = 0;
    const QFontMetrics titleMetrics(titleFont());
    for (const SlotGroup& group : groups) {
        title = std::max(title, titleMetrics.horizontalAdvance(QString::fromStdString(group.title)));
        for (const KeySlot& slot : group.keySlots)
            if (const FunctionItem* item = slot.item())
                column = std::max(column, SlotFace::narrowestFace(QString::fromStdString(item->label)));
    }
    const int columns = columns_ > 0 ? columns_ : 2;
    const int keys = columns * static_cast<int>(std::ceil(column)) + (columns - 1) * spacing;
    return std::max(keys, titleIndent + title) + rightPadding;
}

CatalogGrid::Layout CatalogGrid::layoutFor(int width) const {
    Layout layout;
    const int room = std::max(0, width - rightPadding);
    const int columns = columnCount(width);
    const double columnWidth = std::max(0.0, double(room - spacing * (columns - 1)) / columns);
    const int titleHeight = QFontMetrics(titleFont()).height();
    int y = padding;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const SlotGroup& group = groups_[g];
        if (g > 0) y += groupSpacing;
        if (group.title.empty()) {
            layout.titleTops.push_back(-1);
        } else {
            layout.titleTops.push_back(y);
            y += titleHeight + groupSpacing;
        }
        const int count = static_cast<int>(group.keySlots.size());
        for (int i = 0; i < count; ++i) {
            const int row = i / columns;
            const int column = i % columns;
            const double left = column * (columnWidth + spacing);
            const int x0 = static_cast<int>(std::lround(left));
            const int x1 = static_cast<int>(std::lround(left + columnWidth));
            layout.frames.push_back(
                SlotFrame{group.keySlots[static_cast<std::size_t>(i)].id(),
                          QRect(x0, y + row * (SlotFace::height + spacing), x1 - x0, SlotFace::height)});
        }
        // An empty group keeps one row, so its title does not sit on the next group's.
        const int rows = std::max(1, (count + columns - 1) / columns);
        y += rows * SlotFace::height + (rows - 1) * spacing;
    }
    layout.height = y + padding;
    return layout;
}

int CatalogGrid::heightForWidth(int width) const {
    return layoutFor(width).height;
}

void CatalogGrid::relayout(bool animated) {
    Layout layout = layoutFor(width());
    frames_ = std::move(layout.frames);
    for (std::size_t g = 0; g < titles_.size() && g < layout.titleTops.size(); ++g) {
        if (layout.titleTops[g] < 0) continue;
        QLabel* title = titles_[g];
        title->setGeometry(titleIndent, layout.titleTops[g],
                           std::max(0, width() - titleIndent - rightPadding), title->sizeHint().height());
    }
    for (const SlotFrame& slot : frames_)
        if (CatalogSlotCell* cell = this->cell(slot.id)) placeCell(*cell, slot.frame, animated);
    if (height() != layout.height) resize(width(), layout.height);
}

void CatalogGrid::placeCell(CatalogSlotCell& cell, const QRect& frame, bool animated) {
    const std::string& id = cell.slot().id();
    QPointer<QPropertyAnimation>& slide = slides_[id];
    if (!animated || timing_.slide.count() <= 0 || !isVisible()) {
        if (slide) slide->stop();
        cell.setGeometry(frame);
        return;
    }
    if (slide && slide->state() == QAbstractAnimation::Running && slide->endValue().toRect() == frame) return;
    if (slide) slide->stop();
    if (cell.geometry() == frame) return;
    slide = new QPropertyAnimation(&cell, "geometry", &cell);
    slide->setDuration(static_cast<int>(timing_.slide.count()));
    slide->setEasingCurve(QEasingCurve::InOutQuad);
    slide->setStartValue(cell.geometry());
    slide->setEndValue(frame);
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void CatalogGrid::updateBadges() {
    std::map<std::string, QAbstractButton*, std::less<>> kept;
    if (arranging_) {
        for (const SlotGroup& group : groups_) {
            for (const KeySlot& slot : group.keySlots) {
                if (!slot.isBlank()) continue;
                QAbstractButton* badge = nullptr;
                if (const auto old = badges_.find(slot.id()); old != badges_.end()) {
                    badge = old->second;
                    badges_.erase(old);
                } else {
                    badge = new RemoveGapButton(appearance_, this);
                    connect(badge, &QAbstractButton::clicked, this,
                            [this, id = slot.id()] { store_.removeBlank(id, kind_); });
                    badge->show();
                }
                badge->setToolTip(QString::fromStdString(L10n::text("この空きを消す", "Remove this gap")));
                kept.emplace(slot.id(), badge);
            }
        }
    }
    for (auto& [id, badge] : badges_) {
        badge->hide();
        badge->deleteLater();
    }
    badges_ = std::move(kept);
    for (auto& [id, badge] : badges_) {
        placeBadge(id);
        badge->raise();
    }
    if (copy_) copy_->raise();
}

void CatalogGrid::placeBadge(const std::string& gapId) {
    const auto badge = badges_.find(gapId);
    const CatalogSlotCell* cell = this->cell(gapId);
    if (badge == badges_.end() || !cell) return;
    QRect frame(QPoint(), RemoveGapButton::badgeSize);
    frame.moveCenter(cell->geometry().center());
    badge->second->setGeometry(frame);
}

std::optional<QRect> CatalogGrid::frameOf(std::string_view id) const {
    for (const SlotFrame& slot : frames_)
        if (slot.id == id) return slot.frame;
    return std::nullopt;
}

CatalogSlotCell* CatalogGrid::cell(std::string_view id) const {
    const auto found = cells_.find(id);
    return found == cells_.end() ? nullptr : found->second;
}

std::vector<std::vector<std::string>> CatalogGrid::shownOrder() const {
    std::vector<std::vector<std::string>> order;
    for (const SlotGroup& group : groups_) {
        std::vector<std::string>& ids = order.emplace_back();
        for (const KeySlot& slot : group.keySlots)
            ids.push_back(slot.id());
    }
    return order;
}

QAbstractButton* CatalogGrid::removeButton(std::string_view gapId) const {
    const auto found = badges_.find(gapId);
    return found == badges_.end() ? nullptr : found->second;
}

// --- The arranging gesture -------------------------------------------------------------------------

// The slots are looked up where they belong, not where their cells are drawn: those places never
// overlap, also while cells are still sliding, so the slot under the pointer is always one.
std::optional<std::string> CatalogGrid::slotAt(QPointF point) const {
    for (const SlotFrame& slot : frames_)
        if (QRectF(slot.frame).contains(point)) return slot.id;
    return std::nullopt;
}

void CatalogGrid::lift(const std::string& id) {
    CatalogSlotCell* cell = this->cell(id);
    if (!cell) return;
    liftedId_ = id;
    dragging_ = false;
    cell->setLifted(true);
    const std::optional<QRect> frame = frameOf(id);
    copy_ = new DraggedSlot(cell->slot(), frame ? frame->width() : minimumKeyWidth_, appearance_, this);
    copy_->centreAt(frame ? QRectF(*frame).center() : QPointF());
    copy_->show();
    copy_->raise();
}

void CatalogGrid::moveCopyTo(QPointF point) {
    if (copy_) copy_->centreAt(point);
}

void CatalogGrid::dragOver(QPointF point) {
    if (!liftedId_) return;
    const std::string lifted = *liftedId_;
    std::optional<std::string> target;
    for (const SlotFrame& slot : frames_) {
        if (slot.id != lifted && QRectF(slot.frame).contains(point)) {
            target = slot.id;
            break;
        }
    }
    if (!target) return;
    animateNextLayout_ = true;
    store_.move(lifted, *target, kind_);
    animateNextLayout_ = false;
}

void CatalogGrid::dropLifted() {
    holdTimer_.stop();
    const bool wasLifted = liftedId_.has_value();
    dragging_ = false;
    if (liftedId_) {
        if (CatalogSlotCell* cell = this->cell(*liftedId_)) cell->setLifted(false);
        liftedId_.reset();
    }
    delete copy_;
    copy_ = nullptr;
    if (wasLifted) emit dragEnded();
}

void CatalogGrid::dragAt(QPointF point) {
    if (!liftedId_ || !dragging_) return;
    moveCopyTo(point);
    dragOver(point);
}

void CatalogGrid::mousePressEvent(QMouseEvent* event) {
    if (!arranging_ || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    dropLifted();
    if (const auto id = slotAt(event->position())) {
        pressPoint_ = event->position();
        lift(*id);
        holdTimer_.start();
    }
}

void CatalogGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!liftedId_) {
        event->ignore();
        return;
    }
    if (!dragging_) {
        // Until the slot has been held long enough, moving away gives the press up.
        if (QLineF(pressPoint_, event->position()).length() > pressSlop) dropLifted();
        return;
    }
    moveCopyTo(event->position());
    dragOver(event->position());
    emit dragMoved(event->position());
}

void CatalogGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (!liftedId_) {
        event->ignore();
        return;
    }
    dropLifted();
}

void CatalogGrid::contextMenuEvent(QContextMenuEvent* event) {
    // While arranging no menu opens, neither here nor further out.
    if (arranging_)
        event->accept();
    else
        event->ignore();
}

void CatalogGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (event->oldSize().width() != width()) relayout(false);
}

void CatalogGrid::hideEvent(QHideEvent* event) {
    dropLifted();
    QWidget::hideEvent(event);
}

bool CatalogGrid::event(QEvent* event) {
    // The release would never come here.
    if (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::WindowBlocked) dropLifted();
    return QWidget::event(event);
}

bool CatalogGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        if (auto* cell = qobject_cast<CatalogSlotCell*>(watched); cell && cell->slot().isBlank())
            placeBadge(cell->slot().id());
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vell
