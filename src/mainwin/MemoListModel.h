#pragma once

#include "mainwin/MemoCells.h"
#include "store/MemoListQueries.h"
#include "store/StoreResult.h"

#include <QAbstractTableModel>
#include <QDateTime>

#include <deque>
#include <optional>
#include <unordered_map>
#include <vector>

namespace velmo {

// The rows of the main window's memo list: ten text cells per memo, in the order of the column sort
// that a header click switches on and flips (the database sorts). The list holds every memo id of
// its rows from the start, so its length, the scroll bar and the last row are there at once; the
// cells are read from the file a page at a time when a row is first asked for, and only the pages
// seen last are kept. Rows the view holds on to, such as the selection, stay with their memo when
// the list changes or its order does.
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

    // Shows the memos the filter selects, measured against the clock's present moment; a sort
    // switched on earlier applies. On a failed read the list is left empty and the result says why.
    StoreResult show(const MemoListQueries& queries, const MemoListQueries::Filter& filter);
    void clear();
    // Whether show() has given the list a filter (and clear() has not taken it away).
    bool isShowing() const { return m_queries.has_value(); }
    // Whether the list shows the memos of this tree node (category 0: a root), not a search.
    bool showsNode(bool done, int category) const
    {
        return isShowing() && !m_filter.isSearch && m_filter.done == done && m_filter.category == category;
    }

    // Reads these memos again under the filter in force: rows still shown take their new texts,
    // each moving alone to its place in the order in force when that changed; memos that entered the
    // list come in at their place, those that left it go, and the other rows stay as they are. Only
    // the rows concerned are signalled. Without ids (a change whose memos are not known), or for
    // many at once, the whole list is read again and brought in step the same way.
    StoreResult updateMemos(const std::vector<MemoId>& ids);
    // Takes these memos out of the list.
    void removeMemos(const std::vector<MemoId>& ids);

    // The ten cell texts of a row, read from the file if they are not at hand; empty cells outside
    // the list or when the read fails (readFailed says why).
    MemoCells::RowTexts rowAt(int row) const;

    // The memo id of a row (the hidden last column's number); nullopt outside the list, and for an
    // id beyond 32 bits, which the commands do not take.
    std::optional<MemoId> memoIdAt(int row) const;
    // The row of a memo; nullopt when the list does not hold it.
    std::optional<int> rowOf(MemoId id) const;

    // A header click: sort by that column, in the order opposite to the one in force.
    void columnClicked(int column);
    bool isSorting() const { return m_sorting; }
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // How many rows one read of cells takes, and how many such pages are kept.
    static constexpr int pageRows = 128;
    static constexpr size_t keptPages = 32;

signals:
    // A read after show() failed: the rows stay, their cells empty where they could not be read.
    void readFailed(const QString& error);

private:
    struct SortStep
    {
        int column = 0;
        Qt::SortOrder order = Qt::AscendingOrder;
    };
    // The cells of one memo as last read, and the page read that brought them.
    struct Cells
    {
        MemoCells::RowTexts texts;
        quint64 page = 0;
        bool failed = false; // the read failed: empty cells, read again after the next change
    };

    // The keys of the order in force: the last sort first, then those before it for its ties.
    std::vector<MemoListSortKey> sortKeys() const;
    // Whether the list is in the plain order, newest first (no column sort in force).
    bool inIdOrder() const { return m_sortSteps.empty(); }
    // The cells of a row, reading its page first when they are not at hand.
    const Cells* cellsAt(int row) const;
    // Reads the cells of these memos as one page, the oldest pages going beyond keptPages. The
    // memos the filter no longer selects are put in `left`, with no cells. False when the read
    // failed: the memos then have empty cells marked failed.
    bool readCells(const std::vector<MemoId>& ids, std::vector<MemoId>& left, QString* error) const;
    void forgetCells();
    // When the day has changed since the cells were worked out (days left count from today):
    // every cell is worked out again. True when it had.
    bool followTheDay();
    // Whether the order in force depends on the day: a sort by days left.
    bool sortsByDays() const;
    // Reads the order of the whole list again and brings the rows in step with it.
    StoreResult reorder();
    // Brings the rows in step with the list of ids in its new order, keeping the rows the view
    // holds on to with their memos: rows that left go, the others move, new ones come in.
    void applyOrder(const std::vector<MemoId>& ids);
    // Each memo goes, comes in at its place, or takes its new texts and moves to its place, in
    // the order in force; the other rows keep theirs. A memo whose place cannot be told (a row it
    // is weighed against no longer reads as the list holds it) has the whole order read again.
    StoreResult place(const std::vector<MemoId>& ids);
    // Where a memo goes among the rows other than `skip` (its own row, when shown): the number of
    // those rows that come before it. nullopt when a row it is weighed against cannot be read.
    std::optional<int> placeOf(MemoId id, const MemoCells::RowTexts& texts, std::optional<int> skip) const;
    // The cell texts of the sort's columns for a row, from the cells at hand or read; nullopt when
    // the row does not read under the filter.
    std::optional<MemoCells::RowTexts> sortTexts(MemoId id) const;
    // Whether memo a (with these cell texts) comes before memo b in the order in force.
    bool comesBefore(MemoId a, const MemoCells::RowTexts& textsA, MemoId b,
                     const MemoCells::RowTexts& textsB) const;
    // Takes out the rows of these memos, a run of neighbours at a time.
    void removeRows(std::vector<int> rows);
    void allCellsChanged();
    // For the reads a const look at the rows starts: what they find is told after the look.
    MemoListModel* mutableSelf() const { return const_cast<MemoListModel*>(this); }

    std::optional<MemoListQueries> m_queries;
    MemoListQueries::Filter m_filter;
    QDateTime m_now;
    std::vector<MemoId> m_ids; // every row's memo, in the shown order
    mutable std::unordered_map<MemoId, Cells> m_cells;
    mutable std::deque<std::pair<quint64, std::vector<MemoId>>> m_pages; // oldest first
    mutable quint64 m_lastPage = 0;
    bool m_sorting = false;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // The sorts since the last read of the whole list, the latest first: ties of one keep the
    // order of the one before.
    std::vector<SortStep> m_sortSteps;
};

} // namespace velmo
