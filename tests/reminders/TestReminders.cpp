#include "BoxRecorder.h"
#include "FakeTray.h"
#include "SilentMedia.h"
#include "TestMain.h"
#include "TestStore.h"

#include "controls/RVTPropGadget.h"
#include "controls/kvbutton/KvButton.h"
#include "lunar/LunarCalendar.h"
#include "platform/TunePlayer.h"
#include "reminders/DuePanel.h"
#include "reminders/DueScan.h"
#include "reminders/Form_Ring.h"
#include "reminders/Reminders.h"
#include "reminders/RingActions.h"
#include "reminders/RingAlert.h"
#include "reminders/RingTune.h"
#include "store/DbText.h"
#include "store/MemoState.h"
#include "tray/TrayIcon.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QWheelEvent>

using namespace velmo;
using namespace velmo::test;

namespace {

class TuneRecorder : public RingTune
{
public:
    void play(const QString& path) override { played.append(path); }
    void replay() override { ++replays; }
    void stop() override { ++stops; }
    QStringList played;
    int replays = 0;
    int stops = 0;
};

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

// A signed-in user's store, the due panel's sheet, a tray in memory and the engine over them; the
// clock stands at 2026-12-06 10:00 (lunar 2026-10-28).
struct Engine
{
    TestStore store;
    BoxRecorder boxes;
    TuneRecorder tune;
    QTimer timer2;
    DuePanel panel{AssetFolder(QStringLiteral("/nonexistent")),
                   {QRect(0, 0, 300, 100), QRect(300, 0, 20, 100), 200}};
    QWidget mainWindow;
    FakeTrayBackend* trayBackend = new FakeTrayBackend;
    TrayIcon tray{std::unique_ptr<TrayBackend>(trayBackend), colouredTrayPictures()};
    int changes = 0;
    QStringList statuses;
    // clang-format off
    Reminders reminders{{store.db(), store.runState(), AssetFolder(QStringLiteral("/nonexistent")), boxes, tune,
                         timer2, &panel, &mainWindow, &tray, QStringLiteral("Velmo v1.83"), {}, {},
                         [this](const MemoChange&) { ++changes, reminders.MoveRing(true), reminders.Command2_Click(); },
                         [this](const QString& text) { statuses.append(text); }}};
    // clang-format on

    Engine() { tray.AddTrayIcon(QStringLiteral("Velmo v1.83")); }

    // A daily memo due an hour ago.
    qint64 addDue()
    {
        return store.addMemo(solar(store, "due", fixedClock().currentDateTime().addSecs(-3600), {}, "1tian"));
    }

    Form_Ring* openRing(qint64 id)
    {
        reminders.openRing(id);
        return mainWindow.findChild<Form_Ring*>();
    }

    // Every column of the memo's row as "name=value" ("-" for no value); none once the row is gone.
    QStringList row(qint64 id)
    {
        const std::optional<MemoRecord> memo = store.memo(id);
        return memo ? memoColumns(*memo) : QStringList();
    }
};

} // namespace

