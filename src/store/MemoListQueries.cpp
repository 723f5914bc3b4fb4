#include "MemoListQueries.h"

#include "platform/Html.h"
#include "store/Database.h"
#include "store/DbText.h"
#include "store/MemoState.h"

#include <QSqlDriver>

#include <sqlite3.h>

#include <unordered_map>

namespace velmo {

namespace {

const QString listColumns = QStringLiteral(
    "SELECT id, type, title, content, Done, lifa, AlertTime, AlertTimeNongli, AlertPinLv, addtime, mailTime "
    "FROM Notebook WHERE ");

// How many ids one IN list binds.
constexpr size_t idsPerRead = 500;

// The SQL function that gives a row's sort key: its first argument picks the key of the read
// under way, the others are the row's fields in the order of listColumns.
constexpr const char* keyFunctionName = "velmo_list_key";
constexpr int keyFunctionArguments = 12;

// The keys of the ordered read under way on this thread; none outside one.
thread_local const std::vector<MemoListSortKey>* keysInUse = nullptr;

QVariant fieldValue(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_value_int64(value)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_value_double(value));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                          sqlite3_value_bytes(value)));
    case SQLITE_BLOB:
        return QVariant(
            QByteArray(static_cast<const char*>(sqlite3_value_blob(value)), sqlite3_value_bytes(value)));
    default:
        return QVariant();
    }
}

void sortKeyFunction(sqlite3_context* context, int count, sqlite3_value** values)
{
    const sqlite3_int64 index = sqlite3_value_int64(values[0]);
    if (!keysInUse || count != keyFunctionArguments || index < 0 ||
        index >= static_cast<sqlite3_int64>(keysInUse->size())) {
        sqlite3_result_null(context);
        return;
    }
    const MemoListSortKey& key = (*keysInUse)[static_cast<size_t>(index)];
    MemoListRow memo;
    memo.id = fieldValue(values[1]).toLongLong();
    memo.type = fieldValue(values[2]);
    memo.title = fieldValue(values[3]);
    if (key.readsContent)
        memo.content = RemoveHtml(fieldValue(values[4]));
    memo.done = dbBool(fieldValue(values[5]));
    memo.lifa = fieldValue(values[6]);
    memo.alertTime = fieldValue(values[7]);
    memo.alertTimeNongli = fieldValue(values[8]);
    memo.alertPinLv = fieldValue(values[9]);
    memo.addTime = fieldValue(values[10]);
    memo.mailTime = fieldValue(values[11]);
    const std::optional<QByteArray> made = key.key ? key.key(memo) : std::nullopt;
    // The first byte sends a row without a key after the others, whichever the direction.
    QByteArray sortable(1, made.has_value() == key.descending ? '\1' : '\0');
    if (made)
        sortable += *made;
    sqlite3_result_blob(context, sortable.constData(), static_cast<int>(sortable.size()), SQLITE_TRANSIENT);
}

// Makes the keys the sort key function's for the life of the guard.
class SortKeysInUse
{
public:
    SortKeysInUse(const Database& db, const std::vector<MemoListSortKey>& keys)
    {
        const QVariant handle = QSqlDatabase::database(db.connectionName(), false).driver()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return;
        sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData());
        if (connection &&
            sqlite3_create_function_v2(connection, keyFunctionName, keyFunctionArguments, SQLITE_UTF8,
                                       nullptr, &sortKeyFunction, nullptr, nullptr, nullptr) == SQLITE_OK) {
            keysInUse = &keys;
            m_ready = true;
        }
    }
    ~SortKeysInUse() { keysInUse = nullptr; }
    SortKeysInUse(const SortKeysInUse&) = delete;
    SortKeysInUse& operator=(const SortKeysInUse&) = delete;

    bool isReady() const { return m_ready; }

private:
    bool m_ready = false;
};

} // namespace

std::optional<MemoListQueries::SearchZone> MemoListQueries::zoneFromNumber(int zone)
{
    if (zone < 1 || zone > 3)
        return std::nullopt;
    return static_cast<SearchZone>(zone);
}

MemoListQueries::MemoListQueries(Database& db, QString userId)
    : m_db(db)
    , m_userId(std::move(userId))
{
}

MemoListRead MemoListQueries::rows(const QString& condition, const QVariantList& values) const
{
    return m_db.selectRows(listColumns + condition + QStringLiteral(" ORDER BY id DESC"), values,
                           [](const DbQuery& query) {
                               MemoListRow memo;
                               memo.id = query.value(0).toLongLong();
                               memo.type = query.value(1);
                               memo.title = query.value(2);
                               memo.content = RemoveHtml(query.value(3));
                               memo.done = dbBool(query.value(4));
                               memo.lifa = query.value(5);
                               memo.alertTime = query.value(6);
                               memo.alertTimeNongli = query.value(7);
                               memo.alertPinLv = query.value(8);
                               memo.addTime = query.value(9);
                               memo.mailTime = query.value(10);
                               return memo;
                           });
}

