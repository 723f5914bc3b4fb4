#include "SyncSession.h"

#include "platform/Clock.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "store/Database.h"
#include "store/RunState.h"
#include "store/SyncRows.h"
#include "sync/ServerRecord.h"
#include "sync/SyncReplies.h"

#include <QSet>

#include <optional>
#include <utility>

namespace velmo {

namespace {

// How long a request waits for the channel while another user of it has it.
constexpr int ChannelRetryMs = 100;

const QString ConnectionFailedStatus = QStringLiteral("状态:连接失败,下次同步");
const QString ServiceFailedStatus = QStringLiteral("状态:服务器返回值错误,下次同步");
const QString LocalReadFailedStatus = QStringLiteral("状态:本地数据读取失败,下次同步");
const QString LocalWriteFailedStatus = QStringLiteral("状态:本地数据保存失败,下次同步");
const QString DoneStatus = QStringLiteral("状态:同步完成");
const QString DeletedStatus = QStringLiteral("状态:同步删除完成");
const QString ConflictStatus = QStringLiteral("状态:数据异步处理");

// A status followed by the reason for it (the transport's or the store's), when there is one.
QString withReason(const QString& status, const QString& reason)
{
    return reason.isEmpty() ? status : status + QStringLiteral(" (") + reason + QLatin1Char(')');
}

} // namespace

SyncSession::SyncSession(Database& db, RunState& run, ServiceChannel& channel, QObject* parent)
    : QObject(parent)
    , m_db(db)
    , m_run(run)
    , m_channel(channel)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(ChannelRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &SyncSession::send);
    m_quitWait.setSingleShot(true);
    m_quitWait.setInterval(QuitWaitMs);
    connect(&m_quitWait, &QTimer::timeout, this, [this] { finish(false); });
}

SyncSession::~SyncSession()
{
    // The service has these memos: their server ids must not be lost.
    writeAnswers();
}

// ---------------------------------------------------------------------------------------------
// Requests

QList<std::pair<QString, QString>> SyncSession::signedAccountQuery() const
{
    const SignedTimestamp stamp = SignedTimestamp::now();
    return {{QStringLiteral("userid"), m_run.UserId},
            {QStringLiteral("pass"), m_run.PassHash},
            {QStringLiteral("md5"), stamp.md5},
            {QStringLiteral("nowtime"), stamp.nowtime}};
}

void SyncSession::send()
{
    if (m_request == Request::None)
        return;
    if (m_run.Exiting) {
        m_request = Request::None;
        finish(false);
        return;
    }
    ServiceRequest* sent =
        m_pendingPost ? m_channel.execute(m_pendingUrl, m_pendingBody) : m_channel.openUrl(m_pendingUrl);
    if (!sent) {
        m_retry.start(); // another user of the channel has it: nothing is dropped, the request waits
        return;
    }
    m_onWire = sent;
    connect(sent, &ServiceRequest::stateChanged, this, &SyncSession::Inet1_StateChanged);
    connect(sent, &ServiceRequest::finished, this, &SyncSession::onFinished);
}

void SyncSession::onFinished(const ServiceReply& reply)
{
    m_onWire = nullptr;
    const Request request = m_request;
    m_request = Request::None;
    // When the program quits, a memo the service just took is still written down (else it would
    // go up again as a new memo); nothing else is done.
    const bool uploadTaken = request == Request::Upload && reply.ok();
    if (reply.status == ServiceReply::Status::Aborted || (m_run.Exiting && !uploadTaken)) {
        finish(false);
        return;
    }
    if (!reply.ok()) {
        fail(withReason(ConnectionFailedStatus, reply.errorString));
        return;
    }
    m_lastTransferFailed = false;
    switch (request) {
    case Request::IdList:
        onIdList(reply.text);
        break;
    case Request::Download:
        onDownload(reply.text);
        break;
    case Request::Upload:
        onSynReply(reply.text);
        break;
    case Request::None:
        break;
    }
}

