#include "TestMain.h"

#include "controls/gdi/ColorMath.h"
#include "controls/gdi/GdiPainter.h"
#include "controls/gdi/SystemColors.h"

using namespace velmo;
using namespace velmo::gdi;

namespace {

QImage blank(int w, int h, ColorRef color = rgb(0, 0, 0))
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(toQColor(color));
    return image;
}

// Counts the pixels of the image that differ from the given colour.
int paintedPixels(const QImage& image, ColorRef background)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += fromQRgb(image.pixel(x, y)) != background;
    return n;
}

} // namespace

class TestKvButtonPrimitives : public QObject
{
    Q_OBJECT

private slots:
    void colourValuesDecodeAndTranslate()
    {
        // The "no colour" value decodes as -1 always has: red 255, the rest 0.
        QCOMPARE(redOf(kNoColor), 255);
        QCOMPARE(greenOf(kNoColor), 0);
        QCOMPARE(blueOf(kNoColor), 0);

        QPalette palette;
        palette.setColor(QPalette::Button, QColor(1, 2, 3));
        palette.setColor(QPalette::ButtonText, QColor(4, 5, 6));
        palette.setColor(QPalette::ToolTipBase, QColor(7, 8, 9));
        palette.setColor(QPalette::Disabled, QPalette::Text, QColor(10, 11, 12));
        QCOMPARE(translateColor(systemColor(ButtonFace), palette), rgb(1, 2, 3));
        QCOMPARE(translateColor(0x80000012u, palette), rgb(4, 5, 6));
        QCOMPARE(translateColor(0x80000018u, palette), rgb(7, 8, 9));
        QCOMPARE(translateColor(systemColor(GrayText), palette), rgb(10, 11, 12));
        QCOMPARE(translateColor(0x00C0C0C0u, palette), ColorRef(0xC0C0C0));
        QCOMPARE(translateColor(0x02123456u, palette), ColorRef(0x123456));
        QCOMPARE(translateColor(0x80000040u, palette), kNoColor);
        QCOMPARE(translateColor(0xFFFFFFFFu, palette), kNoColor);
        QCOMPARE(translateColor(0x01000003u, palette), kNoColor);
    }

