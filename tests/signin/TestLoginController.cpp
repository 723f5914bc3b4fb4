#include "BoxRecorder.h"
#include "FakeTray.h" // the asset folder
#include "ServiceFixture.h"
#include "TempDataFolder.h"
#include "TestMain.h"
#include "TestStore.h"

#include "controls/WebPages.h"
#include "platform/Autostart.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "signin/LoginController.h"
#include "store/Settings.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>

using namespace velmo;
using test::BoxRecorder;

namespace {

const QString Demo = QStringLiteral("demo");
const QString DemoPassword = QStringLiteral("velmo123");
const QString DemoHash = MD5_16(DemoPassword);

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
    QSignalSpy signedIn{&controller, &LoginController::signedIn};

    explicit Rig(bool firstRun = true)
    {
        state.DbPath = store.dbPath();
        test::fillAssetFolder(scratch.filePath(QStringLiteral("assets")));
        controller.setAssetFolder(AssetFolder(scratch.filePath(QStringLiteral("assets"))));
        controller.setServiceAddress(service.address());
        controller.setAutostart(&autostart);
        controller.setBrowser([](const QUrl&) { return true; }); // never a real browser
        setRemembered(QString(), 0, firstRun);
        if (!firstRun)
            exec(QStringLiteral("UPDATE Config SET FirstRun=0"));
    }

    void setRemembered(const QString& hash, int length, bool firstRun = false)
    {
        controller.setPrefill(LoginPrefill{firstRun, QString(), hash, length});
    }

    void exec(const QString& sql, const QVariantList& values = {})
    {
        if (!store.db().exec(sql, values).ok)
            qFatal("test setup failed: %s", qPrintable(sql));
    }

    // An account row of this computer; the last password remembered is another one ("old", 3 long).
    void addLocalAccount(const QString& user, const QString& password, bool mailbox = false)
    {
        exec(QStringLiteral("INSERT INTO Users (UserID, UserPWD, LastPassword, LenPass, MobileMailActive) "
                            "VALUES (?, ?, 'old', 3, ?)"),
             {user, MD5_16(password), mailbox});
    }

    // The account rows and the settings row as one text, where a digest of a test password shows as "#"
    // and the password: "UserID,UserPWD,LastPassword,LenPass,MobileMailActive;...|FirstRun,LastUser,
    // SavePass,AutoLogin" (NULL shows empty).
    QString stored() const
    {
        const auto text = [this](const char* sql) { return store.value(QLatin1String(sql)).toString(); };
        QString all =
            text("SELECT group_concat(printf('%s,%s,%s,%s,%s', UserID, UserPWD, LastPassword, "
                 "LenPass, MobileMailActive), ';') FROM Users") +
            u'|' + text("SELECT printf('%s,%s,%s,%s', FirstRun, LastUser, SavePass, AutoLogin) FROM Config");
        for (const char* password : {"velmo123", "oldpass", "newpass"})
            all.replace(MD5_16(QString::fromLatin1(password)), u'#' + QLatin1String(password));
        return all;
    }

    void signIn(const QString& name, const QString& password, bool remember = true, bool autoLogin = true)
    {
        controller.signIn(LoginInput{name, password, true, remember, autoLogin});
    }

    // Waits until the sign-in under way has ended one way or the other.
    bool settle()
    {
        QTest::qWait(0);
        return QTest::qWaitFor([this] { return !controller.isBusy(); }, 10000);
    }
};

} // namespace

