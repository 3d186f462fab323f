#pragma once

// Where the keypad shows its open catalog panel, beside the key grid and at most 300 wide, or over the
// keys where the window is too narrow for both. It knows
// which catalog the stored panel value asks for and how its keys are to be laid out; the catalog panel
// itself is put in by setContent.

#include "Stores/KeyLayoutStore.h"

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string_view>

namespace vell {

struct CatalogPanelSpec {
    KeyLayoutStore::Kind kind;
    int minimumKeyWidth = 0;
    // 0: as many columns as the width holds.
    int columns = 0;

    bool operator==(const CatalogPanelSpec&) const = default;

    // "単位": units, keys at least 60 wide in as many columns as fit; "関数" or "数字": functions, keys at
    // least 84 wide in 3 columns; any other value, the empty one included: no panel.
    static std::optional<CatalogPanelSpec> forStoredValue(std::string_view raw);
};

class CatalogPanelPlace : public QWidget {
    Q_OBJECT

public:
    static constexpr int maximumWidth = 300;

    explicit CatalogPanelPlace(QWidget* parent = nullptr);

    const std::optional<CatalogPanelSpec>& spec() const { return spec_; }
    void setSpec(std::optional<CatalogPanelSpec> spec);

    // The panel to show, filling the place; a former one is deleted.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }

    // The panel's own: the narrowest it shows whole.
    QSize minimumSizeHint() const override;

signals:
    void specChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::optional<CatalogPanelSpec> spec_;
    QPointer<QWidget> content_;
};

} // namespace vell
