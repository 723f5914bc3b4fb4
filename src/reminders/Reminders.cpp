#include "Reminders.h"

#include "controls/ClickLabel.h"
#include "controls/MessageBoxes.h"
#include "controls/WindowPlace.h"
#include "platform/Clock.h"
#include "reminders/FormMM.h"
#include "reminders/Form_Ring.h"
#include "reminders/RingAlert.h"
#include "reminders/RingTune.h"
#include "store/Database.h"
#include "store/RunState.h"
#include "store/Settings.h"
#include "tray/TrayIcon.h"

#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QTextDocument>
#include <QTimer>

namespace velmo {

namespace {

constexpr int kRowTop = 20;
constexpr int kRowHeight = 22;

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
}

Reminders::~Reminders()
{
    if (m_figure)
        delete m_figure.data();
}

QString Reminders::caption(size_t count) const
{
    return QStringLiteral("60天到期备忘;(%1)条").arg(count);
}

void Reminders::MoveRing(bool YesOrNo)
{
    if (YesOrNo) {
        clearRows();
        m_alert->stop();
        dismissAssistant();
    }
    m_services.frame2->setTitle(caption(0));
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
        m_services.frame2->setTitle(caption(m_last.memos.size()));
        return;
    }
    m_last = std::move(scan);
    clearRows();
    buildRows();
    m_services.frame2->setTitle(caption(m_last.memos.size()));
    m_services.frame2->setProperty("Tag", RingList());

    if (m_last.ringList.empty() || !m_services.run.settings.ReminderRing) {
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

void Reminders::clearRows()
{
    for (QWidget* row : m_rows)
        delete row;
    m_rows.clear();
}

void Reminders::buildRows()
{
    QGroupBox* sheet = m_services.frame2;
    const QPixmap dueNow(m_services.assets.filePath(QStringLiteral("images/red.gif")));
    const QPixmap ahead(m_services.assets.filePath(QStringLiteral("images/blue.gif")));
    const QPixmap ringing(m_services.assets.filePath(QStringLiteral("images/sound.gif")));
    const bool ringOn = m_services.run.settings.ReminderRing;
    const int width = sheet->width();
    int y = kRowTop;
    int index = 1;
    for (const DueMemo& memo : m_last.memos) {
        const MemoId id = memo.id;
        auto open = [this, id] { openRing(id); };
        auto* picture = new ClickLabel(QString(), sheet);
        picture->setObjectName(QStringLiteral("ucAniGIF_%1").arg(index));
        picture->setPixmap(memo.dueNow ? dueNow : ahead);
        picture->setGeometry(6, y + 2, 16, 16);
        auto* days = new ClickLabel(QStringLiteral("剩:%1天").arg(memo.daysLeft), sheet);
        days->setObjectName(QStringLiteral("Label2_%1").arg(index));
        days->setGeometry(26, y, 64, kRowHeight - 2);
        auto* title = new ClickLabel(memo.title, sheet);
        title->setObjectName(QStringLiteral("Label1_%1").arg(index));
        // A memo's title is its text, never markup.
        title->setTextFormat(Qt::PlainText);
        title->setGeometry(92, y, width - 92 - 28, kRowHeight - 2);
        title->setToolTip(Qt::convertFromPlainText(memo.title, Qt::WhiteSpaceNormal));
        auto* sound = new QLabel(sheet);
        sound->setObjectName(QStringLiteral("Image1_%1").arg(index));
        sound->setPixmap(ringing);
        sound->setGeometry(width - 24, y + 2, 16, 16);
        const bool rings =
            ringOn && std::find(m_last.ringList.begin(), m_last.ringList.end(), id) != m_last.ringList.end();
        sound->setVisible(rings);
        for (ClickLabel* label : {picture, days, title}) {
            label->setCursor(Qt::PointingHandCursor);
            connect(label, &ClickLabel::clicked, this, open);
            label->show();
        }
        m_rows.insert(m_rows.end(), {picture, days, title, sound});
        y += kRowHeight;
        ++index;
    }
    // As tall as its rows, and never shorter than the panel: a few rows do not scroll away.
    const int panelHeight = sheet->parentWidget() ? sheet->parentWidget()->height() : sheet->height();
    sheet->resize(sheet->width(), std::max(panelHeight, y + kRowTop));
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
        // The memo has gone: rescan, but after this click is over, since the rescan deletes the
        // panel's rows and the click may have come from one of them.
        QTimer::singleShot(0, this, [this] {
            MoveRing(true);
            Command2_Click();
        });
        return;
    }
    m_ringWindows.insert(memoId, window);
    connect(window, &Form_Ring::editRequested, this, &Reminders::editRequested);
    connect(window, &Form_Ring::acted, this, [this] {
        MoveRing(true);
        Command2_Click();
        if (m_services.memosChanged)
            m_services.memosChanged();
    });
    connect(window, &QObject::destroyed, this, [this, memoId] { m_ringWindows.remove(memoId); });
    window->show();
    centreOnScreen(window,
                   QPoint(kRingCascade, kRingCascade) * static_cast<int>((m_ringWindows.size() - 1) % 8));
    window->raise();
    window->activateWindow();
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
