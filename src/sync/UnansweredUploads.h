#pragma once

// What this computer posted to the service and cannot yet be sure of. Each post is remembered in
// data.db (store/SentUploads) before it goes out. An answer lost on the way (a time-out, a dropped
// connection, the program killed) therefore leaves the post remembered, and the next pass can tell
// the service's copy of it from a memo of someone else's: the copy says exactly what was posted.
//
// A post is forgotten when its answer is written, with one exception: the post of a memo new to
// the service may have been taken more than once (the network layer sends a request again when a
// connection breaks before the answer), so it is kept until a whole list of the service has been
// compared after its answer; a second copy found then is one too many (see SyncSession). A post
// nobody recognised is let go only once a whole list has been compared without it, KeptDays after it
// went out: a computer away for weeks still knows its post when it comes back.
//
//   velmo::UnansweredUploads sent(db, run);
//   sent.load();                                          // at the start of a pass
//   const qint64 entry = sent.remember(postedCopy, readSynnum, highestListed).insertId;   // before the post
//   ... the answer written, in one transaction with sent.answered(entry)
//   if (auto own = sent.ownPostIn(serviceCopy, row)) { ...; sent.recognised(own->sent.id); }
//   sent.settle();                                        // once the service's list is compared

#include "store/Memo.h"
#include "store/SentUploads.h"
#include "sync/CopyDecision.h"

#include <QHash>
#include <QSet>
#include <QVarLengthArray>

#include <map>
#include <optional>
#include <set>
#include <vector>

namespace velmo {

class Database;
struct RunState;

class UnansweredUploads
{
public:
    // How long a post is looked for in the service's list before it counts as never arrived.
    static constexpr int KeptDays = 30;

    UnansweredUploads(Database& db, const RunState& run);

    // Reads the user's posts (again only when something undone since may have left what is kept here
    // apart from the file).
    StoreResult load();

    // Remembers a post about to go out: the memo as posted (its server id and counter as they go
    // on the wire), the row's counter when it was read, and the highest server id the service had
    // listed (a copy of a memo new to it has a higher one). insertId names the entry.
    StoreResult remember(const MemoRecord& posted, int readSynnum, qint64 highestListed);

    // The post's answer is written (call it in the transaction that writes the answer): it is
    // forgotten, or, for a memo new to the service, kept until the next settle().
    StoreResult answered(qint64 entry);
    // A copy of the service's was found to be this post: it is forgotten at settle().
    void recognised(qint64 entry) { m_recognised.insert(entry); }
    // The service's whole list is compared: answered and recognised posts are forgotten, and those
    // nobody recognised that went out more than KeptDays ago, all in one transaction.
    StoreResult settle();
    // Forgets one post now.
    StoreResult forget(qint64 entry);

    // The newest post of the row that a copy of the memo held: one the memo said what was posted
    // (the counter aside) at a counter no lower than the one posted. A deletion that was posted leaves
    // no copy, so it is never one.
    std::optional<OwnPost> ownPostIn(const ServiceCopy& copy, MemoId localId) const;

    // The posts remembered, oldest first, as posted (answered ones included: the service may hold one
    // twice).
    std::vector<std::pair<SentUpload, MemoRecord>> posts() const;
    // The row's posts of its memo (deletions aside), as posted, oldest first.
    std::vector<MemoRecord> postedOf(MemoId localId) const;
    // The server ids that posts of changes not yet settled named.
    QSet<qint64> postedIds() const;
    // A copy of a memo new to the service that was posted and not settled has a server id above this.
    std::optional<qint64> newPostsAbove() const;

private:
    struct Post
    {
        SentUpload sent;
        // The memo as posted, read from the record when first needed (inner none: it does not read).
        mutable std::optional<std::optional<MemoRecord>> posted;
    };
    bool settled(const Post& post) const { return post.sent.Answered || m_recognised.contains(post.sent.id); }
    // The memo as posted; none when the record no longer reads: such a post names no copy, and ages
    // out with the rest.
    static const MemoRecord* postedAs(const Post& post);
    void drop(const std::vector<qint64>& entries);

    Database& m_db;
    const RunState& m_run;
    // By entry, so oldest first: an entry's number only grows.
    std::map<qint64, Post> m_posts;
    // Each row's entries, oldest first: what one answer or one copy needs is found without the rest.
    // (A row has one post as a rule: it is held in place.)
    QHash<MemoId, QVarLengthArray<qint64, 2>> m_byRow;
    QSet<qint64> m_recognised;
    // The entries whose answer is not written, oldest first: what a comparison asks of the posts is
    // found among them, not among the thousands a first upload leaves answered until the next list.
    std::set<qint64> m_open;
    // What was read last, for whom, and how many undoings of the file it had seen (Database::undoneCount).
    bool m_loaded = false;
    QString m_loadedFor;
    quint64 m_loadedAt = 0;
};

} // namespace velmo
