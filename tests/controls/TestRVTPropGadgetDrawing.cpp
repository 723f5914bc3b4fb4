#include "TestMain.h"
#include "TestRVTPropGadget_Fixture.h"

using namespace velmo;
using namespace velmo::gadget;
using namespace gadgettest;

namespace {

// A 2-pixel-high row pattern: rows 0-1 and 4-5 of every 8 show the back colour at even columns,
// rows 2-3 and 6-7 at odd columns; the other pixels show the 3-D light colour.
ColorRef patternAt(int x, int y, ColorRef back)
{
    const bool evenRow = (y & 7) < 2 || ((y & 7) >= 4 && (y & 7) < 6);
    return ((x & 1) == 0) == evenRow ? back : kLight;
}

bool showsPattern(const RVTPropGadget& g, const GdiRect& area, ColorRef back)
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (px(g, x, y) != patternAt(x, y, back))
                return false;
    return true;
}

int countColour(const RVTPropGadget& g, const GdiRect& area, ColorRef colour)
{
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            n += px(g, x, y) == colour;
    return n;
}

} // namespace

// Pixels of the scroll gadget's picture at places that follow from its geometry.
class TestRVTPropGadgetDrawing : public QObject
{
    Q_OBJECT

private slots:
    void mainWindowGadgetFrameArrowsAndTrack()
    {
        auto g = makeMainWindowGadget(); // 39 x 330, VMax 10, VValue 0
        // Outer frame ring: raised (highlight top-left, shadow bottom-right, corners to the latter).
        QCOMPARE(px(*g, 0, 0), kHighlight);
        QCOMPARE(px(*g, 20, 0), kHighlight);
        QCOMPARE(px(*g, 0, 200), kHighlight);
        QCOMPARE(px(*g, 38, 0), kShadow);
        QCOMPARE(px(*g, 0, 329), kShadow);
        QCOMPARE(px(*g, 38, 329), kShadow);
        // Second ring: sunken.
        QCOMPARE(px(*g, 1, 1), kShadow);
        QCOMPARE(px(*g, 20, 1), kShadow);
        QCOMPARE(px(*g, 37, 200), kHighlight);
        QCOMPARE(px(*g, 20, 328), kHighlight);

        // Up arrow button (2, 2, 37, 14) with its glyph centred on (19, 8).
        QCOMPARE(px(*g, 2, 2), kHighlight);
        QCOMPARE(px(*g, 36, 13), kShadow);
        QCOMPARE(px(*g, 10, 8), kPanelBlue);
        QCOMPARE(countColour(*g, {3, 5, 36, 6}, kDarkShadow), 0); // the first row is a zero-length line
        QCOMPARE(px(*g, 18, 6), kDarkShadow);
        QCOMPARE(px(*g, 19, 6), kDarkShadow);
        QCOMPARE(px(*g, 17, 6), kPanelBlue);
        QCOMPARE(px(*g, 20, 6), kPanelBlue);
        QCOMPARE(px(*g, 15, 9), kDarkShadow);
        QCOMPARE(px(*g, 22, 9), kDarkShadow);
        QCOMPARE(px(*g, 23, 9), kPanelBlue);
        QCOMPARE(countColour(*g, {2, 2, 37, 14}, kDarkShadow), 2 + 4 + 6 + 8);
        // Down arrow button (2, 316, 37, 328): widest row on top.
        QCOMPARE(px(*g, 15, 320), kDarkShadow);
        QCOMPARE(px(*g, 22, 320), kDarkShadow);
        QCOMPARE(px(*g, 18, 323), kDarkShadow);
        QCOMPARE(px(*g, 17, 323), kPanelBlue);
        QCOMPARE(countColour(*g, {2, 316, 37, 328}, kDarkShadow), 20);

        // One cleared row between each arrow and the track (2, 15, 37, 315).
        QCOMPARE(countColour(*g, {2, 14, 37, 15}, kPanelBlue), 35);
        QCOMPARE(countColour(*g, {2, 315, 37, 316}, kPanelBlue), 35);
        // Below the knob (2, 15, 37, 76) the track shows its pattern.
        QVERIFY(showsPattern(*g, {2, 76, 37, 315}, kPanelBlue));
    }

