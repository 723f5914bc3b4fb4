#include "MemoListQueries.h"

#include "platform/Html.h"
#include "store/Database.h"
#include "store/DbText.h"
#include "store/MemoState.h"

namespace velmo {

namespace {

const QString listColumns = QStringLiteral(
    "SELECT id, type, title, content, Done, lifa, AlertTime, AlertTimeNongli, AlertPinLv, addtime, mailTime "
    "FROM Notebook WHERE ");

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
    MemoListRead result;
    DbQuery query = m_db.select(listColumns + condition + QStringLiteral(" ORDER BY id DESC"), values);
    if (!query.ok()) {
        result.error = query.error();
        return result;
    }
    while (query.next()) {
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
        result.rows.push_back(std::move(memo));
    }
    result.ok = query.ok();
    if (!result.ok) {
        result.error = query.error();
        result.rows.clear();
    }
    return result;
}

MemoListRead MemoListQueries::nodeRows(bool done, int category) const
{
    if (category == 0)
        return rows(QStringLiteral("userid = ? AND Done = ? AND Del = 0"), {m_userId, done});
    return rows(QStringLiteral("userid = ? AND Done = ? AND type = ? AND Del = 0"),
                {m_userId, done, category});
}

MemoListRead MemoListQueries::searchRows(const QString& keyword, SearchZone zone) const
{
    const QString pattern = likeContains(keyword);
    switch (zone) {
    case SearchZone::TitleAndContent:
        return rows(
            QStringLiteral(
                "userid = ? AND Del = 0 AND (title LIKE ? ESCAPE '\\' OR content LIKE ? ESCAPE '\\')"),
            {m_userId, pattern, pattern});
    case SearchZone::Title:
        return rows(QStringLiteral("userid = ? AND Del = 0 AND title LIKE ? ESCAPE '\\'"),
                    {m_userId, pattern});
    case SearchZone::Content:
        return rows(QStringLiteral("userid = ? AND Del = 0 AND content LIKE ? ESCAPE '\\'"),
                    {m_userId, pattern});
    }
    return {};
}

StoreResult MemoListQueries::clearNode(bool done, int category)
{
    DbQuery query =
        category == 0
            ? m_db.select(
                  QStringLiteral("SELECT id FROM Notebook WHERE userid = ? AND Done = ? ORDER BY id DESC"),
                  {m_userId, done})
            : m_db.select(QStringLiteral("SELECT id FROM Notebook WHERE userid = ? AND Done = ? AND type = ? "
                                         "ORDER BY id DESC"),
                          {m_userId, done, category});
    if (!query.ok())
        return StoreResult::failure(query.error());
    std::vector<MemoId> ids;
    while (query.next())
        ids.push_back(query.value(0).toLongLong());

    Transaction transaction(m_db);
    if (!transaction.isActive())
        return StoreResult::failure(transaction.error());
    int changed = 0;
    for (MemoId id : ids) {
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
