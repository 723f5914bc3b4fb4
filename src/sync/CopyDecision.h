#pragma once

// What one copy that came down from the service, or an answer to a post, means for this computer: pure
// decisions over the row, the copy, what this computer posted and what it saw deleted (no request, no
// write; SyncSession carries them out).
//
// Copies are told apart by their digest (ServerRecord.h: wireDigest), and the service names every
// copy a memo held (ServiceCopy::versions): a memo whose versions hold what this computer posted, or
// what a row of it held, is that row's memo, whatever server id it has now and whatever was done to it
// since.
//
//   const velmo::CopyDecision what = velmo::decideKnown({row, base, post}, copy);
//   velmo::CopyMatcher matcher;   matcher.addRow(...); matcher.addPost(...); matcher.addDeletion(...);
//   if (const auto match = matcher.match(copy)) ...
//   const velmo::RowCopies plan = velmo::resolveCopies(row, holds, candidates);

#include "store/Memo.h"
#include "store/SentUploads.h"
#include "store/SyncDeletions.h"
#include "store/SyncRows.h"
#include "sync/SyncReplies.h"

#include <QHash>
#include <QSet>

#include <optional>
#include <vector>

namespace velmo {

// A memo as the service's download gave it.
struct ServiceCopy
{
    qint64 serverId = 0;
    MemoRecord memo;
    bool deleted = false;
    QString token;
    std::vector<CopyVersion> versions; // oldest first; at least the copy itself
    bool allVersions = false;          // the service named every copy the memo held
    QString digest;                    // of the copy as it stands

    static ServiceCopy from(const DownloadReply& reply);
    // The counter of the newest copy the memo held that had this digest at or above `atLeast`.
    std::optional<int> heldAt(const QString& said, int atLeast = 0) const;
    // The service names a memo's first copy and its latest (store/SyncRows.h: KeptCopies); copies
    // between the two may be forgotten: whether some may be, and whether a copy at this counter may be
    // one of them.
    bool mayHaveForgotten() const;
    bool mayHaveForgotten(int synnum) const;
};

// A post of this computer that a copy of the service held.
struct OwnPost
{
    SentUpload sent;
    MemoRecord posted;
    int heldAt = 0; // the counter of the copy that was the post
};

// A row that carries the copy's server id.
struct KnownRow
{
    MemoRecord row;                 // as it stands now
    std::optional<MemoRecord> base; // the copy it was last in step with, when kept
    QString baseDigest;             // that copy's digest, when only that is known
    std::optional<OwnPost> post;    // its newest post the copy held
    QString inStepDigest;           // the digest of the copy it was last in step with, when known
    QSet<QString> said;             // the digests of every copy its memo is known to have said
};

enum class CopyDecision
{
    Take,       // the copy replaces the row, in step
    InStep,     // the row says what the copy says: in step at its counter
    KeepChange, // the copy is the one the row's change was made on, or an older copy of the row's
                // the service went back to: in step at its counter, the row's copy still goes up
    OwnPost,    // the copy is the row's own post: in step at its counter, later changes go up
    Conflict,   // both changed: the conflict windows
    DeleteRow,  // deleted on the service after its copy was seen: the row goes
    GoesUp,     // the row's change goes up (over a deletion it had not seen)
};

// A copy downloaded for the row the list compared it with: the row as it stands now.
struct CarrierRow
{
    SyncKey listed;                // the row as the list compared it
    bool confirm = false;          // its server id came in an answer and no list named it since
    std::optional<MemoRecord> row; // as it stands; none: gone
    QSet<QString> known;           // every copy its memo is known to have said (knownDigests)
};
struct CarriedCopy
{
    enum class Step
    {
        MovedOn,    // the row is gone, or came into step another way since the list: the next pass
        NotTheRows, // the service gave the row's server id to another memo: the row lets it go, and the
                    // copy is one no row carries
        Decide,     // the copy is the row's: decideKnown
    };
    Step step = Step::Decide;
    bool learnToken = false; // Decide: the row takes the copy's token
};
CarriedCopy decideCarried(const CarrierRow& carrier, const ServiceCopy& copy);

// The copy of a memo whose row is here (the list named it above the row's counter, or deleted).
CopyDecision decideKnown(const KnownRow& known, const ServiceCopy& copy);

// The service refused a post of a change over the copy it holds (`#adok#|error`): the row posted, and
// what this computer knows of it.
struct RefusedPost
{
    std::optional<MemoRecord> row;  // as it stands; none: gone since the post
    std::optional<MemoRecord> base; // the copy it was last in step with, when kept
    std::optional<OwnPost> post;    // its earlier post the copy is (one that arrived late)
};

enum class AnswerStep
{
    RowGone,  // the row went meanwhile: the post is settled, nothing more
    Refused,  // neither the row's memo nor its post: the row is held back
    OwnPost,  // in step with its earlier post; the row goes up again
    Take,     // the copy replaces the row, in step
    OnBase,   // in step at the copy's counter; the row goes up again
    Conflict, // the conflict windows
};

AnswerStep decideAnswer(const RefusedPost& answered, const ServiceCopy& copy);

// The service stored a post (`#adok#|ok`).
struct StoredAnswer
{
    bool ofThePost = false;     // it names the row posted, and the post was a change
    bool heldElsewhere = false; // another row of this computer carries the server id it gave
    bool listedLive = false;    // this pass's list named that server id live
};

enum class StoredStep
{
    NotThePost, // no answer to this post: the row is held back
    IdLive,     // the server id is another row's memo, live on the service: the row is held back
    IdGiven,    // the service gave the server id out again (it lost that memo): the other row lets it go
    Stored,     // the row takes the server id
};

StoredStep decideStored(const StoredAnswer& answer);

// Whether the row is as it was when it held `content`: the same on the wire, not deleted since.
bool unchangedSince(const MemoRecord& row, const QString& contentDigest);

// What of this computer a copy of a memo no row carries may be: a row without a server id (new here, or
// one whose server id the service lost), a post, or a memo deleted here.
struct CopyMatch
{
    enum class Kind
    {
        Row,     // a row's memo: content is what the row (or its copy last in step) said
        Post,    // a post of a row (the row may be gone)
        Deleted, // a memo this computer saw deleted, unchanged since: its deletion goes up again
        Revived, // a memo this computer saw deleted, changed since: it comes down, the deletion is let go
    };
    Kind kind = Kind::Row;
    MemoId row = 0;                       // Row, Post
    MemoRecord content;                   // what matched (Row, Post), when contentKnown
    bool contentKnown = true;             // false: only its digest is known (the memo held it once)
    QString digest;                       // its digest
    int heldAt = 0;                       // the counter of the copy that said it
    std::optional<SentUpload> sent;       // Post
    std::optional<SyncDeletion> deletion; // Deleted, Revived
};

class CopyMatcher
{
public:
    // A row without a server id and what it said: as it stands, and its copy last in step.
    void addRow(MemoId row, const MemoRecord& content);
    // A post whose answer is not settled, as posted.
    void addPost(const SentUpload& sent, const MemoRecord& posted);
    void addDeletion(const SyncDeletion& deletion);

