#pragma once

// The synchronisation of one signed-in user's memos with the web service: the sync pass (sign-in
// with the server's list, downloads, conflict hand-off, then the upload pass), the upload pass
// (one POST at a time), the handler of the service's replies, the countdown of the delayed upload
// and the run's synchronisation flags. It talks to its window only through signals.
//
//   velmo::SyncSession sync(db, runState, channel);
//   sync.setServiceAddress(address);
//   connect(&sync, &velmo::SyncSession::statusText, ...);      // panel 1 of the status bar
//   sync.SyncData();                                           // scheduler's tick 10, Command1
//   const auto step = sync.Timer3Tick();                       // each second while Timer3 runs
//
// Nothing blocks: every request is asynchronous on the shared channel, and a request waits while
// another user of the channel has it. A pass never runs twice at once; an upload asked for while
// one runs runs once more afterwards.
//
// Every post is remembered before it goes out and forgotten when its answer is written
// (UnansweredUploads), and every answer is written before the next request goes out: after an
// answer lost on the way, or a program killed in the middle of a pass, the next pass recognises the
// service's copy of the post as this computer's own (whatever another computer did to it since), so
// nothing comes down or goes up twice and a change or deletion made meanwhile still goes up. A memo
// changed here and on the service since the two were last in step (see store/SyncRows.h) never goes
// up unseen: it goes to the conflict windows, and a deletion made without having seen the service's
// newer copy is dropped, the newer copy coming back. A service that lost memos (started over, put
// back from a backup, another address) gets them again, once, and a deletion it lost goes up again
// (ListComparison, CopyDecision). A memo whose text cannot travel (store/WireText.h), that is too
// large, or that the service refuses, waits and the user is told once a run; the others go up.
// The service's list is read in pages, each checked, and compared only once it is whole; a service
// whose list names no tokens and digests is not synchronised with at all (the user is told once a
// run), for without them this computer's copies cannot be told from another's.

#include "platform/ServiceAddress.h"
#include "platform/ServiceChannel.h"
#include "store/Memo.h"
#include "store/SyncDeletions.h"
#include "store/SyncRows.h"
#include "sync/CopyDecision.h"
#include "sync/ListComparison.h"
#include "sync/UnansweredUploads.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace velmo {

class Database;
struct ConflictRecord;
struct RunState;

class SyncSession : public QObject
{
    Q_OBJECT

public:
    // A local clock further behind the server's than this is reported.
    static constexpr qint64 ClockToleranceSeconds = 300;
    // How long a quit waits for the answer to an upload under way.
    static constexpr int QuitWaitMs = 3000;
    // How long a deletion is remembered for a service that loses it (put back from a backup).
    static constexpr int DeletionsKeptDays = 365;
    // The most memos the service's list may name; a longer list is refused.
    static constexpr size_t MaxListedMemos = 2'000'000;

    SyncSession(Database& db, RunState& run, ServiceChannel& channel, QObject* parent = nullptr);
    ~SyncSession() override;

    void setServiceAddress(const ServiceAddress& address) { m_address = address; }

    // The sync pass: sign-in with the service's list, the comparison, downloads, then the uploads.
    // Ignored while one runs; asked for during an upload pass, it follows it.
    void SyncData();
    // The upload of every memo of the user waiting for one. It compares with the service's list
    // first, like the sync pass, so that nothing changed on the service is overwritten unseen.
    void UploadData();

    // What one second of the delayed upload's countdown does: the status text to show (empty: none),
    // whether the sync button shows, and whether the timer stops. The fifth tick starts the upload.
    struct CountdownStep
    {
        QString status;
        bool showButton = false;
        bool stop = false;
    };
    CountdownStep Timer3Tick();

    // Run flags. SyncStarted: a sync pass was started in this run (the delayed upload waits for one).
    // ConflictOpen: the conflict windows are open; no other conflict opens them meanwhile.
    bool SyncStarted() const { return m_syncStarted; }
    void setSyncStarted(bool started) { m_syncStarted = started; }
    bool ConflictOpen() const { return m_conflictOpen; }
    bool lastTransferFailed() const { return m_lastTransferFailed; }

    // The conflict hand-off: the server id of the memo in conflict and the server's copy
    // (conflictDataText layout).
    qint64 ConflictServerId() const { return m_conflictServerId; }
    const QString& ConflictData() const { return m_conflictData; }

