#include "SyncSession.h"

#include "platform/AccountName.h"
#include "platform/Clock.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "platform/UrlEncoders.h"
#include "store/Database.h"
#include "store/RunState.h"
#include "store/SyncDeletions.h"
#include "store/SyncRows.h"
#include "store/WireText.h"
#include "sync/ServerRecord.h"
#include "sync/SyncReplies.h"

#include <QSet>

#include <optional>
#include <utility>

namespace velmo {

namespace {

// What the row was last in step with: itself when nothing waits, else its copy last in step, if known.
QString inStepDigest(const MemoRecord& row, const std::optional<MemoRecord>& base)
{
    return row.syn ? wireDigest(row) : base ? wireDigest(*base) : QString();
}

// How long a request waits for the channel while another user of it has it.
constexpr int ChannelRetryMs = 100;

const QString ConnectionFailedStatus = QStringLiteral("状态:连接失败,下次同步");
const QString ServiceFailedStatus = QStringLiteral("状态:服务器返回值错误,下次同步");
const QString LocalReadFailedStatus = QStringLiteral("状态:本地数据读取失败,下次同步");
const QString LocalWriteFailedStatus = QStringLiteral("状态:本地数据保存失败,下次同步");
const QString DoneStatus = QStringLiteral("状态:同步完成");
const QString DeletedStatus = QStringLiteral("状态:同步删除完成");
const QString ConflictStatus = QStringLiteral("状态:数据异步处理");
const QString ConflictWaitsStatus = QStringLiteral("状态:同步冲突未处理,下次同步时再选择");
const QString UnsupportedServiceStatus = QStringLiteral("状态:服务器不支持本版本的同步,未同步");
const QString UnsupportedServiceMessage = QStringLiteral(
    "服务器不支持本版本的同步方式,为免备忘丢失或重复,没有同步任何备忘。请使用支持本版本的服务器。");

// The service's list does not read: what is wrong with it.
QString listProblemStatus(const QString& problem)
{
    return QStringLiteral("状态:服务器的备忘列表有误(%1),下次同步").arg(problem);
}

// What the user is told of a memo the service did not take.
QString refusedUploadMessage(const QString& title, const QString& reason)
{
    return QStringLiteral("服务器没有接受备忘“%1”(%2)。它暂留本机,其余备忘照常同步,下次同步时再试。")
        .arg(title, reason);
}

SyncKey keyOf(const MemoRecord& row)
{
    SyncKey key;
    key.id = row.id;
    key.serverId = row.NotebookServerId;
    key.synnum = row.synnum;
    key.SyncedSynnum = row.SyncedSynnum;
    key.syn = row.syn;
    key.Del = row.Del;
    return key;
}

// The digests of the copies the memo held, oldest first, up to the last that said `upTo` (all of
// them without it).
QStringList digestsOf(const ServiceCopy& copy, const QString& upTo = QString())
{
    QStringList digests;
    for (const CopyVersion& version : copy.versions)
        digests << version.digest;
    if (!upTo.isEmpty())
        digests = digests.mid(0, digests.lastIndexOf(upTo) + 1);
    return digests;
}

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
    if (!reply.ok() && request == Request::Upload) {
        if (m_retracting) {
            // The copy stays for the next pass; the service answered, so the pass goes on.
            if (reply.status == ServiceReply::Status::HttpError) {
                ++m_nextRetraction;
                retractNext();
                return;
            }
        } else if (reply.status == ServiceReply::Status::HttpError) {
            // The service refused this memo: the others go up.
            m_lastTransferFailed = true;
            if (heldBackOnce(reply.errorString))
                uploadNext();
            else
                fail(withReason(ConnectionFailedStatus, reply.errorString));
            return;
        } else {
            m_heldBack.insert(m_sent.id); // no answer: it goes after the others next time
        }
    }
    if (!reply.ok() && reply.tooLarge && request == Request::Download) {
        m_lastTransferFailed = false; // the service answered: the next memo comes down
        skipDownload(reply.errorString);
        return;
    }
    if (!reply.ok()) {
        fail(reply.tooLarge ? QStringLiteral("状态:%1,下次同步").arg(reply.errorString)
                            : withReason(ConnectionFailedStatus, reply.errorString));
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
    m_candidates.clear();
    m_deletedElsewhere.clear();
    m_retractions.clear();
    m_nextRetraction = 0;
    m_matcher = CopyMatcher();
    m_unmatched.reset();
    m_sentAgain.clear();
    m_lastHeldBack = false;
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
    StoreRead<std::vector<SyncDeletion>> deletions = readDeletions(m_db, m_run.UserId);
    if (!deletions) {
        fail(withReason(LocalReadFailedStatus, deletions.error));
        return;
    }
    m_deletions = std::move(deletions.value);
    m_listed.clear();
    m_listAfter = 0;
    requestListPage();
}

void SyncSession::requestListPage()
{
    m_request = Request::IdList;
    m_pendingPost = false;
    QList<std::pair<QString, QString>> query = signedAccountQuery();
    query.append({QStringLiteral("after"), QString::number(m_listAfter)});
    m_pendingUrl = m_address.url(QStringLiteral("/Api/id.asp"), query);
    send();
}

// The list comes in pages; nothing is compared, and nothing changed, before the last one is read.
void SyncSession::onIdList(const QString& text)
{
    IdListReply reply = parseIdListReply(text, m_run.PassHash, m_listAfter);
    switch (reply.kind) {
    case IdListReply::Kind::Refused:
        fail(QStringLiteral("状态:同步账号验证失败"));
        return;
    case IdListReply::Kind::Failed:
        fail(ServiceFailedStatus);
        return;
    case IdListReply::Kind::Unsupported:
        // A service that names neither tokens nor digests cannot tell this computer's copies from
        // another's: a pass against it would duplicate memos and undo deletions.
        fail(UnsupportedServiceStatus);
        if (!std::exchange(m_unsupportedTold, true))
            emit serviceUnsupported(UnsupportedServiceMessage);
        return;
    case IdListReply::Kind::Malformed:
        fail(listProblemStatus(
            reply.badEntry > 0
                ? QStringLiteral("第 %1 项有误").arg(qsizetype(m_listed.size()) + reply.badEntry)
                : QStringLiteral("分页不符")));
        return;
    case IdListReply::Kind::Accepted:
        break;
    }
    if (m_listAfter == 0) {
        m_run.ServerVerified = true;
        m_run.MobileMailActive = reply.mailbox;
        if (reply.serverTime.isValid()) {
            const qint64 behind = Clock::currentDateTime().secsTo(reply.serverTime);
            if (behind > ClockToleranceSeconds)
                emit clockBehind(behind);
        }
    }
    if (m_listed.size() + reply.entries.size() > MaxListedMemos) {
        fail(QStringLiteral("状态:服务器列出的备忘超过 %1 条,无法同步").arg(MaxListedMemos));
        return;
    }
    if (m_listed.empty())
        m_listed = std::move(reply.entries);
    else
        m_listed.insert(m_listed.end(), std::make_move_iterator(reply.entries.begin()),
                        std::make_move_iterator(reply.entries.end()));
    if (reply.next != 0) {
        m_listAfter = reply.next;
        requestListPage();
        return;
    }
    compareListed();
}

void SyncSession::compareListed()
{
    // Most rows carry a memo the list names: room for them is made at once.
    SyncKeysRead local = readSyncKeys(m_db, m_run.UserId, m_listed.size());
    StoreRead<std::vector<UnsentRow>> unsent = readUnsentRows(m_db, m_run.UserId);
    if (!local || !unsent) {
        fail(withReason(LocalReadFailedStatus, !local ? local.error : unsent.error));
        return;
    }
    ListInputs inputs;
    inputs.entries = std::exchange(m_listed, {});
    inputs.local = std::move(local.value);
    for (const SyncDeletion& deletion : m_deletions) {
        if (deletion.ServerId > 0)
            inputs.deletedHere.insert(deletion.ServerId, deletion.ServerToken);
    }
    inputs.posted = m_unanswered.postedIds();
    inputs.unknownDeletedAbove = m_unanswered.newPostsAbove();
    // A row whose server id the service lost before may be a memo another computer sent and deleted.
    for (const UnsentRow& row : unsent.value) {
        if (row.base)
            inputs.unknownDeletedAbove = 0;
    }
    m_plan = compareList(inputs);
    if (const StoreResult applied = applyPlan(); !applied) {
        fail(withReason(LocalWriteFailedStatus, applied.error));
        return;
    }
    // What copies no row carries may be: the rows that carry no server id (now), the posts, the
    // memos deleted here (those the comparison just let go included). Only a row that let its server id
    // go joins the rows without one.
    if (!m_plan.forgotten.empty())
        unsent = readUnsentRows(m_db, m_run.UserId);
    StoreRead<std::vector<SyncDeletion>> deletions = readDeletions(m_db, m_run.UserId);
    if (!unsent || !deletions) {
        fail(withReason(LocalReadFailedStatus, !unsent ? unsent.error : deletions.error));
        return;
    }
    m_deletions = std::move(deletions.value);
    m_unmatched = std::move(unsent.value);
    m_stage = Stage::Downloading;
    downloadNext();
}

// Writes what the list alone tells, in one transaction that ends before any signal goes out (a
// listener's write must not join it).
StoreResult SyncSession::applyPlan()
{
    Transaction transaction(m_db);
    int removed = 0;
    if (const StoreResult stored = storeServerTokens(m_db, m_run.UserId, m_plan.tokens); !stored)
        return stored;
    for (const SyncKey& key : m_plan.forgotten) {
        const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, key.id);
        if (!row)
            return row;
        if (!row.value)
            continue;
        // A deletion of a memo the service no longer holds needs no request; what it said is kept, so
        // that a copy another computer sends again goes too.
        StoreResult done =
            key.Del ? rememberGone(*row.value, 0, QString(), 0, {}) : forgetServerId(m_db, m_run.UserId, key);
        if (done && key.Del)
            done = deleteWithoutRequest(m_db, m_run.UserId, key.id);
        if (!done)
            return done;
        removed += key.Del ? done.rowsAffected : 0;
    }
    for (const SyncKey& key : m_plan.sendAgain) {
        if (const StoreResult marked = sendAgain(m_db, m_run.UserId, key); !marked)
            return marked;
    }
    for (const auto& [key, entry] : m_plan.gone) {
        const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, key.id);
        if (!row)
            return row;
        if (!row.value)
            continue;
        StoreResult remembered =
            rememberGone(*row.value, key.serverId,
                         (entry.token.isEmpty() ? key.token : entry.token).toString(), entry.synnum, {});
        if (remembered)
            remembered = deleteRemovedElsewhere(m_db, m_run.UserId, key);
        if (!remembered)
            return remembered;
        removed += remembered.rowsAffected;
        if (remembered.rowsAffected > 0)
            m_deletedElsewhere.insert(key.id, key.serverId);
    }
    StoreResult committed = transaction.commit();
    if (committed)
        m_changed += removed;
    return committed;
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
    m_pendingUrl = m_address.url(
        QStringLiteral("/api/download.asp"),
        {{QStringLiteral("id"), QString::number(m_plan.downloads[m_nextDownload].entry.serverId)},
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
        if (reply.memo->serverId != m_plan.downloads[m_nextDownload].entry.serverId ||
            !ownRecord(reply.memo->memo)) {
            skipDownload(QStringLiteral("服务器发来的不是这条备忘"));
            return;
        }
        {
            // A copy is taken whole or not at all: a row without its server token or digest would
            // meet the next service as a stranger's memo.
            Transaction transaction(m_db);
            StoreResult taken = takeDownload(ServiceCopy::from(reply));
            if (taken)
                taken = transaction.commit();
            if (!announceConflict(taken)) {
                fail(withReason(LocalWriteFailedStatus, taken.error));
                return;
            }
        }
        break;
    case DownloadReply::Kind::Unreadable:
        skipDownload(QStringLiteral("服务器发来的备忘无法读取"));
        return;
    case DownloadReply::Kind::Missing:
        break; // gone since the list was read
    }
    ++m_nextDownload;
    downloadNext();
}

// The memo under way does not come down (its reply is too large, or is no record this computer can
// keep): nothing of it is stored and its row stays as it is, the user is told once a run which memo
// and why, and the pass goes on with the next.
void SyncSession::skipDownload(const QString& reason)
{
    ++m_refused;
    const qint64 serverId = m_plan.downloads[m_nextDownload].entry.serverId;
    if (!m_toldDownloads.contains(serverId)) {
        m_toldDownloads.insert(serverId);
        const OwnMemoRead row = readByServerId(m_db, m_run.UserId, serverId);
        const QString memo = row.value ? QStringLiteral("备忘“%1”").arg(shownInMessage(row.value->title))
                                       : QStringLiteral("服务器上编号为 %1 的备忘").arg(serverId);
        emit downloadSkipped(
            serverId,
            QStringLiteral("%1没有下载(%2)。它暂不同步,其余备忘照常同步,下次同步时再试。").arg(memo, reason));
    }
    ++m_nextDownload;
    downloadNext();
}

StoreResult SyncSession::takeDownload(const ServiceCopy& copy)
{
    const ListPlan::Download& download = m_plan.downloads[m_nextDownload];
    if (download.local)
        return takeKnown(download, copy);
    return takeUnknown(copy);
}

// What this computer knows its row's memo said: as it stands, the copy it was last in step with,
// every copy of the service its memo is known to have held, and its posts.
StoreRead<QSet<QString>> SyncSession::knownDigests(const MemoRecord& row)
{
    StoreRead<QSet<QString>> known = readLineage(m_db, m_run.UserId, row.id);
    const OwnMemoRead base = readSyncBase(m_db, m_run.UserId, row.id);
    if (!known || !base)
        return !known ? StoreResult(known) : StoreResult(base);
    known.value.insert(wireDigest(row));
    if (base.value)
        known.value.insert(wireDigest(*base.value));
    for (const MemoRecord& posted : m_unanswered.postedOf(row.id))
        known.value.insert(wireDigest(posted));
    return known;
}

// The copy of a memo a row carries.
StoreResult SyncSession::takeKnown(const ListPlan::Download& download, const ServiceCopy& copy)
{
    const SyncKey& listed = *download.local;
    const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, listed.id);
    if (!row)
        return row;
    StoreRead<QSet<QString>> said =
        row.value ? knownDigests(*row.value) : StoreRead<QSet<QString>>(StoreResult::success(), {});
    if (!said)
        return said;
    const CarriedCopy carried =
        decideCarried({listed, download.reason == ListPlan::Reason::Confirm, row.value, said.value}, copy);
    switch (carried.step) {
    case CarriedCopy::Step::MovedOn:
        m_plan.held.remove(listed.id);
        return StoreResult::success();
    case CarriedCopy::Step::NotTheRows:
        m_plan.held.remove(listed.id);
        if (const StoreResult forgotten = forgetServerId(m_db, m_run.UserId, keyOf(*row.value)); !forgotten)
            return forgotten;
        return takeUnknown(copy);
    case CarriedCopy::Step::Decide:
        break;
    }
    if (carried.learnToken) {
        if (const StoreResult stored = storeServerToken(m_db, m_run.UserId, listed, copy.token); !stored)
            return stored;
    }
    const OwnMemoRead base =
        row.value->syn ? OwnMemoRead(StoreResult::success()) : readSyncBase(m_db, m_run.UserId, listed.id);
    if (!base)
        return base;
    const KnownRow known{*row.value,
                         base.value,
                         QString(),
                         m_unanswered.ownPostIn(copy, listed.id),
                         listed.digest.toString(),
                         std::move(said.value)};
    if (row.value->syn && !copy.deleted) {
        // A copy the row takes as it is, that another row's memo is known to have held before what that
        // row is in step with: the two rows are one memo (both came back after the service lost it, this
        // one from a computer that had not seen the other's change). Like any copy nobody changed since,
        // it is one too many; the row goes with it at the next pass.
        const CopyDecision decision = decideKnown(known, copy);
        if (decision == CopyDecision::Take || decision == CopyDecision::InStep) {
            const StoreRead<bool> behind = behindAnotherRow(*row.value, copy);
            if (!behind)
                return behind;
            if (behind.value)
                m_retractions.push_back({copy.serverId, copy.memo, std::nullopt});
        }
    }
    return decideFor(known, copy);
}

