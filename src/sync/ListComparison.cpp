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
    ServerEntry entry;  // its first live listing, else its first one
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
        place.entry = entries[order[i]];
        size_t end = i;
        for (; end < order.size() && entries[order[end]].serverId == entries[order[i]].serverId; ++end) {
            if (!place.live && !entries[order[end]].deleted) {
                place.live = true;
                place.entry = entries[order[end]];
            }
        }
        i = end;
    }
    return listed;
}

bool tokensDiffer(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() && a != UnconfirmedToken && a != b;
}

} // namespace

ListPlan compareList(const ListInputs& inputs)
{
    ListPlan plan;
    const std::vector<ServerEntry>& entries = inputs.entries;
    const std::vector<SyncKey>& local = inputs.local;
    const std::vector<Listed> listed = firstPlaces(entries);
    // The first place of each id, by id.
    std::vector<const Listed*> byId;
    for (const Listed& place : listed) {
        if (place.first)
            byId.push_back(&place);
    }
    std::sort(byId.begin(), byId.end(),
              [](const Listed* a, const Listed* b) { return a->entry.serverId < b->entry.serverId; });
    for (const Listed* place : byId) {
        if (place->live)
            plan.live.push_back(place->entry.serverId);
        plan.highestListed = std::max(plan.highestListed, place->entry.serverId);
    }
    const auto listingOf = [&byId](qint64 serverId) -> const Listed* {
        const auto it =
            std::lower_bound(byId.begin(), byId.end(), serverId,
                             [](const Listed* place, qint64 id) { return place->entry.serverId < id; });
        return it != byId.end() && (*it)->entry.serverId == serverId ? *it : nullptr;
    };

    // The rows, against what the list says of their server ids. Ids whose row lets them go count as
    // carried by no row.
    QSet<qint64> carried;
    for (const SyncKey& row : local) {
        const Listed* place = listingOf(row.serverId);
        if (!place || tokensDiffer(row.token, place->entry.token)) {
            plan.forgotten.push_back(row);
            continue;
        }
        carried.insert(row.serverId);
        if (row.shared) {
            plan.sharedIds.insert(row.serverId);
            continue;
        }
        const ServerEntry& entry = place->entry;
        const bool sameCopy = entry.synnum == row.SyncedSynnum && !entry.digest.isEmpty() &&
                              row.digest.startsWith(entry.digest);
        if (row.token == UnconfirmedToken && !sameCopy) {
            // Named in an answer, and listed with another copy than the one posted: is it still ours?
            plan.downloads.push_back({entry, row, ListPlan::Reason::Confirm});
            plan.held.insert(row.id);
            continue;
        }
        if ((row.token.isEmpty() || row.token == UnconfirmedToken) && !entry.token.isEmpty())
            plan.tokens.emplace_back(row, entry.token);
        const bool changeWaiting = !row.syn;
        if (entry.synnum < row.SyncedSynnum &&
            (!place->live || entry.digest.isEmpty() || row.digest.isEmpty())) {
            // The service went back to a copy older than the one the row had in step: the row's copy
            // goes up again (a row with a change waiting goes up anyway). A live copy whose digest is
            // known is downloaded instead, to tell an older copy of the row's from one changed since.
            if (!changeWaiting)
                plan.sendAgain.push_back(row);
            continue;
        }
        if (!place->live) {
            if (!changeWaiting || row.Del) {
                plan.gone.emplace_back(row, entry);
            } else if (inputs.posted.contains(row.serverId)) {
                // Was the copy deleted this computer's own post? If so its deletion stands.
                plan.downloads.push_back({entry, row, ListPlan::Reason::Deleted});
                plan.held.insert(row.id);
            }
            continue;
        }
        // At the row's counter, the same copy unless the digests say otherwise (a service put back from
        // a backup may give a counter out again to another copy).
        if (entry.synnum == row.SyncedSynnum &&
            (entry.digest.isEmpty() || row.digest.isEmpty() || row.digest.startsWith(entry.digest)))
            continue;
        plan.downloads.push_back({entry, row, ListPlan::Reason::Changed});
        plan.held.insert(row.id);
    }

    // Memos no row carries. While a row waits to go up as a new memo, a copy of it deleted elsewhere
    // may be any memo listed deleted.
    const std::optional<qint64> deletedAbove =
        plan.forgotten.empty() ? inputs.unknownDeletedAbove : std::optional<qint64>(0);
    for (const Listed* place : byId) {
        const ServerEntry& entry = place->entry;
        if (carried.contains(entry.serverId))
            continue;
        if (place->live) {
            plan.downloads.push_back({entry, std::nullopt, ListPlan::Reason::New});
            continue;
        }
        const auto seen = inputs.deletedHere.constFind(entry.serverId);
        const bool seenDeleted = seen != inputs.deletedHere.constEnd() && !tokensDiffer(*seen, entry.token);
        if (!seenDeleted && deletedAbove && entry.serverId > *deletedAbove)
            plan.downloads.push_back({entry, std::nullopt, ListPlan::Reason::Deleted});
    }
    return plan;
}

} // namespace velmo
