#pragma once

// The stand-in service's accounts and the memos it keeps for them, all in memory.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace velmo::standin {

struct Account
{
    QString userId;
    QString passHash;          // MD5_16 of the password, as the client sends it
    bool mailboxBound = false; // the account has bound the mail and SMS reminders
};

// A memo as the service holds it: the fields of its wire record, in wire order.
struct StoredMemo
{
    qint64 serverId = 0;
    QString userId;
    QStringList fields;
    int synnum = 1;
    bool deleted = false;
};

class AccountStore
{
public:
    // Adds or replaces the account; the password is kept only as its digest.
    void addAccount(const QString& userId, const QString& password, bool mailboxBound = false);
    void addAccountWithHash(const QString& userId, const QString& passHash, bool mailboxBound = false);
    void setMailboxBound(const QString& userId, bool bound);
    void removeAccount(const QString& userId);

    // The account of that exact name.
    std::optional<Account> account(const QString& userId) const;
    // True when the account exists and the digest is its password's.
    bool checkPassword(const QString& userId, const QString& passHash) const;
    QStringList userIds() const;

    // Memos of one user, in the order they were added.
    QList<StoredMemo> memos(const QString& userId) const;
    std::optional<StoredMemo> memo(qint64 serverId) const;
    // Stores a new memo under a fresh server id and returns that id.
    qint64 addMemo(StoredMemo memo);
    // Replaces the memo of the same server id; false when there is none.
    bool updateMemo(const StoredMemo& memo);
    bool removeMemo(qint64 serverId);

private:
    QHash<QString, Account> m_accounts;
    QList<StoredMemo> m_memos;
    qint64 m_lastServerId = 0;
};

} // namespace velmo::standin
