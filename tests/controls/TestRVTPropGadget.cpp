#include "TestMain.h"

#include "controls/PropertyBag.h"
#include "controls/RVTPropGadget.h"
#include "controls/gadget/GadgetGeometry.h"
#include "controls/gadget/GadgetModel.h"
#include "controls/gdi/SystemColors.h"

#include <QSignalSpy>

#include <memory>

using namespace velmo;
using namespace velmo::gadget;
using namespace velmo::gdi;

Q_DECLARE_METATYPE(velmo::gdi::GdiRect)

namespace {

// The system colours the gadget draws with, each one recognisable.
constexpr ColorRef kHighlight = rgb(255, 255, 255); // button highlight
constexpr ColorRef kShadow = rgb(128, 128, 128);    // button shadow
constexpr ColorRef kDarkShadow = rgb(10, 20, 30);   // 3-D dark shadow
constexpr ColorRef kLight = rgb(200, 201, 202);     // 3-D light
constexpr ColorRef kFace = rgb(212, 208, 200);      // button face, the host's back colour
constexpr ColorRef kText = rgb(180, 0, 0);          // button text, the host's fore colour
constexpr ColorRef kPanelBlue = 0xFAE0AB;           // the main window's gadget colour

// A gadget of the given size whose 3-D colours are all distinct.
std::unique_ptr<RVTPropGadget> makeGadget(int width, int height, int type = 65)
{
    QPalette p;
    p.setColor(QPalette::Light, toQColor(kHighlight));
    p.setColor(QPalette::Dark, toQColor(kShadow));
    p.setColor(QPalette::Shadow, toQColor(kDarkShadow));
    p.setColor(QPalette::Midlight, toQColor(kLight));
    p.setColor(QPalette::Button, toQColor(kFace));
    p.setColor(QPalette::ButtonText, toQColor(kText));
    auto g = std::make_unique<RVTPropGadget>();
    g->setPalette(p);
    g->resize(width, height);
    g->setPropGadgetType(type);
    g->setMouseButtonsProbe([] { return Qt::MouseButtons(Qt::LeftButton); });
    return g;
}

// The main window's: 39 x 330, 0..10, knob (2, 15, 37, 76) over the track (2, 15, 37, 315).
std::unique_ptr<RVTPropGadget> makeMainWindowGadget()
{
    auto g = makeGadget(39, 330);
    g->setBackColor(kPanelBlue);
    g->setVMax(10);
    g->setVValue(0);
    return g;
}

ColorRef px(const RVTPropGadget& g, int x, int y)
{
    return fromQRgb(g.surface().pixel(x, y));
}

void mouse(RVTPropGadget& g, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier, Qt::MouseButtons held = Qt::LeftButton)
{
    QMouseEvent e(type, at, g.mapToGlobal(at), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : held, modifiers);
    QApplication::sendEvent(&g, &e);
}

void press(RVTPropGadget& g, QPointF at, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    mouse(g, QEvent::MouseButtonPress, at, button, modifiers, button);
}

void moveHeld(RVTPropGadget& g, QPointF to, Qt::MouseButtons held = Qt::LeftButton)
{
    mouse(g, QEvent::MouseMove, to, Qt::NoButton, Qt::NoModifier, held);
}

void release(RVTPropGadget& g, QPointF at)
{
    mouse(g, QEvent::MouseButtonRelease, at);
}

void key(RVTPropGadget& g, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyPress(&g, k, modifiers);
    QTest::keyRelease(&g, k, modifiers);
}

// A 2-pixel-high row pattern: rows 0-1 and 4-5 of every 8 show the back colour at even columns,
// rows 2-3 and 6-7 at odd columns; the other pixels show the 3-D light colour.
bool showsPattern(const RVTPropGadget& g, const GdiRect& area, ColorRef back)
{
    for (int y = area.top; y < area.bottom; ++y) {
        const bool evenRow = (y & 7) < 2 || ((y & 7) >= 4 && (y & 7) < 6);
        for (int x = area.left; x < area.right; ++x)
            if (px(g, x, y) != (((x & 1) == 0) == evenRow ? back : kLight))
                return false;
    }
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

QStringList names(const QSignalSpy& spy)
{
    QStringList out;
    for (const QList<QVariant>& args : spy)
        out << args.at(0).toString();
    return out;
}

// The values of every ValueChanged raised so far.
QList<QPair<int, int>> events(const QSignalSpy& spy)
{
    QList<QPair<int, int>> out;
    for (const QList<QVariant>& args : spy)
        out.append({args.at(0).toInt(), args.at(1).toInt()});
    return out;
}

using Events = QList<QPair<int, int>>;

} // namespace

// The scroll gadget: checked properties, persistence, geometry, its picture and its input.
class TestRVTPropGadget : public QObject
{
    Q_OBJECT

private slots:
    void assignmentsAreCheckedAndReported()
    {
        QWidget host;
        auto* g = new RVTPropGadget(&host);
        QSignalSpy changed(g, &RVTPropGadget::propertyChanged);
        QSignalSpy values(g, &RVTPropGadget::ValueChanged);
        g->setVValue(101); // above VMax: refused, not reported
        QCOMPARE(g->VValue(), 50);
        g->setVValue(100);
        g->setVMax(32768);
        QCOMPARE(g->VMax(), 100);
        g->setVMax(32767);
        g->setVMax(100);
        g->setVLargeChange(100); // not below the range
        g->setVLargeChange(1);   // not above VSmallChange
        QCOMPARE(g->VLargeChange(), 10);
        g->setVLargeChange(99);
        g->setVSmallChange(0);
        g->setVSmallChange(99); // equal to VLargeChange
        QCOMPARE(g->VSmallChange(), 1);
        g->setVMin(100); // not below VMax
        g->setVMin(-1);
        QCOMPARE(g->VMin(), 0);
        g->setVMax(40); // narrowing the range leaves a value outside it alone
        QCOMPARE(g->VValue(), 100);
        g->setScaleSteps(-1);
        g->setScaleSteps(32768);
        QCOMPARE(g->ScaleSteps(), 0);
        g->setHSmallChange(3);
        // The surface's own state and font are reported when assigned; the host's are not.
        g->setEnabled(false);
        g->setEnabled(false);
        host.setEnabled(false);
        host.setEnabled(true);
        g->setEnabled(true);
        g->setFont(QFont(QStringLiteral("Sans"), 17));
        host.setFont(QFont(QStringLiteral("Sans"), 9));
        QCOMPARE(names(changed).join(QLatin1Char(' ')),
                 QStringLiteral("VValue VMax VMax VLargeChange VMax HSmallChange Enabled Enabled Font"));
        QCOMPARE(values.count(), 0); // no assignment raises the user's event

        // Loading is not assigning.
        changed.clear();
        g->readProperties(PropertyBag{{QStringLiteral("Enabled"), 1}, {QStringLiteral("VValue"), 3}});
        QVERIFY(g->isEnabled());
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
        RVTPropGadget g;
        g.setPropGadgetType(type == 67 ? 67 : 65);
        g.setScrollingArrows(arrows);
        g.setPropGadgetType(type);
        QTEST(g.ScrollingArrows(), "expected");
        g.setScrollingArrows(arrows); // fitted again when the arrows are set on their own
        QTEST(g.ScrollingArrows(), "expected");
    }

