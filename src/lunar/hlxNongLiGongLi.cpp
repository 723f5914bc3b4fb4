#include "lunar/hlxNongLiGongLi.h"

#include "lunar/LunarInternal.h"
#include "lunar/Nongli.h"

#include <array>

namespace velmo {
namespace {

constexpr std::array<int, 13> kSolarMonthDays = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

QString dateText(int year, int month, int day)
{
    return QStringLiteral("%1-%2-%3").arg(year).arg(month).arg(day);
}

QDate converterFirstDay()
{
    return QDate(1950, 2, 17);
}

} // namespace

std::optional<LunarDate> hlxNongLiGongLi::gongToNong(QDate date)
{
    if (!date.isValid() || date < converterFirstDay())
        return std::nullopt;
    return LunarCalendar::fromSolar(date);
}

std::optional<QDate> hlxNongLiGongLi::nongToGong(const LunarDate& date)
{
    if (date.year < kFirstYear || date.year > kLastYear)
        return std::nullopt;
    return lunarinternal::solarDayRunningOn(date);
}

int hlxNongLiGongLi::GongliMonth(int y, int m)
{
    if (m < 1 || m > 12)
        return 0;
    const bool leapYear = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (m == 2 && leapYear)
        return 29;
    return kSolarMonthDays[m];
}

QString hlxNongLiGongLi::NongliMonth(int m)
{
    if (m == 12)
        return QStringLiteral("十二");
    const QString name = lunarMonthName(m);
    return name.isEmpty() ? QString::number(m) : name;
}

QString hlxNongLiGongLi::NongliDay(int d)
{
    const QString name = lunarDayName(d);
    return name.isEmpty() ? QString::number(d) : name;
}

QString hlxNongLiGongLi::GongToNong(QDate Gdate)
{
    const auto lunar = gongToNong(Gdate);
    if (!lunar)
        return badDateText();
    return dateText(lunar->year, lunar->month, lunar->day) + QLatin1Char(' ') +
           (lunar->leap ? QStringLiteral("闰") : QString());
}

QString hlxNongLiGongLi::GongToNong(const QString& Gdate)
{
    const auto n = lunarinternal::readDateTimeNumbers(Gdate);
    if (!n)
        return badDateText();
    return GongToNong(QDate((*n)[0], (*n)[1], (*n)[2]));
}

QString hlxNongLiGongLi::NongToGong(const QString& Ndate, QString& nType)
{
    const bool leapAsked = nType == QLatin1String("1") || nType == QStringLiteral("闰");
    nType = leapAsked ? QStringLiteral("闰") : QString();
    const auto n = lunarinternal::readDateTimeNumbers(Ndate);
    if (!n || (*n)[3] != 0 || (*n)[4] != 0 || (*n)[5] != 0)
        return badDateText();
    const int year = (*n)[0];
    const int month = (*n)[1];
    const int day = (*n)[2];
    // The numbers must name a solar date, except that the lunar 29th and 30th of the second month are
    // also accepted.
    const bool secondMonthEnd = month == 2 && (day == 29 || day == 30);
    if (!QDate(year, month, day).isValid() && !secondMonthEnd)
        return badDateText();
    const auto solar = nongToGong(LunarDate{year, month, day, leapAsked});
    if (!solar)
        return badDateText();
    return dateText(solar->year(), solar->month(), solar->day());
}

} // namespace velmo
