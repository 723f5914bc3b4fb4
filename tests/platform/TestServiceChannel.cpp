#include "ServiceFixture.h"
#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/Md5.h"
#include "platform/ServiceChannel.h"
#include "velmo-service/CommandLine.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

using namespace velmo;
using standin::Fault;

namespace {

// A channel with a spy on its replies.
struct Channel
{
    ServiceChannel channel;
    QSignalSpy finished{&channel, &ServiceChannel::finished};

    // The reply of the one request the channel has running; an empty one when none came.
    ServiceReply reply()
    {
        if (finished.isEmpty() && !finished.wait(10000))
            return ServiceReply();
        return finished.takeFirst().at(0).value<ServiceReply>();
    }
    ServiceReply get(const QUrl& url) { return channel.openUrl(url) ? reply() : ServiceReply(); }
};

// Answers every request on 127.0.0.1 with the same bytes and leaves the connection open, so a
// client only ends early when it gives up on its own.
class CannedServer : public QTcpServer
{
public:
    explicit CannedServer(QByteArray response)
        : m_response(std::move(response))
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    socket->write(m_response);
                });
            }
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/Api/login.asp").arg(serverPort())); }

private:
    QByteArray m_response;
};

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

class TestServiceChannel : public QObject
{
    Q_OBJECT

private slots:
    void addresses()
    {
        const QUrl login =
            ServiceAddress(QUrl("http://127.0.0.1:1234"))
                .url("/Api/login.asp", {{"user", QStringLiteral("张三&x=1")}, {"nowtime", QString()}});
        QCOMPARE(login.toEncoded(),
                 QByteArray("http://127.0.0.1:1234/Api/login.asp?user=%D5%C5%C8%FD%26x%3D1&nowtime="));
        QCOMPARE(ServiceAddress(QUrl("http://example.org/velmo/")).url("/api/Syn.asp"),
                 QUrl("http://example.org/velmo/api/Syn.asp"));
    }

