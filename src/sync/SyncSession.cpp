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

#include <algorithm>
#include <optional>

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
    m_answerTimer.setSingleShot(true);
    m_answerTimer.setInterval(AnswerDelayMs);
    // Should the write fail, the answers stay and the next write or the pass's end tries again.
    connect(&m_answerTimer, &QTimer::timeout, this, [this] { writeAnswers(); });
    connect(&m_channel, &ServiceChannel::finished, this, &SyncSession::onFinished);
    connect(&m_channel, &ServiceChannel::stateChanged, this, [this](int state) {
        // A request of ours still waiting for the channel owns none of its states.
        if (requestOnWire())
            Inet1_StateChanged(state);
    });
}

SyncSession::~SyncSession()
{
    // The service has these memos: their server ids must not be lost.
    writeAnswers(false);
}

// ---------------------------------------------------------------------------------------------
// Requests

QList<std::pair<QString, QString>> SyncSession::signedAccountQuery() const
{
    const SignedTimestamp stamp = SignedTimestamp::now();
    return {{QStringLiteral("user"), m_run.UserId},
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
    const bool sent =
        m_pendingPost ? m_channel.execute(m_pendingUrl, m_pendingBody) : m_channel.openUrl(m_pendingUrl);
    if (!sent)
        m_retry.start(); // another user of the channel has it: nothing is dropped, the request waits
}

void SyncSession::onFinished(const ServiceReply& reply)
{
    if (!requestOnWire())
        return; // not ours
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
        fail(ConnectionFailedStatus);
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
    m_stage = Stage::SigningIn;
    m_failed = false;
    m_changed = 0;
    m_conflictSeen = false;
    m_downloads.clear();
    m_nextDownload = 0;
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
        fail(LocalReadFailedStatus);
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
            if (!entry.deleted || live.contains(entry.serverId) || !local.byServerId.contains(entry.serverId))
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

    for (const ServerEntry& entry : reply.entries) {
        if (entry.deleted)
            continue; // a local copy with a change not yet sent goes up and is kept as a new memo
        const auto it = local.byServerId.constFind(entry.serverId);
        if (it == local.byServerId.constEnd()) {
            m_downloads.push_back({entry.serverId, 0, 0, false});
            continue;
        }
        // A memo deleted here goes up as deleted; a newer server copy does not bring it back.
        if (it->Del || entry.synnum <= it->synnum)
            continue;
        m_downloads.push_back({entry.serverId, it->id, it->synnum, !it->syn});
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
    const size_t end = std::min(m_downloads.size(), m_nextDownload + DownloadBatch);
    m_batch.assign(m_downloads.begin() + static_cast<std::ptrdiff_t>(m_nextDownload),
                   m_downloads.begin() + static_cast<std::ptrdiff_t>(end));
    m_nextDownload = end;
    QStringList ids;
    for (const Download& item : m_batch)
        ids << QString::number(item.serverId);
    QList<std::pair<QString, QString>> query = signedAccountQuery();
    query.append({QStringLiteral("id"), ids.join(QLatin1Char(','))});
    m_request = Request::Download;
    m_pendingPost = false;
    m_pendingUrl = m_address.url(QStringLiteral("/api/download.asp"), query);
    send();
}

void SyncSession::onDownload(const QString& text)
{
    const DownloadReply reply = parseDownloadReply(text);
    if (!reply.ok) {
        fail(ServiceFailedStatus);
        return;
    }
    // The first memo changed on both sides waits for the conflict windows; the others are stored.
    const ConflictRecord* conflict = nullptr;
    // The transaction ends before any signal goes out: a listener's write must not join it.
    const std::optional<int> changed = [&]() -> std::optional<int> {
        Transaction transaction(m_db);
        int count = 0;
        for (const ConflictRecord& memo : reply.memos) {
            const auto asked = std::find_if(m_batch.begin(), m_batch.end(), [&memo](const Download& item) {
                return item.serverId == memo.serverId;
            });
            if (asked == m_batch.end())
                continue; // not asked for
            if (asked->conflict) {
                if (!conflict)
                    conflict = &memo;
                continue;
            }
            const StoreResult stored =
                asked->localId == 0
                    ? insertFromServer(m_db, m_run.UserId, memo.serverId, memo.memo)
                    : overwriteFromServer(m_db, m_run.UserId, asked->localId, asked->localSynnum, memo.memo);
            if (!stored.ok)
                return std::nullopt;
            count += stored.rowsAffected;
        }
        return transaction.commit().ok ? std::optional<int>(count) : std::nullopt;
    }();
    if (!changed) {
        fail(LocalWriteFailedStatus);
        return;
    }
    m_changed += *changed;
    if (conflict && !m_conflictSeen) {
        m_conflictSeen = true;
        handOff(conflict->serverId, ServerRecordText(conflict->memo));
    }
    downloadNext();
}

void SyncSession::afterDownloads()
{
    if (m_changed > 0)
        emit memosChanged();
    if (m_conflictSeen) {
        // A memo changed on both sides ends the pass: the user decides in the conflict windows.
        emit statusText(ConflictStatus);
        finish();
        return;
    }
    emit statusText(QStringLiteral("状态:远程效验完成"));
    emit statusText(QStringLiteral("状态:上传本地未同步记录"));
    // Also with an empty server list: a new account's first memos must reach the service.
    m_finishText = DoneStatus;
    startUploads();
}

void SyncSession::handOff(qint64 serverId, const QString& serverRecord)
{
    m_conflictServerId = serverId;
    m_conflictData = conflictDataText(serverRecord, serverId);
    if (m_conflictOpen || m_run.Exiting)
        return;
    m_conflictOpen = true;
    emit conflictFound();
}

// ---------------------------------------------------------------------------------------------
// The upload pass

void SyncSession::UploadData()
{
    if (m_run.Exiting)
        return;
    if (m_stage != Stage::Idle) {
        m_uploadAgain = true;
        return;
    }
    m_failed = false;
    m_finishText.clear();
    startUploads();
}

void SyncSession::startUploads()
{
    const LocalIdsRead waiting = readUnsyncedIds(m_db, m_run.UserId);
    if (!waiting.ok) {
        fail(LocalReadFailedStatus);
        return;
    }
    m_stage = Stage::Uploading;
    m_uploads = waiting.ids;
    m_nextUpload = 0;
    m_sentCount = 0;
    uploadNext();
}

void SyncSession::uploadNext()
{
    while (m_nextUpload < m_uploads.size()) {
        if (m_run.Exiting)
            break;
        const qint64 id = m_uploads[m_nextUpload++];
        const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, id);
        if (!row.ok) {
            fail(LocalReadFailedStatus);
            return;
        }
        if (!row.memo || row.memo->syn)
            continue; // gone, or taken care of meanwhile
        const MemoRecord& memo = *row.memo;
        emit statusText(QStringLiteral("传输%1:%2").arg(memo.id).arg(memo.title));
        const bool yibu = m_asyncMode && memo.id == m_settledId;
        const SignedTimestamp stamp = SignedTimestamp::now();
        m_sent = {memo.id, memo.synnum, memo.Del};
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
        if (reply.localId != m_sent.id) {
            fail(ServiceFailedStatus);
            return;
        }
        if (m_asyncMode && m_sent.id == m_settledId) {
            m_asyncMode = false;
            m_settledId = 0;
        }
        queueAnswer(reply.serverId, false);
        break;
    }
    case SynReply::Kind::Conflict:
        handOff(reply.serverId, reply.serverRecord);
        emit statusText(ConflictStatus);
        // The pass does not end "done" while a memo waits in the conflict windows.
        if (!m_finishText.isEmpty())
            m_finishText = ConflictStatus;
        break;
    case SynReply::Kind::Deleted:
        queueAnswer(reply.serverId, true);
        break;
    case SynReply::Kind::Unknown:
        fail(ServiceFailedStatus);
        return;
    }
    if (m_answers.size() >= AnswerBatch && !writeAnswers()) {
        fail(LocalWriteFailedStatus);
        return;
    }
    uploadNext();
}

