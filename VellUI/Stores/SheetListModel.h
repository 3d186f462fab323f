#pragma once

// The document's sheets as rows of a list, in document order: the one list the tab bars, the sidebars
// and the windows' menus show. Rows follow the store's list changes in place (moved, inserted, removed,
// renamed) and are never reset, so an open rename field lives through every change made elsewhere; a
// change of a sheet's text does nothing here. A drop of dragged rows reorders the document itself.

#ifndef Q_MOC_RUN
// moc cannot read the standard headers these pull in; it needs nothing from them.
#include "Document/Uuid.h"
#endif

#include <QAbstractListModel>
#include <optional>
#include <string>
#include <vector>

namespace vell {

class DocumentStore;
struct SheetListChange;

class SheetListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        // The sheet's id text.
        sheetIDRole = Qt::UserRole + 1,
    };

    // What a dragged row carries: its row numbers, in the document's order at the time of the drag.
    static constexpr const char* rowsFormat = "application/x-vell-sheet-rows";

    explicit SheetListModel(DocumentStore& store, QObject* parent = nullptr);

    std::optional<Uuid> sheetID(int row) const;
    // The sheet's name as the document holds it; empty for a row that does not exist.
    const std::string& storedName(int row) const;
    // -1 when no row shows that sheet.
    int row(const Uuid& sheetID) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    // Moves the dragged sheets into the gap before `row` (the end for -1) through the store. The rows
    // then follow the document; a view must not remove the dragged rows itself.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    struct Row {
        Uuid id;
        // As the document holds it, to compare with at every change without converting every name.
        std::string storedName;
        QString name;
    };

    void apply(const SheetListChange& change);
    void sync();
    // Moves, inserts and removes rows until they follow the document's order.
    void reorder();

    DocumentStore& store_;
    std::vector<Row> rows_;
};

} // namespace vell
