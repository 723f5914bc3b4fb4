#include "MemoCells.h"

#include "lunar/LunarCalendar.h"
#include "lunar/LunarMoment.h"
#include "lunar/RepeatRule.h"
#include "store/DbText.h"
#include "store/MemoCategory.h"

namespace velmo::MemoCells {

namespace {

bool isEmptyField(const QVariant& value)
{
    return value.isNull() || value.toString().isEmpty();
}

// The day of a stored "yyyy-MM-dd HH:mm:ss" moment; invalid when it names no solar day.
QDate storedDay(const QString& text)
{
    if (text.size() < 10 || text.at(4) != u'-' || text.at(7) != u'-')
        return QDate();
    auto number = [&text](int from, int length) {
        int value = 0;
        for (int i = from; i < from + length; ++i) {
            const char16_t digit = text.at(i).unicode();
            if (digit < u'0' || digit > u'9')
                return -1;
            value = value * 10 + (digit - u'0');
        }
        return value;
    };
    const int year = number(0, 4);
    const int month = number(5, 2);
    const int day = number(8, 2);
    if (year < 1 || month < 0 || day < 0)
        return QDate();
    return QDate(year, month, day);
}

} // namespace

QString categoryShortName(int type)
{
    return categoryName(categoryOrOther(type)).left(2);
}

QString repeatShortLabel(const QString& code)
{
    if (code.isEmpty())
        return QString();
    const RepeatRule* rule = repeatRuleOfCode(code);
    // The list has always shown an unknown code with this text.
    return rule ? rule->shortLabelText() : QStringLiteral("其它备忘");
}

std::optional<qint64> daysLeft(const QString& storedMoment, bool lunar, const QDateTime& now,
                               const QDateTime& solarHint)
{
    if (lunar) {
        const auto moment = LunarMoment::fromText(storedMoment);
        if (!moment)
            return std::nullopt;
        return moment->daysFrom(now.date(), solarHint);
    }
    // Only the day counts: read it without a time zone lookup, which is slow per row.
    const QDate day = storedDay(storedMoment);
    if (!day.isValid())
        return std::nullopt;
    return now.date().daysTo(day);
}

QString cellText(int column, const MemoFields& memo, const QDateTime& now)
{
    switch (column) {
    case IdColumn:
    case HiddenIdColumn:
        return QString::number(memo.id);
    case CategoryColumn:
        return isEmptyField(memo.type) ? QString() : categoryShortName(memo.type.toInt());
    case TitleColumn:
        return isEmptyField(memo.title) ? QString() : memo.title.toString();
    case ContentColumn:
        return isEmptyField(memo.content) ? QString() : memo.content.toString();
    case StateColumn:
        return memo.done ? QStringLiteral("完成") : QStringLiteral("进行");
    case AlertColumn:
    case DaysLeftColumn: {
        const bool solar = memo.lifa.toInt() == 1;
        const QVariant& moment = solar ? memo.alertTime : memo.alertTimeNongli;
        if (isEmptyField(moment))
            return column == AlertColumn ? QString() : QStringLiteral("0天");
        const QString text = moment.toString();
        if (column == AlertColumn)
            return text;
        // The solar moment beside a lunar one tells a leap month apart: read only for a month
        // number that has a leap month in its year.
        QDateTime hint;
        if (!solar) {
            const auto lunar = LunarMoment::fromText(text);
            if (lunar && LunarCalendar::leapMonth(lunar->year) == lunar->month)
                hint = fromDbText(memo.mailTime.toString());
        }
        std::optional<qint64> days = daysLeft(text, !solar, now, hint);
        // A solar text that names no day counts none; a lunar moment the calendar cannot place shows
        // no count at all rather than reading as due today.
        if (!days && solar)
            days = 0;
        return days ? QString::number(*days) + QStringLiteral("天") : QString();
    }
    case RepeatColumn:
        return isEmptyField(memo.alertPinLv) ? QString() : repeatShortLabel(memo.alertPinLv.toString());
    case AddTimeColumn:
        return isEmptyField(memo.addTime) ? QString() : memo.addTime.toString();
    default:
        return QString();
    }
}

RowTexts rowTexts(const MemoFields& memo, const QDateTime& now)
{
    RowTexts cells;
    for (int column = 0; column < ColumnCount; ++column)
        cells[static_cast<size_t>(column)] = cellText(column, memo, now);
    return cells;
}

} // namespace velmo::MemoCells
