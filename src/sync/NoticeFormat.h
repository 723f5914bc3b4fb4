#pragma once

// How the service's notice list and its links are read: the list text of /Api/Notice.txt taken
// apart leniently, a link turned into a page the browser may open, a title made fit for a menu.
//
//   std::optional<QList<velmo::NoticeEntry>> list = velmo::parseNoticeList(reply.text);
//   if (!list) ...                      // not a notice list (an error page, say): keep what we have
//   QUrl page = velmo::openablePage(row.entry.url, service);
//   if (page.isValid()) openUrl(page);  // only http(s); a relative link lands on the service's host

#include "platform/ServiceAddress.h"
#include "store/NoticeRows.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace velmo {

// Notices beyond this many in one list are ignored.
inline constexpr int MaxNoticesPerList = 100;

// One notice a line, "<id>|<title>|<link>", the newest first; see docs/service-protocol.md.
// Lines that are not notices are skipped; nullopt when the text has lines but none is a notice.
std::optional<QList<NoticeEntry>> parseNoticeList(const QString& text);

// The page a link names, when it may be opened: an http or https address with a host and no user
// name, or a path on the service's host. An empty URL for anything else (other schemes, local
// files, malformed text, an empty link).
QUrl openablePage(const QString& link, const ServiceAddress& service);

// The text as a menu item shows it literally: each "&" doubled, so none becomes an access key.
QString menuLiteral(const QString& text);

} // namespace velmo
