#pragma once

#include "editor/EditorServices.h"
#include "editor/MailBinding.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velmo {

// The mail binding dialog ("绑定激活邮件提醒功能"): explains how to bind a mailbox on the service's
// page, then checks the signed-in account with the service so that the editors offer mail reminders.
class MailDialog : public QWidget
{
    Q_OBJECT

public:
    explicit MailDialog(EditorServices services, QWidget* parent = nullptr);

public slots:
    void OKButton_Click();
    void CancelButton_Click();
    void Label4_Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onFinished(MailBinding::Outcome outcome, const QString& error);

    EditorServices m_services;
    MailBinding* m_binding = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_ok = nullptr;
    QLabel* m_link = nullptr;
    QPlainTextEdit* m_answer = nullptr;
    bool m_verified = false;
};

} // namespace velmo
