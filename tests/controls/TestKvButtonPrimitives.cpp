#include "TestMain.h"

#include "controls/gdi/ColorMath.h"
#include "controls/gdi/GdiPainter.h"
#include "controls/gdi/SystemColors.h"

#include <functional>

using namespace velmo;
using namespace velmo::gdi;

using Draw = std::function<void(velmo::gdi::GdiPainter&)>;
Q_DECLARE_METATYPE(Draw)

// The integer drawing primitives and colour arithmetic under both controls.
class TestKvButtonPrimitives : public QObject
{
    Q_OBJECT

private slots:
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

VELMO_TEST_MAIN(TestKvButtonPrimitives)
#include "TestKvButtonPrimitives.moc"
