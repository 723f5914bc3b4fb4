// The main window's menus: web links and every place that opens a memo editor.

#include "TestMain.h"
#include "mainwin/MainWindowFixture.h"

#include "controls/WebPages.h"
#include "editor/EditorWindows.h"
#include "editor/Form_Add.h"
#include "editor/Form_Edit.h"
#include "mainwin/EditorLink.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

using namespace velmo;
using velmo::test::MainWindowFixture;

namespace {

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
    else if (auto* item = f.form->findChild<QAction*>(place))
        item->trigger();
    else
        qFatal("no menu item %s", qPrintable(place));
}

// A shown window of the program that has no owner, by its object name.
QWidget* topLevel(const QString& name)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == name && window->isVisible())
            return window;
    return nullptr;
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
    // Each help link opens its page; a page that no browser takes is told once, with its address.
    void webPages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("taken");
        // clang-format off
        QTest::newRow("beta notes") << "menu_shiyongshuoming" << "51148" << true;
        QTest::newRow("fault report") << "menu_cuowufankui" << "142" << true;
        QTest::newRow("message to the administrator") << "menu_guanliyuanliuyan" << "142" << true;
        QTest::newRow("suggestions") << "menu_jianyiyijian" << "142" << false;
        QTest::newRow("toolbar fault report") << "Button(5)" << "51148" << false;
        // clang-format on
    }
    void webPages()
    {
        QFETCH(QString, name);
        QFETCH(QString, id);
        QFETCH(bool, taken);
        MainWindowFixture f;
        f.browserTakesPages = taken;
        use(f, name);
        const QUrl page(QStringLiteral("http://memo.example:8080/read.asp?id=") + id);
        QCOMPARE(f.openedUrls, QList<QUrl>{page});
        QCOMPARE(f.boxes.texts(), taken ? QStringList() : QStringList{pageNotOpenedText(page)});
    }

    // The shortcuts, pressed on the shown and active main window.
    void shortcuts_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("effect");
        QTest::newRow("new memo") << QKeySequence(Qt::CTRL | Qt::Key_N) << "add window";
        QTest::newRow("hide") << QKeySequence(Qt::CTRL | Qt::Key_H) << "hidden";
        QTest::newRow("settings") << QKeySequence(Qt::CTRL | Qt::Key_P) << "settings dialog";
        QTest::newRow("quit") << QKeySequence(Qt::CTRL | Qt::Key_Q) << "exiting";
    }
    void shortcuts()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, effect);
        MainWindowFixture f;
        EditorRig rig(f);
        f.form->show();
        f.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        QTest::keySequence(f.form.get(), keys);
        if (effect == QLatin1String("add window"))
            QTRY_VERIFY(rig.editors.addWindow() && rig.editors.addWindow()->isVisible());
        else if (effect == QLatin1String("hidden"))
            QTRY_VERIFY(!f.form->isVisible());
        else if (effect == QLatin1String("settings dialog"))
            QTRY_VERIFY(topLevel(QStringLiteral("Form_Config")));
        else
            QTRY_VERIFY(f.store.runState().Exiting);
        if (QWidget* dialog = topLevel(QStringLiteral("Form_Config")))
            dialog->close();
    }

    // A new memo takes the category chosen in the tree; an edit opens the memo chosen in the list.
    void editorsOpenFromEveryPlace_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<bool>("edits");
        for (const char* place : {"Button(0)", "MDIset", "menu_XinJianbeiwang"})
            QTest::newRow(place) << QString::fromLatin1(place) << false;
        for (const char* place : {"Button(1)", "Menu_Open", "double", "enter"})
            QTest::newRow(place) << QString::fromLatin1(place) << true;
    }
    void editorsOpenFromEveryPlace()
    {
        QFETCH(QString, place);
        QFETCH(bool, edits);
        MainWindowFixture f;
        f.addMemo(QStringLiteral("别的"), 4);
        const qint64 id = f.addMemo(QStringLiteral("要改的"), 4);
        EditorRig rig(f);
        f.form->TreeView1_NodeClick(f.treeItem(QStringLiteral("生日提醒"), false));
        f.selectTitles({QStringLiteral("要改的")});
        f.list()->selectionModel()->setCurrentIndex(f.list()->selectionModel()->selectedRows().first(),
                                                    QItemSelectionModel::NoUpdate);
        use(f, place);
        QWidget* window = edits ? static_cast<QWidget*>(rig.editors.editWindow()) : rig.editors.addWindow();
        QVERIFY(window && window->isVisible());
        if (edits)
            QCOMPARE(window->findChild<QLabel*>(QStringLiteral("Label3"))->text(), QString::number(id));
        else
            QCOMPARE(window->findChild<QComboBox*>(QStringLiteral("Combo1"))->currentText(),
                     QStringLiteral("生日提醒"));
    }
};

VELMO_TEST_MAIN(TestMenus)
#include "TestMenus.moc"
