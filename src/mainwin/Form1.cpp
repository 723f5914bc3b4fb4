#include "Form1.h"

#include "controls/MessageBoxes.h"
#include "controls/RVTPropGadget.h"
#include "controls/Skin.h"
#include "controls/WebPages.h"
#include "controls/kvbutton/KvButton.h"
#include "mainwin/AboutDialog.h"
#include "mainwin/FindDialog.h"
#include "mainwin/MainDesign.h"
#include "mainwin/MainLayout.h"
#include "mainwin/Scheduler.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"
#include "platform/MemoryTrim.h"
#include "platform/ServiceChannel.h"
#include "platform/Sounds.h"
#include "platform/TunePlayer.h"
#include "platform/VersionText.h"
#include "reminders/Reminders.h"
#include "reminders/RingTune.h"
#include "settings/Form_Config.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/MemoListQueries.h"
#include "store/MemoState.h"
#include "store/RunState.h"
#include "sync/DateTimeSettings.h"
#include "sync/NoticeBoard.h"
#include "sync/SyncSession.h"
#include "sync/VersionCheck.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QWheelEvent>

#include <algorithm>

namespace velmo {

namespace {

using MainLayout::px;

const QString deleteTitle = QStringLiteral("删除提示");

QLabel* namedLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QTimer* namedTimer(const QString& name, int intervalMs, QObject* parent)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(name);
    timer->setInterval(intervalMs);
    return timer;
}

} // namespace

Form1::Form1(Services services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(m_services.assets.filePath(QStringLiteral("images/velmo.ico"))));
    if (!m_services.trayAvailable)
        m_services.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(MainLayout::ClientWidth), px(MainLayout::ClientHeight));
    setCentralWidget(client);

    buildMenus();
    buildToolbar(client);
    buildViews(client);
    buildDuePanel(client);
    buildNoticeStrip(client);
    buildStatusBar();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_command1 = new QPushButton(QStringLiteral("同步"), client);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setGeometry(MainLayout::Command1);
    m_command1->hide();
    connect(m_command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    m_command2 = new QPushButton(QStringLiteral("读取响铃"), client);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->hide();
    connect(m_command2, &QPushButton::clicked, this, &Form1::Command2_Click);

    m_timer1 = namedTimer(QStringLiteral("Timer1"), 1000, this);
    connect(m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    m_timer2 = namedTimer(QStringLiteral("Timer2"), 400, this);
    m_timer3 = namedTimer(QStringLiteral("Timer3"), 1000, this);
    connect(m_timer3, &QTimer::timeout, this, &Form1::Timer3_Timer);
    m_inet1 = new ServiceChannel(this);
    m_inet1->setObjectName(QStringLiteral("Inet1"));
    const auto pageOpener = [this](const QUrl& url) { openPage(url); };
    m_notices = new NoticeBoard(m_services.db, m_services.service, pageOpener, this);
    connect(m_notices, &NoticeBoard::changed, this, &Form1::showNotice);
    connect(this, &Form1::exiting, m_notices, &NoticeBoard::abort);
    m_versionCheck =
        new VersionCheck({m_services.service, m_services.version, m_services.boxes, pageOpener, this}, this);
    connect(this, &Form1::exiting, m_versionCheck, &VersionCheck::abort);
    connectSync();
    buildReminders();
    buildScheduler();

    // Esc hides the window wherever the focus is inside it.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    // Logging out of the desktop ends the program the same way the quit command does.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { sessionEnding(); });
}

Form1::~Form1() = default;

// ---------------------------------------------------------------------------------------------
// Building the window

void Form1::buildMenus()
{
    m_menus = MainMenus::build(*this);
    const int figure = m_services.run.settings.MmNumber;
    if (figure >= 1 && figure <= m_menus.figures.size())
        m_menus.figures.at(figure - 1)->setChecked(true);
}

void Form1::buildToolbar(QWidget* client)
{
    for (int index = 0; index < MainDesign::ToolbarButtonCount; ++index) {
        auto* button = new KvButton(MainDesign::toolbarButton(index, m_services.assets), client, index);
        button->setObjectName(QStringLiteral("Button_%1").arg(index));
        button->resize(px(MainLayout::ButtonWidth), px(MainLayout::ButtonHeight));
        connect(button, &KvButton::Click, this, &Form1::Button_Click);
        m_buttons.push_back(button);
    }
    m_buttons.front()->move(px(MainLayout::ButtonLeft), px(MainLayout::ButtonTop));
}

void Form1::buildViews(QWidget* client)
{
    m_tree = new QTreeWidget(client);
    m_tree->setObjectName(QStringLiteral("TreeView1"));
    m_tree->setGeometry(MainLayout::TreeView1);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { TreeView1_NodeClick(item); });
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { TreeView1_MouseUp(Qt::RightButton, position); });

    m_listModel = new MemoListModel(this);
    m_list = new QTreeView(client);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setGeometry(MainLayout::ListView1);
    m_list->setModel(m_listModel);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setStretchLastSection(false);
    m_list->installEventFilter(this);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &Form1::ListView1_ColumnClick);
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { ListView1_DblClick(); });
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { ListView1_MouseUp(Qt::RightButton, position); });
}

