#include "TestKvButtonKit.h"
#include "TestMain.h"

#include "controls/kvbutton/KvPicturePainter.h"

using namespace velmo;
using namespace velmo::gdi;
using velmo::test::renderFace;
using velmo::test::solidImage;

namespace {

// Paints picture over a background of one colour and returns the result.
QImage blendOver(ColorRef background, const KvPicture& picture, ColorRef mask, ColorRef fill,
                 const KvPictureBlend& blend, bool maskTransparent = true)
{
    QImage target = solidImage(picture.width() + 2, picture.height() + 2, background);
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
const KvPicture kRedSquare = KvPicture::fromBitmap(solidImage(4, 4, kRed));

} // namespace

// Picture blending, picture and caption placement, caption effects and the drop-down part.
class TestKvButtonPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

    void blendingArithmetic()
    {
        QCOMPARE(KvPicturePainter::lighten(222), quint8(255));
        QCOMPARE(KvPicturePainter::lighten(100), quint8(114)); // 29300 / 255
        QCOMPARE(KvPicturePainter::darken(255), quint8(217));
        QCOMPARE(KvPicturePainter::darken(1), quint8(0));
        // Three columns (not a multiple of four): every non-mask pixel copied exactly.
        QImage bits = solidImage(3, 2, rgb(10, 20, 30));
        bits.setPixel(1, 0, qRgb(224, 224, 224)); // the mask colour
        bits.setPixel(2, 1, qRgb(1, 2, 3));
        const KvPicture bitmap = KvPicture::fromBitmap(bits);
        QImage out = blendOver(0, bitmap, 0xE0E0E0, kNoColor, {});
        KV_PIXEL(out, 1, 1, rgb(10, 20, 30));
        KV_PIXEL(out, 2, 1, rgb(0, 0, 0)); // transparent
        KV_PIXEL(out, 3, 2, rgb(1, 2, 3));
        KV_PIXEL(out, 0, 0, rgb(0, 0, 0));
        out = blendOver(0, bitmap, 0xE0E0E0, kNoColor, {}, false); // without the mask every pixel counts
        KV_PIXEL(out, 2, 1, rgb(224, 224, 224));

        // Opacity 128: white over black gives 127 ((255 * 128 + 0) / 256).
        const KvPicture white = KvPicture::fromBitmap(solidImage(2, 2, rgb(255, 255, 255)));
        KV_PIXEL(blendOver(0, white, kNoColor, kNoColor, {0, 128, false}), 1, 1, rgb(127, 127, 127));
        KV_PIXEL(blendOver(0, white, kNoColor, kNoColor, {0, 0, false}), 1, 1, rgb(0, 0, 0));

        const KvPicture grey = KvPicture::fromBitmap(solidImage(2, 2, rgb(100, 200, 255)));
        KV_PIXEL(blendOver(0, grey, kNoColor, kNoColor, {1, 255, false}), 1, 1, rgb(114, 229, 255));
        KV_PIXEL(blendOver(0, grey, kNoColor, kNoColor, {2, 255, false}), 1, 1, rgb(85, 170, 217));
        KV_PIXEL(blendOver(0, grey, kNoColor, kNoColor, {7, 255, false}), 1, 1, rgb(100, 200, 255));
        // Greyscale: round(round(100 * 0.3) + 200 * 0.59 + 255 * 0.11) = round(30 + 118 + 28.05) = 176.
        KV_PIXEL(blendOver(0, grey, kNoColor, kNoColor, {0, 255, true}), 1, 1, rgb(176, 176, 176));
        KV_PIXEL(blendOver(0, grey, kNoColor, kNoColor, {0, 191, true}), 1, 1, rgb(131, 131, 131));

        // Silhouette: the fill colour at full opacity, blended below it; the mask still applies.
        out = blendOver(0, bitmap, 0xE0E0E0, rgb(200, 100, 50), {});
        KV_PIXEL(out, 1, 1, rgb(200, 100, 50));
        KV_PIXEL(out, 2, 1, rgb(0, 0, 0));
        KV_PIXEL(blendOver(0, bitmap, 0xE0E0E0, rgb(200, 100, 50), {0, 128, false}), 1, 1, rgb(100, 50, 25));
    }

