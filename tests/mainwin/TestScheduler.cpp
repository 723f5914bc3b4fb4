#include "TestMain.h"

#include "mainwin/MemoRefresh.h"
#include "mainwin/Scheduler.h"
#include "store/RunState.h"

using namespace velmo;

// The one-second tick: which work runs at which counter value. Each service writes its name down.
class TestScheduler : public QObject
{
    Q_OBJECT

    struct Recorder
    {
        RunState run;
        bool syncStarted = false; // set by the pass itself, as the sync session does
        bool noticeShown = false;
        QStringList calls;
        QMap<int, QString> panels;
        std::unique_ptr<Scheduler> scheduler;

        Recorder()
        {
            Scheduler::Services services{run,
                                         [this](int panel, const QString& text) { panels[panel] = text; }};
            auto note = [this](const char* name) { return [this, name] { calls << QLatin1String(name); }; };
            services.dueScan = note("scan");
            services.clearMemory = note("trim");
            services.delUpdateFile = note("delUpdate");
            services.syncData = [this, sync = note("sync")] { sync(), syncStarted = true; };
            services.syncStarted = [this] { return syncStarted; };
            services.readNotice = note("readNotice");
            services.downNotice = note("downNotice");
            services.checkUpdate = note("checkUpdate");
            services.noticeShown = [this] { return noticeShown; };
            services.showSyncButton = [this](bool on) { calls << (on ? "button+" : "button-"); };
            services.rotateNotice = note("rotate");
            scheduler = std::make_unique<Scheduler>(std::move(services));
        }
    };

private slots:
    void init() { test::fixedClock().setNow(test::defaultTestMoment()); }

    // What one tick runs, by the counter before it, the scan interval, whether notices are shown and
    // whether a synchronisation has started; and what the status line says then.
    void tickTable_data()
    {
        QTest::addColumn<int>("tick");
        QTest::addColumn<int>("checkTimer");
        QTest::addColumn<QString>("state"); // "notices", "synced" or empty
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("status"); // panel 1; empty: untouched
        const auto row = [](const char* name, int tick, int checkTimer, const char* state, int after,
                            const char* calls, const char* status = "") {
            QTest::newRow(name) << tick << checkTimer << QString::fromLatin1(state) << after
                                << QString::fromLatin1(calls) << QString::fromUtf8(status);
        };
        // clang-format off
        row("1", 0, 10, "notices", 1, "");
        row("2 counts down", 1, 10, "", 2, "button+", "状态:9秒后开始同步");
        row("3", 2, 10, "", 3, "button+ readNotice", "状态:8秒后开始同步");
        row("4 with notices", 3, 10, "notices", 4, "button+ rotate", "状态:7秒后开始同步");
        row("4 without", 3, 10, "", 4, "button+", "状态:7秒后开始同步");
        row("5", 4, 10, "", 5, "button+ trim", "状态:6秒后开始同步");
        row("10", 9, 10, "", 10, "button+ button- sync scan", "状态:连接云服务器...");
        row("10, synchronised already", 9, 10, "synced", 10, "button+ scan", "状态:1秒后开始同步");
        row("11", 10, 10, "", 11, "");
        row("12", 11, 10, "notices", 12, "rotate delUpdate downNotice");
        row("15", 14, 10, "", 15, "checkUpdate");
        row("16", 15, 10, "", 16, "");
        row("17", 16, 10, "", 17, "trim");
        row("600", 599, 10, "notices", 600, "rotate scan trim");
        row("601", 600, 10, "", 601, "");
        row("3500", 3499, 10, "", 3500, "checkUpdate scan");
        row("3501", 3500, 10, "", 3501, "");
        row("3599", 3598, 10, "", 3599, "");
        row("wrap to 17", 3599, 10, "notices", 17, "trim");
        row("wrap to 17, interval 17", 3599, 17, "", 17, "scan trim");
        row("interval 7 at 14", 13, 7, "", 14, "scan");
        row("interval 60 at 59", 58, 60, "", 59, "");
        row("interval 60 at 60", 59, 60, "", 60, "scan");
        row("interval 1", 19, 1, "", 20, "scan");
        row("interval 0 reads as 10", 19, 0, "", 20, "scan");
        row("interval 61 reads as 10", 29, 61, "", 30, "scan");
        // clang-format on
    }

