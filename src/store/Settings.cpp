#include "Settings.h"

#include "store/Database.h"
#include "store/DbText.h"

namespace velmo {

namespace {

int storedInt(const QVariant& value)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok && !value.isNull() ? number : 0;
}

} // namespace

int effectiveCheckTimer(int stored)
{
    return stored >= 1 && stored <= 60 ? stored : kDefaultCheckTimer;
}

int effectiveMmNumber(int stored)
{
    return stored >= 1 && stored <= 6 ? stored : kDefaultMmNumber;
}

std::optional<ConfigRow> readConfigRow(const Database& db)
{
    const DbRow found = db.selectFirst(QStringLiteral("SELECT * FROM Config ORDER BY id LIMIT 1"));
    if (!found.found)
        return std::nullopt;
    ConfigRow row;
    row.id = found.value(QStringLiteral("id")).toInt();
    row.FirstRun = dbBool(found.value(QStringLiteral("FirstRun")));
    row.LastUser = found.value(QStringLiteral("LastUser")).toString();
    row.SavePass = dbBool(found.value(QStringLiteral("SavePass")));
    row.AutoLogin = dbBool(found.value(QStringLiteral("AutoLogin")));
    row.CheckTimer = storedInt(found.value(QStringLiteral("CheckTimer")));
    row.ReminderRing = dbBool(found.value(QStringLiteral("ReminderRing")));
    row.ReminderPop = dbBool(found.value(QStringLiteral("ReminderPop")));
    row.ReminderMM = dbBool(found.value(QStringLiteral("ReminderMM")));
    row.ReminderIco = dbBool(found.value(QStringLiteral("ReminderIco")));
    row.AutoHide = dbBool(found.value(QStringLiteral("AutoHide")));
    row.DiySound = found.value(QStringLiteral("DiySound")).toString();
    row.MmNumber = storedInt(found.value(QStringLiteral("MmNumber")));
    row.Update = found.value(QStringLiteral("Update")).toDouble();
    return row;
}

void applySettings(const ConfigRow& row, RunState& state)
{
    state.SavePass = row.SavePass;
    state.AutoLogin = row.AutoLogin;
    state.CheckTimer = effectiveCheckTimer(row.CheckTimer);
    state.ReminderRing = row.ReminderRing;
    state.ReminderPop = row.ReminderPop;
    state.ReminderMM = row.ReminderMM;
    state.ReminderIco = row.ReminderIco;
    state.AutoHide = row.AutoHide;
    state.MmNumber = effectiveMmNumber(row.MmNumber);
}

ConfigLoad LoadConfig(const Database& db, RunState& state)
{
    ConfigLoad load;
    const std::optional<ConfigRow> row = readConfigRow(db);
    if (!row) {
        load.error = db.isOpen() ? QStringLiteral("the settings row is missing")
                                 : QStringLiteral("the database is not open");
        return load;
    }
    load.settingsFound = true;
    load.prefill.IsFirstRun = row->FirstRun;
    load.prefill.LastUserName = row->LastUser;
    applySettings(*row, state);

    const QString& user = load.prefill.LastUserName;
    if (!user.isEmpty() && state.SavePass) {
        const DbRow account = db.selectFirst(
            QStringLiteral("SELECT LenPass, LastPassword FROM Users WHERE UserID=? ORDER BY ID LIMIT 1"),
            {user});
        if (account.found) {
            load.prefill.SavedPassLength = storedInt(account.value(QStringLiteral("LenPass")));
            load.prefill.SavedPassHash = account.value(QStringLiteral("LastPassword")).toString();
        }
    }
    const DbRow mail = db.selectFirst(
        QStringLiteral("SELECT MobileMailActive FROM Users WHERE UserID=? ORDER BY ID LIMIT 1"), {user});
    if (mail.found)
        state.MobileMailActive = dbBool(mail.value(QStringLiteral("MobileMailActive")));
    return load;
}

} // namespace velmo
