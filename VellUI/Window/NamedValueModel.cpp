#include "Window/NamedValueModel.h"

#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "Stores/SheetSession.h"

#include <string>

namespace vell {

NamedValueModel::NamedValueModel(SheetSession& session, QObject* parent)
    : QAbstractListModel(parent), session_(session) {
    connect(&session_, &SheetSession::resultsChanged, this, &NamedValueModel::sync);
    sync();
}

int NamedValueModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QString NamedValueModel::name(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    return rows_[static_cast<std::size_t>(row)].name;
}

QVariant NamedValueModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.name;
    case valueTextRole:
        return row.value;
    case lineRole:
        return QVariant::fromValue<qint64>(row.line);
    case Qt::ToolTipRole: {
        const std::string number = std::to_string(row.line + 1);
        return QString::fromStdString(
            L10n::text(number + " 行目 — 押すと式に入ります", "Line " + number + " — tap to insert"));
    }
    default:
        return {};
    }
}

Qt::ItemFlags NamedValueModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void NamedValueModel::sync() {
    std::vector<Row> next;
    for (const SheetSession::NamedValue& named : session_.namedValues())
        next.push_back({named.line, QString::fromStdString(named.name),
                        QString::fromStdString(ValueFormatter::format(named.value, true))});
    // Both lists run in line order: rows of lines that are gone leave, rows of new lines come in, the
    // rest change in place.
    std::size_t index = 0;
    for (const Row& row : next) {
        std::size_t stale = index;
        while (stale < rows_.size() && rows_[stale].line < row.line)
            ++stale;
        if (stale > index) {
            beginRemoveRows({}, static_cast<int>(index), static_cast<int>(stale) - 1);
            rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index),
                        rows_.begin() + static_cast<std::ptrdiff_t>(stale));
            endRemoveRows();
        }
        const int at = static_cast<int>(index);
        if (index < rows_.size() && rows_[index].line == row.line) {
            if (!(rows_[index] == row)) {
                rows_[index] = row;
                emit dataChanged(this->index(at), this->index(at));
            }
        } else {
            beginInsertRows({}, at, at);
            rows_.insert(rows_.begin() + at, row);
            endInsertRows();
        }
        ++index;
    }
    if (index < rows_.size()) {
        beginRemoveRows({}, static_cast<int>(index), static_cast<int>(rows_.size()) - 1);
        rows_.resize(index);
        endRemoveRows();
    }
}

} // namespace vell
