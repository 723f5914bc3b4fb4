#include "BoxRecorder.h"
#include "SyncRig.h"
#include "TestMain.h"
#include "TestStore.h"
#include "editor/EditorTestKit.h"

#include "controls/Skin.h"
#include "platform/ServiceChannel.h"
#include "store/DataFiles.h"
#include "store/WireText.h"
#include "sync/ConflictSave.h"
#include "sync/ConflictWindows.h"
#include "sync/SyncSession.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QScopeGuard>
#include <QScreen>

using namespace velmo;

namespace {

// The two windows as the synchronisation opens them, without a conflict to load.
struct OpenWindows
{
    test::TestStore store;
    test::ViewsRecorder views;
    test::BoxRecorder boxes;
    ServiceChannel channel;
    SyncSession sync{store.db(), store.runState(), channel};
    ConflictWindows windows{{store.db(), store.runState(), boxes, views}, sync};

    OpenWindows() { windows.open(); }
    QWidget* window(bool serverCopy) const
    {
        return serverCopy ? static_cast<QWidget*>(windows.serverWindow())
                          : static_cast<QWidget*>(windows.localWindow());
    }
};

// The first row of a frame's own picture, from the top, that its line is drawn in; -1 when none.
int topLine(QWidget* frame)
{
    const QImage picture = frame->grab().toImage();
    const int x = picture.width() / 2;
    const QColor line(0xa9, 0xc0, 0xe3);
    for (int y = 0; y < picture.height(); ++y) {
        const QColor c = picture.pixelColor(x, y);
        if (std::abs(c.red() - line.red()) + std::abs(c.green() - line.green()) +
                std::abs(c.blue() - line.blue()) <
            24)
            return y;
    }
    return -1;
}

} // namespace

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

    void keptCopySizeLimit_data()
    {
        QTest::addColumn<bool>("changedInTheWindow"); // else the body is kept as the copy came
        QTest::addColumn<qint64>("over");             // bytes beyond what the texts may take
        QTest::newRow("save.size: conflict, a body typed at the limit") << true << qint64(0);
        QTest::newRow("save.size: conflict, a body typed one byte over") << true << qint64(1);
        QTest::newRow("save.size: conflict, in the room for the other fields")
            << true << UploadFieldsRoom / 2;
        QTest::newRow("save.size: conflict, a body kept as it came one byte over") << false << qint64(1);
    }

    // A copy kept in the conflict windows is held to the editors' size limit, whether the user typed the
    // body or kept it as the copy came: too large, nothing is to be stored.
    void keptCopySizeLimit()
    {
        QFETCH(bool, changedInTheWindow);
        QFETCH(qint64, over);
        test::TestStore store;
        test::ViewsRecorder views;
        const qint64 bytes = MaxUploadBytes - UploadFieldsRoom + over;
        MemoRecord kept = store.sampleMemo(QStringLiteral("t"));
        EditorInput shown = test::sampleInput(kept.title);
        EditorInput saved = shown;
        saved.content = test::textOfWireBytes(bytes - 1, true);
        if (!changedInTheWindow) {
            kept.content = saved.content;
            shown.content = saved.content;
        }
        const KeptCopy copy = keptCopy(MemoSave(store.db(), store.runState(), views), kept, shown, saved);
        QCOMPARE(copy.outcome.message, over > 0 ? test::tooLargeText(bytes) : QString());
        QCOMPARE(copy.outcome.saved(), over <= 0);
        QVERIFY(over > 0 || copy.memo.content == saved.content);
    }

    // The two windows meet at the screen's centre line by their frames, a pixel either side of it,
    // the service's copy on the right, both centred from top to bottom.
    void placesOnScreen()
    {
        OpenWindows open;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect local = open.window(false)->frameGeometry();
        const QRect server = open.window(true)->frameGeometry();
        QVERIFY2(local.size() != open.window(false)->size(), "the platform gives windows no frame");
        const int centre = screen.x() + screen.width() / 2;
        QCOMPARE(local.right(), centre - 2);
        QCOMPARE(server.left(), centre + 1);
        for (const QRect& frame : {local, server})
            QCOMPARE(frame.top(), screen.y() + screen.height() / 2 - frame.height() / 2);
        // Once placed, a window stays where it is moved.
        open.window(true)->move(server.topLeft() + QPoint(30, 40));
        QCOMPARE(open.window(true)->frameGeometry().topLeft(), server.topLeft() + QPoint(30, 40));
    }

    void tabOrder_data()
    {
        QTest::addColumn<bool>("serverCopy");
        QTest::newRow("CompareServer") << true;
        QTest::newRow("CompareLocal") << false;
    }

    // The Tab key goes through the controls in the design's order (the lunar date picker's parts in
    // the solar one's place), and the window opens with the focus on the title.
    void tabOrder()
    {
        QFETCH(bool, serverCopy);
        OpenWindows open;
        QWidget* window = open.window(serverCopy);
        auto* title = window->findChild<QWidget*>(QStringLiteral("Text1"));
        QCOMPARE(window->focusWidget(), title);
        const QStringList design{"Text1",    "Combo1",   "DT2",    "DT1",    "DT1Lunar", "Option1", "Option2",
                                 "Text2",    "Check1",   "Check2", "Check3", "Command3", "Text3",   "Combo3",
                                 "Command4", "Command1", "Combo2", "Check4", "Command6"};
        // Each stop of the focus chain by the control it belongs to (a picker's own parts count as it).
        QStringList order;
        QWidget* stop = title;
        do {
            for (QWidget* control = stop; control && control != window; control = control->parentWidget()) {
                if (!design.contains(control->objectName()))
                    continue;
                if ((stop->focusPolicy() & Qt::TabFocus) &&
                    order.value(order.size() - 1) != control->objectName())
                    order << control->objectName();
                break;
            }
            stop = stop->nextInFocusChain();
        } while (stop != title);
        QCOMPARE(order, design);
    }

    // Under the program's skin, the lines of Frame1 and Frame2 (frames without a caption) stand at
    // the frames' top edges, not lower by the room the skin keeps for a caption.
    void framesDrawnAtTheirPlaces()
    {
        test::TempDataFolder data;
        QVERIFY(ReleaseSkinFile(data.dataFolder()).ok);
        QVERIFY(AttachSkin(skinFilePath(data.dataFolder())));
        const auto unskin = qScopeGuard([] { qApp->setStyleSheet(QString()); });
        OpenWindows open;
        for (bool serverCopy : {true, false}) {
            for (const char* frame : {"Frame1", "Frame2"})
                QCOMPARE(topLine(open.window(serverCopy)->findChild<QWidget*>(QLatin1String(frame))), 0);
        }
    }

    // A memo marked done on one computer and retitled on the other: each window says whether its copy
    // is done, and that the other copy's state differs.
    void eachCopySaysWhetherItIsDone()
    {
        test::Rig rig;
        qint64 onA = 0, onB = 0;
        MemoRecord memo = rig.a.store.distinctMemo(0);
        memo.Done = false;
        QVERIFY(rig.shareOne(onA, onB, memo));
        rig.a.change(onA, test::Device::Done);
        rig.b.change(onB, test::Device::Edit);
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        QCOMPARE(rig.b.conflicts, 1);
        const auto state = [&rig](bool serverCopy) {
            QWidget* window = serverCopy ? static_cast<QWidget*>(rig.b.windows->serverWindow())
                                         : static_cast<QWidget*>(rig.b.windows->localWindow());
            const auto* label = test::Device::child<QLabel>(window, "Label6");
            return label ? label->text() : QStringLiteral("(none)");
        };
        QCOMPARE(state(false), QStringLiteral("备忘状态：进行(另一份为完成)"));
        QCOMPARE(state(true), QStringLiteral("备忘状态：完成(另一份为进行)"));
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
