#include "TestMain.h"
#include "TestStore.h"

#include "store/CategoryCounts.h"
#include "store/MemoListQueries.h"

using namespace velmo;

namespace {

using Zone = MemoListQueries::SearchZone;

QStringList titles(const MemoListRead& read)
{
    QStringList result;
    for (const MemoListRow& row : read.rows)
        result << row.title.toString();
    return result;
}

// A memo of the given owner, category and state; deleted ones get the flag afterwards.
qint64 addMemo(test::TestStore& store, const QString& title, int type, bool done = false,
               const QString& owner = QString(), bool deleted = false, const QString& content = QString())
{
    MemoRecord memo = store.sampleMemo(title);
    memo.type = type;
    memo.Done = done;
    if (!owner.isEmpty())
        memo.userid = owner;
    memo.content = content.isEmpty() ? QStringLiteral("body") : content;
    const qint64 id = store.addMemo(memo);
    if (deleted && id)
        store.db().exec(QStringLiteral("UPDATE Notebook SET Del = 1 WHERE id = ?"), {id});
    return id;
}

} // namespace

class TestMemoListQueries : public QObject
{
    Q_OBJECT

private slots:
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
                 QStringList({"letter case", "zero type", "odd type", "work", "life"}));
        QCOMPARE(titles(queries.nodeRows(false, 1)), QStringList({"letter case", "life"}));
        // Codes outside 1 to 7 show in their root only; category 7 holds only code 7.
        QCOMPARE(titles(queries.nodeRows(false, 7)), QStringList());

        const MemoListRead mood = queries.nodeRows(true, 5);
        QCOMPARE(mood.rows.size(), size_t(1));
        QCOMPARE(mood.rows[0].type.toInt(), 5);
        QVERIFY(mood.rows[0].done);
        QCOMPARE(mood.rows[0].content.toString(), "happy day");
        QCOMPARE(titles(queries.nodeRows(true, 0)), QStringList({"mood done"}));
    }

    void searchMatchesKeywordsLiterallyWithinTheUsersLiveMemos()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        addMemo(store, "100% sure", 1);
        addMemo(store, "a_b", 1);
        addMemo(store, "axb", 1);
        addMemo(store, "back\\slash", 1);
        addMemo(store, "it's", 1);
        addMemo(store, "ABC title", 2, true);
        addMemo(store, "plain", 3, false, QString(), false, "body has abc inside");
        addMemo(store, "abc deleted", 1, false, QString(), true);
        addMemo(store, "abc of other user", 1, false, "other");
        MemoListQueries queries(store.db(), "tester");

        QCOMPARE(titles(queries.searchRows("abc", Zone::Title)), QStringList({"ABC title"}));
        QCOMPARE(titles(queries.searchRows("abc", Zone::Content)), QStringList({"plain"}));
        QCOMPARE(titles(queries.searchRows("abc", Zone::TitleAndContent)),
                 QStringList({"plain", "ABC title"}));

        QCOMPARE(titles(queries.searchRows("%", Zone::Title)), QStringList({"100% sure"}));
        QCOMPARE(titles(queries.searchRows("_", Zone::Title)), QStringList({"a_b"}));
        QCOMPARE(titles(queries.searchRows("\\", Zone::Title)), QStringList({"back\\slash"}));
        QCOMPARE(titles(queries.searchRows("'", Zone::Title)), QStringList({"it's"}));
        QCOMPARE(titles(queries.searchRows("' OR '1'='1", Zone::TitleAndContent)), QStringList());
        QCOMPARE(titles(queries.searchRows("x' OR userid <> '", Zone::Title)), QStringList());
        // Blanks are searched as they are.
        QCOMPARE(titles(queries.searchRows(" ", Zone::Title)), QStringList({"ABC title", "100% sure"}));
        QCOMPARE(MemoListQueries::zoneFromNumber(4), std::nullopt);
        QCOMPARE(MemoListQueries::zoneFromNumber(2), std::optional<Zone>(Zone::Title));
    }

    void countsAreGroupedPerSideAndCategoryDeletedLeftOut()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        addMemo(store, "a", 1);
        addMemo(store, "b", 1);
        addMemo(store, "c", 1, false, QString(), true);
        addMemo(store, "d", 7);
        addMemo(store, "e", 8);
        addMemo(store, "f", 3, true);
        addMemo(store, "g", 0, true);
        addMemo(store, "h", 1, false, "other");

        CategoryCounts counts;
        QVERIFY(counts.read(store.db(), "Tester"));
        QCOMPARE(counts.total(false), 4);
        QCOMPARE(counts.ofCategory(false, 1), 2);
        QCOMPARE(counts.ofCategory(false, 7), 1);
        QCOMPARE(counts.ofCategory(false, 2), 0);
        QCOMPARE(counts.total(true), 2);
        QCOMPARE(counts.ofCategory(true, 3), 1);
        QCOMPARE(counts.ofCategory(true, 1), 0);

        // A failed read keeps what was counted before.
        store.db().close();
        QVERIFY(!counts.read(store.db(), "tester"));
        QCOMPARE(counts.total(false), 4);
    }

    void clearingANodeMarksOnlyItsMemosDeleted()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const qint64 doneLife = addMemo(store, "done life", 1, true);
        const qint64 doneLifeDeleted = addMemo(store, "done life deleted", 1, true, QString(), true);
        const qint64 openLife = addMemo(store, "open life", 1, false);
        const qint64 doneWork = addMemo(store, "done work", 2, true);
        const qint64 othersDoneLife = addMemo(store, "other's", 1, true, "other");
        store.db().exec(QStringLiteral("UPDATE Notebook SET syn = 1"));

        MemoListQueries queries(store.db(), "tester");
        const StoreResult cleared = queries.clearNode(true, 1);
        QVERIFY2(cleared.ok, qPrintable(cleared.error));
        QCOMPARE(cleared.rowsAffected, 2);
        QVERIFY(store.memo(doneLife)->Del);
        QVERIFY(!store.memo(doneLife)->syn);
        QVERIFY(!store.memo(doneLifeDeleted)->syn);
        QVERIFY(!store.memo(openLife)->Del);
        QVERIFY(!store.memo(doneWork)->Del);
        QVERIFY(!store.memo(othersDoneLife)->Del);
        QVERIFY(store.memo(othersDoneLife)->syn);

        // A root takes every memo of its side.
        QVERIFY(queries.clearNode(false, 0).ok);
        QVERIFY(store.memo(openLife)->Del);
        QVERIFY(!store.memo(doneWork)->Del);
    }

    void aFailingClearChangesNothing()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const qint64 first = addMemo(store, "first", 4);
        const qint64 second = addMemo(store, "second", 4);
        // The second update is refused: nothing of the clearing may stay.
        store.db().exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF Del ON Notebook WHEN OLD.id = %1 "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                .arg(first));
        const StoreResult cleared = MemoListQueries(store.db(), "tester").clearNode(false, 4);
        QVERIFY(!cleared.ok);
        QVERIFY(!store.memo(first)->Del);
        QVERIFY(!store.memo(second)->Del);
    }
};

VELMO_TEST_MAIN(TestMemoListQueries)
#include "TestMemoListQueries.moc"
