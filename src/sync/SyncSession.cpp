#include "SyncSession.h"

#include "platform/Clock.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "store/Database.h"
#include "store/RunState.h"
#include "store/SyncRows.h"
#include "store/WireText.h"
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
    , m_unanswered(db, run)
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
    m_refused = 0;
    m_untravelled = 0;
    m_conflictSeen = false;
    m_plan = ListPlan();
    m_nextDownload = 0;
    m_strays.clear();
    m_nextStray = 0;
    m_sentAgain.clear();
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
    if (const StoreResult written = writeAnswers(); !written) {
        fail(withReason(LocalWriteFailedStatus, written.error));
        return;
    }
    if (const StoreResult loaded = m_unanswered.load(); !loaded) {
        fail(withReason(LocalReadFailedStatus, loaded.error));
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
    m_plan = compareList(reply.entries, local.value);
    // The transaction ends before any signal goes out: a listener's write must not join it.
    StoreResult applied = [this]() -> StoreResult {
        Transaction transaction(m_db);
        int removed = 0;
        for (const qint64 serverId : m_plan.deletedElsewhere) {
            const StoreResult deleted = deleteRemovedElsewhere(m_db, m_run.UserId, serverId);
            if (!deleted)
                return deleted;
            removed += deleted.rowsAffected;
        }
        for (const auto& [key, synnum] : m_plan.inStepAt) {
            if (const StoreResult marked = markInStep(m_db, m_run.UserId, key, synnum); !marked)
                return marked;
        }
        StoreResult committed = transaction.commit();
        committed.rowsAffected = removed;
        return committed;
    }();
    if (!applied) {
        fail(withReason(LocalWriteFailedStatus, applied.error));
        return;
    }
    m_changed += applied.rowsAffected;
    m_stage = Stage::Downloading;
    downloadNext();
}

void SyncSession::downloadNext()
{
    if (m_nextDownload >= m_plan.downloads.size()) {
        afterDownloads();
        return;
    }
    const SignedTimestamp stamp = SignedTimestamp::now();
    m_request = Request::Download;
    m_pendingPost = false;
    m_pendingUrl =
        m_address.url(QStringLiteral("/api/download.asp"),
                      {{QStringLiteral("id"), QString::number(m_plan.downloads[m_nextDownload].serverId)},
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
        if (reply.memo->serverId != m_plan.downloads[m_nextDownload].serverId ||
            !ownRecord(reply.memo->memo)) {
            ++m_refused;
            break;
        }
        if (const StoreResult taken = takeDownload(*reply.memo); !taken) {
            fail(withReason(LocalWriteFailedStatus, taken.error));
            return;
        }
        break;
    case DownloadReply::Kind::Unreadable:
        ++m_refused; // that memo alone stays as it is
        break;
    case DownloadReply::Kind::Missing:
        break; // deleted since the list was read
    }
    ++m_nextDownload;
    downloadNext();
}

// Stores one memo that came down, or what it tells of a row here.
StoreResult SyncSession::takeDownload(const ConflictRecord& server)
{
    const std::optional<SyncKey>& local = m_plan.downloads[m_nextDownload].local;
    if (!local) {
        if (const auto own = m_unanswered.postedAs(server.memo)) {
            // A post of this computer's whose answer was lost: the row it came from is that memo,
            // unless that row is gone (deleted here since) or is another memo of the service's by
            // now (the post arrived after its answer was given up and the row went up again): then
            // the copy is one too many, and goes.
            const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, own->sent.LocalId);
            if (!row)
                return row;
            if (!row.value ||
                (row.value->NotebookServerId > 0 && m_plan.isLive(row.value->NotebookServerId))) {
                m_strays.push_back({server, own->sent});
                return StoreResult::success();
            }
            return takeOwnPost(*own, row.value->id, server);
        }
        StoreResult stored = insertFromServer(m_db, m_run.UserId, server.serverId, server.memo);
        m_changed += stored.rowsAffected;
        return stored;
    }
    if (local->syn) {
        // In step here: the service's copy replaces it.
        StoreResult stored = overwriteFromServer(m_db, m_run.UserId, *local, server.memo);
        m_changed += stored.rowsAffected;
        return stored;
    }
    if (const auto own = m_unanswered.postedAs(server.memo, local->id)) {
        // The service holds this computer's own post: whatever changed here since goes up over it.
        m_plan.held.remove(local->id);
        return takeOwnPost(*own, local->id, server);
    }
    const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, local->id);
    if (!row)
        return row;
    const bool same = row.value && sameOnTheWire(*row.value, server.memo);
    if (local->Del) {
        // Deleted here without having seen the service's copy: the deletion is dropped and the copy
        // comes back. A copy that says what the deleted row said was seen: the deletion goes up.
        StoreResult stored = same ? markInStep(m_db, m_run.UserId, *local, server.memo.synnum)
                                  : overwriteFromServer(m_db, m_run.UserId, *local, server.memo);
        if (same)
            m_plan.held.remove(local->id);
        else
            m_changed += stored.rowsAffected;
        return stored;
    }
    if (same) {
        // The same change on both sides: nothing to choose.
        m_plan.held.remove(local->id);
        return overwriteFromServer(m_db, m_run.UserId, *local, server.memo);
    }
    if (!m_conflictSeen) {
        m_conflictSeen = true;
        handOff(server.serverId, ServerRecordText(server.memo));
    }
    return StoreResult::success();
}

