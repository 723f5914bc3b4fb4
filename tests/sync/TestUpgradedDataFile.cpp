#include "OlderDataFiles.h"
#include "SyncRig.h"
#include "TestMain.h"

#include "store/LoginRecords.h"
#include "store/SentUploads.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace velmo;
using namespace velmo::test;

namespace {

// A memo row as the version-3 program stored it (its table has no token and no digest); its id.
qint64 insertVersion3Memo(QSqlQuery& query, const MemoRecord& memo)
{
    query.prepare(QStringLiteral(
        "INSERT INTO Notebook (userid, type, title, content, addtime, AlertTime, AlertPinLv, ifAlert, click, "
        "sound, lifa, \"before\", synnum, syn, NotebookServerId, SyncedSynnum) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& value : QVariantList{
             memo.userid, memo.type, memo.title, memo.content, toDbText(*memo.addtime),
             toDbText(*memo.AlertTime), memo.AlertPinLv, int(memo.ifAlert), memo.click, memo.sound, memo.lifa,
             memo.before, memo.synnum, int(memo.syn), memo.NotebookServerId, memo.SyncedSynnum})
        query.addBindValue(value);
    return query.exec() ? query.lastInsertId().toLongLong() : 0;
}

} // namespace

class TestUpgradedDataFile : public QObject
{
    Q_OBJECT

private slots:
    // A data file of version 3 as that version left it: accounts "demo" (the older row) and "Demo", the
    // last user "Demo", five memos of each, three of "demo" in step with the service, one posted whose
    // answer was lost after the service took it and edited since, one of "Demo" posted whose post never
    // arrived. After
    // the upgrade, the sign-in as "Demo" and a pass, the user has all ten memos, each once on the
    // service and in step.
    void version3FileWithOwnersInTwoCasesSynchronises()
    {
        Rig rig;
        Device& device = rig.a;
        const QString path = device.store.dbPath();
        device.store.db().close();
        QVERIFY(QFile::remove(path));
        QCOMPARE(writeDataFileOfVersion(3, path), QString());

        const QString connection = uniqueConnectionName();
        {
            QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            file.setDatabaseName(path);
            QVERIFY(file.open());
            QSqlQuery query(file);
            QVERIFY(query.exec(QStringLiteral("UPDATE Config SET FirstRun=0, LastUser='Demo'")));
            QVERIFY(query.prepare(QStringLiteral("INSERT INTO Users (UserID, UserPWD) VALUES ('demo', ?), "
                                                 "('Demo', ?)")));
            query.addBindValue(MD5_16(Password));
            query.addBindValue(MD5_16(Password));
            QVERIFY(query.exec());
            const auto memo = [&device](const QString& owner, const QString& title) {
                MemoRecord made = device.store.sampleMemo(title);
                made.userid = owner;
                made.addtime = defaultTestMoment();
                made.AlertTime = defaultTestMoment().addDays(1);
                return made;
            };
            const auto fields = [](const MemoRecord& copy) {
                return ServerRecordText(copy).split(standin::MemoStore::FieldSeparator);
            };
            for (int i = 1; i <= 3; ++i) {
                MemoRecord inStep = memo(QStringLiteral("demo"), QStringLiteral("demo in step %1").arg(i));
                inStep.NotebookServerId = rig.memos().add(QStringLiteral("demo"), fields(inStep), 1);
                inStep.syn = true;
                inStep.SyncedSynnum = 1;
                QVERIFY(inStep.NotebookServerId > 0);
                QVERIFY2(insertVersion3Memo(query, inStep) > 0, qPrintable(query.lastError().text()));
            }
            const auto sentUpload = [&query](const QString& owner, qint64 localId, const MemoRecord& posted) {
                query.prepare(QStringLiteral("INSERT INTO SentUploads (userid, LocalId, ServerId, Record, "
                                             "ReadSynnum, Del, SentAt) VALUES (?, ?, 0, ?, 1, 0, ?)"));
                for (const QVariant& value : QVariantList{owner, localId, ServerRecordText(posted),
                                                          toDbText(defaultTestMoment().addSecs(-60))})
                    query.addBindValue(value);
                return query.exec();
            };
            const MemoRecord posted = memo(QStringLiteral("demo"), QStringLiteral("demo posted"));
            QVERIFY(rig.memos().add(QStringLiteral("demo"), fields(posted), 1) > 0);
            // Edited after the post: only the post kept in mind tells the service's copy as its own.
            MemoRecord edited = posted;
            edited.title += QStringLiteral(" edited");
            edited.synnum = 2;
            QVERIFY(sentUpload(QStringLiteral("demo"), insertVersion3Memo(query, edited), posted));
            QVERIFY(insertVersion3Memo(query, memo(QStringLiteral("demo"), QStringLiteral("demo new"))) > 0);
            for (int i = 1; i <= 5; ++i) {
                const MemoRecord other = memo(QStringLiteral("Demo"), QStringLiteral("Demo new %1").arg(i));
                const qint64 id = insertVersion3Memo(query, other);
                QVERIFY(id > 0);
                if (i == 1)
                    QVERIFY(sentUpload(QStringLiteral("Demo"), id, other));
            }
        }
        QSqlDatabase::removeDatabase(connection);

        const StoreResult opened = device.store.db().open(path);
        QVERIFY2(opened.ok, qPrintable(opened.error));
        const StoreRead<std::optional<AccountRow>> account =
            LoginRecords(device.store.db()).find(QStringLiteral("Demo"));
        QVERIFY(account.ok && account.value);
        device.store.runState().UserId = account.value->userId;
        QCOMPARE(device.store
                     .value(QStringLiteral("SELECT count(*) FROM Notebook WHERE userid=? AND Del=0"),
                            {account.value->userId})
                     .toInt(),
                 10);

        QVERIFY(device.syncNow());
        QVERIFY(device.syncNow());
        QCOMPARE(rig.apart({&device}), QString());
        QCOMPARE(rig.memos().liveMemos(QStringLiteral("demo")).size(), 10);
        QCOMPARE(rig.memos().liveMemos(QStringLiteral("Demo")).size(), 0);
        // The six the service did not have went up once each, and the edit of the one it took.
        QCOMPARE(rig.uploads().size(), 7);
    }
};

VELMO_TEST_MAIN(TestUpgradedDataFile)
#include "TestUpgradedDataFile.moc"
