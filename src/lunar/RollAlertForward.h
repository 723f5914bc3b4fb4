#pragma once

// The roll-forward of a reminder time that has passed when a memo is saved or acknowledged: the next
// occurrence by the memo's repeat rule, or a one-time reminder switched off.

#include "lunar/LunarMoment.h"
#include "lunar/RepeatRule.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace velmo {

// The reminder fields after the roll-forward, and what it did.
struct AlertRoll
{
    QString repeatCode;
    bool alertOn = false;
    // Solar path: the reminder moment. Lunar path: the solar moment the lunar reminder moment falls on
    // (invalid when it lies outside the calendar), to be stored as its hint (mailTime). Never a moment
    // inside a daylight-saving gap: such a result is the first moment after the gap.
    QDateTime solarTime;
    // Lunar path only: the reminder moment in lunar numbers, a leap month written with its plain number.
    std::optional<LunarMoment> lunarTime;
    // A one-time reminder ("1") whose moment had passed: switched off and its code made "N"; the
    // user is to be told that it will not ring.
    bool missedOnce = false;
    // The time, the code or the flag differs from what was given.
    bool changed = false;
    // Lunar path: the lunar "now", or the moment reached, lies outside the calendar; nothing changed.
    bool outsideCalendar = false;
};

// The solar path. Nothing changes unless alertTime lies before now (to the second). Then:
//  - "1": the code becomes "N", the reminder is switched off, and missedOnce is set;
//  - "N": the reminder is switched off;
//  - "1tian", "1zhou", the minute and hour codes: the first alertTime + k steps after now;
//  - "1yue", "3yue", "6yue", "1nian": the first alertTime + k months (years) after now, the day kept
//    or, where the month is shorter, its last day (31 January: 28/29 February, then 31 March);
//  - "denglu": today at now's hour with alertTime's minute and second, even when that has passed;
//  - any other code: nothing.
AlertRoll RollAlertForward(const QString& repeatCode, const QDateTime& alertTime, bool alertOn,
                           const QDateTime& now);

// The lunar path: alertTime is in lunar numbers (no leap flag); solarHint is the solar moment stored
// beside it (the memo's mailTime), which says whether the numbers mean a leap month (see
// LunarMoment::solarMoment). The moment has passed when the solar moment it means lies before now.
// The codes act as on the solar path, except:
//  - days, weeks, hours and minutes step through that solar moment, so leap months and real month
//    lengths count as they are;
//  - months and years step over the twelve ordinary months of a lunar year from alertTime, the day kept
//    or cut to that month's real length (29 or 30); leap months are skipped.
// Whoever stores lunarTime stores solarTime beside it as the new hint: a moment in a leap month is
// told from the ordinary month of its number only by it.
AlertRoll RollAlertForward(const QString& repeatCode, const LunarMoment& alertTime, bool alertOn,
                           const QDateTime& now, const QDateTime& solarHint = {});

} // namespace velmo
