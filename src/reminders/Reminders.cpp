#include "Reminders.h"

#include "controls/MessageBoxes.h"
#include "controls/WindowPlace.h"
#include "platform/Clock.h"
#include "reminders/DuePanel.h"
#include "reminders/FormMM.h"
#include "reminders/Form_Ring.h"
#include "reminders/RingAlert.h"
#include "reminders/RingTune.h"
#include "store/Database.h"
#include "store/RunState.h"
#include "store/Settings.h"
#include "tray/TrayIcon.h"

#include <QTimer>

namespace velmo {

namespace {

// A new reminder window opens in the middle of the screen (the main window may be in the tray);
// each further one stands this far below and right of the one before.
constexpr int kRingCascade = 24;

} // namespace

Reminders::Reminders(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    RingAlert::Services alert{m_services.run,  m_services.tune,      m_services.timer2,
                              m_services.tray, m_services.normalTip, [this] { showFigure(); }};
    m_alert = std::make_unique<RingAlert>(std::move(alert));
    connect(m_services.panel, &DuePanel::memoClicked, this, &Reminders::openRing);
}

Reminders::~Reminders()
{
    if (m_figure)
        delete m_figure.data();
}

void Reminders::MoveRing(bool YesOrNo)
{
    if (YesOrNo) {
        m_services.panel->clearRows();
        stopRinging();
    }
    m_services.panel->setCount(0);
}

void Reminders::stopRinging()
{
    m_alert->stop();
    dismissAssistant();
}

void Reminders::rescan()
{
    if (m_services.run.Exiting)
        m_services.panel->setCount(0);
    else
        Command2_Click();
}

void Reminders::Command2_Click()
{
    if (m_services.run.Exiting)
        return;
    DueScanResult scan =
        scanDueMemos(m_services.db, m_services.run.UserId, Clock::currentDateTime(), m_loginRingFlag);
    if (!scan.ok) {
        // The panel keeps what it showed: an unreadable table is not an empty one.
        if (m_services.status)
            m_services.status(QStringLiteral("状态:到期备忘读取失败:") + scan.error);
        m_services.panel->setCount(m_last.memos.size());
        return;
    }
    m_last = std::move(scan);
    const bool ringOn = m_services.run.settings.ReminderRing;
    m_services.panel->showScan(m_last, ringOn);
    m_services.panel->setCount(m_last.memos.size());

    if (m_last.ringList.empty() || !ringOn) {
        m_alert->stop();
        dismissAssistant();
        return;
    }
    for (const DueMemo& memo : m_last.memos) {
        if (memo.id == m_last.ringList.front()) {
            m_alert->start(ringTunePath(m_services.assets, memo.sound, memo.diySound));
            break;
        }
    }
}

QString Reminders::RingList() const
{
    return ringListText(m_last.ringList);
}

void Reminders::openRing(MemoId memoId)
{
    if (QPointer<Form_Ring> open = m_ringWindows.value(memoId)) {
        open->showNormal();
        open->raise();
        open->activateWindow();
        return;
    }
    Form_Ring::Services services{m_services.db,         m_services.run,  m_services.assets,
                                 m_services.boxes,      m_loginRingFlag, m_services.categoryName,
                                 m_services.repeatLabel};
    auto* window = new Form_Ring(services, memoId, m_services.mainWindow);
    if (!window->load()) {
        delete window;
        rescanLater();
        return;
    }
    m_ringWindows.insert(memoId, window);
    connect(window, &Form_Ring::editRequested, this, &Reminders::editRequested);
    connect(window, &Form_Ring::memoGone, this, &Reminders::rescanLater);
    connect(window, &Form_Ring::acted, this, [this](MemoId id) {
        if (m_services.memosChanged)
            m_services.memosChanged({MemoChange::Kind::RingAction, {id}});
    });
    connect(window, &QObject::destroyed, this, [this, memoId] { m_ringWindows.remove(memoId); });
    window->show();
    centreOnScreen(window,
                   QPoint(kRingCascade, kRingCascade) * static_cast<int>((m_ringWindows.size() - 1) % 8));
    window->raise();
    window->activateWindow();
}

void Reminders::rescanLater()
{
    // After the click that led here is over: the rescan deletes the panel's rows, and the click may
    // have come from one of them.
    QTimer::singleShot(0, this, [this] {
        MoveRing(true);
        Command2_Click();
    });
}

void Reminders::showFigure()
{
    if (!m_figure) {
        m_figure = new FormMM(m_services.assets, effectiveMmNumber(m_services.run.settings.MmNumber));
        m_figure->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_figure, &FormMM::clicked, this, [this] {
            m_services.run.AssistantDismissed = true;
            dismissAssistant();
            TrayIcon::raiseWindow(m_services.mainWindow);
        });
    }
    if (!m_figure->isVisible())
        keepOutOfTaskbar(m_figure);
    m_figure->show();
    m_figure->raise();
}

void Reminders::dismissAssistant()
{
    if (m_figure)
        m_figure->close();
}

void Reminders::mm_Click(int Index)
{
    if (Index < 1 || Index > 6)
        return;
    m_services.run.settings.MmNumber = Index;
    if (m_figure)
        m_figure->setFigure(Index);
}

} // namespace velmo
