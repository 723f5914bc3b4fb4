#include "SyncRows.h"

#include "store/Database.h"
#include "store/DbText.h"

namespace velmo {

namespace {

QVariant dateValue(const std::optional<QDateTime>& moment)
{
    return moment ? QVariant(*moment) : QVariant();
}

QVariant contentValue(const QString& content)
{
    return content.isEmpty() ? QVariant() : QVariant(content);
}

OwnMemoRead firstMemo(const Database& db, const QString& sql, const QVariantList& values)
{
    OwnMemoRead read;
    std::vector<MemoRecord> rows = readMemos(db, sql, values, &read.error);
    read.ok = read.error.isEmpty();
    if (read.ok && !rows.empty())
        read.memo = std::move(rows.front());
    return read;
}

} // namespace

SyncKeysRead readSyncKeys(const Database& db, const QString& userId)
{
    SyncKeysRead read;
    DbQuery query = db.select(QStringLiteral("SELECT id, NotebookServerId, synnum, syn, Del FROM Notebook "
                                             "WHERE userid=? AND NotebookServerId>0 ORDER BY id"),
                              {userId});
    if (!query.ok()) {
        read.error = query.error();
        return read;
    }
    while (query.next()) {
        SyncKey key;
        key.id = query.value(0).toLongLong();
        key.serverId = query.value(1).toLongLong();
        key.synnum = query.value(2).toInt();
        key.syn = dbBool(query.value(3));
        key.Del = dbBool(query.value(4));
        if (!read.byServerId.contains(key.serverId))
            read.byServerId.insert(key.serverId, key);
    }
    read.ok = true;
    return read;
}

LocalIdsRead readUnsyncedIds(const Database& db, const QString& userId)
{
    LocalIdsRead read;
    DbQuery query =
        db.select(QStringLiteral("SELECT id FROM Notebook WHERE userid=? AND syn=0 ORDER BY id"), {userId});
    if (!query.ok()) {
        read.error = query.error();
        return read;
    }
    while (query.next())
        read.ids.push_back(query.value(0).toLongLong());
    read.ok = true;
    return read;
}

OwnMemoRead readOwnMemo(const Database& db, const QString& userId, qint64 id)
{
    return firstMemo(db, QStringLiteral("SELECT * FROM Notebook WHERE id=? AND userid=?"), {id, userId});
}

OwnMemoRead readByServerId(const Database& db, const QString& userId, qint64 serverId)
{
    if (serverId <= 0) {
        OwnMemoRead none;
        none.ok = true;
        return none;
    }
    return firstMemo(
        db, QStringLiteral("SELECT * FROM Notebook WHERE NotebookServerId=? AND userid=? ORDER BY id"),
        {serverId, userId});
}

StoreResult insertFromServer(Database& db, const QString& userId, qint64 serverId, const MemoRecord& server)
{
    const QVariant existing =
        db.selectValue(QStringLiteral("SELECT count(*) FROM Notebook WHERE NotebookServerId=? AND userid=?"),
                       {serverId, userId});
    if (!existing.isValid())
        return StoreResult::failure(QStringLiteral("cannot read the memos"));
    if (existing.toLongLong() > 0) {
        StoreResult none;
        none.rowsAffected = 0;
        return none;
    }
    MemoRecord memo = server;
    memo.userid = userId;
    memo.NotebookServerId = serverId;
    memo.syn = true;
    memo.Del = false;
    memo.AlertTimeTemp.reset();
    memo.AlertTimeNongliTemp.reset();
    // A memo without its moment of writing keeps the moment it came down.
    return insertMemo(db, memo);
}

StoreResult overwriteFromServer(Database& db, const QString& userId, qint64 localId, int expectedSynnum,
                                const MemoRecord& server)
{
    return db.exec(
        QStringLiteral("UPDATE Notebook SET type=?, title=?, content=?, Done=?, addtime=?, AlertTime=?, "
                       "AlertPinLv=?, mimi=?, ifAlert=?, importance=?, AddIp=?, click=?, "
                       "AlertTimeNongli=?, mailTime=?, \"before\"=?, sound=?, Mail=?, editor=?, lifa=?, "
                       "synnum=?, DiySound=?, syn=1 "
                       "WHERE id=? AND userid=? AND syn=1 AND Del=0 AND synnum=?"),
        {server.type,
         server.title,
         contentValue(server.content),
         server.Done,
         dateValue(server.addtime),
         dateValue(server.AlertTime),
         server.AlertPinLv,
         server.mimi,
         server.ifAlert,
         server.importance,
         server.AddIp,
         server.click,
         dateValue(server.AlertTimeNongli),
         dateValue(server.mailTime),
         server.before,
         server.sound,
         server.Mail,
         server.editor,
         server.lifa,
         server.synnum,
         server.DiySound,
         localId,
         userId,
         expectedSynnum});
}

StoreResult acknowledgeUpload(Database& db, const QString& userId, qint64 localId, qint64 serverId,
                              int sentSynnum, bool sentDel)
{
    return db.exec(QStringLiteral("UPDATE Notebook SET NotebookServerId=?, "
                                  "syn=CASE WHEN synnum=? AND Del=? THEN 1 ELSE syn END "
                                  "WHERE id=? AND userid=?"),
                   {serverId, sentSynnum, sentDel, localId, userId});
}

StoreResult deleteConfirmed(Database& db, const QString& userId, qint64 localId, qint64 serverId)
{
    return db.exec(QStringLiteral("DELETE FROM Notebook WHERE id=? AND userid=? AND Del=1 "
                                  "AND (NotebookServerId=? OR COALESCE(NotebookServerId, 0)=0)"),
                   {localId, userId, serverId});
}

StoreResult deleteRemovedElsewhere(Database& db, const QString& userId, qint64 serverId)
{
    if (serverId <= 0)
        return StoreResult::success();
    return db.exec(
        QStringLiteral("DELETE FROM Notebook WHERE userid=? AND NotebookServerId=? AND syn=1 AND Del=0"),
        {userId, serverId});
}

} // namespace velmo
