#include "ConfigSettings.h"

#include "platform/Autostart.h"
#include "store/Database.h"
#include "store/RunState.h"
#include "store/Settings.h"

namespace velmo {

ConfigSettings::ConfigSettings(Database& db, RunState& state, Autostart& autostart)
    : m_db(db)
    , m_state(state)
    , m_autostart(autostart)
{
}

ConfigSettings::LoadResult ConfigSettings::LoadSettings()
{
    const DbRow probe = m_db.selectFirst(QStringLiteral("SELECT id FROM Config ORDER BY id LIMIT 1"));
    if (!probe.ok)
        return LoadResult::ReadFailed;
    if (!probe.found)
        return LoadResult::SettingsRowMissing;
    const std::optional<ConfigRow> row = readConfigRow(m_db);
    if (!row)
        return LoadResult::ReadFailed;
    // The figure number belongs to the figure menu, which keeps the run state and the row in step.
    const int figure = m_state.MmNumber;
    applySettings(*row, m_state);
    m_state.MmNumber = figure;
    return LoadResult::Loaded;
}

ConfigChoices ConfigSettings::current() const
{
    ConfigChoices choices;
    choices.autoStart = m_autostart.IsAutoRun();
    choices.AutoHide = m_state.AutoHide;
    choices.ReminderRing = m_state.ReminderRing;
    choices.ReminderPop = m_state.ReminderPop;
    choices.ReminderMM = m_state.ReminderMM;
    choices.ReminderIco = m_state.ReminderIco;
    choices.SavePass = m_state.SavePass;
    choices.AutoLogin = m_state.AutoLogin;
    choices.CheckTimer = effectiveCheckTimer(m_state.CheckTimer);
    return choices;
}

ConfigSettings::ApplyResult ConfigSettings::apply(const ConfigChoices& choices)
{
    ApplyResult result;
    if (!choices.autoStart) {
        if (!m_autostart.RemoveAutoRun())
            result.autostartError = m_autostart.errorString();
    } else if (!m_autostart.IsAutoRun()) {
        if (!m_autostart.SetAutoRun())
            result.autostartError = m_autostart.errorString();
    }

    const DbRow row = m_db.selectFirst(QStringLiteral("SELECT id FROM Config ORDER BY id LIMIT 1"));
    if (!row.ok) {
        result.rowError = row.error;
        return result;
    }
    if (!row.found) {
        result.settingsRowMissing = true;
        return result;
    }
    const StoreResult stored = m_db.exec(
        QStringLiteral(
            "UPDATE Config SET AutoHide=?, ReminderRing=?, ReminderPop=?, ReminderMM=?, ReminderIco=?, "
            "SavePass=?, AutoLogin=?, CheckTimer=? WHERE id=?"),
        {choices.AutoHide, choices.ReminderRing, choices.ReminderPop, choices.ReminderMM, choices.ReminderIco,
         choices.SavePass, choices.AutoLogin, effectiveCheckTimer(choices.CheckTimer),
         row.value(QStringLiteral("id"))});
    if (!stored.ok)
        result.rowError = stored.error;
    else if (stored.rowsAffected == 0)
        result.rowError = QStringLiteral("the settings row was not found");
    return result;
}

} // namespace velmo
