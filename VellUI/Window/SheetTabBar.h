#pragma once

// The strip of sheet tabs over a window's editor: one tab per sheet in document order, the window's
// own sheet highlighted, and "+" after the last tab. Sheets are picked, added, renamed, duplicated,
// moved and deleted here, and reordered by dropping one tab onto another (also from another window).
// It keeps no copy of the document beyond the sheets' ids, names and tab widths, from which it lays the
// row out; tab widgets are made only for the tabs in sight and some way either side, and follow the
// row as it scrolls, so a document of very many sheets costs no more widgets than one of a few.

#ifndef Q_MOC_RUN
// moc cannot read the standard headers these pull in; it needs nothing from them.
#include "Document/SheetTabTransfer.h"
#include "Document/Uuid.h"
#endif

#include <QPointer>
#include <QWidget>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QMenu;
class QPropertyAnimation;
class QScrollArea;

namespace vell {

class Appearance;
class DocumentStore;
class PromptDialog;
class SheetListModel;
class SheetSession;
class SheetTabButton;

class SheetTabBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int barHeight = 40;
    static constexpr int tabSpacing = 6;
    static constexpr int rowPadding = 10;
    static constexpr int defaultScrollDuration = 200;
    // Tabs made beyond each end of the part of the row in sight.
    static constexpr int spareTabs = 64;

    SheetTabBar(SheetSession& session, SheetListModel& sheets, Appearance& appearance,
                QWidget* parent = nullptr);

    // The tabs made now, in document order: a run of consecutive sheets' tabs, those in sight and up to
    // spareTabs either side (every tab while the document has few sheets).
    const std::vector<SheetTabButton*>& tabs() const { return tabs_; }
    // None while the sheet's tab is not made.
    SheetTabButton* tab(const Uuid& sheetID) const;
    QAbstractButton* newSheetButton() const { return newSheetButton_; }
    QScrollArea* scrollArea() const { return scrollArea_; }
    // Beside the row while it is wider than the bar: each brings the next tab cut off on its side
    // into sight, and is disabled at that end of the row.
    QAbstractButton* scrollLeftButton() const { return scrollLeft_; }
    QAbstractButton* scrollRightButton() const { return scrollRight_; }

    // The menu of a tab, built against the document as it is now: Rename, Duplicate, Move Left, Move
    // Right and Delete, each enabled as the sheet's place allows. The caller owns it.
    QMenu* makeContextMenu(const Uuid& sheetID, QWidget* parent = nullptr);

    void select(const Uuid& sheetID);
    // Opens the rename prompt over the window, filled with the sheet's name now.
    void startRename(const Uuid& sheetID);
    // The rename prompt while it is open, else none.
    PromptDialog* renamePrompt() const;
    // Moves the first item's sheet to the target's place; true for any items, also when nothing moved.
    bool handleDrop(const std::vector<SheetTabTransfer>& items, const Uuid& targetSheetID);
    // Adds a sheet and shows it in this window.
    void addSheet();

    // The scroll that brings a newly shown sheet's tab to the middle; 0 jumps.
    void setScrollDuration(int milliseconds);
    QPropertyAnimation* scrollAnimation() const { return scrollAnimation_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Brings the row in step with the document's sheets, keeping each sheet's tab while it is made.
    void syncTabs();
    // Measures the tabs afresh where the sheets or their names changed.
    void takeSheets();
    // The left edges of the tabs and of "+" after them, as a layout would place them.
    void layOutRow();
    // Makes the tabs in and near sight, places them and lets the others go.
    void placeTabs();
    std::optional<std::size_t> indexOf(const Uuid& sheetID) const;
    int tabWidth(std::size_t index) const;
    QRect tabPlace(std::size_t index) const;
    void sheetIDChanged();
    void updateSelection();
    void scrollToSelected();
    void fitContent();
    void updateScrollArrows();
    void scrollByOneTab(bool rightwards);
    // Scrolls no further than needed for the window's tab to be wholly in sight, without animation.
    void keepSelectedInSight();
    void showContextMenu(const Uuid& sheetID, const QPoint& globalPosition);
    SheetTabButton* makeTab(const Uuid& sheetID);

    DocumentStore& store_;
    SheetListModel& sheets_;
    SheetSession& session_;
    Appearance& appearance_;
    QScrollArea* scrollArea_;
    QWidget* row_;
    QAbstractButton* newSheetButton_;
    QAbstractButton* scrollLeft_;
    QAbstractButton* scrollRight_;
    // One per sheet in document order, with the tab's width at the plain weight.
    struct Place {
        Uuid id;
        std::string name;
        int width = 0;
    };
    std::vector<Place> places_;
    // The window's sheet's index in places_, and its tab's width at the heavier weight it has there.
    std::optional<std::size_t> selectedIndex_;
    int selectedWidth_ = 0;
    // places_.size() + 1 left edges: each tab's, then the "+" button's.
    std::vector<int> lefts_{rowPadding};
    std::vector<SheetTabButton*> tabs_;
    std::optional<Uuid> shownSheetID_;
    QPropertyAnimation* scrollAnimation_;
    QPointer<PromptDialog> renamePrompt_;
};

} // namespace vell
