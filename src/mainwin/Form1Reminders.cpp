// The main window's share of the reminder engine and of the one-second scheduler.

#include "Form1.h"

#include "mainwin/MemoCells.h"
#include "mainwin/MemoNode.h"
#include "mainwin/Scheduler.h"
#include "platform/MemoryTrim.h"
#include "platform/TunePlayer.h"
#include "platform/VersionText.h"
#include "reminders/Reminders.h"
#include "reminders/RingAlert.h"
#include "reminders/RingTune.h"
#include "store/RunState.h"
#include "store/Settings.h"
#include "sync/NoticeBoard.h"
#include "sync/SyncSession.h"
#include "tray/TrayIcon.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

namespace velmo {

void Form1::buildReminders()
{
    m_ringPlayer = std::make_unique<clsMusic>(this);
    m_ringTune = std::make_unique<MusicRingTune>(*m_ringPlayer);
    Reminders::Services services{m_services.db, m_services.run, m_services.assets, m_services.boxes,
                                 *m_ringTune,   *m_timer2,      m_frame2,          this};
    services.tray = m_services.tray;
    services.normalTip = TrayTipText(m_services.version);
    services.categoryName = [](int type) { return categoryName(categoryOrOther(type)); };
    services.repeatLabel = [](const QString& code) { return MemoCells::repeatShortLabel(code); };
    services.memosChanged = [this] {
        ReadUndo();
        ReadCount();
        TreeView1_Setup();
        switchOnTimer3();
    };
    services.status = [this](const QString& text) { setStatusText(1, text); };
    m_reminders = new Reminders(std::move(services), this);
    connect(m_ringPlayer.get(), &clsMusic::finished, &m_reminders->alert(), &RingAlert::tuneFinished);
    connect(m_reminders, &Reminders::editRequested, this, [this](MemoId id) {
        if (!m_services.run.Exiting)
            emit editMemoRequested(id);
    });
    if (m_services.tray)
        connect(m_services.tray, &TrayIcon::assistantDismissed, m_reminders, &Reminders::dismissAssistant);
    m_dueScan = [this] { m_reminders->Command2_Click(); };
}

void Form1::buildScheduler()
{
    Scheduler::Services services{m_services.run,
                                 [this](int panel, const QString& text) { setStatusText(panel, text); }};
    services.showSyncButton = [this](bool visible) { m_command1->setVisible(visible); };
    services.dueScan = [this] {
        MoveRing(false);
        Command2_Click();
    };
    services.clearMemory = [] { ClearMemory(); };
    services.syncData = [this] { SyncData(); };
    services.syncStarted = [this] { return m_sync->SyncStarted(); };
    services.readNotice = [this] { ReadNotice(); };
    services.downNotice = [this] { DownNotice(); };
    services.rotateNotice = [this] { rotateNotice(); };
    services.noticeShown = [this] { return notices()->NoticeShown(); };
    services.checkUpdate = [this] { CheckUpdate(); };
    services.delUpdateFile = [this] { DelUpdateFile(); };
    m_scheduler = std::make_unique<Scheduler>(std::move(services));
}

bool Form1::RingLoop() const
{
    return m_reminders->alert().RingLoop();
}

void Form1::setTimer1Tag(int tick)
{
    m_scheduler->setTag(tick);
}

} // namespace velmo
