#pragma once

#include "store/StoreResult.h"

#include <QString>

namespace velmo {

// What the program does when the settings row (or the signed-in account's row) cannot be read:
// re-create data.db should the file be gone; the caller tells the user and ends.

// The text shown to the user.
QString settingsLoadErrorText();

struct MissingRowRecovery
{
    bool fileWasMissing = false; // data.db did not exist
    StoreResult recreated;       // the outcome of writing it out (success when nothing was needed)
};

// Writes out the empty database at dbPath when no file is there; an existing file is left as it
// is. The caller then shows settingsLoadErrorText() and the program ends.
MissingRowRecovery RecoverMissingRow(const QString& dbPath);

} // namespace velmo
