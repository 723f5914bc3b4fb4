#include "BoxRecorder.h"
#include "ServiceFixture.h"
#include "TestMain.h"

#include "sync/VersionCheck.h"

#include <QSignalSpy>

using namespace velmo;

namespace {

// The version check of program version 1.8.3 against the stand-in, on a machine whose disk serial
// is given.
struct Rig
{
    test::ServiceFixture service;
    test::BoxRecorder boxes;
    QList<QUrl> opened;
    VersionCheck check{{service.address(), QStringLiteral("1.8.3"), boxes,
                        [this](const QUrl& url) { opened.append(url); }, nullptr,
                        [] { return QStringLiteral("WD-WX1 2&3"); }}};

    bool ping()
    {
        QSignalSpy done(&check, &VersionCheck::checked);
        return check.CheckUpdate() && done.wait(10000);
    }
};

void offerRow(const char* name, const QString& newest, const QString& page, bool fails, const QString& opened)
{
    QTest::newRow(name) << newest << page << fails << opened;
}

} // namespace

class TestVersionCheck : public QObject
{
    Q_OBJECT

private slots:
    void pingCarriesSerialAndVersion()
    {
        Rig rig;
        QVERIFY(rig.ping());
        const standin::StandInRequest request = rig.service.lastRequest();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QStringLiteral("/API/Feedback.asp"));
        QCOMPARE(request.rawQuery, QByteArray("nowtime=20261261000&md5=7e993c803c5802fc"));
        QCOMPARE(request.body, QByteArray("a=WD%2DWX1%202%263&d=1%2E8%2E3"));
    }

    void offerOnlyForNewerVersion_data()
    {
        QTest::addColumn<QString>("newest");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("opened"); // empty: no offer
        offerRow("newer", "1.9.0", "http://example.com/get", false, "http://example.com/get");
        offerRow("newer, five digits", "1.10000", "/down.asp", false, "/down.asp");
        offerRow("newer, no page", "2", "", false, "/");
        offerRow("newer in the fourth part", "1.8.3.1", "", false, "/");
        offerRow("same", "1.8.3", "", false, "");
        offerRow("same, written longer", "1.8.3.0", "", false, "");
        offerRow("older", "1.8.2.9", "", false, "");
        offerRow("no version", "", "", false, "");
        offerRow("not a version", "1.9b", "", false, "");
        offerRow("six digits", "1.100000", "", false, "");
        offerRow("hostile page", "1.9.0", "file:///bin/sh", false, "");
        offerRow("service fails", "1.9.0", "", true, "");
    }

    void offerOnlyForNewerVersion()
    {
        QFETCH(QString, newest);
        QFETCH(QString, page);
        QFETCH(bool, fails);
        QFETCH(QString, opened);
        Rig rig;
        rig.service.service().online() = {{}, newest, page};
        if (fails)
            rig.service.failNext(standin::Fault::ServerError);
        rig.boxes.plannedAnswers = {true};
        QVERIFY(rig.ping());
        QTest::qWait(0);
        QCOMPARE(rig.boxes.boxes.size(), opened.isEmpty() ? 0 : 1);
        const QString base = rig.service.baseUrl().toString();
        QCOMPARE(rig.opened, opened.isEmpty()
                                 ? QList<QUrl>{}
                                 : QList<QUrl>{QUrl(opened.startsWith(u'/') ? base + opened : opened)});
    }

    void offeredOncePerRun()
    {
        Rig rig;
        rig.service.service().online().newestVersion = QStringLiteral("1.9.0");
        rig.boxes.plannedAnswers = {false, false};
        QVERIFY(rig.ping());
        QVERIFY(rig.ping());
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("发现新版本 1.9.0,是否打开下载页面?")});
        QVERIFY(rig.opened.isEmpty());
    }
};

VELMO_TEST_MAIN(TestVersionCheck)
#include "TestVersionCheck.moc"
