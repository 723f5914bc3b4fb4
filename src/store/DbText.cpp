#include "DbText.h"

#include <algorithm>

namespace velmo {

namespace {

// Dates are read and written for every memo of a list, so both directions avoid the general
// (and slow) format machinery.

void putDigits(char16_t*& out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char16_t(u'0' + value % 10);
        value /= 10;
    }
    out += width;
}

char16_t codeAt(const QString& text, qsizetype i)
{
    return text.at(i).unicode();
}

char16_t codeAt(QByteArrayView text, qsizetype i)
{
    return char16_t(uchar(text.at(i)));
}

template <typename Text>
bool takeDigits(const Text& text, qsizetype from, int width, int& value)
{
    value = 0;
    for (qsizetype i = from; i < from + width; ++i) {
        const char16_t c = codeAt(text, i);
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

// The moment of a text already trimmed: 'yyyy-MM-dd HH:mm:ss' or 'yyyy-MM-dd'.
template <typename Text>
QDateTime momentOf(const Text& text, qsizetype size)
{
    if (size != 19 && size != 10)
        return {};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!takeDigits(text, 0, 4, year) || codeAt(text, 4) != u'-' || !takeDigits(text, 5, 2, month) ||
        codeAt(text, 7) != u'-' || !takeDigits(text, 8, 2, day))
        return {};
    if (size == 19 &&
        (codeAt(text, 10) != u' ' || !takeDigits(text, 11, 2, hour) || codeAt(text, 13) != u':' ||
         !takeDigits(text, 14, 2, minute) || codeAt(text, 16) != u':' || !takeDigits(text, 17, 2, second)))
        return {};
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

} // namespace

QString toDbText(const QDateTime& moment)
{
    if (!moment.isValid())
        return {};
    const QDateTime local = moment.timeSpec() == Qt::LocalTime ? moment : moment.toLocalTime();
    const QDate day = local.date();
    const QTime time = local.time();
    if (day.year() < 0 || day.year() > 9999) // beyond the stored form; the file refuses it
        return local.toString(QString::fromLatin1(kDbDateFormat));
    char16_t buffer[19];
    char16_t* out = buffer;
    putDigits(out, day.year(), 4);
    *out++ = u'-';
    putDigits(out, day.month(), 2);
    *out++ = u'-';
    putDigits(out, day.day(), 2);
    *out++ = u' ';
    putDigits(out, time.hour(), 2);
    *out++ = u':';
    putDigits(out, time.minute(), 2);
    *out++ = u':';
    putDigits(out, time.second(), 2);
    return QString(reinterpret_cast<const QChar*>(buffer), 19);
}

QDateTime fromDbText(const QString& stored)
{
    const QString text = stored.trimmed();
    return momentOf(text, text.size());
}

QDateTime fromDbText(QByteArrayView utf8)
{
    // Stored dates are plain ASCII: such bytes, with no white space at either end, are read as
    // they are. Anything else is read as the text it is, with the same result.
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const bool plain = !utf8.isEmpty() && !isSpace(utf8.front()) && !isSpace(utf8.back()) &&
                       std::all_of(utf8.begin(), utf8.end(), [](char c) { return uchar(c) < 0x80; });
    if (plain)
        return momentOf(utf8, utf8.size());
    return fromDbText(QString::fromUtf8(utf8));
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
