#pragma once

// One tab of the sheet tab bar: the sheet's name on a rounded label, highlighted while the window shows
// that sheet. A click selects, a double-click asks for a rename, a drag carries the sheet's id (to this
// bar or another window's) and a tab takes dropped tabs onto its own place.

#ifndef Q_MOC_RUN
// moc cannot read the standard headers these pull in; it needs nothing from them.
#include "Document/SheetTabTransfer.h"
#include "Document/Uuid.h"
#endif

#include <QAbstractButton>
#include <QFont>
#include <QPixmap>
#include <functional>
#include <vector>

class QFontMetricsF;
class QMimeData;

namespace vell {

class Appearance;

class SheetTabButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int tabHeight = 28;
    static constexpr int maximumWidth = 160;
    static constexpr int horizontalPadding = 12;
    static constexpr qreal cornerRadius = 8;
    static constexpr qreal textSize = 12;

    // Decides what a drop of tab payloads does; false refuses it.
    using DropHandler = std::function<bool(const std::vector<SheetTabTransfer>& items)>;

    SheetTabButton(const Uuid& sheetID, Appearance& appearance, QWidget* parent = nullptr);

    const Uuid& sheetID() const { return sheetID_; }
    // The sheet's name as the user gave it (text() holds it too).
    void setName(const QString& name);
    QString name() const { return text(); }
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    void setDropHandler(DropHandler handler) { dropHandler_ = std::move(handler); }

    // The name as the tab shows it: cut off at the end when it does not fit.
    QString displayedText() const;
    // The whole name on a tab of its own width, as it follows the pointer.
    QPixmap dragPreview() const;
    // The payload of a drag of this tab.
    QMimeData* makeMimeData() const;
    // Whether a drag or drop carries tab payloads.
    static bool carriesTabs(const QMimeData& data);

    // The font of a tab's name, heavier on the selected tab.
    static QFont labelFont(bool selected);
    // The width of a tab showing `name` in the font of `metrics` (the label font): the name's own
    // width between the paddings, up to the widest a tab gets.
    static int widthFor(const QFontMetricsF& metrics, const QString& name);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void doubleClicked();
    void contextMenuRequested(const QPoint& globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QFont labelFont() const { return labelFont(selected_); }
    void startDrag();

    Uuid sheetID_;
    Appearance& appearance_;
    bool selected_ = false;
    QPoint pressPosition_;
    bool dragArmed_ = false;
    DropHandler dropHandler_;
};

} // namespace vell
