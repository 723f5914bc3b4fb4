#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/Clock.h"
#include "platform/DataFolder.h"

#include <QFileInfo>

using namespace velmo;

class TestClockAndFolders : public QObject
{
    Q_OBJECT

private slots:
    void clockReadsTheInstalledClock()
    {
        QCOMPARE(Clock::currentDateTime(), test::defaultTestMoment());
        test::fixedClock().advanceSeconds(61);
        QCOMPARE(Clock::currentDateTime().time(), QTime(10, 1, 1));
        QCOMPARE(Clock::currentDate(), QDate(2026, 12, 6));
        test::fixedClock().setNow(test::defaultTestMoment());
    }

    void dataFolderIsCreatedForItsOwnerOnly()
    {
        test::TempDataFolder temp;
        QVERIFY(temp.isValid());
        const DataFolder folder(temp.filePath(QStringLiteral("nested/velmo")));
        QVERIFY(folder.ensureExists());
        const QFileInfo info(folder.path());
        QVERIFY(info.isDir());
        QCOMPARE(info.permissions() &
                     (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        QCOMPARE(folder.filePath(QStringLiteral("data.db")), folder.path() + QStringLiteral("/data.db"));
    }

    void defaultDataFolderLivesUnderTheTestHome()
    {
        // The test main points XDG_DATA_HOME into a temporary home; nothing may reach the real one.
        const DataFolder folder;
        QVERIFY(folder.path().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
    }
};

VELMO_TEST_MAIN(TestClockAndFolders)
#include "TestClockAndFolders.moc"