    void unusableAddressIsReportedOnce_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("file") << QStringLiteral("file:///etc/passwd");
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
    }

    // A reply that is no answer is a failure with its reason: faults of the stand-in (-1: nobody listens,
    // -2: too slow), or what a server on 127.0.0.1 answers instead (a redirect, sizes over the cap).
    void failedReplies_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("head"); // of the answer instead
        QTest::addColumn<qint64>("bodySize");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("httpStatus");
        using Status = ServiceReply::Status;
        const QByteArray none;
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        const qint64 cap = ServiceChannel::MaxReplyBytes;
        // clang-format off
        QTest::newRow("500") << int(Fault::ServerError) << none << qint64(0) << int(Status::HttpError) << 500;
        QTest::newRow("dropped") << int(Fault::DropConnection) << none << qint64(0) << int(Status::NetworkError) << 0;
        QTest::newRow("not HTTP") << int(Fault::MalformedHttp) << none << qint64(0) << int(Status::NetworkError) << 0;
        QTest::newRow("nobody listens") << -1 << none << qint64(0) << int(Status::NetworkError) << 0;
        QTest::newRow("too slow") << -2 << none << qint64(0) << int(Status::TimedOut) << 0;
        QTest::newRow("redirect to another host") << 0 << QByteArray("HTTP/1.1 302 Found\r\nLocation: %1\r\nContent-Length: 0\r\n\r\n") << qint64(0) << int(Status::HttpError) << 302;
        QTest::newRow("length over the cap") << 0 << ok + "Content-Length: 1073741824\r\n\r\n" << qint64(2) << int(Status::NetworkError) << 200;
        QTest::newRow("body over the cap, no length") << 0 << ok + "Connection: close\r\n\r\n" << cap + 1 << int(Status::NetworkError) << 200;
        QTest::newRow("body at the cap") << 0 << ok + "Content-Length: " + QByteArray::number(cap) + "\r\n\r\n" << cap << int(Status::Completed) << 200;
        // clang-format on
    }

    void failedReplies()
    {
        QFETCH(int, fault);
        QFETCH(QByteArray, head);
        QFETCH(qint64, bodySize);
        auto service = std::make_unique<test::ServiceFixture>();
        QUrl url = service->address().url(QStringLiteral("/Api/login.asp"));
        head.replace("%1", url.toEncoded()); // a redirect to the stand-in must not reach it
        const CannedServer canned(head + QByteArray(bodySize, 'a'));
        Channel c;
        if (fault == -1)
            service.reset();
        else if (fault == -2)
            service->delayReplies(3000);
        else if (!head.isEmpty())
            url = canned.url();
        else
            service->failNext(Fault::Kind(fault), -1);
        c.channel.setTimeout(std::chrono::milliseconds(fault == -2 ? 200 : 10000));
        const ServiceReply reply = c.get(url);
        QTEST(int(reply.status), "status");
        QTEST(reply.httpStatus, "httpStatus");
        QCOMPARE(reply.errorString.isEmpty(), reply.ok());
        if (reply.ok())
            QCOMPARE(reply.text.size(), bodySize);
        if (!head.isEmpty())
            QCOMPARE(service->requestCount(), 0);
    }

    void busyChannelSendsNothingAndPostsEncodedText()
    {
        test::ServiceFixture service;
        service.delayReplies(300);
        Channel c;
        const QUrl url = service.address().url(QStringLiteral("/Api/login.asp"));
        QVERIFY(c.channel.openUrl(url));
        QVERIFY(!HttpPost(c.channel, url, QStringLiteral("a=1")));
        // The handler of one reply may send the next request at once. Free text goes through the body
        // encoder: no raw UTF-8, "&" and "+" kept as data.
        bool sentFromHandler = false;
        connect(&c.channel, &ServiceChannel::finished, this, [&](const ServiceReply&) {
            if (!sentFromHandler)
                sentFromHandler = HttpPost(c.channel, url, QStringLiteral("a=1&b=中文+\n"));
        });
        c.reply();
        QVERIFY(sentFromHandler);
        c.reply();
        QCOMPARE(service.requestCount(), 2);
        QCOMPARE(service.lastRequest().body, QByteArray("a=1%26b=%D6%D0%CE%C4%2B<BR>"));
        QCOMPARE(service.lastRequest().header("content-type"),
                 QByteArray("application/x-www-form-urlencoded"));
    }

    void abortEndsTheRequestAtOnce()
    {
        test::ServiceFixture service;
        service.delayReplies(2000);
        Channel c;
        const QUrl url = service.address().url(QStringLiteral("/Api/login.asp"));
        QVERIFY(c.channel.openUrl(url));
        QTRY_COMPARE(service.requestCount(), 1);
        c.channel.abort();
        QCOMPARE(c.finished.size(), 1);
        QCOMPARE(c.finished.first().at(0).value<ServiceReply>().status, ServiceReply::Status::Aborted);
        // A channel destroyed in the middle of a request goes quietly.
        auto doomed = std::make_unique<Channel>();
        QVERIFY(doomed->channel.openUrl(url));
        QTRY_COMPARE(service.requestCount(), 2);
        QSignalSpy doomedFinished(&doomed->channel, &ServiceChannel::finished);
        doomed.reset();
        QCOMPARE(doomedFinished.size(), 0);
    }

    // The service stand-in's own limits, faults and command line.
    void faultsKeepToTheirPathAndCount()
    {
        test::ServiceFixture service;
        service.failNext(Fault::ServerError, 2, QStringLiteral("/api/syn.asp"));
        const QUrl target = service.address().url(QStringLiteral("/API/Syn.asp"));
        QCOMPARE(Channel().get(service.address().url(QStringLiteral("/Api/unknown.asp"))).httpStatus, 404);
        QCOMPARE(Channel().get(target).httpStatus, 500);
        QCOMPARE(Channel().get(target).httpStatus, 500);
        QCOMPARE(Channel().get(target).httpStatus, 200);
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

VELMO_TEST_MAIN(TestServiceChannel)
#include "TestServiceChannel.moc"
