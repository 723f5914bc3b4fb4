#include "RequestSignature.h"

#include "platform/ServiceAddress.h"

#include "Clock.h"
#include "Md5.h"

namespace velmo {

QString NowNumberText(const QDateTime& moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    return QString::number(date.year()) + QString::number(date.month()) + QString::number(date.day()) +
           QString::number(time.hour()) + QString::number(time.minute()) + QString::number(time.second());
}

QString GetNowNumber()
{
    return NowNumberText(Clock::currentDateTime());
}

QString RequestSignature(const QString& nowNumber)
{
    return MD5_16(nowNumber + QLatin1String(SigningSalt));
}

QString ServerProof(const QString& passHash)
{
    return MD5_16(passHash + QLatin1String(SigningSalt));
}

bool isServerProof(const QString& proof, const QString& passHash)
{
    return proof == ServerProof(passHash);
}

SignedTimestamp SignedTimestamp::now()
{
    return at(Clock::currentDateTime());
}

SignedTimestamp SignedTimestamp::at(const QDateTime& moment)
{
    SignedTimestamp stamp;
    stamp.nowtime = NowNumberText(moment);
    stamp.md5 = RequestSignature(stamp.nowtime);
    return stamp;
}

QUrl signedLoginUrl(const ServiceAddress& service, const QString& user, const QString& passHash)
{
    const SignedTimestamp stamp = SignedTimestamp::now();
    return service.url(QStringLiteral("/Api/login.asp"), {{QStringLiteral("user"), user},
                                                          {QStringLiteral("pass"), passHash},
                                                          {QStringLiteral("md5"), stamp.md5},
                                                          {QStringLiteral("nowtime"), stamp.nowtime}});
}

SignInReply parseSignInReply(const QString& text, const QString& passHash)
{
    SignInReply reply;
    if (text.startsWith(QLatin1String("error"))) {
        reply.kind = SignInReply::Kind::Refused;
        return reply;
    }
    if (!text.startsWith(QLatin1String("ok")))
        return reply;
    // An empty digest was never sent: nothing can prove it.
    const QString proof = text.section(QLatin1Char('|'), 2, 2).trimmed();
    if (proof.isEmpty() || passHash.isEmpty() || !isServerProof(proof, passHash)) {
        reply.kind = SignInReply::Kind::Unproven;
        return reply;
    }
    reply.kind = SignInReply::Kind::Accepted;
    bool numeric = false;
    const double mailbox = text.section(QLatin1Char('|'), 1, 1).trimmed().toDouble(&numeric);
    reply.mailbox = numeric && mailbox == 1.0;
    reply.rest = text.section(QLatin1Char('|'), 3);
    return reply;
}

} // namespace velmo
