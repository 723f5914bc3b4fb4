#include "TestMain.h"
#include "TestStore.h"

#include "store/DataFiles.h"
#include "store/DbText.h"

#include <QDir>
#include <QSqlRecord>

using namespace velmo;

namespace {

QStringList columnsOf(Database& db, const QString& table)
{
    QStringList columns;
    DbQuery q = db.select(QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"), {table});
    while (q.next())
        columns.append(q.value(0).toString());
    return columns;
}

} // namespace

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    void createdFileIsPrivateWritableAndAlone()
    {
        test::TempDataFolder folder;
        const QString path = databasePath(folder.dataFolder());
        const StoreResult created = SaveDatabaseFile(path);
        QVERIFY2(created.ok, qPrintable(created.error));

        const QFileInfo info(path);
        QVERIFY(info.isFile());
        QVERIFY(info.isWritable());
        const QFile::Permissions expected =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(info.permissions(), expected);
        // Nothing of the temporary file or a journal is left beside it.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("data.db")});

        Database db(test::uniqueConnectionName());
        QVERIFY(db.open(path).ok);
        QVERIFY(db.exec(QStringLiteral("UPDATE Config SET LastUser=?"), {QStringLiteral("someone")}).ok);
    }

    void existingFileIsNeverReplaced()
    {
        test::TempDataFolder folder;
        const QString path = databasePath(folder.dataFolder());
        QFile existing(path);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("user data");
        existing.close();

        QVERIFY(!SaveDatabaseFile(path).ok);
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("user data"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void shippedSettingsRowAndEmptyTables()
    {
        test::TestStore store;
        QVERIFY2(store.isValid(), qPrintable(store.error()));
        QCOMPARE(store.value(QStringLiteral("SELECT count(*) FROM Config")).toInt(), 1);
        const DbRow row = store.db().selectFirst(QStringLiteral("SELECT * FROM Config"));
        QVERIFY(row.found);
        QCOMPARE(row.value(QStringLiteral("id")).toInt(), 1);
        QCOMPARE(row.value(QStringLiteral("FirstRun")).toInt(), 1);
        QVERIFY(row.value(QStringLiteral("LastUser")).isNull());
        QCOMPARE(row.value(QStringLiteral("SavePass")).toInt(), 1);
        QCOMPARE(row.value(QStringLiteral("AutoLogin")).toInt(), 1);
        QCOMPARE(row.value(QStringLiteral("CheckTimer")).toInt(), 10);
        for (const char* alert : {"ReminderRing", "ReminderPop", "ReminderMM", "ReminderIco"})
            QCOMPARE(row.value(QLatin1String(alert)).toInt(), 1);
        QCOMPARE(row.value(QStringLiteral("AutoHide")).toInt(), 0);
        const QVariant diySound = row.value(QStringLiteral("DiySound"));
        QVERIFY(!diySound.isNull());
        QCOMPARE(diySound.toString(), QString());
        QCOMPARE(row.value(QStringLiteral("MmNumber")).toInt(), 2);
        QCOMPARE(row.value(QStringLiteral("Update")).toDouble(), 1.7);

        for (const char* table : {"Notebook", "Users", "Notice"})
            QCOMPARE(store.value(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table)).toInt(), 0);
    }

    void everyColumnIsThere()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        QCOMPARE(columnsOf(store.db(), QStringLiteral("Config")),
                 QStringList({"id", "FirstRun", "LastUser", "SavePass", "AutoLogin", "CheckTimer",
                              "ReminderRing", "ReminderPop", "ReminderMM", "ReminderIco", "AutoHide",
                              "DiySound", "MmNumber", "Update"}));
        QCOMPARE(columnsOf(store.db(), QStringLiteral("Notebook")), QStringList({"id",
                                                                                 "NotebookServerId",
                                                                                 "type",
                                                                                 "userid",
                                                                                 "title",
                                                                                 "content",
                                                                                 "Done",
                                                                                 "addtime",
                                                                                 "AlertTime",
                                                                                 "AlertPinLv",
                                                                                 "mimi",
                                                                                 "ifAlert",
                                                                                 "importance",
                                                                                 "AddIp",
                                                                                 "click",
                                                                                 "AlertTimeNongli",
                                                                                 "mailTime",
                                                                                 "before",
                                                                                 "sound",
                                                                                 "DiySound",
                                                                                 "Mail",
                                                                                 "editor",
                                                                                 "lifa",
                                                                                 "synnum",
                                                                                 "syn",
                                                                                 "Del",
                                                                                 "AlertTimeTemp",
                                                                                 "AlertTimeNongliTemp"}));
        QCOMPARE(columnsOf(store.db(), QStringLiteral("Users")),
                 QStringList(
                     {"ID", "UserID", "LastPassword", "UserPWD", "LenPass", "MobileMailActive", "before"}));
        QCOMPARE(columnsOf(store.db(), QStringLiteral("Notice")),
                 QStringList({"id", "NoticeId", "title", "Url", "HaveRead"}));
    }

