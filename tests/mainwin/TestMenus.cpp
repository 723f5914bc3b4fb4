// The main window's menus, buttons and shortcuts: web links, every place that opens a memo editor, and
// the keys.

#include "TestMain.h"
#include "mainwin/MainWindowFixture.h"

#include "controls/WebPages.h"
#include "editor/EditorWindows.h"
#include "editor/Form_Add.h"
#include "editor/Form_Edit.h"
#include "editor/MailDialog.h"
#include "mainwin/EditorLink.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

using namespace velmo;
using velmo::test::MainWindowFixture;
using velmo::test::topLevel;

namespace {

// Uses one place of the window: a toolbar button "Button(N)", "double" (a double click on the list),
// "enter" (Return on the list), a shortcut "Ctrl+X" pressed on the shown and active window, or the menu
// item of that name.
void use(MainWindowFixture& f, const QString& place)
{
    if (place.startsWith(QLatin1String("Button("))) {
        f.form->Button_Click(place.mid(7, 1).toInt());
    } else if (place == QLatin1String("double")) {
        f.form->ListView1_DblClick();
    } else if (place == QLatin1String("enter")) {
        QTest::keyClick(f.list(), Qt::Key_Return);
    } else if (place.startsWith(QLatin1String("Ctrl+"))) {
        f.form->show();
        f.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        QTest::keySequence(f.form.get(), QKeySequence(place));
    } else if (auto* item = f.form->findChild<QAction*>(place)) {
        item->trigger();
    } else {
        qFatal("no menu item %s", qPrintable(place));
    }
}

// The main window with its editors, as the application wires them.
struct EditorRig
{
    explicit EditorRig(MainWindowFixture& f)
        : editors(EditorServices{f.store.db(), f.store.runState(), f.boxes, f.form->controller()})
    {
        connectEditors(*f.form, editors);
        f.form->Form_Load();
    }
    EditorWindows editors;
};

} // namespace

