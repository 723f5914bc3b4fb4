#include "TestKvButtonKit.h"
#include "TestMain.h"

#include "controls/gdi/GdiPainter.h"

#include <functional>

using namespace velmo;
using namespace velmo::gdi;
using velmo::test::inverted;
using velmo::test::lerp;
using velmo::test::renderFace;

namespace {

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
        m.props.pictureNormal = KvPicture::fromBitmap(test::solidImage(10, 10, 0x0000FF));
    for (const QString& word : words) {
        if (word.startsWith(QLatin1String("scheme")))
            m.props.colorScheme = word.mid(6).toInt();
    }
    return m;
}

} // namespace

using Draw = std::function<void(velmo::gdi::GdiPainter&)>;
Q_DECLARE_METATYPE(Probes)
Q_DECLARE_METATYPE(Draw)

// Pixels of every face style at places and in colours that follow from its drawing rules, and the
// primitives they are drawn with.
class TestKvButtonFaces : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

    void faces_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<ColorRef>("back");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Probes>("probes");
        const auto row = [](const char* name, int style, ColorRef back, const char* setup, QSize size,
                            const Probes& probes) {
            QTest::newRow(name) << style << back << QString::fromLatin1(setup) << size << probes;
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
        KvRenderEnvironment env = test::knownEnvironment();
        env.userMode = !setup.contains(QLatin1String("design"));
        env.themed = !setup.contains(QLatin1String("unthemed"));
        const QImage face = renderFace(m, size.width(), size.height(), env);
        for (qsizetype i = 0; i + 2 < probes.size(); i += 3) {
            const QByteArray at =
                QByteArray::number(probes[i]) + ", " + QByteArray::number(probes[i + 1]) + ": ";
            QCOMPARE(at + test::describe(test::pixelOf(face, int(probes[i]), int(probes[i + 1]))),
                     at + test::describe(ColorRef(probes[i + 2])));
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
        QCOMPARE(renderFace(m, 20, 10), test::solidImage(20, 10, kSurface));
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
        QTest::newRow("polygon") << Draw([](GdiPainter& p) { p.polygon({QPoint(0, 0), QPoint(2, 0), QPoint(2, 2), QPoint(0, 2)}, kNoColor, 1); }) << "0,0=1 1,0=1 0,1=1 1,1=1";
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
};

VELMO_TEST_MAIN(TestKvButtonFaces)
#include "TestKvButtonFaces.moc"
