#pragma once

// What the reminder window's actions do to a ringing memo's row: delete, stop ringing (on to the
// next occurrence), done, snooze. Edit is the editor's.

#include "store/ReminderQueries.h"
#include "store/StoreResult.h"

#include <QDateTime>

namespace velmo {

class Database;
struct RunState;

inline constexpr int kSnoozeMinutes = 5;

class RingActions
{
public:
    RingActions(Database& db, RunState& run, bool& loginRingFlag);

    // Each result's rowsAffected is 0 when the memo is no longer there (deleted, done or gone).
    StoreResult deleteMemo(MemoId id);
    StoreResult markDone(MemoId id);
    // The next occurrence by the repeat code on the memo's calendar; a reminder that no rule moves
    // past now is switched off, except a sign-in memo, which stays quiet until the next sign-in.
    StoreResult stopRinging(MemoId id, const QDateTime& now);
    // Rings again kSnoozeMinutes from now, on the memo's calendar; nothing is uploaded.
    StoreResult snooze(MemoId id, const QDateTime& now);

    // The next reminder stopRinging stores for a memo.
    static NextAlert nextAlert(const RingMemo& memo, const QDateTime& now);

private:
    Database& m_db;
    RunState& m_run;
    bool& m_loginRingFlag;
};

} // namespace velmo
