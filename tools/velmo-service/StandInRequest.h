#pragma once

// One HTTP request as the stand-in service received it, and the reply an endpoint gives.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace velmo::standin {

struct StandInRequest
{
    QByteArray method;          // "GET", "POST"
    QString path;               // as sent, letter case kept: "/Api/login.asp"
    QByteArray rawQuery;        // the query string as it came, without "?"
    QByteArray body;            // the body bytes as they came
    bool bodyTruncated = false; // in the stand-in's log: the body was cut to its first bytes
    QList<QPair<QByteArray, QByteArray>> headers;

    // The value of a query key (key compared without letter case, the first one wins): "+" read as a
    // blank, percent escapes read as GBK bytes. Empty when the key is missing.
    QString queryValue(const QString& key) const;
    bool hasQueryKey(const QString& key) const;
    // The same for a form-encoded body.
    QString formValue(const QString& key) const;
    bool hasFormKey(const QString& key) const;
    // A header value (name compared without letter case).
    QByteArray header(const QByteArray& name) const;
};

struct StandInReply
{
    int status = 200;
    QString text; // sent in GBK

    static StandInReply ok(const QString& text) { return StandInReply{200, text}; }
};

// Percent-decodes form or query text ("+" is a blank) and reads the bytes as GBK.
QString decodeFormValue(QByteArrayView encoded);

} // namespace velmo::standin
