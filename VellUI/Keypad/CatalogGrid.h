#pragma once

// The scrolled content of a catalog panel: each group's title over a grid of its slots, laid out by
// hand so that the panel knows where every slot belongs. It keeps no order of its own: the slots come
// from the key layout store on every change. While arranging, a press lifts a slot and, once held long
// enough, drags it; passing over another slot moves it there in the store.

#include "Keypad/CatalogTiming.h"
#include "Stores/KeyLayoutStore.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QLabel;
class QPropertyAnimation;

namespace vell {

class Appearance;
class CatalogSlotCell;
class DraggedSlot;

class CatalogGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int spacing = 5;
    static constexpr int groupSpacing = 8;
    // Around the grid: above, below and on the right.
    static constexpr int padding = 2;
    static constexpr int rightPadding = 4;
    // How far a press may wander before it is held long enough to drag.
    static constexpr double pressSlop = 10;

    struct SlotFrame {
        std::string id;
        QRect frame;
    };

    // `columns` 0: as many columns of at least `minimumKeyWidth` as fit.
    CatalogGrid(KeyLayoutStore::Kind kind, int minimumKeyWidth, int columns, KeyLayoutStore& store,
                Appearance& appearance, CatalogTiming timing, QWidget* parent = nullptr);
    ~CatalogGrid() override;

    KeyLayoutStore::Kind kind() const { return kind_; }
    void setOnKey(std::function<void(const FunctionItem&)> onKey) { onKey_ = std::move(onKey); }

    bool arranging() const { return arranging_; }
    void setArranging(bool arranging);

    // Reads the groups again from the store; titles and notes in the language now in force.
    void rebuild();
    void retranslate();

    // Number of columns at a width of the grid.
    int columnCount(int width) const;
    // The narrowest grid that shows every label and title whole: its fixed columns, or two adaptive
    // ones, each as wide as the widest key needs.
    int minimumWidth() const;
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }

    // Where each slot belongs, in display order. Cells may still be sliding there.
    const std::vector<SlotFrame>& frames() const { return frames_; }
    std::optional<QRect> frameOf(std::string_view id) const;
    CatalogSlotCell* cell(std::string_view id) const;
    // Ids of the slots shown, group by group.
    std::vector<std::vector<std::string>> shownOrder() const;
    const std::vector<QLabel*>& titles() const { return titles_; }
    // The gap's remove button; none outside arranging.
    QAbstractButton* removeButton(std::string_view gapId) const;

    // The slot lifted by a press, if any, and its floating copy.
    const std::optional<std::string>& liftedId() const { return liftedId_; }
    DraggedSlot* draggedCopy() const { return copy_; }
    bool isDragging() const { return dragging_; }

    // The pointer of a drag is at `point` although it has not moved: the grid scrolled under it.
    void dragAt(QPointF point);

signals:
    // A key or a gap asked for arranging through its context action.
    void rearrangeRequested();
    // The pointer dragging a slot moved to `point`, in the grid's coordinates.
    void dragMoved(QPointF point);
    // The slot lifted by a press was put down, or the press given up.
    void dragEnded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Layout {
        std::vector<int> titleTops;
        std::vector<SlotFrame> frames;
        int height = 0;
    };
    Layout layoutFor(int width) const;
    void relayout(bool animated);
    void placeCell(CatalogSlotCell& cell, const QRect& frame, bool animated);
    void placeBadge(const std::string& gapId);
    void updateBadges();

    std::optional<std::string> slotAt(QPointF point) const;
    void lift(const std::string& id);
    void moveCopyTo(QPointF point);
    void dragOver(QPointF point);
    // Ends any lift or drag, leaving the order as it stands.
    void dropLifted();

    KeyLayoutStore::Kind kind_;
    int minimumKeyWidth_;
    int columns_;
    KeyLayoutStore& store_;
    Appearance& appearance_;
    CatalogTiming timing_;
    std::function<void(const FunctionItem&)> onKey_;

    std::vector<SlotGroup> groups_;
    std::map<std::string, CatalogSlotCell*, std::less<>> cells_;
    std::map<std::string, QPointer<QPropertyAnimation>, std::less<>> slides_;
    std::map<std::string, QAbstractButton*, std::less<>> badges_;
    std::vector<QLabel*> titles_;
    std::vector<SlotFrame> frames_;
    bool arranging_ = false;
    bool animateNextLayout_ = false;

    QTimer holdTimer_;
    std::optional<std::string> liftedId_;
    QPointF pressPoint_;
    bool dragging_ = false;
    DraggedSlot* copy_ = nullptr;
};

} // namespace vell
