#include "Stores/SheetListModel.h"

#include "Stores/DocumentStore.h"
#include "Stores/SheetListChange.h"

#include <QMimeData>
#include <algorithm>
#include <unordered_set>

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
        rows_.push_back({sheet.id, sheet.name, QString::fromStdString(sheet.name)});
    connect(&store_, &DocumentStore::sheetListChanged, this, &SheetListModel::apply);
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

const std::string& SheetListModel::storedName(int row) const {
    static const std::string none;
    if (row < 0 || row >= static_cast<int>(rows_.size())) return none;
    return rows_[static_cast<std::size_t>(row)].storedName;
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

void SheetListModel::apply(const SheetListChange& change) {
    using Kind = SheetListChange::Kind;
    const std::vector<Sheet>& sheets = store_.sheets();
    const auto rowIs = [&](std::size_t at) { return at < rows_.size() && rows_[at].id == change.sheetID; };
    const auto sheetIs = [&](std::size_t at) {
        return at < sheets.size() && sheets[at].id == change.sheetID;
    };
    // A change that does not fit the rows as they are (none should) is found out by comparing them all.
    switch (change.kind) {
    case Kind::added:
        if (!sheetIs(change.to) || change.to > rows_.size()) break;
        beginInsertRows({}, static_cast<int>(change.to), static_cast<int>(change.to));
        rows_.insert(
            rows_.begin() + static_cast<std::ptrdiff_t>(change.to),
            Row{change.sheetID, sheets[change.to].name, QString::fromStdString(sheets[change.to].name)});
        endInsertRows();
        return;
    case Kind::removed:
        if (!rowIs(change.from)) break;
        beginRemoveRows({}, static_cast<int>(change.from), static_cast<int>(change.from));
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(change.from));
        endRemoveRows();
        return;
    case Kind::moved: {
        if (!rowIs(change.from) || !sheetIs(change.to)) break;
        if (change.from == change.to) return;
        const int from = static_cast<int>(change.from);
        const int to = static_cast<int>(change.to);
        beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
        if (to > from)
            std::rotate(rows_.begin() + from, rows_.begin() + from + 1, rows_.begin() + to + 1);
        else
            std::rotate(rows_.begin() + to, rows_.begin() + from, rows_.begin() + from + 1);
        endMoveRows();
        return;
    }
    case Kind::renamed: {
        if (!rowIs(change.to) || !sheetIs(change.to)) break;
        Row& row = rows_[change.to];
        row.storedName = sheets[change.to].name;
        row.name = QString::fromStdString(row.storedName);
        const QModelIndex changed = index(static_cast<int>(change.to));
        emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
        return;
    }
    case Kind::replaced:
        break;
    }
    sync();
}

void SheetListModel::sync() {
    const std::vector<Sheet>& sheets = store_.sheets();
    // Most changes are edits of a sheet's text, which leave every row where it is.
    const bool sameOrder = std::equal(sheets.begin(), sheets.end(), rows_.begin(), rows_.end(),
                                      [](const Sheet& sheet, const Row& row) { return sheet.id == row.id; });
    if (!sameOrder) reorder();
    for (std::size_t index = 0; index < sheets.size(); ++index) {
        if (rows_[index].storedName == sheets[index].name) continue;
        rows_[index].storedName = sheets[index].name;
        rows_[index].name = QString::fromStdString(sheets[index].name);
        const QModelIndex changed = this->index(static_cast<int>(index));
        emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
    }
}

void SheetListModel::reorder() {
    const std::vector<Sheet>& sheets = store_.sheets();
    // One sheet added or deleted, as the user does it: the rows before and after it stay.
    const std::size_t shorter = std::min(sheets.size(), rows_.size());
    std::size_t before = 0;
    while (before < shorter && sheets[before].id == rows_[before].id)
        ++before;
    std::size_t after = 0;
    while (after < shorter - before &&
           sheets[sheets.size() - 1 - after].id == rows_[rows_.size() - 1 - after].id)
        ++after;
    if (before + after == shorter && std::max(sheets.size(), rows_.size()) == shorter + 1) {
        const int at = static_cast<int>(before);
        if (sheets.size() > rows_.size()) {
            const Sheet& sheet = sheets[before];
            beginInsertRows({}, at, at);
            rows_.insert(rows_.begin() + at, Row{sheet.id, sheet.name, QString::fromStdString(sheet.name)});
            endInsertRows();
        } else {
            beginRemoveRows({}, at, at);
            rows_.erase(rows_.begin() + at);
            endRemoveRows();
        }
        return;
    }
    std::unordered_set<Uuid> present;
    present.reserve(sheets.size());
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
        // A row in the way whose sheet comes next moved on by itself: one move, not one for every row
        // it passed.
        if (index + 1 < rows_.size() && rows_[index + 1].id == sheet.id) {
            const Uuid moved = rows_[index].id;
            const auto place = std::find_if(sheets.begin() + static_cast<std::ptrdiff_t>(index), sheets.end(),
                                            [&](const Sheet& later) { return later.id == moved; });
            const auto to = static_cast<std::size_t>(place - sheets.begin());
            if (place != sheets.end() && to < rows_.size()) {
                const int from = static_cast<int>(index);
                beginMoveRows({}, from, from, {}, static_cast<int>(to) + 1);
                std::rotate(rows_.begin() + from, rows_.begin() + from + 1,
                            rows_.begin() + static_cast<std::ptrdiff_t>(to) + 1);
                endMoveRows();
                continue;
            }
        }
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
            rows_.insert(rows_.begin() + to, Row{sheet.id, sheet.name, QString::fromStdString(sheet.name)});
            endInsertRows();
        }
    }
    // Left over only when the document repeats an id.
    if (rows_.size() > sheets.size()) {
        beginRemoveRows({}, static_cast<int>(sheets.size()), static_cast<int>(rows_.size()) - 1);
        rows_.resize(sheets.size());
        endRemoveRows();
    }
}

} // namespace vell
