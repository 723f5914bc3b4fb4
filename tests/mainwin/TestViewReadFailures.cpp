#include "MainWindowFixture.h"
#include "TestMain.h"

using namespace velmo;
using test::MainWindowFixture;

// A read that fails is reported, never shown as "no memos".
class TestViewReadFailures : public QObject
{
    Q_OBJECT

private slots:
    void failedReadsAreReported_data()
    {
        QTest::addColumn<QStringList>("breakage");
        QTest::newRow("table gone") << QStringList{QStringLiteral("ALTER TABLE Notebook RENAME TO Gone")};
        QTest::newRow("Del column gone") << QStringList{
            QStringLiteral("DROP INDEX NotebookOwner"), QStringLiteral("DROP INDEX NotebookOwnerCounts"),
            QStringLiteral("ALTER TABLE Notebook RENAME COLUMN Del TO Gone")};
    }

    void failedReadsAreReported()
    {
        QFETCH(QStringList, breakage);
        MainWindowFixture f;
        f.addMemo(QStringLiteral("memo"), 1);
        for (const QString& sql : breakage)
            QVERIFY2(f.store.db().exec(sql).ok, qPrintable(sql));

        f.form->ReadCount();
        QVERIFY2(f.form->statusText(1).startsWith(QStringLiteral("状态:备忘统计读取失败")),
                 qPrintable(f.form->statusText(1)));
        QCOMPARE(f.soundNames(), QStringList{QStringLiteral("error.wav")});
        f.form->ReadUndo();
        QVERIFY(f.form->statusText(1).startsWith(QStringLiteral("状态:备忘读取失败")));
        QCOMPARE(f.soundNames().count(QStringLiteral("error.wav")), 2);
    }
};

VELMO_TEST_MAIN(TestViewReadFailures)
#include "TestViewReadFailures.moc"
