#include "TestMain.h"

#include "controls/PropertyBag.h"
#include "controls/RVTPropGadget.h"
#include "controls/gadget/GadgetGeometry.h"
#include "controls/gadget/GadgetModel.h"

#include <QSignalSpy>

#include <memory>

using namespace velmo;
using namespace velmo::gadget;
using namespace velmo::gdi;

namespace {

// The system colours the gadget draws with, each one recognisable.
constexpr ColorRef kHighlight = rgb(255, 255, 255); // button highlight
constexpr ColorRef kShadow = rgb(128, 128, 128);    // button shadow
constexpr ColorRef kDark = rgb(10, 20, 30);         // 3-D dark shadow
constexpr ColorRef kLight = rgb(200, 201, 202);     // 3-D light
constexpr ColorRef kFace = rgb(212, 208, 200);      // button face, the host's back colour
constexpr ColorRef kText = rgb(180, 0, 0);          // button text, the host's fore colour
constexpr ColorRef kBlue = 0xFAE0AB;                // the main window's gadget colour

// Places and the colours expected there, as triples of x, y and colour.
using Probes = QList<qint64>;

// A gadget driven by a script. The first word picks it: bar (20 x 200), slider (30 x 200), h (200 x 20),
// two (120 x 120, both axes), indicator (30 x 100) or main (the main window's 39 x 330, 0..10, in its
// blue). Steps: Name=N assigns a property; press@x,y (ctrl@ with Ctrl held, right@ with the right
// button), move@x,y (rmove@ with the right button held), up@x,y; tick (one auto-repeat step); lift and
// hold (the left button seen up or down); a key such as Up or Shift+Up is pressed and released (~Down
// only pressed, ^Down only released); focus, focusout, show, hide, disable. =rep and =norep check the
// auto-repeat.
struct Scripted
{
    std::unique_ptr<RVTPropGadget> g = std::make_unique<RVTPropGadget>();
    bool held = true;
    QStringList events;

    explicit Scripted(const QString& script)
    {
        QPalette p;
        const QList<std::pair<QPalette::ColorRole, ColorRef>> roles = {
            {QPalette::Light, kHighlight}, {QPalette::Dark, kShadow}, {QPalette::Shadow, kDark},
            {QPalette::Midlight, kLight},  {QPalette::Button, kFace}, {QPalette::ButtonText, kText}};
        for (const auto& [role, colour] : roles)
            p.setColor(role, toQColor(colour));
        g->setPalette(p);
        g->setMouseButtonsProbe([this] { return held ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton; });
        QObject::connect(g.get(), &RVTPropGadget::ValueChanged,
                         [this](int v, int h) { events << QStringLiteral("%1,%2").arg(v).arg(h); });
        const QStringList words = script.split(QLatin1Char(' '));
        const QMap<QString, QList<int>> kinds = {
            {"bar", {20, 200, 65}},       {"slider", {30, 200, 33}},
            {"h", {200, 20, 66}},         {"two", {120, 120, 67}},
            {"indicator", {30, 100, 17}}, {"main", {39, 330, 65, int(kBlue), 10, 0}}};
        const QList<int> kind = kinds.value(words[0]);
        g->resize(kind[0], kind[1]);
        g->setPropGadgetType(kind[2]);
        if (kind.size() > 3) { // the main window's: in its blue, 0..10
            g->setBackColor(OleColor(kind[3]));
            g->setVMax(kind[4]);
            g->setVValue(kind[5]);
        }
        for (const QString& word : words.mid(1))
            step(word);
    }

    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QMouseEvent e(type, at, g->mapToGlobal(at), button, buttons, mods);
        QApplication::sendEvent(g.get(), &e);
    }