    void iconsAndAlphaBitmaps()
    {
        // An icon is painted over silver; its transparent parts are the mask.
        QImage iconBits(2, 1, QImage::Format_ARGB32);
        iconBits.setPixel(0, 0, qRgba(10, 20, 30, 255));
        iconBits.setPixel(1, 0, qRgba(0, 0, 0, 0));
        const KvPicture icon = KvPicture::fromIcon(iconBits);
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
        QVERIFY(!kRedSquare.isAlphaBitmap());
        out = blendOver(0, alpha, 0xE0E0E0, kNoColor, {});
        KV_PIXEL(out, 1, 1, rgb(127, 127, 127));
        KV_PIXEL(out, 2, 1, rgb(224, 224, 224));
        out = blendOver(0, alpha, kNoColor, kNoColor, {0, 128, false});
        KV_PIXEL(out, 3, 1, rgb(100, 0, 0));  // a = 255 * 128 / 255 = 128
        KV_PIXEL(out, 1, 1, rgb(63, 63, 63)); // a = 128 * 128 / 255 = 64
        KV_PIXEL(blendOver(0, alpha, kNoColor, rgb(0, 0, 90), {}), 3, 1, rgb(0, 0, 90));
    }

    void blendFollowsTheButtonState_data()
    {
        QTest::addColumn<int>("disabledMode");
        QTest::addColumn<int>("opacity");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("alphaBitmap");
        QTest::addColumn<int>("effect");
        QTest::addColumn<int>("expectedOpacity");
        QTest::addColumn<bool>("greyscale");
        QTest::newRow("hot") << -1 << 200 << int(KvHot) << false << 1 << 100 << false;
        QTest::newRow("down") << -1 << 200 << int(KvDown) << false << 2 << 200 << false;
        QTest::newRow("normal") << -1 << 200 << int(KvNormal) << false << 0 << 200 << false;
        QTest::newRow("disabled, mode 0") << 0 << 200 << int(KvNormal) << false << 0 << 52 << false;
        QTest::newRow("disabled, mode 1") << 1 << 200 << int(KvNormal) << false << 0 << 150 << true;
        QTest::newRow("disabled, mode 1, 191.25") << 1 << 255 << int(KvNormal) << false << 0 << 191 << true;
        QTest::newRow("disabled, mode 2") << 2 << 255 << int(KvNormal) << false << 0 << 0 << false;
        // A disabled alpha bitmap takes the disabled opacity even when hot; other pictures the hover one.
        QTest::newRow("disabled alpha bitmap, hot") << 2 << 255 << int(KvHot) << true << 1 << 0 << false;
        QTest::newRow("disabled bitmap, hot") << 2 << 255 << int(KvHot) << false << 1 << 100 << false;
    }

    void blendFollowsTheButtonState()
    {
        QFETCH(int, disabledMode);
        QFETCH(int, opacity);
        QFETCH(int, state);
        QFETCH(bool, alphaBitmap);
        KvButtonProperties p;
        p.pictureEffectOnOver = 1;
        p.pictureEffectOnDown = 2;
        p.pictureOpacity = opacity;
        p.pictureOpacityOnOver = 100;
        p.enabled = disabledMode < 0;
        p.disabledPictureMode = std::max(disabledMode, 0);
        const KvPictureBlend blend = KvPicturePainter::blendFor(p, state, alphaBitmap);
        QTEST(blend.effect, "effect");
        QTEST(blend.opacity, "expectedOpacity");
        QTEST(blend.greyscale, "greyscale");
    }

