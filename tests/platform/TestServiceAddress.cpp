#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/ServiceAddress.h"
#include "platform/UserSettings.h"

using namespace velmo;

class TestServiceAddress : public QObject
{
    Q_OBJECT

private slots:
    void defaultPointsAtTheLocalStandIn()
    {
        QCOMPARE(ServiceAddress().base(), QUrl(QStringLiteral("http://127.0.0.1:18766")));
        QCOMPARE(ServiceAddress().host(), QStringLiteral("127.0.0.1:18766"));
        QCOMPARE(ServiceAddress(QUrl()).base(), ServiceAddress::defaultBase());
        QCOMPARE(ServiceAddress(QUrl(QStringLiteral("http://memo.example.org"))).host(),
                 QStringLiteral("memo.example.org"));
    }

    void settingsRoundTrip()
    {
        test::TempDataFolder temp;
        QSettings settings(temp.filePath(QStringLiteral("velmo.ini")), QSettings::IniFormat);
        QCOMPARE(ServiceAddress::load(settings).base(), ServiceAddress::defaultBase());
        const ServiceAddress address(QUrl(QStringLiteral("http://memo.example.org:8080/")));
        QVERIFY(address.store(settings));
        QCOMPARE(ServiceAddress::load(settings).base(), QUrl(QStringLiteral("http://memo.example.org:8080")));

        // The per-user store lives under the test's private configuration folder.
        const auto user = openUserSettings();
        QVERIFY(user->fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QVERIFY(user->fileName().endsWith(QLatin1String(".ini")));
        user->setValue(ServiceAddress::settingsKey(), QStringLiteral("http://10.0.0.5:9000"));
        user->sync();
        QCOMPARE(ServiceAddress::load().base(), QUrl(QStringLiteral("http://10.0.0.5:9000")));
        user->remove(ServiceAddress::settingsKey());
    }

    void unusableAddressIsReportedOnce_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("file") << QStringLiteral("file:///etc/passwd");
        QTest::newRow("script") << QStringLiteral("javascript:alert(1)");
        QTest::newRow("ftp") << QStringLiteral("ftp://example.org");
        QTest::newRow("junk") << QStringLiteral("not a url at all");
    }

    void unusableAddressIsReportedOnce()
    {
        QFETCH(QString, text);
        test::TempDataFolder temp;
        QSettings settings(temp.filePath(QStringLiteral("velmo.ini")), QSettings::IniFormat);
        settings.setValue(ServiceAddress::settingsKey(), text);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(text)));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        QCOMPARE(ServiceAddress::load(settings).base(), ServiceAddress::defaultBase());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ftp://example.org")));
        QCOMPARE(ServiceAddress(QUrl(QStringLiteral("ftp://example.org"))).base(),
                 ServiceAddress::defaultBase());
    }

    void endpointUrls()
    {
        const ServiceAddress address(QUrl(QStringLiteral("http://127.0.0.1:1234")));
        QCOMPARE(address.url(QStringLiteral("/reg.asp")).toString(),
                 QStringLiteral("http://127.0.0.1:1234/reg.asp"));
        const QUrl login = address.url(QStringLiteral("/Api/login.asp"),
                                       {{QStringLiteral("user"), QStringLiteral("张三&x=1")},
                                        {QStringLiteral("pass"), QStringLiteral("0123abcd")},
                                        {QStringLiteral("nowtime"), QString()}});
        QCOMPARE(login.toEncoded(),
                 QByteArray(
                     "http://127.0.0.1:1234/Api/login.asp?user=%D5%C5%C8%FD%26x%3D1&pass=0123abcd&nowtime="));
        const ServiceAddress prefixed(QUrl(QStringLiteral("http://example.org/velmo/")));
        QCOMPARE(prefixed.url(QStringLiteral("/api/Syn.asp")).toString(),
                 QStringLiteral("http://example.org/velmo/api/Syn.asp"));
    }
};

VELMO_TEST_MAIN(TestServiceAddress)
#include "TestServiceAddress.moc"
