#include "ServiceChannel.h"

#include "Gbk.h"
#include "UrlEncoders.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <utility>

namespace velmo {

namespace {

QNetworkRequest makeRequest(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // A redirect would send the name and password digest on to whatever host it names.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    return request;
}

// Why a request got no usable reply, in the words the user reads: the transport's own texts are
// English.
QString transportFailureText(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("服务器拒绝连接");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("服务器在应答前断开了连接");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到服务器");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("服务器没有及时应答");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("与服务器的加密连接无法建立");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("网络暂时不可用");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("代理服务器无法使用");
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure:
        return QStringLiteral("服务器的应答不符合 HTTP 协议");
    default:
        return QStringLiteral("网络错误(代码 %1)").arg(int(error));
    }
}

} // namespace

ServiceChannel::ServiceChannel(QObject* parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    qRegisterMetaType<velmo::ServiceReply>();
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ServiceChannel::onTimeout);
}

ServiceChannel::~ServiceChannel()
{
    if (m_reply) {
        // Nobody is left to hear about it.
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void ServiceChannel::setTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

ServiceRequest* ServiceChannel::openUrl(const QUrl& url)
{
    if (StillExecuting())
        return nullptr;
    return start(m_manager->get(makeRequest(url)));
}

ServiceRequest* ServiceChannel::execute(const QUrl& url, const QString& body, const QByteArray& contentType)
{
    if (StillExecuting())
        return nullptr;
    QNetworkRequest request = makeRequest(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return start(m_manager->post(request, toGbk(body)));
}

ServiceRequest* ServiceChannel::start(QNetworkReply* reply)
{
    m_reply = reply;
    m_request = new ServiceRequest(this);
    m_timedOut = false;
    m_aborted = false;
    m_tooLarge = false;
    m_connecting = false;
    m_sent = false;
    m_receiving = false;
    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this] {
        m_connecting = true;
        report(Connecting);
    });
    connect(reply, &QNetworkReply::requestSent, this, [this] {
        if (m_sent)
            return;
        m_sent = true;
        // A reused connection skips the connecting states.
        if (m_connecting)
            report(Connected);
        report(Requesting);
        report(RequestSent);
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (!m_receiving) {
            m_receiving = true;
            report(ReceivingResponse);
        }
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid())
            checkSize(length.toLongLong());
    });
    // The body is read only at the end, so all that came is still waiting.
    connect(reply, &QNetworkReply::readyRead, this, [this] { checkSize(m_reply->bytesAvailable()); });
    connect(reply, &QNetworkReply::finished, this, &ServiceChannel::onFinished);
    m_timer.start(m_timeout);
    return m_request;
}

void ServiceChannel::abort()
{
    if (!m_reply)
        return;
    m_aborted = true;
    m_reply->abort();
}

void ServiceChannel::onTimeout()
{
    if (!m_reply)
        return;
    m_timedOut = true;
    m_reply->abort();
}

void ServiceChannel::checkSize(qint64 bytes)
{
    if (!m_reply || bytes <= MaxReplyBytes)
        return;
    m_tooLarge = true;
    m_reply->abort();
}

void ServiceChannel::onFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_timer.stop();
    m_reply = nullptr;
    // Taken now: a handler of the last states may already send the next request.
    ServiceRequest* request = std::exchange(m_request, nullptr);
    request->deleteLater();
    reply->disconnect(this);
    reply->deleteLater();

    ServiceReply result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.httpStatus = status.isValid() ? status.toInt() : 0;
    if (m_aborted) {
        result.status = ServiceReply::Status::Aborted;
        result.errorString = QStringLiteral("请求已取消");
    } else if (m_tooLarge) {
        result.status = ServiceReply::Status::NetworkError;
        result.tooLarge = true;
        result.errorString =
            QStringLiteral("服务器的应答太大(超过 %1 MB)").arg(MaxReplyBytes / (1024 * 1024));
    } else if (m_timedOut) {
        result.status = ServiceReply::Status::TimedOut;
        result.errorString = QStringLiteral("服务器没有及时应答");
    } else if (result.httpStatus != 0) {
        result.text = fromGbk(reply->readAll());
        if (result.httpStatus >= 200 && result.httpStatus < 300) {
            result.status = ServiceReply::Status::Completed;
        } else {
            result.status = ServiceReply::Status::HttpError;
            result.errorString = QStringLiteral("服务器应答 HTTP 状态 %1").arg(result.httpStatus);
        }
    } else {
        result.status = ServiceReply::Status::NetworkError;
        result.errorString = transportFailureText(reply->error());
    }
    // A transport error after a status line (a connection dropped half-way) is no answer either.
    if (result.status == ServiceReply::Status::Completed && reply->error() != QNetworkReply::NoError) {
        result.status = ServiceReply::Status::NetworkError;
        result.errorString = reply->error() == QNetworkReply::RemoteHostClosedError
                                 ? QStringLiteral("服务器在应答中途断开了连接")
                                 : transportFailureText(reply->error());
    }
    if (result.status != ServiceReply::Status::Aborted) {
        if (result.ok())
            emit request->stateChanged(ResponseReceived);
        emit request->stateChanged(result.ok() ? ResponseCompleted : Error);
    }
    emit request->finished(result);
}

void ServiceChannel::report(State state)
{
    emit m_request->stateChanged(state);
}

ServiceRequest* HttpPost(ServiceChannel& channel, const QUrl& url, const QString& data)
{
    return channel.execute(url, EncodePostData(data));
}

} // namespace velmo
