#pragma once

#include "store/StoreResult.h"

#include <QDateTime>
#include <QString>

namespace velmo {

// What the program does when the settings row (or the signed-in account's row) cannot be read:
// re-create data.db should the file be gone or unreadable; the caller tells the user and ends.

// The text shown to the user.
QString settingsLoadErrorText();

struct MissingRowRecovery
{
    bool fileWasMissing = false; // data.db did not exist
    QString brokenFileKeptAs;    // where an unreadable data.db was moved; empty when none was
    QString brokenFileReason;    // why it could not be read
    StoreResult recreated;       // the outcome of writing it out (success when nothing was needed)
};

// Why the file at dbPath exists but cannot be the program's database: not SQLite at all (an empty
// or foreign file), damaged (SQLite's quick check fails), without the settings or the memo table,
// or a symbolic link to nothing. Empty when it can be: a file that cannot be opened for lack of
// rights, a sound database that merely lost its settings row, or a file of a newer schema (a later
// version of the program wrote it, whatever tables it has), is not unreadable.
QString unreadableDatabaseReason(const QString& dbPath);
bool isUnreadableDatabase(const QString& dbPath);

// Writes out the empty database at dbPath when no file is there. An unreadable file is first
// moved aside, never deleted, to "data.db.broken-<yyyyMMdd-HHmmss>" (with "-2", "-3" ... when that
// name is taken), readable by its owner only; any other existing file is left as it is. The
// caller then shows recoveryText() and the program ends.
MissingRowRecovery RecoverMissingRow(const QString& dbPath);

// The one message the user gets: settingsLoadErrorText(), and where an unreadable file was kept and why.
QString recoveryText(const MissingRowRecovery& recovery);

// What every window does when a row it needs is missing: RecoverMissingRow, a file that could not
// be written out again noted in the log, and the message to show before the program ends.
QString RecoverMissingRowText(const QString& dbPath);

// The message for a data.db that is there and readable but cannot be used (a later version wrote
// it, no rights, a lock): neither moving it aside nor a new start mends that, so the user learns
// which file it is and why.
QString openFailureText(const QString& dbPath, const QString& reason);
// The same for a missing data.db that could not be written out (a read-only folder, a full disk).
QString creationFailureText(const QString& dbPath, const QString& reason);

} // namespace velmo
