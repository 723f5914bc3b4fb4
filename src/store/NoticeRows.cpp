#include "NoticeRows.h"

#include "store/Database.h"
#include "store/DbText.h"

#include <QSet>

namespace velmo {

NoticeRows::NoticeRows(Database& db)
    : m_db(db)
{
}

bool NoticeRows::fits(const NoticeEntry& entry)
{
    return entry.noticeId >= 1 && entry.noticeId <= MaxNoticeId && entry.title.size() <= TitleLength &&
           entry.url.size() <= UrlLength;
}

StoreResult NoticeRows::addMissing(const QList<NoticeEntry>& entries)
{
    for (const NoticeEntry& entry : entries) {
        if (!fits(entry))
            return StoreResult::failure(
                QStringLiteral("公告 %1 的内容超出了数据文件允许的长度").arg(entry.noticeId));
    }
    Transaction transaction(m_db);
    if (!transaction.isActive())
        return StoreResult::failure(transaction.error());
    int added = 0;
    QSet<qint64> seen;
    for (const NoticeEntry& entry : entries) {
        if (seen.contains(entry.noticeId))
            continue;
        seen.insert(entry.noticeId);
        const QVariant held = m_db.selectValue(QStringLiteral("SELECT count(*) FROM Notice WHERE NoticeId=?"),
                                               {entry.noticeId});
        if (!held.isValid())
            return StoreResult::failure(QStringLiteral("公告记录读取失败"));
        if (held.toLongLong() > 0)
            continue;
        const StoreResult inserted = m_db.exec(
            QStringLiteral("INSERT INTO Notice (NoticeId, title, Url, HaveRead) VALUES (?, ?, ?, ?)"),
            {entry.noticeId, entry.title, entry.url, false});
        if (!inserted.ok)
            return inserted;
        ++added;
    }
    StoreResult committed = transaction.commit();
    if (committed.ok)
        committed.rowsAffected = added;
    return committed;
}

StoreRead<std::vector<NoticeRow>> NoticeRows::unread(int limit) const
{
    return m_db.selectRows(QStringLiteral("SELECT id, NoticeId, title, Url, HaveRead FROM Notice "
                                          "WHERE HaveRead=0 ORDER BY id DESC LIMIT ?"),
                           {limit}, [](const DbQuery& query) {
                               NoticeRow row;
                               row.id = query.value(0).toLongLong();
                               row.entry.noticeId = query.value(1).toLongLong();
                               row.entry.title = query.value(2).toString();
                               row.entry.url = query.value(3).toString();
                               row.haveRead = dbBool(query.value(4));
                               return row;
                           });
}

StoreResult NoticeRows::markRead(qint64 id)
{
    StoreResult result = m_db.exec(QStringLiteral("UPDATE Notice SET HaveRead=1 WHERE id=?"), {id});
    if (result.ok && result.rowsAffected == 0)
        return StoreResult::failure(QStringLiteral("找不到公告 %1 的记录").arg(id));
    return result;
}

} // namespace velmo