// Whether another row's memo is known to have held the copy as it stands, and the copy holds nothing of
// the copy that row is in step with (the row changed it since).
StoreRead<bool> SyncSession::behindAnotherRow(const MemoRecord& carrier, const ServiceCopy& copy)
{
    const StoreRead<std::vector<MemoId>> rows = rowsKnowing(m_db, m_run.UserId, copy.digest);
    if (!rows)
        return StoreRead<bool>(rows, false);
    for (const MemoId id : rows.value) {
        if (id == carrier.id)
            continue;
        const OwnMemoRead other = readOwnMemo(m_db, m_run.UserId, id);
        const OwnMemoRead base = readSyncBase(m_db, m_run.UserId, id);
        if (!other || !base)
            return StoreRead<bool>(!other ? StoreResult(other) : StoreResult(base), false);
        if (!other.value || other.value->NotebookServerId == carrier.NotebookServerId)
            continue;
        const QString inStep = inStepDigest(*other.value, base.value);
        // A copy that may have forgotten the copies it held in between is not known to be behind.
        if (!inStep.isEmpty() && !copy.heldAt(inStep) && !copy.mayHaveForgotten())
            return StoreRead<bool>(StoreResult::success(), true);
    }
    return StoreRead<bool>(StoreResult::success(), false);
}