    void propertiesSurviveSavingAndLoading()
    {
        RVTPropGadget g;
        PropertyBag empty; // a new gadget saves nothing: every value equals its default
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
        g.setFont(QFont(QStringLiteral("Sans"), 13));
        PropertyBag bag;
        g.writeProperties(bag);
        // A value at its default is left out; VValue 0 is not a default and is kept.
        QCOMPARE(bag.read(QStringLiteral("HValue")).toInt(), 20);
        QCOMPARE(bag.read(QStringLiteral("VValue")).toInt(), 0);
        QVERIFY(!bag.contains(QStringLiteral("VMin")));
        RVTPropGadget loaded;
        loaded.readProperties(bag);
        QVERIFY(!loaded.isEnabled());
        QCOMPARE(loaded.font().pointSize(), 13);
        PropertyBag again;
        loaded.writeProperties(again);
        QCOMPARE(again, bag);
    }

    void damagedStoredValuesAreRefusedOnLoad()
    {
        // Loading must leave a gadget that can draw and be dragged without dividing by an empty range.
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
        QCOMPARE(QList<int>({g.VMax(), g.VMin(), g.VValue(), g.HMax(), g.HMin(), g.HValue(), g.VSmallChange(),
                             g.VLargeChange(), g.ScaleSteps(), g.ScrollingArrows()}),
                 QList<int>({100, 0, 7, 5, 0, 5, 1, 10, 0, 0}));
        // A minimum that equals the maximum: the maximum is kept, the minimum refused.
        g.readProperties(PropertyBag{{QStringLiteral("VMax"), 10},
                                     {QStringLiteral("VMin"), 10},
                                     {QStringLiteral("VValue"), 10},
                                     {QStringLiteral("Borderless"), QStringLiteral("nonsense")},
                                     {QStringLiteral("PropGadgetType"), QStringLiteral("x")}});
        QCOMPARE(QList<int>({g.VMin(), g.VMax(), g.VValue(), g.PropGadgetType()}),
                 QList<int>({0, 10, 10, 65}));
        QCOMPARE(g.layout().vKnobLength, 61);
        // An unknown system colour, or a value that is no colour at all, draws black.
        QCOMPARE(g.ScrollTranslateColor(0x80000063u), ColorRef(0));
        QCOMPARE(g.ScrollTranslateColor(0x7F000000u), ColorRef(0));
        QCOMPARE(valueText(-5), QStringLiteral("-5"));
    }

