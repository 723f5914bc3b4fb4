#include "MemoListModel.h"

#include "platform/Clock.h"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>

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

// A cell's numbers as bytes that compare as the numbers do: each one eight bytes, big end first,
// the sign bit flipped so that negatives come first.
std::optional<QByteArray> numberKey(const QString& text)
{
    const std::vector<qint64> numbers = cellNumbers(text);
    if (numbers.empty())
        return std::nullopt;
    QByteArray key;
    key.reserve(static_cast<qsizetype>(numbers.size() * 8));
    for (qint64 number : numbers) {
        const quint64 bits = static_cast<quint64>(number) ^ (quint64(1) << 63);
        for (int shift = 56; shift >= 0; shift -= 8)
            key.append(static_cast<char>((bits >> shift) & 0xFF));
    }
    return key;
}

// A cell's text as bytes that compare as the texts do in any letter case: each character case
// folded, written as UTF-16 code units, high byte first.
QByteArray textKey(const QString& text)
{
    QByteArray key;
    key.reserve(text.size() * 2);
    auto append = [&key](char16_t unit) {
        key.append(static_cast<char>(unit >> 8));
        key.append(static_cast<char>(unit & 0xFF));
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        c = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(c)) {
            append(QChar::highSurrogate(c));
            append(QChar::lowSurrogate(c));
        } else {
            append(static_cast<char16_t>(c));
        }
    }
    return key;
}

// The sort key of one column's cell: the cell is worked out from only the fields it shows.
std::optional<QByteArray> cellKey(int column, const MemoListRow& memo, const QDateTime& now)
{
    MemoListRow part;
    switch (column) {
    case MemoCells::IdColumn:
    case MemoCells::HiddenIdColumn:
        part.id = memo.id;
        break;
    case MemoCells::CategoryColumn:
        part.type = memo.type;
        break;
    case MemoCells::TitleColumn:
        part.title = memo.title;
        break;
    case MemoCells::ContentColumn:
        part.content = memo.content;
        break;
    case MemoCells::StateColumn:
        part.done = memo.done;
        break;
    case MemoCells::DaysLeftColumn:
        part.mailTime = memo.mailTime;
        [[fallthrough]];
    case MemoCells::AlertColumn:
        part.lifa = memo.lifa;
        part.alertTime = memo.alertTime;
        part.alertTimeNongli = memo.alertTimeNongli;
        break;
    case MemoCells::RepeatColumn:
        part.alertPinLv = memo.alertPinLv;
        break;
    case MemoCells::AddTimeColumn:
        part.addTime = memo.addTime;
        break;
    default:
        return std::nullopt;
    }
    const QString text = MemoCells::rowTexts(part, now)[static_cast<size_t>(column)];
    if (isNumericColumn(column))
        return numberKey(text);
    return textKey(text);
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
        return m_rows[static_cast<size_t>(index.row())].cells[static_cast<size_t>(index.column())];
    return {};
}

QVariant MemoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool MemoListModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_unfetched.empty();
}

void MemoListModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_unfetched.empty())
        return;
    const auto count = std::min(m_unfetched.size(), static_cast<size_t>(pageRows));
    const std::vector<MemoId> page(m_unfetched.begin(), m_unfetched.begin() + static_cast<qsizetype>(count));
    QString error;
    std::optional<std::vector<Row>> read = readRows(page, &error);
    if (!read) {
        emit readFailed(error);
        return;
    }
    m_unfetched.erase(m_unfetched.begin(), m_unfetched.begin() + static_cast<qsizetype>(count));
    if (read->empty())
        return;
    beginInsertRows({}, rowCount(), rowCount() + static_cast<int>(read->size()) - 1);
    std::move(read->begin(), read->end(), std::back_inserter(m_rows));
    endInsertRows();
}