// The due scan, the ringing and the reminder window's actions.
class TestReminders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useSilentMediaSink(); }
    void init() { fixedClock().setNow(defaultTestMoment()); }

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

    void memoAddedLaterButDueEarlier_data()
    {
        QTest::addColumn<bool>("lunar");
        QTest::newRow("solar") << false;
        QTest::newRow("lunar") << true;
    }

    // More memos than the panel holds, written in the order of their moments, and then one more due
    // before all of them: it comes first, and the panel keeps the hundred soonest.
    void memoAddedLaterButDueEarlier()
    {
        QFETCH(bool, lunar);
        TestStore store;
        const auto add = [&](const QString& title, const QDateTime& moment) {
            const LunarDate day = LunarCalendar::fromSolar(moment.date()).value_or(LunarDate{});
            const QDateTime numbers(QDate(day.year, day.month, day.day), moment.time());
            return lunar ? store.addMemo(::lunar(store, title, numbers, moment))
                         : store.addMemo(solar(store, title, moment));
        };
        Transaction transaction(store.db());
        for (int i = 0; i < kMaxDueMemos + 20; ++i)
            QVERIFY(add(QStringLiteral("m%1").arg(i), at(2026, 12, 7).addSecs(i * 12 * 3600)));
        QVERIFY(transaction.commit());
        QVERIFY(add(QStringLiteral("late"), at(2026, 12, 6, 12)));
        QStringList titles;
        for (const QString& row :
             panel(scanDueMemos(store.db(), store.runState().UserId, at(2026, 12, 6, 10), false)))
            titles << row.section(u':', 0, 0);
        QStringList expected{QStringLiteral("late")};
        for (int i = 0; i < kMaxDueMemos - 1; ++i)
            expected << QStringLiteral("m%1").arg(i);
        QCOMPARE(titles, expected);
    }

    // A cut panel is read in the order of the moments and stops early, but not before the last memo
    // that belongs in it: two memos at the last kept moment both come in before two snoozed to that
    // moment with higher ids; a snooze moves a memo by the later moment, and brings in one without a
    // moment; a lunar leap-month memo placed late does not end the read before an ordinary one of a
    // later day of its number.
    void aCutPanelReadsOnAsFarAsItMust_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>(
            "fillersFrom");                     // a hundred solar memos a minute apart, the last two together
        QTest::addColumn<QStringList>("first"); // the panel's first rows, then the fillers
        QTest::addColumn<int>("fillersShown");
        QTest::newRow("ties") << at(2026, 12, 6, 10) << at(2026, 12, 8, 10) << QStringList() << 100;
        // 2023 has a leap second month: lunar 2-1 of it is 2023-03-22, ordinary 2-20 is 2023-03-11.
        QTest::newRow("snooze alone, leap month") << at(2023, 3, 1, 10) << at(2023, 3, 15, 10)
                                                  << QStringList{"snoozeAlone:0", "ordinary20:10"} << 98;
    }
    void aCutPanelReadsOnAsFarAsItMust()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, fillersFrom);
        QFETCH(QStringList, first);
        QFETCH(int, fillersShown);
        TestStore store;
        Transaction transaction(store.db());
        QStringList expected = first;
        const QDateTime last = fillersFrom.addSecs((kMaxDueMemos - 2) * 60);
        for (int i = 0; i < kMaxDueMemos; ++i) {
            QVERIFY(store.addMemo(
                solar(store, QStringLiteral("s%1").arg(i), std::min(fillersFrom.addSecs(i * 60), last))));
            if (i < fillersShown)
                expected << QStringLiteral("s%1:%2").arg(i).arg(now.date().daysTo(fillersFrom.date()));
        }
        std::vector<std::pair<const char*, QDateTime>> snoozedAlone = {{"tie1", last}, {"tie2", last}};
        if (!first.isEmpty()) {
            snoozedAlone.emplace_back("snoozeAlone", now.addSecs(3600));
            QVERIFY(store.addMemo(lunar(store, "leapFirst", at(2023, 2, 1, 8), at(2023, 3, 22, 8))));
            QVERIFY(store.addMemo(lunar(store, "ordinary20", at(2023, 2, 20, 8), at(2023, 3, 11, 8))));
        }
        for (const auto& [title, snooze] : snoozedAlone) {
            MemoRecord memo = solar(store, title, {}, snooze);
            memo.AlertTime.reset();
            QVERIFY(store.addMemo(memo));
        }
        QVERIFY(store.addMemo(solar(store, "lateSnooze", now.addDays(-1), now.addDays(66))));
        QVERIFY(transaction.commit());
        QCOMPARE(panel(scanDueMemos(store.db(), store.runState().UserId, now, false)), expected);
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

    void alertStartsAndStopsWithTheScan()
    {
        Engine e;
        const qint64 id = e.addDue();
        // While the tune setting is off the panel shows the memo without ringing.
        e.store.runState().settings.ReminderRing = false;
        e.reminders.Command2_Click();
        QCOMPARE(e.panel.caption(), "60天到期备忘;(1)条");
        QVERIFY(e.tune.played.isEmpty() && !e.timer2.isActive() && !e.reminders.alert().RingLoop());
        QVERIFY(!e.panel.findChild<QLabel*>(QStringLiteral("Image1_1"))->isVisibleTo(&e.panel));
        e.store.runState().settings.ReminderRing = true;
        e.reminders.Command2_Click();
        QCOMPARE(e.reminders.RingList(), QString::number(id));
        QCOMPARE(e.panel.caption(), "60天到期备忘;(1)条");
        // No tune file anywhere: the first built-in tune is asked for.
        QCOMPARE(e.tune.played, QStringList{"/nonexistent/sound/天空之城.mid"});
        QVERIFY(e.reminders.alert().RingLoop() && e.timer2.isActive());
        e.reminders.alert().tuneFinished();
        QCOMPARE(e.tune.replays, 1);
        e.reminders.alert().Timer2_Timer();
        QVERIFY(e.reminders.figureWindow());
        // Emptying the panel stops the ringing (the quiet scan stopped it once); the next scan starts it
        // again.
        e.reminders.MoveRing(true);
        QVERIFY(!e.reminders.alert().RingLoop() && !e.timer2.isActive() && e.tune.stops == 2);
        QVERIFY(!e.panel.findChild<QLabel*>(QStringLiteral("Label1_1")));
        e.reminders.Command2_Click();
        QVERIFY(e.reminders.alert().RingLoop() && e.timer2.isActive());
        // A scan that cannot read the table says so and leaves the panel and the ringing as they were.
        QVERIFY(e.store.db().exec(QStringLiteral("ALTER TABLE Notebook RENAME TO Gone")).ok);
        e.reminders.Command2_Click();
        QCOMPARE(e.statuses.size(), 1);
        QVERIFY(e.statuses.first().startsWith(QStringLiteral("状态:到期备忘读取失败:")));
        QCOMPARE(e.panel.caption(), "60天到期备忘;(1)条");
        QVERIFY(e.panel.findChild<QLabel*>(QStringLiteral("Label1_1")) && e.reminders.alert().RingLoop());
        QVERIFY(e.store.db().exec(QStringLiteral("ALTER TABLE Gone RENAME TO Notebook")).ok);

        // Nothing due any more: quiet, icon and tip restored, a late end of the tune not replayed.
        QVERIFY(SetDone(e.store.db(), e.store.runState().UserId, id));
        e.reminders.Command2_Click();
        QVERIFY(!e.reminders.alert().RingLoop() && !e.timer2.isActive());
        e.reminders.alert().tuneFinished();
        QCOMPARE(e.tune.replays, 1);
        QCOMPARE(e.tray.toolTip(), "Velmo v1.83");
        QCOMPARE(e.trayBackend->picture(), u'A');
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!e.reminders.figureWindow());
        QCOMPARE(e.panel.caption(), "60天到期备忘;(0)条");
    }

    // The panel keeps its rows from scan to scan, adding or dropping them at the end, each showing its
    // memo (the sound mark on those that ring, when ringing is on).
    void duePanelFollowsTheScans()
    {
        DuePanel panel(AssetFolder("/nonexistent"),
                       {QRect(0, 0, 300, 100), QRect(300, 0, 20, 100), 200, {{QStringLiteral("VMax"), 10}}});
        const auto show = [&panel](const QStringList& titles, qint64 ringing, bool ringOn = true) {
            DueScanResult scan{true, {}, {}, {ringing}};
            for (DueMemo memo; const QString& title : titles) {
                memo.title = title, memo.daysLeft = 7 * memo.id++;
                scan.memos.push_back(memo);
            }
            panel.showScan(scan, ringOn);
            QStringList rows;
            for (int i = 1; auto* title = panel.findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i)); ++i) {
                if (!title->isVisibleTo(&panel))
                    break;
                rows << panel.findChild<QLabel*>(QStringLiteral("Label2_%1").arg(i))->text() + title->text() +
                            (panel.findChild<QLabel*>(QStringLiteral("Image1_%1").arg(i))->isVisibleTo(&panel)
                                 ? "*"
                                 : "");
            }
            return rows.join(u' ');
        };
        QCOMPARE(show({"a", "b", "c"}, 2), "剩:0天a 剩:7天b* 剩:14天c");
        auto* first = panel.findChild<QLabel*>("Label1_1");
        QCOMPARE(show({"x", "b"}, 1), "剩:0天x* 剩:7天b");
        QCOMPARE(show({"x", "b", "y", "z"}, 4, false), "剩:0天x 剩:7天b 剩:14天y 剩:21天z");
        QVERIFY(panel.findChild<QLabel*>("Label1_1") == first);

        // The wheel over the panel moves the scroller a notch at a time, within 0 to 10, and the sheet
        // follows: at the top at 0, its bottom on the panel's bottom at 10.
        auto* frame = panel.findChild<QFrame*>(QStringLiteral("Frame1"));
        auto* sheet = panel.findChild<QWidget*>(QStringLiteral("Frame2"));
        auto* gadget = panel.findChild<RVTPropGadget*>(QStringLiteral("RVTPropGadget1"));
        const auto turn = [frame](int notches) {
            for (int i = 0; i < qAbs(notches); ++i) {
                QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, notches < 0 ? -120 : 120),
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(frame, &event);
            }
        };
        turn(-12);
        QVERIFY(gadget->VValue() == 10 && sheet->y() + sheet->height() == frame->height() && sheet->y() < 0);
        // The last row is in view at the bottom.
        auto* last = panel.findChild<QLabel*>("Label1_4");
        QVERIFY(frame->rect().contains(QRect(last->mapTo(frame, QPoint()), last->size())));
        turn(5);
        QVERIFY(gadget->VValue() == 5 && sheet->y() < 0 && sheet->y() + sheet->height() > frame->height());
        turn(6);
        QVERIFY(gadget->VValue() == 0 && sheet->y() == 0);
    }

    void actions_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("lunar");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("secondsAgo");  // the reminder moment before now
        QTest::addColumn<bool>("refused");    // every update of the memo table fails
        QTest::addColumn<QString>("changes"); // of the row, "column=value;..."
        const QString next = "AlertTimeTemp=-;AlertTimeNongliTemp=-;syn=0;synnum=";
        const auto row = [](const char* name, Form_Ring::Action action, bool lunar, const char* code,
                            const QString& changes, int secondsAgo = 3600) {
            QTest::newRow(name) << int(action) << lunar << code << secondsAgo << false << changes;
        };
        // Before: solar moment 09:00, mailTime 2026-12-12 10:09, snoozed until 09:30, synnum 42; the
        // lunar memo at lunar 2026-10-28 09:00 with mailTime 09:00 of today, synnum 43; both in step.
        row("delete", Form_Ring::Delete, false, "1tian", "Del=1;syn=0");
        row("delete lunar", Form_Ring::Delete, true, "1tian", "Del=1;syn=0");
        row("done", Form_Ring::Done, false, "1tian", "Done=1;syn=0;synnum=43");
        row("done lunar", Form_Ring::Done, true, "1tian", "Done=1;syn=0;synnum=44");
        row("snooze", Form_Ring::Snooze, false, "1tian", "AlertTimeTemp=2026-12-06 10:05:00");
        row("snooze lunar", Form_Ring::Snooze, true, "1tian",
            "AlertTimeNongliTemp=2026-10-28 10:05:00;AlertTimeTemp=2026-12-06 10:05:00");
        row("edit", Form_Ring::Edit, false, "1tian", "");
        row("stop", Form_Ring::StopRinging, false, "1tian",
            "AlertTime=2026-12-07 09:00:00;mailTime=2026-12-07 09:00:00;" + next + "43");
        row("stop lunar", Form_Ring::StopRinging, true, "1tian",
            "AlertTimeNongli=2026-10-29 09:00:00;mailTime=2026-12-07 09:00:00;" + next + "44");
        // Stopped in the very second it fell due, a repeating memo still moves on.
        row("stop at its second", Form_Ring::StopRinging, false, "1zhou",
            "AlertTime=2026-12-13 10:00:00;mailTime=2026-12-13 10:00:00;" + next + "43", 0);
        row("stop lunar at its second", Form_Ring::StopRinging, true, "1zhou",
            "AlertTimeNongli=2026-11-05 10:00:00;mailTime=2026-12-13 10:00:00;" + next + "44", 0);
        row("stop once", Form_Ring::StopRinging, false, "1",
            "AlertPinLv=N;ifAlert=0;mailTime=2026-12-06 09:00:00;" + next + "43");
        row("stop once lunar", Form_Ring::StopRinging, true, "1", "AlertPinLv=N;ifAlert=0;" + next + "44");
        // Nothing would move it on: it is switched off rather than ringing on.
        row("stop unknown code", Form_Ring::StopRinging, false, "7tian",
            "ifAlert=0;mailTime=2026-12-06 09:00:00;" + next + "43");
        // A sign-in memo stays on, at this hour, and quiet until the next sign-in.
        row("stop sign-in", Form_Ring::StopRinging, false, "denglu",
            "AlertTime=2026-12-06 10:00:00;mailTime=2026-12-06 10:00:00;" + next + "43");
        row("stop sign-in lunar", Form_Ring::StopRinging, true, "denglu",
            "AlertTimeNongli=2026-10-28 10:00:00;mailTime=2026-12-06 10:00:00;" + next + "44");
        // A write that fails changes nothing.
        const auto refused = [](const char* name, Form_Ring::Action action, bool lunar, const char* code) {
            QTest::newRow(name) << int(action) << lunar << code << 3600 << true << QString();
        };
        refused("refused delete", Form_Ring::Delete, false, "1tian");
        refused("refused done", Form_Ring::Done, true, "1tian");
        refused("refused snooze", Form_Ring::Snooze, false, "1tian");
        refused("refused snooze lunar", Form_Ring::Snooze, true, "1tian");
        refused("refused stop lunar", Form_Ring::StopRinging, true, "1tian");
        refused("refused stop sign-in", Form_Ring::StopRinging, false, "denglu");
    }

    // Each action's change of the row, every column compared; afterwards the panel is rescanned and
    // the views are told, unless the action changed nothing.
    void actions()
    {
        QFETCH(int, action);
        QFETCH(bool, lunar);
        QFETCH(QString, code);
        QFETCH(int, secondsAgo);
        QFETCH(bool, refused);
        Engine e;
        const QDateTime now = fixedClock().currentDateTime();
        const QDateTime moment = now.addSecs(-secondsAgo);
        MemoRecord memo = e.store.distinctMemo(lunar ? 2 : 1);
        memo.Done = false;
        memo.ifAlert = true;
        memo.syn = true;
        memo.NotebookServerId = 77;
        memo.AlertPinLv = code;
        if (lunar) {
            memo.AlertTimeNongli = LunarMoment::fromStored(QDateTime(QDate(2026, 10, 28), moment.time()));
            memo.mailTime = moment;
            memo.AlertTimeNongliTemp = QDateTime(QDate(2026, 10, 28), QTime(9, 30));
        } else {
            memo.AlertTime = moment;
            memo.AlertTimeNongliTemp = QDateTime(QDate(2026, 10, 1), QTime(7, 0));
        }
        memo.AlertTimeTemp = QDateTime(now.date(), QTime(9, 30));
        const qint64 id = e.store.addMemo(memo);
        QVERIFY2(id, qPrintable(e.store.lastError()));
        e.reminders.Command2_Click();
        QCOMPARE(e.reminders.RingList(), QString::number(id));
        Form_Ring* window = e.openRing(id);
        QVERIFY(window);
        const QStringList before = e.row(id);
        if (refused)
            QVERIFY(e.store.refuse(QStringLiteral("UPDATE ON Notebook")));
        QSignalSpy edits(&e.reminders, &Reminders::editRequested);
        window->Button_Click(action);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QFETCH(QString, changes);
        QCOMPARE(e.row(id), withColumns(before, changes.split(u';', Qt::SkipEmptyParts)));
        // A refused write says so, tells no view, and leaves the window open and the memo ringing.
        QCOMPARE(e.boxes.boxes.size(), int(refused));
        QVERIFY(!refused || (e.boxes.boxes[0].text.startsWith(QStringLiteral("备忘保存失败,未作改动。\n")) &&
                             e.boxes.boxes[0].text.contains(QLatin1String("disk full"))));
        // Editing changes nothing by itself: the editor's save is what tells the views.
        QCOMPARE(e.changes, int(!refused && action != Form_Ring::Edit));
        QCOMPARE(bool(e.mainWindow.findChild<Form_Ring*>()), refused);
        QCOMPARE(edits.size(), int(!refused && action == Form_Ring::Edit));
        QCOMPARE(e.reminders.LoginRingFlag(), !refused && code == QLatin1String("denglu"));
        QVERIFY(!refused || e.reminders.alert().RingLoop());
        QCOMPARE(e.reminders.RingList(),
                 refused || action == Form_Ring::Edit ? QString::number(id) : QString());
    }

    void buttonsByIndex_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("captionEffects"); // the design's: 4 draws four lighter copies behind it
        QTest::addColumn<QString>("effect");     // a column of the row afterwards, or "edit"
        QTest::newRow("0") << 0 << "删   除" << 0 << "Del=1";
        QTest::newRow("1") << 1 << "关闭铃声" << 4 << "AlertTime=2026-12-07 09:00:00";
        QTest::newRow("2") << 2 << "编辑备忘" << 0 << "edit";
        QTest::newRow("3") << 3 << "标记完成" << 4 << "Done=1";
        QTest::newRow("4") << 4 << "延时提醒" << 4 << "AlertTimeTemp=2026-12-06 10:05:00";
    }

    // Each button of the window, at the design's size, does what its caption says and stays down.
    void buttonsByIndex()
    {
        QFETCH(int, index);
        QFETCH(QString, effect);
        Engine e;
        const qint64 id = e.addDue();
        e.reminders.Command2_Click();
        Form_Ring* window = e.openRing(id);
        QVERIFY(window);
        auto* button = window->findChild<KvButton*>(QStringLiteral("Button_%1").arg(index));
        QVERIFY(button);
        QTEST(button->caption(), "caption");
        QCOMPARE(button->size(), QSize(89, 31));
        // The caption effect as the design sets it, drawn: the face differs from the caption alone
        // exactly where the copies lie, in BackColor lightened by 0.1 (0xFDECE0 gives 0xFFFFFA).
        QFETCH(int, captionEffects);
        QCOMPARE(button->property("CaptionEffects").toInt(), captionEffects);
        const QImage face = button->faceImage().copy();
        button->setCaptionEffects(0);
        const QImage alone = button->faceImage().copy();
        button->setCaptionEffects(captionEffects);
        QSet<QRgb> copies;
        for (int y = 0; y < face.height(); ++y) {
            for (int x = 0; x < face.width(); ++x) {
                if (face.pixel(x, y) != alone.pixel(x, y))
                    copies << face.pixel(x, y);
            }
        }
        QCOMPARE(copies.isEmpty(), captionEffects == 0);
        QVERIFY(captionEffects == 0 || copies.contains(qRgb(0xFA, 0xFF, 0xFF)));
        QSignalSpy edits(&e.reminders, &Reminders::editRequested);
        window->show();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(button->value()); // an option button: the one clicked stays down
        QCOMPARE(edits.size(), int(effect == QLatin1String("edit")));
        QVERIFY2(effect == QLatin1String("edit") || e.row(id).contains(effect),
                 qPrintable(e.row(id).join(u';')));
    }

    // A lunar memo in a leap month moves on from the day its solar moment names, not from the
    // ordinary month of its numbers.
    void leapMonthMemoMovesOnFromItsDay()
    {
        // Lunar, its moment and that moment's solar day, weekly, on.
        const RingMemo memo{0, 0, {}, {}, true, "2023-02-04 09:00:00", "2023-03-25 09:00:00", "1zhou", true};
        const NextAlert next = RingActions::nextAlert(memo, QDateTime(QDate(2023, 4, 25), QTime(10, 0)));
        QCOMPARE(next.moment + u' ' + next.mailTime, "2023-03-10 09:00:00 2023-04-29 09:00:00");
        QVERIFY(next.alertOn);
    }

    // A lunar moment past the calendar cannot move on: the reminder goes off, its solar moment kept.
    void lunarMomentPastTheCalendarIsSwitchedOff()
    {
        TestStore store;
        MemoRecord memo = store.sampleMemo();
        memo.lifa = 2;
        memo.AlertPinLv = QStringLiteral("1tian");
        memo.AlertTimeNongli = LunarMoment{2051, 6, 1, 8, 0, 0};
        memo.mailTime = QDateTime(QDate(2051, 7, 20), QTime(8, 0));
        const qint64 id = store.addMemo(memo);
        bool loginRingFlag = false;
        QVERIFY(RingActions(store.db(), store.runState(), loginRingFlag)
                    .stopRinging(id, fixedClock().currentDateTime())
                    .ok);
        const MemoRecord after = *store.memo(id);
        QCOMPARE(QString::number(after.ifAlert) + u' ' + after.AlertTimeNongli->storageText() + u' ' +
                     toDbText(*after.mailTime),
                 "0 2051-06-01 08:00:00 2051-07-20 08:00:00");
    }

    void goneMemoGivesAMessage_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("change");
        const QList<std::pair<const char*, const char*>> changes = {
            {"done", "UPDATE Notebook SET Done = 1 WHERE id = ?"},
            {"deleted", "UPDATE Notebook SET Del = 1 WHERE id = ?"},
            {"another account's", "UPDATE Notebook SET userid = 'someone' WHERE id = ?"},
            {"removed", "DELETE FROM Notebook WHERE id = ?"},
        };
        const QList<std::pair<const char*, Form_Ring::Action>> buttons = {
            {"delete", Form_Ring::Delete},
            {"stop", Form_Ring::StopRinging},
            {"done", Form_Ring::Done},
            {"snooze", Form_Ring::Snooze},
        };
        for (const auto& [buttonName, button] : buttons) {
            for (const auto& [changeName, change] : changes)
                QTest::addRow("%s, %s", buttonName, changeName) << int(button) << QString::fromLatin1(change);
        }
    }

    // A memo done, deleted or gone by the time a button of its window is pressed is left as it is,
    // with a message; the panel drops it, nothing is sent, and its window does not open again.
    void goneMemoGivesAMessage()
    {
        QFETCH(int, button);
        QFETCH(QString, change);
        Engine e;
        const qint64 id = e.addDue();
        e.reminders.Command2_Click();
        Form_Ring* window = e.openRing(id);
        QVERIFY(window);
        window->show();
        QVERIFY(e.store.db().exec(change, {id}));
        const QStringList before = e.row(id);
        QTest::mouseClick(window->findChild<QWidget*>(QStringLiteral("Button_%1").arg(button)),
                          Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(e.row(id), before);
        QCOMPARE(e.boxes.texts(), QStringList{"该备忘已被删除或已完成,无法再操作。"});
        QCOMPARE(e.changes, 0);
        QTRY_COMPARE(e.panel.caption(), "60天到期备忘;(0)条");
        QVERIFY(!e.openRing(id));
        QCOMPARE(e.boxes.boxes.size(), 2);
    }

    // 停止响铃 on a memo not yet due has nothing to stop: the window closes, nothing is written,
    // refreshed or sent. Driven as the user does: the panel's row, then the button.
    void stopRingingAMemoNotYetDue()
    {
        Engine e;
        const qint64 id = e.store.addMemo(
            solar(e.store, "later", fixedClock().currentDateTime().addDays(3), {}, QStringLiteral("1tian")));
        e.reminders.Command2_Click();
        e.panel.show();
        const QStringList before = e.row(id);
        QTest::mouseClick(e.panel.findChild<QLabel*>(QStringLiteral("Label1_1")), Qt::LeftButton);
        QPointer<Form_Ring> window = e.mainWindow.findChild<Form_Ring*>();
        QVERIFY(window);
        window->show();
        QTest::mouseClick(window->findChild<QWidget*>(QStringLiteral("Button_1")), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window);
        QCOMPARE(e.row(id), before);
        QCOMPARE(e.changes, 0);
        QVERIFY(e.boxes.boxes.isEmpty());
    }

    // Any part of a live row of the panel opens that row's memo; after a scan that moved the memos,
    // the same row opens the memo it shows then.
    void clickOnLiveRow_data()
    {
        QTest::addColumn<QString>("part");
        QTest::newRow("picture") << "ucAniGIF";
        QTest::newRow("days") << "Label2";
        QTest::newRow("title") << "Label1";
    }
    void clickOnLiveRow()
    {
        QFETCH(QString, part);
        Engine e;
        const QDateTime now = fixedClock().currentDateTime();
        const qint64 soon = e.store.addMemo(solar(e.store, "soon", now.addDays(1)));
        const qint64 later = e.store.addMemo(solar(e.store, "later", now.addDays(3)));
        e.reminders.Command2_Click();
        e.panel.show();
        const auto clickRow2 = [&e, &part]() -> MemoId {
            QTest::mouseClick(e.panel.findChild<QLabel*>(part + QStringLiteral("_2")), Qt::LeftButton);
            Form_Ring* window = e.mainWindow.findChild<Form_Ring*>();
            if (!window)
                return 0;
            const MemoId shown = window->memoId();
            const QString title = window->findChild<QLabel*>(QStringLiteral("LabelTitle"))->text();
            window->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return title == e.store.memo(shown)->title ? shown : -1;
        };
        QCOMPARE(clickRow2(), later);
        QVERIFY(e.store.db().exec(QStringLiteral("UPDATE Notebook SET AlertTime = ? WHERE id = ?"),
                                  {toDbText(now.addDays(5)), soon}));
        e.reminders.Command2_Click();
        QCOMPARE(clickRow2(), soon);
        QVERIFY(e.boxes.boxes.isEmpty());
    }

    // A reused row shows the picture of the memo it shows now: red when due, blue when ahead.
    void reusedRowsShowTheirMemosPicture()
    {
        const AssetFolder assets = buildAssetFolder();
        DuePanel panel(assets, {QRect(0, 0, 300, 100), QRect(300, 0, 20, 100), 200});
        const QImage red = QPixmap(assets.filePath(QStringLiteral("images/red.gif"))).toImage();
        const QImage blue = QPixmap(assets.filePath(QStringLiteral("images/blue.gif"))).toImage();
        QVERIFY(!red.isNull() && red != blue);
        const auto pictures = [&](const std::vector<bool>& due) {
            DueScanResult scan{true, {}, {}, {}};
            for (bool dueNow : due) {
                DueMemo memo;
                memo.id = static_cast<MemoId>(scan.memos.size()) + 1;
                memo.title = QString::number(memo.id);
                memo.dueNow = dueNow;
                scan.memos.push_back(memo);
            }
            panel.showScan(scan, true);
            QString shown;
            for (size_t i = 1; i <= due.size(); ++i) {
                const QImage picture =
                    panel.findChild<QLabel*>(QStringLiteral("ucAniGIF_%1").arg(i))->pixmap().toImage();
                shown += picture == red ? u'R' : picture == blue ? u'B' : u'?';
            }
            return shown;
        };
        QCOMPARE(pictures({true, false}), "RB");
        QCOMPARE(pictures({false, true, true}), "BRR");
        QCOMPARE(pictures({true, false}), "RB");
    }

    // A click on the panel's row of a memo deleted meanwhile: a message, then the panel is rescanned
    // without the row that was clicked (which must outlive its own click).
    void clickOnGoneRow()
    {
        Engine e;
        const qint64 id = e.addDue();
        e.reminders.Command2_Click();
        QVERIFY(e.store.db().exec(QStringLiteral("DELETE FROM Notebook WHERE id = ?"), {id}));
        auto* title = e.panel.findChild<QLabel*>(QStringLiteral("Label1_1"));
        QVERIFY(title);
        e.panel.show();
        QTest::mouseClick(title, Qt::LeftButton);
        QCOMPARE(e.boxes.boxes.size(), 1);
        QTRY_COMPARE(e.panel.caption(), "60天到期备忘;(0)条");
        QVERIFY(!e.panel.findChild<QLabel*>(QStringLiteral("Label1_1")));
        QVERIFY(!e.reminders.alert().RingLoop());
    }

    void alertWays_data()
    {
        QTest::addColumn<QString>("settings"); // ReminderIco, ReminderMM, ReminderPop, figure dismissed
        QTest::addColumn<QString>("pictures"); // after ticks 1 and 2: B, A, or N (normal)
        QTest::addColumn<QString>("prompts");  // figures and balloons after ticks 1, 150 and 151
        const auto row = [](const char* name, const char* settings, const char* pictures,
                            const char* prompts) { QTest::newRow(name) << settings << pictures << prompts; };
        // The balloon puts the normal picture up for a moment.
        row("every way", "1110", "NA", "11 11 22");
        row("icon only", "1000", "BA", "00 00 00");
        row("figure only", "0100", "NN", "10 10 20");
        row("balloon only", "0010", "NN", "01 01 02");
        row("figure dismissed", "1111", "BA", "00 00 00");
    }

    // The 400 ms alert tick: the icon blinks, the figure and the balloon come once a minute; a
    // balloon stays up while the icon blinks and goes when the ringing stops.
    void alertWays()
    {
        QFETCH(QString, settings);
        auto* desk = new FakeTrayBackend;
        TrayIcon tray(std::unique_ptr<TrayBackend>(desk), colouredTrayPictures());
        tray.AddTrayIcon(QStringLiteral("Velmo v1.83"));
        RunState run;
        run.settings.ReminderIco = settings[0] == u'1';
        run.settings.ReminderMM = settings[1] == u'1';
        run.settings.ReminderPop = settings[2] == u'1';
        run.AssistantDismissed = settings[3] == u'1';
        TuneRecorder tune;
        QTimer timer2;
        timer2.setInterval(400);
        int figures = 0;
        RingAlert alert({run, tune, timer2, &tray, QStringLiteral("Velmo v1.83"), [&] { ++figures; }});
        alert.start(QStringLiteral("tune.mid"));

        QString pictures;
        QStringList prompts;
        for (int tick = 1; tick <= 151; ++tick) {
            if (tick == 3)
                alert.start(QStringLiteral("tune.mid")); // a rescan while it rings
            alert.Timer2_Timer();
            if (tick <= 2)
                pictures += desk->picture();
            if (tick == 1 || tick >= 150)
                prompts << QStringLiteral("%1%2").arg(figures).arg(desk->messages.size());
        }
        QTEST(pictures, "pictures");
        QTEST(prompts.join(u' '), "prompts");
        QCOMPARE(desk->messageHides, 0);
        alert.stop();
        QCOMPARE(desk->messageHides, 1);
        QCOMPARE(desk->toolTip, QStringLiteral("Velmo v1.83"));
    }

    // Which file a due memo rings with, and the ring tune on the tune player.
    void tunePath_data()
    {
        QTest::addColumn<bool>("customExists");
        QTest::addColumn<QString>("sound");
        QTest::addColumn<bool>("assets");      // the build's tunes, or a folder without any
        QTest::addColumn<QString>("expected"); // "custom", or a file of sound/
        QTest::newRow("custom tune first") << true << "2.mid" << true << "custom";
        QTest::newRow("custom tune gone") << false << "2.mid" << true << "致爱丽丝.mid";
        QTest::newRow("unknown code") << false << "99.mid" << true << "天空之城.mid";
        QTest::newRow("tune file gone") << false << "17.mp3" << false << "天空之城.mid";
    }

    void tunePath()
    {
        QFETCH(bool, customExists);
        QFETCH(QString, sound);
        QFETCH(bool, assets);
        QFETCH(QString, expected);
        TempDataFolder folder;
        const QString custom = folder.filePath(QStringLiteral("我的.mp3"));
        QFile file(custom);
        QVERIFY(!customExists || file.open(QIODevice::WriteOnly));
        const AssetFolder tunes = assets ? buildAssetFolder() : AssetFolder(folder.path());
        QCOMPARE(ringTunePath(tunes, sound, custom),
                 expected == QLatin1String("custom") ? custom
                                                     : tunes.filePath(QStringLiteral("sound/") + expected));
    }
    // A rescan that asks for the tune already playing leaves it playing on; after a stop the same
    // tune starts again.
    void sameTuneGoesOn()
    {
        clsMusic music(nullptr, clsMusic::Output::AnySink);
        MusicRingTune tune(music);
        const QString path = buildAssetFolder().filePath(QStringLiteral("sound/ok.wav"));
        tune.play(path);
        QTRY_COMPARE_WITH_TIMEOUT(music.loadState(), clsMusic::Load::Ready, 15000);
        tune.play(path);
        QCOMPARE(music.loadState(), clsMusic::Load::Ready);
        tune.stop();
        tune.play(path);
        QCOMPARE(music.loadState(), clsMusic::Load::Loading);
    }
};

VELMO_TEST_MAIN(TestReminders)
#include "TestReminders.moc"
