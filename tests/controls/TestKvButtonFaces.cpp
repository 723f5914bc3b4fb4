#include "TestKvButtonKit.h"
#include "TestMain.h"

#include "controls/kvbutton/KvButtonModel.h"

#include <QDir>
#include <QPainter>

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
constexpr ColorRef kGrayText = 0x6D6D6D;   // (109, 109, 109)

KvButtonModel faceModel(int style, ColorRef back, int state = KvNormal)
{
    KvButtonModel m;
    m.props.buttonStyle = style;
    m.props.backColor = back;
    m.props.foreColor = 0;
    m.run.buttonState = state;
    return m;
}

ColorRef S(ColorRef base, float amount)
{
    return shiftColor(base, amount);
}

} // namespace

class TestKvButtonFaces : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

    void style8Faces_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("over");
        QTest::addColumn<ColorRef>("row1");
        QTest::addColumn<ColorRef>("row13");
        QTest::addColumn<ColorRef>("row14");
        QTest::addColumn<ColorRef>("row37");
        const ColorRef down[4] = {rgb(255, 192, 88), rgb(255, 175, 81), rgb(255, 143, 70), rgb(255, 208, 93)};
        const ColorRef checked[4] = {rgb(255, 216, 165), rgb(255, 192, 111), rgb(255, 171, 63),
                                     rgb(255, 222, 114)};
        QTest::newRow("normal") << int(KvNormal) << false << false << rgb(250, 255, 255) << rgb(233, 245, 254)
                                << rgb(224, 236, 253) << rgb(231, 243, 254);
        QTest::newRow("hot") << int(KvHot) << false << true << rgb(255, 254, 221) << rgb(255, 234, 172)
                             << rgb(255, 215, 103) << rgb(255, 227, 150);
        QTest::newRow("down") << int(KvDown) << false << true << down[0] << down[1] << down[2] << down[3];
        QTest::newRow("checked") << int(KvNormal) << true << false << checked[0] << checked[1] << checked[2]
                                 << checked[3];
        QTest::newRow("checked whatever the state")
            << int(KvHot) << true << false << checked[0] << checked[1] << checked[2] << checked[3];
        QTest::newRow("checked under the pointer")
            << int(KvNormal) << true << true << down[0] << down[1] << down[2] << down[3];
    }

    void style8Faces()
    {
        QFETCH(int, state);
        QFETCH(bool, checked);
        QFETCH(bool, over);
        KvButtonModel m = faceModel(8, kPaleBlue, state);
        m.props.mode = KvOption;
        m.props.value = checked;
        m.run.mouseOver = over;
        const QImage face = renderFace(m, 105, 39);
        const ColorRef frame = rgb(137, 149, 166);
        KV_PIXEL(face, 52, 0, frame);
        KV_PIXEL(face, 52, 38, frame);
        KV_PIXEL(face, 0, 19, frame);
        KV_PIXEL(face, 104, 19, frame);
        QFETCH(ColorRef, row1);
        QFETCH(ColorRef, row13);
        QFETCH(ColorRef, row14);
        QFETCH(ColorRef, row37);
        KV_PIXEL(face, 52, 1, row1);
        KV_PIXEL(face, 52, 13, row13);
        KV_PIXEL(face, 52, 14, row14);
        KV_PIXEL(face, 52, 37, row37);
        // Bands run the full width inside the frame.
        KV_PIXEL(face, 1, 13, row13);
        KV_PIXEL(face, 103, 14, row14);
        if (checked)
            QCOMPARE(m.run.buttonState, int(KvDown));
    }

    void style8SplitsAndDrawingOrder()
    {
        // The reminder window's 31-pixel buttons: 11 rows on top, 20 below.
        KvButtonModel m = faceModel(8, kPaleBlue);
        QImage face = renderFace(m, 89, 31);
        KV_PIXEL(face, 44, 10, rgb(233, 245, 254));
        KV_PIXEL(face, 44, 11, rgb(224, 236, 253));

        // A push button's Value never gives the checked face.
        m.props.value = true;
        face = renderFace(m, 89, 31);
        KV_PIXEL(face, 44, 11, rgb(224, 236, 253));
        QCOMPARE(m.run.buttonState, int(KvNormal));

        // The state faces draw the frame over the picture; the checked face draws it under.
        KvButtonModel pic = faceModel(8, kPaleBlue);
        QImage red(10, 10, QImage::Format_RGB32);
        red.fill(QColor(255, 0, 0));
        pic.props.pictureNormal = KvPicture::fromBitmap(red);
        face = renderFace(pic, 10, 10);
        KV_PIXEL(face, 0, 5, rgb(137, 149, 166));
        KV_PIXEL(face, 5, 5, rgb(255, 0, 0));
        pic.props.mode = KvCheck;
        pic.props.value = true;
        face = renderFace(pic, 10, 10);
        KV_PIXEL(face, 0, 5, rgb(255, 0, 0));
    }

    void style3Faces()
    {
        const ColorRef B = kPaleBlue;
        const ColorRef light = S(B, 0.05f);
        KvButtonModel m = faceModel(3, B);
        QImage face = renderFace(m, 60, 30);
        KV_PIXEL(face, 30, 0, rgb(0x70, 0x70, 0x70));
        KV_PIXEL(face, 30, 29, rgb(0x70, 0x70, 0x70));
        KV_PIXEL(face, 30, 1, kWhite);
        KV_PIXEL(face, 58, 10, kWhite);
        KV_PIXEL(face, 30, 5, lerp(light, B, 4, 29));
        KV_PIXEL(face, 30, 20, lerp(S(B, -0.02f), S(B, -0.15f), 5, 27));
        KV_PIXEL(face, 1, 1, 0xBE965F);
        KV_PIXEL(face, 58, 28, 0xBE965F);

        // Focused in an active window: the default frames, and the focus rectangle on request.
        m.run.parentActive = true;
        m.run.hasFocus = true;
        m.props.showFocusRect = true;
        face = renderFace(m, 60, 30);
        KV_PIXEL(face, 30, 0, 0xA77532);
        KV_PIXEL(face, 30, 1, 0xFBD848);
        KV_PIXEL(face, 2, 2, inverted(lerp(light, B, 1, 29)));
        KV_PIXEL(face, 3, 2, lerp(light, B, 1, 29));
        m.run.parentActive = false;
        face = renderFace(m, 60, 30);
        KV_PIXEL(face, 30, 0, rgb(0x70, 0x70, 0x70));
        KV_PIXEL(face, 2, 2, lerp(light, B, 1, 29));

        // Hot: the strips darken towards the outer edges; the hot frames win over the default look.
        m.run.parentActive = true;
        m.run.buttonState = KvHot;
        face = renderFace(m, 60, 30);
        KV_PIXEL(face, 30, 0, 0xA77532);
        KV_PIXEL(face, 30, 1, kWhite);
        KV_PIXEL(face, 2, 5, lerp(0xFFEECD, 0xFFF7E4, 1, 4));
        KV_PIXEL(face, 5, 5, 0xFFF7E4);
        KV_PIXEL(face, 54, 5, 0xFFF7E4);
        KV_PIXEL(face, 57, 6, lerp(0xFFF7E4, 0xFFEECD, 3, 4));
        KV_PIXEL(face, 57, 5, inverted(lerp(0xFFF7E4, 0xFFEECD, 3, 4))); // the focus rectangle
        KV_PIXEL(face, 3, 20, lerp(0xFAD68F, S(0xFDE1AC, 0.01f), 2, 4));
        KV_PIXEL(face, 30, 5, lerp(0xFFF7E4, 0xFFF3DA, 4, 14));
        KV_PIXEL(face, 30, 20, lerp(0xFFE9C1, 0xFDE1AE, 5, 27));

        m.run.buttonState = KvDown;
        m.run.hasFocus = false;
        face = renderFace(m, 60, 30);
        KV_PIXEL(face, 30, 0, 0x5C411D);
        KV_PIXEL(face, 30, 1, 0xB39C71);
        KV_PIXEL(face, 30, 2, 0xD6C6A9);
        KV_PIXEL(face, 30, 3, 0xECD9B9);
        KV_PIXEL(face, 1, 2, 0xCFB073);
        KV_PIXEL(face, 30, 10, 0xF6E4C2);
        KV_PIXEL(face, 30, 20, 0xF0D29A);
        KV_PIXEL(face, 2, 5, lerp(S(0xE6C891, 0.02f), S(0xF6E4C2, -0.01f), 1, 4));
        KV_PIXEL(face, 1, 1, 0xBE965F);

        m.props.enabled = false;
        m.run.hasFocus = true;
        face = renderFace(m, 60, 30);
        KV_PIXEL(face, 30, 0, S(B, -0.25f));
        KV_PIXEL(face, 30, 1, S(B, 0.25f));
        KV_PIXEL(face, 30, 10, S(B, 0.03f));
        KV_PIXEL(face, 1, 1, S(B, -0.03f));
        KV_PIXEL(face, 2, 2, S(B, 0.03f)); // never a focus rectangle while disabled
    }

    void style5Faces()
    {
        const ColorRef B = kPaleBlue;
        KvButtonModel m = faceModel(5, B);
        QImage face = renderFace(m, 60, 31);
        // Two halves: rows 0-15 and 16-30; no frame.
        KV_PIXEL(face, 30, 0, averageColors(kWhite, S(B, 0.08f)));
        KV_PIXEL(face, 30, 15, B);
        KV_PIXEL(face, 30, 16, B);
        KV_PIXEL(face, 30, 30, lerp(B, S(B, -0.15f), 14, 15));
        KV_PIXEL(face, 0, 30, lerp(B, S(B, -0.15f), 14, 15));

        m.run.buttonState = KvHot;
        face = renderFace(m, 60, 31);
        KV_PIXEL(face, 30, 10, lerp(0xCCF4FF, 0x91D0FF, 10, 30));
        KV_PIXEL(face, 30, 0, 0x800000);
        m.run.buttonState = KvDown;
        face = renderFace(m, 60, 31);
        KV_PIXEL(face, 30, 10, lerp(0x4E91FE, 0x8ED3FF, 10, 30));

        m.run.buttonState = KvNormal;
        m.props.mode = KvCheck;
        m.props.value = true;
        face = renderFace(m, 60, 31);
        KV_PIXEL(face, 30, 10, lerp(0x8CD5FF, 0x55ADFF, 10, 30));
        KV_PIXEL(face, 0, 10, 0x800000);
        m.run.mouseOver = true;
        face = renderFace(m, 60, 31);
        KV_PIXEL(face, 30, 10, lerp(0x4E91FE, 0x8ED3FF, 10, 30));
    }

    void style7Faces()
    {
        const ColorRef B = kGreyBlue;
        KvButtonModel m = faceModel(7, B);
        QImage face = renderFace(m, 60, 30);
        KV_PIXEL(face, 0, 0, B);
        KV_PIXEL(face, 1, 1, B);
        KV_PIXEL(face, 30, 29, B);

        m.run.buttonState = KvHot;
        face = renderFace(m, 60, 30);
        KV_PIXEL(face, 30, 0, 0xCA9E61);
        KV_PIXEL(face, 30, 1, kWhite);
        KV_PIXEL(face, 1, 1, 0xFFEBAE); // the single-precision 0.3 rounds the halves up
        KV_PIXEL(face, 30, 5, lerp(0xFDF9F1, 0xF8ECD0, 4, 27));
        KV_PIXEL(face, 30, 17, lerp(0xFDF9F1, 0xF8ECD0, 16, 27));
        KV_PIXEL(face, 30, 18, 0xF8ECD0);

        m.run.buttonState = KvDown;
        face = renderFace(m, 60, 30);
        KV_PIXEL(face, 30, 5, lerp(0xF1DEB0, 0xF9F1DB, 4, 27));
        KV_PIXEL(face, 58, 28, 0xFFEBAE);

        m.props.enabled = false;
        face = renderFace(m, 60, 30);
        KV_PIXEL(face, 30, 0, B);
        KV_PIXEL(face, 1, 1, B);
    }

    void style13UsesThePlatformButtonOrFallsBackToStyle2()
    {
        KvButtonModel m = faceModel(13, 0);
        KvRenderEnvironment env = test::knownEnvironment();
        env.themed = false;
        const QImage fallback = renderFace(m, 40, 20, env);
        QCOMPARE(m.props.buttonStyle, 2);
        QCOMPARE(m.props.colorScheme, 0);
        QCOMPARE(m.props.backColor, ColorRef(0xE7EBEC));
        KvButtonModel style2 = faceModel(2, 0xE7EBEC);
        QCOMPARE(fallback, renderFace(style2, 40, 20, env));

        KvButtonModel themed = faceModel(13, 0);
        KvButtonRenderer renderer;
        QImage normal;
        renderer.redraw(themed, normal, 60, 24, test::knownEnvironment());
        QCOMPARE(themed.props.buttonStyle, 13);
        QCOMPARE(themed.run.surfaceBackColor, kSurface);
        QCOMPARE(renderer.takeRegion(), std::optional<QRegion>(QRegion()));
        QVERIFY(renderer.captionRect().left >= 4 && renderer.captionRect().top >= 4);
        themed.run.buttonState = KvDown;
        QImage down;
        renderer.redraw(themed, down, 60, 24, test::knownEnvironment());
        QVERIFY(down != normal);
    }

    void standardStylesUseTheSystemEdges()
    {
        const ColorRef B = kGreyBlue;
        KvButtonModel m = faceModel(0, B);
        QImage face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, kLight3D);
        KV_PIXEL(face, 39, 0, kDarkShadow);
        KV_PIXEL(face, 0, 19, kDarkShadow);
        KV_PIXEL(face, 1, 1, kWhite);
        KV_PIXEL(face, 38, 18, kShadow);
        KV_PIXEL(face, 20, 10, B);

        m.props.buttonStyle = 1;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, kWhite);
        KV_PIXEL(face, 39, 19, kShadow);
        KV_PIXEL(face, 1, 1, B);

        m.props.buttonStyle = 11;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, B);
        m.run.buttonState = KvHot;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, kLight3D);
        m.props.buttonStyle = 12;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, kWhite);
        KV_PIXEL(face, 1, 1, B);

        m.run.buttonState = KvDown;
        m.props.buttonStyle = 0;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, rgb(0, 0, 0));
        KV_PIXEL(face, 1, 1, 0x99A8AC);
        KV_PIXEL(face, 2, 2, B);
        m.props.buttonStyle = 1;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 0, kGrayText);
        KV_PIXEL(face, 0, 10, kGrayText);
        KV_PIXEL(face, 39, 10, kWhite);
        KV_PIXEL(face, 20, 19, kWhite);
        m.props.buttonStyle = 11;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, kShadow);
        KV_PIXEL(face, 1, 1, kDarkShadow);
        KV_PIXEL(face, 39, 19, kWhite);
        KV_PIXEL(face, 38, 18, kLight3D);

        // Disabled: no fill, the cleared surface shows under the edge.
        m.run.buttonState = KvNormal;
        m.props.enabled = false;
        m.props.buttonStyle = 0;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, kSurface);
        KV_PIXEL(face, 0, 0, kLight3D);
        m.props.buttonStyle = 11;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, kSurface);
    }

    void standardStylesCheckedFocusAndDefault()
    {
        const ColorRef B = kGreyBlue;
        KvButtonModel m = faceModel(12, B);
        m.props.mode = KvCheck;
        m.props.value = true;
        QImage face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, S(B, 0.02f));

        m.props.buttonStyle = 0;
        m.props.showFocusRect = true;
        m.run.hasFocus = true;
        m.run.parentActive = true;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, kShadow);
        KV_PIXEL(face, 4, 4, kWorkspace);
        KV_PIXEL(face, 36, 4, kWorkspace);
        KV_PIXEL(face, 4, 16, kWorkspace);
        KV_PIXEL(face, 20, 10, S(B, 0.02f));

        // Focused, in an active window, at run time: focus rectangle and default frame.
        m.props.mode = KvPush;
        m.props.value = false;
        m.run.buttonState = KvNormal;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, rgb(0, 0, 0));
        KV_PIXEL(face, 39, 19, rgb(0, 0, 0));
        KV_PIXEL(face, 38, 10, kWorkspace);
        KV_PIXEL(face, 1, 1, kWhite);
        KV_PIXEL(face, 37, 17, kShadow);
        KV_PIXEL(face, 4, 4, inverted(B));
        KV_PIXEL(face, 5, 4, B);

        KvRenderEnvironment design = test::knownEnvironment();
        design.userMode = false;
        face = renderFace(m, 40, 20, design);
        KV_PIXEL(face, 4, 4, B);
        KV_PIXEL(face, 0, 0, rgb(0, 0, 0));

        // The default button keeps its frame in an inactive window, without the focus rectangle.
        m.run.hasFocus = false;
        m.run.parentActive = false;
        m.run.displayAsDefault = true;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, rgb(0, 0, 0));
        KV_PIXEL(face, 4, 4, B);
        m.run.parentActive = true;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 4, 4, inverted(B));

        m.props.buttonStyle = 1;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 3, 3, inverted(B));
        KV_PIXEL(face, 0, 0, kWhite);
    }

    void style2Faces()
    {
        const ColorRef B = 0xE7EBEC;
        KvButtonModel m = faceModel(2, B);
        QImage face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, lerp(S(B, 0.07f), B, 10, 19));
        KV_PIXEL(face, 20, 1, lerp(S(B, 0.1f), S(B, 0.08f), 1, 3));
        KV_PIXEL(face, 20, 18, S(B, -0.09f));
        KV_PIXEL(face, 20, 17, S(B, -0.05f));
        KV_PIXEL(face, 20, 16, S(B, -0.01f));
        KV_PIXEL(face, 38, 10, S(B, -0.08f));
        KV_PIXEL(face, 1, 10, averageColors(kWhite, B));
        KV_PIXEL(face, 20, 0, 0x743C00);
        KV_PIXEL(face, 1, 1, S(0x743C00, 0.3f));

        m.props.colorScheme = 2;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 5, lerp(S(B, 0.22f), B, 5, 9));
        KV_PIXEL(face, 20, 15, lerp(S(B, -0.01f), S(B, -0.15f), 5, 9));
        KV_PIXEL(face, 38, 10, kWhite);
        KV_PIXEL(face, 1, 10, kWhite);

        // Hot: the orange frame in every scheme, and no focus border.
        m.run.buttonState = KvHot;
        m.run.hasFocus = true;
        m.run.parentActive = true;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 2, 0x89D8FD);
        KV_PIXEL(face, 20, 1, 0xCFF0FF);
        KV_PIXEL(face, 1, 10, 0x49BDF9);
        KV_PIXEL(face, 38, 10, 0x49BDF9);
        KV_PIXEL(face, 2, 10, 0x7AD2FC);
        KV_PIXEL(face, 37, 10, 0x7AD2FC);
        KV_PIXEL(face, 20, 17, 0x30B3F8);
        KV_PIXEL(face, 20, 18, 0x0097E5);

        m.run.buttonState = KvDown;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 5, lerp(S(B, -0.2f), S(B, 0.05f), 5, 13));
        KV_PIXEL(face, 20, 16, lerp(S(B, 0.08f), kWhite, 2, 18));
        KV_PIXEL(face, 1, 10, kWhite);
        m.props.colorScheme = 0;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, S(B, -0.05f));
        KV_PIXEL(face, 20, 1, S(B, -0.16f));
        KV_PIXEL(face, 20, 2, S(B, -0.1f));
        KV_PIXEL(face, 20, 18, S(B, 0.01f));
        KV_PIXEL(face, 1, 10, S(B, -0.16f));
        KV_PIXEL(face, 2, 10, S(B, -0.1f));
        KV_PIXEL(face, 38, 10, S(B, 0.04f));

        // Focus border and outer frame of scheme 1; the focus rectangle inverts over the border.
        m.run.buttonState = KvNormal;
        m.props.colorScheme = 1;
        m.props.showFocusRect = true;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 1, 0x80CBB1);
        KV_PIXEL(face, 1, 10, 0x68C8A0);
        KV_PIXEL(face, 20, 18, 0x66A7A8);
        KV_PIXEL(face, 2, 2, inverted(0x68C8A0));
        KV_PIXEL(face, 20, 0, 0x066237);
        KV_PIXEL(face, 1, 1, S(0x066237, 0.3f));
        m.run.parentActive = false;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 1, 10, averageColors(kWhite, B));

        m.props.enabled = false;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, averageColors(kSurface, S(B, 0.1f)));
        KV_PIXEL(face, 20, 0, S(B, -0.1f));
        KV_PIXEL(face, 1, 1, S(B, -0.1f));
    }

    void style4Faces()
    {
        const ColorRef B = kGreyBlue;
        const ColorRef F = 0xEED2C1;
        KvButtonModel m = faceModel(4, B);
        QImage face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, B);
        KV_PIXEL(face, 20, 10, B);
        m.run.buttonState = KvHot;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, S(F, 0.03f));
        KV_PIXEL(face, 0, 0, 0xC56A31);
        m.run.buttonState = KvDown;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, S(F, -0.08f));

        m.props.mode = KvOption;
        m.props.value = true;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, S(F, -0.05f));
        KV_PIXEL(face, 39, 10, 0xC56A31);
        m.run.mouseOver = true;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, S(F, -0.01f));

        KvButtonModel custom = faceModel(4, B, KvHot);
        custom.props.colorScheme = 3;
        face = renderFace(custom, 40, 20);
        KV_PIXEL(face, 20, 10, S(B, 0.03f));
        KV_PIXEL(face, 0, 0, S(B, -0.12f));
    }

    void style6Faces()
    {
        const ColorRef B = kGreyBlue;
        KvButtonModel m = faceModel(6, B);
        QImage face = renderFace(m, 40, 20);
        KV_PIXEL(face, 0, 0, B);
        KV_PIXEL(face, 20, 10, B);

        m.run.buttonState = KvHot;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 5, lerp(0xFDFEFE, 0xEEF4F4, 5, 9));
        KV_PIXEL(face, 20, 12, lerp(0xEEF4F4, 0xEAF1F1, 2, 9));
        KV_PIXEL(face, 38, 5, 0xE0E7EA);
        KV_PIXEL(face, 37, 5, 0xEAF0F0);
        KV_PIXEL(face, 10, 16, 0xE5EDEE);
        KV_PIXEL(face, 10, 17, 0xD6E1E4);
        KV_PIXEL(face, 10, 18, 0xC6D2D7);
        KV_PIXEL(face, 10, 0, 0xC3CECE);
        KV_PIXEL(face, 1, 1, S(0xC9D4D4, -0.05f));

        // Down turns the caption white; any other state gives it the button text colour back.
        m.run.buttonState = KvDown;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, 0xDDE4E5);
        KV_PIXEL(face, 20, 1, S(0xD1DADC, -0.02f));
        KV_PIXEL(face, 20, 0, 0x929D9D);
        KV_PIXEL(face, 1, 1, S(0xABB4B5, -0.2f));
        QCOMPARE(m.props.foreColor, kWhite);
        m.run.buttonState = KvNormal;
        renderFace(m, 40, 20);
        QCOMPARE(m.props.foreColor, rgb(1, 2, 3));

        // Checked: its own light face, the hover lines when hot, the down face while pressed.
        m.props.mode = KvCheck;
        m.props.value = true;
        face = renderFace(m, 40, 20);
        QCOMPARE(m.run.buttonState, int(KvNormal));
        KV_PIXEL(face, 20, 10, 0xFEFEFE);
        KV_PIXEL(face, 20, 0, 0xAF987A);
        KV_PIXEL(face, 1, 1, S(0xC1B3A0, -0.2f));
        m.run.buttonState = KvHot;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 38, 5, 0xEDF0F2);
        KV_PIXEL(face, 20, 18, 0xD8DEE4);
        KV_PIXEL(face, 20, 17, 0xE8ECEF);
        KV_PIXEL(face, 20, 16, 0xF8F9FA);
        m.run.isPressed = true;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 10, 0xDDE4E5);
    }

    void style9Faces()
    {
        const ColorRef B = kGreyBlue;
        KvButtonModel m = faceModel(9, B);
        const QImage normal = renderFace(m, 40, 20);
        KV_PIXEL(normal, 20, 0, S(B, -0.2f));
        KV_PIXEL(normal, 20, 5, lerp(kWhite, B, 5, 9));
        KV_PIXEL(normal, 20, 15, B);
        KV_PIXEL(normal, 1, 10, kWhite);
        KV_PIXEL(normal, 20, 1, kWhite);
        KV_PIXEL(normal, 38, 10, kWhite);
        KV_PIXEL(normal, 20, 19, S(B, -0.25f));
        KV_PIXEL(normal, 1, 19, S(B, -0.2f));
        KV_PIXEL(normal, 1, 1, S(B, 0.05f));
        KV_PIXEL(normal, 1, 18, S(B, 0.05f));

        m.run.buttonState = KvHot;
        QCOMPARE(renderFace(m, 40, 20), normal);
        m.run.buttonState = KvDown;
        m.props.enabled = false;
        QCOMPARE(renderFace(m, 40, 20), normal);

        m.props.enabled = true;
        QImage face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 0, S(B, -0.23f));
        KV_PIXEL(face, 20, 5, lerp(kWhite, S(B, -0.1f), 5, 9));
        KV_PIXEL(face, 20, 15, lerp(S(B, -0.1f), S(B, -0.05f), 5, 19));
        KV_PIXEL(face, 20, 19, S(B, -0.4f));
        KV_PIXEL(face, 38, 18, S(B, 0.05f));

        m.run.buttonState = KvNormal;
        m.run.hasFocus = true;
        m.run.parentActive = true;
        m.props.showFocusRect = true;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 3, 3, inverted(lerp(kWhite, B, 3, 9)));
    }

    void style10Faces()
    {
        const ColorRef B = kGreyBlue;
        auto L = [&](float a) { return S(averageColors(B, kWhite), a); };
        auto K = [&](float a) { return averageColors(kWhite, S(B, a)); };
        KvButtonModel m = faceModel(10, B);
        QImage face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 0, S(B, -0.33f));
        KV_PIXEL(face, 20, 2, lerp(L(0.1f), B, 2, 4));
        KV_PIXEL(face, 20, 5, S(B, -0.03f)); // the separating row keeps the fill
        KV_PIXEL(face, 20, 10, lerp(S(B, -0.05f), K(0.1f), 4, 18));
        KV_PIXEL(face, 0, 10, S(B, -0.33f));
        KV_PIXEL(face, 1, 1, S(B, -0.36f));

        m.run.buttonState = KvHot;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 0, S(B, -0.28f));
        KV_PIXEL(face, 20, 2, lerp(L(0.15f), B, 2, 4));
        KV_PIXEL(face, 1, 1, S(B, -0.36f));
        m.run.buttonState = KvDown;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 0, S(B, -0.36f));
        KV_PIXEL(face, 20, 10, lerp(S(B, -0.08f), K(0.05f), 4, 18));

        m.props.enabled = false;
        face = renderFace(m, 40, 20);
        KV_PIXEL(face, 20, 5, B);
        KV_PIXEL(face, 20, 0, S(B, -0.2f));
        KV_PIXEL(face, 1, 1, S(B, -0.23f));
        KV_PIXEL(face, 20, 2, lerp(L(0.05f), B, 2, 4));
    }

    void regionsAndUnknownStyles()
    {
        const QRegion small = KvButtonRenderer::buttonRegion(3, 10, 10);
        for (const QPoint corner : {QPoint(0, 0), QPoint(9, 0), QPoint(0, 9), QPoint(9, 9)})
            QVERIFY(!small.contains(corner));
        QVERIFY(small.contains(QPoint(1, 0)) && small.contains(QPoint(0, 1)) && small.contains(QPoint(8, 9)));
        int area = 0;
        for (const QRect& r : small)
            area += r.width() * r.height();
        QCOMPARE(area, 96);
        const QRegion wide = KvButtonRenderer::buttonRegion(6, 10, 10);
        QVERIFY(!wide.contains(QPoint(1, 0)) && !wide.contains(QPoint(0, 1)) && !wide.contains(QPoint(8, 9)));
        QVERIFY(wide.contains(QPoint(1, 1)) && wide.contains(QPoint(2, 0)));
        for (int style : {0, 1, 4, 5, 8, 11, 12, 13})
            QVERIFY(KvButtonRenderer::buttonRegion(style, 10, 10).isEmpty());

        // A style above 13 paints nothing but the cleared surface.
        KvButtonModel m = faceModel(14, kGreyBlue);
        const QImage face = renderFace(m, 20, 10);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x)
                QCOMPARE(test::pixelOf(face, x, y), kSurface);
        // Zero sizes paint nothing and do not fail.
        QVERIFY(renderFace(m, 0, 10).isNull());
    }

    // Writes every style in every state to PNG files beside the test, for a person to look at.
    void galleryOfEveryStyleAndState()
    {
        QImage iconImage(16, 16, QImage::Format_ARGB32);
        iconImage.fill(Qt::transparent);
        {
            QPainter p(&iconImage);
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(QColor(40, 140, 60));
            p.setPen(QColor(20, 80, 30));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        }
        const QDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/kvbutton-gallery"));
        QVERIFY(dir.mkpath(QStringLiteral(".")));
        const char* stateNames[] = {"normal", "hot", "down", "checked", "disabled", "focused"};
        const int W = 105;
        const int H = 39;
        for (int style = 0; style <= 13; ++style) {
            QImage sheet(6 * (W + 6), H + 6, QImage::Format_RGB32);
            sheet.fill(Qt::white);
            QPainter sheetPainter(&sheet);
            for (int s = 0; s < 6; ++s) {
                KvButtonModel m;
                m.props.buttonStyle = style;
                applyDefaultColorScheme(m.props);
                applyDefaultBackColor(m.props, test::knownPalette());
                m.props.caption = QStringLiteral("Save");
                m.props.pictureNormal = KvPicture::fromIcon(iconImage);
                m.props.pictureAlign = 1;
                m.props.pictureEffectOnOver = 1;
                m.props.pictureEffectOnDown = 2;
                m.run.parentActive = true;
                m.run.buttonState = s <= 2 ? s : KvNormal;
                m.run.mouseOver = s == 1 || s == 2;
                if (s == 3) {
                    m.props.mode = KvCheck;
                    m.props.value = true;
                }
                m.props.enabled = s != 4;
                if (s == 5) {
                    m.run.hasFocus = true;
                    m.props.showFocusRect = true;
                }
                const QImage face = renderFace(m, W, H);
                sheetPainter.drawImage(3 + s * (W + 6), 3, face);
                const QString single = dir.filePath(
                    QStringLiteral("style%1-%2.png").arg(style, 2, 10, QLatin1Char('0')).arg(stateNames[s]));
                QVERIFY(face.save(single));
            }
            sheetPainter.end();
            QVERIFY(
                sheet.save(dir.filePath(QStringLiteral("style%1.png").arg(style, 2, 10, QLatin1Char('0')))));
        }
        // The main window's toolbar as the program sets it up: style 8 option buttons with a
        // shadowed icon on the left; the third has CaptionEffects 4; the first is checked.
        const QStringList captions{QStringLiteral("新建备忘录"), QStringLiteral("编辑选中"),
                                   QStringLiteral("标记为完成"), QStringLiteral("删除选中")};
        QImage toolbar(4 * W, H, QImage::Format_RGB32);
        QPainter toolbarPainter(&toolbar);
        for (int i = 0; i < captions.size(); ++i) {
            KvButtonModel m = faceModel(8, kPaleBlue, i == 1 ? KvHot : KvNormal);
            m.props.caption = captions[i];
            m.props.font = QFont(QStringLiteral("Tahoma"));
            m.props.font.setPointSizeF(8.25);
            m.props.pictureNormal = KvPicture::fromIcon(iconImage.scaled(24, 24));
            m.props.pictureAlign = 0;
            m.props.pictureShadow = true;
            m.props.maskColor = 0xFFFFFFFF;
            m.props.captionEffects = i == 2 ? 4 : 0;
            m.props.mode = KvOption;
            m.props.value = i == 0;
            m.run.mouseOver = i == 1;
            toolbarPainter.drawImage(i * W, 0, renderFace(m, W, H));
        }
        toolbarPainter.end();
        QVERIFY(toolbar.save(dir.filePath(QStringLiteral("toolbar.png"))));
        QCOMPARE(dir.entryList({QStringLiteral("*.png")}).size(), 14 * 7 + 1);
    }
};

VELMO_TEST_MAIN(TestKvButtonFaces)
#include "TestKvButtonFaces.moc"
