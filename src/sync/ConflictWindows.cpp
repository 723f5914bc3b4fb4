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
#include <QLayout>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <span>

namespace velmo {

namespace {

// The design's client area, 7680 x 5955 twips, at 15 twips a pixel.
constexpr int DesignWidth = 512;
constexpr int DesignHeight = 397;

// A control's place in the window's design, in twips, relative to the frame that holds it.
struct DesignPlace
{
    const char* name;
    int left, top, width, height;
};

// The places the two windows share. The lunar date picker, three boxes where the solar one is one,
// stands where the solar one does and takes the room before it as well.
constexpr DesignPlace sharedPlaces[] = {
    {"Label1_0", 240, 240, 975, 255},  {"Text1", 1320, 120, 4215, 375},     {"Label2", 5760, 240, 375, 255},
    {"Label3", 6120, 240, 1335, 255},  {"Label1_1", 240, 720, 975, 255},    {"Combo1", 1320, 720, 1455, 300},
    {"Label1_3", 240, 1320, 975, 255}, {"Combo2", 1320, 1320, 1455, 300},   {"Label1_2", 240, 1920, 975, 255},
    {"Frame1", 1320, 1800, 6135, 615}, {"Option1", 120, 240, 855, 255},     {"Option2", 960, 240, 855, 255},
    {"DT1", 2040, 240, 2295, 255},     {"DT1Lunar", 1830, 240, 2505, 255},  {"DT2", 4440, 240, 1455, 255},
    {"Label1_4", 240, 2520, 975, 255}, {"Text2", 1320, 2520, 6135, 1335},   {"Label1_5", 240, 3960, 975, 255},
    {"Check1", 1320, 3960, 1095, 255}, {"Check2", 2640, 3960, 1095, 255},   {"Check3", 3960, 3960, 1455, 255},
    {"Label1_6", 240, 4440, 975, 255}, {"Frame2", 1320, 4320, 6135, 735},   {"Combo3", 150, 270, 1575, 300},
    {"Check4", 1800, 240, 1215, 375},  {"Text3", 3120, 240, 1455, 375},     {"Command3", 4680, 240, 615, 375},
    {"Command4", 5400, 240, 615, 375}, {"Command1", 2880, 5280, 2295, 495},
};
// The notes stand beside the two lists, and the bind-mail button after the mail option.
constexpr DesignPlace serverPlaces[] = {
    {"Command6", 5520, 3960, 1335, 265},
    {"Label4", 3000, 720, 4335, 255},
    {"Label5", 3000, 960, 4335, 855},
};
constexpr DesignPlace localPlaces[] = {
    {"Command6", 5640, 3960, 1335, 265},
    {"Label4", 3120, 1200, 4335, 615},
    {"Label5", 3120, 720, 4335, 375},
};

// The order the Tab key takes through the controls, as the design sets it. The lunar date picker
// stands in the solar one's place.
constexpr const char* tabOrder[] = {
    "Text1",  "Combo1",   "DT2",   "DT1",    "DT1Lunar", "Option1",  "Option2", "Text2",  "Check1",  "Check2",
    "Check3", "Command3", "Text3", "Combo3", "Command4", "Command1", "Combo2",  "Check4", "Command6"};

// Where each copy says whether it is done: left of the save button, on the design's free ground.
constexpr DesignPlace statePlace{"Label6", 240, 5400, 2535, 255};

// Takes each named control of the form out of the layout it stands in and puts it at its place.
void placeByDesign(QWidget* form, std::span<const DesignPlace> places)
{
    for (const DesignPlace& place : places) {
        auto* control = form->findChild<QWidget*>(QLatin1String(place.name));
        if (!control)
            continue;
        delete control->parentWidget()->layout();
        control->setGeometry(place.left / 15, place.top / 15, place.width / 15, place.height / 15);
    }
}

// Chains the named controls in the design's tab order. A control that takes no focus itself (the
// lunar date picker) is chained by its parts, in their own order.
void chainTabOrder(QWidget* form)
{
    QWidget* previous = nullptr;
    for (const char* name : tabOrder) {
        auto* control = form->findChild<QWidget*>(QLatin1String(name));
        if (!control)
            continue;
        QList<QWidget*> stops{control};
        if (!(control->focusPolicy() & Qt::TabFocus)) {
            stops.clear();
            for (QWidget* part : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (part->focusPolicy() & Qt::TabFocus)
                    stops << part;
            }
        }
        for (QWidget* stop : stops) {
            if (previous)
                QWidget::setTabOrder(previous, stop);
            previous = stop;
        }
    }
}

// The two frames have no caption: their lines stand at their places, not below the room the skin
// keeps for a caption.
void uncaptionedFrames(QWidget* form)
{
    for (const char* frame : {"Frame1", "Frame2"})
        form->findChild<QWidget*>(QLatin1String(frame))
            ->setStyleSheet(QStringLiteral("QGroupBox { margin-top: 0px; padding-top: 0px; }"));
}

// The design's places are small for the skin's 9 pt and its buttons' padding: the notes take 8 pt so
// that their whole text shows, the small buttons do without padding, and the title box takes the
// design's 10.5 pt. (Style sheets, since the skin's own would override a font set on the widget.)
void fitTexts(QWidget* form)
{
    for (const char* note : {"Label4", "Label5"})
        form->findChild<QWidget*>(QLatin1String(note))->setStyleSheet(QStringLiteral("font-size: 8pt"));
    for (const char* button : {"Command3", "Command4", "Command6"})
        form->findChild<QWidget*>(QLatin1String(button))
            ->setStyleSheet(QStringLiteral("padding: 0px 2px; min-height: 0px"));
    form->findChild<QWidget*>(QStringLiteral("DT1Lunar"))
        ->setStyleSheet(QStringLiteral("QSpinBox, QComboBox { padding: 0px 1px; }"));
    form->findChild<QWidget*>(QStringLiteral("Text1"))->setStyleSheet(QStringLiteral("font-size: 10.5pt"));
}

const QString changedMeanwhileText =
    QStringLiteral("该备忘在本机已被修改或删除,请关闭冲突窗口,下次同步时再作选择。");

QLabel* wrappedLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
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
    auto* save = new QPushButton(serverCopy ? QStringLiteral("以网络为准完成同步(&S)")
                                            : QStringLiteral("以本地为准完成同步(&S)"),
                                 form());
    save->setObjectName(QStringLiteral("Command1"));
    connect(save, &QPushButton::clicked, this, &MemoEditorWindow::Command1_Click);
    wrappedLabel(QStringLiteral("Label4"),
                 serverCopy ? QStringLiteral("问：为什么会出现数据同步冲突？")
                            : QStringLiteral("说明：因为本地数据和网络数据出现同步冲突，为避免电脑判断失误，"
                                             "影响您的备忘记录。所以需要您来判断需要保存哪个版本的数据。"),
                 form());
    wrappedLabel(
        QStringLiteral("Label5"),
        serverCopy ? QStringLiteral(
                         "答：比如，您在A电脑修改了A备忘，当时网络故障，没有同步到服务器，然后您又在B电脑上修"
                         "改了A备忘，同步到了服务器。您再次用A电脑联网同步时候，就会提示数据同步冲突，需要您"
                         "来判断需要保留哪个版本。")
                   : QStringLiteral("您可以以本地或网络任意一个为蓝本，复制编辑后保存完成同步操作。"),
        form());
    m_state = new QLabel(form());
    m_state->setObjectName(QLatin1String(statePlace.name));
    m_state->setTextFormat(Qt::PlainText);
    // The form fills the window, every control at its place in the design.
    layout()->setContentsMargins(0, 0, 0, 0);
    placeByDesign(form(), sharedPlaces);
    placeByDesign(form(), serverCopy ? std::span<const DesignPlace>(serverPlaces) : localPlaces);
    placeByDesign(form(), {&statePlace, 1});
    fitTexts(form());
    uncaptionedFrames(form());
    chainTabOrder(form());
}

ConflictWindow::~ConflictWindow() = default;

void ConflictWindow::Form_Load()
{
    form()->loadLists();
    place();
    Command5_Click();
    form()->focusTitle();
}

void ConflictWindow::place()
{
    setFixedSize(DesignWidth, DesignHeight);
    // The two windows meet at the screen's centre line by their frames, the service's copy on the
    // right. The frame is known once the window manager has put one round the window: until then
    // the window is placed as if it had none, and again when its frame comes.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QSize frame = frameGeometry().size();
        const int centre = area.x() + area.width() / 2;
        const int left = m_serverCopy ? centre + 1 : centre - frame.width() - 1;
        move(left, area.y() + area.height() / 2 - frame.height() / 2);
        m_placedFrame = frame;
    }
}

void ConflictWindow::moveEvent(QMoveEvent* event)
{
    MemoEditorWindow::moveEvent(event);
    // Once placed by its frame, the window stays where the user moves it.
    if (isVisible() && frameGeometry().size() != m_placedFrame)
        place();
}

void ConflictWindow::showEvent(QShowEvent* event)
{
    MemoEditorWindow::showEvent(event);
    if (frameGeometry().size() != m_placedFrame)
        place();
}

void ConflictWindow::showState(const MemoRecord& shown, const MemoRecord& other)
{
    // The list's words for the two states; a copy whose state differs from the other's says so.
    const auto state = [](const MemoRecord& memo) {
        return memo.Done ? QStringLiteral("完成") : QStringLiteral("进行");
    };
    const bool differs = shown.Done != other.Done;
    m_state->setText(QStringLiteral("备忘状态：") + state(shown) +
                     (differs ? QStringLiteral("(另一份为%1)").arg(state(other)) : QString()));
    m_state->setStyleSheet(differs ? QStringLiteral("color: #c00000; font-weight: bold") : QString());
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
    showState(shown, m_serverCopy ? *local.value : server->memo);
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
    create(m_local);
    create(m_server);
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
