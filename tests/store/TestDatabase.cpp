#include "TestMain.h"
#include "TestStore.h"

#include "store/DataFiles.h"
#include "store/DbText.h"

#include <QDir>

using namespace velmo;

namespace {

// The titles of an owner's memos in the order they were written, joined by "|".
const QString titlesOf = QStringLiteral(
    "SELECT group_concat(title, '|') FROM (SELECT title FROM Notebook WHERE userid=? ORDER BY id)");

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
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("garbage.db")});
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
};

VELMO_TEST_MAIN(TestDatabase)
#include "TestDatabase.moc"
