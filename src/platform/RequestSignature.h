#pragma once

// The timestamp and signature of requests to the web service, the proof the service answers with and
// its answer to a sign-in.
//
//   const velmo::SignedTimestamp stamp = velmo::SignedTimestamp::now();
//   query: ... "md5" = stamp.md5, "nowtime" = stamp.nowtime
//   const velmo::SignInReply reply = velmo::parseSignInReply(text, passHash);

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

// The service's answer to a sign-in with a password digest: "error", or "ok|<mailbox>|<proof>", the
// list reply of the synchronisation carrying more fields behind. Read as the sign-in window reads it:
// the first five characters "error", or the first two "ok" and fields split on "|"; letter case
// counts, blanks and line breaks around the two fields do not.
struct SignInReply
{
    enum class Kind
    {
        Accepted, // "ok" with the proof of the digest that was sent
        Unproven, // "ok" with a wrong or missing proof
        Refused,  // "error": unknown account or wrong password
        Failed,   // anything else, an empty reply included
    };
    Kind kind = Kind::Failed;
    bool mailbox = false; // the mailbox field, read as a number, is 1: mail and SMS reminders are bound
    QString rest;         // what follows the proof field and its "|"; empty when nothing does
};
SignInReply parseSignInReply(const QString& text, const QString& passHash);

} // namespace velmo
