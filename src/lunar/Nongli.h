#pragma once

// The Chinese text of a lunar date: year names of the sixty-year cycle with their zodiac animal, month
// and day names, and the output kinds the windows show.

#include "lunar/LunarCalendar.h"

#include <QDateTime>
#include <QString>

namespace velmo {

// The output kinds of GetNongli, with an example for 2020-05-23 08:05:09 (the first day of the leap
// fourth month).
enum class NongliKind
{
    Moment = 1,     // "2020-4-1 8:5:9"  (LunarText; a leap month shows its plain number)
    Full = 2,       // "庚子年(鼠) 2020年闰四月初一"
    DayName = 3,    // "初一"
    MonthDay = 4,   // "闰四月初一"      (LunarMonthDayText)
    Date = 5,       // "2020-4-1"
    SameAsDate = 6, // the same as Date
};

// The lunar date of a moment as text of the given kind (1 to 6, see NongliKind); empty text for any
// other kind and for a moment outside the calendar's days, whose lunar date is unknown.
QString GetNongli(const QDateTime& moment, int kind);

// Kind 1, the lunar "now" as text. To compare moments use LunarMoment, never this text read back.
QString LunarText(const QDateTime& moment);
// Kind 4, the month and day name of the status bar ("十月初八").
QString LunarMonthDayText(const QDateTime& moment);

// "庚子年(鼠)": the cycle name of a lunar year with its zodiac animal.
QString lunarYearName(int year);
// "闰四月初一", "腊月三十": the month name, "月" and the day name; empty for a month or day out of range.
QString lunarMonthDayName(const LunarDate& date);
// "正" … "十一", "腊" for months 1 to 12; empty otherwise.
QString lunarMonthName(int month);
// "初一" … "三十" for days 1 to 30; empty otherwise.
QString lunarDayName(int day);

} // namespace velmo
