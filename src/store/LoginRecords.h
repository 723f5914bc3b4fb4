#pragma once

#include "store/Settings.h"
#include "store/StoreResult.h"

#include <QString>

#include <optional>

namespace velmo {

class Database;

// The account row of a user name as the sign-in compares it.
struct AccountRow
{
    qint64 id = 0;
    QString userId;
    QString userPwd;      // MD5_16 of the password
    QString lastPassword; // MD5_16 of the password last used at a sign-in
    int lenPass = 0;
    bool mobileMailActive = false;
};

// The password a sign-in goes by: its digest and the length of the plain text (for the row of
// stars), never the plain text itself.
struct PasswordDigest
{
    QString hash;
    int length = 0;
};

// The outcome of a write of the sign-in. settingsRowMissing tells the caller to run the
// missing-row recovery: the program cannot go on without its settings row.
using LoginWrite = SettingsWrite;

// The rows a sign-in reads and writes: the account rows (table Users) and the sign-in fields of
// the settings row (table Config).
class LoginRecords
{
public:
    // The longest user name an account row (and a memo's owner) holds, in characters.
    static constexpr int MaxUserIdLength = 50;
    // Whether the name fits the account row and the memo rows, counted as the store counts.
    static bool fitsUserId(const QString& userId);

    explicit LoginRecords(Database& db);

    // The account of that name, whatever the letter case of its ASCII letters ("DEMO" finds the row
    // "demo"); the oldest row should there be several. Its userId is the name as the row spells it,
    // which the memos of the account carry.
    StoreRead<std::optional<AccountRow>> find(const QString& userId) const;

    // Stores an account the service has just accepted: adds the row, or updates the existing one
    // of that name in any letter case (UserPWD, and the remembered password when given). A new row
    // takes mobileMailActive; an existing row keeps its own. The value is the account's name as
    // stored: the existing row's spelling, or userId for a new row.
    StoreRead<QString> saveVerifiedAccount(const QString& userId, const QString& passHash,
                                           bool mobileMailActive,
                                           const std::optional<PasswordDigest>& remembered);
    // LastPassword and LenPass of one row.
    StoreResult rememberPassword(qint64 rowId, const PasswordDigest& password);
    // UserPWD of one row (a password changed on the service is taken over).
    StoreResult setUserPassword(qint64 rowId, const QString& passHash);
    // MobileMailActive of every account row of that name; rowsAffected 0 when there is none.
    StoreResult setMobileMailActive(const QString& userId, bool active);

    // The sign-in fields of the settings row: LastUser, SavePass, AutoLogin, and FirstRun cleared
    // when asked.
    LoginWrite SaveLoginConfig(const QString& userId, bool savePass, bool autoLogin,
                               bool clearFirstRun = false);

private:
    Database& m_db;
};

} // namespace velmo
