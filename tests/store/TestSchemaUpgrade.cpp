#include "FixedClock.h"
#include "OlderDataFiles.h"
#include "TempDataFolder.h"
#include "TestMain.h"
#include "TestStore.h"

#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/LoginRecords.h"
#include "store/RunState.h"
#include "store/SchemaUpgrade.h"
#include "store/SentUploads.h"
#include "store/Settings.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace velmo;

namespace {

// A data.db of the shape written before the memo table knew its in-step counter: the owner column
// ignores letter case, and the due scan's indexes are missing.
const char* const OldShape[] = {
    "CREATE TABLE Config (id INTEGER PRIMARY KEY AUTOINCREMENT, LastUser TEXT)",
    "CREATE TABLE Users (ID INTEGER PRIMARY KEY AUTOINCREMENT, UserID TEXT COLLATE NOCASE, LastPassword "
    "TEXT, "
    "UserPWD TEXT, LenPass INTEGER DEFAULT 0, MobileMailActive INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE Notice (id INTEGER PRIMARY KEY AUTOINCREMENT, NoticeId INTEGER DEFAULT 0)",
    "CREATE TABLE Notebook (id INTEGER PRIMARY KEY AUTOINCREMENT, NotebookServerId INTEGER DEFAULT 0, "
    "type INTEGER DEFAULT 0, userid TEXT COLLATE NOCASE, title TEXT COLLATE NOCASE, content TEXT, "
    "Done INTEGER NOT NULL DEFAULT 0, addtime TEXT, AlertTime TEXT, AlertPinLv TEXT, mimi INTEGER NOT NULL "
    "DEFAULT 0, ifAlert INTEGER NOT NULL DEFAULT 0, importance INTEGER NOT NULL DEFAULT 0, AddIp TEXT, click "
    "INTEGER DEFAULT 0, AlertTimeNongli TEXT, mailTime TEXT, \"before\" INTEGER DEFAULT 7, sound TEXT, "
    "DiySound TEXT, Mail INTEGER NOT NULL DEFAULT 0, editor INTEGER NOT NULL DEFAULT 0, lifa INTEGER DEFAULT "
    "0, synnum INTEGER DEFAULT 1, syn INTEGER NOT NULL DEFAULT 0, Del INTEGER NOT NULL DEFAULT 0, "
    "AlertTimeTemp TEXT, AlertTimeNongliTemp TEXT)",
    "CREATE INDEX notebookId ON Notebook (NotebookServerId)",
    "INSERT INTO Config (LastUser) VALUES ('demo')",
    // The first row holds a value of its own in every column (the lunar 30th of the second month has
    // no solar twin); then owner, server id, counter and in-step flag in each combination that decides
    // the in-step counter.
    "INSERT INTO Notebook VALUES (1, 5, 2, 'demo', 'in step', 'x', 1, '2026-01-02 03:04:05', "
    "'2026-03-04 05:06:07', '1yue', 0, 1, 1, '10.0.0.8', 11, '2026-02-30 08:00:00', '2026-05-06 07:08:09', "
    "13, '9.mid', '/t.mp3', 0, 1, 2, 7, 1, 0, '2026-06-07 08:09:10', '2026-07-08 09:10:11')",
    "INSERT INTO Notebook (userid, title, NotebookServerId, synnum, syn) VALUES "
    "('demo', 'changed', 6, 3, 0), ('demo', 'new', 0, 1, 0), ('bob', 'other account', 9, 4, 1), "
    "('demo', 'in step, never sent', 0, 8, 1)",
    "PRAGMA user_version = 1",
};

QStringList rows(const QString& path, const QString& sql)
{
    QStringList lines;
    const QString connection = test::uniqueConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        query.exec(sql);
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << query.value(i).toString();
            lines << values.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return lines;
}

// Runs one statement on the file with its values bound.
bool exec(const QString& path, const QString& sql, const QVariantList& values = {})
{
    const QString connection = test::uniqueConnectionName();
    bool ran = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        ran = db.open();
        QSqlQuery query(db);
        ran = ran && query.prepare(sql);
        for (const QVariant& value : values)
            query.addBindValue(value);
        ran = ran && query.exec();
    }
    QSqlDatabase::removeDatabase(connection);
    return ran;
}

