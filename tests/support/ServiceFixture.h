#pragma once

// The web service stand-in running on 127.0.0.1 for one test, on a free port.
//
//   velmo::test::ServiceFixture service;
//   QVERIFY(service.isRunning());
//   service.addAccount("demo", "velmo123");
//   velmo::ServiceAddress address = service.address();   // inject into the code under test
//   service.failNext(velmo::standin::Fault::ServerError);   // or setFault({...}) for more control
//   QCOMPARE(service.lastRequest().rawQuery, expectedQuery);

#include "platform/ServiceAddress.h"
#include "velmo-service/ServiceStandIn.h"

#include <QList>
#include <QUrl>

#include <memory>

namespace velmo::test {

class ServiceFixture
{
public:
    // Starts the stand-in with strict signature checks and no accounts.
    ServiceFixture();
    ~ServiceFixture();

    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QUrl baseUrl() const;
    ServiceAddress address() const { return ServiceAddress(baseUrl()); }

    standin::ServiceStandIn& service() { return *m_service; }
    standin::AccountStore& accounts() { return m_service->accounts(); }
    void addAccount(const QString& userId, const QString& password, bool mailboxBound = false);

    void setSignatureCheck(standin::SignatureCheck check) { m_service->setSignatureCheck(check); }
    void setFault(const standin::Fault& fault) { m_service->setFault(fault); }
    // The next count requests (to path, when given) meet the fault; the rest are answered normally.
    void failNext(standin::Fault::Kind kind, int count = 1, const QString& path = QString());
    // Every reply waits this long.
    void delayReplies(int milliseconds);
    void clearFault() { m_service->clearFault(); }

    QList<standin::StandInRequest> requests() const { return m_service->requests(); }
    qsizetype requestCount() const { return m_service->requests().size(); }
    // The last request received; an empty one when there was none.
    standin::StandInRequest lastRequest() const;
    void clearRequests() { m_service->clearRequests(); }

private:
    std::unique_ptr<standin::ServiceStandIn> m_service;
    quint16 m_port = 0;
};

} // namespace velmo::test
