#include "ListComparison.h"

namespace velmo {

ListPlan compareList(const std::vector<ServerEntry>& entries, const QHash<qint64, SyncKey>& local)
{
    ListPlan plan;
    for (const ServerEntry& entry : entries) {
        if (!entry.deleted)
            plan.live.insert(entry.serverId);
    }
    for (const SyncKey& key : local) {
        if (key.shared)
            plan.sharedIds.insert(key.serverId);
    }
    QSet<qint64> seen;
    for (const ServerEntry& entry : entries) {
        const auto it = local.constFind(entry.serverId);
        // Each id once; one listed live as well as deleted counts as live. A row of a deleted memo
        // with a change waiting goes up: the service brings the memo back.
        if (seen.contains(entry.serverId) || (entry.deleted && plan.live.contains(entry.serverId)))
            continue;
        seen.insert(entry.serverId);
        if (entry.deleted) {
            if (it != local.constEnd())
                plan.deletedElsewhere.push_back(entry.serverId);
            continue;
        }
        if (it == local.constEnd()) {
            plan.downloads.push_back({entry.serverId, std::nullopt});
            continue;
        }
        if (it->shared || entry.synnum == it->SyncedSynnum)
            continue;
        if (!it->syn && it->SyncedSynnum == 0 && entry.synnum < it->synnum) {
            plan.inStepAt.emplace_back(*it, entry.synnum);
            continue;
        }
        plan.downloads.push_back({entry.serverId, *it});
        plan.held.insert(it->id);
    }
    return plan;
}

} // namespace velmo
