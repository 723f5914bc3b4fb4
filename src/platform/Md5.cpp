#include "Md5.h"

#include "Gbk.h"

#include <QCryptographicHash>

namespace velmo {

QByteArray digestBytes(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= 0x80 && !c.isSurrogate()) {
            const GbkCode code = gbkCode(unit);
            if (code.isDoubleByte()) {
                bytes.append(static_cast<char>(code.bytes[0]));
                bytes.append(static_cast<char>(code.bytes[1]));
                continue;
            }
        }
        bytes.append(static_cast<char>(unit & 0xFF));
    }
    return bytes;
}

QString MD5(QStringView text, int length)
{
    const QByteArray hex = QCryptographicHash::hash(digestBytes(text), QCryptographicHash::Md5).toHex();
    if (length == 32)
        return QString::fromLatin1(hex);
    return QString::fromLatin1(hex.mid(8, 16));
}

QString MD5_16(QStringView text)
{
    return MD5(text, 16);
}

} // namespace velmo
