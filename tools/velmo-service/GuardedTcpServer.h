#pragma once

// The stand-in's listening socket: it closes idle connections, cuts off requests too large to
// keep in memory, and waits a moment instead of giving up when the process runs out of descriptors.

#include <QTcpServer>

#include <chrono>

class QTcpSocket;

namespace velmo::standin {

class GuardedTcpServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit GuardedTcpServer(QObject* parent = nullptr);

    // A request whose body would pass this many bytes (as declared, or as it comes) is answered
    // 413 and its connection closed.
    void setMaxBodyBytes(qint64 bytes) { m_maxBodyBytes = bytes; }
    qint64 maxBodyBytes() const { return m_maxBodyBytes; }
    // A connection that neither sends nor receives for this long is closed.
    void setIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }

    // The request on this socket was handled: the next one on it is counted afresh.
    static void requestHandled(QTcpSocket* socket);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void pauseAfterAcceptError();

    qint64 m_maxBodyBytes;
    std::chrono::milliseconds m_idleTimeout;
};

} // namespace velmo::standin
