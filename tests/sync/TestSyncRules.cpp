// The synchronisation's rules (docs/sync-rules.md) over the long run: what a computer remembers across
// passes and weeks, an edit that lands in the middle of a pass, and answers lost on two new memos. Each
// row names the rule it pins.

#include "SyncRig.h"
#include "TestMain.h"

#include "store/SyncDeletions.h"

#include <QPushButton>
#include <QScopeGuard>

using namespace velmo;
using namespace velmo::test;

namespace {

constexpr qint64 Day = 24 * 3600;

// The clock back where every test starts, whatever a test did to it.
auto clockKeptFor()
{
    return qScopeGuard([] { fixedClock().setNow(defaultTestMoment()); });
}

// Runs a pass on each device in turn; false when one did not end.
bool passes(std::initializer_list<Device*> devices)
{
    for (Device* device : devices) {
        if (!device->syncNow())
            return false;
    }
    return true;
}

std::vector<SyncDeletion> deletionsOf(Device& device)
{
    return readDeletions(device.store.db(), QStringLiteral("demo")).value;
}

} // namespace

class TestSyncRules : public QObject
{
    Q_OBJECT

private slots:
    void deletionOutlivesAPutBackService_data()
    {
        QTest::addColumn<bool>("editedFirst");        // the backup holds what the memo said before an edit
        QTest::addColumn<bool>("deleterPassesFirst"); // after the put-back: the computer that deleted it
        QTest::newRow("copy.deletedHere: deleted here, put back 40 days on") << false << true;
        QTest::newRow("copy.deletedHere: deleted elsewhere, put back 40 days on") << false << false;
        QTest::newRow("copy.deletedHere: the backup says what it said before an edit") << true << false;
    }

    // A memo deleted and passed over twice on each computer; weeks later the service is put back from a
    // backup that holds it. The first computer to meet it again deletes it again, on its own.
    void deletionOutlivesAPutBackService()
    {
        QFETCH(bool, editedFirst);
        QFETCH(bool, deleterPassesFirst);
        const auto clock = clockKeptFor();
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        rig.a.add(QStringLiteral("stays"));
        QVERIFY(passes({&rig.a, &rig.b}));
        const standin::MemoStore::Backup backup = rig.memos().backup();
        if (editedFirst) {
            rig.a.change(onA, Device::Edit);
            QVERIFY(passes({&rig.a, &rig.b}));
        }
        rig.a.change(onA, Device::Delete);
        QVERIFY(passes({&rig.a, &rig.b, &rig.a, &rig.b}));
        fixedClock().advanceSeconds(40 * Day);
        QVERIFY(passes({&rig.a, &rig.b}));
        QVERIFY(rig.memos().restore(backup));
        Device& first = deleterPassesFirst ? rig.a : rig.b;
        Device& second = deleterPassesFirst ? rig.b : rig.a;
        QVERIFY(first.syncNow());
        QCOMPARE(first.titles(), QStringList{"stays"});
        QCOMPARE(rig.serverTitles(), QStringList{"stays"});
        QVERIFY(passes({&second, &first}));
        QCOMPARE(rig.serverTitles(), QStringList{"stays"});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
    }

    void deletionsKeptByOrdinaryPasses_data()
    {
        QTest::addColumn<int>("days"); // between the deletion and the passes
        QTest::addColumn<bool>("kept");
        QTest::newRow("deletion.kept: the passes an hour after it") << 0 << true;
        QTest::newRow("deletion.kept: 364 days on") << 364 << true;
        QTest::newRow("deletion.yearOld: a year and a day on") << 366 << false;
    }

