#include "TestMain.h"

#include "controls/gdi/ColorMath.h"
#include "controls/gdi/GdiPainter.h"
#include "controls/gdi/SystemColors.h"

using namespace velmo;
using namespace velmo::gdi;

namespace {

QImage blank(int w, int h, ColorRef color = 0)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(toQColor(color));
    return image;
}

// Counts the pixels of the image that differ from the given colour.
int paintedPixels(const QImage& image, ColorRef background = 0)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += fromQRgb(image.pixel(x, y)) != background;
    return n;
}

const ColorRef kWhite = rgb(255, 255, 255);

} // namespace

// The integer drawing primitives and colour arithmetic under both controls.
class TestKvButtonPrimitives : public QObject
{
    Q_OBJECT

private slots:
    void colourValuesTranslate()
    {
        QPalette palette;
        palette.setColor(QPalette::Button, QColor(1, 2, 3));
        palette.setColor(QPalette::ButtonText, QColor(4, 5, 6));
        palette.setColor(QPalette::ToolTipBase, QColor(7, 8, 9));
        palette.setColor(QPalette::Disabled, QPalette::Text, QColor(10, 11, 12));
        QCOMPARE(translateColor(systemColor(ButtonFace), palette), rgb(1, 2, 3));
        QCOMPARE(translateColor(0x80000012u, palette), rgb(4, 5, 6));
        QCOMPARE(translateColor(0x80000018u, palette), rgb(7, 8, 9));
        QCOMPARE(translateColor(systemColor(GrayText), palette), rgb(10, 11, 12));
        QCOMPARE(translateColor(0x02123456u, palette), ColorRef(0x123456));
        for (OleColor bad : {0x80000040u, 0xFFFFFFFFu, 0x01000003u})
            QCOMPARE(translateColor(bad, palette), kNoColor);
    }