StoreResult MemoListModel::show(const MemoListQueries& queries, const MemoListQueries::Filter& filter)
{
    m_queries.emplace(queries);
    m_filter = filter;
    m_now = Clock::currentDateTime();
    m_sortSteps.clear();
    if (m_sorting)
        m_sortSteps.push_back({m_sortColumn, m_sortOrder});
    MemoIdsRead order = m_queries->orderedIds(m_filter, sortKeys());
    QString error = order.error;
    std::optional<std::vector<Row>> first;
    if (order.ok) {
        const auto count = std::min(order.value.size(), static_cast<size_t>(pageRows));
        first = readRows({order.value.begin(), order.value.begin() + static_cast<qsizetype>(count)}, &error);
        order.value.erase(order.value.begin(), order.value.begin() + static_cast<qsizetype>(count));
    }
    beginResetModel();
    if (first) {
        m_rows = std::move(*first);
        m_unfetched = std::move(order.value);
    } else {
        m_queries.reset();
        m_rows.clear();
        m_unfetched.clear();
    }
    endResetModel();
    return first ? StoreResult::success() : StoreResult::failure(error);
}

void MemoListModel::clear()
{
    beginResetModel();
    m_queries.reset();
    m_rows.clear();
    m_unfetched.clear();
    endResetModel();
}

StoreResult MemoListModel::updateMemos(const std::vector<MemoId>& ids)
{
    if (!m_queries)
        return StoreResult::success();
    // The list is read again as a whole: its ties fall back to the newest first.
    m_now = Clock::currentDateTime();
    m_sortSteps.clear();
    if (m_sorting)
        m_sortSteps.push_back({m_sortColumn, m_sortOrder});
    MemoIdsRead order = m_queries->orderedIds(m_filter, sortKeys());
    if (!order.ok)
        return StoreResult::failure(order.error);
    return applyOrder(std::move(order.value), ids);
}

void MemoListModel::removeMemos(const std::vector<MemoId>& ids)
{
    const std::unordered_set<MemoId> removed(ids.begin(), ids.end());
    std::vector<MemoId> kept;
    kept.reserve(m_rows.size() + m_unfetched.size());
    for (const Row& row : m_rows) {
        if (!removed.count(row.id))
            kept.push_back(row.id);
    }
    for (MemoId id : m_unfetched) {
        if (!removed.count(id))
            kept.push_back(id);
    }
    applyOrder(std::move(kept), {});
}

std::optional<MemoId> MemoListModel::memoIdAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    bool ok = false;
    const MemoId id = m_rows[static_cast<size_t>(row)].cells[MemoCells::HiddenIdColumn].toInt(&ok);
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
    std::erase_if(m_sortSteps, [column](const SortStep& step) { return step.column == column; });
    m_sortSteps.insert(m_sortSteps.begin(), {m_sortColumn, m_sortOrder});
    if (!m_queries)
        return;
    MemoIdsRead order = m_queries->orderedIds(m_filter, sortKeys());
    const StoreResult sorted =
        order.ok ? applyOrder(std::move(order.value), {}) : StoreResult::failure(order.error);
    if (!sorted)
        emit readFailed(sorted.error);
}

std::vector<MemoListSortKey> MemoListModel::sortKeys() const
{
    std::vector<MemoListSortKey> keys;
    for (const SortStep& step : m_sortSteps) {
        MemoListSortKey key;
        key.key = [column = step.column, now = m_now](const MemoListRow& memo) {
            return cellKey(column, memo, now);
        };
        key.descending = step.order == Qt::DescendingOrder;
        key.readsContent = step.column == MemoCells::ContentColumn;
        keys.push_back(std::move(key));
    }
    return keys;
}

std::optional<std::vector<MemoListModel::Row>> MemoListModel::readRows(const std::vector<MemoId>& ids,
                                                                       QString* error) const
{
    std::vector<Row> rows;
    if (ids.empty())
        return rows;
    const MemoListRead read = m_queries->rowsOf(m_filter, ids);
    if (!read.ok) {
        *error = read.error;
        return std::nullopt;
    }
    rows.reserve(read.value.size());
    for (const MemoListRow& memo : read.value)
        rows.push_back({memo.id, MemoCells::rowTexts(memo, m_now)});
    return rows;
}

