#include "Form1.h"

#include "controls/ElidedLabel.h"
#include "controls/MessageBoxes.h"
#include "controls/PlainToolTip.h"
#include "controls/Skin.h"
#include "controls/WebPages.h"
#include "controls/kvbutton/KvButton.h"
#include "editor/MemoEditorWindow.h"
#include "mainwin/AboutDialog.h"
#include "mainwin/FindDialog.h"
#include "mainwin/MainController.h"
#include "mainwin/MainDesign.h"
#include "mainwin/MainLayout.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/MemoryTrim.h"
#include "platform/Sounds.h"
#include "platform/VersionText.h"
#include "reminders/DuePanel.h"
#include "reminders/DueScan.h"
#include "settings/Form_Config.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/MemoListQueries.h"
#include "store/MemoState.h"
#include "store/RunState.h"
#include "sync/NoticeBoard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>

namespace velmo {

namespace {

using MainLayout::px;

const QString deleteTitle = QStringLiteral("删除提示");

// The status line after a list command that changed nothing: no memo was chosen, or every chosen
// memo was in its state already.
QString unchangedText(MemoChange::Kind kind, bool noneChosen)
{
    if (noneChosen)
        return QStringLiteral("状态:没有选中的备忘");
    switch (kind) {
    case MemoChange::Kind::MarkedDone:
        return QStringLiteral("状态:所选备忘已是完成,未改动");
    case MemoChange::Kind::MarkedInProgress:
        return QStringLiteral("状态:所选备忘已在进行中,未改动");
    case MemoChange::Kind::CategoryCleared:
        // The node held no memo, or only memos deleted already (which its list does not show).
        return QStringLiteral("状态:该类没有可删除的备忘,未改动");
    default:
        return QStringLiteral("状态:所选备忘已删除,未改动");
    }
}

// The list a change leads to: every memo in progress (false) or every done memo (true); none when
// the list shown follows the change wherever it is (a download, which the user did not start, and
// the clearing of a node).
std::optional<bool> listAfter(MemoChange::Kind kind)
{
    switch (kind) {
    case MemoChange::Kind::Added:
    case MemoChange::Kind::Edited:
    case MemoChange::Kind::MarkedDone:
    case MemoChange::Kind::Deleted:
    case MemoChange::Kind::RingAction:
    case MemoChange::Kind::Settled:
        return false;
    case MemoChange::Kind::MarkedInProgress:
        return true;
    default:
        return std::nullopt;
    }
}

QLabel* namedLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
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
    buildController();

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

void Form1::buildController()
{
    MainController::Services services{m_services.db, m_services.run, m_services.assets, m_services.boxes};
    services.service = m_services.service;
    services.version = m_services.version;
    services.window = this;
    services.duePanel = m_duePanel;
    services.tray = m_services.tray;
    services.openPage = [this](const QUrl& url) { openPage(url); };
    MainController::View view;
    view.updateList = [this](const MemoChange& change) { updateList(change); };
    view.readCounts = [this] { ReadCount(); };
    view.updateTree = [this] { updateTreeCaptions(); };
    view.setStatus = [this](int panel, const QString& text) { setStatusText(panel, text); };
    view.setCaptionSuffix = [this](const QString& words) { setWindowTitle(m_titleText + words); };
    view.showSyncButton = [this](bool visible) { m_command1->setVisible(visible); };
    view.playSound = [this](const QString& fileName) { playSound(fileName); };
    view.showNotice = [this] { showNotice(); };
    view.editMemo = [this](MemoId id) {
        if (!m_services.run.Exiting)
            emit editMemoRequested(id);
    };
    m_controller = new MainController(std::move(services), std::move(view), this);
    connect(this, &Form1::exiting, m_controller, &MainController::abortOnlineChecks);
}

// ---------------------------------------------------------------------------------------------
// Building the window

void Form1::buildMenus()
{
    m_menus = MainMenus::build(*this);
    checkFigure(m_services.run.settings.MmNumber);
}

void Form1::checkFigure(int figure)
{
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
    m_tree->installEventFilter(this);

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
    // A cell's tooltip is its text as it is, never markup.
    m_list->setItemDelegate(new PlainToolTipDelegate(m_list));
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &Form1::ListView1_ColumnClick);
    // Cells read as rows come into view, and sorts: a failed read leaves the rows shown and says so.
    connect(m_listModel, &MemoListModel::readFailed, this, [this](const QString& error) {
        playSound(QStringLiteral("error.wav"));
        setStatusText(1, QStringLiteral("状态:备忘读取失败:") + error);
    });
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { ListView1_DblClick(); });
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { ListView1_MouseUp(Qt::RightButton, position); });
}