void Form1::buildDuePanel(QWidget* client)
{
    m_frame1 = new QFrame(client);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(MainLayout::Frame1);
    // The viewport draws the panel's outline: the sheet inside runs on below its bottom edge.
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setFrameShadow(QFrame::Sunken);
    m_frame1->installEventFilter(this);

    m_frame2 = new QGroupBox(QStringLiteral("60天到期备忘;(0)条"), m_frame1);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setFlat(true);
    m_frame2->setGeometry(0, 0, m_frame1->width(), px(MainLayout::Frame2Height));
    m_frame2->installEventFilter(this);

    // Element 0 of each row array: the template of one due row, filled in by the due scan.
    auto* gif = namedLabel(QStringLiteral("ucAniGIF_0"), QString(), m_frame2);
    gif->setCursor(Qt::PointingHandCursor);
    gif->hide();
    namedLabel(QStringLiteral("Label2_0"), QStringLiteral("剩:0天"), m_frame2)->hide();
    auto* label1 = namedLabel(QStringLiteral("Label1_0"), QStringLiteral("备忘标签"), m_frame2);
    label1->setCursor(Qt::PointingHandCursor);
    label1->hide();
    namedLabel(QStringLiteral("Image1_0"), QString(), m_frame2)->hide();

    m_gadget = new RVTPropGadget(client);
    m_gadget->setObjectName(QStringLiteral("RVTPropGadget1"));
    m_gadget->setGeometry(MainLayout::RVTPropGadget1);
    m_gadget->readProperties(MainDesign::dueScroller());
    m_gadget->installEventFilter(this);
    connect(m_gadget, &RVTPropGadget::ValueChanged, this, &Form1::RVTPropGadget1_ValueChanged);
}

void Form1::buildNoticeStrip(QWidget* client)
{
    m_picture1 = new QFrame(client);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->resize(px(MainLayout::Picture1Width), px(MainLayout::Picture1Height));
    m_picture1->setAutoFillBackground(true);
    QPalette strip = m_picture1->palette();
    strip.setColor(QPalette::Window, QColor(0xE0, 0xEC, 0xFD));
    m_picture1->setPalette(strip);

    m_label5 = namedLabel(QStringLiteral("Label5"), QStringLiteral("公告:"), m_picture1);
    m_label5->hide();
    m_label3 = namedLabel(QStringLiteral("Label3"), QStringLiteral("Velmov1.7 全新发布"), m_picture1);
    m_label3->setCursor(Qt::PointingHandCursor);
}

