#include "TestMain.h"
#include "TestRVTPropGadget_Fixture.h"

#include "controls/PropertyBag.h"
#include "controls/gadget/GadgetGeometry.h"
#include "controls/gadget/GadgetModel.h"

#include <QSignalSpy>

using namespace velmo;
using namespace velmo::gadget;
using namespace gadgettest;

// Properties, their checks, persistence and the geometry of the scroll gadget.
class TestRVTPropGadget : public QObject
{
    Q_OBJECT

private slots:
    void rangeAndStepAssignmentsAreCheckedAndReported()
    {
        RVTPropGadget g;
        QSignalSpy changed(&g, &RVTPropGadget::propertyChanged);
        QSignalSpy values(&g, &RVTPropGadget::ValueChanged);

        g.setVValue(101); // above VMax
        QCOMPARE(g.VValue(), 50);
        QCOMPARE(changed.count(), 0);
        g.setVValue(100);
        QCOMPARE(g.VValue(), 100);
        QCOMPARE(changed.takeFirst().at(0).toString(), QStringLiteral("VValue"));

        g.setVMax(32768);
        QCOMPARE(g.VMax(), 100);
        g.setVMax(32767);
        QCOMPARE(g.VMax(), 32767);
        g.setVMax(100);

        g.setVLargeChange(100); // not below the range
        QCOMPARE(g.VLargeChange(), 10);
        g.setVLargeChange(1); // not above VSmallChange
        QCOMPARE(g.VLargeChange(), 10);
        g.setVLargeChange(99);
        QCOMPARE(g.VLargeChange(), 99);
        g.setVSmallChange(0);
        g.setVSmallChange(99); // equal to VLargeChange
        QCOMPARE(g.VSmallChange(), 1);

        g.setVMin(100); // not below VMax
        g.setVMin(-1);
        QCOMPARE(g.VMin(), 0);

        // Narrowing the range leaves a value outside it alone.
        g.setVMax(40);
        QCOMPARE(g.VValue(), 100);

        g.setScaleSteps(-1);
        g.setScaleSteps(32768);
        QCOMPARE(g.ScaleSteps(), 0);

        changed.clear();
        g.setHMin(5);
        g.setHSmallChange(3);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("HMin"));
        QCOMPARE(changed.at(1).at(0).toString(), QStringLiteral("HSmallChange"));

