#pragma once

// Brings a data.db written by an earlier version of the program up to the current shape, in place
// and in one transaction: every row is kept, and a failure leaves the file as it was.
//
//   version 2: the memo table is rebuilt so that its owner column compares with letter case, with
//              the column SyncedSynnum (a row in step gets its counter; any other row 0), and with
//              every index and trigger of the current schema. Names that the earlier file took for one
//              (they differ only in letter case) get one spelling in the memo rows, the account rows
//              and the last user, so that the sign-in as before still reaches every memo.

#include "store/StoreResult.h"

namespace velmo {

class Database;

inline constexpr int CurrentSchemaVersion = 2;

// Upgrades the open database when its user_version is below CurrentSchemaVersion; success when
// there was nothing to do.
StoreResult upgradeSchema(Database& db);

} // namespace velmo
