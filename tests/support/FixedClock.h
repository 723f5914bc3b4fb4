#pragma once

#include "platform/Clock.h"

namespace velmo::test {

// A clock that stands still until a test moves it, or steps on by a set amount after every read.
class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime moment)
        : m_now(std::move(moment))
    {
        Clock::setInstance(this);
    }
    ~FixedClock() override { Clock::setInstance(nullptr); }

    void setNow(const QDateTime& moment) { m_now = moment; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }
    // Every later read answers, then moves the clock on this many seconds; 0 stands still again.
    void stepOnEachRead(qint64 seconds) { m_step = seconds; }

protected:
    QDateTime now() const override
    {
        const QDateTime read = m_now;
        m_now = m_now.addSecs(m_step);
        return read;
    }

private:
    mutable QDateTime m_now;
    qint64 m_step = 0;
};

// The moment every test starts at unless it sets another: 2026-12-06 10:00:00 local time.
QDateTime defaultTestMoment();

// The fixed clock that the test main installs for the whole test run.
FixedClock& fixedClock();

} // namespace velmo::test