    void step(const QString& word)
    {
        const QString verb = word.section(QRegularExpression(QStringLiteral("[@=]")), 0, 0);
        const QString arg = word.mid(verb.size() + 1);
        const QPointF at(arg.section(QLatin1Char(','), 0, 0).toInt(),
                         arg.section(QLatin1Char(','), 1).toInt());
        const QKeyCombination key =
            QKeySequence::fromString(word.mid(word.startsWith('~') || word.startsWith('^')))[0];
        const auto is = [&](const char* name) { return verb == QLatin1String(name); };
        if (word.startsWith(QLatin1String("=")))
            QCOMPARE(g->isAutoRepeating(), word == QLatin1String("=rep"));
        else if (word.contains(QLatin1Char('=')))
            QVERIFY(g->setProperty(verb.toLatin1(), arg.toInt()));
        else if (is("press") || is("ctrl") || is("right"))
            mouse(QEvent::MouseButtonPress, at, is("right") ? Qt::RightButton : Qt::LeftButton,
                  is("right") ? Qt::RightButton : Qt::LeftButton,
                  is("ctrl") ? Qt::ControlModifier : Qt::NoModifier);
        else if (is("move") || is("rmove"))
            mouse(QEvent::MouseMove, at, Qt::NoButton, is("move") ? Qt::LeftButton : Qt::RightButton);
        else if (is("up"))
            mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        else if (is("tick"))
            g->autoRepeatTick();
        else if (is("lift") || is("hold"))
            held = is("hold");
        else if (is("focus") || is("focusout")) {
            QFocusEvent e(is("focus") ? QEvent::FocusIn : QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(g.get(), &e);
        } else if (is("show") || is("hide"))
            g->setVisible(is("show"));
        else if (is("disable"))
            g->setEnabled(false);
        else if (key.key() >= Qt::Key_Left && key.key() <= Qt::Key_Down) {
            if (!word.startsWith(QLatin1Char('^')))
                QTest::keyPress(g.get(), key.key(), key.keyboardModifiers());
            if (!word.startsWith(QLatin1Char('~')))
                QTest::keyRelease(g.get(), key.key(), key.keyboardModifiers());
        } else
            QFAIL(qPrintable(QStringLiteral("unknown step ") + word));
    }
};

} // namespace

