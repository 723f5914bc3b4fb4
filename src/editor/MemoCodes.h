#pragma once

// The labels the memo editors list for the codes a memo row stores: category and repeat rule, read
// from the shared tables (store/MemoCategory.h, lunar/RepeatRule.h; the built-in tunes are in
// platform/TuneCodes.h). Lists are in the order the editors show them; every comparison is exact.

#include <QString>
#include <QStringList>

#include <optional>

namespace velmo::MemoCodes {

// "生活备忘" (1) … "其它备忘" (7).
const QStringList& categoryLabels();
// The code of a category label; 0 for any other text.
int categoryCode(const QString& label);
// The label of a stored category; every code outside 1 to 7 reads as "其它备忘".
QString categoryLabel(int code);

// "只提醒一次" ("1") … "每次登陆" ("denglu").
const QStringList& repeatLabels();
// The code of a repeat label; empty for any other text.
QString repeatCode(const QString& label);
// The label of a stored repeat code; none for a code outside the table.
std::optional<QString> repeatLabel(const QString& code);
// The label of the rule that asks for no reminder.
QString noReminderLabel();

} // namespace velmo::MemoCodes