void SyncSession::Inet1_StateChanged(int state)
{
    switch (state) {
    case ServiceChannel::Connecting:
        emit captionSuffix(QStringLiteral("正在连接服务器..."));
        break;
    case ServiceChannel::Connected:
        emit captionSuffix(QStringLiteral("已连接服务器"));
        break;
    case ServiceChannel::Requesting:
        emit captionSuffix(QStringLiteral("正在发送请求..."));
        break;
    case ServiceChannel::RequestSent:
        emit captionSuffix(QStringLiteral("请求已发送"));
        break;
    case ServiceChannel::ResponseCompleted:
        emit captionSuffix(QStringLiteral("接收完成"));
        break;
    case ServiceChannel::Error:
        emit captionSuffix(QStringLiteral("通讯错误,同步失败,下次同步"));
        emit statusText(ConnectionFailedStatus);
        m_lastTransferFailed = true;
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// The sync pass

void SyncSession::SyncData()
{
    if (m_run.Exiting || m_stage == Stage::SigningIn || m_stage == Stage::Downloading)
        return;
    if (m_stage == Stage::Uploading) {
        m_syncAfter = true;
        return;
    }
    m_syncStarted = true;
    startPass(true);
}

void SyncSession::UploadData()
{
    if (m_run.Exiting)
        return;
    if (m_stage != Stage::Idle) {
        m_uploadAgain = true;
        return;
    }
    startPass(false);
}

void SyncSession::startPass(bool announce)
{
    m_failed = false;
    m_changed = 0;
    m_conflictSeen = false;
    m_downloads.clear();
    m_nextDownload = 0;
    m_held.clear();
    m_sharedIds.clear();
    m_announce = announce;
    m_finishText = DoneStatus;
    m_stage = Stage::SigningIn;
    if (!m_address.problem().isEmpty()) { // nothing goes to a service the user did not choose
        m_lastTransferFailed = true;
        fail(withReason(ConnectionFailedStatus, m_address.problem()));
        return;
    }
    // An answer the service gave and that could not be written yet comes first: were the list read
    // without it, the memo the service took would come down as a new one.
    if (!writeAnswers()) {
        fail(LocalWriteFailedStatus);
        return;
    }
    m_request = Request::IdList;
    m_pendingPost = false;
    m_pendingUrl = m_address.url(QStringLiteral("/Api/id.asp"), signedAccountQuery());
    send();
}

void SyncSession::onIdList(const QString& text)
{
    const IdListReply reply = parseIdListReply(text, m_run.PassHash);
    if (reply.kind == IdListReply::Kind::Refused) {
        fail(QStringLiteral("状态:同步账号验证失败"));
        return;
    }
    if (reply.kind != IdListReply::Kind::Accepted) {
        fail(ServiceFailedStatus);
        return;
    }
    m_run.ServerVerified = true;
    m_run.MobileMailActive = reply.mailbox;
    if (reply.serverTime.isValid()) {
        const qint64 behind = Clock::currentDateTime().secsTo(reply.serverTime);
        if (behind > ClockToleranceSeconds)
            emit clockBehind(behind);
    }

    const SyncKeysRead local = readSyncKeys(m_db, m_run.UserId);
    if (!local.ok) {
        fail(withReason(LocalReadFailedStatus, local.error));
        return;
    }
    // Only a memo the service marks deleted goes here, never one missing from the list: a partial
    // list must not wipe anything. A memo listed as live anywhere in the list is not deleted.
    QSet<qint64> live;
    for (const ServerEntry& entry : reply.entries) {
        if (!entry.deleted)
            live.insert(entry.serverId);
    }
    // The transaction ends before any signal goes out: a listener's write must not join it.
    const std::optional<int> removed = [&]() -> std::optional<int> {
        Transaction transaction(m_db);
        int count = 0;
        for (const ServerEntry& entry : reply.entries) {
            if (!entry.deleted || live.contains(entry.serverId) || !local.value.contains(entry.serverId))
                continue;
            const StoreResult deleted = deleteRemovedElsewhere(m_db, m_run.UserId, entry.serverId);
            if (!deleted.ok)
                return std::nullopt;
            count += deleted.rowsAffected;
        }
        return transaction.commit().ok ? std::optional<int>(count) : std::nullopt;
    }();
    if (!removed) {
        fail(LocalWriteFailedStatus);
        return;
    }
    m_changed += *removed;

    QSet<qint64> compared;
    for (const SyncKey& key : local.value) {
        if (key.shared)
            m_sharedIds.insert(key.serverId);
    }
    for (const ServerEntry& entry : reply.entries) {
        if (entry.deleted || compared.contains(entry.serverId))
            continue; // a local copy with a change not yet sent goes up and is kept as a new memo
        compared.insert(entry.serverId);
        const auto it = local.value.constFind(entry.serverId);
        if (it == local.value.constEnd()) {
            m_downloads.push_back({entry.serverId, std::nullopt});
            continue;
        }
        // A server record is never taken for a row whose server id another row carries too.
        if (it->shared || entry.synnum == it->SyncedSynnum)
            continue;
        // Changed on the service since the row was last in step: the row waits for the service's
        // copy, which replaces it, restores it or goes to the conflict windows beside it.
        m_downloads.push_back({entry.serverId, *it});
        m_held.insert(it->id);
    }
    m_stage = Stage::Downloading;
    downloadNext();
}

void SyncSession::downloadNext()
{
    if (m_nextDownload >= m_downloads.size()) {
        afterDownloads();
        return;
    }
    const SignedTimestamp stamp = SignedTimestamp::now();
    m_request = Request::Download;
    m_pendingPost = false;
    m_pendingUrl =
        m_address.url(QStringLiteral("/api/download.asp"),
                      {{QStringLiteral("id"), QString::number(m_downloads[m_nextDownload].serverId)},
                       {QStringLiteral("nowtime"), stamp.nowtime},
                       {QStringLiteral("md5"), stamp.md5},
                       {QStringLiteral("userid"), m_run.UserId}});
    send();
}

void SyncSession::onDownload(const QString& text)
{
    const DownloadReply reply = parseDownloadReply(text);
    switch (reply.kind) {
    case DownloadReply::Kind::Refused:
        fail(QStringLiteral("状态:同步账号验证失败"));
        return;
    case DownloadReply::Kind::Failed:
        fail(ServiceFailedStatus);
        return;
    case DownloadReply::Kind::Memo:
        if (reply.memo->serverId == m_downloads[m_nextDownload].serverId && ownRecord(reply.memo->memo) &&
            !takeDownload(*reply.memo)) {
            fail(LocalWriteFailedStatus);
            return;
        }
        break;
    case DownloadReply::Kind::Unreadable:
    case DownloadReply::Kind::Missing:
        break; // that memo alone stays as it is
    }
    ++m_nextDownload;
    downloadNext();
}

// Stores one memo that came down; false when the write failed.
bool SyncSession::takeDownload(const ConflictRecord& server)
{
    const std::optional<SyncKey>& local = m_downloads[m_nextDownload].local;
    if (!local) {
        // A memo this computer sent while the program was killed before the answer came: the row
        // that says the same takes its server id instead of a copy coming down beside it.
        const auto unsentRows = readUnsentByTitle(m_db, m_run.UserId, server.memo.title);
        if (!unsentRows.ok)
            return false;
        for (const MemoRecord& unsent : unsentRows.value) {
            if (sameOnTheWire(unsent, server.memo))
                return adoptServerId(m_db, m_run.UserId, unsent.id, server.serverId, server.memo.synnum).ok;
        }
        const StoreResult stored = insertFromServer(m_db, m_run.UserId, server.serverId, server.memo);
        m_changed += stored.rowsAffected;
        return stored.ok;
    }
    if (local->syn) {
        // In step here: the service's copy replaces it.
        const StoreResult stored = overwriteFromServer(m_db, m_run.UserId, *local, server.memo);
        m_changed += stored.rowsAffected;
        return stored.ok;
    }
    const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, local->id);
    if (!row.ok)
        return false;
    const bool same = row.value && sameOnTheWire(*row.value, server.memo);
    if (local->Del) {
        // Deleted here without having seen the service's copy: the deletion is dropped and the copy
        // comes back. A copy that says what the deleted row said was seen: the deletion goes up.
        const StoreResult stored = same ? markInStep(m_db, m_run.UserId, *local, server.memo.synnum)
                                        : overwriteFromServer(m_db, m_run.UserId, *local, server.memo);
        if (same)
            m_held.remove(local->id);
        else
            m_changed += stored.rowsAffected;
        return stored.ok;
    }
    if (same) {
        // The same change on both sides (or an answer lost on the way): nothing to choose.
        const StoreResult stored = overwriteFromServer(m_db, m_run.UserId, *local, server.memo);
        m_held.remove(local->id);
        return stored.ok;
    }
    if (!m_conflictSeen) {
        m_conflictSeen = true;
        handOff(server.serverId, ServerRecordText(server.memo));
    }
    return true;
}

void SyncSession::afterDownloads()
{
    if (m_changed > 0)
        emit memosChanged();
    m_changed = 0;
    if (m_announce) {
        emit statusText(QStringLiteral("状态:远程效验完成"));
        emit statusText(QStringLiteral("状态:上传本地未同步记录"));
    }
    if (m_conflictSeen) {
        // The rest goes up; the memo changed on both sides waits for the user's choice.
        emit statusText(ConflictStatus);
        m_finishText = ConflictStatus;
    }
    startUploads();
}

bool SyncSession::ownRecord(const MemoRecord& server) const
{
    // Names compare with letter case: another account's memo is never taken as the user's.
    return server.userid == m_run.UserId;
}

void SyncSession::handOff(qint64 serverId, const QString& serverRecord)
{
    // While the windows are open they keep the memo they show.
    if (m_conflictOpen || m_run.Exiting)
        return;
    m_conflictServerId = serverId;
    m_conflictData = conflictDataText(serverRecord, serverId);
    m_conflictOpen = true;
    emit conflictFound();
}

// ---------------------------------------------------------------------------------------------
// The upload pass

void SyncSession::startUploads()
{
    const LocalIdsRead waiting = readUnsyncedIds(m_db, m_run.UserId);
    if (!waiting.ok) {
        fail(withReason(LocalReadFailedStatus, waiting.error));
        return;
    }
    m_stage = Stage::Uploading;
    m_uploads.clear();
    for (const MemoId id : waiting.value) {
        if (!m_held.contains(id))
            m_uploads.push_back(id);
    }
    m_nextUpload = 0;
    m_sentCount = 0;
    uploadNext();
}

void SyncSession::uploadNext()
{
    while (m_nextUpload < m_uploads.size()) {
        if (m_run.Exiting)
            break;
        const MemoId id = m_uploads[m_nextUpload++];
        const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, id);
        if (!row.ok) {
            fail(withReason(LocalReadFailedStatus, row.error));
            return;
        }
        if (!row.value || row.value->syn)
            continue; // gone, or taken care of meanwhile
        MemoRecord memo = *row.value;
        emit statusText(QStringLiteral("传输%1:%2").arg(memo.id).arg(memo.title));
        const bool yibu = m_asyncMode && memo.id == m_settledId;
        m_sent = {memo.id, memo.synnum, memo.synnum, memo.Del};
        if (m_sharedIds.contains(memo.NotebookServerId)) {
            // Another row carries the same server id: this copy goes up as a memo of its own.
            memo.NotebookServerId = 0;
        } else if (memo.NotebookServerId > 0 && !yibu) {
            // One above the counter both sides last had: the service takes it only while it still
            // has that counter, so a change made there meanwhile is never overwritten.
            m_sent.postedSynnum = counterAbove(memo.SyncedSynnum);
        }
        memo.synnum = m_sent.postedSynnum;
        const SignedTimestamp stamp = SignedTimestamp::now();
        m_request = Request::Upload;
        m_pendingPost = true;
        m_pendingUrl = m_address.url(
            QStringLiteral("/api/Syn.asp"),
            {{QStringLiteral("nowtime"), stamp.nowtime},
             {QStringLiteral("md5"), stamp.md5},
             {QStringLiteral("userid"), m_run.UserId},
             {QStringLiteral("yibu"), yibu ? QStringLiteral("True") : QStringLiteral("False")}});
        m_pendingBody = SynPostBody(memo);
        ++m_sentCount;
        send();
        return;
    }
    if (m_sentCount > 0)
        emit soundRequested(QStringLiteral("down.wav"));
    finish();
}