// Carries out what the copy means for a row that carries its server id.
StoreResult SyncSession::decideFor(const KnownRow& known, const ServiceCopy& copy)
{
    const MemoRecord& row = known.row;
    const std::optional<OwnPost>& post = known.post;
    const SyncKey key = keyOf(row);
    const CopyDecision decision = decideKnown(known, copy);
    if (post && decision != CopyDecision::Conflict && decision != CopyDecision::GoesUp)
        m_unanswered.recognised(post->sent.id);
    if (decision != CopyDecision::Conflict)
        m_plan.held.remove(row.id);
    // The row is in step with the copy, unless the two meet in the windows or the row's change goes
    // over a deletion.
    const bool inStep = decision != CopyDecision::Conflict && decision != CopyDecision::GoesUp &&
                        decision != CopyDecision::DeleteRow;
    StoreResult done = StoreResult::success();
    switch (decision) {
    case CopyDecision::Take:
        done = overwriteFromServer(m_db, m_run.UserId, key, copy.memo);
        m_changed += done.rowsAffected;
        break;
    case CopyDecision::InStep:
        if (!row.Del) {
            done = overwriteFromServer(m_db, m_run.UserId, key, copy.memo);
            break;
        }
        [[fallthrough]]; // the deletion goes up over the copy it had seen
    case CopyDecision::KeepChange:
        // A row in step goes up again; the copy it meets is its base either way.
        done = markInStep(m_db, m_run.UserId, key, copy.memo.synnum);
        if (done && row.syn)
            done = sendAgain(m_db, m_run.UserId, key);
        if (done)
            done = storeSyncBase(m_db, m_run.UserId, row.id, copy.memo);
        break;
    case CopyDecision::OwnPost:
        done = takeOwnPost(*post, row.id, copy.serverId, copy.token);
        break;
    default:
        break;
    }
    // Only a copy the row now stands on tells what its memo said before it; one it meets in the
    // windows, or goes over, holds copies the row has not taken.
    if (done && inStep)
        done = storeSyncedCopy(m_db, m_run.UserId, row.id, copy.digest, digestsOf(copy));
    if (!done)
        return done;
    switch (decision) {
    case CopyDecision::Conflict:
        if (!m_conflictSeen) {
            m_conflictSeen = true;
            handOff(copy.serverId, ServerRecordText(copy.memo));
        }
        return StoreResult::success();
    case CopyDecision::DeleteRow:
        return forgetRowDeleted(row, copy);
    default:
        return StoreResult::success();
    }
}

