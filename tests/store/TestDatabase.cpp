#include "TestMain.h"
#include "TestStore.h"

#include "store/DataFiles.h"
#include "store/DbText.h"

#include <QDir>

using namespace velmo;

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QStringList column(Database& db, const QString& sql, const QVariantList& values)
{
    QStringList found;
    DbQuery q = db.select(sql, values);
    while (q.next())
        found.append(q.value(0).toString());
    return found;
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
            QVERIFY(!db.isOpen());
            // Writes on a connection that is not open fail instead of reporting success.
            QVERIFY(!db.exec(QStringLiteral("UPDATE Config SET CheckTimer=?"), {5}).ok);
            QVERIFY(!db.select(QStringLiteral("SELECT * FROM Config")).ok());
        }
        QCOMPARE(entries(folder.path()), QStringList{QStringLiteral("garbage.db")});
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("this is not"));
    }

    void hostileTextIsStoredAndMatchedAsWritten()
    {
        const QString sly = QStringLiteral("x' OR '1'='1");
        test::TestStore store(sly);
        QVERIFY(store.isValid());
        const QStringList titles = {
            "O'Brien's \"list\"",         "50% off", "500 off", "a_b", "axb", "back\\slash", "backslash",
            "'); DROP TABLE Notebook; --"};
        for (const QString& title : titles)
            QVERIFY(store.addMemo(title) > 0);
        MemoRecord other = store.sampleMemo(QStringLiteral("someone else's"));
        other.userid = QStringLiteral("x");
        QVERIFY(store.addMemo(other) > 0);
        const QString byOwner = QStringLiteral("SELECT title FROM Notebook WHERE userid=? ORDER BY id");
        QCOMPARE(column(store.db(), byOwner, {sly}), titles);
        QCOMPARE(column(store.db(), byOwner, {"x"}), QStringList{"someone else's"});
        const QString search =
            QStringLiteral("SELECT title FROM Notebook WHERE userid=? AND title LIKE ? ESCAPE '\\'");
        QCOMPARE(column(store.db(), search, {sly, likeContains("0%")}), QStringList{"50% off"});
        QCOMPARE(column(store.db(), search, {sly, likeContains("a_b")}), QStringList{"a_b"});
        QCOMPARE(column(store.db(), search, {sly, likeContains("k\\s")}), QStringList{"back\\slash"});
        QCOMPARE(column(store.db(), search, {sly, likeContains("o'b")}), QStringList{"O'Brien's \"list\""});
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
        const DbRow row =
            db.selectFirst(QStringLiteral("SELECT AlertTime, typeof(AlertTime) AS t1, ifAlert, "
                                          "typeof(ifAlert) AS t2, title FROM Notebook WHERE id=?"),
                           {inserted.insertId});
        QCOMPARE(row.value(QStringLiteral("AlertTime")).toString(), QStringLiteral("2027-01-02 03:04:05"));
        QCOMPARE(row.value(QStringLiteral("t1")).toString(), QStringLiteral("text"));
        QCOMPARE(row.value(QStringLiteral("t2")).toString(), QStringLiteral("integer"));
        QVERIFY(row.value(QStringLiteral("title")).isNull());
        // An invalid date is refused, not stored as something else.
        const StoreResult invalid = db.exec(QStringLiteral("UPDATE Notebook SET AlertTime=? WHERE id=?"),
                                            {QDateTime(), inserted.insertId});
        QVERIFY(!invalid.ok && invalid.error.contains(QLatin1String("date")));
        QCOMPARE(store.value(QStringLiteral("SELECT AlertTime FROM Notebook")).toString(),
                 "2027-01-02 03:04:05");
    }

    void dateText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("moment");
        QTest::newRow("moment") << "2026-02-28 23:59:59" << QDateTime(QDate(2026, 2, 28), QTime(23, 59, 59));
        QTest::newRow("day only") << "2026-03-01" << QDateTime(QDate(2026, 3, 1), QTime(0, 0));
        for (const char* bad : {"", "2026-02-30 00:00:00", "2026-13-01 00:00:00", "yesterday", "2026/03/01"})
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
        QTest::newRow("alert time in words") << "AlertTime" << QVariant("tomorrow") << false;
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
        QVERIFY(store.isValid());
        const QString sql =
            column == QLatin1String("userid")
                ? QStringLiteral("INSERT INTO Notebook (userid) VALUES (?)")
                : QStringLiteral("INSERT INTO Notebook (userid, %1) VALUES ('x', ?)").arg(column);
        QTEST(store.db().exec(sql, {value}).ok, "stored");
    }

    void transactionsAreAllOrNothing()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const QString titles =
            QStringLiteral("SELECT group_concat(title, '|') FROM (SELECT title FROM Notebook ORDER BY id)");
        {
            Transaction t(store.db());
            QVERIFY(t.isActive() && store.db().inTransaction());
            QVERIFY(store.addMemo() > 0);
        }
        QVERIFY(store.value(titles).isNull());
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
        // What was committed survives closing and opening the file again.
        store.db().close();
        Database reopened(test::uniqueConnectionName());
        QVERIFY(reopened.open(store.dbPath()).ok);
        QCOMPARE(reopened.selectValue(titles).toString(), QStringLiteral("outer|inner, kept"));
    }

    void userNamesCompareWithoutLetterCase()
    {
        test::TestStore store(QStringLiteral("Alice"));
        QVERIFY(store.isValid());
        QVERIFY(store.addMemo() > 0);
        QVERIFY(store.addAccount(QStringLiteral("Alice"), QString(), 0));
        QCOMPARE(
            store.value(QStringLiteral("SELECT count(*) FROM Notebook WHERE userid=?"), {"aLICE"}).toInt(),
            1);
        QCOMPARE(store.value(QStringLiteral("SELECT count(*) FROM Users WHERE UserID=?"), {"ALICE"}).toInt(),
                 1);
    }

    void emptyBodyIsKeptAsNoBody()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const qint64 id = store.addMemo(QStringLiteral("t0"));
        // An update that empties the body, together with other fields, stores all of them.
        const StoreResult emptied =
            store.db().exec(QStringLiteral("UPDATE Notebook SET content=?, title=? WHERE id=?"),
                            {QStringLiteral(""), QStringLiteral("t2"), id});
        QVERIFY(emptied.ok);
        QCOMPARE(emptied.rowsAffected, 1);
        QCOMPARE(store.memo(id)->title, QStringLiteral("t2"));
        QVERIFY(store.value(QStringLiteral("SELECT content FROM Notebook WHERE id=?"), {id}).isNull());
        QVERIFY(
            store.db().exec(QStringLiteral("INSERT INTO Notebook (userid, content) VALUES ('x', '')")).ok);
        QCOMPARE(store.value(QStringLiteral("SELECT count(*) FROM Notebook WHERE content IS NULL")).toInt(),
                 2);
    }
};

VELMO_TEST_MAIN(TestDatabase)
#include "TestDatabase.moc"
