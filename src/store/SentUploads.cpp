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
                             // Read without a QVariant a value: a first upload leaves one a memo.
                             SentUpload sent;
                             sent.id = row.integer(0);
                             sent.LocalId = row.integer(1);
                             sent.ServerId = row.integer(2);
                             sent.Record = row.text(3);
                             sent.ReadSynnum = int(row.integer(4));
                             sent.Del = row.integer(5) != 0;
                             sent.Answered = row.integer(6) != 0;
                             sent.SentAt = row.kind(7) == DbQuery::Kind::Text ? fromDbText(row.utf8(7))
                                                                              : fromDbValue(row.value(7));
                             sent.AboveServerId = row.integer(8);
                             return sent;
                         });
}

StoreRead<SentUploadsTally> tallySentUploads(const Database& db, const QString& userId)
{
    StoreRead<std::vector<SentUploadsTally>> read =
        db.selectRows(QStringLiteral("SELECT count(*), coalesce(max(id), 0) FROM SentUploads WHERE userid=?"),
                      {userId}, [](const DbQuery& row) {
                          return SentUploadsTally{row.integer(0), row.integer(1)};
                      });
    if (!read)
        return read;
    return {read, read.value.empty() ? SentUploadsTally{} : read.value.front()};
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
