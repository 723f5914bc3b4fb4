#pragma once

#include "store/Settings.h"

#include <QString>

namespace velmo {

class Autostart;
class Database;
struct RunState;

// What the settings dialog shows and stores.
struct ConfigChoices
{
    bool autoStart = false; // the desktop starts the program at log-on
    Settings settings;      // the dialog leaves MmNumber as it finds it
};

// The settings row and the autostart entry as the settings dialog reads and stores them. Loading
// copies the row into the run state; storing writes the row and the entry, and the stored settings
// take effect at once in the run state (AutoHide, SavePass and AutoLogin matter at the next start).
class ConfigSettings
{
public:
    ConfigSettings(Database& db, RunState& state, Autostart& autostart);

    enum class LoadResult
    {
        Loaded,
        ReadFailed,        // the row could not be read: the run state stays as it was
        SettingsRowMissing // the program cannot go on
    };
    // Copies the settings row into the run state.
    LoadResult LoadSettings();

    // The dialog's values: the run state's settings and whether the autostart entry is there.
    // An interval outside 1..60 shows as the shipped 10.
    ConfigChoices current() const;

    struct ApplyResult
    {
        bool settingsRowMissing = false;
        QString rowError;       // the row could not be stored
        QString autostartError; // the autostart entry could not be written or removed

        bool ok() const { return !settingsRowMissing && rowError.isEmpty() && autostartError.isEmpty(); }
    };
    // Stores the choices and, once the row is stored, puts them in force and writes the autostart
    // entry: a row that cannot be stored leaves everything as it was. The interval is kept within
    // 1..60 whatever is passed.
    ApplyResult apply(const ConfigChoices& choices);

private:
    Database& m_db;
    RunState& m_state;
    Autostart& m_autostart;
};

} // namespace velmo
