#include "UnansweredUploads.h"

#include "platform/Clock.h"
#include "store/Database.h"
#include "store/RunState.h"
#include "store/SyncRows.h"
#include "sync/ServerRecord.h"

namespace velmo {

UnansweredUploads::UnansweredUploads(Database& db, const RunState& run)
    : m_db(db)
    , m_run(run)
{
}

StoreResult UnansweredUploads::load()
{
    m_recognised.clear();
    // What is kept here changes only after each write that succeeded: while nothing was undone since
    // the last reading, and the file holds as many entries up to the same newest, it is what the file
    // holds, and a pass after a first upload of many memos does not read them all again.
    if (m_loaded && m_loadedFor == m_run.UserId && m_loadedAt == m_db.undoneCount()) {
        const StoreRead<SentUploadsTally> tally = tallySentUploads(m_db, m_run.UserId);
        if (!tally)
            return tally;
        const qint64 newest = m_posts.empty() ? 0 : m_posts.rbegin()->first;
        if (tally.value.count == qint64(m_posts.size()) && tally.value.newest == newest)
            return StoreResult::success();
    }
    m_loaded = false;
    m_posts.clear();
    m_byRow.clear();
    m_open.clear();
    StoreRead<std::vector<SentUpload>> read = readSentUploads(m_db, m_run.UserId);
    if (!read)
        return read;
    for (SentUpload& sent : read.value) {
        m_byRow[sent.LocalId].push_back(sent.id);
        const qint64 entry = sent.id;
        if (!sent.Answered)
            m_open.insert(entry);
        m_posts.emplace(entry, Post{std::move(sent), std::nullopt});
    }
    m_loaded = true;
    m_loadedFor = m_run.UserId;
    m_loadedAt = m_db.undoneCount();
    return read;
}

const MemoRecord* UnansweredUploads::postedAs(const Post& post)
{
    if (!post.posted)
        post.posted = parseServerRecord(post.sent.Record);
    return *post.posted ? &**post.posted : nullptr;
}

StoreResult UnansweredUploads::remember(const MemoRecord& posted, int readSynnum, qint64 highestListed)
{
    SentUpload sent;
    sent.LocalId = posted.id;
    sent.ServerId = posted.NotebookServerId;
    sent.Record = ServerRecordText(posted);
    sent.ReadSynnum = readSynnum;
    sent.Del = posted.Del;
    sent.SentAt = Clock::currentDateTime();
    sent.AboveServerId = highestListed;
    StoreResult kept = rememberSentUpload(m_db, m_run.UserId, sent);
    if (kept) {
        const qint64 entry = kept.insertId;
        sent.id = entry;
        m_byRow[sent.LocalId].push_back(entry);
        m_open.insert(entry);
        // The copy is read back from the record when it is needed: a first upload of many memos keeps
        // one post a memo until the next list, and most are never looked at.
        m_posts.emplace(entry, Post{std::move(sent), std::nullopt});
    }
    return kept;
}

StoreResult UnansweredUploads::answered(qint64 entry)
{
    const auto found = m_posts.find(entry);
    if (found == m_posts.end() || !postedAs(found->second))
        return forget(entry);
    // Earlier changes of the row whose answers were lost are behind this one: whether they arrived no
    // longer matters, and the row's counter, set anew by this answer, no longer tells their time.
    // A request of theirs may still be on its way, though, and reach a service that lost the memo: what
    // they said stays known as a copy of the row's memo, so that such a copy is taken for one of the row
    // (behind it) and never for a memo of its own. A row gone with this answer (its deletion confirmed)
    // remembers them with its deletion.
    const MemoId row = found->second.sent.LocalId;
    std::vector<qint64> behind;
    for (const qint64 earlier : m_byRow.value(row)) {
        if (earlier >= entry)
            break;
        const Post& post = m_posts.at(earlier);
        if (!post.sent.Answered && (post.sent.ServerId > 0 || post.sent.Del) && postedAs(post))
            behind.push_back(earlier);
    }
    if (!behind.empty()) {
        const OwnMemoRead stays = readOwnMemo(m_db, m_run.UserId, row);
        if (!stays)
            return stays;
        for (const qint64 earlier : behind) {
            const Post& post = m_posts.at(earlier);
            if (stays.value && !post.sent.Del) {
                if (const StoreResult known =
                        rememberLineage(m_db, m_run.UserId, row, {wireDigest(*postedAs(post))});
                    !known)
                    return known;
            }
            if (const StoreResult forgotten = forget(earlier); !forgotten)
                return forgotten;
        }
    }
    SentUpload& sent = m_posts.at(entry).sent;
    // A change or deletion of a memo the service has may arrive twice: the second finds its own copy.
    if (sent.ServerId > 0 || sent.Del)
        return forget(entry);
    const StoreResult marked = markSentUploadAnswered(m_db, m_run.UserId, entry);
    if (marked) {
        sent.Answered = true;
        m_open.erase(entry);
    }
    return marked;
}

StoreResult UnansweredUploads::settle()
{
    const QDateTime longAgo = Clock::currentDateTime().addDays(-KeptDays);
    std::vector<qint64> done;
    for (const auto& [entry, post] : m_posts) {
        if (settled(post) || post.sent.SentAt < longAgo)
            done.push_back(entry);
    }
    if (!done.empty()) {
        Transaction transaction(m_db);
        StoreResult forgotten = forgetSentUploads(m_db, m_run.UserId, done);
        if (forgotten)
            forgotten = transaction.commit();
        if (!forgotten)
            return forgotten;
        drop(done);
    }
    m_recognised.clear();
    return StoreResult::success();
}

StoreResult UnansweredUploads::forget(qint64 entry)
{
    const StoreResult forgotten = forgetSentUpload(m_db, m_run.UserId, entry);
    if (forgotten)
        drop({entry});
    return forgotten;
}

void UnansweredUploads::drop(const std::vector<qint64>& entries)
{
    for (const qint64 entry : entries) {
        const auto found = m_posts.find(entry);
        if (found == m_posts.end())
            continue;
        if (const auto row = m_byRow.find(found->second.sent.LocalId); row != m_byRow.end()) {
            row->removeAll(entry);
            if (row->isEmpty())
                m_byRow.erase(row);
        }
        m_posts.erase(found);
        m_open.erase(entry);
    }
}

std::optional<OwnPost> UnansweredUploads::ownPostIn(const ServiceCopy& copy, MemoId localId) const
{
    const QVarLengthArray<qint64, 2> entries = m_byRow.value(localId);
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        const Post& post = m_posts.at(*entry);
        const MemoRecord* posted = postedAs(post);
        if (post.sent.Del || !posted)
            continue;
        if (const std::optional<int> at = copy.heldAt(wireDigest(*posted), posted->synnum))
            return OwnPost{post.sent, *posted, *at};
    }
    return std::nullopt;
}