    void colourArithmeticRoundsHalvesToEven()
    {
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(3.5), 4);
        QCOMPARE(roundHalfEven(-2.5), -2);
        QCOMPARE(averageColors(rgb(1, 2, 3), rgb(2, 3, 4)), rgb(2, 2, 4));
        QCOMPARE(shiftColor(kWhite, 0.1f), kWhite);
        QCOMPARE(shiftColor(0, -0.1f), ColorRef(0));
        QCOMPARE(shiftColor(rgb(100, 100, 100), 0.14f), rgb(136, 136, 136));
        // The stored amount is single precision but the shift runs in double: 0.3f * 255 is a
        // shade above 76.5 and rounds up, where float arithmetic would give exactly 76.5 and 76.
        QCOMPARE(shiftColor(0, 0.3f), rgb(77, 77, 77));
        QCOMPARE(shiftColor(0xFDECE0, -0.34f), rgb(137, 149, 166)); // the toolbar buttons' frame
    }

    void linesLeaveOutTheirEndPoint_data()
    {
        QTest::addColumn<QLine>("line");
        QTest::addColumn<int>("painted");
        QTest::addColumn<QPoint>("on");
        QTest::addColumn<QPoint>("off");
        QTest::newRow("left to right") << QLine(2, 3, 6, 3) << 4 << QPoint(5, 3) << QPoint(6, 3);
        QTest::newRow("right to left") << QLine(6, 3, 2, 3) << 4 << QPoint(6, 3) << QPoint(2, 3);
        QTest::newRow("a point") << QLine(4, 4, 4, 4) << 0 << QPoint(-1, -1) << QPoint(4, 4);
        QTest::newRow("down") << QLine(1, 1, 1, 5) << 4 << QPoint(1, 1) << QPoint(1, 5);
        QTest::newRow("diagonal") << QLine(0, 0, 4, 4) << 4 << QPoint(3, 3) << QPoint(4, 4);
        QTest::newRow("clipped") << QLine(-5, 2, 20, 2) << 10 << QPoint(9, 2) << QPoint(0, 3);
    }

    void linesLeaveOutTheirEndPoint()
    {
        QFETCH(QLine, line);
        QFETCH(QPoint, on);
        QFETCH(QPoint, off);
        QImage image = blank(10, 10);
        GdiPainter p(image);
        p.line(line.x1(), line.y1(), line.x2(), line.y2(), kWhite);
        QTEST(paintedPixels(image), "painted");
        if (on.x() >= 0)
            QCOMPARE(p.pixel(on.x(), on.y()), kWhite);
        QCOMPARE(p.pixel(off.x(), off.y()), ColorRef(0));
    }

    void fillsAndFramesAreHalfOpen()
    {
        QImage image = blank(10, 10);
        GdiPainter p(image);
        const ColorRef c = rgb(10, 20, 30);
        p.fillRect({2, 2, 5, 4}, c);
        p.fillRect({5, 5, 5, 9}, c); // empty: right == left
        p.fillRect({8, 8, 6, 9}, c); // inverted
        QCOMPARE(paintedPixels(image), 6);

        image.fill(Qt::black);
        p.frameRect(GdiRect::fromSize(1, 1, 5, 4), c);
        QCOMPARE(paintedPixels(image), 2 * 5 + 2 * 2);
        QCOMPARE(p.pixel(5, 4), c);
        QCOMPARE(p.pixel(6, 4), ColorRef(0));
        QCOMPARE(p.pixel(3, 2), ColorRef(0));
        image.fill(Qt::black);
        p.frameRect(GdiRect::fromSize(1, 1, 0, 4), c);
        QCOMPARE(paintedPixels(image), 0);
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
        QCOMPARE(p.pixel(1, 1), ColorRef(0));
        QCOMPARE(p.pixel(2, 1), kWhite);
        p.gradient(0, 5, 0, 3, rgb(9, 9, 9), rgb(9, 9, 9), GdiPainter::Vertical);
        QCOMPARE(p.pixel(0, 5), kWhite);

        // Diagonals: the corner colours sit where the direction puts them.
        QImage square = blank(5, 5);
        GdiPainter d(square);
        d.gradient(0, 0, 5, 5, 0, rgb(80, 80, 80), GdiPainter::DiagonalDown);
        QCOMPARE(d.pixel(0, 0), ColorRef(0));
        QCOMPARE(d.pixel(4, 4), rgb(80, 80, 80));
        QCOMPARE(d.pixel(1, 2), rgb(30, 30, 30));
        d.gradient(0, 0, 5, 5, 0, rgb(80, 80, 80), GdiPainter::DiagonalUp);
        QCOMPARE(d.pixel(0, 4), ColorRef(0));
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
        QCOMPARE(p.drawEdge({0, 0, 10, 8}, EdgeRaised, EdgeRect | EdgeMiddle, palette),
                 GdiRect({2, 2, 8, 6}));
        // The shadow owns the far corners.
        const QList<QPair<QPoint, ColorRef>> raised = {{{0, 0}, rgb(227, 227, 227)},
                                                       {{9, 0}, rgb(105, 105, 105)},
                                                       {{0, 7}, rgb(105, 105, 105)},
                                                       {{9, 7}, rgb(105, 105, 105)},
                                                       {{1, 1}, kWhite},
                                                       {{8, 6}, rgb(160, 160, 160)},
                                                       {{4, 4}, rgb(240, 240, 240)}};
        for (const auto& [at, color] : raised)
            QCOMPARE(p.pixel(at.x(), at.y()), color);
        p.drawEdge({0, 0, 10, 8}, EdgeSunken, EdgeRect, palette);
        const QList<QPair<QPoint, ColorRef>> sunken = {{{0, 0}, rgb(160, 160, 160)},
                                                       {{1, 1}, rgb(105, 105, 105)},
                                                       {{9, 7}, kWhite},
                                                       {{8, 6}, rgb(227, 227, 227)}};
        for (const auto& [at, color] : sunken)
            QCOMPARE(p.pixel(at.x(), at.y()), color);
    }

    void focusRectangleInvertsEveryOtherPixelAndUndoesItself()
    {
        QImage image = blank(12, 9, rgb(200, 100, 50));
        const QImage before = image;
        GdiPainter p(image);
        p.drawFocusRect({2, 2, 10, 7});
        QCOMPARE(p.pixel(2, 2), rgb(55, 155, 205));
        QCOMPARE(p.pixel(3, 2), rgb(200, 100, 50));
        QCOMPARE(p.pixel(9, 3), rgb(55, 155, 205));
        QCOMPARE(p.pixel(9, 4), rgb(200, 100, 50));
        QCOMPARE(paintedPixels(image, rgb(200, 100, 50)), 11);
        p.drawFocusRect({2, 2, 10, 7});
        QCOMPARE(image, before);
    }

    void ellipsePolygonAndPatternStayInTheirBox()
    {
        QImage image = blank(8, 8);
        GdiPainter p(image);
        const ColorRef pen = rgb(255, 0, 0);
        p.ellipse({2, 2, 6, 6}, pen); // a 4 x 4 ring
        QCOMPARE(paintedPixels(image), 8);
        for (const QPoint at : {QPoint(3, 2), QPoint(2, 3), QPoint(5, 4)})
            QCOMPARE(p.pixel(at.x(), at.y()), pen);
        for (const QPoint at : {QPoint(2, 2), QPoint(3, 3), QPoint(6, 4)})
            QCOMPARE(p.pixel(at.x(), at.y()), ColorRef(0));
        image.fill(Qt::black);
        p.polygon({QPoint(0, 0), QPoint(4, 0), QPoint(4, 4), QPoint(0, 4)}, kNoColor, pen);
        QCOMPARE(paintedPixels(image), 16);
        QCOMPARE(p.pixel(4, 4), ColorRef(0));

        // The pattern repeats from the image's origin, not the rectangle's.
        QImage wide = blank(16, 4);
        GdiPainter w(wide);
        const quint8 rows[8] = {0xAA, 0xAA, 0x55, 0x55, 0xAA, 0xAA, 0x55, 0x55};
        w.patternFill({3, 0, 16, 4}, rows, rgb(1, 1, 1), rgb(2, 2, 2));
        QCOMPARE(w.pixel(3, 0), rgb(1, 1, 1)); // 0xAA: column 3 is a 0 bit
        QCOMPARE(w.pixel(4, 0), rgb(2, 2, 2));
        QCOMPARE(w.pixel(12, 1), rgb(2, 2, 2));
        QCOMPARE(w.pixel(4, 2), rgb(1, 1, 1));
        QCOMPARE(w.pixel(2, 0), ColorRef(0));
    }

    void textMeasuresAndPaintsInsideItsRectangle()
    {
        QImage image = blank(120, 40, kWhite);
        GdiPainter p(image);
        QFont font;
        font.setPixelSize(12);
        GdiRect measure{0, 0, 100, 40};
        const int h = p.drawText(measure, QStringLiteral("&Save"), TextCalcRect | TextWordBreak, font, 0);
        QVERIFY(h > 0 && measure.left == 0 && measure.right > 0 && measure.right < 100);
        QCOMPARE(paintedPixels(image, kWhite), 0);
        GdiRect wrapped{0, 0, 30, 40};
        p.drawText(wrapped, QStringLiteral("wide words wrap"), TextCalcRect | TextWordBreak, font, 0);
        QVERIFY(wrapped.height() > h);

        GdiRect box{10, 10, 60, 30};
        p.drawText(box, QStringLiteral("Save"), TextCenter | TextWordBreak, font, 0);
        QVERIFY(paintedPixels(image, kWhite) > 0);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 120; ++x)
                if (!box.contains(x, y))
                    QCOMPARE(p.pixel(x, y), kWhite);
    }
};

VELMO_TEST_MAIN(TestKvButtonPrimitives)
#include "TestKvButtonPrimitives.moc"
