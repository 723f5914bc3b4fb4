#pragma once

// The digest every stored password and every signed request rests on: MD5 over the text's GBK bytes,
// written in lowercase hexadecimal.
//
//   velmo::MD5_16(password)     // 16 characters, the form stored and sent everywhere
//   velmo::MD5(text, 32)        // the full 32 characters

#include <QByteArray>
#include <QString>

namespace velmo {

// The bytes the digest is taken over: a character with a double-byte GBK code gives its two bytes,
// lead byte first; any other UTF-16 code unit gives its low byte.
QByteArray digestBytes(QStringView text);

// The full 32-character digest when length is 32, otherwise MD5_16.
QString MD5(QStringView text, int length = 16);

// Characters 9 to 24 of the full digest.
QString MD5_16(QStringView text);

} // namespace velmo
