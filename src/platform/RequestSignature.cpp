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

} // namespace velmo
