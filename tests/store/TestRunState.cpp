#include "TestMain.h"
#include "TestStore.h"

#include "store/DataFiles.h"
#include "store/Recovery.h"
#include "store/Settings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

using namespace velmo;

namespace {

QByteArray fileDigest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestRunState : public QObject
{
    Q_OBJECT

private slots:
    void shippedSettingsLoad()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        RunState state;
        const ConfigLoad load = LoadConfig(store.db(), state);
        QVERIFY(load.settingsFound);
        QVERIFY(load.prefill.IsFirstRun);
        QVERIFY(load.prefill.LastUserName.isEmpty());
        QVERIFY(load.prefill.SavedPassHash.isEmpty());
        QCOMPARE(load.prefill.SavedPassLength, 0);
        QVERIFY(state.settings.SavePass && state.settings.AutoLogin);
        QCOMPARE(state.settings.CheckTimer, 10);
        QVERIFY(state.settings.ReminderRing && state.settings.ReminderPop && state.settings.ReminderMM &&
                state.settings.ReminderIco);
        QVERIFY(!state.settings.AutoHide);
        QCOMPARE(state.settings.MmNumber, 2);
        QVERIFY(!state.MobileMailActive);
        QVERIFY(!state.signedIn());
    }

    void storedSettingsReachTheRunState()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        QVERIFY(store.db()
                    .exec(QStringLiteral(
                        "UPDATE Config SET FirstRun=0, SavePass=0, AutoLogin=0, CheckTimer=45, "
                        "ReminderRing=0, ReminderPop=1, ReminderMM=0, ReminderIco=1, AutoHide=1, "
                        "MmNumber=6"))
                    .ok);
        RunState state;
        const ConfigLoad load = LoadConfig(store.db(), state);
        QVERIFY(load.settingsFound);
        QVERIFY(!load.prefill.IsFirstRun);
        QVERIFY(!state.settings.SavePass && !state.settings.AutoLogin);
        QCOMPARE(state.settings.CheckTimer, 45);
        QVERIFY(!state.settings.ReminderRing && state.settings.ReminderPop && !state.settings.ReminderMM &&
                state.settings.ReminderIco);
        QVERIFY(state.settings.AutoHide);
        QCOMPARE(state.settings.MmNumber, 6);
    }

    void outOfRangeNumbersLoadAsTheShippedValues_data()
    {
        QTest::addColumn<QVariant>("checkTimer");
        QTest::addColumn<int>("expectedCheckTimer");
        QTest::addColumn<QVariant>("mmNumber");
        QTest::addColumn<int>("expectedMmNumber");
        QTest::newRow("lowest") << QVariant(1) << 1 << QVariant(1) << 1;
        QTest::newRow("highest") << QVariant(60) << 60 << QVariant(6) << 6;
        QTest::newRow("zero") << QVariant(0) << 10 << QVariant(0) << 2;
        QTest::newRow("above") << QVariant(61) << 10 << QVariant(7) << 2;
        QTest::newRow("negative") << QVariant(-5) << 10 << QVariant(-1) << 2;
        QTest::newRow("null") << QVariant() << 10 << QVariant() << 2;
        QTest::newRow("text") << QVariant(QStringLiteral("abc")) << 10 << QVariant(QStringLiteral("x")) << 2;
    }

    void outOfRangeNumbersLoadAsTheShippedValues()
    {
        QFETCH(QVariant, checkTimer);
        QFETCH(int, expectedCheckTimer);
        QFETCH(QVariant, mmNumber);
        QFETCH(int, expectedMmNumber);
        test::TestStore store;
        QVERIFY(store.isValid());
        QVERIFY(
            store.db()
                .exec(QStringLiteral("UPDATE Config SET CheckTimer=?, MmNumber=?"), {checkTimer, mmNumber})
                .ok);
        RunState state;
        QVERIFY(LoadConfig(store.db(), state).settingsFound);
        QCOMPARE(state.settings.CheckTimer, expectedCheckTimer);
        QCOMPARE(state.settings.MmNumber, expectedMmNumber);
        // The row keeps what it holds.
        const QVariant stored = store.value(QStringLiteral("SELECT CheckTimer FROM Config"));
        QCOMPARE(stored.isNull(), checkTimer.isNull());
        if (!checkTimer.isNull())
            QCOMPARE(stored, checkTimer);
    }

    void rememberedAccountIsPrefilled()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        Database& db = store.db();
        QVERIFY(db.exec(QStringLiteral("UPDATE Config SET LastUser=?"), {QStringLiteral("Bob")}).ok);
        // Several rows for the same name: the oldest one counts, in any letter case.
        QVERIFY(store.addAccount(QStringLiteral("bob"), QStringLiteral("1111222233334444"), 8, true));
        QVERIFY(store.addAccount(QStringLiteral("BOB"), QStringLiteral("9999888877776666"), 3, false));
        QVERIFY(store.addAccount(QStringLiteral("carol"), QStringLiteral("aaaa"), 4, false));

        RunState state;
        ConfigLoad load = LoadConfig(db, state);
        QCOMPARE(load.prefill.LastUserName, QStringLiteral("Bob"));
        QCOMPARE(load.prefill.SavedPassHash, QStringLiteral("1111222233334444"));
        QCOMPARE(load.prefill.SavedPassLength, 8);
        QVERIFY(state.MobileMailActive);

        // Without "remember password" nothing of the password is read; the mail flag still is.
        QVERIFY(db.exec(QStringLiteral("UPDATE Config SET SavePass=0")).ok);
        RunState second;
        load = LoadConfig(db, second);
        QVERIFY(load.prefill.SavedPassHash.isEmpty());
        QCOMPARE(load.prefill.SavedPassLength, 0);
        QVERIFY(second.MobileMailActive);
    }

    void userNamesWithQuotesAreLookedUp()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        const QString name = QStringLiteral("O'Neil");
        QVERIFY(store.db().exec(QStringLiteral("UPDATE Config SET LastUser=?"), {name}).ok);
        QVERIFY(store.addAccount(name, QStringLiteral("abcdabcdabcdabcd"), 21, true));
        QVERIFY(store.addAccount(QStringLiteral("O"), QStringLiteral("wrong"), 1, false));
        RunState state;
        const ConfigLoad load = LoadConfig(store.db(), state);
        QCOMPARE(load.prefill.LastUserName, name);
        QCOMPARE(load.prefill.SavedPassHash, QStringLiteral("abcdabcdabcdabcd"));
        QCOMPARE(load.prefill.SavedPassLength, 21);
        QVERIFY(state.MobileMailActive);
    }

    void missingSettingsRowLeavesAnExistingFileAlone()
    {
        test::TestStore store;
        QVERIFY(store.isValid());
        QVERIFY(store.db().exec(QStringLiteral("DELETE FROM Config")).ok);
        RunState state;
        state.settings.CheckTimer = 33;
        const ConfigLoad load = LoadConfig(store.db(), state);
        QVERIFY(!load.settingsFound);
        QVERIFY(!load.error.isEmpty());
        QCOMPARE(state.settings.CheckTimer, 33); // nothing was copied

        const QString path = store.dbPath();
        store.db().close();
        const QByteArray before = fileDigest(path);
        const MissingRowRecovery recovery = RecoverMissingRow(path);
        QVERIFY(!recovery.fileWasMissing);
        QVERIFY(recovery.recreated.ok);
        QCOMPARE(fileDigest(path), before);
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
        const ConfigLoad load = LoadConfig(db, state);
        QVERIFY(load.settingsFound);
        QVERIFY(load.prefill.IsFirstRun);
    }

    void recoveryThatCannotWriteSaysSo()
    {
        test::TempDataFolder folder;
        const QString path = folder.filePath(QStringLiteral("missing-folder/data.db"));
        const MissingRowRecovery recovery = RecoverMissingRow(path);
        QVERIFY(recovery.fileWasMissing);
        QVERIFY(!recovery.recreated.ok);
        QVERIFY(!recovery.recreated.error.isEmpty());
    }
};

VELMO_TEST_MAIN(TestRunState)
#include "TestRunState.moc"
