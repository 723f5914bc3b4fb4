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

bool applyArguments(standin::ServiceStandIn& service, QStringList arguments, standin::ListenOptions* listen)
{
    QString error;
    arguments.prepend(QStringLiteral("velmo-service"));
    const bool applied = standin::applyCommandLine(service, arguments, listen, &error);
    return applied && error.isEmpty();
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
        const QUrl target = service.address().url(QStringLiteral("/API/Syn.asp"));
        QCOMPARE(fetch(service.address().url(QStringLiteral("/Api/unknown.asp"))).httpStatus, 404);
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
        QCOMPARE(request.queryValue(QStringLiteral("userid")), QStringLiteral("中 x"));
        QVERIFY(request.hasQueryKey(QStringLiteral("NOWTIME")));
        QVERIFY(!request.hasQueryKey(QStringLiteral("md5")));
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
        QVERIFY(applyArguments(service,
                               {"--port", "0", "--user", "demo:velmo123", "--users-file", usersFile,
                                "--mailbox", "demo", "--signature", "strict"},
                               &listen));
        QCOMPARE(service.accounts().userIds(), QStringList({"demo", "li", "张三"}));
        QVERIFY(service.accounts().account(QStringLiteral("demo"))->mailboxBound);
        QVERIFY(service.accounts().checkPassword(QStringLiteral("li"), MD5_16(u"pass:with:colons")));
        QVERIFY(service.accounts().checkPassword(QStringLiteral("张三"), MD5_16(u"密码")));
    }

    void commandLineRejectsBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("user without password") << QStringList{"--user", "demo"};
        QTest::newRow("bad port") << QStringList{"--port", "70000"};
        QTest::newRow("bad fault") << QStringList{"--fault", "404"};
        QTest::newRow("unknown option") << QStringList{"--colour"};
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

    void connectionsAndBodiesAreBounded_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("recorded");
        const qint64 limit = 2 * standin::ServiceStandIn::LoggedBodyBytes;
        const QByteArray post = "POST /Api/unknown.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n";
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
};

VELMO_TEST_MAIN(TestServiceStandIn)
#include "TestServiceStandIn.moc"
