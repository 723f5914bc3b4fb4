#pragma once

#include "store/RunState.h"

#include <QString>

#include <optional>

namespace velmo {

class Database;

// The settings row (table Config) as stored.
struct ConfigRow
{
    int id = 0;
    bool FirstRun = true;
    QString LastUser;
    bool SavePass = true;
    bool AutoLogin = true;
    int CheckTimer = 10; // 0 when the stored value cannot be read as a number
    bool ReminderRing = true;
    bool ReminderPop = true;
    bool ReminderMM = true;
    bool ReminderIco = true;
    bool AutoHide = false;
    QString DiySound;
    int MmNumber = 2; // 0 when the stored value cannot be read as a number
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
// RecoverMissingRow and ShowLoadErrorAndQuit.
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

// The settings row, the one with the lowest id should there be several; none when the table is
// empty or cannot be read.
std::optional<ConfigRow> readConfigRow(const Database& db);

// Copies the settings of the row into the run state (as the settings dialog does when it opens).
void applySettings(const ConfigRow& row, RunState& state);

// Start-up: reads the settings row into the run state and the remembered sign-in data of the
// last user (LenPass and LastPassword only when SavePass is on; MobileMailActive always).
ConfigLoad LoadConfig(const Database& db, RunState& state);

} // namespace velmo
