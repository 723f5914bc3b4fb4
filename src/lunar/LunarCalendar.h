#pragma once

// The Chinese lunar calendar from lunar New Year 1921 (1921-02-08) to the end of lunar year 2050
// (2051-02-10): typed conversions between solar dates and lunar dates, each a table lookup.

#include <QDate>

#include <optional>

namespace velmo {

// A day of the lunar calendar. A leap month carries the number of the ordinary month it follows.
struct LunarDate
{
    int year = 0;
    int month = 0; // 1 to 12
    int day = 0;   // 1 to 30
    bool leap = false;

    friend bool operator==(const LunarDate&, const LunarDate&) = default;
};

class LunarCalendar
{
public:
    static constexpr int kFirstYear = 1921;
    static constexpr int kLastYear = 2050;

    // The first and the last solar day the calendar covers.
    static QDate firstDay();
    static QDate lastDay();

    // The lunar date of a solar date; nothing outside firstDay()..lastDay().
    static std::optional<LunarDate> fromSolar(QDate date);

    // The solar date of a lunar date. A leap month asked for in a year that has none, or of another
    // number, gives the ordinary month; a day past the month's end runs on into the following days.
    // Nothing for a year outside kFirstYear..kLastYear, a month outside 1..12 or a day outside 1..30.
    static std::optional<QDate> toSolar(const LunarDate& date);

    // The number of the year's leap month, 0 when it has none or the year is not covered.
    static int leapMonth(int year);

    // The number of days of a month (29 or 30); nothing for a month the calendar does not hold.
    static std::optional<int> monthLength(int year, int month, bool leap = false);
};

} // namespace velmo
