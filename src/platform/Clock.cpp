#include "Clock.h"

namespace velmo {

namespace {
Clock systemClock;
Clock* current = &systemClock;
} // namespace

QDateTime Clock::currentDateTime()
{
    return current->now();
}

QDate Clock::currentDate()
{
    return current->now().date();
}

void Clock::setInstance(Clock* clock)
{
    current = clock ? clock : &systemClock;
}

Clock* Clock::instance()
{
    return current;
}

QDateTime Clock::now() const
{
    return QDateTime::currentDateTime();
}

} // namespace velmo