    // The record of deletions survives ordinary passes, sync and upload alike, on the computer that
    // deleted the memo and on the one that saw it deleted, and lets a deletion go after a year.
    void deletionsKeptByOrdinaryPasses()
    {
        QFETCH(int, days);
        QFETCH(bool, kept);
        const auto clock = clockKeptFor();
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("gone"))));
        const qint64 serverId = rig.a.row(onA).NotebookServerId;
        const qint64 other = rig.a.add(QStringLiteral("other"));
        rig.a.change(onA, Device::Delete);
        QVERIFY(passes({&rig.a, &rig.b}));
        fixedClock().advanceSeconds(days * Day + 3600);
        for (int round = 0; round < 2; ++round) {
            rig.a.change(other, Device::Write);
            QVERIFY(rig.a.uploadNow() && passes({&rig.b, &rig.a}));
        }
        for (Device* device : {&rig.a, &rig.b}) {
            const std::vector<SyncDeletion> deletions = deletionsOf(*device);
            QCOMPARE(deletions.size(), size_t(kept ? 1 : 0));
            if (kept)
                QCOMPARE(deletions.front().ServerId, serverId);
        }
    }

    // copy.deletedUnseen: once this computer has read the service's list and while it downloads the
    // memo (changed elsewhere), the user edits it and another computer deletes it on the service. The
    // deleted copy that comes down neither removes the row nor overwrites the edit: the edit meets the
    // other computer's change in the conflict windows, and the copy kept brings the memo back.
    void editAfterTheListKeptOverADeletion()
    {
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        const qint64 serverId = rig.a.row(onA).NotebookServerId;
        rig.b.change(onB, Device::Write);
        QVERIFY(rig.b.syncNow());
        bool struck = false;
        QObject::connect(&rig.service.service(), &standin::ServiceStandIn::requestReceived,
                         &rig.service.service(), [&](const standin::StandInRequest& request) {
                             if (struck ||
                                 !request.path.contains(QLatin1String("download"), Qt::CaseInsensitive))
                                 return;
                             struck = true;
                             rig.a.change(onA, Device::Edit);
                             const int synnum = rig.memos().memo(QStringLiteral("demo"), serverId)->synnum;
                             QVERIFY(rig.memos().markDeleted(QStringLiteral("demo"), serverId, synnum + 1));
                         });
        QVERIFY(rig.a.syncNow());
        QVERIFY(struck);
        QCOMPARE(rig.a.row(onA).title, QStringLiteral("memo") + rig.a.mark);
        QCOMPARE(rig.a.conflicts, 1);
        Device::child<QPushButton>(rig.a.windows->localWindow(), "Command1")->click();
        QTRY_VERIFY(rig.a.windowsGone());
        QVERIFY(passes({&rig.a, &rig.b, &rig.a}));
        QCOMPARE(rig.serverTitles(), QStringList{QStringLiteral("memo") + rig.a.mark});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
    }

    void lostNewMemosChangedAndDeletedElsewhere_data()
    {
        QTest::addColumn<bool>(
            "firstDeleted");               // the first memo sent is deleted elsewhere, the second changed
        QTest::addColumn<int>("daysAway"); // before the first computer's next pass
        QTest::newRow("list.newDeleted, copies.deleted: the second sent deleted, the first changed")
            << false << 0;
        QTest::newRow("copies.lowest, copy.afterPost: the first sent deleted, the second changed")
            << true << 0;
        QTest::newRow("post.kept, list.newDeleted: the second deleted, back 40 days later") << false << 40;
    }

    // Two new memos sent an hour apart, both answers lost after the service took them twice; another
    // computer gets them, changes one and deletes the other. After A's recovery (the first memo's
    // begins in the pass that sends the second) each memo is there once or not at all, everywhere: the
    // change kept, the deletion applied.
    void lostNewMemosChangedAndDeletedElsewhere()
    {
        QFETCH(bool, firstDeleted);
        QFETCH(int, daysAway);
        const auto clock = clockKeptFor();
        Rig rig;
        rig.a.add(QStringLiteral("first"));
        QVERIFY(rig.passLosingAnswers(rig.a));
        fixedClock().advanceSeconds(3600);
        rig.a.add(QStringLiteral("second"));
        // A pass that meets the first memo's copy taken twice ends at the lost answer to its deletion.
        for (int pass = 0; pass < 2 && !rig.serverTitles().contains(QStringLiteral("second")); ++pass)
            QVERIFY(rig.passLosingAnswers(rig.a));
        QVERIFY(rig.serverTitles().contains(QStringLiteral("second")));
        QVERIFY(rig.b.syncNow());
        const QString deleted = firstDeleted ? QStringLiteral("first") : QStringLiteral("second");
        const QString changed = firstDeleted ? QStringLiteral("second") : QStringLiteral("first");
        for (const MemoRecord& memo : readMemos(rig.b.store.db(), "SELECT * FROM Notebook").value)
            rig.b.change(memo.id, memo.title == deleted ? Device::Delete : Device::Edit);
        QVERIFY(rig.b.syncNow());
        fixedClock().advanceSeconds(daysAway * Day);
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.serverTitles(), QStringList{changed + rig.b.mark}); // nothing deleted came back
        QVERIFY(passes({&rig.b, &rig.a}));
        QCOMPARE(rig.serverTitles(), QStringList{changed + rig.b.mark});
        QVERIFY2(rig.apart({&rig.a, &rig.b}).isEmpty(), qPrintable(rig.apart({&rig.a, &rig.b})));
        QCOMPARE(rig.a.conflicts + rig.b.conflicts, 0);
    }

    void accountSignedInTypedOtherwise_data()
    {
        QTest::addColumn<QString>("typedOnA");
        QTest::newRow("copy.own: a name typed in capitals on one computer") << "DEMO";
        QTest::newRow("copy.own: the same letters on both") << "demo";
    }

    // A computer whose first sign-in was typed in other capitals than the account's is the account's
    // too: what it posts with its answer lost is recognised as its own, what another computer writes
    // comes down to it, and its changes reach the other computer.
    void accountSignedInTypedOtherwise()
    {
        QFETCH(QString, typedOnA);
        Rig rig;
        Device a{rig.service.address(), typedOnA};
        const qint64 id = a.add(QStringLiteral("memo"));
        QVERIFY(rig.passLosingAnswers(a));
        QVERIFY(passes({&a, &rig.b, &a}));
        QCOMPARE(rig.serverTitles(), QStringList{"memo"}); // taken once
        rig.b.add(QStringLiteral("from B"));
        QVERIFY(passes({&rig.b, &a}));
        QCOMPARE(a.titles(), (QStringList{"from B", "memo"}));
        a.change(id, Device::Edit);
        QVERIFY(passes({&a, &rig.b}));
        QCOMPARE(rig.b.titles(), (QStringList{"from B", "memo+"}));
        QCOMPARE(a.unsynced() + rig.b.unsynced(), 0);
        QCOMPARE(a.conflicts + rig.b.conflicts, 0);
    }
};

VELMO_TEST_MAIN(TestSyncRules)
#include "TestSyncRules.moc"
