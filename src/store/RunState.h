#pragma once

#include <QString>

namespace velmo {

// The program-wide state of one run: where the database is, who is signed in and how, the
// settings copied from the Config row, and the flags that coordinate the windows, the reminders
// and the synchronisation. The application owns the one instance and hands it on by reference.
struct RunState
{
    // Full path of data.db.
    QString DbPath;

    // Sign-in. The two flags only ever go from false to true within a run.
    bool ServerVerified = false; // the service accepted the password during this run
    bool LocalSignedIn = false;  // the local account check succeeded during this run
    QString UserId;              // the signed-in user; every memo query filters by it
    QString PassHash;            // MD5_16 of the signed-in user's password
    bool MobileMailActive = false;

    // Copies of the settings row, read at start-up and when the settings dialog opens.
    bool SavePass = false;
    bool AutoLogin = false;
    int CheckTimer = 0; // seconds between due scans, 1..60 once loaded
    bool ReminderRing = false;
    bool ReminderPop = false;
    bool ReminderMM = false;
    bool ReminderIco = false;
    bool AutoHide = false;
    int MmNumber = 0; // assistant figure, 1..6 once loaded

    // Coordination flags.
    bool Exiting = false;            // the user chose to quit; only ever set to true
    bool AssistantDismissed = false; // no assistant figure or balloon while true
    bool LoginRingFlag = false;      // a sign-in memo has rung and been closed this run
    bool SyncStarted = false;        // a synchronisation pass was started this run
    bool ConflictOpen = false;       // the conflict windows are open
    bool AsyncMode = false;          // the next upload follows a settled conflict

    // Conflict hand-off.
    QString ConflictServerId;
    QString ConflictData;

    bool signedIn() const { return LocalSignedIn || ServerVerified; }
};

} // namespace velmo
