#pragma once

// The stand-in service's accounts, in memory. Names compare as the program compares them: whatever
// the letter case of their ASCII letters; each account keeps the spelling it was added with.

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

class AccountStore
{
public:
    // Adds or replaces the account of that name (in any letter case: the new spelling counts); the
    // password is kept only as its digest.
    void addAccount(const QString& userId, const QString& password, bool mailboxBound = false);
    void addAccountWithHash(const QString& userId, const QString& passHash, bool mailboxBound = false);
    void setMailboxBound(const QString& userId, bool bound);
    void removeAccount(const QString& userId);

    // The account of that name in any letter case, with its own spelling.
    std::optional<Account> account(const QString& userId) const;
    // True when the account exists and the digest is its password's.
    bool checkPassword(const QString& userId, const QString& passHash) const;
    QStringList userIds() const;

private:
    QHash<QString, Account> m_accounts; // by the folded name
};

} // namespace velmo::standin
