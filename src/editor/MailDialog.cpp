#include "MailDialog.h"

#include "controls/MessageBoxes.h"
#include "controls/WebPages.h"
#include "store/RunState.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velmo {

namespace {

// The design's positions are in twips, 15 to a pixel.
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

template <typename T>
T* placed(T* widget, const QString& name, const QRect& geometry)
{
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

const QString answerHeading = QStringLiteral("服务器反馈:\n");

} // namespace

MailDialog::MailDialog(EditorServices services, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("MailDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("绑定激活邮件提醒功能"));
    setFixedSize(5475 / 15, 3225 / 15);

    placed(new QLabel(QStringLiteral("用户名(&U):"), this), QStringLiteral("lblLabels_0"),
           twips(360, 330, 1080, 270));
    m_user = placed(new QLineEdit(this), QStringLiteral("txtUser"), twips(1380, 240, 2235, 345));
    placed(new QLabel(QStringLiteral("密  码(&P):"), this), QStringLiteral("lblLabels_1"),
           twips(360, 840, 1080, 270));
    m_password = placed(new QLineEdit(this), QStringLiteral("txtPassword"), twips(1380, 750, 2235, 345));
    m_password->setEchoMode(QLineEdit::Password);
    findChild<QLabel*>(QStringLiteral("lblLabels_0"))->setBuddy(m_user);
    findChild<QLabel*>(QStringLiteral("lblLabels_1"))->setBuddy(m_password);
    m_ok = placed(new QPushButton(QStringLiteral("确定"), this), QStringLiteral("OKButton"),
                  twips(3840, 240, 1215, 375));
    m_ok->setDefault(true);
    auto* cancel = placed(new QPushButton(QStringLiteral("关闭"), this), QStringLiteral("CancelButton"),
                          twips(3840, 720, 1215, 375));
    placed(new QLabel(QStringLiteral("说  明:"), this), QStringLiteral("Label1"), twips(360, 1320, 735, 255));
    placed(new QLabel(QStringLiteral("1、"), this), QStringLiteral("Label3"), twips(1080, 1320, 1095, 255));
    m_link = placed(new QLabel(QStringLiteral("点击这里"), this), QStringLiteral("Label4"),
                    twips(1330, 1320, 735, 255));
    QFont underlined = m_link->font();
    underlined.setUnderline(true);
    m_link->setFont(underlined);
    QPalette linkColours = m_link->palette();
    linkColours.setColor(QPalette::WindowText, linkColours.color(QPalette::Highlight));
    m_link->setPalette(linkColours);
    m_link->setCursor(Qt::PointingHandCursor);
    m_link->installEventFilter(this);
    placed(new QLabel(QStringLiteral("绑定一个支持短信提醒的信箱。"), this), QStringLiteral("Label5"),
           twips(2160, 1320, 2775, 255));
    placed(new QLabel(QStringLiteral("2、查收邮件，完成账号绑定后，在此界面登陆一次。"), this),
           QStringLiteral("Label2"), twips(1080, 1680, 4575, 255));
    m_answer =
        placed(new QPlainTextEdit(answerHeading, this), QStringLiteral("Text1"), twips(240, 2160, 4935, 855));

    connect(m_ok, &QPushButton::clicked, this, &MailDialog::OKButton_Click);
    connect(cancel, &QPushButton::clicked, this, &MailDialog::CancelButton_Click);
    if (m_services.channel) {
        m_binding =
            new MailBinding(m_services.db, m_services.run, *m_services.channel, m_services.service, this);
        // OK waits while the check runs: a second press sends nothing.
        connect(m_binding, &MailBinding::busyChanged, this,
                [this](bool busy) { m_ok->setEnabled(!busy && !m_verified); });
        connect(m_binding, &MailBinding::finished, this, &MailDialog::onFinished);
    }
}

void MailDialog::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_user->setFocus();
}

bool MailDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_link && event->type() == QEvent::MouseButtonRelease) {
        Label4_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MailDialog::Label4_Click()
{
    if (!m_services.service.problem().isEmpty()) {
        m_services.boxes.warn(this, m_services.service.problem());
        return;
    }
    openWebPage(m_services.service.url(QStringLiteral("/mailRecord.asp")), m_services.boxes, this,
                m_services.openUrl);
}

void MailDialog::CancelButton_Click()
{
    close();
}

void MailDialog::OKButton_Click()
{
    if (m_binding && m_ok->isEnabled())
        m_binding->check(m_user->text(), m_password->text());
}

void MailDialog::onFinished(MailBinding::Outcome outcome, const QString& error)
{
    const QString answer = m_binding->answerText(outcome);
    if (!answer.isEmpty())
        m_answer->setPlainText(answer);
    switch (outcome) {
    case MailBinding::Outcome::Refused:
        setWindowTitle(QStringLiteral("账号密码验证失败"));
        m_password->setFocus();
        m_password->selectAll();
        break;
    case MailBinding::Outcome::ServiceFailure:
        m_services.boxes.warn(this, serviceFailureText(error), QStringLiteral("服务器返回值错误"));
        break;
    case MailBinding::Outcome::Verified:
        setWindowTitle(QStringLiteral("网络验证成功"));
        m_verified = true;
        m_ok->setEnabled(false);
        break;
    case MailBinding::Outcome::StoreFailed:
        setWindowTitle(QStringLiteral("网络验证成功"));
        m_services.boxes.warn(this, QStringLiteral("邮件提醒设置保存失败,请检查数据文件后重试。\n") + error);
        break;
    case MailBinding::Outcome::AccountMissing:
        endForUnusableData(m_services, this);
        break;
    case MailBinding::Outcome::OtherUser:
    case MailBinding::Outcome::Unproven:
        break;
    }
}

} // namespace velmo