QString MemoListQueries::condition(const Filter& filter, QVariantList& values) const
{
    values.append(m_userId);
    if (!filter.isSearch) {
        values.append(filter.done);
        if (filter.category == 0)
            return QStringLiteral("userid = ? AND Done = ? AND Del = 0");
        values.append(filter.category);
        return QStringLiteral("userid = ? AND Done = ? AND type = ? AND Del = 0");
    }
    const QString pattern = likeContains(filter.keyword);
    values.append(pattern);
    switch (filter.zone) {
    case SearchZone::TitleAndContent:
        values.append(pattern);
        return QStringLiteral(
            "userid = ? AND Del = 0 AND (title LIKE ? ESCAPE '\\' OR content LIKE ? ESCAPE '\\')");
    case SearchZone::Title:
        return QStringLiteral("userid = ? AND Del = 0 AND title LIKE ? ESCAPE '\\'");
    case SearchZone::Content:
        break;
    }
    return QStringLiteral("userid = ? AND Del = 0 AND content LIKE ? ESCAPE '\\'");
}

MemoListRead MemoListQueries::nodeRows(bool done, int category) const
{
    QVariantList values;
    const QString where = condition(Filter::node(done, category), values);
    return rows(where, values);
}

MemoListRead MemoListQueries::searchRows(const QString& keyword, SearchZone zone) const
{
    QVariantList values;
    const QString where = condition(Filter::search(keyword, zone), values);
    return rows(where, values);
}

MemoIdsRead MemoListQueries::orderedIds(const Filter& filter, const std::vector<MemoListSortKey>& keys) const
{
    QVariantList values;
    QString sql = QStringLiteral("SELECT id FROM Notebook WHERE ") + condition(filter, values) +
                  QStringLiteral(" ORDER BY ");
    for (size_t i = 0; i < keys.size(); ++i) {
        sql +=
            QStringLiteral("velmo_list_key(?, id, type, title, %1, Done, lifa, AlertTime, AlertTimeNongli, "
                           "AlertPinLv, addtime, mailTime)%2, ")
                .arg(keys[i].readsContent ? QStringLiteral("content") : QStringLiteral("NULL"),
                     keys[i].descending ? QStringLiteral(" DESC") : QString());
        values.append(qlonglong(i));
    }
    sql += QStringLiteral("id DESC");
    // Installing the function makes the connection prepare its statements afresh: only for a sort.
    std::optional<SortKeysInUse> keysInUse;
    if (!keys.empty())
        keysInUse.emplace(m_db, keys);
    if (keysInUse && !keysInUse->isReady())
        return StoreResult::failure(QStringLiteral("无法按所选的列排序"));
    return m_db.selectRows(sql, values, [](const DbQuery& row) { return row.integer(0); });
}

MemoListRead MemoListQueries::rowsOf(const Filter& filter, const std::vector<MemoId>& ids) const
{
    std::unordered_map<MemoId, MemoListRow> found;
    for (size_t first = 0; first < ids.size(); first += idsPerRead) {
        const size_t count = std::min(idsPerRead, ids.size() - first);
        QVariantList values;
        QString where = condition(filter, values) + QStringLiteral(" AND id IN (");
        for (size_t i = 0; i < count; ++i) {
            where += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
            values.append(ids[first + i]);
        }
        where += u')';
        MemoListRead part = rows(where, values);
        if (!part.ok)
            return part;
        for (MemoListRow& memo : part.value) {
            const MemoId id = memo.id;
            found.emplace(id, std::move(memo));
        }
    }
    std::vector<MemoListRow> shown;
    shown.reserve(found.size());
    for (qint64 id : ids) {
        const auto memo = found.find(id);
        if (memo != found.end())
            shown.push_back(memo->second);
    }
    return {StoreResult::success(), std::move(shown)};
}

StoreResult MemoListQueries::clearNode(bool done, int category)
{
    const auto toId = [](const DbQuery& row) { return row.value(0).toLongLong(); };
    const StoreRead<std::vector<MemoId>> ids =
        category == 0
            ? m_db.selectRows(
                  QStringLiteral("SELECT id FROM Notebook WHERE userid = ? AND Done = ? ORDER BY id DESC"),
                  {m_userId, done}, toId)
            : m_db.selectRows(
                  QStringLiteral("SELECT id FROM Notebook WHERE userid = ? AND Done = ? AND type = ? "
                                 "ORDER BY id DESC"),
                  {m_userId, done, category}, toId);
    if (!ids.ok)
        return ids;

    Transaction transaction(m_db);
    if (!transaction.isActive())
        return StoreResult::failure(transaction.error());
    int changed = 0;
    for (MemoId id : ids.value) {
        const StoreResult marked = SetDel(m_db, m_userId, id);
        if (!marked)
            return marked;
        changed += marked.rowsAffected;
    }
    StoreResult committed = transaction.commit();
    if (committed)
        committed.rowsAffected = changed;
    return committed;
}

} // namespace velmo
