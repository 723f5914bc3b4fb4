#pragma once

// Conversion between the program's text and GBK, the code page of the web service and the digests.
//
//   QByteArray wire = velmo::toGbk(u"中文"_qs);   // "\xD6\xD0\xCE\xC4"
//   QString text = velmo::fromGbk(reply);         // whole reply, lenient
//   velmo::GbkCode code = velmo::gbkCode(U'中');  // size 2, bytes D6 D0

#include <QByteArray>
#include <QString>

namespace velmo {

// The GBK code of one character: one or two bytes, or none (size 0) when GBK has no code for it.
struct GbkCode
{
    int size = 0;
    unsigned char bytes[2] = {0, 0};

    bool isDoubleByte() const { return size == 2; }
};

GbkCode gbkCode(char32_t codePoint);

// The text in GBK; a character GBK cannot hold (an unpaired surrogate included) becomes "?".
QByteArray toGbk(QStringView text);

// GBK bytes as text; invalid bytes are decoded as well as they can be, never rejected.
QString fromGbk(QByteArrayView bytes);

} // namespace velmo
