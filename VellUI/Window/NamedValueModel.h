#pragma once

// The named values of the sheet a window shows, one row per named line in line order, each with its
// answer as the sidebar shows it. Rows are keyed by line, so a name assigned on two lines gives two
// rows; they change in place with every evaluation, never by a reset.

#include <QAbstractListModel>
#include <cstdint>
#include <vector>

namespace vell {

class SheetSession;

class NamedValueModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        // The answer with "," digit grouping, whatever the grouping preference.
        valueTextRole = Qt::UserRole + 1,
        // The zero-based line index.
        lineRole,
    };

    explicit NamedValueModel(SheetSession& session, QObject* parent = nullptr);

    // The name, the answer, then "Line 1 — tap to insert" as help (resolved in the language of the moment).
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The name that a click on the row puts in.
    QString name(int row) const;

private:
    struct Row {
        std::int64_t line = 0;
        QString name;
        QString value;

        friend bool operator==(const Row&, const Row&) = default;
    };

    void sync();

    SheetSession& session_;
    std::vector<Row> rows_;
};

} // namespace vell
