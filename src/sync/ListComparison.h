#pragma once

// What the service's list of an account's memos asks of this computer, from the list and the user's
// rows that carry a server id alone (no request, no write): which rows let their server id go, which
// go up again, which go because another computer deleted their memo, which memos come down, and which
// rows wait for them.
//
//   const velmo::ListPlan plan = velmo::compareList({reply.entries, localKeys, deletions, bound});
//
// For each row that carries a server id:
//   - the list does not name it, or names it with another token: the service lost the memo (it was
//     started over, put back from a backup, or is another service) and may have given its server id to
//     another memo: the row lets the server id go and goes up as a new memo (a copy of it that another
//     computer sent meanwhile is recognised when it comes down: sync/CopyDecision.h);
//   - the service gave it in an answer and no list named it since: the copy comes down, to be checked
//     for the row's own (sync/SyncSession);
//   - several rows carry it: nothing comes down for either;
//   - listed live at the row's remembered counter: nothing to do;
//   - listed below it: the service went back to an older copy; the row's copy goes up again;
//   - listed above it (or the remembered counter is not known): the copy comes down, and the row waits
//     for it (it takes it, keeps its change over it, or the two meet in the conflict windows);
//   - listed deleted: a row in step (or deleted here too) goes; a row with a change goes up (the service
//     brings the memo back), unless its own post may be the copy that was deleted: that copy comes
//     down to tell.
// A memo listed live that no row carries comes down; one listed deleted comes down only while a post
// of this computer may be it (its server id above `unknownDeletedAbove`).

#include "store/SyncRows.h"
#include "sync/SyncReplies.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>
#include <vector>

namespace velmo {

struct ListInputs
{
    std::vector<ServerEntry> entries;
    // The user's rows that carry a server id, in ascending order of it (readSyncKeys).
    std::vector<SyncKey> local;
    // The tokens of memos this computer saw deleted, by server id (an empty token: not known).
    QHash<qint64, ShortCode> deletedHere;
    // Memos listed deleted that no row carries come down when their server id is above this.
    std::optional<qint64> unknownDeletedAbove;
    // Server ids a post of this computer named whose answer is not settled.
    QSet<qint64> posted;
};

struct ListPlan
{
    // Whether the list names the server id live.
    bool isLive(qint64 serverId) const { return std::binary_search(live.begin(), live.end(), serverId); }

    enum class Reason
    {
        New,     // no row carries it
        Changed, // the row's copy is older than the listed one, or its counter is not known
        Deleted, // listed deleted: whether a post of this computer was that memo
        Confirm, // the row took the server id from an answer: whether the listed memo is the row's
    };
    struct Download
    {
        ServerEntry entry;
        std::optional<SyncKey> local; // the row that waits for it
        Reason reason = Reason::New;
    };
    std::vector<SyncKey> forgotten;                    // rows whose server id names no memo of theirs
    std::vector<std::pair<SyncKey, ShortCode>> tokens; // rows that learn their memo's token
    std::vector<SyncKey> sendAgain;                    // rows in step whose copy the service lost
    std::vector<std::pair<SyncKey, ServerEntry>> gone; // rows whose memo was deleted elsewhere
    std::vector<Download> downloads;
    QSet<MemoId> held;        // rows that wait for a download
    QSet<qint64> sharedIds;   // server ids several rows carry
    std::vector<qint64> live; // server ids listed live, ascending
    qint64 highestListed = 0; // the highest server id listed, live or deleted
};

ListPlan compareList(const ListInputs& inputs);

} // namespace velmo
