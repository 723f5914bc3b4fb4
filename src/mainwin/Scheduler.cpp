#include "Scheduler.h"

#include "lunar/Nongli.h"
#include "platform/Clock.h"
#include "store/RunState.h"
#include "store/Settings.h"

#include <QLocale>

namespace velmo {

namespace {

void run(const std::function<void()>& service)
{
    if (service)
        service();
}

} // namespace

Scheduler::Scheduler(Services services)
    : m_services(std::move(services))
{
}

void Scheduler::writeDatePanels(const QDateTime& now)
{
    const QLocale locale;
    m_services.setStatus(6, locale.dayName(now.date().dayOfWeek(), QLocale::LongFormat));
    m_services.setStatus(3, locale.toString(now.date(), QLocale::ShortFormat));
    m_services.setStatus(5, LunarMonthDayText(now));
    m_datePanelsDay = now.date();
}

void Scheduler::tick()
{
    if (m_inTick)
        return;
    m_inTick = true;
    ++m_tag;
    if (m_tag >= kWrapAt)
        m_tag = kWrapTo;
    const int tick = m_tag;
    const QDateTime now = Clock::currentDateTime();
    RunState& state = m_services.run;

    m_services.setStatus(7, now.time().toString(QStringLiteral("HH:mm:ss")));
    // The program lives in the tray for days: the date panels follow the date, not only tick 1.
    if (tick == 1 || now.date() != m_datePanelsDay)
        writeDatePanels(now);

    // The count-down and the first synchronisation, once there is a synchronisation to start.
    if (m_services.syncData) {
        if (tick > 1 && tick <= kFirstSyncTick && !m_syncButtonTag) {
            m_services.setStatus(1, QStringLiteral("状态:%1秒后开始同步").arg(kFirstSyncTick + 1 - tick));
            if (m_services.showSyncButton)
                m_services.showSyncButton(true);
        }
        if (tick == kFirstSyncTick && !(m_services.syncStarted && m_services.syncStarted())) {
            if (m_services.showSyncButton)
                m_services.showSyncButton(false);
            m_syncButtonTag = true;
            m_services.setStatus(1, QStringLiteral("状态:连接云服务器..."));
            m_services.syncData(); // marks the synchronisation started
        }
    }
    if (tick == 3)
        run(m_services.readNotice);
    if (tick % 4 == 0 && m_services.noticeShown && m_services.noticeShown())
        run(m_services.rotateNotice);
    if (tick == 12) {
        run(m_services.delUpdateFile);
        run(m_services.downNotice);
    }
    if (tick == 15 || tick % kVersionCheckEvery == 0)
        run(m_services.checkUpdate);
    if (tick % effectiveCheckTimer(state.settings.CheckTimer) == 0)
        run(m_services.dueScan);
    if (tick == 5 || tick == kWrapTo || tick % kTrimEvery == 0)
        run(m_services.clearMemory);
    // The ring tune is restarted by the alert when the player reports its end.
    m_inTick = false;
}

} // namespace velmo
