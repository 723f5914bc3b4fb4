#pragma once

#include "store/StoreResult.h"

#include <QString>
#include <QStringList>

namespace velmo {

class DataFolder;

// The files the program writes out from its own resources: the empty database and the like.

inline constexpr const char* kDatabaseFileName = "data.db";

// Where data.db lives in a data folder (the run state's DbPath).
QString databasePath(const DataFolder& folder);

// Writes the program resource at resourcePath (e.g. ":/store/skinh.she") to filePath, byte for
// byte. The file appears complete or not at all: it is written into a temporary file created
// exclusively beside it (".<name>.tmp-XXXXXX", readable and writable by its owner only from the
// start), then renamed into place without replacing. Nothing with that name, not even a
// symbolic link, is ever overwritten or followed; a failure leaves no file behind, and temporary
// files of an earlier, interrupted run are removed.
StoreResult SaveResFile(const QString& resourcePath, const QString& filePath);

// Writes out the empty database: every table, index and the shipped settings row, under the same
// rules as SaveResFile. Used at start-up and by every path that re-creates a missing data.db.
StoreResult SaveDatabaseFile(const QString& filePath);

// Gives the file (or link) at from the name to, unless anything already has that name; never
// copies and never follows a link at to.
StoreResult RenameWithoutReplacing(const QString& from, const QString& to);

// The text of the schema the empty database is built from, and its statements one by one.
QString databaseSchema();
QStringList databaseSchemaStatements();

// The skin file: a style sheet of our own kept in the data folder, which the windows apply.
inline constexpr const char* kSkinFileName = "skinh.she";

QString skinFilePath(const DataFolder& folder);

// Writes the program's skin into the data folder unless a skin file is already there.
StoreResult ReleaseSkinFile(const DataFolder& folder);

} // namespace velmo
