#include "TestMain.h"

#include "controls/ClickLabel.h"
#include "controls/MessageBoxes.h"
#include "controls/PlainTextBox.h"
#include "controls/PropertyBag.h"
#include "controls/RVTPropGadget.h"
#include "controls/gadget/GadgetGeometry.h"
#include "controls/gadget/GadgetModel.h"
#include "controls/gdi/ColorMath.h"
#include "controls/gdi/GdiPainter.h"
#include "controls/gdi/SystemColors.h"
#include "controls/kvbutton/KvButton.h"
#include "controls/kvbutton/KvButtonRenderer.h"
#include "controls/kvbutton/KvPicturePainter.h"

#include <QDialog>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>

#include <functional>
#include <memory>

using namespace velmo;
using namespace velmo::gadget;
using namespace velmo::gdi;

namespace {
// Every system colour the button reads, with values no style computes by accident.
QPalette knownPalette()
{
    QPalette p;
    // clang-format off
    const QList<std::pair<QPalette::ColorRole, QColor>> roles = {
        {QPalette::Button, QColor(240, 240, 240)}, {QPalette::Window, QColor(240, 240, 240)}, {QPalette::ButtonText, QColor(1, 2, 3)},
        {QPalette::WindowText, QColor(1, 2, 3)}, {QPalette::Text, QColor(1, 2, 3)}, {QPalette::Light, QColor(255, 255, 255)},
        {QPalette::Midlight, QColor(227, 227, 227)}, {QPalette::Dark, QColor(160, 160, 160)}, {QPalette::Mid, QColor(171, 171, 171)},
        {QPalette::Shadow, QColor(105, 105, 105)}, {QPalette::ToolTipBase, QColor(255, 255, 225)}, {QPalette::ToolTipText, QColor(0, 0, 0)}};
    // clang-format on
    for (const auto& [role, color] : roles)
        p.setColor(role, color);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 109));
    return p;
}

KvRenderEnvironment knownEnvironment()
{
    KvRenderEnvironment env;
    env.palette = knownPalette();
    return env;
}

// The face of a model rendered at width x height.
QImage renderFace(KvButtonModel& model, int width, int height,
                  const KvRenderEnvironment& env = knownEnvironment())
{
    KvButtonRenderer renderer;
    QImage image;
    renderer.redraw(model, image, width, height, env);
    return image;
}

QImage solidImage(int w, int h, ColorRef color, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(gdi::toQColor(color));
    return image;
}

ColorRef pixelOf(const QImage& image, int x, int y)
{
    return gdi::fromQRgb(image.pixel(x, y));
}

// Entry i of a gradient line of n + 1 colours from c1 to c2 (channels truncated towards zero).
ColorRef lerp(ColorRef c1, ColorRef c2, int i, int n)
{
    auto channel = [&](int a, int b) { return a + (b - a) * i / n; };
    return gdi::rgb(channel(gdi::redOf(c1), gdi::redOf(c2)), channel(gdi::greenOf(c1), gdi::greenOf(c2)),
                    channel(gdi::blueOf(c1), gdi::blueOf(c2)));
}

ColorRef inverted(ColorRef c)
{
    return c ^ 0xFFFFFFu;
}

QByteArray describe(ColorRef c)
{
    return QStringLiteral("(%1, %2, %3)").arg(redOf(c)).arg(greenOf(c)).arg(blueOf(c)).toLatin1();
}

// Faces.
constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kPaleBlue = 0xFDECE0;   // (224, 236, 253), the program's toolbar colour
constexpr ColorRef kGreyBlue = 0xDCD2C8;   // (200, 210, 220)
constexpr ColorRef kSurface = 0xF0F0F0;    // button face of the known palette
constexpr ColorRef kLight3D = 0xE3E3E3;    // (227, 227, 227)
constexpr ColorRef kShadow = 0xA0A0A0;     // (160, 160, 160)
constexpr ColorRef kDarkShadow = 0x696969; // (105, 105, 105)
constexpr ColorRef kWorkspace = 0xABABAB;  // (171, 171, 171)
constexpr ColorRef kFrame8 = 0xA69589;     // (137, 149, 166), Shift(toolbar colour, -0.34)

// Places and the colours expected there, as triples of x, y and colour.
using Probes = QList<qint64>;

ColorRef S(ColorRef base, float amount)
{
    return shiftColor(base, amount);
}

// A model of the style in the state the words of setup name.
KvButtonModel faceModel(int style, ColorRef back, const QString& setup = {})
{
    KvButtonModel m;
    m.props.buttonStyle = style;
    m.props.backColor = back;
    m.props.foreColor = 0;
    const QStringList words = setup.split(QLatin1Char(' '));
    const auto has = [&](const char* word) { return words.contains(QLatin1String(word)); };
    m.props.showFocusRect = has("rect") || has("focus");
    m.run.buttonState = has("hot") ? KvHot : has("down") ? KvDown : KvNormal;
    m.props.mode = has("check") ? KvCheck : has("option") ? KvOption : KvPush;
    m.props.value = has("value");
    m.run.mouseOver = has("over");
    m.run.isPressed = has("pressed");
    m.run.hasFocus = has("hasfocus") || has("focus");
    m.run.parentActive = has("active");
    m.run.displayAsDefault = has("default");
    m.props.enabled = !has("disabled");
    if (has("picture"))
        m.props.pictureNormal = KvPicture::fromBitmap(solidImage(10, 10, 0x0000FF));
    for (const QString& word : words) {
        if (word.startsWith(QLatin1String("scheme")))
            m.props.colorScheme = word.mid(6).toInt();
    }
    return m;
}

// Pictures and captions.
KvButtonModel pictureModel(int style, const KvPicture& picture, const QString& caption = {})
{
    KvButtonModel m;
    m.props.buttonStyle = style;
    m.props.backColor = 0xDCD2C8;
    m.props.caption = caption;
    m.props.pictureNormal = picture;
    return m;
}

KvPicture pictureOf(const QList<QRgb>& pixels, int width, QImage::Format format = QImage::Format_RGB32)
{
    QImage bits(width, int(pixels.size()) / width, format);
    for (int i = 0; i < pixels.size(); ++i)
        bits.setPixel(i % width, i / width, pixels[i]);
    return format == QImage::Format_RGB32 || pixels.size() != 2 ? KvPicture::fromBitmap(bits)
                                                                : KvPicture::fromIcon(bits);
}

// A 4 x 4 picture of one colour.
KvPicture square(ColorRef colour)
{
    return KvPicture::fromBitmap(solidImage(4, 4, colour));
}

const ColorRef kRed = rgb(255, 0, 0);
const KvPicture kRedSquare = square(kRed);

// Input.
void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
           Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void click(QWidget* w, QPoint pos = QPoint(10, 10))
{
    mouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, pos);
}

void key(QWidget* w, QEvent::Type type, int k, Qt::KeyboardModifiers mods = Qt::NoModifier,
         bool repeat = false)
{
    QKeyEvent event(type, k, mods, k == Qt::Key_Space ? QStringLiteral(" ") : QString(), repeat);
    QApplication::sendEvent(w, &event);
}

PropertyBag buttonSet(int mode, const QString& caption = QString())
{
    return PropertyBag{{"ButtonStyle", 8},
                       {"Caption", caption},
                       {"BackColor", 0xFDECE0u},
                       {"ToolTip", QStringLiteral("新建一条备忘")},
                       {"Mode", mode}};
}

