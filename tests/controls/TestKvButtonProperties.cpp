#include "TestKvButtonKit.h"
#include "TestMain.h"

#include "controls/ClickLabel.h"
#include "controls/kvbutton/KvButton.h"

#include <QEnterEvent>

using namespace velmo;
using namespace velmo::gdi;

namespace {

KvPicture picture(QColor color)
{
    return KvPicture::fromBitmap(test::solidImage(4, 4, fromQRgb(color.rgb())));
}

} // namespace

class TestKvButtonProperties : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

    // Every property, assigned a value other than its default, survives saving and loading.
    void propertiesPersist_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        const QVariant green = QVariant::fromValue(picture(Qt::green));
        // clang-format off
        const QList<std::pair<const char*, QVariant>> rows = {
            {"BackColor", 0x123456u}, {"ButtonStyle", 8}, {"Caption", QStringLiteral("备忘")}, {"CaptionAlign", 0}, {"DropDownSymbol", 6},
            {"DropDownSeparator", true}, {"DisabledPictureMode", 1}, {"Enabled", false}, {"Font", QFont(QStringLiteral("DejaVu Sans"), 9)},
            {"ForeColor", 0x123u}, {"ForeColorHover", 0x456u}, {"HandPointer", true}, {"MaskColor", 0xFF00FFu}, {"Mode", 2},
            {"MouseIcon", green}, {"MousePointer", 3}, {"PictureNormal", green}, {"PictureHot", green}, {"PictureDown", green}, {"PictureAlign", 3},
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
        KvButton button(PropertyBag{{"Mode", 1}, {"PictureNormal", QVariant::fromValue(picture(Qt::red))}},
                        &host);
        QVERIFY(button.property(property) != value);
        QVERIFY(button.setProperty(property, value));
        KvButton again(button.writeProperties(), &host);
        QCOMPARE(again.property(property), value);
    }

    void storedFormsRoundTrip()
    {
        QWidget host;
        // What a new button leaves out as a default must read back as that default.
        QCOMPARE(KvButton(PropertyBag{}, &host).writeProperties().keys(), QStringList{"Caption"});
        // Yes/no values read from any stored form and are written back in the stored form.
        KvButton button(PropertyBag{{"PictureShadow", -1}, {"Enabled", 0}}, &host);
        QVERIFY(button.pictureShadow());
        QVERIFY(!button.isButtonEnabled() && !button.isEnabled());
        QCOMPARE(button.writeProperties().read("PictureShadow").toInt(), -1);
    }

    // Per style: the scheme it brings, its colour in schemes 0 to 3 (an unknown 0x123456 kept), then
    // whether it draws the focus rectangle and pushes its picture on hover.
    void styleDefaults()
    {
        QStringList got;
        for (int style = 0; style <= 13; ++style) {
            KvButtonProperties props;
            props.buttonStyle = style;
            props.colorScheme = 3;
            applyDefaultColorScheme(props);
            QString line = QString::number(props.colorScheme);
            for (int scheme = 0; scheme <= 3; ++scheme) {
                props.colorScheme = scheme;
                props.backColor = 0x123456;
                applyDefaultBackColor(props, test::knownPalette());
                line += QStringLiteral(" %1").arg(props.backColor, 6, 16, QLatin1Char('0')).toUpper();
            }
            got << line + u' ' + QString::number(props.showFocusRect) +
                       QString::number(props.picturePushOnHover);
        }
        QCOMPARE(got, QStringList({"0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 10", "0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 10",
                                   "0 E7EBEC DBEEF3 FCF1F0 123456 00", "2 FDECE0 DEEDE8 E3E3E3 123456 00",
                                   "0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 01", "3 FCE1CA BAD6D4 E0C4C6 123456 00",
                                   "0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 00", "0 F0F0F0 F0F0F0 F0F0F0 F0F0F0 00",
                                   "0 FFD1AD BAD6D4 E3DFE0 123456 00", "2 FFD1AD BAD6D4 E1D6D5 123456 10",
                                   "0 FFD1AD BAD6D4 E3DFE0 123456 00", "3 F0F0F0 F0F0F0 F0F0F0 F0F0F0 00",
                                   "3 F0F0F0 F0F0F0 F0F0F0 F0F0F0 00", "3 123456 123456 123456 123456 00"}));
    }

    void colorSchemeIsClampedAndDrivesBackColor()
    {
        QWidget host;
        KvButton button(PropertyBag{{"ButtonStyle", 8}, {"ColorScheme", 7}}, &host);
        QCOMPARE(button.colorScheme(), 3);
        button.setColorScheme(-4);
        QCOMPARE(button.colorScheme(), 0);
        // Assigning BackColor makes the scheme custom; a built-in scheme brings its colours back.
        button.setButtonStyle(8);
        button.setBackColor(0x123456);
        QCOMPARE(button.colorScheme(), 3);
        button.setColorScheme(1);
        QCOMPARE(button.backColor(), OleColor(0xBAD6D4));
    }

    void picturesValueAndPointerRules()
    {
        QWidget host;
        KvButton button(PropertyBag{{"Caption", QString()}}, &host);
        const KvPicture red = picture(Qt::red);
        // A hot or down picture without a normal one becomes the normal picture.
        button.setPictureHot(red);
        QCOMPARE(button.pictureNormal(), red);
        QVERIFY(button.pictureHot().isNull());
        // A mouse icon switches the hand pointer off.
        button.setHandPointer(true);
        button.setMouseIcon(red);
        QVERIFY(!button.handPointer());
        QCOMPARE(button.cursor().shape(), Qt::BitmapCursor);
        // The button's own Enabled setting is kept apart from a disabled host.
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
        KvButton button(PropertyBag{}, &host);
        button.resize(5, 50); // below 220 twips a side snaps back; the face always has the button's size
        QCOMPARE(button.faceImage().size(), QSize(15, 50));
    }

    // A link label is underlined and blue exactly while the mouse is over it.
    void linkUnderlinedOnHover()
    {
        // The skin sets every widget's font, as the program's skin file does.
        qApp->setStyleSheet(QStringLiteral("QWidget { font-size: 9pt; }"));
        QWidget window;
        auto* link = new ClickLabel(QStringLiteral("找回密码"), &window);
        link->setLinkLook(true);
        window.show();
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(link, &enter);
        link->ensurePolished();
        QVERIFY(link->font().underline());
        QCOMPARE(link->palette().color(link->foregroundRole()), QColor(0, 0, 255));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        link->ensurePolished();
        QVERIFY(!link->font().underline());
    }
};

VELMO_TEST_MAIN(TestKvButtonProperties)
#include "TestKvButtonProperties.moc"