    void colourArithmeticRoundsHalvesToEven()
    {
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(3.5), 4);
        QCOMPARE(roundHalfEven(-2.5), -2);
        QCOMPARE(averageColors(rgb(1, 2, 3), rgb(2, 3, 4)), rgb(2, 2, 4));
        QCOMPARE(shiftColor(rgb(255, 255, 255), 0.1f), rgb(255, 255, 255));
        QCOMPARE(shiftColor(rgb(0, 0, 0), -0.1f), rgb(0, 0, 0));
        QCOMPARE(shiftColor(rgb(100, 100, 100), 0.14f), rgb(136, 136, 136));
        // The stored amount is single precision but the shift runs in double: 0.3f * 255 is a
        // shade above 76.5 and rounds up, where float arithmetic would give exactly 76.5 and 76.
        QCOMPARE(shiftColor(rgb(0, 0, 0), 0.3f), rgb(77, 77, 77));
        // The worked frame colour of the toolbar buttons.
        QCOMPARE(shiftColor(0xFDECE0, -0.34f), rgb(137, 149, 166));
    }

    void linesLeaveOutTheirEndPoint()
    {
        QImage image = blank(10, 10);
        GdiPainter p(image);
        const ColorRef white = rgb(255, 255, 255);
        p.line(2, 3, 6, 3, white);
        QCOMPARE(paintedPixels(image, 0), 4);
        QCOMPARE(p.pixel(2, 3), white);
        QCOMPARE(p.pixel(5, 3), white);
        QCOMPARE(p.pixel(6, 3), ColorRef(0));

        image.fill(Qt::black);
        p.line(6, 3, 2, 3, white); // right to left: the start is painted, the end is not
        QCOMPARE(p.pixel(6, 3), white);
        QCOMPARE(p.pixel(2, 3), ColorRef(0));
        QCOMPARE(paintedPixels(image, 0), 4);

        image.fill(Qt::black);
        p.line(4, 4, 4, 4, white);
        QCOMPARE(paintedPixels(image, 0), 0);
        p.line(1, 1, 1, 5, white);
        QCOMPARE(paintedPixels(image, 0), 4);
        QCOMPARE(p.pixel(1, 5), ColorRef(0));

        image.fill(Qt::black);
        p.line(0, 0, 4, 4, white);
        QCOMPARE(paintedPixels(image, 0), 4);
        QCOMPARE(p.pixel(3, 3), white);
        QCOMPARE(p.pixel(4, 4), ColorRef(0));

        image.fill(Qt::black);
        p.line(-5, 2, 20, 2, white); // clipped to the image
        QCOMPARE(paintedPixels(image, 0), 10);
    }

    void fillsAndFramesAreHalfOpen()
    {
        QImage image = blank(10, 10);
        GdiPainter p(image);
        const ColorRef c = rgb(10, 20, 30);
        p.fillRect({2, 2, 5, 4}, c);
        QCOMPARE(paintedPixels(image, 0), 6);
        p.fillRect({5, 5, 5, 9}, c); // empty: right == left
        p.fillRect({8, 8, 6, 9}, c); // inverted
        QCOMPARE(paintedPixels(image, 0), 6);

        image.fill(Qt::black);
        p.frameRect(GdiRect::fromSize(1, 1, 5, 4), c);
        QCOMPARE(paintedPixels(image, 0), 2 * 5 + 2 * 2);
        QCOMPARE(p.pixel(5, 4), c);
        QCOMPARE(p.pixel(6, 4), ColorRef(0));
        QCOMPARE(p.pixel(3, 2), ColorRef(0));
        image.fill(Qt::black);
        p.frameRect(GdiRect::fromSize(1, 1, 0, 4), c);
        QCOMPARE(paintedPixels(image, 0), 0);
    }

    void gradientFollowsTheTruncatedLine()
    {
        QImage image = blank(4, 10);
        GdiPainter p(image);
        // Vertical, 10 rows: row i = c1 + (c2 - c1) * i / 9, truncated towards zero.
        p.gradient(0, 0, 4, 10, rgb(250, 0, 10), rgb(0, 100, 0), GdiPainter::Vertical);
        QCOMPARE(p.pixel(2, 0), rgb(250, 0, 10));
        QCOMPARE(p.pixel(2, 1), rgb(250 - 250 / 9, 100 / 9, 10 - 10 / 9));
        QCOMPARE(p.pixel(3, 9), rgb(0, 100, 0));

        // One column wide, horizontal: the sum of the halved colours.
        QImage one = blank(1, 3);
        GdiPainter q(one);
        q.gradient(0, 0, 1, 3, rgb(255, 0, 0), rgb(0, 0, 255), GdiPainter::Horizontal);
        QCOMPARE(q.pixel(0, 1), rgb(127, 0, 127));

        // An unknown direction paints black; a zero size paints nothing.
        image.fill(Qt::white);
        p.gradient(0, 0, 2, 2, rgb(9, 9, 9), rgb(9, 9, 9), 5);
        QCOMPARE(p.pixel(1, 1), rgb(0, 0, 0));
        QCOMPARE(p.pixel(2, 1), rgb(255, 255, 255));
        p.gradient(0, 5, 0, 3, rgb(9, 9, 9), rgb(9, 9, 9), GdiPainter::Vertical);
        QCOMPARE(p.pixel(0, 5), rgb(255, 255, 255));

        // Diagonals: the corner colours sit where the direction puts them.
        QImage square = blank(5, 5);
        GdiPainter d(square);
        d.gradient(0, 0, 5, 5, rgb(0, 0, 0), rgb(80, 80, 80), GdiPainter::DiagonalDown);
        QCOMPARE(d.pixel(0, 0), rgb(0, 0, 0));
        QCOMPARE(d.pixel(4, 4), rgb(80, 80, 80));
        QCOMPARE(d.pixel(1, 2), rgb(30, 30, 30));
        d.gradient(0, 0, 5, 5, rgb(0, 0, 0), rgb(80, 80, 80), GdiPainter::DiagonalUp);
        QCOMPARE(d.pixel(0, 4), rgb(0, 0, 0));
        QCOMPARE(d.pixel(4, 0), rgb(80, 80, 80));
    }

    void edgesUseTheThreeDimensionalColours()
    {
        QPalette palette;
        palette.setColor(QPalette::Light, QColor(255, 255, 255));    // button highlight
        palette.setColor(QPalette::Midlight, QColor(227, 227, 227)); // 3-D light
        palette.setColor(QPalette::Dark, QColor(160, 160, 160));     // button shadow
        palette.setColor(QPalette::Shadow, QColor(105, 105, 105));   // dark shadow
        palette.setColor(QPalette::Button, QColor(240, 240, 240));
        QImage image = blank(10, 8);
        GdiPainter p(image);
        const GdiRect inside = p.drawEdge({0, 0, 10, 8}, EdgeRaised, EdgeRect | EdgeMiddle, palette);
        QCOMPARE(inside, GdiRect({2, 2, 8, 6}));
        QCOMPARE(p.pixel(0, 0), rgb(227, 227, 227));
        QCOMPARE(p.pixel(9, 0), rgb(105, 105, 105)); // the shadow owns the far corners
        QCOMPARE(p.pixel(0, 7), rgb(105, 105, 105));
        QCOMPARE(p.pixel(9, 7), rgb(105, 105, 105));
        QCOMPARE(p.pixel(1, 1), rgb(255, 255, 255));
        QCOMPARE(p.pixel(8, 6), rgb(160, 160, 160));
        QCOMPARE(p.pixel(4, 4), rgb(240, 240, 240));

        p.drawEdge({0, 0, 10, 8}, EdgeSunken, EdgeRect, palette);
        QCOMPARE(p.pixel(0, 0), rgb(160, 160, 160));
        QCOMPARE(p.pixel(1, 1), rgb(105, 105, 105));
        QCOMPARE(p.pixel(9, 7), rgb(255, 255, 255));
        QCOMPARE(p.pixel(8, 6), rgb(227, 227, 227));
    }

    void focusRectangleInvertsEveryOtherPixelAndUndoesItself()
    {
        QImage image = blank(12, 9, rgb(200, 100, 50));
        const QImage before = image;
        GdiPainter p(image);
        p.drawFocusRect({2, 2, 10, 7});
        QCOMPARE(p.pixel(2, 2), rgb(55, 155, 205));
        QCOMPARE(p.pixel(3, 2), rgb(200, 100, 50));
        QCOMPARE(p.pixel(4, 4), rgb(200, 100, 50)); // inside stays
        QCOMPARE(p.pixel(9, 3), rgb(55, 155, 205));
        QCOMPARE(p.pixel(9, 4), rgb(200, 100, 50));
        QCOMPARE(paintedPixels(image, rgb(200, 100, 50)), 11);
        p.drawFocusRect({2, 2, 10, 7});
        QCOMPARE(image, before);
    }

    void ellipseAndPolygonStayInTheirBox()
    {
        QImage image = blank(8, 8);
        GdiPainter p(image);
        const ColorRef pen = rgb(255, 0, 0);
        p.ellipse({2, 2, 6, 6}, pen); // a 4 x 4 ring
        QCOMPARE(paintedPixels(image, 0), 8);
        QCOMPARE(p.pixel(2, 2), ColorRef(0));
        QCOMPARE(p.pixel(3, 2), pen);
        QCOMPARE(p.pixel(2, 3), pen);
        QCOMPARE(p.pixel(5, 4), pen);
        QCOMPARE(p.pixel(3, 3), ColorRef(0));
        QCOMPARE(p.pixel(6, 4), ColorRef(0));

        image.fill(Qt::black);
        p.polygon({QPoint(0, 0), QPoint(4, 0), QPoint(4, 4), QPoint(0, 4)}, kNoColor, pen);
        QCOMPARE(paintedPixels(image, 0), 16);
        QCOMPARE(p.pixel(4, 4), ColorRef(0));
    }

    void patternFillRepeatsFromTheImageOrigin()
    {
        QImage image = blank(16, 4);
        GdiPainter p(image);
        const quint8 rows[8] = {0xAA, 0xAA, 0x55, 0x55, 0xAA, 0xAA, 0x55, 0x55};
        const ColorRef zero = rgb(1, 1, 1);
        const ColorRef one = rgb(2, 2, 2);
        p.patternFill({3, 0, 16, 4}, rows, zero, one);
        QCOMPARE(p.pixel(3, 0), zero); // 0xAA: column 3 is a 0 bit
        QCOMPARE(p.pixel(4, 0), one);
        QCOMPARE(p.pixel(12, 1), one);
        QCOMPARE(p.pixel(4, 2), zero);
        QCOMPARE(p.pixel(2, 0), rgb(0, 0, 0));
    }

    void textMeasuresAndPaintsInsideItsRectangle()
    {
        QImage image = blank(120, 40, rgb(255, 255, 255));
        GdiPainter p(image);
        QFont font;
        font.setPixelSize(12);
        GdiRect measure{0, 0, 100, 40};
        const int h = p.drawText(measure, QStringLiteral("&Save"), TextCalcRect | TextWordBreak, font, 0);
        QVERIFY(h > 0);
        QCOMPARE(measure.left, 0);
        QVERIFY(measure.right > 0 && measure.right < 100);
        QCOMPARE(paintedPixels(image, rgb(255, 255, 255)), 0);

        GdiRect wrapped{0, 0, 30, 40};
        p.drawText(wrapped, QStringLiteral("wide words wrap"), TextCalcRect | TextWordBreak, font, 0);
        QVERIFY(wrapped.height() > h);

        GdiRect box{10, 10, 60, 30};
        p.drawText(box, QStringLiteral("Save"), TextCenter | TextWordBreak, font, 0);
        QVERIFY(paintedPixels(image, rgb(255, 255, 255)) > 0);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 120; ++x)
                if (!box.contains(x, y))
                    QCOMPARE(p.pixel(x, y), rgb(255, 255, 255));
    }
};

VELMO_TEST_MAIN(TestKvButtonPrimitives)
#include "TestKvButtonPrimitives.moc"
