#include "TestMain.h"
#include "TestStore.h"

#include "store/DataFiles.h"
#include "store/LoginRecords.h"
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
        QTest::addColumn<QString>("loaded"); // flags, CheckTimer, MmNumber, first run
        // The flags: SavePass AutoLogin Ring Pop MM Ico AutoHide. Down the first three rows no two flags
        // hold the same values, so no swap goes unseen.
        // clang-format off
        QTest::newRow("high limits") << "FirstRun=0, SavePass=0, AutoLogin=0, ReminderRing=0, ReminderPop=1, ReminderMM=1, ReminderIco=1, AutoHide=1, CheckTimer=60, MmNumber=6" << "0001111 60 6 0";
        QTest::newRow("low limits") << "SavePass=0, AutoLogin=1, ReminderRing=1, ReminderPop=0, ReminderMM=0, ReminderIco=1, AutoHide=1, CheckTimer=1, MmNumber=1" << "0110011 1 1 1";
        // Numbers out of range load as the shipped values.
        const QString flags = "SavePass=1, AutoLogin=0, ReminderRing=1, ReminderPop=0, ReminderMM=1, ReminderIco=0, AutoHide=1, ";
        QTest::newRow("numbers above") << flags + "CheckTimer=61, MmNumber=7" << "1010101 10 2 1";
        QTest::newRow("numbers zero") << flags + "CheckTimer=0, MmNumber=0" << "1010101 10 2 1";
        QTest::newRow("numbers as text") << flags + "CheckTimer='abc', MmNumber='x'" << "1010101 10 2 1";
        // clang-format on
    }

    void storedSettingsReachTheRunState()
    {
        QFETCH(QString, update);
        test::TestStore store;
        Database& db = store.db();
        QVERIFY(db.exec(QStringLiteral("UPDATE Config SET ") + update).ok);
        // A second settings row is never read or written.
        QVERIFY(
            db.exec(QStringLiteral("INSERT INTO Config (id, CheckTimer, MmNumber) VALUES (9, 33, 3)")).ok);
        RunState state;
        const ConfigLoad load = LoadConfig(db, state);
        QVERIFY(load.settingsFound);
        const Settings& s = state.settings;
        QString flags;
        for (bool flag : {s.SavePass, s.AutoLogin, s.ReminderRing, s.ReminderPop, s.ReminderMM, s.ReminderIco,
                          s.AutoHide})
            flags += flag ? u'1' : u'0';
        flags +=
            QStringLiteral(" %1 %2 %3").arg(s.CheckTimer).arg(s.MmNumber).arg(int(load.prefill.IsFirstRun));
        QTEST(flags, "loaded");

        // Stored back with every flag the other way, they read back so; the figure is the menu's.
        Settings inverted{!s.SavePass,     !s.AutoLogin,   s.CheckTimer,
                          !s.ReminderRing, !s.ReminderPop, !s.ReminderMM,
                          !s.ReminderIco,  !s.AutoHide,    4};
        const int figure = readConfig(db).row->settings.MmNumber;
        const SettingsWrite write = writeSettings(db, inverted);
        QVERIFY2(write.result.ok, qPrintable(write.result.error));
        inverted.MmNumber = figure;
        QCOMPARE(readConfig(db).row->settings, inverted);
    }

    // A write that fails says so and changes nothing; without a row it asks for the recovery.
    void failedSettingsWrites()
    {
        test::TestStore store;
        const ConfigRow before = *readConfig(store.db()).row;
        QVERIFY(store.refuse(QStringLiteral("UPDATE ON Config")));
        Settings changed;
        changed.AutoHide = true;
        for (const SettingsWrite& write :
             {writeSettings(store.db(), changed), writeMmNumber(store.db(), 4)}) {
            QVERIFY(!write.result.ok && write.result.error.contains(QLatin1String("disk full")));
            QVERIFY(!write.settingsRowMissing);
        }
        QCOMPARE(readConfig(store.db()).row->settings, before.settings);
        QVERIFY(store.db().exec(QStringLiteral("DELETE FROM Config")).ok);
        for (const SettingsWrite& write : {writeSettings(store.db(), changed), writeMmNumber(store.db(), 4)})
            QVERIFY(!write.result.ok && write.settingsRowMissing);
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
        QVERIFY(store.db().exec("UPDATE Config SET LastUser=?, SavePass=?", {lastUser, savePass}).ok);
        QVERIFY(store.addAccount(lastUser.toLower(), "1111222233334444", 8, true));
        QVERIFY(store.addAccount(lastUser.toUpper(), "9999888877776666", 3, false));
        QVERIFY(store.addAccount("O", "wrong", 1, false));
        RunState state;
        const ConfigLoad load = LoadConfig(store.db(), state);
        QCOMPARE(load.prefill.LastUserName, lastUser);
        QCOMPARE(load.prefill.SavedPassHash, savePass ? QStringLiteral("1111222233334444") : QString());
        QCOMPARE(load.prefill.SavedPassLength, savePass ? 8 : 0);
        QVERIFY(state.MobileMailActive); // whether or not the password is remembered
    }

    // What a sign-in stores: a new account row, or the oldest existing row of the name; a name that
    // differs only in letter case is another account.
    void accountRowsOfASignIn()
    {
        test::TestStore store;
        QVERIFY(store.addAccount("Bob", "b0", 3, true));
        QVERIFY(store.addAccount("ann", "a0", 4, false));
        QVERIFY(store.addAccount("dan", "d0", 5, false));
        QVERIFY(store.addAccount("Bob", "B0", 7, false)); // a later row
        QVERIFY(store.addAccount("BOB", "X0", 9, false)); // another account
        LoginRecords records(store.db());
        QVERIFY(records.saveVerifiedAccount("Bob", "b1", false, PasswordDigest{"b2", 8}).ok);
        QVERIFY(records.saveVerifiedAccount("dan", "d1", true, std::nullopt).ok);
        QVERIFY(records.saveVerifiedAccount("carl", "c1", true, PasswordDigest{"c2", 6}).ok);
        QVERIFY(records.saveVerifiedAccount("eve", "e1", false, std::nullopt).ok);
        QCOMPARE(records.setMobileMailActive("ANN", true).rowsAffected, 0);
        QCOMPARE(records.setMobileMailActive("ann", true).rowsAffected, 1);
        const QString rows =
            QStringLiteral("SELECT group_concat(r, ' ') FROM (SELECT UserID || ',' || UserPWD || ',' || "
                           "ifnull(LastPassword, '-') || ',' || LenPass || ',' || MobileMailActive "
                           "AS r FROM Users ORDER BY ID)");
        QCOMPARE(store.value(rows).toString(),
                 "Bob,b1,b2,8,1 ann,a0,a0,4,1 dan,d1,d0,5,0 Bob,B0,B0,7,0 BOB,X0,X0,9,0 "
                 "carl,c1,c2,6,1 eve,e1,-,0,0");
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
