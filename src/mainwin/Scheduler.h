#pragma once

// The main window's one-second scheduler: what each tick of Timer1 does and when. The work itself
// is done by the services it is given; a service that is not there (an empty function) is skipped.
// Every service returns at once: a network job runs on asynchronously with a busy flag of its own,
// so a tick never waits and never runs inside another.

#include <QDate>
#include <QString>

#include <functional>

namespace velmo {

struct RunState;

class Scheduler
{
public:
    static constexpr int kWrapAt = 3600;
    static constexpr int kWrapTo = 17;
    static constexpr int kFirstSyncTick = 10;
    static constexpr int kVersionCheckEvery = 3500;
    static constexpr int kTrimEvery = 600;

    struct Services
    {
        RunState& run;
        // Status bar panel 1 to 7.
        std::function<void(int panel, const QString& text)> setStatus;
        // The sync-now button (Command1): shown during the count-down to the first synchronisation.
        std::function<void(bool visible)> showSyncButton = {};
        // The due scan: the panel's caption reset, then the scan.
        std::function<void()> dueScan = {};
        std::function<void()> clearMemory = {};
        std::function<void()> delUpdateFile = {};
        // Plug-in points of the synchronisation and the online services.
        std::function<void()> syncData = {};
        std::function<bool()> syncStarted = {};
        std::function<void()> readNotice = {};
        std::function<void()> downNotice = {};
        std::function<void()> checkUpdate = {};
        std::function<bool()> noticeShown = {};
        std::function<void()> rotateNotice = {};
    };

    explicit Scheduler(Services services);

    // One second.
    void tick();

    // The tick counter: 1 on the first tick, 1 to 3599, then from 17 again. Setting it to 1 (another
    // window does, to synchronise again) replays the start-up ticks.
    int Tag() const { return m_tag; }
    void setTag(int tick) { m_tag = tick; }

    // Command1's Tag: the first synchronisation has begun (automatically or by the button).
    bool syncButtonTag() const { return m_syncButtonTag; }
    void setSyncButtonTag(bool on) { m_syncButtonTag = on; }

private:
    void writeDatePanels(const class QDateTime& now);

    Services m_services;
    int m_tag = 0;
    bool m_syncButtonTag = false;
    bool m_inTick = false;
    QDate m_datePanelsDay;
};

} // namespace velmo
