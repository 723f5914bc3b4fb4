#include "TestMain.h"
#include "TestStore.h"

#include "reminders/DueScan.h"
#include "store/Database.h"

using namespace velmo;
using velmo::test::TestStore;

namespace {

QDateTime at(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm, ss));
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

MemoRecord solar(const TestStore& store, const QString& title, const QDateTime& moment,
                 const QDateTime& snooze = {}, const QString& repeat = QStringLiteral("1"))
{
    MemoRecord memo = store.sampleMemo(title);
    memo.AlertTime = moment;
    memo.AlertPinLv = repeat;
    if (snooze.isValid())
        memo.AlertTimeTemp = snooze;
    return memo;
}

// A lunar memo: the moment in lunar numbers with its solar moment as the hint; a snooze likewise.
MemoRecord lunar(const TestStore& store, const QString& title, const QDateTime& numbers,
                 const QDateTime& hint = {}, const QDateTime& snooze = {}, const QDateTime& snoozeHint = {})
{
    MemoRecord memo = store.sampleMemo(title);
    memo.lifa = 2;
    memo.AlertTime.reset();
    memo.AlertTimeNongli = LunarMoment::fromStored(numbers);
    if (hint.isValid())
        memo.mailTime = hint;
    if (snooze.isValid())
        memo.AlertTimeNongliTemp = snooze;
    if (snoozeHint.isValid())
        memo.AlertTimeTemp = snoozeHint;
    return memo;
}

} // namespace

class TestDueScan : public QObject
{
    Q_OBJECT

private slots:
    // Which memos the panel shows, in which order, and which ring; now is 2026-12-06 10:00, lunar
    // 2026-10-28. The 60th day is 2027-02-04, lunar 2026-12-28.
    void filterAndOrder()
    {
        TestStore store;
        QVERIFY(store.isValid());
        const QDateTime now = at(2026, 12, 6, 10);
        // clang-format off
        std::vector<MemoRecord> memos = {
            solar(store, "in3", at(2026, 12, 9, 8)),
            solar(store, "signIn", at(2026, 12, 6, 9, 15), {}, "denglu"),
            solar(store, "overdue", at(2025, 1, 1, 8)),
            solar(store, "now", now),
            solar(store, "secondLater", now.addSecs(1)),
            solar(store, "day60", at(2027, 2, 4, 23, 59, 59)),
            solar(store, "day61", at(2027, 2, 5, 0)),
            lunar(store, "lunarToday", at(2026, 10, 28, 8)),
            lunar(store, "lunarNow", at(2026, 10, 28, 10)),
            lunar(store, "lunarTonight", at(2026, 10, 28, 23)),
            lunar(store, "lunarDay60", at(2026, 12, 28, 23, 59, 59)),
            lunar(store, "lunarDay61", at(2026, 12, 29, 0)),
            // A snooze delays a passed moment; a passed snooze rings; a snooze alone brings a memo in.
            solar(store, "snoozed", at(2026, 12, 6, 9), at(2026, 12, 6, 10, 5)),
            solar(store, "snoozePassed", at(2026, 12, 5, 9), at(2026, 12, 6, 9, 55)),
            lunar(store, "lunarSnoozed", at(2026, 10, 28, 7), {}, at(2026, 10, 28, 10, 5), at(2026, 12, 6, 10, 5)),
            // A snooze left behind by a moment moved on since never brings the memo back early.
            solar(store, "staleSnooze", at(2026, 12, 8, 9), at(2026, 12, 5, 9)),
            lunar(store, "lunarStaleSnooze", at(2026, 10, 30, 9), {}, at(2026, 10, 27, 9), at(2026, 12, 5, 9)),
        };
        // Memos the panel never shows, on either calendar, though both their moment and their snooze
        // are due: done, deleted, reminder off, repeat "N", another user's.
        const std::vector<std::pair<const char*, std::function<void(MemoRecord&)>>> hidden = {
            {"done", [](MemoRecord& m) { m.Done = true; }},
            {"deleted", [](MemoRecord& m) { m.Del = true; }},
            {"off", [](MemoRecord& m) { m.ifAlert = false; }},
            {"never", [](MemoRecord& m) { m.AlertPinLv = QStringLiteral("N"); }},
            {"other", [](MemoRecord& m) { m.userid = QStringLiteral("someone else"); }},
        };
        for (const auto& [title, change] : hidden) {
            MemoRecord solarMemo = solar(store, title, at(2026, 12, 6, 8), at(2026, 12, 6, 9));
            MemoRecord lunarMemo = lunar(store, title, at(2026, 10, 28, 8), {}, at(2026, 10, 28, 9), at(2026, 12, 6, 9));
            change(solarMemo);
            change(lunarMemo);
            memos.insert(memos.end(), {solarMemo, lunarMemo});
        }
        // clang-format on
        for (const MemoRecord& memo : memos)
            QVERIFY2(store.addMemo(memo), qPrintable(store.lastError()));

        const DueScanResult scan = scanDueMemos(store.db(), store.runState().UserId, now, false);
        QVERIFY(scan.ok);
        QStringList expected = {"overdue:-704!",  "lunarToday:0!",  "signIn:0!",     "snoozePassed:0!",
                                "now:0!",         "lunarNow:0!",    "secondLater:0", "snoozed:0",
                                "lunarSnoozed:0", "lunarTonight:0", "staleSnooze:2", "lunarStaleSnooze:2",
                                "in3:3",          "day60:60",       "lunarDay60:60"};
        QCOMPARE(panel(scan), expected);
        // A sign-in memo rings once per run: quiet once one has rung and been closed.
        expected[2] = QStringLiteral("signIn:0");
        QCOMPARE(panel(scanDueMemos(store.db(), store.runState().UserId, now, true)), expected);
    }