// The service's copy is the post `own` of the row localId: the row is that memo, in step at the
// copy's counter, and anything changed here since the post still goes up.
StoreResult SyncSession::takeOwnPost(const UnansweredUploads::Own& own, MemoId localId,
                                     const ConflictRecord& server)
{
    const StoreResult known = acknowledgeUpload(m_db, m_run.UserId, localId, server.serverId,
                                                own.sent.ReadSynnum, server.memo.synnum, own.sent.Del);
    // The post stays known until the whole list is compared: the service may hold it twice.
    if (known)
        m_unanswered.recognised(own.sent.id);
    return known;
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
    m_stage = Stage::Uploading;
    retractNext();
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

void SyncSession::post(const MemoRecord& memo)
{
    const SignedTimestamp stamp = SignedTimestamp::now();
    m_request = Request::Upload;
    m_pendingPost = true;
    // "yibu" is never set: a settled copy goes up like any change (see conflictSettled), so that
    // the service's own check of the counter still guards the change it took meanwhile.
    m_pendingUrl =
        m_address.url(QStringLiteral("/api/Syn.asp"), {{QStringLiteral("nowtime"), stamp.nowtime},
                                                       {QStringLiteral("md5"), stamp.md5},
                                                       {QStringLiteral("userid"), m_run.UserId},
                                                       {QStringLiteral("yibu"), QStringLiteral("False")}});
    m_pendingBody = SynPostBody(memo);
    send();
}

// A stray copy is deleted on the service: a deletion one above its counter, as any computer that
// had it in step would send.
void SyncSession::retractNext()
{
    if (m_nextStray >= m_strays.size()) {
        // Every copy of the service's list is accounted for: posts answered or recognised before
        // it was read can be let go.
        if (const StoreResult settled = m_unanswered.settle(); !settled) {
            fail(withReason(LocalWriteFailedStatus, settled.error));
            return;
        }
        startUploads();
        return;
    }
    const Stray& stray = m_strays[m_nextStray];
    MemoRecord memo = stray.copy.memo;
    memo.id = stray.sent.LocalId;
    memo.NotebookServerId = stray.copy.serverId;
    memo.synnum = counterAbove(memo.synnum);
    memo.Del = true;
    m_retracting = true;
    post(memo);
}

void SyncSession::onRetracted(const SynReply& reply)
{
    const Stray& stray = m_strays[m_nextStray];
    const bool retracted = reply.kind == SynReply::Kind::Deleted && reply.serverId == stray.copy.serverId;
    // A copy changed meanwhile by another computer is someone's memo now: it stays, and comes down
    // at the next pass like any other.
    const bool changedMeanwhile =
        reply.kind == SynReply::Kind::Conflict && reply.serverId == stray.copy.serverId;
    if (!retracted && !changedMeanwhile) {
        fail(ServiceFailedStatus);
        return;
    }
    if (const StoreResult forgotten = m_unanswered.forget(stray.sent.id); !forgotten) {
        fail(withReason(LocalWriteFailedStatus, forgotten.error));
        return;
    }
    ++m_nextStray;
    retractNext();
}

void SyncSession::startUploads()
{
    const LocalIdsRead waiting = readUnsyncedIds(m_db, m_run.UserId);
    if (!waiting.ok) {
        fail(withReason(LocalReadFailedStatus, waiting.error));
        return;
    }
    m_uploads.clear();
    for (const MemoId id : waiting.value) {
        if (!m_plan.held.contains(id))
            m_uploads.push_back(id);
    }
    m_nextUpload = 0;
    m_sentCount = 0;
    uploadNext();
}

// Whether the row's texts reach the service intact; a row that cannot waits, and the user is told.
// A deletion goes up whatever its texts: the service keeps none of them.
bool SyncSession::travels(const MemoRecord& memo)
{
    if (memo.Del)
        return true;
    QString part;
    for (const QString* text : {&memo.title, &memo.content, &memo.DiySound}) {
        part = untravellablePart(*text);
        if (!part.isEmpty())
            break;
    }
    if (part.isEmpty())
        return true;
    ++m_untravelled;
    if (!m_told.contains({memo.id, memo.synnum})) {
        m_told.insert({memo.id, memo.synnum});
        emit untravellableMemo(memo.id, memo.title, part);
    }
    return false;
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
        if (!travels(*row.value))
            continue;
        MemoRecord memo = *row.value;
        emit statusText(QStringLiteral("传输%1:%2").arg(memo.id).arg(memo.title));
        m_sent = {memo.id, memo.synnum, memo.synnum, memo.Del, 0};
        if (m_plan.sharedIds.contains(memo.NotebookServerId)) {
            // Another row carries the same server id: this copy goes up as a memo of its own.
            memo.NotebookServerId = 0;
        } else if (memo.NotebookServerId > 0) {
            // One above the counter both sides last had: the service takes it only while it still
            // has that counter, so a change made there meanwhile is never overwritten.
            m_sent.postedSynnum = counterAbove(memo.SyncedSynnum);
        }
        memo.synnum = m_sent.postedSynnum;
        // Remembered before it goes out: should its answer be lost, the next pass still knows the
        // service's copy of it.
        const StoreResult remembered = m_unanswered.remember(memo, m_sent.readSynnum);
        if (!remembered) {
            fail(withReason(LocalWriteFailedStatus, remembered.error));
            return;
        }
        m_sent.entry = remembered.insertId;
        ++m_sentCount;
        m_retracting = false;
        post(memo);
        return;
    }
    if (m_sentCount > 0)
        emit soundRequested(QStringLiteral("down.wav"));
    finish();
}

