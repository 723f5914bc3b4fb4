#pragma once

// The service's notices kept in data.db (table Notice): which are new, which are unread, which
// the user has opened.
//
//   velmo::NoticeRows notices(db);
//   StoreResult added = notices.addMissing(fromService);   // added.rowsAffected: rows inserted
//   NoticeRows::Read unread = notices.unread();            // newest first, at most five
//   notices.markRead(unread.rows.first().id);

#include "store/StoreResult.h"

#include <QList>
#include <QString>

#include <vector>

namespace velmo {

class Database;

// One notice as the service lists it.
struct NoticeEntry
{
    qint64 noticeId = 0; // the service's id, 1 or more
    QString title;
    QString url;
};

// One stored notice.
struct NoticeRow
{
    qint64 id = 0; // local key; a higher id is a newer notice
    NoticeEntry entry;
    bool haveRead = false;
};

class NoticeRows
{
public:
    // The widths of the columns, in characters.
    static constexpr qsizetype TitleLength = 100;
    static constexpr qsizetype UrlLength = 255;
    // The service's ids fit the column's 32-bit integer.
    static constexpr qint64 MaxNoticeId = 2147483647;
    // How many unread notices are on show at once.
    static constexpr int ShownAtMost = 5;

    explicit NoticeRows(Database& db);

    // Whether an entry fits the table: an id in range, title and link within their columns.
    static bool fits(const NoticeEntry& entry);

    // Inserts, in the order given, the entries whose service id the table does not hold yet; an
    // id that comes twice is inserted once. All or nothing: on failure (an entry that does not
    // fit included) the table is as it was. rowsAffected counts the rows inserted.
    StoreResult addMissing(const QList<NoticeEntry>& entries);

    // The unread notices, newest first, at most `limit`.
    StoreRead<std::vector<NoticeRow>> unread(int limit = ShownAtMost) const;

    // Marks one notice read; a failure when no row has that id.
    StoreResult markRead(qint64 id);

private:
    Database& m_db;
};

} // namespace velmo
