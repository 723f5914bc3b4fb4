#include "lunar/LunarInternal.h"

#include <algorithm>

namespace velmo::lunarinternal {
namespace {

// Reads a run of 1 to 4 digits at pos; moves pos past it.
std::optional<int> readNumber(QStringView text, qsizetype& pos)
{
    int value = 0;
    qsizetype digits = 0;
    while (pos < text.size() && text[pos].isDigit() && text[pos].unicode() < 128) {
        if (++digits > 4)
            return std::nullopt;
        value = value * 10 + (text[pos].unicode() - '0');
        ++pos;
    }
    if (digits == 0)
        return std::nullopt;
    return value;
}

bool readSeparator(QStringView text, qsizetype& pos, std::initializer_list<char> allowed)
{
    if (pos >= text.size())
        return false;
    for (char c : allowed) {
        if (text[pos] == QLatin1Char(c)) {
            ++pos;
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<DateTimeNumbers> readDateTimeNumbers(QStringView text)
{
    text = text.trimmed();
    DateTimeNumbers n{};
    qsizetype pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && !readSeparator(text, pos, {'-', '/'}))
            return std::nullopt;
        const auto value = readNumber(text, pos);
        if (!value)
            return std::nullopt;
        n[i] = *value;
    }
    if (pos == text.size())
        return n;
    if (!readSeparator(text, pos, {' '}))
        return std::nullopt;
    while (pos < text.size() && text[pos] == QLatin1Char(' '))
        ++pos;
    for (int i = 3; i < 6; ++i) {
        if (i == 5 && pos == text.size())
            break; // hour and minute without seconds
        if (i > 3 && !readSeparator(text, pos, {':'}))
            return std::nullopt;
        const auto value = readNumber(text, pos);
        if (!value)
            return std::nullopt;
        n[i] = *value;
    }
    if (pos != text.size())
        return std::nullopt;
    return n;
}

void appendNumber(QString& text, int value)
{
    if (value < 0) {
        text.append(QLatin1Char('-'));
        value = -value;
    }
    char16_t digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (n > 0)
        text.append(QChar(digits[--n]));
}

void appendDateNumbers(QString& text, int year, int month, int day)
{
    appendNumber(text, year);
    text.append(QLatin1Char('-'));
    appendNumber(text, month);
    text.append(QLatin1Char('-'));
    appendNumber(text, day);
}

std::optional<QDate> solarDayRunningOn(const LunarDate& date)
{
    if (date.day < 1 || date.day > 31)
        return std::nullopt;
    LunarDate within = date;
    within.day = std::min(date.day, 30);
    const auto solar = LunarCalendar::toSolar(within);
    if (!solar)
        return std::nullopt;
    return solar->addDays(date.day - within.day);
}

} // namespace velmo::lunarinternal
