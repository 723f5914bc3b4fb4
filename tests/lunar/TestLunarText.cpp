#include "LunarTestMoments.h"
#include "TestMain.h"

#include "lunar/Lunar.h"
#include "lunar/LunarMoment.h"

using namespace velmo;
using velmo::test::at;

// The lunar date texts, the converter's text forms and the tables behind them; the lunar "now" and the
// stored lunar reminder times it is compared with.
class TestLunarText : public QObject
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

    void nongliTextInputAndNames()
    {
        QCOMPARE(GetNongli(QStringLiteral("2020-05-23 08:05:09"), 1), QStringLiteral("2020-4-1 8:5:9"));
        QCOMPARE(GetNongli(QStringLiteral("2020-02-30 08:00:00"), 1), QString());
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

    void converterTextForms_data()
    {
        QTest::addColumn<QString>("lunar");
        QTest::addColumn<QString>("leapIn");
        QTest::addColumn<QString>("solar");
        QTest::addColumn<QString>("leapOut");
        const auto row = [](const char* name, const char* lunar, const char* leapIn, const char* solar,
                            const char* leapOut) {
            QTest::newRow(name) << QString::fromUtf8(lunar) << QString::fromUtf8(leapIn)
                                << QString::fromUtf8(solar) << QString::fromUtf8(leapOut);
        };
        row("year after", "2051-1-1", "", "1900-1-1", "");
        row("leap asked by 闰", "2020-4-1", "闰", "2020-5-23", "闰");
        row("no leap month that year", "2021-4-1", "1", "2021-5-12", "闰");
        row("leap asked for another month", "2020-5-1", "1", "2020-6-21", "闰");
        row("day past the month's end runs on", "2021-1-31", "", "2021-3-14", "");
        row("month 13", "2021-13-1", "", "1900-1-1", "");
        row("garbage", "abc", "1", "1900-1-1", "闰");
    }

    void converterTextForms()
    {
        QFETCH(QString, lunar);
        QFETCH(QString, leapIn);
        QString leap = leapIn;
        QTEST(hlxNongLiGongLi::NongToGong(lunar, leap), "solar");
        QTEST(leap, "leapOut");
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
};

VELMO_TEST_MAIN(TestLunarText)
#include "TestLunarText.moc"
