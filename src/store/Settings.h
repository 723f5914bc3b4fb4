#pragma once

#include "store/StoreResult.h"

#include <QString>

#include <optional>

namespace velmo {

class Database;
struct RunState;

// The user's settings: how the program signs in, alerts and starts. The defaults are the shipped
// row's. Read from and written to the settings row only by readConfig and writeSettings.
struct Settings
{
    bool SavePass = true;
    bool AutoLogin = true;
    int CheckTimer = 10; // seconds between due scans; 0 when the stored value cannot be read
    bool ReminderRing = true;
    bool ReminderPop = true;
    bool ReminderMM = true;
    bool ReminderIco = true;
    bool AutoHide = false;
    int MmNumber = 2; // assistant figure; 0 when the stored value cannot be read

    bool operator==(const Settings&) const = default;
};

// The settings row (table Config) as stored.
struct ConfigRow
{
    int id = 0;
    bool FirstRun = true;
    QString LastUser;
    Settings settings;
    QString DiySound;
    double Update = 1.7;
};

// What the sign-in window pre-fills from the settings and the last user's account row.
struct LoginPrefill
{
    bool IsFirstRun = false;
    QString LastUserName;
    QString SavedPassHash;
    int SavedPassLength = 0;
};

// The outcome of LoadConfig. Without the settings row the program cannot go on: see
// RecoverMissingRow.
struct ConfigLoad
{
    bool settingsFound = false;
    QString error;
    LoginPrefill prefill;
};

// The due scan divides by the interval and the figure menu is indexed by the figure number, so
// stored values outside 1..60 and 1..6 are used as the shipped 10 and 2 (the row keeps them).
inline constexpr int kDefaultCheckTimer = 10;
inline constexpr int kDefaultMmNumber = 2;
int effectiveCheckTimer(int stored);
int effectiveMmNumber(int stored);

// The settings row, the one with the lowest id should there be several; none when the table holds
// no row.
using ConfigRead = StoreRead<std::optional<ConfigRow>>;
ConfigRead readConfig(const Database& db);

// The row's settings with CheckTimer and MmNumber brought into their ranges.
Settings effectiveSettings(const Settings& stored);

// Stores the settings that the settings dialog owns in the settings row (CheckTimer brought into
// its range); MmNumber belongs to the figure menu and is left alone. settingsRowMissing when there
// is no row to write to.
struct SettingsWrite
{
    StoreResult result;
    bool settingsRowMissing = false;
};
SettingsWrite writeSettings(Database& db, const Settings& settings);

// Sets columns of the settings row (the one with the lowest id): assignments is this program's own
// "Column=?, ..." text, every value is bound.
SettingsWrite updateSettingsRow(Database& db, const QString& assignments, const QVariantList& values);

// The assistant figure (1 to 6) of the figure menu, in the settings row; settingsRowMissing when
// there is no row.
SettingsWrite writeMmNumber(Database& db, int figure);

// Start-up: reads the settings row into the run state and the remembered sign-in data of the
// last user (LenPass and LastPassword only when SavePass is on; MobileMailActive always).
ConfigLoad LoadConfig(const Database& db, RunState& state);

} // namespace velmo
