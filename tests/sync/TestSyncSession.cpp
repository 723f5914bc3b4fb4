#include "SyncRig.h"
#include "TestMain.h"

#include "platform/RequestSignature.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace velmo;
using namespace velmo::test;
using namespace std::chrono_literals;
using standin::Fault;

class TestSyncSession : public QObject
{
    Q_OBJECT

private slots:
    void memoTravelsWhole_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("solar") << 0;
        QTest::newRow("solar, other flags") << 1;
        QTest::newRow("lunar 30th") << 2;
    }

    // A new account's first pass uploads (the server list is empty); the other computer then gets
    // the memo, every field as it was written, and is in step: its next pass only reads the list.
    void memoTravelsWhole()
    {
        QFETCH(int, variant);
        Rig rig;
        MemoRecord memo = rig.a.store.distinctMemo(variant);
        if (memo.lifa == 2)
            memo.AlertTimeNongli = LunarMoment{2026, 2, 30, 8, 0, 0};
        memo.content += QStringLiteral("\n第二行");
        const qint64 id = rig.a.store.addMemo(memo);
        QSignalSpy sounds(&rig.a.sync, &SyncSession::soundRequested);
        QSignalSpy captions(&rig.a.sync, &SyncSession::captionSuffix);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(sounds.size(), 1);
        QCOMPARE(sounds.first().first().toString(), QStringLiteral("down.wav"));
        QVERIFY(captions.size() > 1 && captions.last().first().toString().isEmpty());
        QCOMPARE(rig.a.statuses,
                 (QStringList{"状态:远程效验完成", "状态:上传本地未同步记录",
                              QStringLiteral("传输%1:%2").arg(id).arg(memo.title), "状态:同步完成"}));
        const MemoRecord sent = rig.a.row(id);
        QVERIFY(sent.syn);
        QCOMPARE(Device::shared(rig.serverCopy(sent.NotebookServerId)), Device::shared(sent));

        QSignalSpy changed(&rig.b.sync, &SyncSession::memosChanged);
        QSignalSpy bSounds(&rig.b.sync, &SyncSession::soundRequested);
        QVERIFY(rig.b.syncNow());
        QCOMPARE(changed.size(), 1);
        QCOMPARE(bSounds.size(), 0); // nothing went up
        const MemoRecord copy = readByServerId(rig.b.store.db(), "demo", sent.NotebookServerId).value.value();
        QVERIFY(copy.syn);
        QCOMPARE(copy.SyncedSynnum, sent.SyncedSynnum);
        QCOMPARE(Device::shared(copy), Device::shared(sent));
        rig.service.clearRequests();
        QVERIFY(rig.b.syncNow());
        QCOMPARE(rig.service.requestCount(), 1);
        QCOMPARE(rig.b.row(copy.id), copy);
    }

    void bothSidesChangedMeansConflict_data()
    {
        QTest::addColumn<int>("changeOnA");
        QTest::addColumn<int>("countOnA");
        QTest::addColumn<int>("changeOnB");
        QTest::addColumn<int>("countOnB");
        QTest::addColumn<bool>("delayedUpload");
        QTest::newRow("edit twice here, once there")
            << int(Device::Edit) << 1 << int(Device::Edit) << 2 << false;
        QTest::newRow("edit once on each") << int(Device::Edit) << 1 << int(Device::Edit) << 1 << false;
        QTest::newRow("body here, body there") << int(Device::Write) << 1 << int(Device::Write) << 1 << false;
        QTest::newRow("stop-ringing against an edit")
            << int(Device::Edit) << 1 << int(Device::StopRinging) << 3 << false;
        QTest::newRow("done against edits, delayed upload")
            << int(Device::Edit) << 3 << int(Device::Done) << 1 << true;
        QTest::newRow("edit against done, delayed upload")
            << int(Device::Done) << 1 << int(Device::Edit) << 1 << true;
    }

    // Whatever the two counters, a memo changed on both sides goes to the windows, the delayed upload
    // included; nothing is overwritten on either side before the user chose.
    void bothSidesChangedMeansConflict()
    {
        QFETCH(int, changeOnA);
        QFETCH(int, countOnA);
        QFETCH(int, changeOnB);
        QFETCH(int, countOnB);
        QFETCH(bool, delayedUpload);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.distinctMemo(0)));
        rig.a.change(onA, changeOnA, countOnA);
        rig.b.change(onB, changeOnB, countOnB);
        QVERIFY(rig.a.syncNow());
        const MemoRecord local = rig.b.row(onB);
        rig.b.statuses.clear();
        rig.service.clearRequests();
        QVERIFY(delayedUpload ? rig.b.uploadNow() : rig.b.syncNow());
        QCOMPARE(rig.b.conflicts, 1);
        QVERIFY(rig.uploads().isEmpty());
        QCOMPARE(rig.b.row(onB), local);
        const qint64 serverId = rig.a.row(onA).NotebookServerId;
        QCOMPARE(Device::shared(rig.serverCopy(serverId)), Device::shared(rig.a.row(onA)));
        QVERIFY(!rig.b.statuses.contains(QStringLiteral("状态:同步完成")));
    }

    void changesMeetOnTheWay_data()
    {
        QTest::addColumn<QString>("race");
        QTest::addColumn<int>("variant");
        QTest::newRow("edits here, copy changed there before the upload") << "edit" << 0;
        QTest::newRow("edits here, lunar copy changed there before the upload") << "edit" << 2;
        QTest::newRow("deleted here, copy changed there before the upload") << "delete" << 2;
        QTest::newRow("deleted here after the copy changed there") << "stale" << 1;
        QTest::newRow("deleted here, copy there counted up unchanged") << "recount" << 2;
        QTest::newRow("edit here while the newer copy comes down") << "download" << 0;
        QTest::newRow("copy there at a lower counter (service went back)") << "lower" << 2;
        QTest::newRow("edit here, counter at its top") << "top" << 0;
    }

    // What changes on one side while the other's pass runs is neither overwritten nor lost: an
    // upload that meets a newer copy goes to the windows (a deletion made without having seen that
    // copy gives way to it, before the upload or when the service refuses it), a download
    // that meets a change here leaves the row to the next pass, and a row in step takes whatever
    // newer copy the service holds; a copy below the counter it had in step is the service gone back,
    // and the row's copy goes up again. A deleted row that says what the newer copy says saw it: the
    // deletion goes up. A counter at the top of its range cannot be raised: the change goes to the
    // windows.
    void changesMeetOnTheWay()
    {
        QFETCH(QString, race);
        QFETCH(int, variant);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.distinctMemo(variant)));
        const qint64 serverId = rig.b.row(onB).NotebookServerId;
        const int counter = rig.memos().memo("demo", serverId).value().synnum;
        // The service's copy as another computer's upload leaves it.
        const auto changeThere = [&rig, serverId](int synnum, bool retitled) {
            standin::StoredMemo stored = rig.memos().memo("demo", serverId).value();
            if (retitled)
                stored.fields[2] = QStringLiteral("changed there");
            stored.synnum = synnum;
            QVERIFY(rig.memos().update(stored));
        };
        if (race == QLatin1String("download") || race == QLatin1String("stale")) {
            rig.a.change(onA, Device::Edit);
            QVERIFY(rig.a.syncNow());
        } else if (race == QLatin1String("lower")) {
            // The service is put back from a backup taken before B's last change.
            const standin::MemoStore::Backup backup = rig.memos().backup();
            rig.b.change(onB, Device::Edit);
            QVERIFY(rig.b.syncNow());
            QVERIFY(rig.memos().restore(backup));
        } else if (race == QLatin1String("recount")) {
            changeThere(counter + 1, false);
        } else if (race == QLatin1String("top")) {
            changeThere(std::numeric_limits<int>::max(), false);
            QVERIFY(rig.b.syncNow());
        }
        const bool edits = race == QLatin1String("edit") || race == QLatin1String("top");
        if (race != QLatin1String("download") && race != QLatin1String("lower"))
            rig.b.change(onB, edits ? Device::Edit : Device::Delete, race == QLatin1String("edit") ? 2 : 1);
        const MemoRecord before = rig.b.row(onB);
        const QString meetAt = race == QLatin1String("download") ? "/api/download.asp"
                               : race == QLatin1String("edit") || race == QLatin1String("delete")
                                   ? "/api/Syn.asp"
                                   : "";
        bool met = false;
        QObject::connect(&rig.service.service(), &standin::ServiceStandIn::requestReceived,
                         &rig.service.service(), [&](const standin::StandInRequest& request) {
                             if (met || request.path != meetAt)
                                 return;
                             met = true;
                             if (race == QLatin1String("download"))
                                 rig.b.change(onB, Device::Edit);
                             else
                                 changeThere(counter + 1, true);
                         });
        QVERIFY(rig.b.syncNow());
        QCOMPARE(met, !meetAt.isEmpty());
        const MemoRecord now = rig.b.row(onB);
        if (race == QLatin1String("recount")) {
            QVERIFY(!rig.b.store.memo(onB));
            QVERIFY(rig.memos().memo("demo", serverId).value().deleted);
        } else if (edits || race == QLatin1String("download")) {
            // The change here waits for the windows; the service's copy is not overwritten.
            if (!edits)
                QVERIFY(rig.b.syncNow());
            QCOMPARE(rig.b.conflicts, 1);
            QVERIFY(!now.syn && now.title.endsWith(rig.b.mark));
            QVERIFY(Device::shared(rig.serverCopy(serverId)) != Device::shared(now));
        } else {
            QCOMPARE(rig.b.conflicts, 0);
            QVERIFY(now.syn && !now.Del);
            QCOMPARE(Device::shared(now), Device::shared(rig.serverCopy(serverId)));
            QCOMPARE(now.title != before.title, race != QLatin1String("lower"));
        }
    }

    void conflictSettles_data()
    {
        QTest::addColumn<bool>("keepServer");
        QTest::addColumn<bool>("lunarOnA"); // which computer's copy is the lunar 30th
        QTest::newRow("local copy kept, lunar") << false << false;
        QTest::newRow("local copy kept, solar") << false << true;
        QTest::newRow("server copy kept, solar") << true << false;
        QTest::newRow("server copy kept, lunar") << true << true;
    }

    // Keeping a copy stores it as it came, every field (a passed once-only reminder, a lunar 30th, a
    // reminder switched off): on this computer, on the service and on the other computer, which takes
    // it without a window. It goes up like any change ("yibu=False"), and opens the windows again
    // only when it changes again.
    void conflictSettles()
    {
        QFETCH(bool, keepServer);
        QFETCH(bool, lunarOnA);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.distinctMemo(0)));
        MemoRecord solar = rig.a.store.distinctMemo(1);
        solar.AlertPinLv = QStringLiteral("1");
        solar.AlertTime = test::defaultTestMoment().addDays(-2);
        solar.ifAlert = false;
        MemoRecord lunar = rig.b.store.distinctMemo(2);
        lunar.AlertTimeNongli = LunarMoment{2026, 2, 30, 8, 0, 0};
        lunar.content = QStringLiteral("两行\n内容");
        const MemoRecord aCopy = lunarOnA ? lunar : solar;
        const MemoRecord bCopy = lunarOnA ? solar : lunar;
        for (auto [device, id, copy] : {std::tuple{&rig.a, onA, aCopy}, std::tuple{&rig.b, onB, bCopy}}) {
            QVERIFY(device->store.db()
                        .exec(QStringLiteral("UPDATE Notebook SET ") +
                                  syncedColumns().join(QStringLiteral("=?, ")) +
                                  QStringLiteral("=?, synnum=synnum+1, syn=0 WHERE id=?"),
                              syncedValues(copy) << id)
                        .ok);
        }
        // The service's counter runs ahead of B's: A sends its copy, then once more unchanged.
        QVERIFY(rig.a.syncNow());
        QVERIFY(rig.a.store.db()
                    .exec(QStringLiteral("UPDATE Notebook SET synnum=synnum+1, syn=0 WHERE id=?"), {onA})
                    .ok);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.b.conflicts, 1);
        QCOMPARE(Device::child<QLabel>(rig.b.windows->serverWindow(), "Label3")->text(),
                 QString::number(onB));
        QCOMPARE(Device::child<QLineEdit>(rig.b.windows->serverWindow(), "Text1")->text(), aCopy.title);
        QCOMPARE(Device::child<QLineEdit>(rig.b.windows->localWindow(), "Text1")->text(), bCopy.title);

        int restarts = 0;
        rig.b.windows->setRestartScheduler([&restarts] { ++restarts; });
        ConflictWindow* kept = keepServer ? static_cast<ConflictWindow*>(rig.b.windows->serverWindow())
                                          : static_cast<ConflictWindow*>(rig.b.windows->localWindow());
        const int counterOnB = rig.b.row(onB).synnum;
        Device::child<QPushButton>(kept, "Command1")->click();
        QTRY_VERIFY(rig.b.windowsGone());
        QVERIFY(!rig.b.sync.ConflictOpen());
        QCOMPARE(rig.b.sync.SyncStarted(), !keepServer);
        QCOMPARE(restarts, int(keepServer));
        QCOMPARE(rig.b.boxes.texts().contains(QStringLiteral("同步成功！")), keepServer);
        QVERIFY(rig.b.views.calls.last() == MemoChange({MemoChange::Kind::Settled, {onB}}));
        const MemoRecord expected = Device::settled(Device::shared(keepServer ? aCopy : bCopy));
        QCOMPARE(Device::shared(rig.b.row(onB)), expected);
        QVERIFY(rig.b.row(onB).synnum > std::max(rig.a.row(onA).synnum, counterOnB));
        rig.b.add(QStringLiteral("another memo"));
        rig.service.clearRequests();
        QVERIFY(rig.b.syncNow());
        QStringList yibu;
        for (const standin::StandInRequest& post : rig.uploads())
            yibu << QString::fromLatin1(post.rawQuery).section('&', 3);
        QCOMPARE(yibu, (QStringList{"yibu=False", "yibu=False"}));
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 1);
        QCOMPARE(Device::shared(rig.a.row(onA)), expected);
        QCOMPARE(Device::shared(rig.serverCopy(rig.a.row(onA).NotebookServerId)), expected);
        QCOMPARE(rig.a.unsynced() + rig.b.unsynced(), 0);

        rig.a.change(onA, Device::Edit);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.b.conflicts, 1);
        QCOMPARE(rig.b.row(onB).title, expected.title + rig.a.mark);
    }

    void refusedRecordAffectsOnlyItsMemo_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("taken");
        QTest::newRow("another account's") << 1 << "someone" << false;
        QTest::newRow("same name, other letter case: one account") << 1 << "Demo" << true;
        QTest::newRow("same name, another case of a full-width letter") << 1 << "Ｄemo" << false;
        QTest::newRow("separator in the title") << 2 << "a(#f!g#)b" << false;
        QTest::newRow("title one too long") << 2 << QString(256, QLatin1Char('t')) << false;
        QTest::newRow("title at its length") << 2 << QString(255, QLatin1Char('t')) << true;
        QTest::newRow("reply names another server id") << -1 << "stray" << false;
        QTest::newRow("category 8") << 0 << "8" << false;
        QTest::newRow("category 7") << 0 << "7" << true;
        QTest::newRow("category 0") << 0 << "0" << false;
        QTest::newRow("category -3") << 0 << "-3" << false;
        QTest::newRow("negative counter") << 20 << "-1" << false;
        QTest::newRow("counter 0") << 20 << "0" << true;
        QTest::newRow("lunar year 2051") << 13 << "2051-1-1 8:00:00" << false;
        QTest::newRow("lunar 30th of 2050") << 13 << "2050-12-30 8:00:00" << true;
        QTest::newRow("lunar year 1920") << 13 << "1920-12-1 8:00:00" << false;
        QTest::newRow("alert time before the calendar") << 6 << "1921-2-7 23:59:59" << false;
        QTest::newRow("alert time on its first day") << 6 << "1921-2-8" << true;
        QTest::newRow("alert time on its last day") << 6 << "2051-2-10 23:59:59" << true;
        QTest::newRow("alert time after it") << 6 << "2051-2-11" << false;
        QTest::newRow("mail time in 1900") << 14 << "1900-1-1" << false;
    }

    // A record the client cannot take leaves that memo alone, and the pass says so; the rest runs.
    void refusedRecordAffectsOnlyItsMemo()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(bool, taken);
        Rig rig;
        const QStringList good = ServerRecordText(rig.a.store.sampleMemo("good")).split(RecordFieldSeparator);
        QStringList bad = good;
        bad[2] = QStringLiteral("bad"); // a memo of its own, not a copy of the good one
        bad[field < 0 ? 2 : field] = value;
        if (field < 0) // the first download is answered with a memo that was not asked for
            rig.answer(QStringLiteral("/api/download.asp"),
                       "ok|" + conflictDataText(bad.join(RecordFieldSeparator), 99), 1);
        rig.memos().add("demo", bad, field == 20 ? value.toInt() : 1); // the stored counter is listed
        rig.memos().add("demo", good, 1);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.a.titles().size(), taken ? 2 : 1);
        QVERIFY(rig.a.titles().contains("good"));
        QCOMPARE(rig.a.statuses.last(),
                 taken ? QStringLiteral("状态:同步完成") : QStringLiteral("状态:同步完成,1条网络备忘有误"));
    }

    // A server id two rows carry is never given the service's copy, and an answer naming the server
    // id the list gave another row, or another row, is refused (that memo waits): two rows never become
    // one memo.
    void serverIdHeldTwice()
    {
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("shared"))));
        MemoRecord twin = rig.b.row(onB);
        twin.title = QStringLiteral("twin");
        const qint64 twinId = rig.b.store.addMemo(twin);
        rig.a.change(onA, Device::Edit);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.b.titles(), (QStringList{"shared", "twin"}));

        const qint64 fresh = rig.b.add(QStringLiteral("fresh"));
        for (const QString& answer : {QStringLiteral("#adok#|ok|%1|%2").arg(twin.NotebookServerId).arg(fresh),
                                      QStringLiteral("#adok#|ok|99|%1").arg(twinId)}) {
            rig.answer(QStringLiteral("/api/Syn.asp"), answer);
            QVERIFY(rig.b.uploadNow());
            QCOMPARE(rig.b.row(fresh).NotebookServerId, 0);
            QCOMPARE(rig.b.row(twinId).NotebookServerId, twin.NotebookServerId);
            QCOMPARE(rig.b.statuses.last(), QStringLiteral("状态:同步完成,1条备忘未上传"));
        }

        rig.service.clearFault(); // a changed twin goes up as a memo of its own
        rig.b.change(twinId, Device::Edit);
        QVERIFY(rig.b.syncNow() && rig.a.syncNow());
        QCOMPARE(rig.a.titles(), (QStringList{"fresh", "shared+", "twin-"}));
    }

    void failedWriteFailsThePass_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("event"); // of the planted trigger on the computer that syncs
        QTest::addColumn<int>("variant");   // of the memo both computers share
        QTest::newRow("answer to an upload") << "add on A"
                                             << "UPDATE OF NotebookServerId" << 0;
        QTest::newRow("memo that came down") << "add on B"
                                             << "INSERT" << 2;
        QTest::newRow("newer copy") << "edit on B"
                                    << "UPDATE OF title" << 0;
        QTest::newRow("newer lunar copy") << "edit on B"
                                          << "UPDATE OF title" << 2;
        QTest::newRow("deletion confirmed") << "delete on A"
                                            << "DELETE" << 2;
        QTest::newRow("deletion from elsewhere") << "delete on B"
                                                 << "DELETE" << 0;
    }

    // A write that fails fails the pass, never says "done", and the next pass neither duplicates nor
    // loses anything.
    void failedWriteFailsThePass()
    {
        QFETCH(QString, step);
        QFETCH(QString, event);
        QFETCH(int, variant);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.distinctMemo(variant)));
        const bool onBSide = step.endsWith(QLatin1Char('B'));
        if (step.startsWith(QLatin1String("add")))
            rig.a.add(QStringLiteral("new"));
        else
            rig.a.change(onA, step.startsWith(QLatin1String("edit")) ? Device::Edit : Device::Delete);
        if (onBSide)
            QVERIFY(rig.a.syncNow());
        Device& failing = onBSide ? rig.b : rig.a;
        const QString trigger = QStringLiteral("CREATE TRIGGER planted BEFORE %1 ON Notebook "
                                               "BEGIN SELECT RAISE(ABORT, 'planted'); END")
                                    .arg(event);
        QVERIFY(failing.store.db().execOnce(trigger).ok);
        failing.statuses.clear();
        const auto rows = [&failing] {
            return readMemos(failing.store.db(), QStringLiteral("SELECT * FROM Notebook ORDER BY id")).value;
        };
        const std::vector<MemoRecord> before = rows();
        QVERIFY(failing.syncNow());
        QVERIFY(!failing.statuses.contains(QStringLiteral("状态:同步完成")));
        QCOMPARE(failing.statuses.last(), QStringLiteral("状态:本地数据保存失败,下次同步 (planted)"));
        QVERIFY(rows() == before);
        QVERIFY(failing.store.db().execOnce(QStringLiteral("DROP TRIGGER planted")).ok);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow() && rig.a.syncNow());
        QCOMPARE(rig.a.titles(), rig.serverTitles());
        QCOMPARE(rig.b.titles(), rig.serverTitles());
        QCOMPARE(rig.memos().allMemos("demo").size(), step.startsWith(QLatin1String("add")) ? 2 : 1);
        QCOMPARE(rig.a.unsynced() + rig.b.unsynced(), 0);
    }

    void quitWaitsForTheUploadUnderWay_data()
    {
        QTest::addColumn<int>("replyMs");
        QTest::addColumn<qint64>("unsynced"); // when the quit is done
        QTest::newRow("answer within the three seconds") << 2000 << qint64(2);
        QTest::newRow("answer after them") << 3800 << qint64(3);
    }

    // A quit waits up to three seconds for the answer to the upload under way and writes it down;
    // nothing else is sent, and the pass is not said to be done. The next start sends the rest, and
    // recognises a memo whose answer came too late (every field compared), without a duplicate.
    void quitWaitsForTheUploadUnderWay()
    {
        QFETCH(int, replyMs);
        QFETCH(qint64, unsynced);
        Rig rig;
        for (const int variant : {2, 0, 1}) // the lunar memo goes up first
            rig.a.store.addMemo(rig.a.store.distinctMemo(variant));
        rig.a.channel.setTimeout(10s);
        rig.service.failNext(Fault::None, -1, QStringLiteral("/api/Syn.asp"), replyMs);
        int done = 0;
        const auto quit =
            QObject::connect(&rig.service.service(), &standin::ServiceStandIn::requestReceived, &rig.a.sync,
                             [&rig, &done](const standin::StandInRequest& request) {
                                 if (request.method != "POST" || rig.a.store.runState().Exiting)
                                     return;
                                 rig.a.store.runState().Exiting = true;
                                 rig.a.sync.finishBeforeQuit([&done] { ++done; });
                             });
        rig.a.sync.SyncData();
        QTRY_COMPARE_WITH_TIMEOUT(done, 1, 6000);
        QCOMPARE(rig.a.unsynced(), unsynced);
        QVERIFY(!rig.a.statuses.contains(QStringLiteral("状态:同步完成")));
        QTRY_COMPARE_WITH_TIMEOUT(rig.memos().allMemos("demo").size(), 1, 3000);
        QTest::qWait(300);
        QCOMPARE(rig.uploads().size(), 1);
        QCOMPARE(done, 1);

        QObject::disconnect(quit);
        rig.service.clearFault();
        rig.a.store.runState().Exiting = false;
        QVERIFY(rig.a.syncAfterRestart(rig.service.address()));
        QCOMPARE(rig.memos().allMemos("demo").size(), 3);
        QCOMPARE(rig.serverTitles(), (QStringList{"标题0", "标题1", "标题2"}));
        QCOMPARE(rig.a.unsynced(), 0);
    }

    void keptCopyNotStored_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message"); // how the message begins
        QTest::addColumn<int>("variant");
        QTest::newRow("field separator") << "a(#f!g#)b"
                                         << "备忘中含有无法同步的文字“(#f!g#)”,请删除后再保存" << 0;
        QTest::newRow("no GBK code") << QString::fromUtf8("a\U0001F600b")
                                     << QString::fromUtf8(
                                            "备忘中含有无法同步的文字“\U0001F600”,请删除后再保存")
                                     << 2;
        QTest::newRow("write fails") << "kept"
                                     << "备忘保存失败,请检查数据文件后重试。\n"
                                     << 2;
        QTest::newRow("changed here meanwhile") << "done meanwhile"
                                                << "该备忘在本机已被修改或删除" << 0;
    }

    // A copy kept with a text the service would give back changed is refused, and one whose write
    // fails, or whose row changed here since the windows opened, is told: nothing is written, the
    // windows stay and nothing is armed.
    void keptCopyNotStored()
    {
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(int, variant);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.distinctMemo(variant)));
        rig.a.change(onA, Device::Edit);
        rig.b.change(onB, Device::Edit);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QVERIFY(
            rig.b.store.db()
                .execOnce(QStringLiteral("CREATE TRIGGER planted BEFORE UPDATE ON Notebook WHEN NEW.title = "
                                         "'kept' BEGIN SELECT RAISE(ABORT, 'planted'); END"))
                .ok);
        if (title == QLatin1String("done meanwhile"))
            rig.b.change(onB, Device::Done);
        const MemoRecord before = rig.b.row(onB);
        rig.b.views.calls.clear();
        Device::child<QLineEdit>(rig.b.windows->localWindow(), "Text1")->setText(title);
        Device::child<QPushButton>(rig.b.windows->localWindow(), "Command1")->click();
        const QString told = rig.b.boxes.texts().value(rig.b.boxes.texts().size() - 1);
        QVERIFY2(told.startsWith(message), qPrintable(told));
        QCOMPARE(rig.b.row(onB), before);
        QVERIFY(rig.b.windows->localWindow() && rig.b.windows->serverWindow());
        QVERIFY(rig.b.sync.ConflictOpen());
        QVERIFY(rig.b.views.calls.isEmpty());
    }

    void keptCopyTakesTheUsersChange_data()
    {
        QTest::addColumn<bool>("serverCopy"); // the window the user changes and keeps
        QTest::addColumn<QString>("control");
        QTest::newRow("category, local copy") << false << "Combo1";
        QTest::newRow("secret, server copy") << true << "Check1";
        QTest::newRow("important, local copy") << false << "Check2";
        QTest::newRow("mail, server copy") << true << "Check3";
        QTest::newRow("content, local copy") << false << "Text2";
        QTest::newRow("built-in tune, server copy") << true << "Combo3";
        QTest::newRow("custom tune, local copy") << false << "Text3";
        QTest::newRow("reminder date, server copy") << true << "DT1";
    }

    // What the user changes in a conflict window is stored over the copy as it came: that field
    // alone (with what it brings along), for either copy.
    void keptCopyTakesTheUsersChange()
    {
        QFETCH(bool, serverCopy);
        QFETCH(QString, control);
        Rig rig;
        MemoRecord memo = rig.a.store.distinctMemo(0);
        memo.mimi = memo.importance = memo.Mail = false; // a flag set must not come from its neighbour
        MemoRecord foreign = rig.b.store.sampleMemo(QStringLiteral("another account's"));
        foreign.userid = QStringLiteral("someone");
        const qint64 foreignId = rig.b.store.addMemo(foreign);
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, memo));
        // An older row of another account with the same server id is neither shown nor written.
        QVERIFY(rig.b.store.db()
                    .exec(QStringLiteral("UPDATE Notebook SET NotebookServerId=? WHERE id=?"),
                          {rig.b.row(onB).NotebookServerId, foreignId})
                    .ok);
        foreign = rig.b.row(foreignId);
        rig.a.change(onA, Device::Edit);
        rig.b.change(onB, Device::Edit);
        rig.service.accounts().setMailboxBound(QStringLiteral("demo"), true); // the mail box can be ticked
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QWidget* window = serverCopy ? static_cast<QWidget*>(rig.b.windows->serverWindow())
                                     : static_cast<QWidget*>(rig.b.windows->localWindow());
        QVERIFY(window);
        MemoRecord expected = Device::settled(Device::shared(serverCopy ? rig.a.row(onA) : rig.b.row(onB)));
        const QString tune = rig.b.store.folder().filePath(QStringLiteral("own tune.mp3"));
        QFile(tune).open(QIODevice::WriteOnly);
        if (control == QLatin1String("Combo1")) {
            Device::child<QComboBox>(window, "Combo1")->setCurrentText(QStringLiteral("心情日记"));
            expected.type = 5;
        } else if (control.startsWith(QLatin1String("Check"))) {
            Device::child<QCheckBox>(window, qPrintable(control))->click();
            (control == QLatin1String("Check1")   ? expected.mimi
             : control == QLatin1String("Check2") ? expected.importance
                                                  : expected.Mail) = true;
        } else if (control == QLatin1String("Text2")) {
            Device::child<QPlainTextEdit>(window, "Text2")->setPlainText(QStringLiteral("新的正文"));
            expected.content = QStringLiteral("新的正文");
        } else if (control == QLatin1String("Combo3")) {
            Device::child<QCheckBox>(window, "Check4")->click();
            Device::child<QComboBox>(window, "Combo3")->setCurrentText(QStringLiteral("遇见.mid"));
            expected.sound = QStringLiteral("9.mid");
            expected.DiySound.clear();
        } else if (control == QLatin1String("Text3")) {
            Device::child<QLineEdit>(window, "Text3")->setText(tune);
            expected.DiySound = tune;
        } else {
            auto* date = Device::child<QDateEdit>(window, "DT1");
            date->setDate(date->date().addDays(1));
            expected.AlertTime = expected.mailTime = QDateTime(QDate(2026, 12, 9), QTime(17, 5));
        }
        Device::child<QPushButton>(window, "Command1")->click();
        QTRY_VERIFY(rig.b.windowsGone());
        QCOMPARE(Device::shared(rig.b.row(onB)), expected);
        QCOMPARE(rig.b.row(foreignId), foreign);
    }

    void conflictWindowsCloseAnyWay_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("close box") << "close";
        QTest::newRow("bind-mail button") << "mail";
    }

    // However both windows went, a later conflict opens them again.
    void conflictWindowsCloseAnyWay()
    {
        QFETCH(QString, how);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.distinctMemo(2)));
        rig.a.change(onA, Device::Edit);
        rig.b.change(onB, Device::Edit);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QVERIFY(rig.b.sync.ConflictOpen());
        QVERIFY(rig.b.syncNow()); // while they are open, they keep the memo they show
        QCOMPARE(rig.b.conflicts, 1);
        int mailDialogs = 0;
        rig.b.windows->setShowMailDialog([&mailDialogs] { ++mailDialogs; });
        const QList<QPointer<QWidget>> windows = {rig.b.windows->localWindow(),
                                                  rig.b.windows->serverWindow()};
        for (const QPointer<QWidget>& window : windows) {
            QVERIFY(window);
            QVERIFY(rig.b.sync.ConflictOpen());
            QApplication::setActiveWindow(window);
            if (how == QLatin1String("Esc"))
                QTest::keyClick(Device::child<QLineEdit>(window, "Text1"), Qt::Key_Escape);
            else if (how == QLatin1String("mail"))
                Device::child<QPushButton>(window, "Command6")->click();
            else
                window->close();
            QTRY_VERIFY(!window);
        }
        QTRY_VERIFY(rig.b.windowsGone());
        QCOMPARE(mailDialogs, how == QLatin1String("mail") ? 2 : 0);
        QVERIFY(!rig.b.sync.ConflictOpen());
        QVERIFY(rig.b.syncNow());
        QCOMPARE(rig.b.conflicts, 2);
        QVERIFY(rig.b.windows->localWindow());
    }

    void deletionReachesTheOtherComputer_data()
    {
        QTest::addColumn<QString>(
            "list"); // the id list B gets (%1: the memo's server id); null: the service's
        QTest::addColumn<bool>("changedOnB");
        QTest::addColumn<bool>("kept");
        QTest::newRow("deleted on A") << QString() << false << false;
        QTest::newRow("deleted on A, changed on B") << QString() << true << true;
        QTest::newRow("missing from the list") << QStringLiteral("") << false << true;
        // Ids not in increasing order refuse the list: nothing is let go.
        QTest::newRow("listed twice")
            << QStringLiteral("%1:1:d:a0b1c2d3:01234567,%1:1:a0b1c2d3:01234567") << false << true;
    }

    // B lets a memo deleted on A go only on the service's explicit mark, only its own row, and only
    // when the row has no change waiting; a changed copy brings the memo back, under its own server
    // id, on both computers.
    void deletionReachesTheOtherComputer()
    {
        QFETCH(QString, list);
        QFETCH(bool, changedOnB);
        QFETCH(bool, kept);
        Rig rig;
        const qint64 onA = rig.a.add(QStringLiteral("to go"));
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        const qint64 serverId = rig.a.row(onA).NotebookServerId;
        const qint64 onB = readByServerId(rig.b.store.db(), "demo", serverId).value.value_or(MemoRecord()).id;
        MemoRecord foreign = rig.b.store.sampleMemo(QStringLiteral("other account"));
        foreign.userid = QStringLiteral("someone");
        foreign.NotebookServerId = serverId;
        foreign.syn = true;
        const qint64 other = rig.b.store.addMemo(foreign);
        QVERIFY(SetDel(rig.a.store.db(), "demo", onA).ok);
        QVERIFY(rig.a.uploadNow());
        if (changedOnB)
            rig.b.change(onB, Device::Edit);
        if (!list.isNull()) {
            rig.answer(QStringLiteral("/Api/id.asp"),
                       "ok|0|" + ServerProof(MD5_16(Password)) + "|2026-12-6 10:00:00|" + list.arg(serverId) +
                           "|0",
                       1);
        }
        QVERIFY(rig.b.syncNow());
        QVERIFY(rig.b.store.memo(other));
        QCOMPARE(bool(rig.b.store.memo(onB)), kept);
        if (changedOnB) {
            QVERIFY(rig.b.row(onB).syn);
            QCOMPARE(rig.b.row(onB).NotebookServerId, serverId);
            QVERIFY(rig.a.syncNow());
            QCOMPARE(rig.a.titles(), QStringList{"to go-"});
        }
    }

    void answersTouchOnlyThePostedRow_data()
    {
        QTest::addColumn<QString>("answer"); // to every upload
        QTest::addColumn<QString>("status");
        QTest::newRow("deleted, never uploaded") << "#delo#|ok|0"
                                                 << "状态:同步完成,1条备忘未上传";
        QTest::newRow("another account's copy") << "#adok#|error|9|"
                                                << "状态:服务器返回值错误,下次同步";
    }

    // "#delo#|ok|0" deletes only the row just posted, only when it is marked deleted and has no other
    // server id; for a row that is not marked deleted it is no answer: that memo waits. A conflict
    // answer with another account's copy opens no window; two refusals in a row end the pass. A
    // deleted row whose server id the service does not list goes without a request. Other accounts'
    // rows are never sent.
    void answersTouchOnlyThePostedRow()
    {
        QFETCH(QString, answer);
        QFETCH(QString, status);
        Rig rig;
        auto addRow = [&](const QString& title, bool del, qint64 serverId, const QString& owner = {}) {
            MemoRecord memo = rig.a.store.sampleMemo(title);
            memo.Del = del;
            memo.NotebookServerId = serverId;
            if (!owner.isEmpty())
                memo.userid = owner;
            return rig.a.store.addMemo(memo);
        };
        const qint64 deleted = addRow("deleted, never sent", true, 0);
        const qint64 unknown = addRow("deleted, server id 5", true, 5);
        const qint64 kept = addRow("new", false, 0);
        const qint64 foreign = addRow("other account", true, 0, "someone");
        MemoRecord theirs = rig.a.row(kept);
        theirs.userid = QStringLiteral("someone");
        rig.answer(QStringLiteral("/api/Syn.asp"),
                   answer.endsWith(u'|') ? answer + ServerRecordText(theirs) : answer);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.uploads().size(), 2);
        QCOMPARE(bool(rig.a.store.memo(deleted)), answer.endsWith(u'|'));
        QVERIFY(!rig.a.store.memo(unknown));
        QVERIFY(!rig.a.row(kept).syn);
        QVERIFY(rig.a.store.memo(foreign));
        QCOMPARE(rig.a.conflicts, 0);
        QCOMPARE(rig.a.statuses.last(), status);
    }

    // The exact bytes of a pass: the list, one memo a download and one an upload, the keys in the
    // service's order, the user percent-encoded from GBK, the upload's 25 pairs in order.
    void requestBytes()
    {
        test::ServiceFixture service;
        const QString user = QStringLiteral("张三&x");
        service.addAccount(user, Password);
        Device device(service.address(), user);
        MemoRecord memo;
        memo.type = 1;
        memo.userid = user;
        memo.title = QStringLiteral("a&b c+d%e");
        memo.content = QStringLiteral("x\ny");
        memo.Done = true;
        memo.addtime = QDateTime(QDate(2026, 12, 6), QTime(10, 0));
        memo.AlertTime = QDateTime(QDate(2026, 12, 18), QTime(19, 30, 45));
        memo.AlertPinLv = QStringLiteral("1tian");
        memo.ifAlert = true;
        memo.click = 1;
        memo.mailTime = QDateTime(QDate(2026, 12, 7), QTime(0, 0));
        memo.sound = QStringLiteral("1.mid");
        memo.lifa = 1;
        memo.synnum = 3;
        const qint64 id = device.store.addMemo(memo);
        device.add(QStringLiteral("not mine"), QStringLiteral("someone"));
        QStringList record = ServerRecordText(memo).split(RecordFieldSeparator);
        record[2] = QStringLiteral("there");
        const qint64 there = standin::MemoStore::of(service.service())->add(user, record, 1);
        QVERIFY(device.uploadNow());

        const QList<standin::StandInRequest> requests = service.requests();
        QCOMPARE(requests.size(), 3);
        const QString stamp = NowNumberText(test::defaultTestMoment());
        QCOMPARE(requests[0].path, QStringLiteral("/Api/id.asp"));
        QCOMPARE(QString::fromLatin1(requests[0].rawQuery),
                 "userid=%D5%C5%C8%FD%26x&pass=" + MD5_16(Password) + "&md5=" + RequestSignature(stamp) +
                     "&nowtime=" + stamp + "&after=0");
        QCOMPARE(requests[1].path, QStringLiteral("/api/download.asp"));
        QCOMPARE(QString::fromLatin1(requests[1].rawQuery),
                 QStringLiteral("id=%1&nowtime=%2&md5=%3&userid=%D5%C5%C8%FD%26x")
                     .arg(there)
                     .arg(stamp, RequestSignature(stamp)));
        const standin::StandInRequest post = requests[2];
        QCOMPARE(post.path, QStringLiteral("/api/Syn.asp"));
        QCOMPARE(QString::fromLatin1(post.rawQuery), "nowtime=" + stamp + "&md5=" + RequestSignature(stamp) +
                                                         "&userid=%D5%C5%C8%FD%26x&yibu=False");
        QCOMPARE(post.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(post.body,
                 "LocalId=" + QByteArray::number(id) +
                     "&id=&type=1&userid=%D5%C5%C8%FD%26x&title=a%26b c%2Bd%25e&content=x<BR>y&Done=True"
                     "&addtime=2026%2D12%2D6%2010%3A00%3A00&AlertTime=2026%2D12%2D18%2019%3A30%3A45"
                     "&AlertPinLv=1tian&mimi=False"
                     "&ifAlert=True&importance=False&AddIp=&click=1&AlertTimeNongli="
                     "&mailTime=2026%2D12%2D7&before=7&sound=1%2Emid&diysound=&Mail=False&editor=False"
                     "&lifa=1&synnum=3&del=False");
        QVERIFY(device.row(id).syn);
    }

    void failuresLoseNothing_data()
    {
        QTest::addColumn<int>("kind"); // -1: the service is down, -2: the configured address is no URL
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QString>("path"); // the requests that meet the fault; empty: every one
        QTest::newRow("HTTP 500") << int(Fault::ServerError) << 0 << "";
        QTest::newRow("garbage") << int(Fault::Garbage) << 0 << "";
        QTest::newRow("dropped") << int(Fault::DropConnection) << 0 << "";
        QTest::newRow("garbage to an upload") << int(Fault::Garbage) << 0 << "/api/Syn.asp";
        QTest::newRow("upload timed out") << int(Fault::None) << 3000 << "/api/Syn.asp";
        QTest::newRow("service down") << -1 << 0 << "";
        QTest::newRow("address not usable") << -2 << 0 << "";
    }

    // A failed pass leaves the rows waiting and says so; the next pass sends them, once each (an
    // upload the service took after the time-out included).
    void failuresLoseNothing()
    {
        QFETCH(int, kind);
        QFETCH(int, delayMs);
        QFETCH(QString, path);
        Rig rig;
        std::unique_ptr<test::ServiceFixture> down;
        std::unique_ptr<Device> device;
        if (kind == -2) {
            device = std::make_unique<Device>(ServiceAddress(QUrl(QStringLiteral("notaurl"))));
        } else if (kind < 0) {
            down = std::make_unique<test::ServiceFixture>();
            const ServiceAddress gone = down->address();
            down.reset();
            device = std::make_unique<Device>(gone);
        } else {
            device = std::make_unique<Device>(rig.service.address());
            rig.service.failNext(Fault::Kind(kind), -1, path, delayMs);
        }
        for (const char* title : {"one", "two", "three"})
            device->add(QString::fromLatin1(title));
        QVERIFY(device->syncNow());
        QVERIFY(device->sync.lastTransferFailed() || kind == int(Fault::Garbage));
        const QString last = device->statuses.last();
        if (kind == int(Fault::Garbage))
            QCOMPARE(last, QStringLiteral("状态:服务器返回值错误,下次同步"));
        else // no reply at all: the transport's reason follows, or which address is unusable
            QVERIFY2(last.startsWith(QStringLiteral("状态:连接失败,下次同步 (")) && last.endsWith(')') &&
                         (kind != -2 || last.contains(QStringLiteral("服务器地址“notaurl”不是可用的网址"))),
                     qPrintable(last));
        QCOMPARE(device->unsynced(), 3);

        if (kind < 0)
            device->sync.setServiceAddress(rig.service.address());
        rig.service.clearFault();
        QTest::qWait(delayMs); // the upload that timed out reaches the service first
        QVERIFY(device->syncNow());
        QCOMPARE(device->unsynced(), 0);
        QCOMPARE(rig.memos().allMemos("demo").size(), 3);
        QCOMPARE(rig.serverTitles(), (QStringList{"one", "three", "two"}));
    }

    void changeDuringUploadGoesUpAgain_data()
    {
        QTest::addColumn<bool>("syncAsked");
        QTest::newRow("upload asked meanwhile") << false;
        QTest::newRow("sync asked meanwhile") << true;
    }

    // A row changed while its upload waited is acknowledged with its server id but goes up again, in
    // the pass asked for while the first ran.
    void changeDuringUploadGoesUpAgain()
    {
        QFETCH(bool, syncAsked);
        Rig rig;
        const qint64 id = rig.a.add(QStringLiteral("memo"));
        rig.service.delayReplies(300);
        QSignalSpy finished(&rig.a.sync, &SyncSession::passFinished);
        rig.a.sync.UploadData();
        QTRY_COMPARE(rig.uploads().size(), 1);
        QVERIFY(SetDone(rig.a.store.db(), "demo", id).ok);
        syncAsked ? rig.a.sync.SyncData() : rig.a.sync.UploadData();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 5000);
        QCOMPARE(rig.uploads().size(), 2);
        QCOMPARE(rig.a.statuses.contains(QStringLiteral("状态:远程效验完成")), syncAsked);
        QVERIFY(rig.a.row(id).syn);
        QCOMPARE(rig.memos().liveMemos("demo").size(), 1);
        QCOMPARE(rig.memos().liveMemos("demo").first().fields.value(4), QStringLiteral("True"));
    }

    // A sync asked while the list or a download is on its way joins the pass under way.
    void syncAskedDuringAPassJoinsIt()
    {
        Rig rig;
        rig.b.add(QStringLiteral("from b"));
        QVERIFY(rig.b.uploadNow());
        rig.a.add(QStringLiteral("from a"));
        rig.service.delayReplies(200);
        QSignalSpy finished(&rig.a.sync, &SyncSession::passFinished);
        const qsizetype start = rig.service.requestCount();
        for (const char* path : {"/Api/id.asp", "/api/download.asp"}) {
            rig.a.sync.SyncData();
            QTRY_COMPARE(rig.service.lastRequest().path, QString::fromLatin1(path));
        }
        rig.a.sync.SyncData();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QStringList paths;
        for (const auto& request : rig.service.requests().mid(start))
            paths << request.path;
        QCOMPARE(paths, (QStringList{"/Api/id.asp", "/api/download.asp", "/api/Syn.asp"}));
        QCOMPARE(rig.a.unsynced(), 0);
    }

    // The timestamp that is signed is the one that is sent, however fast the clock runs.
    void oneClockReadingPerRequest()
    {
        Rig rig;
        TickingClock ticking;
        Clock::setInstance(&ticking);
        rig.a.add(QStringLiteral("memo"));
        const bool ran = rig.a.syncNow();
        Clock::setInstance(&test::fixedClock());
        QVERIFY(ran);
        QCOMPARE(rig.a.unsynced(), 0);
    }

    void clockBehind_data()
    {
        QTest::addColumn<QString>("serverTime");
        QTest::addColumn<int>("warnings");
        QTest::newRow("an hour ahead") << "2026-12-6 11:00:00" << 1;
        QTest::newRow("five minutes ahead") << "2026-12-6 10:05:00" << 0;
        QTest::newRow("one second more") << "2026-12-6 10:05:01" << 1;
        QTest::newRow("behind") << "2026-12-6 9:00:00" << 0;
    }

    void clockBehind()
    {
        QFETCH(QString, serverTime);
        QFETCH(int, warnings);
        Rig rig;
        rig.answer(QStringLiteral("/Api/id.asp"),
                   "ok|0|" + ServerProof(MD5_16(Password)) + '|' + serverTime + "||0", 1);
        QSignalSpy behind(&rig.a.sync, &SyncSession::clockBehind);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(behind.size(), warnings);
    }

    // The countdown waits for a synchronisation of this run, then uploads at its fifth second.
    void countdown()
    {
        Rig rig;
        rig.a.add(QStringLiteral("memo"));
        SyncSession::CountdownStep step = rig.a.sync.Timer3Tick();
        QVERIFY(step.stop && step.status.isEmpty() && !step.showButton);
        rig.a.sync.setSyncStarted(true);
        for (int tick = 1; tick <= 4; ++tick) {
            step = rig.a.sync.Timer3Tick();
            QCOMPARE(step.status, QStringLiteral("状态:%1秒后同步数据").arg(5 - tick));
            QVERIFY(!step.stop && step.showButton);
        }
        QCOMPARE(rig.service.requestCount(), 0);
        QVERIFY(rig.a.sync.Timer3Tick().stop);
        QTRY_COMPARE(rig.a.unsynced(), 0);
    }

    // A pass waiting for the channel takes no part in the failure of another user's request on it.
    void othersFailureIsNotOurs()
    {
        Rig rig;
        QVERIFY(rig.a.channel.openUrl(QUrl(QStringLiteral("http://127.0.0.1:1/"))));
        QVERIFY(rig.a.syncNow());
        QVERIFY(rig.a.statuses.contains(QStringLiteral("状态:同步完成")));
        QVERIFY(!rig.a.statuses.contains(QStringLiteral("状态:连接失败,下次同步")));
    }
};

VELMO_TEST_MAIN(TestSyncSession)
#include "TestSyncSession.moc"
