#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QPointer>

#include <memory>

class QLocalSocket;
class QTimer;

namespace velmo {

// Keeps the program to one running copy per user: the first copy holds a lock and listens on a
// local socket; a later copy finds it by the same name and hands it a command instead of starting.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // The name both copies meet by; the files behind it live in the per-user runtime folder.
    static constexpr const char* DefaultKey = "Tarvik|FormDDE";

    explicit SingleInstance(QString key = QString::fromLatin1(DefaultKey), QObject* parent = nullptr);
    ~SingleInstance() override;

    // How the start has gone so far.
    enum class Outcome
    {
        Undecided,    // claim() not called yet, or a command still on its way
        RunningCopy,  // claim() succeeded: this process is the running copy
        Delivered,    // a later copy: the running copy took the command
        LockUnusable, // the lock could not be taken and no running copy answered: see lockProblem()
    };

    // Tries to become the running copy. True: this process holds the lock and receives commands
    // from now on (a lock or socket left behind by a copy that crashed is taken over). False: a
    // live copy already runs; hand it a command with sendToRunningCopy().
    bool claim();
    bool isRunningCopy() const { return m_server != nullptr && m_server->isListening(); }

    // Delivers one command to the running copy without blocking; finished() tells how it went.
    // A copy that does not answer within timeoutMs counts as not reached, and the outcome becomes
    // LockUnusable: the lock is held by nothing this user can reach.
    void sendToRunningCopy(const QString& command, int timeoutMs = 3000);

    Outcome outcome() const { return m_outcome; }
    // Why the lock could not be used, in a few words for the user; empty unless LockUnusable.
    QString lockProblem() const { return m_lockProblem; }
    // The whole message for the user, naming the lock file; empty unless LockUnusable.
    QString lockProblemMessage() const;

    // Where the lock file and the socket live (for tests and diagnostics). The folder is one only
    // this user can write to: the runtime folder, else a folder of this user's own in the temporary
    // folder or the cache folder; one that another user owns or can write to is never used.
    QString lockFilePath() const;
    QString socketPath() const;

signals:
    // In the running copy: a later copy sent this command.
    void commandReceived(const QString& command);
    // In a later copy: the command reached the running copy (delivered) or not.
    void finished(bool delivered);

private:
    void acceptConnections();
    void readCommand(QLocalSocket* socket);
    void connectToRunningCopy();
    void finishSending(bool delivered);
    QString folder() const;

    QString m_key;
    mutable QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    QPointer<QLocalSocket> m_client;
    QByteArray m_pendingLine;
    QTimer* m_sendTimer = nullptr;
    bool m_sendFinished = false;
    Outcome m_outcome = Outcome::Undecided;
    QString m_lockProblem;
};

// The message shown when the lock file at lockPath cannot be used, for the given reason.
QString unusableLockMessage(const QString& lockPath, const QString& reason);

} // namespace velmo
