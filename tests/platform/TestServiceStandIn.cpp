#include "ServiceFixture.h"
#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/Md5.h"
#include "platform/ServiceChannel.h"
#include "velmo-service/CommandLine.h"

#include <QFile>
#include <QSignalSpy>

using namespace velmo;
using standin::Fault;

namespace {

// Sends one GET and gives back the reply.
ServiceReply fetch(const QUrl& url)
{
    ServiceChannel channel;
    QSignalSpy finished(&channel, &ServiceChannel::finished);
    if (!channel.openUrl(url) || !finished.wait(10000))
        return ServiceReply();
    return finished.first().at(0).value<ServiceReply>();
}

} // namespace

class TestServiceStandIn : public QObject
{
    Q_OBJECT

private slots:
    void faultsKeepToTheirPathAndCount()
    {
        test::ServiceFixture service;
        service.failNext(Fault::ServerError, 2, QStringLiteral("/api/syn.asp"));
        const QUrl other = service.address().url(QStringLiteral("/Api/Notice.txt"));
        const QUrl target = service.address().url(QStringLiteral("/API/Syn.asp"));
        QCOMPARE(fetch(other).httpStatus, 404);
        QCOMPARE(fetch(target).httpStatus, 500);
        QCOMPARE(fetch(target).httpStatus, 500);
        QCOMPARE(fetch(target).httpStatus, 200);
        QCOMPARE(service.service().fault().kind, Fault::None);
        QCOMPARE(service.requestCount(), 4);
    }

    void requestsAreRecordedAsSent()
    {
        test::ServiceFixture service;
        QUrl url = service.address().url(QStringLiteral("/Api/id.asp"));
        url.setQuery(QStringLiteral("UserID=%D6%D0+x&nowtime=1"), QUrl::StrictMode);
        fetch(url);
        const standin::StandInRequest request = service.lastRequest();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QStringLiteral("/Api/id.asp"));
        QCOMPARE(request.rawQuery, QByteArray("UserID=%D6%D0+x&nowtime=1"));
        QCOMPARE(request.queryValue(QStringLiteral("userid")), QStringLiteral("中 x"));
        QVERIFY(request.hasQueryKey(QStringLiteral("NOWTIME")));
        QVERIFY(!request.hasQueryKey(QStringLiteral("md5")));
        QVERIFY(request.queryValue(QStringLiteral("md5")).isEmpty());
        service.clearRequests();
        QCOMPARE(service.requestCount(), 0);
        QCOMPARE(service.lastRequest().method, QByteArray());
    }

    void memoStore()
    {
        standin::AccountStore store;
        const qint64 first = store.addMemo({0, QStringLiteral("demo"), {QStringLiteral("1")}, 1, false});
        const qint64 second = store.addMemo({0, QStringLiteral("other"), {QStringLiteral("2")}, 1, false});
        QVERIFY(first != second);
        QCOMPARE(store.memos(QStringLiteral("demo")).size(), 1);
        standin::StoredMemo changed = *store.memo(first);
        changed.synnum = 5;
        QVERIFY(store.updateMemo(changed));
        QCOMPARE(store.memo(first)->synnum, 5);
        QVERIFY(store.removeMemo(first));
        QVERIFY(!store.removeMemo(first));
        QVERIFY(!store.memo(first));
        QVERIFY(!store.updateMemo(changed));
        // Ids are never given out twice.
        QVERIFY(store.addMemo({}) > second);
    }

    void commandLineSetsUpAccounts()
    {
        test::TempDataFolder temp;
        const QString usersFile = temp.filePath(QStringLiteral("users.txt"));
        QFile file(usersFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# demo accounts\r\n\nli:pass:with:colons\r\n张三:密码\n");
        file.close();

        standin::ServiceStandIn service;
        standin::ListenOptions listen;
        QString error;
        QVERIFY2(standin::applyCommandLine(service,
                                           {QStringLiteral("velmo-service"), QStringLiteral("--port"),
                                            QStringLiteral("0"), QStringLiteral("--user"),
                                            QStringLiteral("demo:velmo123"), QStringLiteral("--users-file"),
                                            usersFile, QStringLiteral("--mailbox"), QStringLiteral("demo"),
                                            QStringLiteral("--signature"), QStringLiteral("strict")},
                                           &listen, &error),
                 qPrintable(error));
        QCOMPARE(service.accounts().userIds(),
                 (QStringList{QStringLiteral("demo"), QStringLiteral("li"), QStringLiteral("张三")}));
        QVERIFY(service.accounts().checkPassword(QStringLiteral("demo"), MD5_16(u"velmo123")));
        QVERIFY(service.accounts().account(QStringLiteral("demo"))->mailboxBound);
        QVERIFY(service.accounts().checkPassword(QStringLiteral("li"), MD5_16(u"pass:with:colons")));
        QVERIFY(service.accounts().checkPassword(QStringLiteral("张三"), MD5_16(u"密码")));
        QCOMPARE(service.signatureCheck(), standin::SignatureCheck::Strict);
        QCOMPARE(listen.port, quint16(0));
        QCOMPARE(listen.address, QHostAddress(QHostAddress::LocalHost));

        // The program's defaults: the stand-in's port, lenient signatures.
        standin::ServiceStandIn defaults;
        QVERIFY(standin::applyCommandLine(defaults, {QStringLiteral("velmo-service")}, &listen, &error));
        QCOMPARE(listen.port, ServiceAddress::DefaultPort);
        QCOMPARE(defaults.signatureCheck(), standin::SignatureCheck::Lenient);
    }

    void commandLineRejectsBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("user without password")
            << QStringList{QStringLiteral("--user"), QStringLiteral("demo")};
        QTest::newRow("unknown mailbox")
            << QStringList{QStringLiteral("--mailbox"), QStringLiteral("nobody")};
        QTest::newRow("missing users file")
            << QStringList{QStringLiteral("--users-file"), QStringLiteral("/nonexistent/users")};
        QTest::newRow("bad port") << QStringList{QStringLiteral("--port"), QStringLiteral("70000")};
        QTest::newRow("bad fault") << QStringList{QStringLiteral("--fault"), QStringLiteral("404")};
        QTest::newRow("bad signature") << QStringList{QStringLiteral("--signature"), QStringLiteral("maybe")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--colour")};
    }

    void commandLineRejectsBadArguments()
    {
        QFETCH(QStringList, arguments);
        standin::ServiceStandIn service;
        standin::ListenOptions listen;
        QString error;
        arguments.prepend(QStringLiteral("velmo-service"));
        QVERIFY(!standin::applyCommandLine(service, arguments, &listen, &error));
        QVERIFY(!error.isEmpty());
    }
};

VELMO_TEST_MAIN(TestServiceStandIn)
#include "TestServiceStandIn.moc"
