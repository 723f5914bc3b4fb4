#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace velmo {

// How values look inside data.db: dates as local 'yyyy-MM-dd HH:mm:ss' text, yes/no as 0 or 1.

inline constexpr const char* kDbDateFormat = "yyyy-MM-dd HH:mm:ss";

// The stored text of a moment; empty for an invalid moment (never stored: see Database).
QString toDbText(const QDateTime& moment);

// Reads a stored date back as a local moment. Accepts the full form and a bare 'yyyy-MM-dd';
// anything else (NULL included) gives an invalid QDateTime.
QDateTime fromDbText(const QString& text);
// The same from the UTF-8 bytes of the stored text.
QDateTime fromDbText(QByteArrayView utf8);
QDateTime fromDbValue(const QVariant& value);

// True when the stored value is a yes (any non-zero number).
bool dbBool(const QVariant& value);

// Escapes a word for a LIKE pattern written with ESCAPE '\', so that %, _ and \ match
// themselves: "WHERE title LIKE ? ESCAPE '\\'" bound to likeContains(word).
QString escapeLike(const QString& word);
QString likeContains(const QString& word);

} // namespace velmo
