#include "lunar/LunarCalendar.h"

#include "lunar/LunarTables.h"

#include <array>
#include <cstdint>

namespace velmo {
namespace {

constexpr int kYearCount = LunarCalendar::kLastYear - LunarCalendar::kFirstYear + 1;
constexpr int kMaxMonths = kYearCount * 13;
// Days are grouped in blocks of 32: a block meets at most two month starts, as no month is shorter
// than 29 days, so the month of a day is found at most two steps after the block's first month.
constexpr int kBlockShift = 5;
constexpr int kMaxBlocks = kYearCount * 385 / 32 + 1;

// Julian day number of a Gregorian date.
constexpr std::int64_t julianDay(int y, int m, int d)
{
    const int a = (14 - m) / 12;
    const std::int64_t yy = y + 4800 - a;
    const int mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

constexpr std::int64_t kEpochJulianDay = julianDay(1921, 2, 8); // lunar New Year 1921

struct MonthEntry
{
    std::int32_t start = 0; // days after the epoch
    std::int16_t year = 0;
    std::int8_t month = 0;
    bool leap = false;
};

struct Engine
{
    std::array<MonthEntry, kMaxMonths + 1> months{}; // ends with a sentinel that starts after the last day
    int monthCount = 0;
    int dayCount = 0;
    std::array<std::int16_t, kYearCount + 1> firstMonth{};
    std::array<std::int8_t, kYearCount> leapMonth{};
    std::array<std::int16_t, kMaxBlocks> blockMonth{};
};

struct YearMonths
{
    std::array<int, 13> lengths{};
    int count = 0;
    int leapMonth = 0;
};

constexpr YearMonths monthsFromYearCode(std::uint32_t code)
{
    YearMonths y;
    y.count = code < 4095 ? 12 : 13;
    y.leapMonth = y.count == 13 ? static_cast<int>(code / 65536) : 0;
    for (int i = 0; i < y.count; ++i)
        y.lengths[i] = 29 + static_cast<int>((code >> (y.count - 1 - i)) & 1u);
    return y;
}

constexpr YearMonths monthsFromConverterRow(const lunartables::ConverterRow& row)
{
    YearMonths y;
    for (int m = 1; m <= 12; ++m) {
        if (row.fieldCount == 14 && row.fields[m] > 30) {
            y.leapMonth = m;
            y.lengths[y.count++] = row.fields[13];
            y.lengths[y.count++] = row.fields[m] - row.fields[13];
        } else {
            y.lengths[y.count++] = row.fields[m];
        }
    }
    return y;
}

constexpr YearMonths monthsOfYear(int year)
{
    // The year codes end with 2020; the converter rows carry on to 2050.
    if (year < lunartables::kConverterFirstYear)
        return monthsFromYearCode(lunartables::kYearCodes[year - lunartables::kYearCodeFirstYear]);
    return monthsFromConverterRow(lunartables::kConverterRows[year - lunartables::kConverterFirstYear]);
}

constexpr Engine buildEngine()
{
    Engine e;
    int day = 0;
    for (int yi = 0; yi < kYearCount; ++yi) {
        const int year = LunarCalendar::kFirstYear + yi;
        const YearMonths y = monthsOfYear(year);
        e.firstMonth[yi] = static_cast<std::int16_t>(e.monthCount);
        e.leapMonth[yi] = static_cast<std::int8_t>(y.leapMonth);
        for (int p = 0; p < y.count; ++p) {
            MonthEntry& m = e.months[e.monthCount++];
            m.start = day;
            m.year = static_cast<std::int16_t>(year);
            const bool afterLeap = y.leapMonth != 0 && p > y.leapMonth;
            m.leap = y.leapMonth != 0 && p == y.leapMonth;
            m.month = static_cast<std::int8_t>(afterLeap || m.leap ? p : p + 1);
            day += y.lengths[p];
        }
    }
    e.firstMonth[kYearCount] = static_cast<std::int16_t>(e.monthCount);
    e.months[e.monthCount].start = day;
    e.dayCount = day;
    int month = 0;
    for (int block = 0; (block << kBlockShift) < day; ++block) {
        while (e.months[month + 1].start <= (block << kBlockShift))
            ++month;
        e.blockMonth[block] = static_cast<std::int16_t>(month);
    }
    return e;
}

constexpr Engine kEngine = buildEngine();

static_assert(kEngine.dayCount == julianDay(2051, 2, 11) - kEpochJulianDay,
              "the tables must end on the last day of lunar year 2050");

int monthPosition(int year, int month, bool leap)
{
    const int yi = year - LunarCalendar::kFirstYear;
    const int leapMonth = kEngine.leapMonth[yi];
    const bool shifted = leapMonth != 0 && (month > leapMonth || (month == leapMonth && leap));
    return kEngine.firstMonth[yi] + month - 1 + (shifted ? 1 : 0);
}

bool coversMonth(int year, int month)
{
    return year >= LunarCalendar::kFirstYear && year <= LunarCalendar::kLastYear && month >= 1 && month <= 12;
}

} // namespace

QDate LunarCalendar::firstDay()
{
    return QDate::fromJulianDay(kEpochJulianDay);
}

QDate LunarCalendar::lastDay()
{
    return QDate::fromJulianDay(kEpochJulianDay + kEngine.dayCount - 1);
}

std::optional<LunarDate> LunarCalendar::fromSolar(QDate date)
{
    if (!date.isValid())
        return std::nullopt;
    const std::int64_t offset = date.toJulianDay() - kEpochJulianDay;
    if (offset < 0 || offset >= kEngine.dayCount)
        return std::nullopt;
    const auto day = static_cast<std::int32_t>(offset);
    int i = kEngine.blockMonth[day >> kBlockShift];
    while (kEngine.months[i + 1].start <= day)
        ++i;
    const MonthEntry& m = kEngine.months[i];
    return LunarDate{m.year, m.month, day - m.start + 1, m.leap};
}

std::optional<QDate> LunarCalendar::toSolar(const LunarDate& date)
{
    if (!coversMonth(date.year, date.month) || date.day < 1 || date.day > 30)
        return std::nullopt;
    const int position = monthPosition(date.year, date.month, date.leap);
    return QDate::fromJulianDay(kEpochJulianDay + kEngine.months[position].start + date.day - 1);
}

int LunarCalendar::leapMonth(int year)
{
    if (year < kFirstYear || year > kLastYear)
        return 0;
    return kEngine.leapMonth[year - kFirstYear];
}

std::optional<int> LunarCalendar::monthLength(int year, int month, bool leap)
{
    if (!coversMonth(year, month) || (leap && leapMonth(year) != month))
        return std::nullopt;
    const int position = monthPosition(year, month, leap);
    return kEngine.months[position + 1].start - kEngine.months[position].start;
}

} // namespace velmo