void Form1::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("SB"));
    bar->setSizeGripEnabled(false);
    const QString designTexts[7] = {QStringLiteral("状态:空闲"),
                                    QStringLiteral("阳历："),
                                    QLocale().toString(Clock::currentDate(), QLocale::ShortFormat),
                                    QStringLiteral("农历："),
                                    QString(),
                                    QString(),
                                    QString()};
    for (int i = 0; i < 7; ++i) {
        auto* panel = namedLabel(QStringLiteral("SB_Panel%1").arg(i + 1), designTexts[i], bar);
        panel->setFixedWidth(px(MainLayout::StatusPanelWidths[i]));
        bar->addWidget(panel, i == 0 ? 1 : 0);
        m_statusPanels.push_back(panel);
    }
}

void Form1::loadTreeIcons()
{
    m_imageList.clear();
    // A missing icon file leaves the previous picture in its place, as the scratch image did.
    QPixmap scratch;
    for (int i = 1; i <= 9; ++i) {
        const QPixmap picture(m_services.assets.filePath(QStringLiteral("images/%1.ico").arg(i)));
        if (!picture.isNull())
            scratch = picture;
        m_imageList.append(scratch.isNull() ? QIcon() : QIcon(scratch));
    }
}

void Form1::ListView1_Setup()
{
    for (int column = 0; column < MemoCells::ColumnCount; ++column)
        m_list->setColumnWidth(column, px(MemoListModel::columnWidthTwips(column)));
    // The last column holds the memo id for the commands and is never seen.
    m_list->setColumnHidden(MemoCells::HiddenIdColumn, true);
}

// ---------------------------------------------------------------------------------------------
// Load, layout, close and quit

void Form1::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    // The window takes the skin kept in the data folder; without a readable one it keeps its look.
    AttachSkin(skinFilePath(dataFolder()));
    m_titleText = ::velmo::TitleText(m_services.version);
    setWindowTitle(m_titleText);
    Form_Resize();
    loadTreeIcons();
    ListView1_Setup();
    ReadUndo();
    ReadCount();
    TreeView1_Setup();
    Command2_Click();
    if (m_services.run.settings.AutoHide && m_services.trayAvailable())
        setVisible(false);
    else
        setVisible(true);
    m_wheelHooked = true;
    m_timer1->start();
    ClearMemory();
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::Form_Resize()
{
    for (size_t i = 1; i < m_buttons.size(); ++i) {
        const QWidget* previous = m_buttons[i - 1];
        m_buttons[i]->move(previous->x() + previous->width() + px(MainLayout::ButtonGap), m_buttons[0]->y());
    }
    const QWidget* client = centralWidget();
    m_picture1->move(px(MainLayout::Picture1Left),
                     client->height() - m_picture1->height() - px(MainLayout::Picture1BottomMargin));
    m_label5->move(px(MainLayout::Label5Left), px(MainLayout::Label5Top));
    m_label3->move(m_label5->x() + px(MainLayout::Label3FromLabel5), px(MainLayout::Label3Top));
    m_frame2->setGeometry(0, 0, m_frame1->width(), m_frame2->height());
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (!m_services.run.Exiting) {
        // Closing only hides the window; the program goes on in the tray.
        event->ignore();
        m_services.run.AssistantDismissed = false;
        hideToTray();
        return;
    }
    event->accept();
    if (m_quitting)
        return;
    m_quitting = true;
    emit exiting();
    m_wheelHooked = false;
    m_timer1->stop();
    m_reminders->MoveRing(true);
    m_timer3->stop();
    // Closing a window may close or delete others: work through a copy of the list, guarded.
    const QWidgetList windows = QApplication::topLevelWidgets();
    std::vector<QPointer<QWidget>> others;
    for (QWidget* window : windows) {
        if (window != this)
            others.emplace_back(window);
    }
    for (const QPointer<QWidget>& window : others) {
        if (window)
            window->close();
    }
    hide();
    // The answer to an upload under way is waited for (a few seconds at most) and written down; then
    // any other transfer ends, while its handler can still reach the database.
    m_sync->finishBeforeQuit([this] {
        m_inet1->abort();
        m_services.db.close();
        emit quitRequested();
    });
}

