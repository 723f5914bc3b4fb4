#pragma once

// The solar and lunar date converter of the memo saves, for lunar years 1950 to 2050: typed
// conversions, and the text forms the saves and the conflict windows exchange.

#include "lunar/LunarCalendar.h"

#include <QString>

#include <optional>

namespace velmo {

class hlxNongLiGongLi
{
public:
    static constexpr int kFirstYear = 1950;
    static constexpr int kLastYear = 2050;

    // The text forms give this for a date they cannot convert. It is never a result: callers check
    // for it (or use the typed calls) and refuse to store it.
    static QString badDateText() { return QStringLiteral("1900-1-1"); }

    // The lunar date of a solar date from 1950-02-17 (lunar New Year 1950) to 2051-02-10.
    static std::optional<LunarDate> gongToNong(QDate date);
    // The solar date of a lunar date of the years 1950 to 2050; a leap month asked for where the year
    // has none gives the ordinary month, and a day past the month's end runs on (up to day 31).
    static std::optional<QDate> nongToGong(const LunarDate& date);

    // Days of solar month m (1 to 12) of year y; 0 for any other month.
    static int GongliMonth(int y, int m);
    // "正" … "十二" for m from 1 to 12; any other m as its number.
    static QString NongliMonth(int m);
    // "初一" … "三十" for d from 1 to 30; any other d as its number.
    static QString NongliDay(int d);

    // "1952-5-1 闰" for a leap month, "1952-5-29 " otherwise; badDateText() when Gdate is no date or
    // outside the range.
    static QString GongToNong(QDate Gdate);
    static QString GongToNong(const QString& Gdate);

    // The solar date "2020-5-23" of the lunar date "2020-4-1". nType "1" or "闰" asks for the leap
    // month and is set to "闰"; anything else asks for the ordinary month and is set to empty text.
    // The lunar 29th and 30th of the second month are accepted although no solar date reads so.
    // badDateText() for any other text that is no date and for years outside 1950 to 2050.
    static QString NongToGong(const QString& Ndate, QString& nType);
};

} // namespace velmo
