#include "frmLogin.h"

#include "controls/ClickLabel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace velmo {

namespace {

// The window's outer size: 5080 x 4035 twips at 15 twips a pixel.
constexpr QSize WindowSize(339, 269);

// A check box whose caption is a label beside it, so that the label toggles it.
QHBoxLayout* captionedBox(QCheckBox* box, ClickLabel* caption)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    row->addWidget(box);
    row->addWidget(caption);
    QObject::connect(caption, &ClickLabel::clicked, box, [box] {
        // A box that is locked during a check stays as it is.
        if (box->isEnabled())
            box->setChecked(!box->isChecked());
    });
    return row;
}

} // namespace

frmLogin::frmLogin(LoginController& controller, const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_controller(controller)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(title);
    // A fixed-size window: no maximise button, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* userCaption = new QLabel(QStringLiteral("用户名(&U):"), this);
    userCaption->setObjectName(QStringLiteral("lblLabels_0"));
    auto* passwordCaption = new QLabel(QStringLiteral("密  码(&P):"), this);
    passwordCaption->setObjectName(QStringLiteral("lblLabels_1"));

    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("txtUser"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    userCaption->setBuddy(m_user);
    passwordCaption->setBuddy(m_password);

    m_remember = new QCheckBox(this);
    m_remember->setObjectName(QStringLiteral("Check1"));
    auto* rememberCaption = new ClickLabel(QStringLiteral("记住密码"), this);
    rememberCaption->setObjectName(QStringLiteral("Label3"));
    m_autoLogin = new QCheckBox(this);
    m_autoLogin->setObjectName(QStringLiteral("Check2"));
    auto* autoCaption = new ClickLabel(QStringLiteral("自动登录"), this);
    autoCaption->setObjectName(QStringLiteral("Label4"));

    auto* registerLink = new ClickLabel(QStringLiteral("免费注册"), this);
    registerLink->setObjectName(QStringLiteral("Label1"));
    registerLink->setLinkLook(true);
    auto* recoverLink = new ClickLabel(QStringLiteral("找回密码"), this);
    recoverLink->setObjectName(QStringLiteral("Label2"));
    recoverLink->setLinkLook(true);

    m_ok = new QPushButton(QStringLiteral("登 陆"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_cancel = new QPushButton(QStringLiteral("取 消"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));

    m_autoTimer = new QTimer(this);
    m_autoTimer->setObjectName(QStringLiteral("Timer1"));
    m_autoTimer->setSingleShot(true);
    m_autoTimer->setInterval(100);

    auto* banner = new QLabel(QStringLiteral("Velmo"), this);
    banner->setObjectName(QStringLiteral("banner"));
    banner->setAlignment(Qt::AlignCenter);

    auto* fields = new QGridLayout;
    fields->addWidget(userCaption, 0, 0);
    fields->addWidget(m_user, 0, 1, 1, 2);
    fields->addWidget(registerLink, 0, 3);
    fields->addWidget(passwordCaption, 1, 0);
    fields->addWidget(m_password, 1, 1, 1, 2);
    fields->addWidget(recoverLink, 1, 3);
    fields->addLayout(captionedBox(m_remember, rememberCaption), 2, 1);
    fields->addLayout(captionedBox(m_autoLogin, autoCaption), 2, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(banner, 1);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setFixedSize(WindowSize);
    // First shown in the middle of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    connect(m_password, &QLineEdit::textEdited, this, [this] { m_passwordTyped = true; });
    connect(m_ok, &QPushButton::clicked, this, [this] { m_controller.signIn(input()); });
    connect(m_user, &QLineEdit::returnPressed, this, [this] { m_controller.signIn(input()); });
    connect(m_password, &QLineEdit::returnPressed, this, [this] { m_controller.signIn(input()); });
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(registerLink, &ClickLabel::clicked, &m_controller, &LoginController::openRegistrationPage);
    connect(recoverLink, &ClickLabel::clicked, &m_controller, &LoginController::openPasswordRecoveryPage);
    connect(m_autoTimer, &QTimer::timeout, this, [this] { m_controller.autoSignIn(input()); });

    connect(&m_controller, &LoginController::captionChanged, this, &QWidget::setWindowTitle);
    connect(&m_controller, &LoginController::busyChanged, this, &frmLogin::setBusy);
    connect(&m_controller, &LoginController::focusUserBox, this, [this] { requestFocus(Focus::User); });
    connect(&m_controller, &LoginController::focusPasswordBox, this,
            [this](bool selectAll) { requestFocus(selectAll ? Focus::PasswordSelected : Focus::Password); });
}

void frmLogin::prefill(const LoginFormState& state)
{
    m_user->setText(state.user);
    m_password->setText(state.passwordStars);
    // Filling the box is not typing: the stars stand for the remembered password.
    m_passwordTyped = false;
    m_remember->setChecked(state.rememberPassword);
    m_autoLogin->setChecked(state.autoLogin);
    if (state.armAutoSignIn)
        m_autoTimer->start();
}

LoginInput frmLogin::input() const
{
    LoginInput in;
    in.user = m_user->text();
    in.password = m_password->text();
    in.passwordTyped = m_passwordTyped;
    in.rememberPassword = m_remember->isChecked();
    in.autoLogin = m_autoLogin->isChecked();
    return in;
}

bool frmLogin::autoSignInArmed() const
{
    return m_autoTimer->isActive();
}

void frmLogin::setBusy(bool busy)
{
    // While a check runs, nothing can start a second one or change what is being checked.
    m_user->setEnabled(!busy);
    m_password->setEnabled(!busy);
    m_remember->setEnabled(!busy);
    m_autoLogin->setEnabled(!busy);
    m_ok->setEnabled(!busy);
    if (!busy)
        applyFocus();
}

void frmLogin::requestFocus(Focus focus)
{
    // A disabled box takes no focus: the request waits until the check has ended.
    m_pendingFocus = focus;
    if (!m_controller.isBusy())
        applyFocus();
}

void frmLogin::applyFocus()
{
    switch (m_pendingFocus) {
    case Focus::None:
        return;
    case Focus::User:
        m_user->setFocus();
        break;
    case Focus::Password:
        m_password->setFocus();
        break;
    case Focus::PasswordSelected:
        m_password->setFocus();
        m_password->selectAll();
        break;
    }
    m_pendingFocus = Focus::None;
}

void frmLogin::placeFocus()
{
    if (m_user->text().isEmpty())
        return;
    m_password->setFocus();
    if (!m_password->text().isEmpty()) {
        m_password->deselect();
        m_password->end(false);
    }
}

void frmLogin::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placeFocus();
}

void frmLogin::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit cancelled();
}

} // namespace velmo
