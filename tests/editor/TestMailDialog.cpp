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
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("mailbox");
        QTest::addColumn<QString>("garbage"); // a 200 reply of this text; "500" for a server error
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("storedFlag"); // -1: the rows keep their flag
        QTest::addColumn<int>("requests");
        const QString start = QStringLiteral("服务器反馈:\n");
        QTest::newRow("other user by letter case") << "Tester"
                                                   << "pw" << true << ""
                                                   << "服务器: 您输入的账号和当前登陆用户不匹配！请重试"
                                                   << "绑定激活邮件提醒功能" << -1 << 0;
        QTest::newRow("wrong password") << "tester"
                                        << "nope" << true << ""
                                        << "服务器: 账号或密码不正确,验证失败,请重试"
                                        << "账号密码验证失败" << -1 << 1;
        QTest::newRow("ok with mailbox") << "tester"
                                         << "pw" << true << ""
                                         << "服务器: 登陆成功验证,已激活邮件提醒功能"
                                         << "网络验证成功" << 1 << 1;
        QTest::newRow("ok without mailbox") << "tester"
                                            << "pw" << false << ""
                                            << "服务器: 登陆验证,但当前账号未绑定邮箱"
                                            << "网络验证成功" << 0 << 1;
        QTest::newRow("wrong proof") << "tester"
                                     << "pw" << true << "ok|1|0123456789abcdef" << start
                                     << "绑定激活邮件提醒功能" << -1 << 1;
        QTest::newRow("server error") << "tester"
                                      << "pw" << true << "500"
                                      << "服务器: 服务器连接错误,网络故障"
                                      << "绑定激活邮件提醒功能" << -1 << 1;
    }
    void check()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, mailbox);
        QFETCH(QString, garbage);
        QFETCH(QString, answer);
        QFETCH(QString, caption);
        QFETCH(int, storedFlag);
        QFETCH(int, requests);

        test::TestStore store;
        // Two account rows of the user (names without letter case): both take the flag.
        QVERIFY(store.addAccount(QStringLiteral("tester"), MD5_16(u"pw"), 2, !mailbox));
        QVERIFY(store.addAccount(QStringLiteral("TESTER"), MD5_16(u"pw"), 2, !mailbox));
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
        dialog.findChild<QLineEdit*>(QStringLiteral("txtUser"))->setText(user);
        dialog.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(password);
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OKButton"));
        auto* text1 = dialog.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
        ok->click();
        // A second press while the check runs sends nothing.
        ok->click();
        QTRY_VERIFY(!channel.StillExecuting());
        QCOMPARE(text1->toPlainText(), answer);
        QCOMPARE(dialog.windowTitle(), caption);
        QCOMPARE(service.requestCount(), requests);
        QCOMPARE(ok->isEnabled(), storedFlag < 0);
        const QString flags = QStringLiteral("SELECT group_concat(MobileMailActive) FROM Users");
        const QString kept = !mailbox ? QStringLiteral("1,1") : QStringLiteral("0,0");
        QCOMPARE(store.value(flags).toString(),
                 storedFlag < 0 ? kept : QStringLiteral("%1,%1").arg(storedFlag));
        QCOMPARE(store.runState().ServerVerified, storedFlag >= 0);
        QCOMPARE(boxes.boxes.size(), garbage == QStringLiteral("500") ? 1 : 0);
        if (!boxes.boxes.isEmpty())
            QCOMPARE(boxes.boxes.first().title, QStringLiteral("服务器返回值错误"));
    }
};

VELMO_TEST_MAIN(TestMailDialog)
#include "TestMailDialog.moc"