    // The conflict windows are gone, however they closed; closed without a choice, the status says that
    // the memo waits for the next pass.
    void conflictWindowsClosed();
    // A conflict was settled by keeping one copy in a local row, which goes up like any change: one
    // above the counter of the service's copy the windows showed, so that a change the service took
    // meanwhile opens the windows again instead of being overwritten. Keeping the server's copy also
    // clears SyncStarted, so that the next sync pass starts over.
    void conflictSettled(bool serverCopyKept);

    // The program quits (Exiting is set): the answer to an upload under way is waited for, at most
    // QuitWaitMs, and written down with any answer still waiting; then done runs, once. Nothing
    // else is sent.
    void finishBeforeQuit(std::function<void()> done);

    // The channel's state numbers during a request of this session: progress words behind the
    // window's caption, and the failure texts.
    void Inet1_StateChanged(int state);

signals:
    // Panel 1 of the status bar.
    void statusText(const QString& text);
    // Words behind the window's caption; empty puts the caption back.
    void captionSuffix(const QString& words);
    // Memos were added or changed by the pass: the views must be read again.
    void memosChanged();
    // A conflict was handed off and the windows are to open (ConflictOpen is already set).
    void conflictFound();
    // The local clock is this many seconds behind the server's.
    void clockBehind(qint64 seconds);
    // An action sound ("down.wav" after an upload pass).
    void soundRequested(const QString& fileName);
    // A pass has ended, however.
    void passFinished();
    // A memo waits instead of going up: its text cannot travel, it is too large, or the service refused
    // it; message says which memo and why. Said once a run for each version of the memo.
    void memoHeldBack(MemoId id, const QString& message);
    // A memo of the service did not come down: its reply was too large, or no record this computer can
    // keep; message says which memo and why. Said once a run for each memo.
    void downloadSkipped(qint64 serverId, const QString& message);
    // The service does not name the tokens and digests this program synchronises by: nothing was
    // synchronised, and message tells the user why. Said once a run.
    void serviceUnsupported(const QString& message);

private:
    enum class Stage
    {
        Idle,
        SigningIn,
        Downloading,
        Uploading,
    };
    enum class Request
    {
        None,
        IdList,
        Download,
        Upload,
    };

    void startPass(bool announce);
    void post(const MemoRecord& memo, const QString& token = QString());
    void send();
    // A request of ours was sent and is not answered yet.
    bool requestOnWire() const { return m_onWire != nullptr; }
    void onFinished(const ServiceReply& reply);
    void requestListPage();
    void onIdList(const QString& text);
    void compareListed();
    StoreResult applyPlan();
    void onDownload(const QString& text);
    void skipDownload(const QString& reason);
    void onSynReply(const QString& text);
    StoreResult takeDownload(const ServiceCopy& copy);
    StoreResult takeKnown(const ListPlan::Download& download, const ServiceCopy& copy);
    StoreRead<QSet<QString>> knownDigests(const MemoRecord& row);
    StoreRead<bool> behindAnotherRow(const MemoRecord& carrier, const ServiceCopy& copy);
    StoreResult insertCopy(const ServiceCopy& copy);
    StoreResult decideFor(const KnownRow& known, const ServiceCopy& copy);
    const CopyMatcher& matcher();
    StoreResult takeUnknown(const ServiceCopy& copy);
    StoreResult takeOwnPost(const OwnPost& own, MemoId localId, qint64 serverId, const QString& token);
    StoreResult resolveCandidates();
    StoreResult adopt(const MemoRecord& was, const RowCandidate& adopted);
    StoreResult forgetRowDeleted(const MemoRecord& row, const ServiceCopy& copy);
    StoreResult rememberGone(const MemoRecord& row, qint64 serverId, const QString& token, int synnum,
                             const std::optional<ServiceCopy>& copy);
    void downloadNext();
    void afterDownloads();
    void retractNext();
    void onRetracted(const SynReply& reply);
    void startUploads();
    void uploadNext();
    bool travels(const MemoRecord& memo);
    void holdBack(const MemoRecord& memo, const QString& message);
    bool heldBackOnce(const QString& reason);
    void handOff(qint64 serverId, const QString& serverRecord);
    bool announceConflict(const StoreResult& stored);
    bool ownRecord(const MemoRecord& server) const;
    bool writeAnswer(qint64 serverId, bool deleted);
    StoreResult writeAnswers();
    QString doneText() const;
    void fail(const QString& status);
    void finish(bool completed = true);
    QList<std::pair<QString, QString>> signedAccountQuery() const;

