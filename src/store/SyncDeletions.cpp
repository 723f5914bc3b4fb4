#include "SyncDeletions.h"

#include "store/Database.h"
#include "store/DbText.h"
#include "store/SyncRows.h"

namespace velmo {

StoreResult rememberDeletion(Database& db, const QString& userId, const SyncDeletion& deletion)
{
    static const FixedSql remember(
        QStringLiteral("INSERT INTO SyncDeletions (userid, ServerId, ServerToken, Synnum, Digest, Lineage, "
                       "DeletedAt) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    QStringList lineage = deletion.Lineage;
    keepFirstAndLatest(lineage);
    return db.exec(remember,
                   {userId, deletion.ServerId,
                    deletion.ServerToken.isEmpty() ? QVariant() : QVariant(deletion.ServerToken),
                    deletion.Synnum, deletion.Digest, lineage.join(QLatin1Char(',')), deletion.DeletedAt});
}

StoreRead<std::vector<SyncDeletion>> readDeletions(const Database& db, const QString& userId)
{
    return db.selectRows(
        QStringLiteral("SELECT id, ServerId, ServerToken, Synnum, Digest, DeletedAt, Lineage FROM "
                       "SyncDeletions WHERE userid=? ORDER BY id"),
        {userId}, [](const DbQuery& row) {
            SyncDeletion deletion;
            deletion.id = row.value(0).toLongLong();
            deletion.ServerId = row.value(1).toLongLong();
            deletion.ServerToken = row.value(2).toString();
            deletion.Synnum = row.value(3).toInt();
            deletion.Digest = row.value(4).toString();
            deletion.DeletedAt = fromDbValue(row.value(5));
            deletion.Lineage = row.value(6).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
            return deletion;
        });
}

StoreResult forgetDeletion(Database& db, const QString& userId, qint64 id)
{
    return db.exec(QStringLiteral("DELETE FROM SyncDeletions WHERE id=? AND userid=?"), {id, userId});
}

StoreResult forgetDeletionsBefore(Database& db, const QString& userId, const QDateTime& before)
{
    return db.exec(QStringLiteral("DELETE FROM SyncDeletions WHERE userid=? AND DeletedAt<?"),
                   {userId, before});
}

} // namespace velmo
