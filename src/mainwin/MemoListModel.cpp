#include "MemoListModel.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cstring>
#include <functional>
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

// The sort key of one column's cell text.
std::optional<QByteArray> textSortKey(int column, const QString& text)
{
    if (isNumericColumn(column))
        return numberKey(text);
    return textKey(text);
}

// The sort key of one column's cell.
std::optional<QByteArray> cellKey(int column, const MemoListRow& memo, const QDateTime& now)
{
    if (column < 0 || column >= MemoCells::ColumnCount)
        return std::nullopt;
    return textSortKey(column, MemoCells::cellText(column, memo, now));
}

// How two sort keys of one column compare in the order the database gives them: a cell without
// a key after every cell with one, whichever the direction; keys byte by byte, a key that begins a
// longer one first. Negative when a comes first.
int compareKeys(const std::optional<QByteArray>& a, const std::optional<QByteArray>& b, bool descending)
{
    if (!a || !b)
        return int(!a) - int(!b);
    const int bytes = std::memcmp(a->constData(), b->constData(), size_t(std::min(a->size(), b->size())));
    const int order = bytes != 0 ? bytes : int(a->size() > b->size()) - int(a->size() < b->size());
    return descending ? -order : order;
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// A cell as the list shows it: on one line, each line break (CR LF counting as one) a blank.
QString oneLine(const QString& text)
{
    if (std::none_of(text.begin(), text.end(), isLineBreak))
        return text;
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isLineBreak(text.at(i))) {
            line += text.at(i);
            continue;
        }
        line += u' ';
        if (text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
    }
    return line;
}

// A text cut after its first `most` characters, its end marked; a shorter text as it is. What a cell or a
// tooltip shows is laid out whole at each paint: a memo of megabytes would hold the window up.
QString atMost(const QString& text, qsizetype most)
{
    if (text.size() <= most)
        return text;
    // A character in two halves is kept whole or left out.
    if (text.at(most - 1).isHighSurrogate())
        --most;
    return text.left(most) + u'…';
}

// More than a cell can show at any width, and a tooltip a screen.
constexpr qsizetype CellChars = 1000;
constexpr qsizetype ToolTipChars = 4000;

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
    return parent.isValid() ? 0 : static_cast<int>(m_ids.size());
}

int MemoListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : MemoCells::ColumnCount;
}

QVariant MemoListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= MemoCells::ColumnCount)
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const Cells* cells = cellsAt(index.row());
    if (!cells)
        return QString();
    // A row is one line high whatever its texts hold; the tooltip gives the text as it is, up to a
    // screenful.
    const QString& text = cells->texts[static_cast<size_t>(index.column())];
    return role == Qt::DisplayRole ? oneLine(atMost(text, CellChars)) : atMost(text, ToolTipChars);
}

QVariant MemoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
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
    beginResetModel();
    forgetCells();
    m_ids.clear();
    if (order.ok)
        m_ids = std::move(order.value);
    else
        m_queries.reset();
    endResetModel();
    if (!order.ok)
        return order;
    // The first screen is read at once: a file that cannot be read shows here, not as empty rows.
    const std::vector<MemoId> first(m_ids.begin(), m_ids.begin() + std::min<size_t>(m_ids.size(), pageRows));
    std::vector<MemoId> left;
    QString error;
    if (!readCells(first, left, &error)) {
        clear();
        return StoreResult::failure(error);
    }
    if (!left.empty())
        removeMemos(left);
    return StoreResult::success();
}

void MemoListModel::clear()
{
    beginResetModel();
    m_queries.reset();
    m_ids.clear();
    forgetCells();
    endResetModel();
}

