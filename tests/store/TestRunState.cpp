#include "TestMain.h"
#include "TestStore.h"

#include "store/DataFiles.h"
#include "store/Recovery.h"
#include "store/Settings.h"

using namespace velmo;

class TestRunState : public QObject
{
    Q_OBJECT

private slots:
    void storedSettingsReachTheRunState_data()
    {
        QTest::addColumn<QString>("update");
        QTest::addColumn<QString>("flags"); // SavePass AutoLogin Ring Pop MM Ico AutoHide
        QTest::addColumn<int>("checkTimer");
        QTest::addColumn<int>("mmNumber");
        QTest::addColumn<bool>("firstRun");
        QTest::newRow("changed") << "FirstRun=0, SavePass=0, AutoLogin=0, CheckTimer=45, ReminderRing=0, "
                                    "ReminderPop=1, ReminderMM=0, ReminderIco=1, AutoHide=1, MmNumber=6"
                                 << "0001011" << 45 << 6 << false;
        // Numbers out of range load as the shipped values.
        const QString flags = QStringLiteral("ReminderPop=0, ReminderIco=0, SavePass=1, AutoLogin=0, ");
        QTest::newRow("numbers above") << flags + "CheckTimer=61, MmNumber=7"
                                       << "1010100" << 10 << 2 << true;
        QTest::newRow("numbers zero") << flags + "CheckTimer=0, MmNumber=0"
                                      << "1010100" << 10 << 2 << true;
        QTest::newRow("numbers as text") << flags + "CheckTimer='abc', MmNumber='x'"
                                         << "1010100" << 10 << 2 << true;
    }

    void storedSettingsReachTheRunState()
    {
        QFETCH(QString, update);
        test::TestStore store;
        QVERIFY(store.db().exec(QStringLiteral("UPDATE Config SET ") + update).ok);
        RunState state;
        const ConfigLoad load = LoadConfig(store.db(), state);
        QVERIFY(load.settingsFound);
        QTEST(load.prefill.IsFirstRun, "firstRun");
        const Settings& s = state.settings;
        QString flags;
        for (bool flag : {s.SavePass, s.AutoLogin, s.ReminderRing, s.ReminderPop, s.ReminderMM, s.ReminderIco,
                          s.AutoHide})
            flags += flag ? u'1' : u'0';
        QTEST(flags, "flags");
        QTEST(s.CheckTimer, "checkTimer");
        QTEST(s.MmNumber, "mmNumber");
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
        QVERIFY(store.db()
                    .exec(QStringLiteral("UPDATE Config SET LastUser=?, SavePass=?"), {lastUser, savePass})
                    .ok);
        QVERIFY(store.addAccount(lastUser.toLower(), QStringLiteral("1111222233334444"), 8, true));
        QVERIFY(store.addAccount(lastUser.toUpper(), QStringLiteral("9999888877776666"), 3, false));
        QVERIFY(store.addAccount(QStringLiteral("O"), QStringLiteral("wrong"), 1, false));
        RunState state;
        const ConfigLoad load = LoadConfig(store.db(), state);
        QCOMPARE(load.prefill.LastUserName, lastUser);
        QCOMPARE(load.prefill.SavedPassHash, savePass ? QStringLiteral("1111222233334444") : QString());
        QCOMPARE(load.prefill.SavedPassLength, savePass ? 8 : 0);
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
        const MissingRowRecovery blocked =
            RecoverMissingRow(folder.filePath(QStringLiteral("missing-folder/data.db")));
        QVERIFY(blocked.fileWasMissing && !blocked.recreated.ok && !blocked.recreated.error.isEmpty());
    }
};

VELMO_TEST_MAIN(TestRunState)
#include "TestRunState.moc"
