#include "SyncRows.h"

#include "store/Database.h"
#include "store/DbText.h"

namespace velmo {

namespace {

OwnMemoRead firstMemo(const Database& db, const QString& sql, const QVariantList& values)
{
    StoreRead<std::vector<MemoRecord>> rows = readMemos(db, sql, values);
    if (rows.value.empty())
        return rows;
    return {rows, std::move(rows.value.front())};
}

// "column=?, " for every column a memo also has on the service.
const QString& syncedAssignments()
{
    static const QString text = syncedColumns().join(QStringLiteral("=?, ")) + QStringLiteral("=?, ");
    return text;
}

} // namespace

SyncKeysRead readSyncKeys(const Database& db, const QString& userId, size_t expected)
{
    // The rows come in the order of the index NotebookSync, which holds every column read here.
    std::vector<SyncKey> keys;
    keys.reserve(expected);
    const StoreResult ran =
        db.forEachRow(QStringLiteral("SELECT id, NotebookServerId, synnum, syn, Del, SyncedSynnum, "
                                     "ServerToken, SyncedDigest FROM Notebook "
                                     "WHERE userid=? AND NotebookServerId>0 ORDER BY NotebookServerId, id"),
                      {userId}, [&keys](const DbQuery& query) {
                          const qint64 serverId = query.integer(1);
                          if (!keys.empty() && keys.back().serverId == serverId) {
                              keys.back().shared = true;
                              return;
                          }
                          SyncKey key;
                          key.id = query.integer(0);
                          key.serverId = serverId;
                          key.synnum = int(query.integer(2));
                          key.syn = query.integer(3) != 0;
                          key.Del = query.integer(4) != 0;
                          key.SyncedSynnum = int(query.integer(5));
                          key.token = ShortCode(query.utf8(6));
                          key.digest = ShortCode(query.utf8(7));
                          keys.push_back(key);
                      });
    if (!ran.ok)
        return ran;
    return {ran, std::move(keys)};
}

LocalIdsRead readUnsyncedIds(const Database& db, const QString& userId)
{
    return db.selectRows(QStringLiteral("SELECT id FROM Notebook WHERE userid=? AND syn=0 ORDER BY id"),
                         {userId}, [](const DbQuery& row) { return row.value(0).toLongLong(); });
}

OwnMemoRead readOwnMemo(const Database& db, const QString& userId, MemoId id)
{
    return firstMemo(db, QStringLiteral("SELECT * FROM Notebook WHERE id=? AND userid=?"), {id, userId});
}

OwnMemoRead readByServerId(const Database& db, const QString& userId, qint64 serverId)
{
    if (serverId <= 0)
        return StoreResult::success();
    return firstMemo(
        db, QStringLiteral("SELECT * FROM Notebook WHERE NotebookServerId=? AND userid=? ORDER BY id"),
        {serverId, userId});
}

StoreRead<qint64> serverIdHeldElsewhere(const Database& db, const QString& userId, qint64 serverId,
                                        MemoId localId)
{
    const auto row = db.selectFirst(
        QStringLiteral("SELECT count(*) FROM Notebook WHERE NotebookServerId=? AND userid=? AND id<>?"),
        {serverId, userId, localId});
    return {row, row.value ? row.value->value(0).toLongLong() : 0};
}

StoreResult insertFromServer(Database& db, const QString& userId, qint64 serverId, const QString& token,
                             const MemoRecord& server)
{
    const StoreRead<qint64> existing = serverIdHeldElsewhere(db, userId, serverId, 0);
    if (!existing.ok)
        return existing;
    if (existing.value > 0) {
        StoreResult none;
        none.rowsAffected = 0;
        return none;
    }
    MemoRecord memo = server;
    memo.userid = userId;
    memo.NotebookServerId = serverId;
    memo.syn = true;
    memo.Del = false;
    memo.SyncedSynnum = server.synnum;
    memo.AlertTimeTemp.reset();
    memo.AlertTimeNongliTemp.reset();
    // A memo without its moment of writing keeps the moment it came down.
    StoreResult inserted = insertMemo(db, memo);
    if (!inserted || token.isEmpty())
        return inserted;
    const StoreResult tokened =
        db.exec(QStringLiteral("UPDATE Notebook SET ServerToken=? WHERE id=?"), {token, inserted.insertId});
    return tokened ? inserted : tokened;
}

OwnMemoRead readSyncBase(const Database& db, const QString& userId, MemoId id)
{
    return firstMemo(db, QStringLiteral("SELECT LocalId AS id, * FROM SyncBase WHERE LocalId=? AND userid=?"),
                     {id, userId});
}

StoreResult forgetSyncBase(Database& db, const QString& userId, MemoId id)
{
    return db.exec(QStringLiteral("DELETE FROM SyncBase WHERE LocalId=? AND userid=?"), {id, userId});
}

namespace {

// Keeps `base` as the row's copy last in step; with whileChanged, only while the row has a change
// waiting (a row in step keeps none).
StoreResult keepSyncBase(Database& db, const QString& userId, MemoId id, const MemoRecord& base,
                         bool whileChanged)
{
    const auto text = [](const QString& condition) {
        return QStringLiteral("INSERT OR REPLACE INTO SyncBase (") +
               syncedColumns().join(QStringLiteral(", ")) +
               QStringLiteral(", LocalId, userid, synnum) SELECT ") +
               QStringList(syncedColumns().size() + 1, QStringLiteral("?")).join(u',') +
               QStringLiteral(", userid, ? FROM Notebook WHERE id=? AND userid=?") + condition;
    };
    static const FixedSql always(text(QString()));
    static const FixedSql changed(text(QStringLiteral(" AND syn=0")));
    QVariantList values = syncedValues(base);
    values << id << base.synnum << id << userId;
    return db.exec(whileChanged ? changed : always, values);
}

} // namespace

StoreResult storeSyncBase(Database& db, const QString& userId, MemoId id, const MemoRecord& base)
{
    return keepSyncBase(db, userId, id, base, false);
}

StoreRead<std::vector<UnsentRow>> readUnsentRows(const Database& db, const QString& userId)
{
    // Two searches of the index NotebookSync, not a walk through every row of the user.
    StoreRead<std::vector<MemoRecord>> rows = readMemos(
        db,
        QStringLiteral("SELECT * FROM Notebook WHERE userid=? AND NotebookServerId IS NULL UNION ALL "
                       "SELECT * FROM Notebook WHERE userid=? AND NotebookServerId<=0 ORDER BY id"),
        {userId, userId});
    if (!rows)
        return rows;
    std::vector<UnsentRow> unsent;
    unsent.reserve(rows.value.size());
    for (MemoRecord& row : rows.value) {
        OwnMemoRead base = row.syn ? OwnMemoRead(StoreResult::success()) : readSyncBase(db, userId, row.id);
        if (!base)
            return base;
        unsent.push_back({std::move(row), std::move(base.value)});
    }
    return {rows, std::move(unsent)};
}

StoreResult takeServerId(Database& db, const QString& userId, MemoId id, qint64 expectedServerId,
                         qint64 serverId, const QString& token, int syncedSynnum)
{
    return db.exec(
        QStringLiteral(
            "UPDATE Notebook SET NotebookServerId=?, ServerToken=?, SyncedSynnum=?, SyncedDigest=NULL, syn=0 "
            "WHERE id=? AND userid=? AND COALESCE(NotebookServerId, 0)=?"),
        {serverId, token.isEmpty() ? QVariant() : QVariant(token), syncedSynnum, id, userId,
         expectedServerId});
}

StoreResult deleteGoneRow(Database& db, const QString& userId, MemoId id, int expectedSynnum)
{
    return db.exec(QStringLiteral("DELETE FROM Notebook WHERE id=? AND userid=? AND synnum=?"),
                   {id, userId, expectedSynnum});
}

StoreResult rememberLineage(Database& db, const QString& userId, MemoId id, const QStringList& digests)
{
    static const FixedSql remember(
        QStringLiteral("INSERT OR IGNORE INTO SyncLineage (LocalId, userid, Digest) VALUES (?, ?, ?)"));
    // The rows of one memo are found by the primary key; its first copy stays, and the latest.
    static const FixedSql trim(QStringLiteral(
        "DELETE FROM SyncLineage WHERE LocalId=? AND userid=? "
        "AND rowid > (SELECT min(rowid) FROM SyncLineage WHERE LocalId=?) "
        "AND rowid < (SELECT rowid FROM SyncLineage WHERE LocalId=? ORDER BY rowid DESC LIMIT 1 OFFSET ?)"));
    for (const QString& digest : digests) {
        if (const StoreResult kept = db.exec(remember, {id, userId, digest}); !kept)
            return kept;
    }
    if (digests.isEmpty())
        return StoreResult::success();
    return db.exec(trim, {id, userId, id, id, KeptCopies - 2});
}

StoreResult storeSyncedCopy(Database& db, const QString& userId, MemoId id, const QString& digest,
                            const QStringList& lineage)
{
    static const FixedSql synced(
        QStringLiteral("UPDATE Notebook SET SyncedDigest=? WHERE id=? AND userid=?"));
    const StoreResult stored = db.exec(synced, {digest, id, userId});
    return stored ? rememberLineage(db, userId, id, lineage) : stored;
}

StoreRead<QStringList> readLineageInOrder(const Database& db, const QString& userId, MemoId id)
{
    StoreRead<std::vector<QString>> rows = db.selectRows(
        QStringLiteral("SELECT Digest FROM SyncLineage WHERE LocalId=? AND userid=? ORDER BY rowid"),
        {id, userId}, [](const DbQuery& row) { return row.value(0).toString(); });
    if (!rows)
        return rows;
    return {rows, QStringList(rows.value.begin(), rows.value.end())};
}

StoreRead<QSet<QString>> readLineage(const Database& db, const QString& userId, MemoId id)
{
    StoreRead<QStringList> rows = readLineageInOrder(db, userId, id);
    if (!rows)
        return rows;
    return {rows, QSet<QString>(rows.value.begin(), rows.value.end())};
}

StoreRead<std::vector<MemoId>> rowsKnowing(const Database& db, const QString& userId, const QString& digest)
{
    return db.selectRows(
        QStringLiteral("SELECT LocalId FROM SyncLineage WHERE userid=? AND Digest=? ORDER BY LocalId"),
        {userId, digest}, [](const DbQuery& row) { return row.value(0).toLongLong(); });
}

StoreResult storeServerToken(Database& db, const QString& userId, const SyncKey& key, const ShortCode& token)
{
    static const FixedSql store(
        QStringLiteral("UPDATE Notebook SET ServerToken=? WHERE id=? AND userid=? AND NotebookServerId=?"));
    return db.exec(store, {token.toString(), key.id, userId, key.serverId});
}

StoreResult storeServerTokens(Database& db, const QString& userId,
                              const std::vector<std::pair<SyncKey, ShortCode>>& tokens)
{
    StoreResult stored = StoreResult::success();
    for (const auto& [key, token] : tokens) {
        const StoreResult one = storeServerToken(db, userId, key, token);
        if (!one)
            return one;
        stored.rowsAffected += one.rowsAffected;
    }
    return stored;
}

StoreRead<QString> readServerToken(const Database& db, const QString& userId, MemoId id)
{
    StoreRead<std::vector<QString>> tokens =
        db.selectRows(QStringLiteral("SELECT ServerToken FROM Notebook WHERE id=? AND userid=?"),
                      {id, userId}, [](const DbQuery& row) { return row.value(0).toString(); });
    if (!tokens)
        return tokens;
    return {tokens, tokens.value.empty() ? QString() : tokens.value.front()};
}

StoreResult forgetServerId(Database& db, const QString& userId, const SyncKey& key)
{
    return db.exec(
        QStringLiteral(
            "UPDATE Notebook SET NotebookServerId=0, ServerToken=NULL, SyncedDigest=NULL, SyncedSynnum=0, "
            "syn=0 WHERE id=? AND userid=? AND NotebookServerId=? AND synnum=? AND syn=? "
            "AND Del=?"),
        {key.id, userId, key.serverId, key.synnum, key.syn, key.Del});
}

StoreResult sendAgain(Database& db, const QString& userId, const SyncKey& key)
{
    return db.exec(QStringLiteral("UPDATE Notebook SET syn=0 WHERE id=? AND userid=? AND NotebookServerId=? "
                                  "AND synnum=? AND syn=1 AND Del=0"),
                   {key.id, userId, key.serverId, key.synnum});
}

StoreResult overwriteFromServer(Database& db, const QString& userId, const SyncKey& expected,
                                const MemoRecord& server)
{
    static const FixedSql overwrite(
        QStringLiteral("UPDATE Notebook SET ") + syncedAssignments() +
        QStringLiteral("synnum=?, SyncedSynnum=?, SyncedDigest=NULL, syn=1, Del=0 "
                       "WHERE id=? AND userid=? AND NotebookServerId=? AND synnum=? "
                       "AND syn=? AND Del=?"));
    QVariantList values = syncedValues(server);
    values << server.synnum << server.synnum << expected.id << userId << expected.serverId << expected.synnum
           << expected.syn << expected.Del;
    return db.exec(overwrite, values);
}

StoreResult markInStep(Database& db, const QString& userId, const SyncKey& expected, int serverSynnum)
{
    return db.exec(
        QStringLiteral("UPDATE Notebook SET SyncedSynnum=?, SyncedDigest=NULL WHERE id=? AND userid=? AND "
                       "NotebookServerId=? AND synnum=? AND syn=? AND Del=?"),
        {serverSynnum, expected.id, userId, expected.serverId, expected.synnum, expected.syn, expected.Del});
}

StoreResult acknowledgeUpload(Database& db, const QString& userId, qint64 localId, qint64 serverId,
                              int readSynnum, int postedSynnum, bool sentDel, const MemoRecord& posted,
                              const QString& postedDigest)
{
    static const FixedSql acknowledge(QStringLiteral(
        "UPDATE Notebook SET ServerToken=CASE WHEN NotebookServerId=? THEN ServerToken ELSE '?' END, "
        "NotebookServerId=?, SyncedSynnum=?, SyncedDigest=?, "
        "syn=CASE WHEN synnum=? AND Del=? THEN 1 ELSE syn END, "
        "synnum=CASE WHEN synnum=? AND Del=? THEN ? ELSE synnum END "
        "WHERE id=? AND userid=?"));
    StoreResult acknowledged =
        db.exec(acknowledge, {serverId, serverId, postedSynnum, postedDigest, readSynnum, sentDel, readSynnum,
                              sentDel, postedSynnum, localId, userId});
    // A row that came into step keeps no copy aside; one changed meanwhile keeps the copy posted.
    if (acknowledged && acknowledged.rowsAffected > 0) {
        if (const StoreResult kept = keepSyncBase(db, userId, localId, posted, true); !kept)
            return kept;
    }
    if (const StoreResult known = rememberLineage(db, userId, localId, {postedDigest}); !known)
        return known;
    return acknowledged;
}

StoreResult deleteConfirmed(Database& db, const QString& userId, qint64 localId, qint64 serverId)
{
    return db.exec(QStringLiteral("DELETE FROM Notebook WHERE id=? AND userid=? AND Del=1 "
                                  "AND (NotebookServerId=? OR COALESCE(NotebookServerId, 0)=0)"),
                   {localId, userId, serverId});
}

StoreResult deleteRemovedElsewhere(Database& db, const QString& userId, const SyncKey& key)
{
    return db.exec(QStringLiteral("DELETE FROM Notebook WHERE id=? AND userid=? AND NotebookServerId=? AND "
                                  "synnum=? AND (syn=1 OR Del=1) AND syn=? AND Del=?"),
                   {key.id, userId, key.serverId, key.synnum, key.syn, key.Del});
}

StoreResult deleteWithoutRequest(Database& db, const QString& userId, MemoId localId)
{
    return db.exec(QStringLiteral("DELETE FROM Notebook WHERE id=? AND userid=? AND Del=1"),
                   {localId, userId});
}

StoreResult storeSettledCopy(Database& db, const QString& userId, qint64 localId, int expectedSynnum,
                             const MemoRecord& kept, int synnum, int serverSynnum)
{
    QVariantList values = syncedValues(kept);
    values << synnum << serverSynnum << localId << userId << expectedSynnum;
    return db.exec(QStringLiteral("UPDATE Notebook SET ") + syncedAssignments() +
                       QStringLiteral("synnum=?, SyncedSynnum=?, SyncedDigest=NULL, syn=0, Del=0 "
                                      "WHERE id=? AND userid=? AND synnum=?"),
                   values);
}

} // namespace velmo
