#pragma once

// The memo rows the synchronisation with the web service reads and writes: one user's rows by
// server id, the rows waiting for an upload, memos that came down, the service's answers to an
// upload and a settled conflict. Every statement names the owner, so a reply can never touch
// another account's rows; owners compare with letter case.
//
// A row remembers in SyncedSynnum the service's change counter of the memo when the two were last
// in step. Comparing that with the counter the service lists tells who changed the memo: only the
// service (the row is in step), only this computer (the counters are equal), or both. On a row with
// a server id and a change waiting, 0 means not known: the row comes from a file written before the
// counter was kept (see sync/ListComparison.h).

#include "store/Memo.h"
#include "store/MemoId.h"
#include "store/ShortCode.h"
#include "store/StoreResult.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <limits>
#include <optional>
#include <vector>

namespace velmo {

class Database;

// The change counter one above `counter`. A counter already at the top of its range stays there: the
// service then sees a copy that did not see its own, and the user chooses in the conflict windows.
inline int counterAbove(int counter)
{
    return counter < std::numeric_limits<int>::max() ? counter + 1 : counter;
}

// What the synchronisation compares of a local row that the service already knows.
struct SyncKey
{
    MemoId id = 0;
    qint64 serverId = 0;
    int synnum = 0;
    int SyncedSynnum = 0;
    bool syn = false;    // in step with the service
    bool Del = false;    // deleted locally, waiting to be sent
    bool shared = false; // another row of the user carries the same server id
    ShortCode token;     // the service's token of the memo under serverId; empty: not known
    ShortCode digest;    // of the service's copy it was last in step with; empty: not known

