#include "TestMain.h"

#include "app/QuitSignals.h"

#include <QSignalSpy>

#include <csignal>

using namespace velmo;

class TestQuitSignals : public QObject
{
    Q_OBJECT

private slots:
    void signalBecomesQuitRequest_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP (logout)") << SIGHUP;
    }

    // The signal reaches the event loop as a request; the process lives on to quit normally, and the
    // handler it replaced comes back afterwards.
    void signalBecomesQuitRequest()
    {
        QFETCH(int, number);
        std::signal(number, SIG_IGN);
        {
            QuitSignals quit;
            QVERIFY(quit.isInstalled());
            QSignalSpy requested(&quit, &QuitSignals::quitRequested);
            QCOMPARE(std::raise(number), 0);
            QVERIFY(requested.wait(2000));
            QCOMPARE(requested.size(), 1);
            QCOMPARE(requested.first().first().toInt(), number);
        }
        QVERIFY(std::signal(number, SIG_DFL) == SIG_IGN);
    }

    // One object at a time: a second one installs nothing, and its going leaves the first at work.
    void secondObjectLeavesTheFirst()
    {
        QuitSignals first;
        {
            QuitSignals second;
            QVERIFY(!second.isInstalled());
        }
        QSignalSpy requested(&first, &QuitSignals::quitRequested);
        QCOMPARE(std::raise(SIGTERM), 0);
        QVERIFY(requested.wait(2000));
    }
};

VELMO_TEST_MAIN(TestQuitSignals)
#include "TestQuitSignals.moc"
