#include "TestMain.h"
#include "TestStore.h"

#include "reminders/DueScan.h"
#include "store/Database.h"

using namespace velmo;
using velmo::test::TestStore;

namespace {

QDateTime at(int y, int m, int d, int hh = 0, int mm = 0)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm));
}

// "title:days" for each memo of the panel, with "!" for those that ring.
QStringList panel(const DueScanResult& scan)
{
    QStringList rows;
    for (const DueMemo& memo : scan.memos) {
        const bool rings =
            std::find(scan.ringList.begin(), scan.ringList.end(), memo.id) != scan.ringList.end();
        rows << QStringLiteral("%1:%2%3").arg(memo.title).arg(memo.daysLeft).arg(rings ? "!" : "");
    }
    return rows;
}

} // namespace

class TestDueScan : public QObject
{
    Q_OBJECT

private slots:
    // Which memos the panel shows, in which order, and which ring; now is 2026-12-06 10:00.
    void filterAndOrder()
    {
        TestStore store;
        QVERIFY(store.isValid());
        const QDateTime now = at(2026, 12, 6, 10);
        auto solar = [&](const QString& title, const QDateTime& moment) {
            MemoRecord memo = store.sampleMemo(title);
            memo.AlertTime = moment;
            return memo;
        };
        auto lunar = [&](const QString& title, const QDateTime& numbers) {
            MemoRecord memo = store.sampleMemo(title);
            memo.lifa = 2;
            memo.AlertTime.reset();
            memo.AlertTimeNongli = LunarMoment::fromStored(numbers);
            return memo;
        };
        std::vector<MemoRecord> memos = {
            solar("in3", at(2026, 12, 9, 8)),
            solar("overdue", at(2025, 1, 1, 8)),
            solar("day60", at(2027, 2, 4, 23)),
            solar("day61", at(2027, 2, 5, 0)),
            lunar("lunarToday", at(2026, 10, 28, 8)),    // lunar today, 08:00: rings
            lunar("lunarTonight", at(2026, 10, 28, 23)), // later today
            lunar("lunarFar", at(2027, 3, 1, 8)),
        };
        MemoRecord done = solar("done", at(2026, 12, 6, 8));
        done.Done = true;
        MemoRecord deleted = solar("deleted", at(2026, 12, 6, 8));
        deleted.Del = true;
        MemoRecord off = solar("off", at(2026, 12, 6, 8));
        off.ifAlert = false;
        MemoRecord never = solar("never", at(2026, 12, 6, 8));
        never.AlertPinLv = QStringLiteral("N");
        MemoRecord other = solar("other", at(2026, 12, 6, 8));
        other.userid = QStringLiteral("someone else");
        // A snooze delays a passed moment; a passed snooze rings; a snooze alone brings a memo in.
        MemoRecord snoozed = solar("snoozed", at(2026, 12, 6, 9));
        snoozed.AlertTimeTemp = at(2026, 12, 6, 10, 5);
        MemoRecord snoozePassed = solar("snoozePassed", at(2026, 12, 5, 9));
        snoozePassed.AlertTimeTemp = at(2026, 12, 6, 9, 55);
        MemoRecord lunarSnoozed = lunar("lunarSnoozed", at(2026, 10, 28, 7));
        lunarSnoozed.AlertTimeNongliTemp = at(2026, 10, 28, 10, 5);
        // A snooze left behind by a moment moved on since never brings the memo back early.
        MemoRecord staleSnooze = solar("staleSnooze", at(2026, 12, 8, 9));
        staleSnooze.AlertTimeTemp = at(2026, 12, 5, 9);
        memos.insert(memos.end(),
                     {done, deleted, off, never, other, snoozed, snoozePassed, lunarSnoozed, staleSnooze});
        for (const MemoRecord& memo : memos)
            QVERIFY2(store.addMemo(memo), qPrintable(store.lastError()));

        const DueScanResult scan = scanDueMemos(store.db(), store.runState().UserId, now, false);
        QVERIFY(scan.ok);
        QCOMPARE(panel(scan),
                 QStringList({"overdue:-704!", "lunarToday:0!", "snoozePassed:0!", "snoozed:0",
                              "lunarSnoozed:0", "lunarTonight:0", "staleSnooze:2", "in3:3", "day60:60"}));
    }

    void atMostAHundredFewestDaysFirst()
    {
        TestStore store;
        Transaction transaction(store.db());
        for (int i = 0; i < 105; ++i) {
            MemoRecord memo = store.sampleMemo(QString::number(i));
            memo.AlertTime = at(2026, 12, 7).addDays(i % 60).addSecs(i); // two or more a day
            QVERIFY(store.addMemo(memo));
        }
        QVERIFY(transaction.commit());
        const DueScanResult scan =
            scanDueMemos(store.db(), store.runState().UserId, at(2026, 12, 6, 10), false);
        qint64 previous = -1000;
        for (const DueMemo& memo : scan.memos) {
            QVERIFY(memo.daysLeft >= previous);
            QVERIFY(memo.daysLeft <= kDueDays);
            previous = memo.daysLeft;
        }
        QCOMPARE(int(scan.memos.size()), kMaxDueMemos);
    }

    // A daily lunar memo rolled into the leap second month of 2023 is stored as "2023-02-01" with its
    // solar moment in mailTime: a day ahead, not a month overdue.
    void leapMonthMemoWaitsForItsDay()
    {
        TestStore store;
        MemoRecord memo = store.sampleMemo(QStringLiteral("leap"));
        memo.lifa = 2;
        memo.AlertTime.reset();
        memo.AlertPinLv = QStringLiteral("1tian");
        memo.AlertTimeNongli = LunarMoment::fromStored(at(2023, 2, 1, 20));
        memo.mailTime = at(2023, 3, 22, 20);
        QVERIFY(store.addMemo(memo));
        const DueScanResult scan =
            scanDueMemos(store.db(), store.runState().UserId, at(2023, 3, 21, 21), false);
        QCOMPARE(panel(scan), QStringList({"leap:1"}));
    }

    // A sign-in memo rings once per run: quiet once one has rung and been closed.
    void signInMemoRingsOncePerRun()
    {
        TestStore store;
        MemoRecord memo = store.sampleMemo(QStringLiteral("login"));
        memo.AlertPinLv = QStringLiteral("denglu");
        memo.AlertTime = at(2026, 12, 6, 9, 15);
        QVERIFY(store.addMemo(memo));
        const QString user = store.runState().UserId;
        QCOMPARE(panel(scanDueMemos(store.db(), user, at(2026, 12, 6, 10), false)),
                 QStringList({"login:0!"}));
        QCOMPARE(panel(scanDueMemos(store.db(), user, at(2026, 12, 6, 10), true)), QStringList({"login:0"}));
    }
};

VELMO_TEST_MAIN(TestDueScan)
#include "TestDueScan.moc"
