#include "ConfigSettings.h"

#include "platform/Autostart.h"
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
    const ConfigRead read = readConfig(m_db);
    if (!read.ok)
        return LoadResult::ReadFailed;
    if (!read.value)
        return LoadResult::SettingsRowMissing;
    // The figure number belongs to the figure menu, which keeps the run state and the row in step.
    const int figure = m_state.settings.MmNumber;
    m_state.settings = effectiveSettings(read.value->settings);
    m_state.settings.MmNumber = figure;
    return LoadResult::Loaded;
}

ConfigChoices ConfigSettings::current() const
{
    ConfigChoices choices;
    choices.autoStart = m_autostart.IsAutoRun();
    choices.settings = effectiveSettings(m_state.settings);
    return choices;
}

ConfigSettings::ApplyResult ConfigSettings::apply(const ConfigChoices& choices)
{
    ApplyResult result;
    // The row first: when it cannot be stored, the autostart entry is left as it was too.
    const SettingsWrite stored = writeSettings(m_db, choices.settings);
    if (stored.settingsRowMissing) {
        result.settingsRowMissing = true;
        return result;
    }
    if (!stored.result.ok) {
        result.rowError = stored.result.error;
        return result;
    }
    // What is stored is in force at once: the scheduler and the alerts read the run state.
    const int figure = m_state.settings.MmNumber;
    m_state.settings = effectiveSettings(choices.settings);
    m_state.settings.MmNumber = figure;

    if (!choices.autoStart) {
        if (!m_autostart.RemoveAutoRun())
            result.autostartError = m_autostart.errorString();
    } else if (!m_autostart.IsAutoRun()) {
        if (!m_autostart.SetAutoRun())
            result.autostartError = m_autostart.errorString();
    }
    return result;
}

} // namespace velmo
