#pragma once

// The timestamp and signature of requests to the web service, and the proof the service answers with.
//
//   const velmo::SignedTimestamp stamp = velmo::SignedTimestamp::now();
//   query: ... "md5" = stamp.md5, "nowtime" = stamp.nowtime
//   if (velmo::isServerProof(replyField2, passHash)) ...

#include <QDateTime>
#include <QString>
#include <QUrl>

namespace velmo {

// The salt shared with the service; appended directly to the text being signed.
inline constexpr char SigningSalt[] = "morva371";

// Year, month, day, hour, minute and second in decimal without leading zeros, run together:
// 2012-05-21 09:07:05 gives "2012521975".
QString NowNumberText(const QDateTime& moment);

// NowNumberText of the program's clock.
QString GetNowNumber();

// MD5_16 of the timestamp followed by the salt: the value of the query key "md5".
QString RequestSignature(const QString& nowNumber);

// MD5_16 of the password digest followed by the salt: what the service returns to prove itself.
QString ServerProof(const QString& passHash);

// True when the proof field of a reply is exactly the proof for this password digest.
bool isServerProof(const QString& proof, const QString& passHash);

// One reading of the clock, signed: the timestamp that is signed is the one that is sent.
struct SignedTimestamp
{
    QString nowtime;
    QString md5;

    static SignedTimestamp now();
    static SignedTimestamp at(const QDateTime& moment);
};

class ServiceAddress;

// The service's sign-in check "/Api/login.asp" for this user and password digest, signed now; every
// value percent-encoded from its GBK bytes.
QUrl signedLoginUrl(const ServiceAddress& service, const QString& user, const QString& passHash);

} // namespace velmo