// Makes a shown window the active one, as the window system does.
bool activate(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// A shown, active dialog with an "OK" button beside its image buttons, and the events of the dialog
// and of the buttons it records, by name and in order.
struct Host
{
    QStringList log;
    QDialog window;
    QPushButton* ok = new QPushButton(QStringLiteral("OK"), &window);

    explicit Host(bool okIsDefault = false)
    {
        ok->setAutoDefault(false);
        ok->setDefault(okIsDefault);
        ok->setGeometry(300, 150, 80, 30);
        window.setGeometry(100, 100, 400, 200);
        window.show();
        activate(&window);
        QObject::connect(&window, &QDialog::rejected, [this] { log << "Rejected"; });
        QObject::connect(ok, &QPushButton::clicked, [this] { log << "OK"; });
    }

    KvButton* add(const PropertyBag& set, QPoint at, int index = -1, const KvButtonHost& host = {},
                  QWidget* parent = nullptr)
    {
        auto* b = new KvButton(set, parent ? parent : &window, index, host);
        b->setGeometry(QRect(at, QSize(105, 39)));
        b->show();
        return b;
    }

    void record(KvButton* b)
    {
        const auto note = [this](const char* name) { return [this, name] { log << name; }; };
        const auto number = [this](const char* name) {
            return [this, name](int n) { log << name + QString::number(n); };
        };
        QObject::connect(b, &KvButton::Click, number("Click"));
        QObject::connect(b, &KvButton::DblClick, note("DblClick"));
        QObject::connect(b, &KvButton::MouseEnter, note("MouseEnter"));
        QObject::connect(b, &KvButton::MouseLeave, note("MouseLeave"));
        QObject::connect(b, &KvButton::MouseDown, number("MouseDown"));
        QObject::connect(b, &KvButton::MouseUp, number("MouseUp"));
        QObject::connect(b, &KvButton::KeyDown, number("KeyDown"));
        QObject::connect(b, &KvButton::KeyUp, number("KeyUp"));
    }
};

// The system colours the gadget draws with, each one recognisable.
constexpr ColorRef kHighlight = rgb(255, 255, 255);    // button highlight
constexpr ColorRef kGadgetShadow = rgb(128, 128, 128); // button shadow
constexpr ColorRef kDark = rgb(10, 20, 30);            // 3-D dark shadow
constexpr ColorRef kLight = rgb(200, 201, 202);        // 3-D light
constexpr ColorRef kFace = rgb(212, 208, 200);         // button face, the host's back colour
constexpr ColorRef kText = rgb(180, 0, 0);             // button text, the host's fore colour
constexpr ColorRef kBlue = 0xFAE0AB;                   // the main window's gadget colour

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
            {QPalette::Light, kHighlight}, {QPalette::Dark, kGadgetShadow}, {QPalette::Shadow, kDark},
            {QPalette::Midlight, kLight},  {QPalette::Button, kFace},       {QPalette::ButtonText, kText}};
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

// Compares one pixel with a colour and names both as (r, g, b) on failure.
#define KV_PIXEL(image, x, y, expected) QCOMPARE(describe(pixelOf((image), (x), (y))), describe(expected))

using Draw = std::function<void(GdiPainter&)>;
Q_DECLARE_METATYPE(Probes)
Q_DECLARE_METATYPE(Draw)