    void rowsLeftBareTakeTheDefaults()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        Database& db = store.db();
        QVERIFY(db.exec(QStringLiteral("INSERT INTO Notebook (userid, title) VALUES (?, ?)"),
                        {QStringLiteral("tester"), QStringLiteral("bare")})
                    .ok);
        const DbRow memo = db.selectFirst(QStringLiteral("SELECT * FROM Notebook"));
        const QList<std::pair<const char*, int>> numbers = {
            {"NotebookServerId", 0}, {"type", 0},       {"click", 0}, {"before", 7}, {"lifa", 0},
            {"synnum", 1},           {"syn", 0},        {"Del", 0},   {"Done", 0},   {"mimi", 0},
            {"ifAlert", 0},          {"importance", 0}, {"Mail", 0},  {"editor", 0}};
        for (const auto& [column, expected] : numbers)
            QCOMPARE(memo.value(QLatin1String(column)).toInt(), expected);
        for (const char* column : {"content", "AlertTime", "AlertTimeNongli", "mailTime", "AddIp", "sound",
                                   "DiySound", "AlertTimeTemp", "AlertTimeNongliTemp"})
            QVERIFY2(memo.value(QLatin1String(column)).isNull(), column);
        // A row added without the helper still gets the moment of insertion.
        QVERIFY(fromDbValue(memo.value(QStringLiteral("addtime"))).isValid());

        QVERIFY(db.exec(QStringLiteral("INSERT INTO Users (UserID) VALUES (?)"), {QStringLiteral("u")}).ok);
        const DbRow user = db.selectFirst(QStringLiteral("SELECT * FROM Users"));
        QCOMPARE(user.value(QStringLiteral("LenPass")).toInt(), 0);
        QCOMPARE(user.value(QStringLiteral("MobileMailActive")).toInt(), 0);
        QCOMPARE(user.value(QStringLiteral("before")).toInt(), 60);

        QVERIFY(db.exec(QStringLiteral("INSERT INTO Notice (title) VALUES (?)"), {QStringLiteral("n")}).ok);
        const DbRow notice = db.selectFirst(QStringLiteral("SELECT * FROM Notice"));
        QCOMPARE(notice.value(QStringLiteral("NoticeId")).toInt(), 0);
        QCOMPARE(notice.value(QStringLiteral("HaveRead")).toInt(), 0);

