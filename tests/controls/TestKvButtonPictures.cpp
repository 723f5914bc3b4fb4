#include "TestKvButtonKit.h"
#include "TestMain.h"

#include "controls/kvbutton/KvPicturePainter.h"

using namespace velmo;
using namespace velmo::gdi;
using velmo::test::renderFace;
using velmo::test::solidImage;

namespace {

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

const ColorRef kRed = rgb(255, 0, 0);
const KvPicture kRedSquare = KvPicture::fromBitmap(solidImage(4, 4, kRed));

} // namespace

// Picture blending, picture and caption placement and caption effects.
class TestKvButtonPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

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
        m.props.pictureDown = KvPicture::fromBitmap(solidImage(4, 4, rgb(0, 0, 255)));
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
        renderer.redraw(m, face, 89, 31, test::knownEnvironment());
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
        QTest::addColumn<int>("captionAlign");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("place");
        // clang-format off
        QTest::newRow("0: left, caption moved clear") << 0 << 0 << "Save" << "3,18 C28";
        QTest::newRow("1: left of a centred caption") << 1 << 1 << "Save" << "L";
        QTest::newRow("2: right edge") << 2 << 0 << "Save" << "78,18";
        QTest::newRow("3: right of the caption") << 3 << 0 << "Save" << "R";
        QTest::newRow("8: below the caption") << 8 << 1 << "Save" << "B";
        // clang-format on
    }

    void layoutOfPictureAndCaption()
    {
        QFETCH(int, pictureAlign);
        QFETCH(int, captionAlign);
        QFETCH(QString, caption);
        QFETCH(QString, place);
        KvButtonModel m = pictureModel(4, KvPicture::fromBitmap(solidImage(24, 24, kRed)), caption);
        m.props.pictureAlign = pictureAlign;
        m.props.captionAlign = captionAlign;
        KvButtonRenderer renderer;
        QImage face;
        renderer.redraw(m, face, 105, 60, test::knownEnvironment());
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
};

VELMO_TEST_MAIN(TestKvButtonPictures)
#include "TestKvButtonPictures.moc"
