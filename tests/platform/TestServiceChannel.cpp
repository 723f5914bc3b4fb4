#include "ServiceFixture.h"
#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/Clock.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "platform/UserSettings.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace velmo;
using standin::Fault;
using standin::SignatureCheck;

namespace {

const QString demoUser = QStringLiteral("demo");
const QString demoPassword = QStringLiteral("velmo123");

QUrl loginUrl(const test::ServiceFixture& service, const QString& user, const QString& password,
              const QString& path = QStringLiteral("/Api/login.asp"))
{
    const SignedTimestamp stamp = SignedTimestamp::now();
    return service.address().url(path, {{QStringLiteral("user"), user},
                                        {QStringLiteral("pass"), MD5_16(password)},
                                        {QStringLiteral("md5"), stamp.md5},
                                        {QStringLiteral("nowtime"), stamp.nowtime}});
}

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

} // namespace

class TestServiceChannel : public QObject
{
    Q_OBJECT

private slots:
    void addresses()
    {
        const QUrl login =
            ServiceAddress(QUrl(QStringLiteral("http://127.0.0.1:1234")))
                .url(QStringLiteral("/Api/login.asp"), {{QStringLiteral("user"), QStringLiteral("张三&x=1")},
                                                        {QStringLiteral("nowtime"), QString()}});
        QCOMPARE(login.toEncoded(),
                 QByteArray("http://127.0.0.1:1234/Api/login.asp?user=%D5%C5%C8%FD%26x%3D1&nowtime="));
        QCOMPARE(ServiceAddress(QUrl(QStringLiteral("http://example.org/velmo/")))
                     .url(QStringLiteral("/api/Syn.asp")),
                 QUrl(QStringLiteral("http://example.org/velmo/api/Syn.asp")));

        test::TempDataFolder temp;
        QSettings settings(temp.filePath(QStringLiteral("velmo.ini")), QSettings::IniFormat);
        QVERIFY(ServiceAddress(QUrl(QStringLiteral("http://memo.example.org:8080/"))).store(settings));
        QCOMPARE(ServiceAddress::load(settings).base(), QUrl(QStringLiteral("http://memo.example.org:8080")));
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
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ftp://example.org")));
        QCOMPARE(ServiceAddress(QUrl(QStringLiteral("ftp://example.org"))).base(),
                 ServiceAddress::defaultBase());
    }

    void signInRepliesOfTheStandIn()
    {
        test::ServiceFixture service;
        service.addAccount(demoUser, demoPassword, true);
        service.addAccount(QStringLiteral("张三"), QStringLiteral("密码"));
        Channel c;
        ServiceReply reply = c.get(loginUrl(service, demoUser, demoPassword));
        QCOMPARE(reply.text, QStringLiteral("ok|1|") + ServerProof(MD5_16(demoPassword)));
        QCOMPARE(c.get(loginUrl(service, demoUser, QStringLiteral("wrong"))).text, QStringLiteral("error"));
        // A Chinese name travels as its GBK bytes and is found again by the service; paths match in any case.
        reply = c.get(loginUrl(service, QStringLiteral("张三"), QStringLiteral("密码"),
                               QStringLiteral("/API/LOGIN.ASP")));
        QCOMPARE(reply.text, QStringLiteral("ok|0|") + ServerProof(MD5_16(u"密码")));
        QVERIFY(service.lastRequest().rawQuery.startsWith("user=%D5%C5%C8%FD&pass="));
    }

    void signatureChecks()
    {
        test::ServiceFixture service;
        service.addAccount(demoUser, demoPassword);
        // Signed over one second, sent with the next: the original way of signing.
        const QDateTime now = Clock::currentDateTime();
        const QUrl skewed = service.address().url(
            QStringLiteral("/Api/login.asp"), {{QStringLiteral("user"), demoUser},
                                               {QStringLiteral("pass"), MD5_16(demoPassword)},
                                               {QStringLiteral("md5"), RequestSignature(NowNumberText(now))},
                                               {QStringLiteral("nowtime"), NowNumberText(now.addSecs(1))}});
        const QUrl unsignedUrl = service.address().url(
            QStringLiteral("/Api/login.asp"),
            {{QStringLiteral("user"), demoUser}, {QStringLiteral("pass"), MD5_16(demoPassword)}});
        Channel c;
        QCOMPARE(c.get(skewed).text, QStringLiteral("signerror"));
        QCOMPARE(c.get(unsignedUrl).text, QStringLiteral("signerror"));
        service.setSignatureCheck(SignatureCheck::Lenient);
        QVERIFY(c.get(skewed).text.startsWith(QStringLiteral("ok|")));
        QCOMPARE(c.get(unsignedUrl).text, QStringLiteral("signerror"));
        service.setSignatureCheck(SignatureCheck::Off);
        QVERIFY(c.get(unsignedUrl).text.startsWith(QStringLiteral("ok|")));
    }

