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
        QTest::addColumn<QString>("update"); // empty: the settings as shipped
        QTest::addColumn<QString>("flags");  // SavePass AutoLogin Ring Pop MM Ico AutoHide
        QTest::addColumn<int>("checkTimer");
        QTest::addColumn<int>("mmNumber");
        QTest::addColumn<bool>("firstRun");
        QTest::newRow("changed") << "FirstRun=0, SavePass=0, AutoLogin=0, CheckTimer=45, ReminderRing=0, "
                                    "ReminderPop=1, ReminderMM=0, ReminderIco=1, AutoHide=1, MmNumber=6"
                                 << "0001011" << 45 << 6 << false;
        QTest::newRow("other flags") << "ReminderPop=0, ReminderIco=0, SavePass=1, AutoLogin=0"
                                     << "1010100" << 10 << 2 << true;
    }

    void storedSettingsReachTheRunState()
    {
        QFETCH(QString, update);
        test::TestStore store;
        QVERIFY(store.isValid());
        if (!update.isEmpty())
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

    void outOfRangeNumbersLoadAsTheShippedValues_data()
    {
        QTest::addColumn<QVariant>("checkTimer");
        QTest::addColumn<int>("expectedCheckTimer");
        QTest::addColumn<QVariant>("mmNumber");
        QTest::addColumn<int>("expectedMmNumber");
        QTest::newRow("lowest") << QVariant(1) << 1 << QVariant(1) << 1;
        QTest::newRow("zero") << QVariant(0) << 10 << QVariant(0) << 2;
        QTest::newRow("above") << QVariant(61) << 10 << QVariant(7) << 2;
        QTest::newRow("text") << QVariant("abc") << 10 << QVariant("x") << 2;
    }

    void outOfRangeNumbersLoadAsTheShippedValues()
    {
        QFETCH(QVariant, checkTimer);
        QFETCH(QVariant, mmNumber);
        test::TestStore store;
        QVERIFY(store.isValid());
        QVERIFY(
            store.db()
                .exec(QStringLiteral("UPDATE Config SET CheckTimer=?, MmNumber=?"), {checkTimer, mmNumber})
                .ok);
        RunState state;
        QVERIFY(LoadConfig(store.db(), state).settingsFound);
        QTEST(state.settings.CheckTimer, "expectedCheckTimer");
        QTEST(state.settings.MmNumber, "expectedMmNumber");
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
        QVERIFY(store.isValid());
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
        // The mail flag is read either way.
        QVERIFY(state.MobileMailActive);
    }

    void missingFileIsWrittenOutAgain()
    {
        test::TempDataFolder folder;
        RunState state;
        state.DbPath = databasePath(folder.dataFolder());
        Database db(test::uniqueConnectionName());
        QVERIFY(!db.open(state.DbPath).ok);
        QVERIFY(!LoadConfig(db, state).settingsFound);
        QVERIFY(!QFileInfo::exists(state.DbPath)); // reading created nothing
        const MissingRowRecovery recovery = RecoverMissingRow(state.DbPath);
        QVERIFY(recovery.fileWasMissing);
        QVERIFY2(recovery.recreated.ok, qPrintable(recovery.recreated.error));
        // The next start finds a complete file and goes online first.
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
