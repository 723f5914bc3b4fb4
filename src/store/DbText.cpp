#include "DbText.h"

namespace velmo {

QString toDbText(const QDateTime& moment)
{
    if (!moment.isValid())
        return {};
    return moment.toLocalTime().toString(QString::fromLatin1(kDbDateFormat));
}

QDateTime fromDbText(const QString& text)
{
    const QString trimmed = text.trimmed();
    QDateTime moment = QDateTime::fromString(trimmed, QString::fromLatin1(kDbDateFormat));
    if (moment.isValid())
        return moment;
    const QDate day = QDate::fromString(trimmed, QStringLiteral("yyyy-MM-dd"));
    if (day.isValid())
        return day.startOfDay();
    return {};
}

QDateTime fromDbValue(const QVariant& value)
{
    if (value.isNull())
        return {};
    return fromDbText(value.toString());
}

bool dbBool(const QVariant& value)
{
    return !value.isNull() && value.toLongLong() != 0;
}

QString escapeLike(const QString& word)
{
    QString escaped;
    escaped.reserve(word.size() + 4);
    for (const QChar c : word) {
        if (c == u'\\' || c == u'%' || c == u'_')
            escaped += u'\\';
        escaped += c;
    }
    return escaped;
}

QString likeContains(const QString& word)
{
    return QLatin1Char('%') + escapeLike(word) + QLatin1Char('%');
}

} // namespace velmo
