#include "FakeTray.h"
#include "ServiceFixture.h"
#include "TempDataFolder.h"
#include "TestMain.h"
#include "TestStore.h"

#include "platform/Autostart.h"
#include "platform/Gbk.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "signin/LoginController.h"
#include "store/DbText.h"
#include "store/Recovery.h"

#include <QSignalSpy>

using namespace velmo;
using test::BoxRecorder;

namespace {

const QString DemoPassword = QStringLiteral("velmo123");

// The percent-encoding the service must receive for a user name: letters and digits as they
// are, every other GBK byte as %XX.
QByteArray encodedName(const QString& name)
{
    QByteArray out;
    for (const char c : toGbk(name)) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z'))
            out += char(byte);
        else
            out += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
    }
    return out;
}

// One sign-in under test: a fresh data.db, the stand-in service, and the controller wired to both.
struct Rig
{
    test::TestStore store;
    test::ServiceFixture service;
    test::TempDataFolder scratch;
    RunState state;
    ServiceChannel channel;
    BoxRecorder boxes;
    Autostart autostart{QStringLiteral("/opt/velmo/bin/velmo"),
                        scratch.filePath(QStringLiteral("autostart"))};
    LoginController controller{store.db(), state, channel, boxes};
    QList<QUrl> openedPages;
    QSignalSpy signedIn{&controller, &LoginController::signedIn};

    explicit Rig(bool firstRun = true)
    {
        state.DbPath = store.dbPath();
        test::fillAssetFolder(scratch.filePath(QStringLiteral("assets")));
        controller.setAssetFolder(AssetFolder(scratch.filePath(QStringLiteral("assets"))));
        controller.setServiceAddress(service.address());
        controller.setAutostart(&autostart);
        controller.setBrowser([this](const QUrl& url) { openedPages.append(url); });
        LoginPrefill prefill;
        prefill.IsFirstRun = firstRun;
        controller.setPrefill(prefill);
        if (!firstRun)
            exec(QStringLiteral("UPDATE Config SET FirstRun=0"));
    }

    void setRemembered(const QString& hash, int length)
    {
        LoginPrefill prefill;
        prefill.IsFirstRun = false;
        prefill.SavedPassHash = hash;
        prefill.SavedPassLength = length;
        controller.setPrefill(prefill);
    }

    void exec(const QString& sql, const QVariantList& values = {})
    {
        const StoreResult result = store.db().exec(sql, values);
        if (!result.ok)
            qFatal("test setup failed: %s", qPrintable(result.error));
    }

    void addLocalAccount(const QString& user, const QString& password, bool mailbox = false)
    {
        exec(QStringLiteral("INSERT INTO Users (UserID, UserPWD, LastPassword, LenPass, MobileMailActive) "
                            "VALUES (?, ?, ?, ?, ?)"),
             {user, MD5_16(password), MD5_16(password), int(password.size()), mailbox});
    }

    QVariant value(const QString& sql, const QVariantList& values = {}) { return store.value(sql, values); }
    int userRows() { return value(QStringLiteral("SELECT count(*) FROM Users")).toInt(); }

    static LoginInput typed(const QString& user, const QString& password, bool remember = true,
                            bool autoLogin = true)
    {
        return LoginInput{user, password, true, remember, autoLogin};
    }

    // Waits until the sign-in under way has ended one way or the other.
    bool settle(int timeoutMs = 10000)
    {
        QTest::qWait(0);
        return QTest::qWaitFor([this] { return !controller.isBusy(); }, timeoutMs);
    }
};

} // namespace

class TestLoginController : public QObject
{
    Q_OBJECT

private slots:
    void firstRunAcceptedStoresAccountAndSettings()
    {
        Rig rig;
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword, true);
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(rig.controller.isBusy());
        QCOMPARE(rig.controller.caption(), QStringLiteral("连接远程服务器验证中..."));
        QVERIFY(rig.signedIn.wait(10000));

