#include "FakeTray.h"
#include "TestMain.h"

#include "reminders/RingAlert.h"
#include "reminders/RingTune.h"
#include "store/RunState.h"
#include "tray/TrayIcon.h"

#include <QTimer>

using namespace velmo;
using namespace velmo::test;

namespace {

class SilentTune : public RingTune
{
public:
    void play(const QString&) override {}
    void replay() override {}
    void stop() override {}
};

} // namespace

// The due-memo balloon must stay readable while the tray icon blinks every 400 ms.
class TestBalloonDuringBlink : public QObject
{
    Q_OBJECT

private slots:
    void balloonStaysUntilTheRingingStops()
    {
        auto backend = std::make_unique<FakeTrayBackend>();
        FakeTrayBackend* desk = backend.get();
        TrayIcon tray(std::move(backend), TrayPictures{});
        tray.AddTrayIcon(QStringLiteral("Velmo v1.83"));
        RunState run;
        SilentTune tune;
        QTimer timer2;
        RingAlert alert({run, tune, timer2, &tray, QStringLiteral("Velmo v1.83")});

        alert.start(QStringLiteral("tune.mid"));
        for (int tick = 0; tick < 5; ++tick)
            alert.Timer2_Timer();
        QCOMPARE(desk->messages.size(), 1);
        QCOMPARE(desk->messageHides, 0);
        QCOMPARE(desk->toolTip, RingAlert::kBlinkTip);

        alert.stop();
        QCOMPARE(desk->messageHides, 1);
        QCOMPARE(desk->toolTip, QStringLiteral("Velmo v1.83"));
    }
};

VELMO_TEST_MAIN(TestBalloonDuringBlink)
#include "TestBalloonDuringBlink.moc"
