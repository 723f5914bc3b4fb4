#pragma once

// What the reminder window's actions do to a ringing memo's row: delete, stop ringing (on to the
// next occurrence), done, snooze. Edit is the editor's.

#include "store/ReminderQueries.h"
#include "store/StoreResult.h"

#include <QDateTime>

#include <optional>
#include <utility>

namespace velmo {

class Database;
struct RunState;

inline constexpr int kSnoozeMinutes = 5;

// What an action did to the memo's row, when its write did not fail.
struct RingOutcome : StoreResult
{
    enum class Effect
    {
        Changed,   // the row changed
        Unchanged, // there was nothing to change (a memo not yet due has nothing to stop)
        Gone,      // the memo is no longer there: deleted, done or gone
    };
    Effect effect = Effect::Changed;

    RingOutcome(StoreResult stored, Effect done)
        : StoreResult(std::move(stored))
        , effect(done)
    {
    }
};

class RingActions
{
public:
    RingActions(Database& db, RunState& run, bool& loginRingFlag);

    // Each action acts on the memo while it is in progress and not deleted: otherwise it is gone.
    RingOutcome deleteMemo(MemoId id);
    RingOutcome markDone(MemoId id);
    // The next occurrence by the repeat code on the memo's calendar; a reminder that no rule moves
    // past now is switched off, except a sign-in memo, which stays quiet until the next sign-in. A
    // memo not yet due is left as it is.
    RingOutcome stopRinging(MemoId id, const QDateTime& now);
    // Rings again kSnoozeMinutes from now, on the memo's calendar; nothing is uploaded.
    RingOutcome snooze(MemoId id, const QDateTime& now);

    // The next reminder stopRinging stores for a memo.
    static NextAlert nextAlert(const RingMemo& memo, const QDateTime& now);

private:
    Database& m_db;
    RunState& m_run;
    bool& m_loginRingFlag;
};

} // namespace velmo