    void shadowAndPushOnHover()
    {
        // A 4 x 4 red picture centred on a 20 x 20 style 4 button (flat face, no frame when normal).
        KvButtonModel m = pictureModel(4, kRedSquare);
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
        KvButtonModel m = pictureModel(4, kRedSquare);
        m.props.pictureHot = KvPicture::fromBitmap(solidImage(4, 4, rgb(0, 255, 0)));
        m.props.pictureDown = KvPicture::fromBitmap(solidImage(4, 4, rgb(0, 0, 255)));
        m.props.pictureEffectOnOver = m.props.pictureEffectOnDown = 0;
        KV_PIXEL(renderFace(m, 20, 20), 9, 9, kRed);
        m.run.buttonState = KvHot;
        KV_PIXEL(renderFace(m, 20, 20), 9, 9, rgb(0, 255, 0));
        m.run.buttonState = KvDown;
        KV_PIXEL(renderFace(m, 20, 20), 9, 9, rgb(0, 0, 255));
        // A checked button shows the down picture whatever the state.
        m.run.buttonState = KvNormal;
        m.props.mode = KvCheck;
        m.props.value = true;
        KV_PIXEL(renderFace(m, 20, 20), 9, 9, rgb(0, 0, 255));

        // A disabled picture in mode 2 is not drawn at all.
        KvButtonModel off = pictureModel(4, kRedSquare);
        off.props.enabled = false;
        off.props.disabledPictureMode = 2;
        KV_PIXEL(renderFace(off, 20, 20), 9, 9, 0xDCD2C8);
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
        const ColorRef text = m.props.foreColor;
        const int x = 81 + symbolMove;
        const int y = 13 + symbolMove;
        for (const QPoint p : {QPoint(x - 3, y), QPoint(x + 3, y), QPoint(x, y + 3)})
            KV_PIXEL(face, p.x(), p.y(), text);
        QVERIFY(test::pixelOf(face, x - 3, y - 1) != text && test::pixelOf(face, x - 1, y + 3) != text);
    }

    void layoutOfPictureAndCaption()
    {
        const KvPicture picture = KvPicture::fromBitmap(solidImage(24, 24, kRed));
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
        QCOMPARE(renderer.captionRect().top, (60 - renderer.captionRect().height()) / 2);
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

    // Effects draw copies of the caption under it: 1 lighter up and left, 2 lighter down and right.
    void captionEffects_data()
    {
        QTest::addColumn<int>("effect");
        QTest::addColumn<float>("shift");
        QTest::addColumn<QPoint>("offset");
        QTest::newRow("raised") << 1 << 0.14f << QPoint(-1, -1);
        QTest::newRow("sunken") << 2 << 0.14f << QPoint(1, 1);
    }

    void captionEffects()
    {
        QFETCH(int, effect);
        QFETCH(float, shift);
        QFETCH(QPoint, offset);
        KvButtonModel m = pictureModel(4, KvPicture(), QStringLiteral("HIM"));
        m.props.foreColor = 0;
        m.props.font.setPixelSize(16);
        m.props.font.setStyleStrategy(QFont::NoAntialias); // every text pixel in its exact colour
        const QImage plain = renderFace(m, 60, 30);
        m.props.captionEffects = effect;
        const QImage face = renderFace(m, 60, 30);
        const ColorRef copy = shiftColor(0xDCD2C8, shift);
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

    void dropDownSymbolAndSeparator()
    {
        const ColorRef B = 0xDCD2C8;
        KvButtonModel m = pictureModel(4, KvPicture());
        m.props.dropDownSymbol = 6;
        m.props.enabled = false;
        KV_PIXEL(renderFace(m, 89, 31), 81, 16, rgb(109, 109, 109));

        // The separator: a darker and a lighter line taken from the face colour at (7, 7).
        KvButtonModel sep = pictureModel(4, KvPicture());
        sep.props.dropDownSeparator = true;
        QImage face = renderFace(sep, 89, 31);
        KV_PIXEL(face, 73, 3, shiftColor(B, -0.1f));
        KV_PIXEL(face, 73, 27, shiftColor(B, -0.1f));
        KV_PIXEL(face, 73, 28, B);
        KV_PIXEL(face, 74, 15, shiftColor(B, 0.1f));
        KV_PIXEL(face, 73, 2, B);
        // A caption that reaches the drop-down area leaves the separator out.
        sep.props.caption = QStringLiteral("Supercalifragilisticexpialidocious");
        sep.props.captionAlign = 0;
        KV_PIXEL(renderFace(sep, 89, 31), 74, 3, B);
    }
};

VELMO_TEST_MAIN(TestKvButtonPictures)
#include "TestKvButtonPictures.moc"
