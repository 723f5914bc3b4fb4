#include "GuardedTcpServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <unistd.h>

namespace velmo::standin {

namespace {

// Room for the request line and the headers on top of the body.
constexpr qint64 MaxHeadBytes = 64 * 1024;
constexpr qint64 DefaultMaxBodyBytes = 4 * 1024 * 1024;
constexpr std::chrono::milliseconds DefaultIdleTimeout{30000};
// How long to stop accepting when accept() fails, for example for want of file descriptors.
constexpr std::chrono::milliseconds AcceptPause{500};
// How long a refused connection may take to send its answer before it is cut.
constexpr std::chrono::milliseconds RefusalGrace{2000};
const char* const WatchName = "velmo-connection-watch";

// The value of the Content-Length header in the head seen so far; -1 when none is there (yet).
qint64 declaredLength(const QByteArray& head)
{
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare("content-length", Qt::CaseInsensitive) == 0) {
            bool ok = false;
            const qint64 length = line.mid(colon + 1).trimmed().toLongLong(&ok);
            return ok ? length : -1;
        }
    }
    return -1;
}

// Watches one connection: its idle time and the size of the request under way.
class ConnectionWatch : public QObject
{
public:
    ConnectionWatch(QTcpSocket* socket, qint64 maxBodyBytes, std::chrono::milliseconds idleTimeout)
        : QObject(socket)
        , m_socket(socket)
        , m_maxBodyBytes(maxBodyBytes)
    {
        setObjectName(QLatin1String(WatchName));
        m_idle.setSingleShot(true);
        m_idle.setInterval(idleTimeout);
        connect(&m_idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        // Connected before the HTTP server's own handler, so this sees each piece before it is read.
        connect(socket, &QTcpSocket::readyRead, this, &ConnectionWatch::onReadyRead);
        connect(socket, &QTcpSocket::bytesWritten, this, [this] { m_idle.start(); });
        m_idle.start();
    }

    void restart()
    {
        m_received = 0;
        m_head.clear();
    }

private:
    void onReadyRead()
    {
        m_idle.start();
        const qint64 available = m_socket->bytesAvailable();
        if (m_head.size() < MaxHeadBytes && !m_head.contains("\r\n\r\n"))
            m_head += m_socket->peek(qMin(available, MaxHeadBytes - m_head.size()));
        m_received += available;
        if (declaredLength(m_head) > m_maxBodyBytes || m_received > m_maxBodyBytes + MaxHeadBytes)
            refuse();
    }

    void refuse()
    {
        // Nothing more of this request reaches the HTTP server, and what it holds is let go.
        disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
        if (m_socket->isTransactionStarted())
            m_socket->commitTransaction();
        m_socket->readAll();
        const QByteArray body = "Request Too Large";
        m_socket->write("HTTP/1.1 413 Payload Too Large\r\nContent-Type: text/html; charset=GBK\r\n"
                        "Content-Length: " +
                        QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        m_socket->disconnectFromHost();
        m_idle.setInterval(RefusalGrace);
        m_idle.start();
    }

    QTcpSocket* m_socket;
    qint64 m_maxBodyBytes;
    qint64 m_received = 0;
    QByteArray m_head;
    QTimer m_idle;
};

} // namespace

GuardedTcpServer::GuardedTcpServer(QObject* parent)
    : QTcpServer(parent)
    , m_maxBodyBytes(DefaultMaxBodyBytes)
    , m_idleTimeout(DefaultIdleTimeout)
{
    connect(this, &QTcpServer::acceptError, this, &GuardedTcpServer::pauseAfterAcceptError);
}

void GuardedTcpServer::requestHandled(QTcpSocket* socket)
{
    if (QObject* watch = socket->findChild<QObject*>(QLatin1String(WatchName), Qt::FindDirectChildrenOnly))
        static_cast<ConnectionWatch*>(watch)->restart();
}

void GuardedTcpServer::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(static_cast<int>(descriptor));
        return;
    }
    new ConnectionWatch(socket, m_maxBodyBytes, m_idleTimeout);
    addPendingConnection(socket);
}

void GuardedTcpServer::pauseAfterAcceptError()
{
    // The listening socket stopped accepting; idle connections time out and free descriptors, so
    // try again in a moment rather than stay deaf for good.
    pauseAccepting();
    QTimer::singleShot(AcceptPause, this, &QTcpServer::resumeAccepting);
}

} // namespace velmo::standin
