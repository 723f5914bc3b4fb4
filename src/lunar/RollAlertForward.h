#pragma once

// The roll-forward of a reminder time that has passed when a memo is saved or acknowledged: the next
// occurrence by the memo's repeat code, or a one-time reminder switched off with a notice.

#include "lunar/LunarMoment.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace velmo {

// Which editor saves: the two write the current solar moment differently in the notice.
enum class NoticeWindow
{
    AddWindow,
    EditWindow
};

// The reminder fields after the roll-forward, and what to tell the user.
struct AlertRoll
{
    QString repeatCode;
    bool alertOn = false;
    // Solar path: the reminder moment. Lunar path: the solar moment the lunar reminder moment falls on
    // (invalid when it lies outside the calendar).
    QDateTime solarTime;
    // Lunar path only: the reminder moment in lunar numbers, a leap month written with its plain number.
    std::optional<LunarMoment> lunarTime;
    // Shown to the user after the save when not empty.
    QString notice;
    // The time, the code or the flag differs from what was given.
    bool changed = false;
    // Lunar path: the lunar "now", or the moment reached, lies outside the calendar; nothing changed.
    bool outsideCalendar = false;
};

// The solar path. Nothing changes unless alertTime lies before now (to the second). Then:
//  - "1": the code becomes "N", the reminder is switched off, and the notice says why;
//  - "N": the reminder is switched off;
//  - "1tian", "1zhou", the minute and hour codes: the first alertTime + k steps after now;
//  - "1yue", "3yue", "6yue", "1nian": the first alertTime + k months (years) after now, the day kept
//    or, where the month is shorter, its last day (31 January: 28/29 February, then 31 March);
//  - "denglu": today at now's hour with alertTime's minute and second, even when that has passed;
//  - any other code: nothing.
AlertRoll RollAlertForward(const QString& repeatCode, const QDateTime& alertTime, bool alertOn,
                           const QDateTime& now, NoticeWindow window);

// The lunar path: alertTime is in lunar numbers (no leap flag) and compared field by field with the
// lunar "now" of now. The codes act as on the solar path, except:
//  - days, weeks, hours and minutes step through the solar moment alertTime falls on (see
//    LunarMoment::solarMoment), so leap months and real month lengths count as they are; a lunar day
//    past its month's end that runs on to a moment still ahead gives that moment itself;
//  - months and years step over the twelve ordinary months of a lunar year from alertTime, the day kept
//    or cut to that month's real length (29 or 30). Leap months are skipped: stored without its leap
//    flag, a moment in the leap month would read as the ordinary month of that number, already past.
//
// Trap for the due scan: days, hours and minutes can land in a leap month (2023-03-22 is leap 2-1, the
// day after the ordinary 2-30). Stored as "2-1", that moment compares as earlier than the lunar now
// "2-30" and is due at once; rolled again it gives leap 2-1 again, so the reminder rings on every scan
// until the leap month begins. Judge such a memo by solarTime (the memo's stored solar date), not by
// its lunar numbers.
AlertRoll RollAlertForward(const QString& repeatCode, const LunarMoment& alertTime, bool alertOn,
                           const QDateTime& now);

} // namespace velmo
