#include "TestMain.h"

#include "platform/SingleInstance.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <QLockFile>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmo;

namespace {

// Starts a first copy in another process; null unless it claimed the instance.
std::unique_ptr<QProcess> startFirstCopy()
{
    auto probe = std::make_unique<QProcess>();
    probe->start(QStringLiteral(VELMO_INSTANCE_PROBE));
    const bool claimed = QTest::qWaitFor([&probe] { return probe->canReadLine(); }, 10000) &&
                         probe->readLine().trimmed() == "claimed";
    return claimed ? std::move(probe) : nullptr;
}

const QString key = QStringLiteral("safety");

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void laterCopiesHandTheirCommandToTheRunningOne()
    {
        auto first = startFirstCopy();
        QVERIFY(first);
        // This process is a later copy; it sends without blocking its event loop.
        SingleInstance here;
        QVERIFY(!here.claim());
        QSignalSpy finished(&here, &SingleInstance::finished);
        here.sendToRunningCopy(QStringLiteral("other"));
        QVERIFY(finished.isEmpty());
        QVERIFY(finished.wait(5000));
        QVERIFY(QTest::qWaitFor([&first] { return first->canReadLine(); }, 5000));
        QCOMPARE(first->readLine().trimmed(), QByteArray("command:other"));

        // A crashed first copy leaves its lock and socket behind; they never block the next start.
        first->kill(); // SIGKILL: no clean-up
        QVERIFY(first->waitForFinished(5000));
        QVERIFY(QFile::exists(here.lockFilePath()) && QFile::exists(here.socketPath()));
        QVERIFY(here.claim());
        QSignalSpy received(&here, &SingleInstance::commandReceived);
        SingleInstance later;
        QVERIFY(!later.claim());
        later.sendToRunningCopy(QStringLiteral("show"));
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toString(), QStringLiteral("show"));
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

        // The hostile user's folder.
        const QString folder = shared.filePath(QStringLiteral("velmo-runtime-%1").arg(::getuid()));
        const QByteArray name = QFile::encodeName(folder);
        if (kind == QLatin1String("file")) {
            QFile file(folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(QDir().mkpath(shared.filePath(QStringLiteral("elsewhere"))));
            QVERIFY(QFile::link(shared.filePath(QStringLiteral("elsewhere")), folder));
        } else {
            QVERIFY(QDir().mkpath(folder) && ::chmod(name.constData(), 0777) == 0);
            if (kind == QLatin1String("owner"))
                QVERIFY(::chown(name.constData(), 65534, 65534) == 0 && ::chmod(name.constData(), 0755) == 0);
        }
        SingleInstance instance(key);
        QVERIFY(instance.claim());
        const QString used = instance.lockFilePath();
        QVERIFY2(!used.startsWith(folder) && !QFileInfo(used).canonicalFilePath().contains(u"/elsewhere/"),
                 qPrintable(used));
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
        QDir().rmdir(path);   // what an earlier row left
        QLockFile held(path); // as a live copy would, without listening for commands
        held.setStaleLockTime(0);
        QVERIFY(kind == QLatin1String("folder") ? QDir().mkpath(path) : held.tryLock(0));
        QVERIFY(!instance.claim());
        QSignalSpy finished(&instance, &SingleInstance::finished);
        instance.sendToRunningCopy(QStringLiteral("show"), 300);
        QVERIFY(finished.wait(5000));
        QCOMPARE(instance.outcome(), SingleInstance::Outcome::LockUnusable);
        QVERIFY(instance.lockProblem().contains(reason));
    }
};

VELMO_TEST_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