// The shared controls: the image button (its faces and the primitives they are drawn with, its
// pictures and caption, its properties and its input), the scroll gadget and the link label.
class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(knownPalette()); }

    // Pixels of every face style at places and in colours that follow from its drawing rules.
    void faces_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<ColorRef>("back");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Probes>("probes");
        const auto row = [](const char* name, int style, ColorRef back, const char* setup, QSize size,
                            const Probes& probes) {
            QTest::newRow(name) << style << back << setup << size << probes;
        };
        // clang-format off
        const QSize s40(40, 20);
        const QSize s60(60, 30);

        // Style 8, the toolbar's: frame, a band of 13 rows over the rest, full width inside the frame.
        const QSize bar(105, 39);
        const auto style8 = [&](const char* name, const char* setup, ColorRef r1, ColorRef r13, ColorRef r14, ColorRef r37) {
            row(name, 8, kPaleBlue, setup, bar, {52, 0, kFrame8, 52, 38, kFrame8, 0, 19, kFrame8, 104, 19, kFrame8, 52, 1, r1,
                                                 52, 13, r13, 52, 14, r14, 52, 37, r37, 1, 13, r13, 103, 14, r14});
        };
        style8("8 normal", "", rgb(250, 255, 255), rgb(233, 245, 254), rgb(224, 236, 253), rgb(231, 243, 254));
        style8("8 hot", "hot over", rgb(255, 254, 221), rgb(255, 234, 172), rgb(255, 215, 103), rgb(255, 227, 150));
        const ColorRef down8[4] = {rgb(255, 192, 88), rgb(255, 175, 81), rgb(255, 143, 70), rgb(255, 208, 93)};
        const ColorRef checked8[4] = {rgb(255, 216, 165), rgb(255, 192, 111), rgb(255, 171, 63), rgb(255, 222, 114)};
        style8("8 down", "down over", down8[0], down8[1], down8[2], down8[3]);
        style8("8 checked", "option value", checked8[0], checked8[1], checked8[2], checked8[3]);
        style8("8 checked under the pointer", "option value over", down8[0], down8[1], down8[2], down8[3]);
        // The reminder window's 31-pixel buttons: 11 rows on top; a push button's Value is no checked face.
        row("8 short", 8, kPaleBlue, "value", QSize(89, 31), {44, 10, rgb(233, 245, 254), 44, 11, kPaleBlue});
        // The state faces draw the frame over the picture; the checked face draws it under.
        row("8 frame over the picture", 8, kPaleBlue, "picture", QSize(10, 10), {0, 5, kFrame8, 5, 5, 0x0000FF});
        row("8 checked frame under", 8, kPaleBlue, "picture check value", QSize(10, 10), {0, 5, 0x0000FF});

        const ColorRef B = kPaleBlue;
        const ColorRef light = S(B, 0.05f);
        row("3 normal", 3, B, "", s60, {30, 0, 0x707070, 30, 29, 0x707070, 30, 1, kWhite});
        row("3 focused, active", 3, B, "focus active", s60, {30, 0, 0xA77532, 30, 1, 0xFBD848, 2, 2, inverted(lerp(light, B, 1, 29)), 3, 2, lerp(light, B, 1, 29)});
        row("3 disabled, never a focus rectangle", 3, B, "down disabled focus active", s60, {30, 0, S(B, -0.25f), 30, 1, S(B, 0.25f), 30, 10, S(B, 0.03f), 1, 1, S(B, -0.03f), 2, 2, S(B, 0.03f)});

        // Style 5: two halves (rows 0-15 and 16-30) and no frame.
        row("5 normal", 5, B, "", QSize(60, 31), {30, 0, averageColors(kWhite, S(B, 0.08f)), 30, 15, B, 30, 16, B});

        const ColorRef G = kGreyBlue;
        // The single-precision 0.3 rounds the halves of the corner colour up.
        row("7 hot", 7, G, "hot", s60, {30, 0, 0xCA9E61, 30, 1, kWhite, 1, 1, 0xFFEBAE});

        // Styles 0 and 11 draw the system's edges.
        row("0 normal", 0, G, "", s40, {0, 0, kLight3D, 39, 0, kDarkShadow, 0, 19, kDarkShadow});
        row("11 down", 11, G, "down", s40, {0, 0, kShadow, 1, 1, kDarkShadow, 39, 19, kWhite});
        // Disabled: no fill, the cleared surface shows under the edge.
        row("0 disabled", 0, G, "disabled", s40, {20, 10, kSurface, 0, 0, kLight3D});
        row("0 checked, focused", 0, G, "check value focus active", s40, {0, 0, kShadow, 4, 4, kWorkspace, 36, 4, kWorkspace, 4, 16, kWorkspace, 20, 10, S(G, 0.02f)});
        // Focused in an active window at run time: focus rectangle and default frame.
        row("0 focused in design mode: no focus rectangle", 0, G, "focus active design", s40, {4, 4, G, 0, 0, 0});
        row("13 without visual styles draws style 2", 13, 0, "unthemed", s40, {20, 0, 0x743C00, 1, 1, S(0x743C00, 0.3f)});
        row("0 default, active", 0, G, "default rect active", s40, {4, 4, inverted(G)});

        const ColorRef C = 0xE7EBEC;
        row("2 normal", 2, C, "", s40, {20, 10, lerp(S(C, 0.07f), C, 10, 19), 20, 1, lerp(S(C, 0.1f), S(C, 0.08f), 1, 3), 20, 18, S(C, -0.09f)});
        // Hot: the orange frame in every scheme, and no focus border.
        row("2 hot", 2, C, "scheme2 hot hasfocus active", s40, {20, 2, 0x89D8FD, 20, 1, 0xCFF0FF, 1, 10, 0x49BDF9});
        // Focus border and outer frame of scheme 1; the focus rectangle inverts over the border.
        row("2 scheme 1 focused", 2, C, "scheme1 focus active", s40, {20, 1, 0x80CBB1, 1, 10, 0x68C8A0, 20, 18, 0x66A7A8});
        row("2 disabled", 2, C, "scheme1 focus disabled", s40, {20, 10, averageColors(kSurface, S(C, 0.1f)), 20, 0, S(C, -0.1f), 1, 1, S(C, -0.1f)});

        const ColorRef F = 0xEED2C1;
        row("4 checked", 4, G, "down option value", s40, {20, 10, S(F, -0.05f), 39, 10, 0xC56A31});

        row("6 checked", 6, G, "check value", s40, {20, 10, 0xFEFEFE, 20, 0, 0xAF987A, 1, 1, S(0xC1B3A0, -0.2f)});

        const Probes normal9 = {20, 0, S(G, -0.2f), 20, 5, lerp(kWhite, G, 5, 9), 20, 15, G, 1, 10, kWhite,
            20, 1, kWhite, 38, 10, kWhite, 20, 19, S(G, -0.25f), 1, 19, S(G, -0.2f), 1, 1, S(G, 0.05f),
            1, 18, S(G, 0.05f)};
        row("9 normal", 9, G, "", s40, normal9);
        row("9 disabled looks normal", 9, G, "down disabled", s40, normal9);

        const auto L = [&](float a) {return S(averageColors(G, kWhite), a);};
        // The separating row keeps the fill.
        row("10 normal", 10, G, "", s40, {20, 0, S(G, -0.33f), 20, 2, lerp(L(0.1f), G, 2, 4), 20, 5, S(G, -0.03f)});
        // clang-format on
    }

    void faces()
    {
        QFETCH(QString, setup);
        QFETCH(QSize, size);
        QFETCH(Probes, probes);
        QFETCH(int, style);
        QFETCH(ColorRef, back);
        KvButtonModel m = faceModel(style, back, setup);
        KvRenderEnvironment env = knownEnvironment();
        env.userMode = !setup.contains(QLatin1String("design"));
        env.themed = !setup.contains(QLatin1String("unthemed"));
        const QImage face = renderFace(m, size.width(), size.height(), env);
        for (qsizetype i = 0; i + 2 < probes.size(); i += 3) {
            const QByteArray at =
                QByteArray::number(probes[i]) + ", " + QByteArray::number(probes[i + 1]) + ": ";
            QCOMPARE(at + describe(pixelOf(face, int(probes[i]), int(probes[i + 1]))),
                     at + describe(ColorRef(probes[i + 2])));
        }
    }

    // Style 6's down face turns the caption white; any other state gives it back.
    void downCaptionColourIsGivenBack()
    {
        KvButtonModel six = faceModel(6, kGreyBlue, QStringLiteral("down"));
        renderFace(six, 40, 20);
        QCOMPARE(six.props.foreColor, kWhite);
        six.run.buttonState = KvNormal;
        renderFace(six, 40, 20);
        QCOMPARE(six.props.foreColor, rgb(1, 2, 3));
    }

    void regionsAndUnknownStyles()
    {
        const QRegion small = KvButtonRenderer::buttonRegion(3, 10, 10);
        QVERIFY(!small.contains(QPoint(0, 0)) && !small.contains(QPoint(9, 9)));
        QVERIFY(small.contains(QPoint(1, 0)) && small.contains(QPoint(0, 1)) && small.contains(QPoint(8, 9)));
        const QRegion wide = KvButtonRenderer::buttonRegion(6, 10, 10);
        QVERIFY(!wide.contains(QPoint(1, 0)) && wide.contains(QPoint(1, 1)) && wide.contains(QPoint(2, 0)));
        QVERIFY(KvButtonRenderer::buttonRegion(8, 10, 10).isEmpty());
        // A style above 13 paints nothing but the cleared surface; zero sizes paint nothing.
        KvButtonModel m = faceModel(14, kGreyBlue);
        QCOMPARE(renderFace(m, 20, 10), solidImage(20, 10, kSurface));
        QVERIFY(renderFace(m, 0, 10).isNull());
    }

    // The integer drawing primitives and colour arithmetic under both controls.
    void colourValuesTranslate()
    {
        QPalette palette;
        palette.setColor(QPalette::ButtonText, QColor(4, 5, 6));
        QCOMPARE(translateColor(0x80000012u, palette), rgb(4, 5, 6));
        QCOMPARE(translateColor(0x02123456u, palette), ColorRef(0x123456));
        for (OleColor bad : {0x80000040u, 0xFFFFFFFFu, 0x01000003u})
            QCOMPARE(translateColor(bad, palette), kNoColor);
    }

    void colourArithmeticRoundsHalvesToEven()
    {
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(-2.5), -2);
        QCOMPARE(averageColors(rgb(1, 2, 3), rgb(2, 3, 4)), rgb(2, 2, 4));
        QCOMPARE(shiftColor(rgb(255, 255, 255), 0.1f), rgb(255, 255, 255));
        // The stored amount is single precision but the shift runs in double: 0.3f * 255 is a
        // shade above 76.5 and rounds up, where float arithmetic would give exactly 76.5 and 76.
        QCOMPARE(shiftColor(0, 0.3f), rgb(77, 77, 77));
    }

    // Lines leave out their end point, rectangles their right and bottom edges; all is clipped.
    void shapes_data()
    {
        QTest::addColumn<Draw>("draw");
        QTest::addColumn<QString>("pixels");
        const quint8 rows[8] = {0xAA, 0xAA, 0x55, 0x55, 0xAA, 0xAA, 0x55, 0x55};
        // clang-format off
        QTest::newRow("line right to left") << Draw([](GdiPainter& p) { p.line(6, 3, 3, 3, 1); }) << "4,3=1 5,3=1 6,3=1";
        QTest::newRow("line, clipped") << Draw([](GdiPainter& p) { p.line(-5, 2, 2, 2, 1); }) << "0,2=1 1,2=1";
        QTest::newRow("fill") << Draw([](GdiPainter& p) { p.fillRect({2, 2, 4, 3}, 1); }) << "2,2=1 3,2=1";
        QTest::newRow("fill, inverted") << Draw([](GdiPainter& p) { p.fillRect({8, 8, 6, 9}, 1); }) << "";
        QTest::newRow("frame") << Draw([](GdiPainter& p) { p.frameRect(GdiRect::fromSize(1, 1, 3, 3), 1); }) << "1,1=1 2,1=1 3,1=1 1,2=1 3,2=1 1,3=1 2,3=1 3,3=1";
        QTest::newRow("frame of no width") << Draw([](GdiPainter& p) { p.frameRect(GdiRect::fromSize(1, 1, 0, 4), 1); }) << "";
        QTest::newRow("ellipse") << Draw([](GdiPainter& p) { p.ellipse({2, 2, 6, 6}, 1); }) << "3,2=1 4,2=1 2,3=1 5,3=1 2,4=1 5,4=1 3,5=1 4,5=1";
        // The pattern repeats from the image's origin, not the rectangle's.
        QTest::newRow("pattern") << Draw([rows](GdiPainter& p) { p.patternFill({3, 0, 6, 1}, rows, 1, 2); }) << "3,0=1 4,0=2 5,0=1";
        QTest::newRow("gradient of one column") << Draw([](GdiPainter& p) { p.gradient(0, 0, 1, 2, 0xFF, 0xFF0000, GdiPainter::Horizontal); }) << "0,0=7f007f 0,1=7f007f";
        // clang-format on
    }

    void shapes()
    {
        QFETCH(Draw, draw);
        QImage image(10, 10, QImage::Format_RGB32);
        image.fill(Qt::black);
        GdiPainter p(image);
        draw(p);
        QStringList found;
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                if (p.pixel(x, y) != 0)
                    found << QStringLiteral("%1,%2=%3").arg(x).arg(y).arg(p.pixel(x, y), 0, 16);
            }
        }
        QTEST(found.join(QLatin1Char(' ')), "pixels");
    }

    // Picture blending, picture and caption placement and caption effects.
    // A picture painted at (1, 1) over a background, and the colour found at a place.
    void blending_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<ColorRef>("mask");
        QTest::addColumn<ColorRef>("fill");
        QTest::addColumn<QList<int>>("blend"); // effect, opacity, greyscale
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<ColorRef>("expected");
        const ColorRef no = kNoColor;
        const ColorRef m = 0xE0E0E0;
        const ColorRef icon = KvPicturePainter::kIconMask;
        const QList<int> plain{0, 255, 0};
        // clang-format off
        QTest::newRow("bitmap pixel copied") << "bitmap" << m << no << plain << QPoint(1, 1) << rgb(10, 20, 30);
        QTest::newRow("mask colour left out") << "bitmap" << m << no << plain << QPoint(2, 1) << rgb(0, 0, 0);
        QTest::newRow("mask colour drawn without the mask") << "bitmap-opaque" << m << no << plain << QPoint(2, 1) << m;
        QTest::newRow("opacity 128") << "white" << no << no << QList<int>{0, 128, 0} << QPoint(1, 1) << rgb(127, 127, 127);
        QTest::newRow("lighten") << "grey" << no << no << QList<int>{1, 255, 0} << QPoint(1, 1) << rgb(114, 229, 255);
        QTest::newRow("darken") << "grey" << no << no << QList<int>{2, 255, 0} << QPoint(1, 1) << rgb(85, 170, 217);
        // round(round(100 * 0.3) + 200 * 0.59 + 255 * 0.11) = round(30 + 118 + 28.05) = 176.
        QTest::newRow("greyscale") << "grey" << no << no << QList<int>{0, 255, 1} << QPoint(1, 1) << rgb(176, 176, 176);
        QTest::newRow("silhouette") << "bitmap" << m << rgb(200, 100, 50) << plain << QPoint(1, 1) << rgb(200, 100, 50);
        QTest::newRow("icon over silver") << "icon" << icon << no << plain << QPoint(1, 1) << rgb(10, 20, 30);
        QTest::newRow("icon without the mask") << "icon-opaque" << icon << no << plain << QPoint(2, 1) << rgb(192, 192, 192);
        QTest::newRow("alpha bitmap takes no mask") << "alpha" << m << no << plain << QPoint(2, 1) << m;
        QTest::newRow("alpha times opacity") << "alpha" << no << no << QList<int>{0, 128, 0} << QPoint(3, 1) << rgb(100, 0, 0);
        // clang-format on
    }

    void blending()
    {
        QFETCH(QString, picture);
        QFETCH(ColorRef, mask);
        QFETCH(ColorRef, fill);
        QFETCH(QList<int>, blend);
        QFETCH(QPoint, at);
        const QRgb base = qRgb(10, 20, 30);
        const QRgb maskRgb = qRgb(224, 224, 224);
        const QMap<QString, KvPicture> pictures = {
            {"bitmap", pictureOf({base, maskRgb, base, base, base, qRgb(1, 2, 3)}, 3)},
            {"white", pictureOf({qRgb(255, 255, 255)}, 1)},
            {"grey", pictureOf({qRgb(100, 200, 255)}, 1)},
            {"icon", pictureOf({qRgba(10, 20, 30, 255), qRgba(0, 0, 0, 0)}, 2, QImage::Format_ARGB32)},
            {"alpha", pictureOf({qRgba(255, 255, 255, 128), qRgba(224, 224, 224, 255), qRgba(200, 0, 0, 255)},
                                3, QImage::Format_ARGB32)}};
        const KvPicture p = pictures.value(picture.section(QLatin1Char('-'), 0, 0));
        QImage target = solidImage(p.width() + 2, p.height() + 2, 0);
        KvPicturePainter().paint(target, 1, 1, p.width(), p.height(), p, mask, !picture.endsWith("opaque"),
                                 fill, {blend[0], blend[1], blend[2] != 0});
        QFETCH(ColorRef, expected);
        KV_PIXEL(target, at.x(), at.y(), expected);
    }

    void shadowAndPushOnHover()
    {
        // A 4 x 4 red picture centred on a 20 x 20 style 4 button (flat face, no frame when normal).
        KvButtonModel m = pictureModel(4, kRedSquare);
        m.props.pictureShadow = true;
        QImage face = renderFace(m, 20, 20);
        const ColorRef shadowBase = averageColors(0x808080, 0xDCD2C8);
        KV_PIXEL(face, 13, 13, shiftColor(shadowBase, 0.05f)); // only the copy moved by (2, 2)
        KV_PIXEL(face, 12, 12, shiftColor(shadowBase, -0.1f)); // the copy moved by (1, 1) on top
        KV_PIXEL(face, 11, 11, kRed);
        // Hot with PicturePushOnHover: silver silhouette in place, the picture 2 up and left, no shadow.
        m.props.picturePushOnHover = true;
        m.run.buttonState = KvHot;
        face = renderFace(m, 20, 20);
        KV_PIXEL(face, 11, 11, rgb(192, 192, 192));
        KV_PIXEL(face, 6, 6, kRed);
        KV_PIXEL(face, 13, 13, shiftColor(0xEED2C1, 0.03f));
        // A checked button shows the down picture whatever the state.
        m.props.pictureDown = square(rgb(0, 0, 255));
        m.props.mode = KvCheck;
        m.props.value = true;
        KV_PIXEL(renderFace(m, 20, 20), 9, 9, rgb(0, 0, 255));
    }

    // Pressed styles move picture, caption and drop-down symbol one pixel down and right; styles
    // 0, 1, 6, 7, 11 and 12 move the symbol a second pixel.
    void pressedOffsets_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("move");
        QTest::addColumn<int>("symbolMove");
        for (int style : {0, 1, 6, 7, 11, 12})
            QTest::addRow("style %d", style) << style << 1 << 2;
        for (int style : {5, 10})
            QTest::addRow("style %d", style) << style << 1 << 1;
        for (int style : {4, 8})
            QTest::addRow("style %d", style) << style << 0 << 0;
    }

    void pressedOffsets()
    {
        QFETCH(int, style);
        QFETCH(int, move);
        QFETCH(int, symbolMove);
        KvButtonModel m = pictureModel(style, kRedSquare);
        m.props.dropDownSymbol = 6;
        m.props.foreColor = 0;
        m.run.buttonState = KvDown;
        KvButtonRenderer renderer;
        QImage face;
        renderer.redraw(m, face, 89, 31, knownEnvironment());
        QCOMPARE(renderer.pictureRect().left, 34 + move);
        // The arrow of symbol 6 points down from a 7-pixel row to its tip, in the text colour (white
        // on style 6's down face).
        KV_PIXEL(face, 78 + symbolMove, 13 + symbolMove, m.props.foreColor);
        KV_PIXEL(face, 81 + symbolMove, 16 + symbolMove, m.props.foreColor);
    }

    // A 24 x 24 picture on a 105 x 60 button: its rectangle, either in place (left, top) or beside the
    // caption (L, R, B: 4 pixels left or right of it, 2 below it).
    void layoutOfPictureAndCaption_data()
    {
        QTest::addColumn<int>("pictureAlign");
        QTest::addColumn<int>("captionAlign"); // of the caption "Save"
        QTest::addColumn<QString>("place");
        // clang-format off
        QTest::newRow("0: left, caption moved clear") << 0 << 0 << "3,18 C28";
        QTest::newRow("1: left of a centred caption") << 1 << 1 << "L";
        QTest::newRow("2: right edge") << 2 << 0 << "78,18";
        QTest::newRow("3: right of the caption") << 3 << 0 << "R";
        QTest::newRow("8: below the caption") << 8 << 1 << "B";
        // clang-format on
    }

    void layoutOfPictureAndCaption()
    {
        QFETCH(int, pictureAlign);
        QFETCH(int, captionAlign);
        QFETCH(QString, place);
        KvButtonModel m = pictureModel(4, KvPicture::fromBitmap(solidImage(24, 24, kRed)), "Save");
        m.props.pictureAlign = pictureAlign;
        m.props.captionAlign = captionAlign;
        KvButtonRenderer renderer;
        QImage face;
        renderer.redraw(m, face, 105, 60, knownEnvironment());
        const GdiRect p = renderer.pictureRect();
        const GdiRect c = renderer.captionRect();
        const QPoint expected =
            place == QLatin1String("L")   ? QPoint(c.left - 28, p.top)
            : place == QLatin1String("R") ? QPoint(c.right + 4, p.top)
            : place == QLatin1String("B")
                ? QPoint(p.left, c.bottom + 2)
                : QPoint(place.section(',', 0, 0).toInt(), place.section(',', 1).section(' ', 0, 0).toInt());
        QCOMPARE(QPoint(p.left, p.top), expected);
        QCOMPARE(p.width(), 24);
        if (place.contains(QLatin1Char('C'))) // the caption moved clear of the picture
            QCOMPARE(c.left, place.section('C', 1).toInt());
    }

    // Effects draw copies of the caption under it: 1 lighter up and left, 2 lighter down and right.
    void captionEffects_data()
    {
        QTest::addColumn<int>("effect");
        QTest::addColumn<QPoint>("offset");
        QTest::newRow("raised") << 1 << QPoint(-1, -1);
        QTest::newRow("sunken") << 2 << QPoint(1, 1);
    }

    void captionEffects()
    {
        QFETCH(int, effect);
        QFETCH(QPoint, offset);
        KvButtonModel m = pictureModel(4, KvPicture(), QStringLiteral("HIM"));
        m.props.foreColor = 0;
        m.props.font.setPixelSize(16);
        m.props.font.setStyleStrategy(QFont::NoAntialias); // every text pixel in its exact colour
        const QImage plain = renderFace(m, 60, 30);
        m.props.captionEffects = effect;
        const QImage face = renderFace(m, 60, 30);
        const ColorRef copy = shiftColor(0xDCD2C8, 0.14f);
        int copies = 0;
        for (int y = 1; y < 29; ++y) {
            for (int x = 1; x < 59; ++x) {
                if (face.pixel(x, y) == plain.pixel(x, y))
                    continue;
                ++copies;
                KV_PIXEL(face, x, y, copy);
                KV_PIXEL(plain, x - offset.x(), y - offset.y(), 0); // a text pixel moved by the offset
            }
        }
        QVERIFY(copies > 10);
    }

    // Every property, assigned a value other than its default, survives saving and loading.
    void propertiesPersist_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        const QVariant green = QVariant::fromValue(square(rgb(0, 255, 0)));
        // clang-format off
        const QList<std::pair<const char*, QVariant>> rows = {
            {"BackColor", 0x123456u}, {"ButtonStyle", 8}, {"Caption", QStringLiteral("备忘")}, {"CaptionAlign", 0}, {"DropDownSymbol", 6},
            {"DropDownSeparator", true}, {"DisabledPictureMode", 1}, {"Enabled", false}, {"Font", QFont(QStringLiteral("DejaVu Sans"), 9)},
            {"ForeColor", 0x123u}, {"ForeColorHover", 0x456u}, {"HandPointer", true}, {"MaskColor", 0xFF00FFu}, {"Mode", 2},
            {"MouseIcon", green}, {"MousePointer", 3}, {"PictureNormal", green}, {"PictureHot", green}, {"PictureDown", green}, {"PictureAlign", 3},
            {"PictureShadow", true}, {"PictureEffectOnOver", 0}, {"PictureEffectOnDown", 0}, {"PicturePushOnHover", true}, {"PictureOpacity", 100},
            {"PictureOpacityOnOver", 90}, {"RightToLeft", true}, {"CaptionEffects", 2}, {"ShowFocusRect", true}, {"UseMaskColor", false},
            {"Value", true}, {"TooltipTitle", QStringLiteral("t")}, {"ToolTip", QStringLiteral("tip")}, {"TooltipBackColor", 0x123u},
            {"ToolTipIcon", 2}, {"ToolTipType", 1}, {"ColorScheme", 2}};
        // clang-format on
        for (const auto& [name, value] : rows)
            QTest::newRow(name) << name << value;
    }

    void propertiesPersist()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        const QByteArray property = name.toLatin1();
        QWidget host;
        KvButton button(PropertyBag{{"Mode", 1}, {"PictureNormal", QVariant::fromValue(kRedSquare)}}, &host);
        QVERIFY(button.property(property) != value);
        QVERIFY(button.setProperty(property, value));
        KvButton again(button.writeProperties(), &host);
        QCOMPARE(again.property(property), value);
    }

    void storedFormsRoundTrip()
    {
        QWidget host;
        // What a new button leaves out as a default must read back as that default.
        QCOMPARE(KvButton(PropertyBag{}, &host).writeProperties().keys(), QStringList{"Caption"});
        // Yes/no values read from any stored form and are written back in the stored form.
        KvButton button(PropertyBag{{"PictureShadow", -1}, {"Enabled", 0}}, &host);
        QVERIFY(button.pictureShadow());
        QVERIFY(!button.isButtonEnabled() && !button.isEnabled());
        QCOMPARE(button.writeProperties().read("PictureShadow").toInt(), -1);
    }

    // Per style: the scheme it brings, its colour in schemes 0 to 3 (an unknown 0x123456 kept), then
    // whether it draws the focus rectangle and pushes its picture on hover.
    void styleDefaults()
    {
        QStringList got;
        for (int style = 0; style <= 13; ++style) {
            KvButtonProperties props;
            props.buttonStyle = style;
            props.colorScheme = 3;
            applyDefaultColorScheme(props);
            QString line = QString::number(props.colorScheme);
            for (int scheme = 0; scheme <= 3; ++scheme) {
                props.colorScheme = scheme;
                props.backColor = 0x123456;
                applyDefaultBackColor(props, knownPalette());
                line += QStringLiteral(" %1").arg(props.backColor, 6, 16, QLatin1Char('0')).toUpper();
            }
            got << line + u' ' + QString::number(props.showFocusRect) +
                       QString::number(props.picturePushOnHover);
        }
        QCOMPARE(got, QStringList({"0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 10", "0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 10",
                                   "0 E7EBEC DBEEF3 FCF1F0 123456 00", "2 FDECE0 DEEDE8 E3E3E3 123456 00",
                                   "0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 01", "3 FCE1CA BAD6D4 E0C4C6 123456 00",
                                   "0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 00", "0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 00",
                                   "0 FFD1AD BAD6D4 E3DFE0 123456 00", "2 FFD1AD BAD6D4 E1D6D5 123456 10",
                                   "0 FFD1AD BAD6D4 E3DFE0 123456 00", "3 F0F0F0 F0F0F0 F0F0F0 F0F0F0 00",
                                   "3 F0F0F0 F0F0F0 F0F0F0 F0F0F0 00", "3 123456 123456 123456 123456 00"}));
    }

    void colorSchemeIsClampedAndDrivesBackColor()
    {
        QWidget host;
        KvButton button(PropertyBag{{"ButtonStyle", 8}, {"ColorScheme", 7}}, &host);
        QCOMPARE(button.colorScheme(), 3);
        button.setColorScheme(-4);
        QCOMPARE(button.colorScheme(), 0);
        // Assigning BackColor makes the scheme custom; a built-in scheme brings its colours back.
        button.setButtonStyle(8);
        button.setBackColor(0x123456);
        QCOMPARE(button.colorScheme(), 3);
        button.setColorScheme(1);
        QCOMPARE(button.backColor(), OleColor(0xBAD6D4));
    }

    void picturesValueAndPointerRules()
    {
        QWidget host;
        KvButton button(PropertyBag{{"Caption", QString()}}, &host);
        const KvPicture red = kRedSquare;
        // A hot or down picture without a normal one becomes the normal picture.
        button.setPictureHot(red);
        QCOMPARE(button.pictureNormal(), red);
        QVERIFY(button.pictureHot().isNull());
        // A mouse icon switches the hand pointer off.
        button.setHandPointer(true);
        button.setMouseIcon(red);
        QVERIFY(!button.handPointer());
        QCOMPARE(button.cursor().shape(), Qt::BitmapCursor);
        // The button's own Enabled setting is kept apart from a disabled host.
        host.setEnabled(false);
        QVERIFY(!button.isEnabled() && button.isButtonEnabled());
    }

    void accessKeysAndSizes()
    {
        const QList<std::pair<const char*, const char*>> keys = {
            {"Save &As", "a"}, {"A && B", ""}, {"&&x &Print", "p"}, {"&", ""}, {"Open&", ""}, {"&&&&", ""}};
        for (const auto& [caption, accessKey] : keys)
            QCOMPARE(accessKeyOfCaption(QString::fromLatin1(caption)), QString::fromLatin1(accessKey));
        QWidget host;
        KvButton button(PropertyBag{}, &host);
        button.resize(5, 50); // below 220 twips a side snaps back; the face always has the button's size
        QCOMPARE(button.faceImage().size(), QSize(15, 50));
    }

    // A script of input on one button (index 3, caption "&Save") beside another in a dialog, the events
    // it and the dialog raise (Rejected, OK for its default button) and checks on the way. Steps: down,
    // up, dbl, rdown, rup and move (at 10,10 or @x,y; in is a move to 20,20, out to 200,20), leave, a
    // key (Space, Return, Esc, A, Alt+Space, Alt+S on the window; ~ releases, * repeats), focus,
    // focusOther, deactivate, activate, disable, tip (the pointer rests), accN (access key N); checks:
    // =N/=H/=D state, =0/=1 value, =grab/=free the mouse, =active/=inactive the window, =tip/=notip.
    void scripts_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("events");
        // clang-format off
        const auto row = [](const char* name, const char* setup, const char* script, const char* events) {
            QTest::newRow(name) << setup << script << events;
        };
        row("release on the first column is no click", "push", "down up@0,10", "MouseDown1 MouseUp1");
        row("double click", "push", "down up dbl =D up =N", "MouseDown1 Click3 MouseUp1 MouseDown1 DblClick Click3 MouseUp1");
        row("check toggles, drawn down", "check", "down up =1 =D down up =0", "MouseDown1 Click3 MouseUp1 MouseDown1 Click3 MouseUp1");
        row("hover and leave", "push", "in =H move@21,20 leave =N", "MouseEnter MouseEnter MouseLeave");
        row("drag out and back", "push", "down@20,20 out =N in =D up@30,20", "MouseDown1 MouseEnter Click3 MouseUp1");
        row("without leave notices", "push notrack", "in leave =H", "MouseEnter");
        row("space on a check", "check", "Space =1 =D =grab Space* =1 ~Space =free", "KeyDown32 KeyDown32 Click3 KeyUp32");
        row("enter clicks on key down", "check", "Return ~Return =0", "Click3 KeyDown13");
        row("enter reaches the dialog's default button", "push default", "Return", "OK");
        row("escape closes the dialog", "push default", "Esc", "KeyDown27 Rejected");
        row("alt+space passed over", "check", "Alt+Space =N =0 =free", "");
        row("another key cancels space", "push", "Space A =N =free ~A ~Space =N", "KeyDown32 KeyDown65 KeyUp32");
        row("space held: moves and leave change nothing", "push", "Space in leave =D ~Space =N", "KeyDown32 MouseEnter Click3 KeyUp32");
        row("space, then focus elsewhere", "push", "focus Space =grab focusOther =free =N ~Space", "KeyDown32 KeyUp32");
        row("space, then another window", "push", "Space =grab deactivate =inactive =free activate =active Space =grab", "KeyDown32 KeyDown32");
        row("pressed, then another window", "push", "in down deactivate =N =inactive", "MouseEnter MouseDown1");
        row("tip while hovered, gone on a press", "push", "in tip =tip down =notip", "MouseEnter MouseDown1");
        row("no tip once disabled", "push", "in disable tip =notip", "MouseEnter");
        row("no tip on a checked button", "check", "down up in tip =notip", "MouseDown1 Click3 MouseUp1 MouseEnter");
        row("access key on a check", "check", "Alt+S =1 acc13 acc27 =1", "Click3");
        row("escape on an option", "option", "acc27 =0", "");
        row("disabled ignores its key", "push", "disable acc115", "");
        // clang-format on
    }

    void scripts()
    {
        QFETCH(QString, setup);
        QFETCH(QString, script);
        Host host(setup.contains(QLatin1String("default")));
        KvButtonHost ambient;
        ambient.probes.trackMouseLeave = !setup.contains(QLatin1String("notrack"));
        const int mode = setup.startsWith("check") ? KvCheck : setup.startsWith("option") ? KvOption : KvPush;
        KvButton* b = host.add(buttonSet(mode, QStringLiteral("&Save")), QPoint(0, 0), 3, ambient);
        KvButton* other = host.add(buttonSet(KvPush), QPoint(0, 50));
        host.record(b);
        QWidget elsewhere;
        Qt::MouseButtons held;
        const KvButtonRuntime& run = b->model().run;
        for (const QString& step : script.split(QLatin1Char(' '))) {
            const QString word = step.section(QLatin1Char('@'), 0, 0);
            const QString place = step.section(QLatin1Char('@'), 1);
            const QPoint at = !place.isEmpty()
                                  ? QPoint(place.section(',', 0, 0).toInt(), place.section(',', 1).toInt())
                              : word == QLatin1String("in")  ? QPoint(20, 20)
                              : word == QLatin1String("out") ? QPoint(200, 20)
                                                             : QPoint(10, 10);
            const QKeyCombination pressed =
                QKeySequence::fromString(word.mid(word.startsWith('~')).remove('*'))[0];
            const auto is = [&](const char* name) { return word == QLatin1String(name); };
            if (is("down") || is("dbl")) {
                held = Qt::LeftButton;
                mouse(b, is("down") ? QEvent::MouseButtonPress : QEvent::MouseButtonDblClick, at,
                      Qt::LeftButton, held);
            } else if (is("up") || is("rup")) {
                held = Qt::NoButton;
                mouse(b, QEvent::MouseButtonRelease, at, is("up") ? Qt::LeftButton : Qt::RightButton);
            } else if (is("rdown")) {
                mouse(b, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
            } else if (is("move") || is("in") || is("out")) {
                mouse(b, QEvent::MouseMove, at, Qt::NoButton, held);
            } else if (is("leave")) {
                QEvent event(QEvent::Leave);
                QApplication::sendEvent(b, &event);
            } else if (is("Alt+S")) {
                QTest::keyClick(&host.window, Qt::Key_S, Qt::AltModifier);
            } else if (is("focus") || is("focusOther")) {
                (is("focus") ? b : other)->setFocus();
            } else if (is("deactivate") || is("activate")) {
                elsewhere.show();
                QVERIFY(activate(is("activate") ? static_cast<QWidget*>(&host.window) : &elsewhere));
            } else if (is("disable")) {
                b->setEnabled(false);
            } else if (is("tip")) {
                QHelpEvent help(QEvent::ToolTip, at, b->mapToGlobal(at));
                QApplication::sendEvent(b, &help);
            } else if (word.startsWith(QLatin1String("acc"))) {
                b->accessKeyPress(word.mid(3).toInt());
            } else if (is("=0") || is("=1")) {
                QCOMPARE(b->value(), is("=1"));
            } else if (is("=N") || is("=H") || is("=D")) {
                QCOMPARE(run.buttonState, int(is("=N") ? KvNormal : is("=H") ? KvHot : KvDown));
            } else if (is("=grab") || is("=free")) {
                QCOMPARE(QWidget::mouseGrabber(), is("=grab") ? b : nullptr);
                QCOMPARE(run.spaceDown, is("=grab"));
            } else if (is("=active") || is("=inactive")) {
                QCOMPARE(run.parentActive, is("=active"));
                QVERIFY(run.parentActive || (!run.isPressed && !run.hasFocus));
            } else if (is("=tip") || is("=notip")) {
                QCOMPARE(b->toolTipWindow() && b->toolTipWindow()->isVisible(), is("=tip"));
            } else {
                QVERIFY2(pressed.key() != Qt::Key_unknown, qPrintable(step));
                key(b, word.startsWith('~') ? QEvent::KeyRelease : QEvent::KeyPress, pressed.key(),
                    pressed.keyboardModifiers(), word.endsWith('*'));
            }
        }
        QTEST(host.log.join(QLatin1Char(' ')), "events");
    }

    void optionGroupsFollowTheirContainer()
    {
        Host host;
        QWidget* groupB = new QWidget(&host.window);
        groupB->setGeometry(0, 100, 400, 50);
        KvButton* a1 = host.add(buttonSet(KvOption), QPoint(0, 0));
        KvButton* a2 = host.add(buttonSet(KvOption), QPoint(110, 0));
        KvButton* push = host.add(buttonSet(KvPush), QPoint(220, 0));
        KvButton* b1 = host.add(buttonSet(KvOption), QPoint(0, 0), -1, {}, groupB);
        b1->setValue(true);
        click(a1);
        click(a2);
        click(push); // push buttons take no part
        QCOMPARE(QList<bool>({a1->value(), a2->value(), b1->value()}), QList<bool>({false, true, true}));
        KV_PIXEL(a2->faceImage(), 52, 1, rgb(255, 216, 165)); // the checked face
    }

    void buttonsGoAwayInAnyOrder()
    {
        for (const QList<int>& order : {QList<int>{0, 1, 2}, QList<int>{2, 0, 1}}) {
            auto host = std::make_unique<Host>();
            QList<KvButton*> buttons;
            for (int i = 0; i < 3; ++i)
                buttons << host->add(buttonSet(KvOption), QPoint(0, i * 40), i);
            QWidget elsewhere;
            elsewhere.show();
            for (int index : order) {
                key(buttons[index], QEvent::KeyPress, Qt::Key_Space);
                delete std::exchange(buttons[index], nullptr); // holding the mouse: it is given back
                QCOMPARE(QWidget::mouseGrabber(), nullptr);
                QVERIFY(activate(&elsewhere) && activate(&host->window));
                for (KvButton* b : buttons)
                    QVERIFY(!b || b->model().run.parentActive);
            }
        }
    }

    void dropDownMenu()
    {
        Host host;
        KvButton* b = host.add(buttonSet(KvPush), QPoint(20, 20));
        host.record(b);
        QStringList& log = host.log;
        QMenu menu(&host.window);
        QAction* bold = menu.addAction(QStringLiteral("二"));
        b->setPopupMenu(&menu, 7, 0, bold);
        QCursor::setPos(host.window.mapToGlobal(QPoint(390, 190)));
        const auto press = [b] {
            mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        };
        press();
        QVERIFY(menu.isVisible());
        QCOMPARE(menu.pos(), b->mapToGlobal(QPoint(105, 39)));
        QCOMPARE(menu.defaultAction(), bold);
        menu.hide(); // closed away from the button
        QCOMPARE(b->model().run.buttonState, int(KvNormal));
        // Closed over the button: the click that closed it does not open it again.
        press();
        QCursor::setPos(b->mapToGlobal(QPoint(10, 10)));
        menu.hide();
        press();
        QVERIFY(!menu.isVisible());
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        press();
        QVERIFY(menu.isVisible());
        menu.hide();
        QVERIFY(log.isEmpty()); // no Click, MouseDown or MouseUp while a menu is attached
        // Without a menu the button clicks again.
        b->unsetPopupMenu();
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        log.clear();
        click(b);
        QCOMPARE(log, (QStringList{"MouseDown1", "Click-1", "MouseUp1"}));
    }

    // The scroll gadget: checked properties, persistence, geometry, its picture and its input.
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
        QTest::newRow("main") << "main" << Probes{0, 0, kHighlight, 38, 329, kGadgetShadow, 1, 1, kGadgetShadow, 37, 200, kHighlight,
            18, 6, kDark, 17, 6, kBlue, 15, 9, kDark, 23, 9, kBlue, 15, 320, kDark, 18, 323, kDark, 17, 323, kBlue,
            2, 15, kHighlight, 36, 75, kGadgetShadow, 19, 43, kHighlight, 18, 42, kDark, 20, 14, kBlue,
            20, 80, kBlue, 21, 80, kLight, 20, 82, kLight, 21, 82, kBlue, 10, 24, kBlue, 11, 24, kLight};
        QTest::newRow("knob moved, focused") << "main VValue=5 focus" << Probes{20, 194, kGadgetShadow, 2, 134, kHighlight,
            4, 16, kBlue, 5, 16, kLight, 11, 140, kBlue};
        QTest::newRow("scale ticks") << "main ScaleSteps=4" << Probes{36, 15, kText, 36, 134, kText, 36, 254, kText, 36, 100, kBlue};
        QTest::newRow("disabled: no arrow, no knob") << "main disable" << Probes{18, 6, kBlue, 15, 320, kBlue, 11, 24, kLight, 2, 15, kLight};
        QTest::newRow("arrow key held") << "main VValue=5 ~Down" << Probes{2, 316, kGadgetShadow, 36, 327, kHighlight, 2, 2, kHighlight};
        QTest::newRow("paging shows its arrow") << "main VValue=5 press@19,30" << Probes{2, 2, kGadgetShadow};
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

    // Last: it sets a style sheet on the whole application.
    // A link label is underlined and blue exactly while the mouse is over it.
    void linkUnderlinedOnHover()
    {
        // The skin sets every widget's font, as the program's skin file does.
        qApp->setStyleSheet(QStringLiteral("QWidget { font-size: 9pt; }"));
        QWidget window;
        auto* link = new ClickLabel(QStringLiteral("找回密码"), &window);
        link->setLinkLook(true);
        window.show();
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(link, &enter);
        link->ensurePolished();
        QVERIFY(link->font().underline());
        QCOMPARE(link->palette().color(link->foregroundRole()), QColor(0, 0, 255));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        link->ensurePolished();
        QVERIFY(!link->font().underline());
    }

    // A box shows its text as it is (a memo's title may be part of it); a question with buttons of
    // its own keeps them in the caller's order, and Esc chooses the last.
    void messageBoxesShowTextAsItIs()
    {
        WidgetMessageBoxes boxes;
        QWidget window;
        window.show();
        const QString text = QStringLiteral("“<b>粗</b><img src=\"/tmp/x.png\">”尚未保存");
        const auto openBox = [&window] {
            auto* box = window.findChild<QMessageBox*>();
            auto* label = box ? box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")) : nullptr;
            const bool markup = !label || label->textFormat() == Qt::RichText ||
                                (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
            return std::pair{box, markup ? QString() : label->text()};
        };
        boxes.warn(&window, text);
        QCOMPARE(openBox().second, text);
        openBox().first->accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        int chosen = -2;
        const auto answer = [&chosen](int index) { chosen = index; };
        boxes.choose(&window, text, QStringLiteral("标题"), {"保存", "不保存", "取消"}, answer);
        auto [box, shown] = openBox();
        QCOMPARE(shown, text);
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("保存"));
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(chosen, 2);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        boxes.choose(&window, text, QString(), {"保存", "不保存", "取消"}, answer);
        for (QPushButton* button : openBox().first->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("不保存"))
                button->click();
        }
        QCOMPARE(chosen, 1);
    }
    // A text box wraps at word boundaries unless a run with no place to break a line is longer than it
    // lays out quickly that way: shown, or made by a paste joining what stands beside it. The text
    // stays as it is; the next text shown chooses again.
    void textBoxWrap_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("at"); // where the paste goes; -1: nothing pasted
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<bool>("anywhere");
        const qsizetype most = PlainTextBox::LongestWrappedRun;
        const QString half(most / 2 + 1, u'a');
        // clang-format off
        QTest::newRow("words") << QStringLiteral("a memo of words ").repeated(100'000) << -1 << QString() << false;
        QTest::newRow("Chinese") << QStringLiteral("备忘录的内容").repeated(100'000) << -1 << QString() << false;
        QTest::newRow("runs at the limit") << QString(most - 1, u'a') + u' ' + QString(most, u'a') << -1 << QString() << false;
        QTest::newRow("run one longer") << QString(most + 1, u'a') << -1 << QString() << true;
        QTest::newRow("three million") << QString(3'000'000, u'x') << -1 << QString() << true;
        QTest::newRow("paste joins the run before") << "x " + half << int(half.size() + 2) << half << true;
        QTest::newRow("paste joins the run after") << half + " x" << 0 << half << true;
        QTest::newRow("paste beside a blank") << half + " " << int(half.size() + 1) << half << false;
        QTest::newRow("paste of a long run") << QStringLiteral("words") << 0 << QString(most * 3, u'z') << true;
        // clang-format on
    }

    void textBoxWrap()
    {
        QFETCH(QString, shown);
        QFETCH(int, at);
        QFETCH(QString, pasted);
        QFETCH(bool, anywhere);
        struct Box : PlainTextBox
        {
            using PlainTextBox::insertFromMimeData;
        } box;
        box.resize(300, 200);
        box.show();
        box.showText(shown);
        QString expected = shown;
        if (at >= 0) {
            QTextCursor cursor = box.textCursor();
            cursor.setPosition(at);
            box.setTextCursor(cursor);
            QMimeData data;
            data.setText(pasted);
            box.insertFromMimeData(&data);
            expected.insert(at, pasted);
        }
        QCOMPARE(box.wrapsAnywhere(), anywhere);
        QCOMPARE(box.toPlainText(), expected);
        box.showText(QStringLiteral("short"));
        QVERIFY(!box.wrapsAnywhere());
    }
};

VELMO_TEST_MAIN(TestControls)
#include "TestControls.moc"
