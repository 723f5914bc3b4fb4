#include "BoxRecorder.h"
#include "FakeTray.h"
#include "TestMain.h"
#include "TestStore.h"

#include "platform/Md5.h"
#include "platform/ServiceChannel.h"
#include "signin/LoginController.h"
#include "store/Settings.h"

#include <QSignalSpy>

using namespace velmo;

// The mailbox flag always belongs to the account that signs in (or was last signed in).
class TestMailboxFlagPerAccount : public QObject
{
    Q_OBJECT

private slots:
    void flagFollowsTheAccount_data()
    {
        QTest::addColumn<bool>("before");
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("expected");
        QTest::newRow("bob after alice") << true << QStringLiteral("bob") << false;
        QTest::newRow("alice after bob") << false << QStringLiteral("alice") << true;
        QTest::newRow("start with no account row") << true << QStringLiteral("ghost") << false;
    }

    void flagFollowsTheAccount()
    {
        QFETCH(bool, before);
        QFETCH(QString, user);
        QFETCH(bool, expected);
        test::TestStore store;
        QVERIFY(store.addAccount(QStringLiteral("alice"), MD5_16(QStringLiteral("pw")), 2, true));
        QVERIFY(store.addAccount(QStringLiteral("bob"), MD5_16(QStringLiteral("pw")), 2, false));
        RunState& state = store.runState();
        state.MobileMailActive = before;

        if (user == QLatin1String("ghost")) { // the settings load at start names an account with no row
            QVERIFY(store.db().exec(QStringLiteral("UPDATE Config SET LastUser=?"), {user}).ok);
            QVERIFY(LoadConfig(store.db(), state).settingsFound);
        } else {
            QVERIFY(store.db().exec(QStringLiteral("UPDATE Config SET FirstRun=0")).ok);
            ServiceChannel channel;
            test::BoxRecorder boxes;
            LoginController controller(store.db(), state, channel, boxes);
            const QString assets = store.folder().filePath(QStringLiteral("assets"));
            QVERIFY(test::fillAssetFolder(assets));
            controller.setAssetFolder(AssetFolder(assets));
            QSignalSpy signedIn(&controller, &LoginController::signedIn);
            controller.signIn(LoginInput{user, QStringLiteral("pw"), true, true, false});
            QVERIFY(signedIn.count() == 1 || signedIn.wait(5000));
            QVERIFY(state.LocalSignedIn);
        }
        QCOMPARE(state.MobileMailActive, expected);
    }
};

VELMO_TEST_MAIN(TestMailboxFlagPerAccount)
#include "TestMailboxFlagPerAccount.moc"
