#include "RingActions.h"

#include "lunar/RollAlertForward.h"
#include "reminders/DueScan.h"
#include "store/Database.h"
#include "store/DbText.h"
#include "store/MemoState.h"
#include "store/RunState.h"

namespace velmo {

namespace {

using Effect = RingOutcome::Effect;

RingOutcome gone()
{
    return {StoreResult::success(), Effect::Gone};
}

// A write's result: the memo changed, or (no row changed) it is no longer in the window's state.
RingOutcome changedOrGone(const StoreResult& stored)
{
    return {stored, stored.rowsAffected > 0 ? Effect::Changed : Effect::Gone};
}

// The memo as the window acts on it: in progress and not deleted; gone otherwise.
std::optional<RingOutcome> goneOrUnreadable(const RingMemoRead& read)
{
    if (!read.ok)
        return RingOutcome(StoreResult::failure(read.error), Effect::Gone);
    if (!read.value)
        return gone();
    return std::nullopt;
}

} // namespace

RingActions::RingActions(Database& db, RunState& run, bool& loginRingFlag)
    : m_db(db)
    , m_run(run)
    , m_loginRingFlag(loginRingFlag)
{
}

RingOutcome RingActions::deleteMemo(MemoId id)
{
    if (const auto stop = goneOrUnreadable(readRingMemo(m_db, m_run.UserId, id)))
        return *stop;
    return changedOrGone(SetDel(m_db, m_run.UserId, id));
}

RingOutcome RingActions::markDone(MemoId id)
{
    if (const auto stop = goneOrUnreadable(readRingMemo(m_db, m_run.UserId, id)))
        return *stop;
    return changedOrGone(SetDone(m_db, m_run.UserId, id));
}

NextAlert RingActions::nextAlert(const RingMemo& memo, const QDateTime& now)
{
    // The memo rings because its moment has come: stopped in that very second, the moment counts
    // as passed and a repeating memo moves on instead of being switched off.
    const QDateTime passed = now.addSecs(1);
    NextAlert next;
    next.lunar = memo.lunar;
    next.moment = memo.moment;
    next.repeatCode = memo.repeatCode;
    next.alertOn = memo.alertOn;
    QDateTime solar;
    if (memo.lunar) {
        const auto moment = LunarMoment::fromText(memo.moment);
        if (moment) {
            const AlertRoll roll =
                RollAlertForward(memo.repeatCode, *moment, memo.alertOn, passed, fromDbText(memo.momentHint));
            next.repeatCode = roll.repeatCode;
            next.alertOn = roll.alertOn;
            if (roll.lunarTime)
                next.moment = roll.lunarTime->storageText();
            solar = roll.solarTime;
        }
    } else {
        const AlertRoll roll =
            RollAlertForward(memo.repeatCode, fromDbText(memo.moment), memo.alertOn, passed);
        next.repeatCode = roll.repeatCode;
        next.alertOn = roll.alertOn;
        solar = roll.solarTime;
        if (solar.isValid())
            next.moment = toDbText(solar);
    }
    next.mailTime = solar.isValid() ? toDbText(solar) : QString();
    // Nothing else would stop it ringing: an unknown code, a moment the calendar cannot place.
    const bool stillDue = !solar.isValid() || solar <= now;
    if (next.alertOn && stillDue && !isSignInCode(next.repeatCode))
        next.alertOn = false;
    return next;
}

RingOutcome RingActions::stopRinging(MemoId id, const QDateTime& now)
{
    const RingMemoRead read = readRingMemo(m_db, m_run.UserId, id);
    if (const auto stop = goneOrUnreadable(read))
        return *stop;
    const StoreResult stored = storeNextAlert(m_db, m_run.UserId, id, nextAlert(*read.value, now));
    // A sign-in memo stays quiet for the rest of the run only once its change is stored.
    if (stored && isSignInCode(read.value->repeatCode))
        m_loginRingFlag = true;
    return {stored, stored.rowsAffected > 0 ? Effect::Changed : Effect::Unchanged};
}

RingOutcome RingActions::snooze(MemoId id, const QDateTime& now)
{
    const RingMemoRead read = readRingMemo(m_db, m_run.UserId, id);
    if (const auto stop = goneOrUnreadable(read))
        return *stop;
    const QDateTime until = now.addSecs(kSnoozeMinutes * 60);
    QString lunar;
    if (read.value->lunar) {
        const auto moment = LunarMoment::fromSolar(until);
        if (!moment)
            return {StoreResult::failure(QStringLiteral("稍后提醒的时间超出农历范围")), Effect::Gone};
        lunar = moment->storageText();
    }
    return changedOrGone(storeSnooze(m_db, m_run.UserId, id, read.value->lunar, toDbText(until), lunar));
}

} // namespace velmo
