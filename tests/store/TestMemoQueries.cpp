#include "TestMain.h"
#include "TestStore.h"

#include "store/CategoryCounts.h"
#include "store/DbText.h"
#include "store/MemoListQueries.h"
#include "store/MemoState.h"

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

} // namespace

class TestMemoQueries : public QObject
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
                 QStringList({"zero type", "odd type", "work", "life"})); // "TESTER" is another account
        QCOMPARE(titles(queries.nodeRows(false, 1)), QStringList({"life"}));
        // Codes outside 1 to 7 show in their root only; category 7 holds only code 7.
        QCOMPARE(titles(queries.nodeRows(false, 7)), QStringList());
        const MemoListRead mood = queries.nodeRows(true, 5);
        QCOMPARE(titles(mood), QStringList({"mood done"}));
        QCOMPARE(mood.rows[0].content.toString(), "happy day");
        const std::optional<Zone> zones[] = {std::nullopt, Zone::TitleAndContent, Zone::Title, Zone::Content,
                                             std::nullopt};
        for (int number = 0; number < 5; ++number)
            QCOMPARE(MemoListQueries::zoneFromNumber(number), zones[number]);
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
        const auto text = [](const std::optional<QDateTime>& moment) {
            return toDbText(moment.value_or(QDateTime()));
        };
        const MemoListRead read = MemoListQueries(store.db(), store.runState().UserId).nodeRows(false, 0);
        QCOMPARE(read.rows.size(), memos.size());
        for (size_t i = 0; i < memos.size(); ++i) {
            const MemoRecord& memo = memos[memos.size() - 1 - i];
            const MemoListRow& row = read.rows[i];
            QCOMPARE(QStringList({row.id.toString(), row.type.toString(), row.title.toString(),
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
        addMemo(store, "f", 3, true);
        addMemo(store, "g", 0, true);
        addMemo(store, "h", 1, false, "other");
        CategoryCounts counts;
        QVERIFY(counts.read(store.db(), "tester"));
        QCOMPARE(QList<qint64>({counts.total(false), counts.ofCategory(false, 1), counts.ofCategory(false, 7),
                                counts.total(true), counts.ofCategory(true, 3)}),
                 QList<qint64>({4, 2, 1, 2, 1}));
        // A failed read keeps what was counted before.
        store.db().close();
        QVERIFY(!counts.read(store.db(), "tester"));
        QCOMPARE(counts.total(false), 4);
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
        QVERIFY(
            !applyToMemos(store.db(), &SetDel, QStringLiteral("tester"), {qint32(moreWork), qint32(doneWork)})
                 .ok);
        QVERIFY(!store.memo(moreWork)->Del);
    }

    void settersCountChangesAndTouchOnlyTheUsersMemo_data()
    {
        QTest::addColumn<int>("setter");      // done, undo, delete
        QTest::addColumn<QString>("before");  // "column=value, ..." of both memos, in progress at synnum 3
        QTest::addColumn<QString>("changes"); // of the user's memo
        // Marking done again still counts, as does putting back a memo in progress.
        QTest::newRow("done") << 0 << "Done=0"
                              << "Done=1;syn=0;synnum=4";
        QTest::newRow("done again") << 0 << "Done=1"
                                    << "Done=1;syn=0;synnum=4";
        QTest::newRow("undo") << 1 << "Done=1"
                              << "Done=0;syn=0;synnum=4";
        // Deleting keeps the row and the counter.
        QTest::newRow("delete") << 2 << "Done=1"
                                << "Done=1;Del=1;syn=0";
        QTest::newRow("counter missing") << 0 << "synnum=NULL"
                                         << "Done=1;syn=0;synnum=1";
    }

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
        const StoreResult changed = set(store.db(), QStringLiteral("alice"), mine);
        QVERIFY2(changed.ok, qPrintable(changed.error));
        QCOMPARE(changed.rowsAffected, 1);
        QCOMPARE(test::memoColumns(*store.memo(mine)), test::withColumns(minesBefore, changes.split(u';')));
    }
};

VELMO_TEST_MAIN(TestMemoQueries)
#include "TestMemoQueries.moc"
