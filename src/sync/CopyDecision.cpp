#include "CopyDecision.h"

#include "store/SyncRows.h"
#include "sync/ServerRecord.h"

#include <algorithm>

namespace velmo {

ServiceCopy ServiceCopy::from(const DownloadReply& reply)
{
    ServiceCopy copy;
    if (!reply.memo)
        return copy;
    copy.serverId = reply.memo->serverId;
    copy.memo = reply.memo->memo;
    copy.deleted = reply.deleted;
    copy.token = reply.token;
    copy.digest = wireDigest(copy.memo);
    copy.versions = reply.versions;
    copy.allVersions = !reply.versions.empty();
    // A service that names no copies, or not this one: the copy as it stands is one of them.
    if (copy.versions.empty() || copy.versions.back().digest != copy.digest)
        copy.versions.push_back({copy.memo.synnum, copy.digest});
    return copy;
}

std::optional<int> ServiceCopy::heldAt(const QString& said, int atLeast) const
{
    for (auto it = versions.rbegin(); it != versions.rend(); ++it) {
        if (it->digest == said && it->synnum >= atLeast)
            return it->synnum;
    }
    return std::nullopt;
}

bool ServiceCopy::mayHaveForgotten() const
{
    return allVersions && versions.size() >= size_t(KeptCopies);
}

bool ServiceCopy::mayHaveForgotten(int synnum) const
{
    return mayHaveForgotten() && versions[0].synnum < synnum && synnum < versions[1].synnum;
}

bool unchangedSince(const MemoRecord& row, const QString& contentDigest)
{
    return !row.Del && wireDigest(row) == contentDigest;
}

namespace {

// Whether the row is as it was read for the post: nothing changed it since (a change and its undoing
// included).
bool unchangedSincePost(const MemoRecord& row, const SentUpload& sent)
{
    return row.synnum == sent.ReadSynnum && row.Del == sent.Del;
}

} // namespace

CarriedCopy decideCarried(const CarrierRow& carrier, const ServiceCopy& copy)
{
    const SyncKey& listed = carrier.listed;
    CarriedCopy out;
    // A row that came into step meanwhile (a conflict settled in the windows, say) waits for the next
    // comparison; its change goes up in this pass.
    if (!carrier.row || carrier.row->NotebookServerId != listed.serverId ||
        carrier.row->SyncedSynnum != listed.SyncedSynnum) {
        out.step = CarriedCopy::Step::MovedOn;
        return out;
    }
    if (carrier.confirm) {
        // The server id came in an answer: the memo it names now is the row's only when one of its
        // copies is one this computer knows of the row.
        bool ours = false;
        for (const CopyVersion& version : copy.versions)
            ours = ours || carrier.known.contains(version.digest);
        // Else the service lost the row's memo and gave its server id to another one.
        out.step = ours ? CarriedCopy::Step::Decide : CarriedCopy::Step::NotTheRows;
        out.learnToken = ours;
        return out;
    }
    out.learnToken = !copy.token.isEmpty() && listed.token.isEmpty();
    return out;
}

CopyDecision decideKnown(const KnownRow& known, const ServiceCopy& copy)
{
    const MemoRecord& row = known.row;
    if (copy.deleted) {
        // Deleted by a computer that had this computer's post: unless the row changed since, so be it.
        if (known.post && (row.Del || unchangedSincePost(row, known.post->sent)))
            return CopyDecision::DeleteRow;
        // Deleted at or above the copy the row is in step with, nothing changed here since.
        if (row.syn && copy.memo.synnum >= row.SyncedSynnum)
            return CopyDecision::DeleteRow;
        return CopyDecision::GoesUp;
    }
    if (sameOnTheWire(row, copy.memo))
        return CopyDecision::InStep;
    // A copy of a memo changed more often than the service keeps copies of, since the row's: that copy
    // may be among those forgotten, and is not taken for lost.
    if (!known.post && copy.allVersions && !known.inStepDigest.isEmpty() &&
        !copy.heldAt(known.inStepDigest) && !copy.mayHaveForgotten(known.row.SyncedSynnum)) {
        // The service no longer knows the copy the row was in step with (it was put back from a
        // backup). A copy the row's memo said before is behind the row: the row's copy goes up again.
        // Any other was changed from an older copy: the user chooses, unless the row was deleted.
        if (known.said.contains(copy.digest))
            return CopyDecision::KeepChange;
        return row.Del ? CopyDecision::Take : CopyDecision::Conflict;
    }
    if (row.syn)
        return CopyDecision::Take;
    if (known.post) {
        const QString posted = wireDigest(known.post->posted);
        if (copy.digest == posted)
            return CopyDecision::OwnPost;
        // The service changed the memo after it took the post: the row takes that change unless it
        // changed too; a deletion made since gives way to it.
        if (row.Del || unchangedSincePost(row, known.post->sent))
            return CopyDecision::Take;
        return CopyDecision::Conflict;
    }
    if (known.base || !known.baseDigest.isEmpty()) {
        const QString base = known.base ? wireDigest(*known.base) : known.baseDigest;
        // The copy is the one the row's change was made on (sent again by a computer that had it).
        if (base == copy.digest)
            return CopyDecision::KeepChange;
        // The row's changes came to nothing (marked done and back): the newer copy is taken.
        if (unchangedSince(row, base))
            return CopyDecision::Take;
    }
    // A deletion made without having seen this copy gives way to it.
    if (row.Del)
        return CopyDecision::Take;
    return CopyDecision::Conflict;
}

StoredStep decideStored(const StoredAnswer& answer)
{
    if (!answer.ofThePost)
        return StoredStep::NotThePost;
    // A server id another row of this computer carries: the service gave it out again (it lost that
    // memo) unless its list named it just now, when the answer contradicts it.
    if (answer.heldElsewhere)
        return answer.listedLive ? StoredStep::IdLive : StoredStep::IdGiven;
    return StoredStep::Stored;
}

AnswerStep decideAnswer(const RefusedPost& answered, const ServiceCopy& copy)
{
    const std::optional<MemoRecord>& row = answered.row;
    if (!row)
        return AnswerStep::RowGone;
    // The service holds an earlier post of this row (one that arrived late): the row is in step with
    // it, and goes up again over it.
    if (answered.post)
        return AnswerStep::OwnPost;
    if (row->NotebookServerId != copy.serverId)
        return AnswerStep::Refused;
    // The row was only sent again (the service had lost its copy): the newer copy it holds now is
    // taken as it is.
    const bool resent = answered.base && !row->Del && sameOnTheWire(*answered.base, *row);
    CopyDecision decision =
        resent ? CopyDecision::Take
               : decideKnown({*row, answered.base, QString(), std::nullopt, QString(), {}}, copy);
    // The copy the change was made on, at the counter the row is in step at already: the service
    // refused the counter itself (at the top of its range), which only the user can settle.
    if (decision == CopyDecision::KeepChange && row->SyncedSynnum == copy.memo.synnum)
        decision = CopyDecision::Conflict;
    switch (decision) {
    case CopyDecision::Take:
        return AnswerStep::Take;
    case CopyDecision::InStep:
        // Deleted here while the service had a newer copy: the copy comes back; a deletion of the
        // copy it says goes up again.
        return row->Del ? AnswerStep::OnBase : AnswerStep::Take;
    case CopyDecision::KeepChange:
        return AnswerStep::OnBase;
    default:
        // A live copy and no post leave nothing else; whatever else both sides say, the user settles.
        return AnswerStep::Conflict;
    }
}

void CopyMatcher::addRow(MemoId row, const MemoRecord& content)
{
    m_said[wireDigest(content)].push_back({row, content, std::nullopt});
}

void CopyMatcher::addPost(const SentUpload& sent, const MemoRecord& posted)
{
    // A deletion that was posted leaves no copy.
    if (!sent.Del)
        m_said[wireDigest(posted)].push_back({sent.LocalId, posted, sent});
}

void CopyMatcher::addDeletion(const SyncDeletion& deletion)
{
    m_deletedByDigest[deletion.Digest].push_back(deletion);
    for (const QString& earlier : deletion.Lineage) {
        if (earlier != deletion.Digest)
            m_deletedByDigest[earlier].push_back(deletion);
    }
    if (deletion.ServerId > 0)
        m_deletedById[deletion.ServerId].push_back(deletion);
}

bool CopyMatcher::deletedAs(const ServiceCopy& copy) const
{
    const auto same = m_deletedByDigest.constFind(copy.digest);
    if (same == m_deletedByDigest.constEnd())
        return false;
    // Said what it says now, then what the deleted copy said, and now this again: changed back after
    // the deleted copy. What the deleting computer knew it to say before that is no such change.
    return std::none_of(same->begin(), same->end(), [&copy](const SyncDeletion& deletion) {
        if (copy.digest == deletion.Digest)
            return false;
        bool saidFirst = false;
        bool thenDeleted = false;
        for (const CopyVersion& version : copy.versions) {
            if (version.synnum >= copy.memo.synnum)
                break;
            saidFirst = saidFirst || version.digest == copy.digest;
            thenDeleted = thenDeleted || (saidFirst && version.digest == deletion.Digest);
        }
        return thenDeleted;
    });
}

std::optional<CopyMatch> CopyMatcher::match(const ServiceCopy& copy) const
{
    // The newest copy the memo held that a row or a post of this computer said.
    for (auto version = copy.versions.rbegin(); version != copy.versions.rend(); ++version) {
        const auto said = m_said.constFind(version->digest);
        if (said == m_said.constEnd())
            continue;
        // A post of the row before the row itself, so that the post is known to have arrived.
        const Said* found = nullptr;
        for (const Said& one : *said) {
            // A post is taken at its own counter or above.
            if (one.sent && version->synnum < one.content.synnum)
                continue;
            if (!found || (one.sent && !found->sent && one.row == found->row))
                found = &one;
        }
        if (found) {
            const Said& one = *found;
            CopyMatch match;
            match.kind = one.sent ? CopyMatch::Kind::Post : CopyMatch::Kind::Row;
            match.row = one.row;
            match.content = one.content;
            match.digest = version->digest;
            match.heldAt = version->synnum;
            match.sent = one.sent;
            return match;
        }
    }
    // A memo deleted here: as it was then (or as it was before), its deletion goes up again; changed
    // since, it stays.
    if (const auto same = m_deletedByDigest.constFind(copy.digest); same != m_deletedByDigest.constEnd()) {
        CopyMatch match;
        match.kind = deletedAs(copy) ? CopyMatch::Kind::Deleted : CopyMatch::Kind::Revived;
        match.deletion = same->front();
        return match;
    }
    if (const auto byId = m_deletedById.constFind(copy.serverId); byId != m_deletedById.constEnd()) {
        for (const SyncDeletion& deletion : *byId) {
            if (!deletion.ServerToken.isEmpty() && !copy.token.isEmpty() &&
                deletion.ServerToken != copy.token)
                continue;
            CopyMatch match;
            match.kind = CopyMatch::Kind::Revived;
            match.deletion = deletion;
            return match;
        }
    }
    for (const CopyVersion& version : copy.versions) {
        if (const auto earlier = m_deletedByDigest.constFind(version.digest);
            earlier != m_deletedByDigest.constEnd()) {
            CopyMatch match;
            match.kind = CopyMatch::Kind::Revived;
            match.deletion = earlier->front();
            return match;
        }
    }
    return std::nullopt;
}

UnknownCopy decideUnknown(const std::optional<CopyMatch>& match, const QHash<QString, MemoId>& knownBy,
                          const ServiceCopy& copy)
{
    UnknownCopy out;
    const auto ofRow = [](const std::optional<CopyMatch>& m) {
        return m && (m->kind == CopyMatch::Kind::Row || m->kind == CopyMatch::Kind::Post);
    };
    std::optional<CopyMatch> found = match;
    if (!ofRow(found)) {
        // A row whose memo is known to have held one of the copies: the newest such copy.
        for (auto version = copy.versions.rbegin(); version != copy.versions.rend(); ++version) {
            const auto row = knownBy.constFind(version->digest);
            if (row == knownBy.constEnd())
                continue;
            CopyMatch known;
            known.kind = CopyMatch::Kind::Row;
            known.contentKnown = false;
            known.row = *row;
            known.digest = version->digest;
            known.heldAt = version->synnum;
            found = known;
            break;
        }
    }
    if (ofRow(found)) {
        // A memo of a row of this computer's: decided with the others of the row once all came down.
        out.action = UnknownCopy::Action::Candidate;
        out.match = *found;
        return out;
    }
    if (found && found->kind == CopyMatch::Kind::Deleted) {
        // Deleted here, and the service holds it again as it was: the deletion goes up again.
        if (!copy.deleted)
            out.action = UnknownCopy::Action::Retract;
        return out;
    }
    if (copy.deleted)
        return out;
    out.action = UnknownCopy::Action::Insert;
    // Changed after it was deleted here: the change wins, the deletion is let go.
    if (found && found->kind == CopyMatch::Kind::Revived)
        out.forget = found->deletion;
    return out;
}

RowCopies resolveCopies(const RowView& view, std::optional<HeldId> held, std::vector<RowCandidate> candidates)
{
    RowCopies out;
    std::vector<RowCandidate> live;
    std::vector<RowCandidate> deleted;
    for (RowCandidate& candidate : candidates)
        (candidate.copy.deleted ? deleted : live).push_back(std::move(candidate));
    std::sort(live.begin(), live.end(),
              [](const RowCandidate& a, const RowCandidate& b) { return a.copy.serverId < b.copy.serverId; });
    // Nothing in the copy that the row's memo did not say before.
    const auto behind = [&view](const RowCandidate& c) {
        return c.copy.digest == c.match.digest || view.known.contains(c.copy.digest);
    };
    if (!view.row) {
        for (const RowCandidate& c : live)
            (behind(c) ? out.retract : out.keep).push_back(c);
        return out;
    }
    if (held) {
        for (const RowCandidate& c : live) {
            const bool ahead = !view.inStep.isEmpty() && c.copy.heldAt(view.inStep).has_value();
            if (behind(c) && !ahead) {
                out.retract.push_back(c);
            } else if (behind(c) && c.copy.serverId > held->serverId) {
                out.retract.push_back(c); // the same as the row's: the higher server id goes
            } else if ((held->unchanged || held->deleted) && !out.adopt) {
                out.adopt = c;
                out.retractHeld = !held->deleted;
            }
        }
        return out;
    }
    if (!live.empty()) {
        out.adopt = live.front();
        for (auto it = live.begin() + 1; it != live.end(); ++it) {
            if (behind(*it))
                out.retract.push_back(*it);
        }
        return out;
    }
    if (deleted.empty())
        return out;
    // Deleted elsewhere after its copy came from here: the deletion stands unless the row changed
    // since, whose change then brings the memo back under its server id.
    const CopyMatch& match = deleted.front().match;
    if (view.row->Del ||
        (match.sent ? unchangedSincePost(*view.row, *match.sent) : unchangedSince(*view.row, match.digest)))
        out.deleteRow = true;
    else
        out.adopt = deleted.front();
    return out;
}

} // namespace velmo