    friend bool operator==(const SyncKey&, const SyncKey&) = default;
};

// The user's rows that carry a server id, one a server id in ascending order: the oldest row should
// several carry the same one (shared is then set). Room is made for `expected` rows at once.
using SyncKeysRead = StoreRead<std::vector<SyncKey>>;
SyncKeysRead readSyncKeys(const Database& db, const QString& userId, size_t expected = 0);

using LocalIdsRead = StoreRead<std::vector<MemoId>>;

// The user's rows waiting for an upload (syn cleared), oldest first.
LocalIdsRead readUnsyncedIds(const Database& db, const QString& userId);

// The user's memo of this local id; none when it is gone or another user's.
using OwnMemoRead = StoreRead<std::optional<MemoRecord>>;
OwnMemoRead readOwnMemo(const Database& db, const QString& userId, MemoId id);

// The user's (oldest) row that carries this server id; none for a server id of 0 or below.
OwnMemoRead readByServerId(const Database& db, const QString& userId, qint64 serverId);

// How many of the user's rows other than localId carry the server id.
StoreRead<qint64> serverIdHeldElsewhere(const Database& db, const QString& userId, qint64 serverId,
                                        MemoId localId);

// Adds a memo that came down from the service: owned by userId, in step at the record's counter,
// with its server id and token. rowsAffected is 0 (nothing added) when the user already has a row with
// the server id.
StoreResult insertFromServer(Database& db, const QString& userId, qint64 serverId, const QString& token,
                             const MemoRecord& server);

// The copy a row with a change waiting was last in step with (see SyncBase in the schema); none for a
// row that never was, or whose copy is not known (a file of an earlier version).
OwnMemoRead readSyncBase(const Database& db, const QString& userId, MemoId id);
// The row's copy last in step is not known (it took another memo's server id).
StoreResult forgetSyncBase(Database& db, const QString& userId, MemoId id);
// The row's copy last in step is `base` from now on (write it before the row's own change of state:
// a row that comes into step drops it).
StoreResult storeSyncBase(Database& db, const QString& userId, MemoId id, const MemoRecord& base);

// The user's rows that carry no server id (new here, or whose server id the service lost), each with
// the copy it was last in step with when one is kept.
struct UnsentRow
{
    MemoRecord row;
    std::optional<MemoRecord> base;
};
StoreRead<std::vector<UnsentRow>> readUnsentRows(const Database& db, const QString& userId);

// The row is the memo of serverId on the service, last in step with it at syncedSynnum; its change
// (if any) still goes up. Only while the row carries expectedServerId (0: none).
StoreResult takeServerId(Database& db, const QString& userId, MemoId id, qint64 expectedServerId,
                         qint64 serverId, const QString& token, int syncedSynnum);

// The row goes: another computer deleted its memo after it had the row's copy. Only while the row's
// counter is still expectedSynnum.
StoreResult deleteGoneRow(Database& db, const QString& userId, MemoId id, int expectedSynnum);

// How many copies of one memo are kept (its lineage, a deletion's, what a download names): the first
// and the latest. What a memo held more is forgotten, oldest first, so that a memo changed ten
// thousand times takes no more room, nor time, than one changed sixty times.
inline constexpr int KeptCopies = 64;
// Drops from a list of copies, oldest first, those between the first and the latest KeptCopies - 1.
template <typename Copies>
void keepFirstAndLatest(Copies& copies)
{
    if (copies.size() > KeptCopies)
        copies.erase(copies.begin() + 1, copies.end() - (KeptCopies - 1));
}

// The copies (digests) the row's memo is known to have held on the service, oldest first; of those
// already known, each keeps its place. Only the first and the latest are kept (KeptCopies).
StoreResult rememberLineage(Database& db, const QString& userId, MemoId id, const QStringList& digests);
// The row is in step with the copy of this digest (at its SyncedSynnum), and its memo held the copies
// of `lineage` (that one included).
StoreResult storeSyncedCopy(Database& db, const QString& userId, MemoId id, const QString& digest,
                            const QStringList& lineage);
StoreRead<QSet<QString>> readLineage(const Database& db, const QString& userId, MemoId id);
// The same, in the order they became known.
StoreRead<QStringList> readLineageInOrder(const Database& db, const QString& userId, MemoId id);
// The user's rows whose memo is known to have held this copy.
StoreRead<std::vector<MemoId>> rowsKnowing(const Database& db, const QString& userId, const QString& digest);

// The token that marks a server id the service gave in an answer and no list has named since: the
// next comparison checks the service's copy before taking it for the row's.
inline const QString UnconfirmedToken = QStringLiteral("?");

// The service names the memo of the row's server id with this token.
StoreResult storeServerToken(Database& db, const QString& userId, const SyncKey& key, const ShortCode& token);
// The same for many rows; rowsAffected counts the rows that took their token.
StoreResult storeServerTokens(Database& db, const QString& userId,
                              const std::vector<std::pair<SyncKey, ShortCode>>& tokens);
// The token the row holds for its server id (empty: none known).
StoreRead<QString> readServerToken(const Database& db, const QString& userId, MemoId id);

// The service does not hold the memo the row's server id named (it lost its memos, or is another
// service): the row lets the server id go and waits to go up as a new memo, its copy last in step
// kept. Only while the row is as it was compared.
StoreResult forgetServerId(Database& db, const QString& userId, const SyncKey& key);

// The service holds an older copy than the one the row was last in step with (it went back to a
// backup): the row, in step, goes up again. Only while the row is as it was compared.
StoreResult sendAgain(Database& db, const QString& userId, const SyncKey& key);

// Replaces the synchronised fields of a local row with the service's copy, in step at its counter
// and not deleted, only while the row is still as it was compared (expected). rowsAffected is 0
// when the row changed in the meantime; it is then left alone.
StoreResult overwriteFromServer(Database& db, const QString& userId, const SyncKey& expected,
                                const MemoRecord& server);

// The row says what the service's copy at serverSynnum says: it is in step at that counter, its
// changes (a deletion among them) still to be sent. Only while the row is as it was compared.
StoreResult markInStep(Database& db, const QString& userId, const SyncKey& expected, int serverSynnum);

// The service took the upload of a row at postedSynnum under serverId (its answer came, or its copy
// turned out to be the service's at that counter): the row keeps the server id and is in step at
// that counter. Only when its change counter and deleted flag are still those
// read for the upload (readSynnum, sentDel) is it marked in step with its counter set to
// postedSynnum; a row changed meanwhile must go up again, and `posted` is then the copy it was last in
// step with. Either way the row is in step with the copy of postedDigest, which its memo held.
StoreResult acknowledgeUpload(Database& db, const QString& userId, qint64 localId, qint64 serverId,
                              int readSynnum, int postedSynnum, bool sentDel, const MemoRecord& posted,
                              const QString& postedDigest);

// The service confirmed the deletion of a row that was just sent: the row goes, only when it is
// marked deleted and its server id is this one or was never set.
StoreResult deleteConfirmed(Database& db, const QString& userId, qint64 localId, qint64 serverId);

// The service marks the memo of this server id deleted by another computer of the user: the user's
// row goes, only while it is in step (or itself deleted) and as it was compared. A row with a change
// not yet sent stays: it goes up, and the user's change is kept.
StoreResult deleteRemovedElsewhere(Database& db, const QString& userId, const SyncKey& key);

// A row whose deletion needs no request: its memo is gone from the service. Only while it is marked
// deleted.
StoreResult deleteWithoutRequest(Database& db, const QString& userId, MemoId localId);

// A conflict settled in the conflict windows: the kept copy's synchronised fields replace the
// row's, with change counter synnum, in step at serverSynnum (the counter of the service's copy
// that was compared), to be uploaded, not deleted. Only while the row's counter is still
// expectedSynnum; rowsAffected is 0 otherwise.
StoreResult storeSettledCopy(Database& db, const QString& userId, qint64 localId, int expectedSynnum,
                             const MemoRecord& kept, int synnum, int serverSynnum);

} // namespace velmo
