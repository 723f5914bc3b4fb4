#include "SyncRig.h"
#include "TestMain.h"
#include "store/SyncDeletions.h"

using namespace velmo;
using namespace velmo::test;

namespace {

// Changes the service's memo `count` times, as other computers would: its title becomes the counter.
void changeOnService(Rig& rig, qint64 serverId, int count)
{
    std::optional<standin::StoredMemo> memo = rig.memos().memo("demo", serverId);
    QVERIFY(memo);
    for (int i = 0; i < count; ++i) {
        ++memo->synnum;
        memo->fields[2] = QStringLiteral("edit %1").arg(memo->synnum);
        QVERIFY(rig.memos().update(*memo));
    }
}

qint64 lineageRows(Device& device, qint64 id)
{
    return device.store.value(QStringLiteral("SELECT count(*) FROM SyncLineage WHERE LocalId=?"), {id})
        .toLongLong();
}

} // namespace

class TestLongHistory : public QObject
{
    Q_OBJECT

private slots:
    // A memo changed ten thousand times elsewhere comes down like one changed once: the computer in
    // step takes the newest copy (the copy it had is among those the service no longer names, not a
    // copy the service lost), and keeps no more than KeptCopies of its copies, nor of the memo's once
    // it is deleted elsewhere.
    void manyChangesElsewhere()
    {
        Rig rig;
        qint64 onA = 0;
        qint64 onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo("memo")));
        const qint64 serverId = rig.a.row(onA).NotebookServerId;
        changeOnService(rig, serverId, 10000);
        for (int round = 0; round < 3; ++round) {
            QVERIFY(rig.a.syncNow());
            QCOMPARE(rig.a.conflicts, 0);
            QCOMPARE(rig.a.titles(), rig.serverTitles());
            changeOnService(rig, serverId, 100);
        }
        QVERIFY(rig.a.syncNow());
        QCOMPARE(lineageRows(rig.a, onA), qint64(KeptCopies));
        QCOMPARE(readLineageInOrder(rig.a.store.db(), "demo", onA).value.value(0),
                 rig.memos().versions("demo", serverId).front().digest);
        changeOnService(rig, serverId, 100); // then deleted elsewhere
        QVERIFY(rig.memos().markDeleted("demo", serverId));
        QVERIFY(rig.a.syncNow());
        QVERIFY(!rig.a.store.memo(onA));
        const auto deletions = readDeletions(rig.a.store.db(), "demo");
        QVERIFY(deletions.ok && deletions.value.size() == 1);
        QCOMPARE(deletions.value.front().Lineage.size(), KeptCopies);
        QVERIFY(rig.b.syncNow());
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    // A deletion remembers the memo's first copy and its latest, however many it was known to hold.
    void deletionKeepsFirstAndLatest()
    {
        TestStore store;
        SyncDeletion gone;
        gone.Digest = QStringLiteral("last");
        for (int i = 0; i < 200; ++i)
            gone.Lineage << QString::number(i);
        gone.DeletedAt = defaultTestMoment();
        QVERIFY(rememberDeletion(store.db(), "demo", gone).ok);
        const auto read = readDeletions(store.db(), "demo");
        QVERIFY(read.ok && read.value.size() == 1);
        const QStringList kept = read.value.front().Lineage;
        QCOMPARE(kept.size(), KeptCopies);
        QCOMPARE(kept.front(), QStringLiteral("0"));
        QCOMPARE(kept.at(1), QString::number(200 - KeptCopies + 1));
        QCOMPARE(kept.back(), QStringLiteral("199"));
    }

    // A post of a new memo whose answer was lost is still this computer's after many changes made to
    // it elsewhere: the service keeps the memo's first copy.
    void lostPostRecognisedAfterManyChanges()
    {
        Rig rig;
        rig.a.add(QStringLiteral("memo"));
        QVERIFY(rig.passLosingAnswers(rig.a));
        const QList<standin::StoredMemo> taken = rig.memos().liveMemos("demo");
        QVERIFY(!taken.isEmpty());
        changeOnService(rig, taken.front().serverId, 200);
        const QString newest = rig.memos().memo("demo", taken.front().serverId)->fields.value(2);
        QVERIFY(rig.a.syncNow() && rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{newest});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    void downloadSkipped_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("too large") << QString(ServiceChannel::MaxReplyBytes, QLatin1Char('x'))
                                   << "服务器的应答太大(超过 4 MB)";
        QTest::newRow("unreadable") << "a(#f!g#)b"
                                    << "服务器发来的备忘无法读取";
    }

    // A memo that does not come down is named once with its reason; its row stays as it is, the memo
    // after it still comes down and the changes here still go up.
    void downloadSkipped()
    {
        QFETCH(QString, content);
        QFETCH(QString, reason);
        Rig rig;
        QSignalSpy told(&rig.a.sync, &SyncSession::downloadSkipped);
        const qint64 held = rig.a.add(QStringLiteral("held"));
        QVERIFY(rig.a.syncNow());
        const MemoRecord before = rig.a.row(held);
        std::optional<standin::StoredMemo> memo = rig.memos().memo("demo", before.NotebookServerId);
        QVERIFY(memo);
        ++memo->synnum;
        memo->fields[3] = content;
        QVERIFY(rig.memos().update(*memo));
        rig.memos().add("demo", ServerRecordText(rig.a.store.sampleMemo("after")).split(RecordFieldSeparator),
                        1);
        rig.a.add(QStringLiteral("local"));
        for (int pass = 0; pass < 2; ++pass) {
            QVERIFY(rig.a.syncNow());
            QCOMPARE(rig.a.statuses.last(), QStringLiteral("状态:同步完成,1条网络备忘有误"));
        }
        QCOMPARE(told.size(), 1);
        QCOMPARE(told.at(0).at(1).toString(),
                 QStringLiteral("备忘“held”没有下载(%1)。它暂不同步,其余备忘照常同步,下次同步时再试。")
                     .arg(reason));
        QCOMPARE(rig.a.row(held), before);
        QCOMPARE(rig.a.titles(), (QStringList{"after", "held", "local"}));
        QCOMPARE(rig.serverTitles(), (QStringList{"after", "held", "local"}));
    }

    // A reply too large to any other request is told as such, not as a connection failure.
    void tooLargeListToldSo()
    {
        Rig rig;
        rig.answer(QStringLiteral("/Api/id.asp"),
                   QString(ServiceChannel::MaxReplyBytes + 1, QLatin1Char('x')));
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.a.statuses.last(), QStringLiteral("状态:服务器的应答太大(超过 4 MB),下次同步"));
    }
};

VELMO_TEST_MAIN(TestLongHistory)
#include "TestLongHistory.moc"
