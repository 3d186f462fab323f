#include "Keypad/CatalogPanelPlace.h"

#include "Keypad/KeypadTab.h"

#include <QEvent>

namespace vell {

std::optional<CatalogPanelSpec> CatalogPanelSpec::forStoredValue(std::string_view raw) {
    const std::optional<KeypadTab> tab = KeypadTabs::fromRawValue(raw);
    if (!tab) return std::nullopt;
    if (*tab == KeypadTab::units) return CatalogPanelSpec{KeyLayoutStore::Kind::units, 60, 0};
    // The numbers tab has no catalog of its own and shows the functions.
    return CatalogPanelSpec{KeyLayoutStore::Kind::functions, 84, 3};
}

CatalogPanelPlace::CatalogPanelPlace(QWidget* parent) : QWidget(parent) {}

void CatalogPanelPlace::setSpec(std::optional<CatalogPanelSpec> spec) {
    if (spec == spec_) return;
    spec_ = spec;
    emit specChanged();
}

void CatalogPanelPlace::setContent(QWidget* content) {
    if (content == content_) return;
    if (content_) content_->deleteLater();
    content_ = content;
    if (content) {
        content->setParent(this);
        content->setGeometry(rect());
        content->show();
    }
    updateGeometry();
}

QSize CatalogPanelPlace::minimumSizeHint() const {
    return content_ ? content_->minimumSizeHint() : QSize(0, 0);
}

bool CatalogPanelPlace::event(QEvent* event) {
    // The panel needs another width (another language): the keypad places it anew.
    if (event->type() == QEvent::LayoutRequest) updateGeometry();
    return QWidget::event(event);
}

void CatalogPanelPlace::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (content_) content_->setGeometry(rect());
}

} // namespace vell
