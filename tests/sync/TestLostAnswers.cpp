#include "SyncRig.h"
#include "TestMain.h"
#include "store/WireText.h"
#include "sync/UnansweredUploads.h"

#include <QPushButton>

using namespace velmo;
using namespace velmo::test;

class TestLostAnswers : public QObject
{
    Q_OBJECT

private slots:
    void answerUndoneStaysUnanswered_data()
    {
        QTest::addColumn<bool>("committed");
        QTest::newRow("answer written") << true;
        QTest::newRow("answer undone") << false;
    }

    // The answer to a post of a new memo is written in one transaction with the rest of it: undone, the
    // post is unanswered again at the next reading, and its copy on the service is still looked for.
    void answerUndoneStaysUnanswered()
    {
        QFETCH(bool, committed);
        TestStore store;
        UnansweredUploads posts(store.db(), store.runState());
        QVERIFY(posts.load().ok);
        MemoRecord memo = store.sampleMemo(QStringLiteral("new"));
        memo.id = store.addMemo(memo);
        const StoreResult remembered = posts.remember(memo, memo.synnum, 41);
        QVERIFY(remembered.ok);
        {
            Transaction transaction(store.db());
            QVERIFY(posts.answered(remembered.insertId).ok);
            if (committed)
                QVERIFY(transaction.commit().ok);
        }
        QVERIFY(posts.load().ok);
        QCOMPARE(posts.newPostsAbove(), committed ? std::nullopt : std::optional<qint64>(41));
    }

    void ownPostRecognised_data()
    {
        QTest::addColumn<int>("change"); // made on A after the lost answer; -1: none
        QTest::newRow("unchanged") << -1;
        QTest::newRow("edited") << int(Device::Edit);
        QTest::newRow("body written") << int(Device::Write);
        QTest::newRow("marked done") << int(Device::Done);
        QTest::newRow("reminder moved on") << int(Device::StopRinging);
        QTest::newRow("deleted") << int(Device::Delete);
    }

    // A new memo the service took while its answer was lost is this computer's own at the next pass,
    // whatever the user did to it meanwhile: once everywhere, with the newest change, a deletion
    // staying a deletion. A memo of the same title and another body is someone else's.
    void ownPostRecognised()
    {
        QFETCH(int, change);
        Rig rig;
        const qint64 id = rig.a.add(QStringLiteral("memo"));
        MemoRecord twin = rig.b.store.sampleMemo(QStringLiteral("memo"));
        twin.content = QStringLiteral("another body");
        rig.b.store.addMemo(twin);
        QVERIFY(rig.b.syncNow());
        QVERIFY(rig.passLosingAnswers(rig.a));
        QVERIFY(rig.memos().liveMemos("demo").size() >= 2);
        if (change >= 0)
            rig.a.change(id, change);
        const MemoRecord expected = rig.a.row(id);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        const QString status = rig.a.statuses.last();
        QCOMPARE(status, QStringLiteral("状态:同步完成"));
        QCOMPARE(rig.memos().liveMemos("demo").size(), change == Device::Delete ? 1 : 2);
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
        if (change != Device::Delete)
            QCOMPARE(Device::shared(rig.a.row(id)), Device::shared(expected));
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
    }

