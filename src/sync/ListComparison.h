#pragma once

// What the service's list of an account's memos asks of this computer, from the list and the
// user's rows that carry a server id alone (no request, no write): which rows go because another
// computer deleted their memo, which memos come down, and which rows wait for them.
//
//   const velmo::ListPlan plan = velmo::compareList(reply.entries, localKeys);
//
// For each memo listed live:
//   - no row carries its server id: it comes down (it may be a post of this computer's whose answer
//     was lost; the pass tells when the copy is there);
//   - several rows carry it: nothing comes down for either;
//   - the row's remembered counter equals the listed one: nothing to do;
//   - a row with a change waiting whose remembered counter is not known (0: the row comes from a
//     file written before the counter was kept) counts, by the rule of that time, as last in step at
//     the listed counter when that is below the row's own (the row's edits raised its counter past
//     the service's): it is so from now on, and its change goes up without a window; with the listed
//     counter at or above the row's own, the copy comes down and is compared (the same text: in
//     step; a deleted row gets a different copy back; a changed row meets it in the windows);
//   - otherwise the copy comes down, and the row waits for it (it takes it, or the two meet in the
//     conflict windows).
// A memo listed as deleted takes with it the rows of it that are in step, unless the same id is also
// listed live. A memo missing from the list is never touched: a partial list must not wipe anything.

#include "store/SyncRows.h"
#include "sync/SyncReplies.h"

#include <QSet>

#include <algorithm>
#include <optional>
#include <vector>

namespace velmo {

struct ListPlan
{
    // Whether the list names the server id live.
    bool isLive(qint64 serverId) const { return std::binary_search(live.begin(), live.end(), serverId); }

    struct Download
    {
        qint64 serverId = 0;
        std::optional<SyncKey> local; // none: not on this computer yet
    };
    std::vector<qint64> deletedElsewhere; // server ids whose rows in step go
    // Rows whose remembered counter was not known, with the counter they are in step at now.
    std::vector<std::pair<SyncKey, int>> inStepAt;
    std::vector<Download> downloads;
    QSet<MemoId> held;        // rows that wait for a download
    QSet<qint64> sharedIds;   // server ids several rows carry
    std::vector<qint64> live; // server ids listed live, ascending
};

// local: the user's rows that carry a server id, in ascending order of it (readSyncKeys).
ListPlan compareList(const std::vector<ServerEntry>& entries, const std::vector<SyncKey>& local);

} // namespace velmo
