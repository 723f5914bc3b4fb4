#include "UrlEncoders.h"

#include "Gbk.h"

namespace velmo {

namespace {

void appendPercentByte(QString& out, unsigned char byte)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out.append(QLatin1Char('%'));
    out.append(QLatin1Char(digits[byte >> 4]));
    out.append(QLatin1Char(digits[byte & 0x0F]));
}

// A character outside ASCII as its GBK bytes, or as an encoded "?" when GBK has no code for it.
void appendGbkCharacter(QString& out, char32_t codePoint)
{
    const GbkCode code = gbkCode(codePoint);
    if (code.size == 0) {
        appendPercentByte(out, '?');
        return;
    }
    for (int i = 0; i < code.size; ++i)
        appendPercentByte(out, code.bytes[i]);
}

bool isAsciiAlphanumeric(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Calls f with each code point of the text; an unpaired surrogate is passed on as it is.
template <typename F>
void forEachCodePoint(const QString& text, F f)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
        } else {
            f(char32_t(c.unicode()));
        }
    }
}

} // namespace

QString URLEncode(const QString& value)
{
    if (value.isEmpty())
        return QString();
    QString out;
    out.reserve(value.size() * 3);
    forEachCodePoint(value, [&out](char32_t c) {
        if (isAsciiAlphanumeric(c))
            out.append(QLatin1Char(static_cast<char>(c)));
        else if (c < 0x80)
            appendPercentByte(out, static_cast<unsigned char>(c));
        else
            appendGbkCharacter(out, c);
    });
    return out;
}

QString EncodePostData(const QString& data)
{
    if (data.isEmpty())
        return QString();
    QString out;
    out.reserve(data.size() * 2);
    forEachCodePoint(data, [&out](char32_t c) {
        switch (c) {
        case '%':
        case '+':
        case '&':
            appendPercentByte(out, static_cast<unsigned char>(c));
            break;
        case '\n':
            out.append(QLatin1String("<BR>"));
            break;
        default:
            if (c < 0x80)
                out.append(QLatin1Char(static_cast<char>(c)));
            else
                appendGbkCharacter(out, c);
        }
    });
    return out;
}

} // namespace velmo
