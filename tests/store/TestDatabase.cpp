#include "ReadOnlyPath.h"
#include "TestMain.h"
#include "TestStore.h"

#include "platform/Clock.h"
#include "store/CategoryCounts.h"
#include "store/DataFiles.h"
#include "store/DbText.h"
#include "store/LoginRecords.h"
#include "store/MemoListQueries.h"
#include "store/MemoState.h"
#include "store/Recovery.h"
#include "store/SentUploads.h"
#include "store/Settings.h"
#include "store/StoreError.h"
#include "store/SyncRows.h"
#include "store/WireText.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <sqlite3.h>

#include <cerrno>
#include <functional>
#include <optional>

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

using Zone = MemoListQueries::SearchZone;

QStringList titles(const MemoListRead& read)
{
    QStringList result;
    for (const MemoListRow& row : read.value)
        result << row.title.toString();
    return result;
}

// A memo of the given owner, category and state; deleted ones get the flag afterwards.
qint64 addMemo(test::TestStore& store, const QString& title, int type, bool done = false,
               const QString& owner = QString(), bool deleted = false, const QString& content = "body")
{
    MemoRecord memo = store.sampleMemo(title);
    memo.type = type;
    memo.Done = done;
    memo.userid = owner.isEmpty() ? memo.userid : owner;
    memo.content = content;
    memo.synnum = 3;
    memo.syn = true;
    const qint64 id = store.addMemo(memo);
    if (deleted && id)
        store.db().exec(QStringLiteral("UPDATE Notebook SET Del = 1 WHERE id = ?"), {id});
    return id;
}

// A write of the store that fails, on a store of its own.
using FailingWrite = std::function<StoreResult(test::TestStore&)>;

FailingWrite sql(const QString& statement)
{
    return [statement](test::TestStore& store) { return store.db().exec(statement); };
}

} // namespace

Q_DECLARE_METATYPE(FailingWrite)

