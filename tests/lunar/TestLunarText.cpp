#include "LunarTestMoments.h"
#include "TestMain.h"

#include "lunar/Lunar.h"
#include "lunar/LunarMoment.h"
#include "lunar/LunarTables.h"

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
        QTest::newRow("leap month, kind 3") << leapStart << 3 << "初一";
        QTest::newRow("leap month, kind 4") << leapStart << 4 << "闰四月初一";
        QTest::newRow("leap month, kind 5") << leapStart << 5 << "2020-4-1";
        QTest::newRow("leap month, kind 6") << leapStart << 6 << "2020-4-1";
        QTest::newRow("kind 0") << leapStart << 0 << "";
        QTest::newRow("kind 7") << leapStart << 7 << "";

        QTest::newRow("first day") << at(1921, 2, 8) << 1 << "1921-1-1 0:0:0";
        QTest::newRow("first day name") << at(1921, 2, 8) << 4 << "正月初一";
        QTest::newRow("new year 2020") << at(2020, 1, 25) << 2 << "庚子年(鼠) 2020年正月初一";
        QTest::newRow("after the leap month") << at(2020, 6, 21) << 4 << "五月初一";
        QTest::newRow("end of year-code table") << at(2021, 2, 11) << 5 << "2020-12-30";
        QTest::newRow("end of year-code table, name") << at(2021, 2, 11) << 4 << "腊月三十";
        QTest::newRow("new year 1984, name") << at(1984, 2, 2) << 2 << "甲子年(鼠) 1984年正月初一";
        QTest::newRow("second month, 30th") << at(2020, 3, 23, 23, 59, 59) << 1 << "2020-2-30 23:59:59";
        QTest::newRow("day name 十一") << at(2020, 2, 4) << 3 << "十一";
        QTest::newRow("day name 二十") << at(2020, 2, 13) << 3 << "二十";
        QTest::newRow("day name 廿九") << at(2020, 2, 22) << 3 << "廿九";
        QTest::newRow("twelfth month") << at(2020, 1, 24) << 4 << "腊月三十";
        QTest::newRow("twelfth month, first day") << at(2019, 12, 26) << 4 << "腊月初一";
        QTest::newRow("eleventh month") << at(2019, 12, 25) << 4 << "十一月三十";

        // Past the year-code table the lunar years carry on with their real months.
        QTest::newRow("new year 2021") << at(2021, 2, 12) << 5 << "2021-1-1";
        QTest::newRow("before new year 2022") << at(2022, 1, 26) << 5 << "2021-12-24";
        QTest::newRow("new year 2022") << at(2022, 2, 1) << 5 << "2022-1-1";
        QTest::newRow("leap second month 2023") << at(2023, 3, 22) << 4 << "闰二月初一";
        QTest::newRow("test clock day") << at(2026, 12, 6, 10) << 2 << "丙午年(马) 2026年十月廿八";
        QTest::newRow("leap eleventh month 2033") << at(2034, 1, 1) << 4 << "闰十一月十一";
        QTest::newRow("last day") << at(2051, 2, 10, 12) << 2 << "庚午年(马) 2050年腊月廿九";

        // Outside the calendar the lunar date is unknown.
        QTest::newRow("after the last day") << at(2051, 2, 11) << 1 << "";
        QTest::newRow("before the first day") << at(1921, 2, 7, 23, 59, 59) << 4 << "";
        QTest::newRow("invalid moment") << QDateTime() << 1 << "";
    }

    void nongliKinds()
    {
        QFETCH(QDateTime, moment);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QCOMPARE(GetNongli(moment, kind), text);
    }

    void nongliTextInputAndShortcuts()
    {
        QCOMPARE(GetNongli(QStringLiteral("2020-05-23 08:05:09"), 1), QStringLiteral("2020-4-1 8:5:9"));
        QCOMPARE(GetNongli(QStringLiteral("2020-5-23"), 4), QStringLiteral("闰四月初一"));
        QCOMPARE(GetNongli(QStringLiteral("2020-02-30 08:00:00"), 1), QString());
        QCOMPARE(GetNongli(QStringLiteral("not a date"), 1), QString());
        QCOMPARE(LunarText(at(2026, 12, 6, 10)), QStringLiteral("2026-10-28 10:0:0"));
        QCOMPARE(LunarMonthDayText(at(2026, 12, 6, 10)), QStringLiteral("十月廿八"));
    }

    void yearNamesFollowTheSixtyYearCycle()
    {
        QCOMPARE(lunarYearName(1984), QStringLiteral("甲子年(鼠)"));
        QCOMPARE(lunarYearName(1921), QStringLiteral("辛酉年(鸡)"));
        QCOMPARE(lunarYearName(2043), QStringLiteral("癸亥年(猪)"));
        QCOMPARE(lunarYearName(2044), QStringLiteral("甲子年(鼠)"));
        QCOMPARE(lunarMonthName(0), QString());
        QCOMPARE(lunarMonthName(13), QString());
        QCOMPARE(lunarDayName(31), QString());
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

        row("first new year", "1950-1-1", "", "1950-2-17", "");
        row("last day", "2050-12-29", "", "2051-2-10", "");
        row("year before", "1949-12-1", "", "1900-1-1", "");
        row("year after", "2051-1-1", "", "1900-1-1", "");
        row("leap asked by 1", "2020-4-1", "1", "2020-5-23", "闰");
        row("leap asked by 闰", "2020-4-1", "闰", "2020-5-23", "闰");
        row("ordinary month", "2020-4-1", "", "2020-4-23", "");
        row("other flag text", "2020-4-1", "0", "2020-4-23", "");
        row("no leap month that year", "2021-4-1", "1", "2021-5-12", "闰");
        row("leap asked for another month", "2020-5-1", "1", "2020-6-21", "闰");
        row("second month 30th", "2021-2-30", "", "2021-4-11", "");
        row("day past the month's end runs on", "2021-1-31", "", "2021-3-14", "");
        row("month 13", "2021-13-1", "", "1900-1-1", "");
        row("no date", "2021-4-31", "", "1900-1-1", "");
        row("garbage", "abc", "1", "1900-1-1", "闰");
        row("twelfth month in next solar year", "2020-12-30", "", "2021-2-11", "");
        row("leap eleventh month 2033", "2033-11-11", "闰", "2034-1-1", "闰");
        row("leading zeros", "2020-04-01", "", "2020-4-23", "");
    }

    void converterTextForms()
    {
        QFETCH(QString, lunar);
        QFETCH(QString, leapIn);
        QFETCH(QString, solar);
        QFETCH(QString, leapOut);
        QString leap = leapIn;
        QCOMPARE(hlxNongLiGongLi::NongToGong(lunar, leap), solar);
        QCOMPARE(leap, leapOut);
    }

    void solarToLunarTextForms_data()
    {
        QTest::addColumn<QDate>("solar");
        QTest::addColumn<QString>("lunar");

        QTest::newRow("leap fifth month 1952") << QDate(1952, 6, 22) << "1952-5-1 闰";
        QTest::newRow("ordinary fifth month 1952") << QDate(1952, 6, 21) << "1952-5-29 ";
        QTest::newRow("before new year 1951") << QDate(1951, 1, 1) << "1950-11-24 ";
        QTest::newRow("new year 2021") << QDate(2021, 2, 12) << "2021-1-1 ";
        QTest::newRow("before the range") << QDate(1950, 2, 16) << "1900-1-1";
        QTest::newRow("after the range") << QDate(2051, 2, 11) << "1900-1-1";
        QTest::newRow("invalid") << QDate() << "1900-1-1";
        // The leap eleventh month of 2033 reaches into January 2034.
        QTest::newRow("in a leap month before new year") << QDate(2034, 1, 1) << "2033-11-11 闰";
        QTest::newRow("end of that leap month") << QDate(2034, 1, 19) << "2033-11-29 闰";
        QTest::newRow("twelfth month 2033") << QDate(2034, 1, 20) << "2033-12-1 ";
        // Lunar 2050 ends in February 2051.
        QTest::newRow("january 2051") << QDate(2051, 1, 1) << "2050-11-19 ";
        QTest::newRow("last day") << QDate(2051, 2, 10) << "2050-12-29 ";
    }

    void solarToLunarTextForms()
    {
        QFETCH(QDate, solar);
        QFETCH(QString, lunar);
        QCOMPARE(hlxNongLiGongLi::GongToNong(solar), lunar);
    }

    void converterNamesAndMonthDays()
    {
        QCOMPARE(hlxNongLiGongLi::GongToNong(QStringLiteral("1952-06-22")), QStringLiteral("1952-5-1 闰"));
        QCOMPARE(hlxNongLiGongLi::GongToNong(QStringLiteral("1952-02-30")), QStringLiteral("1900-1-1"));
        QCOMPARE(hlxNongLiGongLi::GongliMonth(1900, 2), 28);
        QCOMPARE(hlxNongLiGongLi::GongliMonth(2000, 2), 29);
        QCOMPARE(hlxNongLiGongLi::GongliMonth(2024, 2), 29);
        QCOMPARE(hlxNongLiGongLi::NongliMonth(1), QStringLiteral("正"));
        QCOMPARE(hlxNongLiGongLi::NongliMonth(12), QStringLiteral("十二"));
        QCOMPARE(hlxNongLiGongLi::NongliMonth(13), QStringLiteral("13"));
        QCOMPARE(hlxNongLiGongLi::NongliDay(21), QStringLiteral("廿一"));
        QCOMPARE(hlxNongLiGongLi::NongliDay(0), QStringLiteral("0"));
    }

    void typedConversionsRefuseWhatTheyCannotConvert()
    {
        QCOMPARE(LunarCalendar::firstDay(), QDate(1921, 2, 8));
        QCOMPARE(LunarCalendar::lastDay(), QDate(2051, 2, 10));
        QVERIFY(!LunarCalendar::fromSolar(QDate(1921, 2, 7)));
        QVERIFY(!LunarCalendar::fromSolar(QDate(2051, 2, 11)));
        QVERIFY(!LunarCalendar::fromSolar(QDate()));
        QVERIFY(!LunarCalendar::toSolar({1920, 12, 1, false}));
        QVERIFY(!LunarCalendar::toSolar({2051, 1, 1, false}));
        QVERIFY(!LunarCalendar::toSolar({2020, 0, 1, false}));
        QVERIFY(!LunarCalendar::toSolar({2020, 13, 1, false}));
        QVERIFY(!LunarCalendar::toSolar({2020, 1, 0, false}));
        QVERIFY(!LunarCalendar::toSolar({2020, 1, 31, false}));
        QVERIFY(!hlxNongLiGongLi::gongToNong(QDate(1950, 2, 16)));
        QVERIFY(!hlxNongLiGongLi::nongToGong({1949, 12, 1, false}));
        QCOMPARE(hlxNongLiGongLi::nongToGong({1950, 1, 1, false}), QDate(1950, 2, 17));
        // A day past the month's end runs on; the last month of 2050 has 29 days.
        QCOMPARE(LunarCalendar::toSolar({2050, 12, 30, false}), QDate(2051, 2, 11));
        const LunarDate leap2020{2020, 4, 1, true};
        QCOMPARE(LunarCalendar::fromSolar(QDate(2020, 5, 23)), std::optional<LunarDate>(leap2020));
        QCOMPARE(LunarCalendar::leapMonth(2020), 4);
        QCOMPARE(LunarCalendar::leapMonth(2021), 0);
        QCOMPARE(LunarCalendar::monthLength(2020, 4, true), std::optional<int>(29));
        QCOMPARE(LunarCalendar::monthLength(2021, 4, true), std::nullopt);
        QCOMPARE(LunarCalendar::monthLength(2050, 12), std::optional<int>(29));
    }

    // The year codes of 1950 to 2020 written from the converter's rows must give the codes themselves.
    void theTwoTablesAgree()
    {
        using namespace lunartables;
        for (int year = kConverterFirstYear; year < kYearCodeFirstYear + kYearCodeCount; ++year) {
            const ConverterRow& row = kConverterRows[year - kConverterFirstYear];
            std::uint32_t bits = 0;
            int leapMonth = 0;
            for (int m = 1; m <= 12; ++m) {
                if (row.fieldCount == 14 && row.fields[m] > 30) {
                    leapMonth = m;
                    bits = bits * 2 + (row.fields[13] - 29);
                    bits = bits * 2 + (row.fields[m] - row.fields[13] - 29);
                } else {
                    bits = bits * 2 + (row.fields[m] - 29);
                }
            }
            QCOMPARE(bits + leapMonth * 65536u, kYearCodes[year - kYearCodeFirstYear]);
        }
    }

    void lunarNowOfTheClock()
    {
        const auto now = LunarMoment::fromSolar(test::fixedClock().currentDateTime());
        QCOMPARE(now, std::optional<LunarMoment>(LunarMoment{2026, 10, 28, 10, 0, 0}));
        // A leap month carries its plain number; milliseconds are dropped.
        QCOMPARE(LunarMoment::fromSolar(at(2020, 5, 23, 8, 5, 9).addMSecs(700))->text(),
                 QStringLiteral("2020-4-1 8:5:9"));
        QVERIFY(!LunarMoment::fromSolar(at(2051, 2, 11)));
        QVERIFY(!LunarMoment::fromSolar(QDateTime()));
    }

    void comparesFieldByField()
    {
        // The 30th of the second month lies between the 29th and the first of the third month.
        const LunarMoment day29{2020, 2, 29, 23, 59, 59};
        const LunarMoment day30{2020, 2, 30, 0, 0, 0};
        const LunarMoment third{2020, 3, 1, 0, 0, 0};
        QVERIFY(day29 < day30);
        QVERIFY(day30 < third);
        QVERIFY(LunarMoment({2020, 2, 30, 9, 0, 0}) < LunarMoment({2020, 2, 30, 10, 0, 0}));
        QVERIFY(LunarMoment({2019, 12, 30, 23, 0, 0}) < LunarMoment({2020, 1, 1, 0, 0, 0}));
        QCOMPARE(LunarMoment({2020, 2, 30, 9, 0, 0}), LunarMoment({2020, 2, 30, 9, 0, 0}));
        // The lunar now of 2020-03-23 10:00 against a stored moment that no date value can hold.
        QVERIFY(LunarMoment({2020, 2, 30, 9, 0, 0}) < *LunarMoment::fromSolar(at(2020, 3, 23, 10)));
    }

    void textForms()
    {
        const LunarMoment m{2020, 2, 30, 8, 5, 9};
        QCOMPARE(m.text(), QStringLiteral("2020-2-30 8:5:9"));
        QCOMPARE(m.storageText(), QStringLiteral("2020-02-30 08:05:09"));
        QVERIFY(!m.toDateTime().isValid());
        QCOMPARE(LunarMoment::fromText(m.text()), std::optional<LunarMoment>(m));
        QCOMPARE(LunarMoment::fromText(m.storageText()), std::optional<LunarMoment>(m));
        QCOMPARE(LunarMoment::fromText(u"2020/4/1"),
                 std::optional<LunarMoment>(LunarMoment{2020, 4, 1, 0, 0, 0}));
        QCOMPARE(LunarMoment::fromText(u" 2020-4-1 8:05 "),
                 std::optional<LunarMoment>(LunarMoment{2020, 4, 1, 8, 5, 0}));
        for (const char16_t* bad : {u"2020-13-1", u"2020-4-0", u"2020-4-32", u"2020-4-1 24:00:00", u"2020-4",
                                    u"", u"2020-4-1x", u"2020-4-1 8:5:9:1", u"20201-4-1"})
            QVERIFY2(!LunarMoment::fromText(bad), qPrintable(QString::fromUtf16(bad)));
        const auto stored = LunarMoment::fromStored(at(2026, 10, 15, 9, 30));
        QCOMPARE(stored, std::optional<LunarMoment>(LunarMoment{2026, 10, 15, 9, 30, 0}));
        QCOMPARE(stored->toDateTime(), at(2026, 10, 15, 9, 30));
        QVERIFY(!LunarMoment::fromStored(QDateTime()));
    }

    void solarMomentAndDaysLeft()
    {
        const QDateTime now = at(2026, 12, 6, 10); // lunar 2026-10-28
        const LunarMoment nextMonth{2026, 11, 2, 8, 0, 0};
        QCOMPARE(nextMonth.solarMoment(now), std::optional<QDateTime>(at(2026, 12, 10, 8)));
        QCOMPARE(nextMonth.daysFrom(now), std::optional<qint64>(4));
        QCOMPARE(LunarMoment({2026, 10, 28, 8, 0, 0}).daysFrom(now), std::optional<qint64>(0));
        QCOMPARE(LunarMoment({2026, 10, 20, 8, 0, 0}).daysFrom(now), std::optional<qint64>(-8));
        // A day past the month's end runs on: the twelfth month of 2026 has 29 days.
        QCOMPARE(LunarMoment({2026, 12, 30, 0, 0, 0}).solarMoment(now)->date(), QDate(2027, 2, 6));
        QVERIFY(!LunarMoment({2051, 1, 1, 0, 0, 0}).daysFrom(now));
        QVERIFY(!nextMonth.daysFrom(at(2051, 3, 1)));

        // 2023 has a leap second month (2023-03-22 to 2023-04-19) after the ordinary one.
        const LunarMoment second10{2023, 2, 10, 8, 0, 0};
        QCOMPARE(second10.solarMoment(at(2023, 3, 1))->date(), QDate(2023, 3, 1));
        QCOMPARE(second10.solarMoment(at(2023, 3, 25))->date(), QDate(2023, 3, 31)); // in the leap month
        QCOMPARE(second10.solarMoment(at(2023, 4, 25))->date(), QDate(2023, 3, 1));  // after it
        // Seen from the leap month the order of days agrees with the field-by-field order.
        const QDateTime inLeap = at(2023, 3, 25, 12); // leap 2-4
        QCOMPARE(second10.daysFrom(inLeap), std::optional<qint64>(6));
        QVERIFY(second10 > *LunarMoment::fromSolar(inLeap));
        QCOMPARE(LunarMoment({2023, 2, 3, 8, 0, 0}).daysFrom(inLeap.date()), std::optional<qint64>(-1));
        // The date alone gives the same count as the moment.
        QCOMPARE(second10.daysFrom(QDate(2023, 4, 25)), std::optional<qint64>(-55));
        QCOMPARE(nextMonth.daysFrom(now.date()), std::optional<qint64>(4));
        QVERIFY(!nextMonth.daysFrom(QDate(2051, 3, 1)));
        QVERIFY(!nextMonth.daysFrom(QDate()));
    }
};

VELMO_TEST_MAIN(TestLunarText)
#include "TestLunarText.moc"
