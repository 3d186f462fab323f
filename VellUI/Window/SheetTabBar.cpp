#include "Window/SheetTabBar.h"

#include "Appearance/Appearance.h"
#include "Appearance/Theme.h"
#include "Dialogs/PromptDialog.h"
#include "Engine/L10n.h"
#include "Stores/DocumentStore.h"
#include "Stores/SheetListModel.h"
#include "Stores/SheetSession.h"
#include "Stores/UiText.h"
#include "Window/SheetRename.h"
#include "Window/SheetTabButton.h"
#include "Window/WindowPalette.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <unordered_map>

namespace vell {

namespace {

constexpr int rowVerticalPadding = 6;
constexpr int newSheetButtonWidth = 30;
constexpr qreal hairlineOpacity = 0.6;
constexpr qreal plainFillOpacity = 0.06;
constexpr qreal pressedOpacity = 0.5;
constexpr qreal disabledOpacity = 0.25;
constexpr int scrollArrowWidth = 24;
// A notch of a mouse wheel moves the row this far.
constexpr int wheelNotchScroll = 60;

// "+" after the last tab: never highlighted.
class NewSheetButton : public QAbstractButton {
public:
    NewSheetButton(Appearance& appearance, QWidget* parent)
        : QAbstractButton(parent), appearance_(appearance) {
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(newSheetButtonWidth, SheetTabButton::tabHeight);
        connect(&appearance_, &Appearance::changed, this, [this] { update(); });
    }

protected:
    bool event(QEvent* event) override {
        // Resolved as it is shown, in the language of the moment.
        if (event->type() == QEvent::ToolTip) setToolTip(uiText("新しいシート", "New sheet"));
        return QAbstractButton::event(event);
    }

    void paintEvent(QPaintEvent*) override {
        const QColor ink = Theme::ink.resolve(appearance_.isDark());
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (isDown()) painter.setOpacity(pressedOpacity);
        QColor fill = ink;
        fill.setAlphaF(static_cast<float>(plainFillOpacity));
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), SheetTabButton::cornerRadius, SheetTabButton::cornerRadius);
        painter.fillPath(path, fill);
        // A plus as heavy as 12-point semibold text.
        const QPointF centre = QRectF(rect()).center();
        constexpr qreal arm = 5;
        painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(centre - QPointF(arm, 0), centre + QPointF(arm, 0));
        painter.drawLine(centre - QPointF(0, arm), centre + QPointF(0, arm));
    }

private:
    Appearance& appearance_;
};

// A chevron beside a row too long for the bar; it repeats while held.
class ScrollArrowButton : public QAbstractButton {
public:
    ScrollArrowButton(Qt::ArrowType direction, Appearance& appearance, QWidget* parent)
        : QAbstractButton(parent), direction_(direction), appearance_(appearance) {
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(scrollArrowWidth, SheetTabBar::barHeight);
        setAutoRepeat(true);
        hide();
        connect(&appearance_, &Appearance::changed, this, [this] { update(); });
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip || event->type() == QEvent::Show)
            setAccessibleName(direction_ == Qt::LeftArrow ? uiText("左のタブへ", "Scroll Tabs Left")
                                                          : uiText("右のタブへ", "Scroll Tabs Right"));
        return QAbstractButton::event(event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled()) painter.setOpacity(disabledOpacity);
        if (isDown()) painter.setOpacity(pressedOpacity);
        const QPointF centre = QRectF(rect()).center();
        const qreal reach = direction_ == Qt::LeftArrow ? -3 : 3;
        painter.setPen(
            QPen(Theme::ink.resolve(appearance_.isDark()), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF chevron[] = {centre + QPointF(-reach, -6), centre + QPointF(reach, 0),
                                   centre + QPointF(-reach, 6)};
        painter.drawPolyline(chevron, 3);
    }

private:
    Qt::ArrowType direction_;
    Appearance& appearance_;
};

} // namespace

