#include "Keypad/CatalogPanel.h"

#include "Keypad/ArrangeHeader.h"
#include "Keypad/CatalogGrid.h"
#include "Stores/AppSettings.h"
#include "Stores/KeyLayoutStore.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

namespace vell {

CatalogPanel::CatalogPanel(CatalogPanelSpec spec, Services services, QWidget* parent)
    : QWidget(parent), spec_(spec), store_(services.store),
      header_(new ArrangeHeader(services.appearance, this)), scroll_(new QScrollArea(this)),
      grid_(new CatalogGrid(spec.kind, spec.minimumKeyWidth, spec.columns, services.store,
                            services.appearance, services.timing)),
      headerSlide_(new QVariantAnimation(this)), autoScroll_(new QTimer(this)) {
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(false);
    scroll_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setWidget(grid_);
    grid_->setAutoFillBackground(false);
    scroll_->viewport()->installEventFilter(this);
    header_->hide();

    grid_->setOnKey([this](const FunctionItem& item) {
        if (onKey_) onKey_(keyFor(item));
    });
    connect(grid_, &CatalogGrid::rearrangeRequested, this, [this] { setArranging(true); });
    autoScroll_->setInterval(16);
    connect(autoScroll_, &QTimer::timeout, this, &CatalogPanel::scrollTick);
    connect(grid_, &CatalogGrid::dragMoved, this, &CatalogPanel::dragMoved);
    connect(grid_, &CatalogGrid::dragEnded, autoScroll_, &QTimer::stop);
    connect(header_, &ArrangeHeader::addGapClicked, this, [this] { store_.addBlank(spec_.kind); });
    connect(header_, &ArrangeHeader::resetClicked, this, [this] { store_.reset(spec_.kind); });
    connect(header_, &ArrangeHeader::doneClicked, this, [this] { setArranging(false); });
    connect(&store_, &KeyLayoutStore::changed, this, [this] {
        header_->setResettable(store_.isCustomized(spec_.kind));
        place();
    });
    connect(&services.settings, &AppSettings::languageChanged, this, &CatalogPanel::retranslate);

    headerSlide_->setDuration(static_cast<int>(services.timing.header.count()));
    headerSlide_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(headerSlide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        headerShown_ = value.toDouble();
        place();
    });
    connect(headerSlide_, &QVariantAnimation::finished, this, [this] {
        headerShown_ = arranging_ ? 1 : 0;
        place();
    });

    header_->setResettable(store_.isCustomized(spec_.kind));
}

KeypadKey CatalogPanel::keyFor(const FunctionItem& item) {
    if (item.caretBack < 1) return KeypadKey::text(item.snippet, item.label);
    return KeypadKey::snippet(item.snippet, item.caretBack);
}

void CatalogPanel::setArranging(bool arranging) {
    if (arranging == arranging_) return;
    arranging_ = arranging;
    grid_->setArranging(arranging);
    header_->setResettable(store_.isCustomized(spec_.kind));
    const double target = arranging ? 1 : 0;
    headerSlide_->stop();
    if (headerSlide_->duration() <= 0 || !isVisible()) {
        headerShown_ = target;
        place();
        return;
    }
    headerSlide_->setStartValue(headerShown_);
    headerSlide_->setEndValue(target);
    headerSlide_->start();
}

void CatalogPanel::retranslate() {
    header_->retranslate();
    grid_->retranslate();
    place();
    updateGeometry();
}

QSize CatalogPanel::minimumSizeHint() const {
    const int scrollBar = scroll_->verticalScrollBar()->sizeHint().width();
    return {std::max(grid_->minimumWidth() + scrollBar, header_->minimumSizeHint().width()), 0};
}

int CatalogPanel::headerRoom() const {
    return header_->heightForWidth(width()) + headerSpacing;
}

// The bar slides down from above the grid, pushing the grid down as it comes.
void CatalogPanel::place() {
    const int room = headerRoom();
    const int shown = static_cast<int>(std::lround(room * headerShown_));
    header_->setGeometry(0, shown - room, width(), room - headerSpacing);
    header_->setVisible(shown > 0);
    scroll_->setGeometry(0, shown, width(), std::max(0, height() - shown));
    fitGrid();
}

void CatalogPanel::fitGrid() {
    const int width = scroll_->viewport()->width();
    grid_->resize(width, grid_->heightForWidth(width));
}

int CatalogPanel::scrollSpeed(QPoint point) const {
    const int height = scroll_->viewport()->height();
    // Deeper into the zone, or past the edge, scrolls faster.
    const auto speed = [](int depth) { return std::clamp(scrollStep * depth / scrollZone, 1, scrollStep); };
    if (point.y() < scrollZone) return -speed(scrollZone - point.y());
    if (point.y() >= height - scrollZone) return speed(point.y() - (height - scrollZone) + 1);
    return 0;
}

void CatalogPanel::dragMoved(QPointF gridPoint) {
    dragPoint_ = grid_->mapTo(scroll_->viewport(), gridPoint.toPoint());
    if (scrollSpeed(dragPoint_) == 0)
        autoScroll_->stop();
    else if (!autoScroll_->isActive())
        autoScroll_->start();
}

// The pointer stays where it is while the keys move under it, so the drag goes on at the new place.
void CatalogPanel::scrollTick() {
    QScrollBar* bar = scroll_->verticalScrollBar();
    const int before = bar->value();
    bar->setValue(before + scrollSpeed(dragPoint_));
    if (bar->value() == before) return;
    grid_->dragAt(grid_->mapFrom(scroll_->viewport(), dragPoint_));
}

void CatalogPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

bool CatalogPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize) fitGrid();
    return QWidget::eventFilter(watched, event);
}

} // namespace vell
