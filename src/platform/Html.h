#pragma once

#include <QString>
#include <QVariant>

namespace velmo {

// The plain text of a memo body that may hold HTML: "&nbsp;" becomes a blank, "<br>" and "<BR>"
// a line break (CR LF), style and script blocks written on one line vanish, and every tag is
// removed. A tag starts with "<" and a name, a "/", "!" or "?", ends at the next ">" on the same
// line, and carries only name=value attributes (or a few well-known bare ones), so text such as
// "a<b and c>d" or "1 < 2 > 0" is kept as written. Other entities are left as they are.
// Empty for an empty or NULL body.
QString RemoveHtml(const QString& text);
QString RemoveHtml(const QVariant& value);

} // namespace velmo
