#include "TestMain.h"
#include "TestStore.h"

#include "platform/Clock.h"
#include "store/DataFiles.h"
#include "store/DbText.h"
#include "store/Recovery.h"

#include <QDir>

#include <sys/stat.h>

using namespace velmo;

namespace {

// The titles of an owner's memos in the order they were written, joined by "|".
const QString titlesOf = QStringLiteral(
    "SELECT group_concat(title, '|') FROM (SELECT title FROM Notebook WHERE userid=? ORDER BY id)");

const QFile::Permissions ownerOnly =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

QStringList entries(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void openingWhatIsNoDatabaseFails()
    {
        test::TempDataFolder folder;
        const QString garbage = folder.filePath(QStringLiteral("garbage.db"));
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is not a database file, only some text that happens to sit here");
        file.close();
        for (const QString& path :
             {folder.filePath(QStringLiteral("data.db")),
              folder.filePath(QStringLiteral("no/such/folder/data.db")), garbage, folder.path()}) {
            Database db(test::uniqueConnectionName());
            const StoreResult opened = db.open(path);
            QVERIFY(!opened.ok && !opened.error.isEmpty());
            // Writes on a connection that is not open fail instead of reporting success.
            QVERIFY(!db.exec(QStringLiteral("UPDATE Config SET CheckTimer=?"), {5}).ok);
            QVERIFY(!db.select(QStringLiteral("SELECT * FROM Config")).ok());
        }
        QCOMPARE(entries(folder.path()), QStringList{QStringLiteral("garbage.db")});
    }

    void hostileTextIsStoredAndMatchedAsWritten()
    {
        const QString sly = QStringLiteral("x' OR '1'='1");
        test::TestStore store(sly);
        QVERIFY2(store.isValid(), qPrintable(store.error()));
        const QStringList titles = {"O'Brien's \"list\"", "back\\slash", "'); DROP TABLE Notebook; --"};
        for (const QString& title : titles)
            QVERIFY(store.addMemo(title) > 0);
        MemoRecord other = store.sampleMemo(QStringLiteral("someone else's"));
        other.userid = QStringLiteral("x");
        QVERIFY(store.addMemo(other) > 0);
        QCOMPARE(store.value(titlesOf, {sly}).toString(), titles.join(u'|'));
        QCOMPARE(store.value(titlesOf, {"x"}).toString(), QStringLiteral("someone else's"));
    }

    void valuesAreBoundInTheirStoredForm()
    {
        test::TestStore store;
        const QDateTime moment(QDate(2027, 1, 2), QTime(3, 4, 5));
        const StoreResult inserted =
            store.db().exec(QStringLiteral("INSERT INTO Notebook (userid, AlertTime, ifAlert, title) "
                                           "VALUES ('x', ?, ?, ?)"),
                            {moment, true, QString()});
        QVERIFY2(inserted.ok, qPrintable(inserted.error));
        QCOMPARE(
            store
                .value(QStringLiteral("SELECT AlertTime || typeof(AlertTime) || ifAlert || typeof(ifAlert) "
                                      "|| typeof(title) FROM Notebook"))
                .toString(),
            QStringLiteral("2027-01-02 03:04:05text1integernull"));
        // An invalid date is refused, not stored as something else.
        const StoreResult invalid =
            store.db().exec(QStringLiteral("UPDATE Notebook SET AlertTime=?"), {QDateTime()});
        QVERIFY(!invalid.ok && invalid.error.contains(QLatin1String("date")));
    }

    void dateText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("moment");
        QTest::newRow("moment") << "2026-02-28 23:59:59" << QDateTime(QDate(2026, 2, 28), QTime(23, 59, 59));
        QTest::newRow("day only") << "2026-03-01" << QDateTime(QDate(2026, 3, 1), QTime(0, 0));
        for (const char* bad : {"", "2026-02-30 00:00:00", "2026-13-01 00:00:00", "yesterday", "2026/03/01",
                                "2026-03-01T00:00:00"})
            QTest::newRow(bad) << bad << QDateTime();
    }