    void tickTable()
    {
        QFETCH(int, tick);
        QFETCH(int, checkTimer);
        QFETCH(QString, state);
        QFETCH(QString, status);
        Recorder r;
        r.run.settings.CheckTimer = checkTimer;
        r.noticeShown = state == QStringLiteral("notices");
        r.syncStarted = state == QStringLiteral("synced");
        r.scheduler->setTag(tick);
        r.scheduler->tick();
        QTEST(r.scheduler->Tag(), "after");
        QTEST(r.calls.join(u' '), "calls");
        QCOMPARE(r.panels.value(1), status);
        QCOMPARE(r.panels.value(7), "10:00:00");
    }

    // A service that ticks again while the tick runs is not a second tick.
    void tickInsideATick()
    {
        Recorder r;
        Scheduler* scheduler = r.scheduler.get();
        r.scheduler = std::make_unique<Scheduler>(Scheduler::Services{
            r.run, [](int, const QString&) {}, {}, [&] { r.calls << "scan", scheduler->tick(); }});
        scheduler = r.scheduler.get();
        scheduler->setTag(9);
        scheduler->tick();
        QCOMPARE(scheduler->Tag(), 10);
        QCOMPARE(r.calls, QStringList{"scan"});
    }

    // Replayed start-up ticks after the first synchronisation: no count-down, no second pass.
    void startUpTicksReplayed()
    {
        Recorder r;
        for (int i = 0; i < 10; ++i)
            r.scheduler->tick();
        r.panels.remove(1);
        r.scheduler->setTag(1);
        for (int i = 0; i < 9; ++i)
            r.scheduler->tick();
        QVERIFY(!r.panels.contains(1));
        QCOMPARE(r.calls.count("sync"), 1);
    }

    // The date panels follow the date across midnight, not only at tick 1.
    void datePanelsFollowMidnight()
    {
        Recorder r;
        test::fixedClock().setNow(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59)));
        r.scheduler->tick();
        const QString lunarBefore = r.panels.value(5);
        QVERIFY(!lunarBefore.isEmpty());
        r.scheduler->tick();
        test::fixedClock().advanceSeconds(1);
        r.scheduler->tick();
        QCOMPARE(r.panels.value(3), QLocale().toString(QDate(2026, 12, 7), QLocale::ShortFormat));
        QVERIFY(r.panels.value(5) != lunarBefore);
    }

    // After a change of memos the views follow in one order; each kind of change takes its steps. The
    // alert stops before the rescan, which may start it again for other due memos.
    void refreshOrderOfEachChange_data()
    {
        using K = MemoChange::Kind;
        QTest::addColumn<MemoChange::Kind>("kind");
        QTest::addColumn<QString>("steps");
        const QString rescan = QStringLiteral("stopRinging Command2_Click ");
        const QString views = QStringLiteral("updateList(%1) ReadCount updateTree ");
        const auto of = [&views](MemoChange::Kind kind) { return views.arg(int(kind)); };
        QTest::newRow("added") << K::Added << of(K::Added) + "Timer3";
        QTest::newRow("edited") << K::Edited << "stopAlert " + rescan + of(K::Edited) + "Timer3";
        QTest::newRow("settled") << K::Settled << "stopAlert " + rescan + of(K::Settled) + "Timer3";
        QTest::newRow("done") << K::MarkedDone << rescan + of(K::MarkedDone) + "Timer3";
        QTest::newRow("deleted") << K::Deleted << rescan + of(K::Deleted) + "Timer3";
        QTest::newRow("reminder action") << K::RingAction << rescan + of(K::RingAction) + "Timer3";
        QTest::newRow("in progress") << K::MarkedInProgress << rescan + of(K::MarkedInProgress) + "Timer3";
        QTest::newRow("category cleared") << K::CategoryCleared << rescan + of(K::CategoryCleared) + "Timer3";
        QTest::newRow("downloaded") << K::Downloaded << of(K::Downloaded) + "Command2_Click";
    }
    void refreshOrderOfEachChange()
    {
        QFETCH(MemoChange::Kind, kind);
        QStringList calls;
        auto note = [&calls](const QString& name) { return [&calls, name] { calls << name; }; };
        refreshAfter({kind}, {note("stopAlert"), note("stopRinging"), note("Command2_Click"),
                              [&calls](const MemoChange& change) {
                                  calls << QStringLiteral("updateList(%1)").arg(int(change.kind));
                              },
                              note("ReadCount"), note("updateTree"), note("Timer3")});
        QTEST(calls.join(u' '), "steps");
    }
};

VELMO_TEST_MAIN(TestScheduler)
#include "TestScheduler.moc"