    Database& m_db;
    RunState& m_run;
    ServiceChannel& m_channel;
    ServiceAddress m_address;
    QTimer m_retry;
    QTimer m_quitWait;
    std::function<void()> m_quitDone;

    Stage m_stage = Stage::Idle;
    Request m_request = Request::None; // the request of ours, sent or waiting for the channel
    QPointer<ServiceRequest> m_onWire; // its handle once sent, until its reply
    QUrl m_pendingUrl;
    QString m_pendingBody;
    bool m_pendingPost = false;

    bool m_syncStarted = false;
    bool m_conflictOpen = false;
    bool m_conflictToAnnounce = false; // found, the windows not yet asked for
    bool m_lastTransferFailed = false;
    qint64 m_conflictServerId = 0;
    QString m_conflictData;

    // The service's list as read so far, and the server id its next page starts after.
    std::vector<ServerEntry> m_listed;
    qint64 m_listAfter = 0;
    bool m_unsupportedTold = false; // the user heard in this run that the service is not one for us
    // The comparison of the pass under way: what each listed memo asks of this computer.
    ListPlan m_plan;
    size_t m_nextDownload = 0;
    int m_changed = 0;
    int m_refused = 0;     // records of the service this pass could not keep
    int m_untravelled = 0; // rows this pass could not send
    bool m_conflictSeen = false;
    bool m_failed = false;
    UnansweredUploads m_unanswered;
    std::vector<SyncDeletion> m_deletions; // memos this computer saw deleted
    // What copies no row carries may be of this computer's: built from the rows without a server id
    // read after the comparison, the posts and the deletions when the first such copy comes down.
    CopyMatcher m_matcher;
    std::optional<std::vector<UnsentRow>> m_unmatched; // the rows, until the matcher is built
    // Copies of a memo of this computer's under server ids no row carries, by the row (it may be gone).
    std::map<MemoId, std::vector<RowCandidate>> m_candidates;
    // Rows this pass removed for another computer's deletion, with the server id of the copy deleted.
    QHash<MemoId, qint64> m_deletedElsewhere;
    // Copies the service holds that are to go: ones too many, or memos deleted here that it lost.
    struct Retraction
    {
        qint64 serverId = 0;
        MemoRecord copy;             // what the service holds
        std::optional<qint64> entry; // the post it came from, forgotten when it is gone
    };
    std::vector<Retraction> m_retractions;
    size_t m_nextRetraction = 0;
    QSet<QPair<MemoId, int>> m_told; // memos (and their counters) said to wait in this run
    QSet<MemoId> m_heldBack;         // rows that waited in this run: they go up after the others
    QSet<qint64> m_toldDownloads;    // server ids of memos said not to come down in this run

    // The upload pass under way.
    std::vector<MemoId> m_uploads;
    size_t m_nextUpload = 0;
    int m_sentCount = 0;
    struct Sent
    {
        qint64 id = 0;
        int readSynnum = 0;   // the row's counter when it was read for the upload (-1: its copy last
                              // in step went up, not the row)
        int postedSynnum = 0; // the counter the copy carries on the service once taken
        bool Del = false;
        qint64 entry = 0;   // its UnansweredUploads entry
        MemoRecord posted;  // as it went
        bool again = false; // a row in step whose copy the service lost
    } m_sent;
    QSet<MemoId> m_sentAgain;    // rows queued a second time in this pass
    bool m_retracting = false;   // the post under way deletes a copy (m_retractions)
    bool m_lastHeldBack = false; // the upload before this one was refused
    // Answers of the service whose write failed; written before anything else is asked.
    struct Answer
    {
        Sent sent;
        qint64 serverId = 0;
        bool deleted = false; // "#delo#"; otherwise "#adok#|ok"
    };
    std::vector<Answer> m_answers;
    QString m_finishText;
    bool m_announce = false; // the sync pass tells its stages; the delayed upload only its end
    bool m_uploadAgain = false;
    bool m_syncAfter = false;

    int m_timer3Tag = 0;
};

} // namespace velmo