    void geometryFollowsTheArrowLayout_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("arrows");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<GdiRect>>("expected"); // first arrow, second arrow, track
        const auto rects = [](QList<GdiRect> r) { return r; };
        QTest::newRow("one at each end")
            << 65 << 1 << QSize(20, 200) << rects({{2, 2, 18, 14}, {2, 186, 18, 198}, {2, 15, 18, 185}});
        QTest::newRow("both at the top")
            << 65 << 2 << QSize(20, 200) << rects({{2, 2, 18, 14}, {2, 14, 18, 26}, {2, 27, 18, 198}});
        QTest::newRow("both at the bottom")
            << 65 << 3 << QSize(20, 200) << rects({{2, 173, 18, 185}, {2, 186, 18, 198}, {2, 2, 18, 172}});
        QTest::newRow("both at the left")
            << 66 << 5 << QSize(200, 20) << rects({{2, 2, 14, 18}, {15, 2, 26, 18}, {27, 2, 198, 18}});
        QTest::newRow("both at the right")
            << 66 << 6 << QSize(200, 20) << rects({{173, 2, 185, 18}, {186, 2, 198, 18}, {2, 2, 172, 18}});
    }

    void geometryFollowsTheArrowLayout()
    {
        QFETCH(int, type);
        QFETCH(int, arrows);
        QFETCH(QSize, size);
        QFETCH(QList<GdiRect>, expected);
        GadgetModel m;
        m.setType(GadgetType(type));
        m.setScrollingArrows(arrows);
        const GadgetLayout g = layOut(m, size.width(), size.height());
        const bool vertical = type == 65;
        QCOMPARE(*g.arrows[vertical ? UpArrow : LeftArrow], expected[0]);
        QCOMPARE(*g.arrows[vertical ? DownArrow : RightArrow], expected[1]);
        QVERIFY(!g.hasArrow(vertical ? LeftArrow : UpArrow));
        QCOMPARE(g.track, expected[2]);
    }

    void twoAxisGeometry()
    {
        GadgetModel m;
        m.setType(TwoAxisScrollBar);
        m.setBorderless(true);
        GadgetLayout g = layOut(m, 100, 80);
        QCOMPARE(*g.arrows[UpArrow], (GdiRect{12, 0, 88, 12}));
        QCOMPARE(*g.arrows[DownArrow], (GdiRect{12, 68, 88, 80}));
        QCOMPARE(*g.arrows[LeftArrow], (GdiRect{0, 12, 12, 68}));
        QCOMPARE(*g.arrows[RightArrow], (GdiRect{88, 12, 100, 68}));
        QCOMPARE(g.track, (GdiRect{13, 13, 87, 67}));
        // Scale room comes off the side of each axis before the frame.
        m.setScaleSteps(4);
        m.setBorderless(false);
        QCOMPARE(layOut(m, 100, 80).inner, (GdiRect{2, 2, 94, 74}));
    }

