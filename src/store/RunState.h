#pragma once

#include "store/Settings.h"

#include <QString>

namespace velmo {

// The program-wide state of one run: where the database is, who is signed in and how, the
// settings, and the flags that coordinate the windows and the synchronisation. The application owns the one
// instance and hands it on by reference.
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

    // The settings, read from the settings row at start-up and when the settings dialog opens;
    // CheckTimer and MmNumber are within their ranges once loaded.
    Settings settings;

    // Coordination flags.
    bool Exiting = false;            // the user chose to quit; only ever set to true
    bool AssistantDismissed = false; // no assistant figure or balloon while true

    bool signedIn() const { return LocalSignedIn || ServerVerified; }
};

} // namespace velmo
