#pragma once

// The warning about a local clock behind the service's, and the desktop's date-and-time settings.

#include <QString>

namespace velmo {

// "本机时间比服务器时间慢了<n>秒..." for a clock that many seconds behind.
QString ClockBehindText(qint64 seconds);

// Starts the desktop's date-and-time settings tool where one is installed; false when none is.
bool openDateTimeSettings();

} // namespace velmo
