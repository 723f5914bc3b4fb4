#include "MainMenus.h"

#include "controls/MessageBoxes.h"
#include "mainwin/Form1.h"
#include "mainwin/MainController.h"
#include "store/Recovery.h"
#include "store/RunState.h"
#include "store/Settings.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace velmo {

namespace {

QAction* namedAction(QMenu* menu, const QString& name, const QString& text,
                     const QKeySequence& shortcut = QKeySequence())
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    return action;
}

QMenu* namedMenu(QMenuBar* bar, const QString& name, const QString& text)
{
    QMenu* menu = bar->addMenu(text);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name + QStringLiteral("_action"));
    return menu;
}

void separator(QMenu* menu, const QString& name)
{
    menu->addSeparator()->setObjectName(name);
}

} // namespace

MainMenus MainMenus::build(Form1& form)
{
    MainMenus menus;
    QMenuBar* bar = form.menuBar();
    Form1* f = &form;

    menus.file = namedMenu(bar, QStringLiteral("MDIfile"), QStringLiteral("文件(&F)"));
    QObject::connect(namedAction(menus.file, QStringLiteral("MDIset"), QStringLiteral("新建备忘录(&N)"),
                                 QKeySequence(Qt::CTRL | Qt::Key_N)),
                     &QAction::triggered, f, &Form1::MDIset_Click);
    QMenu* change = menus.file->addMenu(QStringLiteral("更换人物(&C)"));
    change->setObjectName(QStringLiteral("change"));
    auto* figureGroup = new QActionGroup(change);
    figureGroup->setExclusive(true);
    for (int figure = 1; figure <= 6; ++figure) {
        QAction* action =
            namedAction(change, QStringLiteral("mm_%1").arg(figure), QStringLiteral("%1号(&%1)").arg(figure));
        action->setCheckable(true);
        figureGroup->addAction(action);
        QObject::connect(action, &QAction::triggered, f, [f, figure] { f->mm_Click(figure); });
        menus.figures.append(action);
    }
    separator(menus.file, QStringLiteral("fenge9"));
    QObject::connect(namedAction(menus.file, QStringLiteral("MDIhide"), QStringLiteral("隐藏程序(&H)"),
                                 QKeySequence(Qt::CTRL | Qt::Key_H)),
                     &QAction::triggered, f, &Form1::MDIhide_Click);
    QObject::connect(
        namedAction(menus.file, QStringLiteral("menu_xianshichengxu"), QStringLiteral("显示程序(&S)")),
        &QAction::triggered, f, &Form1::menu_xianshichengxu_Click);
    separator(menus.file, QStringLiteral("fenge7"));
    QObject::connect(namedAction(menus.file, QStringLiteral("MDIexit"), QStringLiteral("退出程序(&X)"),
                                 QKeySequence(Qt::CTRL | Qt::Key_Q)),
                     &QAction::triggered, f, &Form1::MDIexit_Click);

    QMenu* settings = namedMenu(bar, QStringLiteral("mnu_shezhi"), QStringLiteral("设置(&E)"));
    QObject::connect(namedAction(settings, QStringLiteral("menu_chengxushezhi"),
                                 QStringLiteral("程序设置(&C)"), QKeySequence(Qt::CTRL | Qt::Key_P)),
                     &QAction::triggered, f, &Form1::menu_chengxushezhi_Click);

    QMenu* sync = namedMenu(bar, QStringLiteral("mnu_gengxin"), QStringLiteral("数据同步(&S)"));
    QAction* autoSync =
        namedAction(sync, QStringLiteral("menu_zidongtongbushuju"), QStringLiteral("自动同步数据(&C)"));
    autoSync->setCheckable(true);
    autoSync->setChecked(true);
    // Always on: choosing it changes nothing.
    QObject::connect(autoSync, &QAction::triggered, autoSync, [autoSync] { autoSync->setChecked(true); });
    separator(sync, QStringLiteral("fenge12"));
    QAction* manualSync =
        namedAction(sync, QStringLiteral("menu_shoudongtongbu"), QStringLiteral("立即手动同步(&S)"));
    QObject::connect(manualSync, &QAction::triggered, f, &Form1::menu_shoudongtongbu_Click);

    QMenu* help = namedMenu(bar, QStringLiteral("mnu_bangzhu"), QStringLiteral("帮助(&H)"));
    QObject::connect(
        namedAction(help, QStringLiteral("menu_shiyongshuoming"), QStringLiteral("内测功能说明(&H)")),
        &QAction::triggered, f, &Form1::menu_shiyongshuoming_Click);
    separator(help, QStringLiteral("fenge5"));
    QObject::connect(namedAction(help, QStringLiteral("menu_cuowufankui"), QStringLiteral("错误反馈(&F)")),
                     &QAction::triggered, f, &Form1::menu_cuowufankui_Click);
    QObject::connect(
        namedAction(help, QStringLiteral("menu_guanliyuanliuyan"), QStringLiteral("给管理员留言(&M)")),
        &QAction::triggered, f, &Form1::menu_guanliyuanliuyan_Click);
    QObject::connect(namedAction(help, QStringLiteral("menu_jianyiyijian"), QStringLiteral("建议意见(&C)")),
                     &QAction::triggered, f, &Form1::menu_jianyiyijian_Click);
    separator(help, QStringLiteral("fenge6"));
    QObject::connect(namedAction(help, QStringLiteral("menu_guanyuchengxu"), QStringLiteral("关于程序(&A)")),
                     &QAction::triggered, f, &Form1::menu_guanyuchengxu_Click);

    // The notice item: last in the menu bar, no submenu, shown only with notices.
    menus.notice = bar->addAction(QStringLiteral("公告(&G):"));
    menus.notice->setObjectName(QStringLiteral("Menu_Gonggao"));
    menus.notice->setVisible(false);
    QObject::connect(menus.notice, &QAction::triggered, f, &Form1::Menu_Gonggao_Click);

    // Pop-up menus of the tree and of the list; never in the menu bar.
    menus.tree = new QMenu(QStringLiteral("树形右键"), f);
    menus.tree->setObjectName(QStringLiteral("TreeViewMenu"));
    QObject::connect(
        namedAction(menus.tree, QStringLiteral("menu_XinJianbeiwang"), QStringLiteral("新建备忘(&N)")),
        &QAction::triggered, f, &Form1::menu_XinJianbeiwang_Click);
    menus.clearCategory = namedAction(menus.tree, QStringLiteral("Menu_ShanchuGaileiBeiwang"),
                                      QStringLiteral("清空该类备忘(&C)"));
    QObject::connect(menus.clearCategory, &QAction::triggered, f, &Form1::Menu_ShanchuGaileiBeiwang_Click);

    menus.list = new QMenu(QStringLiteral("ListView右键菜单"), f);
    menus.list->setObjectName(QStringLiteral("ListViewMenu"));
    QObject::connect(namedAction(menus.list, QStringLiteral("Menu_Open"), QStringLiteral("编辑(&O)")),
                     &QAction::triggered, f, &Form1::Menu_Open_Click);
    separator(menus.list, QStringLiteral("fenge0"));
    QObject::connect(namedAction(menus.list, QStringLiteral("menu_done"), QStringLiteral("标记为完成(&C)")),
                     &QAction::triggered, f, &Form1::menu_done_Click);
    QObject::connect(namedAction(menus.list, QStringLiteral("menu_doing"), QStringLiteral("标记为进行(&P)")),
                     &QAction::triggered, f, &Form1::menu_doing_Click);
    separator(menus.list, QStringLiteral("fenge1"));
    QObject::connect(namedAction(menus.list, QStringLiteral("menu_del"), QStringLiteral("删除选中(&D)")),
                     &QAction::triggered, f, &Form1::menu_del_Click);
    separator(menus.list, QStringLiteral("fenge2"));
    QObject::connect(namedAction(menus.list, QStringLiteral("menu_config"), QStringLiteral("程序设置(&E)")),
                     &QAction::triggered, f, &Form1::menu_chengxushezhi_Click);
    return menus;
}

