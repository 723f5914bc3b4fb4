#include "LunarTestMoments.h"
#include "TestMain.h"

#include "lunar/LunarMoment.h"

using namespace velmo;
using velmo::test::at;

// The lunar "now" and the stored lunar reminder times it is compared with.
class TestLunarMoment : public QObject
{
    Q_OBJECT

private slots:
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

VELMO_TEST_MAIN(TestLunarMoment)
#include "TestLunarMoment.moc"