StoreResult MemoListModel::applyOrder(std::vector<MemoId> ids, const std::vector<MemoId>& changed)
{
    std::unordered_map<MemoId, size_t> position;
    for (size_t i = 0; i < ids.size(); ++i)
        position.emplace(ids[i], i);

    // The fetched part keeps its length, and grows to reach every row the view holds on to.
    size_t fetched = m_rows.size();
    const QModelIndexList held = persistentIndexList();
    for (const QModelIndex& index : held) {
        if (!index.isValid() || index.row() >= rowCount())
            continue;
        const auto found = position.find(m_rows[static_cast<size_t>(index.row())].id);
        if (found != position.end())
            fetched = std::max(fetched, found->second + 1);
    }
    fetched = std::min(fetched, ids.size());

    // Rows that left the list, or fall behind the fetched part, go.
    const auto leaves = [&](int row) {
        const auto found = position.find(m_rows[static_cast<size_t>(row)].id);
        return found == position.end() || found->second >= fetched;
    };
    for (int last = rowCount() - 1; last >= 0;) {
        if (!leaves(last)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && leaves(first - 1))
            --first;
        beginRemoveRows({}, first, last);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }

    // Rows that came into the fetched part are read, and changed rows again.
    std::unordered_map<MemoId, int> shownRow;
    for (size_t row = 0; row < m_rows.size(); ++row)
        shownRow.emplace(m_rows[row].id, static_cast<int>(row));
    std::vector<MemoId> toRead;
    for (size_t i = 0; i < fetched; ++i) {
        if (!shownRow.count(ids[i]))
            toRead.push_back(ids[i]);
    }
    const size_t entering = toRead.size();
    for (MemoId id : changed) {
        if (shownRow.count(id))
            toRead.push_back(id);
    }
    QString error;
    std::optional<std::vector<Row>> read = readRows(toRead, &error);
    std::unordered_map<MemoId, MemoCells::RowTexts> fresh;
    if (read) {
        for (Row& row : *read)
            fresh.emplace(row.id, std::move(row.cells));
    }

    // New rows join at the end; then the whole order is put right in one move.
    std::vector<Row> joining;
    for (size_t i = 0; i < entering; ++i) {
        const auto found = fresh.find(toRead[i]);
        if (found != fresh.end())
            joining.push_back({found->first, found->second});
    }
    if (!joining.empty()) {
        beginInsertRows({}, rowCount(), rowCount() + static_cast<int>(joining.size()) - 1);
        std::move(joining.begin(), joining.end(), std::back_inserter(m_rows));
        endInsertRows();
    }
    std::unordered_map<MemoId, int> targetRow;
    for (size_t i = 0; i < fetched; ++i) {
        if (shownRow.count(ids[i]) || fresh.count(ids[i]))
            targetRow.emplace(ids[i], static_cast<int>(targetRow.size()));
    }
    std::vector<int> newRowOfOld(m_rows.size());
    bool moved = false;
    for (size_t row = 0; row < m_rows.size(); ++row) {
        newRowOfOld[row] = targetRow.at(m_rows[row].id);
        moved = moved || newRowOfOld[row] != static_cast<int>(row);
    }
    if (moved) {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<Row> ordered(m_rows.size());
        for (size_t row = 0; row < m_rows.size(); ++row)
            ordered[static_cast<size_t>(newRowOfOld[row])] = std::move(m_rows[row]);
        m_rows = std::move(ordered);
        const QModelIndexList persistent = persistentIndexList();
        for (const QModelIndex& index : persistent) {
            if (index.isValid() && index.row() < static_cast<int>(newRowOfOld.size()))
                changePersistentIndex(
                    index, createIndex(newRowOfOld[static_cast<size_t>(index.row())], index.column()));
        }
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    m_unfetched.assign(ids.begin() + static_cast<qsizetype>(fetched), ids.end());

    // Rows still shown that changed take their new texts.
    for (size_t i = entering; i < toRead.size(); ++i) {
        const auto found = fresh.find(toRead[i]);
        if (found == fresh.end())
            continue;
        const int row = targetRow.at(found->first);
        m_rows[static_cast<size_t>(row)].cells = std::move(found->second);
        emit dataChanged(index(row, 0), index(row, MemoCells::ColumnCount - 1));
    }
    return read ? StoreResult::success() : StoreResult::failure(error);
}

} // namespace velmo