void Form1::MDIexit_Click()
{
    m_services.run.Exiting = true;
    close();
}

void Form1::sessionEnding()
{
    MDIexit_Click();
}

void Form1::MDIhide_Click()
{
    hideToTray();
}

void Form1::hideToTray()
{
    if (m_services.trayAvailable())
        hide();
    else
        showMinimized();
}

void Form1::menu_xianshichengxu_Click()
{
    showNormal();
    raise();
    activateWindow();
}

DataFolder Form1::dataFolder() const
{
    return DataFolder(QFileInfo(m_services.run.DbPath).absolutePath());
}

void Form1::DelUpdateFile()
{
    const QString path = dataFolder().filePath(QStringLiteral("update.exe"));
    if (!FileExists(path))
        return;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(path);
}

// ---------------------------------------------------------------------------------------------
// Tree

void Form1::ReadCount()
{
    QString error;
    if (!m_counts.read(m_services.db, m_services.run.UserId, &error)) {
        // Counts that could not be read are not zero: say so.
        playSound(QStringLiteral("error.wav"));
        setStatusText(1, QStringLiteral("状态:备忘统计读取失败:") + error);
    }
}

void Form1::TreeView1_Setup()
{
    m_tree->clear();
    auto addGroup = [this](bool done, int rootImage) {
        auto* root =
            new QTreeWidgetItem(m_tree, {MemoNode::caption(MemoNode{done, 0}, m_counts.total(done))});
        root->setIcon(0, m_imageList.value(rootImage - 1));
        for (int category = 1; category <= kCategoryCount; ++category) {
            auto* child = new QTreeWidgetItem(
                root, {MemoNode::caption(MemoNode{done, category}, m_counts.ofCategory(done, category))});
            child->setIcon(0, m_imageList.value(category));
        }
        return root;
    };
    addGroup(false, 1)->setExpanded(true);
    addGroup(true, 9)->setExpanded(false);
}

void Form1::TreeView1_NodeClick(QTreeWidgetItem* Node)
{
    if (!Node)
        return;
    const QString text = Node->text(0);
    setStatusText(1, QStringLiteral("查看:") + text);
    const auto node = MemoNode::fromCaption(text, Node->parent() ? Node->parent()->text(0) : QString());
    if (!node)
        return;
    m_rememberedKind = MemoNode::kindOf(text);
    ReadNotes(*node);
}

void Form1::TreeView1_MouseUp(Qt::MouseButton Button, const QPoint& position)
{
    if (Button != Qt::RightButton)
        return;
    // The menu acts on the node under the pointer, which becomes the chosen node first.
    if (QTreeWidgetItem* item = m_tree->itemAt(position)) {
        m_tree->setCurrentItem(item);
        TreeView1_NodeClick(item);
    }
    m_menus.clearCategory->setEnabled(chosenTreeNode().has_value());
    m_menus.tree->popup(m_tree->viewport()->mapToGlobal(position));
}

std::optional<MemoNode> Form1::chosenTreeNode() const
{
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    const QTreeWidgetItem* item = selected.first();
    return MemoNode::fromCaption(item->text(0), item->parent() ? item->parent()->text(0) : QString());
}

void Form1::Menu_ShanchuGaileiBeiwang_Click()
{
    const auto node = chosenTreeNode();
    if (!node)
        return;
    QPointer<Form1> self(this);
    m_services.boxes.ask(this, QStringLiteral("您是否要清空该类别下所有记录,删除无法恢复?"), deleteTitle,
                         [self, node = *node](bool yes) {
                             if (self && yes)
                                 self->ClearCategory(node);
                         });
}

