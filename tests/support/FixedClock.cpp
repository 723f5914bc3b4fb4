#include "FixedClock.h"

namespace velmo::test {

FixedClock::FixedClock(QDateTime moment)
    : m_now(std::move(moment))
{
    Clock::setInstance(this);
}

FixedClock::~FixedClock()
{
    Clock::setInstance(nullptr);
}

QDateTime defaultTestMoment()
{
    return QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0));
}

FixedClock& fixedClock()
{
    static FixedClock clock(defaultTestMoment());
    return clock;
}

} // namespace velmo::test
