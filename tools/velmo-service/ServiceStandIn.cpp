#include "ServiceStandIn.h"

#include <utility>

#include "Endpoints.h"
#include "GuardedTcpServer.h"

#include "platform/Clock.h"
#include "platform/Gbk.h"
#include "platform/RequestSignature.h"

#include <QHttpServerRequest>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace velmo::standin {

namespace {

constexpr int lenientWindowSeconds = 300;

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    case QHttpServerRequest::Method::Connect:
        return "CONNECT";
    case QHttpServerRequest::Method::Trace:
        return "TRACE";
    default:
        return "UNKNOWN";
    }
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

QByteArray httpResponse(const StandInReply& reply)
{
    const QByteArray body = toGbk(reply.text);
    QByteArray response =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) +
        "\r\nContent-Type: text/html; charset=GBK\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\nCache-Control: private\r\n\r\n";
    return response + body;
}

StandInRequest recordOf(const QHttpServerRequest& request)
{
    StandInRequest recorded;
    recorded.method = methodName(request.method());
    const QUrl url = request.url();
    recorded.path = url.path(QUrl::FullyEncoded);
    recorded.rawQuery = url.query(QUrl::FullyEncoded).toLatin1();
    recorded.body = request.body();
    recorded.headers = request.headers();
    return recorded;
}

} // namespace

ServiceStandIn::ServiceStandIn(QObject* parent)
    : QAbstractHttpServer(parent)
    , m_server(new GuardedTcpServer(this))
{
    addServiceEndpoints(*this);
}

ServiceStandIn::~ServiceStandIn() = default;

quint16 ServiceStandIn::start(quint16 port, const QHostAddress& address)
{
    if (!m_server->listen(address, port))
        return 0;
    bind(m_server);
    m_port = m_server->serverPort();
    return m_port;
}

void ServiceStandIn::setMaxBodyBytes(qint64 bytes)
{
    m_server->setMaxBodyBytes(bytes);
}

qint64 ServiceStandIn::maxBodyBytes() const
{
    return m_server->maxBodyBytes();
}

void ServiceStandIn::setIdleTimeout(std::chrono::milliseconds timeout)
{
    m_server->setIdleTimeout(timeout);
}

void ServiceStandIn::addEndpoint(const QString& path, Endpoint endpoint)
{
    m_endpoints.insert(path.toLower(), std::move(endpoint));
}

bool ServiceStandIn::signatureAccepted(const StandInRequest& request) const
{
    if (m_signatureCheck == SignatureCheck::Off)
        return true;
    const QString md5 = request.queryValue(QStringLiteral("md5"));
    if (md5.isEmpty())
        return false;
    if (md5 == RequestSignature(request.queryValue(QStringLiteral("nowtime"))))
        return true;
    if (m_signatureCheck == SignatureCheck::Strict)
        return false;
    const QDateTime now = Clock::currentDateTime();
    for (int offset = -lenientWindowSeconds; offset <= lenientWindowSeconds; ++offset) {
        if (md5 == RequestSignature(NowNumberText(now.addSecs(offset))))
            return true;
    }
    return false;
}

StandInReply ServiceStandIn::dispatch(const StandInRequest& request) const
{
    const auto it = m_endpoints.constFind(request.path.toLower());
    if (it == m_endpoints.constEnd())
        return StandInReply{404, QStringLiteral("Not Found")};
    return (*it)(request);
}

Fault ServiceStandIn::takeFault(const QString& path)
{
    if (m_fault.kind == Fault::None && m_fault.delayMs == 0)
        return Fault();
    if (!m_fault.path.isEmpty() && m_fault.path.compare(path, Qt::CaseInsensitive) != 0)
        return Fault();
    if (m_fault.count == 0)
        return Fault();
    const Fault applied = m_fault;
    if (m_fault.count > 0 && --m_fault.count == 0)
        m_fault = Fault();
    return applied;
}

bool ServiceStandIn::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    GuardedTcpServer::requestHandled(socket);
    const StandInRequest recorded = recordOf(request);
    StandInRequest logged = recorded;
    if (logged.body.size() > LoggedBodyBytes) {
        logged.body.truncate(LoggedBodyBytes);
        logged.bodyTruncated = true;
    }
    if (m_requests.size() >= RequestLogSize)
        m_requests.removeFirst();
    m_requests.append(logged);
    emit requestReceived(recorded);

    const Fault fault = takeFault(recorded.path);
    QPointer<QTcpSocket> target(socket);
    auto answer = [this, target, recorded, fault] {
        if (!target) {
            // A request received whole is done even when its client gave up waiting.
            if (fault.kind == Fault::None || fault.kind == Fault::DropAnswer)
                dispatch(recorded);
            else if (fault.kind == Fault::HoldRequest)
                m_held.append(recorded);
            return;
        }
        switch (fault.kind) {
        case Fault::DropConnection:
            target->abort();
            return;
        case Fault::HoldRequest:
            m_held.append(recorded);
            target->abort();
            return;
        case Fault::DropAnswer:
            dispatch(recorded); // the request takes effect; its answer is lost on the way
            target->abort();
            return;
        case Fault::MalformedHttp:
            target->write("\x01\x02 this is not HTTP \xff\xfe\r\n\r\n");
            target->disconnectFromHost();
            return;
        case Fault::ServerError:
            target->write(httpResponse(StandInReply{500, QStringLiteral("Internal Server Error")}));
            return;
        case Fault::Garbage:
            target->write(httpResponse(StandInReply::ok(fault.garbageText)));
            return;
        case Fault::None:
            target->write(httpResponse(dispatch(recorded)));
            return;
        }
    };
    if (fault.delayMs > 0)
        QTimer::singleShot(fault.delayMs, this, answer);
    else
        answer();
    return true;
}

void ServiceStandIn::releaseHeld()
{
    for (const StandInRequest& request : std::exchange(m_held, {}))
        dispatch(request);
}

void ServiceStandIn::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    handleRequest(request, socket);
}

} // namespace velmo::standin
