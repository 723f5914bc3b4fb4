#include "AccountStore.h"

#include "platform/Md5.h"

#include <algorithm>

namespace velmo::standin {

void AccountStore::addAccount(const QString& userId, const QString& password, bool mailboxBound)
{
    addAccountWithHash(userId, MD5_16(password), mailboxBound);
}

void AccountStore::addAccountWithHash(const QString& userId, const QString& passHash, bool mailboxBound)
{
    m_accounts.insert(userId, Account{userId, passHash, mailboxBound});
}

void AccountStore::setMailboxBound(const QString& userId, bool bound)
{
    const auto it = m_accounts.find(userId);
    if (it != m_accounts.end())
        it->mailboxBound = bound;
}

void AccountStore::removeAccount(const QString& userId)
{
    m_accounts.remove(userId);
}

std::optional<Account> AccountStore::account(const QString& userId) const
{
    const auto it = m_accounts.constFind(userId);
    if (it == m_accounts.constEnd())
        return std::nullopt;
    return *it;
}

bool AccountStore::checkPassword(const QString& userId, const QString& passHash) const
{
    const auto found = account(userId);
    return found && !passHash.isEmpty() && found->passHash == passHash;
}

QStringList AccountStore::userIds() const
{
    QStringList ids = m_accounts.keys();
    ids.sort();
    return ids;
}

QList<StoredMemo> AccountStore::memos(const QString& userId) const
{
    QList<StoredMemo> result;
    std::copy_if(m_memos.begin(), m_memos.end(), std::back_inserter(result),
                 [&userId](const StoredMemo& memo) { return memo.userId == userId; });
    return result;
}

std::optional<StoredMemo> AccountStore::memo(qint64 serverId) const
{
    const auto it = std::find_if(m_memos.begin(), m_memos.end(),
                                 [serverId](const StoredMemo& memo) { return memo.serverId == serverId; });
    if (it == m_memos.end())
        return std::nullopt;
    return *it;
}

qint64 AccountStore::addMemo(StoredMemo memo)
{
    memo.serverId = ++m_lastServerId;
    m_memos.append(memo);
    return memo.serverId;
}

bool AccountStore::updateMemo(const StoredMemo& memo)
{
    const auto it = std::find_if(m_memos.begin(), m_memos.end(), [&memo](const StoredMemo& stored) {
        return stored.serverId == memo.serverId;
    });
    if (it == m_memos.end())
        return false;
    *it = memo;
    return true;
}

bool AccountStore::removeMemo(qint64 serverId)
{
    return m_memos.removeIf([serverId](const StoredMemo& memo) { return memo.serverId == serverId; }) > 0;
}

} // namespace velmo::standin
