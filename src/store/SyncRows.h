#pragma once

// The memo rows the synchronisation with the web service reads and writes: one user's rows by
// server id, the rows waiting for an upload, memos that came down, and the service's answers to
// an upload. Every statement names the owner, so a reply can never touch another account's rows.

#include "store/Memo.h"
#include "store/StoreResult.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace velmo {

class Database;

// What the synchronisation compares of a local row that the service already knows.
struct SyncKey
{
    qint64 id = 0;
    qint64 serverId = 0;
    int synnum = 0;
    bool syn = false; // in step with the service
    bool Del = false; // deleted locally, waiting to be sent
};

struct SyncKeysRead
{
    bool ok = false;
    QString error;
    // By server id; the oldest local row should several carry the same one.
    QHash<qint64, SyncKey> byServerId;
};

// The user's rows that carry a server id.
SyncKeysRead readSyncKeys(const Database& db, const QString& userId);

struct LocalIdsRead
{
    bool ok = false;
    QString error;
    std::vector<qint64> ids;
};

// The user's rows waiting for an upload (syn cleared), oldest first.
LocalIdsRead readUnsyncedIds(const Database& db, const QString& userId);

// The user's memo of this local id; none when it is gone or another user's. ok is false when the
// table could not be read.
struct OwnMemoRead
{
    bool ok = false;
    QString error;
    std::optional<MemoRecord> memo;
};
OwnMemoRead readOwnMemo(const Database& db, const QString& userId, qint64 id);

// The user's (oldest) row that carries this server id; none for a server id of 0 or below.
OwnMemoRead readByServerId(const Database& db, const QString& userId, qint64 serverId);

// Adds a memo that came down from the service: owned by userId, in step, with its server id.
// rowsAffected is 0 (nothing added) when the user already has a row with that server id.
StoreResult insertFromServer(Database& db, const QString& userId, qint64 serverId, const MemoRecord& server);

// Replaces the synchronised fields of a local row with the service's copy and marks it in step,
// only while the row is still the one compared: in step, with the change counter expected.
// rowsAffected is 0 when the user changed the row in the meantime (it is then left alone).
StoreResult overwriteFromServer(Database& db, const QString& userId, qint64 localId, int expectedSynnum,
                                const MemoRecord& server);

// The service accepted the upload of a row: the row keeps the server id, and is marked in step
// only when its change counter and deleted flag are still those that were sent (a row changed while
// its upload was under way must go up again).
StoreResult acknowledgeUpload(Database& db, const QString& userId, qint64 localId, qint64 serverId,
                              int sentSynnum, bool sentDel);

// The service confirmed the deletion of a row that was just sent: the row goes, only when it is
// marked deleted and its server id is this one or was never set.
StoreResult deleteConfirmed(Database& db, const QString& userId, qint64 localId, qint64 serverId);

// The service marks the memo of this server id deleted by another computer of the user: the user's
// rows that carry it go, only while they are in step. A row with a change not yet sent stays: it
// goes up, and the user's change is kept. rowsAffected counts the rows removed.
StoreResult deleteRemovedElsewhere(Database& db, const QString& userId, qint64 serverId);

} // namespace velmo
