#include "SentUploads.h"

#include "store/Database.h"
#include "store/DbText.h"

#include <algorithm>

namespace velmo {

StoreResult rememberSentUpload(Database& db, const QString& userId, const SentUpload& sent)
{
    static const FixedSql remember(
        QStringLiteral("INSERT INTO SentUploads (userid, LocalId, ServerId, Record, ReadSynnum, Del, SentAt, "
                       "AboveServerId) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    return db.exec(remember, {userId, sent.LocalId, sent.ServerId, sent.Record, sent.ReadSynnum, sent.Del,
                              sent.SentAt, sent.AboveServerId});
}

StoreRead<std::vector<SentUpload>> readSentUploads(const Database& db, const QString& userId)
{
    return db.selectRows(QStringLiteral("SELECT id, LocalId, ServerId, Record, ReadSynnum, Del, Answered, "
                                        "SentAt, AboveServerId FROM SentUploads WHERE userid=? ORDER BY id"),
                         {userId}, [](const DbQuery& row) {
                             SentUpload sent;
                             sent.id = row.value(0).toLongLong();
                             sent.LocalId = row.value(1).toLongLong();
                             sent.ServerId = row.value(2).toLongLong();
                             sent.Record = row.value(3).toString();
                             sent.ReadSynnum = row.value(4).toInt();
                             sent.Del = dbBool(row.value(5));
                             sent.Answered = dbBool(row.value(6));
                             sent.SentAt = fromDbValue(row.value(7));
                             sent.AboveServerId = row.value(8).toLongLong();
                             return sent;
                         });
}

StoreResult forgetSentUpload(Database& db, const QString& userId, qint64 id)
{
    static const FixedSql forget(QStringLiteral("DELETE FROM SentUploads WHERE id=? AND userid=?"));
    return db.exec(forget, {id, userId});
}

StoreResult forgetSentUploads(Database& db, const QString& userId, const std::vector<qint64>& ids)
{
    // One text for every chunk: a short last chunk names its last id again.
    constexpr int Chunk = 200;
    static const FixedSql forget([] {
        QString sql = QStringLiteral("DELETE FROM SentUploads WHERE userid=? AND id IN (?");
        sql += QStringLiteral(",?").repeated(Chunk - 1);
        return sql + QLatin1Char(')');
    }());
    StoreResult forgotten = StoreResult::success();
    for (size_t start = 0; start < ids.size(); start += Chunk) {
        QVariantList values{userId};
        for (size_t i = start; i < start + Chunk; ++i)
            values.append(ids[std::min(i, ids.size() - 1)]);
        const StoreResult chunk = db.exec(forget, values);
        if (!chunk)
            return chunk;
        forgotten.rowsAffected += chunk.rowsAffected;
    }
    return forgotten;
}

StoreResult markSentUploadAnswered(Database& db, const QString& userId, qint64 id)
{
    static const FixedSql answered(
        QStringLiteral("UPDATE SentUploads SET Answered=1 WHERE id=? AND userid=?"));
    return db.exec(answered, {id, userId});
}

StoreResult forgetSentUploadsBefore(Database& db, const QString& userId, const QDateTime& before)
{
    return db.exec(QStringLiteral("DELETE FROM SentUploads WHERE userid=? AND SentAt<?"), {userId, before});
}

} // namespace velmo
