#pragma once

#include "mainwin/MemoCells.h"

#include <QAbstractTableModel>

#include <vector>

namespace velmo {

// The rows of the main window's memo list: ten text cells per memo, and the column sort that a
// header click switches on and flips.
class MemoListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit MemoListModel(QObject* parent = nullptr);

    // Column titles and their widths in twips, in column order.
    static QString columnTitle(int column);
    static int columnWidthTwips(int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Replaces every row; a sort switched on earlier applies to the new rows too.
    void setRows(std::vector<MemoCells::RowTexts> rows);
    void clear();
    const MemoCells::RowTexts& rowAt(int row) const { return m_rows.at(static_cast<size_t>(row)); }

    // The memo id kept in the hidden last column; nullopt when the cell holds no 32-bit number.
    std::optional<MemoId> memoIdAt(int row) const;

    // A header click: sort by that column, in the order opposite to the one in force.
    void columnClicked(int column);
    bool isSorting() const { return m_sorting; }
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

private:
    // Sorts the rows by the sort in force; returns, for each new row, the row it came from.
    std::vector<int> sortRows();

    std::vector<MemoCells::RowTexts> m_rows;
    bool m_sorting = false;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace velmo
