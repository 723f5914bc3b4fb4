#pragma once

// A local stand-in of the web service: speaks its protocol over HTTP, keeps accounts and memos in
// memory, records the latest requests, and can be told to misbehave. Its memory stays bounded: a
// request body above maxBodyBytes() is answered 413, idle connections are closed, and the request
// log keeps the last RequestLogSize requests with their bodies cut to LoggedBodyBytes.
//
//   velmo::standin::ServiceStandIn service;
//   service.accounts().addAccount("demo", "velmo123");
//   const quint16 port = service.start();            // 127.0.0.1, a free port
//   service.setFault({velmo::standin::Fault::ServerError});
//   service.requests().last().rawQuery               // exactly what the client sent
//
// Paths are matched without letter case ("/Api/login.asp" = "/api/LOGIN.asp"); a new endpoint is one
// addEndpoint() call with a function from request to reply.

#include "AccountStore.h"
#include "OnlineEndpoints.h"
#include "StandInRequest.h"
#include "SyncEndpoints.h"

#include <QAbstractHttpServer>
#include <QHash>
#include <QHostAddress>
#include <QList>

#include <chrono>
#include <functional>

namespace velmo::standin {

// How strictly the "md5" signature of a request is checked against its "nowtime".
enum class SignatureCheck
{
    Strict,  // md5 must sign the nowtime sent with it
    Lenient, // also accepted: the signature of any moment within five minutes of the service's clock
    Off,     // not checked
};

// Misbehaviour for tests and manual tries.
struct Fault
{
    enum Kind
    {
        None,           // answer normally (after the delay, if any)
        ServerError,    // HTTP 500 with a short body
        DropConnection, // close the connection without answering
        Garbage,        // HTTP 200 whose body is garbageText
        MalformedHttp,  // bytes that are not HTTP at all, then close
        DropAnswer,     // do what the request asks, then close the connection without the answer
        HoldRequest,    // close the connection at once; the request takes effect at releaseHeld()
    };

    Kind kind = None;
    int delayMs = 0; // wait this long before doing any of the above
    QString path;    // only requests to this path (without letter case); empty: every path
    int count = -1;  // for this many matching requests, then the fault clears; -1: for good
    QString garbageText = QStringLiteral("<html><body>Service Unavailable</body></html>");
};

class GuardedTcpServer;

class ServiceStandIn : public QAbstractHttpServer
{
    Q_OBJECT

public:
    using Endpoint = std::function<StandInReply(const StandInRequest&)>;

    static constexpr qsizetype RequestLogSize = 1000;
    static constexpr qsizetype LoggedBodyBytes = 64 * 1024;

    // The stand-in with the endpoints of the service already in place.
    explicit ServiceStandIn(QObject* parent = nullptr);
    ~ServiceStandIn() override;

    // Starts listening; returns the port (the chosen one when port is 0), or 0 on failure.
    quint16 start(quint16 port = 0, const QHostAddress& address = QHostAddress::LocalHost);
    quint16 port() const { return m_port; }

    // Requests with a larger body are refused with 413 (4 MB unless changed).
    void setMaxBodyBytes(qint64 bytes);
    qint64 maxBodyBytes() const;
    // Connections quiet for this long are closed (30 seconds unless changed).
    void setIdleTimeout(std::chrono::milliseconds timeout);

    AccountStore& accounts() { return m_accounts; }
    const AccountStore& accounts() const { return m_accounts; }
    OnlineBoard& online() { return m_online; }
    const OnlineBoard& online() const { return m_online; }

    void addEndpoint(const QString& path, Endpoint endpoint);

    // How the account's memos are listed (pages of 20,000 unless changed).
    ListShape& listShape() { return m_listShape; }
    const ListShape& listShape() const { return m_listShape; }

    void setSignatureCheck(SignatureCheck check) { m_signatureCheck = check; }
    SignatureCheck signatureCheck() const { return m_signatureCheck; }
    // True when the request's "md5" and "nowtime" pass the current check.
    bool signatureAccepted(const StandInRequest& request) const;

    void setFault(const Fault& fault) { m_fault = fault; }
    void clearFault() { m_fault = Fault(); }
    // Does what the requests held by Fault::HoldRequest ask, in the order they came (a request that
    // reaches the service long after its client gave up).
    void releaseHeld();
    Fault fault() const { return m_fault; }

    // The latest requests, oldest first; a body longer than LoggedBodyBytes is cut (bodyTruncated).
    QList<StandInRequest> requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

signals:
    void requestReceived(const velmo::standin::StandInRequest& request);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    StandInReply dispatch(const StandInRequest& request) const;
    // The fault that applies to this request, counting it down.
    Fault takeFault(const QString& path);

    AccountStore m_accounts;
    OnlineBoard m_online;
    QHash<QString, Endpoint> m_endpoints; // keyed by the lower-case path
    SignatureCheck m_signatureCheck = SignatureCheck::Strict;
    ListShape m_listShape;
    Fault m_fault;
    QList<StandInRequest> m_held;
    QList<StandInRequest> m_requests;
    GuardedTcpServer* m_server;
    quint16 m_port = 0;
};

} // namespace velmo::standin