StoreResult MemoListModel::updateMemos(const std::vector<MemoId>& ids)
{
    if (!m_queries)
        return StoreResult::success();
    // Cells that could not be read are tried again.
    std::erase_if(m_cells, [](const auto& cells) { return cells.second.failed; });
    // After midnight a sort by days left is read again whole: every row's place may have changed.
    const bool newDay = followTheDay();
    if (!ids.empty() && ids.size() <= static_cast<size_t>(pageRows) && !(newDay && sortsByDays()))
        return place(ids);
    // Any memo may have changed, or many did: the whole list is read again.
    if (ids.empty())
        forgetCells();
    for (MemoId id : ids)
        m_cells.erase(id);
    const StoreResult reordered = reorder();
    allCellsChanged();
    return reordered;
}

void MemoListModel::removeMemos(const std::vector<MemoId>& ids)
{
    std::vector<int> rows;
    if (inIdOrder()) {
        for (MemoId id : ids) {
            if (const auto row = rowOf(id))
                rows.push_back(*row);
        }
    } else {
        const std::unordered_set<MemoId> removed(ids.begin(), ids.end());
        for (size_t row = 0; row < m_ids.size(); ++row) {
            if (removed.count(m_ids[row]))
                rows.push_back(static_cast<int>(row));
        }
    }
    for (MemoId id : ids)
        m_cells.erase(id);
    removeRows(std::move(rows));
}

void MemoListModel::removeRows(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (size_t i = 0; i < rows.size();) {
        const int last = rows[i];
        int first = last;
        while (++i < rows.size() && rows[i] == first - 1)
            first = rows[i];
        beginRemoveRows({}, first, last);
        m_ids.erase(m_ids.begin() + first, m_ids.begin() + last + 1);
        endRemoveRows();
    }
}

void MemoListModel::allCellsChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, MemoCells::ColumnCount - 1));
}

MemoCells::RowTexts MemoListModel::rowAt(int row) const
{
    const Cells* cells = row >= 0 && row < rowCount() ? cellsAt(row) : nullptr;
    return cells ? cells->texts : MemoCells::RowTexts{};
}

std::optional<MemoId> MemoListModel::memoIdAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    const MemoId id = m_ids[static_cast<size_t>(row)];
    if (id < std::numeric_limits<qint32>::min() || id > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return id;
}