    void knobSizeAndPlace()
    {
        GadgetAxis axis;
        QCOMPARE(placeKnob(axis, 170).length, 13); // 2 * 1 + 1 is below the smallest knob
        QCOMPARE(placeKnob(axis, 170).offset, 78); // 50 * 157 / 100
        QVERIFY(axis.setMax(10));
        QCOMPARE(placeKnob(axis, 170).length, 35);
        QVERIFY(axis.setValue(10));
        QCOMPARE(placeKnob(axis, 300).offset, 239);
        // A knob never outgrows its track (range 1 would ask for 2 * len + 1 pixels).
        QVERIFY(axis.setMax(1));
        QVERIFY(axis.setValue(1));
        QCOMPARE(placeKnob(axis, 50).length, 50);
        QCOMPARE(placeKnob(axis, 50).offset, 0);
        QCOMPARE(placeKnob(axis, 8).length, 8);  // shorter than the smallest knob
        QCOMPARE(placeKnob(axis, -6).length, 0); // a surface too small for its arrows
        QCOMPARE(placeKnob(axis, -6).offset, 0);
    }

    void positionsConvertToValues()
    {
        GadgetAxis axis; // 0..100; track from 15, 170 long, knob 13: the knob's top travels 15..172
        QCOMPARE(positionToValue(axis, 0, 15, 170, 13), 0);
        QCOMPARE(positionToValue(axis, 400, 15, 170, 13), 100);
        QCOMPARE(positionToValue(axis, 15 + 78, 15, 170, 13), 50); // 49.68
        QVERIFY(axis.setMax(10));
        // 0..10 over a travel of 4: 1 gives 2.5, which rounds to the even 2; 3 gives 7.5 -> 8.
        QCOMPARE(positionToValue(axis, 1, 0, 17, 13), 2);
        QCOMPARE(positionToValue(axis, 3, 0, 17, 13), 8);
        QVERIFY(axis.setValue(6)); // a knob that fills its track cannot move the value
        QCOMPARE(positionToValue(axis, 100, 0, 13, 13), 6);
        QCOMPARE(positionToValue(axis, 100, 0, 0, 0), 6);
        QVERIFY(hitTest({2, 15, 37, 76}, 37.0, 76.0));
        QVERIFY(!hitTest({2, 15, 37, 76}, 37.5, 40.0));
    }

