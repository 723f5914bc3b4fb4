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
        const QUrl target = service.address().url(QStringLiteral("/API/Syn.asp"));
        QCOMPARE(fetch(service.address().url(QStringLiteral("/Api/unknown.asp"))).httpStatus, 404);
        QCOMPARE(fetch(target).httpStatus, 500);
        QCOMPARE(fetch(target).httpStatus, 500);
        QCOMPARE(fetch(target).httpStatus, 200);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("users"); // empty: the command line is refused
        // clang-format off
        QTest::newRow("accounts") << QStringList{"--user", "demo:velmo123", "--users-file", "USERS"} << QStringList{"demo", "li", "张三"};
        // clang-format on
        QTest::newRow("user without password") << QStringList{"--user", "demo"} << QStringList();
        QTest::newRow("bad port") << QStringList{"--port", "70000"} << QStringList();
        QTest::newRow("unknown option") << QStringList{"--colour"} << QStringList();
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, users);
        test::TempDataFolder temp;
        QFile file(temp.filePath(QStringLiteral("users.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# demo accounts\r\n\nli:pass:with:colons\r\n张三:密码\n");
        file.close();
        arguments.replaceInStrings(QStringLiteral("USERS"), file.fileName()).prepend(QStringLiteral("velmo"));
        standin::ServiceStandIn service;
        standin::ListenOptions listen;
        QString error;
        QCOMPARE(standin::applyCommandLine(service, arguments, &listen, &error), !users.isEmpty());
        QCOMPARE(error.isEmpty(), !users.isEmpty());
        if (!users.isEmpty()) {
            QCOMPARE(service.accounts().userIds(), users);
            QVERIFY(service.accounts().checkPassword(QStringLiteral("li"), MD5_16(u"pass:with:colons")));
        }
    }

    void connectionsAndBodiesAreBounded_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("recorded");
        const qint64 limit = 2 * standin::ServiceStandIn::LoggedBodyBytes;
        const QByteArray post = "POST /Api/unknown.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        QTest::newRow("quiet connection") << QByteArray() << QByteArray() << 0;
        // clang-format off
        QTest::newRow("declared body over the limit") << post + "Content-Length: " + QByteArray::number(limit + 1) + "\r\n\r\n" << QByteArray("HTTP/1.1 413 ") << 0;
        // clang-format on
        QByteArray chunked = post + "Transfer-Encoding: chunked\r\n\r\n";
        for (qint64 sent = 0; sent <= limit + 64 * 1024; sent += 1024)
            chunked += "400\r\n" + QByteArray(1024, 'a') + "\r\n";
        QTest::newRow("chunked body over the limit") << chunked << QByteArray("HTTP/1.1 413 ") << 0;
        // clang-format off
        QTest::newRow("body at the limit, then quiet") << post + "Content-Length: " + QByteArray::number(limit) + "\r\n\r\n" + QByteArray(limit, 'a') << QByteArray("HTTP/1.1 404 ") << 1;
        // clang-format on
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
