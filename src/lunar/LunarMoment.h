#pragma once

// A moment in lunar numbers: lunar year, month and day with a time of day, as memos store their lunar
// reminder time and as the lunar "now" is shown. A leap month is written with the number of its
// ordinary month, so two moments compare field by field: year, month, day, hour, minute, second.

#include "lunar/LunarCalendar.h"

#include <QDateTime>
#include <QString>

#include <compare>
#include <optional>

namespace velmo {

struct LunarMoment
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // The lunar "now" of a solar moment (to the whole second); nothing outside the calendar's days.
    static std::optional<LunarMoment> fromSolar(const QDateTime& moment);
    // A stored lunar reminder time: a date-time whose year, month and day are lunar numbers.
    static std::optional<LunarMoment> fromStored(const QDateTime& lunarNumbers);
    // Reads "year-month-day hour:minute:second" (or the date alone), with or without leading zeros,
    // "-" or "/" between the date's numbers; accepts every day up to the 31st of any month.
    static std::optional<LunarMoment> fromText(QStringView text);

    static LunarMoment of(const LunarDate& date, QTime time);

    bool isValid() const;
    QTime time() const { return QTime(hour, minute, second); }
    // The day with the given leap flag (the moment itself does not know whether it is in a leap month).
    LunarDate date(bool leap = false) const { return LunarDate{year, month, day, leap}; }

    // "2020-4-1 8:5:9": numbers without leading zeros, as the lunar date text of kind 1 shows it.
    QString text() const;
    // "2020-04-01 08:05:09", the stored form of a date-time; also for lunar days that no solar month
    // has (the 30th of the second month).
    QString storageText() const;
    // The same numbers as a date-time; invalid when they name no solar date (the 30th of the second month).
    QDateTime toDateTime() const;

    // The solar moment this moment falls on, seen from the solar moment `now`. A day past the month's
    // end runs on into the following days.
    //
    // Which month of a number that has a leap month: the stored numbers carry no leap flag, so every
    // writer of a lunar moment stores beside it the solar moment of the occurrence it means (a memo's
    // `mailTime` beside its reminder time, the solar snooze column beside the lunar snooze). Every
    // reader passes that solar hint: the moment is in the leap month when the hint falls on the
    // leap-month day of these numbers, and in the ordinary month when it falls on the ordinary one.
    // Without a hint on either day: within the lunar year and month that now lies in, the month is
    // now's own (a leap month while now is in one); elsewhere the ordinary month.
    std::optional<QDateTime> solarMoment(const QDateTime& now, const QDateTime& solarHint = {}) const;
    // Whether the month these numbers mean, seen from now (see solarMoment), has their day: false
    // for a 30th of a month of 29 days, which would run on into the next month, and outside the
    // calendar.
    bool isRealDay(const QDateTime& now, const QDateTime& solarHint = {}) const;
    // Whole days from now's solar date to the solar date of solarMoment(now): 0 on the same day,
    // negative when the day has passed. Nothing when either lies outside the calendar.
    std::optional<qint64> daysFrom(const QDateTime& now, const QDateTime& solarHint = {}) const;
    // The same from the solar date `today`; builds no date-time, so it needs no time zone lookup.
    std::optional<qint64> daysFrom(QDate today, const QDateTime& solarHint = {}) const;

    friend auto operator<=>(const LunarMoment&, const LunarMoment&) = default;
};

} // namespace velmo