        QCOMPARE(rig.boxes.boxes.size(), 1);
        QCOMPARE(rig.boxes.boxes[0].text, QStringLiteral("服务器验证通过，登录成功！"));
        QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("登陆提示"));
        QCOMPARE(rig.controller.caption(), QStringLiteral("网络验证成功"));
        QVERIFY(rig.state.ServerVerified);
        QVERIFY(!rig.state.LocalSignedIn);
        QVERIFY(rig.state.MobileMailActive);
        QCOMPARE(rig.state.UserId, QStringLiteral("demo"));
        QCOMPARE(rig.state.PassHash, MD5_16(DemoPassword));
        QVERIFY(!rig.controller.isBusy());

        QCOMPARE(rig.value(QStringLiteral("SELECT FirstRun FROM Config")).toInt(), 0);
        QCOMPARE(rig.value(QStringLiteral("SELECT LastUser FROM Config")).toString(), QStringLiteral("demo"));
        QCOMPARE(rig.value(QStringLiteral("SELECT SavePass FROM Config")).toInt(), 1);
        QCOMPARE(rig.value(QStringLiteral("SELECT AutoLogin FROM Config")).toInt(), 1);
        QCOMPARE(rig.userRows(), 1);
        QCOMPARE(rig.value(QStringLiteral("SELECT UserPWD FROM Users")).toString(), MD5_16(DemoPassword));
        QCOMPARE(rig.value(QStringLiteral("SELECT LastPassword FROM Users")).toString(),
                 MD5_16(DemoPassword));
        QCOMPARE(rig.value(QStringLiteral("SELECT LenPass FROM Users")).toInt(), 8);
        QCOMPARE(rig.value(QStringLiteral("SELECT MobileMailActive FROM Users")).toInt(), 1);
        QVERIFY(rig.autostart.IsAutoRun());

        const standin::StandInRequest request = rig.service.lastRequest();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QStringLiteral("/Api/login.asp"));
        QVERIFY(request.rawQuery.startsWith("user=demo&pass=" + MD5_16(DemoPassword).toLatin1() + "&md5="));
        QVERIFY(request.rawQuery.contains("&nowtime="));
    }

    void firstRunWithoutRememberKeepsNoPassword()
    {
        Rig rig;
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword);
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword, false, false));
        QVERIFY(rig.signedIn.wait(10000));
        QVERIFY(!rig.state.MobileMailActive);
        QVERIFY(rig.value(QStringLiteral("SELECT LastPassword FROM Users")).isNull());
        QCOMPARE(rig.value(QStringLiteral("SELECT LenPass FROM Users")).toInt(), 0);
        QCOMPARE(rig.value(QStringLiteral("SELECT SavePass FROM Config")).toInt(), 0);
        QCOMPARE(rig.value(QStringLiteral("SELECT AutoLogin FROM Config")).toInt(), 0);
    }

    void firstRunRefusedStoresNothingButAutostart()
    {
        Rig rig;
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword);
        QSignalSpy focus(&rig.controller, &LoginController::focusPasswordBox);
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), QStringLiteral("wrong")));
        QVERIFY(rig.settle());

        QCOMPARE(rig.signedIn.count(), 0);
        QCOMPARE(rig.controller.caption(), QStringLiteral("账号密码验证失败"));
        QCOMPARE(rig.boxes.boxes.size(), 1);
        QCOMPARE(rig.boxes.boxes[0].text, QStringLiteral("账号或密码不正确,请重试!"));
        QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("服务器应答"));
        QCOMPARE(focus.count(), 1);
        QCOMPARE(focus.first().first().toBool(), true);
        QVERIFY(!rig.state.ServerVerified);
        QCOMPARE(rig.userRows(), 0);
        QCOMPARE(rig.value(QStringLiteral("SELECT FirstRun FROM Config")).toInt(), 1);
        // Every first-run attempt switches autostart on, accepted or not.
        QVERIFY(rig.autostart.IsAutoRun());
    }

    void serviceFailuresAreReported_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("reply"); // for replies of the login endpoint; empty: the fault decides
        const QString proof = ServerProof(MD5_16(DemoPassword));
        QTest::newRow("garbage") << int(standin::Fault::Garbage) << QString();
        QTest::newRow("http 500") << int(standin::Fault::ServerError) << QString();
        QTest::newRow("dropped") << int(standin::Fault::DropConnection) << QString();
        QTest::newRow("not http") << int(standin::Fault::MalformedHttp) << QString();
        QTest::newRow("empty") << int(standin::Fault::None) << QStringLiteral("");
        QTest::newRow("capital Error") << int(standin::Fault::None) << QStringLiteral("Error");
        QTest::newRow("ok, wrong proof")
            << int(standin::Fault::None) << QStringLiteral("ok|1|0123456789abcdef");
        QTest::newRow("ok, no proof") << int(standin::Fault::None) << QStringLiteral("ok|1");
        QTest::newRow("ok, proof in field 1") << int(standin::Fault::None) << (QStringLiteral("ok|") + proof);
        QTest::newRow("ok, upper-case proof")
            << int(standin::Fault::None) << (QStringLiteral("ok|1|") + proof.toUpper());
    }

    void serviceFailuresAreReported()
    {
        QFETCH(int, fault);
        QFETCH(QString, reply);
        Rig rig;
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword);
        // For good: the network layer may send a GET again after a dropped connection.
        if (fault != standin::Fault::None)
            rig.service.failNext(standin::Fault::Kind(fault), -1);
        else
            rig.service.service().addEndpoint(
                QStringLiteral("/Api/login.asp"),
                [reply](const standin::StandInRequest&) { return standin::StandInReply::ok(reply); });
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(rig.settle());

        QCOMPARE(rig.signedIn.count(), 0);
        QCOMPARE(rig.controller.caption(), QStringLiteral("服务器连接错误"));
        QCOMPARE(rig.boxes.texts(), QStringList{LoginController::serviceFailureText()});
        QVERIFY(LoginController::serviceFailureText().startsWith(
            QStringLiteral("服务器故障或您未连接网络,反馈联系客服QQ:")));
        QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("服务器返回值错误"));
        QVERIFY(!rig.state.ServerVerified);
        QCOMPARE(rig.userRows(), 0);
        QCOMPARE(rig.value(QStringLiteral("SELECT FirstRun FROM Config")).toInt(), 1);
    }

    void proofIsTrimmedOfLineEnds()
    {
        Rig rig;
        const QString proof = ServerProof(MD5_16(DemoPassword));
        rig.service.service().addEndpoint(
            QStringLiteral("/Api/login.asp"), [proof](const standin::StandInRequest&) {
                return standin::StandInReply::ok(QStringLiteral("ok| 1 | ") + proof + QStringLiteral("\r\n"));
            });
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(rig.signedIn.wait(10000));
        QVERIFY(rig.state.MobileMailActive);
    }

    void timeOutEndsWithTheFailureAndNeverBlocks()
    {
        Rig rig;
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword);
        rig.service.delayReplies(5000);
        rig.channel.setTimeout(std::chrono::milliseconds(300));
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(20);

        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        // signIn() came back at once: nothing answered yet, the check runs on.
        QVERIFY(rig.controller.isBusy());
        QVERIFY(rig.boxes.boxes.isEmpty());
        QVERIFY(rig.settle());
        QVERIFY(ticks >= 5); // the event loop kept turning while the request was out
        QCOMPARE(rig.controller.caption(), QStringLiteral("服务器连接错误"));
        QCOMPARE(rig.boxes.texts(), QStringList{LoginController::serviceFailureText()});
        QCOMPARE(rig.signedIn.count(), 0);
    }

    void secondPressDuringTheCheckIsIgnored()
    {
        Rig rig;
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword);
        rig.service.delayReplies(300);
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        rig.controller.autoSignIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(rig.signedIn.wait(10000));
        QTest::qWait(400);
        QCOMPARE(rig.service.requestCount(), 1);
        QCOMPARE(rig.signedIn.count(), 1);
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("服务器验证通过，登录成功！")});
    }

    void namesReachTheServiceIntact_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("letters and digits") << QStringLiteral("demo123");
        QTest::newRow("quote") << QStringLiteral("o'brien");
        QTest::newRow("ampersand") << QStringLiteral("tom&jerry");
        QTest::newRow("hash and space") << QStringLiteral("a b#c");
        QTest::newRow("chinese") << QStringLiteral("张三");
        QTest::newRow("plus and percent") << QStringLiteral("x+y%20");
    }

    void namesReachTheServiceIntact()
    {
        QFETCH(QString, name);
        Rig rig;
        rig.service.addAccount(name, DemoPassword);
        rig.controller.signIn(Rig::typed(name, DemoPassword));
        QVERIFY(rig.signedIn.wait(10000));
        const standin::StandInRequest request = rig.service.lastRequest();
        QVERIFY2(request.rawQuery.startsWith("user=" + encodedName(name) + "&pass="),
                 request.rawQuery.constData());
        QCOMPARE(request.queryValue(QStringLiteral("user")), name);
        QCOMPARE(rig.value(QStringLiteral("SELECT UserID FROM Users")).toString(), name);
        QCOMPARE(rig.value(QStringLiteral("SELECT LastUser FROM Config")).toString(), name);

        // The same name signs in locally afterwards, quote and all.
        rig.controller.setPrefill(LoginPrefill{});
        rig.controller.signIn(Rig::typed(name, DemoPassword));
        QVERIFY(rig.settle());
        QVERIFY(rig.state.LocalSignedIn);
        QCOMPARE(rig.userRows(), 1);
    }

    void emptyBoxesStopBeforeAnyCheck()
    {
        Rig rig;
        QSignalSpy userFocus(&rig.controller, &LoginController::focusUserBox);
        QSignalSpy passwordFocus(&rig.controller, &LoginController::focusPasswordBox);
        rig.controller.signIn(Rig::typed(QString(), QString()));
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("请输入用户名！")});
        QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("登录"));
        QCOMPARE(userFocus.count(), 1);

        rig.controller.signIn(Rig::typed(QStringLiteral("  "), QString()));
        QCOMPARE(rig.boxes.boxes.last().text, QStringLiteral("请输入密码！"));
        QCOMPARE(passwordFocus.count(), 1);
        QVERIFY(!rig.controller.isBusy());
        QTest::qWait(50);
        QCOMPARE(rig.service.requestCount(), 0);
        QVERIFY(!rig.autostart.IsAutoRun());
    }

    void missingAssetsWarnAndGoOn()
    {
        Rig rig(false);
        rig.controller.setAssetFolder(AssetFolder(rig.scratch.filePath(QStringLiteral("nothing-here"))));
        rig.addLocalAccount(QStringLiteral("demo"), DemoPassword);
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(rig.settle());
        QCOMPARE(rig.boxes.boxes.size(), 1);
        QCOMPARE(rig.boxes.boxes[0].text,
                 QStringLiteral("检测Images和Sound文件包失败,请从官网下载后解压到程序所在目录"));
        QCOMPARE(rig.boxes.boxes[0].title, QString());
        QCOMPARE(rig.openedPages, QList<QUrl>{rig.service.address().url(QStringLiteral("/update.asp"))});
        QVERIFY(rig.state.LocalSignedIn);
    }

    void localSignInWithTypedPassword()
    {
        Rig rig(false);
        rig.exec(
            QStringLiteral("INSERT INTO Users (UserID, UserPWD, LastPassword, LenPass, MobileMailActive) "
                           "VALUES ('Demo', ?, 'old', 3, 1)"),
            {MD5_16(DemoPassword)});
        // Names match without letter case, as the account table always did.
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword, true, false));
        QVERIFY(rig.settle());
        QCOMPARE(rig.signedIn.count(), 1);
        QCOMPARE(rig.controller.caption(), QStringLiteral("本地登陆成功"));
        QVERIFY(rig.state.LocalSignedIn);
        QVERIFY(!rig.state.ServerVerified);
        QCOMPARE(rig.state.UserId, QStringLiteral("demo"));
        QCOMPARE(rig.state.PassHash, MD5_16(DemoPassword));
        QVERIFY(rig.boxes.boxes.isEmpty());
        QCOMPARE(rig.service.requestCount(), 0);
        QCOMPARE(rig.value(QStringLiteral("SELECT LastPassword FROM Users")).toString(),
                 MD5_16(DemoPassword));
        QCOMPARE(rig.value(QStringLiteral("SELECT LenPass FROM Users")).toInt(), 8);
        QCOMPARE(rig.value(QStringLiteral("SELECT LastUser FROM Config")).toString(), QStringLiteral("demo"));
        QCOMPARE(rig.value(QStringLiteral("SELECT AutoLogin FROM Config")).toInt(), 0);
        QCOMPARE(rig.value(QStringLiteral("SELECT FirstRun FROM Config")).toInt(), 0);
        QVERIFY(!rig.autostart.IsAutoRun());
    }

    void localSignInWithTheRememberedStars()
    {
        Rig rig(false);
        rig.addLocalAccount(QStringLiteral("demo"), DemoPassword);
        rig.setRemembered(MD5_16(DemoPassword), 8);
        rig.controller.signIn(
            LoginInput{QStringLiteral("demo"), QStringLiteral("********"), false, true, true});
        QVERIFY(rig.settle());
        QCOMPARE(rig.signedIn.count(), 1);
        QCOMPARE(rig.controller.caption(), QStringLiteral("Velmo 本地登陆成功"));
        QCOMPARE(rig.state.PassHash, MD5_16(DemoPassword));
        QVERIFY(rig.boxes.boxes.isEmpty());

        // Typed stars are a password like any other: they are hashed and fail.
        Rig again(false);
        again.addLocalAccount(QStringLiteral("demo"), DemoPassword);
        again.setRemembered(MD5_16(DemoPassword), 8);
        again.boxes.plannedAnswers = {false};
        again.controller.signIn(Rig::typed(QStringLiteral("demo"), QStringLiteral("********")));
        QVERIFY(again.settle());
        QCOMPARE(again.signedIn.count(), 0);
        QCOMPARE(again.controller.caption(), QStringLiteral("本地验证登录失败"));
    }

    void mismatchAnsweredNoKeepsTheRememberedPassword()
    {
        Rig rig(false);
        rig.addLocalAccount(QStringLiteral("demo"), DemoPassword);
        QSignalSpy focus(&rig.controller, &LoginController::focusPasswordBox);
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), QStringLiteral("typo")));
        QCOMPARE(rig.controller.caption(), QStringLiteral("本地验证登录失败"));
        QCOMPARE(rig.boxes.boxes.size(), 1);
        QVERIFY(rig.boxes.boxes[0].question);
        QCOMPARE(rig.boxes.boxes[0].text, QStringLiteral("本地数据库验证失败,是否连接到服务器认证?"));
        QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("本地验证失败"));
        QCOMPARE(focus.count(), 1);
        QVERIFY(rig.controller.isBusy());
        QVERIFY(rig.boxes.answer(false));
        QVERIFY(!rig.controller.isBusy());

        QCOMPARE(rig.signedIn.count(), 0);
        QCOMPARE(rig.service.requestCount(), 0);
        QCOMPARE(rig.value(QStringLiteral("SELECT LastPassword FROM Users")).toString(),
                 MD5_16(DemoPassword));
        QCOMPARE(rig.value(QStringLiteral("SELECT LenPass FROM Users")).toInt(), 8);
        QCOMPARE(rig.value(QStringLiteral("SELECT LastUser FROM Config")).isNull(), true);
    }

    void mismatchAnsweredYesTakesTheNewPasswordOver()
    {
        Rig rig(false);
        rig.addLocalAccount(QStringLiteral("demo"), QStringLiteral("oldpass"), true);
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword, false);
        rig.boxes.plannedAnswers = {true};
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(rig.signedIn.wait(10000));
        QVERIFY(rig.state.ServerVerified);
        QVERIFY(!rig.state.LocalSignedIn);
        QCOMPARE(rig.service.lastRequest().queryValue(QStringLiteral("pass")), MD5_16(DemoPassword));
        QCOMPARE(rig.userRows(), 1);
        QCOMPARE(rig.value(QStringLiteral("SELECT UserPWD FROM Users")).toString(), MD5_16(DemoPassword));
        QCOMPARE(rig.value(QStringLiteral("SELECT LastPassword FROM Users")).toString(),
                 MD5_16(DemoPassword));
        // The mailbox flag of an existing row is the binding's, not the sign-in's.
        QCOMPARE(rig.value(QStringLiteral("SELECT MobileMailActive FROM Users")).toInt(), 1);
        QCOMPARE(rig.value(QStringLiteral("SELECT LastUser FROM Config")).toString(), QStringLiteral("demo"));

        // The next local sign-in with the new password needs no service.
        rig.service.clearRequests();
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(rig.settle());
        QVERIFY(rig.state.LocalSignedIn);
        QCOMPARE(rig.service.requestCount(), 0);
    }

    void staleStarsAreSentAsTheRememberedDigest()
    {
        Rig rig(false);
        const QString remembered = MD5_16(QStringLiteral("newpass"));
        rig.addLocalAccount(QStringLiteral("demo"), QStringLiteral("oldpass"));
        rig.service.accounts().addAccountWithHash(QStringLiteral("demo"), remembered);
        rig.setRemembered(remembered, 7);
        rig.boxes.plannedAnswers = {true};
        rig.controller.signIn(
            LoginInput{QStringLiteral("demo"), QStringLiteral("*******"), false, true, true});
        QVERIFY(rig.signedIn.wait(10000));
        QCOMPARE(rig.service.lastRequest().queryValue(QStringLiteral("pass")), remembered);
        QCOMPARE(rig.value(QStringLiteral("SELECT UserPWD FROM Users")).toString(), remembered);
        QCOMPARE(rig.state.PassHash, remembered);
    }

    void unknownLocalNameGoesOnlineAndAddsOneRow()
    {
        Rig rig(false);
        rig.service.addAccount(QStringLiteral("newbie"), DemoPassword, true);
        rig.boxes.plannedAnswers = {true};
        rig.controller.signIn(Rig::typed(QStringLiteral("newbie"), DemoPassword, false, true));
        QCOMPARE(rig.controller.caption(), QStringLiteral("本地登陆验证"));
        QVERIFY(rig.signedIn.wait(10000));
        QCOMPARE(rig.userRows(), 1);
        QCOMPARE(rig.value(QStringLiteral("SELECT MobileMailActive FROM Users")).toInt(), 1);
        QVERIFY(rig.value(QStringLiteral("SELECT LastPassword FROM Users")).isNull());
        QCOMPARE(rig.value(QStringLiteral("SELECT FirstRun FROM Config")).toInt(), 0);
        QCOMPARE(rig.value(QStringLiteral("SELECT LastUser FROM Config")).toString(),
                 QStringLiteral("newbie"));
        QCOMPARE(rig.value(QStringLiteral("SELECT SavePass FROM Config")).toInt(), 0);
    }

    void firstRunUpdatesAnExistingRowInsteadOfAddingOne()
    {
        Rig rig;
        rig.addLocalAccount(QStringLiteral("DEMO"), QStringLiteral("oldpass"), true);
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword, false);
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(rig.signedIn.wait(10000));
        QCOMPARE(rig.userRows(), 1);
        QCOMPARE(rig.value(QStringLiteral("SELECT UserPWD FROM Users")).toString(), MD5_16(DemoPassword));
        QCOMPARE(rig.value(QStringLiteral("SELECT MobileMailActive FROM Users")).toInt(), 1);
    }

    void failedWriteIsReportedAndNeverFollowedBySuccess()
    {
        Rig rig;
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword);
        rig.exec(QStringLiteral(
            "CREATE TRIGGER DenyUsers BEFORE INSERT ON Users BEGIN SELECT RAISE(ABORT, 'denied'); END"));
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(rig.settle());
        QTest::qWait(20);
        QCOMPARE(rig.signedIn.count(), 0);
        QCOMPARE(rig.boxes.boxes.size(), 1);
        QVERIFY(rig.boxes.boxes[0].text.startsWith(QStringLiteral("登录信息保存失败")));
        QVERIFY(!rig.state.ServerVerified);
        // The settings row went back with the account row: the next start still goes online.
        QCOMPARE(rig.value(QStringLiteral("SELECT FirstRun FROM Config")).toInt(), 1);
        QVERIFY(rig.value(QStringLiteral("SELECT LastUser FROM Config")).isNull());
    }

    void unreadableAccountsAreReported()
    {
        Rig rig(false);
        rig.exec(QStringLiteral("DROP TABLE Users"));
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(!rig.controller.isBusy());
        QCOMPARE(rig.boxes.boxes.size(), 1);
        QVERIFY(rig.boxes.boxes[0].text.startsWith(QStringLiteral("本地数据库读取失败")));
        QCOMPARE(rig.signedIn.count(), 0);
    }

    void missingSettingsRowEndsTheProgram()
    {
        Rig rig(false);
        rig.addLocalAccount(QStringLiteral("demo"), DemoPassword);
        rig.exec(QStringLiteral("DELETE FROM Config"));
        QSignalSpy ending(&rig.controller, &LoginController::programMustEnd);
        rig.controller.signIn(Rig::typed(QStringLiteral("demo"), DemoPassword));
        QVERIFY(ending.wait(5000));
        QCOMPARE(rig.boxes.texts(), QStringList{settingsLoadErrorText()});
        QCOMPARE(rig.boxes.boxes[0].title, QString());
        QCOMPARE(rig.signedIn.count(), 0);
        QVERIFY(!rig.state.LocalSignedIn);
        // The file was there, so it was left alone.
        QCOMPARE(rig.value(QStringLiteral("SELECT count(*) FROM Config")).toInt(), 0);
    }
};

VELMO_TEST_MAIN(TestLoginController)
#include "TestLoginController.moc"