SheetTabBar::SheetTabBar(SheetSession& session, SheetListModel& sheets, Appearance& appearance,
                         QWidget* parent)
    : QWidget(parent), store_(session.store()), sheets_(sheets), session_(session), appearance_(appearance),
      scrollArea_(new QScrollArea(this)), row_(new QWidget),
      newSheetButton_(new NewSheetButton(appearance, row_)),
      scrollLeft_(new ScrollArrowButton(Qt::LeftArrow, appearance, this)),
      scrollRight_(new ScrollArrowButton(Qt::RightArrow, appearance, this)), shownSheetID_(session.sheetID()),
      scrollAnimation_(new QPropertyAnimation(this)) {
    setFixedHeight(barHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setWidgetResizable(false);
    scrollArea_->setFocusPolicy(Qt::NoFocus);
    scrollArea_->viewport()->setAutoFillBackground(false);
    row_->setAutoFillBackground(false);
    scrollArea_->setWidget(row_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scrollLeft_);
    layout->addWidget(scrollArea_, 1);
    layout->addWidget(scrollRight_);
    // A wheel turned anywhere over the bar moves the row.
    for (QWidget* part : {scrollArea_->viewport(), static_cast<QWidget*>(newSheetButton_),
                          static_cast<QWidget*>(scrollLeft_), static_cast<QWidget*>(scrollRight_)})
        part->installEventFilter(this);

    scrollAnimation_->setTargetObject(scrollArea_->horizontalScrollBar());
    scrollAnimation_->setPropertyName("value");
    scrollAnimation_->setDuration(defaultScrollDuration);
    scrollAnimation_->setEasingCurve(QEasingCurve::OutCubic);

    connect(newSheetButton_, &QAbstractButton::clicked, this, &SheetTabBar::addSheet);
    connect(scrollLeft_, &QAbstractButton::clicked, this, [this] { scrollByOneTab(false); });
    connect(scrollRight_, &QAbstractButton::clicked, this, [this] { scrollByOneTab(true); });
    QScrollBar* bar = scrollArea_->horizontalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this] {
        placeTabs();
        updateScrollArrows();
    });
    connect(bar, &QScrollBar::rangeChanged, this, &SheetTabBar::updateScrollArrows);
    // The list's changes only: typing in a sheet leaves the row as it is.
    connect(&sheets_, &QAbstractItemModel::rowsInserted, this, &SheetTabBar::syncTabs);
    connect(&sheets_, &QAbstractItemModel::rowsRemoved, this, &SheetTabBar::syncTabs);
    connect(&sheets_, &QAbstractItemModel::rowsMoved, this, &SheetTabBar::syncTabs);
    connect(&sheets_, &QAbstractItemModel::dataChanged, this, &SheetTabBar::syncTabs);
    connect(&sheets_, &QAbstractItemModel::modelReset, this, &SheetTabBar::syncTabs);
    connect(&session_, &SheetSession::sheetIDChanged, this, &SheetTabBar::sheetIDChanged);
    connect(&appearance_, &Appearance::changed, this, [this] { update(); });
    syncTabs();
}

SheetTabButton* SheetTabBar::tab(const Uuid& sheetID) const {
    const auto found = std::find_if(tabs_.begin(), tabs_.end(),
                                    [&](const SheetTabButton* tab) { return tab->sheetID() == sheetID; });
    return found == tabs_.end() ? nullptr : *found;
}

std::optional<std::size_t> SheetTabBar::indexOf(const Uuid& sheetID) const {
    const auto found =
        std::find_if(places_.begin(), places_.end(), [&](const Place& place) { return place.id == sheetID; });
    if (found == places_.end()) return std::nullopt;
    return static_cast<std::size_t>(found - places_.begin());
}

int SheetTabBar::tabWidth(std::size_t index) const {
    return index == selectedIndex_ ? selectedWidth_ : places_[index].width;
}

QRect SheetTabBar::tabPlace(std::size_t index) const {
    return {lefts_[index], rowVerticalPadding, tabWidth(index), SheetTabButton::tabHeight};
}

SheetTabButton* SheetTabBar::makeTab(const Uuid& sheetID) {
    auto* tab = new SheetTabButton(sheetID, appearance_, row_);
    tab->installEventFilter(this);
    connect(tab, &QAbstractButton::clicked, this, [this, sheetID] { select(sheetID); });
    connect(tab, &SheetTabButton::doubleClicked, this, [this, sheetID] { startRename(sheetID); });
    connect(tab, &SheetTabButton::contextMenuRequested, this,
            [this, sheetID](const QPoint& position) { showContextMenu(sheetID, position); });
    tab->setDropHandler(
        [this, sheetID](const std::vector<SheetTabTransfer>& items) { return handleDrop(items, sheetID); });
    return tab;
}

