#include "Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace velmo {

namespace {

constexpr char gbkName[] = "GBK";

// One converter each way per thread: opening one costs far more than converting a short text, and a
// stateless converter starts every text afresh.
QStringEncoder& characterEncoder()
{
    thread_local QStringEncoder encoder(gbkName, QStringConverter::Flag::Stateless);
    return encoder;
}

QStringDecoder& textDecoder()
{
    thread_local QStringDecoder decoder(gbkName, QStringConverter::Flag::Stateless);
    return decoder;
}

// GBK keeps the ASCII range as it is, one byte a character; most texts of the service are ASCII
// alone (lists, answers, form keys).
bool isAscii(QStringView text)
{
    const char16_t* units = text.utf16();
    char16_t any = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        any |= units[i];
    return any < 0x80;
}

bool isAscii(QByteArrayView bytes)
{
    unsigned char any = 0;
    for (const char c : bytes)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

} // namespace

GbkCode gbkCode(char32_t codePoint)
{
    GbkCode code;
    if (codePoint < 0x80) {
        code.size = 1;
        code.bytes[0] = static_cast<unsigned char>(codePoint);
        return code;
    }
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return code;
    const QString character = QString::fromUcs4(&codePoint, 1);
    const QByteArray bytes = characterEncoder().encode(character);
    // The encoder writes "?" for a character it has no code for.
    if (bytes.isEmpty() || bytes.size() > 2 || (bytes.size() == 1 && bytes.at(0) == '?'))
        return code;
    code.size = static_cast<int>(bytes.size());
    for (int i = 0; i < code.size; ++i)
        code.bytes[i] = static_cast<unsigned char>(bytes.at(i));
    return code;
}

QByteArray toGbk(QStringView text)
{
    // An empty text goes to the converter too: it answers with an empty array, never a null one.
    if (!text.isEmpty() && isAscii(text))
        return text.toLatin1();
    // The encoder drops an unpaired surrogate without a trace; make it a "?" like any other
    // character that GBK cannot hold.
    QString cleaned;
    QStringView input = text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool paired = c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (paired) {
            ++i;
            continue;
        }
        if (c.isSurrogate()) {
            if (cleaned.isNull())
                cleaned = text.toString();
            cleaned[i] = QLatin1Char('?');
        }
    }
    if (!cleaned.isNull())
        input = cleaned;
    return characterEncoder().encode(input);
}

QString fromGbk(QByteArrayView bytes)
{
    if (!bytes.isEmpty() && isAscii(bytes))
        return QString::fromLatin1(bytes);
    return textDecoder().decode(bytes);
}

} // namespace velmo
