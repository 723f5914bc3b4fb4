#include "BoxRecorder.h"
#include "FakeTray.h"
#include "TestMain.h"
#include "TestStore.h"

#include "reminders/Form_Ring.h"
#include "reminders/Reminders.h"
#include "reminders/RingAlert.h"
#include "reminders/RingTune.h"
#include "store/DbText.h"
#include "store/MemoState.h"
#include "tray/TrayIcon.h"

#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>

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

// A signed-in user's store, the due panel's sheet, a tray in memory and the engine over them; the
// clock stands at 2026-12-06 10:00.
struct Engine
{
    Engine()
    {
        auto backend = std::make_unique<FakeTrayBackend>();
        trayBackend = backend.get();
        tray = std::make_unique<TrayIcon>(std::move(backend), TrayPictures{});
        tray->AddTrayIcon(QStringLiteral("Velmo v1.83"));
        Reminders::Services services{
            store.db(), store.runState(), AssetFolder(QStringLiteral("/nonexistent")), boxes, tune, timer2,
            &frame2,    &mainWindow};
        services.tray = tray.get();
        services.normalTip = QStringLiteral("Velmo v1.83");
        services.memosChanged = [this] { ++changes; };
        reminders = std::make_unique<Reminders>(std::move(services));
    }

    qint64 addDue(const QString& code,
                  const QDateTime& moment = fixedClock().currentDateTime().addSecs(-3600))
    {
        MemoRecord memo = store.sampleMemo(QStringLiteral("due"));
        memo.AlertPinLv = code;
        memo.AlertTime = moment;
        return store.addMemo(memo);
    }

    Form_Ring* openRing(qint64 id)
    {
        reminders->openRing(id);
        return mainWindow.findChild<Form_Ring*>();
    }

    TestStore store;
    BoxRecorder boxes;
    TuneRecorder tune;
    QTimer timer2;
    QGroupBox frame2;
    QWidget mainWindow;
    FakeTrayBackend* trayBackend = nullptr;
    std::unique_ptr<TrayIcon> tray;
    std::unique_ptr<Reminders> reminders;
    int changes = 0;
};

} // namespace

class TestRingActions : public QObject
{
    Q_OBJECT

private slots:
    void init() { fixedClock().setNow(defaultTestMoment()); }

