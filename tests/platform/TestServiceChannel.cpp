#include "ServiceFixture.h"
#include "TestMain.h"

#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"

#include <QSignalSpy>
#include <QTimer>

using namespace velmo;
using standin::Fault;

namespace {

QUrl loginUrl(const test::ServiceFixture& service, const QString& user, const QString& password)
{
    const SignedTimestamp stamp = SignedTimestamp::now();
    return service.address().url(QStringLiteral("/Api/login.asp"),
                                 {{QStringLiteral("user"), user},
                                  {QStringLiteral("pass"), MD5_16(password)},
                                  {QStringLiteral("md5"), stamp.md5},
                                  {QStringLiteral("nowtime"), stamp.nowtime}});
}

ServiceReply waitForReply(QSignalSpy& spy)
{
    if (spy.isEmpty() && !spy.wait(10000))
        return ServiceReply();
    return spy.takeFirst().at(0).value<ServiceReply>();
}

} // namespace

class TestServiceChannel : public QObject
{
    Q_OBJECT

private slots:
    void signInRoundTrip()
    {
        test::ServiceFixture service;
        QVERIFY(service.isRunning());
        service.addAccount(QStringLiteral("demo"), QStringLiteral("velmo123"), true);
        ServiceChannel channel;
        QSignalSpy finished(&channel, &ServiceChannel::finished);
        QVERIFY(channel.openUrl(loginUrl(service, QStringLiteral("demo"), QStringLiteral("velmo123"))));
        const ServiceReply reply = waitForReply(finished);
        QVERIFY2(reply.ok(), qPrintable(reply.errorString));
        QCOMPARE(reply.httpStatus, 200);
        QCOMPARE(reply.text, QStringLiteral("ok|1|") + ServerProof(MD5_16(QStringLiteral("velmo123"))));
    }
};

VELMO_TEST_MAIN(TestServiceChannel)
#include "TestServiceChannel.moc"
