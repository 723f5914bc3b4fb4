#include "TestMain.h"
#include "TestStore.h"

#include "store/DataFiles.h"
#include "store/DbText.h"

#include <QDir>

using namespace velmo;

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void openingAMissingPathCreatesNothing()
    {
        test::TempDataFolder folder;
        const QStringList missing = {folder.filePath(QStringLiteral("data.db")),
                                     folder.filePath(QStringLiteral("no/such/folder/data.db"))};
        for (const QString& path : missing) {
            Database db(test::uniqueConnectionName());
            const StoreResult opened = db.open(path);
            QVERIFY(!opened.ok);
            QVERIFY(!opened.error.isEmpty());
            QVERIFY(!db.isOpen());
            // Writes on a connection that is not open fail instead of reporting success.
            QVERIFY(!db.exec(QStringLiteral("UPDATE Config SET CheckTimer=?"), {5}).ok);
            QVERIFY(!db.select(QStringLiteral("SELECT * FROM Config")).ok());
        }
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void openingSomethingElseFails()
    {
        test::TempDataFolder folder;
        const QString path = folder.filePath(QStringLiteral("data.db"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is not a database file, only some text that happens to sit here");
        file.close();
        Database db(test::uniqueConnectionName());
        QVERIFY(!db.open(path).ok);
        QVERIFY(!db.isOpen());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("this is not"));

        QVERIFY(!db.open(folder.path()).ok); // a folder
    }

    void unusualFolderNamesWork()
    {
        test::TempDataFolder folder;
        const QString dir = folder.filePath(QStringLiteral("my data #1 ?x=%20 数据"));
        QVERIFY(QDir().mkpath(dir));
        const QString path = QDir(dir).filePath(QStringLiteral("data.db"));
        QVERIFY(SaveDatabaseFile(path).ok);
        Database db(test::uniqueConnectionName());
        const StoreResult opened = db.open(path);
        QVERIFY2(opened.ok, qPrintable(opened.error));
        QVERIFY(db.exec(QStringLiteral("UPDATE Config SET CheckTimer=?"), {33}).ok);
        db.close();
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("data.db")});
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                 1);

        Database again(test::uniqueConnectionName());
        QVERIFY(again.open(path).ok);
        QCOMPARE(again.selectValue(QStringLiteral("SELECT CheckTimer FROM Config")).toInt(), 33);
    }

    void hostileTextIsStoredAndMatchedAsWritten()
    {
        const QString sly = QStringLiteral("x' OR '1'='1");
        test::TestStore store(sly);
        QVERIFY(store.isValid());
        const QStringList titles = {QStringLiteral("O'Brien's \"list\""),
                                    QStringLiteral("50% off"),
                                    QStringLiteral("500 off"),
                                    QStringLiteral("a_b"),
                                    QStringLiteral("axb"),
                                    QStringLiteral("back\\slash"),
                                    QStringLiteral("backslash"),
                                    QStringLiteral("'); DROP TABLE Notebook; --")};
        for (const QString& title : titles)
            QVERIFY(store.addMemo(title) > 0);
        MemoRecord other = store.sampleMemo(QStringLiteral("someone else's"));
        other.userid = QStringLiteral("x");
        QVERIFY(store.addMemo(other) > 0);

        const auto titlesOf = [&store](const QString& sql, const QVariantList& values) {
            QStringList found;
            DbQuery q = store.db().select(sql, values);
            while (q.next())
                found.append(q.value(0).toString());
            return found;
        };
        const QString byOwner = QStringLiteral("SELECT title FROM Notebook WHERE userid=? ORDER BY id");
        QCOMPARE(titlesOf(byOwner, {sly}), titles);
        QCOMPARE(titlesOf(byOwner, {QStringLiteral("x")}), QStringList{QStringLiteral("someone else's")});

        const QString search =
            QStringLiteral("SELECT title FROM Notebook WHERE userid=? AND title LIKE ? ESCAPE "
                           "'\\' ORDER BY id");
        QCOMPARE(titlesOf(search, {sly, likeContains(QStringLiteral("0%"))}),
                 QStringList{QStringLiteral("50% off")});
        QCOMPARE(titlesOf(search, {sly, likeContains(QStringLiteral("a_b"))}),
                 QStringList{QStringLiteral("a_b")});
        QCOMPARE(titlesOf(search, {sly, likeContains(QStringLiteral("k\\s"))}),
                 QStringList{QStringLiteral("back\\slash")});
        QCOMPARE(titlesOf(search, {sly, likeContains(QStringLiteral("o'b"))}),
                 QStringList{QStringLiteral("O'Brien's \"list\"")});
        QCOMPARE(store.value(QStringLiteral("SELECT count(*) FROM Notebook")).toInt(), titles.size() + 1);
    }

    void valuesAreBoundInTheirStoredForm()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        Database& db = store.db();
        const QDateTime moment(QDate(2027, 1, 2), QTime(3, 4, 5));
        const StoreResult inserted = db.exec(
            QStringLiteral("INSERT INTO Notebook (userid, AlertTime, ifAlert, title) VALUES (?, ?, ?, ?)"),
            {QStringLiteral("tester"), moment, true, QString()});
        QVERIFY2(inserted.ok, qPrintable(inserted.error));
        QCOMPARE(inserted.rowsAffected, 1);
        const DbRow row = db.selectFirst(
            QStringLiteral("SELECT AlertTime, typeof(AlertTime) AS t1, ifAlert, typeof(ifAlert) AS t2, "
                           "title FROM Notebook WHERE id=?"),
            {inserted.insertId});
        QCOMPARE(row.value(QStringLiteral("AlertTime")).toString(), QStringLiteral("2027-01-02 03:04:05"));
        QCOMPARE(row.value(QStringLiteral("t1")).toString(), QStringLiteral("text"));
        QCOMPARE(row.value(QStringLiteral("ifAlert")).toInt(), 1);
        QCOMPARE(row.value(QStringLiteral("t2")).toString(), QStringLiteral("integer"));
        QVERIFY(row.value(QStringLiteral("title")).isNull());
        QCOMPARE(fromDbValue(row.value(QStringLiteral("AlertTime"))), moment);

        // An invalid date is refused, not stored as something else.
        const StoreResult invalid = db.exec(QStringLiteral("UPDATE Notebook SET AlertTime=? WHERE id=?"),
                                            {QDateTime(), inserted.insertId});
        QVERIFY(!invalid.ok);
        QVERIFY(invalid.error.contains(QLatin1String("date")));
        QCOMPARE(store.value(QStringLiteral("SELECT AlertTime FROM Notebook")).toString(),
                 QStringLiteral("2027-01-02 03:04:05"));
    }

    void dateTextRoundTrips()
    {
        const QDateTime moment(QDate(2026, 2, 28), QTime(23, 59, 59));
        QCOMPARE(toDbText(moment), QStringLiteral("2026-02-28 23:59:59"));
        QCOMPARE(fromDbText(toDbText(moment)), moment);
        QCOMPARE(fromDbText(QStringLiteral("2026-03-01")), QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        QVERIFY(toDbText(QDateTime()).isEmpty());
        for (const char* bad : {"", "2026-02-30 00:00:00", "2026-13-01 00:00:00", "yesterday", "2026/03/01"})
            QVERIFY2(!fromDbText(QLatin1String(bad)).isValid(), bad);
        QVERIFY(!fromDbValue(QVariant()).isValid());
    }

    void failuresReportTheirReason()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const StoreResult badSql = store.db().exec(QStringLiteral("UPDATE NoSuchTable SET x=?"), {1});
        QVERIFY(!badSql.ok);
        QVERIFY(badSql.error.contains(QLatin1String("NoSuchTable")));
        // The same statement fails again rather than being remembered as prepared.
        QVERIFY(!store.db().exec(QStringLiteral("UPDATE NoSuchTable SET x=?"), {1}).ok);

        const StoreResult tooFew =
            store.db().exec(QStringLiteral("UPDATE Config SET CheckTimer=? WHERE id=?"), {5});
        QVERIFY(!tooFew.ok);
        QCOMPARE(store.value(QStringLiteral("SELECT CheckTimer FROM Config")).toInt(), 10);

        const DbQuery badRead = store.db().select(QStringLiteral("SELECT nothing FROM Config"));
        QVERIFY(!badRead.ok());
        QVERIFY(!badRead.error().isEmpty());
        QVERIFY(!store.db().selectFirst(QStringLiteral("SELECT nothing FROM Config")).ok);
    }

    void reusedStatementsTakeNewValues()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const QString sql = QStringLiteral("UPDATE Config SET LastUser=?, CheckTimer=? WHERE id=?");
        QCOMPARE(store.db().exec(sql, {QStringLiteral("a"), 1, 1}).rowsAffected, 1);
        QCOMPARE(store.db().exec(sql, {QStringLiteral("b"), 2, 99}).rowsAffected, 0);
        QCOMPARE(store.db().exec(sql, {QString(), 3, 1}).rowsAffected, 1);
        QVERIFY(store.value(QStringLiteral("SELECT LastUser FROM Config")).isNull());
        QCOMPARE(store.value(QStringLiteral("SELECT CheckTimer FROM Config")).toInt(), 3);
    }

    void transactionsAreAllOrNothing()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const auto count = [&store] {
            return store.value(QStringLiteral("SELECT count(*) FROM Notebook")).toInt();
        };
        {
            Transaction t(store.db());
            QVERIFY(t.isActive());
            QVERIFY(store.db().inTransaction());
            QVERIFY(store.addMemo() > 0);
            QVERIFY(store.addMemo() > 0);
        }
        QCOMPARE(count(), 0);
        QVERIFY(!store.db().inTransaction());
        {
            Transaction outer(store.db());
            QVERIFY(store.addMemo(QStringLiteral("outer")) > 0);
            {
                Transaction inner(store.db());
                QVERIFY(inner.isActive());
                QVERIFY(store.addMemo(QStringLiteral("inner, abandoned")) > 0);
            }
            {
                Transaction inner(store.db());
                QVERIFY(store.addMemo(QStringLiteral("inner, kept")) > 0);
                QVERIFY(inner.commit().ok);
            }
            QVERIFY(outer.commit().ok);
            QVERIFY(!outer.commit().ok); // only once
        }
        QCOMPARE(count(), 2);
        QCOMPARE(store
                     .value(QStringLiteral("SELECT group_concat(title, '|') FROM (SELECT title FROM Notebook "
                                           "ORDER BY id)"))
                     .toString(),
                 QStringLiteral("outer|inner, kept"));

        // What was committed survives closing and opening the file again.
        const QString path = store.dbPath();
        store.db().close();
        Database reopened(test::uniqueConnectionName());
        QVERIFY(reopened.open(path).ok);
        QCOMPARE(reopened.selectValue(QStringLiteral("SELECT count(*) FROM Notebook")).toInt(), 2);
    }

    void connectionsAreIndependent()
    {
        test::TestStore first;
        test::TestStore second;
        QVERIFY(first.isValid() && second.isValid());
        QVERIFY(first.addMemo() > 0);
        QCOMPARE(second.value(QStringLiteral("SELECT count(*) FROM Notebook")).toInt(), 0);
        first.db().close();
        QVERIFY(!first.db().isOpen());
        QVERIFY(second.addMemo() > 0);
        QCOMPARE(second.value(QStringLiteral("SELECT count(*) FROM Notebook")).toInt(), 1);

        // Opening another file on the same connection closes the first one.
        QVERIFY(second.db().open(first.dbPath()).ok);
        QCOMPARE(second.db().path(), first.dbPath());
        QCOMPARE(second.value(QStringLiteral("SELECT count(*) FROM Notebook")).toInt(), 1);
    }

    void memoRecordRoundTrips()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        MemoRecord memo;
        memo.NotebookServerId = 4711;
        memo.type = 4;
        memo.userid = QStringLiteral("tester");
        memo.title = QStringLiteral("生日");
        memo.content = QStringLiteral("<b>礼物</b>");
        memo.Done = true;
        memo.addtime = QDateTime(QDate(2026, 1, 1), QTime(8, 0, 0));
        memo.AlertTime = QDateTime(QDate(2026, 12, 24), QTime(9, 30, 0));
        memo.AlertPinLv = QStringLiteral("1nian");
        memo.mimi = true;
        memo.ifAlert = true;
        memo.importance = true;
        memo.AddIp = QStringLiteral("10.0.0.1");
        memo.click = 3;
        memo.AlertTimeNongli = QDateTime(QDate(2026, 11, 5), QTime(9, 30, 0));
        memo.mailTime = QDateTime(QDate(2026, 12, 23), QTime(9, 0, 0));
        memo.before = 2;
        memo.sound = QStringLiteral("10.mp3");
        memo.DiySound = QStringLiteral("/home/u/tune.mp3");
        memo.Mail = true;
        memo.editor = true;
        memo.lifa = 2;
        memo.synnum = 9;
        memo.syn = true;
        memo.Del = true;
        memo.AlertTimeTemp = QDateTime(QDate(2026, 12, 24), QTime(9, 40, 0));
        memo.AlertTimeNongliTemp = QDateTime(QDate(2026, 11, 5), QTime(9, 40, 0));

        const StoreResult inserted = insertMemo(store.db(), memo);
        QVERIFY2(inserted.ok, qPrintable(inserted.error));
        memo.id = inserted.insertId;
        QCOMPARE(*store.memo(memo.id), memo);
        QVERIFY(!store.memo(memo.id + 1));

        // A date that cannot be stored stops the whole insert.
        memo.mailTime = QDateTime();
        QVERIFY(!insertMemo(store.db(), memo).ok);
        QCOMPARE(store.value(QStringLiteral("SELECT count(*) FROM Notebook")).toInt(), 1);
    }
};

VELMO_TEST_MAIN(TestDatabase)
#include "TestDatabase.moc"
