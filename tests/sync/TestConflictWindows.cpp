#include "BoxRecorder.h"
#include "TestMain.h"
#include "TestStore.h"
#include "editor/EditorTestKit.h"

#include "platform/ServiceChannel.h"
#include "sync/ConflictSave.h"
#include "sync/ConflictWindows.h"
#include "sync/SyncSession.h"

#include <QGroupBox>
#include <QLayout>

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

    void layout_data()
    {
        QTest::addColumn<bool>("serverCopy");
        QTest::newRow("CompareServer") << true;
        QTest::newRow("CompareLocal") << false;
    }

    // Every control stands inside the window or its frame and clear of the others (the design lets
    // neighbours share an edge pixel); the notes stand beside the two lists, above the reminder time,
    // and the save button below the tune row.
    void layout()
    {
        QFETCH(bool, serverCopy);
        test::TestStore store;
        test::ViewsRecorder views;
        test::BoxRecorder boxes;
        ServiceChannel channel;
        SyncSession sync(store.db(), store.runState(), channel);
        ConflictWindows windows({store.db(), store.runState(), boxes, views}, sync);
        windows.open();
        QWidget* window = serverCopy ? static_cast<QWidget*>(windows.serverWindow())
                                     : static_cast<QWidget*>(windows.localWindow());
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->size(), QSize(512, 397));
        auto* form = window->findChild<QWidget*>(QStringLiteral("memoForm"));
        QCOMPARE(form->geometry(), window->rect());
        for (QWidget* holder : {form, static_cast<QWidget*>(window->findChild<QGroupBox*>("Frame1")),
                                static_cast<QWidget*>(window->findChild<QGroupBox*>("Frame2"))}) {
            QList<QWidget*> controls;
            for (QWidget* control : holder->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (control->isVisibleTo(window))
                    controls << control;
            }
            QVERIFY(controls.size() >= 4);
            for (QWidget* control : controls) {
                QVERIFY2(holder->rect().contains(control->geometry()), qPrintable(control->objectName()));
                for (QWidget* other : controls) {
                    QVERIFY2(control == other || !control->geometry()
                                                      .adjusted(0, 0, -1, -1)
                                                      .intersects(other->geometry().adjusted(0, 0, -1, -1)),
                             qPrintable(control->objectName() + u' ' + other->objectName()));
                }
            }
        }
        const auto place = [window](const char* name) {
            return window->findChild<QWidget*>(QLatin1String(name))->geometry();
        };
        const int listsRight = std::max(place("Combo1").right(), place("Combo2").right());
        for (const char* note : {"Label4", "Label5"}) {
            QVERIFY2(place(note).left() > listsRight && place(note).top() >= place("Combo1").top() &&
                         place(note).bottom() <= place("Frame1").top(),
                     note);
        }
        QVERIFY(place("Command1").top() > place("Frame2").bottom());
    }
};

VELMO_TEST_MAIN(TestConflictWindows)
#include "TestConflictWindows.moc"
