#pragma once

// Account names compare whatever the letter case of their ASCII letters ("DEMO" is "demo"); every
// other character, accented and full-width letters included, compares exactly.

#include <QString>

namespace velmo {

// The name with its ASCII capitals made small: equal for two names that are one account.
QString foldedAccountName(const QString& name);

} // namespace velmo