    void mainWindowGadgetPicture()
    {
        auto g = makeMainWindowGadget();
        // Outer ring raised, second ring sunken; the shadow owns the far corners.
        const QList<QPair<QPoint, ColorRef>> probes = {
            {{0, 0}, kHighlight},     {{0, 200}, kHighlight},   {{38, 0}, kShadow},
            {{38, 329}, kShadow},     {{1, 1}, kShadow},        {{37, 200}, kHighlight},
            {{20, 328}, kHighlight},  {{36, 13}, kShadow},      {{18, 6}, kDarkShadow},
            {{17, 6}, kPanelBlue},    {{15, 9}, kDarkShadow},   {{23, 9}, kPanelBlue},
            {{15, 320}, kDarkShadow}, {{18, 323}, kDarkShadow}, {{17, 323}, kPanelBlue},
            {{2, 15}, kHighlight},    {{36, 75}, kShadow},      {{19, 43}, kHighlight},
            {{21, 45}, kHighlight},   {{20, 46}, kHighlight},   {{18, 42}, kDarkShadow},
            {{17, 44}, kDarkShadow},  {{19, 45}, kDarkShadow}}; // the knob's dimple
        for (const auto& [at, color] : probes)
            QCOMPARE(px(*g, at.x(), at.y()), color);
        // Arrow glyphs of 2 + 4 + 6 + 8 pixels, the up one narrowest on top; a cleared row each side
        // of the track; the pattern shows below the knob and, without focus, through it.
        QCOMPARE(countColour(*g, {2, 2, 37, 14}, kDarkShadow), 20);
        QCOMPARE(countColour(*g, {2, 316, 37, 328}, kDarkShadow), 20);
        QCOMPARE(countColour(*g, {2, 14, 37, 15}, kPanelBlue), 35);
        QCOMPARE(countColour(*g, {2, 315, 37, 316}, kPanelBlue), 35);
        QVERIFY(showsPattern(*g, {2, 76, 37, 315}, kPanelBlue));
        QVERIFY(showsPattern(*g, {10, 24, 12, 25}, kPanelBlue));

        g->setVValue(5); // offset 5 * 239 / 10 = 119
        QCOMPARE(*g->layout().knob, (GdiRect{2, 134, 37, 195}));
        QCOMPARE(px(*g, 20, 194), kShadow);
        QVERIFY(showsPattern(*g, {3, 16, 36, 133}, kPanelBlue)); // the old place is track again
        // With focus the knob is filled with the back colour.
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(g.get(), &in);
        QCOMPARE(countColour(*g, {10, 140, 12, 141}, kPanelBlue), 2);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(g.get(), &out);
        QVERIFY(showsPattern(*g, {10, 140, 12, 141}, kPanelBlue));

        // Scale ticks take four pixels off the right: 15 + 239 * i / 4.
        g->setScaleSteps(4);
        for (int y : {15, 74, 134, 194, 254})
            QCOMPARE(countColour(*g, {35, y, 39, y + 1}, kText), 3);
        QCOMPARE(countColour(*g, {35, 0, 39, 330}, kText), 5 * 3);

        g->setScaleSteps(0);
        g->setEnabled(false); // no arrow button, no knob
        QCOMPARE(countColour(*g, {2, 2, 37, 14}, kPanelBlue), 35 * 12);
        QVERIFY(showsPattern(*g, {2, 15, 37, 315}, kPanelBlue));
    }

