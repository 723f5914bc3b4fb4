#include "TestMain.h"

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
            scheduler = std::make_unique<Scheduler>(std::move(services));
        }
    };

private slots:
    void init() { test::fixedClock().setNow(test::defaultTestMoment()); }

    void tickTable_data()
    {
        QTest::addColumn<int>("tick"); // the counter before the tick
        QTest::addColumn<int>("checkTimer");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("calls");
        QTest::newRow("3") << 2 << 10 << 3 << "readNotice";
        QTest::newRow("5") << 4 << 10 << 5 << "trim";
        QTest::newRow("10") << 9 << 10 << 10 << "sync scan";
        QTest::newRow("12") << 11 << 10 << 12 << "delUpdate downNotice";
        QTest::newRow("15") << 14 << 10 << 15 << "checkUpdate";
        QTest::newRow("3500") << 3499 << 10 << 3500 << "checkUpdate scan";
        QTest::newRow("wrap to 17") << 3599 << 10 << 17 << "trim";
        QTest::newRow("wrap to 17, interval 17") << 3599 << 17 << 17 << "scan trim";
        QTest::newRow("interval 7 at 14") << 13 << 7 << 14 << "scan";
        QTest::newRow("interval 0 reads as 10") << 19 << 0 << 20 << "scan";
        QTest::newRow("interval 99 reads as 10") << 29 << 99 << 30 << "scan";
    }

    void tickTable()
    {
        QFETCH(int, tick);
        QFETCH(int, checkTimer);
        QFETCH(int, after);
        QFETCH(QString, calls);
        Recorder r;
        r.run.settings.CheckTimer = checkTimer;
        r.scheduler->setTag(tick);
        r.scheduler->tick();
        QCOMPARE(r.scheduler->Tag(), after);
        QCOMPARE(r.calls.join(u' '), calls);
        QCOMPARE(r.panels.value(7), "10:00:00");
    }

    void countDownToTheFirstSync()
    {
        Recorder r;
        for (int i = 0; i < 9; ++i)
            r.scheduler->tick();
        QCOMPARE(r.panels.value(1), "状态:2秒后开始同步");
        r.scheduler->tick();
        QCOMPARE(r.panels.value(1), "状态:连接云服务器...");
        r.panels.remove(1);
        // Replayed start-up ticks: no count-down once the button's tag is set, no second pass.
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
};

VELMO_TEST_MAIN(TestScheduler)
#include "TestScheduler.moc"