void SheetTabBar::syncTabs() {
    const auto count = static_cast<std::size_t>(sheets_.rowCount());
    bool same = count == places_.size();
    for (std::size_t row = 0; same && row < count; ++row)
        same = sheets_.sheetID(static_cast<int>(row)) == places_[row].id &&
               sheets_.storedName(static_cast<int>(row)) == places_[row].name;
    if (!same) takeSheets();
    updateSelection();
}

void SheetTabBar::takeSheets() {
    const auto count = static_cast<std::size_t>(sheets_.rowCount());
    // A sheet that kept its name keeps its measure. The former places are walked beside the sheets,
    // which finds them for an added or deleted sheet; the index serves the rest.
    std::unordered_map<Uuid, std::size_t> former;
    const auto formerPlace = [&](const Uuid& id, std::size_t guess) -> const Place* {
        for (std::size_t index = guess; index < std::min(guess + 2, places_.size()); ++index)
            if (places_[index].id == id) return &places_[index];
        if (former.empty())
            for (std::size_t index = 0; index < places_.size(); ++index)
                former.emplace(places_[index].id, index);
        const auto found = former.find(id);
        return found == former.end() ? nullptr : &places_[found->second];
    };
    const QFontMetricsF metrics(SheetTabButton::labelFont(false));
    std::vector<Place> next;
    next.reserve(count);
    std::size_t guess = 0;
    for (std::size_t row = 0; row < count; ++row) {
        const Uuid id = *sheets_.sheetID(static_cast<int>(row));
        const std::string& name = sheets_.storedName(static_cast<int>(row));
        const Place* kept = formerPlace(id, guess);
        if (kept) guess = static_cast<std::size_t>(kept - places_.data()) + 1;
        if (kept && kept->name == name)
            next.push_back(*kept);
        else
            next.push_back({id, name, SheetTabButton::widthFor(metrics, QString::fromStdString(name))});
    }
    places_ = std::move(next);
}

void SheetTabBar::layOutRow() {
    lefts_.resize(places_.size() + 1);
    int left = rowPadding;
    for (std::size_t index = 0; index < places_.size(); ++index) {
        lefts_[index] = left;
        left += tabWidth(index) + tabSpacing;
    }
    lefts_.back() = left;
}

void SheetTabBar::placeTabs() {
    const int count = static_cast<int>(places_.size());
    const int scroll = scrollArea_->horizontalScrollBar()->value();
    const auto tabLefts = lefts_.begin() + count;
    // The first tab that reaches into sight and the first wholly past it, widened by the spare tabs.
    int first = static_cast<int>(std::upper_bound(lefts_.begin(), tabLefts, scroll) - lefts_.begin()) - 1;
    int end = static_cast<int>(
        std::lower_bound(lefts_.begin(), tabLefts, scroll + scrollArea_->viewport()->width()) -
        lefts_.begin());
    first = std::max(0, first - spareTabs);
    end = std::min(count, end + spareTabs);

    std::vector<SheetTabButton*> former = tabs_;
    std::vector<SheetTabButton*> next;
    next.reserve(static_cast<std::size_t>(std::max(0, end - first)));
    for (int at = first; at < end; ++at) {
        const auto index = static_cast<std::size_t>(at);
        const Place& place = places_[index];
        const auto kept = std::find_if(former.begin(), former.end(), [&](const SheetTabButton* tab) {
            return tab && tab->sheetID() == place.id;
        });
        SheetTabButton* tab = nullptr;
        if (kept != former.end()) {
            tab = *kept;
            *kept = nullptr;
        } else {
            tab = makeTab(place.id);
        }
        tab->setName(QString::fromStdString(place.name));
        tab->setSelected(index == selectedIndex_);
        tab->setGeometry(tabPlace(index));
        if (tab->isHidden()) tab->show();
        next.push_back(tab);
    }
    for (SheetTabButton* gone : former) {
        if (!gone) continue;
        gone->hide();
        // Later: the sheet may have gone, or its tab left the row, from inside one of the tab's own events.
        gone->deleteLater();
    }
    tabs_ = std::move(next);
    newSheetButton_->move(lefts_.back(), rowVerticalPadding);
}

