#pragma once

#include "platform/Clock.h"

namespace velmo::test {

// A clock that stands still until a test moves it.
class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime moment);
    ~FixedClock() override;

    void setNow(const QDateTime& moment) { m_now = moment; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }
    void advanceDays(qint64 days) { m_now = m_now.addDays(days); }

protected:
    QDateTime now() const override { return m_now; }

private:
    QDateTime m_now;
};

// The moment every test starts at unless it sets another: 2026-12-06 10:00:00 local time.
QDateTime defaultTestMoment();

// The fixed clock that the test main installs for the whole test run.
FixedClock& fixedClock();

} // namespace velmo::test
