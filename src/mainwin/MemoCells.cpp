#include "MemoCells.h"

#include "lunar/LunarMoment.h"
#include "mainwin/MemoNode.h"
#include "store/DbText.h"

#include <QHash>

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
    return MemoNode::categoryName(type >= 1 && type <= 7 ? type : 7).left(2);
}

QString repeatShortLabel(const QString& code)
{
    static const QHash<QString, QString> labels = {
        {QStringLiteral("1"), QStringLiteral("提醒一次")},
        {QStringLiteral("N"), QStringLiteral("不提醒")},
        {QStringLiteral("1tian"), QStringLiteral("每天")},
        {QStringLiteral("1zhou"), QStringLiteral("每周")},
        {QStringLiteral("1yue"), QStringLiteral("每月")},
        {QStringLiteral("3yue"), QStringLiteral("每季度")},
        {QStringLiteral("6yue"), QStringLiteral("每半年")},
        {QStringLiteral("1nian"), QStringLiteral("每年")},
        {QStringLiteral("denglu"), QStringLiteral("每次登陆")},
        {QStringLiteral("1fen"), QStringLiteral("每1分钟")},
        {QStringLiteral("5fen"), QStringLiteral("每5分钟")},
        {QStringLiteral("10fen"), QStringLiteral("每10分钟")},
        {QStringLiteral("30fen"), QStringLiteral("每30分钟")},
        {QStringLiteral("1shi"), QStringLiteral("每小时")},
        {QStringLiteral("2shi"), QStringLiteral("每2小时")},
        {QStringLiteral("3shi"), QStringLiteral("每3小时")},
        {QStringLiteral("6shi"), QStringLiteral("每6小时")},
        {QStringLiteral("12shi"), QStringLiteral("每12小时")},
    };
    if (code.isEmpty())
        return QString();
    return labels.value(code, QStringLiteral("其它备忘"));
}

std::optional<qint64> daysLeft(const QString& storedMoment, bool lunar, const QDateTime& now,
                               const QDateTime& solarHint)
{
    if (lunar) {
        const auto moment = LunarMoment::fromText(storedMoment);
        if (!moment)
            return std::nullopt;
        return moment->daysFrom(now, solarHint);
    }
    // Only the day counts: read it without a time zone lookup, which is slow per row.
    const QDate day = storedDay(storedMoment);
    if (!day.isValid())
        return std::nullopt;
    return now.date().daysTo(day);
}

RowTexts rowTexts(const MemoFields& memo, const QDateTime& now)
{
    RowTexts cells;
    cells[IdColumn] = QString::number(memo.id);
    cells[HiddenIdColumn] = cells[IdColumn];
    if (!isEmptyField(memo.type))
        cells[CategoryColumn] = categoryShortName(memo.type.toInt());
    if (!isEmptyField(memo.title))
        cells[TitleColumn] = memo.title.toString();
    if (!isEmptyField(memo.content))
        cells[ContentColumn] = memo.content.toString();
    cells[StateColumn] = memo.done ? QStringLiteral("完成") : QStringLiteral("进行");

    const bool solar = memo.lifa.toInt() == 1;
    const QVariant& moment = solar ? memo.alertTime : memo.alertTimeNongli;
    std::optional<qint64> days = 0;
    if (!isEmptyField(moment)) {
        const QString text = moment.toString();
        cells[AlertColumn] = text;
        days = daysLeft(text, !solar, now, solar ? QDateTime() : fromDbText(memo.mailTime.toString()));
        // A solar text that names no day counts none; a lunar moment the calendar cannot place shows
        // no count at all rather than reading as due today.
        if (!days && solar)
            days = 0;
    }
    if (days)
        cells[DaysLeftColumn] = QString::number(*days) + QStringLiteral("天");

    if (!isEmptyField(memo.alertPinLv))
        cells[RepeatColumn] = repeatShortLabel(memo.alertPinLv.toString());
    if (!isEmptyField(memo.addTime))
        cells[AddTimeColumn] = memo.addTime.toString();
    return cells;
}

} // namespace velmo::MemoCells
