#include "LoginRecords.h"

#include "store/Database.h"
#include "store/DbText.h"
#include "store/Settings.h"

namespace velmo {

namespace {

// An UPDATE of one account row that changed nothing means the row has gone.
StoreResult requireOneRow(StoreResult result)
{
    if (result.ok && result.rowsAffected == 0)
        return StoreResult::failure(QStringLiteral("找不到该账号的记录"));
    return result;
}

} // namespace

bool LoginRecords::fitsUserId(const QString& userId)
{
    // The store counts characters, a pair of UTF-16 surrogates as one.
    qsizetype characters = 0;
    for (qsizetype i = 0; i < userId.size(); ++i) {
        if (!(userId.at(i).isLowSurrogate() && i > 0 && userId.at(i - 1).isHighSurrogate()))
            ++characters;
    }
    return characters <= MaxUserIdLength;
}

LoginRecords::LoginRecords(Database& db)
    : m_db(db)
{
}

StoreRead<std::optional<AccountRow>> LoginRecords::find(const QString& userId) const
{
    const auto found = m_db.selectFirst(
        QStringLiteral("SELECT ID, UserID, UserPWD, LastPassword, LenPass, MobileMailActive FROM Users "
                       "WHERE UserID=? COLLATE NOCASE ORDER BY ID LIMIT 1"),
        {userId});
    if (!found.value)
        return found;
    const QSqlRecord& row = *found.value;
    AccountRow account;
    account.id = row.value(QStringLiteral("ID")).toLongLong();
    account.userId = row.value(QStringLiteral("UserID")).toString();
    account.userPwd = row.value(QStringLiteral("UserPWD")).toString();
    account.lastPassword = row.value(QStringLiteral("LastPassword")).toString();
    account.lenPass = row.value(QStringLiteral("LenPass")).toInt();
    account.mobileMailActive = dbBool(row.value(QStringLiteral("MobileMailActive")));
    return {found, account};
}

StoreRead<QString> LoginRecords::saveVerifiedAccount(const QString& userId, const QString& passHash,
                                                     bool mobileMailActive,
                                                     const std::optional<PasswordDigest>& remembered)
{
    const StoreRead<std::optional<AccountRow>> existing = find(userId);
    if (!existing.ok)
        return StoreResult(existing);
    if (existing.value) {
        StoreResult result = setUserPassword(existing.value->id, passHash);
        if (result.ok && remembered)
            result = rememberPassword(existing.value->id, *remembered);
        return {result, existing.value->userId};
    }
    const StoreResult added =
        remembered ? m_db.exec(QStringLiteral("INSERT INTO Users (UserID, UserPWD, MobileMailActive, "
                                              "LastPassword, LenPass) VALUES (?, ?, ?, ?, ?)"),
                               {userId, passHash, mobileMailActive, remembered->hash, remembered->length})
                   : m_db.exec(QStringLiteral("INSERT INTO Users (UserID, UserPWD, MobileMailActive) "
                                              "VALUES (?, ?, ?)"),
                               {userId, passHash, mobileMailActive});
    return {added, userId};
}

StoreResult LoginRecords::rememberPassword(qint64 rowId, const PasswordDigest& password)
{
    return requireOneRow(m_db.exec(QStringLiteral("UPDATE Users SET LastPassword=?, LenPass=? WHERE ID=?"),
                                   {password.hash, password.length, rowId}));
}

StoreResult LoginRecords::setMobileMailActive(const QString& userId, bool active)
{
    return m_db.exec(QStringLiteral("UPDATE Users SET MobileMailActive=? WHERE UserID=? COLLATE BINARY"),
                     {active, userId});
}

StoreResult LoginRecords::setUserPassword(qint64 rowId, const QString& passHash)
{
    return requireOneRow(
        m_db.exec(QStringLiteral("UPDATE Users SET UserPWD=? WHERE ID=?"), {passHash, rowId}));
}

LoginWrite LoginRecords::SaveLoginConfig(const QString& userId, bool savePass, bool autoLogin,
                                         bool clearFirstRun)
{
    return updateSettingsRow(m_db,
                             clearFirstRun ? QStringLiteral("FirstRun=0, LastUser=?, SavePass=?, AutoLogin=?")
                                           : QStringLiteral("LastUser=?, SavePass=?, AutoLogin=?"),
                             {userId, savePass, autoLogin});
}

} // namespace velmo
