#pragma once

// The uploads this computer posted to the service and whose answer it has not written down, or whose
// copy the service may hold more than once: each is kept from before its request goes out, so that
// after an answer lost on the way (a time-out, a dropped connection, the program killed) the
// service's copy can still be recognised as this computer's own post. The record is kept as it was
// posted, as opaque text of the synchronisation's; every statement names the owner.

#include "store/MemoId.h"
#include "store/StoreResult.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace velmo {

class Database;

struct SentUpload
{
    qint64 id = 0;         // the entry's own number, in the order the posts went out
    MemoId LocalId = 0;    // the memo row posted
    qint64 ServerId = 0;   // the server id the post named; 0 for a memo new to the service
    QString Record;        // the copy as posted (the service's record text, with the counter posted)
    int ReadSynnum = 0;    // the row's change counter when it was read for the post
    bool Del = false;      // the post asked for the memo's deletion
    bool Answered = false; // its answer is written; its copy may still stand on the service twice
    QDateTime SentAt;
    qint64 AboveServerId = 0; // a copy of a memo new to the service has a server id above this one

    friend bool operator==(const SentUpload&, const SentUpload&) = default;
};

// Keeps the entry of a post about to go out; insertId gives its id.
StoreResult rememberSentUpload(Database& db, const QString& userId, const SentUpload& sent);

// The user's entries, oldest first.
StoreRead<std::vector<SentUpload>> readSentUploads(const Database& db, const QString& userId);
// How many entries the user has, and the newest one's id (0: none), read from the owner index alone.
struct SentUploadsTally
{
    qint64 count = 0;
    qint64 newest = 0;
};
StoreRead<SentUploadsTally> tallySentUploads(const Database& db, const QString& userId);

// Drops one entry of the user: its answer was written, or its copy was recognised.
StoreResult forgetSentUpload(Database& db, const QString& userId, qint64 id);

// Drops the user's entries named (run it in a transaction: the ids go in chunks, a statement each).
StoreResult forgetSentUploads(Database& db, const QString& userId, const std::vector<qint64>& ids);

// Marks one entry of the user answered.
StoreResult markSentUploadAnswered(Database& db, const QString& userId, qint64 id);

// Drops the user's entries posted before `before`: a post that has not shown up by then never will.
StoreResult forgetSentUploadsBefore(Database& db, const QString& userId, const QDateTime& before);

} // namespace velmo