void Form1::ClearCategory(const MemoNode& node)
{
    if (m_services.run.Exiting)
        return;
    m_listModel->clear();
    const StoreResult cleared =
        MemoListQueries(m_services.db, m_services.run.UserId).clearNode(node.done, node.category);
    if (!cleared) {
        reportFailure(QStringLiteral("清空该类备忘失败,备忘未作改动。"), cleared.error, deleteTitle);
        return;
    }
    // Deleted memos must stop ringing at once, and leave the counts as the list does.
    MoveRing(true);
    Command2_Click();
    ReadCount();
    TreeView1_Setup();
    playSound(QStringLiteral("del.wav"));
    switchOnTimer3();
}

void Form1::menu_XinJianbeiwang_Click()
{
    emit newMemoRequested(m_rememberedKind);
}

// ---------------------------------------------------------------------------------------------
// List

void Form1::ReadNotes(const MemoNode& node)
{
    showRows(MemoListQueries(m_services.db, m_services.run.UserId).nodeRows(node.done, node.category));
}

void Form1::showRows(const MemoListRead& read)
{
    if (!read.ok) {
        // An unreadable list is not an empty one: say so instead of showing no rows.
        m_listModel->clear();
        playSound(QStringLiteral("error.wav"));
        setStatusText(1, QStringLiteral("状态:备忘读取失败:") + read.error);
        return;
    }
    const QDateTime now = Clock::currentDateTime();
    std::vector<MemoCells::RowTexts> rows;
    rows.reserve(read.rows.size());
    for (const MemoListRow& memo : read.rows)
        rows.push_back(MemoCells::rowTexts(memo, now));
    m_listModel->setRows(std::move(rows));
    playSound(QStringLiteral("ok.wav"));
}

void Form1::ReadUndo()
{
    ReadNotes(MemoNode{false, 0});
}

void Form1::Readdone()
{
    ReadNotes(MemoNode{true, 0});
}

void Form1::SearchData(const QString& KeyWord, int Zone)
{
    m_listModel->clear();
    const auto zone = MemoListQueries::zoneFromNumber(Zone);
    if (!zone)
        return;
    showRows(MemoListQueries(m_services.db, m_services.run.UserId).searchRows(KeyWord, *zone));
}

void Form1::ListView1_ColumnClick(int column)
{
    m_listModel->columnClicked(column);
    m_list->header()->setSortIndicatorShown(true);
    m_list->header()->setSortIndicator(m_listModel->sortColumn(), m_listModel->sortOrder());
}

std::vector<MemoId> Form1::selectedMemoIds() const
{
    QModelIndexList rows = m_list->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<MemoId> ids;
    for (const QModelIndex& row : rows) {
        if (const auto id = m_listModel->memoIdAt(row.row()))
            ids.push_back(*id);
    }
    return ids;
}

void Form1::openMemo(std::optional<MemoId> id)
{
    if (id && !m_services.run.Exiting)
        emit editMemoRequested(*id);
}

void Form1::Menu_Open_Click()
{
    const std::vector<MemoId> ids = selectedMemoIds();
    openMemo(ids.empty() ? std::nullopt : std::optional<MemoId>(ids.front()));
}

void Form1::ListView1_DblClick()
{
    const QModelIndex current = m_list->currentIndex();
    openMemo(current.isValid() ? m_listModel->memoIdAt(current.row()) : std::nullopt);
}

void Form1::ListView1_MouseUp(Qt::MouseButton Button, const QPoint& position)
{
    if (Button == Qt::RightButton)
        m_menus.list->popup(m_list->viewport()->mapToGlobal(position));
}

void Form1::menu_done_Click()
{
    changeSelected(&SetDone, selectedMemoIds(), false, false);
}

void Form1::menu_doing_Click()
{
    changeSelected(&SetUndo, selectedMemoIds(), true, false);
}

