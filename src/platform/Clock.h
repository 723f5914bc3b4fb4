#pragma once

#include <QDateTime>

namespace velmo {

// The program's one door to the current local time; tests put a fixed clock in its place.
class Clock
{
public:
    virtual ~Clock() = default;

    static QDateTime currentDateTime();
    static QDate currentDate();

    // Installs the clock every caller reads from now on; nullptr goes back to the system clock.
    // The caller keeps ownership.
    static void setInstance(Clock* clock);
    // The clock installed now (the system clock when none is).
    static Clock* instance();

protected:
    virtual QDateTime now() const;
};

} // namespace velmo