    void knobLooksAndMoves()
    {
        auto g = makeMainWindowGadget();
        // Knob 61 pixels long at the top of the 300-pixel track.
        QCOMPARE(g->layout().track, (GdiRect{2, 15, 37, 315}));
        QCOMPARE(*g->layout().knob, (GdiRect{2, 15, 37, 76}));
        QCOMPARE(px(*g, 2, 15), kHighlight);
        QCOMPARE(px(*g, 36, 15), kShadow);
        QCOMPARE(px(*g, 2, 75), kShadow);
        QCOMPARE(px(*g, 36, 75), kShadow);
        // Without focus the pattern shows through the knob.
        QCOMPARE(px(*g, 10, 24), patternAt(10, 24, kPanelBlue));
        QCOMPARE(px(*g, 11, 24), patternAt(11, 24, kPanelBlue));
        // The dimple at (19, 45): a highlight ring with a dark ring one pixel up and left over it.
        for (QPoint p :
             {QPoint(19, 43), QPoint(18, 44), QPoint(21, 44), QPoint(21, 45), QPoint(19, 46), QPoint(20, 46)})
            QCOMPARE(px(*g, p.x(), p.y()), kHighlight);
        for (QPoint p : {QPoint(18, 42), QPoint(19, 42), QPoint(17, 43), QPoint(20, 43), QPoint(17, 44),
                         QPoint(20, 44), QPoint(18, 45), QPoint(19, 45)})
            QCOMPARE(px(*g, p.x(), p.y()), kDarkShadow);

        g->setVValue(5); // offset 5 * 239 / 10 = 119
        QCOMPARE(*g->layout().knob, (GdiRect{2, 134, 37, 195}));
        QCOMPARE(px(*g, 2, 134), kHighlight);
        QCOMPARE(px(*g, 20, 194), kShadow);
        QVERIFY(showsPattern(*g, {3, 16, 36, 133}, kPanelBlue)); // the old place is track again
        g->setVValue(10);
        QCOMPARE(*g->layout().knob, (GdiRect{2, 254, 37, 315}));

        // With focus the knob is filled with the back colour.
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(g.get(), &in);
        QCOMPARE(px(*g, 10, 260), kPanelBlue);
        QCOMPARE(px(*g, 11, 260), kPanelBlue);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(g.get(), &out);
        QCOMPARE(px(*g, 11, 260), patternAt(11, 260, kPanelBlue));
    }

    void steppedArrowLooksPressedUntilTheRelease()
    {
        auto g = makeMainWindowGadget();
        g->setVValue(5);
        // Down arrow (2, 316, 37, 328): raised at rest, sunken while a step in its direction runs.
        QCOMPARE(px(*g, 2, 316), kHighlight);
        QTest::keyPress(g.get(), Qt::Key_Down);
        QCOMPARE(px(*g, 2, 316), kShadow);
        QCOMPARE(px(*g, 36, 327), kHighlight);
        QCOMPARE(px(*g, 2, 2), kHighlight); // the up arrow stays raised
        QTest::keyRelease(g.get(), Qt::Key_Down);
        QCOMPARE(px(*g, 2, 316), kHighlight);

        // Paging the track shows the arrow of the paging direction pressed too.
        press(*g, {19, 30});
        QCOMPARE(g->VValue(), 0);
        QCOMPARE(px(*g, 2, 2), kShadow);
        release(*g, {19, 30});
        QCOMPARE(px(*g, 2, 2), kHighlight);
    }

    void disabledGadgetShowsOnlyFrameAndTrack()
    {
        auto g = makeMainWindowGadget();
        g->setEnabled(false);
        QCOMPARE(px(*g, 0, 0), kHighlight);
        QCOMPARE(countColour(*g, {2, 2, 37, 14}, kPanelBlue), 35 * 12); // no arrow button
        QVERIFY(showsPattern(*g, {2, 15, 37, 315}, kPanelBlue));        // no knob
    }

