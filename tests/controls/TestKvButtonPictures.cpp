#include "TestKvButtonKit.h"
#include "TestMain.h"

#include "controls/kvbutton/KvPicturePainter.h"

using namespace velmo;
using namespace velmo::gdi;
using velmo::test::renderFace;

namespace {

QImage solid(int w, int h, ColorRef color, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(toQColor(color));
    return image;
}

// Paints picture over a background of one colour and returns the result.
QImage blendOver(ColorRef background, const KvPicture& picture, ColorRef mask, ColorRef fill,
                 const KvPictureBlend& blend, bool maskTransparent = true)
{
    QImage target = solid(picture.width() + 2, picture.height() + 2, background);
    KvPicturePainter painter;
    painter.paint(target, 1, 1, picture.width(), picture.height(), picture, mask, maskTransparent, fill,
                  blend);
    return target;
}

KvButtonModel pictureModel(int style, const KvPicture& picture, const QString& caption = {})
{
    KvButtonModel m;
    m.props.buttonStyle = style;
    m.props.backColor = 0xDCD2C8;
    m.props.caption = caption;
    m.props.pictureNormal = picture;
    return m;
}

const ColorRef kRed = rgb(255, 0, 0);

} // namespace

class TestKvButtonPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

    void effectTables()
    {
        QCOMPARE(KvPicturePainter::lighten(222), quint8(255));
        QCOMPARE(KvPicturePainter::lighten(223), quint8(255));
        QCOMPARE(KvPicturePainter::lighten(100), quint8(114)); // 29300 / 255
        QCOMPARE(KvPicturePainter::darken(255), quint8(217));
        QCOMPARE(KvPicturePainter::darken(1), quint8(0));
        QCOMPARE(KvPicturePainter::darken(100), quint8(85));
    }

    void blendingArithmetic()
    {
        // Three columns (not a multiple of four): every non-mask pixel copied exactly.
        QImage bits = solid(3, 2, rgb(10, 20, 30));
        bits.setPixel(1, 0, qRgb(224, 224, 224)); // the mask colour
        bits.setPixel(2, 1, qRgb(1, 2, 3));
        const KvPicture bitmap = KvPicture::fromBitmap(bits);
        QImage out = blendOver(rgb(0, 0, 0), bitmap, 0xE0E0E0, kNoColor, {});
        KV_PIXEL(out, 1, 1, rgb(10, 20, 30));
        KV_PIXEL(out, 2, 1, rgb(0, 0, 0)); // transparent
        KV_PIXEL(out, 3, 2, rgb(1, 2, 3));
        KV_PIXEL(out, 0, 0, rgb(0, 0, 0));
        // Without the mask every pixel counts.
        out = blendOver(rgb(0, 0, 0), bitmap, 0xE0E0E0, kNoColor, {}, false);
        KV_PIXEL(out, 2, 1, rgb(224, 224, 224));

        // Opacity 128: white over black gives 127 ((255 * 128 + 0) / 256).
        const KvPicture white = KvPicture::fromBitmap(solid(2, 2, rgb(255, 255, 255)));
        out = blendOver(rgb(0, 0, 0), white, kNoColor, kNoColor, {0, 128, false});
        KV_PIXEL(out, 1, 1, rgb(127, 127, 127));
        out = blendOver(rgb(0, 0, 0), white, kNoColor, kNoColor, {0, 0, false});
        KV_PIXEL(out, 1, 1, rgb(0, 0, 0));

        // Effects through the tables.
        const KvPicture grey = KvPicture::fromBitmap(solid(2, 2, rgb(100, 200, 255)));
        out = blendOver(0, grey, kNoColor, kNoColor, {1, 255, false});
        KV_PIXEL(out, 1, 1, rgb(114, 229, 255));
        out = blendOver(0, grey, kNoColor, kNoColor, {2, 255, false});
        KV_PIXEL(out, 1, 1, rgb(85, 170, 217));
        out = blendOver(0, grey, kNoColor, kNoColor, {7, 255, false});
        KV_PIXEL(out, 1, 1, rgb(100, 200, 255));

        // Greyscale: round(round(100 * 0.3) + 200 * 0.59 + 255 * 0.11) = round(30 + 118 + 28.05) = 176.
        out = blendOver(0, grey, kNoColor, kNoColor, {0, 255, true});
        KV_PIXEL(out, 1, 1, rgb(176, 176, 176));
        out = blendOver(rgb(0, 0, 0), grey, kNoColor, kNoColor, {0, 191, true});
        KV_PIXEL(out, 1, 1, rgb(131, 131, 131)); // 191 * 176 / 256

        // Silhouette: the fill colour at full opacity, blended below it; the mask still applies.
        out = blendOver(rgb(0, 0, 0), bitmap, 0xE0E0E0, rgb(200, 100, 50), {});
        KV_PIXEL(out, 1, 1, rgb(200, 100, 50));
        KV_PIXEL(out, 2, 1, rgb(0, 0, 0));
        out = blendOver(rgb(0, 0, 0), bitmap, 0xE0E0E0, rgb(200, 100, 50), {0, 128, false});
        KV_PIXEL(out, 1, 1, rgb(100, 50, 25));
    }

    void iconsAndAlphaBitmaps()
    {
        // An icon is painted over silver; its transparent parts are the mask.
        QImage iconBits(2, 1, QImage::Format_ARGB32);
        iconBits.setPixel(0, 0, qRgba(10, 20, 30, 255));
        iconBits.setPixel(1, 0, qRgba(0, 0, 0, 0));
        const KvPicture icon = KvPicture::fromIcon(iconBits);
        QCOMPARE(icon.type(), KvPicture::Icon);
        QImage out = blendOver(rgb(1, 1, 1), icon, KvPicturePainter::kIconMask, kNoColor, {});
        KV_PIXEL(out, 1, 1, rgb(10, 20, 30));
        KV_PIXEL(out, 2, 1, rgb(1, 1, 1));
        out = blendOver(rgb(1, 1, 1), icon, KvPicturePainter::kIconMask, kNoColor, {}, false);
        KV_PIXEL(out, 2, 1, rgb(192, 192, 192));

        // A 32-bit bitmap blends by its own alpha scaled by the opacity; no mask applies.
        QImage alphaBits(3, 1, QImage::Format_ARGB32);
        alphaBits.setPixel(0, 0, qRgba(255, 255, 255, 128));
        alphaBits.setPixel(1, 0, qRgba(224, 224, 224, 255));
        alphaBits.setPixel(2, 0, qRgba(200, 0, 0, 255));
        const KvPicture alpha = KvPicture::fromBitmap(alphaBits);
        QVERIFY(alpha.isAlphaBitmap());
        QVERIFY(!KvPicture::fromBitmap(solid(2, 2, kRed)).isAlphaBitmap());
        out = blendOver(rgb(0, 0, 0), alpha, 0xE0E0E0, kNoColor, {});
        KV_PIXEL(out, 1, 1, rgb(127, 127, 127));
        KV_PIXEL(out, 2, 1, rgb(224, 224, 224));
        out = blendOver(rgb(0, 0, 0), alpha, kNoColor, kNoColor, {0, 128, false});
        KV_PIXEL(out, 3, 1, rgb(100, 0, 0));  // a = 255 * 128 / 255 = 128
        KV_PIXEL(out, 1, 1, rgb(63, 63, 63)); // a = 128 * 128 / 255 = 64
        out = blendOver(rgb(0, 0, 0), alpha, kNoColor, rgb(0, 0, 90), {});
        KV_PIXEL(out, 3, 1, rgb(0, 0, 90));
    }

    void blendFollowsTheButtonState()
    {
        KvButtonProperties p;
        p.pictureEffectOnOver = 1;
        p.pictureEffectOnDown = 2;
        p.pictureOpacity = 200;
        p.pictureOpacityOnOver = 100;
        QCOMPARE(KvPicturePainter::blendFor(p, KvHot, false).effect, 1);
        QCOMPARE(KvPicturePainter::blendFor(p, KvHot, false).opacity, 100);
        QCOMPARE(KvPicturePainter::blendFor(p, KvDown, false).effect, 2);
        QCOMPARE(KvPicturePainter::blendFor(p, KvDown, false).opacity, 200);
        QCOMPARE(KvPicturePainter::blendFor(p, KvNormal, false).effect, 0);

        p.enabled = false;
        QCOMPARE(KvPicturePainter::blendFor(p, KvNormal, false).opacity, 52);
        QVERIFY(!KvPicturePainter::blendFor(p, KvNormal, false).greyscale);
        p.disabledPictureMode = 1;
        QCOMPARE(KvPicturePainter::blendFor(p, KvNormal, false).opacity, 150); // 200 * 0.75
        QVERIFY(KvPicturePainter::blendFor(p, KvNormal, false).greyscale);
        p.pictureOpacity = 255;
        QCOMPARE(KvPicturePainter::blendFor(p, KvNormal, false).opacity, 191); // 191.25
        p.disabledPictureMode = 2;
        QCOMPARE(KvPicturePainter::blendFor(p, KvNormal, false).opacity, 0);
        // A disabled alpha bitmap takes the disabled opacity even when hot; other pictures the hover one.
        QCOMPARE(KvPicturePainter::blendFor(p, KvHot, true).opacity, 0);
        QCOMPARE(KvPicturePainter::blendFor(p, KvHot, false).opacity, 100);
    }

    void shadowAndPushOnHover()
    {
        // A 4 x 4 red picture centred on a 20 x 20 style 4 button (flat face, no frame when normal).
        const KvPicture square = KvPicture::fromBitmap(solid(4, 4, kRed));
        KvButtonModel m = pictureModel(4, square);
        m.props.pictureShadow = true;
        KvButtonRenderer renderer;
        QImage face;
        renderer.redraw(m, face, 20, 20, test::knownEnvironment());
        QCOMPARE(renderer.pictureRect(), GdiRect({8, 8, 12, 12}));
        const ColorRef shadowBase = averageColors(0x808080, 0xDCD2C8);
        KV_PIXEL(face, 13, 13, shiftColor(shadowBase, 0.05f)); // only the copy moved by (2, 2)
        KV_PIXEL(face, 12, 12, shiftColor(shadowBase, -0.1f)); // the copy moved by (1, 1) on top
        KV_PIXEL(face, 11, 11, kRed);
        KV_PIXEL(face, 14, 14, 0xDCD2C8);

        // Hot with PicturePushOnHover: silver silhouette in place, the picture 2 up and left, no shadow.
        m.props.picturePushOnHover = true;
        m.run.buttonState = KvHot;
        renderer.redraw(m, face, 20, 20, test::knownEnvironment());
        KV_PIXEL(face, 11, 11, rgb(192, 192, 192));
        KV_PIXEL(face, 8, 8, kRed);
        KV_PIXEL(face, 6, 6, kRed);
        KV_PIXEL(face, 13, 13, shiftColor(0xEED2C1, 0.03f));
    }

    void picturesFollowTheState()
    {
        KvButtonModel m = pictureModel(4, KvPicture::fromBitmap(solid(4, 4, kRed)));
        m.props.pictureHot = KvPicture::fromBitmap(solid(4, 4, rgb(0, 255, 0)));
        m.props.pictureDown = KvPicture::fromBitmap(solid(4, 4, rgb(0, 0, 255)));
        m.props.pictureEffectOnOver = 0;
        m.props.pictureEffectOnDown = 0;
        QImage face = renderFace(m, 20, 20);
        KV_PIXEL(face, 9, 9, kRed);
        m.run.buttonState = KvHot;
        face = renderFace(m, 20, 20);
        KV_PIXEL(face, 9, 9, rgb(0, 255, 0));
        m.run.buttonState = KvDown;
        face = renderFace(m, 20, 20);
        KV_PIXEL(face, 9, 9, rgb(0, 0, 255));
        // A checked button shows the down picture whatever the state.
        m.run.buttonState = KvNormal;
        m.props.mode = KvCheck;
        m.props.value = true;
        face = renderFace(m, 20, 20);
        KV_PIXEL(face, 9, 9, rgb(0, 0, 255));

        // Pressed styles move picture and caption one pixel down and right; style 8 does not.
        KvButtonRenderer renderer;
        QImage image;
        for (int style : {0, 1, 5, 6, 7, 10, 11, 12, 8, 4}) {
            KvButtonModel pressed = pictureModel(style, KvPicture::fromBitmap(solid(4, 4, kRed)));
            pressed.run.buttonState = KvDown;
            renderer.redraw(pressed, image, 20, 20, test::knownEnvironment());
            const bool moves = style != 8 && style != 4;
            QCOMPARE(renderer.pictureRect().left, moves ? 9 : 8);
        }

        // A disabled picture in mode 2 is not drawn at all.
        KvButtonModel off = pictureModel(4, KvPicture::fromBitmap(solid(4, 4, kRed)));
        off.props.enabled = false;
        off.props.disabledPictureMode = 2;
        face = renderFace(off, 20, 20);
        KV_PIXEL(face, 9, 9, 0xDCD2C8);
    }

    void layoutOfPictureAndCaption()
    {
        const KvPicture picture = KvPicture::fromBitmap(solid(24, 24, kRed));
        KvButtonRenderer renderer;
        QImage face;
        auto layout = [&](int pictureAlign, int captionAlign, const QString& caption) {
            KvButtonModel m = pictureModel(4, picture, caption);
            m.props.pictureAlign = pictureAlign;
            m.props.captionAlign = captionAlign;
            renderer.redraw(m, face, 105, 60, test::knownEnvironment());
        };
        const QString caption = QStringLiteral("Save");

        layout(0, 0, caption); // the program's buttons have PictureAlign 0
        QCOMPARE(renderer.pictureRect(), GdiRect({3, 18, 27, 42}));
        QCOMPARE(renderer.captionRect().left, 28); // moved clear of the picture
        layout(0, 1, caption);
        QCOMPARE(renderer.pictureRect().left, 3);
        layout(1, 1, caption);
        QCOMPARE(renderer.pictureRect().left, renderer.captionRect().left - 24 - 4);
        layout(2, 0, caption);
        QCOMPARE(renderer.pictureRect().left, 105 - 24 - 3);
        QVERIFY(renderer.captionRect().right <= 105 - 24 - 4);
        layout(3, 0, caption);
        QCOMPARE(renderer.pictureRect().left, renderer.captionRect().right + 4);
        layout(5, 1, caption);
        QCOMPARE(renderer.pictureRect(), GdiRect({40, 4, 64, 28}));
        layout(6, 1, caption);
        QCOMPARE(renderer.pictureRect().top, renderer.captionRect().top - 24 - 2);
        layout(7, 1, caption);
        QCOMPARE(renderer.pictureRect().top, 60 - 24 - 4);
        layout(8, 1, caption);
        QCOMPARE(renderer.pictureRect().top, renderer.captionRect().bottom + 2);
        // Without a caption, or centred, the picture sits in the middle.
        layout(0, 1, QStringLiteral("   "));
        QCOMPARE(renderer.pictureRect(), GdiRect({40, 18, 64, 42}));
        layout(4, 1, caption);
        QCOMPARE(renderer.pictureRect(), GdiRect({40, 18, 64, 42}));

        // Caption alignment without a picture.
        KvButtonModel m = pictureModel(4, KvPicture(), caption);
        m.props.captionAlign = 0;
        renderer.redraw(m, face, 105, 60, test::knownEnvironment());
        QCOMPARE(renderer.captionRect().left, 2);
        const int width = renderer.captionRect().width();
        const int height = renderer.captionRect().height();
        QCOMPARE(renderer.captionRect().top, (60 - height) / 2);
        m.props.captionAlign = 2;
        renderer.redraw(m, face, 105, 60, test::knownEnvironment());
        QCOMPARE(renderer.captionRect().right, 105 - 4);
        m.props.captionAlign = 1;
        renderer.redraw(m, face, 105, 60, test::knownEnvironment());
        QCOMPARE(renderer.captionRect().left, (105 - width) / 2);
        m.props.dropDownSymbol = 6;
        renderer.redraw(m, face, 105, 60, test::knownEnvironment());
        QCOMPARE(renderer.captionRect().left, (105 - width) / 2 - 8);
    }

    void dropDownParts()
    {
        const ColorRef B = 0xDCD2C8;
        KvButtonModel m = pictureModel(4, KvPicture());
        m.props.dropDownSymbol = 6;
        KvButtonRenderer renderer;
        QImage face;
        renderer.redraw(m, face, 89, 31, test::knownEnvironment());
        QCOMPARE(renderer.dropDownRect(), GdiRect({74, 8, 89, 24}));
        // The arrow of symbol 6 points down, in the text colour, inside that rectangle.
        KV_PIXEL(face, 81, 13, 0);
        KV_PIXEL(face, 78, 13, 0);
        KV_PIXEL(face, 81, 16, 0);
        KV_PIXEL(face, 78, 16, B);
        m.props.enabled = false;
        face = QImage();
        renderer.redraw(m, face, 89, 31, test::knownEnvironment());
        KV_PIXEL(face, 81, 16, rgb(109, 109, 109));

        // The separator: a darker and a lighter line taken from the face colour at (7, 7).
        KvButtonModel sep = pictureModel(4, KvPicture());
        sep.props.dropDownSeparator = true;
        face = renderFace(sep, 89, 31);
        KV_PIXEL(face, 73, 3, shiftColor(B, -0.1f));
        KV_PIXEL(face, 73, 27, shiftColor(B, -0.1f));
        KV_PIXEL(face, 73, 28, B);
        KV_PIXEL(face, 74, 15, shiftColor(B, 0.1f));
        KV_PIXEL(face, 73, 2, B);
        // A caption that reaches the drop-down area leaves the separator out.
        sep.props.caption = QStringLiteral("Supercalifragilisticexpialidocious");
        sep.props.captionAlign = 0;
        face = renderFace(sep, 89, 31);
        KV_PIXEL(face, 74, 3, B);
    }
};

VELMO_TEST_MAIN(TestKvButtonPictures)
#include "TestKvButtonPictures.moc"
