#pragma once

// The lunar calendar library: pure values and functions, no windows, no database.
//
// Usage:
//   // The lunar "now", for comparisons with a memo's stored lunar time (never parse LunarText back):
//   const QDateTime now = velmo::Clock::currentDateTime();
//   const std::optional<LunarMoment> lunarNow = LunarMoment::fromSolar(now);   // empty: unknown
//   const std::optional<LunarMoment> due = LunarMoment::fromStored(alertTimeNongli);
//   // (or LunarMoment::fromText(storedText): also the 30th of the second month, which no date value holds)
//   if (lunarNow && due && *due <= *lunarNow) { ... }                          // field by field
//   const std::optional<qint64> daysLeft = due->daysFrom(now.date());          // real days
//
//   // Texts: status bar and lists.
//   LunarMonthDayText(now);      // "十月廿八" (empty outside the calendar)
//   LunarText(now);              // "2026-10-28 10:0:0"
//   GetNongli(now, 2);           // "丙午年(马) 2026年十月廿八"
//
//   // Conversions: typed, or the text forms of the saves.
//   LunarCalendar::fromSolar(QDate(2020, 5, 23));              // {2020, 4, 1, leap}
//   LunarCalendar::toSolar({2020, 4, 1, true});                // 2020-05-23
//   QString leap = QStringLiteral("1");
//   hlxNongLiGongLi::NongToGong(QStringLiteral("2020-4-1"), leap);   // "2020-5-23", leap == "闰"
//
//   // Roll a passed reminder time forward on saving or acknowledging.
//   AlertRoll roll = RollAlertForward(code, alertTime, alertOn, now);
//   AlertRoll lunarRoll = RollAlertForward(code, *due, alertOn, now);
//   // lunarRoll.lunarTime is stored; lunarRoll.solarTime is the real solar moment it falls on.

#include "lunar/LunarCalendar.h"
#include "lunar/LunarMoment.h"
#include "lunar/Nongli.h"
#include "lunar/RepeatRule.h"
#include "lunar/RollAlertForward.h"
#include "lunar/hlxNongLiGongLi.h"
