#pragma once

// How the sidebar's rows look: a sheet row with its page symbol, marked while the window shows that
// sheet and turned into a name field while it is renamed; a named-value row with the name on the left
// and its answer on the right.

#ifndef Q_MOC_RUN
// moc cannot read the standard headers these pull in; it needs nothing from them.
#include "Document/Uuid.h"
#endif

#include <QPointer>
#include <QStyledItemDelegate>
#include <functional>

class QLineEdit;

namespace vell {

class Appearance;
class SheetSession;

class SheetRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int rowHeight = 26;
    static constexpr qreal textSize = 13;

    // `isRenaming` tells which sheet's row holds the name field.
    SheetRowDelegate(SheetSession& session, Appearance& appearance,
                     std::function<bool(const Uuid&)> isRenaming, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    // Fills the field with the sheet's name once, when it opens: a name changed elsewhere while the user
    // types must not overwrite the typing.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // Hands the typed text to `committed`; the model is not written.
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The page symbol of a sheet row, drawn in `color` with its top left corner at `origin`.
    static void paintPageSymbol(QPainter& painter, const QPointF& origin, const QColor& color);

signals:
    void committed(QWidget* editor, const QString& text) const;

private:
    SheetSession& session_;
    Appearance& appearance_;
    std::function<bool(const Uuid&)> isRenaming_;
};

class NamedValueDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int rowHeight = 30;

    explicit NamedValueDelegate(Appearance& appearance, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Appearance& appearance_;
};

} // namespace vell
