#include "MailBinding.h"

#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "store/LoginRecords.h"
#include "store/RunState.h"

namespace velmo {

MailBinding::MailBinding(Database& db, RunState& run, ServiceChannel& channel, ServiceAddress service,
                         QObject* parent)
    : QObject(parent)
    , m_db(db)
    , m_run(run)
    , m_channel(channel)
    , m_service(std::move(service))
{
}

void MailBinding::check(const QString& typedUser, const QString& password)
{
    if (m_busy)
        return;
    if (typedUser != m_run.UserId) {
        finish(Outcome::OtherUser);
        return;
    }
    if (!m_service.problem().isEmpty()) {
        // The configured address is unusable: the default in its place is not the user's service.
        finish(Outcome::ServiceFailure, m_service.problem());
        return;
    }
    m_passHash = MD5_16(password);
    const QUrl url = signedLoginUrl(m_service, typedUser, m_passHash);
    ServiceRequest* request = m_channel.openUrl(url);
    if (!request) {
        // Another transfer is under way on the channel: nothing was sent.
        finish(Outcome::ServiceFailure);
        return;
    }
    connect(request, &ServiceRequest::finished, this, &MailBinding::onReply);
    m_busy = true;
    emit busyChanged(true);
}

void MailBinding::onReply(const ServiceReply& reply)
{
    m_busy = false;
    emit busyChanged(false);

    const SignInReply answer = parseSignInReply(reply.ok() ? reply.text : QString(), m_passHash);
    switch (answer.kind) {
    case SignInReply::Kind::Refused:
        finish(Outcome::Refused);
        return;
    case SignInReply::Kind::Failed:
        finish(Outcome::ServiceFailure, reply.errorString);
        return;
    case SignInReply::Kind::Unproven:
        finish(Outcome::Unproven);
        return;
    case SignInReply::Kind::Accepted:
        break;
    }
    m_run.ServerVerified = true;
    m_run.MobileMailActive = answer.mailbox;
    const StoreResult stored = LoginRecords(m_db).setMobileMailActive(m_run.UserId, m_run.MobileMailActive);
    if (!stored)
        finish(Outcome::StoreFailed, stored.error);
    else if (stored.rowsAffected == 0)
        finish(Outcome::AccountMissing);
    else
        finish(Outcome::Verified);
}

void MailBinding::finish(Outcome outcome, const QString& error)
{
    emit finished(outcome, error);
}

QString MailBinding::answerText(Outcome outcome) const
{
    switch (outcome) {
    case Outcome::OtherUser:
        return QStringLiteral("服务器: 您输入的账号和当前登陆用户不匹配！请重试");
    case Outcome::Refused:
        return QStringLiteral("服务器: 账号或密码不正确,验证失败,请重试");
    case Outcome::Verified:
    case Outcome::StoreFailed:
    case Outcome::AccountMissing:
        return m_run.MobileMailActive ? QStringLiteral("服务器: 登陆成功验证,已激活邮件提醒功能")
                                      : QStringLiteral("服务器: 登陆验证,但当前账号未绑定邮箱");
    case Outcome::ServiceFailure:
        return QStringLiteral("服务器: 服务器连接错误,网络故障");
    case Outcome::Unproven:
        break;
    }
    return QString();
}

} // namespace velmo