class TestLoginController : public QObject
{
    Q_OBJECT

private slots:
    // The first sign-in on a computer goes online and, accepted, stores the account and the settings and
    // switches autostart on, with the mailbox flag of the service's reply.
    void firstRunAccepted_data()
    {
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("mailbox");
        QTest::addColumn<QString>("stored"); // see Rig::stored()
        QTest::newRow("remember, mailbox") << true << true << "demo,#velmo123,#velmo123,8,1|0,demo,1,1";
        QTest::newRow("forget, no mailbox") << false << false << "demo,#velmo123,,0,0|0,demo,0,0";
    }
    void firstRunAccepted()
    {
        QFETCH(bool, remember);
        QFETCH(bool, mailbox);
        // The clock moves on each read: the time sent must be the very reading that was signed.
        const auto still = qScopeGuard([] {
            test::fixedClock().stepOnEachRead(0), test::fixedClock().setNow(test::defaultTestMoment());
        });
        test::fixedClock().stepOnEachRead(1);
        Rig rig;
        rig.state.MobileMailActive = !mailbox;
        rig.service.addAccount(Demo, DemoPassword, mailbox);
        rig.signIn(Demo, DemoPassword, remember, remember);
        QCOMPARE(rig.controller.caption(), QStringLiteral("连接远程服务器验证中..."));
        QVERIFY(rig.signedIn.wait(10000));

        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("服务器验证通过，登录成功！")});
        QVERIFY(rig.state.ServerVerified && !rig.state.LocalSignedIn);
        QCOMPARE(rig.state.MobileMailActive, mailbox);
        QTEST(rig.stored(), "stored");
        QVERIFY(rig.autostart.IsAutoRun());

        const standin::StandInRequest request = rig.service.lastRequest();
        QVERIFY(request.rawQuery.startsWith("user=demo&pass=" + DemoHash.toLatin1() + "&md5="));
        QCOMPARE(request.queryValue(QStringLiteral("md5")),
                 RequestSignature(request.queryValue(QStringLiteral("nowtime"))));
    }

    // A first sign-in the service refuses, or that gets no proven answer, stores nothing and leaves
    // autostart off: the next start goes online again.
    void firstRunNotAccepted_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("reply"); // of the login endpoint; null: the stand-in's own answer
        QTest::addColumn<QString>("caption");
        const int none = standin::Fault::None;
        const QString failed = QStringLiteral("服务器连接错误");
        // clang-format off
        QTest::newRow("refused") << none << QString() << "账号密码验证失败";
        QTest::newRow("garbage") << int(standin::Fault::Garbage) << QString() << failed;
        QTest::newRow("http 500") << int(standin::Fault::ServerError) << QString() << failed;
        QTest::newRow("ok, wrong proof") << none << QStringLiteral("ok|1|0123456789abcdef") << failed;
        QTest::newRow("time-out") << -1 << QString() << failed;
        // clang-format on
    }
    void firstRunNotAccepted()
    {
        QFETCH(int, fault);
        QFETCH(QString, reply);
        QFETCH(QString, caption);
        Rig rig;
        rig.service.addAccount(Demo, QStringLiteral("other"));
        // For good: the network layer may send a GET again after a dropped connection.
        if (fault < 0) {
            rig.service.delayReplies(5000);
            rig.channel.setTimeout(std::chrono::milliseconds(300));
        } else if (fault != standin::Fault::None) {
            rig.service.failNext(standin::Fault::Kind(fault), -1);
        } else if (!reply.isNull()) {
            rig.service.service().addEndpoint(QStringLiteral("/Api/login.asp"), [reply](const auto&) {
                return standin::StandInReply::ok(reply);
            });
        }
        QSignalSpy focus(&rig.controller, &LoginController::focusPasswordBox);
        const QString before = rig.stored();
        rig.signIn(Demo, DemoPassword);
        // signIn() comes back at once: the check runs on while the event loop turns.
        QVERIFY(rig.controller.isBusy());
        QVERIFY(rig.settle());
        QCOMPARE(rig.signedIn.count(), 0);
        QCOMPARE(rig.controller.caption(), caption);
        const bool refused = caption == QStringLiteral("账号密码验证失败");
        const QStringList boxes = rig.boxes.texts();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().section('\n', 0, 0),
                 refused ? QStringLiteral("账号或密码不正确,请重试!")
                         : QStringLiteral("服务器故障或您未连接网络,反馈联系客服QQ:800018766"));
        // No reply at all: the transport's reason follows on a line of its own.
        QCOMPARE(boxes.first().contains('\n'), fault < 0 || (fault && fault != standin::Fault::Garbage));
        QCOMPARE(focus.count(), int(refused));
        QCOMPARE(rig.stored(), before);
        QVERIFY(!rig.autostart.IsAutoRun());
    }

    void secondPressDuringTheCheckIsIgnored()
    {
        Rig rig;
        rig.service.addAccount(Demo, DemoPassword);
        rig.service.delayReplies(300);
        rig.signIn(Demo, DemoPassword);
        rig.signIn(Demo, DemoPassword);
        rig.controller.autoSignIn(LoginInput{Demo, DemoPassword, true, true, true});
        QVERIFY(rig.signedIn.wait(10000));
        QTest::qWait(400);
        QCOMPARE(rig.service.requestCount(), 1);
        QCOMPARE(rig.signedIn.count(), 1);
    }

    void namesReachTheServiceIntact_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"demo123", "o'brien", "tom&jerry", "a b#c", "张三", "x+y%20"})
            QTest::newRow(name) << QString::fromUtf8(name);
        QTest::newRow("the longest the store holds") << QString(50, u'张');
    }

    void namesReachTheServiceIntact()
    {
        QFETCH(QString, name);
        Rig rig;
        rig.service.addAccount(name, DemoPassword);
        rig.signIn(name, DemoPassword);
        QVERIFY(rig.signedIn.wait(10000));
        QCOMPARE(rig.service.lastRequest().queryValue(QStringLiteral("user")), name);
        // The same name signs in locally afterwards, quote and all.
        rig.setRemembered(QString(), 0);
        rig.signIn(name, DemoPassword);
        QVERIFY(rig.settle());
        QVERIFY(rig.state.LocalSignedIn);
        QCOMPARE(rig.stored(), name + ",#velmo123,#velmo123,8,0|0," + name + ",1,1");
    }

    // A configured address that is no URL is told, the text and where it is set; nothing goes to the
    // default address in its place, neither the sign-in nor a page.
    void unusableAddressIsTold()
    {
        Rig rig;
        QSettings settings(rig.scratch.filePath(QStringLiteral("velmo.ini")), QSettings::IniFormat);
        settings.setValue(ServiceAddress::settingsKey(), QStringLiteral("notaurl"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("notaurl")));
        rig.controller.setServiceAddress(ServiceAddress::load(settings));
        QList<QUrl> opened;
        rig.controller.setBrowser([&opened](const QUrl& url) { return opened << url, true; });
        rig.signIn(Demo, DemoPassword);
        QVERIFY(rig.settle());
        rig.controller.openRegistrationPage();
        const QString told =
            QStringLiteral("服务器地址“notaurl”不是可用的网址,无法连接服务器。请在设置文件 %1 的 "
                           "Service/Address 项中填写以 http:// 或 https:// 开头的网址。")
                .arg(settings.fileName());
        QCOMPARE(rig.boxes.texts(), (QStringList{told, told}));
        QCOMPARE(rig.controller.caption(), QStringLiteral("服务器连接错误"));
        QVERIFY(opened.isEmpty());
        QCOMPARE(rig.signedIn.count(), 0);
    }

    // A page that no browser takes is told to the user, with its address.
    void pagesNotOpenedAreTold()
    {
        Rig rig;
        rig.controller.setBrowser([](const QUrl&) { return false; });
        rig.controller.openPasswordRecoveryPage();
        QCOMPARE(rig.boxes.texts(),
                 QStringList{pageNotOpenedText(rig.service.baseUrl().resolved(QUrl("/FindPassword.asp")))});
    }

    // A sign-in that stops before anyone is signed in sends nothing, stores nothing and leaves
    // autostart off: empty boxes (a blank name is a name), an account table that cannot be read, a
    // local password that differs with the online check declined, a settings row that is gone, a
    // name too long for the account row.
    void stopsWithoutSigningIn_data()
    {
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<QString>("setup"); // SQL run first
        QTest::addColumn<QString>("user");  // name:password
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        // clang-format off
        QTest::newRow("both empty") << true << "" << ":" << "请输入用户名！" << "user";
        QTest::newRow("password empty") << true << "" << "  :" << "请输入密码！" << "password";
        QTest::newRow("accounts unreadable") << false << "DROP TABLE Users" << "demo:velmo123" << "本地数据库读取失败,请检查数据文件后重试。\n" << "";
        QTest::newRow("local mismatch, answered no") << false << "" << "demo:typo" << "本地数据库验证失败,是否连接到服务器认证?" << "password";
        QTest::newRow("settings row gone") << false << "DELETE FROM Config" << "demo:velmo123" << "数据配置文件加载出错,请尝试重新启动程序" << "";
        // A name the account row cannot hold is refused before the service sees it.
        QTest::newRow("name past 50, first run") << true << "" << QString(51, u'张') + ":velmo123" << "用户名过长,最多只能有50个字符！" << "user";
        QTest::newRow("name of 300") << false << "" << QString(300, u'd') + ":velmo123" << "用户名过长,最多只能有50个字符！" << "user";
        // clang-format on
    }
    void stopsWithoutSigningIn()
    {
        QFETCH(bool, firstRun);
        QFETCH(QString, setup);
        QFETCH(QString, user);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        Rig rig(firstRun);
        rig.addLocalAccount(Demo, DemoPassword);
        if (!setup.isEmpty())
            rig.exec(setup);
        // The service would take every name, so that only the sign-in's own checks stop it.
        if (const QString name = user.section(u':', 0, 0); !name.isEmpty())
            rig.service.addAccount(name, user.section(u':', 1));
        rig.boxes.plannedAnswers = {false};
        QSignalSpy userFocus(&rig.controller, &LoginController::focusUserBox);
        QSignalSpy passwordFocus(&rig.controller, &LoginController::focusPasswordBox);
        QSignalSpy ending(&rig.controller, &LoginController::programMustEnd);
        const QString before = rig.stored();
        rig.signIn(user.section(u':', 0, 0), user.section(u':', 1));
        // Without its settings row the program ends: the sign-in stays under way until it does.
        const bool ends = setup.startsWith(QStringLiteral("DELETE"));
        QVERIFY(ends ? ending.wait(5000) : rig.settle());
        QVERIFY2(rig.boxes.texts().value(0).startsWith(message), qPrintable(rig.boxes.texts().join(u'|')));
        QCOMPARE(rig.boxes.texts().size(), 1);
        QCOMPARE(ending.count(), int(ends));
        QCOMPARE(userFocus.count(), int(focus == QStringLiteral("user")));
        QCOMPARE(passwordFocus.count(), int(focus == QStringLiteral("password")));
        QCOMPARE(rig.signedIn.count(), 0);
        QCOMPARE(rig.service.requestCount(), 0);
        QVERIFY(!rig.autostart.IsAutoRun());
        QCOMPARE(rig.stored(), before);
    }

    // A sign-in on a computer that has the account's row. A password that matches signs in locally and,
    // typed, is remembered as the last one whatever the box says; stars stand for the remembered digest,
    // while typed stars are a password like any other. Any other password asks to check online, where the
    // service's password takes the row over (its mailbox flag stays the binding's). Only the first
    // sign-in on a computer switches autostart on.
    void signInOnThisComputer_data()
    {
        QTest::addColumn<QString>("local");      // the row's password; its mailbox is bound
        QTest::addColumn<QString>("remembered"); // the password whose digest is remembered
        QTest::addColumn<QString>("typed");      // "*": the stars that stand for the remembered one
        QTest::addColumn<QString>("ticked");     // the boxes: remember the password, sign in by itself
        QTest::addColumn<bool>("online");        // the answer to the question to check online
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("stored"); // see Rig::stored(); empty: nobody signs in, nothing stored
        const auto row = [](const char* name, const char* local, const char* remembered, const char* typed,
                            const char* ticked, bool online, const char* caption, const char* stored) {
            QTest::newRow(name) << QString::fromLatin1(local) << QString::fromLatin1(remembered)
                                << QString::fromLatin1(typed) << QString::fromLatin1(ticked) << online
                                << QString::fromUtf8(caption) << QString::fromLatin1(stored);
        };
        // clang-format off
        row("typed, remembered", "velmo123", "", "velmo123", "10", false, "本地登陆成功", "demo,#velmo123,#velmo123,8,1|0,demo,1,0");
        row("typed, not remembered", "velmo123", "", "velmo123", "00", false, "本地登陆成功", "demo,#velmo123,#velmo123,8,1|0,demo,0,0");
        row("stars", "velmo123", "velmo123", "*", "11", false, "Velmo 本地登陆成功", "demo,#velmo123,old,3,1|0,demo,1,1");
        row("typed stars, online declined", "velmo123", "velmo123", "********", "11", false, "本地验证登录失败", "");
        row("other password, online", "oldpass", "", "velmo123", "11", true, "网络验证成功", "demo,#velmo123,#velmo123,8,1|0,demo,1,1");
        row("stale stars, online", "oldpass", "newpass", "*", "11", true, "网络验证成功", "demo,#newpass,old,3,1|0,demo,1,1");
        // clang-format on
    }
    void signInOnThisComputer()
    {
        QFETCH(QString, local);
        QFETCH(QString, remembered);
        QFETCH(QString, typed);
        QFETCH(QString, ticked);
        QFETCH(bool, online);
        QFETCH(QString, stored);
        Rig rig(false);
        rig.addLocalAccount(Demo, local, true);
        // The service knows the newest password.
        rig.service.addAccount(Demo, remembered.isEmpty() ? DemoPassword : remembered);
        rig.setRemembered(remembered.isEmpty() ? QString() : MD5_16(remembered), int(remembered.size()));
        rig.boxes.plannedAnswers = {online};
        const QString before = rig.stored();
        const bool stars = typed == QStringLiteral("*");
        rig.controller.signIn(LoginInput{Demo, stars ? QString(remembered.size(), u'*') : typed, !stars,
                                         ticked[0] == u'1', ticked[1] == u'1'});
        QVERIFY(rig.settle());
        QTEST(rig.controller.caption(), "caption");
        QCOMPARE(rig.stored(), stored.isEmpty() ? before : stored);
        QCOMPARE(rig.signedIn.count(), int(!stored.isEmpty()));
        QCOMPARE(rig.state.LocalSignedIn, !stored.isEmpty() && !online);
        QCOMPARE(rig.state.ServerVerified, online);
        // What is checked, here and online, is the digest of what was entered.
        const QString digest = MD5_16(stars ? remembered : typed);
        QVERIFY(stored.isEmpty() || rig.state.PassHash == digest);
        QCOMPARE(rig.service.requestCount(), int(online));
        QVERIFY(!online || rig.service.lastRequest().queryValue(QStringLiteral("pass")) == digest);
        QVERIFY(!rig.autostart.IsAutoRun());
    }

    void nameInAnyLetterCaseFindsTheAccount_data()
    {
        QTest::addColumn<QString>("local"); // the password of the row "demo"
        QTest::addColumn<QString>("typed"); // the name typed
        QTest::addColumn<bool>("online");
        QTest::newRow("upper case, right password") << "velmo123"
                                                    << "DEMO" << false;
        QTest::newRow("mixed case, other password: online") << "oldpass"
                                                            << "dEmO" << true;
    }

    // The account row is found whatever the letter case of the name typed, and the sign-in goes on
    // under the row's own spelling: the run state and the last user take it, no second account row
    // appears, and an online check asks the service for the account by that spelling.
    void nameInAnyLetterCaseFindsTheAccount()
    {
        QFETCH(QString, local);
        QFETCH(QString, typed);
        QFETCH(bool, online);
        Rig rig(false);
        rig.addLocalAccount(Demo, local);
        rig.service.addAccount(Demo, DemoPassword);
        rig.boxes.plannedAnswers = {true};
        rig.signIn(typed, DemoPassword);
        QVERIFY(rig.settle());
        QCOMPARE(rig.signedIn.count(), 1);
        QCOMPARE(rig.state.UserId, Demo);
        QCOMPARE(rig.stored(), QStringLiteral("demo,#velmo123,#velmo123,8,0|0,demo,1,1"));
        QCOMPARE(rig.service.requestCount(), int(online));
        QVERIFY(!online || rig.service.lastRequest().queryValue(QStringLiteral("user")) == Demo);
    }

    // A sign-in whose rows cannot all be stored is told, stores none of them and signs nobody in:
    // online the settings row goes back with the account row, locally the remembered password with
    // the settings.
    void failedWriteStoresNothing_data()
    {
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<QString>("refused");
        QTest::newRow("online, account row") << true << "INSERT ON Users";
        QTest::newRow("online, settings row") << true << "UPDATE ON Config";
        QTest::newRow("local, settings row") << false << "UPDATE ON Config";
        QTest::newRow("local, remembered password") << false << "UPDATE ON Users";
    }
    void failedWriteStoresNothing()
    {
        QFETCH(bool, firstRun);
        QFETCH(QString, refused);
        Rig rig(firstRun);
        rig.service.addAccount(Demo, DemoPassword);
        if (!firstRun)
            rig.addLocalAccount(Demo, DemoPassword);
        rig.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE %1 BEGIN SELECT RAISE(ABORT, 'test'); END")
                     .arg(refused));
        const QString before = rig.stored();
        rig.signIn(Demo, DemoPassword, false, false);
        QVERIFY(rig.settle());
        QTest::qWait(20);
        QCOMPARE(rig.signedIn.count(), 0);
        QVERIFY(!rig.state.LocalSignedIn && !rig.state.ServerVerified);
        QCOMPARE(rig.boxes.texts().size(), 1);
        QVERIFY(rig.boxes.texts()[0].startsWith(QStringLiteral("登录信息保存失败,请检查数据文件后重试。\n")));
        QCOMPARE(rig.stored(), before);
        QVERIFY(!rig.autostart.IsAutoRun());
    }

    // The mailbox flag always belongs to the account that signs in (or was last signed in).
    void flagFollowsTheAccount_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("expected");
        QTest::newRow("bob after alice") << QStringLiteral("bob") << false;
        QTest::newRow("alice after bob") << QStringLiteral("alice") << true;
        QTest::newRow("start with no account row") << QStringLiteral("ghost") << false;
    }

    void flagFollowsTheAccount()
    {
        QFETCH(QString, user);
        QFETCH(bool, expected);
        Rig rig(false);
        rig.addLocalAccount(QStringLiteral("alice"), QStringLiteral("pw"), true);
        rig.addLocalAccount(QStringLiteral("bob"), QStringLiteral("pw"), false);
        rig.state.MobileMailActive = !expected;
        if (user == QLatin1String("ghost")) { // the settings load at start names an account with no row
            rig.exec(QStringLiteral("UPDATE Config SET LastUser=?"), {user});
            QVERIFY(LoadConfig(rig.store.db(), rig.state).settingsFound);
        } else {
            rig.signIn(user, QStringLiteral("pw"), true, false);
            QVERIFY(rig.settle());
            QVERIFY(rig.state.LocalSignedIn);
        }
        QCOMPARE(rig.state.MobileMailActive, expected);
    }
};

VELMO_TEST_MAIN(TestLoginController)
#include "TestLoginController.moc"
