#include "UnansweredUploads.h"

#include "platform/Clock.h"
#include "store/Database.h"
#include "store/RunState.h"
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
    const StoreResult pruned =
        forgetSentUploadsBefore(m_db, m_run.UserId, Clock::currentDateTime().addDays(-KeptDays));
    if (!pruned)
        return pruned;
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

StoreResult UnansweredUploads::remember(const MemoRecord& posted, int readSynnum)
{
    SentUpload sent;
    sent.LocalId = posted.id;
    sent.ServerId = posted.NotebookServerId;
    sent.Record = ServerRecordText(posted);
    sent.ReadSynnum = readSynnum;
    sent.Del = posted.Del;
    sent.SentAt = Clock::currentDateTime();
    StoreResult kept = rememberSentUpload(m_db, m_run.UserId, sent);
    if (kept) {
        sent.id = kept.insertId;
        m_posts.push_back({sent, posted});
    }
    return kept;
}

StoreResult UnansweredUploads::answered(qint64 entry)
{
    const auto it = std::find_if(m_posts.begin(), m_posts.end(),
                                 [entry](const Own& own) { return own.sent.id == entry; });
    // A change or deletion of a memo the service has may arrive twice: the second finds its own copy.
    if (it == m_posts.end() || it->sent.ServerId > 0 || it->sent.Del)
        return forget(entry);
    const StoreResult marked = markSentUploadAnswered(m_db, m_run.UserId, entry);
    if (marked)
        it->sent.Answered = true;
    return marked;
}

StoreResult UnansweredUploads::settle()
{
    for (const Own& own : std::vector<Own>(m_posts)) {
        if (!own.sent.Answered && !m_recognised.contains(own.sent.id))
            continue;
        if (const StoreResult forgotten = forget(own.sent.id); !forgotten)
            return forgotten;
    }
    m_recognised.clear();
    return StoreResult::success();
}

StoreResult UnansweredUploads::forget(qint64 entry)
{
    const StoreResult forgotten = forgetSentUpload(m_db, m_run.UserId, entry);
    if (forgotten)
        std::erase_if(m_posts, [entry](const Own& own) { return own.sent.id == entry; });
    return forgotten;
}

std::optional<UnansweredUploads::Own> UnansweredUploads::postedAs(const MemoRecord& serviceCopy,
                                                                  std::optional<MemoId> localId) const
{
    for (auto it = m_posts.rbegin(); it != m_posts.rend(); ++it) {
        if (it->sent.Del || (localId && it->sent.LocalId != *localId))
            continue;
        if (serviceCopy.synnum >= it->posted.synnum && sameOnTheWire(serviceCopy, it->posted))
            return *it;
    }
    return std::nullopt;
}

} // namespace velmo