void SheetTabBar::sheetIDChanged() {
    updateSelection();
    // The session also announces an unchanged id, as when the selected tab is clicked again.
    if (session_.sheetID() == shownSheetID_) return;
    shownSheetID_ = session_.sheetID();
    if (shownSheetID_) scrollToSelected();
}

void SheetTabBar::updateSelection() {
    selectedIndex_ = session_.sheetID() ? indexOf(*session_.sheetID()) : std::nullopt;
    if (selectedIndex_)
        selectedWidth_ = SheetTabButton::widthFor(QFontMetricsF(SheetTabButton::labelFont(true)),
                                                  QString::fromStdString(places_[*selectedIndex_].name));
    layOutRow();
    fitContent();
}

void SheetTabBar::fitContent() {
    const int rowWidth = lefts_.back() + newSheetButtonWidth + rowPadding;
    // Judged against the whole bar, so that the arrows taking their room cannot undo the decision.
    const bool overflows = rowWidth > width();
    if (scrollLeft_->isVisibleTo(this) != overflows) {
        scrollLeft_->setVisible(overflows);
        scrollRight_->setVisible(overflows);
        layout()->activate();
    }
    row_->resize(std::max(scrollArea_->viewport()->width(), rowWidth), barHeight);
    placeTabs();
    updateScrollArrows();
}

void SheetTabBar::updateScrollArrows() {
    const QScrollBar* bar = scrollArea_->horizontalScrollBar();
    scrollLeft_->setEnabled(bar->value() > bar->minimum());
    scrollRight_->setEnabled(bar->value() < bar->maximum());
}

void SheetTabBar::scrollByOneTab(bool rightwards) {
    scrollAnimation_->stop();
    QScrollBar* bar = scrollArea_->horizontalScrollBar();
    const int viewWidth = scrollArea_->viewport()->width();
    const std::size_t plus = places_.size();
    const auto rightOf = [&](std::size_t item) {
        return lefts_[item] + (item == plus ? newSheetButtonWidth : tabWidth(item)) - 1;
    };
    // The next item (a tab or "+") cut off (or wholly hidden) on that side comes wholly into sight,
    // with the row's padding beside it.
    int target = bar->value();
    if (rightwards) {
        std::size_t low = 0;
        std::size_t high = plus + 1;
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (rightOf(middle) >= bar->value() + viewWidth)
                high = middle;
            else
                low = middle + 1;
        }
        if (low <= plus) target = rightOf(low) + 1 + rowPadding - viewWidth;
    } else {
        const auto after = std::lower_bound(lefts_.begin(), lefts_.end(), bar->value());
        if (after != lefts_.begin()) target = *(after - 1) - rowPadding;
    }
    bar->setValue(std::clamp(target, bar->minimum(), bar->maximum()));
}

void SheetTabBar::keepSelectedInSight() {
    const auto selected = shownSheetID_ ? indexOf(*shownSheetID_) : std::nullopt;
    if (!selected || scrollAnimation_->state() == QAbstractAnimation::Running) return;
    QScrollBar* bar = scrollArea_->horizontalScrollBar();
    const int viewWidth = scrollArea_->viewport()->width();
    const QRect place = tabPlace(*selected);
    int target = bar->value();
    if (place.right() + 1 + rowPadding > target + viewWidth)
        target = place.right() + 1 + rowPadding - viewWidth;
    if (place.left() - rowPadding < target) target = place.left() - rowPadding;
    bar->setValue(std::clamp(target, bar->minimum(), bar->maximum()));
}

bool SheetTabBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && watched->isWidgetType()) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        // A touchpad reports pixels; a wheel notches, mostly vertical ones, which move the row sideways.
        const QPoint pixels = wheel->pixelDelta();
        const QPoint angle = wheel->angleDelta();
        int step = 0;
        if (!pixels.isNull())
            step = pixels.x() != 0 ? pixels.x() : pixels.y();
        else
            step = (angle.x() != 0 ? angle.x() : angle.y()) * wheelNotchScroll / 120;
        if (wheel->inverted()) step = -step;
        if (step != 0) {
            scrollAnimation_->stop();
            QScrollBar* bar = scrollArea_->horizontalScrollBar();
            bar->setValue(std::clamp(bar->value() - step, bar->minimum(), bar->maximum()));
        }
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SheetTabBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitContent();
    keepSelectedInSight();
}

void SheetTabBar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitContent();
    keepSelectedInSight();
}

