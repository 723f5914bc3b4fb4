#include "RingAlert.h"

#include "reminders/RingTune.h"
#include "store/RunState.h"
#include "tray/TrayIcon.h"

#include <QTimer>

namespace velmo {

RingAlert::RingAlert(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    connect(&m_services.timer2, &QTimer::timeout, this, &RingAlert::Timer2_Timer);
}

void RingAlert::start(const QString& tunePath)
{
    m_ringLoop = true;
    m_services.tune.play(tunePath);
    if (!m_services.timer2.isActive()) {
        m_ticks = 0;
        m_services.timer2.start();
    }
}

void RingAlert::stop()
{
    const bool wasRinging = isRinging();
    m_ringLoop = false;
    m_services.tune.stop();
    m_services.timer2.stop();
    if (wasRinging && m_services.tray && m_services.tray->isUp())
        m_services.tray->SetTrayIconA(m_services.normalTip);
}

bool RingAlert::isRinging() const
{
    return m_ringLoop || m_services.timer2.isActive();
}

void RingAlert::Timer2_Timer()
{
    const Settings& settings = m_services.run.settings;
    TrayIcon* tray = m_services.tray;
    ++m_ticks;
    if (settings.ReminderIco && tray && tray->isUp())
        tray->blink(m_ticks % 2 != 0, kBlinkTip);
    if (m_ticks % kPromptEveryTicks != 1 || m_services.run.AssistantDismissed)
        return;
    if (settings.ReminderMM && m_services.showFigure)
        m_services.showFigure();
    if (settings.ReminderPop && tray && tray->isUp())
        tray->ShowPop();
}

void RingAlert::tuneFinished()
{
    if (m_ringLoop)
        m_services.tune.replay();
}

} // namespace velmo