void Form1::buildDuePanel(QWidget* client)
{
    m_duePanel = new DuePanel(m_services.assets,
                              {MainLayout::Frame1, MainLayout::RVTPropGadget1, px(MainLayout::Frame2Height),
                               MainDesign::dueScroller()},
                              client);
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
    const QLocale locale;
    const QString designTexts[7] = {QStringLiteral("状态:空闲"),
                                    QStringLiteral("阳历："),
                                    locale.toString(Clock::currentDate(), QLocale::ShortFormat),
                                    QStringLiteral("农历："),
                                    QString(),
                                    QString(),
                                    QString()};
    // The widest texts the scheduler writes into panels 3, 5, 6 and 7.
    QStringList dayNames;
    for (int day = 1; day <= 7; ++day)
        dayNames << locale.dayName(day, QLocale::LongFormat);
    const QStringList widest[7] = {
        {},
        {designTexts[1]},
        {designTexts[2], locale.toString(QDate(2088, 12, 28), QLocale::ShortFormat)},
        {designTexts[3]},
        {QStringLiteral("闰十一月廿九")},
        dayNames,
        {QStringLiteral("23:59:59")}};
    // The status line shows memo titles ("传输N:<title>") and reasons after a status: text as it is,
    // never markup, and the whole of it in its tooltip. It takes the room the other panels leave,
    // each of which takes what its widest text needs, no more than its design width.
    m_statusLine = new ElidedLabel(bar);
    m_statusLine->setObjectName(QStringLiteral("SB_Panel1"));
    m_statusLine->setMinimumWidth(px(MainLayout::StatusPanelWidths[0]));
    m_statusLine->setFullText(designTexts[0]);
    bar->addWidget(m_statusLine, 1);
    m_statusPanels.push_back(m_statusLine);
    for (int i = 1; i < 7; ++i) {
        auto* panel = namedLabel(QStringLiteral("SB_Panel%1").arg(i + 1), designTexts[i], bar);
        panel->setTextFormat(Qt::PlainText);
        panel->ensurePolished();
        int needed = 0;
        for (const QString& text : widest[i])
            needed = std::max(needed, panel->fontMetrics().horizontalAdvance(text));
        const QMargins margins = panel->contentsMargins();
        needed += margins.left() + margins.right() + panel->fontMetrics().averageCharWidth();
        panel->setFixedWidth(std::min(needed, px(MainLayout::StatusPanelWidths[i])));
        bar->addWidget(panel);
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
    m_controller->rescanDue();
    if (m_services.run.settings.AutoHide && m_services.trayAvailable())
        setVisible(false);
    else
        setVisible(true);
    m_controller->start();
    ClearMemory();
}

void Form1::prepareLoad()
{
    ensurePolished();
    m_duePanel->prepareRows(kMaxDueMemos);
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
    m_controller->stop();
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
    m_controller->finishBeforeQuit([this] {
        m_services.db.close();
        emit quitRequested();
    });
}

void Form1::MDIexit_Click()
{
    // A memo editor holding unsaved input asks first; the quit goes on once the input is saved or
    // left, and stops when the user goes back to it.
    if (!m_services.run.Exiting) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* editor = qobject_cast<MemoEditorWindow*>(window);
            if (editor && editor->isVisible() && editor->holdsUnsavedInput()) {
                QPointer<Form1> self(this);
                editor->closeAfterAsking([self](bool closed) {
                    if (self && closed)
                        self->MDIexit_Click();
                });
                return;
            }
        }
    }
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

// ---------------------------------------------------------------------------------------------
// Tree

