#include "AccountStore.h"

#include "platform/AccountName.h"
#include "platform/Md5.h"

namespace velmo::standin {

void AccountStore::addAccount(const QString& userId, const QString& password, bool mailboxBound)
{
    addAccountWithHash(userId, MD5_16(password), mailboxBound);
}

void AccountStore::addAccountWithHash(const QString& userId, const QString& passHash, bool mailboxBound)
{
    m_accounts.insert(foldedAccountName(userId), Account{userId, passHash, mailboxBound});
}

void AccountStore::setMailboxBound(const QString& userId, bool bound)
{
    const auto it = m_accounts.find(foldedAccountName(userId));
    if (it != m_accounts.end())
        it->mailboxBound = bound;
}

void AccountStore::removeAccount(const QString& userId)
{
    m_accounts.remove(foldedAccountName(userId));
}

std::optional<Account> AccountStore::account(const QString& userId) const
{
    const auto it = m_accounts.constFind(foldedAccountName(userId));
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
    QStringList ids;
    for (const Account& account : m_accounts)
        ids << account.userId;
    ids.sort();
    return ids;
}

} // namespace velmo::standin