    // A deletion elsewhere, then a change here whose answer is lost: the memo comes back once, with
    // the change, on every computer.
    void changeOfADeletedMemoAnswerLost()
    {
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.distinctMemo(2)));
        rig.a.change(onA, Device::Delete);
        QVERIFY(rig.a.syncNow());
        rig.b.change(onB, Device::Edit);
        QVERIFY(rig.passLosingAnswers(rig.b));
        rig.b.change(onB, Device::Write);
        QVERIFY(rig.b.syncNow() && rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.a.titles(), QStringList{rig.a.store.distinctMemo(2).title + rig.b.mark});
        const qint64 back = rig.a.store.value("SELECT max(id) FROM Notebook").toLongLong();
        QVERIFY(rig.a.row(back).content.endsWith(rig.b.mark));
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    void lateUploadOfAnOlderCopy_data()
    {
        QTest::addColumn<bool>("deleted"); // B deletes A's newer copy before the old upload arrives
        QTest::addColumn<bool>("changed"); // A changes the memo again before its next pass
        QTest::newRow("memo live") << false << true;
        QTest::newRow("memo deleted") << true << true;
        QTest::newRow("memo deleted as the late upload says") << true << false;
    }

    // An upload that reaches the service long after A gave up on it, when A's newer change of the memo
    // went up since, neither replaces that change nor brings the memo back from B's deletion of it.
    void lateUploadOfAnOlderCopy()
    {
        QFETCH(bool, deleted);
        QFETCH(bool, changed);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.distinctMemo(2)));
        rig.a.change(onA, Device::Edit);
        rig.service.failNext(Fault::HoldRequest, -1, QStringLiteral("/api/Syn.asp"));
        QVERIFY(rig.a.syncNow() && rig.a.sync.lastTransferFailed());
        rig.service.clearFault();
        if (changed)
            rig.a.change(onA, Device::StopRinging);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        const MemoRecord newer = Device::shared(rig.a.row(onA));
        if (deleted) {
            rig.b.change(onB, Device::Delete);
            QVERIFY(rig.b.syncNow());
        }
        rig.service.service().releaseHeld();
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.memos().liveMemos("demo").size(), deleted ? 0 : 1);
        if (!deleted)
            QCOMPARE(Device::shared(rig.a.row(onA)), newer);
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
    }

    void editsOfADeletedMemoMeet_data()
    {
        QTest::addColumn<bool>("keepLocal"); // what C keeps in the windows
        QTest::newRow("C keeps its own edit") << true;
        QTest::newRow("C keeps B's") << false;
    }

    // B and C edit a memo that A deletes: the first edit brings it back, once; the second meets it
    // in the conflict windows, and what C keeps reaches every computer.
    void editsOfADeletedMemoMeet()
    {
        QFETCH(bool, keepLocal);
        Rig rig;
        Device c{rig.service.address()};
        c.mark = QStringLiteral("*");
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        QVERIFY(c.syncNow());
        const qint64 onC = c.store.value("SELECT id FROM Notebook").toLongLong();
        rig.b.change(onB, Device::Edit);
        c.change(onC, Device::Edit);
        rig.a.change(onA, Device::Delete);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow() && c.syncNow());
        QCOMPARE(rig.memos().liveMemos("demo").size(), 1);
        QCOMPARE(c.conflicts, 1);
        ConflictWindow* kept = keepLocal ? static_cast<ConflictWindow*>(c.windows->localWindow())
                                         : static_cast<ConflictWindow*>(c.windows->serverWindow());
        Device::child<QPushButton>(kept, "Command1")->click();
        QTRY_VERIFY(c.windowsGone());
        QVERIFY(c.syncNow() && rig.a.syncNow() && rig.b.syncNow());
        const QString title = QStringLiteral("memo") + (keepLocal ? c.mark : rig.b.mark);
        QCOMPARE(rig.serverTitles(), QStringList{title});
        QVERIFY2(rig.apart({&rig.a, &rig.b, &c}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b, &c})));
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
    }

    // A settled copy held on the way while the other computer changes the memo again does not
    // replace that change: it meets it in the windows, and every computer ends with one copy.
    void slowSettlementMeetsANewerChange()
    {
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        rig.a.change(onA, Device::Edit);
        rig.b.change(onB, Device::Edit);
        QVERIFY(rig.b.syncNow() && rig.a.syncNow());
        QCOMPARE(rig.a.conflicts, 1);
        Device::child<QPushButton>(rig.a.windows->localWindow(), "Command1")->click();
        QTRY_VERIFY(rig.a.windowsGone());

        rig.service.failNext(Fault::None, 1, QStringLiteral("/api/Syn.asp"), 400);
        rig.service.clearRequests();
        QSignalSpy finished(&rig.a.sync, &SyncSession::passFinished);
        rig.a.sync.UploadData();
        QTRY_COMPARE(rig.uploads().size(), 1); // A's settled copy is on its way
        rig.b.mark = QStringLiteral("#");
        rig.b.change(onB, Device::Edit);
        QVERIFY(rig.b.syncNow());
        QVERIFY(finished.wait(3000));
        QCOMPARE(rig.serverCopy(rig.b.row(onB).NotebookServerId).title, rig.b.row(onB).title);
        QCOMPARE(rig.a.conflicts, 2);
        Device::child<QPushButton>(rig.a.windows->serverWindow(), "Command1")->click();
        QTRY_VERIFY(rig.a.windowsGone());
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.b.row(onB).title, QStringLiteral("memo-#"));
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    void rowsFromBeforeTheCounter_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("changedThere");
        QTest::addColumn<int>("conflicts");
        QTest::addColumn<QString>(
            "title"); // on the service at the end (the windows keep A's copy); empty: deleted
        QTest::newRow("edited here") << int(Device::Edit) << false << 1 << "memo++";
        QTest::newRow("deleted here") << int(Device::Delete) << false << 0 << "";
        QTest::newRow("edited, then deleted here: the copy comes back") << -1 << false << 0 << "memo";
        QTest::newRow("edited twice here, once there") << int(Device::Edit) << true << 1 << "memo++";
        QTest::newRow("deleted here, edited there") << int(Device::Delete) << true << 0 << "memo-";
    }

    // A row whose change waited when the file was upgraded does not know the copy it was in step
    // with: the service's copy is compared with it. The same: in step; another: the windows (a
    // deletion gives way to it), so that a change is never overwritten unseen, however often the
    // row was edited.
    void rowsFromBeforeTheCounter()
    {
        QFETCH(int, change);
        QFETCH(bool, changedThere);
        QFETCH(int, conflicts);
        QFETCH(QString, title);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        if (changedThere) {
            rig.b.change(onB, Device::Edit);
            rig.b.change(onB, Device::Done);
            QVERIFY(rig.b.syncNow());
        }
        if (change < 0) {
            rig.a.change(onA, Device::Edit);
            rig.a.change(onA, Device::Delete);
        } else {
            rig.a.change(onA, change, change == Device::Edit ? 2 : 1);
        }
        // As the upgrade of a file of that time leaves it: no counter, no copy known, nothing posted
        // kept in mind.
        for (const char* sql : {"UPDATE Notebook SET SyncedSynnum=0, SyncedDigest=NULL, ServerToken=NULL",
                                "DELETE FROM SyncBase", "DELETE FROM SyncLineage", "DELETE FROM SentUploads"})
            QVERIFY(rig.a.store.db().execOnce(QString::fromLatin1(sql)).ok);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.a.conflicts, conflicts);
        if (conflicts > 0)
            Device::child<QPushButton>(rig.a.windows->localWindow(), "Command1")->click();
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), title.isEmpty() ? QStringList() : QStringList{title});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    void untravellableRowsWait_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("part"); // named to the user
        QTest::newRow("title, a character GBK lacks") << "title"
                                                      << "held \U0001F600"
                                                      << "\U0001F600";
        QTest::newRow("content, the field separator") << "content"
                                                      << "a(#f!g#)b"
                                                      << "(#f!g#)";
        QTest::newRow("tune path, a character GBK lacks") << "DiySound"
                                                          << "/home/u/\U0001F600.mp3"
                                                          << "\U0001F600";
        QTest::newRow("tune path, the field separator") << "DiySound"
                                                        << "/home/u/a(#f!g#)b.mp3"
                                                        << "(#f!g#)";
        const QString nul(QChar(0));
        QTest::newRow("title, a NUL") << "title"
                                      << "held" + nul + "cut" << nul;
        QTest::newRow("content, a NUL") << "content" << nul + "x" << nul;
    }

    // A stored row whose text cannot travel waits and is never marked in step; the user hears of it
    // once, the other memos go up, and a deletion of such a row still goes up.
    void untravellableRowsWait()
    {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(QString, part);
        Rig rig;
        QSignalSpy told(&rig.a.sync, &SyncSession::memoHeldBack);
        const qint64 held = rig.a.add(QStringLiteral("held"));
        const qint64 gone = rig.a.add(QStringLiteral("gone"));
        rig.a.add(QStringLiteral("plain"));
        QVERIFY(rig.a.syncNow());
        const auto setText = [&rig](qint64 id, const QString& field, const QString& value) {
            QVERIFY(rig.a.store.db()
                        .exec(QStringLiteral("UPDATE Notebook SET %1=?, synnum=synnum+1, syn=0 WHERE id=?")
                                  .arg(field),
                              {value, id})
                        .ok);
        };
        setText(held, column, text);
        setText(gone, QStringLiteral("title"), QStringLiteral("gone \U0001F600"));
        rig.a.change(gone, Device::Delete);
        rig.a.add(QStringLiteral("late"));
        for (int pass = 0; pass < 2; ++pass) {
            rig.service.clearRequests();
            QVERIFY(rig.a.syncNow());
            QCOMPARE(rig.uploads().size(), pass == 0 ? 2 : 0); // the deletion and the new memo
            QCOMPARE(rig.a.statuses.last(), QStringLiteral("状态:同步完成,1条备忘未上传"));
        }
        QCOMPARE(told.size(), 1);
        QCOMPARE(told.at(0).at(0).toLongLong(), held);
        QCOMPARE(told.at(0).at(1).toString(), untravellableUploadMessage(rig.a.row(held).title, part));
        QCOMPARE(rig.a.unsynced(), 1);
        QCOMPARE(rig.serverTitles(), (QStringList{"held", "late", "plain"}));
        QVERIFY(rig.b.syncNow());
        QCOMPARE(rig.b.titles(), (QStringList{"held", "late", "plain"}));
    }

    // An answer that could not be written, then a change: the next pass neither brings the memo
    // down again nor sends it as a new one.
    void unwrittenAnswerThenAChange()
    {
        Rig rig;
        const qint64 id = rig.a.add(QStringLiteral("memo"));
        QVERIFY(rig.a.store.refuse(QStringLiteral("UPDATE OF NotebookServerId ON Notebook")));
        QVERIFY(rig.a.syncNow());
        QVERIFY(rig.a.statuses.last().startsWith(QStringLiteral("状态:本地数据保存失败,下次同步 (")));
        QVERIFY(rig.a.store.db().execOnce(QStringLiteral("DROP TRIGGER refuse")).ok);
        rig.a.change(id, Device::Edit);
        QVERIFY(rig.a.syncAfterRestart(rig.service.address())); // the answer kept in memory is gone
        QVERIFY(rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo+"});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    void postsForgottenOnceListed_data()
    {
        QTest::addColumn<bool>("shared"); // the memo is on the service before the post: a change
        QTest::addColumn<bool>("lossy");  // the post's answer is lost
        QTest::newRow("new memo answered") << false << false;
        QTest::newRow("new memo, answer lost") << false << true;
        QTest::newRow("change, answer lost") << true << true;
    }

    // A post is let go at the pass whose list shows its copy, not only once its days are over.
    void postsForgottenOnceListed()
    {
        QFETCH(bool, shared);
        QFETCH(bool, lossy);
        Rig rig;
        qint64 onA = 0, onB = 0;
        if (shared) {
            QVERIFY(rig.shareOne(onA, onB, rig.a.store.distinctMemo(1)));
            rig.a.change(onA, Device::Edit);
        } else {
            rig.a.add(QStringLiteral("memo"));
        }
        QVERIFY(lossy ? rig.passLosingAnswers(rig.a) : rig.a.syncNow());
        const QString posts = QStringLiteral("SELECT count(*) FROM SentUploads");
        QVERIFY(rig.a.store.value(posts).toInt() > 0);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.a.store.value(posts).toInt(), 0);
        QVERIFY(rig.b.syncNow());
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    // A post that reaches the service after its answer was given up, when the memo went up again
    // meanwhile, leaves no second copy behind.
    void latePostLeavesNoCopy()
    {
        Rig rig;
        rig.a.add(QStringLiteral("memo"));
        rig.service.failNext(Fault::None, 1, QStringLiteral("/api/Syn.asp"), 2500);
        QVERIFY(rig.a.syncNow()); // timed out after 1.5 s
        QVERIFY(rig.a.sync.lastTransferFailed());
        QVERIFY(rig.a.syncNow()); // goes up again before the first post arrives
        QTRY_COMPARE_WITH_TIMEOUT(rig.memos().liveMemos("demo").size(), 2, 3000);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo"});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    // The network layer sends a post again when its connection breaks before the answer: a memo new
    // to the service may then be stored twice though its answer came. The copy one too many goes.
    void answeredPostTakenTwice()
    {
        Rig rig;
        rig.a.add(QStringLiteral("memo"));
        rig.service.failNext(Fault::DropAnswer, 1, QStringLiteral("/api/Syn.asp"));
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.a.statuses.last(), QStringLiteral("状态:同步完成"));
        QCOMPARE(rig.memos().liveMemos("demo").size(), 2);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo"});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    // A post held on the way reaches the service twice after the memo's next copy went up: both
    // copies are this memo's and go. The pass is cut after the first deletion; a later pass still
    // knows the second copy as this memo's, though no post of it is waiting any more.
    void latePostOutlivesACutPass()
    {
        Rig rig;
        const qint64 id = rig.a.add(QStringLiteral("memo"));
        rig.service.failNext(Fault::HoldRequest, -1, QStringLiteral("/api/Syn.asp"));
        QVERIFY(rig.a.syncNow());
        rig.service.clearFault();
        rig.a.change(id, Device::Edit);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo+"});
        rig.service.service().releaseHeld();
        QCOMPARE(rig.memos().liveMemos("demo").size(), 3);
        int deletions = 0;
        QObject::connect(
            &rig.service.service(), &standin::ServiceStandIn::requestReceived, &rig.service.service(),
            [&](const standin::StandInRequest& request) {
                if (request.formValue(QStringLiteral("del")) == QStringLiteral("True") && ++deletions == 2)
                    rig.service.failNext(Fault::DropConnection, -1, QStringLiteral("/api/Syn.asp"));
            });
        QVERIFY(rig.a.syncNow());
        rig.service.clearFault();
        QVERIFY(rig.a.sync.lastTransferFailed());
        QCOMPARE(rig.memos().liveMemos("demo").size(), 2);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow() && rig.a.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo+"});
        QCOMPARE(rig.a.titles(), QStringList{"memo+"});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
    }

    // The service lost a memo and both computers sent it again, A's copy first: B's is one too many,
    // and A deletes it. B changes its copy meanwhile, the change reaching the service just before A's
    // deletion: the service refuses the deletion, and B's change is kept on the service and on both
    // computers, the memo once everywhere.
    void extraCopyChangedBeforeItsDeletion()
    {
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        QVERIFY(rig.memos().reset());
        // A's copy (the network layer may send it twice) is held on the way and reaches the service just
        // before B's.
        rig.service.failNext(Fault::HoldRequest, -1, QStringLiteral("/api/Syn.asp"));
        QVERIFY(rig.a.syncNow());
        rig.service.clearFault();
        const auto releaseOnPost = [&rig](const std::function<bool(const standin::StandInRequest&)>& when) {
            auto released = std::make_shared<bool>(false);
            QObject::connect(&rig.service.service(), &standin::ServiceStandIn::requestReceived,
                             &rig.service.service(),
                             [&rig, when, released](const standin::StandInRequest& request) {
                                 if (!*released && request.method == "POST" && when(request)) {
                                     *released = true;
                                     rig.service.service().releaseHeld();
                                 }
                             });
            return released;
        };
        const auto aFirst = releaseOnPost([](const standin::StandInRequest&) { return true; });
        QVERIFY(rig.b.syncNow());
        QVERIFY(*aFirst);
        const qint64 extra = rig.b.row(onB).NotebookServerId;
        QVERIFY(extra > 0);
        QCOMPARE(rig.memos().liveMemos("demo").last().serverId, extra);
        // B's change of its copy is held on the way, and arrives as A's deletion of that copy does.
        rig.b.change(onB, Device::Edit);
        rig.service.failNext(Fault::HoldRequest, -1, QStringLiteral("/api/Syn.asp"));
        QVERIFY(rig.b.syncNow());
        rig.service.clearFault();
        QVERIFY(!rig.serverTitles().contains(QStringLiteral("memo-")));
        const auto met = releaseOnPost([extra](const standin::StandInRequest& request) {
            return request.formValue(QStringLiteral("id")).toLongLong() == extra &&
                   request.formValue(QStringLiteral("del")) == QStringLiteral("True");
        });
        QVERIFY(rig.a.syncNow());
        QVERIFY(*met);
        QCOMPARE(rig.a.statuses.last(), QStringLiteral("状态:同步完成")); // the refusal stops nothing
        QCOMPARE(rig.serverTitles(), (QStringList{"memo", "memo-"}));
        QVERIFY(rig.b.syncNow() && rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo-"});
        QCOMPARE(rig.a.titles(), QStringList{"memo-"});
        QCOMPARE(rig.b.titles(), QStringList{"memo-"});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
        for (Device* device : {&rig.a, &rig.b})
            QCOMPARE(device->statuses.last(), QStringLiteral("状态:同步完成"));
    }

    // An earlier post that reaches the service after the next pass read its list meets the next post
    // of the same memo: this computer's own copy, not a change from elsewhere. No window opens and
    // the newer text goes up over it.
    void lateEarlierPostMeetsTheNextOne()
    {
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        const qint64 serverId = rig.a.row(onA).NotebookServerId;
        rig.a.change(onA, Device::Edit);
        const MemoRecord first = rig.a.row(onA);
        rig.service.failNext(Fault::DropConnection, -1, QStringLiteral("/api/Syn.asp"));
        QVERIFY(rig.a.syncNow() && rig.a.sync.lastTransferFailed());
        rig.service.clearFault();
        QCOMPARE(rig.serverTitles(), QStringList{"memo"});
        rig.a.change(onA, Device::Write);
        bool landed = false;
        QObject::connect(&rig.service.service(), &standin::ServiceStandIn::requestReceived,
                         &rig.service.service(), [&](const standin::StandInRequest& request) {
                             if (landed || request.method != "POST")
                                 return;
                             landed = true; // the first post arrives just before the second
                             standin::StoredMemo stored = rig.memos().memo("demo", serverId).value();
                             stored.fields =
                                 ServerRecordText(Device::shared(first)).split(RecordFieldSeparator);
                             stored.fields[1] = QStringLiteral("demo");
                             stored.synnum = rig.a.row(onA).SyncedSynnum + 1;
                             QVERIFY(rig.memos().update(stored));
                         });
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QVERIFY(landed);
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
        QCOMPARE(Device::shared(rig.serverCopy(serverId)), Device::shared(rig.a.row(onA)));
        QVERIFY(rig.a.row(onA).content.endsWith(rig.a.mark));
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    void contradictingAnswers_data()
    {
        QTest::addColumn<QString>("answer"); // %1: the server id, %2: the local id
        QTest::addColumn<bool>("deletion");
        QTest::newRow("stored, to a deletion") << "#adok#|ok|%1|%2" << true;
        QTest::newRow("deleted, to a change") << "#delo#|ok|%1" << false;
        QTest::newRow("stored for another row") << "#adok#|ok|%1|999" << false;
    }

    // An answer that contradicts what was posted changes nothing here: that memo waits, and the user
    // is told which.
    void contradictingAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, deletion);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        rig.a.change(onA, deletion ? Device::Delete : Device::Edit);
        const QStringList before = rig.a.store.allMemoColumns();
        rig.answer(QStringLiteral("/api/Syn.asp"), answer.arg(rig.a.row(onA).NotebookServerId).arg(onA), 1);
        QSignalSpy told(&rig.a.sync, &SyncSession::memoHeldBack);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.a.statuses.last(), QStringLiteral("状态:同步完成,1条备忘未上传"));
        QCOMPARE(told.size(), 1);
        QCOMPARE(rig.a.store.allMemoColumns(), before);
    }
};

VELMO_TEST_MAIN(TestLostAnswers)
#include "TestLostAnswers.moc"
