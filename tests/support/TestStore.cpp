#include "TestStore.h"

#include "platform/Clock.h"
#include "store/DataFiles.h"

namespace velmo::test {

QString uniqueConnectionName()
{
    static int count = 0;
    return QStringLiteral("test-%1").arg(++count);
}

TestStore::TestStore(const QString& userId)
    : m_db(std::make_unique<Database>(uniqueConnectionName()))
{
    m_state.DbPath = databasePath(m_folder.dataFolder());
    m_state.UserId = userId;
    if (!m_folder.isValid())
        m_error = QStringLiteral("no temporary folder");
    else if (const StoreResult created = SaveDatabaseFile(m_state.DbPath); !created)
        m_error = created.error;
    else if (const StoreResult opened = m_db->open(m_state.DbPath); !opened)
        m_error = opened.error;
}

MemoRecord TestStore::sampleMemo(const QString& title) const
{
    MemoRecord memo;
    memo.type = 1;
    memo.userid = m_state.UserId;
    memo.title = title;
    memo.content = QStringLiteral("<p>%1</p>").arg(title);
    memo.AlertTime = Clock::currentDateTime().addDays(1);
    memo.AlertPinLv = QStringLiteral("1");
    memo.ifAlert = true;
    memo.click = 1;
    memo.sound = QStringLiteral("1.mid");
    memo.lifa = 1;
    return memo;
}

qint64 TestStore::addMemo(const MemoRecord& memo)
{
    const StoreResult inserted = insertMemo(*m_db, memo);
    m_lastError = inserted.error;
    return inserted ? inserted.insertId : 0;
}

bool TestStore::addAccount(const QString& userId, const QString& passHash, int passLength,
                           bool mobileMailActive)
{
    const StoreResult added =
        m_db->exec(QStringLiteral("INSERT INTO Users (UserID, LastPassword, UserPWD, LenPass, "
                                  "MobileMailActive) VALUES (?, ?, ?, ?, ?)"),
                   {userId, passHash, passHash, passLength, mobileMailActive});
    m_lastError = added.error;
    return added.ok;
}

} // namespace velmo::test
