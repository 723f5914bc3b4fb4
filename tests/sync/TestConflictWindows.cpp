#include "TestMain.h"
#include "TestStore.h"
#include "editor/EditorTestKit.h"

#include "sync/ConflictSave.h"

using namespace velmo;

class TestConflictWindows : public QObject
{
    Q_OBJECT

private slots:
    void keptCopyNotice_data()
    {
        QTest::addColumn<bool>("lunar");
        QTest::addColumn<bool>("setInTheWindow"); // else the copy came with it
        QTest::addColumn<QString>("notice");
        QTest::newRow("solar") << false << true
                               << "提醒时间:2026/12/6 9:00:00 < 当前时间2026/12/6 10:00:00,提醒功能未生效";
        QTest::newRow("lunar") << true << true
                               << "提醒时间:2026/10/20 9:30:00 < 当前农历2026-10-28 10:0:0,提醒功能未生效";
        QTest::newRow("solar, as it came") << false << false << "";
        QTest::newRow("lunar, as it came") << true << false << "";
    }

    // A once-only reminder that the user sets in the past in a conflict window is switched off and
    // told, against now or against the lunar date of now; one that came so is kept untold.
    void keptCopyNotice()
    {
        QFETCH(bool, lunar);
        QFETCH(bool, setInTheWindow);
        test::TestStore store;
        test::ViewsRecorder views;
        EditorInput saved = test::sampleInput();
        saved.solar = !lunar;
        saved.lunar = lunar;
        saved.lunarDate = {2026, 10, 20, false};
        saved.date = lunar ? QDate(2026, 10, 20) : QDate(2026, 12, 6);
        saved.time = lunar ? QTime(9, 30) : QTime(9, 0);
        EditorInput shown = saved;
        // The day changed on the calendar's own picker.
        if (setInTheWindow && lunar)
            shown.lunarDate.day += 2;
        else if (setInTheWindow)
            shown.date = shown.date.addDays(2);
        const KeptCopy copy =
            keptCopy(MemoSave(store.db(), store.runState(), views), store.sampleMemo(), shown, saved);
        QVERIFY2(copy.outcome.saved(), qPrintable(copy.outcome.message));
        QTEST(copy.outcome.notice, "notice");
    }
};

VELMO_TEST_MAIN(TestConflictWindows)
#include "TestConflictWindows.moc"