// Another computer deleted the memo after it had this computer's copy: the row goes, and the deletion
// is remembered.
StoreResult SyncSession::forgetRowDeleted(const MemoRecord& row, const ServiceCopy& copy)
{
    StoreResult removed = rememberGone(row, copy.serverId, copy.token, copy.memo.synnum, copy);
    if (removed)
        removed = deleteGoneRow(m_db, m_run.UserId, row.id, row.synnum);
    m_changed += removed.rowsAffected;
    if (removed.rowsAffected > 0)
        m_deletedElsewhere.insert(row.id, copy.serverId);
    return removed;
}

// Remembers a memo of a row that goes: what it said when it went (the service's copy when it is
// given; else the row's copy last in step, for a deleted row's change never reached the service), and
// every copy it was known to have said before, so that a service that loses the deletion gets it again.
StoreResult SyncSession::rememberGone(const MemoRecord& row, qint64 serverId, const QString& token,
                                      int synnum, const std::optional<ServiceCopy>& copy)
{
    const OwnMemoRead base = readSyncBase(m_db, m_run.UserId, row.id);
    const StoreRead<QStringList> lineage = readLineageInOrder(m_db, m_run.UserId, row.id);
    const StoreRead<QSet<QString>> known = knownDigests(row);
    if (!base || !lineage || !known)
        return !base ? StoreResult(base) : !lineage ? StoreResult(lineage) : StoreResult(known);
    SyncDeletion gone;
    gone.ServerId = serverId;
    gone.ServerToken = token;
    gone.Synnum = synnum;
    gone.Digest = copy ? copy->digest : wireDigest(base.value.value_or(row));
    // Oldest first: the memo's lineage, the copies the service names, then what this computer has of
    // it besides (the row, its copy last in step, its posts).
    gone.Lineage = lineage.value;
    if (copy) {
        for (const CopyVersion& version : copy->versions)
            gone.Lineage << version.digest;
    }
    QStringList besides(known.value.begin(), known.value.end());
    besides.sort();
    gone.Lineage << besides;
    gone.Lineage.removeDuplicates();
    gone.DeletedAt = Clock::currentDateTime();
    return rememberDeletion(m_db, m_run.UserId, gone);
}

// Built once a copy no row carries comes down: a pass where every listed memo has its row does
// without it. The posts and deletions are those of the comparison still (the downloads forget none).
const CopyMatcher& SyncSession::matcher()
{
    if (m_unmatched) {
        for (const UnsentRow& row : *m_unmatched) {
            m_matcher.addRow(row.row.id, row.row);
            if (row.base)
                m_matcher.addRow(row.row.id, *row.base);
        }
        for (const auto& [sent, posted] : m_unanswered.posts())
            m_matcher.addPost(sent, posted);
        for (const SyncDeletion& deletion : m_deletions)
            m_matcher.addDeletion(deletion);
        m_unmatched.reset();
    }
    return m_matcher;
}