    void alertStartsAndStopsWithTheScan()
    {
        Engine e;
        const qint64 id = e.addDue(QStringLiteral("1tian"));
        e.reminders->Command2_Click();
        QCOMPARE(e.reminders->RingList(), QString::number(id));
        QCOMPARE(e.frame2.title(), "60天到期备忘;(1)条");
        // No tune file anywhere: the first built-in tune is asked for.
        QCOMPARE(e.tune.played.size(), 1);
        QVERIFY(e.tune.played.front().endsWith(QStringLiteral("sound/天空之城.mid")));
        QVERIFY(e.reminders->alert().RingLoop());
        QVERIFY(e.timer2.isActive());

        e.reminders->alert().tuneFinished();
        QCOMPARE(e.tune.replays, 1);
        // First tick: blink, balloon (the figure is a window of its own).
        e.reminders->alert().Timer2_Timer();
        QCOMPARE(e.trayBackend->messages.size(), 1);
        QVERIFY(e.reminders->figureWindow());
        e.reminders->alert().Timer2_Timer();
        QCOMPARE(e.tray->toolTip(), RingAlert::kBlinkTip);
        QCOMPARE(e.trayBackend->messages.size(), 1);

        // Nothing due any more: quiet, icon and tip restored.
        QVERIFY(SetDone(e.store.db(), e.store.runState().UserId, id));
        e.reminders->Command2_Click();
        QVERIFY(!e.reminders->alert().RingLoop());
        QVERIFY(!e.timer2.isActive());
        QCOMPARE(e.tray->toolTip(), "Velmo v1.83");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!e.reminders->figureWindow());
        QCOMPARE(e.frame2.title(), "60天到期备忘;(0)条");
    }

    void actions_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("columns"); // the row afterwards
        QTest::addColumn<QString>("expected");
        QTest::newRow("delete") << int(Form_Ring::Delete) << "Del, Done, synnum, syn, AlertTime"
                                << "1|0|1|0|2026-12-06 09:00:00";
        QTest::newRow("stop ringing") << int(Form_Ring::StopRinging) << "Del, Done, synnum, syn, AlertTime"
                                      << "0|0|2|0|2026-12-07 09:00:00";
        QTest::newRow("done") << int(Form_Ring::Done) << "Del, Done, synnum, syn, AlertTime"
                              << "0|1|2|0|2026-12-06 09:00:00";
        QTest::newRow("snooze") << int(Form_Ring::Snooze) << "synnum, AlertTime, AlertTimeTemp"
                                << "1|2026-12-06 09:00:00|2026-12-06 10:05:00";
        QTest::newRow("edit") << int(Form_Ring::Edit) << "Del, Done, synnum, AlertTime"
                              << "0|0|1|2026-12-06 09:00:00";
    }

    // Each action's row change; afterwards the memo no longer rings and the views are told.
    void actions()
    {
        QFETCH(int, action);
        QFETCH(QString, columns);
        QFETCH(QString, expected);
        Engine e;
        const qint64 id = e.addDue(QStringLiteral("1tian"));
        e.reminders->Command2_Click();
        QVERIFY(e.reminders->alert().RingLoop());
        Form_Ring* window = e.openRing(id);
        QVERIFY(window);
        QSignalSpy edits(e.reminders.get(), &Reminders::editRequested);
        window->Button_Click(action);
        const QVariant row = e.store.value(QStringLiteral("SELECT %1 FROM Notebook WHERE id = ?")
                                               .arg(columns.split(", ").join(" || '|' || ")),
                                           {id});
        QCOMPARE(row.toString(), expected);
        QCOMPARE(e.changes, 1);
        QCOMPARE(edits.size(), action == Form_Ring::Edit ? 1 : 0);
        if (action != Form_Ring::Edit)
            QVERIFY(!e.reminders->alert().RingLoop());
    }

    void goneMemoGivesAMessage()
    {
        Engine e;
        const qint64 id = e.addDue(QStringLiteral("1tian"));
        Form_Ring* window = e.openRing(id);
        QVERIFY(window);
        QVERIFY(e.store.db().exec(QStringLiteral("DELETE FROM Notebook WHERE id = ?"), {id}));
        window->Button_Click(Form_Ring::StopRinging);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(e.boxes.boxes.size(), 1);
        QVERIFY(!e.openRing(id));
        QCOMPARE(e.boxes.boxes.size(), 2);
    }

    // A click on the panel's row of a memo deleted meanwhile: a message, then the panel is rescanned
    // without the row that was clicked (which must outlive its own click).
    void clickOnGoneRow()
    {
        Engine e;
        const qint64 id = e.addDue(QStringLiteral("1tian"));
        e.reminders->Command2_Click();
        QVERIFY(e.store.db().exec(QStringLiteral("DELETE FROM Notebook WHERE id = ?"), {id}));
        auto* title = e.frame2.findChild<QLabel*>(QStringLiteral("Label1_1"));
        QVERIFY(title);
        e.frame2.show();
        QTest::mouseClick(title, Qt::LeftButton);
        QCOMPARE(e.boxes.boxes.size(), 1);
        QTRY_COMPARE(e.frame2.title(), "60天到期备忘;(0)条");
        QVERIFY(!e.frame2.findChild<QLabel*>(QStringLiteral("Label1_1")));
        QVERIFY(!e.reminders->alert().RingLoop());
    }

    // Closing a ringing sign-in memo keeps it quiet until the next sign-in.
    void signInMemoQuietAfterStop()
    {
        Engine e;
        const qint64 id = e.addDue(QStringLiteral("denglu"));
        e.reminders->Command2_Click();
        QCOMPARE(e.reminders->RingList(), QString::number(id));
        e.openRing(id)->Button_Click(Form_Ring::StopRinging);
        QVERIFY(e.reminders->LoginRingFlag());
        QCOMPARE(e.reminders->RingList(), QString());
        QCOMPARE(e.reminders->lastScan().memos.size(), size_t(1));
    }
};

VELMO_TEST_MAIN(TestRingActions)
#include "TestRingActions.moc"
