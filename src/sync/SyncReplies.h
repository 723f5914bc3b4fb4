#pragma once

// The service's answers to the synchronisation, read from the whole reply text. A reply is split
// on its first separators only, so "|" inside a title or a content survives; ids are numbers
// above 0 or the answer is not taken.

#include "store/ShortCode.h"
#include "sync/ServerRecord.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace velmo {

// One memo of the server's list: its id and change counter, and whether the service marks it
// deleted (by another computer of the user).
struct ServerEntry
{
    qint64 serverId = 0;
    int synnum = 0;
    bool deleted = false;
    ShortCode token;  // the service's token of the memo; empty when the service names none
    ShortCode digest; // the start of the digest of its copy (wireDigest); empty when not named

    friend bool operator==(const ServerEntry&, const ServerEntry&) = default;
};

// One page of the answer of /Api/id.asp?...&after=<serverId>:
// "ok|<mailbox>|<proof>|<server time>|<list>|<next>", or "error". <list> holds the memos above `after`
// in increasing server id order, each "<id>:<synnum>[:d]:<token>:<digest>", joined by ","; <next> is 0
// for the last page, else the server id of the page's last entry (the next page is asked after it).
// The page is taken whole or not at all: an entry that does not read, ids out of order, or a <next>
// that does not follow refuse it (Malformed). A reply without <next>, or entries without their token
// and digest, are the list of a service this program cannot synchronise with (Unsupported).
struct IdListReply
{
    enum class Kind
    {
        Accepted,    // signed in with a valid proof; the page follows
        Refused,     // "error": unknown account or wrong password
        Failed,      // anything else, an "ok" without the right proof included
        Unsupported, // the list of a service that names neither tokens nor digests, or pages
        Malformed,   // the right proof, but the page does not read (problem says where)
    };
    Kind kind = Kind::Failed;
    bool mailbox = false;
    QDateTime serverTime; // invalid when the field could not be read
    std::vector<ServerEntry> entries;
    qint64 next = 0;        // the server id to ask the next page after; 0: the list is complete
    qsizetype badEntry = 0; // Malformed: the page's entry (from 1) that does not read; 0: the page itself
};
IdListReply parseIdListReply(const QString& text, const QString& passHash, qint64 after = 0);

// One copy a memo held on the service: its counter and its digest (wireDigest).
struct CopyVersion
{
    int synnum = 0;
    QString digest;

    friend bool operator==(const CopyVersion&, const CopyVersion&) = default;
};

// The answer of /api/download.asp for one memo:
// "ok|<ServerRecord>(#f!g#)<serverId>[(#f!g#)<d or nothing>(#f!g#)<token>(#f!g#)<synnum>:<digest>,...]",
// "ok|" when the service has no such memo of the account (unknown, or another account's), or "error".
// A deleted memo comes with its last copy and the mark "d".
struct DownloadReply
{
    enum class Kind
    {
        Memo,       // the memo follows
        Unreadable, // a memo came, but its record does not read or cannot be kept (storableRecord)
        Missing,    // "ok|" and nothing behind it
        Refused,    // "error": unknown account
        Failed,     // anything else
    };
    Kind kind = Kind::Failed;
    std::optional<ConflictRecord> memo;
    bool deleted = false;              // the memo is deleted on the service; this was its last copy
    QString token;                     // empty when the service names none
    std::vector<CopyVersion> versions; // the copies the memo held, oldest first: the first and the latest
                                       // (KeptCopies); empty when not told
};
DownloadReply parseDownloadReply(const QString& text);

// Whether the program can keep a memo that came from the service as it is: its texts fit the memo
// table, its category is one of the seven, its change counter is not negative, and its reminder and
// mail moments lie within the years the calendar holds (a lunar one in a month of 30 days at most).
bool storableRecord(const MemoRecord& memo);

// The answer of /api/Syn.asp to one upload (SynReply).
struct SynReply
{
    enum class Kind
    {
        Stored,   // "#adok#|ok|<serverId>|<LocalId>"
        Conflict, // "#adok#|error|<serverId>|<ServerRecord>"
        Deleted,  // "#delo#|ok|<serverId>" (0 for a memo the service never had)
        Unknown,
    };
    Kind kind = Kind::Unknown;
    qint64 serverId = 0;
    MemoId localId = 0;   // Stored
    QString serverRecord; // Conflict
};
SynReply parseSynReply(const QString& text);

} // namespace velmo