// ---------------------------------------------------------------------------------------------
// The handlers that belong to the menus alone

void Form1::MDIset_Click()
{
    menu_XinJianbeiwang_Click();
}

void Form1::mm_Click(int Index)
{
    if (Index < 1 || Index > m_menus.figures.size())
        return;
    const SettingsWrite written = writeMmNumber(m_services.db, Index);
    if (written.settingsRowMissing) {
        // Without its settings row the program cannot go on; the menu shows the figure in force.
        checkFigure(m_services.run.settings.MmNumber);
        m_services.boxes.warn(this, RecoverMissingRowText(m_services.run.DbPath), {}, quitLater());
        return;
    }
    checkFigure(Index);
    m_controller->setFigure(Index); // the figure changes at once
    m_services.run.settings.MmNumber = Index;
    if (!written.result)
        reportFailure(QStringLiteral("人物设置保存失败。"), written.result.error);
}

void Form1::menu_chengxushezhi_Click()
{
    Button_Click(6);
}

void Form1::menu_shiyongshuoming_Click()
{
    openPage(readPage(QStringLiteral("51148")));
}

void Form1::menu_cuowufankui_Click()
{
    openPage(readPage(QStringLiteral("142")));
}

void Form1::menu_guanliyuanliuyan_Click()
{
    openPage(readPage(QStringLiteral("142")));
}

void Form1::menu_jianyiyijian_Click()
{
    openPage(readPage(QStringLiteral("142")));
}

void Form1::menu_shoudongtongbu_Click()
{
    Command1_Click();
}

void Form1::Command1_Click()
{
    m_command1->setProperty("Tag", QStringLiteral("1"));
    m_command1->hide();
    m_controller->syncNow();
}

} // namespace velmo
