#include "TestMain.h"

#include "sync-soak/SoakRun.h"

// Seeded random sequences on two computers of one account against the stand-in (see
// tools/sync-soak/SoakRun.h for what they do and check); scripts/sync-soak.sh runs thousands.
class TestTwoComputers : public QObject
{
    Q_OBJECT

private slots:
    void randomSequences_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 30; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void randomSequences()
    {
        QFETCH(quint32, seed);
        const velmo::soak::Outcome outcome = velmo::soak::runSequence(seed, 60);
        QVERIFY2(outcome.ok, qPrintable(outcome.failure));
        QVERIFY(outcome.passes > 0);
    }
};

VELMO_TEST_MAIN(TestTwoComputers)
#include "TestTwoComputers.moc"
