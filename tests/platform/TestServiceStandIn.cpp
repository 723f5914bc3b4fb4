#include "ServiceFixture.h"
#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/Md5.h"
#include "platform/ServiceChannel.h"
#include "velmo-service/CommandLine.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>

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

// Writes raw bytes to the stand-in and collects everything it answers until it closes the connection;
// an empty text with closed false when it is still open after a few seconds.
QByteArray exchange(quint16 port, const QByteArray& request, bool& closed)
{
    QTcpSocket socket;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { answer += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(request);
    closed = QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000);
    return answer + socket.readAll();
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
        QCOMPARE(fetch(target).httpStatus, 404);
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

    void connectionsAndBodiesAreBounded_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("recorded");
        const qint64 limit = 2 * standin::ServiceStandIn::LoggedBodyBytes;
        const QByteArray post = "POST /api/Syn.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        QTest::newRow("quiet connection") << QByteArray() << QByteArray() << 0;
        QTest::newRow("declared body over the limit")
            << post + "Content-Length: " + QByteArray::number(limit + 1) + "\r\n\r\n"
            << QByteArray("HTTP/1.1 413 ") << 0;
        QByteArray chunked = post + "Transfer-Encoding: chunked\r\n\r\n";
        for (qint64 sent = 0; sent <= limit + 64 * 1024; sent += 1024)
            chunked += "400\r\n" + QByteArray(1024, 'a') + "\r\n";
        QTest::newRow("chunked body over the limit") << chunked << QByteArray("HTTP/1.1 413 ") << 0;
        QTest::newRow("body at the limit, then quiet")
            << post + "Content-Length: " + QByteArray::number(limit) + "\r\n\r\n" + QByteArray(limit, 'a')
            << QByteArray("HTTP/1.1 404 ") << 1;
    }

    void connectionsAndBodiesAreBounded()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(int, recorded);
        test::ServiceFixture service;
        service.service().setMaxBodyBytes(2 * standin::ServiceStandIn::LoggedBodyBytes);
        service.service().setIdleTimeout(std::chrono::milliseconds(300));
        bool closed = false;
        const QByteArray reply = exchange(service.port(), request, closed);
        QVERIFY(closed);
        QVERIFY2(reply.startsWith(answer), reply.left(80).constData());
        QCOMPARE(service.requestCount(), recorded);
        // The log keeps the start of a long body only.
        QVERIFY(service.lastRequest().body.size() <= standin::ServiceStandIn::LoggedBodyBytes);
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
