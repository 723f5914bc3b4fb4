#include "lunar/LunarMoment.h"

#include "lunar/LunarInternal.h"

namespace velmo {

std::optional<LunarMoment> LunarMoment::fromSolar(const QDateTime& moment)
{
    if (!moment.isValid())
        return std::nullopt;
    const auto date = LunarCalendar::fromSolar(moment.date());
    if (!date)
        return std::nullopt;
    return of(*date, moment.time());
}

std::optional<LunarMoment> LunarMoment::fromStored(const QDateTime& lunarNumbers)
{
    if (!lunarNumbers.isValid())
        return std::nullopt;
    const QDate d = lunarNumbers.date();
    return of(LunarDate{d.year(), d.month(), d.day(), false}, lunarNumbers.time());
}

std::optional<LunarMoment> LunarMoment::fromText(QStringView text)
{
    const auto n = lunarinternal::readDateTimeNumbers(text);
    if (!n)
        return std::nullopt;
    const LunarMoment m{(*n)[0], (*n)[1], (*n)[2], (*n)[3], (*n)[4], (*n)[5]};
    if (!m.isValid())
        return std::nullopt;
    return m;
}

LunarMoment LunarMoment::of(const LunarDate& date, QTime time)
{
    return LunarMoment{date.year, date.month, date.day, time.hour(), time.minute(), time.second()};
}

bool LunarMoment::isValid() const
{
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
           QTime::isValid(hour, minute, second);
}

QString LunarMoment::text() const
{
    QString text;
    text.reserve(20);
    lunarinternal::appendDateNumbers(text, year, month, day);
    text.append(QLatin1Char(' '));
    lunarinternal::appendNumber(text, hour);
    text.append(QLatin1Char(':'));
    lunarinternal::appendNumber(text, minute);
    text.append(QLatin1Char(':'));
    lunarinternal::appendNumber(text, second);
    return text;
}

QString LunarMoment::storageText() const
{
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(second, 2, 10, QLatin1Char('0'));
}

QDateTime LunarMoment::toDateTime() const
{
    const QDate d(year, month, day);
    if (!d.isValid() || !QTime::isValid(hour, minute, second))
        return {};
    return QDateTime(d, time());
}

namespace {

// Whether the solar hint places the moment in the leap month of its number: nothing when the hint
// falls on neither the leap nor the ordinary day of these numbers.
std::optional<bool> leapByHint(const LunarMoment& moment, const QDateTime& solarHint)
{
    if (LunarCalendar::leapMonth(moment.year) != moment.month)
        return false;
    if (!solarHint.isValid())
        return std::nullopt;
    const QDate hinted = solarHint.date();
    if (lunarinternal::solarDayRunningOn(moment.date(true)) == hinted)
        return true;
    if (lunarinternal::solarDayRunningOn(moment.date(false)) == hinted)
        return false;
    return std::nullopt;
}

// The solar day of a moment seen from the solar date `today` (see LunarMoment::solarMoment).
std::optional<QDate> solarDaySeenFrom(const LunarMoment& moment, QDate today, const QDateTime& solarHint)
{
    if (!moment.isValid())
        return std::nullopt;
    const auto lunarToday = LunarCalendar::fromSolar(today);
    if (!lunarToday)
        return std::nullopt;
    if (const auto leap = leapByHint(moment, solarHint))
        return lunarinternal::solarDayRunningOn(moment.date(*leap));
    const bool inTodaysMonth = moment.year == lunarToday->year && moment.month == lunarToday->month;
    return lunarinternal::solarDayRunningOn(moment.date(inTodaysMonth && lunarToday->leap));
}

} // namespace

std::optional<QDateTime> LunarMoment::solarMoment(const QDateTime& now, const QDateTime& solarHint) const
{
    if (!now.isValid())
        return std::nullopt;
    const auto solar = solarDaySeenFrom(*this, now.date(), solarHint);
    if (!solar)
        return std::nullopt;
    return QDateTime(*solar, time());
}

bool LunarMoment::isRealDay(const QDateTime& now, const QDateTime& solarHint) const
{
    const auto solar = solarMoment(now, solarHint);
    const auto back = solar ? LunarCalendar::fromSolar(solar->date()) : std::nullopt;
    return back && back->year == year && back->month == month && back->day == day;
}

std::optional<qint64> LunarMoment::daysFrom(const QDateTime& now, const QDateTime& solarHint) const
{
    if (!now.isValid())
        return std::nullopt;
    return daysFrom(now.date(), solarHint);
}

std::optional<qint64> LunarMoment::daysFrom(QDate today, const QDateTime& solarHint) const
{
    const auto solar = solarDaySeenFrom(*this, today, solarHint);
    if (!solar)
        return std::nullopt;
    return today.daysTo(*solar);
}

} // namespace velmo
