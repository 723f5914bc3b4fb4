#include "SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

namespace velmo {

namespace {

// Keeps the file names to characters that every file system takes.
QString fileSafe(const QString& key)
{
    QString safe;
    for (const QChar c : key)
        safe += (c.isLetterOrNumber() || c == u'-' || c == u'_') ? c : QChar(u'-');
    return safe;
}

QString runtimeFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!folder.isEmpty())
        return folder;
    // The temporary folder is shared by all users: a folder of this user's own keeps another
    // user's copy from counting as ours.
    return QDir(QDir::tempPath()).filePath(QStringLiteral("velmo-runtime-%1").arg(::getuid()));
}

constexpr int RetryIntervalMs = 100;
constexpr char Acknowledgement[] = "ok\n";

} // namespace

SingleInstance::SingleInstance(QString key, QObject* parent)
    : QObject(parent)
    , m_key(std::move(key))
{
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::lockFilePath() const
{
    return QDir(runtimeFolder()).filePath(QStringLiteral("velmo-%1.lock").arg(fileSafe(m_key)));
}

QString SingleInstance::socketPath() const
{
    return QDir(runtimeFolder()).filePath(QStringLiteral("velmo-%1.socket").arg(fileSafe(m_key)));
}

bool SingleInstance::claim()
{
    if (isRunningCopy())
        return true;
    QDir().mkpath(runtimeFolder());

    m_lock = std::make_unique<QLockFile>(lockFilePath());
    // Only a live process holds the lock: QLockFile takes over a lock whose owner has died, and a
    // copy may run for weeks, so age alone never makes the lock stale.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError)
            return false;
        // The runtime folder cannot hold the lock: start anyway rather than lock the user out.
        qWarning("velmo: cannot create the single-instance lock %s", qPrintable(lockFilePath()));
    }

    // Holding the lock means any socket file left here belongs to a copy that is gone.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    if (!m_server->listen(socketPath()))
        qWarning("velmo: cannot listen on %s: %s", qPrintable(socketPath()),
                 qPrintable(m_server->errorString()));
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readCommand(socket); });
        if (socket->bytesAvailable() > 0)
            readCommand(socket);
    }
}

void SingleInstance::readCommand(QLocalSocket* socket)
{
    // One command per line; a sender that never ends its line is dropped with its connection.
    constexpr qint64 MaxCommandLength = 256;
    while (socket->canReadLine()) {
        const QString command = QString::fromUtf8(socket->readLine(MaxCommandLength)).trimmed();
        socket->write(Acknowledgement);
        socket->flush();
        emit commandReceived(command);
    }
    if (socket->bytesAvailable() > MaxCommandLength)
        socket->abort();
}

void SingleInstance::sendToRunningCopy(const QString& command, int timeoutMs)
{
    m_sendFinished = false;
    m_pendingLine = command.toUtf8() + '\n';
    if (!m_sendTimer) {
        m_sendTimer = new QTimer(this);
        m_sendTimer->setSingleShot(true);
        connect(m_sendTimer, &QTimer::timeout, this, [this] { finishSending(false); });
    }
    m_sendTimer->start(timeoutMs);
    connectToRunningCopy();
}

void SingleInstance::connectToRunningCopy()
{
    if (m_sendFinished)
        return;
    auto* socket = new QLocalSocket(this);
    m_client = socket;
    connect(socket, &QLocalSocket::connected, socket, [this, socket] { socket->write(m_pendingLine); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->canReadLine())
            finishSending(true);
    });
    connect(socket, &QLocalSocket::errorOccurred, this, [this, socket](QLocalSocket::LocalSocketError) {
        socket->deleteLater();
        // The running copy may still be setting up its socket: try again until the time-out.
        if (!m_sendFinished)
            QTimer::singleShot(RetryIntervalMs, this, &SingleInstance::connectToRunningCopy);
    });
    socket->connectToServer(socketPath());
}

void SingleInstance::finishSending(bool delivered)
{
    if (m_sendFinished)
        return;
    m_sendFinished = true;
    if (m_sendTimer)
        m_sendTimer->stop();
    if (m_client)
        m_client->disconnectFromServer();
    emit finished(delivered);
}

} // namespace velmo
