#pragma once

// Which memo texts travel to the web service and back unchanged. The service's records separate
// their fields with "(#f!g#)", so a text holding it would come back cut in pieces; the wire carries
// GBK, so a character GBK has no code for would come back as "?"; a NUL (U+0000) would end the text
// where it stands. A memo holding any of these is refused at its save instead of being changed on the
// way.
//
//   if (const QString part = velmo::untravellablePart(title); !part.isEmpty())
//       refuse(velmo::untravellableMessage(part));

#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace velmo {

// Between the fields of a memo record of the service.
inline const QString WireFieldSeparator = QStringLiteral("(#f!g#)");

// The first piece of the text that cannot travel: the separator, a NUL or a character GBK cannot hold.
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

// The largest upload the service takes, in bytes (a memo travels percent-encoded: a Chinese character
// takes six bytes, so about 700,000 of them fit).
inline constexpr qint64 MaxUploadBytes = 4 * 1024 * 1024;
// What an upload's fields other than the title, the content and the custom tune's path may take.
inline constexpr qint64 UploadFieldsRoom = 8 * 1024;
// The bytes the title, the content and the custom tune's path take in an upload.
qint64 uploadedTextBytes(const QString& title, const QString& content, const QString& tunePath);
// Whether those texts leave the upload within what the service takes.
inline bool fitsUpload(qint64 textBytes)
{
    return textBytes <= MaxUploadBytes - UploadFieldsRoom;
}
// What the user is told when a save is refused for its size, and when a stored memo is too large to go
// up (it waits).
QString tooLargeMessage(qint64 bytes);
QString tooLargeUploadMessage(const QString& title, qint64 bytes);

} // namespace velmo
