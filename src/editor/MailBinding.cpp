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
    connect(&m_channel, &ServiceChannel::finished, this, &MailBinding::onReply);
}

void MailBinding::check(const QString& typedUser, const QString& password)
{
    if (m_busy)
        return;
    if (typedUser != m_run.UserId) {
        finish(Outcome::OtherUser);
        return;
    }
    m_passHash = MD5_16(password);
    const QUrl url = signedLoginUrl(m_service, typedUser, m_passHash);
    if (!m_channel.openUrl(url)) {
        // Another transfer is under way on the channel: nothing was sent.
        finish(Outcome::ServiceFailure);
        return;
    }
    m_busy = true;
    emit busyChanged(true);
}

void MailBinding::onReply(const ServiceReply& reply)
{
    if (!m_busy)
        return;
    m_busy = false;
    emit busyChanged(false);

    const QString text = reply.ok() ? reply.text : QString();
    if (text.left(5) == QLatin1String("error")) {
        finish(Outcome::Refused);
        return;
    }
    if (text.left(2) != QLatin1String("ok")) {
        finish(Outcome::ServiceFailure);
        return;
    }
    const QStringList fields = text.split(QLatin1Char('|'));
    if (fields.size() < 3 || !isServerProof(fields.at(2).trimmed(), m_passHash)) {
        finish(Outcome::Unproven);
        return;
    }
    bool numeric = false;
    const double mailbox = fields.at(1).trimmed().toDouble(&numeric);
    m_run.ServerVerified = true;
    m_run.MobileMailActive = numeric && mailbox == 1.0;
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