// A copy no row carries.
StoreResult SyncSession::takeUnknown(const ServiceCopy& copy)
{
    // The rows whose memo is known to have held one of its copies.
    QHash<QString, MemoId> knownBy;
    for (const CopyVersion& version : copy.versions) {
        const StoreRead<std::vector<MemoId>> rows = rowsKnowing(m_db, m_run.UserId, version.digest);
        if (!rows)
            return rows;
        if (!rows.value.empty())
            knownBy.insert(version.digest, rows.value.front());
    }
    const UnknownCopy what = decideUnknown(matcher().match(copy), knownBy, copy);
    switch (what.action) {
    case UnknownCopy::Action::Candidate:
        m_candidates[what.match.row].push_back({copy, what.match});
        return StoreResult::success();
    case UnknownCopy::Action::Retract:
        m_retractions.push_back({copy.serverId, copy.memo, std::nullopt});
        return StoreResult::success();
    case UnknownCopy::Action::Nothing:
        return StoreResult::success();
    case UnknownCopy::Action::Insert:
        break;
    }
    if (what.forget) {
        if (const StoreResult forgotten = forgetDeletion(m_db, m_run.UserId, what.forget->id); !forgotten)
            return forgotten;
    }
    return insertCopy(copy);
}

// A memo of the service that is new here.
StoreResult SyncSession::insertCopy(const ServiceCopy& copy)
{
    StoreResult stored = insertFromServer(m_db, m_run.UserId, copy.serverId, copy.token, copy.memo);
    if (stored && stored.rowsAffected > 0) {
        const StoreResult known =
            storeSyncedCopy(m_db, m_run.UserId, stored.insertId, copy.digest, digestsOf(copy));
        if (!known)
            return known;
    }
    m_changed += stored.rowsAffected;
    return stored;
}

// The service's copy is the post `own` of the row localId: the row is that memo, in step at the
// copy's counter, and anything changed here since the post still goes up.
StoreResult SyncSession::takeOwnPost(const OwnPost& own, MemoId localId, qint64 serverId,
                                     const QString& token)
{
    StoreResult known = acknowledgeUpload(m_db, m_run.UserId, localId, serverId, own.sent.ReadSynnum,
                                          own.heldAt, own.sent.Del, own.posted, wireDigest(own.posted));
    if (known && !token.isEmpty()) {
        SyncKey key;
        key.id = localId;
        key.serverId = serverId;
        known = storeServerToken(m_db, m_run.UserId, key, token);
    }
    if (known)
        m_unanswered.recognised(own.sent.id);
    return known;
}

// The row is the memo of the copy: last in step with it at the copy that said what the row did, and
// what the copy holds now meets the row as for any row that carries its server id.
StoreResult SyncSession::adopt(const MemoRecord& was, const RowCandidate& adopted)
{
    const MemoId rowId = was.id;
    StoreResult taken = takeServerId(m_db, m_run.UserId, rowId, std::max<qint64>(was.NotebookServerId, 0),
                                     adopted.copy.serverId, adopted.copy.token, adopted.match.heldAt);
    std::optional<MemoRecord> base;
    if (taken && adopted.match.contentKnown) {
        base = adopted.match.content;
        base->synnum = adopted.match.heldAt;
        taken = storeSyncBase(m_db, m_run.UserId, rowId, *base);
    } else if (taken) {
        // Only the digest of the copy they share is known: the row's own copy is no base for it.
        taken = forgetSyncBase(m_db, m_run.UserId, rowId);
    }
    if (taken)
        taken = storeSyncedCopy(m_db, m_run.UserId, rowId, adopted.match.digest,
                                digestsOf(adopted.copy, adopted.match.digest));
    if (!taken || adopted.copy.deleted)
        return taken; // a deleted copy: the row's change brings the memo back
    const OwnMemoRead now = readOwnMemo(m_db, m_run.UserId, rowId);
    if (!now || !now.value)
        return now;
    std::optional<OwnPost> post;
    if (adopted.match.sent)
        post = OwnPost{*adopted.match.sent, adopted.match.content, adopted.match.heldAt};
    m_plan.held.insert(rowId); // until it is decided
    const QString baseDigest = adopted.match.contentKnown ? QString() : adopted.match.digest;
    return decideFor({*now.value, base, baseDigest, post, QString(), {}}, adopted.copy);
}

