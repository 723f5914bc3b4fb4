#pragma once

#include "mainwin/MemoCells.h"
#include "store/MemoListQueries.h"
#include "store/StoreResult.h"

#include <QAbstractTableModel>
#include <QDateTime>

#include <optional>
#include <vector>

namespace velmo {

// The rows of the main window's memo list: ten text cells per memo, read from the file a page at
// a time as the view scrolls, in the order of the column sort that a header click switches on and
// flips (the database sorts). Rows the view holds on to, such as the selection, stay with their
// memo when the order changes.
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
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // Shows the memos the filter selects, their first page at once, measured against the clock's
    // present moment; a sort switched on earlier applies. On a failed read the list is left empty
    // and the result says why.
    StoreResult show(const MemoListQueries& queries, const MemoListQueries::Filter& filter);
    void clear();

    // Reads these memos again: rows still shown take their new texts in place, and the list
    // follows when memos enter or leave it or move in its order.
    StoreResult updateMemos(const std::vector<MemoId>& ids);
    // Takes these memos out of the list.
    void removeMemos(const std::vector<MemoId>& ids);

    const MemoCells::RowTexts& rowAt(int row) const { return m_rows.at(static_cast<size_t>(row)).cells; }

    // The memo id kept in the hidden last column; nullopt when the cell holds no 32-bit number.
    std::optional<MemoId> memoIdAt(int row) const;

    // A header click: sort by that column, in the order opposite to the one in force.
    void columnClicked(int column);
    bool isSorting() const { return m_sorting; }
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // How many rows one fetch adds.
    static constexpr int pageRows = 128;

signals:
    // A read after show() failed: the list keeps what it showed.
    void readFailed(const QString& error);

private:
    struct Row
    {
        MemoId id = 0;
        MemoCells::RowTexts cells;
    };
    struct SortStep
    {
        int column = 0;
        Qt::SortOrder order = Qt::AscendingOrder;
    };

    // The keys of the order in force: the last sort first, then those before it for its ties.
    std::vector<MemoListSortKey> sortKeys() const;
    // Reads the cells of these ids; ids the filter no longer selects are left out.
    std::optional<std::vector<Row>> readRows(const std::vector<MemoId>& ids, QString* error) const;
    // Puts the list in the order of ids, keeping the rows the view holds on to and the rows
    // already fetched as far as they stay within the fetched part; changed rows are read again.
    StoreResult applyOrder(std::vector<MemoId> ids, const std::vector<MemoId>& changed);

    std::optional<MemoListQueries> m_queries;
    MemoListQueries::Filter m_filter;
    QDateTime m_now;
    std::vector<Row> m_rows;         // fetched, in the shown order
    std::vector<MemoId> m_unfetched; // the memos after them, in order
    bool m_sorting = false;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // The sorts since the last read of the whole list, the latest first: ties of one keep the
    // order of the one before.
    std::vector<SortStep> m_sortSteps;
};

} // namespace velmo
