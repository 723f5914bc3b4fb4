#include "TestMain.h"

#include "platform/SingleInstance.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <memory>

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
        QVERIFY(!here.isRunningCopy());
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
        QVERIFY(QFile::exists(lockFile));
        QVERIFY(QFile::exists(socket));

        QVERIFY(here.claim());
        QVERIFY(here.isRunningCopy());
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
};

VELMO_TEST_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
