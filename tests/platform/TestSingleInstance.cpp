#include "TestMain.h"

#include "platform/SingleInstance.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <QLockFile>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmo;

namespace {

// Starts the probe in a mode that keeps running and waits for its first line.
std::unique_ptr<QProcess> startProbe(const QString& mode, QByteArray& firstLine)
{
    auto probe = std::make_unique<QProcess>();
    probe->start(QStringLiteral(VELMO_INSTANCE_PROBE), {mode});
    if (!probe->waitForStarted(5000))
        return nullptr;
    if (!QTest::qWaitFor([&probe] { return probe->canReadLine(); }, 10000))
        return nullptr;
    firstLine = probe->readLine().trimmed();
    return probe;
}

// Runs a later copy to its end; the event loop keeps turning, as an instance in this process
// has to answer it.
int runSender(const QString& command)
{
    QProcess sender;
    sender.start(QStringLiteral(VELMO_INSTANCE_PROBE), {QStringLiteral("send"), command});
    if (!QTest::qWaitFor([&sender] { return sender.state() == QProcess::NotRunning; }, 10000))
        return -1;
    return sender.exitStatus() == QProcess::NormalExit ? sender.exitCode() : -1;
}

const QString key = QStringLiteral("safety");

// Holds the lock file at path as a live copy would, without listening for commands.
std::unique_ptr<QLockFile> holdLock(const QString& path)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    return lock->tryLock(0) ? std::move(lock) : nullptr;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void laterCopyHandsItsCommandToTheRunningOne()
    {
        QByteArray line;
        auto first = startProbe(QStringLiteral("hold"), line);
        QVERIFY(first);
        QCOMPARE(line, QByteArray("claimed"));

        QCOMPARE(runSender(QStringLiteral("show")), 0);
        QVERIFY(QTest::qWaitFor([&first] { return first->canReadLine(); }, 5000));
        QCOMPARE(first->readLine().trimmed(), QByteArray("command:show"));

        // This process is a later copy as well; it sends without blocking its event loop.
        SingleInstance here;
        QVERIFY(!here.claim());
        QSignalSpy finished(&here, &SingleInstance::finished);
        here.sendToRunningCopy(QStringLiteral("other"));
        QVERIFY(finished.isEmpty());
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), true);
        QVERIFY(QTest::qWaitFor([&first] { return first->canReadLine(); }, 5000));
        QCOMPARE(first->readLine().trimmed(), QByteArray("command:other"));

        first->kill();
        first->waitForFinished();
    }

    void crashedCopyNeverBlocksTheNextStart()
    {
        QByteArray line;
        auto crashed = startProbe(QStringLiteral("hold"), line);
        QVERIFY(crashed);
        QCOMPARE(line, QByteArray("claimed"));
        SingleInstance here;
        const QString lockFile = here.lockFilePath();
        const QString socket = here.socketPath();
        crashed->kill(); // SIGKILL: no clean-up of the lock or the socket
        QVERIFY(crashed->waitForFinished(5000));
        QVERIFY(QFile::exists(lockFile) && QFile::exists(socket));

        QVERIFY(here.claim());
        QSignalSpy received(&here, &SingleInstance::commandReceived);
        QCOMPARE(runSender(QStringLiteral("show")), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toString(), QStringLiteral("show"));
    }

    void leftoverSocketWithoutALockIsTakenOver()
    {
        SingleInstance probe;
        QFile leftover(probe.socketPath());
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        QVERIFY(!QFile::exists(probe.lockFilePath()));

        SingleInstance here;
        QVERIFY(here.claim());
        QVERIFY(here.isRunningCopy());
        QCOMPARE(runSender(QStringLiteral("show")), 0);
    }

    void silentRunningCopyStillLetsTheSenderEnd()
    {
        QByteArray line;
        auto silent = startProbe(QStringLiteral("lock"), line);
        QVERIFY(silent);
        QCOMPARE(line, QByteArray("locked"));
        // The lock is held but nobody listens: the sender gives up after its time-out and ends.
        QCOMPARE(runSender(QStringLiteral("show")), 1);
        silent->kill();
        silent->waitForFinished();
    }

    // Another local user may prepare files in the shared temporary folder, or leave a lock file this
    // user cannot take over. Every case holds for root as well.
    void cleanup()
    {
        qputenv("XDG_RUNTIME_DIR", qgetenv("HOME") + "/runtime");
        qunsetenv("TMPDIR");
    }

    void foreignFallbackFolderIsNotUsed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("writable by all") << QStringLiteral("open");
        QTest::newRow("link to another folder") << QStringLiteral("link");
        QTest::newRow("a file") << QStringLiteral("file");
        QTest::newRow("another owner") << QStringLiteral("owner");
    }

    void foreignFallbackFolderIsNotUsed()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("owner") && ::getuid() != 0)
            QSKIP("only root can give a folder to another user");
        // Without a runtime folder, and with the shared one of the toolkit taken by a file, the
        // fallback in the temporary folder is next in line.
        QTemporaryDir shared;
        QVERIFY(shared.isValid());
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(shared.path()));
        const passwd* user = ::getpwuid(::getuid());
        QFile toolkitFolder(shared.filePath(QStringLiteral("runtime-") + (user ? user->pw_name : "")));
        QVERIFY(toolkitFolder.open(QIODevice::WriteOnly));

        // The hostile user's folder with a held lock in it.
        const QString folder = shared.filePath(QStringLiteral("velmo-runtime-%1").arg(::getuid()));
        const QString lockName = QStringLiteral("/velmo-safety.lock");
        std::unique_ptr<QLockFile> planted;
        if (kind == QLatin1String("file")) {
            QFile file(folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(QDir().mkpath(shared.filePath(QStringLiteral("elsewhere"))));
            QVERIFY(QFile::link(shared.filePath(QStringLiteral("elsewhere")), folder));
            planted = holdLock(shared.filePath(QStringLiteral("elsewhere")) + lockName);
        } else {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
            planted = holdLock(folder + lockName);
            if (kind == QLatin1String("owner"))
                QVERIFY(::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0 &&
                        ::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        }
        QVERIFY(planted || kind == QLatin1String("file"));

        SingleInstance instance(key);
        QVERIFY(instance.claim());
        QVERIFY2(!instance.lockFilePath().startsWith(folder), qPrintable(instance.lockFilePath()));
        QVERIFY(QFile::exists(instance.lockFilePath()));
    }

    void unusableLockIsReported_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder in its place") << QStringLiteral("folder") << QStringLiteral("不是普通文件");
        QTest::newRow("held by a copy that does not answer")
            << QStringLiteral("held") << QStringLiteral("没有应答");
    }

    void unusableLockIsReported()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        SingleInstance instance(key);
        const QString path = instance.lockFilePath();
        QDir().rmdir(path); // what an earlier row left
        std::unique_ptr<QLockFile> held;
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
        else
            QVERIFY(held = holdLock(path));
        QVERIFY(!instance.claim());
        QSignalSpy finished(&instance, &SingleInstance::finished);
        instance.sendToRunningCopy(QStringLiteral("show"), 300);
        QVERIFY(finished.wait(5000));
        QCOMPARE(instance.outcome(), SingleInstance::Outcome::LockUnusable);
        QVERIFY(instance.lockProblem().contains(reason));
        QVERIFY(instance.lockProblemMessage().contains(path));
    }
};

VELMO_TEST_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
