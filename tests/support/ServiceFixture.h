#pragma once

// The web service stand-in running on 127.0.0.1 for one test, on a free port.
//
//   velmo::test::ServiceFixture service;
//   service.addAccount("demo", "velmo123");
//   velmo::ServiceAddress address = service.address();   // inject into the code under test
//   service.failNext(velmo::standin::Fault::ServerError);   // or setFault({...}) for more control
//   QCOMPARE(service.lastRequest().rawQuery, expectedQuery);

#include "platform/ServiceAddress.h"
#include "velmo-service/ServiceStandIn.h"

#include <QUrl>

#include <memory>

namespace velmo::test {

class ServiceFixture
{
public:
    // Starts the stand-in with strict signature checks and no accounts.
    ServiceFixture()
    {
        m_service->setSignatureCheck(standin::SignatureCheck::Strict);
        m_port = m_service->start(0, QHostAddress::LocalHost);
    }

    quint16 port() const { return m_port; }
    QUrl baseUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)); }
    ServiceAddress address() const { return ServiceAddress(baseUrl()); }

    standin::ServiceStandIn& service() { return *m_service; }
    standin::AccountStore& accounts() { return m_service->accounts(); }
    void addAccount(const QString& userId, const QString& password, bool mailboxBound = false)
    {
        accounts().addAccount(userId, password, mailboxBound);
    }

    void setSignatureCheck(standin::SignatureCheck check) { m_service->setSignatureCheck(check); }
    // Pages of the account's list name at most this many memos.
    void setListPageSize(int entries) { m_service->listShape().pageSize = entries; }
    // The list is answered as a service of the previous version did: whole, no tokens or digests.
    void setPlainList(bool plain) { m_service->listShape().plain = plain; }
    void setFault(const standin::Fault& fault) { m_service->setFault(fault); }
    // The next count requests (to path, when given) meet the fault, each after delayMs; the rest are
    // answered normally.
    void failNext(standin::Fault::Kind kind, int count = 1, const QString& path = QString(), int delayMs = 0)
    {
        standin::Fault fault;
        fault.kind = kind;
        fault.count = count;
        fault.path = path;
        fault.delayMs = delayMs;
        setFault(fault);
    }
    // Every reply waits this long.
    void delayReplies(int milliseconds) { failNext(standin::Fault::None, -1, QString(), milliseconds); }
    void clearFault() { m_service->clearFault(); }

    QList<standin::StandInRequest> requests() const { return m_service->requests(); }
    qsizetype requestCount() const { return m_service->requests().size(); }
    // The last request received; an empty one when there was none.
    standin::StandInRequest lastRequest() const { return requests().value(requestCount() - 1); }
    void clearRequests() { m_service->clearRequests(); }

private:
    std::unique_ptr<standin::ServiceStandIn> m_service = std::make_unique<standin::ServiceStandIn>();
    quint16 m_port = 0;
};

} // namespace velmo::test
