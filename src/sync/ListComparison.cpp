#include "ListComparison.h"

#include <algorithm>
#include <numeric>

namespace velmo {

namespace {

// What the list says of one id, at the id's first place in it.
struct Listed
{
    bool first = false; // the id's first place; later places of the same id are passed over
    bool live = false;  // listed live there or at a later place
    int synnum = 0;     // the counter of its first live listing
};

// Each id once, at its first place; an id listed live as well as deleted counts as live. The list is
// sorted aside, so that a list of any length costs its sort and no more.
std::vector<Listed> firstPlaces(const std::vector<ServerEntry>& entries)
{
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&entries](size_t a, size_t b) { return entries[a].serverId < entries[b].serverId; });
    std::vector<Listed> listed(entries.size());
    for (size_t i = 0; i < order.size();) {
        Listed& place = listed[order[i]];
        place.first = true;
        size_t end = i;
        for (; end < order.size() && entries[order[end]].serverId == entries[order[i]].serverId; ++end) {
            if (!place.live && !entries[order[end]].deleted) {
                place.live = true;
                place.synnum = entries[order[end]].synnum;
            }
        }
        i = end;
    }
    return listed;
}

} // namespace

ListPlan compareList(const std::vector<ServerEntry>& entries, const std::vector<SyncKey>& local)
{
    ListPlan plan;
    const std::vector<Listed> listed = firstPlaces(entries);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (listed[i].first && listed[i].live)
            plan.live.push_back(entries[i].serverId);
    }
    std::sort(plan.live.begin(), plan.live.end());
    for (const SyncKey& key : local) {
        if (key.shared)
            plan.sharedIds.insert(key.serverId);
    }
    const auto rowOf = [&local](qint64 serverId) -> const SyncKey* {
        const auto it = std::lower_bound(local.begin(), local.end(), serverId,
                                         [](const SyncKey& key, qint64 id) { return key.serverId < id; });
        return it != local.end() && it->serverId == serverId ? &*it : nullptr;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!listed[i].first)
            continue;
        const qint64 serverId = entries[i].serverId;
        const SyncKey* row = rowOf(serverId);
        if (!listed[i].live) {
            // A row with a change waiting goes up: the service brings the memo back.
            if (row)
                plan.deletedElsewhere.push_back(serverId);
            continue;
        }
        const int synnum = listed[i].synnum;
        if (!row) {
            plan.downloads.push_back({serverId, std::nullopt});
            continue;
        }
        if (row->shared || synnum == row->SyncedSynnum)
            continue;
        if (!row->syn && row->SyncedSynnum == 0 && synnum < row->synnum) {
            plan.inStepAt.emplace_back(*row, synnum);
            continue;
        }
        plan.downloads.push_back({serverId, *row});
        plan.held.insert(row->id);
    }
    return plan;
}

} // namespace velmo