void SyncSession::queueAnswer(qint64 serverId, bool deleted)
{
    m_answers.push_back({m_sent, serverId, deleted});
    if (!m_answerTimer.isActive())
        m_answerTimer.start();
}

bool SyncSession::writeAnswers(bool announce)
{
    m_answerTimer.stop();
    if (m_answers.empty())
        return true;
    Transaction transaction(m_db);
    bool stored = false;
    bool deleted = false;
    for (const Answer& answer : m_answers) {
        const Sent& sent = answer.sent;
        const StoreResult written =
            answer.deleted
                ? deleteConfirmed(m_db, m_run.UserId, sent.id, answer.serverId)
                : acknowledgeUpload(m_db, m_run.UserId, sent.id, answer.serverId, sent.synnum, sent.Del);
        if (!written.ok)
            return false;
        (answer.deleted ? deleted : stored) = true;
    }
    if (!transaction.commit().ok)
        return false;
    m_answers.clear();
    if (announce && stored)
        emit statusText(DoneStatus);
    if (announce && deleted)
        emit statusText(DeletedStatus);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Ends, countdown, conflicts

void SyncSession::fail(const QString& status)
{
    m_failed = true;
    // What the service took is written down whatever failed after it; the failure is the last word.
    if (!writeAnswers(false) && status != LocalWriteFailedStatus)
        emit statusText(LocalWriteFailedStatus);
    emit statusText(status);
    finish(false);
}

// completed: the pass ran to its end (not failed, cut short or aborted); only then does it say so.
void SyncSession::finish(bool completed)
{
    if (!writeAnswers(completed && !m_failed && !m_run.Exiting)) {
        m_failed = true;
        emit statusText(LocalWriteFailedStatus);
    }
    m_retry.stop();
    m_request = Request::None;
    m_stage = Stage::Idle;
    m_batch.clear();
    m_uploads.clear();
    if (completed && !m_failed && !m_run.Exiting && !m_finishText.isEmpty())
        emit statusText(m_finishText);
    m_finishText.clear();
    emit captionSuffix(QString());
    emit passFinished();
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

void SyncSession::conflictSettled(qint64 localId, bool serverCopyKept)
{
    m_asyncMode = true;
    m_settledId = localId;
    m_conflictOpen = false;
    if (serverCopyKept)
        m_syncStarted = false;
}

} // namespace velmo