    void dateText()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, moment);
        QCOMPARE(fromDbText(text), moment);
        if (moment.isValid() && text.size() > 10)
            QCOMPARE(toDbText(moment), text);
    }

    void malformedValuesAreRefusedByTheFile_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("stored");
        QTest::newRow("alert time with T") << "AlertTime" << QVariant("2026-12-06T10:00:00") << false;
        QTest::newRow("alert time") << "AlertTime" << QVariant("2026-12-06 10:00:00") << true;
        QTest::newRow("done 2") << "Done" << QVariant(2) << false;
        QTest::newRow("long title") << "title" << QVariant(QString(256, u'字')) << false;
        QTest::newRow("long owner") << "userid" << QVariant(QString(51, u'a')) << false;
    }

    void malformedValuesAreRefusedByTheFile()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        test::TestStore store;
        const QString sql =
            column == QLatin1String("userid")
                ? QStringLiteral("INSERT INTO Notebook (userid) VALUES (?)")
                : QStringLiteral("INSERT INTO Notebook (userid, %1) VALUES ('x', ?)").arg(column);
        QTEST(store.db().exec(sql, {value}).ok, "stored");
    }

    void transactionsAreAllOrNothing()
    {
        test::TestStore store;
        {
            Transaction outer(store.db());
            QVERIFY(store.addMemo(QStringLiteral("outer")) > 0);
            {
                Transaction inner(store.db());
                QVERIFY(store.addMemo(QStringLiteral("inner, abandoned")) > 0);
            }
            {
                Transaction inner(store.db());
                QVERIFY(store.addMemo(QStringLiteral("inner, kept")) > 0);
                QVERIFY(inner.commit().ok);
            }
            QVERIFY(outer.commit().ok);
        }
        QCOMPARE(store.value(titlesOf, {store.runState().UserId}).toString(),
                 QStringLiteral("outer|inner, kept"));
    }

    void emptyBodyIsKeptAsNoBody()
    {
        test::TestStore store;
        const qint64 id = store.addMemo(QStringLiteral("t0"));
        // An update that empties the body, together with other fields, stores all of them.
        const StoreResult emptied =
            store.db().exec(QStringLiteral("UPDATE Notebook SET content=?, title=? WHERE id=?"),
                            {QStringLiteral(""), QStringLiteral("t2"), id});
        QVERIFY(emptied.ok);
        QCOMPARE(store.memo(id)->title, QStringLiteral("t2"));
        QVERIFY(store.value(QStringLiteral("SELECT content FROM Notebook WHERE id=?"), {id}).isNull());
        QVERIFY(
            store.db().exec(QStringLiteral("INSERT INTO Notebook (userid, content) VALUES ('x', '')")).ok);
        QCOMPARE(store.value(QStringLiteral("SELECT count(*) FROM Notebook WHERE content IS NULL")).toInt(),
                 2);
    }

    // Writing data.db and the skin file: never through a link, never over anything, nothing left over;
    // reading it back after a crash.
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

    // An unreadable data.db is kept aside and replaced by a fresh one; a link to nothing is moved aside,
    // never followed; a readable one is never touched.
    void unreadableFileIsKeptAndReplaced_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("keepBytes"); // of a fresh database; -1: bytes as given; -2: a link to nothing
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("not SQLite") << QByteArray("hello, this is text\n") << -1;
        QTest::newRow("truncated") << QByteArray() << 8192;
        QTest::newRow("dangling link") << QByteArray() << -2;
    }

    void unreadableFileIsKeptAndReplaced()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, keepBytes);
        test::TempDataFolder folder;
        const QString path = databasePath(folder.dataFolder());
        const QString gone = folder.filePath(QStringLiteral("gone"));
        QFile file(path);
        if (keepBytes >= 0) {
            QVERIFY(SaveDatabaseFile(path).ok && file.open(QIODevice::ReadOnly));
            bytes = file.read(keepBytes);
            file.close();
        }
        if (keepBytes == -2)
            QVERIFY(QFile::link(gone, path));
        else
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        // An earlier recovery in the same second keeps its name.
        const QString earlier = path + QStringLiteral(".broken-") +
                                Clock::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QVERIFY(QFile(earlier).open(QIODevice::WriteOnly));

        const MissingRowRecovery recovery = RecoverMissingRow(path);
        QVERIFY2(recovery.recreated.ok, qPrintable(recovery.recreated.error));
        QCOMPARE(recovery.brokenFileKeptAs, earlier + QStringLiteral("-2"));
        QVERIFY(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
        QCOMPARE(QFileInfo(earlier).size(), 0);
        QVERIFY(recoveryText(recovery).contains(recovery.brokenFileKeptAs));
        QFile kept(recovery.brokenFileKeptAs);
        if (keepBytes == -2) {
            QVERIFY(QFileInfo(kept).isSymLink() && !QFileInfo::exists(gone));
            return;
        }
        QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes);
        QCOMPARE(kept.permissions(), ownerOnly);
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

VELMO_TEST_MAIN(TestDatabase)
#include "TestDatabase.moc"
