#include "TempDataFolder.h"
#include "TestMain.h"
#include "TestStore.h"

#include "platform/Clock.h"
#include "store/DataFiles.h"
#include "store/Recovery.h"

#include <QDir>

#include <sys/stat.h>

using namespace velmo;

namespace {

const QFile::Permissions ownerOnly =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

QStringList entries(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

// Writing data.db and the skin file: never through a link, never over anything, nothing left over;
// reading it back after a crash.
class TestDataFiles : public QObject
{
    Q_OBJECT

private slots:
    void danglingLinkIsNeverFollowed_data()
    {
        QTest::addColumn<bool>("database");
        QTest::newRow("data.db") << true;
        QTest::newRow("skin file") << false;
    }

    void danglingLinkIsNeverFollowed()
    {
        QFETCH(bool, database);
        test::TempDataFolder data;
        test::TempDataFolder elsewhere;
        const QString planted = elsewhere.filePath(QStringLiteral("planted"));
        const QString path = database ? databasePath(data.dataFolder()) : skinFilePath(data.dataFolder());
        QVERIFY(QFile::link(planted, path));

        const StoreResult written = database ? SaveDatabaseFile(path) : ReleaseSkinFile(data.dataFolder());
        QVERIFY(!written.ok);
        QVERIFY(!QFileInfo::exists(planted));
        QCOMPARE(entries(data.path()), QStringList{QFileInfo(path).fileName()}); // no temporary file left
    }

    void newFileIsPrivateAndStaleTemporariesGo()
    {
        test::TempDataFolder data;
        const QString path = databasePath(data.dataFolder());
        for (const char* stale : {".data.db.tmp-Ab12Cd", ".data.db.tmp-Ab12Cd-journal"}) {
            QFile file(data.filePath(QLatin1String(stale)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const mode_t previous = ::umask(0);
        const StoreResult written = SaveDatabaseFile(path);
        ::umask(previous);
        QVERIFY2(written.ok, qPrintable(written.error));
        QCOMPARE(entries(data.path()), QStringList{QStringLiteral("data.db")});
        QVERIFY(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
        QCOMPARE(QFile::permissions(path), ownerOnly);
    }

    // An unreadable data.db is kept aside and replaced by a fresh one; a readable one is never touched.
    void unreadableFileIsKeptAndReplaced_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("keepBytes"); // of a fresh database; -1: bytes as given
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("not SQLite") << QByteArray("hello, this is text\n") << -1;
        QTest::newRow("truncated") << QByteArray() << 8192;
    }

    void unreadableFileIsKeptAndReplaced()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, keepBytes);
        test::TempDataFolder folder;
        const QString path = databasePath(folder.dataFolder());
        QFile file(path);
        if (keepBytes >= 0) {
            QVERIFY(SaveDatabaseFile(path).ok && file.open(QIODevice::ReadOnly));
            bytes = file.read(keepBytes);
            file.close();
        }
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        // An earlier recovery in the same second keeps its name.
        const QString earlier = path + QStringLiteral(".broken-") +
                                Clock::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QVERIFY(QFile(earlier).open(QIODevice::WriteOnly));

        const MissingRowRecovery recovery = RecoverMissingRow(path);
        QVERIFY2(recovery.recreated.ok, qPrintable(recovery.recreated.error));
        QCOMPARE(recovery.brokenFileKeptAs, earlier + QStringLiteral("-2"));
        QFile kept(recovery.brokenFileKeptAs);
        QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes);
        QCOMPARE(kept.permissions(), ownerOnly);
        QCOMPARE(QFileInfo(earlier).size(), 0);
        QVERIFY(recoveryText(recovery).contains(recovery.brokenFileKeptAs));
    }

    // A data.db that is a link to nothing is moved aside, never followed, and replaced.
    void danglingDatabaseLinkIsReplaced()
    {
        test::TempDataFolder folder;
        const QString path = databasePath(folder.dataFolder());
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("gone")), path));
        const MissingRowRecovery recovery = RecoverMissingRow(path);
        QVERIFY2(recovery.recreated.ok, qPrintable(recovery.recreated.error));
        QVERIFY(QFileInfo(recovery.brokenFileKeptAs).isSymLink());
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("gone"))));
        QVERIFY(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
    }

    void readableFileIsLeftAlone()
    {
        test::TestStore store; // a sound database whose settings row is gone
        QVERIFY(store.db().exec(QStringLiteral("DELETE FROM Config")).ok);
        store.db().close();
        const MissingRowRecovery recovery = RecoverMissingRow(store.dbPath());
        QVERIFY(recovery.brokenFileKeptAs.isEmpty());
        QCOMPARE(recoveryText(recovery), settingsLoadErrorText());
        QCOMPARE(QDir(store.folder().path()).entryList(QDir::Files), QStringList{QStringLiteral("data.db")});
    }
};

VELMO_TEST_MAIN(TestDataFiles)
#include "TestDataFiles.moc"
