#pragma once

// Helpers shared by the lunar text forms: reading and writing date-time numbers, and solar days of
// lunar days that run past their month's end.

#include "lunar/LunarCalendar.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace velmo::lunarinternal {

// Year, month, day, hour, minute, second; the time is 0:0:0 when the text holds the date alone.
using DateTimeNumbers = std::array<int, 6>;

// Reads "y-m-d", "y-m-d h:m:s" or "y-m-d h:m" ("/" may stand for "-"), numbers with or without leading
// zeros, blanks around the whole allowed. Nothing for any other shape; the numbers are not range-checked.
std::optional<DateTimeNumbers> readDateTimeNumbers(QStringView text);

// The solar date of a lunar day; days 1 to 31 of any month are accepted, a day past the month's end
// runs on into the following days.
std::optional<QDate> solarDayRunningOn(const LunarDate& date);

// Appends a non-negative number in plain decimal, without leading zeros.
void appendNumber(QString& text, int value);
// Appends "year-month-day" in such numbers.
void appendDateNumbers(QString& text, int year, int month, int day);

} // namespace velmo::lunarinternal
