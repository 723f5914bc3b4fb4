#include "TestMain.h"

#include "lunar/RollAlertForward.h"

#include <ctime>

using namespace velmo;

namespace {

QDateTime at(QDate day, int hh, int mm = 0)
{
    return QDateTime(day, QTime(hh, mm));
}

} // namespace

// Reminder moments where the stored numbers alone mislead: leap months, days past a month's end,
// daylight-saving gaps.
class TestReminderMoments : public QObject
{
    Q_OBJECT

private slots:
    void leapMonths_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QDate>("ordinaryLast"); // day 30 of the ordinary month
        QTest::addColumn<QDate>("leapFirst");
        QTest::addColumn<QDate>("leapLast"); // day 29 of the leap month
        QTest::newRow("2020, leap 4")
            << 2020 << 4 << QDate(2020, 5, 22) << QDate(2020, 5, 23) << QDate(2020, 6, 20);
        QTest::newRow("2023, leap 2")
            << 2023 << 2 << QDate(2023, 3, 21) << QDate(2023, 3, 22) << QDate(2023, 4, 19);
        QTest::newRow("2025, leap 6")
            << 2025 << 6 << QDate(2025, 7, 24) << QDate(2025, 7, 25) << QDate(2025, 8, 22);
        QTest::newRow("2028, leap 5")
            << 2028 << 5 << QDate(2028, 6, 22) << QDate(2028, 6, 23) << QDate(2028, 7, 21);
    }

    // A daily memo walks from the ordinary month into the leap month of the same number and out of
    // it; the moment stored with its solar hint is never read as a month behind.
    void leapMonths()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QDate, ordinaryLast);
        QFETCH(QDate, leapFirst);
        QFETCH(QDate, leapLast);

        const LunarMoment last{year, month, 30, 20, 0, 0};
        AlertRoll roll =
            RollAlertForward(QStringLiteral("1tian"), last, true, at(ordinaryLast, 21), at(ordinaryLast, 20));
        QCOMPARE(roll.lunarTime, std::optional<LunarMoment>(LunarMoment{year, month, 1, 20, 0, 0}));
        QCOMPARE(roll.solarTime, at(leapFirst, 20));

        // Stored as "month-1" with its hint: a day ahead in the list and the scan, not a month behind,
        // and not rolled again.
        const LunarMoment stored = *roll.lunarTime;
        const QDateTime hint = roll.solarTime;
        QCOMPARE(stored.daysFrom(ordinaryLast, hint), std::optional<qint64>(1));
        QCOMPARE(stored.solarMoment(at(ordinaryLast, 21), hint), std::optional<QDateTime>(hint));
        QVERIFY(!RollAlertForward(QStringLiteral("1tian"), stored, true, at(ordinaryLast, 22), hint).changed);
        // Seen long after the leap month it is still the leap day (overdue by the real count).
        QCOMPARE(stored.daysFrom(leapLast.addDays(10), hint), std::optional<qint64>(-38));

        roll = RollAlertForward(QStringLiteral("1tian"), stored, true, at(leapFirst, 21), hint);
        QCOMPARE(roll.lunarTime, std::optional<LunarMoment>(LunarMoment{year, month, 2, 20, 0, 0}));
        QCOMPARE(roll.solarTime, at(leapFirst.addDays(1), 20));

        // The same numbers with the ordinary month's hint stay in the ordinary month.
        const LunarMoment fifteenth{year, month, 15, 8, 0, 0};
        const QDate ordinary15 = ordinaryLast.addDays(-15);
        QCOMPARE(fifteenth.daysFrom(leapFirst, at(ordinary15, 8)), std::optional<qint64>(-16));
        QCOMPARE(fifteenth.daysFrom(leapFirst, at(leapFirst.addDays(14), 8)), std::optional<qint64>(14));

        // Out of the leap month into the next ordinary one.
        roll = RollAlertForward(QStringLiteral("1tian"), LunarMoment{year, month, 29, 20, 0, 0}, true,
                                at(leapLast, 21), at(leapLast, 20));
        QCOMPARE(roll.lunarTime, std::optional<LunarMoment>(LunarMoment{year, month + 1, 1, 20, 0, 0}));
        QCOMPARE(roll.solarTime, at(leapLast.addDays(1), 20));
    }

    // The twelfth month of 2026 has 29 days: its 30th at 23:00 is New Year's day 2027 at 23:00, still
    // ahead on that morning. A monthly memo keeps it instead of skipping to the next month.
    void monthlyKeepsADayStillAhead()
    {
        const AlertRoll roll = RollAlertForward(QStringLiteral("1yue"), LunarMoment{2026, 12, 30, 23, 0, 0},
                                                true, at(QDate(2027, 2, 6), 10));
        QVERIFY(!roll.changed);
        QCOMPARE(roll.solarTime, at(QDate(2027, 2, 6), 23));
    }

    // 2021-03-14 02:30 does not exist in New York: the daily step gives the first moment after the gap.
    void daylightSavingGap()
    {
        const QByteArray savedZone = qgetenv("TZ");
        qputenv("TZ", "America/New_York");
        tzset();
        const AlertRoll roll = RollAlertForward(QStringLiteral("1tian"), at(QDate(2021, 3, 10), 2, 30), true,
                                                at(QDate(2021, 3, 13), 12), NoticeWindow::AddWindow);
        const QDateTime expected = at(QDate(2021, 3, 14), 3);
        const bool valid = roll.solarTime.isValid();
        const QDateTime solar = roll.solarTime;
        qputenv("TZ", savedZone);
        tzset();
        QVERIFY(valid);
        QCOMPARE(solar.toString(Qt::ISODate), expected.toString(Qt::ISODate));
    }
};

VELMO_TEST_MAIN(TestReminderMoments)
#include "TestReminderMoments.moc"
