#include "ConflictWindows.h"

#include "controls/MessageBoxes.h"
#include "editor/MemoForm.h"
#include "editor/MemoViews.h"
#include "store/RunState.h"
#include "store/SyncRows.h"
#include "sync/ConflictSave.h"
#include "sync/ServerRecord.h"
#include "sync/SyncSession.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <algorithm>

namespace velmo {

namespace {

// The design's client area, 7680 x 5955 twips, at 15 twips a pixel.
constexpr int DesignWidth = 512;
constexpr int DesignHeight = 397;

const QString changedMeanwhileText =
    QStringLiteral("该备忘在本机已被修改或删除,请关闭冲突窗口,下次同步时再作选择。");

QLabel* wrappedLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

} // namespace

ConflictWindow::ConflictWindow(EditorServices services, SyncSession& sync, bool serverCopy, QWidget* parent)
    : MemoEditorWindow(services,
                       serverCopy ? QStringLiteral("数据同步冲突管理：网络数据")
                                  : QStringLiteral("数据同步冲突管理：本地数据"),
                       QStringLiteral("Command6"), parent)
    , m_services(std::move(services))
    , m_sync(sync)
    , m_serverCopy(serverCopy)
{
    setObjectName(serverCopy ? QStringLiteral("CompareServer") : QStringLiteral("CompareLocal"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // The conflict windows are left by keeping a copy, by Esc or by the close box.
    addButtons(serverCopy ? QStringLiteral("以网络为准完成同步(&S)")
                          : QStringLiteral("以本地为准完成同步(&S)"),
               false);
    addRow(wrappedLabel(QStringLiteral("Label4"),
                        serverCopy
                            ? QStringLiteral("问：为什么会出现数据同步冲突？")
                            : QStringLiteral("说明：因为本地数据和网络数据出现同步冲突，为避免电脑判断失误，"
                                             "影响您的备忘记录。所以需要您来判断需要保存哪个版本的数据。"),
                        this));
    addRow(wrappedLabel(
        QStringLiteral("Label5"),
        serverCopy ? QStringLiteral(
                         "答：比如，您在A电脑修改了A备忘，当时网络故障，没有同步到服务器，然后您又在B电脑上修"
                         "改了A备忘，同步到了服务器。您再次用A电脑联网同步时候，就会提示数据同步冲突，需要您"
                         "来判断需要保留哪个版本。")
                   : QStringLiteral("您可以以本地或网络任意一个为蓝本，复制编辑后保存完成同步操作。"),
        this));
}

ConflictWindow::~ConflictWindow() = default;

void ConflictWindow::Form_Load()
{
    form()->loadLists();
    place(sizeHint().expandedTo(QSize(DesignWidth, DesignHeight)));
    Command5_Click();
    form()->focusTitle();
}

void ConflictWindow::place(const QSize& size)
{
    setFixedSize(size);
    // The two windows meet at the screen's centre line, the service's copy on the right.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const int centre = area.x() + area.width() / 2;
        const int left = m_serverCopy ? centre + 1 : centre - size.width() - 1;
        move(left, area.y() + area.height() / 2 - size.height() / 2);
    }
}

SaveOutcome ConflictWindow::save(const EditorInput& input)
{
    SaveOutcome outcome;
    if (!m_kept) {
        outcome.result = SaveOutcome::Result::Failed;
        outcome.message = MemoSave::memoGoneText();
        return outcome;
    }
    const KeptCopy copy =
        keptCopy(MemoSave(m_services.db, m_services.run, m_services.views), *m_kept, m_shown, input);
    if (!copy.outcome.saved())
        return copy.outcome;
    const int synnum = counterAbove(std::max(m_localSynnum, m_serverSynnum));
    const StoreResult stored = storeSettledCopy(m_services.db, m_services.run.UserId, m_localId,
                                                m_localSynnum, copy.memo, synnum, m_serverSynnum);
    outcome = copy.outcome;
    if (!stored || stored.rowsAffected == 0) {
        outcome.result = SaveOutcome::Result::Failed;
        outcome.message = !stored ? MemoSave::writeFailedText() + u'\n' + stored.error : changedMeanwhileText;
        return outcome;
    }
    outcome.memoId = m_localId;
    m_services.views.memosChanged({MemoChange::Kind::Settled, {m_localId}});
    m_sync.conflictSettled(m_serverCopy);
    emit settled(m_serverCopy);
    return outcome;
}

bool ConflictWindow::load(
    const std::function<MemoRecord(const MemoRecord& local, const MemoRecord& server)>& copyOf)
{
    const std::optional<ConflictRecord> server = parseConflictData(m_sync.ConflictData());
    if (!server)
        return false;
    const OwnMemoRead local = readByServerId(m_services.db, m_services.run.UserId, server->serverId);
    if (!local.ok)
        m_services.boxes.warn(this, QStringLiteral("备忘读取失败:") + local.error);
    if (!local.value)
        return false;
    MemoRecord shown = copyOf(*local.value, server->memo);
    shown.id = local.value->id; // the save writes the local row
    form()->showMemo(shown, shown.AlertTimeNongli);
    m_kept = shown;
    m_shown = form()->input();
    m_localId = local.value->id;
    m_localSynnum = local.value->synnum;
    m_serverSynnum = server->memo.synnum;
    return true;
}

CompareLocal::CompareLocal(EditorServices services, SyncSession& sync, QWidget* parent)
    : ConflictWindow(std::move(services), sync, false, parent)
{
}

bool CompareLocal::Command5_Click()
{
    return load([](const MemoRecord& local, const MemoRecord&) { return local; });
}

CompareServer::CompareServer(EditorServices services, SyncSession& sync, QWidget* parent)
    : ConflictWindow(std::move(services), sync, true, parent)
{
}

bool CompareServer::Command5_Click()
{
    return load([](const MemoRecord&, const MemoRecord& server) { return server; });
}

ConflictWindows::ConflictWindows(EditorServices services, SyncSession& sync, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_sync(sync)
{
}

ConflictWindows::~ConflictWindows()
{
    delete m_local;
    delete m_server;
}

template <typename Window>
void ConflictWindows::create(QPointer<Window>& window)
{
    if (window)
        return;
    window = new Window(m_services, m_sync);
    connect(window, &ConflictWindow::settled, this, &ConflictWindows::onSettled);
    ++m_openWindows;
    connect(window, &QObject::destroyed, this, &ConflictWindows::onClosed);
    connect(window, &MemoEditorWindow::mailDialogRequested, this, [this] {
        if (m_showMailDialog)
            m_showMailDialog();
    });
    window->Form_Load();
}

void ConflictWindows::open()
{
    const bool placed = m_local || m_server;
    create(m_local);
    create(m_server);
    // Their own texts differ in length: both take the larger size before they first show, so
    // their tops line up.
    if (!placed) {
        const QSize common = m_local->size().expandedTo(m_server->size());
        m_local->place(common);
        m_server->place(common);
    }
    for (QWidget* window : {static_cast<QWidget*>(m_local), static_cast<QWidget*>(m_server)}) {
        window->show();
        window->raise();
    }
}

void ConflictWindows::onSettled(bool serverCopyKept)
{
    // The other window goes too; the one saved closes itself.
    for (ConflictWindow* window :
         {static_cast<ConflictWindow*>(m_local), static_cast<ConflictWindow*>(m_server)}) {
        if (window && window->serverCopy() != serverCopyKept)
            window->close();
    }
    if (serverCopyKept) {
        if (m_restartScheduler)
            m_restartScheduler();
        m_services.boxes.warn(m_services.owner, QStringLiteral("同步成功！"));
    }
}

void ConflictWindows::onClosed()
{
    // Counted, not compared with the guards: a window being destroyed is no longer of its own class.
    if (--m_openWindows == 0)
        m_sync.conflictWindowsClosed();
}

} // namespace velmo
