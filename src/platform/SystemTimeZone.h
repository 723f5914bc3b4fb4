#pragma once

namespace velmo {

// Reads the system's time zone once for the whole run; call it first in main, before any thread
// starts. Left to itself, the C library checks the zone file on disk at every local-time
// conversion, that is for every date of every memo read. A zone the user set in TZ stays as it is.
void pinSystemTimeZone();

} // namespace velmo