// The copies that came down for each row of this computer under server ids no row carries.
StoreResult SyncSession::resolveCandidates()
{
    for (auto& [rowId, candidates] : m_candidates) {
        const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, rowId);
        if (!row)
            return row;
        for (const RowCandidate& candidate : candidates) {
            if (candidate.match.sent)
                m_unanswered.recognised(candidate.match.sent->id);
        }
        if (const auto gone = m_deletedElsewhere.constFind(rowId);
            !row.value && gone != m_deletedElsewhere.constEnd()) {
            // Another computer deleted the row's memo: a copy of it that says what the memo said then,
            // or before, goes too (it arrived late, after the deleted one); one changed since is someone's
            // memo and stays. So does one the service took before the deleted copy: that copy was the one
            // too many of it, and the memo lives on in it.
            for (const RowCandidate& candidate : candidates) {
                if (candidate.copy.deleted)
                    continue;
                if (candidate.copy.serverId > *gone && matcher().deletedAs(candidate.copy)) {
                    m_retractions.push_back({candidate.copy.serverId, candidate.copy.memo, std::nullopt});
                } else if (const StoreResult stored = insertCopy(candidate.copy); !stored) {
                    return stored;
                }
            }
            continue;
        }
        RowView view;
        view.row = row.value;
        std::optional<MemoRecord> base;
        std::optional<HeldId> held;
        if (row.value) {
            StoreRead<QSet<QString>> known = knownDigests(*row.value);
            const OwnMemoRead kept = readSyncBase(m_db, m_run.UserId, rowId);
            if (!known || !kept)
                return !known ? StoreResult(known) : StoreResult(kept);
            view.known = std::move(known.value);
            base = kept.value;
            view.inStep = inStepDigest(*row.value, base);
            const qint64 carried = row.value->NotebookServerId;
            if (carried > 0) {
                const bool live = m_plan.isLive(carried);
                held = HeldId{carried, live && row.value->syn && !m_plan.held.contains(rowId),
                              !live && !row.value->Del && !row.value->syn};
            }
        }
        const RowCopies plan = resolveCopies(view, held, candidates);
        for (const RowCandidate& extra : plan.retract) {
            m_retractions.push_back(
                {extra.copy.serverId, extra.copy.memo,
                 extra.match.sent ? std::optional<qint64>(extra.match.sent->id) : std::nullopt});
            // A post of the row's the service holds once too often: known as the row's memo should its
            // deletion not go through in this pass, once the post itself is forgotten.
            if (extra.match.sent && row.value) {
                if (const StoreResult known = rememberLineage(m_db, m_run.UserId, rowId, {extra.copy.digest});
                    !known)
                    return known;
            }
        }
        for (const RowCandidate& own : plan.keep) {
            if (const StoreResult stored = insertCopy(own.copy); !stored)
                return stored;
        }
        if (plan.deleteRow) {
            if (const StoreResult removed = forgetRowDeleted(*row.value, candidates.front().copy); !removed)
                return removed;
            continue;
        }
        if (!plan.adopt)
            continue;
        if (plan.retractHeld) {
            MemoRecord carried = base.value_or(*row.value);
            carried.synnum = row.value->SyncedSynnum;
            m_retractions.push_back({row.value->NotebookServerId, carried, std::nullopt});
        }
        if (const StoreResult adopted = adopt(*row.value, *plan.adopt); !adopted)
            return adopted;
    }
    m_candidates.clear();
    return StoreResult::success();
}

void SyncSession::afterDownloads()
{
    {
        Transaction transaction(m_db);
        StoreResult resolved = resolveCandidates();
        if (resolved)
            resolved = transaction.commit();
        if (!announceConflict(resolved)) {
            fail(withReason(LocalWriteFailedStatus, resolved.error));
            return;
        }
    }
    m_unmatched.reset();
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
    // One account whatever the letter case of its name's ASCII letters (another computer may have signed
    // in to it typed otherwise); any other difference is another account's memo, never taken. A row keeps
    // its own owner's spelling.
    return foldedAccountName(server.userid) == foldedAccountName(m_run.UserId);
}

void SyncSession::handOff(qint64 serverId, const QString& serverRecord)
{
    // While the windows are open they keep the memo they show.
    if (m_conflictOpen || m_run.Exiting)
        return;
    m_conflictServerId = serverId;
    m_conflictData = conflictDataText(serverRecord, serverId);
    m_conflictOpen = true;
    m_conflictToAnnounce = true;
}

// The windows open once what the pass wrote with the conflict is stored; else the conflict is met
// again at the next pass.
bool SyncSession::announceConflict(const StoreResult& stored)
{
    if (!std::exchange(m_conflictToAnnounce, false))
        return bool(stored);
    if (!stored) {
        m_conflictOpen = false;
        return false;
    }
    emit conflictFound();
    return true;
}

// ---------------------------------------------------------------------------------------------
// The upload pass

void SyncSession::post(const MemoRecord& memo, const QString& token)
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
    // The memo's token goes with a post that names its server id: the service takes the post for no
    // memo it gave that id to since (a request that arrives late, after it started over).
    m_pendingBody = SynPostBody(memo);
    if (!token.isEmpty() && token != UnconfirmedToken)
        m_pendingBody += QStringLiteral("&token=") + URLEncode(token);
    send();
}

// A copy that is to go is deleted on the service: a deletion one above its counter, as any computer
// that had it in step would send.
void SyncSession::retractNext()
{
    while (m_nextRetraction < m_retractions.size()) {
        const Retraction& retraction = m_retractions[m_nextRetraction];
        MemoRecord memo = retraction.copy;
        memo.id = 0;
        memo.NotebookServerId = retraction.serverId;
        memo.synnum = counterAbove(memo.synnum);
        memo.Del = true;
        if (SynPostBody(memo).size() > MaxUploadBytes) {
            ++m_nextRetraction; // too large to send: the copy stays
            continue;
        }
        m_retracting = true;
        post(memo);
        return;
    }
    // Every copy of the service's list is accounted for: posts answered or recognised before it was
    // read can be let go, and those nobody recognised for long.
    StoreResult settled = m_unanswered.settle();
    if (settled)
        settled =
            forgetDeletionsBefore(m_db, m_run.UserId, Clock::currentDateTime().addDays(-DeletionsKeptDays));
    if (!settled) {
        fail(withReason(LocalWriteFailedStatus, settled.error));
        return;
    }
    startUploads();
}

