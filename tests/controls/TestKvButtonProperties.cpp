#include "TestKvButtonKit.h"
#include "TestMain.h"

#include "controls/kvbutton/KvButton.h"

#include <QSignalSpy>

using namespace velmo;
using namespace velmo::gdi;

namespace {

QStringList reports(const QSignalSpy& spy)
{
    QStringList names;
    for (const QList<QVariant>& args : spy)
        names << args.at(0).toString();
    return names;
}

// The stored set of a main window toolbar button.
PropertyBag toolbarSet()
{
    QImage icon(24, 24, QImage::Format_ARGB32);
    icon.fill(QColor(30, 120, 200));
    return PropertyBag{{QStringLiteral("ButtonStyle"), 8},
                       {QStringLiteral("Caption"), QStringLiteral("新建备忘录")},
                       {QStringLiteral("BackColor"), 0xFDECE0u},
                       {QStringLiteral("Mode"), 2},
                       {QStringLiteral("PictureNormal"), QVariant::fromValue(KvPicture::fromIcon(icon))},
                       {QStringLiteral("PictureAlign"), 0},
                       {QStringLiteral("PictureShadow"), -1},
                       {QStringLiteral("MaskColor"), -1},
                       {QStringLiteral("CaptionEffects"), 4}};
}

} // namespace

