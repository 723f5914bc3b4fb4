#pragma once

// The id of a memo: the integer key of its `Notebook` row, the number the list, the due panel and the
// windows pass around, and the `LocalId` an upload sends to the service.

#include <QtGlobal>

namespace velmo {

using MemoId = qint64;

} // namespace velmo
