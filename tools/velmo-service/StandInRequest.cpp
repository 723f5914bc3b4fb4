#include "StandInRequest.h"

#include "platform/Gbk.h"

#include <optional>

namespace velmo::standin {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Whether a key as it travelled names `key`; one of plain ASCII letters is compared as it is.
bool namesKey(QByteArrayView rawKey, const QString& key)
{
    for (const char c : rawKey) {
        if (c == '%' || c == '+' || static_cast<unsigned char>(c) >= 0x80)
            return decodeFormValue(rawKey).compare(key, Qt::CaseInsensitive) == 0;
    }
    return QLatin1StringView(rawKey).compare(key, Qt::CaseInsensitive) == 0;
}

std::optional<QString> findValue(QByteArrayView encoded, const QString& key)
{
    qsizetype start = 0;
    while (start <= encoded.size()) {
        qsizetype end = encoded.indexOf('&', start);
        if (end < 0)
            end = encoded.size();
        const QByteArrayView pair = encoded.sliced(start, end - start);
        start = end + 1;
        const qsizetype equals = pair.indexOf('=');
        if (!namesKey(equals < 0 ? pair : pair.first(equals), key))
            continue;
        return decodeFormValue(equals < 0 ? QByteArrayView() : pair.sliced(equals + 1));
    }
    return std::nullopt;
}

} // namespace

QString decodeFormValue(QByteArrayView encoded)
{
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded.at(i);
        if (c == '+') {
            bytes.append(' ');
        } else if (c == '%' && i + 2 < encoded.size() && hexValue(encoded.at(i + 1)) >= 0 &&
                   hexValue(encoded.at(i + 2)) >= 0) {
            bytes.append(static_cast<char>(hexValue(encoded.at(i + 1)) * 16 + hexValue(encoded.at(i + 2))));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    return fromGbk(bytes);
}

QString StandInRequest::queryValue(const QString& key) const
{
    return findValue(rawQuery, key).value_or(QString());
}

bool StandInRequest::hasQueryKey(const QString& key) const
{
    return findValue(rawQuery, key).has_value();
}

QString StandInRequest::formValue(const QString& key) const
{
    return findValue(body, key).value_or(QString());
}

bool StandInRequest::hasFormKey(const QString& key) const
{
    return findValue(body, key).has_value();
}

QByteArray StandInRequest::header(const QByteArray& name) const
{
    for (const auto& [headerName, value] : headers) {
        if (headerName.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QByteArray();
}

} // namespace velmo::standin