void SyncSession::onSynReply(const QString& text)
{
    const SynReply reply = parseSynReply(text);
    switch (reply.kind) {
    case SynReply::Kind::Stored: {
        if (reply.localId != m_sent.id || m_sent.Del) {
            fail(ServiceFailedStatus);
            return;
        }
        // A server id that another row of this computer carries would make two rows one memo.
        const StoreRead<qint64> held = serverIdHeldElsewhere(m_db, m_run.UserId, reply.serverId, m_sent.id);
        if (!held.ok) {
            fail(withReason(LocalReadFailedStatus, held.error));
            return;
        }
        if (held.value > 0) {
            fail(ServiceFailedStatus);
            return;
        }
        if (m_asyncMode && m_sent.id == m_settledId) {
            m_asyncMode = false;
            m_settledId = 0;
        }
        // "Done" is said once, when the whole pass has run.
        if (!writeAnswer(reply.serverId, false))
            return;
        break;
    }
    case SynReply::Kind::Conflict: {
        const std::optional<MemoRecord> server = parseServerRecord(reply.serverRecord);
        if (!server || !ownRecord(*server) || !fitsMemoTable(*server)) {
            fail(ServiceFailedStatus);
            return;
        }
        if (m_sent.Del) {
            // Deleted here while the service had a newer copy: the copy comes back.
            SyncKey expected;
            expected.id = m_sent.id;
            expected.serverId = reply.serverId;
            expected.synnum = m_sent.readSynnum;
            expected.Del = true;
            const StoreResult restored = overwriteFromServer(m_db, m_run.UserId, expected, *server);
            if (!restored.ok) {
                fail(LocalWriteFailedStatus);
                return;
            }
            m_changed += restored.rowsAffected;
            break;
        }
        handOff(reply.serverId, reply.serverRecord);
        emit statusText(ConflictStatus);
        // The pass does not end "done" while a memo waits in the conflict windows.
        m_finishText = ConflictStatus;
        break;
    }
    case SynReply::Kind::Deleted:
        // Only a deletion that was sent is confirmed; anything else is no answer to this upload.
        if (!m_sent.Del) {
            fail(ServiceFailedStatus);
            return;
        }
        if (!writeAnswer(reply.serverId, true))
            return;
        emit statusText(DeletedStatus);
        break;
    case SynReply::Kind::Unknown:
        fail(ServiceFailedStatus);
        return;
    }
    uploadNext();
}