void Form1::menu_del_Click()
{
    // The rows are taken now: the list may be reloaded while the question is open.
    const std::vector<MemoId> ids = selectedMemoIds();
    QPointer<Form1> self(this);
    m_services.boxes.ask(this, QStringLiteral("您确认要删除选中备忘吗,删除无法恢复?"), deleteTitle,
                         [self, ids](bool yes) {
                             if (self && yes)
                                 self->changeSelected(&SetDel, ids, false, true);
                         });
}

void Form1::changeSelected(MemoSetter setter, const std::vector<MemoId>& ids, bool showDoneList,
                           bool deleting)
{
    StoreResult changed;
    if (!m_services.run.Exiting && !ids.empty())
        changed = applyToMemos(m_services.db, setter, m_services.run.UserId, ids);
    MoveRing(true);
    Command2_Click();
    if (showDoneList)
        Readdone();
    else
        ReadUndo();
    ReadCount();
    TreeView1_Setup();
    if (!changed)
        reportFailure(QStringLiteral("备忘保存失败,选中的备忘都未作改动。"), changed.error,
                      deleting ? deleteTitle : QString());
    else if (deleting)
        playSound(QStringLiteral("del.wav"));
    switchOnTimer3();
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel &&
        (watched == m_frame1 || watched == m_frame2 || watched == m_gadget)) {
        MouseWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ListView1_DblClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Due panel

void Form1::MouseWheel(int delta)
{
    if (!m_wheelHooked)
        return;
    const int notches = m_wheel.add(delta);
    if (notches == 0)
        return;
    // Away from the user scrolls up; the gadget refuses a value outside its range.
    m_gadget->setVValue(m_gadget->VValue() - notches);
    RVTPropGadget1_ValueChanged(m_gadget->VValue(), 1);
}

void Form1::RVTPropGadget1_ValueChanged(int NewVValue, int NewHValue)
{
    Q_UNUSED(NewHValue);
    m_frame2->move(m_frame2->x(), (m_frame1->height() - m_frame2->height()) * NewVValue / 10);
}

void Form1::MoveRing(bool YesOrNo)
{
    m_reminders->MoveRing(YesOrNo);
}

void Form1::Command2_Click()
{
    if (m_dueScan)
        m_dueScan();
    // The sheet takes the height of its rows: its place follows the scroller again.
    RVTPropGadget1_ValueChanged(m_gadget->VValue(), 1);
}

// ---------------------------------------------------------------------------------------------
// Timers

void Form1::Timer1_Timer()
{
    m_scheduler->tick();
}

void Form1::switchOnTimer3()
{
    if (!m_timer3->isActive())
        m_timer3->start();
}

void Form1::Timer3_Timer()
{
    const SyncSession::CountdownStep step = m_sync->Timer3Tick();
    if (!step.status.isEmpty())
        setStatusText(1, step.status);
    m_command1->setVisible(step.showButton);
    if (step.stop)
        m_timer3->stop();
}

void Form1::SyncData()
{
    m_sync->SyncData();
}

void Form1::connectSync()
{
    m_sync = new SyncSession(m_services.db, m_services.run, *m_inet1, this);
    m_sync->setServiceAddress(m_services.service);
    connect(m_sync, &SyncSession::statusText, this, [this](const QString& text) { setStatusText(1, text); });
    connect(m_sync, &SyncSession::captionSuffix, this,
            [this](const QString& words) { setWindowTitle(m_titleText + words); });
    connect(m_sync, &SyncSession::soundRequested, this, &Form1::playSound);
    connect(m_sync, &SyncSession::memosChanged, this, [this] {
        ReadUndo();
        ReadCount();
        TreeView1_Setup();
        // Memos that came down may be due: the panel follows at once, not at the next scan.
        MoveRing(false);
        Command2_Click();
    });
    connect(m_sync, &SyncSession::clockBehind, this, [this](qint64 seconds) {
        m_services.boxes.warn(this, ClockBehindText(seconds));
        openDateTimeSettings();
    });
}

// ---------------------------------------------------------------------------------------------
// Toolbar, windows and helpers

void Form1::Button_Click(int Index)
{
    switch (Index) {
    case 0:
        menu_XinJianbeiwang_Click();
        break;
    case 1:
        Menu_Open_Click();
        break;
    case 2:
        menu_done_Click();
        break;
    case 3:
        menu_del_Click();
        break;
    case 4:
        showFindDialog();
        break;
    case 5:
        openPage(readPage(QStringLiteral("51148")));
        break;
    case 6:
        menu_config_Click();
        break;
    default:
        break;
    }
}

void Form1::showFindDialog()
{
    if (!m_findDialog) {
        m_findDialog = new FindDialog(m_services.boxes, this);
        m_findDialog->setWindowFlag(Qt::Window);
        connect(m_findDialog, &FindDialog::searchRequested, this, &Form1::SearchData);
    }
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}

void Form1::menu_config_Click()
{
    if (m_services.run.Exiting)
        return;
    if (!m_services.autostart) {
        m_ownAutostart = std::make_unique<Autostart>();
        m_services.autostart = m_ownAutostart.get();
    }
    // Without its settings row the program cannot go on: the dialog tells the user, then this quits.
    QPointer<Form1> self(this);
    Form_Config::showDialog(m_services.db, m_services.run, *m_services.autostart, m_services.boxes, [self] {
        if (self)
            self->MDIexit_Click();
    });
}

void Form1::menu_guanyuchengxu_Click()
{
    if (!m_aboutDialog) {
        m_aboutDialog = new AboutDialog(
            m_services.version, m_services.service.url(QStringLiteral("/")),
            [this](const QUrl& url) { openPage(url); },
            QPixmap(m_services.assets.filePath(QStringLiteral("images/velmo.png"))), this);
        m_aboutDialog->setWindowFlag(Qt::Window);
    }
    m_aboutDialog->show();
    m_aboutDialog->raise();
    m_aboutDialog->activateWindow();
}

// ---------------------------------------------------------------------------------------------
// Notices and the version check

void Form1::ReadNotice()
{
    m_notices->ReadNotice();
}

void Form1::DownNotice()
{
    m_notices->DownNotice();
}

void Form1::rotateNotice()
{
    m_notices->rotate();
}

void Form1::CheckUpdate()
{
    m_versionCheck->CheckUpdate();
}

void Form1::Menu_Gonggao_Click()
{
    m_notices->Menu_Gonggao_Click();
}

void Form1::showNotice()
{
    m_label5->setVisible(m_notices->NoticeShown());
    m_menus.notice->setVisible(m_notices->NoticeShown());
    m_menus.notice->setText(m_notices->caption());
}

QUrl Form1::readPage(const QString& id) const
{
    return m_services.service.url(QStringLiteral("/read.asp"), {{QStringLiteral("id"), id}});
}

void Form1::openPage(const QUrl& url)
{
    openWebPage(url, m_services.boxes, this, m_services.openUrl);
}

QString Form1::statusText(int panel) const
{
    if (panel < 1 || panel > static_cast<int>(m_statusPanels.size()))
        return QString();
    return m_statusPanels[static_cast<size_t>(panel - 1)]->text();
}

void Form1::setStatusText(int panel, const QString& text)
{
    if (panel >= 1 && panel <= static_cast<int>(m_statusPanels.size()))
        m_statusPanels[static_cast<size_t>(panel - 1)]->setText(text);
}

void Form1::playSound(const QString& fileName)
{
    PlayWav(m_services.sounds, m_services.assets.filePath(QStringLiteral("sound/") + fileName));
}

void Form1::reportFailure(const QString& what, const QString& error, const QString& title)
{
    playSound(QStringLiteral("error.wav"));
    setStatusText(1, QStringLiteral("状态:") + what);
    m_services.boxes.warn(this, error.isEmpty() ? what : what + u'\n' + error, title);
}

} // namespace velmo
