#pragma once

// Brings a data.db written by an earlier version of the program up to the current shape, in place
// and in one transaction: every row is kept, and a failure leaves the file as it was.
//
//   version 2: the memo table is rebuilt so that its owner column compares with letter case, with
//              the column SyncedSynnum (a row in step gets its counter; any other row 0), and with
//              every index and trigger of the current schema.
//   version 3: the table SentUploads (the uploads whose answer is not written down yet).
//   version 4: the memo's token and digest, and the synchronisation's tables of copies and deletions.
// Names that differ only in letter case get one spelling in every table that names an owner and in
// the last user, so that the sign-in reaches every memo: in the upgrade of an older file, and in a file
// of the current version whenever it holds such names (a few reads tell). Nothing is written to a
// damaged file: it is checked before anything is (the whole file before an upgrade, a fold or a
// compaction), so that the copy the start keeps aside is the file as the user had it.

#include "store/StoreResult.h"

#include <QString>

#include <optional>

namespace velmo {

class Database;

// The newest schema this program knows: a new file is made at it, an older file is brought up to it
// step by step (SchemaUpgrade.cpp holds one step a version), and a file of a newer schema, written by
// a later version of the program, is neither opened nor changed.
inline constexpr int CurrentSchemaVersion = 4;

inline bool isNewerSchema(int version)
{
    return version > CurrentSchemaVersion;
}

// Upgrades the open database when its user_version is below CurrentSchemaVersion, and folds the
// owners' spellings; success when there was nothing to do, a failure (newerSchemaReason) for a newer
// schema, the damage found, or why the upgrade or fold failed (the file then stays as it was).
StoreResult upgradeSchema(Database& db);

// The schema version (user_version) that the header of the file at path declares, read without
// SQLite; none when the file cannot be read or is no SQLite database.
std::optional<int> declaredSchemaVersion(const QString& path);

// Why a file of that newer schema is not opened, for the user.
QString newerSchemaReason(int version);

} // namespace velmo