// Writes the answer to the upload just sent; a failed write fails the pass, and the answer is kept
// to be written before anything else is asked.
bool SyncSession::writeAnswer(qint64 serverId, bool deleted)
{
    m_answers.push_back({m_sent, serverId, deleted});
    if (writeAnswers())
        return true;
    fail(LocalWriteFailedStatus);
    return false;
}

bool SyncSession::writeAnswers()
{
    while (!m_answers.empty()) {
        const Answer& answer = m_answers.front();
        const Sent& sent = answer.sent;
        const StoreResult written = answer.deleted
                                        ? deleteConfirmed(m_db, m_run.UserId, sent.id, answer.serverId)
                                        : acknowledgeUpload(m_db, m_run.UserId, sent.id, answer.serverId,
                                                            sent.readSynnum, sent.postedSynnum, sent.Del);
        if (!written.ok)
            return false;
        m_answers.erase(m_answers.begin());
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Ends, countdown, conflicts, quit

void SyncSession::fail(const QString& status)
{
    m_failed = true;
    emit statusText(status);
    finish(false);
}

// completed: the pass ran to its end (not failed, cut short or aborted); only then does it say so.
void SyncSession::finish(bool completed)
{
    if (!writeAnswers() && !m_failed) {
        m_failed = true;
        emit statusText(LocalWriteFailedStatus);
    }
    m_retry.stop();
    m_request = Request::None;
    // A request still under way is no longer this pass's: its reply is not heard.
    if (m_onWire)
        m_onWire->disconnect(this);
    m_onWire = nullptr;
    const bool passRan = m_stage != Stage::Idle;
    m_stage = Stage::Idle;
    m_uploads.clear();
    m_downloads.clear();
    if (m_changed > 0 && !m_run.Exiting)
        emit memosChanged();
    m_changed = 0;
    if (completed && !m_failed && !m_run.Exiting && !m_finishText.isEmpty())
        emit statusText(m_finishText);
    m_finishText.clear();
    if (m_quitDone) {
        m_quitWait.stop();
        std::exchange(m_quitDone, nullptr)();
        return;
    }
    if (passRan) {
        emit captionSuffix(QString());
        emit passFinished();
    }
    if (m_failed || m_run.Exiting) {
        m_uploadAgain = false;
        m_syncAfter = false;
        return;
    }
    if (m_syncAfter) {
        m_syncAfter = false;
        m_uploadAgain = false; // the sync pass uploads at its end
        SyncData();
    } else if (m_uploadAgain) {
        m_uploadAgain = false;
        UploadData();
    }
}

void SyncSession::finishBeforeQuit(std::function<void()> done)
{
    m_quitDone = std::move(done);
    m_syncAfter = m_uploadAgain = false;
    if (m_request == Request::Upload && requestOnWire()) {
        // The service may have taken the memo: its answer is waited for, or the memo would go up
        // again as a new one at the next start.
        m_quitWait.start();
        return;
    }
    finish(false);
}

SyncSession::CountdownStep SyncSession::Timer3Tick()
{
    CountdownStep step;
    if (!m_syncStarted) {
        // No synchronisation in this run yet: the change waits for the next one.
        m_timer3Tag = 0;
        step.stop = true;
        return step;
    }
    ++m_timer3Tag;
    step.status = QStringLiteral("状态:%1秒后同步数据").arg(5 - m_timer3Tag);
    step.showButton = true;
    if (m_timer3Tag >= 5) {
        m_timer3Tag = 0;
        step.stop = true;
        UploadData();
    }
    return step;
}

void SyncSession::conflictWindowsClosed()
{
    m_conflictOpen = false;
}

void SyncSession::conflictSettled(MemoId localId, bool serverCopyKept)
{
    m_asyncMode = true;
    m_settledId = localId;
    m_conflictOpen = false;
    if (serverCopyKept)
        m_syncStarted = false;
}

} // namespace velmo
