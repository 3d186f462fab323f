#pragma once

// The function or unit panel beside the keypad's keys: the catalog's keys by group in a scrolling grid,
// in the order the key layout store keeps. A click inserts a key; "Rearrange Keys" from a key's context
// menu brings the arranging bar over the grid, and the keys can then be dragged to new places, gaps
// added and removed and the order reset, until "Done".

#include "Keypad/CatalogPanelPlace.h"
#include "Keypad/CatalogTiming.h"
#include "Keypad/KeypadKey.h"

#include <QWidget>
#include <functional>

class QScrollArea;
class QTimer;
class QVariantAnimation;

namespace vell {

class AppSettings;
class Appearance;
class ArrangeHeader;
class CatalogGrid;
class KeyLayoutStore;

class CatalogPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int headerSpacing = 4;
    // How near the top or bottom of the keys a dragged key scrolls them, and how fast at most.
    static constexpr int scrollZone = 28;
    static constexpr int scrollStep = 16;

    struct Services {
        KeyLayoutStore& store;
        AppSettings& settings;
        Appearance& appearance;
        CatalogTiming timing = {};
    };

    using OnKey = std::function<void(const KeypadKey&)>;

    CatalogPanel(CatalogPanelSpec spec, Services services, QWidget* parent = nullptr);

    const CatalogPanelSpec& spec() const { return spec_; }
    void setOnKey(OnKey onKey) { onKey_ = std::move(onKey); }

    // The key an entry gives: its text, or a snippet when the caret steps back into it.
    static KeypadKey keyFor(const FunctionItem& item);

    bool arranging() const { return arranging_; }
    void setArranging(bool arranging);

    CatalogGrid& grid() const { return *grid_; }
    ArrangeHeader& header() const { return *header_; }
    QScrollArea& scrollArea() const { return *scroll_; }
    // 0 while the bar is away, 1 when it is fully in.
    double headerShown() const { return headerShown_; }

    // As narrow as the panel may be with every label whole: the grid's columns, its scroll bar and the
    // arranging bar's buttons.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void fitGrid();
    void retranslate();
    int headerRoom() const;
    // The pixels to scroll per tick for a drag at `point` of the viewport: negative upwards, 0 when
    // it is not near an edge.
    int scrollSpeed(QPoint point) const;
    void dragMoved(QPointF gridPoint);
    void scrollTick();

    CatalogPanelSpec spec_;
    KeyLayoutStore& store_;
    OnKey onKey_;
    ArrangeHeader* header_;
    QScrollArea* scroll_;
    CatalogGrid* grid_;
    QVariantAnimation* headerSlide_;
    QTimer* autoScroll_;
    // Where the dragging pointer was last seen, in the viewport's coordinates.
    QPoint dragPoint_;
    bool arranging_ = false;
    double headerShown_ = 0;
};

} // namespace vell