void SyncSession::onRetracted(const SynReply& reply)
{
    const Retraction& retraction = m_retractions[m_nextRetraction];
    // Gone; or changed meanwhile by another computer, which makes it someone's memo that comes down at
    // the next pass like any other. Any other answer leaves it for the next pass.
    const bool retracted = reply.kind == SynReply::Kind::Deleted && reply.serverId == retraction.serverId;
    if (retracted && retraction.entry) {
        if (const StoreResult forgotten = m_unanswered.forget(*retraction.entry); !forgotten) {
            fail(withReason(LocalWriteFailedStatus, forgotten.error));
            return;
        }
    }
    ++m_nextRetraction;
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
    std::vector<MemoId> last; // rows that had to wait earlier in this run go after the others
    for (const MemoId id : waiting.value) {
        if (!m_plan.held.contains(id))
            (m_heldBack.contains(id) ? last : m_uploads).push_back(id);
    }
    m_uploads.insert(m_uploads.end(), last.begin(), last.end());
    m_nextUpload = 0;
    m_sentCount = 0;
    uploadNext();
}

// The user is told once a run for each version of a memo that waits.
void SyncSession::holdBack(const MemoRecord& memo, const QString& message)
{
    ++m_untravelled;
    m_heldBack.insert(memo.id);
    if (!m_told.contains({memo.id, memo.synnum})) {
        m_told.insert({memo.id, memo.synnum});
        emit memoHeldBack(memo.id, message);
    }
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
    holdBack(memo, untravellableUploadMessage(memo.title, part));
    return false;
}

