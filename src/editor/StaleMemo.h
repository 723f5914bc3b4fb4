#pragma once

// What changed in a memo while an edit window had it open (a synchronisation, a reminder action or
// another window wrote it meanwhile), worded for the user who must choose between the two.

#include "store/Memo.h"

#include <QStringList>

namespace velmo {

// One line per field the window shows that differs, "标题:新的标题", with the newer value; the
// content cut short. One line saying so when only fields the window does not show changed.
QStringList changesMeanwhile(const MemoRecord& loaded, const MemoRecord& now);

} // namespace velmo
