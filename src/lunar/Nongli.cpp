#include "lunar/Nongli.h"

#include "lunar/LunarInternal.h"
#include "lunar/LunarMoment.h"

#include <array>

namespace velmo {
namespace {

constexpr std::array<char16_t, 10> kHeavenlyStems = {u'甲', u'乙', u'丙', u'丁', u'戊',
                                                     u'己', u'庚', u'辛', u'壬', u'癸'};
constexpr std::array<char16_t, 12> kEarthlyBranches = {u'子', u'丑', u'寅', u'卯', u'辰', u'巳',
                                                       u'午', u'未', u'申', u'酉', u'戌', u'亥'};
constexpr std::array<char16_t, 12> kZodiacAnimals = {u'鼠', u'牛', u'虎', u'兔', u'龙', u'蛇',
                                                     u'马', u'羊', u'猴', u'鸡', u'狗', u'猪'};
constexpr std::array<const char16_t*, 13> kMonthNames = {u"",   u"正", u"二", u"三", u"四",   u"五", u"六",
                                                         u"七", u"八", u"九", u"十", u"十一", u"腊"};
constexpr std::array<char16_t, 10> kDigitNames = {u'十', u'一', u'二', u'三', u'四',
                                                  u'五', u'六', u'七', u'八', u'九'};

QString textOfKind(const LunarDate& date, QTime time, int kind)
{
    QString text;
    switch (kind) {
    case 1:
        return LunarMoment::of(date, time).text();
    case 2:
        text = lunarYearName(date.year) + QLatin1Char(' ');
        lunarinternal::appendNumber(text, date.year);
        text.append(QChar(u'年'));
        return text + lunarMonthDayName(date);
    case 3:
        return lunarDayName(date.day);
    case 4:
        return lunarMonthDayName(date);
    case 5:
    case 6:
        lunarinternal::appendDateNumbers(text, date.year, date.month, date.day);
        return text;
    default:
        return text;
    }
}

} // namespace

QString GetNongli(const QDateTime& moment, int kind)
{
    if (kind < 1 || kind > 6 || !moment.isValid())
        return {};
    const auto date = LunarCalendar::fromSolar(moment.date());
    if (!date)
        return {};
    return textOfKind(*date, moment.time(), kind);
}

QString LunarText(const QDateTime& moment)
{
    return GetNongli(moment, static_cast<int>(NongliKind::Moment));
}

QString LunarMonthDayText(const QDateTime& moment)
{
    return GetNongli(moment, static_cast<int>(NongliKind::MonthDay));
}

QString lunarYearName(int year)
{
    const int cycle = ((year - 4) % 60 + 60) % 60;
    QString text;
    text.reserve(6);
    text.append(QChar(kHeavenlyStems[cycle % 10]));
    text.append(QChar(kEarthlyBranches[cycle % 12]));
    text.append(QChar(u'年'));
    text.append(QLatin1Char('('));
    text.append(QChar(kZodiacAnimals[cycle % 12]));
    text.append(QLatin1Char(')'));
    return text;
}

QString lunarMonthName(int month)
{
    if (month < 1 || month > 12)
        return {};
    return QString::fromUtf16(kMonthNames[month]);
}

QString lunarDayName(int day)
{
    if (day < 1 || day > 30)
        return {};
    QString text;
    if (day == 10)
        return QStringLiteral("初十");
    if (day == 20)
        return QStringLiteral("二十");
    if (day == 30)
        return QStringLiteral("三十");
    static constexpr std::array<char16_t, 3> kTens = {u'初', u'十', u'廿'};
    text.append(QChar(kTens[day / 10]));
    text.append(QChar(kDigitNames[day % 10]));
    return text;
}

QString lunarMonthDayName(const LunarDate& date)
{
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 30)
        return {};
    QString text;
    if (date.leap)
        text.append(QChar(u'闰'));
    text += lunarMonthName(date.month);
    text.append(QChar(u'月'));
    return text + lunarDayName(date.day);
}

} // namespace velmo