    void garbageReplyIsDecodedFromGbk()
    {
        test::ServiceFixture service;
        Fault fault;
        fault.kind = Fault::Garbage;
        fault.garbageText = QStringLiteral("服务器维护中,请稍候");
        service.setFault(fault);
        Channel c;
        const ServiceReply reply = c.get(service.address().url(QStringLiteral("/Api/login.asp")));
        QVERIFY(reply.ok());
        QCOMPARE(reply.text, QStringLiteral("服务器维护中,请稍候"));
    }

    void statesOfRequests()
    {
        test::ServiceFixture service;
        service.addAccount(demoUser, demoPassword);
        Channel c;
        QList<int> seen;
        bool busyAtCompletion = true;
        connect(&c.channel, &ServiceChannel::stateChanged, this, [&](int state) {
            seen << state;
            if (state == ServiceChannel::ResponseCompleted)
                busyAtCompletion = c.channel.StillExecuting();
        });
        QVERIFY(c.get(loginUrl(service, demoUser, demoPassword)).ok());
        QCOMPARE(seen.first(), int(ServiceChannel::Connecting));
        QCOMPARE(seen.last(), int(ServiceChannel::ResponseCompleted));
        QVERIFY(!busyAtCompletion);
        // A 404 is not an answer of the service: the request ends in the error state.
        seen.clear();
        c.get(service.address().url(QStringLiteral("/Api/unknown.asp")));
        QCOMPARE(seen.last(), int(ServiceChannel::Error));
        QVERIFY(!seen.contains(ServiceChannel::ResponseCompleted));
    }

