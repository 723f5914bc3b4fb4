#pragma once

// The main window's menu bar (文件, 设置, 数据同步, 帮助 and the hidden notice item) and its two
// pop-up menus, with the handlers that belong to the menus alone.

#include <QList>

class QAction;
class QMenu;

namespace velmo {

class Form1;

struct MainMenus
{
    QMenu* file = nullptr;     // MDIfile, also the tray icon's menu
    QAction* notice = nullptr; // Menu_Gonggao, hidden until a notice is shown
    QMenu* tree = nullptr;     // TreeViewMenu
    QMenu* list = nullptr;     // ListViewMenu
    QAction* clearCategory = nullptr;
    QList<QAction*> figures; // mm(1) to mm(6)

    // Builds the menus into the window's menu bar and connects them to its handlers.
    static MainMenus build(Form1& form);
};

} // namespace velmo
