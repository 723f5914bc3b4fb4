#pragma once

// The two percent-encoders of the web service's wire format; both work on GBK codes and write
// uppercase hexadecimal with two digits.
//
//   velmo::URLEncode(u"a b-中"_qs)         // "a%20b%2D%D6%D0"  (query values, form values)
//   velmo::EncodePostData(u"a=1&b=中"_qs)  // "a=1%26b=%D6%D0"  (free text in a POST body)
//
// Neither ever emits a byte above 127: a character GBK cannot hold is sent as "%3F" ("?").

#include <QString>

namespace velmo {

// Keeps the ASCII letters and digits; every other character becomes its GBK code, "%" before each
// byte. The empty text gives an empty value.
QString URLEncode(const QString& value);

// Keeps ASCII as it is except "%", "+" and "&" (percent-encoded) and the line feed (written "<BR>");
// every other character becomes its GBK code, "%" before each byte.
QString EncodePostData(const QString& data);

} // namespace velmo
