#include "Settings.h"

#include "store/Database.h"
#include "store/DbText.h"
#include "store/RunState.h"

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

ConfigRead readConfig(const Database& db)
{
    const auto record = db.selectFirst(QStringLiteral("SELECT * FROM Config ORDER BY id LIMIT 1"));
    if (!record.value)
        return record;
    const QSqlRecord& found = *record.value;
    ConfigRow row;
    row.id = found.value(QStringLiteral("id")).toInt();
    row.FirstRun = dbBool(found.value(QStringLiteral("FirstRun")));
    row.LastUser = found.value(QStringLiteral("LastUser")).toString();
    Settings& set = row.settings;
    set.SavePass = dbBool(found.value(QStringLiteral("SavePass")));
    set.AutoLogin = dbBool(found.value(QStringLiteral("AutoLogin")));
    set.CheckTimer = storedInt(found.value(QStringLiteral("CheckTimer")));
    set.ReminderRing = dbBool(found.value(QStringLiteral("ReminderRing")));
    set.ReminderPop = dbBool(found.value(QStringLiteral("ReminderPop")));
    set.ReminderMM = dbBool(found.value(QStringLiteral("ReminderMM")));
    set.ReminderIco = dbBool(found.value(QStringLiteral("ReminderIco")));
    set.AutoHide = dbBool(found.value(QStringLiteral("AutoHide")));
    set.MmNumber = storedInt(found.value(QStringLiteral("MmNumber")));
    row.DiySound = found.value(QStringLiteral("DiySound")).toString();
    row.Update = found.value(QStringLiteral("Update")).toDouble();
    return {record, row};
}

Settings effectiveSettings(const Settings& stored)
{
    Settings settings = stored;
    settings.CheckTimer = effectiveCheckTimer(stored.CheckTimer);
    settings.MmNumber = effectiveMmNumber(stored.MmNumber);
    return settings;
}

SettingsWrite updateSettingsRow(Database& db, const QString& assignments, const QVariantList& values)
{
    SettingsWrite write;
    write.result = db.exec(QStringLiteral("UPDATE Config SET ") + assignments +
                               QStringLiteral(" WHERE id=(SELECT min(id) FROM Config)"),
                           values);
    if (write.result.ok && write.result.rowsAffected == 0) {
        write.settingsRowMissing = true;
        write.result = StoreResult::failure(QStringLiteral("设置记录不存在"));
    }
    return write;
}

SettingsWrite writeSettings(Database& db, const Settings& s)
{
    return updateSettingsRow(
        db,
        QStringLiteral("SavePass=?, AutoLogin=?, CheckTimer=?, ReminderRing=?, ReminderPop=?, "
                       "ReminderMM=?, ReminderIco=?, AutoHide=?"),
        {s.SavePass, s.AutoLogin, effectiveCheckTimer(s.CheckTimer), s.ReminderRing, s.ReminderPop,
         s.ReminderMM, s.ReminderIco, s.AutoHide});
}

SettingsWrite writeMmNumber(Database& db, int figure)
{
    return updateSettingsRow(db, QStringLiteral("MmNumber=?"), {figure});
}

ConfigLoad LoadConfig(const Database& db, RunState& state)
{
    ConfigLoad load;
    const ConfigRead read = readConfig(db);
    if (!read.value) {
        load.error = !db.isOpen() ? QStringLiteral("数据文件未打开")
                     : read.ok    ? QStringLiteral("设置记录不存在")
                                  : read.error;
        return load;
    }
    const ConfigRow* row = &*read.value;
    load.settingsFound = true;
    load.prefill.IsFirstRun = row->FirstRun;
    load.prefill.LastUserName = row->LastUser;
    state.settings = effectiveSettings(row->settings);

    const QString& user = load.prefill.LastUserName;
    const std::optional<QSqlRecord> account =
        db.selectFirst(QStringLiteral("SELECT LenPass, LastPassword, MobileMailActive FROM Users WHERE "
                                      "UserID=? ORDER BY ID LIMIT 1"),
                       {user})
            .value;
    if (account && !user.isEmpty() && state.settings.SavePass) {
        load.prefill.SavedPassLength = storedInt(account->value(QStringLiteral("LenPass")));
        load.prefill.SavedPassHash = account->value(QStringLiteral("LastPassword")).toString();
    }
    state.MobileMailActive = account && dbBool(account->value(QStringLiteral("MobileMailActive")));
    return load;
}

} // namespace velmo