// The scroll gadget: checked properties, persistence, geometry, its picture and its input.
class TestRVTPropGadget : public QObject
{
    Q_OBJECT

private slots:
    // From the defaults (0..100, value 50, page 10, line 1, no scale) a last assignment is taken or
    // refused; a refused one is not reported, and no assignment raises the user's event. Setting the
    // type or the arrows fits the arrow layout to the type.
    void assignmentsAreChecked_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("stored");
        // clang-format off
        const QList<std::tuple<const char*, const char*, int>> rows = {
            {"bar VValue=101", "VValue", 50}, {"bar VValue=100", "VValue", 100}, {"bar VMax=32768", "VMax", 100},
            {"bar VMax=32767", "VMax", 32767}, {"bar VMax=0", "VMax", 100}, {"bar VLargeChange=100", "VLargeChange", 10},
            {"bar VLargeChange=1", "VLargeChange", 10}, {"bar VLargeChange=99", "VLargeChange", 99}, {"bar VSmallChange=0", "VSmallChange", 1},
            {"bar VSmallChange=10", "VSmallChange", 1}, {"bar VSmallChange=9", "VSmallChange", 9}, {"bar VMin=100", "VMin", 0},
            {"bar VMin=-1", "VMin", 0}, {"bar VMin=99", "VMin", 99}, {"bar ScaleSteps=-1", "ScaleSteps", 0},
            {"bar ScaleSteps=32768", "ScaleSteps", 0}, {"bar HValue=-1", "HValue", 50},
            {"bar VValue=100 VMax=40", "VValue", 100}, // narrowing the range leaves a value outside it alone
            {"bar ScrollingArrows=1 PropGadgetType=33", "ScrollingArrows", 0}, {"bar ScrollingArrows=2 PropGadgetType=18", "ScrollingArrows", 0},
            {"bar ScrollingArrows=5", "ScrollingArrows", 1}, {"two ScrollingArrows=5 PropGadgetType=65", "ScrollingArrows", 1},
            {"bar ScrollingArrows=3", "ScrollingArrows", 3}, {"h ScrollingArrows=2", "ScrollingArrows", 4},
            {"two ScrollingArrows=7 PropGadgetType=66", "ScrollingArrows", 4}, {"two ScrollingArrows=5", "ScrollingArrows", 7}};
        // clang-format on
        for (const auto& [script, name, stored] : rows)
            QTest::newRow(script) << script << QByteArray(name) << stored;
    }

    void assignmentsAreChecked()
    {
        QFETCH(QString, script);
        QFETCH(QByteArray, name);
        Scripted s(script.section(QLatin1Char(' '), 0, -2));
        const QImage before = s.g->surface().copy();
        QSignalSpy changed(s.g.get(), &RVTPropGadget::propertyChanged);
        const QString last = script.section(QLatin1Char(' '), -1);
        s.step(last);
        QTEST(s.g->property(name).toInt(), "stored");
        const bool taken =
            s.g->property(last.section('=', 0, 0).toLatin1()).toInt() == last.section('=', 1).toInt();
        QVERIFY(s.events.isEmpty());
        if (name != "ScrollingArrows") // a fitted layout is still an assignment taken
            QCOMPARE(changed.count(), taken ? 1 : 0);
        if (!taken)
            QCOMPARE(s.g->surface(), before);
    }

    void stateChangesReportedOnlyForTheGadgetItself()
    {
        QWidget host;
        auto* g = new RVTPropGadget(&host);
        QSignalSpy changed(g, &RVTPropGadget::propertyChanged);
        g->setEnabled(false);
        host.setEnabled(false);
        host.setEnabled(true);
        host.setFont(QFont("Sans", 9));
        QCOMPARE(changed.count(), 1);
    }

    void propertiesSurviveSavingAndLoading()
    {
        PropertyBag empty; // a new gadget saves nothing: every value equals its default
        RVTPropGadget().writeProperties(empty);
        QCOMPARE(empty.size(), 0);
        Scripted s("h ScrollingArrows=6 HMin=20 VMax=10 VValue=0 ScaleSteps=8 Borderless=1 disable");
        PropertyBag bag;
        s.g->writeProperties(bag);
        QCOMPARE(bag.read("VValue").toInt(), 0); // VValue 0 is no default
        RVTPropGadget loaded;
        QSignalSpy changed(&loaded, &RVTPropGadget::propertyChanged);
        loaded.readProperties(bag);
        QVERIFY(!loaded.isEnabled());
        QCOMPARE(changed.count(), 0); // loading is not assigning
        PropertyBag again;
        loaded.writeProperties(again);
        QCOMPARE(again, bag);
    }

    void damagedStoredValuesAreRefusedOnLoad()
    {
        // Loading must leave a gadget that can draw and be dragged without dividing by an empty range.
        RVTPropGadget g;
        g.resize(39, 330);
        // clang-format off
        g.readProperties(PropertyBag{{"VMax", 0}, {"VMin", 0}, {"VValue", 7}, {"HMax", 5}, {"HMin", 9}, {"HValue", -4},
            {"VSmallChange", 0}, {"VLargeChange", -3}, {"ScaleSteps", 99999}, {"PropGadgetType", 33}, {"ScrollingArrows", 1}});
        // clang-format on
        QCOMPARE(QList<int>({g.VMax(), g.VMin(), g.VValue(), g.HMax(), g.HMin(), g.HValue(), g.VSmallChange(),
                             g.VLargeChange(), g.ScaleSteps(), g.ScrollingArrows()}),
                 QList<int>({100, 0, 7, 5, 0, 5, 1, 10, 0, 0}));
        // A minimum that equals the maximum: the maximum is kept, the minimum refused.
        g.readProperties(PropertyBag{{"VMax", 10}, {"VMin", 10}, {"VValue", 10}, {"PropGadgetType", "x"}});
        QCOMPARE(QList<int>({g.VMin(), g.VMax(), g.VValue(), g.PropGadgetType()}),
                 QList<int>({0, 10, 10, 65}));
        QCOMPARE(g.layout().vKnobLength, 61);
        // An unknown system colour, or a value that is no colour at all, draws black.
        QCOMPARE(g.ScrollTranslateColor(0x80000063u), ColorRef(0));
        QCOMPARE(g.ScrollTranslateColor(0x7F000000u), ColorRef(0));
        // Too small for its arrows, or of no size: nothing may divide by zero.
        Scripted tiny("bar");
        tiny.g->resize(10, 20);
        tiny.g->Refresh(); // a hidden widget hears of a new size only when shown; Refresh draws at once
        QCOMPARE(tiny.g->layout().vKnobLength, 0);
        tiny.g->resize(0, 0);
        tiny.g->Refresh();
        QVERIFY(tiny.g->surface().isNull());
    }

    void knobAndPositionArithmetic()
    {
        GadgetAxis axis;
        QVERIFY(axis.setMax(1) && axis.setValue(1));
        // A knob never outgrows its track (range 1 would ask for 2 * len + 1 pixels).
        QCOMPARE(placeKnob(axis, 50).length, 50);
        QCOMPARE(placeKnob(axis, 50).offset, 0);
        QCOMPARE(placeKnob(axis, -6).length, 0); // a surface too small for its arrows
        QVERIFY(axis.setMax(10) && axis.setValue(6));
        // 0..10 over a travel of 4: 1 gives 2.5, which rounds to the even 2; 3 gives 7.5 -> 8.
        QCOMPARE(positionToValue(axis, 1, 0, 17, 13), 2);
        QCOMPARE(positionToValue(axis, 3, 0, 17, 13), 8);
        QCOMPARE(positionToValue(axis, 100, 0, 0, 0), 6); // no travel: the value stays
    }

    // The main window's gadget: knob (2, 15, 37, 76) at 0 over the track (2, 15, 37, 315). Outer ring
    // raised, second ring sunken; arrow glyphs; the track's pattern (back colour on even columns of rows
    // 0-1 and 4-5 of every 8, on odd columns of the others, 3-D light elsewhere) shows through the knob
    // without focus, while with focus the knob is filled.
    void pictures_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<Probes>("probes");
        // clang-format off
        QTest::newRow("main") << "main" << Probes{0, 0, kHighlight, 38, 329, kShadow, 1, 1, kShadow, 37, 200, kHighlight,
            18, 6, kDark, 17, 6, kBlue, 15, 9, kDark, 23, 9, kBlue, 15, 320, kDark, 18, 323, kDark, 17, 323, kBlue,
            2, 15, kHighlight, 36, 75, kShadow, 19, 43, kHighlight, 18, 42, kDark, 20, 14, kBlue,
            20, 80, kBlue, 21, 80, kLight, 20, 82, kLight, 21, 82, kBlue, 10, 24, kBlue, 11, 24, kLight};
        QTest::newRow("knob moved, focused") << "main VValue=5 focus" << Probes{20, 194, kShadow, 2, 134, kHighlight,
            4, 16, kBlue, 5, 16, kLight, 11, 140, kBlue};
        QTest::newRow("scale ticks") << "main ScaleSteps=4" << Probes{36, 15, kText, 36, 134, kText, 36, 254, kText, 36, 100, kBlue};
        QTest::newRow("disabled: no arrow, no knob") << "main disable" << Probes{18, 6, kBlue, 15, 320, kBlue, 11, 24, kLight, 2, 15, kLight};
        QTest::newRow("arrow key held") << "main VValue=5 ~Down" << Probes{2, 316, kShadow, 36, 327, kHighlight, 2, 2, kHighlight};
        QTest::newRow("paging shows its arrow") << "main VValue=5 press@19,30" << Probes{2, 2, kShadow};
        QTest::newRow("horizontal") << "h" << Probes{6, 10, kDark, 6, 11, kFace, 9, 13, kDark, 193, 9, kDark, 194, 9, kFace,
            93, 2, kHighlight, 108, 8, kFace, 109, 8, kLight};
        // clang-format on
    }

    void pictures()
    {
        QFETCH(QString, script);
        QFETCH(Probes, probes);
        Scripted s(script);
        for (qsizetype i = 0; i + 2 < probes.size(); i += 3) {
            const int x = int(probes[i]);
            const int y = int(probes[i + 1]);
            const QString at = QStringLiteral("%1,%2: ").arg(x).arg(y);
            QCOMPARE(at + QString::number(fromQRgb(s.g->surface().pixel(x, y)), 16),
                     at + QString::number(probes[i + 2], 16));
        }
    }

    // Each script's ValueChanged events as "VValue,HValue" and the VValue at the end.
    void input_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("value");
        // clang-format off
        QTest::newRow("keys step, only real changes raise") << "bar VValue=5 Up Shift+Up Up Left Ctrl+Down Alt+Down" << "4,50 0,50 100,50" << 100;
        QTest::newRow("a slider grows upwards") << "slider VValue=5 Up" << "6,50" << 6;
        QTest::newRow("horizontal takes Left and Right") << "h Right Down" << "50,51" << 50;
        QTest::newRow("assignments raise nothing") << "main VValue=10 VValue=11 Down Up" << "9,50" << 9;
        // A knob press raises at once though nothing moved; the drag follows the knob: travel 239 for 0..10.
        QTest::newRow("knob drag") << "main press@19,40 =norep move@19,160 move@25,161 move@19,-50 move@19,500 move@19,279 rmove@19,100 up@19,100 move@19,100" << "0,50 5,50 0,50 10,50" << 10;
        QTest::newRow("slider drag") << "slider VValue=0 press@15,190 move@15,7 move@15,98" << "0,50 100,50 50,50" << 50;
        // Knob 13 long over 300: value v puts its top at 15 + v * 287 / 100; paging stops under the press point.
        QTest::newRow("paging repeats") << "main VMax=100 VLargeChange=20 VValue=0 ctrl@19,200 tick tick tick tick up@19,200 =norep press@19,20" << "20,50 40,50 60,50 40,50" << 40;
        QTest::newRow("slider track steps a line or jumps") << "slider press@15,20 up@15,20 ctrl@15,20" << "51,50 100,50" << 100;
        QTest::newRow("arrow held to the end") << "bar VValue=97 press@10,190 tick tick tick tick up@10,190 VValue=0 press@10,5" << "98,50 99,50 100,50" << 0;
        QTest::newRow("arrows both at the bottom") << "bar ScrollingArrows=3 press@10,180" << "49,50" << 49;
        QTest::newRow("arrows both at the top, the track below them") << "bar ScrollingArrows=2 press@10,20 up@10,20 press@10,26" << "51,50 52,50" << 52;
        QTest::newRow("arrows both at the right") << "h ScrollingArrows=6 press@180,10 up@180,10 press@190,10" << "50,49 50,50" << 50;
        QTest::newRow("two axes") << "two ScrollingArrows=7 press@16,16 up@16,16 press@110,60 up@110,60 Down" << "40,40 40,41 41,41" << 41;
        QTest::newRow("repeat stops") << "bar press@10,190 lift tick =norep hold press@10,190 focusout =norep show press@10,190 hide =norep press@10,190 =rep disable =norep" << "51,50 52,50 53,50 54,50" << 54;
        QTest::newRow("an indicator takes no input") << "indicator Up press@15,50 =norep" << "" << 50;
        QTest::newRow("right button, frame without arrows") << "bar right@10,100 right@10,190 =norep ScrollingArrows=0 press@0,0 press@19,199 =norep" << "" << 50;
        // clang-format on
    }

    void input()
    {
        QFETCH(QString, script);
        Scripted s(script);
        QTEST(s.events.join(QLatin1Char(' ')), "events");
        QTEST(s.g->VValue(), "value");
    }
};

VELMO_TEST_MAIN(TestRVTPropGadget)
#include "TestRVTPropGadget.moc"
