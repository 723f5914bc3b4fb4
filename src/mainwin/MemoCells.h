#pragma once

#include "store/MemoListQueries.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <array>
#include <optional>

namespace velmo {

// The texts of one memo row in the main window's list, worked out from the stored fields.
namespace MemoCells {

enum Column
{
    IdColumn = 0,
    CategoryColumn,
    TitleColumn,
    ContentColumn,
    StateColumn,
    AlertColumn,
    DaysLeftColumn,
    RepeatColumn,
    AddTimeColumn,
    HiddenIdColumn,
    ColumnCount
};

// The stored fields a list row is made from.
using MemoFields = MemoListRow;

using RowTexts = std::array<QString, ColumnCount>;

// "生活" ... "其它" for a category code; every code outside 1 to 7 reads "其它".
QString categoryShortName(int type);

// The list's short label of a repeat code; an unknown non-empty code reads "其它备忘", an empty one "".
QString repeatShortLabel(const QString& code);

// Whole days from the day of `now` to the day a memo's reminder falls on. A solar reminder
// counts its calendar days; a lunar one is placed in the lunar calendar first, so lunar 2-29 and
// 2-30 count like any other day. Nothing when the stored moment cannot be read or lies outside
// the lunar calendar. A lunar moment's month is told from a leap month of its number by the solar
// moment stored beside it (see LunarMoment::solarMoment).
std::optional<qint64> daysLeft(const QString& storedMoment, bool lunar, const QDateTime& now,
                               const QDateTime& solarHint = {});

// The text of one cell of a memo's row, measured against `now`.
QString cellText(int column, const MemoFields& memo, const QDateTime& now);
// The ten cell texts of one memo.
RowTexts rowTexts(const MemoFields& memo, const QDateTime& now);

} // namespace MemoCells

} // namespace velmo
