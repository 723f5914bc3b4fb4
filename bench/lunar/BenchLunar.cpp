// Speed of the lunar conversions and texts, with ICU's Chinese calendar measured alongside as the
// yardstick for the typed conversions.

#include "lunar/Lunar.h"

#include <benchmark/benchmark.h>

#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>
#include <vector>

using namespace velmo;

namespace {

// Solar days spread over the range of the typed converter (lunar years 1950 to 2050), which every
// function timed here covers, visited in a scattered order: no call returns early for a day it
// cannot convert.
std::vector<QDate> solarDays()
{
    std::vector<QDate> days;
    const QDate first = *hlxNongLiGongLi::nongToGong({hlxNongLiGongLi::kFirstYear, 1, 1, false});
    const qint64 count = first.daysTo(LunarCalendar::lastDay()) + 1;
    for (qint64 i = 0; i < 4096; ++i)
        days.push_back(first.addDays((i * 7919) % count));
    return days;
}

std::vector<QDateTime> solarMoments()
{
    std::vector<QDateTime> moments;
    for (const QDate& d : solarDays())
        moments.emplace_back(d, QTime(8, 5, 9));
    return moments;
}

std::vector<LunarDate> lunarDays()
{
    std::vector<LunarDate> days;
    for (const QDate& d : solarDays())
        days.push_back(*LunarCalendar::fromSolar(d));
    return days;
}

void gongToNongTyped(benchmark::State& state)
{
    const auto days = solarDays();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlxNongLiGongLi::gongToNong(days[i++ & 4095]));
    }
}
BENCHMARK(gongToNongTyped);

void nongToGongTyped(benchmark::State& state)
{
    const auto days = lunarDays();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlxNongLiGongLi::nongToGong(days[i++ & 4095]));
    }
}
BENCHMARK(nongToGongTyped);

void getNongliMoment(benchmark::State& state)
{
    const auto moments = solarMoments();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetNongli(moments[i++ & 4095], 1));
    }
}
BENCHMARK(getNongliMoment);

void getNongliFull(benchmark::State& state)
{
    const auto moments = solarMoments();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetNongli(moments[i++ & 4095], 2));
    }
}
BENCHMARK(getNongliFull);

void lunarNowMoment(benchmark::State& state)
{
    const auto moments = solarMoments();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LunarMoment::fromSolar(moments[i++ & 4095]));
    }
}
BENCHMARK(lunarNowMoment);

// Days left of a stored lunar reminder time, as the memo list counts them per row: from the solar date,
// and from the current moment (which builds a local date-time for the reminder's solar moment).
std::vector<LunarMoment> storedMoments()
{
    std::vector<LunarMoment> stored;
    for (const LunarDate& d : lunarDays())
        stored.push_back(LunarMoment::of(d, QTime(8, 5, 9)));
    return stored;
}

void daysLeftFromDate(benchmark::State& state)
{
    const auto stored = storedMoments();
    const QDate today(2026, 12, 6);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(stored[i++ & 4095].daysFrom(today));
    }
}
BENCHMARK(daysLeftFromDate);

void daysLeftFromMoment(benchmark::State& state)
{
    const auto stored = storedMoments();
    const QDateTime now(QDate(2026, 12, 6), QTime(10, 0));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(stored[i++ & 4095].daysFrom(now));
    }
}
BENCHMARK(daysLeftFromMoment);

void rollLunarDaily(benchmark::State& state)
{
    const auto stored = storedMoments();
    const QDateTime now(QDate(2026, 12, 6), QTime(10, 0));
    const QString daily = QStringLiteral("1tian");
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RollAlertForward(daily, stored[i++ & 4095], true, now));
    }
}
BENCHMARK(rollLunarDaily);

// ICU works in milliseconds of its calendar's zone; noon keeps the day clear of any zone offset.
struct IcuCalendars
{
    std::unique_ptr<icu::Calendar> chinese;
    std::unique_ptr<icu::Calendar> gregorian;

    IcuCalendars()
    {
        UErrorCode status = U_ZERO_ERROR;
        chinese.reset(icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(),
                                                    icu::Locale("zh_CN@calendar=chinese"), status));
        gregorian.reset(new icu::GregorianCalendar(icu::TimeZone::getGMT()->clone(), status));
        if (U_FAILURE(status))
            chinese.reset();
    }
};

void icuSolarToLunar(benchmark::State& state)
{
    IcuCalendars icu;
    if (!icu.chinese) {
        state.SkipWithError("ICU has no Chinese calendar");
        return;
    }
    std::vector<UDate> instants;
    for (const QDate& d : solarDays()) {
        UErrorCode status = U_ZERO_ERROR;
        icu.gregorian->clear();
        icu.gregorian->set(d.year(), d.month() - 1, d.day(), 12, 0, 0);
        instants.push_back(icu.gregorian->getTime(status));
    }
    size_t i = 0;
    for (auto _ : state) {
        UErrorCode status = U_ZERO_ERROR;
        icu.chinese->setTime(instants[i++ & 4095], status);
        benchmark::DoNotOptimize(icu.chinese->get(UCAL_EXTENDED_YEAR, status));
        benchmark::DoNotOptimize(icu.chinese->get(UCAL_MONTH, status));
        benchmark::DoNotOptimize(icu.chinese->get(UCAL_IS_LEAP_MONTH, status));
        benchmark::DoNotOptimize(icu.chinese->get(UCAL_DATE, status));
    }
}
BENCHMARK(icuSolarToLunar);

void icuLunarToSolar(benchmark::State& state)
{
    IcuCalendars icu;
    if (!icu.chinese) {
        state.SkipWithError("ICU has no Chinese calendar");
        return;
    }
    const auto days = lunarDays();
    size_t i = 0;
    for (auto _ : state) {
        const LunarDate& d = days[i++ & 4095];
        UErrorCode status = U_ZERO_ERROR;
        icu.chinese->clear();
        icu.chinese->set(UCAL_EXTENDED_YEAR, d.year + 2637);
        icu.chinese->set(UCAL_MONTH, d.month - 1);
        icu.chinese->set(UCAL_IS_LEAP_MONTH, d.leap ? 1 : 0);
        icu.chinese->set(UCAL_DATE, d.day);
        benchmark::DoNotOptimize(icu.chinese->getTime(status));
    }
}
BENCHMARK(icuLunarToSolar);

} // namespace

BENCHMARK_MAIN();