    void brokenRepliesAreFailures_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("httpStatus");
        QTest::newRow("500") << int(Fault::ServerError) << int(ServiceReply::Status::HttpError) << 500;
        QTest::newRow("dropped") << int(Fault::DropConnection) << int(ServiceReply::Status::NetworkError)
                                 << 0;
        QTest::newRow("not HTTP") << int(Fault::MalformedHttp) << int(ServiceReply::Status::NetworkError)
                                  << 0;
        QTest::newRow("unknown path") << int(Fault::None) << int(ServiceReply::Status::HttpError) << 404;
        QTest::newRow("nobody listens") << -1 << int(ServiceReply::Status::NetworkError) << 0;
    }

    void brokenRepliesAreFailures()
    {
        QFETCH(int, fault);
        QUrl url;
        auto service = std::make_unique<test::ServiceFixture>();
        url = service->address().url(fault == Fault::None ? QStringLiteral("/Api/missing.asp")
                                                          : QStringLiteral("/Api/login.asp"));
        if (fault < 0)
            service.reset();
        else if (fault != Fault::None)
            service->failNext(Fault::Kind(fault), -1);
        Channel c;
        const ServiceReply reply = c.get(url);
        QVERIFY(!reply.ok());
        QTEST(int(reply.status), "status");
        QTEST(reply.httpStatus, "httpStatus");
        QVERIFY(!reply.errorString.isEmpty());
    }

    void timeOutLeavesTheEventLoopRunning()
    {
        test::ServiceFixture service;
        service.delayReplies(3000);
        Channel c;
        c.channel.setTimeout(std::chrono::milliseconds(200));
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(10);
        QVERIFY(c.channel.openUrl(service.address().url(QStringLiteral("/Api/login.asp"))));
        QVERIFY(c.channel.StillExecuting());
        QCOMPARE(c.reply().status, ServiceReply::Status::TimedOut);
        QVERIFY(!c.channel.StillExecuting());
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }

    void busyChannelSendsNothing()
    {
        test::ServiceFixture service;
        service.delayReplies(300);
        Channel c;
        const QUrl url = service.address().url(QStringLiteral("/Api/login.asp"));
        QVERIFY(c.channel.openUrl(url));
        QVERIFY(!c.channel.openUrl(url));
        QVERIFY(!HttpPost(c.channel, url, QStringLiteral("a=1")));
        // The handler of one reply may send the next request at once.
        bool sentFromHandler = false;
        connect(&c.channel, &ServiceChannel::finished, this, [&](const ServiceReply&) {
            if (!sentFromHandler)
                sentFromHandler = c.channel.openUrl(url);
        });
        c.reply();
        QVERIFY(sentFromHandler);
        c.reply();
        QCOMPARE(service.requestCount(), 2);
    }

    void abortEndsTheRequestAtOnce()
    {
        test::ServiceFixture service;
        service.delayReplies(2000);
        Channel c;
        QList<int> states;
        connect(&c.channel, &ServiceChannel::stateChanged, this, [&](int state) { states << state; });
        const QUrl url = service.address().url(QStringLiteral("/Api/login.asp"));
        QVERIFY(c.channel.openUrl(url));
        QTRY_COMPARE(service.requestCount(), 1);
        c.channel.abort();
        QCOMPARE(c.finished.size(), 1);
        QCOMPARE(c.finished.first().at(0).value<ServiceReply>().status, ServiceReply::Status::Aborted);
        QVERIFY(!states.contains(ServiceChannel::Error));
        // A channel destroyed in the middle of a request goes quietly.
        auto doomed = std::make_unique<Channel>();
        QVERIFY(doomed->channel.openUrl(url));
        QTRY_COMPARE(service.requestCount(), 2);
        QSignalSpy doomedFinished(&doomed->channel, &ServiceChannel::finished);
        doomed.reset();
        QCOMPARE(doomedFinished.size(), 0);
    }

    void postSendsTheBodyAsGiven()
    {
        test::ServiceFixture service;
        Channel c;
        const QUrl url = service.address().url(QStringLiteral("/api/Syn.asp"));
        QVERIFY(c.channel.execute(url, QStringLiteral("LocalId=1&title=%D6%D0&content=a b")));
        c.reply();
        const standin::StandInRequest request = service.lastRequest();
        QCOMPARE(request.body, QByteArray("LocalId=1&title=%D6%D0&content=a b"));
        QCOMPARE(request.header("content-type"), QByteArray("application/x-www-form-urlencoded"));
        // Free text goes through the body encoder: no raw UTF-8, "&" and "+" kept as data.
        QVERIFY(HttpPost(c.channel, url, QStringLiteral("a=1&b=中文+\n")));
        c.reply();
        QCOMPARE(service.lastRequest().body, QByteArray("a=1%26b=%D6%D0%CE%C4%2B<BR>"));
    }

    void redirectsAndOversizedRepliesAreFailures_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("bodySize");
        QTest::addColumn<int>("expected");
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        const qint64 cap = ServiceChannel::MaxReplyBytes;
        QTest::newRow("redirect to another host")
            << QByteArray("HTTP/1.1 302 Found\r\nLocation: %1\r\nContent-Length: 0\r\n\r\n") << qint64(0)
            << int(ServiceReply::Status::HttpError);
        QTest::newRow("length over the cap") << ok + "Content-Length: 1073741824\r\n\r\n"
                                             << qint64(2) << int(ServiceReply::Status::NetworkError);
        QTest::newRow("body over the cap, no length") << ok + "Connection: close\r\n\r\n"
                                                      << cap + 1 << int(ServiceReply::Status::NetworkError);
        QTest::newRow("body at the cap") << ok + "Content-Length: " + QByteArray::number(cap) + "\r\n\r\n"
                                         << cap << int(ServiceReply::Status::Completed);
    }

    void redirectsAndOversizedRepliesAreFailures()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, bodySize);
        QFETCH(int, expected);
        // The redirect points at a service that would accept the sign-in.
        test::ServiceFixture elsewhere;
        elsewhere.addAccount(demoUser, demoPassword);
        head.replace("%1", loginUrl(elsewhere, demoUser, demoPassword).toEncoded());
        CannedServer server(head + QByteArray(bodySize, 'a'));
        Channel c;
        c.channel.setTimeout(std::chrono::seconds(5));
        const ServiceReply reply = c.get(server.url());
        QVERIFY2(int(reply.status) == expected, qPrintable(reply.errorString));
        if (reply.ok())
            QCOMPARE(reply.text.size(), bodySize);
        QCOMPARE(elsewhere.requestCount(), 0);
    }
};

VELMO_TEST_MAIN(TestServiceChannel)
#include "TestServiceChannel.moc"