    std::optional<CopyMatch> match(const ServiceCopy& copy) const;
    // Whether a memo deleted here said this (as it was then, or before).
    // A copy that held the deleted copy and changed since (back to an older text, say) is a change the
    // deletion had not seen: not deleted as it is.
    bool deletedAs(const ServiceCopy& copy) const;

private:
    struct Said
    {
        MemoId row = 0;
        MemoRecord content;
        std::optional<SentUpload> sent;
    };
    QHash<QString, std::vector<Said>> m_said; // by digest
    QHash<QString, std::vector<SyncDeletion>> m_deletedByDigest;
    QHash<qint64, std::vector<SyncDeletion>> m_deletedById;
};

// What becomes of a copy no row carries, taken in this order: a copy of a row's memo (what a row or a
// post of it said, then what a row's memo is known to have held, the newest such copy) waits to be
// decided with the row's others; one of a memo deleted here as it was goes again when live; any other
// deleted copy stays where it is; any other live copy comes down, a deletion it changed since let go.
struct UnknownCopy
{
    enum class Action
    {
        Candidate, // a copy of a row's memo: decided with the row's others once every copy came down
        Retract,   // a memo deleted here the service holds again as it was: the deletion goes up again
        Nothing,   // deleted, and no memo of this computer's
        Insert,    // a memo new here
    };
    Action action = Action::Nothing;
    CopyMatch match;                    // Candidate
    std::optional<SyncDeletion> forget; // Insert: the deletion here the copy changed since
};
// `match`: the matcher's; `knownBy`: for a digest of the copy's copies, the row whose memo is known to
// have held it (SyncLineage).
UnknownCopy decideUnknown(const std::optional<CopyMatch>& match, const QHash<QString, MemoId>& knownBy,
                          const ServiceCopy& copy);

// The copies that came down for one row of this computer (copies of its memo under server ids no row
// carries: posts taken twice, a memo two computers sent again after the service lost it), and what
// becomes of them, the same on every computer that can tell:
//   - a copy whose every copy the row knows (an older one of its memo, or the same) goes; of two that
//     say the same, the one of the higher server id goes;
//   - a copy that holds what the row never had (changed elsewhere) is the one the row moves to, the
//     server id it carries going, so that the change meets the row's; one more such copy waits for the
//     next pass. A row whose server id is deleted there (one too many for a computer that moved to
//     another copy) moves to that copy too, rather than bringing its server id back: else two
//     computers with changes waiting on two copies would delete each other's, pass after pass;
//   - a row without a server id moves to the copy of the lowest one;
//   - with deleted copies alone, the deletion stands when the row is as the copy was; a row changed
//     since takes the copy's server id and its change brings the memo back;
//   - the row gone (deleted here), every copy of it nobody changed goes.
struct RowCandidate
{
    ServiceCopy copy;
    CopyMatch match;
};
// What this computer knows of the row.
struct RowView
{
    std::optional<MemoRecord> row; // as it stands; none: gone
    QSet<QString> known;           // every copy its memo is known to have said (CopyMatcher, lineage)
    QString inStep;                // the copy it is in step with (itself, or its copy last in step)
};
// The server id a row carries and the list named live.
struct HeldId
{
    qint64 serverId = 0;
    bool unchanged = false; // the service's copy is the one the row was last in step with
    bool deleted = false;   // the list names it deleted: the row has a change waiting over it
};
struct RowCopies
{
    std::optional<RowCandidate> adopt; // the row takes this copy's server id
    std::vector<RowCandidate> retract; // deleted on the service
    std::vector<RowCandidate> keep;    // come down as memos of their own
    bool deleteRow = false;            // the deletion made elsewhere stands
    bool retractHeld = false;          // the server id the row carried goes (it moved to another)
};
// Candidates in none of the lists wait for a later pass.
RowCopies resolveCopies(const RowView& view, std::optional<HeldId> held,
                        std::vector<RowCandidate> candidates);

} // namespace velmo
