#include "ServiceFixture.h"

namespace velmo::test {

ServiceFixture::ServiceFixture()
    : m_service(std::make_unique<standin::ServiceStandIn>())
{
    m_service->setSignatureCheck(standin::SignatureCheck::Strict);
    m_port = m_service->start(0, QHostAddress::LocalHost);
}

ServiceFixture::~ServiceFixture() = default;

QUrl ServiceFixture::baseUrl() const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(m_port);
    return url;
}

void ServiceFixture::addAccount(const QString& userId, const QString& password, bool mailboxBound)
{
    m_service->accounts().addAccount(userId, password, mailboxBound);
}

void ServiceFixture::failNext(standin::Fault::Kind kind, int count, const QString& path)
{
    standin::Fault fault;
    fault.kind = kind;
    fault.count = count;
    fault.path = path;
    m_service->setFault(fault);
}

void ServiceFixture::delayReplies(int milliseconds)
{
    standin::Fault fault;
    fault.delayMs = milliseconds;
    m_service->setFault(fault);
}

standin::StandInRequest ServiceFixture::lastRequest() const
{
    const auto all = m_service->requests();
    return all.isEmpty() ? standin::StandInRequest() : all.last();
}

} // namespace velmo::test
