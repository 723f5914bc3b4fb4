// The mail binding dialog against the service stand-in: the answers of the check, the proof, the
// stored flag and a second press while the check runs.

#include "BoxRecorder.h"
#include "EditorTestKit.h"
#include "ServiceFixture.h"
#include "TestMain.h"
#include "TestStore.h"

#include "editor/MailDialog.h"
#include "platform/Md5.h"
#include "platform/ServiceChannel.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace velmo;
using standin::Fault;

class TestMailDialog : public QObject
{
    Q_OBJECT

private slots:
    void check_data()
    {
        QTest::addColumn<QString>("user"); // name:password
        QTest::addColumn<bool>("mailbox");
        QTest::addColumn<QString>("garbage"); // a 200 reply of this text; "500" for a server error
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("storedFlag"); // -1: the rows keep their flag
        QTest::addColumn<int>("requests");
        const auto row = [](const char* name, const char* user, bool mailbox, const char* garbage,
                            const char* answer, const char* caption, int flag, int requests) {
            QTest::newRow(name) << QString::fromUtf8(user) << mailbox << QString::fromUtf8(garbage)
                                << QString::fromUtf8(answer) << QString::fromUtf8(caption) << flag
                                << requests;
        };
        // clang-format off
        const char* unbound = "绑定激活邮件提醒功能";
        row("other user by letter case", "Tester:pw", true, "", "服务器: 您输入的账号和当前登陆用户不匹配！请重试", unbound, -1, 0);
        row("wrong password", "tester:nope", true, "", "服务器: 账号或密码不正确,验证失败,请重试", "账号密码验证失败", -1, 1);
        row("ok with mailbox", "tester:pw", true, "", "服务器: 登陆成功验证,已激活邮件提醒功能", "网络验证成功", 1, 1);
        row("ok without mailbox", "tester:pw", false, "", "服务器: 登陆验证,但当前账号未绑定邮箱", "网络验证成功", 0, 1);
        row("wrong proof", "tester:pw", true, "ok|1|0123456789abcdef", "服务器反馈:\n", unbound, -1, 1);
        row("server error", "tester:pw", true, "500", "服务器: 服务器连接错误,网络故障", unbound, -1, 1);
        // clang-format on
    }
    void check()
    {
        QFETCH(QString, user);
        QFETCH(bool, mailbox);
        QFETCH(QString, garbage);
        QFETCH(QString, answer);
        QFETCH(QString, caption);
        QFETCH(int, storedFlag);
        QFETCH(int, requests);

        test::TestStore store;
        // Two account rows of the user take the flag; another account whose name differs only in
        // letter case does not.
        QVERIFY(store.addAccount(QStringLiteral("tester"), MD5_16(u"pw"), 2, !mailbox));
        QVERIFY(store.addAccount(QStringLiteral("TESTER"), MD5_16(u"pw"), 2, !mailbox));
        QVERIFY(store.addAccount(QStringLiteral("tester"), MD5_16(u"pw"), 2, !mailbox));
        test::ServiceFixture service;
        service.addAccount(QStringLiteral("tester"), QStringLiteral("pw"), mailbox);
        if (garbage == QStringLiteral("500")) {
            service.failNext(Fault::ServerError);
        } else if (!garbage.isEmpty()) {
            Fault fault;
            fault.kind = Fault::Garbage;
            fault.garbageText = garbage;
            service.setFault(fault);
        }
        ServiceChannel channel;
        test::BoxRecorder boxes;
        test::ViewsRecorder views;
        EditorServices services{store.db(), store.runState(), boxes, views};
        services.channel = &channel;
        services.service = service.address();
        MailDialog dialog(services);
        dialog.show();
        dialog.findChild<QLineEdit*>(QStringLiteral("txtUser"))->setText(user.section(':', 0, 0));
        dialog.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(user.section(':', 1));
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OKButton"));
        ok->click();
        // A second press while the check runs sends nothing.
        ok->click();
        QTRY_VERIFY(!channel.StillExecuting());
        QCOMPARE(dialog.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText(), answer);
        QCOMPARE(dialog.windowTitle(), caption);
        QCOMPARE(service.requestCount(), requests);
        QCOMPARE(ok->isEnabled(), storedFlag < 0);
        const QString kept = QString::number(int(!mailbox));
        const QString flag = storedFlag < 0 ? kept : QString::number(storedFlag);
        QCOMPARE(store.value(QStringLiteral("SELECT group_concat(MobileMailActive) FROM Users")).toString(),
                 flag + ',' + kept + ',' + flag);
        QCOMPARE(boxes.boxes.size(), garbage == QStringLiteral("500") ? 1 : 0);
    }
};

VELMO_TEST_MAIN(TestMailDialog)
#include "TestMailDialog.moc"