bool writeOldShape(const QString& path, const QString& extra = {})
{
    QStringList statements;
    for (const char* statement : OldShape)
        statements << QString::fromLatin1(statement);
    if (!extra.isEmpty())
        statements << extra;
    for (const QString& statement : statements)
        rows(path, statement);
    return rows(path, QStringLiteral("PRAGMA user_version")) == QStringList{QStringLiteral("1")};
}

const QString AllOldColumns =
    QStringLiteral("SELECT id, NotebookServerId, type, userid, title, content, Done, addtime, AlertTime, "
                   "AlertPinLv, mimi, ifAlert, importance, AddIp, click, AlertTimeNongli, mailTime, "
                   "\"before\", sound, DiySound, Mail, editor, lifa, synnum, syn, Del, AlertTimeTemp, "
                   "AlertTimeNongliTemp FROM Notebook ORDER BY id");

// The checksums of a database file and of its write-ahead log ("" when there is none).
QStringList checksums(const QString& path)
{
    QStringList sums;
    for (const QString& name : {path, path + QStringLiteral("-wal")}) {
        QFile file(name);
        sums << (file.open(QIODevice::ReadOnly)
                     ? QString::fromLatin1(
                           QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex())
                     : QString());
    }
    return sums;
}

} // namespace

class TestSchemaUpgrade : public QObject
{
    Q_OBJECT

private slots:
    // An old file opens: every row kept as it was, the in-step counter known where the row was in
    // step, owners compared with letter case, the missing indexes made; opening again changes nothing.
    void oldFileIsUpgradedInPlace()
    {
        test::TempDataFolder folder;
        const QString path = folder.filePath(QStringLiteral("data.db"));
        QVERIFY(writeOldShape(path));
        const QStringList before = rows(path, AllOldColumns);
        for (int opening = 0; opening < 2; ++opening) {
            Database db(test::uniqueConnectionName());
            const StoreResult opened = db.open(path);
            QVERIFY2(opened.ok, qPrintable(opened.error));
            QCOMPARE(db.selectValue(QStringLiteral("PRAGMA user_version")).toInt(), CurrentSchemaVersion);
            QCOMPARE(
                db.selectValue(QStringLiteral("SELECT count(*) FROM Notebook WHERE userid='demo'")).toInt(),
                4);
            QVERIFY(db.selectValue(
                          QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name IN "
                                         "('NotebookDueSolar', 'NotebookEmptyContentOnUpdate', 'UserID')"))
                        .toInt() == 3);
        }
        QCOMPARE(rows(path, AllOldColumns), before);
        QCOMPARE(rows(path, QStringLiteral("SELECT SyncedSynnum FROM Notebook ORDER BY id")),
                 (QStringList{"7", "0", "0", "4", "0"}));
    }

    // A file of the version before the uploads were kept in mind gains their table and the index of
    // the synchronisation's comparison; every row stays.
    void previousVersionGainsTheSentUploads()
    {
        test::TestStore store(QStringLiteral("demo"));
        const qint64 id = store.addMemo(store.distinctMemo(2));
        QVERIFY(store.db().execOnce(QStringLiteral("DROP TABLE SentUploads")).ok);
        QVERIFY(store.db().execOnce(QStringLiteral("DROP INDEX NotebookSync")).ok);
        QVERIFY(store.db().execOnce(QStringLiteral("PRAGMA user_version = 2")).ok);
        const QStringList before = store.allMemoColumns();
        Database db(test::uniqueConnectionName());
        const StoreResult opened = db.open(store.dbPath());
        QVERIFY2(opened.ok, qPrintable(opened.error));
        QCOMPARE(db.selectValue(QStringLiteral("PRAGMA user_version")).toInt(), CurrentSchemaVersion);
        QCOMPARE(store.allMemoColumns(), before);
        QCOMPARE(db.selectValue(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name IN "
                                               "('SentUploads', 'NotebookSync')"))
                     .toInt(),
                 2);
        SentUpload sent;
        sent.LocalId = id;
        sent.Record = QStringLiteral("record");
        sent.SentAt = test::defaultTestMoment();
        QVERIFY(rememberSentUpload(db, QStringLiteral("demo"), sent).ok);
        QCOMPARE(readSentUploads(db, QStringLiteral("demo")).value.size(), size_t(1));
    }

    void mixedCaseOwnersKeepTheirMemos_data()
    {
        QTest::addColumn<QStringList>("accounts"); // Users rows, oldest first
        QTest::addColumn<QString>("lastUser");
        QTest::addColumn<QStringList>("owners"); // of the memos, oldest first
        QTest::addColumn<QString>("name");       // every spelling's after the upgrade
        QTest::newRow("the account row's")
            << QStringList{"demo"} << "DEMO" << QStringList{"Demo", "DEMO", "demo", "Demo"} << "demo";
        QTest::newRow("the oldest account row's")
            << QStringList{"Demo", "demo", "DEMO"} << "demo" << QStringList{"demo", "demo", "DEMO"} << "Demo";
        QTest::newRow("no account row: the last user's")
            << QStringList{"alice"} << "DeMo" << QStringList{"demo", "demo", "Demo"} << "DeMo";
        QTest::newRow("neither: most memos'")
            << QStringList{} << "alice" << QStringList{"Demo", "demo", "DEMO", "demo"} << "demo";
        QTest::newRow("neither, a tie: the oldest memo's")
            << QStringList{} << "" << QStringList{"DEMO", "demo", "Demo", "demo", "DEMO"} << "DEMO";
    }

    // The earlier file showed a user the memos of every spelling of their name: after the upgrade the
    // sign-in as before (the account row, the name the window offers) reaches all of them, and names
    // the earlier file told apart (letters beyond ASCII, other names) stay apart.
    void mixedCaseOwnersKeepTheirMemos()
    {
        QFETCH(QStringList, accounts);
        QFETCH(QString, lastUser);
        QFETCH(QStringList, owners);
        QFETCH(QString, name);
        test::TempDataFolder folder;
        const QString path = folder.filePath(QStringLiteral("data.db"));
        QVERIFY(writeOldShape(path, QStringLiteral("DELETE FROM Notebook")));
        QVERIFY(exec(path, QStringLiteral("UPDATE Config SET LastUser=?"), {lastUser}));
        for (const QString& account : accounts)
            QVERIFY(exec(path, QStringLiteral("INSERT INTO Users (UserID) VALUES (?)"), {account}));
        const QStringList others{"alice", "Ärger", "ärger", "demo2"};
        for (const QString& owner : owners + others)
            QVERIFY(
                exec(path, QStringLiteral("INSERT INTO Notebook (userid, title) VALUES (?, 'm')"), {owner}));

        Database db(test::uniqueConnectionName());
        const StoreResult opened = db.open(path);
        QVERIFY2(opened.ok, qPrintable(opened.error));
        const QString ownersNow =
            QStringLiteral("SELECT group_concat(userid, ',') FROM (SELECT userid FROM Notebook ORDER BY id)");
        QCOMPARE(db.selectValue(ownersNow).toString(),
                 (QStringList(owners.size(), name) + others).join(QLatin1Char(',')));
        QCOMPARE(db.selectValue(QStringLiteral("SELECT group_concat(UserID, ',') FROM Users")).toString(),
                 accounts.join(QLatin1Char(',')).replace(QRegularExpression("(?i)demo"), name));
        RunState state;
        const ConfigLoad load = LoadConfig(db, state);
        QCOMPARE(load.prefill.LastUserName,
                 lastUser.compare(name, Qt::CaseInsensitive) == 0 ? name : lastUser);
        if (accounts.contains(name, Qt::CaseInsensitive))
            QCOMPARE(LoginRecords(db).find(name).value.value_or(AccountRow{}).id, 1);
    }

    void ownersOfVersion2AreFolded_data()
    {
        QTest::addColumn<QStringList>("accounts"); // Users rows, oldest first
        QTest::addColumn<QStringList>("owners");   // of the memos, oldest first
        QTest::addColumn<QStringList>("after");    // the owners after the upgrade
        QTest::newRow("the account's spelling, letters at the ends of the range")
            << QStringList{"Zhang"} << QStringList{"zhang", "Zhang", "ZHANG", "Aa", "aA"}
            << QStringList{"Zhang", "Zhang", "Zhang", "Aa", "Aa"};
        QTest::newRow("the oldest account's")
            << QStringList{"zhang", "ZHANG"} << QStringList{"ZHANG", "zhang"}
            << QStringList{"zhang", "zhang"};
        // Only the ASCII letters fold: the signs beside them and letters beyond ASCII stay apart.
        QTest::newRow("no letters") << QStringList{} << QStringList{"@z", "`z", "[z", "{z", "Ärger", "ärger"}
                                    << QStringList{"@z", "`z", "[z", "{z", "Ärger", "ärger"};
    }

    // A file of version 2 held names that differ only in letter case apart (the version that wrote it
    // did not fold them): the upgrade gives them one spelling, as the upgrade to version 2 does, so
    // that the sign-in reaches every memo.
    void ownersOfVersion2AreFolded()
    {
        QFETCH(QStringList, accounts);
        QFETCH(QStringList, owners);
        QFETCH(QStringList, after);
        test::TestStore store(QStringLiteral("someone"));
        QVERIFY(store.db().execOnce(QStringLiteral("DROP TABLE SentUploads")).ok);
        QVERIFY(store.db().execOnce(QStringLiteral("PRAGMA user_version = 2")).ok);
        for (const QString& account : accounts)
            QVERIFY(store.db().exec(QStringLiteral("INSERT INTO Users (UserID) VALUES (?)"), {account}).ok);
        for (const QString& owner : owners) {
            MemoRecord memo = store.sampleMemo(QStringLiteral("m"));
            memo.userid = owner;
            QVERIFY(store.addMemo(memo));
        }
        Database db(test::uniqueConnectionName());
        const StoreResult opened = db.open(store.dbPath());
        QVERIFY2(opened.ok, qPrintable(opened.error));
        const QString ownersNow =
            QStringLiteral("SELECT group_concat(userid, ',') FROM (SELECT userid FROM Notebook ORDER BY id)");
        QCOMPARE(db.selectValue(ownersNow).toString(), after.join(QLatin1Char(',')));
        if (!accounts.isEmpty())
            QCOMPARE(db.selectValue(QStringLiteral("SELECT group_concat(UserID, ',') FROM Users")).toString(),
                     QStringList(accounts.size(), after.first()).join(QLatin1Char(',')));
    }

    void ownersDifferingInCaseAreFoldedWhateverTheVersion_data()
    {
        QTest::addColumn<int>("version");
        for (int version = 1; version <= CurrentSchemaVersion; ++version)
            QTest::addRow("version %d", version) << version;
    }

    // Accounts "demo" (the older row) and "Demo", the last user "Demo", 5,000 memos of which 1,420 are
    // stored as "Demo", and the synchronisation's rows of "Demo": in a file of any version, written as
    // that version wrote it, every table then names the one spelling, and the sign-in as "Demo" reaches
    // every memo.
    void ownersDifferingInCaseAreFoldedWhateverTheVersion()
    {
        QFETCH(int, version);
        test::TempDataFolder folder;
        const QString path = folder.filePath(QStringLiteral("data.db"));
        QCOMPARE(test::writeDataFileOfVersion(version, path), QString());
        QStringList statements{
            "UPDATE Config SET LastUser='Demo'", "INSERT INTO Users (UserID) VALUES ('demo'), ('Demo')",
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
            "INSERT INTO Notebook (userid, title) SELECT CASE WHEN i * 1420 / 5000 > (i - 1) * 1420 / 5000 "
            "THEN 'Demo' ELSE 'demo' END, 'm' FROM n"};
        if (version >= 3)
            statements << "INSERT INTO SentUploads (userid, LocalId, Record, ReadSynnum, Del, SentAt) "
                          "VALUES ('Demo', 2, 'r', 1, 0, '2026-01-02 03:04:05')";
        if (version >= 4)
            statements << "INSERT INTO SyncBase (LocalId, userid) VALUES (2, 'Demo')"
                       << "INSERT INTO SyncLineage (LocalId, userid, Digest) VALUES (2, 'Demo', 'd')"
                       << "INSERT INTO SyncDeletions (userid, Digest, DeletedAt) "
                          "VALUES ('Demo', 'd', '2026-01-02 03:04:05')";
        for (const QString& statement : statements)
            QVERIFY2(exec(path, statement), qPrintable(statement));
        QCOMPARE(
            rows(path, QStringLiteral("SELECT count(*) FROM Notebook WHERE userid='Demo' COLLATE BINARY")),
            QStringList{"1420"});

        Database db(test::uniqueConnectionName());
        const StoreResult opened = db.open(path);
        QVERIFY2(opened.ok, qPrintable(opened.error));
        const AccountRow account = LoginRecords(db).find(QStringLiteral("Demo")).value.value_or(AccountRow{});
        QCOMPARE(account.userId, QStringLiteral("demo"));
        QCOMPARE(
            db.selectValue(QStringLiteral("SELECT count(*) FROM Notebook WHERE userid=?"), {account.userId})
                .toInt(),
            5000);
        QString spellings =
            QStringLiteral("SELECT userid FROM Notebook UNION SELECT UserID COLLATE BINARY FROM "
                           "Users UNION SELECT LastUser COLLATE BINARY FROM Config");
        for (const char* table : {"SentUploads", "SyncBase", "SyncLineage", "SyncDeletions"})
            spellings += QStringLiteral(" UNION SELECT userid FROM %1").arg(QLatin1String(table));
        QCOMPARE(rows(path, spellings), QStringList{"demo"});
    }

    // A fold that fails leaves the file as it was, and the opening says why.
    void failedFoldLeavesTheFile()
    {
        test::TestStore store(QStringLiteral("demo"));
        MemoRecord memo = store.sampleMemo();
        memo.userid = QStringLiteral("Demo");
        QVERIFY(store.addMemo(memo) && store.addMemo(QStringLiteral("mine")));
        QVERIFY(store.addAccount(QStringLiteral("demo"), QStringLiteral("1111222233334444"), 8));
        QVERIFY(
            store.db()
                .exec(QStringLiteral("INSERT INTO SyncDeletions (userid, Digest, DeletedAt) VALUES ('Demo', "
                                     "'d', '2026-01-02 03:04:05')"))
                .ok);
        QVERIFY(store.refuse(QStringLiteral("UPDATE ON SyncDeletions")));
        store.db().close();
        const QStringList before = checksums(store.dbPath());
        Database db(test::uniqueConnectionName());
        const StoreResult opened = db.open(store.dbPath());
        QVERIFY2(!opened.ok && opened.error.contains(QLatin1String("disk full")), qPrintable(opened.error));
        QCOMPARE(checksums(store.dbPath()), before);
    }

    // A file whose compaction after the upgrade was cut short (the upgrade stood, half its pages free)
    // is compacted when it is opened next; one with few free pages is left as it is.
    void compactionCutShortIsDoneAtTheNextOpening_data()
    {
        QTest::addColumn<int>("freeKiB");
        QTest::addColumn<bool>("compacted");
        QTest::newRow("half the file free") << 4096 << true;
        QTest::newRow("a few pages free") << 64 << false;
    }
    void compactionCutShortIsDoneAtTheNextOpening()
    {
        QFETCH(int, freeKiB);
        QFETCH(bool, compacted);
        test::TestStore store;
        for (const QString& statement :
             {QStringLiteral("CREATE TABLE Replaced (x TEXT)"),
              QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                             "INSERT INTO Replaced SELECT printf('%.1000c', 'x') FROM n")
                  .arg(freeKiB),
              QStringLiteral("DROP TABLE Replaced")})
            QVERIFY2(store.db().execOnce(statement).ok, qPrintable(statement));
        QVERIFY(store.addMemo(store.distinctMemo(1)));
        store.db().close();
        const QString allMemos = QStringLiteral("SELECT * FROM Notebook ORDER BY id");
        const QStringList memos = rows(store.dbPath(), allMemos);
        QVERIFY(rows(store.dbPath(), QStringLiteral("PRAGMA freelist_count")).value(0).toInt() >=
                freeKiB / 4);
        Database db(test::uniqueConnectionName());
        QVERIFY(db.open(store.dbPath()).ok);
        QCOMPARE(db.selectValue(QStringLiteral("PRAGMA freelist_count")).toInt() == 0, compacted);
        QCOMPARE(rows(store.dbPath(), allMemos), memos);
    }

    void newerFileIsLeftAsItWas_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("inLog"); // the version only in a write-ahead log not yet checkpointed
        QTest::newRow("this program's") << CurrentSchemaVersion << false;
        QTest::newRow("next") << CurrentSchemaVersion + 1 << false;
        QTest::newRow("far newer") << 1000 << false;
        QTest::newRow("next, in the log") << CurrentSchemaVersion + 1 << true;
    }

    // A file of a newer schema (a later version added a column and a table) is not opened, and not
    // one of its bytes changes; the reason says so.
    void newerFileIsLeftAsItWas()
    {
        QFETCH(int, version);
        QFETCH(bool, inLog);
        test::TempDataFolder folder;
        const QString written = folder.filePath(QStringLiteral("written.db"));
        const QString path = folder.filePath(QStringLiteral("data.db"));
        QVERIFY(SaveDatabaseFile(written).ok);
        const QString connection = test::uniqueConnectionName();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(written);
            QVERIFY(db.open());
            QSqlQuery query(db);
            const QStringList statements{
                inLog ? "PRAGMA journal_mode = WAL" : "PRAGMA journal_mode = DELETE",
                "PRAGMA wal_autocheckpoint = 0",
                "ALTER TABLE Notebook ADD COLUMN Later TEXT",
                "CREATE TABLE SyncState (id INTEGER PRIMARY KEY, token TEXT)",
                "INSERT INTO Notebook (userid, title, Later) VALUES ('demo', 'm', 'x')",
                QStringLiteral("PRAGMA user_version = %1").arg(version)};
            for (const QString& statement : statements)
                QVERIFY2(query.exec(statement), qPrintable(statement));
            // Copied while the log is still open: its last changes are in the log alone.
            for (const char* suffix : {"", "-wal"})
                QFile::copy(written + QLatin1String(suffix), path + QLatin1String(suffix));
        }
        QSqlDatabase::removeDatabase(connection);
        QCOMPARE(checksums(path).last().isEmpty(), !inLog);
        const QStringList before = checksums(path);

        Database db(test::uniqueConnectionName());
        const StoreResult opened = db.open(path);
        if (version == CurrentSchemaVersion) {
            QVERIFY2(opened.ok, qPrintable(opened.error));
            return;
        }
        QVERIFY(!opened.ok && !db.isOpen());
        QVERIFY2(opened.error.contains(QStringLiteral("更新版本")), qPrintable(opened.error));
        QCOMPARE(checksums(path), before);
    }

    // The rebuilt memo table leaves the old one's pages free, half the file: they go back to the disk.
    void upgradedFileKeepsNoFreePages()
    {
        test::TempDataFolder folder;
        const QString path = folder.filePath(QStringLiteral("data.db"));
        QVERIFY(writeOldShape(path,
                              QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                             "WHERE i < 2000) INSERT INTO Notebook (userid, title, content) "
                                             "SELECT 'demo', 'memo ' || i, printf('%.300c', 'x') FROM n")));
        {
            Database db(test::uniqueConnectionName());
            QVERIFY(db.open(path).ok);
            QCOMPARE(db.selectValue(QStringLiteral("SELECT count(*) FROM Notebook")).toInt(), 2005);
        }
        QCOMPARE(rows(path, QStringLiteral("PRAGMA freelist_count")), QStringList{"0"});
    }

    void failedUpgradeLeavesTheFile_data()
    {
        QTest::addColumn<int>("titleLength");
        QTest::addColumn<bool>("opens");
        QTest::newRow("longest title") << 255 << true;
        QTest::newRow("one past") << 256 << false;
    }

    // A row the current table cannot take stops the upgrade: the file stays as it was, and says why.
    void failedUpgradeLeavesTheFile()
    {
        QFETCH(int, titleLength);
        QFETCH(bool, opens);
        test::TempDataFolder folder;
        const QString path = folder.filePath(QStringLiteral("data.db"));
        QVERIFY(
            writeOldShape(path, QStringLiteral("INSERT INTO Notebook (userid, title) VALUES ('demo', '%1')")
                                    .arg(QString(titleLength, QLatin1Char('t')))));
        const QStringList before = rows(path, AllOldColumns);
        {
            Database db(test::uniqueConnectionName());
            QCOMPARE(db.open(path).ok, opens);
        }
        QCOMPARE(rows(path, AllOldColumns), before);
        QCOMPARE(rows(path, QStringLiteral("PRAGMA user_version")).value(0),
                 opens ? QString::number(CurrentSchemaVersion) : QStringLiteral("1"));
    }
};

VELMO_TEST_MAIN(TestSchemaUpgrade)
#include "TestSchemaUpgrade.moc"