std::optional<int> MemoListModel::rowOf(MemoId id) const
{
    const auto found = inIdOrder() ? std::lower_bound(m_ids.begin(), m_ids.end(), id, std::greater<>())
                                   : std::find(m_ids.begin(), m_ids.end(), id);
    if (found == m_ids.end() || *found != id)
        return std::nullopt;
    return static_cast<int>(found - m_ids.begin());
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
    const StoreResult sorted = reorder();
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

bool MemoListModel::readCells(const std::vector<MemoId>& ids, std::vector<MemoId>& left, QString* error) const
{
    const quint64 page = ++m_lastPage;
    m_pages.emplace_back(page, ids);
    while (m_pages.size() > keptPages) {
        for (MemoId id : m_pages.front().second) {
            const auto cells = m_cells.find(id);
            if (cells != m_cells.end() && cells->second.page == m_pages.front().first)
                m_cells.erase(cells);
        }
        m_pages.pop_front();
    }
    if (ids.empty())
        return true;
    const MemoListRead read = m_queries->rowsOf(m_filter, ids);
    if (!read.ok) {
        for (MemoId id : ids)
            m_cells[id] = {MemoCells::RowTexts{}, page, true};
        *error = read.error;
        return false;
    }
    for (const MemoListRow& memo : read.value)
        m_cells[memo.id] = {MemoCells::rowTexts(memo, m_now), page, false};
    for (MemoId id : ids) {
        const auto cells = m_cells.find(id);
        if (cells == m_cells.end() || cells->second.page != page)
            left.push_back(id);
    }
    return true;
}

const MemoListModel::Cells* MemoListModel::cellsAt(int row) const
{
    const MemoId id = m_ids[static_cast<size_t>(row)];
    auto cells = m_cells.find(id);
    if (cells != m_cells.end() || !m_queries)
        return cells != m_cells.end() ? &cells->second : nullptr;
    // The page around the row, but for the memos at hand.
    const int first = row - row % pageRows;
    const int last = std::min(first + pageRows, rowCount());
    std::vector<MemoId> ids;
    for (int r = first; r < last; ++r) {
        if (!m_cells.count(m_ids[static_cast<size_t>(r)]))
            ids.push_back(m_ids[static_cast<size_t>(r)]);
    }
    std::vector<MemoId> left;
    QString error;
    const bool read = readCells(ids, left, &error);
    // The view may be painting: what the read found is told once it is done. A memo that no
    // longer belongs to the list (changed with no word to the list) shows empty cells until then.
    if (!read)
        QMetaObject::invokeMethod(
            mutableSelf(), [this, error] { emit mutableSelf()->readFailed(error); }, Qt::QueuedConnection);
    if (!left.empty())
        QMetaObject::invokeMethod(
            mutableSelf(), [this, left] { mutableSelf()->removeMemos(left); }, Qt::QueuedConnection);
    cells = m_cells.find(id);
    if (cells == m_cells.end())
        cells = m_cells.emplace(id, Cells{MemoCells::RowTexts{}, m_lastPage, false}).first;
    return &cells->second;
}

void MemoListModel::forgetCells()
{
    m_cells.clear();
    m_pages.clear();
}

bool MemoListModel::followTheDay()
{
    const QDateTime now = Clock::currentDateTime();
    if (now.date() == m_now.date())
        return false;
    m_now = now;
    forgetCells();
    allCellsChanged();
    return true;
}

bool MemoListModel::sortsByDays() const
{
    return std::any_of(m_sortSteps.begin(), m_sortSteps.end(),
                       [](const SortStep& step) { return step.column == MemoCells::DaysLeftColumn; });
}

StoreResult MemoListModel::reorder()
{
    MemoIdsRead order = m_queries->orderedIds(m_filter, sortKeys());
    if (!order.ok)
        return order;
    applyOrder(order.value);
    return StoreResult::success();
}

StoreResult MemoListModel::place(const std::vector<MemoId>& ids)
{
    std::vector<MemoId> memos = ids;
    std::sort(memos.begin(), memos.end(), std::greater<>());
    memos.erase(std::unique(memos.begin(), memos.end()), memos.end());
    for (MemoId id : memos)
        m_cells.erase(id);
    std::vector<MemoId> left;
    QString error;
    if (!readCells(memos, left, &error))
        return StoreResult::failure(error);
    const std::unordered_set<MemoId> leaving(left.begin(), left.end());
    for (MemoId id : memos) {
        const std::optional<int> row = rowOf(id);
        if (leaving.count(id)) {
            if (row)
                removeRows({*row});
            continue;
        }
        const std::optional<int> at = placeOf(id, m_cells.at(id).texts, row);
        if (!at) {
            // The rows around it are not as the list holds them: the whole order is read again.
            const StoreResult reordered = reorder();
            allCellsChanged();
            return reordered;
        }
        if (!row) {
            beginInsertRows({}, *at, *at);
            m_ids.insert(m_ids.begin() + *at, id);
            endInsertRows();
            continue;
        }
        if (*at != *row) {
            // The destination counts the rows before the move: below its row, one more.
            beginMoveRows({}, *row, *row, {}, *at > *row ? *at + 1 : *at);
            m_ids.erase(m_ids.begin() + *row);
            m_ids.insert(m_ids.begin() + *at, id);
            endMoveRows();
        }
        emit dataChanged(index(*at, 0), index(*at, MemoCells::ColumnCount - 1));
    }
    return StoreResult::success();
}

std::optional<int> MemoListModel::placeOf(MemoId id, const MemoCells::RowTexts& texts,
                                          std::optional<int> skip) const
{
    // A binary search over the rows but its own, which keep the order in force among themselves.
    const int others = rowCount() - (skip ? 1 : 0);
    int first = 0;
    int count = others;
    while (count > 0) {
        const int step = count / 2;
        const int probe = first + step;
        const int row = skip && probe >= *skip ? probe + 1 : probe;
        const MemoId other = m_ids[static_cast<size_t>(row)];
        std::optional<MemoCells::RowTexts> otherTexts;
        if (!inIdOrder()) {
            otherTexts = sortTexts(other);
            if (!otherTexts)
                return std::nullopt;
        }
        if (comesBefore(other, otherTexts.value_or(MemoCells::RowTexts{}), id, texts)) {
            first = probe + 1;
            count -= step + 1;
        } else {
            count = step;
        }
    }
    return first;
}

std::optional<MemoCells::RowTexts> MemoListModel::sortTexts(MemoId id) const
{
    const auto cells = m_cells.find(id);
    if (cells != m_cells.end() && !cells->second.failed)
        return cells->second.texts;
    const MemoListRead read = m_queries->rowsOf(m_filter, {id});
    if (!read.ok || read.value.empty())
        return std::nullopt;
    MemoCells::RowTexts texts;
    for (const SortStep& step : m_sortSteps)
        texts[static_cast<size_t>(step.column)] = MemoCells::cellText(step.column, read.value.front(), m_now);
    return texts;
}

bool MemoListModel::comesBefore(MemoId a, const MemoCells::RowTexts& textsA, MemoId b,
                                const MemoCells::RowTexts& textsB) const
{
    // The keys in turn, as the database orders by them, then the newest first.
    for (const SortStep& step : m_sortSteps) {
        const auto column = static_cast<size_t>(step.column);
        const int order =
            compareKeys(textSortKey(step.column, textsA[column]), textSortKey(step.column, textsB[column]),
                        step.order == Qt::DescendingOrder);
        if (order != 0)
            return order < 0;
    }
    return a > b;
}

void MemoListModel::applyOrder(const std::vector<MemoId>& ids)
{
    std::unordered_set<MemoId> inOrder(ids.begin(), ids.end());
    // Rows that left the list go, a run of neighbours at a time.
    for (int last = rowCount() - 1; last >= 0;) {
        if (inOrder.count(m_ids[static_cast<size_t>(last)])) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !inOrder.count(m_ids[static_cast<size_t>(first - 1)]))
            --first;
        beginRemoveRows({}, first, last);
        m_ids.erase(m_ids.begin() + first, m_ids.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }

    // The rows left take their new order among themselves.
    const std::unordered_set<MemoId> shown(m_ids.begin(), m_ids.end());
    std::vector<MemoId> stayed;
    stayed.reserve(m_ids.size());
    std::copy_if(ids.begin(), ids.end(), std::back_inserter(stayed),
                 [&shown](MemoId id) { return shown.count(id) > 0; });
    if (stayed != m_ids) {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::unordered_map<MemoId, int> newRow;
        newRow.reserve(stayed.size());
        for (size_t row = 0; row < stayed.size(); ++row)
            newRow.emplace(stayed[row], static_cast<int>(row));
        const QModelIndexList persistent = persistentIndexList();
        for (const QModelIndex& held : persistent) {
            if (held.isValid() && held.row() < rowCount())
                changePersistentIndex(
                    held, index(newRow.at(m_ids[static_cast<size_t>(held.row())]), held.column()));
        }
        m_ids = std::move(stayed);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    // New rows come in at their places, a run of neighbours at a time.
    for (size_t i = 0; i < ids.size();) {
        if (shown.count(ids[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < ids.size() && !shown.count(ids[end]))
            ++end;
        beginInsertRows({}, static_cast<int>(i), static_cast<int>(end) - 1);
        m_ids.insert(m_ids.begin() + static_cast<qsizetype>(i), ids.begin() + static_cast<qsizetype>(i),
                     ids.begin() + static_cast<qsizetype>(end));
        endInsertRows();
        i = end;
    }
}

} // namespace velmo