        // No assignment raises the user's event.
        QCOMPARE(values.count(), 0);
    }

    void surfacePropertiesAreReportedOnlyWhenAssigned()
    {
        QWidget host;
        auto* g = new RVTPropGadget(&host);
        QSignalSpy changed(g, &RVTPropGadget::propertyChanged);
        g->setEnabled(false);
        g->setEnabled(false);
        host.setEnabled(false); // the host's state is not the gadget's own
        host.setEnabled(true);
        g->setEnabled(true);
        g->setFont(QFont(QStringLiteral("Sans"), 17));
        host.setFont(QFont(QStringLiteral("Sans"), 9)); // the gadget keeps its own font
        QStringList names;
        for (const QList<QVariant>& args : changed)
            names << args.at(0).toString();
        QCOMPARE(names,
                 (QStringList{QStringLiteral("Enabled"), QStringLiteral("Enabled"), QStringLiteral("Font")}));

        // Loading is not assigning.
        changed.clear();
        g->readProperties(PropertyBag{{QStringLiteral("Enabled"), 0}, {QStringLiteral("VValue"), 3}});
        QVERIFY(!g->isEnabled());
        QCOMPARE(changed.count(), 0);
    }

    void refusedValueLeavesThePictureAlone()
    {
        auto g = makeMainWindowGadget();
        g->setVValue(3);
        const QImage before = g->surface().copy();
        g->setVValue(11);
        QCOMPARE(g->VValue(), 3);
        QCOMPARE(g->surface(), before);
        g->setVValue(4);
        QVERIFY(g->surface() != before);
    }

    void arrowLayoutFollowsTheType_data()
    {
        QTest::addColumn<int>("arrows");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("expected");
        QTest::newRow("slider drops arrows") << 1 << 33 << 0;
        QTest::newRow("indicator drops arrows") << 2 << 18 << 0;
        QTest::newRow("vertical bar takes no horizontal layout") << 5 << 65 << 1;
        QTest::newRow("vertical bar keeps its own") << 3 << 65 << 3;
        QTest::newRow("horizontal bar takes no vertical layout") << 2 << 66 << 4;
        QTest::newRow("horizontal bar from four sides") << 7 << 66 << 4;
        QTest::newRow("two axes from one side") << 5 << 67 << 7;
        QTest::newRow("two axes without arrows") << 0 << 67 << 0;
    }

    void arrowLayoutFollowsTheType()
    {
        QFETCH(int, arrows);
        QFETCH(int, type);
        QFETCH(int, expected);
        RVTPropGadget g;
        g.setPropGadgetType(type == 67 ? 67 : 65);
        g.setScrollingArrows(arrows);
        g.setPropGadgetType(type);
        QCOMPARE(g.ScrollingArrows(), expected);
        // The layout is fitted again when the arrows are set on their own.
        g.setScrollingArrows(arrows);
        QCOMPARE(g.ScrollingArrows(), expected);
    }

    void propertiesSurviveSavingAndLoading()
    {
        RVTPropGadget g;
        // A new gadget saves nothing: every value equals its default.
        PropertyBag empty;
        g.writeProperties(empty);
        QCOMPARE(empty.size(), 0);

        g.setBackColor(0xFAE0AB);
        g.setForeColor(0x80000008u);
        g.setBorderless(true);
        g.setPropGadgetType(66);
        g.setScrollingArrows(6);
        g.setHMax(500);
        g.setHMin(20);
        g.setHValue(0); // below HMin: refused
        g.setHValue(20);
        g.setHLargeChange(50);
        g.setHSmallChange(5);
        g.setVMax(10);
        g.setVValue(0);
        g.setShowValue(true);
        g.setScaleSteps(8);
        g.setEnabled(false);
        QFont font(QStringLiteral("Sans"), 13);
        g.setFont(font);

        PropertyBag bag;
        g.writeProperties(bag);
        // A value at its default is left out; VValue 0 is not a default and is kept.
        QCOMPARE(bag.read(QStringLiteral("HValue")).toInt(), 20);
        QCOMPARE(bag.read(QStringLiteral("VValue")).toInt(), 0);
        QVERIFY(!bag.contains(QStringLiteral("VMin")));
        QCOMPARE(bag.read(QStringLiteral("Enabled")).toInt(), 0);

        RVTPropGadget loaded;
        loaded.readProperties(bag);
        QCOMPARE(loaded.BackColor(), 0xFAE0ABu);
        QCOMPARE(loaded.ForeColor(), 0x80000008u);
        QVERIFY(loaded.Borderless());
        QCOMPARE(loaded.PropGadgetType(), 66);
        QCOMPARE(loaded.ScrollingArrows(), 6);
        QCOMPARE(loaded.HMax(), 500);
        QCOMPARE(loaded.HMin(), 20);
        QCOMPARE(loaded.HValue(), 20);
        QCOMPARE(loaded.HLargeChange(), 50);
        QCOMPARE(loaded.HSmallChange(), 5);
        QCOMPARE(loaded.VMax(), 10);
        QCOMPARE(loaded.VValue(), 0);
        QVERIFY(loaded.ShowValue());
        QCOMPARE(loaded.ScaleSteps(), 8);
        QVERIFY(!loaded.isEnabled());
        QCOMPARE(loaded.font().pointSize(), 13);

        PropertyBag again;
        loaded.writeProperties(again);
        QCOMPARE(again, bag);
    }

    void damagedStoredValuesAreRefusedOnLoad()
    {
        // Values the properties would never accept; loading must leave a gadget that can draw
        // and be dragged without dividing by an empty range.
        RVTPropGadget g;
        g.resize(39, 330);
        g.readProperties(PropertyBag{{QStringLiteral("VMax"), 0},
                                     {QStringLiteral("VMin"), 0},
                                     {QStringLiteral("VValue"), 7},
                                     {QStringLiteral("HMax"), 5},
                                     {QStringLiteral("HMin"), 9},
                                     {QStringLiteral("HValue"), -4},
                                     {QStringLiteral("VSmallChange"), 0},
                                     {QStringLiteral("VLargeChange"), -3},
                                     {QStringLiteral("ScaleSteps"), 99999},
                                     {QStringLiteral("PropGadgetType"), 33},
                                     {QStringLiteral("ScrollingArrows"), 1}});
        QCOMPARE(g.VMax(), 100); // an empty range falls back to the default maximum
        QCOMPARE(g.VMin(), 0);
        QCOMPARE(g.VValue(), 7);
        QCOMPARE(g.HMax(), 5);
        QCOMPARE(g.HMin(), 0);   // a minimum above the maximum is refused
        QCOMPARE(g.HValue(), 5); // the default 50, brought into 0..5
        QCOMPARE(g.VSmallChange(), 1);
        QCOMPARE(g.VLargeChange(), 10);
        QCOMPARE(g.ScaleSteps(), 0);
        QCOMPARE(g.ScrollingArrows(), 0); // a slider has no arrows

        // A minimum that equals the maximum: the maximum is kept, the minimum refused.
        g.readProperties(PropertyBag{{QStringLiteral("VMax"), 10},
                                     {QStringLiteral("VMin"), 10},
                                     {QStringLiteral("VValue"), 10},
                                     {QStringLiteral("Borderless"), QStringLiteral("nonsense")},
                                     {QStringLiteral("PropGadgetType"), QStringLiteral("x")}});
        QCOMPARE(g.VMin(), 0);
        QCOMPARE(g.VMax(), 10);
        QCOMPARE(g.VValue(), 10);
        QCOMPARE(g.PropGadgetType(), 65);
        QVERIFY(g.layout().knob.has_value());
        QCOMPARE(g.layout().vKnobLength, 61);
    }

    void systemColoursResolveThroughThePalette()
    {
        RVTPropGadget g;
        g.setPalette(testPalette());
        QCOMPARE(g.ScrollTranslateColor(0x80000014u), kHighlight);
        QCOMPARE(g.ScrollTranslateColor(0x80000016u), kLight);
        QCOMPARE(g.ScrollTranslateColor(0xFAE0ABu), ColorRef(0xFAE0AB));
        // An unknown system colour, or a value that is no colour at all, draws black.
        QCOMPARE(g.ScrollTranslateColor(0x80000063u), ColorRef(0));
        QCOMPARE(g.ScrollTranslateColor(0x7F000000u), ColorRef(0));
    }

    void scrollBarGeometryFollowsTheArrowLayout_data()
    {
        QTest::addColumn<int>("arrows");
        QTest::addColumn<GdiRect>("up");
        QTest::addColumn<GdiRect>("down");
        QTest::addColumn<GdiRect>("track");
        QTest::newRow("one at each end")
            << 1 << GdiRect{2, 2, 18, 14} << GdiRect{2, 186, 18, 198} << GdiRect{2, 15, 18, 185};
        QTest::newRow("both at the top")
            << 2 << GdiRect{2, 2, 18, 14} << GdiRect{2, 14, 18, 26} << GdiRect{2, 27, 18, 198};
        QTest::newRow("both at the bottom")
            << 3 << GdiRect{2, 173, 18, 185} << GdiRect{2, 186, 18, 198} << GdiRect{2, 2, 18, 172};
    }

    void scrollBarGeometryFollowsTheArrowLayout()
    {
        QFETCH(int, arrows);
        QFETCH(GdiRect, up);
        QFETCH(GdiRect, down);
        QFETCH(GdiRect, track);
        GadgetModel m;
        m.setScrollingArrows(arrows);
        const GadgetLayout g = layOut(m, 20, 200);
        QCOMPARE(g.inner, (GdiRect{2, 2, 18, 198}));
        QCOMPARE(*g.arrows[UpArrow], up);
        QCOMPARE(*g.arrows[DownArrow], down);
        QVERIFY(!g.hasArrow(LeftArrow) && !g.hasArrow(RightArrow));
        QCOMPARE(g.track, track);
    }

    void horizontalAndTwoAxisGeometry()
    {
        GadgetModel m;
        m.setType(HorizontalScrollBar);
        m.setScrollingArrows(HorizontalAtLeft);
        GadgetLayout g = layOut(m, 200, 20);
        QCOMPARE(*g.arrows[LeftArrow], (GdiRect{2, 2, 14, 18}));
        QCOMPARE(*g.arrows[RightArrow], (GdiRect{15, 2, 26, 18}));
        QCOMPARE(g.track, (GdiRect{27, 2, 198, 18}));
        m.setScrollingArrows(HorizontalAtRight);
        g = layOut(m, 200, 20);
        QCOMPARE(*g.arrows[LeftArrow], (GdiRect{173, 2, 185, 18}));
        QCOMPARE(g.track, (GdiRect{2, 2, 172, 18}));

        m.setType(TwoAxisScrollBar);
        m.setBorderless(true);
        g = layOut(m, 100, 80);
        QCOMPARE(*g.arrows[UpArrow], (GdiRect{12, 0, 88, 12}));
        QCOMPARE(*g.arrows[DownArrow], (GdiRect{12, 68, 88, 80}));
        QCOMPARE(*g.arrows[LeftArrow], (GdiRect{0, 12, 12, 68}));
        QCOMPARE(*g.arrows[RightArrow], (GdiRect{88, 12, 100, 68}));
        QCOMPARE(g.track, (GdiRect{13, 13, 87, 67}));

        // Scale room comes off the side of each axis before the frame.
        m.setScaleSteps(4);
        m.setBorderless(false);
        g = layOut(m, 100, 80);
        QCOMPARE(g.inner, (GdiRect{2, 2, 94, 74}));
    }

    void knobSizeAndPlace()
    {
        GadgetAxis axis;
        KnobPlacement k = placeKnob(axis, 170);
        QCOMPARE(k.length, 13); // 2 * 1 + 1 is below the smallest knob
        QCOMPARE(k.offset, 78); // 50 * 157 / 100
        QVERIFY(axis.setMax(10));
        k = placeKnob(axis, 170);
        QCOMPARE(k.length, 35);
        QVERIFY(axis.setValue(10));
        QCOMPARE(placeKnob(axis, 300).length, 61);
        QCOMPARE(placeKnob(axis, 300).offset, 239);

        // A knob never outgrows its track (range 1 would ask for 2 * len + 1 pixels).
        QVERIFY(axis.setMax(1));
        QVERIFY(axis.setValue(1));
        k = placeKnob(axis, 50);
        QCOMPARE(k.length, 50);
        QCOMPARE(k.offset, 0);
        k = placeKnob(axis, 8); // shorter than the smallest knob
        QCOMPARE(k.length, 8);
        k = placeKnob(axis, -6); // a surface too small for its arrows
        QCOMPARE(k.length, 0);
        QCOMPARE(k.offset, 0);
    }

    void positionsConvertToValues()
    {
        GadgetAxis axis; // 0..100, value 50
        // Track from 15, 170 long, knob 13: the knob's top travels 15..172.
        QCOMPARE(positionToValue(axis, 0, 15, 170, 13), 0);
        QCOMPARE(positionToValue(axis, 172, 15, 170, 13), 100);
        QCOMPARE(positionToValue(axis, 400, 15, 170, 13), 100);
        QCOMPARE(positionToValue(axis, 15 + 78, 15, 170, 13), 50); // 49.68
        QVERIFY(axis.setMax(10));
        // 0..10 over a travel of 4: 1 gives 2.5, which rounds to the even 2; 3 gives 7.5 -> 8.
        QCOMPARE(positionToValue(axis, 1, 0, 17, 13), 2);
        QCOMPARE(positionToValue(axis, 3, 0, 17, 13), 8);
        // A knob that fills its track cannot move the value.
        QVERIFY(axis.setValue(6));
        QCOMPARE(positionToValue(axis, 100, 0, 13, 13), 6);
        QCOMPARE(positionToValue(axis, 100, 0, 0, 0), 6);

        QVERIFY(hitTest({2, 15, 37, 76}, 37.0, 76.0));
        QVERIFY(hitTest({2, 15, 37, 76}, 2.0, 15.0));
        QVERIFY(!hitTest({2, 15, 37, 76}, 37.5, 40.0));
    }

    void negativeValueTextKeepsItsSign()
    {
        QCOMPARE(valueText(-5), QStringLiteral("-5"));
        QCOMPARE(valueText(0), QStringLiteral("0"));
        QCOMPARE(valueText(42), QStringLiteral("42"));
    }
};

VELMO_TEST_MAIN(TestRVTPropGadget)
#include "TestRVTPropGadget.moc"
