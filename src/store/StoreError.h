#pragma once

#include <QString>

class QSqlError;

namespace velmo {

// Why the store failed, in the words the user reads. Every reason that comes from SQLite or from
// the system is worded here, by its code; the program's own reasons are written where they arise.
// A reason is a phrase that follows a message ("备忘保存失败:" + reason), without a full stop.

// SQLite's result code (extended or primary) of a failure, and SQLite's own text of it: the common
// results in words of their own, any other as a general phrase followed by SQLite's text. A failure to
// open, read or write the file is worded by the system's error number behind it (systemError, from
// sqlite3_system_errno; 0 when none is known) where that says more: a full disk, a read-only disk, no
// rights, a lock another program holds.
QString sqliteReason(int code, const QString& sqliteText = QString(), int systemError = 0);

// The same for a failure of the Qt driver, whose native error code is SQLite's result code.
QString sqliteReason(const QSqlError& error);

// A system error number (errno) of a file operation.
QString systemReason(int error);

} // namespace velmo
