#include "TestMain.h"
#include "TestStore.h"

using namespace velmo;

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void freshStoreOpens()
    {
        test::TestStore store;
        QVERIFY2(store.isValid(), qPrintable(store.error()));
        QCOMPARE(store.value(QStringLiteral("SELECT CheckTimer FROM Config")).toInt(), 10);
        const qint64 id = store.addMemo(QStringLiteral("first"));
        QVERIFY2(id > 0, qPrintable(store.lastError()));
        QCOMPARE(store.memo(id)->addtime, std::optional<QDateTime>(test::defaultTestMoment()));
    }
};

VELMO_TEST_MAIN(TestDatabase)
#include "TestDatabase.moc"