std::vector<std::pair<SentUpload, MemoRecord>> UnansweredUploads::posts() const
{
    std::vector<std::pair<SentUpload, MemoRecord>> all;
    all.reserve(m_posts.size());
    for (const auto& [entry, post] : m_posts) {
        if (const MemoRecord* posted = postedAs(post))
            all.emplace_back(post.sent, *posted);
    }
    return all;
}

std::vector<MemoRecord> UnansweredUploads::postedOf(MemoId localId) const
{
    std::vector<MemoRecord> posted;
    for (const qint64 entry : m_byRow.value(localId)) {
        const Post& post = m_posts.at(entry);
        if (const MemoRecord* memo = postedAs(post); memo && !post.sent.Del)
            posted.push_back(*memo);
    }
    return posted;
}

QSet<qint64> UnansweredUploads::postedIds() const
{
    QSet<qint64> ids;
    for (const qint64 entry : m_open) {
        const Post& post = m_posts.at(entry);
        if (!settled(post) && post.sent.ServerId > 0 && postedAs(post))
            ids.insert(post.sent.ServerId);
    }
    return ids;
}

std::optional<qint64> UnansweredUploads::newPostsAbove() const
{
    std::optional<qint64> above;
    for (const qint64 entry : m_open) {
        const Post& post = m_posts.at(entry);
        if (settled(post) || post.sent.ServerId > 0 || post.sent.Del || !postedAs(post))
            continue;
        above = std::min(above.value_or(post.sent.AboveServerId), post.sent.AboveServerId);
    }
    return above;
}

} // namespace velmo