        // "before" is a word of the query language, yet later queries may write it bare.
        QCOMPARE(store.value(QStringLiteral("SELECT before FROM Notebook")).toInt(), 7);
    }

    void insertHelperReadsTheClock()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        MemoRecord memo;
        memo.userid = QStringLiteral("tester");
        memo.title = QStringLiteral("t");
        const StoreResult inserted = insertMemo(store.db(), memo);
        QVERIFY2(inserted.ok, qPrintable(inserted.error));
        QCOMPARE(store.value(QStringLiteral("SELECT addtime FROM Notebook WHERE id=?"), {inserted.insertId}),
                 QVariant(QStringLiteral("2026-12-06 10:00:00")));
        // Ids are never reused, even after the newest row is removed.
        QVERIFY(store.db().exec(QStringLiteral("DELETE FROM Notebook")).ok);
        QCOMPARE(insertMemo(store.db(), memo).insertId, inserted.insertId + 1);
    }

    void userNamesCompareWithoutLetterCase()
    {
        test::TestStore store(QStringLiteral("Alice"));
        QVERIFY(store.isValid());
        QVERIFY(store.addMemo() > 0);
        QVERIFY(store.db()
                    .exec(QStringLiteral("INSERT INTO Users (UserID) VALUES (?)"), {QStringLiteral("Alice")})
                    .ok);
        QCOMPARE(store
                     .value(QStringLiteral("SELECT count(*) FROM Notebook WHERE userid=?"),
                            {QStringLiteral("aLICE")})
                     .toInt(),
                 1);
        QCOMPARE(
            store
                .value(QStringLiteral("SELECT count(*) FROM Users WHERE UserID=?"), {QStringLiteral("ALICE")})
                .toInt(),
            1);
    }

    void emptyBodyIsKeptAsNoBody()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        Database& db = store.db();
        const StoreResult inserted =
            db.exec(QStringLiteral("INSERT INTO Notebook (userid, title, content) VALUES (?, ?, ?)"),
                    {QStringLiteral("tester"), QStringLiteral("kept"), QStringLiteral("")});
        QVERIFY2(inserted.ok, qPrintable(inserted.error));
        const qint64 id = inserted.insertId;
        QVERIFY(store.value(QStringLiteral("SELECT content FROM Notebook WHERE id=?"), {id}).isNull());
        QCOMPARE(store.value(QStringLiteral("SELECT title FROM Notebook WHERE id=?"), {id}).toString(),
                 QStringLiteral("kept"));

        // An update that empties the body, together with other fields, stores all of them.
        QVERIFY(db.exec(QStringLiteral("UPDATE Notebook SET content=?, title=? WHERE id=?"),
                        {QStringLiteral("body"), QStringLiteral("t1"), id})
                    .ok);
        const StoreResult emptied =
            db.exec(QStringLiteral("UPDATE Notebook SET content=?, title=? WHERE id=?"),
                    {QStringLiteral(""), QStringLiteral("t2"), id});
        QVERIFY(emptied.ok);
        QCOMPARE(emptied.rowsAffected, 1);
        const MemoRecord memo = *store.memo(id);
        QCOMPARE(memo.title, QStringLiteral("t2"));
        QVERIFY(store.value(QStringLiteral("SELECT content FROM Notebook WHERE id=?"), {id}).isNull());
    }

    void malformedValuesAreRefusedByTheFile()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        Database& db = store.db();
        const QString insertAlert =
            QStringLiteral("INSERT INTO Notebook (userid, AlertTime) VALUES ('x', ?)");
        QVERIFY(!db.exec(insertAlert, {QStringLiteral("tomorrow")}).ok);
        QVERIFY(!db.exec(insertAlert, {QStringLiteral("2026-12-06T10:00:00")}).ok);
        QVERIFY(db.exec(insertAlert, {QStringLiteral("2026-12-06 10:00:00")}).ok);
        QVERIFY(!db.exec(QStringLiteral("INSERT INTO Notebook (userid, Done) VALUES ('x', 2)")).ok);
        QVERIFY(!db.exec(QStringLiteral("INSERT INTO Notebook (userid, title) VALUES ('x', ?)"),
                         {QString(256, u'字')})
                     .ok);
        QVERIFY(!db.exec(QStringLiteral("INSERT INTO Notebook (userid) VALUES (?)"), {QString(51, u'a')}).ok);
        QCOMPARE(store.value(QStringLiteral("SELECT count(*) FROM Notebook")).toInt(), 1);
    }

    void ownerQueriesUseAnIndex()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const auto plan = [&store](const QString& sql) {
            QStringList steps;
            DbQuery q =
                store.db().select(QStringLiteral("EXPLAIN QUERY PLAN ") + sql, {QStringLiteral("tester")});
            while (q.next())
                steps.append(q.value(QStringLiteral("detail")).toString());
            return steps.join(QLatin1Char('\n'));
        };
        QVERIFY(plan(QStringLiteral("SELECT * FROM Notebook WHERE userid=? AND Del=0 AND Done=0"))
                    .contains(QLatin1String("USING INDEX NotebookOwner")));
        // The tree's counts are answered from the index without touching the rows.
        QVERIFY(plan(QStringLiteral(
                         "SELECT Done, type, count(*) FROM Notebook WHERE userid=? GROUP BY Done, type"))
                    .contains(QLatin1String("COVERING INDEX NotebookOwnerCounts")));
        QVERIFY(plan(QStringLiteral("SELECT * FROM Notebook WHERE userid=? AND syn=0"))
                    .contains(QLatin1String("INDEX")));
        QVERIFY(plan(QStringLiteral("SELECT * FROM Users WHERE UserID=?")).contains(QLatin1String("INDEX")));
    }
};

VELMO_TEST_MAIN(TestSchema)
#include "TestSchema.moc"
