#include "lunar/RollAlertForward.h"

#include "lunar/LunarCalendar.h"

#include <algorithm>

namespace velmo {
namespace {

using Step = RepeatRule::Step;

constexpr qint64 kMinute = 60;
constexpr qint64 kDay = 24 * 60 * kMinute;

// Moments as wall-clock seconds: the steps keep the time of day whatever the local time zone does.
qint64 wallSeconds(QDate date, QTime time)
{
    return date.toJulianDay() * kDay + time.msecsSinceStartOfDay() / 1000;
}

qint64 wallSeconds(const QDateTime& moment)
{
    return wallSeconds(moment.date(), moment.time());
}

// The local moment of a wall-clock date and time; inside a daylight-saving gap, where that reading
// names no moment, the first moment after the gap.
QDateTime localMoment(QDate date, QTime time)
{
    QDateTime moment(date, time);
    if (moment.isValid() || !date.isValid() || !time.isValid())
        return moment;
    // Gaps begin and end on whole minutes; none spans more than a day.
    qint64 wall = wallSeconds(date, time) / kMinute * kMinute;
    for (const qint64 limit = wall + 2 * kDay; !moment.isValid() && wall < limit;) {
        wall += kMinute;
        moment = QDateTime(QDate::fromJulianDay(wall / kDay),
                           QTime::fromMSecsSinceStartOfDay(static_cast<int>(wall % kDay) * 1000));
    }
    return moment;
}

QDateTime fromWallSeconds(qint64 seconds)
{
    return localMoment(QDate::fromJulianDay(seconds / kDay),
                       QTime::fromMSecsSinceStartOfDay(static_cast<int>(seconds % kDay) * 1000));
}

QDateTime toWholeSecond(const QDateTime& moment)
{
    return fromWallSeconds(wallSeconds(moment));
}

// The first anchor + k·step (k ≥ 0) after now. The anchor itself counts: a lunar day past its month's
// end can read as passed and still fall after now.
QDateTime firstStepAfter(qint64 from, qint64 step, const QDateTime& now)
{
    const qint64 behind = wallSeconds(now) - from;
    const qint64 k = behind < 0 ? 0 : behind / step + 1;
    return fromWallSeconds(from + k * step);
}

// The number of steps of `months` months that first reaches the month `monthsAhead` months after the
// anchor's; at least 1.
qint64 firstMonthStep(qint64 monthsAhead, qint64 months)
{
    return std::max<qint64>(1, (monthsAhead + months - 1) / months);
}

// The first anchor + k·months (k ≥ 1) after now, the day cut to the month's end, for an anchor before now.
QDateTime firstMonthStepAfter(const QDateTime& anchor, qint64 months, const QDateTime& now)
{
    const QDate a = anchor.date();
    const qint64 monthsAhead = (now.date().year() - a.year()) * 12 + now.date().month() - a.month();
    const qint64 limit = wallSeconds(now);
    for (qint64 k = firstMonthStep(monthsAhead, months);; ++k) {
        const QDate date = a.addMonths(static_cast<int>(k * months));
        if (wallSeconds(date, anchor.time()) > limit)
            return localMoment(date, anchor.time());
    }
}

AlertRoll unchanged(const QString& code, bool alertOn)
{
    AlertRoll roll;
    roll.repeatCode = code;
    roll.alertOn = alertOn;
    return roll;
}

// The rules that change no moment: "1" switches off and becomes "N", "N" switches off.
void switchOff(AlertRoll& roll, Step step)
{
    roll.alertOn = false;
    if (step == Step::Once) {
        roll.repeatCode = QStringLiteral("N");
        roll.missedOnce = true;
    }
    roll.changed = true;
}

// The wall-clock seconds of the solar moment a lunar moment means, seen from now (see
// LunarMoment::solarMoment); nothing outside the calendar.
std::optional<qint64> lunarWallSeconds(const LunarMoment& moment, const QDateTime& now,
                                       const QDateTime& solarHint)
{
    const auto days = moment.daysFrom(now.date(), solarHint);
    if (!days)
        return std::nullopt;
    return wallSeconds(now.date().addDays(*days), moment.time());
}

// The lunar month `ahead` ordinary months after (year, month), with day cut to its length.
std::optional<LunarDate> ordinaryMonthAhead(const LunarMoment& anchor, qint64 ahead)
{
    const qint64 index = anchor.year * qint64(12) + (anchor.month - 1) + ahead;
    const int year = static_cast<int>(index / 12);
    const int month = static_cast<int>(index % 12) + 1;
    const auto length = LunarCalendar::monthLength(year, month);
    if (!length)
        return std::nullopt;
    return LunarDate{year, month, std::min(anchor.day, *length), false};
}

} // namespace

AlertRoll RollAlertForward(const QString& repeatCode, const QDateTime& alertTime, bool alertOn,
                           const QDateTime& now)
{
    AlertRoll roll = unchanged(repeatCode, alertOn);
    roll.solarTime = alertTime;
    const RepeatRule* rule = repeatRuleOfCode(repeatCode);
    if (!rule || !alertTime.isValid() || !now.isValid())
        return roll;
    const QDateTime t = toWholeSecond(alertTime);
    const QDateTime current = toWholeSecond(now);
    if (wallSeconds(t) >= wallSeconds(current))
        return roll;

    switch (rule->step) {
    case Step::Once:
    case Step::Never:
        switchOff(roll, rule->step);
        return roll;
    case Step::Seconds:
        roll.solarTime = firstStepAfter(wallSeconds(t), rule->amount, current);
        break;
    case Step::Months:
        roll.solarTime = firstMonthStepAfter(t, rule->amount, current);
        break;
    case Step::SignIn:
        roll.solarTime =
            localMoment(current.date(), QTime(current.time().hour(), t.time().minute(), t.time().second()));
        break;
    }
    roll.changed = true;
    return roll;
}

AlertRoll RollAlertForward(const QString& repeatCode, const LunarMoment& alertTime, bool alertOn,
                           const QDateTime& now, const QDateTime& solarHint)
{
    AlertRoll roll = unchanged(repeatCode, alertOn);
    roll.lunarTime = alertTime;
    if (!now.isValid())
        return roll;
    const QDateTime current = toWholeSecond(now);
    const auto anchor = lunarWallSeconds(alertTime, current, solarHint);
    if (anchor)
        roll.solarTime = fromWallSeconds(*anchor);
    const RepeatRule* rule = repeatRuleOfCode(repeatCode);
    if (!rule || !alertTime.isValid())
        return roll;
    const auto lunarNow = LunarMoment::fromSolar(current);
    if (!lunarNow) {
        roll.outsideCalendar = true;
        return roll;
    }
    // Passed or not by the solar moment the numbers mean: a moment in a leap month, or a day that runs
    // on past its month's end, can compare as earlier than the lunar now and still lie ahead. Such a
    // day-based moment is written anew as the numbers of the day it runs on to.
    const bool readsPassed = alertTime < *lunarNow;
    const bool passed = anchor ? *anchor < wallSeconds(current) : readsPassed;
    if (!passed && !(readsPassed && rule->step == Step::Seconds))
        return roll;

    switch (rule->step) {
    case Step::Once:
    case Step::Never:
        switchOff(roll, rule->step);
        return roll;
    case Step::SignIn: {
        LunarMoment signIn = *lunarNow;
        signIn.minute = alertTime.minute;
        signIn.second = alertTime.second;
        roll.lunarTime = signIn;
        const auto solar = lunarWallSeconds(signIn, current, {});
        roll.solarTime = solar ? fromWallSeconds(*solar) : QDateTime();
        roll.changed = true;
        return roll;
    }
    case Step::Seconds: {
        // Through the solar calendar, so that leap months and month lengths count as they are.
        if (!anchor)
            break;
        const QDateTime next = firstStepAfter(*anchor, rule->amount, current);
        const auto lunar = LunarMoment::fromSolar(next);
        if (!lunar)
            break;
        if (*lunar == alertTime)
            return roll;
        roll.lunarTime = lunar;
        roll.solarTime = next;
        roll.changed = true;
        return roll;
    }
    case Step::Months: {
        const qint64 monthsAhead =
            (lunarNow->year - alertTime.year) * qint64(12) + lunarNow->month - alertTime.month;
        const qint64 limit = wallSeconds(current);
        for (qint64 k = firstMonthStep(monthsAhead, rule->amount);; ++k) {
            const auto date = ordinaryMonthAhead(alertTime, k * rule->amount);
            const auto solar = date ? LunarCalendar::toSolar(*date) : std::nullopt;
            if (!solar)
                break;
            if (wallSeconds(*solar, alertTime.time()) > limit) {
                roll.lunarTime = LunarMoment::of(*date, alertTime.time());
                roll.solarTime = localMoment(*solar, alertTime.time());
                roll.changed = true;
                return roll;
            }
        }
        break;
    }
    }
    roll.outsideCalendar = true;
    return roll;
}

} // namespace velmo
