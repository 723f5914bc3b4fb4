#pragma once

// Memos this computer saw deleted: its own deletion the service confirmed, or another computer's that
// the service's list named. Each is kept with what the memo said when it went (a digest of its copy),
// so that a service that lost the deletion (put back from a backup, or started over and sent the memo
// again by a computer that had missed it) gets it once more instead of the memo coming back. Every
// statement names the owner.

#include "store/StoreResult.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace velmo {

class Database;

struct SyncDeletion
{
    qint64 id = 0;
    qint64 ServerId = 0; // the memo's server id then; 0 when it had none any more
    QString ServerToken; // the service's token of it; empty when not known
    int Synnum = 0;      // the counter the deletion carried on the service
    QString Digest;      // what the memo said when it went (sync/ServerRecord.h: wireDigest)
    QStringList Lineage; // every copy it was known to have said before, oldest first; the first and
                         // the latest are kept (store/SyncRows.h: KeptCopies)
    QDateTime DeletedAt;

    friend bool operator==(const SyncDeletion&, const SyncDeletion&) = default;
};

StoreResult rememberDeletion(Database& db, const QString& userId, const SyncDeletion& deletion);
StoreRead<std::vector<SyncDeletion>> readDeletions(const Database& db, const QString& userId);
StoreResult forgetDeletion(Database& db, const QString& userId, qint64 id);
// Deletions older than `before` are let go: a backup that old is no longer put back.
StoreResult forgetDeletionsBefore(Database& db, const QString& userId, const QDateTime& before);

} // namespace velmo
