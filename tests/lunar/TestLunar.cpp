#include "TestMain.h"

#include "lunar/Lunar.h"
#include "lunar/LunarMoment.h"
#include "lunar/LunarTables.h"
#include "lunar/RollAlertForward.h"

#include <ctime>
#include <memory>
#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

using namespace velmo;

namespace {

// A local date-time to the second.
QDateTime at(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm, ss));
}

QDateTime at(QDate day, int hh, int mm = 0)
{
    return QDateTime(day, QTime(hh, mm));
}

LunarMoment lunar(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return LunarMoment{y, m, d, hh, mm, ss};
}

// A lunar date as "year-month-day@solar day", "L" before a leap month.
QString monthStart(const LunarDate& d, QDate solar)
{
    const QString month = (d.leap ? "L" : "") + QString::number(d.month);
    return QStringLiteral("%1-%2-%3@").arg(d.year).arg(month).arg(d.day) + solar.toString(Qt::ISODate);
}

const lunartables::ConverterRow& rowOf(int year)
{
    return lunartables::kConverterRows[year - lunartables::kConverterFirstYear];
}

// The solar date of a lunar date by summing a converter row's fields from 1 January.
QDate sumConverterRow(const LunarDate& d)
{
    const auto& f = rowOf(d.year).fields;
    int day = d.day + f[0];
    for (int m = 1; m < d.month; ++m)
        day += f[m];
    if (d.leap && f[d.month] > 30)
        day += f[13];
    return QDate(d.year, 1, 1).addDays(day - 1);
}

// ICU's Chinese calendar, the independent reference.
struct IcuChineseCalendar
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> chinese{icu::Calendar::createInstance(
        icu::TimeZone::getGMT()->clone(), icu::Locale("zh_CN@calendar=chinese"), status)};
    icu::GregorianCalendar gregorian{icu::TimeZone::getGMT()->clone(), status};

    // At noon of the calendar's zone, so that the day is the solar date itself.
    std::optional<LunarDate> lunarDate(QDate date)
    {
        gregorian.clear();
        gregorian.set(date.year(), date.month() - 1, date.day(), 12, 0, 0);
        chinese->setTime(gregorian.getTime(status), status);
        // ICU counts extended years from 2637 BC.
        const LunarDate d{chinese->get(UCAL_EXTENDED_YEAR, status) - 2637,
                          chinese->get(UCAL_MONTH, status) + 1, chinese->get(UCAL_DATE, status),
                          chinese->get(UCAL_IS_LEAP_MONTH, status) != 0};
        return U_SUCCESS(status) ? std::optional(d) : std::nullopt;
    }
};

} // namespace

Q_DECLARE_METATYPE(LunarMoment)

// Every day of the calendar, through both directions and against independent references.