void Form1::ReadCount()
{
    const StoreResult counted = m_counts.read(m_services.db, m_services.run.UserId);
    if (!counted) {
        // Counts that could not be read are not zero: say so.
        playSound(QStringLiteral("error.wav"));
        setStatusText(1, QStringLiteral("状态:备忘统计读取失败:") + counted.error);
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

void Form1::updateTreeCaptions()
{
    const auto setCaption = [](QTreeWidgetItem* item, const QString& caption) {
        if (item->text(0) != caption)
            item->setText(0, caption);
    };
    for (const bool done : {false, true}) {
        QTreeWidgetItem* root = m_tree->topLevelItem(done ? 1 : 0);
        if (m_tree->topLevelItemCount() != 2 || !root || root->childCount() != kCategoryCount) {
            TreeView1_Setup();
            return;
        }
        setCaption(root, MemoNode::caption(MemoNode{done, 0}, m_counts.total(done)));
        for (int category = 1; category <= kCategoryCount; ++category)
            setCaption(root->child(category - 1),
                       MemoNode::caption(MemoNode{done, category}, m_counts.ofCategory(done, category)));
    }
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
    m_rememberedNode = *node;
    ReadNotes(*node);
}

void Form1::TreeView1_MouseUp(Qt::MouseButton Button, const QPoint& position)
{
    if (Button != Qt::RightButton)
        return;
    // A right click on a node is a click on it: the menu acts on the node the user points at.
    // Elsewhere the menu acts on the node clicked last.
    if (QTreeWidgetItem* item = m_tree->itemAt(position)) {
        m_tree->setCurrentItem(item);
        TreeView1_NodeClick(item);
    }
    m_menus.clearCategory->setEnabled(m_rememberedNode.has_value());
    m_menus.tree->popup(m_tree->viewport()->mapToGlobal(position));
}

void Form1::Menu_ShanchuGaileiBeiwang_Click()
{
    // Only a node click chooses what is cleared; before the first one nothing is.
    const std::optional<MemoNode> node = m_rememberedNode;
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
    const StoreResult cleared =
        MemoListQueries(m_services.db, m_services.run.UserId).clearNode(node.done, node.category);
    if (!cleared) {
        reportFailure(QStringLiteral("清空该类备忘失败,备忘未作改动。"), cleared.error, deleteTitle);
        return;
    }
    if (cleared.rowsAffected == 0) {
        // Nothing was left to delete: nothing is refreshed or sent.
        setStatusText(1, unchangedText(MemoChange::Kind::CategoryCleared, false));
        return;
    }
    // Deleted memos must stop ringing at once, and leave the list and the counts.
    m_controller->memosChanged({MemoChange::Kind::CategoryCleared});
    playSound(QStringLiteral("del.wav"));
}

void Form1::menu_XinJianbeiwang_Click()
{
    emit newMemoRequested(rememberedKind());
}

// ---------------------------------------------------------------------------------------------
// List

void Form1::ReadNotes(const MemoNode& node)
{
    showRows(MemoListQueries::Filter::node(node.done, node.category));
}

void Form1::showRows(const MemoListQueries::Filter& filter)
{
    const StoreResult shown =
        m_listModel->show(MemoListQueries(m_services.db, m_services.run.UserId), filter);
    // A list shown anew opens at its top, wherever the one before was.
    m_list->scrollToTop();
    if (!shown) {
        // An unreadable list is not an empty one: say so instead of showing no rows.
        playSound(QStringLiteral("error.wav"));
        setStatusText(1, QStringLiteral("状态:备忘读取失败:") + shown.error);
        return;
    }
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

void Form1::updateList(const MemoChange& change)
{
    // A save, the list commands, a reminder window's action and a settled conflict lead to the list
    // of every memo in progress, or of every done memo after memos were marked in progress: shown
    // anew unless it is the list shown already. Other changes follow in the list shown, whichever
    // it is.
    const std::optional<bool> leadsTo = listAfter(change.kind);
    const bool doneList = leadsTo.value_or(change.kind == MemoChange::Kind::MarkedInProgress);
    if (!m_listModel->isShowing() || (leadsTo && !m_listModel->showsNode(*leadsTo, 0))) {
        // The tree keeps the node the user clicked: it is the one the tree's commands act on.
        ReadNotes(MemoNode{doneList, 0});
        return;
    }
    // The list keeps its memos, its selection and the memo at the top of its view; it stays at
    // the top when it was there, so that memos coming in above are seen.
    const bool atTop = m_list->verticalScrollBar()->value() == m_list->verticalScrollBar()->minimum();
    const QModelIndex top = m_list->indexAt(QPoint(0, 0));
    const std::optional<MemoId> topMemo = top.isValid() ? m_listModel->memoIdAt(top.row()) : std::nullopt;
    const StoreResult updated = m_listModel->updateMemos(change.ids);
    if (topMemo && !atTop) {
        const std::optional<int> row = m_listModel->rowOf(*topMemo);
        if (row && *row != top.row())
            m_list->scrollTo(m_listModel->index(*row, 0), QAbstractItemView::PositionAtTop);
    }
    if (!updated) {
        playSound(QStringLiteral("error.wav"));
        setStatusText(1, QStringLiteral("状态:备忘读取失败:") + updated.error);
        return;
    }
    playSound(QStringLiteral("ok.wav"));
}

void Form1::SearchData(const QString& KeyWord, int Zone)
{
    m_listModel->clear();
    const auto zone = MemoListQueries::zoneFromNumber(Zone);
    if (!zone)
        return;
    showRows(MemoListQueries::Filter::search(KeyWord, *zone));
}

void Form1::ListView1_ColumnClick(int column)
{
    m_listModel->columnClicked(column);
    m_list->header()->setSortIndicatorShown(true);
    m_list->header()->setSortIndicator(m_listModel->sortColumn(), m_listModel->sortOrder());
}

std::vector<MemoId> Form1::selectedMemoIds() const
{
    // From the selection's ranges: the whole list (Ctrl+A) is one range, whatever its length.
    std::vector<int> rows;
    const QItemSelection selection = m_list->selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<MemoId> ids;
    ids.reserve(rows.size());
    for (const int row : rows) {
        if (const auto id = m_listModel->memoIdAt(row))
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
    changeSelected(&SetDone, selectedMemoIds(), MemoChange::Kind::MarkedDone);
}

void Form1::menu_doing_Click()
{
    changeSelected(&SetUndo, selectedMemoIds(), MemoChange::Kind::MarkedInProgress);
}

void Form1::menu_del_Click()
{
    // The rows are taken now: the list may be reloaded while the question is open.
    const std::vector<MemoId> ids = selectedMemoIds();
    if (ids.empty()) {
        setStatusText(1, unchangedText(MemoChange::Kind::Deleted, true));
        return;
    }
    QPointer<Form1> self(this);
    m_services.boxes.ask(this, QStringLiteral("您确认要删除选中备忘吗,删除无法恢复?"), deleteTitle,
                         [self, ids](bool yes) {
                             if (self && yes)
                                 self->changeSelected(&SetDel, ids, MemoChange::Kind::Deleted);
                         });
}

void Form1::changeSelected(MemoSetter setter, const std::vector<MemoId>& ids, MemoChange::Kind kind)
{
    if (m_services.run.Exiting)
        return;
    const bool deleting = kind == MemoChange::Kind::Deleted;
    const StoreRead<std::vector<MemoId>> changed =
        applyToMemos(m_services.db, setter, m_services.run.UserId, ids);
    if (!changed) {
        reportFailure(QStringLiteral("备忘保存失败,选中的备忘都未作改动。"), changed.error,
                      deleting ? deleteTitle : QString());
        return;
    }
    if (changed.value.empty()) {
        // No memo chosen, or each in that state already: nothing changed, nothing is refreshed or sent.
        setStatusText(1, unchangedText(kind, ids.empty()));
        return;
    }
    m_controller->memosChanged({kind, changed.value});
    if (deleting)
        playSound(QStringLiteral("del.wav"));
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        // A node the user moves to with the keys is clicked, as one moved to with the mouse: the
        // node highlighted is the one the tree's commands act on.
        QTreeWidgetItem* before = m_tree->currentItem();
        static_cast<QObject*>(m_tree)->event(event);
        if (QTreeWidgetItem* now = m_tree->currentItem(); now && now != before)
            TreeView1_NodeClick(now);
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
    Form_Config::showDialog(m_services.db, m_services.run, *m_services.autostart, m_services.boxes,
                            quitLater());
}

std::function<void()> Form1::quitLater()
{
    return [self = QPointer<Form1>(this)] {
        if (self)
            self->MDIexit_Click();
    };
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

void Form1::Menu_Gonggao_Click()
{
    m_controller->notices().Menu_Gonggao_Click();
}

void Form1::showNotice()
{
    const NoticeBoard& notices = m_controller->notices();
    m_label5->setVisible(notices.NoticeShown());
    m_menus.notice->setVisible(notices.NoticeShown());
    m_menus.notice->setText(notices.caption());
}

QUrl Form1::readPage(const QString& id) const
{
    return m_services.service.url(QStringLiteral("/read.asp"), {{QStringLiteral("id"), id}});
}

void Form1::openPage(const QUrl& url)
{
    // A page of an unusable configured address would open the default service's instead.
    if (!m_services.service.problem().isEmpty() && m_services.service.hosts(url)) {
        m_services.boxes.warn(this, m_services.service.problem());
        return;
    }
    openWebPage(url, m_services.boxes, this, m_services.openUrl);
}

QString Form1::statusText(int panel) const
{
    if (panel < 1 || panel > static_cast<int>(m_statusPanels.size()))
        return QString();
    if (panel == 1)
        return m_statusLine->fullText();
    return m_statusPanels[static_cast<size_t>(panel - 1)]->text();
}

void Form1::setStatusText(int panel, const QString& text)
{
    if (panel == 1)
        m_statusLine->setFullText(text);
    else if (panel >= 2 && panel <= static_cast<int>(m_statusPanels.size()))
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
