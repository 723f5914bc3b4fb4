// The main window's menus: web links, the sync items, and every place
// that opens a memo editor.

#include "TestMain.h"
#include "mainwin/MainWindowFixture.h"

#include "editor/EditorWindows.h"
#include "editor/Form_Add.h"
#include "editor/Form_Edit.h"
#include "mainwin/EditorLink.h"
#include "sync/SyncSession.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>

using namespace velmo;
using velmo::test::MainWindowFixture;

namespace {

QAction* action(MainWindowFixture& f, const char* name)
{
    auto* found = f.form->findChild<QAction*>(QLatin1String(name));
    if (!found)
        qFatal("no menu item %s", name);
    return found;
}

// Uses one place of the window: a toolbar button "Button(N)", "double" (a double click on the list),
// "enter" (Return on the list) or the menu item of that name.
void use(MainWindowFixture& f, const QString& place)
{
    if (place.startsWith(QLatin1String("Button(")))
        f.form->Button_Click(place.mid(7, 1).toInt());
    else if (place == QLatin1String("double"))
        f.form->ListView1_DblClick();
    else if (place == QLatin1String("enter"))
        QTest::keyClick(f.list(), Qt::Key_Return);
    else
        action(f, place.toLatin1().constData())->trigger();
}

// The main window with its editors, as the application wires them.
struct EditorRig
{
    explicit EditorRig(MainWindowFixture& f)
        : views(*f.form, {})
        , editors(EditorServices{f.store.db(), f.store.runState(), f.boxes, views})
    {
        connectEditors(*f.form, editors);
        f.form->Form_Load();
    }
    MainWindowViews views;
    EditorWindows editors;
};

} // namespace

class TestMenus : public QObject
{
    Q_OBJECT

private slots:
    void webPages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("id");
        // clang-format off
        QTest::newRow("beta notes") << "menu_shiyongshuoming" << "51148";
        QTest::newRow("toolbar fault report") << "Button(5)" << "51148";
        // clang-format on
    }
    void webPages()
    {
        QFETCH(QString, name);
        QFETCH(QString, id);
        MainWindowFixture f;
        use(f, name);
        QCOMPARE(f.openedUrls,
                 QList<QUrl>{QUrl(QStringLiteral("http://memo.example:8080/read.asp?id=") + id)});
    }

    void syncItems()
    {
        MainWindowFixture f;
        QAction* autoSync = action(f, "menu_zidongtongbushuju");
        autoSync->trigger();
        QVERIFY(autoSync->isChecked());
        QAction* manual = action(f, "menu_shoudongtongbu");
        QVERIFY(manual->isEnabled());
        manual->trigger();
        QCOMPARE(f.form->statusText(1), QStringLiteral("状态:手动连接云同步..."));
        QVERIFY(f.form->sync()->SyncStarted());
        QVERIFY(f.form->sync()->isRunning());
    }

    void newMemoFromEveryPlace_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("toolbar") << "Button(0)";
        QTest::newRow("file menu") << "MDIset";
        QTest::newRow("tree menu") << "menu_XinJianbeiwang";
    }
    void newMemoFromEveryPlace()
    {
        QFETCH(QString, place);
        MainWindowFixture f;
        EditorRig rig(f);
        f.form->TreeView1_NodeClick(f.treeItem(QStringLiteral("生日提醒"), false));
        use(f, place);
        Form_Add* add = rig.editors.addWindow();
        QVERIFY(add && add->isVisible());
        QCOMPARE(add->findChild<QComboBox*>(QStringLiteral("Combo1"))->currentText(),
                 QStringLiteral("生日提醒"));
    }

    void editFromEveryPlace_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("toolbar") << "Button(1)";
        QTest::newRow("list menu") << "Menu_Open";
        QTest::newRow("double-click") << "double";
        QTest::newRow("enter") << "enter";
    }
    void editFromEveryPlace()
    {
        QFETCH(QString, place);
        MainWindowFixture f;
        f.addMemo(QStringLiteral("别的"), 1);
        const qint64 id = f.addMemo(QStringLiteral("要改的"), 2);
        EditorRig rig(f);
        f.selectTitles({QStringLiteral("要改的")});
        f.list()->selectionModel()->setCurrentIndex(f.list()->selectionModel()->selectedRows().first(),
                                                    QItemSelectionModel::NoUpdate);
        use(f, place);
        Form_Edit* edit = rig.editors.editWindow();
        QVERIFY(edit && edit->isVisible());
        QCOMPARE(edit->findChild<QLabel*>(QStringLiteral("Label3"))->text(), QString::number(id));
    }
};

VELMO_TEST_MAIN(TestMenus)
#include "TestMenus.moc"
