#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
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

// Creates the folder when missing and checks that no other user can have put or can put files in
// it: a real folder (not a link to one), owned by this user, writable by nobody else. Returns why
// not, or an empty text when the folder is fit.
QString unfitReason(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QString::fromLocal8Bit(std::strerror(errno));
    struct stat info = {};
    if (::lstat(name.constData(), &info) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("it is not a folder");
    if (info.st_uid != ::getuid())
        return QStringLiteral("it belongs to user %1").arg(info.st_uid);
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return QStringLiteral("other users can write to it");
    return QString();
}

// The first fit folder of: the runtime folder; a folder of this user's own in the temporary folder,
// which all users share; the same in the cache folder under the home folder. When none is fit, a
// fresh private folder keeps the files safe, though a second copy will not find the first.
QString privateRuntimeFolder()
{
    QStringList candidates;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        candidates << runtime;
    candidates << QDir(QDir::tempPath()).filePath(QStringLiteral("velmo-runtime-%1").arg(::getuid()));
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache))
        candidates << QDir(cache).filePath(QStringLiteral("velmo-runtime"));
    for (const QString& candidate : std::as_const(candidates)) {
        const QString reason = unfitReason(candidate);
        if (reason.isEmpty())
            return candidate;
        qWarning("velmo: not using %s for the single-instance lock: %s", qPrintable(candidate),
                 qPrintable(reason));
    }
    QByteArray pattern = QFile::encodeName(QDir(QDir::tempPath()).filePath(QStringLiteral("velmo-XXXXXX")));
    if (::mkdtemp(pattern.data()) == nullptr)
        return QString();
    qWarning("velmo: no shared folder for the single-instance lock; a second copy will not find this one");
    return QFile::decodeName(pattern);
}

// In words for the user: why the lock file cannot be taken over.
QString lockTrouble(const QString& path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            return QStringLiteral("它不是普通文件");
        if (info.st_uid != ::getuid())
            return QStringLiteral("它属于其他账户，用户号 %1").arg(info.st_uid);
        if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0)
            return QStringLiteral("本账户无法读写它");
    }
    qint64 pid = 0;
    if (QLockFile(path).getLockInfo(&pid, nullptr, nullptr))
        return QStringLiteral("持有它的程序，进程号 %1，没有应答").arg(pid);
    return QStringLiteral("可能属于其他账户");
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

QString SingleInstance::folder() const
{
    if (m_folder.isEmpty())
        m_folder = privateRuntimeFolder();
    return m_folder;
}

QString SingleInstance::lockFilePath() const
{
    return QDir(folder()).filePath(QStringLiteral("velmo-%1.lock").arg(fileSafe(m_key)));
}

QString SingleInstance::socketPath() const
{
    return QDir(folder()).filePath(QStringLiteral("velmo-%1.socket").arg(fileSafe(m_key)));
}

bool SingleInstance::claim()
{
    if (isRunningCopy())
        return true;
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
    m_outcome = Outcome::RunningCopy;
    return true;
}

QString SingleInstance::lockProblemMessage() const
{
    return m_outcome == Outcome::LockUnusable ? unusableLockMessage(lockFilePath(), m_lockProblem)
                                              : QString();
}

QString unusableLockMessage(const QString& lockPath, const QString& reason)
{
    return QStringLiteral("无法启动：锁文件 %1 无法使用（%2）。请删除该文件后重试。").arg(lockPath, reason);
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
    m_outcome = Outcome::Undecided;
    m_lockProblem.clear();
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
    if (delivered) {
        m_outcome = Outcome::Delivered;
    } else {
        m_outcome = Outcome::LockUnusable;
        m_lockProblem = lockTrouble(lockFilePath());
    }
    emit finished(delivered);
}

} // namespace velmo
