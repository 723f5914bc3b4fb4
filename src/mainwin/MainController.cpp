#include "MainController.h"

#include "controls/MessageBoxes.h"
#include "mainwin/MemoCells.h"
#include "mainwin/Scheduler.h"
#include "platform/FileUtils.h"
#include "platform/MemoryTrim.h"
#include "platform/ServiceChannel.h"
#include "platform/TunePlayer.h"
#include "platform/VersionText.h"
#include "reminders/Reminders.h"
#include "reminders/RingAlert.h"
#include "reminders/RingTune.h"
#include "store/MemoCategory.h"
#include "store/RunState.h"
#include "store/WireText.h"
#include "sync/DateTimeSettings.h"
#include "sync/NoticeBoard.h"
#include "sync/SyncSession.h"
#include "sync/VersionCheck.h"
#include "tray/TrayIcon.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace velmo {

namespace {

QTimer* namedTimer(const QString& name, int intervalMs, QObject* parent)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(name);
    timer->setInterval(intervalMs);
    return timer;
}

} // namespace

MainController::MainController(Services services, View view, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_view(std::move(view))
{
    m_timer1 = namedTimer(QStringLiteral("Timer1"), 1000, this);
    connect(m_timer1, &QTimer::timeout, this, &MainController::Timer1_Timer);
    m_timer2 = namedTimer(QStringLiteral("Timer2"), 400, this);
    m_timer3 = namedTimer(QStringLiteral("Timer3"), 1000, this);
    connect(m_timer3, &QTimer::timeout, this, &MainController::Timer3_Timer);
    m_inet1 = new ServiceChannel(this);
    m_inet1->setObjectName(QStringLiteral("Inet1"));
    m_notices = new NoticeBoard(m_services.db, m_services.service, m_services.openPage, this);
    connect(m_notices, &NoticeBoard::changed, this, [this] { m_view.showNotice(); });
    m_versionCheck = new VersionCheck(
        {m_services.service, m_services.version, m_services.boxes, m_services.openPage, m_services.window},
        this);
    connectSync();
    buildReminders();
    buildScheduler();
    m_refresh = {[this] { stopAlert(); },
                 [this] { m_reminders->stopRinging(); },
                 [this] { Command2_Click(); },
                 m_view.updateList,
                 m_view.readCounts,
                 m_view.updateTree,
                 [this] { switchOnTimer3(); }};
}

MainController::~MainController() = default;

void MainController::buildReminders()
{
    m_ringPlayer = std::make_unique<clsMusic>(this);
    m_ringTune = std::make_unique<MusicRingTune>(*m_ringPlayer);
    Reminders::Services services{m_services.db, m_services.run, m_services.assets,   m_services.boxes,
                                 *m_ringTune,   *m_timer2,      m_services.duePanel, m_services.window};
    services.tray = m_services.tray;
    services.normalTip = TrayTipText(m_services.version);
    services.categoryName = [](int type) { return categoryName(categoryOrOther(type)); };
    services.repeatLabel = [](const QString& code) { return MemoCells::repeatShortLabel(code); };
    services.memosChanged = [this](const MemoChange& change) { memosChanged(change); };
    services.status = [this](const QString& text) { m_view.setStatus(1, text); };
    m_reminders = new Reminders(std::move(services), this);
    connect(m_ringPlayer.get(), &clsMusic::finished, &m_reminders->alert(), &RingAlert::tuneFinished);
    connect(m_reminders, &Reminders::editRequested, this, [this](MemoId id) { m_view.editMemo(id); });
    if (m_services.tray)
        connect(m_services.tray, &TrayIcon::assistantDismissed, m_reminders, &Reminders::dismissAssistant);
}

void MainController::buildScheduler()
{
    Scheduler::Services services{m_services.run, m_view.setStatus};
    services.showSyncButton = m_view.showSyncButton;
    services.dueScan = [this] { rescanDue(); };
    services.clearMemory = [] { ClearMemory(); };
    services.syncData = [this] { m_sync->SyncData(); };
    services.syncStarted = [this] { return m_sync->SyncStarted(); };
    services.readNotice = [this] { m_notices->ReadNotice(); };
    services.downNotice = [this] { m_notices->DownNotice(); };
    services.rotateNotice = [this] { m_notices->rotate(); };
    services.noticeShown = [this] { return m_notices->NoticeShown(); };
    services.checkUpdate = [this] { m_versionCheck->CheckUpdate(); };
    services.delUpdateFile = [this] { DelUpdateFile(); };
    m_scheduler = std::make_unique<Scheduler>(std::move(services));
}

void MainController::connectSync()
{
    m_sync = new SyncSession(m_services.db, m_services.run, *m_inet1, this);
    m_sync->setServiceAddress(m_services.service);
    connect(m_sync, &SyncSession::statusText, this,
            [this](const QString& text) { m_view.setStatus(1, text); });
    connect(m_sync, &SyncSession::captionSuffix, this,
            [this](const QString& words) { m_view.setCaptionSuffix(words); });
    connect(m_sync, &SyncSession::soundRequested, this,
            [this](const QString& name) { m_view.playSound(name); });
    connect(m_sync, &SyncSession::memosChanged, this,
            [this] { memosChanged({MemoChange::Kind::Downloaded}); });
    connect(m_sync, &SyncSession::memoHeldBack, this,
            [this](MemoId, const QString& message) { m_services.boxes.warn(m_services.window, message); });
    connect(m_sync, &SyncSession::downloadSkipped, this,
            [this](qint64, const QString& message) { m_services.boxes.warn(m_services.window, message); });
    connect(m_sync, &SyncSession::serviceUnsupported, this,
            [this](const QString& message) { m_services.boxes.warn(m_services.window, message); });
    connect(m_sync, &SyncSession::clockBehind, this, [this](qint64 seconds) {
        m_services.boxes.warn(m_services.window, ClockBehindText(seconds));
        openDateTimeSettings();
    });
}

void MainController::start()
{
    m_timer1->start();
}

void MainController::memosChanged(const MemoChange& change)
{
    refreshAfter(change, m_refresh);
}

void MainController::rescanDue()
{
    if (!m_dueScan) {
        m_reminders->rescan();
        return;
    }
    m_reminders->MoveRing(false);
    m_dueScan();
}

void MainController::Command2_Click()
{
    if (m_dueScan)
        m_dueScan();
    else
        m_reminders->Command2_Click();
}

void MainController::stopAlert()
{
    m_timer2->stop();
    if (m_services.tray)
        m_services.tray->SetTrayIconA(TrayTipText(m_services.version));
}

void MainController::switchOnTimer3()
{
    if (!m_timer3->isActive())
        m_timer3->start();
}

void MainController::syncNow()
{
    m_scheduler->setSyncButtonTag(true);
    m_view.setStatus(1, QStringLiteral("状态:手动连接云同步..."));
    // The pass marks the synchronisation started, which ends the start-up countdown's own pass.
    m_sync->SyncData();
}

void MainController::replayStartup()
{
    m_scheduler->setTag(1);
}

void MainController::setFigure(int figure)
{
    m_reminders->mm_Click(figure);
}

void MainController::abortOnlineChecks()
{
    m_notices->abort();
    m_versionCheck->abort();
}

void MainController::stop()
{
    m_timer1->stop();
    m_reminders->MoveRing(true);
    m_timer3->stop();
}

void MainController::finishBeforeQuit(std::function<void()> done)
{
    m_sync->finishBeforeQuit([this, done = std::move(done)] {
        m_inet1->abort();
        done();
    });
}

void MainController::Timer1_Timer()
{
    m_scheduler->tick();
}

void MainController::Timer3_Timer()
{
    const SyncSession::CountdownStep step = m_sync->Timer3Tick();
    if (!step.status.isEmpty())
        m_view.setStatus(1, step.status);
    m_view.showSyncButton(step.showButton);
    if (step.stop)
        m_timer3->stop();
}

void MainController::DelUpdateFile()
{
    const QString path =
        DataFolder(QFileInfo(m_services.run.DbPath).absolutePath()).filePath(QStringLiteral("update.exe"));
    if (!FileExists(path))
        return;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(path);
}

} // namespace velmo
