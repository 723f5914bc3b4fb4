#include "SyncRig.h"
#include "TestMain.h"

#include "store/SentUploads.h"
#include "store/WireText.h"

#include <QPushButton>

using namespace velmo;
using namespace velmo::test;

namespace {

qint64 remembered(Device& device)
{
    return device.store.value(QStringLiteral("SELECT count(*) FROM SentUploads")).toLongLong();
}

} // namespace

class TestServiceLoss : public QObject
{
    Q_OBJECT

private slots:
    void serviceLostItsMemos_data()
    {
        QTest::addColumn<bool>("otherAddress"); // false: the service started over empty
        QTest::newRow("service started over") << false;
        QTest::newRow("address changed to another service") << true;
    }

    // Rows in step and rows with changes under server ids the service no longer gave (or another
    // memo got since): every memo reaches it again, once, with the newest change; no pass stops.
    void serviceLostItsMemos()
    {
        QFETCH(bool, otherAddress);
        Rig rig;
        for (const char* title : {"one", "two", "three"})
            rig.a.add(QString::fromLatin1(title));
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        rig.a.change(rig.a.store.value("SELECT id FROM Notebook WHERE title='one'").toLongLong(),
                     Device::Edit);
        rig.b.change(rig.b.store.value("SELECT id FROM Notebook WHERE title='two'").toLongLong(),
                     Device::Edit);
        ServiceFixture other;
        other.addAccount(QStringLiteral("demo"), Password);
        if (otherAddress) {
            for (Device* device : {&rig.a, &rig.b})
                device->sync.setServiceAddress(other.address());
        } else {
            QVERIFY(rig.memos().reset());
        }
        standin::MemoStore& store =
            *standin::MemoStore::of(otherAddress ? other.service() : rig.service.service());
        rig.b.add(QStringLiteral("fresh")); // gets a server id one of the old ones had
        QVERIFY(rig.b.syncNow() && rig.a.syncNow() && rig.b.syncNow() && rig.a.syncNow());
        QStringList titles;
        for (const standin::StoredMemo& memo : store.liveMemos(QStringLiteral("demo")))
            titles << memo.fields.value(2);
        titles.sort();
        QCOMPARE(titles, (QStringList{"fresh", "one+", "three", "two-"}));
        for (Device* device : {&rig.a, &rig.b}) {
            QCOMPARE(device->titles(), titles);
            QCOMPARE(device->unsynced(), 0);
            QCOMPARE(device->statuses.last(), QStringLiteral("状态:同步完成"));
        }
    }

