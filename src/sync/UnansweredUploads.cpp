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
    m_posts.clear();
    m_recognised.clear();
    StoreRead<std::vector<SentUpload>> read = readSentUploads(m_db, m_run.UserId);
    if (!read)
        return read;
    for (SentUpload& sent : read.value) {
        // A record that no longer reads names no copy; it ages out with the rest.
        if (std::optional<MemoRecord> posted = parseServerRecord(sent.Record))
            m_posts.push_back({std::move(sent), std::move(*posted)});
    }
    return read;
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
        sent.id = kept.insertId;
        m_posts.push_back({sent, posted});
    }
    return kept;
}

StoreResult UnansweredUploads::answered(qint64 entry)
{
    const auto find = [this](qint64 id) {
        return std::find_if(m_posts.begin(), m_posts.end(),
                            [id](const Post& post) { return post.sent.id == id; });
    };
    if (find(entry) == m_posts.end())
        return forget(entry);
    // Earlier changes of the row whose answers were lost are behind this one: whether they arrived no
    // longer matters, and the row's counter, set anew by this answer, no longer tells their time.
    // A request of theirs may still be on its way, though, and reach a service that lost the memo: what
    // they said stays known as a copy of the row's memo, so that such a copy is taken for one of the row
    // (behind it) and never for a memo of its own. A row gone with this answer (its deletion confirmed)
    // remembers them with its deletion.
    const MemoId row = find(entry)->sent.LocalId;
    const OwnMemoRead stays = readOwnMemo(m_db, m_run.UserId, row);
    if (!stays)
        return stays;
    for (const Post& earlier : std::vector<Post>(m_posts.begin(), find(entry))) {
        const bool change = earlier.sent.ServerId > 0 || earlier.sent.Del;
        if (earlier.sent.LocalId != row || earlier.sent.Answered || !change)
            continue;
        if (stays.value && !earlier.sent.Del) {
            if (const StoreResult known =
                    rememberLineage(m_db, m_run.UserId, row, {wireDigest(earlier.posted)});
                !known)
                return known;
        }
        if (const StoreResult forgotten = forget(earlier.sent.id); !forgotten)
            return forgotten;
    }
    Post& post = *find(entry);
    // A change or deletion of a memo the service has may arrive twice: the second finds its own copy.
    if (post.sent.ServerId > 0 || post.sent.Del)
        return forget(entry);
    const StoreResult marked = markSentUploadAnswered(m_db, m_run.UserId, entry);
    if (marked)
        post.sent.Answered = true;
    return marked;
}

StoreResult UnansweredUploads::settle()
{
    const QDateTime longAgo = Clock::currentDateTime().addDays(-KeptDays);
    for (const Post& post : std::vector<Post>(m_posts)) {
        if (!settled(post) && post.sent.SentAt >= longAgo)
            continue;
        if (const StoreResult forgotten = forget(post.sent.id); !forgotten)
            return forgotten;
    }
    m_recognised.clear();
    return StoreResult::success();
}

StoreResult UnansweredUploads::forget(qint64 entry)
{
    const StoreResult forgotten = forgetSentUpload(m_db, m_run.UserId, entry);
    if (forgotten)
        std::erase_if(m_posts, [entry](const Post& post) { return post.sent.id == entry; });
    return forgotten;
}

std::optional<OwnPost> UnansweredUploads::ownPostIn(const ServiceCopy& copy, MemoId localId) const
{
    for (auto it = m_posts.rbegin(); it != m_posts.rend(); ++it) {
        if (it->sent.Del || it->sent.LocalId != localId)
            continue;
        if (const std::optional<int> at = copy.heldAt(wireDigest(it->posted), it->posted.synnum))
            return OwnPost{it->sent, it->posted, *at};
    }
    return std::nullopt;
}

std::vector<std::pair<SentUpload, MemoRecord>> UnansweredUploads::posts() const
{
    std::vector<std::pair<SentUpload, MemoRecord>> all;
    for (const Post& post : m_posts)
        all.emplace_back(post.sent, post.posted);
    return all;
}

QSet<qint64> UnansweredUploads::postedIds() const
{
    QSet<qint64> ids;
    for (const Post& post : m_posts) {
        if (!settled(post) && post.sent.ServerId > 0)
            ids.insert(post.sent.ServerId);
    }
    return ids;
}

std::optional<qint64> UnansweredUploads::newPostsAbove() const
{
    std::optional<qint64> above;
    for (const Post& post : m_posts) {
        if (settled(post) || post.sent.ServerId > 0 || post.sent.Del)
            continue;
        above = std::min(above.value_or(post.sent.AboveServerId), post.sent.AboveServerId);
    }
    return above;
}

} // namespace velmo