// The data layer: data.db and its connection, the files written and recovered, the memo lists,
// searches, counts and state setters, the settings and account rows.
class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void openingWhatIsNoDatabaseFails()
    {
        test::TempDataFolder folder;
        const QString garbage = folder.filePath("garbage.db");
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.write("this is not a database file, only some text") > 0);
        file.close();
        for (const QString& path : {folder.filePath("data.db"), folder.filePath("no/such/folder/data.db"),
                                    garbage, folder.path()}) {
            Database db(test::uniqueConnectionName());
            const StoreResult opened = db.open(path);
            QVERIFY(!opened.ok && !opened.error.isEmpty());
            // Writes on a connection that is not open fail instead of reporting success.
            QVERIFY(!db.exec("UPDATE Config SET CheckTimer=?", {5}).ok);
            QVERIFY(!db.select("SELECT * FROM Config").ok());
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
        const QString insert =
            "INSERT INTO Notebook (userid, AlertTime, ifAlert, title) VALUES ('x', ?, ?, ?)";
        const StoreResult inserted = store.db().exec(insert, {moment, true, QString()});
        QVERIFY2(inserted.ok, qPrintable(inserted.error));
        const QString stored =
            "SELECT AlertTime || typeof(AlertTime) || ifAlert || typeof(ifAlert) || typeof(title) "
            "FROM Notebook";
        QCOMPARE(store.value(stored).toString(), "2027-01-02 03:04:05text1integernull");
        // An invalid date is refused, not stored as something else; so is a missing value. The kept
        // statement runs again after either.
        const StoreResult invalid = store.db().exec(insert, {QDateTime(), true, "x"});
        QVERIFY(!invalid.ok && invalid.error.contains(QStringLiteral("日期")));
        QVERIFY(!store.db().exec(insert, {moment, 0}).ok && store.db().exec(insert, {moment, 0, "x"}).ok);
        QCOMPARE(store.value("SELECT title FROM Notebook WHERE ifAlert=0").toString(), "x");
    }

    // A SELECT's statement is kept for its text: a run again, with other values, after a read cut
    // short, or while a read of the same text is still open, gives its own rows from the first.
    void keptSelectStartsAfresh()
    {
        test::TestStore store;
        for (const char* title : {"a", "b", "c"})
            QVERIFY(store.addMemo(QString::fromLatin1(title)) > 0);
        const QString sql = QStringLiteral("SELECT title FROM Notebook WHERE title >= ? ORDER BY title");
        const auto titles = [&store, &sql](const QString& from) {
            return store.db()
                .selectRows(sql, {from}, [](const DbQuery& row) { return row.value(0).toString(); })
                .value;
        };
        DbQuery open = store.db().select(sql, {"a"});
        QVERIFY(open.next() && open.value(0) == "a");
        QCOMPARE(titles("b"), std::vector<QString>({"b", "c"}));
        QVERIFY(open.next() && open.value(0) == "b");
        open = DbQuery(); // cut short
        QCOMPARE(titles("a"), std::vector<QString>({"a", "b", "c"}));
        QCOMPARE(titles("c"), std::vector<QString>({"c"}));
        QVERIFY(store.db().select(sql, {}).error().contains(QStringLiteral("需要 1 个值")));
        QCOMPARE(titles("b"), std::vector<QString>({"b", "c"}));
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
        // White space around is dropped, whatever its kind, and the length counted without it.
        QTest::newRow("space after") << "2026-03-01\t" << QDateTime(QDate(2026, 3, 1), QTime(0, 0));
        QTest::newRow("wide spaces, 19 bytes")
            << "2026-03-01\u3000\u3000\u3000" << QDateTime(QDate(2026, 3, 1), QTime(0, 0));
    }

    void dateText()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, moment);
        QCOMPARE(fromDbText(text), moment);
        QCOMPARE(fromDbText(QByteArrayView(text.toUtf8())), moment); // as a row's bytes give it
        if (moment.isValid() && text.trimmed().size() == 19)
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
        QCOMPARE(store.value(titlesOf, {store.runState().UserId}).toString(), "outer|inner, kept");
    }

    void emptyBodyIsKeptAsNoBody()
    {
        test::TestStore store;
        const qint64 id = store.addMemo(QStringLiteral("t0"));
        // An update that empties the body, together with other fields, stores all of them.
        QVERIFY(
            store.db().exec("UPDATE Notebook SET content=?, title=? WHERE id=?", {QString(""), "t2", id}).ok);
        QCOMPARE(store.memo(id)->title, "t2");
        QVERIFY(store.value("SELECT content FROM Notebook WHERE id=?", {id}).isNull());
        QVERIFY(store.db().exec("INSERT INTO Notebook (userid, content) VALUES ('x', '')").ok);
        QCOMPARE(store.value("SELECT count(*) FROM Notebook WHERE content IS NULL").toInt(), 2);
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
        QTest::addColumn<int>("keepBytes"); // of a fresh database; -1: bytes as given; -2: a link to nothing;
                                            // -3: a SQLite file of another program
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << -1 << "该文件不是数据文件";
        QTest::newRow("not SQLite") << QByteArray("hello, this is text\n") << -1 << "该文件不是数据文件";
        QTest::newRow("truncated") << QByteArray() << 8192 << "数据文件已损坏";
        QTest::newRow("dangling link") << QByteArray() << -2 << "它是指向不存在的文件的链接";
        QTest::newRow("another program's") << QByteArray() << -3 << "数据文件中没有备忘表";
    }

    void unreadableFileIsKeptAndReplaced()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, keepBytes);
        QFETCH(QString, reason);
        test::TempDataFolder folder;
        const QString path = databasePath(folder.dataFolder());
        const QString gone = folder.filePath(QStringLiteral("gone"));
        QFile file(path);
        if (keepBytes == -3) {
            QVERIFY(SaveDatabaseFile(path).ok);
            Database db(test::uniqueConnectionName());
            QVERIFY(db.open(path).ok && db.execOnce(QStringLiteral("DROP TABLE Notebook")).ok);
            db.close();
            QVERIFY(file.open(QIODevice::ReadOnly));
            bytes = file.readAll();
            file.close();
        }
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
        QVERIFY(recoveryText(recovery).contains(recovery.brokenFileKeptAs + QStringLiteral("\n原因:") +
                                                reason + u'\n'));
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

    // The memo lists, searches, counts and state setters; the settings and account rows.
    void nodeListsHoldTheUsersLiveMemosNewestFirst()
    {
        test::TestStore store;
        QVERIFY2(store.isValid(), qPrintable(store.error()));
        addMemo(store, "life", 1);
        addMemo(store, "work", 2);
        addMemo(store, "odd type", 9);
        addMemo(store, "zero type", 0);
        addMemo(store, "mood done", 5, true, QString(), false, "<b>happy</b>&nbsp;day");
        addMemo(store, "gone", 1, false, QString(), true);
        addMemo(store, "someone else's", 1, false, "other");
        addMemo(store, "letter case", 1, false, "TESTER");
        MemoListQueries queries(store.db(), "tester");
        QCOMPARE(titles(queries.nodeRows(false, 0)),
                 QStringList({"zero type", "odd type", "work", "life"})); // "TESTER" is another account
        QCOMPARE(titles(queries.nodeRows(false, 1)), QStringList({"life"}));
        // Codes outside 1 to 7 show in their root only; category 7 holds only code 7.
        QCOMPARE(titles(queries.nodeRows(false, 7)), QStringList());
        const MemoListRead mood = queries.nodeRows(true, 5);
        QCOMPARE(titles(mood), QStringList({"mood done"}));
        QCOMPARE(mood.value[0].content.toString(), "happy day");
    }

    // Every field a list row carries comes from its own column.
    void listRowsCarryEveryField()
    {
        test::TestStore store;
        std::vector<MemoRecord> memos;
        for (int variant = 0; variant < 3; ++variant) {
            memos.push_back(store.distinctMemo(variant));
            memos.back().Done = false;
            memos.back().id = store.addMemo(memos.back());
        }
        const auto text = [](const std::optional<QDateTime>& t) { return toDbText(t.value_or(QDateTime())); };
        const MemoListRead read = MemoListQueries(store.db(), store.runState().UserId).nodeRows(false, 0);
        QCOMPARE(read.value.size(), memos.size());
        for (size_t i = 0; i < memos.size(); ++i) {
            const MemoRecord& memo = memos[memos.size() - 1 - i];
            const MemoListRow& row = read.value[i];
            QCOMPARE(QStringList({QString::number(row.id), row.type.toString(), row.title.toString(),
                                  row.content.toString(), row.lifa.toString(), row.alertTime.toString(),
                                  row.alertTimeNongli.toString(), row.mailTime.toString(),
                                  row.alertPinLv.toString(), row.addTime.toString()}),
                     QStringList({QString::number(memo.id), QString::number(memo.type), memo.title,
                                  QStringLiteral("正文%1").arg(2 - i), QString::number(memo.lifa),
                                  text(memo.AlertTime), memo.AlertTimeNongli->storageText(),
                                  text(memo.mailTime), memo.AlertPinLv, text(memo.addtime)}));
            QVERIFY(!row.done);
        }
    }

    void searchMatchesKeywordsLiterally_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("zone");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("title") << "abc" << int(Zone::Title) << QStringList({"ABC title"});
        QTest::newRow("content") << "abc" << int(Zone::Content) << QStringList({"plain"});
        QTest::newRow("both") << "abc" << int(Zone::TitleAndContent) << QStringList({"plain", "ABC title"});
        QTest::newRow("percent") << "%" << int(Zone::Title) << QStringList({"100% sure"});
        QTest::newRow("underscore") << "_" << int(Zone::Title) << QStringList({"a_b"});
        QTest::newRow("backslash") << "\\" << int(Zone::Title) << QStringList({"back\\slash"});
        QTest::newRow("quote") << "'" << int(Zone::Title) << QStringList({"it's"});
        QTest::newRow("injection") << "' OR '1'='1" << int(Zone::TitleAndContent) << QStringList();
        QTest::newRow("other owner") << "x' OR userid <> '" << int(Zone::Title) << QStringList();
        // Blanks are searched as they are.
        QTest::newRow("blank") << " " << int(Zone::Title) << QStringList({"ABC title", "100% sure"});
    }

    void searchMatchesKeywordsLiterally()
    {
        QFETCH(QString, keyword);
        QFETCH(int, zone);
        test::TestStore store;
        for (const char* title : {"100% sure", "a_b", "axb", "back\\slash", "it's"})
            addMemo(store, title, 1);
        addMemo(store, "ABC title", 2, true);
        addMemo(store, "plain", 3, false, QString(), false, "body has abc inside");
        addMemo(store, "abc deleted", 1, false, QString(), true, "abc");
        addMemo(store, "abc of other user", 1, false, "other", false, "abc");
        QTEST(titles(MemoListQueries(store.db(), "tester").searchRows(keyword, Zone(zone))), "found");
    }

    void countsAreGroupedPerSideAndCategoryDeletedLeftOut()
    {
        test::TestStore store;
        addMemo(store, "a", 1);
        addMemo(store, "b", 1);
        addMemo(store, "c", 1, false, QString(), true);
        addMemo(store, "d", 7);
        addMemo(store, "e", 8);
        addMemo(store, "e2", -1);
        addMemo(store, "f", 3, true);
        addMemo(store, "g", 0, true);
        addMemo(store, "h", 1, false, "other");
        CategoryCounts counts;
        QVERIFY(counts.read(store.db(), "tester"));
        QCOMPARE(QList<qint64>({counts.total(false), counts.ofCategory(false, 1), counts.ofCategory(false, 7),
                                counts.total(true), counts.ofCategory(true, 3)}),
                 QList<qint64>({5, 2, 1, 2, 1}));
        // A failed read keeps what was counted before. Rows still being read when the file closes
        // end in a failure.
        DbQuery open = store.db().select(QStringLiteral("SELECT title FROM Notebook"));
        QVERIFY(open.next());
        store.db().close();
        QVERIFY(!counts.read(store.db(), "tester") && !open.next() && !open.ok());
        QCOMPARE(counts.total(false), 5);
    }

    // The counts kept on the connection follow every write to the memos through it, as a count made
    // afresh on another connection finds them.
    void keptCountsFollowEveryWrite_data()
    {
        QTest::addColumn<QString>("write"); // run on the memos; "rolled back" inside a transaction
        QTest::newRow("insert") << "INSERT INTO Notebook (userid, type, Done) VALUES ('tester', 2, 0)";
        QTest::newRow("insert deleted") << "INSERT INTO Notebook (userid, type, Del) VALUES ('tester', 2, 1)";
        QTest::newRow("done") << "UPDATE Notebook SET Done = 1 WHERE title = 'a'";
        QTest::newRow("category") << "UPDATE Notebook SET type = 5 WHERE title = 'a'";
        QTest::newRow("category out of range") << "UPDATE Notebook SET type = 9 WHERE title = 'd'";
        QTest::newRow("out of range to another") << "UPDATE Notebook SET type = NULL WHERE title = 'e'";
        QTest::newRow("deleted") << "UPDATE Notebook SET Del = 1 WHERE title = 'b'";
        QTest::newRow("undeleted") << "UPDATE Notebook SET Del = 0, Done = 1 WHERE title = 'c'";
        QTest::newRow("owner") << "UPDATE Notebook SET userid = 'tester' WHERE title = 'h'";
        QTest::newRow("owner gone") << "UPDATE Notebook SET userid = NULL WHERE title = 'a'";
        QTest::newRow("removed") << "DELETE FROM Notebook WHERE title IN ('f', 'c')";
        QTest::newRow("untouched fields") << "UPDATE Notebook SET title = 'z', Done = Done WHERE title = 'a'";
        QTest::newRow("rolled back") << "rolled back";
    }
    void keptCountsFollowEveryWrite()
    {
        QFETCH(QString, write);
        test::TestStore store;
        for (const auto& [title, type, done, owner, deleted] : {std::tuple{"a", 1, false, "", false},
                                                                {"b", 1, false, "", false},
                                                                {"c", 1, false, "", true},
                                                                {"d", 7, false, "", false},
                                                                {"e", 8, true, "", false},
                                                                {"f", 3, true, "", false},
                                                                {"h", 1, false, "other", false}})
            QVERIFY(addMemo(store, title, type, done, owner, deleted));
        CategoryCounts kept;
        QVERIFY(kept.read(store.db(), "tester"));
        if (write == QStringLiteral("rolled back")) {
            Transaction transaction(store.db());
            QVERIFY(store.db().exec(QStringLiteral("UPDATE Notebook SET Done = 1")));
        } else {
            QVERIFY(store.db().exec(write));
        }
        Database other(QStringLiteral("counting afresh"));
        QVERIFY(other.open(store.runState().DbPath));
        for (const char* user : {"tester", "other"}) {
            CategoryCounts afresh;
            QVERIFY(kept.read(store.db(), user) && afresh.read(other, user));
            for (const bool done : {false, true}) {
                QCOMPARE(kept.total(done), afresh.total(done));
                for (int category = 1; category <= kCategoryCount; ++category)
                    QCOMPARE(kept.ofCategory(done, category), afresh.ofCategory(done, category));
            }
        }
    }

    void clearingANodeMarksOnlyItsMemosDeletedOrNone()
    {
        test::TestStore store;
        const qint64 doneLife = addMemo(store, "done life", 1, true);
        const qint64 openLife = addMemo(store, "open life", 1, false);
        const qint64 doneWork = addMemo(store, "done work", 2, true);
        const qint64 moreWork = addMemo(store, "more work", 2, true);
        const qint64 othersDoneLife = addMemo(store, "other's", 1, true, "other");
        MemoListQueries queries(store.db(), "tester");
        const StoreResult cleared = queries.clearNode(true, 1);
        QVERIFY2(cleared.ok, qPrintable(cleared.error));
        QCOMPARE(cleared.rowsAffected, 1);
        QVERIFY(store.memo(doneLife)->Del && !store.memo(doneLife)->syn);
        QVERIFY(!store.memo(openLife)->Del && !store.memo(doneWork)->Del);
        QVERIFY(!store.memo(othersDoneLife)->Del && store.memo(othersDoneLife)->syn);
        // A root takes every memo of its side.
        QVERIFY(queries.clearNode(false, 0).ok);
        QVERIFY(store.memo(openLife)->Del && !store.memo(doneWork)->Del);
        // When one update is refused, nothing of the clearing stays.
        QVERIFY(store.refuse(QStringLiteral("UPDATE OF Del ON Notebook WHEN OLD.id = %1").arg(doneWork)));
        QVERIFY(!queries.clearNode(true, 2).ok);
        QVERIFY(!store.memo(doneWork)->Del && !store.memo(moreWork)->Del);
        QVERIFY(!applyToMemos(store.db(), &SetDel, "tester", {qint32(moreWork), qint32(doneWork)}).ok);
        QVERIFY(!store.memo(moreWork)->Del);
    }

    void settersCountChangesAndTouchOnlyTheUsersMemo_data()
    {
        QTest::addColumn<int>("setter");      // done, undo, delete
        QTest::addColumn<QString>("before");  // "column=value, ..." of both memos, in progress at synnum 3
        QTest::addColumn<QString>("changes"); // of the user's memo; empty: nothing written
        // clang-format off
        QTest::newRow("done") << 0 << "Done=0, syn=1" << "Done=1;syn=0;synnum=4";
        QTest::newRow("undo") << 1 << "Done=1, syn=1" << "Done=0;syn=0;synnum=4";
        // Deleting keeps the row and the counter.
        QTest::newRow("delete") << 2 << "Done=1, syn=1" << "Del=1;syn=0";
        QTest::newRow("counter missing") << 0 << "synnum=NULL" << "Done=1;syn=0;synnum=1";
        // A memo in the state already is left as it is: not counted, not waiting for upload.
        QTest::newRow("done again") << 0 << "Done=1, syn=1" << "";
        QTest::newRow("undo in progress") << 1 << "Done=0, syn=1" << "";
        QTest::newRow("delete again") << 2 << "Del=1, syn=1" << "";
        // clang-format on
    }

    // Each setter changes the user's memo alone, and says which memos it changed.
    void settersCountChangesAndTouchOnlyTheUsersMemo()
    {
        QFETCH(int, setter);
        QFETCH(QString, before);
        QFETCH(QString, changes);
        const MemoSetter set = std::array<MemoSetter, 3>{&SetDone, &SetUndo, &SetDel}[size_t(setter)];
        test::TestStore store(QStringLiteral("alice"));
        const qint64 mine = addMemo(store, "mine", 1);
        const qint64 bobs = addMemo(store, "bob's", 1, false, "bob");
        QVERIFY(store.db().exec(QStringLiteral("UPDATE Notebook SET ") + before).ok);
        const QStringList minesBefore = test::memoColumns(*store.memo(mine));
        const QStringList bobsBefore = test::memoColumns(*store.memo(bobs));

        QCOMPARE(set(store.db(), QStringLiteral("alice"), bobs).rowsAffected, 0);
        QCOMPARE(test::memoColumns(*store.memo(bobs)), bobsBefore);
        // The owner's name in other letter case is another account.
        QCOMPARE(set(store.db(), QStringLiteral("ALICE"), mine).rowsAffected, 0);
        const StoreRead<std::vector<MemoId>> changed =
            applyToMemos(store.db(), set, QStringLiteral("alice"), {bobs, mine});
        QVERIFY2(changed.ok, qPrintable(changed.error));
        QCOMPARE(changed.value, changes.isEmpty() ? std::vector<MemoId>{} : std::vector<MemoId>{mine});
        QCOMPARE(test::memoColumns(*store.memo(mine)),
                 test::withColumns(minesBefore, changes.split(u';', Qt::SkipEmptyParts)));
        QCOMPARE(test::memoColumns(*store.memo(bobs)), bobsBefore);
    }

    // The settings row and the account rows: what is loaded at start and stored by a sign-in.
    void storedSettingsReachTheRunState_data()
    {
        QTest::addColumn<QString>("update");
        QTest::addColumn<QString>("loaded"); // flags, CheckTimer, MmNumber, first run
        // The flags: SavePass AutoLogin Ring Pop MM Ico AutoHide. Down the first three rows no two flags
        // hold the same values, so no swap goes unseen.
        // clang-format off
        QTest::newRow("high limits") << "FirstRun=0, SavePass=0, AutoLogin=0, ReminderRing=0, ReminderPop=1, ReminderMM=1, ReminderIco=1, AutoHide=1, CheckTimer=60, MmNumber=6" << "0001111 60 6 0";
        QTest::newRow("low limits") << "SavePass=0, AutoLogin=1, ReminderRing=1, ReminderPop=0, ReminderMM=0, ReminderIco=1, AutoHide=1, CheckTimer=1, MmNumber=1" << "0110011 1 1 1";
        // Numbers out of range load as the shipped values.
        const QString flags = "SavePass=1, AutoLogin=0, ReminderRing=1, ReminderPop=0, ReminderMM=1, ReminderIco=0, AutoHide=1, ";
        QTest::newRow("numbers above") << flags + "CheckTimer=61, MmNumber=7" << "1010101 10 2 1";
        QTest::newRow("numbers zero") << flags + "CheckTimer=0, MmNumber=0" << "1010101 10 2 1";
        QTest::newRow("numbers as text") << flags + "CheckTimer='abc', MmNumber='x'" << "1010101 10 2 1";
        // clang-format on
    }

    void storedSettingsReachTheRunState()
    {
        QFETCH(QString, update);
        test::TestStore store;
        Database& db = store.db();
        QVERIFY(db.exec("UPDATE Config SET " + update).ok);
        // A second settings row is never read or written.
        QVERIFY(db.exec("INSERT INTO Config (id, CheckTimer, MmNumber) VALUES (9, 33, 3)").ok);
        RunState state;
        const ConfigLoad load = LoadConfig(db, state);
        QVERIFY(load.settingsFound);
        const Settings& s = state.settings;
        QString flags;
        for (bool flag : {s.SavePass, s.AutoLogin, s.ReminderRing, s.ReminderPop, s.ReminderMM, s.ReminderIco,
                          s.AutoHide})
            flags += flag ? u'1' : u'0';
        flags +=
            QStringLiteral(" %1 %2 %3").arg(s.CheckTimer).arg(s.MmNumber).arg(int(load.prefill.IsFirstRun));
        QTEST(flags, "loaded");

        // Stored back with every flag the other way, they read back so; the figure is the menu's.
        Settings inverted{!s.SavePass,     !s.AutoLogin,   s.CheckTimer,
                          !s.ReminderRing, !s.ReminderPop, !s.ReminderMM,
                          !s.ReminderIco,  !s.AutoHide,    4};
        const int figure = readConfig(db).value->settings.MmNumber;
        const SettingsWrite write = writeSettings(db, inverted);
        QVERIFY2(write.result.ok, qPrintable(write.result.error));
        inverted.MmNumber = figure;
        QCOMPARE(readConfig(db).value->settings, inverted);
    }

    void failuresSayWhyInChinese_data()
    {
        QTest::addColumn<int>("hold"); // 1: another program holds the write lock, 2: the file is read-only
        QTest::addColumn<FailingWrite>("write");
        QTest::addColumn<QString>("reason");
        const QString big = QStringLiteral("INSERT INTO Notebook (userid, title, content) VALUES ('u', 't', "
                                           "printf('%.100000c', 'x'))");
        QTest::newRow("disk full") << 0 << FailingWrite([big](test::TestStore& store) {
            store.db().execOnce(QStringLiteral("PRAGMA max_page_count = 1")); // no page more than now
            return store.db().exec(big);
        }) << "磁盘空间已满";
        QTest::newRow("locked") << 1 << FailingWrite([](test::TestStore& store) {
            store.db().execOnce(QStringLiteral("PRAGMA busy_timeout = 20"));
            return store.db().exec(QStringLiteral("UPDATE Config SET CheckTimer = 5"));
        }) << "数据文件正被另一个程序使用,请关闭该程序后再试";
        // A table that a read under way on the same connection holds is locked by this program, not
        // by another one.
        QTest::newRow("table locked by a read") << 0 << FailingWrite([](test::TestStore& store) {
            StoreResult dropped;
            const StoreResult read =
                store.db().forEachRow(QStringLiteral("SELECT id FROM Config"), {}, [&](const DbQuery&) {
                    dropped = store.db().execOnce(QStringLiteral("DROP TABLE Config"));
                });
            return read.ok ? dropped : read;
        }) << "数据表正被本程序的另一项操作锁定,请稍后再试";
        QTest::newRow("read-only") << 2 << sql("UPDATE Config SET CheckTimer = 5")
                                   << "数据文件是只读的,无法写入";
        QTest::newRow("too long") << 0 << sql("INSERT INTO Users (UserID) VALUES (printf('%.51c', 'x'))")
                                  << "内容超出了数据文件允许的长度或取值范围";
        QTest::newRow("no value") << 0 << sql("INSERT INTO Notebook (userid, Done) VALUES ('u', NULL)")
                                  << "缺少必须填写的内容";
        QTest::newRow("uncommon: SQLite's text kept")
            << 0 << sql("UPDATE Nowhere SET x = 1") << "数据库出错(no such table: Nowhere)";
        QTest::newRow("settings row gone") << 0 << FailingWrite([](test::TestStore& store) {
            store.db().exec(QStringLiteral("DELETE FROM Config"));
            return writeMmNumber(store.db(), 3).result;
        }) << "设置记录不存在";
        QTest::newRow("account row gone") << 0 << FailingWrite([](test::TestStore& store) {
            return LoginRecords(store.db()).setUserPassword(99, QStringLiteral("1234"));
        }) << "找不到该账号的记录";
    }

    // The reason of a failed write is worded by SQLite's result code (or by the program) in Chinese.
    void failuresSayWhyInChinese()
    {
        QFETCH(int, hold);
        QFETCH(FailingWrite, write);
        test::TestStore store;
        const QString path = store.dbPath();
        QSqlDatabase other;
        const QString otherName = test::uniqueConnectionName();
        if (hold == 1) {
            other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), otherName);
            other.setDatabaseName(path);
            QVERIFY(other.open() && other.exec(QStringLiteral("BEGIN IMMEDIATE")).isActive());
        }
        std::optional<test::ReadOnlyPath> locked;
        if (hold == 2) {
            store.db().close();
            locked.emplace(path);
            if (!locked->isReadOnly())
                QSKIP("this file system cannot make the file read-only for this user");
            QVERIFY(store.db().open(path).ok);
        }
        const StoreResult result = write(store);
        QVERIFY(!result.ok);
        QTEST(result.error, "reason");
        if (hold == 1) {
            other.close();
            other = QSqlDatabase();
            QSqlDatabase::removeDatabase(otherName);
        }
    }

    void reasonsOfCodesAndSystemErrors_data()
    {
        QTest::addColumn<int>("code"); // SQLite's extended result code; 0: the system's error alone
        QTest::addColumn<int>("systemError");
        QTest::addColumn<QString>("reason");
        const QString locked = QStringLiteral("文件正被另一个程序使用,请关闭该程序后再试");
        // clang-format off
        QTest::newRow("write error, disk full") << SQLITE_IOERR_WRITE << ENOSPC << "磁盘空间已满";
        QTest::newRow("sync error, over quota") << SQLITE_IOERR_FSYNC << EDQUOT << "超出了磁盘配额";
        QTest::newRow("journal, read-only disk") << SQLITE_CANTOPEN << EROFS << "磁盘是只读的";
        QTest::newRow("open, no rights") << SQLITE_CANTOPEN << EACCES << "没有权限";
        QTest::newRow("lock, held elsewhere") << SQLITE_IOERR_LOCK << EAGAIN << locked;
        QTest::newRow("lock, no number") << SQLITE_IOERR_RDLOCK << 0 << "无法锁定数据文件,它可能正被另一个程序使用";
        QTest::newRow("busy past the wait") << SQLITE_BUSY_TIMEOUT << 0 << "数据文件正被另一个程序使用,请关闭该程序后再试";
        QTest::newRow("memory, in a read") << SQLITE_IOERR_NOMEM << 0 << "内存不足";
        QTest::newRow("damaged index") << SQLITE_CORRUPT_INDEX << 0 << "数据文件已损坏";
        QTest::newRow("read-only, lock refused") << SQLITE_READONLY_CANTLOCK << 0 << "数据文件是只读的,无法写入";
        QTest::newRow("a folder") << SQLITE_CANTOPEN_ISDIR << 0 << "该路径是一个文件夹";
        QTest::newRow("another error number keeps SQLite's") << SQLITE_IOERR_READ << EIO << "读写磁盘时出错";
        QTest::newRow("system: busy") << 0 << EBUSY << locked;
        QTest::newRow("system: would block") << 0 << EWOULDBLOCK << locked;
        QTest::newRow("system: full") << 0 << ENOSPC << "磁盘空间已满";
        QTest::newRow("system: read-only") << 0 << EROFS << "磁盘是只读的";
        // clang-format on
    }

    // The reasons the user reads for SQLite's extended result codes, and for the system's error numbers
    // behind a failed file operation.
    void reasonsOfCodesAndSystemErrors()
    {
        QFETCH(int, code);
        QFETCH(int, systemError);
        QTEST(code ? sqliteReason(code, QStringLiteral("disk I/O error"), systemError)
                   : systemReason(systemError),
              "reason");
    }

    // A memo's text in a message keeps its order: a right-to-left override or a mark that shows
    // nothing stands as its code; what shows stays as it is.
    void memoTextInAMessageReadsAsWritten()
    {
        QCOMPARE(
            untravellableUploadMessage(QStringLiteral("买\u202E菜\u200B"), QStringLiteral("\u202E")),
            QStringLiteral("备忘“买<U+202E>菜<U+200B>”中含有无法同步的文字“<U+202E>”,暂不上传。请编辑该备忘,"
                           "删除这些文字后再同步。"));
        QCOMPARE(untravellableMessage(QStringLiteral("\U0001F600")),
                 QStringLiteral("备忘中含有无法同步的文字“\U0001F600”,请删除后再保存"));
    }

    // A write that fails says so and changes nothing; without a row it asks for the recovery.
    void failedSettingsWrites()
    {
        test::TestStore store;
        const ConfigRow before = *readConfig(store.db()).value;
        QVERIFY(store.refuse(QStringLiteral("UPDATE ON Config")));
        Settings changed;
        changed.AutoHide = true;
        for (const SettingsWrite& write :
             {writeSettings(store.db(), changed), writeMmNumber(store.db(), 4)}) {
            QVERIFY(!write.result.ok && write.result.error.contains(QLatin1String("disk full")));
            QVERIFY(!write.settingsRowMissing);
        }
        QCOMPARE(readConfig(store.db()).value->settings, before.settings);
        QVERIFY(store.db().exec(QStringLiteral("DELETE FROM Config")).ok);
        for (const SettingsWrite& write : {writeSettings(store.db(), changed), writeMmNumber(store.db(), 4)})
            QVERIFY(!write.result.ok && write.settingsRowMissing);
    }

    void rememberedAccountIsPrefilled_data()
    {
        QTest::addColumn<QString>("lastUser");
        QTest::addColumn<bool>("savePass");
        QTest::newRow("oldest row of the name, any case") << "Bob" << true;
        QTest::newRow("quote in the name") << "O'Neil" << true;
        QTest::newRow("password not remembered") << "Bob" << false;
    }

    void rememberedAccountIsPrefilled()
    {
        QFETCH(QString, lastUser);
        QFETCH(bool, savePass);
        test::TestStore store;
        QVERIFY(store.db().exec("UPDATE Config SET LastUser=?, SavePass=?", {lastUser, savePass}).ok);
        QVERIFY(store.addAccount(lastUser.toLower(), "1111222233334444", 8, true));
        QVERIFY(store.addAccount(lastUser.toUpper(), "9999888877776666", 3, false));
        QVERIFY(store.addAccount("O", "wrong", 1, false));
        RunState state;
        const ConfigLoad load = LoadConfig(store.db(), state);
        QCOMPARE(load.prefill.LastUserName, lastUser);
        QCOMPARE(load.prefill.SavedPassHash, savePass ? QStringLiteral("1111222233334444") : QString());
        QCOMPARE(load.prefill.SavedPassLength, savePass ? 8 : 0);
        QVERIFY(state.MobileMailActive); // whether or not the password is remembered
    }

    // What a sign-in stores: a new account row, or the oldest existing row of the name in any letter
    // case, whose spelling the account keeps; the mailbox flag goes to the rows of that spelling.
    void accountRowsOfASignIn()
    {
        test::TestStore store;
        QVERIFY(store.addAccount("Bob", "b0", 3, true));
        QVERIFY(store.addAccount("ann", "a0", 4, false));
        QVERIFY(store.addAccount("dan", "d0", 5, false));
        QVERIFY(store.addAccount("Bob", "B0", 7, false)); // a later row
        QVERIFY(store.addAccount("BOB", "X0", 9, false)); // another account
        LoginRecords records(store.db());
        QVERIFY(records.saveVerifiedAccount("Bob", "b1", false, PasswordDigest{"b2", 8}).ok);
        QVERIFY(records.saveVerifiedAccount("dan", "d1", true, std::nullopt).ok);
        QVERIFY(records.saveVerifiedAccount("carl", "c1", true, PasswordDigest{"c2", 6}).ok);
        QVERIFY(records.saveVerifiedAccount("eve", "e1", false, std::nullopt).ok);
        QCOMPARE(records.saveVerifiedAccount("bOB", "b1", false, PasswordDigest{"b2", 8}).value,
                 QStringLiteral("Bob"));
        QCOMPARE(records.setMobileMailActive("ANN", true).rowsAffected, 0);
        QCOMPARE(records.setMobileMailActive("ann", true).rowsAffected, 1);
        const QString rows =
            QStringLiteral("SELECT group_concat(r, ' ') FROM (SELECT UserID || ',' || UserPWD || ',' || "
                           "ifnull(LastPassword, '-') || ',' || LenPass || ',' || MobileMailActive "
                           "AS r FROM Users ORDER BY ID)");
        QCOMPARE(store.value(rows).toString(),
                 "Bob,b1,b2,8,1 ann,a0,a0,4,1 dan,d1,d0,5,0 Bob,B0,B0,7,0 BOB,X0,X0,9,0 "
                 "carl,c1,c2,6,1 eve,e1,-,0,0");
    }

    void sentUploadsForgottenByTheMany_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("a few") << 5;
        QTest::newRow("a chunk's worth") << 300;
        QTest::newRow("several chunks") << 1000;
    }

    // The entries named go, whatever their number; those not named, and another user's, stay.
    void sentUploadsForgottenByTheMany()
    {
        QFETCH(int, count);
        test::TestStore store;
        SentUpload sent;
        sent.Record = QStringLiteral("record");
        sent.SentAt = Clock::currentDateTime();
        Transaction transaction(store.db());
        QVERIFY(rememberSentUpload(store.db(), QStringLiteral("other"), sent).ok);
        std::vector<qint64> forgotten;
        std::vector<qint64> kept;
        for (int i = 0; i < count; ++i) {
            const StoreResult remembered = rememberSentUpload(store.db(), store.runState().UserId, sent);
            QVERIFY(remembered.ok);
            (i % 3 == 1 ? kept : forgotten).push_back(remembered.insertId);
        }
        const StoreResult gone = forgetSentUploads(store.db(), store.runState().UserId, forgotten);
        QVERIFY(gone.ok && transaction.commit().ok);
        QCOMPARE(gone.rowsAffected, int(forgotten.size()));
        std::vector<qint64> left;
        for (const SentUpload& entry : readSentUploads(store.db(), store.runState().UserId).value)
            left.push_back(entry.id);
        QCOMPARE(left, kept);
        QCOMPARE(readSentUploads(store.db(), QStringLiteral("other")).value.size(), size_t(1));
    }

    void tokensStoredByTheMany_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("a few") << 7;
        QTest::newRow("more than a screenful") << 300;
    }

    // Each named row takes its token, whatever the token holds; a row of another owner, or one whose
    // server id is no longer the one compared, keeps its own.
    void tokensStoredByTheMany()
    {
        QFETCH(int, count);
        test::TestStore store;
        Transaction transaction(store.db());
        std::vector<std::pair<SyncKey, ShortCode>> tokens;
        QStringList expected;
        for (int i = 0; i < count; ++i) {
            MemoRecord memo = store.sampleMemo(QStringLiteral("m%1").arg(i));
            memo.NotebookServerId = 1000 + i;
            memo.userid = i == 2 ? QStringLiteral("other") : store.runState().UserId;
            SyncKey key;
            key.id = store.addMemo(memo);
            key.serverId = i == 3 ? memo.NotebookServerId + 1 : memo.NotebookServerId;
            const QString token = i == 4 ? QStringLiteral("q\"u\\o\tte") : QStringLiteral("t%1").arg(i);
            tokens.emplace_back(key, token);
            expected << (i == 2 || i == 3 ? QString() : token);
        }
        const StoreResult stored = storeServerTokens(store.db(), store.runState().UserId, tokens);
        QVERIFY(stored.ok && transaction.commit().ok);
        QCOMPARE(stored.rowsAffected, count - 2);
        QStringList got;
        store.db().forEachRow(QStringLiteral("SELECT ServerToken FROM Notebook ORDER BY id"), {},
                              [&got](const DbQuery& row) { got << row.text(0); });
        QCOMPARE(got, expected);
    }

    void missingFileIsWrittenOutAgain()
    {
        test::TempDataFolder folder;
        RunState state;
        state.DbPath = databasePath(folder.dataFolder());
        const MissingRowRecovery recovery = RecoverMissingRow(state.DbPath);
        QVERIFY(recovery.fileWasMissing);
        QVERIFY2(recovery.recreated.ok, qPrintable(recovery.recreated.error));
        // The next start finds a complete file and goes online first.
        Database db(test::uniqueConnectionName());
        QVERIFY(db.open(state.DbPath).ok);
        QVERIFY(LoadConfig(db, state).prefill.IsFirstRun);
        // A recovery that cannot write says so.
        const MissingRowRecovery blocked = RecoverMissingRow(folder.filePath("missing-folder/data.db"));
        QVERIFY(blocked.fileWasMissing && !blocked.recreated.ok && !blocked.recreated.error.isEmpty());
    }
};

VELMO_TEST_MAIN(TestDatabase)
#include "TestDatabase.moc"