    // A service put back from a backup: an acknowledged edit it lost goes up again (never replaced by
    // the older copy), a memo it lost comes back once, a deletion it lost goes up again.
    void restoredFromABackup()
    {
        Rig rig;
        const qint64 edited = rig.a.add(QStringLiteral("edited"));
        const qint64 gone = rig.a.add(QStringLiteral("gone"));
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        const standin::MemoStore::Backup backup = rig.memos().backup();
        rig.a.change(edited, Device::Edit);
        rig.a.change(gone, Device::Delete);
        rig.a.add(QStringLiteral("late"));
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QVERIFY(rig.memos().restore(backup));
        QVERIFY(rig.b.syncNow() && rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), (QStringList{"edited+", "late"}));
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
        QCOMPARE(rig.b.statuses.last(), QStringLiteral("状态:同步完成"));
    }

    void restoredThenSentAgain_data()
    {
        QTest::addColumn<bool>("changedThere"); // B changes its older copy (else sends it unchanged)
        QTest::newRow("older copy sent again") << false;
        QTest::newRow("older copy changed") << true;
    }

    // A service put back from a backup, then given another computer's older copy at the counter of the
    // edit it lost: an older copy of A's never replaces A's edit; one changed from it meets it in the
    // conflict windows.
    void restoredThenSentAgain()
    {
        QFETCH(bool, changedThere);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        const standin::MemoStore::Backup backup = rig.memos().backup();
        rig.a.change(onA, Device::Edit);
        QVERIFY(rig.a.syncNow());
        QVERIFY(rig.memos().restore(backup));
        rig.b.change(onB, changedThere ? Device::Write : Device::Done, changedThere ? 1 : 2);
        QVERIFY(rig.b.syncNow() && rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.a.conflicts, changedThere ? 1 : 0);
        QVERIFY(rig.a.row(onA).title.endsWith(rig.a.mark));
        if (!changedThere) {
            QCOMPARE(rig.serverTitles(), QStringList{"memo" + rig.a.mark});
            QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
        }
    }

    void lateEditAfterServiceStartedOver_data()
    {
        QTest::addColumn<bool>("overtaken"); // a later edit the service took overtakes it (else another
                                             // memo gets the server id it names)
        QTest::newRow("server id given to another memo") << false;
        QTest::newRow("overtaken by a later edit") << true;
    }

    // An edit held on the way reaches the service after it started over. Another memo given the memo's
    // server id is not overwritten, and the edit still goes up with its own memo; an edit a later one
    // overtook is an older copy of the memo, not a memo of its own.
    void lateEditAfterServiceStartedOver()
    {
        QFETCH(bool, overtaken);
        Rig rig;
        const qint64 edited = rig.a.add(QStringLiteral("edited"));
        QVERIFY(rig.a.syncNow());
        rig.a.change(edited, Device::Edit);
        rig.service.failNext(standin::Fault::HoldRequest, -1, QStringLiteral("/api/Syn.asp"));
        rig.a.syncNow(); // the connection breaks: the pass ends
        rig.service.failNext(standin::Fault::None);
        if (overtaken) {
            rig.a.change(edited, Device::Edit);
            QVERIFY(rig.a.syncNow());
        }
        QCOMPARE(rig.serverTitles(), QStringList{overtaken ? "edited++" : "edited"});
        QVERIFY(rig.memos().reset());
        if (!overtaken) {
            rig.b.add(QStringLiteral("fresh")); // gets the server id the edit names
            QVERIFY(rig.b.syncNow());
        }
        rig.service.service().releaseHeld();
        QCOMPARE(rig.serverTitles(), QStringList{overtaken ? "edited+" : "fresh"});
        QVERIFY(rig.a.syncNow() && rig.b.syncNow() && rig.a.syncNow());
        QCOMPARE(rig.serverTitles(), (overtaken ? QStringList{"edited++"} : QStringList{"edited+", "fresh"}));
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    // A's memo, kept from C's copy in the conflict windows and edited since, and B's older copy come back
    // as two after the service started over; C then moves B's copy on to its own, the one A kept: A knows
    // it for an older copy of its memo, and the memo stays once, with A's edit.
    void copyMovedOnToOneAnotherRowHadKept()
    {
        Rig rig;
        Device c{rig.service.address()};
        c.mark = QStringLiteral("*");
        const qint64 onA = rig.a.add(QStringLiteral("memo"));
        QVERIFY(rig.a.syncNow() && rig.b.syncNow() && c.syncNow());
        const qint64 onC = c.store.value(QStringLiteral("SELECT id FROM Notebook")).toLongLong();
        c.change(onC, Device::Edit);
        QVERIFY(c.syncNow() && rig.b.syncNow()); // B holds memo*
        c.change(onC, Device::Edit);
        rig.a.change(onA, Device::Edit);
        QVERIFY(c.syncNow() && rig.a.syncNow()); // A meets memo** in the windows
        QCOMPARE(rig.a.conflicts, 1);
        Device::child<QPushButton>(rig.a.windows->serverWindow(), "Command1")->click();
        rig.a.change(onA, Device::Edit);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo**+"});
        QVERIFY(rig.memos().reset());
        QVERIFY(rig.b.syncNow() && rig.a.syncNow() && c.syncNow());
        QCOMPARE(rig.serverTitles(), (QStringList{"memo**", "memo**+"}));
        for (int round = 0; round < 2; ++round)
            QVERIFY(rig.a.syncNow() && rig.b.syncNow() && c.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo**+"});
        QVERIFY2(rig.apart({&rig.a, &rig.b, &c}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b, &c})));
    }

    // A memo comes down while the disk refuses the writes after its row's: nothing of it stays half
    // stored. The service then starts over and gives the memo's server id to another memo: the edit
    // made here meanwhile overwrites nothing, and goes up as its own memo.
    void downloadCutByAFailingWrite()
    {
        Rig rig;
        rig.a.add(QStringLiteral("shared"));
        QVERIFY(rig.a.syncNow());
        QVERIFY(rig.b.store.refuse(QStringLiteral("UPDATE ON Notebook")));
        QVERIFY(rig.b.syncNow());
        QVERIFY(rig.b.statuses.last().startsWith(QStringLiteral("状态:本地数据保存失败")));
        QVERIFY(rig.b.store.db().exec(QStringLiteral("DROP TRIGGER refuse")).ok);
        const auto stored = [&rig] {
            return readMemos(rig.b.store.db(), QStringLiteral("SELECT * FROM Notebook")).value;
        };
        auto rows = stored();
        if (rows.empty()) { // nothing of it was kept: it comes down whole at the next pass
            QVERIFY(rig.b.syncNow());
            rows = stored();
        }
        QCOMPARE(rows.size(), 1);
        const qint64 onB = rows.front().id;
        QVERIFY(rig.memos().reset());
        Device c{rig.service.address()};
        c.add(QStringLiteral("fresh")); // gets the server id B's row carries
        QVERIFY(c.syncNow());
        rig.b.change(onB, Device::Edit);
        QVERIFY(rig.b.syncNow() && rig.a.syncNow() && c.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), (QStringList{"fresh", "shared-"}));
        QVERIFY2(rig.apart({&rig.a, &rig.b, &c}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b, &c})));
    }

    void lostAnswerThenOtherComputer_data()
    {
        QTest::addColumn<bool>("edit");    // the lost answer is that of an edit (else of a new memo)
        QTest::addColumn<bool>("deletes"); // B deletes the memo (else edits it)
        QTest::newRow("new memo, deleted elsewhere") << false << true;
        QTest::newRow("edit, deleted elsewhere") << true << true;
        QTest::newRow("new memo, edited elsewhere") << false << false;
        QTest::newRow("edit, edited elsewhere") << true << false;
    }

    // An upload stored, its answer lost, and another computer deleting or editing the memo before the
    // first one's next pass: the deletion stays a deletion, the edit reaches both, nothing is twice.
    void lostAnswerThenOtherComputer()
    {
        QFETCH(bool, edit);
        QFETCH(bool, deletes);
        Rig rig;
        qint64 onA = 0;
        if (edit) {
            qint64 onB = 0;
            QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
            rig.a.change(onA, Device::Edit);
        } else {
            onA = rig.a.add(QStringLiteral("memo"));
        }
        QVERIFY(rig.passLosingAnswers(rig.a));
        QVERIFY(rig.b.syncNow());
        for (const MemoRecord& memo : readMemos(rig.b.store.db(), "SELECT * FROM Notebook").value)
            rig.b.change(memo.id, deletes ? Device::Delete : Device::Edit);
        QVERIFY(rig.b.syncNow() && rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
        QCOMPARE(rig.serverTitles(), deletes ? QStringList() : QStringList{edit ? "memo+-" : "memo-"});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    // A computer away for longer than a post is kept in mind still knows it when it comes back, and
    // what is posted is let go once its answer or its copy is settled: the record does not grow.
    void postsKeptUntilSettled()
    {
        Rig rig;
        const qint64 id = rig.a.add(QStringLiteral("memo"));
        QVERIFY(rig.passLosingAnswers(rig.a));
        fixedClock().advanceSeconds(qint64(UnansweredUploads::KeptDays + 10) * 24 * 3600);
        rig.service.failNext(Fault::ServerError, 1, QStringLiteral("/Api/id.asp"));
        QVERIFY(rig.a.syncNow()); // no list: nothing is let go
        QVERIFY(remembered(rig.a) > 0);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo"});
        QVERIFY(rig.a.row(id).syn);
        for (int i = 0; i < 3; ++i) {
            rig.a.change(id, Device::Write);
            rig.a.add(QStringLiteral("more %1").arg(i));
            QVERIFY(rig.a.syncNow());
        }
        QVERIFY(rig.a.syncNow());
        QCOMPARE(remembered(rig.a), 0);
        fixedClock().setNow(defaultTestMoment());
    }

    void oneMemoRefused_data()
    {
        QTest::addColumn<int>("fault"); // to the first upload; -1: the memo is too large for the service
        QTest::newRow("too large") << -1;
        QTest::newRow("HTTP 500 to its upload") << int(Fault::ServerError);
        QTest::newRow("an answer that is none") << int(Fault::Garbage);
    }

    // A memo the service refuses, or that is too large for it, waits and is named once with the reason;
    // the others go up in the same pass, and no pass stops for good.
    void oneMemoRefused()
    {
        QFETCH(int, fault);
        Rig rig;
        const qint64 first = rig.a.add(QStringLiteral("first"));
        if (fault < 0) {
            QVERIFY(rig.a.store.db()
                        .exec(QStringLiteral("UPDATE Notebook SET content=? WHERE id=?"),
                              {QString(1048576, QChar(0x5B57)), first})
                        .ok);
        } else {
            rig.service.failNext(Fault::Kind(fault), 1, QStringLiteral("/api/Syn.asp"));
        }
        for (const char* title : {"two", "three"})
            rig.a.add(QString::fromLatin1(title));
        QSignalSpy told(&rig.a.sync, &SyncSession::memoHeldBack);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.a.statuses.last(), QStringLiteral("状态:同步完成,1条备忘未上传"));
        QCOMPARE(told.size(), 1);
        QVERIFY(told.at(0).at(1).toString().contains(QStringLiteral("“first”")));
        QCOMPARE(rig.serverTitles(), (QStringList{"three", "two"}));
        QVERIFY(rig.a.syncNow());
        const QStringList after =
            fault < 0 ? QStringList{"three", "two"} : QStringList{"first", "three", "two"};
        QCOMPARE(rig.serverTitles(), after);
        QCOMPARE(told.size(), 1);
    }

    // Two copies of one memo (a post the service took twice, or a memo sent again after it lost it): a
    // computer moved to the one changed elsewhere and deleted the other as one too many, while B had a
    // change waiting on that other one. B's change meets the copy the memo lives on, in the conflict
    // windows, instead of bringing the deleted one back; else computers with changes waiting on the
    // two copies delete each other's, pass after pass.
    void changeOverACopyOneTooMany()
    {
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        const qint64 first = rig.b.row(onB).NotebookServerId;
        standin::StoredMemo other = rig.memos().memo(QStringLiteral("demo"), first).value();
        other.serverId = rig.memos().add(other.userId, other.fields, other.synnum);
        other.fields[2] += QStringLiteral("*");
        ++other.synnum;
        QVERIFY(other.serverId > 0 && rig.memos().update(other));
        QVERIFY(rig.memos().markDeleted(QStringLiteral("demo"), first, other.synnum));
        rig.b.change(onB, Device::Edit);
        QVERIFY(rig.b.syncNow());
        QCOMPARE(rig.b.conflicts, 1);
        QCOMPARE(rig.serverTitles(), QStringList{"memo*"});
        QCOMPARE(rig.b.row(onB).NotebookServerId, other.serverId);
        Device::child<QPushButton>(rig.b.windows->localWindow(), "Command1")->click();
        QTRY_VERIFY(rig.b.windowsGone());
        QVERIFY(rig.b.syncNow() && rig.a.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo-"});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    // Keeping a copy in the conflict windows while a pass is downloading that memo: the pass sees the
    // settlement, the windows do not open again and the kept copy goes up.
    void conflictSettledDuringAPass()
    {
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        rig.a.change(onA, Device::Edit);
        rig.b.change(onB, Device::Edit);
        QVERIFY(rig.b.syncNow() && rig.a.syncNow());
        QCOMPARE(rig.a.conflicts, 1);
        bool settled = false;
        QObject::connect(&rig.service.service(), &standin::ServiceStandIn::requestReceived,
                         &rig.service.service(), [&](const standin::StandInRequest& request) {
                             if (settled ||
                                 !request.path.contains(QLatin1String("download"), Qt::CaseInsensitive))
                                 return;
                             settled = true;
                             Device::child<QPushButton>(rig.a.windows->localWindow(), "Command1")->click();
                         });
        QVERIFY(rig.a.syncNow());
        QVERIFY(settled);
        QCOMPARE(rig.a.conflicts, 1);
        QTRY_VERIFY(rig.a.windowsGone());
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{"memo+"});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }
};

VELMO_TEST_MAIN(TestServiceLoss)
#include "TestServiceLoss.moc"
