#include "TestMain.h"
#include "TestRVTPropGadget_Fixture.h"

#include <QSignalSpy>

using namespace velmo;
using namespace velmo::gadget;
using namespace gadgettest;

namespace {

// The values of every ValueChanged raised so far.
QList<QPair<int, int>> events(const QSignalSpy& spy)
{
    QList<QPair<int, int>> out;
    for (const QList<QVariant>& args : spy)
        out.append({args.at(0).toInt(), args.at(1).toInt()});
    return out;
}

} // namespace

// Keyboard, mouse and auto-repeat of the scroll gadget, and when ValueChanged reaches the host.
class TestRVTPropGadgetInput : public QObject
{
    Q_OBJECT

private slots:
    void arrowKeysStepTheValue()
    {
        auto g = makeGadget(20, 200); // 0..100, line 1, page 10
        g->setVValue(5);
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        key(*g, Qt::Key_Up);
        QCOMPARE(g->VValue(), 4);
        key(*g, Qt::Key_Up, Qt::ShiftModifier); // -10, held at VMin
        QCOMPARE(g->VValue(), 0);
        key(*g, Qt::Key_Up);   // nothing moves, nothing is raised
        key(*g, Qt::Key_Left); // the other axis: nothing
        QCOMPARE(g->HValue(), 50);
        key(*g, Qt::Key_Down, Qt::ControlModifier); // to the end of the range
        QCOMPARE(g->VValue(), 100);
        key(*g, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE((events(spy)), (QList<QPair<int, int>>{{4, 50}, {0, 50}, {100, 50}}));

        // A slider grows upwards.
        auto slider = makeGadget(30, 200, 33);
        slider->setVValue(5);
        key(*slider, Qt::Key_Up);
        QCOMPARE(slider->VValue(), 6);
        key(*slider, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(slider->VValue(), 0);

        // A horizontal bar takes Left and Right only.
        auto horizontal = makeGadget(200, 20, 66);
        key(*horizontal, Qt::Key_Right);
        key(*horizontal, Qt::Key_Down);
        QCOMPARE(horizontal->HValue(), 51);
        QCOMPARE(horizontal->VValue(), 50);
    }

    void indicatorTakesNoInput()
    {
        auto g = makeGadget(30, 100, 17);
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        key(*g, Qt::Key_Up);
        press(*g, {15, 50});
        QVERIFY(!g->isAutoRepeating());
        release(*g, {15, 50});
        QCOMPARE(g->VValue(), 50);
        QCOMPARE(spy.count(), 0);
    }

    void knobPressReportsAtOnceAndDragFollowsTheKnob()
    {
        auto g = makeMainWindowGadget(); // knob (2, 15, 37, 76), travel 239 for 0..10
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        press(*g, {19, 40});
        QCOMPARE((events(spy)), (QList<QPair<int, int>>{{0, 50}})); // raised though nothing moved
        QVERIFY(!g->isAutoRepeating());

        moveHeld(*g, {19, 40 + 120}); // knob top 135: 120 * 10 / 239 = 5.02
        QCOMPARE(g->VValue(), 5);
        moveHeld(*g, {25, 40 + 121}); // still 5: nothing raised
        moveHeld(*g, {19, -50});      // above the track
        QCOMPARE(g->VValue(), 0);
        moveHeld(*g, {19, 500}); // below
        QCOMPARE(g->VValue(), 10);
        moveHeld(*g, {19, 40 + 239}); // the knob's last place is the maximum too
        QCOMPARE((events(spy)), (QList<QPair<int, int>>{{0, 50}, {5, 50}, {0, 50}, {10, 50}}));
        QCOMPARE(*g->layout().knob, (GdiRect{2, 254, 37, 315}));

        // Moving without the left button, or after the release, drags nothing.
        moveHeld(*g, {19, 100}, Qt::RightButton);
        release(*g, {19, 100});
        moveHeld(*g, {19, 100});
        QCOMPARE(g->VValue(), 10);
    }

    void sliderDragReachesBothEnds()
    {
        auto g = makeGadget(30, 200, 33); // track (2, 2, 28, 198), knob 13, travel 183
        g->setVValue(0);
        const GdiRect knob = *g->layout().knob;
        QCOMPARE(knob, (GdiRect{2, 185, 28, 198}));
        press(*g, {15, 190});      // 5 below the knob's top
        moveHeld(*g, {15, 2 + 5}); // knob top at the track's top
        QCOMPARE(g->VValue(), 100);
        moveHeld(*g, {15, 2 + 5 + 183 / 2}); // halfway: 91 / 183 of the way down
        QCOMPARE(g->VValue(), 50);
        moveHeld(*g, {15, 400});
        QCOMPARE(g->VValue(), 0);
    }

    void trackPressPagesAndRepeatsUntilTheKnobArrives()
    {
        auto g = makeMainWindowGadget(); // page 10 over 0..10 would jump; use a larger range
        g->setVMax(100);
        g->setVLargeChange(20);
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        // Knob 13 long over 300: value v puts its top at 15 + v * 287 / 100.
        press(*g, {19, 200}, Qt::LeftButton, Qt::ControlModifier); // Ctrl still pages
        QCOMPARE(g->VValue(), 20);
        QVERIFY(g->isAutoRepeating());
        QCOMPARE(g->autoRepeatInterval(), 500);
        g->autoRepeatTick();
        QCOMPARE(g->VValue(), 40);
        QCOMPARE(g->autoRepeatInterval(), 125);
        g->autoRepeatTick(); // 60: top at 187, bottom at 200, under the press point
        QCOMPARE(g->VValue(), 60);
        g->autoRepeatTick();
        g->autoRepeatTick();
        QCOMPARE(g->VValue(), 60);
        // One event per real change; ticks that move nothing raise nothing.
        QCOMPARE((events(spy)), (QList<QPair<int, int>>{{20, 50}, {40, 50}, {60, 50}}));
        release(*g, {19, 200});
        QVERIFY(!g->isAutoRepeating());

        // A press above the knob pages back.
        press(*g, {19, 20});
        QCOMPARE(g->VValue(), 40);
        release(*g, {19, 20});
    }

    void sliderTrackPressStepsByLineOrJumps()
    {
        auto g = makeGadget(30, 200, 33); // knob (2, 94, 28, 107)
        press(*g, {15, 20});
        QCOMPARE(g->VValue(), 51);
        release(*g, {15, 20});
        press(*g, {15, 20}, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(g->VValue(), 52);
        release(*g, {15, 20});
        press(*g, {15, 20}, Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(g->VValue(), 100);
        release(*g, {15, 20});
    }

    void heldArrowRepeatsUntilTheEnd()
    {
        auto g = makeGadget(20, 200);
        g->setVValue(97);
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        press(*g, {10, 190}); // down arrow (2, 186, 18, 198)
        QCOMPARE(g->VValue(), 98);
        QCOMPARE(g->autoRepeatInterval(), 500);
        g->autoRepeatTick();
        QCOMPARE(g->VValue(), 99);
        QCOMPARE(g->autoRepeatInterval(), 125);
        g->autoRepeatTick();
        g->autoRepeatTick();
        g->autoRepeatTick();
        QCOMPARE(g->VValue(), 100);
        QCOMPARE(spy.count(), 3);
        release(*g, {10, 190});
        QVERIFY(!g->isAutoRepeating());

        // The up arrow at the top of the range changes nothing and raises nothing.
        g->setVValue(0);
        spy.clear();
        press(*g, {10, 5});
        QCOMPARE(g->VValue(), 0);
        QCOMPARE(spy.count(), 0);
        release(*g, {10, 5});
    }

    void autoRepeatStopsWithoutARelease()
    {
        bool held = true;
        auto g = makeGadget(20, 200);
        g->setMouseButtonsProbe([&] { return held ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton; });
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);

        // A tick that finds the button up ends the repeat without stepping.
        press(*g, {10, 190});
        held = false;
        g->autoRepeatTick();
        QVERIFY(!g->isAutoRepeating());
        QCOMPARE(g->VValue(), 51);

        // Losing the focus ends it.
        held = true;
        press(*g, {10, 190});
        QVERIFY(g->isAutoRepeating());
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(g.get(), &out);
        QVERIFY(!g->isAutoRepeating());

        // Hiding ends it.
        g->show();
        press(*g, {10, 190});
        QVERIFY(g->isAutoRepeating());
        g->hide();
        QVERIFY(!g->isAutoRepeating());

        // Being disabled ends it.
        press(*g, {10, 190});
        g->setEnabled(false);
        QVERIFY(!g->isAutoRepeating());
        QCOMPARE(g->VValue(), 54);
        QCOMPARE(spy.count(), 4);
    }

    void otherPressesDoNothing()
    {
        auto g = makeGadget(20, 200);
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        press(*g, {10, 100}, Qt::RightButton); // on the knob, but with the right button
        press(*g, {10, 190}, Qt::RightButton);
        QVERIFY(!g->isAutoRepeating());

        // Without arrows a press on the frame hits nothing, not even at the top-left corner.
        g->setScrollingArrows(0);
        press(*g, {0, 0});
        press(*g, {19, 199});
        QVERIFY(!g->isAutoRepeating());
        QCOMPARE(g->VValue(), 50);
        QCOMPARE(spy.count(), 0);
    }

    void twoAxisGadgetMovesBothValues()
    {
        auto g = makeGadget(120, 120, 67);
        g->setScrollingArrows(7);
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        // Inner (2, 2, 118, 118), track (15, 15, 105, 105): a press at the top-left corner of the
        // track pages both values back.
        press(*g, {16, 16});
        QCOMPARE(g->HValue(), 40);
        QCOMPARE(g->VValue(), 40);
        release(*g, {16, 16});
        press(*g, {110, 60}); // right arrow (106, 14, 118, 106)
        QCOMPARE(g->HValue(), 41);
        release(*g, {110, 60});
        key(*g, Qt::Key_Down);
        QCOMPARE(g->VValue(), 41);
        QCOMPARE((events(spy)), (QList<QPair<int, int>>{{40, 40}, {40, 41}, {41, 41}}));
    }

    void wheelStyleAssignmentsRaiseNothing()
    {
        auto g = makeMainWindowGadget();
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        for (int i = 0; i < 15; ++i)
            g->setVValue(g->VValue() + 1);
        QCOMPARE(g->VValue(), 10);
        QCOMPARE(*g->layout().knob, (GdiRect{2, 254, 37, 315}));
        g->setVValue(-1);
        QCOMPARE(g->VValue(), 10);
        QCOMPARE(spy.count(), 0);
        // The user's next step starts from the assigned value and reports only a change.
        key(*g, Qt::Key_Down);
        QCOMPARE(spy.count(), 0);
        key(*g, Qt::Key_Up);
        QCOMPARE((events(spy)), (QList<QPair<int, int>>{{9, 50}}));
    }
};

VELMO_TEST_MAIN(TestRVTPropGadgetInput)
#include "TestRVTPropGadgetInput.moc"