class TestKvButtonProperties : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

    void newInstanceDefaults()
    {
        QWidget host;
        KvButtonHost ambient;
        ambient.displayName = QStringLiteral("kvbutton3");
        KvButton button(&host, ambient);
        QCOMPARE(button.buttonStyle(), 13);
        QCOMPARE(button.caption(), QStringLiteral("kvbutton3"));
        QCOMPARE(button.captionFont().family(), QStringLiteral("Tahoma"));
        QCOMPARE(button.backColor(), OleColor(0)); // style 13 keeps it
        QCOMPARE(button.foreColor(), rgb(1, 2, 3));
        QCOMPARE(button.foreColorHover(), OleColor(0));
        QCOMPARE(button.tooltipBackColor(), OleColor(0));
        QVERIFY(!button.showFocusRect()); // set, then turned off for style 13
        QCOMPARE(button.pictureEffectOnOver(), 0);
        QCOMPARE(button.pictureEffectOnDown(), 0);
        QCOMPARE(button.maskColor(), OleColor(0xE0E0E0));
        QCOMPARE(button.pictureOpacity(), 255);
        QCOMPARE(button.pictureAlign(), 1);
        QVERIFY(button.useMaskColor());
        QVERIFY(button.isButtonEnabled());
        QCOMPARE(button.colorScheme(), 0);
    }

    void loadedDefaultsAndSaving()
    {
        QWidget host;
        KvButton button(PropertyBag{}, &host);
        QCOMPARE(button.buttonStyle(), 1);
        QCOMPARE(button.caption(), QStringLiteral("kvbutton"));
        QCOMPARE(button.backColor(), rgb(240, 240, 240));
        QCOMPARE(button.foreColor(), rgb(1, 2, 3));
        QCOMPARE(button.foreColorHover(), rgb(1, 2, 3));
        QCOMPARE(button.tooltipBackColor(), rgb(255, 255, 225));
        QCOMPARE(button.pictureEffectOnOver(), 1);
        QCOMPARE(button.pictureEffectOnDown(), 2);
        QCOMPARE(button.captionFont(), host.font());
        QCOMPARE(button.index(), -1);

        // Only the caption differs from its write default ("kvbutton1").
        QCOMPARE(button.writeProperties().keys(), QStringList{QStringLiteral("Caption")});

        // A new button's caption equal to the write default is left out, and reads back as "kvbutton".
        KvButton placed(&host);
        const PropertyBag saved = placed.writeProperties();
        QVERIFY(!saved.contains(QStringLiteral("Caption")));
        QCOMPARE(saved.read(QStringLiteral("ButtonStyle")).toInt(), 13);
        QCOMPARE(saved.read(QStringLiteral("Font")).value<QFont>().family(), QStringLiteral("Tahoma"));
        KvButton reloaded(saved, &host);
        QCOMPARE(reloaded.caption(), QStringLiteral("kvbutton"));
        QCOMPARE(reloaded.buttonStyle(), 13);
    }

    void programButtonsRoundTrip()
    {
        QWidget host;
        KvButton button(toolbarSet(), &host, 2);
        QCOMPARE(button.index(), 2);
        QCOMPARE(button.buttonStyle(), 8);
        QCOMPARE(button.mode(), int(KvOption));
        QVERIFY(button.pictureShadow());
        QCOMPARE(button.maskColor(), OleColor(0xFFFFFFFF));
        QCOMPARE(button.pictureNormal().type(), KvPicture::Icon);
        QCOMPARE(button.captionEffects(), 4);
        QCOMPARE(button.colorScheme(), 0);

        const PropertyBag saved = button.writeProperties();
        QCOMPARE(saved.read(QStringLiteral("PictureShadow")).toInt(), -1);
        QVERIFY(!saved.contains(QStringLiteral("Enabled")));
        QVERIFY(!saved.contains(QStringLiteral("ColorScheme")));
        KvButton again(saved, &host);
        QCOMPARE(again.writeProperties(), saved);
        QCOMPARE(again.faceImage(), button.faceImage());

        // Yes/no values read from any stored form.
        KvButton fromBools(
            PropertyBag{{QStringLiteral("PictureShadow"), true}, {QStringLiteral("Enabled"), 0}}, &host);
        QVERIFY(fromBools.pictureShadow());
        QVERIFY(!fromBools.isButtonEnabled());
        QVERIFY(!fromBools.isEnabled());
    }

    void colorSchemeIsClampedAndDrivesBackColor()
    {
        QWidget host;
        KvButton button(PropertyBag{{QStringLiteral("ButtonStyle"), 8}, {QStringLiteral("ColorScheme"), 7}},
                        &host);
        QCOMPARE(button.colorScheme(), 3);
        button.setColorScheme(-4);
        QCOMPARE(button.colorScheme(), 0);
        QCOMPARE(button.backColor(), OleColor(0xFFD1AD));
        button.setColorScheme(12);
        QCOMPARE(button.colorScheme(), 3);

        // A clamped scheme still paints a face on style 2.
        button.setButtonStyle(2);
        button.setColorScheme(99);
        button.resize(40, 20);
        KV_PIXEL(button.faceImage(), 20, 0, 0x743C00);

        // Assigning BackColor makes the scheme custom; a built-in scheme brings its colours back.
        button.setButtonStyle(8);
        button.setBackColor(0x123456);
        QCOMPARE(button.colorScheme(), 3);
        button.setForeColor(0xABCDEF);
        button.setShowFocusRect(true);
        button.setColorScheme(1);
        QCOMPARE(button.backColor(), OleColor(0xBAD6D4));
        QCOMPARE(button.foreColor(), rgb(1, 2, 3));
        QVERIFY(!button.showFocusRect());

        // Style 4 keeps its scheme when BackColor changes, and turns PicturePushOnHover on again.
        button.setButtonStyle(4);
        button.setColorScheme(2);
        button.setBackColor(0x111111);
        QCOMPARE(button.colorScheme(), 2);
        button.setPicturePushOnHover(false);
        button.setColorScheme(1);
        QVERIFY(button.picturePushOnHover());
    }

    void styleDefaults_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("scheme");
        QTest::addColumn<OleColor>("back");
        QTest::addColumn<bool>("focusRect");
        QTest::newRow("0") << 0 << 0 << rgb(240, 240, 240) << true;
        QTest::newRow("2") << 2 << 0 << OleColor(0xE7EBEC) << false;
        QTest::newRow("3") << 3 << 2 << rgb(227, 227, 227) << false; // Shift(0xD4D4D4, 0.06)
        QTest::newRow("8") << 8 << 0 << OleColor(0xFFD1AD) << false;
        QTest::newRow("9") << 9 << 2 << OleColor(0xE1D6D5) << true;
        QTest::newRow("10") << 10 << 0 << OleColor(0xFFD1AD) << false;
    }

    void styleDefaults()
    {
        QFETCH(int, style);
        QWidget host;
        KvButton button(PropertyBag{{QStringLiteral("ColorScheme"), 1}}, &host);
        button.setButtonStyle(style);
        QTEST(button.colorScheme(), "scheme");
        QTEST(button.backColor(), "back");
        QTEST(button.showFocusRect(), "focusRect");
        QCOMPARE(button.foreColor(), rgb(1, 2, 3));

        // Style 5 keeps its scheme; scheme 2 of style 5 is a shifted colour.
        button.setButtonStyle(5);
        QCOMPARE(button.colorScheme(), style == 3 || style == 9 ? 2 : 0);
        button.setColorScheme(2);
        QCOMPARE(button.backColor(), rgb(198, 196, 224));
    }

    void picturesValueAndPointerRules()
    {
        QWidget host;
        KvButton button(PropertyBag{{QStringLiteral("Caption"), QString()}}, &host);
        QSignalSpy changed(&button, &KvButton::propertyChanged);
        QImage bits(4, 4, QImage::Format_RGB32);
        bits.fill(Qt::red);
        const KvPicture red = KvPicture::fromBitmap(bits);

        // A hot or down picture without a normal one becomes the normal picture.
        button.setPictureHot(red);
        QCOMPARE(button.pictureNormal(), red);
        QVERIFY(button.pictureHot().isNull());
        button.setPictureDown(red);
        QCOMPARE(button.pictureDown(), red);
        button.setPictureNormal(KvPicture());
        QVERIFY(button.pictureDown().isNull());
        QCOMPARE(reports(changed),
                 (QStringList{QStringLiteral("PictureNormal"), QStringLiteral("PictureDown"),
                              QStringLiteral("PictureHot"), QStringLiteral("PictureDown")}));

        // Value cannot be set on a push button; check and option buttons keep it.
        changed.clear();
        button.setValue(true);
        QVERIFY(!button.value());
        QVERIFY(changed.isEmpty());
        button.setMode(KvCheck);
        QCOMPARE(reports(changed), (QStringList{QStringLiteral("Value"), QStringLiteral("Mode")}));
        button.setValue(true);
        QVERIFY(button.value());

        // A mouse icon switches the hand pointer off; names reported as stored.
        button.setHandPointer(true);
        QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
        changed.clear();
        button.setMouseIcon(red);
        QVERIFY(!button.handPointer());
        QCOMPARE(button.mousePointer(), 99);
        QCOMPARE(button.cursor().shape(), Qt::BitmapCursor);
        button.setMouseIcon(KvPicture());
        QCOMPARE(button.mousePointer(), 0);
        button.setTooltipBackColor(0x80000018u);
        button.setToolTipIcon(2);
        QCOMPARE(reports(changed),
                 (QStringList{QStringLiteral("HandPointer"), QStringLiteral("MouseIcon"),
                              QStringLiteral("MouseIcon"), QStringLiteral("TooltipBackcolor"),
                              QStringLiteral("TooltipIcon")}));

        // Setting the font reports it twice: once as set and once as the font's change notice.
        changed.clear();
        QFont font(QStringLiteral("DejaVu Sans"), 9);
        button.setCaptionFont(font);
        QCOMPARE(reports(changed), (QStringList{QStringLiteral("Font"), QStringLiteral("Font")}));
        QCOMPARE(button.font(), font);
    }

    void enabledFollowsTheButtonsOwnSetting()
    {
        QWidget host;
        KvButton button(PropertyBag{}, &host);
        button.setEnabled(false);
        QVERIFY(!button.isEnabled());
        QVERIFY(!button.isButtonEnabled());
        button.QWidget::setEnabled(true);
        QVERIFY(button.isButtonEnabled());
        host.setEnabled(false);
        QVERIFY(!button.isEnabled());
        QVERIFY(button.isButtonEnabled());
    }

    void accessKeysAndSizes()
    {
        QCOMPARE(accessKeyOfCaption(QStringLiteral("Save &As")), QStringLiteral("a"));
        QCOMPARE(accessKeyOfCaption(QStringLiteral("A && B")), QString());
        QCOMPARE(accessKeyOfCaption(QStringLiteral("&&x &Print")), QStringLiteral("p"));
        QCOMPARE(accessKeyOfCaption(QStringLiteral("&")), QString());
        QCOMPARE(accessKeyOfCaption(QStringLiteral("Open&")), QString());
        QCOMPARE(accessKeyOfCaption(QStringLiteral("&&&&")), QString());

        QWidget host;
        KvButton button(PropertyBag{{QStringLiteral("Caption"), QStringLiteral("&Delete")}}, &host);
        QCOMPARE(button.accessKey(), QStringLiteral("d"));
        button.setCaption(QStringLiteral("No key"));
        QCOMPARE(button.accessKey(), QString());

        // Below 220 twips a side snaps back; the face always has the button's size.
        button.resize(5, 50);
        QCOMPARE(button.size(), QSize(15, 50));
        QCOMPARE(button.faceImage().size(), QSize(15, 50));
    }

    void platformProbesChooseTheirBranch()
    {
        QWidget host;
        KvButtonHost plain;
        plain.probes.themed = false;
        plain.probes.unicodeText = false;
        KvButton button(PropertyBag{{QStringLiteral("ButtonStyle"), 13},
                                    {QStringLiteral("Caption"), QStringLiteral("备忘A😀")}},
                        &host, -1, plain);
        QCOMPARE(button.buttonStyle(), 2); // no visual styles: style 2 for good
        QCOMPARE(button.colorScheme(), 0);
        QCOMPARE(button.renderer().drawnCaption().left(3), QStringLiteral("备忘A"));
        QVERIFY(button.renderer().drawnCaption() != button.caption());

        KvButton unicode(PropertyBag{{QStringLiteral("ButtonStyle"), 13},
                                     {QStringLiteral("Caption"), QStringLiteral("备忘A😀")}},
                         &host);
        QCOMPARE(unicode.buttonStyle(), 13);
        QCOMPARE(unicode.renderer().drawnCaption(), unicode.caption());
    }
};

VELMO_TEST_MAIN(TestKvButtonProperties)
#include "TestKvButtonProperties.moc"
