#pragma once

// The main window: toolbar, category tree, memo list, the panel of memos due within 60 days with
// its scroller, the notice strip and the status bar. Closing it hides it; only the quit command
// ends the program.
//
// After a sign-in the application builds it once and runs its load:
//
//   velmo::Form1::Services services{db, runState, assets, soundPlayer, messageBoxes};
//   services.service = velmo::ServiceAddress::load();
//   services.version = QCoreApplication::applicationVersion();
//   services.trayAvailable = [&tray] { return tray.isAvailable(); };
//   auto* mainWindow = new velmo::Form1(services);
//   tray.setMainWindow(mainWindow);
//   tray.setFileMenu(mainWindow->MDIfile());
//   QObject::connect(mainWindow, &velmo::Form1::exiting, &tray, &velmo::TrayIcon::RemoveTrayIcon);
//   QObject::connect(mainWindow, &velmo::Form1::quitRequested, qApp, &QCoreApplication::quit,
//                    Qt::QueuedConnection);
//   mainWindow->Form_Load();   // shows the window unless AutoHide keeps it in the tray

#include "mainwin/MainMenus.h"
#include "mainwin/MemoListModel.h"
#include "mainwin/MemoNode.h"
#include "platform/DataFolder.h"
#include "platform/ServiceAddress.h"
#include "store/CategoryCounts.h"
#include "store/MemoChange.h"
#include "store/MemoListQueries.h"
#include "store/MemoState.h"
#include "store/StoreResult.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QAction;

namespace velmo {

class AboutDialog;
class Autostart;
class Database;
class DuePanel;
class ElidedLabel;
class FindDialog;
class MainController;
class MessageBoxes;
class SoundPlayer;
class TrayIcon;
struct RunState;

class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    // What the window works with; the caller keeps every referenced object alive longer than it.
    struct Services
    {
        Database& db;
        RunState& run;
        AssetFolder assets;
        SoundPlayer& sounds;
        MessageBoxes& boxes;
        ServiceAddress service = {};
        // The program's version, "1.8.3".
        QString version = {};
        // Hands a web page to the user's browser, true when one took it; the desktop's when left
        // empty. A page not taken is told to the user with its address.
        std::function<bool(const QUrl&)> openUrl = {};
        // Whether the desktop has a tray to hide the window in; without one the window is minimised
        // instead of hidden and does not start hidden.
        std::function<bool()> trayAvailable = {};
        // The log-on autostart entry the settings dialog edits; this program's own when left empty.
        Autostart* autostart = nullptr;
        // The tray icon that blinks while memos ring; none in tests that do not need it.
        TrayIcon* tray = nullptr;
    };

    explicit Form1(Services services, QWidget* parent = nullptr);
    ~Form1() override;

    // The load: fills the tree, the list and the due panel, then shows the window or leaves it
    // in the tray as AutoHide says. Runs once.
    void Form_Load();
    // Builds ahead, while nothing waits for the window, what the load would otherwise build: the
    // style of every control and the due panel's rows (hidden).
    void prepareLoad();

    // "Velmo v1.83 Beta版": the window title, which transfers restore after showing their state.
    QString TitleText() const { return m_titleText; }

    // The file menu, also the tray icon's menu.
    QMenu* MDIfile() const { return m_menus.file; }
    // The hidden notice item of the menu bar.
    QAction* Menu_Gonggao() const { return m_menus.notice; }

    // The reminder engine, the synchronisation, the notices and the scheduler behind the window.
    MainController& controller() const { return *m_controller; }

    // The lists of all memos in progress and of all done memos.
    void ReadUndo();
    void Readdone();
    // Recounts the memos; TreeView1_Setup builds the tree anew from the counts (at the load).
    void ReadCount();
    void TreeView1_Setup();
    // Views brought up to date after a change of memos (see MemoRefresh.h for the order). A save, a
    // delete, marking done, a reminder window's action and a settled conflict show the list of
    // every memo in progress, marking in progress that of every done memo (ReadUndo, Readdone);
    // when that list is the one shown, or after other changes (a download, a cleared node), the
    // list shown keeps its filter, its selection and its place while the changed memos come, go or
    // take their new texts. The tree keeps its nodes, their expansion and the node last clicked,
    // and takes the new counts.
    void updateList(const MemoChange& change);
    void updateTreeCaptions();
    // Fills the list with the user's memos that hold the keyword: zone 1 in title or content,
    // 2 in the title, 3 in the content. Any other zone leaves the list empty.
    void SearchData(const QString& KeyWord, int Zone);

    // The assistant figure menu items 1 to 6.
    void mm_Click(int Index);

    // Status bar panels 1 to 7; panel 1 is the status line ("状态:...").
    QString statusText(int panel) const;
    void setStatusText(int panel, const QString& text);

