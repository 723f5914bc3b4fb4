#include "TempDataFolder.h"
#include "TestMain.h"

#include "store/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace velmo;

namespace {

QStringList entries(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

// Writing data.db and the skin file: never through a link, never over anything, nothing left over.
class TestDataFileSafety : public QObject
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
        QVERIFY(entries(elsewhere.path()).isEmpty());
        QCOMPARE(entries(data.path()), QStringList{QFileInfo(path).fileName()}); // no temporary file left
        QCOMPARE(QFileInfo(path).symLinkTarget(), planted);
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
        struct stat info
        {
        };
        QCOMPARE(::lstat(QFile::encodeName(path).constData(), &info), 0);
        QVERIFY(S_ISREG(info.st_mode));
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
    }
};

VELMO_TEST_MAIN(TestDataFileSafety)
#include "TestDataFileSafety.moc"