class TestMenus : public QObject
{
    Q_OBJECT

private slots:
    // Each place does its job. A help link opens its page, and a page that no browser takes is told
    // once, with its address; a new memo takes the category chosen in the tree; an edit opens the memo
    // chosen in the list.
    void everyPlaceDoesItsJob_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>(
            "effect"); // "page <id>" ("!" after it when no browser takes it) or a window
        const auto row = [](const char* place, const char* effect) {
            QTest::newRow(place) << QString::fromLatin1(place) << QString::fromLatin1(effect);
        };
        row("menu_shiyongshuoming", "page 51148");
        row("menu_cuowufankui", "page 142");
        row("menu_guanliyuanliuyan", "page 142");
        row("menu_jianyiyijian", "page 142!");
        row("Button(5)", "page 51148!");
        for (const char* place : {"Button(0)", "MDIset", "menu_XinJianbeiwang", "Ctrl+N"})
            row(place, "add window");
        for (const char* place : {"Button(1)", "Menu_Open", "double", "enter"})
            row(place, "edit window");
        row("Ctrl+H", "hidden");
        row("Ctrl+P", "settings dialog");
        row("Ctrl+Q", "exiting");
    }
    void everyPlaceDoesItsJob()
    {
        QFETCH(QString, place);
        QFETCH(QString, effect);
        MainWindowFixture f;
        f.browserTakesPages = !effect.endsWith(u'!');
        f.addMemo(QStringLiteral("别的"), 4);
        const qint64 id = f.addMemo(QStringLiteral("要改的"), 4);
        EditorRig rig(f);
        f.form->TreeView1_NodeClick(f.treeItem(QStringLiteral("生日提醒"), false));
        f.selectTitles({QStringLiteral("要改的")});
        f.list()->selectionModel()->setCurrentIndex(f.list()->selectionModel()->selectedRows().first(),
                                                    QItemSelectionModel::NoUpdate);
        use(f, place);
        const QUrl page(QStringLiteral("http://memo.example:8080/read.asp?id=") + effect.mid(5).remove(u'!'));
        const bool paged = effect.startsWith(QLatin1String("page"));
        QCOMPARE(f.openedUrls, paged ? QList<QUrl>{page} : QList<QUrl>());
        QCOMPARE(f.boxes.texts(), f.browserTakesPages ? QStringList() : QStringList{pageNotOpenedText(page)});
        if (effect == QLatin1String("add window")) {
            QTRY_VERIFY(rig.editors.addWindow() && rig.editors.addWindow()->isVisible());
            QCOMPARE(rig.editors.addWindow()->findChild<QComboBox*>(QStringLiteral("Combo1"))->currentText(),
                     QStringLiteral("生日提醒"));
        } else if (effect == QLatin1String("edit window")) {
            QVERIFY(rig.editors.editWindow() && rig.editors.editWindow()->isVisible());
            QCOMPARE(rig.editors.editWindow()->findChild<QLabel*>(QStringLiteral("Label3"))->text(),
                     QString::number(id));
        } else if (effect == QLatin1String("hidden")) {
            QTRY_VERIFY(!f.form->isVisible());
        } else if (effect == QLatin1String("settings dialog")) {
            QTRY_VERIFY(topLevel(QStringLiteral("Form_Config")));
            topLevel(QStringLiteral("Form_Config"))->close();
        } else if (effect == QLatin1String("exiting")) {
            QTRY_VERIFY(f.store.runState().Exiting);
        }
    }

    // Once an editor closes, however it does, the window it was opened from has the focus again
    // (the list its focus row), not whichever window the desktop picks, such as the assistant
    // figure that stays on top; the mail binding dialog opened by the editor's bind button keeps it.
    void closingAnEditorGivesTheFocusBack_data()
    {
        QTest::addColumn<QString>("opener"); // the main window's list, or another window
        QTest::addColumn<QString>("close");  // Esc, the exit button, or the save
        for (const char* opener : {"list", "window"}) {
            for (const char* close : {"Esc", "exit", "save", "bind"})
                QTest::addRow("%s, %s", opener, close)
                    << QString::fromLatin1(opener) << QString::fromLatin1(close);
        }
    }
    void closingAnEditorGivesTheFocusBack()
    {
        QFETCH(QString, opener);
        QFETCH(QString, close);
        MainWindowFixture f;
        const qint64 id = f.addMemo(QStringLiteral("要改的"), 1);
        EditorRig rig(f);
        QWidget figure(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        figure.show();
        QWidget ring;
        QWidget* from = f.form.get();
        if (opener == QLatin1String("window")) {
            ring.show();
            from = &ring;
        }
        from->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(from));
        f.list()->setFocus();
        QTest::keyClick(f.list(), Qt::Key_Down);
        opener == QLatin1String("list") ? QTest::keyClick(f.list(), Qt::Key_Return)
                                        : rig.editors.showEdit(id);
        QPointer<Form_Edit> edit = rig.editors.editWindow();
        QVERIFY(edit);
        QVERIFY(QTest::qWaitForWindowActive(edit));
        const char* button = close == QLatin1String("save")   ? "Command1"
                             : close == QLatin1String("bind") ? "Command6"
                                                              : "Command2";
        if (close == QLatin1String("Esc"))
            QTest::keyClick(edit->findChild<QLineEdit*>(QStringLiteral("Text1")), Qt::Key_Escape);
        else
            edit->findChild<QPushButton*>(button)->click();
        QTRY_VERIFY(!edit);
        if (close == QLatin1String("bind")) {
            QVERIFY(rig.editors.mailDialog());
            QTest::qWait(50);
            QCOMPARE(QApplication::activeWindow(), rig.editors.mailDialog());
            return;
        }
        QTRY_COMPARE(QApplication::activeWindow(), from);
        if (from == f.form.get())
            QCOMPARE(QApplication::focusWidget(), f.list());
    }
};

VELMO_TEST_MAIN(TestMenus)
#include "TestMenus.moc"