// The upload under way was refused (an answer that is none, a status that is not success): the memo
// waits and the next goes up. A second refusal in a row is the service failing: the pass stops.
bool SyncSession::heldBackOnce(const QString& reason)
{
    const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, m_sent.id);
    const bool again = m_lastHeldBack;
    m_lastHeldBack = true;
    if (row.value)
        holdBack(*row.value, refusedUploadMessage(row.value->title, reason));
    return !again;
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
        m_sent = {memo.id, memo.synnum, memo.synnum, memo.Del, 0, {}, false};
        if (memo.Del && memo.NotebookServerId > 0) {
            // A deletion names the copy it deletes: the one the row was last in step with, so that the
            // service takes it for no other (a newer copy, or another memo given the server id again).
            const OwnMemoRead base = readSyncBase(m_db, m_run.UserId, memo.id);
            if (!base) {
                fail(withReason(LocalReadFailedStatus, base.error));
                return;
            }
            if (base.value) {
                const MemoRecord deleted = memo;
                memo = *base.value;
                memo.id = deleted.id;
                memo.userid = deleted.userid;
                memo.NotebookServerId = deleted.NotebookServerId;
                memo.SyncedSynnum = deleted.SyncedSynnum;
                memo.Del = true;
            }
        }
        if (memo.NotebookServerId <= 0 && !memo.Del && !m_sentAgain.contains(memo.id)) {
            // A row whose server id the service lost, with a change: the copy it was last in step with
            // goes up first, so that other computers that hold it know it; the change follows.
            const OwnMemoRead base = readSyncBase(m_db, m_run.UserId, memo.id);
            if (!base) {
                fail(withReason(LocalReadFailedStatus, base.error));
                return;
            }
            if (base.value && !sameOnTheWire(*base.value, memo)) {
                const int synnum = std::max(base.value->synnum, 1);
                memo = *base.value;
                memo.id = id;
                memo.synnum = synnum;
                memo.NotebookServerId = 0;
                m_sent = {id, -1, synnum, false, 0, {}, false};
                m_sentAgain.insert(id);
                m_uploads.push_back(id);
            }
        }
        if (m_plan.sharedIds.contains(memo.NotebookServerId)) {
            // Another row carries the same server id: this copy goes up as a memo of its own.
            memo.NotebookServerId = 0;
        } else if (memo.NotebookServerId > 0) {
            // One above the counter both sides last had: the service takes it only while it still
            // has that counter, so a change made there meanwhile is never overwritten.
            m_sent.postedSynnum = counterAbove(memo.SyncedSynnum);
        }
        memo.synnum = m_sent.postedSynnum;
        const StoreRead<QString> token = memo.NotebookServerId > 0
                                             ? readServerToken(m_db, m_run.UserId, memo.id)
                                             : StoreRead<QString>(StoreResult::success(), QString());
        if (!token) {
            fail(withReason(LocalReadFailedStatus, token.error));
            return;
        }
        if (const qint64 bytes = SynPostBody(memo).size(); bytes > MaxUploadBytes) {
            holdBack(*row.value, tooLargeUploadMessage(row.value->title, bytes));
            continue;
        }
        emit statusText(QStringLiteral("传输%1:%2").arg(memo.id).arg(memo.title));
        // Remembered before it goes out: should its answer be lost, the next pass still knows the
        // service's copy of it.
        const StoreResult remembered = m_unanswered.remember(memo, m_sent.readSynnum, m_plan.highestListed);
        if (!remembered) {
            fail(withReason(LocalWriteFailedStatus, remembered.error));
            return;
        }
        m_sent.entry = remembered.insertId;
        m_sent.posted = memo;
        ++m_sentCount;
        m_retracting = false;
        post(memo, token.value);
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
    const auto refused = [this](const QString& reason) {
        if (heldBackOnce(reason))
            uploadNext();
        else
            fail(ServiceFailedStatus);
    };
    switch (reply.kind) {
    case SynReply::Kind::Stored: {
        const StoreRead<qint64> held = serverIdHeldElsewhere(m_db, m_run.UserId, reply.serverId, m_sent.id);
        if (!held.ok) {
            fail(withReason(LocalReadFailedStatus, held.error));
            return;
        }
        switch (decideStored(
            {reply.localId == m_sent.id && !m_sent.Del, held.value > 0, m_plan.isLive(reply.serverId)})) {
        case StoredStep::NotThePost:
            refused(QStringLiteral("服务器的应答与上传的备忘不符"));
            return;
        case StoredStep::IdLive:
            refused(QStringLiteral("服务器给出的编号已属于另一条备忘"));
            return;
        case StoredStep::IdGiven: {
            const OwnMemoRead other = readByServerId(m_db, m_run.UserId, reply.serverId);
            const StoreResult forgotten =
                other.value ? forgetServerId(m_db, m_run.UserId, keyOf(*other.value)) : StoreResult(other);
            if (!forgotten) {
                fail(withReason(LocalWriteFailedStatus, forgotten.error));
                return;
            }
            break;
        }
        case StoredStep::Stored:
            break;
        }
        // "Done" is said once, when the whole pass has run.
        if (!writeAnswer(reply.serverId, false))
            return;
        break;
    }
    case SynReply::Kind::Conflict: {
        const std::optional<MemoRecord> server = parseServerRecord(reply.serverRecord);
        if (!server || !ownRecord(*server) || !storableRecord(*server)) {
            refused(QStringLiteral("服务器中该备忘的副本无法读取"));
            return;
        }
        ServiceCopy copy;
        copy.serverId = reply.serverId;
        copy.memo = *server;
        copy.digest = wireDigest(*server);
        copy.versions = {{server->synnum, copy.digest}};
        const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, m_sent.id);
        const OwnMemoRead base = readSyncBase(m_db, m_run.UserId, m_sent.id);
        if (!row || !base) {
            fail(withReason(LocalReadFailedStatus, !row ? row.error : base.error));
            return;
        }
        const std::optional<OwnPost> own = m_unanswered.ownPostIn(copy, m_sent.id);
        const AnswerStep step = decideAnswer({row.value, base.value, own}, copy);
        Transaction transaction(m_db);
        StoreResult written = m_unanswered.answered(m_sent.entry);
        if (written && step == AnswerStep::OwnPost) {
            written = takeOwnPost(*own, m_sent.id, reply.serverId, QString());
        } else if (written && (step == AnswerStep::Take || step == AnswerStep::OnBase)) {
            const SyncKey key = keyOf(*row.value);
            if (step == AnswerStep::Take) {
                written = overwriteFromServer(m_db, m_run.UserId, key, *server);
                m_changed += written.rowsAffected;
            } else {
                written = storeSyncBase(m_db, m_run.UserId, m_sent.id, *server);
                if (written)
                    written = markInStep(m_db, m_run.UserId, key, server->synnum);
            }
            if (written)
                written = storeSyncedCopy(m_db, m_run.UserId, m_sent.id, copy.digest, {copy.digest});
        }
        if (written)
            written = transaction.commit();
        if (!written) {
            fail(withReason(LocalWriteFailedStatus, written.error));
            return;
        }
        switch (step) {
        case AnswerStep::Refused:
            refused(QStringLiteral("服务器的应答与上传的备忘不符"));
            return;
        case AnswerStep::OwnPost:
        case AnswerStep::OnBase:
            if (!m_sentAgain.contains(m_sent.id)) {
                m_sentAgain.insert(m_sent.id);
                m_uploads.push_back(m_sent.id);
            }
            break;
        case AnswerStep::Conflict:
            handOff(reply.serverId, reply.serverRecord);
            announceConflict(StoreResult::success());
            emit statusText(ConflictStatus);
            // The pass does not end "done" while a memo waits in the conflict windows.
            m_finishText = ConflictStatus;
            break;
        case AnswerStep::RowGone:
        case AnswerStep::Take:
            break;
        }
        break;
    }
    case SynReply::Kind::Deleted:
        // Only a deletion that was sent is confirmed; anything else is no answer to this upload.
        if (!m_sent.Del) {
            refused(QStringLiteral("服务器的应答与上传的备忘不符"));
            return;
        }
        if (!writeAnswer(reply.serverId, true))
            return;
        emit statusText(DeletedStatus);
        break;
    case SynReply::Kind::Unknown:
        refused(QStringLiteral("服务器的应答无法识别"));
        return;
    }
    m_lastHeldBack = false;
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
        StoreResult written;
        if (answer.deleted) {
            // What the memo said when it went is kept, for a service that loses the deletion.
            const OwnMemoRead row = readOwnMemo(m_db, m_run.UserId, sent.id);
            written = row;
            if (written && row.value && answer.serverId > 0)
                written = rememberGone(*row.value, answer.serverId, QString(), sent.postedSynnum, {});
            if (written)
                written = deleteConfirmed(m_db, m_run.UserId, sent.id, answer.serverId);
        } else {
            // The copy the service has now is the one posted: the row's copy last in step, should the
            // row have changed since.
            written = acknowledgeUpload(m_db, m_run.UserId, sent.id, answer.serverId, sent.readSynnum,
                                        sent.postedSynnum, sent.Del, sent.posted, wireDigest(sent.posted));
        }
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
    m_listed.clear();
    m_listed.shrink_to_fit();
    m_candidates.clear();
    m_retractions.clear();
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
    // Closed without a choice: the memo meets the service's copy again at the next pass.
    if (std::exchange(m_conflictOpen, false) && m_stage == Stage::Idle)
        emit statusText(ConflictWaitsStatus);
}

void SyncSession::conflictSettled(bool serverCopyKept)
{
    m_conflictOpen = false;
    if (serverCopyKept)
        m_syncStarted = false;
    // The copy the row is now in step with is the service's the windows showed: a computer that sends
    // that copy again is then no conflict for the kept change.
    if (const std::optional<ConflictRecord> server = parseConflictData(m_conflictData)) {
        const OwnMemoRead row = readByServerId(m_db, m_run.UserId, server->serverId);
        if (row.value && !row.value->syn && row.value->SyncedSynnum == server->memo.synnum) {
            storeSyncBase(m_db, m_run.UserId, row.value->id, server->memo);
            const QString digest = wireDigest(server->memo);
            storeSyncedCopy(m_db, m_run.UserId, row.value->id, digest, {digest});
        }
    }
}

} // namespace velmo
