#pragma once

#include "signin/LoginController.h"
#include "signin/LoginForm.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace velmo {

class ClickLabel;

// The sign-in window: user name, password, the remember and automatic sign-in boxes, the links to
// the service's registration and password pages. Its caption shows the sign-in's progress; the
// sign-in itself is the controller's.
class frmLogin : public QWidget
{
    Q_OBJECT

public:
    explicit frmLogin(LoginController& controller, const QString& title, QWidget* parent = nullptr);

    // Fills the boxes as start-up found them and arms the automatic sign-in when asked.
    void prefill(const LoginFormState& state);

    // What the boxes hold now.
    LoginInput input() const;
    bool passwordTyped() const { return m_passwordTyped; }
    bool autoSignInArmed() const;

signals:
    // The user closed the window or pressed Cancel.
    void cancelled();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Focus
    {
        None,
        User,
        Password,
        PasswordSelected
    };

    // The focus each time the window is shown: the password box once a user name is there, with
    // the caret after its last character.
    void placeFocus();
    void setBusy(bool busy);
    void requestFocus(Focus focus);
    void applyFocus();

    LoginController& m_controller;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QCheckBox* m_remember;
    QCheckBox* m_autoLogin;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QTimer* m_autoTimer;
    bool m_passwordTyped = false;
    Focus m_pendingFocus = Focus::None;
};

} // namespace velmo