void SyncSession::onSynReply(const QString& text)
{
    const SynReply reply = parseSynReply(text);
    if (m_retracting) {
        onRetracted(reply);
        return;
    }
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
        // "Done" is said once, when the whole pass has run.
        if (!writeAnswer(reply.serverId, false))
            return;
        break;
    }
    case SynReply::Kind::Conflict: {
        const std::optional<MemoRecord> server = parseServerRecord(reply.serverRecord);
        if (!server || !ownRecord(*server) || !storableRecord(*server)) {
            fail(ServiceFailedStatus);
            return;
        }
        const ConflictRecord copy{reply.serverId, *server};
        const std::optional<UnansweredUploads::Own> own = m_unanswered.postedAs(*server, m_sent.id);
        Transaction transaction(m_db);
        StoreResult written = m_unanswered.answered(m_sent.entry);
        if (written && own) {
            // The service holds an earlier post of this row (one that arrived late): the row is in
            // step with it, and goes up again over it.
            written = takeOwnPost(*own, m_sent.id, copy);
        } else if (written && m_sent.Del) {
            // Deleted here while the service had a newer copy: the copy comes back.
            SyncKey expected;
            expected.id = m_sent.id;
            expected.serverId = reply.serverId;
            expected.synnum = m_sent.readSynnum;
            expected.Del = true;
            written = overwriteFromServer(m_db, m_run.UserId, expected, *server);
            m_changed += written.rowsAffected;
        }
        if (written)
            written = transaction.commit();
        if (!written) {
            fail(withReason(LocalWriteFailedStatus, written.error));
            return;
        }
        if (own) {
            if (!m_sentAgain.contains(m_sent.id)) {
                m_sentAgain.insert(m_sent.id);
                m_uploads.push_back(m_sent.id);
            }
        } else if (!m_sent.Del) {
            handOff(reply.serverId, reply.serverRecord);
            emit statusText(ConflictStatus);
            // The pass does not end "done" while a memo waits in the conflict windows.
            m_finishText = ConflictStatus;
        }
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
    const StoreResult written = writeAnswers();
    if (written)
        return true;
    fail(withReason(LocalWriteFailedStatus, written.error));
    return false;
}

