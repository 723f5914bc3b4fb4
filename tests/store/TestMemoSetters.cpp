#include "TestMain.h"
#include "TestStore.h"

#include "store/MemoState.h"

using namespace velmo;

namespace {

// A memo that has been uploaded and changed a few times.
MemoRecord syncedMemo(const test::TestStore& store, bool done)
{
    MemoRecord memo = store.sampleMemo(QStringLiteral("synced"));
    memo.Done = done;
    memo.synnum = 3;
    memo.syn = true;
    memo.NotebookServerId = 77;
    return memo;
}

} // namespace

class TestMemoSetters : public QObject
{
    Q_OBJECT

private slots:
    void doneAndUndoCountEveryChange()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const qint64 id = store.addMemo(syncedMemo(store, false));
        MemoRecord expected = *store.memo(id);

        StoreResult set = SetDone(store.db(), store.runState().UserId, id);
        QVERIFY2(set.ok, qPrintable(set.error));
        QCOMPARE(set.rowsAffected, 1);
        expected.Done = true;
        expected.synnum = 4;
        expected.syn = false;
        QCOMPARE(*store.memo(id), expected); // and nothing else changed

        // Marking it done again still counts, as does putting back a memo in progress.
        QVERIFY(SetDone(store.db(), store.runState().UserId, id).ok);
        expected.synnum = 5;
        QCOMPARE(*store.memo(id), expected);

        QVERIFY(store.db().exec(QStringLiteral("UPDATE Notebook SET syn=1"), {}).ok);
        QVERIFY(SetUndo(store.db(), store.runState().UserId, id).ok);
        expected.Done = false;
        expected.synnum = 6;
        QCOMPARE(*store.memo(id), expected);
        QVERIFY(SetUndo(store.db(), store.runState().UserId, id).ok);
        expected.synnum = 7;
        QCOMPARE(*store.memo(id), expected);
    }

    void deleteKeepsTheRowAndTheCounter()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const qint64 id = store.addMemo(syncedMemo(store, true));
        MemoRecord expected = *store.memo(id);

        QCOMPARE(SetDel(store.db(), store.runState().UserId, id).rowsAffected, 1);
        expected.Del = true;
        expected.syn = false;
        QCOMPARE(*store.memo(id), expected);
    }

    void onlyTheUsersOwnMemoChanges()
    {
        test::TestStore store(QStringLiteral("alice"));
        QVERIFY(store.isValid());
        const qint64 mine = store.addMemo(syncedMemo(store, false));
        MemoRecord theirs = syncedMemo(store, false);
        theirs.userid = QStringLiteral("bob");
        const qint64 bobs = store.addMemo(theirs);
        const MemoRecord bobsBefore = *store.memo(bobs);
        const MemoRecord mineBefore = *store.memo(mine);

        using Setter = StoreResult (*)(Database&, const QString&, qint64);
        for (Setter setter : {Setter(&SetDone), Setter(&SetUndo), Setter(&SetDel)}) {
            const StoreResult foreign = setter(store.db(), QStringLiteral("alice"), bobs);
            QVERIFY(foreign.ok);
            QCOMPARE(foreign.rowsAffected, 0);
            QCOMPARE(setter(store.db(), QStringLiteral("alice"), 999).rowsAffected, 0); // no such memo
        }
        QCOMPARE(*store.memo(bobs), bobsBefore);
        QCOMPARE(*store.memo(mine), mineBefore);

        // The owner's name as typed in other letter case is still the owner.
        QCOMPARE(SetDone(store.db(), QStringLiteral("ALICE"), mine).rowsAffected, 1);
        QVERIFY(store.memo(mine)->Done);
    }

    void aMissingCounterStartsAgain()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const qint64 id = store.addMemo();
        QVERIFY(store.db().exec(QStringLiteral("UPDATE Notebook SET synnum=NULL WHERE id=?"), {id}).ok);
        QVERIFY(SetDone(store.db(), store.runState().UserId, id).ok);
        QCOMPARE(store.value(QStringLiteral("SELECT synnum FROM Notebook WHERE id=?"), {id}).toInt(), 1);
    }
};

VELMO_TEST_MAIN(TestMemoSetters)
#include "TestMemoSetters.moc"
