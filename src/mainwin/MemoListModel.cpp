#include "MemoListModel.h"

#include <algorithm>
#include <limits>

namespace velmo {

namespace {

struct ColumnDesign
{
    const char16_t* title;
    int widthTwips;
};

constexpr ColumnDesign columns[MemoCells::ColumnCount] = {
    {u"ID", 500},        {u"类别", 540}, {u"标题", 1800},    {u"内容", 1000},     {u"状态", 600},
    {u"提醒时间", 1900}, {u"剩余", 650}, {u"提醒频率", 900}, {u"添加时间", 1900}, {u"id", 1},
};

// Columns that sort by the numbers in their texts: ids, days left and the two times.
bool isNumericColumn(int column)
{
    return column == MemoCells::IdColumn || column == MemoCells::AlertColumn ||
           column == MemoCells::DaysLeftColumn || column == MemoCells::AddTimeColumn ||
           column == MemoCells::HiddenIdColumn;
}

// The numbers of a cell in reading order, a minus sign kept on the first: "2026-05-01 09:30:00"
// gives 2026 5 1 9 30 0, "-3天" gives -3, so a lunar "02-30" orders as well as a solar date.
// Empty when the cell holds no digit.
std::vector<qint64> cellNumbers(const QString& text)
{
    std::vector<qint64> numbers;
    bool inNumber = false;
    bool negative = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= u'0' && c <= u'9') {
            if (!inNumber) {
                negative = numbers.empty() && i > 0 && text.at(i - 1) == u'-';
                numbers.push_back(0);
                inNumber = true;
            }
            constexpr qint64 limit = std::numeric_limits<qint64>::max() / 10 - 9;
            qint64& value = numbers.back();
            if (value > -limit && value < limit) // longer digit runs stop growing
                value = value * 10 + (negative ? -(c - u'0') : c - u'0');
        } else {
            inNumber = false;
        }
    }
    return numbers;
}

} // namespace

MemoListModel::MemoListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

QString MemoListModel::columnTitle(int column)
{
    if (column < 0 || column >= MemoCells::ColumnCount)
        return QString();
    return QString::fromUtf16(columns[column].title);
}

int MemoListModel::columnWidthTwips(int column)
{
    if (column < 0 || column >= MemoCells::ColumnCount)
        return 0;
    return columns[column].widthTwips;
}

int MemoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int MemoListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : MemoCells::ColumnCount;
}

QVariant MemoListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= MemoCells::ColumnCount)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_rows[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())];
    return {};
}

QVariant MemoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void MemoListModel::setRows(std::vector<MemoCells::RowTexts> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    if (m_sorting)
        sortRows();
    endResetModel();
}

void MemoListModel::clear()
{
    setRows({});
}

std::optional<MemoId> MemoListModel::memoIdAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    bool ok = false;
    const MemoId id = m_rows[static_cast<size_t>(row)][MemoCells::HiddenIdColumn].toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return id;
}

void MemoListModel::columnClicked(int column)
{
    if (column < 0 || column >= MemoCells::ColumnCount)
        return;
    m_sortColumn = column;
    m_sorting = true;
    m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> oldRowOfNew = sortRows();
    std::vector<int> newRowOfOld(oldRowOfNew.size());
    for (size_t newRow = 0; newRow < oldRowOfNew.size(); ++newRow)
        newRowOfOld[static_cast<size_t>(oldRowOfNew[newRow])] = static_cast<int>(newRow);
    // Selected rows stay selected where the sort moves them.
    const QModelIndexList persistent = persistentIndexList();
    for (const QModelIndex& index : persistent) {
        if (index.isValid() && index.row() < static_cast<int>(newRowOfOld.size()))
            changePersistentIndex(index,
                                  createIndex(newRowOfOld[static_cast<size_t>(index.row())], index.column()));
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::vector<int> MemoListModel::sortRows()
{
    const auto column = static_cast<size_t>(m_sortColumn);
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    const bool numeric = isNumericColumn(m_sortColumn);
    std::vector<std::vector<qint64>> keys(numeric ? m_rows.size() : 0);
    for (size_t i = 0; i < keys.size(); ++i)
        keys[i] = cellNumbers(m_rows[i][column]);
    std::vector<int> order(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const auto rowA = static_cast<size_t>(a);
        const auto rowB = static_cast<size_t>(b);
        if (numeric) {
            // A cell without a value goes after every value, in either order.
            if (keys[rowA].empty() || keys[rowB].empty())
                return !keys[rowA].empty() && keys[rowB].empty();
            return descending ? keys[rowB] < keys[rowA] : keys[rowA] < keys[rowB];
        }
        const int compared = m_rows[rowA][column].compare(m_rows[rowB][column], Qt::CaseInsensitive);
        return descending ? compared > 0 : compared < 0;
    });
    std::vector<MemoCells::RowTexts> sorted;
    sorted.reserve(m_rows.size());
    for (int row : order)
        sorted.push_back(std::move(m_rows[static_cast<size_t>(row)]));
    m_rows = std::move(sorted);
    return order;
}

} // namespace velmo
