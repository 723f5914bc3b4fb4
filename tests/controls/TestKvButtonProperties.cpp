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

KvPicture picture(QColor color)
{
    QImage bits(4, 4, QImage::Format_RGB32);
    bits.fill(color);
    return KvPicture::fromBitmap(bits);
}

} // namespace

class TestKvButtonProperties : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

    void newAndEmptyButtons()
    {
        QWidget host;
        KvButtonHost ambient;
        ambient.displayName = QStringLiteral("kvbutton3");
        KvButton placed(&host, ambient);
        QCOMPARE(placed.buttonStyle(), 13);
        QCOMPARE(placed.caption(), QStringLiteral("kvbutton3"));
        QCOMPARE(placed.captionFont().family(), QStringLiteral("Tahoma"));
        QCOMPARE(placed.backColor(), OleColor(0)); // style 13 keeps it
        QVERIFY(!placed.showFocusRect());          // set, then turned off for style 13

        KvButton empty(PropertyBag{}, &host);
        QCOMPARE(empty.buttonStyle(), 1);
        QCOMPARE(empty.caption(), QStringLiteral("kvbutton"));
        QCOMPARE(empty.backColor(), rgb(240, 240, 240));
        QCOMPARE(empty.captionFont(), host.font());
        // Only the caption differs from its write default ("kvbutton1").
        QCOMPARE(empty.writeProperties().keys(), QStringList{QStringLiteral("Caption")});

        // A new button's caption equal to the write default is left out, and reads back as "kvbutton".
        KvButton fresh(&host);
        const PropertyBag saved = fresh.writeProperties();
        QVERIFY(!saved.contains(QStringLiteral("Caption")));
        KvButton reloaded(saved, &host);
        QCOMPARE(reloaded.caption(), QStringLiteral("kvbutton"));
        QCOMPARE(reloaded.buttonStyle(), 13);
        QCOMPARE(reloaded.captionFont().family(), QStringLiteral("Tahoma"));
    }

    // Every property, assigned a value other than its default, survives saving and loading.
    void propertiesPersist_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        // clang-format off
        const QList<std::pair<const char*, QVariant>> rows = {
            {"BackColor", 0x123456u}, {"ButtonStyle", 8}, {"Caption", QStringLiteral("备忘")}, {"CaptionAlign", 0}, {"DropDownSymbol", 6},
            {"DropDownSeparator", true}, {"DisabledPictureMode", 1}, {"Enabled", false}, {"Font", QFont(QStringLiteral("DejaVu Sans"), 9)},
            {"ForeColor", 0x123u}, {"ForeColorHover", 0x456u}, {"HandPointer", true}, {"MaskColor", 0xFF00FFu}, {"Mode", 2},
            {"MouseIcon", QVariant::fromValue(picture(Qt::green))}, {"MousePointer", 3}, {"PictureNormal", QVariant::fromValue(picture(Qt::green))},
            {"PictureHot", QVariant::fromValue(picture(Qt::green))}, {"PictureDown", QVariant::fromValue(picture(Qt::green))}, {"PictureAlign", 3},
            {"PictureShadow", true}, {"PictureEffectOnOver", 0}, {"PictureEffectOnDown", 0}, {"PicturePushOnHover", true}, {"PictureOpacity", 100},
            {"PictureOpacityOnOver", 90}, {"RightToLeft", true}, {"CaptionEffects", 2}, {"ShowFocusRect", true}, {"UseMaskColor", false},
            {"Value", true}, {"TooltipTitle", QStringLiteral("t")}, {"ToolTip", QStringLiteral("tip")}, {"TooltipBackColor", 0x123u},
            {"ToolTipIcon", 2}, {"ToolTipType", 1}, {"ColorScheme", 2}};
        // clang-format on
        for (const auto& [name, value] : rows)
            QTest::newRow(name) << QString::fromLatin1(name) << value;
    }

    void propertiesPersist()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        const QByteArray property = name.toLatin1();
        QWidget host;
        KvButton button(PropertyBag{{QStringLiteral("Mode"), 1},
                                    {QStringLiteral("PictureNormal"), QVariant::fromValue(picture(Qt::red))}},
                        &host);
        QVERIFY(button.property(property) != value);
        QVERIFY(button.setProperty(property, value));
        QCOMPARE(button.property(property), value);
        KvButton again(button.writeProperties(), &host);
        QCOMPARE(again.property(property), value);
    }

    void programButtonsRoundTrip()
    {
        QImage icon(24, 24, QImage::Format_ARGB32);
        icon.fill(QColor(30, 120, 200));
        QWidget host;
        KvButton button(
            PropertyBag{{QStringLiteral("ButtonStyle"), 8},
                        {QStringLiteral("Caption"), QStringLiteral("新建备忘录")},
                        {QStringLiteral("BackColor"), 0xFDECE0u},
                        {QStringLiteral("Mode"), 2},
                        {QStringLiteral("PictureNormal"), QVariant::fromValue(KvPicture::fromIcon(icon))},
                        {QStringLiteral("PictureAlign"), 0},
                        {QStringLiteral("PictureShadow"), -1},
                        {QStringLiteral("MaskColor"), -1},
                        {QStringLiteral("CaptionEffects"), 4}},
            &host, 2);
        QCOMPARE(button.index(), 2);
        QVERIFY(button.pictureShadow());
        QCOMPARE(button.maskColor(), OleColor(0xFFFFFFFF));
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
        QVERIFY(!fromBools.isButtonEnabled() && !fromBools.isEnabled());
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
        const KvPicture red = picture(Qt::red);

        // A hot or down picture without a normal one becomes the normal picture.
        button.setPictureHot(red);
        QCOMPARE(button.pictureNormal(), red);
        QVERIFY(button.pictureHot().isNull());
        button.setPictureDown(red);
        QCOMPARE(button.pictureDown(), red);
        button.setPictureNormal(KvPicture());
        QVERIFY(button.pictureDown().isNull());
        QCOMPARE(reports(changed).join(' '),
                 QStringLiteral("PictureNormal PictureDown PictureHot PictureDown"));

        // Value cannot be set on a push button; check and option buttons keep it.
        changed.clear();
        button.setValue(true);
        QVERIFY(!button.value());
        QVERIFY(changed.isEmpty());
        button.setMode(KvCheck);
        QCOMPARE(reports(changed).join(' '), QStringLiteral("Value Mode"));
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
        // Setting the font reports it twice: once as set and once as the font's change notice.
        button.setCaptionFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        QCOMPARE(reports(changed).join(' '),
                 QStringLiteral("HandPointer MouseIcon MouseIcon TooltipBackcolor TooltipIcon Font Font"));
        QCOMPARE(button.font(), button.captionFont());
    }

    void enabledFollowsTheButtonsOwnSetting()
    {
        QWidget host;
        KvButton button(PropertyBag{}, &host);
        button.setEnabled(false);
        QVERIFY(!button.isEnabled() && !button.isButtonEnabled());
        button.QWidget::setEnabled(true);
        QVERIFY(button.isButtonEnabled());
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
        const PropertyBag set{{QStringLiteral("ButtonStyle"), 13},
                              {QStringLiteral("Caption"), QStringLiteral("备忘A😀")}};
        KvButton button(set, &host, -1, plain);
        QCOMPARE(button.buttonStyle(), 2); // no visual styles: style 2 for good
        QCOMPARE(button.colorScheme(), 0);
        QCOMPARE(button.renderer().drawnCaption().left(3), QStringLiteral("备忘A"));
        QVERIFY(button.renderer().drawnCaption() != button.caption());

        KvButton unicode(set, &host);
        QCOMPARE(unicode.buttonStyle(), 13);
        QCOMPARE(unicode.renderer().drawnCaption(), unicode.caption());
    }
};

VELMO_TEST_MAIN(TestKvButtonProperties)
#include "TestKvButtonProperties.moc"