#include "ReminderQueries.h"

#include "store/Database.h"

namespace velmo {

namespace {

// Each range is read on an index of its own: the solar and lunar reminder moments in their order
// (the index gives it: no sort), then the solar and lunar snoozes. Each row is read where it is
// found (no list of ids to collect and look up again); a snooze range leaves out the memos their
// moment range gives, so every memo comes once.
const QString dueColumns = QStringLiteral(
    "SELECT id, lifa, AlertTime, AlertTimeNongli, AlertTimeTemp, AlertTimeNongliTemp, mailTime ");
const QString dueSolarSql =
    dueColumns +
    QStringLiteral("FROM Notebook WHERE userid = ? AND Done = 0 AND Del = 0 AND ifAlert = 1 "
                   "AND AlertTime <= ? AND lifa = 1 AND AlertPinLv <> 'N' ORDER BY AlertTime, id");
const QString dueLunarSql =
    dueColumns +
    QStringLiteral(
        "FROM Notebook WHERE userid = ? AND Done = 0 AND Del = 0 AND ifAlert = 1 "
        "AND AlertTimeNongli <= ? AND lifa IS NOT 1 AND AlertPinLv <> 'N' ORDER BY AlertTimeNongli, id");
const QString dueSnoozesSql =
    dueColumns +
    QStringLiteral("FROM Notebook WHERE userid = ? AND AlertTimeTemp <= ? AND lifa = 1 "
                   "AND Done = 0 AND Del = 0 AND ifAlert = 1 AND AlertPinLv <> 'N' "
                   "AND NOT IFNULL(AlertTime <= ?, 0) UNION ALL ") +
    dueColumns +
    QStringLiteral("FROM Notebook WHERE userid = ? AND AlertTimeNongliTemp <= ? AND lifa IS NOT 1 "
                   "AND Done = 0 AND Del = 0 AND ifAlert = 1 AND AlertPinLv <> 'N' "
                   "AND NOT IFNULL(AlertTimeNongli <= ?, 0)");

// The ids go in as one bound JSON array, so one prepared statement serves any number of them. The
// "+" keeps the owner's index out: looked up by id, the rows are found without reading the user's
// other memos.
const QString dueDetailsSql =
    QStringLiteral("SELECT id, type, title, AlertPinLv, sound, DiySound FROM Notebook "
                   "WHERE id IN (SELECT value FROM json_each(?)) AND +userid = ?");

QString text(const QVariant& value)
{
    return value.isNull() ? QString() : value.toString();
}

} // namespace

StoreResult readDueCandidates(const Database& db, const QString& userId, DueRange range,
                              const QString& solarBound, const QString& lunarBound,
                              const std::function<bool(const DueCandidate&)>& each)
{
    DbQuery query;
    switch (range) {
    case DueRange::SolarMoments:
        query = db.select(dueSolarSql, {userId, solarBound});
        break;
    case DueRange::LunarMoments:
        query = db.select(dueLunarSql, {userId, lunarBound});
        break;
    case DueRange::Snoozes:
        query = db.select(dueSnoozesSql, {userId, solarBound, solarBound, userId, lunarBound, lunarBound});
        break;
    }
    while (query.next()) {
        DueCandidate memo;
        memo.id = query.value(0).toLongLong();
        const QVariant lifa = query.value(1);
        memo.lunar = lifa.isNull() || lifa.toInt() != 1;
        memo.moment = text(query.value(memo.lunar ? 3 : 2));
        memo.snooze = text(query.value(memo.lunar ? 5 : 4));
        if (memo.lunar) {
            memo.momentHint = text(query.value(6));
            memo.snoozeHint = text(query.value(4));
        }
        if (!each(memo))
            return StoreResult::success();
    }
    return query.ok() ? StoreResult::success() : StoreResult::failure(query.error());
}

StoreRead<std::vector<DueDetails>> readDueDetails(const Database& db, const QString& userId,
                                                  const std::vector<MemoId>& ids)
{
    if (ids.empty())
        return {StoreResult::success(), {}};
    QByteArray list = "[";
    for (const MemoId id : ids) {
        if (list.size() > 1)
            list += ',';
        list += QByteArray::number(id);
    }
    list += ']';
    return db.selectRows(dueDetailsSql, {QString::fromLatin1(list), userId}, [](const DbQuery& query) {
        DueDetails memo;
        memo.id = query.value(0).toLongLong();
        memo.type = query.value(1).toInt();
        memo.title = text(query.value(2));
        memo.repeatCode = text(query.value(3));
        memo.sound = text(query.value(4));
        memo.diySound = text(query.value(5));
        return memo;
    });
}

StoreResult storeNextAlert(Database& db, const QString& userId, MemoId id, const NextAlert& next)
{
    const QVariant mailTime = next.mailTime.isEmpty() ? QVariant() : QVariant(next.mailTime);
    // A reminder already as it would be stored (a memo not yet due) is left alone: not counted, not sent.
    const QString sql =
        next.lunar
            ? QStringLiteral("UPDATE Notebook SET AlertTimeNongli = ?, mailTime = COALESCE(?, mailTime), "
                             "AlertPinLv = ?, ifAlert = ?, AlertTimeTemp = NULL, AlertTimeNongliTemp = NULL, "
                             "synnum = COALESCE(synnum, 0) + 1, syn = 0 WHERE id = ? AND userid = ? AND NOT "
                             "(AlertTimeNongli IS ?1 AND AlertPinLv IS ?3 COLLATE BINARY AND ifAlert IS ?4)")
            : QStringLiteral("UPDATE Notebook SET AlertTime = ?, mailTime = COALESCE(?, mailTime), "
                             "AlertPinLv = ?, ifAlert = ?, AlertTimeTemp = NULL, AlertTimeNongliTemp = NULL, "
                             "synnum = COALESCE(synnum, 0) + 1, syn = 0 WHERE id = ? AND userid = ? AND NOT "
                             "(AlertTime IS ?1 AND AlertPinLv IS ?3 COLLATE BINARY AND ifAlert IS ?4)");
    return db.exec(sql, {next.moment, mailTime, next.repeatCode, next.alertOn, id, userId});
}

StoreResult storeSnooze(Database& db, const QString& userId, MemoId id, bool lunar,
                        const QString& solarMoment, const QString& lunarMoment)
{
    if (lunar)
        return db.exec(QStringLiteral("UPDATE Notebook SET AlertTimeNongliTemp = ?, AlertTimeTemp = ? "
                                      "WHERE id = ? AND userid = ?"),
                       {lunarMoment, solarMoment, id, userId});
    return db.exec(QStringLiteral("UPDATE Notebook SET AlertTimeTemp = ? WHERE id = ? AND userid = ?"),
                   {solarMoment, id, userId});
}

RingMemoRead readRingMemo(const Database& db, const QString& userId, MemoId id)
{
    const auto found = db.selectFirst(
        QStringLiteral(
            "SELECT id, type, title, content, lifa, AlertTime, AlertTimeNongli, mailTime, AlertPinLv, "
            "ifAlert FROM Notebook WHERE id = ? AND userid = ? AND Done = 0 AND Del = 0"),
        {id, userId});
    if (!found.value)
        return found;
    const QSqlRecord& row = *found.value;
    RingMemo memo;
    memo.id = row.value(QStringLiteral("id")).toLongLong();
    memo.type = row.value(QStringLiteral("type")).toInt();
    memo.title = row.value(QStringLiteral("title")).toString();
    memo.content = row.value(QStringLiteral("content")).toString();
    const QVariant lifa = row.value(QStringLiteral("lifa"));
    memo.lunar = lifa.isNull() || lifa.toInt() != 1;
    memo.moment =
        row.value(memo.lunar ? QStringLiteral("AlertTimeNongli") : QStringLiteral("AlertTime")).toString();
    if (memo.lunar)
        memo.momentHint = row.value(QStringLiteral("mailTime")).toString();
    memo.repeatCode = row.value(QStringLiteral("AlertPinLv")).toString();
    memo.alertOn = row.value(QStringLiteral("ifAlert")).toInt() != 0;
    return {found, memo};
}

} // namespace velmo