// The lunar calendar: every day of it in both directions and against independent references, the
// date texts, the converter's text forms and the tables behind them, the lunar "now" and the stored
// lunar reminder times it is compared with, and reminder times rolled forward on both calendars.
class TestLunar : public QObject
{
    Q_OBJECT

private slots:
    void nongliKinds_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        const QDateTime leapStart = at(2020, 5, 23, 8, 5, 9);
        QTest::newRow("leap month, kind 1") << leapStart << 1 << "2020-4-1 8:5:9";
        QTest::newRow("leap month, kind 2") << leapStart << 2 << "庚子年(鼠) 2020年闰四月初一";
        QTest::newRow("leap month, kind 4") << leapStart << 4 << "闰四月初一";
        QTest::newRow("kind 0") << leapStart << 0 << "";
        QTest::newRow("kind 6") << leapStart << 6 << "2020-4-1";
        QTest::newRow("first day") << at(1921, 2, 8) << 1 << "1921-1-1 0:0:0";
        QTest::newRow("day name 十一") << at(2020, 2, 4) << 3 << "十一";
        QTest::newRow("twelfth month") << at(2020, 1, 24) << 4 << "腊月三十";
        // Past the year-code table the lunar years carry on with their real months.
        QTest::newRow("leap second month 2023") << at(2023, 3, 22) << 4 << "闰二月初一";
        QTest::newRow("last day") << at(2051, 2, 10, 12) << 2 << "庚午年(马) 2050年腊月廿九";
        QTest::newRow("after the last day") << at(2051, 2, 11) << 1 << "";
        QTest::newRow("invalid moment") << QDateTime() << 1 << "";
    }

    void nongliKinds()
    {
        QFETCH(QDateTime, moment);
        QFETCH(int, kind);
        QTEST(GetNongli(moment, kind), "text");
    }

    void nongliNames()
    {
        QCOMPARE(LunarMonthDayText(at(2026, 12, 6, 10)), QStringLiteral("十月廿八"));
        QCOMPARE(hlxNongLiGongLi::GongliMonth(1900, 2), 28);
        QCOMPARE(hlxNongLiGongLi::GongliMonth(2000, 2), 29);
    }

    // Every entry of the name tables: twelve years cover the stems, branches and animals.
    void nameTables()
    {
        QStringList years, months, converterMonths, days, converterDays;
        for (int year = 1984; year < 1996; ++year)
            years << lunarYearName(year);
        for (int m = 0; m <= 13; ++m)
            months << lunarMonthName(m), converterMonths << hlxNongLiGongLi::NongliMonth(m);
        for (int d = 0; d <= 31; ++d)
            days << lunarDayName(d), converterDays << hlxNongLiGongLi::NongliDay(d);
        QCOMPARE(years.join(u' '),
                 QStringLiteral("甲子年(鼠) 乙丑年(牛) 丙寅年(虎) 丁卯年(兔) 戊辰年(龙) 己巳年(蛇) "
                                "庚午年(马) 辛未年(羊) 壬申年(猴) 癸酉年(鸡) 甲戌年(狗) 乙亥年(猪)"));
        QCOMPARE(months.join(u' '), QStringLiteral(" 正 二 三 四 五 六 七 八 九 十 十一 腊 "));
        QCOMPARE(converterMonths.join(u' '), QStringLiteral("0 正 二 三 四 五 六 七 八 九 十 十一 十二 13"));
        const QString dayNames =
            QStringLiteral("初一 初二 初三 初四 初五 初六 初七 初八 初九 初十 十一 十二 十三 "
                           "十四 十五 十六 十七 十八 十九 二十 廿一 廿二 廿三 廿四 廿五 廿六 "
                           "廿七 廿八 廿九 三十");
        QCOMPARE(days.join(u' '), u' ' + dayNames + u' ');
        QCOMPARE(converterDays.join(u' '), QStringLiteral("0 ") + dayNames + QStringLiteral(" 31"));
    }

    // Lunar dates as text to solar ones, with the leap marker given and given back.
    void converterTextForms_data()
    {
        QTest::addColumn<QString>("lunar");
        QTest::addColumn<QString>("leap");
        QTest::addColumn<QString>("solar"); // and the marker given back
        const auto row = [](const char* name, const char* lunar, const char* leap, const char* solar) {
            QTest::newRow(name) << lunar << leap << solar;
        };
        row("year after", "2051-1-1", "", "1900-1-1 ");
        row("leap asked by 闰", "2020-4-1", "闰", "2020-5-23 闰");
        row("no leap month that year", "2021-4-1", "1", "2021-5-12 闰");
        row("leap asked for another month", "2020-5-1", "1", "2020-6-21 闰");
        row("day past the month's end runs on", "2021-1-31", "", "2021-3-14 ");
        row("month 13", "2021-13-1", "", "1900-1-1 ");
        row("garbage", "abc", "1", "1900-1-1 闰");
    }

    void converterTextForms()
    {
        QFETCH(QString, lunar);
        QFETCH(QString, leap);
        const QString solar = hlxNongLiGongLi::NongToGong(lunar, leap);
        QTEST(solar + u' ' + leap, "solar");
    }

    void solarToLunarTextForms()
    {
        QCOMPARE(hlxNongLiGongLi::GongToNong(QStringLiteral("1952-06-22")), QStringLiteral("1952-5-1 闰"));
        QCOMPARE(hlxNongLiGongLi::GongToNong(QStringLiteral("1952-02-30")), QStringLiteral("1900-1-1"));
        QCOMPARE(hlxNongLiGongLi::GongToNong(QDate(1950, 2, 16)), QStringLiteral("1900-1-1"));
        // The leap eleventh month of 2033 reaches into January 2034.
        QCOMPARE(hlxNongLiGongLi::GongToNong(QDate(2034, 1, 1)), QStringLiteral("2033-11-11 闰"));
    }

    void typedConversionsRefuseWhatTheyCannotConvert()
    {
        QVERIFY(!LunarCalendar::fromSolar(QDate(1921, 2, 7)));
        QVERIFY(!LunarCalendar::toSolar({2051, 1, 1, false}));
        QVERIFY(!LunarCalendar::toSolar({2020, 13, 1, false}));
        QVERIFY(!LunarCalendar::toSolar({2020, 1, 31, false}));
        QVERIFY(!hlxNongLiGongLi::nongToGong({1949, 12, 1, false}));
        // A day past the month's end runs on; the last month of 2050 has 29 days.
        QCOMPARE(LunarCalendar::toSolar({2050, 12, 30, false}), QDate(2051, 2, 11));
        QCOMPARE(LunarCalendar::monthLength(2021, 4, true), std::nullopt);
    }

    void lunarNowAndItsOrder()
    {
        const auto now = LunarMoment::fromSolar(test::fixedClock().currentDateTime());
        QCOMPARE(now, std::optional<LunarMoment>(LunarMoment{2026, 10, 28, 10, 0, 0}));
        QVERIFY(!LunarMoment::fromSolar(at(2051, 2, 11)));
        // The 30th of the second month lies between the 29th and the first of the third month, and
        // compares with the lunar now of 2020-03-23 though no date value can hold it.
        QVERIFY(LunarMoment({2020, 2, 29, 23, 59, 59}) < LunarMoment({2020, 2, 30, 0, 0, 0}));
        QVERIFY(LunarMoment({2020, 2, 30, 0, 0, 0}) < LunarMoment({2020, 3, 1, 0, 0, 0}));
        QVERIFY(LunarMoment({2020, 2, 30, 9, 0, 0}) < *LunarMoment::fromSolar(at(2020, 3, 23, 10)));
    }

    void textForms()
    {
        const LunarMoment m{2020, 2, 30, 8, 5, 9};
        QCOMPARE(m.storageText(), QStringLiteral("2020-02-30 08:05:09"));
        QVERIFY(!m.toDateTime().isValid());
        QCOMPARE(LunarMoment::fromText(m.text()), std::optional<LunarMoment>(m));
        QCOMPARE(LunarMoment::fromText(u" 2020/4/1 8:05 "),
                 std::optional<LunarMoment>(LunarMoment{2020, 4, 1, 8, 5, 0}));
        for (const char16_t* bad : {u"2020-13-1", u"2020-4-0", u"2020-4-32", u"2020-4-1 24:00:00", u"2020-4",
                                    u"", u"2020-4-1x", u"2020-4-1 8:5:9:1", u"20201-4-1"})
            QVERIFY2(!LunarMoment::fromText(bad), qPrintable(QString::fromUtf16(bad)));
        const auto stored = LunarMoment::fromStored(at(2026, 10, 15, 9, 30));
        QCOMPARE(stored, std::optional<LunarMoment>(LunarMoment{2026, 10, 15, 9, 30, 0}));
        QVERIFY(!LunarMoment::fromStored(QDateTime()));
    }

    void solarMomentAndDaysLeft()
    {
        const QDateTime now = at(2026, 12, 6, 10); // lunar 2026-10-28
        const LunarMoment nextMonth{2026, 11, 2, 8, 0, 0};
        QCOMPARE(nextMonth.solarMoment(now), std::optional<QDateTime>(at(2026, 12, 10, 8)));
        QCOMPARE(LunarMoment({2026, 10, 20, 8, 0, 0}).daysFrom(now), std::optional<qint64>(-8));
        QVERIFY(!nextMonth.daysFrom(at(2051, 3, 1)));
        // 2023 has a leap second month (2023-03-22 to 2023-04-19) after the ordinary one.
        const LunarMoment second10{2023, 2, 10, 8, 0, 0};
        QCOMPARE(second10.solarMoment(at(2023, 3, 1))->date(), QDate(2023, 3, 1));
        QCOMPARE(second10.solarMoment(at(2023, 3, 25))->date(), QDate(2023, 3, 31)); // in the leap month
        QCOMPARE(second10.solarMoment(at(2023, 4, 25))->date(), QDate(2023, 3, 1));  // after it
        // Seen from the leap fourth month of 2020, the fourth month of 2012 is its ordinary one.
        QCOMPARE(LunarMoment({2012, 4, 10, 8, 0, 0}).solarMoment(at(2020, 5, 25))->date(),
                 QDate(2012, 4, 30));
        // Seen from the leap month the order of days agrees with the field-by-field order.
        QCOMPARE(LunarMoment({2023, 2, 3, 8, 0, 0}).daysFrom(QDate(2023, 3, 25)), std::optional<qint64>(-1));
        QCOMPARE(second10.daysFrom(QDate(2023, 4, 25)), std::optional<qint64>(-55));
    }

    // Rolling passed reminder times forward on both calendars.
    void solarRepeats_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QDateTime>("alert");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("expected");

        const QDateTime now = at(2026, 12, 6, 10, 0, 0); // a Sunday
        // clang-format off
        QTest::newRow("daily, tomorrow") << "1tian" << at(2026, 11, 20, 8) << now << at(2026, 12, 7, 8);
        QTest::newRow("daily, a step lands on now") << "1tian" << at(2026, 12, 5) << at(2026, 12, 6) << at(2026, 12, 7);
        QTest::newRow("daily, over midnight into a new year") << "1tian" << at(2026, 12, 30, 0, 0, 1) << at(2026, 12, 31, 23, 59, 59) << at(2027, 1, 1, 0, 0, 1);

        // Weekly keeps the weekday and the time of day of the entered moment.
        QTest::newRow("weekly, saved on a Wednesday") << "1zhou" << at(2026, 11, 23, 8) << at(2026, 12, 2, 15, 23, 10) << at(2026, 12, 7, 8);

        // Months and years step from the entered day, cut to the month's end where it is shorter.
        QTest::newRow("monthly, 31st into February of a leap year") << "1yue" << at(2024, 1, 31, 10) << at(2024, 2, 10) << at(2024, 2, 29, 10);
        QTest::newRow("monthly, 31st into February of a common year") << "1yue" << at(2023, 1, 31, 10) << at(2023, 2, 10) << at(2023, 2, 28, 10);
        QTest::newRow("quarterly, steps from the entered day") << "3yue" << at(2025, 11, 30, 9) << at(2026, 3, 1) << at(2026, 5, 30, 9);
        QTest::newRow("half-yearly, a step lands on now") << "6yue" << at(2026, 6, 6, 10) << now << at(2027, 6, 6, 10);
        QTest::newRow("yearly, 29 February into a common year") << "1nian" << at(2008, 2, 29, 9) << at(2013, 3, 1) << at(2014, 2, 28, 9);

        // Minutes and hours step from the entered moment; each code to its own moment.
        const QDateTime earlier = at(2026, 12, 5, 8, 15, 30);
        const QDateTime noon = at(2026, 12, 6, 12, 47, 5);
        const QDateTime afternoon = at(2026, 12, 6, 14, 20, 5);
        QTest::newRow("every minute") << "1fen" << earlier << noon << at(2026, 12, 6, 12, 47, 30);
        QTest::newRow("every 5 minutes") << "5fen" << earlier << noon << at(2026, 12, 6, 12, 50, 30);
        QTest::newRow("every 10 minutes") << "10fen" << earlier << noon << at(2026, 12, 6, 12, 55, 30);
        QTest::newRow("every 30 minutes") << "30fen" << earlier << noon << at(2026, 12, 6, 13, 15, 30);
        QTest::newRow("every hour") << "1shi" << earlier << afternoon << at(2026, 12, 6, 15, 15, 30);
        QTest::newRow("every 2 hours") << "2shi" << earlier << afternoon << at(2026, 12, 6, 16, 15, 30);
        QTest::newRow("every 3 hours") << "3shi" << earlier << afternoon << at(2026, 12, 6, 17, 15, 30);
        QTest::newRow("every 6 hours") << "6shi" << earlier << afternoon << at(2026, 12, 6, 20, 15, 30);
        QTest::newRow("every 12 hours, over midnight") << "12shi" << at(2026, 12, 5, 23) << at(2026, 12, 6, 23, 30) << at(2026, 12, 7, 11);
        // At every sign-in: today at now's hour, even when that has passed.
        QTest::newRow("at sign-in") << "denglu" << earlier << at(2026, 12, 6, 10, 40, 5) << at(2026, 12, 6, 10, 15, 30);
        // clang-format on
    }

    void solarRepeats()
    {
        QFETCH(QString, code);
        QFETCH(QDateTime, alert);
        QFETCH(QDateTime, now);
        const AlertRoll roll = RollAlertForward(code, alert, true, now);
        QTEST(roll.solarTime, "expected");
        QCOMPARE(roll.repeatCode, code);
        QVERIFY(roll.alertOn && roll.changed && !roll.missedOnce);
    }

    void solarOnceAndNever_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QDateTime>("alert");
        QTest::addColumn<bool>("missedOnce");
        QTest::newRow("once") << "1" << at(2026, 12, 6, 9, 59) << true;
        QTest::newRow("never") << "N" << at(2026, 12, 5) << false;
    }

    void solarOnceAndNever()
    {
        QFETCH(QString, code);
        QFETCH(QDateTime, alert);
        const AlertRoll roll = RollAlertForward(code, alert, true, at(2026, 12, 6, 10));
        QCOMPARE(roll.solarTime, alert);
        QVERIFY(!roll.alertOn && roll.changed && roll.repeatCode == QLatin1String("N"));
        QTEST(roll.missedOnce, "missedOnce");
    }

    void solarLeftAlone()
    {
        const QDateTime now = at(2026, 12, 6, 10);
        for (const char* code : {"1", "1tian", "denglu"}) {
            // Equal to the second (milliseconds do not count), or later.
            for (const QDateTime& alert : {now, now.addMSecs(300), now.addSecs(1)}) {
                const AlertRoll roll = RollAlertForward(code, alert, true, now.addMSecs(500));
                QVERIFY(!roll.changed);
                QCOMPARE(roll.solarTime, alert);
            }
        }
        QVERIFY(!RollAlertForward(QString(), now.addDays(-3), true, now).changed);
        QVERIFY(!RollAlertForward("1tian", QDateTime(), true, now).changed);
    }

    void lunarRepeats_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<LunarMoment>("alert");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<LunarMoment>("expected");
        QTest::addColumn<QDateTime>("expectedSolar");

        const QDateTime now = at(2026, 12, 6, 10, 40, 5); // lunar 2026-10-28
        // clang-format off
        QTest::newRow("every 5 minutes") << "5fen" << lunar(2026, 10, 27, 8, 15, 30) << now << lunar(2026, 10, 28, 10, 40, 30) << at(2026, 12, 6, 10, 40, 30);
        QTest::newRow("at sign-in") << "denglu" << lunar(2026, 10, 1, 8, 15, 30) << now << lunar(2026, 10, 28, 10, 15, 30) << at(2026, 12, 6, 10, 15, 30);

        // The 30th of the second month, a day no solar month has (2020-03-23).
        QTest::newRow("daily onto the 30th of the second month") << "1tian" << lunar(2020, 2, 20, 11) << at(2020, 3, 23, 10) << lunar(2020, 2, 30, 11) << at(2020, 3, 23, 11);

        // The twelfth month of 2026 has 29 days: its 30th runs on to New Year's day, still ahead at 23:00.
        QTest::newRow("daily from a 30th that runs on into today") << "1tian" << lunar(2026, 12, 30, 23) << at(2027, 2, 6, 10) << lunar(2027, 1, 1, 23) << at(2027, 2, 6, 23);

        // A leap second month begins on 2023-03-22, after the ordinary second month's 30th.
        QTest::newRow("daily into a leap month") << "1tian" << lunar(2023, 2, 29, 8) << at(2023, 3, 21, 10) << lunar(2023, 2, 1, 8) << at(2023, 3, 22, 8);
        QTest::newRow("weekly into a leap month") << "1zhou" << lunar(2023, 2, 23, 8) << at(2023, 3, 21, 10) << lunar(2023, 2, 7, 8) << at(2023, 3, 28, 8);
        // Within the leap month a stored day of that month is a day of the leap month.
        QTest::newRow("weekly within a leap month") << "1zhou" << lunar(2023, 2, 1, 8) << at(2023, 3, 27, 10) << lunar(2023, 2, 8, 8) << at(2023, 3, 29, 8);
        QTest::newRow("hourly over the leap month's start") << "1shi" << lunar(2023, 2, 30, 22, 30) << at(2023, 3, 21, 23, 45) << lunar(2023, 2, 1, 0, 30) << at(2023, 3, 22, 0, 30);

        // Months step over the twelve ordinary months, the day cut to the month's length.
        QTest::newRow("monthly, 30th into a month of 29 days") << "1yue" << lunar(2022, 12, 30, 8) << at(2023, 1, 26) << lunar(2023, 1, 29, 8) << at(2023, 2, 19, 8);
        QTest::newRow("monthly, over the leap month") << "1yue" << lunar(2022, 12, 30, 8) << at(2023, 3, 26, 10) << lunar(2023, 3, 29, 8) << at(2023, 5, 18, 8);
        QTest::newRow("quarterly") << "3yue" << lunar(2026, 6, 10, 8) << now << lunar(2026, 12, 10, 8) << at(2027, 1, 17, 8);
        QTest::newRow("yearly, 30th into a month of 29 days") << "1nian" << lunar(2020, 4, 30, 8) << at(2021, 6, 1) << lunar(2021, 4, 29, 8) << at(2021, 6, 9, 8);
        // clang-format on
    }

    void lunarRepeats()
    {
        QFETCH(QString, code);
        QFETCH(LunarMoment, alert);
        QFETCH(QDateTime, now);
        QFETCH(LunarMoment, expected);
        const AlertRoll roll = RollAlertForward(code, alert, true, now);
        QVERIFY(roll.lunarTime);
        QCOMPARE(roll.lunarTime->text(), expected.text());
        QTEST(roll.solarTime, "expectedSolar");
        QVERIFY(roll.alertOn && roll.changed && !roll.outsideCalendar);
    }

    void lunarOnceComparesWithTheLunarNow()
    {
        // On the 30th of the second month the lunar now is no solar date; it still compares.
        const QDateTime now = at(2020, 3, 23, 10);
        const AlertRoll passed = RollAlertForward("1", lunar(2020, 2, 30, 9), true, now);
        QCOMPARE(passed.repeatCode, "N");
        QVERIFY(!passed.alertOn && passed.missedOnce);
        QCOMPARE(passed.lunarTime, std::optional<LunarMoment>(lunar(2020, 2, 30, 9)));

        const AlertRoll ahead = RollAlertForward("1", lunar(2020, 2, 30, 11), true, now);
        QVERIFY(!ahead.changed && ahead.alertOn);
        QCOMPARE(ahead.solarTime, at(2020, 3, 23, 11));

        const AlertRoll never = RollAlertForward("N", lunar(2020, 1, 1), true, now);
        QVERIFY(!never.alertOn && !never.missedOnce);
    }

    void lunarOutsideTheCalendarChangesNothing()
    {
        // The lunar now is unknown after the calendar's last day.
        const AlertRoll late = RollAlertForward("1", lunar(2050, 1, 1), true, at(2051, 3, 1));
        QVERIFY(late.outsideCalendar && !late.changed && late.alertOn && !late.missedOnce);
        // The entered moment has no solar day.
        const AlertRoll early = RollAlertForward("1tian", lunar(1900, 1, 1), true, at(2026, 12, 6));
        QVERIFY(early.outsideCalendar && !early.changed);
        // The next month lies past the calendar.
        const AlertRoll past = RollAlertForward("1yue", lunar(2050, 12, 10), true, at(2051, 2, 2));
        QVERIFY(past.outsideCalendar && !past.changed);
    }

    // Where the stored numbers alone mislead: leap months, days past a month's end, daylight-saving
    // gaps. The first day of a leap month; each of these has 29 days.
    void leapMonths_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QDate>("leapFirst");
        QTest::newRow("2020, leap 4") << 2020 << 4 << QDate(2020, 5, 23);
        QTest::newRow("2023, leap 2") << 2023 << 2 << QDate(2023, 3, 22);
        QTest::newRow("2025, leap 6") << 2025 << 6 << QDate(2025, 7, 25);
        QTest::newRow("2028, leap 5") << 2028 << 5 << QDate(2028, 6, 23);
    }

    // A daily memo walks from the ordinary month into the leap month of the same number and out of
    // it; the moment stored with its solar hint is never read as a month behind.
    void leapMonths()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QDate, leapFirst);
        const QDate ordinaryLast = leapFirst.addDays(-1); // day 30 of the ordinary month
        const QDate leapLast = leapFirst.addDays(28);
        const LunarMoment last{year, month, 30, 20, 0, 0};
        AlertRoll roll = RollAlertForward("1tian", last, true, at(ordinaryLast, 21), at(ordinaryLast, 20));
        QCOMPARE(roll.lunarTime, std::optional<LunarMoment>(LunarMoment{year, month, 1, 20, 0, 0}));
        QCOMPARE(roll.solarTime, at(leapFirst, 20));

        // Stored as "month-1" with its hint: a day ahead in the list and the scan, not a month behind,
        // and not rolled again.
        const LunarMoment stored = *roll.lunarTime;
        const QDateTime hint = roll.solarTime;
        QCOMPARE(stored.daysFrom(ordinaryLast, hint), std::optional<qint64>(1));
        QCOMPARE(stored.solarMoment(at(ordinaryLast, 21), hint), std::optional<QDateTime>(hint));
        QVERIFY(!RollAlertForward("1tian", stored, true, at(ordinaryLast, 22), hint).changed);
        // Seen long after the leap month it is still the leap day (overdue by the real count).
        QCOMPARE(stored.daysFrom(leapLast.addDays(10), hint), std::optional<qint64>(-38));

        roll = RollAlertForward("1tian", stored, true, at(leapFirst, 21), hint);
        QCOMPARE(roll.lunarTime, std::optional<LunarMoment>(LunarMoment{year, month, 2, 20, 0, 0}));
        QCOMPARE(roll.solarTime, at(leapFirst.addDays(1), 20));

        // The same numbers with the ordinary month's hint stay in the ordinary month.
        const LunarMoment fifteenth{year, month, 15, 8, 0, 0};
        const QDate ordinary15 = ordinaryLast.addDays(-15);
        QCOMPARE(fifteenth.daysFrom(leapFirst, at(ordinary15, 8)), std::optional<qint64>(-16));
        QCOMPARE(fifteenth.daysFrom(leapFirst, at(leapFirst.addDays(14), 8)), std::optional<qint64>(14));

        // Out of the leap month into the next ordinary one.
        roll = RollAlertForward("1tian", LunarMoment{year, month, 29, 20, 0, 0}, true, at(leapLast, 21),
                                at(leapLast, 20));
        QCOMPARE(roll.lunarTime, std::optional<LunarMoment>(LunarMoment{year, month + 1, 1, 20, 0, 0}));
        QCOMPARE(roll.solarTime, at(leapLast.addDays(1), 20));
    }

    // The twelfth month of 2026 has 29 days: its 30th at 23:00 is New Year's day 2027 at 23:00, still
    // ahead on that morning. A monthly memo keeps it instead of skipping to the next month.
    void monthlyKeepsADayStillAhead()
    {
        const AlertRoll roll =
            RollAlertForward("1yue", LunarMoment{2026, 12, 30, 23, 0, 0}, true, at(2027, 2, 6, 10));
        QVERIFY(!roll.changed);
        QCOMPARE(roll.solarTime, at(2027, 2, 6, 23));
    }

    // 2021-03-14 02:30 does not exist in New York: the daily step gives the first moment after the gap.
    void daylightSavingGap()
    {
        const QByteArray savedZone = qgetenv("TZ");
        qputenv("TZ", "America/New_York");
        tzset();
        const AlertRoll roll = RollAlertForward("1tian", at(2021, 3, 10, 2, 30), true, at(2021, 3, 13, 12));
        const QString solar = roll.solarTime.toString(Qt::ISODate); // read in the zone of the step
        qputenv("TZ", savedZone);
        tzset();
        QCOMPARE(solar, QStringLiteral("2021-03-14T03:00:00"));
    }

    // Every day of the calendar, through both directions and against independent references.
    void everyDayRoundTrips()
    {
        const QDate last = LunarCalendar::lastDay();
        std::optional<LunarDate> previous;
        for (QDate d = LunarCalendar::firstDay(); d <= last; d = d.addDays(1)) {
            const auto lunar = LunarCalendar::fromSolar(d);
            QVERIFY2(lunar, qPrintable(d.toString(Qt::ISODate)));
            QCOMPARE(LunarCalendar::toSolar(*lunar), d);
            // Days follow each other: the next day of the month, or day 1 after a month's last day.
            if (previous)
                QCOMPARE(lunar->day == 1
                             ? LunarCalendar::monthLength(previous->year, previous->month, previous->leap)
                             : std::optional<int>(lunar->day - 1),
                         std::optional<int>(previous->day));
            previous = lunar;

            const auto moment = LunarMoment::fromSolar(QDateTime(d, QTime(23, 59, 59)));
            QVERIFY(moment);
            QCOMPARE(moment->date(lunar->leap), *lunar);
            QCOMPARE(GetNongli(QDateTime(d, QTime(12, 0)), 5),
                     QStringLiteral("%1-%2-%3").arg(lunar->year).arg(lunar->month).arg(lunar->day));
        }
        QVERIFY(!LunarCalendar::fromSolar(last.addDays(1)));
        QVERIFY(!LunarCalendar::fromSolar(LunarCalendar::firstDay().addDays(-1)));
    }

    // The day table must give what the converter rows give by summing their fields (the other direction
    // follows from the round trips above).
    void matchesTheConverterRows()
    {
        for (int year = hlxNongLiGongLi::kFirstYear; year <= hlxNongLiGongLi::kLastYear; ++year) {
            for (int month = 1; month <= 12; ++month) {
                for (bool leap : {false, true}) {
                    if (leap && LunarCalendar::leapMonth(year) != month)
                        continue;
                    const int length = *LunarCalendar::monthLength(year, month, leap);
                    for (int day = 1; day <= length; ++day) {
                        const LunarDate d{year, month, day, leap};
                        QCOMPARE(hlxNongLiGongLi::nongToGong(d), sumConverterRow(d));
                    }
                }
            }
        }
    }

    // ICU's Chinese calendar agrees on every month except where it puts a new moon that falls within
    // minutes of Beijing midnight on the other day, and so one month boundary one day off or a leap
    // month after a different month. The list below is the whole of those differences.
    void agreesWithIcu()
    {
        IcuChineseCalendar icu;
        QVERIFY(U_SUCCESS(icu.status));
        QStringList ours;
        QStringList theirs;
        for (QDate d = LunarCalendar::firstDay(); d <= LunarCalendar::lastDay(); d = d.addDays(1)) {
            const auto a = LunarCalendar::fromSolar(d);
            const auto b = icu.lunarDate(d);
            QVERIFY(a && b);
            if (a->day == 1)
                ours << monthStart(*a, d);
            if (b->day == 1)
                theirs << monthStart(*b, d);
        }
        QCOMPARE(ours.size(), theirs.size());

        QStringList found;
        for (qsizetype i = 0; i < ours.size() && i < theirs.size(); ++i) {
            if (ours[i] != theirs[i])
                found << ours[i] + QStringLiteral(" / ") + theirs[i];
        }
        // Ours / ICU's. In 1922 and 1987 the leap month follows the fifth and sixth month, for ICU the
        // sixth and seventh; the rest are single month boundaries one day apart.
        const QStringList known = {
            "1922-L5-1@1922-06-25 / 1922-6-1@1922-06-25",  "1922-6-1@1922-07-24 / 1922-L6-1@1922-07-24",
            "1954-1-1@1954-02-03 / 1954-1-1@1954-02-04",   "1955-2-1@1955-02-22 / 1955-2-1@1955-02-23",
            "1987-L6-1@1987-07-26 / 1987-7-1@1987-07-26",  "1987-7-1@1987-08-24 / 1987-L7-1@1987-08-24",
            "1998-12-1@1999-01-17 / 1998-12-1@1999-01-18", "2012-7-1@2012-08-17 / 2012-7-1@2012-08-18",
            "2018-10-1@2018-11-08 / 2018-10-1@2018-11-07", "2027-1-1@2027-02-06 / 2027-1-1@2027-02-07",
            "2030-1-1@2030-02-03 / 2030-1-1@2030-02-02"};
        QCOMPARE(found, known);
    }
};

VELMO_TEST_MAIN(TestLunar)
#include "TestLunar.moc"