    void steppedArrowLooksPressedUntilTheRelease()
    {
        auto g = makeMainWindowGadget();
        g->setVValue(5);
        QCOMPARE(px(*g, 2, 316), kHighlight); // down arrow raised at rest
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

    void otherTypesDraw()
    {
        auto h = makeGadget(200, 20, 66); // arrows fitted to one at each end
        QCOMPARE(*h->layout().knob, (GdiRect{93, 2, 106, 18}));
        // Left arrow columns grow to the right, right arrow columns to the left.
        QCOMPARE(px(*h, 6, 10), kDarkShadow);
        QCOMPARE(px(*h, 6, 11), kFace);
        QCOMPARE(px(*h, 9, 13), kDarkShadow);
        QCOMPARE(px(*h, 193, 9), kDarkShadow);
        QCOMPARE(px(*h, 194, 9), kFace);
        QCOMPARE(countColour(*h, {186, 2, 198, 18}, kDarkShadow), 20);
        QVERIFY(showsPattern(*h, {106, 2, 185, 18}, kFace));

        auto slider = makeGadget(30, 200, 33); // knob 13 long, raised 50 * 183 / 100 = 91 from the bottom
        QCOMPARE(*slider->layout().knob, (GdiRect{2, 94, 28, 107}));
        QCOMPARE(countColour(*slider, {2, 2, 6, 94}, kFace), 4 * 92); // beside the groove: back colour
        QVERIFY(showsPattern(*slider, {6, 2, 24, 94}, kFace));

        auto bar = makeGadget(30, 100, 17); // the bar is 50 * 94 / 100 + 2 = 49 pixels high
        bar->setShowValue(true);
        QCOMPARE(*bar->layout().knob, (GdiRect{2, 49, 28, 98}));
        QVERIFY(countColour(*bar, bar->layout().inner, kText) > 0);
        bar->setVValue(2); // offset 1: no bar, but still the text
        QVERIFY(showsPattern(*bar, {2, 2, 28, 20}, kFace));
        QVERIFY(countColour(*bar, bar->layout().inner, kText) > 0);
        bar->setShowValue(false);
        QCOMPARE(countColour(*bar, bar->layout().inner, kText), 0);

        // Too small for its arrows, or of no size: nothing may divide by zero.
        auto tiny = makeGadget(10, 20);
        QCOMPARE(tiny->layout().vKnobLength, 0);
        tiny->setVMax(1);
        tiny->resize(0, 0);
        tiny->Refresh(); // a hidden widget hears of a new size only when shown; Refresh draws at once
        QVERIFY(tiny->surface().isNull());
        tiny->resize(15, 15);
        tiny->Refresh();
        QCOMPARE(px(*tiny, 0, 0), kHighlight);
    }

    void keysStepTheValue()
    {
        auto g = makeGadget(20, 200); // 0..100, line 1, page 10
        g->setVValue(5);
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        key(*g, Qt::Key_Up);
        key(*g, Qt::Key_Up, Qt::ShiftModifier);     // -10, held at VMin
        key(*g, Qt::Key_Up);                        // nothing moves, nothing is raised
        key(*g, Qt::Key_Left);                      // the other axis: nothing
        key(*g, Qt::Key_Down, Qt::ControlModifier); // to the end of the range
        key(*g, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(events(spy), (Events{{4, 50}, {0, 50}, {100, 50}}));

        auto slider = makeGadget(30, 200, 33); // a slider grows upwards
        slider->setVValue(5);
        key(*slider, Qt::Key_Up);
        QCOMPARE(slider->VValue(), 6);
        auto horizontal = makeGadget(200, 20, 66); // Left and Right only
        key(*horizontal, Qt::Key_Right);
        key(*horizontal, Qt::Key_Down);
        QCOMPARE(QPoint(horizontal->HValue(), horizontal->VValue()), QPoint(51, 50));

        // Assignments raise nothing; the user's next step starts from the assigned value.
        auto main = makeMainWindowGadget();
        QSignalSpy mainSpy(main.get(), &RVTPropGadget::ValueChanged);
        for (int i = 0; i < 15; ++i)
            main->setVValue(main->VValue() + 1);
        QCOMPARE(*main->layout().knob, (GdiRect{2, 254, 37, 315}));
        key(*main, Qt::Key_Down);
        QCOMPARE(mainSpy.count(), 0);
        key(*main, Qt::Key_Up);
        QCOMPARE(events(mainSpy), (Events{{9, 50}}));
    }

    void knobPressReportsAtOnceAndDragFollowsTheKnob()
    {
        auto g = makeMainWindowGadget(); // travel 239 for 0..10
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        press(*g, {19, 40}); // raised though nothing moved
        QVERIFY(!g->isAutoRepeating());
        moveHeld(*g, {19, 40 + 120}); // knob top 135: 120 * 10 / 239 = 5.02
        moveHeld(*g, {25, 40 + 121}); // still 5: nothing raised
        moveHeld(*g, {19, -50});      // above the track
        moveHeld(*g, {19, 500});      // below
        moveHeld(*g, {19, 40 + 239}); // the knob's last place is the maximum too
        QCOMPARE(events(spy), (Events{{0, 50}, {5, 50}, {0, 50}, {10, 50}}));
        // Moving without the left button, or after the release, drags nothing.
        moveHeld(*g, {19, 100}, Qt::RightButton);
        release(*g, {19, 100});
        moveHeld(*g, {19, 100});
        QCOMPARE(g->VValue(), 10);

        auto slider = makeGadget(30, 200, 33); // knob (2, 185, 28, 198) at 0, travel 183
        slider->setVValue(0);
        press(*slider, {15, 190});
        moveHeld(*slider, {15, 2 + 5});
        QCOMPARE(slider->VValue(), 100);
        moveHeld(*slider, {15, 2 + 5 + 183 / 2});
        QCOMPARE(slider->VValue(), 50);
    }

    void trackAndArrowPressesRepeat()
    {
        auto g = makeMainWindowGadget();
        g->setVMax(100);
        g->setVLargeChange(20);
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        // Knob 13 long over 300: value v puts its top at 15 + v * 287 / 100.
        press(*g, {19, 200}, Qt::LeftButton, Qt::ControlModifier); // Ctrl still pages
        QCOMPARE(g->autoRepeatInterval(), 500);
        g->autoRepeatTick();
        QCOMPARE(g->autoRepeatInterval(), 125);
        for (int i = 0; i < 3; ++i)
            g->autoRepeatTick();                                       // stops under the press point at 60
        QCOMPARE(events(spy), (Events{{20, 50}, {40, 50}, {60, 50}})); // only real changes
        release(*g, {19, 200});
        QVERIFY(!g->isAutoRepeating());
        press(*g, {19, 20}); // above the knob pages back
        QCOMPARE(g->VValue(), 40);
        release(*g, {19, 20});

        auto slider = makeGadget(30, 200, 33); // the slider's track steps by a line or jumps
        press(*slider, {15, 20});
        release(*slider, {15, 20});
        QCOMPARE(slider->VValue(), 51);
        press(*slider, {15, 20}, Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(slider->VValue(), 100);

        auto bar = makeGadget(20, 200);
        bar->setVValue(97);
        QSignalSpy barSpy(bar.get(), &RVTPropGadget::ValueChanged);
        press(*bar, {10, 190}); // down arrow, held until the end of the range
        for (int i = 0; i < 4; ++i)
            bar->autoRepeatTick();
        QCOMPARE(bar->VValue(), 100);
        QCOMPARE(barSpy.count(), 3);
        release(*bar, {10, 190});
        bar->setVValue(0);
        press(*bar, {10, 5}); // the up arrow at the top changes nothing and raises nothing
        QCOMPARE(barSpy.count(), 3);
        release(*bar, {10, 5});

        auto two = makeGadget(120, 120, 67);
        two->setScrollingArrows(7);
        QSignalSpy twoSpy(two.get(), &RVTPropGadget::ValueChanged);
        press(*two, {16, 16}); // the track's top-left corner pages both values back
        release(*two, {16, 16});
        press(*two, {110, 60}); // right arrow
        release(*two, {110, 60});
        key(*two, Qt::Key_Down);
        QCOMPARE(events(twoSpy), (Events{{40, 40}, {40, 41}, {41, 41}}));
    }

    void autoRepeatStops()
    {
        bool held = true;
        auto g = makeGadget(20, 200);
        g->setMouseButtonsProbe([&] { return held ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton; });
        press(*g, {10, 190});
        held = false;
        g->autoRepeatTick(); // a tick that finds the button up ends the repeat without stepping
        QVERIFY(!g->isAutoRepeating());
        QCOMPARE(g->VValue(), 51);
        held = true;
        press(*g, {10, 190});
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(g.get(), &out);
        QVERIFY(!g->isAutoRepeating());
        g->show();
        press(*g, {10, 190});
        g->hide();
        QVERIFY(!g->isAutoRepeating());
        press(*g, {10, 190});
        QVERIFY(g->isAutoRepeating());
        g->setEnabled(false);
        QVERIFY(!g->isAutoRepeating());
        QCOMPARE(g->VValue(), 54);
    }

    void otherPressesDoNothing()
    {
        auto g = makeGadget(20, 200);
        auto bar = makeGadget(30, 100, 17); // an indicator takes no input
        QSignalSpy spy(g.get(), &RVTPropGadget::ValueChanged);
        QSignalSpy barSpy(bar.get(), &RVTPropGadget::ValueChanged);
        key(*bar, Qt::Key_Up);
        press(*bar, {15, 50});
        QVERIFY(!bar->isAutoRepeating());
        press(*g, {10, 100}, Qt::RightButton); // on the knob, but with the right button
        press(*g, {10, 190}, Qt::RightButton);
        QVERIFY(!g->isAutoRepeating());
        // Without arrows a press on the frame hits nothing, not even at the top-left corner.
        g->setScrollingArrows(0);
        press(*g, {0, 0});
        press(*g, {19, 199});
        QVERIFY(!g->isAutoRepeating());
        QCOMPARE(spy.count() + barSpy.count(), 0);
        QCOMPARE(g->VValue() + bar->VValue(), 100);
    }
};

VELMO_TEST_MAIN(TestRVTPropGadget)
#include "TestRVTPropGadget.moc"
