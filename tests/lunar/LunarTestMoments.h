#pragma once

// Short ways to write the moments the lunar tests use.

#include <QDateTime>

namespace velmo::test {

// A local date-time to the second.
inline QDateTime at(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm, ss));
}
inline QDateTime at(QDate day, int hh, int mm = 0)
{
    return QDateTime(day, QTime(hh, mm));
}

} // namespace velmo::test