void SheetTabBar::setScrollDuration(int milliseconds) {
    scrollAnimation_->setDuration(std::max(0, milliseconds));
}

void SheetTabBar::scrollToSelected() {
    const auto selected = shownSheetID_ ? indexOf(*shownSheetID_) : std::nullopt;
    if (!selected) return;
    fitContent();
    QScrollBar* bar = scrollArea_->horizontalScrollBar();
    const int target = std::clamp(tabPlace(*selected).center().x() - scrollArea_->viewport()->width() / 2,
                                  bar->minimum(), bar->maximum());
    scrollAnimation_->stop();
    if (scrollAnimation_->duration() == 0 || target == bar->value()) {
        bar->setValue(target);
        return;
    }
    scrollAnimation_->setStartValue(bar->value());
    scrollAnimation_->setEndValue(target);
    scrollAnimation_->start();
}

void SheetTabBar::select(const Uuid& sheetID) {
    session_.select(sheetID);
}

void SheetTabBar::addSheet() {
    session_.addSheet();
}

void SheetTabBar::startRename(const Uuid& sheetID) {
    const Sheet* sheet = store_.sheet(sheetID);
    if (!sheet) return;
    if (renamePrompt_) renamePrompt_->dismiss();
    auto* prompt = new PromptDialog(*window());
    prompt->setTitle(uiText("シートの名前", "Sheet Name"));
    prompt->setField(uiText("名前", "Name"), QString::fromStdString(sheet->name));
    prompt->addButton(uiText("変更", "Rename"), PromptDialog::Role::accept);
    prompt->addButton(uiText("キャンセル", "Cancel"), PromptDialog::Role::cancel);
    connect(prompt, &PromptDialog::answered, this,
            [this, sheetID](PromptDialog::Role role, const QString& name) {
                if (role == PromptDialog::Role::accept) SheetRename::commit(store_, sheetID, name);
            });
    renamePrompt_ = prompt;
    prompt->open();
}

PromptDialog* SheetTabBar::renamePrompt() const {
    return renamePrompt_ && renamePrompt_->isVisible() ? renamePrompt_.data() : nullptr;
}

bool SheetTabBar::handleDrop(const std::vector<SheetTabTransfer>& items, const Uuid& targetSheetID) {
    if (items.empty()) return false;
    store_.moveSheet(items.front().id, targetSheetID);
    return true;
}

QMenu* SheetTabBar::makeContextMenu(const Uuid& sheetID, QWidget* parent) {
    auto* menu = new QMenu(parent);
    const std::vector<Sheet>& sheets = store_.sheets();
    menu->addAction(uiText("名前を変更", "Rename"), this, [this, sheetID] { startRename(sheetID); });
    // The copy shows in the window it was made from.
    menu->addAction(uiText("複製", "Duplicate"), this, [this, sheetID] { session_.duplicateSheet(sheetID); });
    menu->addSeparator();
    QAction* left = menu->addAction(uiText("← 左へ移動", "← Move Left"), this,
                                    [this, sheetID] { store_.moveSheet(sheetID, -1); });
    left->setEnabled(!sheets.empty() && sheets.front().id != sheetID);
    QAction* right = menu->addAction(uiText("右へ移動 →", "Move Right →"), this,
                                     [this, sheetID] { store_.moveSheet(sheetID, 1); });
    right->setEnabled(!sheets.empty() && sheets.back().id != sheetID);
    menu->addSeparator();
    QAction* remove =
        menu->addAction(uiText("削除", "Delete"), this, [this, sheetID] { store_.deleteSheet(sheetID); });
    remove->setEnabled(sheets.size() >= 2);
    return menu;
}

void SheetTabBar::showContextMenu(const Uuid& sheetID, const QPoint& globalPosition) {
    QMenu* menu = makeContextMenu(sheetID, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Not exec(): a chosen Delete removes the tab whose event would still be running.
    menu->popup(globalPosition);
}

void SheetTabBar::paintEvent(QPaintEvent*) {
    const bool dark = appearance_.isDark();
    QPainter painter(this);
    painter.fillRect(rect(), Theme::windowBackground.resolve(dark));
    QColor hairline = Theme::separator.resolve(dark);
    hairline.setAlphaF(static_cast<float>(hairlineOpacity));
    painter.fillRect(QRect(0, height() - 1, width(), 1), hairline);
}

} // namespace vell
