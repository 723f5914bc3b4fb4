#include "ListComparison.h"

#include <algorithm>

namespace velmo {

namespace {

// What the list says of one id.
struct Listed
{
    bool live = false;                  // listed live at some place
    const ServerEntry* entry = nullptr; // its first live listing, else its first one
    bool carried = false;               // a row carries it (and keeps it)
};

// Each id once, in ascending order; an id listed live as well as deleted counts as live. The list is
// sorted aside (a service lists in order: then it is only checked), so that a list of any length costs
// its sort and no more.
std::vector<Listed> firstPlaces(const std::vector<ServerEntry>& entries)
{
    const auto byServerId = [](const ServerEntry* a, const ServerEntry* b) {
        return a->serverId < b->serverId;
    };
    const bool inOrder =
        std::is_sorted(entries.begin(), entries.end(),
                       [](const ServerEntry& a, const ServerEntry& b) { return a.serverId < b.serverId; });
    std::vector<const ServerEntry*> order;
    if (!inOrder) {
        order.reserve(entries.size());
        for (const ServerEntry& entry : entries)
            order.push_back(&entry);
        std::stable_sort(order.begin(), order.end(), byServerId);
    }
    const auto at = [&](size_t i) { return inOrder ? &entries[i] : order[i]; };
    std::vector<Listed> listed;
    listed.reserve(entries.size());
    for (size_t i = 0; i < entries.size();) {
        Listed place;
        place.entry = at(i);
        size_t end = i;
        for (; end < entries.size() && at(end)->serverId == place.entry->serverId; ++end) {
            if (!place.live && !at(end)->deleted) {
                place.live = true;
                place.entry = at(end);
            }
        }
        listed.push_back(place);
        i = end;
    }
    return listed;
}

const ShortCode Unconfirmed(UnconfirmedToken);

bool tokensDiffer(const ShortCode& a, const ShortCode& b)
{
    return !a.isEmpty() && !b.isEmpty() && a != Unconfirmed && a != b;
}

} // namespace

ListPlan compareList(const ListInputs& inputs)
{
    ListPlan plan;
    const std::vector<ServerEntry>& entries = inputs.entries;
    const std::vector<SyncKey>& local = inputs.local;
    std::vector<Listed> byId = firstPlaces(entries);
    plan.live.reserve(byId.size());
    for (const Listed& place : byId) {
        if (place.live)
            plan.live.push_back(place.entry->serverId);
        plan.highestListed = std::max(plan.highestListed, place.entry->serverId);
    }
    // The rows come in ascending order of their server ids, as the list does: each search goes on
    // from where the one before it ended, so that the rows cost one walk through the list.
    auto from = byId.begin();
    const auto listingOf = [&byId, &from](qint64 serverId) -> Listed* {
        if (from != byId.begin() && std::prev(from)->entry->serverId >= serverId) {
            from = std::lower_bound(byId.begin(), from, serverId, [](const Listed& place, qint64 id) {
                return place.entry->serverId < id;
            });
        }
        while (from != byId.end() && from->entry->serverId < serverId)
            ++from;
        return from != byId.end() && from->entry->serverId == serverId ? &*from : nullptr;
    };

    // The rows, against what the list says of their server ids. Ids whose row lets them go count as
    // carried by no row.
    for (const SyncKey& row : local) {
        Listed* place = listingOf(row.serverId);
        if (!place || tokensDiffer(row.token, place->entry->token)) {
            plan.forgotten.push_back(row);
            continue;
        }
        place->carried = true;
        if (row.shared) {
            plan.sharedIds.insert(row.serverId);
            continue;
        }
        const ServerEntry& entry = *place->entry;
        const bool sameCopy = entry.synnum == row.SyncedSynnum && !entry.digest.isEmpty() &&
                              row.digest.startsWith(entry.digest);
        if (row.token == Unconfirmed && !sameCopy) {
            // Named in an answer, and listed with another copy than the one posted: is it still ours?
            plan.downloads.push_back({entry, row, ListPlan::Reason::Confirm});
            plan.held.insert(row.id);
            continue;
        }
        if ((row.token.isEmpty() || row.token == Unconfirmed) && !entry.token.isEmpty())
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
    for (const Listed& place : byId) {
        const ServerEntry& entry = *place.entry;
        if (place.carried)
            continue;
        if (place.live) {
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