    // The first four characters of the tree node last clicked: the new-memo window's category preset.
    QString rememberedKind() const
    {
        return m_rememberedNode ? MemoNode::kindOf(MemoNode::caption(*m_rememberedNode, 0)) : QString();
    }
    const CategoryCounts& counts() const { return m_counts; }
    const MemoListModel& listModel() const { return *m_listModel; }
    // The ids of the selected list rows, top to bottom.
    std::vector<MemoId> selectedMemoIds() const;

public slots:
    // The toolbar, by button index.
    void Button_Click(int Index);

    // Quits, after each memo editor holding unsaved input has asked whether to save it.
    void MDIexit_Click();
    void MDIhide_Click();
    void menu_xianshichengxu_Click();
    void menu_guanyuchengxu_Click();
    void showFindDialog();
    void menu_XinJianbeiwang_Click();
    // The settings dialog (one at a time, beside the main window).
    void menu_config_Click();

    // Menus (MainMenus.cpp): new memo, assistant figure 1 to 6, settings, web pages, sync now.
    void MDIset_Click();
    void menu_chengxushezhi_Click();
    void menu_shiyongshuoming_Click();
    void menu_cuowufankui_Click();
    void menu_guanliyuanliuyan_Click();
    void menu_jianyiyijian_Click();
    void menu_shoudongtongbu_Click();
    void Command1_Click();

    // List commands on the selected rows.
    void Menu_Open_Click();
    void menu_done_Click();
    void menu_doing_Click();
    void menu_del_Click();
    // Tree command: marks deleted every memo of the node clicked last, after a question.
    void Menu_ShanchuGaileiBeiwang_Click();
    // Marks the notice on show read and opens its page.
    void Menu_Gonggao_Click();

    void TreeView1_NodeClick(QTreeWidgetItem* Node);
    void TreeView1_MouseUp(Qt::MouseButton Button, const QPoint& position);
    void ListView1_MouseUp(Qt::MouseButton Button, const QPoint& position);
    void ListView1_ColumnClick(int column);
    void ListView1_DblClick();

    // The desktop session ends: treated as the quit command.
    void sessionEnding();

signals:
    // Quitting has begun: the tray icon goes now; the service's transfers are aborted right after.
    void exiting();
    // Every window is closed and the database is closed: the event loop may end.
    void quitRequested();
    // The user asked to edit this memo, or to write a new one with the given category preset.
    void editMemoRequested(MemoId id);
    void newMemoRequested(const QString& categoryPreset);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    // Puts the figure menu's check mark on figure 1 to 6.
    void checkFigure(int figure);
    // Quits as "退出程序(&X)" does, if this window is still there: after the message that the
    // program's data cannot be used.
    std::function<void()> quitLater();
    void buildToolbar(QWidget* client);
    void buildViews(QWidget* client);
    void buildDuePanel(QWidget* client);
    void buildNoticeStrip(QWidget* client);
    void buildStatusBar();
    void showNotice();
    void buildController();
    void loadTreeIcons();
    void Form_Resize();
    void ListView1_Setup();

    void ReadNotes(const MemoNode& node);
    // Shows the memos the filter selects in the list, or reports the failed read.
    void showRows(const MemoListQueries::Filter& filter);
    void ClearCategory(const MemoNode& node);
    void changeSelected(MemoSetter setter, const std::vector<MemoId>& ids, MemoChange::Kind kind);
    void openMemo(std::optional<MemoId> id);
    void hideToTray();
    void playSound(const QString& fileName);
    void reportFailure(const QString& what, const QString& error, const QString& title = {});
    // The service's page "/read.asp?id=<id>".
    QUrl readPage(const QString& id) const;
    // Opens a page in the browser, or tells the user that it could not.
    void openPage(const QUrl& url);
    // The folder of data.db, which also holds the skin file.
    DataFolder dataFolder() const;

    Services m_services;
    MainMenus m_menus;
    QString m_titleText;
    bool m_loaded = false;
    bool m_placed = false;
    bool m_quitting = false;
    // The node last clicked in the tree, which 清空该类备忘 clears; nothing else sets it.
    std::optional<MemoNode> m_rememberedNode;
    CategoryCounts m_counts;
    QList<QIcon> m_imageList;

    std::vector<QWidget*> m_buttons; // Button(0) to Button(6)
    QTreeWidget* m_tree = nullptr;
    QTreeView* m_list = nullptr;
    MemoListModel* m_listModel = nullptr;
    DuePanel* m_duePanel = nullptr;
    QFrame* m_picture1 = nullptr;
    QLabel* m_label5 = nullptr;
    QLabel* m_label3 = nullptr;
    std::vector<QLabel*> m_statusPanels;
    ElidedLabel* m_statusLine = nullptr; // panel 1
    QPushButton* m_command1 = nullptr;
    QPointer<FindDialog> m_findDialog;
    QPointer<AboutDialog> m_aboutDialog;
    std::unique_ptr<Autostart> m_ownAutostart;
    MainController* m_controller = nullptr;
};

} // namespace velmo