    // A cut panel keeps the hundred soonest, whatever order the file gives them in.
    void atMostAHundredSoonestFirst()
    {
        TestStore store;
        Transaction transaction(store.db());
        for (int i = kMaxDueMemos; i >= 0; --i) {
            MemoRecord memo = store.sampleMemo(QString::number(i));
            memo.AlertTime = at(2026, 12, 6, 12).addSecs(i * 1800); // two a day and more
            QVERIFY(store.addMemo(memo));
        }
        QVERIFY(transaction.commit());
        QStringList expected;
        for (int i = 0; i < kMaxDueMemos; ++i)
            expected << QStringLiteral("%1:%2").arg(i).arg((12 * 60 + i * 30) / (24 * 60));
        QCOMPARE(panel(scanDueMemos(store.db(), store.runState().UserId, at(2026, 12, 6, 10), false)),
                 expected);
    }

    // 2023 has a leap second month (2023-03-22 to 2023-04-19). A daily lunar memo rolled into it is
    // stored as "2023-02-01" with its solar moment in mailTime: a day ahead, not a month overdue. A
    // snooze into the leap month is told apart by its solar moment in AlertTimeTemp likewise.
    void leapMonthMemoWaitsForItsDay()
    {
        TestStore store;
        MemoRecord memo = lunar(store, "leap", at(2023, 2, 1, 20), at(2023, 3, 22, 20));
        memo.AlertPinLv = QStringLiteral("1tian");
        QVERIFY(store.addMemo(memo));
        QVERIFY(store.addMemo(lunar(store, "leapSnooze", at(2023, 2, 28, 20), at(2023, 3, 19, 20),
                                    at(2023, 2, 1, 0, 3), at(2023, 3, 22, 0, 3))));
        const DueScanResult scan =
            scanDueMemos(store.db(), store.runState().UserId, at(2023, 3, 21, 21), false);
        QCOMPARE(panel(scan), QStringList({"leapSnooze:1", "leap:1"}));
    }
};

VELMO_TEST_MAIN(TestDueScan)
#include "TestDueScan.moc"
