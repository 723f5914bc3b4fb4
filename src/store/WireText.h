#pragma once

// Which memo texts travel to the web service and back unchanged. The service's records separate
// their fields with "(#f!g#)", so a text holding it would come back cut in pieces; the wire carries
// GBK, so a character GBK has no code for would come back as "?". A memo holding either is refused
// at its save instead of being changed on the way.
//
//   if (const QString part = velmo::untravellablePart(title); !part.isEmpty())
//       refuse(velmo::untravellableMessage(part));

#include <QString>
#include <QStringView>

namespace velmo {

// Between the fields of a memo record of the service.
inline const QString WireFieldSeparator = QStringLiteral("(#f!g#)");

// The first piece of the text that cannot travel: the separator, or a character GBK cannot hold.
// Empty when the whole text travels intact.
QString untravellablePart(QStringView text);

// A memo's text as a message shows it: characters that show nothing or turn the text around them
// (control and format characters such as the right-to-left override U+202E, line and paragraph
// separators) stand as their code, "<U+202E>", so the message reads as written and the user sees
// what to delete.
QString shownInMessage(QStringView text);

// What the user is told when a save is refused for that piece.
QString untravellableMessage(const QString& part);
// What the user is told when a stored memo (written before the check, or by an older file) holds
// such a piece: it waits instead of going up.
QString untravellableUploadMessage(const QString& title, const QString& part);

} // namespace velmo
