#pragma once

#include "store/MemoId.h"
#include "store/StoreResult.h"

#include <QString>

#include <vector>

namespace velmo {

class Database;

// The state changes of one memo, addressed by its local id and its owner (a memo of another
// account is never touched). Each is stored at once and marks the memo for the next upload. A memo
// already in the state is left as it is: nothing is written and nothing waits for upload.
// rowsAffected is 1 when the memo was changed, and 0 when it was in the state already or the user
// has no memo with that id.

// Done; the change counter goes up by one; to be uploaded.
StoreResult SetDone(Database& db, const QString& userId, MemoId id);
// In progress again; the change counter goes up by one; to be uploaded.
StoreResult SetUndo(Database& db, const QString& userId, MemoId id);
// Deleted locally; the row stays until the service confirms the deletion; to be uploaded.
StoreResult SetDel(Database& db, const QString& userId, MemoId id);

// One of the setters above applied to several memos in one transaction: all of them change, or
// (on the first failure) none. The ids of the memos it changed, in the order given.
using MemoSetter = StoreResult (*)(Database&, const QString&, qint64);
StoreRead<std::vector<MemoId>> applyToMemos(Database& db, MemoSetter setter, const QString& userId,
                                            const std::vector<MemoId>& ids);

} // namespace velmo
