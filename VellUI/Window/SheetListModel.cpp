#include "Window/SheetListModel.h"

#include "Stores/DocumentStore.h"

#include <QMimeData>
#include <algorithm>
#include <set>

namespace vell {

namespace {

QString format() {
    return QString::fromLatin1(SheetListModel::rowsFormat);
}

std::vector<std::size_t> rowsIn(const QMimeData& data) {
    std::vector<std::size_t> rows;
    const QList<QByteArray> parts = data.data(format()).split(',');
    for (const QByteArray& part : parts) {
        bool ok = false;
        const int row = part.toInt(&ok);
        if (ok && row >= 0) rows.push_back(static_cast<std::size_t>(row));
    }
    return rows;
}

} // namespace

SheetListModel::SheetListModel(DocumentStore& store, QObject* parent)
    : QAbstractListModel(parent), store_(store) {
    for (const Sheet& sheet : store_.sheets())
        rows_.push_back({sheet.id, QString::fromStdString(sheet.name)});
    connect(&store_, &DocumentStore::documentChanged, this, &SheetListModel::sync);
}

std::optional<Uuid> SheetListModel::sheetID(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return std::nullopt;
    return rows_[static_cast<std::size_t>(row)].id;
}

int SheetListModel::row(const Uuid& sheetID) const {
    const auto found =
        std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) { return row.id == sheetID; });
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

int SheetListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SheetListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return row.name;
    case sheetIDRole:
        return QString::fromStdString(row.id.uuidString());
    default:
        return {};
    }
}

Qt::ItemFlags SheetListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
}

QStringList SheetListModel::mimeTypes() const {
    return {format()};
}

QMimeData* SheetListModel::mimeData(const QModelIndexList& indexes) const {
    QList<QByteArray> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid()) rows.append(QByteArray::number(index.row()));
    auto* data = new QMimeData;
    data->setData(format(), rows.join(','));
    return data;
}

bool SheetListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                     const QModelIndex&) const {
    return data && action == Qt::MoveAction && data->hasFormat(format());
}

bool SheetListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                  const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    const std::vector<std::size_t> offsets = rowsIn(*data);
    if (offsets.empty()) return false;
    std::size_t destination = store_.sheets().size();
    if (row >= 0)
        destination = static_cast<std::size_t>(row);
    else if (parent.isValid())
        destination = static_cast<std::size_t>(parent.row());
    store_.moveSheets(offsets, destination);
    return true;
}

void SheetListModel::sync() {
    const std::vector<Sheet>& sheets = store_.sheets();
    std::set<Uuid> present;
    for (const Sheet& sheet : sheets)
        present.insert(sheet.id);
    for (int index = static_cast<int>(rows_.size()) - 1; index >= 0; --index) {
        if (present.count(rows_[static_cast<std::size_t>(index)].id)) continue;
        beginRemoveRows({}, index, index);
        rows_.erase(rows_.begin() + index);
        endRemoveRows();
    }
    for (std::size_t index = 0; index < sheets.size(); ++index) {
        const Sheet& sheet = sheets[index];
        if (index < rows_.size() && rows_[index].id == sheet.id) continue;
        const auto found =
            std::find_if(rows_.begin() + static_cast<std::ptrdiff_t>(std::min(index, rows_.size())),
                         rows_.end(), [&](const Row& row) { return row.id == sheet.id; });
        const int to = static_cast<int>(index);
        if (found != rows_.end()) {
            const int from = static_cast<int>(found - rows_.begin());
            beginMoveRows({}, from, from, {}, to);
            std::rotate(rows_.begin() + to, found, found + 1);
            endMoveRows();
        } else {
            beginInsertRows({}, to, to);
            rows_.insert(rows_.begin() + to, Row{sheet.id, QString::fromStdString(sheet.name)});
            endInsertRows();
        }
    }
    // Left over only when the document repeats an id.
    if (rows_.size() > sheets.size()) {
        beginRemoveRows({}, static_cast<int>(sheets.size()), static_cast<int>(rows_.size()) - 1);
        rows_.resize(sheets.size());
        endRemoveRows();
    }
    for (std::size_t index = 0; index < sheets.size(); ++index) {
        const QString name = QString::fromStdString(sheets[index].name);
        if (rows_[index].name == name) continue;
        rows_[index].name = name;
        const QModelIndex changed = this->index(static_cast<int>(index));
        emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
    }
}

} // namespace vell