StoreResult SyncSession::writeAnswers()
{
    while (!m_answers.empty()) {
        const Answer& answer = m_answers.front();
        const Sent& sent = answer.sent;
        Transaction transaction(m_db);
        StoreResult written = answer.deleted
                                  ? deleteConfirmed(m_db, m_run.UserId, sent.id, answer.serverId)
                                  : acknowledgeUpload(m_db, m_run.UserId, sent.id, answer.serverId,
                                                      sent.readSynnum, sent.postedSynnum, sent.Del);
        if (written)
            written = m_unanswered.answered(sent.entry);
        if (written)
            written = transaction.commit();
        if (!written)
            return written;
        m_answers.erase(m_answers.begin());
    }
    return StoreResult::success();
}

// ---------------------------------------------------------------------------------------------
// Ends, countdown, conflicts, quit

// What the end of a pass that ran through says: done (or a memo waiting in the conflict windows),
// and what it had to leave: records of the service it could not keep, memos it could not send.
QString SyncSession::doneText() const
{
    QString text = m_finishText;
    if (m_refused > 0)
        text += QStringLiteral(",%1条网络备忘有误").arg(m_refused);
    if (m_untravelled > 0)
        text += QStringLiteral(",%1条备忘未上传").arg(m_untravelled);
    return text;
}

void SyncSession::fail(const QString& status)
{
    m_failed = true;
    emit statusText(status);
    finish(false);
}

// completed: the pass ran to its end (not failed, cut short or aborted); only then does it say so.
void SyncSession::finish(bool completed)
{
    if (const StoreResult written = writeAnswers(); !written && !m_failed) {
        m_failed = true;
        emit statusText(withReason(LocalWriteFailedStatus, written.error));
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
    m_plan = ListPlan();
    m_strays.clear();
    m_retracting = false;
    if (m_changed > 0 && !m_run.Exiting)
        emit memosChanged();
    m_changed = 0;
    if (completed && !m_failed && !m_run.Exiting && !m_finishText.isEmpty())
        emit statusText(doneText());
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

void SyncSession::conflictSettled(bool serverCopyKept)
{
    m_conflictOpen = false;
    if (serverCopyKept)
        m_syncStarted = false;
}

} // namespace velmo