    void horizontalScrollBar()
    {
        auto g = makeGadget(200, 20, 66); // arrows fitted to 4: one at each end
        QCOMPARE(g->ScrollingArrows(), 4);
        QCOMPARE(*g->layout().knob, (GdiRect{93, 2, 106, 18})); // 13 long, 15 + 50 * 157 / 100
        // Left arrow (2, 2, 14, 18) centred on (8, 10): columns of growing height to the right.
        QCOMPARE(px(*g, 6, 9), kDarkShadow);
        QCOMPARE(px(*g, 6, 10), kDarkShadow);
        QCOMPARE(px(*g, 6, 11), kFace);
        QCOMPARE(px(*g, 9, 6), kDarkShadow);
        QCOMPARE(px(*g, 9, 13), kDarkShadow);
        QCOMPARE(countColour(*g, {2, 2, 14, 18}, kDarkShadow), 20);
        // Right arrow (186, 2, 198, 18) centred on (192, 10): growing to the left.
        QCOMPARE(px(*g, 193, 9), kDarkShadow);
        QCOMPARE(px(*g, 190, 6), kDarkShadow);
        QCOMPARE(px(*g, 194, 9), kFace);
        QCOMPARE(countColour(*g, {186, 2, 198, 18}, kDarkShadow), 20);
        QVERIFY(showsPattern(*g, {15, 2, 93, 18}, kFace));
        QVERIFY(showsPattern(*g, {106, 2, 185, 18}, kFace));
    }

    void sliderHasAGroove()
    {
        auto g = makeGadget(30, 200, 33);
        // Track (2, 2, 28, 198); knob 13 long, raised 50 * 183 / 100 = 91 from the bottom.
        QCOMPARE(*g->layout().knob, (GdiRect{2, 94, 28, 107}));
        QCOMPARE(px(*g, 2, 94), kHighlight);
        QCOMPARE(px(*g, 27, 106), kShadow);
        QCOMPARE(countColour(*g, {2, 2, 6, 94}, kFace), 4 * 92); // beside the groove: back colour
        QVERIFY(showsPattern(*g, {6, 2, 24, 94}, kFace));
        QCOMPARE(countColour(*g, {24, 2, 28, 94}, kFace), 4 * 92);
    }

    void indicatorBarAndValueText()
    {
        auto g = makeGadget(30, 100, 17);
        g->setShowValue(true);
        // Track (2, 2, 28, 98): the bar is 50 * 94 / 100 + 2 = 49 pixels high.
        QCOMPARE(*g->layout().knob, (GdiRect{2, 49, 28, 98}));
        QCOMPARE(px(*g, 2, 49), kHighlight);
        QCOMPARE(px(*g, 27, 97), kShadow);
        QVERIFY(countColour(*g, g->layout().inner, kText) > 0);

        g->setVValue(2); // offset 1: no bar, but still the text
        QVERIFY(showsPattern(*g, {2, 2, 28, 20}, kFace));
        QCOMPARE(px(*g, 2, 95), patternAt(2, 95, kFace));
        QVERIFY(countColour(*g, g->layout().inner, kText) > 0);
        g->setShowValue(false);
        QCOMPARE(countColour(*g, g->layout().inner, kText), 0);
    }

    void scaleTicks()
    {
        auto g = makeMainWindowGadget();
        g->setScaleSteps(4);
        // Four pixels come off the right for the ticks; the track is (2, 15, 33, 315).
        QCOMPARE(g->layout().track, (GdiRect{2, 15, 33, 315}));
        for (int y : {15, 74, 134, 194, 254}) { // 15 + 239 * i / 4
            QCOMPARE(px(*g, 35, y), kText);
            QCOMPARE(px(*g, 37, y), kText);
            QCOMPARE(px(*g, 38, y), kPanelBlue);
        }
        QCOMPARE(countColour(*g, {35, 0, 39, 330}, kText), 5 * 3);
    }

    void tinyAndDamagedGadgetsStillDraw()
    {
        // Too small for its arrows: the track is inverted, nothing may divide by zero.
        auto g = makeGadget(10, 20);
        QVERIFY(!g->surface().isNull());
        QCOMPARE(g->layout().vKnobLength, 0);
        g->setVMax(1);
        g->Refresh();
        // A hidden widget hears of a new size only when shown; Refresh draws at once.
        g->resize(0, 0);
        g->Refresh();
        QVERIFY(g->surface().isNull());
        g->resize(15, 15);
        g->Refresh();
        QCOMPARE(px(*g, 0, 0), kHighlight);
    }
};

VELMO_TEST_MAIN(TestRVTPropGadgetDrawing)
#include "TestRVTPropGadgetDrawing.moc"
