#include "ServiceFixture.h"
#include "TestMain.h"

#include "platform/Clock.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"

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

// The reply of the one request the channel has running; an empty NetworkError reply when none came.
ServiceReply waitForReply(QSignalSpy& spy)
{
    if (spy.isEmpty() && !spy.wait(10000))
        return ServiceReply();
    return spy.takeFirst().at(0).value<ServiceReply>();
}

QList<int> states(const QSignalSpy& spy)
{
    QList<int> result;
    for (const QList<QVariant>& arguments : spy)
        result.append(arguments.at(0).toInt());
    return result;
}

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
    void signInRepliesOfTheStandIn()
    {
        test::ServiceFixture service;
        QVERIFY(service.isRunning());
        service.addAccount(demoUser, demoPassword, true);
        service.addAccount(QStringLiteral("张三"), QStringLiteral("密码"));
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);

        QVERIFY(channel.openUrl(loginUrl(service, demoUser, demoPassword)));
        ServiceReply reply = waitForReply(finished);
        QVERIFY2(reply.ok(), qPrintable(reply.errorString));
        QCOMPARE(reply.httpStatus, 200);
        QCOMPARE(reply.text, QStringLiteral("ok|1|") + ServerProof(MD5_16(demoPassword)));

        QVERIFY(channel.openUrl(loginUrl(service, demoUser, QStringLiteral("wrong"))));
        reply = waitForReply(finished);
        QVERIFY(reply.ok());
        QCOMPARE(reply.text, QStringLiteral("error"));

        // A Chinese name travels as its GBK bytes and is found again by the service.
        QVERIFY(channel.openUrl(loginUrl(service, QStringLiteral("张三"), QStringLiteral("密码"))));
        reply = waitForReply(finished);
        QCOMPARE(reply.text, QStringLiteral("ok|0|") + ServerProof(MD5_16(u"密码")));
        QVERIFY(service.lastRequest().rawQuery.startsWith("user=%D5%C5%C8%FD&pass="));
        QCOMPARE(service.lastRequest().method, QByteArray("GET"));
        QCOMPARE(service.lastRequest().path, QStringLiteral("/Api/login.asp"));
    }

    void pathsAreMatchedWithoutLetterCase()
    {
        test::ServiceFixture service;
        service.addAccount(demoUser, demoPassword);
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        for (const QString& path : {QStringLiteral("/api/login.asp"), QStringLiteral("/API/LOGIN.ASP")}) {
            QVERIFY(channel.openUrl(loginUrl(service, demoUser, demoPassword, path)));
            const ServiceReply reply = waitForReply(finished);
            QVERIFY2(reply.text.startsWith(QStringLiteral("ok|0|")), qPrintable(path + reply.text));
        }
        QVERIFY(channel.openUrl(service.address().url(QStringLiteral("/Api/missing.asp"))));
        const ServiceReply missing = waitForReply(finished);
        QCOMPARE(missing.status, ServiceReply::Status::HttpError);
        QCOMPARE(missing.httpStatus, 404);
    }

    void signatureChecks()
    {
        test::ServiceFixture service;
        service.addAccount(demoUser, demoPassword);
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        // Signed over one second, sent with the next: the original way of signing.
        const QDateTime now = Clock::currentDateTime();
        const QString nextSecond = NowNumberText(now.addSecs(1));
        const QUrl skewed = service.address().url(
            QStringLiteral("/Api/login.asp"), {{QStringLiteral("user"), demoUser},
                                               {QStringLiteral("pass"), MD5_16(demoPassword)},
                                               {QStringLiteral("md5"), RequestSignature(NowNumberText(now))},
                                               {QStringLiteral("nowtime"), nextSecond}});
        const QUrl unsignedUrl = service.address().url(
            QStringLiteral("/Api/login.asp"),
            {{QStringLiteral("user"), demoUser}, {QStringLiteral("pass"), MD5_16(demoPassword)}});

        const auto answer = [&](const QUrl& url) {
            if (!channel.openUrl(url))
                return QStringLiteral("busy");
            return waitForReply(finished).text;
        };
        QCOMPARE(answer(skewed), QStringLiteral("signerror"));
        QCOMPARE(answer(unsignedUrl), QStringLiteral("signerror"));
        service.setSignatureCheck(SignatureCheck::Lenient);
        QVERIFY(answer(skewed).startsWith(QStringLiteral("ok|")));
        QCOMPARE(answer(unsignedUrl), QStringLiteral("signerror"));
        service.setSignatureCheck(SignatureCheck::Off);
        QVERIFY(answer(unsignedUrl).startsWith(QStringLiteral("ok|")));
    }

    void replyIsDecodedFromGbk()
    {
        test::ServiceFixture service;
        Fault fault;
        fault.kind = Fault::Garbage;
        fault.garbageText = QStringLiteral("服务器维护中,请稍候");
        service.setFault(fault);
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        QVERIFY(channel.openUrl(service.address().url(QStringLiteral("/Api/login.asp"))));
        const ServiceReply reply = waitForReply(finished);
        QVERIFY(reply.ok());
        QCOMPARE(reply.text, QStringLiteral("服务器维护中,请稍候"));
    }

    void statesOfASuccessfulRequest()
    {
        test::ServiceFixture service;
        ServiceChannel channel;
        QSignalSpy stateSpy(&channel, &ServiceChannel::stateChanged);
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        bool busyAtCompletion = true;
        int statusAtError = 0;
        connect(&channel, &ServiceChannel::stateChanged, this, [&](int state) {
            if (state == ServiceChannel::ResponseCompleted)
                busyAtCompletion = channel.StillExecuting();
            if (state == ServiceChannel::Error)
                statusAtError = channel.lastReply().httpStatus;
        });
        QVERIFY(channel.openUrl(service.address().url(QStringLiteral("/Api/Notice.txt"))));
        waitForReply(finished);
        // A 404 is not an answer of the service: the request ends in the error state.
        const QList<int> seen = states(stateSpy);
        QCOMPARE(seen.first(), int(ServiceChannel::Connecting));
        QCOMPARE(seen.last(), int(ServiceChannel::Error));
        QVERIFY(!seen.contains(ServiceChannel::ResponseCompleted));
        QCOMPARE(statusAtError, 404);

        service.addAccount(demoUser, demoPassword);
        stateSpy.clear();
        QVERIFY(channel.openUrl(loginUrl(service, demoUser, demoPassword)));
        QVERIFY(waitForReply(finished).ok());
        const QList<int> good = states(stateSpy);
        QCOMPARE(good.last(), int(ServiceChannel::ResponseCompleted));
        QVERIFY(good.contains(ServiceChannel::RequestSent));
        QVERIFY(good.indexOf(ServiceChannel::Requesting) < good.indexOf(ServiceChannel::RequestSent));
        QVERIFY(good.indexOf(ServiceChannel::RequestSent) < good.indexOf(ServiceChannel::ReceivingResponse));
        QVERIFY(good.indexOf(ServiceChannel::ReceivingResponse) <
                good.indexOf(ServiceChannel::ResponseReceived));
        QVERIFY(!good.contains(ServiceChannel::Error));
        QVERIFY(!busyAtCompletion);
    }

    void serverErrorIsAFailureWithItsStatus()
    {
        test::ServiceFixture service;
        service.addAccount(demoUser, demoPassword);
        service.failNext(Fault::ServerError);
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        QVERIFY(channel.openUrl(loginUrl(service, demoUser, demoPassword)));
        const ServiceReply reply = waitForReply(finished);
        QVERIFY(!reply.ok());
        QCOMPARE(reply.status, ServiceReply::Status::HttpError);
        QCOMPARE(reply.httpStatus, 500);
        QVERIFY(!reply.errorString.isEmpty());
        // The fault was for one request only.
        QVERIFY(channel.openUrl(loginUrl(service, demoUser, demoPassword)));
        QVERIFY(waitForReply(finished).ok());
    }

    void timeOutLeavesTheEventLoopRunning()
    {
        test::ServiceFixture service;
        service.delayReplies(3000);
        ServiceChannel channel;
        channel.setTimeout(std::chrono::milliseconds(200));
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(10);

        QVERIFY(channel.openUrl(service.address().url(QStringLiteral("/Api/login.asp"))));
        QVERIFY(channel.StillExecuting());
        const ServiceReply reply = waitForReply(finished);
        QCOMPARE(reply.status, ServiceReply::Status::TimedOut);
        QVERIFY(!channel.StillExecuting());
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QCOMPARE(finished.size(), 0);
    }

    void brokenConnectionsAreFailures_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("dropped") << int(Fault::DropConnection);
        QTest::newRow("not HTTP") << int(Fault::MalformedHttp);
    }

    void brokenConnectionsAreFailures()
    {
        QFETCH(int, fault);
        test::ServiceFixture service;
        service.failNext(Fault::Kind(fault), -1);
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        QVERIFY(channel.openUrl(service.address().url(QStringLiteral("/Api/login.asp"))));
        const ServiceReply reply = waitForReply(finished);
        QVERIFY(!reply.ok());
        QCOMPARE(reply.status, ServiceReply::Status::NetworkError);
        QVERIFY(!reply.errorString.isEmpty());
        QVERIFY(service.requestCount() >= 1);
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
        ServiceChannel channel;
        channel.setTimeout(std::chrono::seconds(5));
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        QVERIFY(channel.openUrl(server.url()));
        const ServiceReply reply = waitForReply(finished);
        QVERIFY2(int(reply.status) == expected, qPrintable(reply.errorString));
        if (reply.ok())
            QCOMPARE(reply.text.size(), bodySize);
        QCOMPARE(elsewhere.requestCount(), 0);
    }

    void unreachableServiceIsANetworkError()
    {
        QUrl closed;
        {
            test::ServiceFixture gone;
            closed = gone.address().url(QStringLiteral("/Api/login.asp"));
        }
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        QVERIFY(channel.openUrl(closed));
        const ServiceReply reply = waitForReply(finished);
        QCOMPARE(reply.status, ServiceReply::Status::NetworkError);
        QCOMPARE(reply.httpStatus, 0);
    }

    void busyChannelSendsNothing()
    {
        test::ServiceFixture service;
        service.delayReplies(300);
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        const QUrl url = service.address().url(QStringLiteral("/Api/login.asp"));
        QVERIFY(channel.openUrl(url));
        QVERIFY(channel.StillExecuting());
        QVERIFY(!channel.openUrl(url));
        QVERIFY(!channel.execute(url, QStringLiteral("a=1")));
        QVERIFY(!HttpPost(channel, url, QStringLiteral("a=1")));

        // The handler of one reply may send the next request at once.
        bool sentFromHandler = false;
        connect(&channel, &ServiceChannel::finished, this, [&](const ServiceReply&) {
            if (!sentFromHandler)
                sentFromHandler = channel.openUrl(url);
        });
        waitForReply(finished);
        QVERIFY(sentFromHandler);
        waitForReply(finished);
        QVERIFY(!channel.StillExecuting());
        QCOMPARE(service.requestCount(), 2);
    }

    void abortEndsTheRequestAtOnce()
    {
        test::ServiceFixture service;
        service.delayReplies(2000);
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        QSignalSpy stateSpy(&channel, &ServiceChannel::stateChanged);
        QVERIFY(channel.openUrl(service.address().url(QStringLiteral("/Api/login.asp"))));
        QTRY_COMPARE(service.requestCount(), 1);
        channel.abort();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().at(0).value<ServiceReply>().status, ServiceReply::Status::Aborted);
        QVERIFY(!channel.StillExecuting());
        QVERIFY(!states(stateSpy).contains(ServiceChannel::Error));
        channel.abort();
        QCOMPARE(finished.size(), 1);

        // A channel destroyed in the middle of a request goes quietly.
        auto doomed = std::make_unique<ServiceChannel>();
        QSignalSpy doomedFinished(doomed.get(), &ServiceChannel::finished);
        QVERIFY(doomed->openUrl(service.address().url(QStringLiteral("/Api/login.asp"))));
        QTRY_COMPARE(service.requestCount(), 2);
        doomed.reset();
        QCOMPARE(doomedFinished.size(), 0);
        service.clearFault();
        QVERIFY(channel.openUrl(service.address().url(QStringLiteral("/Api/login.asp"))));
        QVERIFY(finished.wait(10000));
    }

    void postSendsTheBodyAsGiven()
    {
        test::ServiceFixture service;
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        const QUrl url = service.address().url(QStringLiteral("/api/Syn.asp"));

        QVERIFY(channel.execute(url, QStringLiteral("LocalId=1&title=%D6%D0&content=a b")));
        waitForReply(finished);
        standin::StandInRequest request = service.lastRequest();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QStringLiteral("/api/Syn.asp"));
        QCOMPARE(request.body, QByteArray("LocalId=1&title=%D6%D0&content=a b"));
        QCOMPARE(request.header("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(request.formValue(QStringLiteral("title")), QStringLiteral("中"));

        // Free text goes through the body encoder: no raw UTF-8, "&" and "+" kept as data.
        QVERIFY(HttpPost(channel, url, QStringLiteral("a=1&b=中文+\n")));
        waitForReply(finished);
        QCOMPARE(service.lastRequest().body, QByteArray("a=1%26b=%D6%D0%CE%C4%2B<BR>"));
    }
};

VELMO_TEST_MAIN(TestServiceChannel)
#include "TestServiceChannel.moc"
