#include "TestMain.h"
#include "mainwin/MainWindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>

#include "editor/EditorWindows.h"
#include "editor/Form_Add.h"
#include "mainwin/EditorLink.h"
#include "store/Memo.h"

#include <QLineEdit>
#include <QPushButton>

using namespace velmo;
using velmo::test::MainWindowFixture;

namespace {

struct Sample
{
    qint64 lifeA, lifeB, work, doneLife, doneWork, othersLife;
};

Sample addSamples(MainWindowFixture& f)
{
    return {f.addMemo("life a", 1),
            f.addMemo("life b", 1),
            f.addMemo("work", 2),
            f.addMemo("done life", 1, true),
            f.addMemo("done work", 2, true),
            f.addMemo("other's life", 1, true, "other")};
}

// The window loaded; the due scans of the commands are counted from here.
void load(MainWindowFixture& f)
{
    f.form->Form_Load();
    f.dueScans = 0;
}

// Chooses the list rows holding these titles as a user does: a click on the first, Ctrl and a click
// on each further one.
void clickTitles(MainWindowFixture& f, const QStringList& titles)
{
    const MemoListModel& model = f.form->listModel();
    bool first = true;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (!titles.contains(model.rowAt(row)[MemoCells::TitleColumn]))
            continue;
        const QRect cell = f.list()->visualRect(model.index(row, MemoCells::TitleColumn));
        QTest::mouseClick(f.list()->viewport(), Qt::LeftButton, first ? Qt::NoModifier : Qt::ControlModifier,
                          cell.center());
        first = false;
    }
}

// Runs a command of the list's context menu as a user does: a right click on a chosen row, then the
// item's key.
void fromListMenu(MainWindowFixture& f, Qt::Key key)
{
    const QRect first =
        f.list()->visualRect(f.list()->selectionModel()->selectedRows(MemoCells::TitleColumn).value(0));
    QTest::mouseClick(f.list()->viewport(), Qt::RightButton, Qt::NoModifier, first.center());
    // The event the desktop sends after a right click.
    QContextMenuEvent click(QContextMenuEvent::Mouse, first.center(),
                            f.list()->viewport()->mapToGlobal(first.center()));
    QApplication::sendEvent(f.list()->viewport(), &click);
    auto* menu = f.form->findChild<QMenu*>(QStringLiteral("ListViewMenu"));
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, key);
}

} // namespace

class TestListCommands : public QObject
{
    Q_OBJECT

private slots:
    void markingDoneAndBackInProgress()
    {
        MainWindowFixture f;
        const Sample s = addSamples(f);
        f.addMemo("life c", 1);
        load(f);
        QTest::mouseClick(f.tree()->viewport(), Qt::LeftButton, {},
                          f.tree()->visualItemRect(f.treeItem("生活备忘", false)).center());
        f.selectTitles({"life a", "life b"});

        f.form->findChild<QAction*>("menu_done")->trigger();
        QVERIFY(f.store.memo(s.lifeA)->Done);
        QCOMPARE(f.store.memo(s.lifeA)->synnum, 2);
        // Every memo in progress is shown, without the memos done; the tree keeps the node clicked,
        // and the counts move across.
        QCOMPARE(f.listTitles(), QStringList({"life c", "work"}));
        QCOMPARE(f.tree()->currentItem(), f.treeItem("生活备忘", false));
        QCOMPARE(f.treeItem("生活备忘", true)->text(0), "生活备忘(3)");
        QCOMPARE(f.dueScans, 1);
        QVERIFY(f.uploadArmed());

        // From the done list, which stays shown; another user's memo is left alone.
        f.form->Readdone();
        f.selectTitles({"done life", "done work"});
        f.form->findChild<QAction*>("menu_doing")->trigger();
        QVERIFY(!f.store.memo(s.doneLife)->Done);
        QVERIFY(f.store.memo(s.othersLife)->Done);
        QCOMPARE(f.listTitles(), QStringList({"life b", "life a"}));
        QCOMPARE(f.tree()->topLevelItem(0)->text(0), "进行中备忘(4)");
    }

    // Ctrl+A takes the whole list, the rows not seen yet too.
    void selectAllTakesTheWholeList()
    {
        MainWindowFixture f;
        for (int i = 0; i < 300; ++i)
            f.addMemo(QStringLiteral("memo %1").arg(i), 1);
        load(f);
        f.form->TreeView1_NodeClick(f.treeItem("生活备忘", false));
        QTest::keyClick(f.list(), Qt::Key_A, Qt::ControlModifier);
        f.form->findChild<QAction*>("menu_done")->trigger();
        QCOMPARE(f.treeItem("生活备忘", true)->text(0), "生活备忘(300)");
    }

    // Editing opens the first chosen row, none while quitting; deleting asks first.
    void openingAndDeletingTakeTheChosenRows()
    {
        MainWindowFixture f;
        const Sample s = addSamples(f);
        load(f);
        QList<qint32> opened;
        QObject::connect(f.form.get(), &Form1::editMemoRequested, [&](qint32 id) { opened << id; });
        f.form->Menu_Open_Click();
        f.form->ListView1_DblClick();
        QVERIFY(opened.isEmpty());
        f.selectTitles({"life a", "work"});
        f.form->Button_Click(1);
        QCOMPARE(opened, QList<qint32>({qint32(s.work)}));

        f.selectTitles({"work"});
        f.form->Button_Click(3);
        QCOMPARE(f.boxes.texts(), QStringList{"您确认要删除选中备忘吗,删除无法恢复?"});
        QVERIFY(f.boxes.answer(false));
        QVERIFY(!f.store.memo(s.work)->Del);
        QCOMPARE(f.dueScans, 0);

        // The rows chosen when asked are deleted, even when the list changed meanwhile.
        f.form->menu_del_Click();
        f.form->Readdone();
        QVERIFY(f.boxes.answer(true));
        QVERIFY(f.store.memo(s.work)->Del);
        QCOMPARE(f.store.memo(s.work)->synnum, 1);
        // The counts are those of the lists: deleted memos are left out.
        QCOMPARE(f.tree()->topLevelItem(0)->text(0), "进行中备忘(2)");
        QCOMPARE(f.dueScans, 1);
        f.store.runState().Exiting = true;
        f.selectTitles({"life a"});
        f.form->Menu_Open_Click();
        QCOMPARE(opened.size(), 1);
    }

    // A command whose write fails for one of its memos changes none of them, and says so: in the
    // status line, with the error sound, and in a box that gives the reason.
    void aFailedCommandChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("chosen"); // the rows selected, or the tree node chosen
        QTest::addColumn<QString>("refused");    // the memo whose write fails
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        const QString change = QStringLiteral("备忘保存失败,选中的备忘都未作改动。");
        // clang-format off
        QTest::newRow("done") << "menu_done" << QStringList{"life a", "life b", "work"} << "life b" << change << "";
        QTest::newRow("in progress") << "menu_doing" << QStringList{"done life", "done work"} << "done work" << change << "";
        QTest::newRow("delete") << "menu_del" << QStringList{"life a", "work"} << "work" << change << "删除提示";
        QTest::newRow("clear a category") << "Menu_ShanchuGaileiBeiwang" << QStringList{"生活备忘"} << "life b" << "清空该类备忘失败,备忘未作改动。" << "删除提示";
        // clang-format on
    }
    void aFailedCommandChangesNothing()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, chosen);
        QFETCH(QString, refused);
        QFETCH(QString, message);
        QFETCH(QString, title);
        MainWindowFixture f;
        addSamples(f);
        load(f);
        QVERIFY(f.store.db()
                    .exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Notebook WHEN OLD.title = ? "
                                         "BEGIN SELECT RAISE(ABORT, 'test'); END")
                              .replace(u'?', u'\'' + refused + u'\''))
                    .ok);
        const QStringList before = f.store.allMemoColumns();
        if (command == QStringLiteral("menu_doing"))
            f.form->Readdone();
        if (command == QStringLiteral("Menu_ShanchuGaileiBeiwang"))
            f.form->TreeView1_NodeClick(f.treeItem(chosen.first(), false));
        else
            f.selectTitles(chosen);
        f.form->findChild<QAction*>(command)->trigger();
        if (!title.isEmpty())
            QVERIFY(f.boxes.answer(true));
        QCOMPARE(f.store.allMemoColumns(), before);
        QCOMPARE(f.boxes.boxes.size(), title.isEmpty() ? 1 : 2);
        QVERIFY2(f.boxes.boxes.last().text.startsWith(message + u'\n') &&
                     f.boxes.boxes.last().text.contains("test"),
                 qPrintable(f.boxes.boxes.last().text));
        QCOMPARE(f.boxes.boxes.last().title, title);
        QCOMPARE(f.form->statusText(1), QStringLiteral("状态:") + message);
        QVERIFY(f.sounds.played.last().endsWith(QStringLiteral("/error.wav")));
        QVERIFY(f.sounds.played.filter(QStringLiteral("/del.wav")).isEmpty());
    }

    void commandsThatChangeNothing_data()
    {
        QTest::addColumn<QString>("list"); // "in progress", "done", or the keyword searched for
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<int>("key");           // of the context menu's item
        QTest::addColumn<QString>("meanwhile"); // run while the delete question is open
        QTest::addColumn<QStringList>("changed");
        QTest::addColumn<QString>("status"); // of a command that changed nothing
        // clang-format off
        QTest::newRow("in progress, marked in progress") << "in progress" << QStringList{"life a", "work"} << int(Qt::Key_P) << ""
            << QStringList{} << "状态:所选备忘已在进行中,未改动";
        QTest::newRow("done, marked done") << "done" << QStringList{"done life", "done work"} << int(Qt::Key_C) << ""
            << QStringList{} << "状态:所选备忘已是完成,未改动";
        QTest::newRow("deleted meanwhile, deleted") << "in progress" << QStringList{"work"} << int(Qt::Key_D)
            << "UPDATE Notebook SET Del=1 WHERE title='work'" << QStringList{} << "状态:所选备忘已删除,未改动";
        QTest::newRow("one of two marked done") << "life" << QStringList{"life a", "done life"} << int(Qt::Key_C) << ""
            << QStringList{"life a"} << "";
        QTest::newRow("one of two back in progress") << "life" << QStringList{"life b", "done life"} << int(Qt::Key_P) << ""
            << QStringList{"done life"} << "";
        // clang-format on
    }

    // A list command that leaves every chosen memo as it was writes nothing, sends nothing and leaves
    // the list as it is; among several chosen it counts only the memos it changed.
    void commandsThatChangeNothing()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, chosen);
        QFETCH(int, key);
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, changed);
        QFETCH(QString, status);
        MainWindowFixture f;
        addSamples(f);
        QVERIFY(f.store.db().exec(QStringLiteral("UPDATE Notebook SET syn=1")).ok);
        load(f);
        f.form->show();
        if (list == QStringLiteral("done"))
            f.form->Readdone();
        else if (list != QStringLiteral("in progress"))
            f.form->SearchData(list, 2);
        const QStringList shown = f.listTitles();
        clickTitles(f, chosen);
        QCOMPARE(f.form->selectedMemoIds().size(), size_t(chosen.size()));
        if (!meanwhile.isEmpty())
            QVERIFY(f.store.db().exec(meanwhile).ok);
        const auto rows = [&f] {
            QMap<QString, QStringList> byTitle;
            for (const MemoRecord& memo :
                 readMemos(f.store.db(), QStringLiteral("SELECT * FROM Notebook")).value)
                byTitle.insert(memo.title, test::memoColumns(memo));
            return byTitle;
        };
        const QMap<QString, QStringList> before = rows();
        fromListMenu(f, Qt::Key(key));
        if (key == Qt::Key_D)
            QVERIFY(f.boxes.answer(true));

        const QMap<QString, QStringList> after = rows();
        QStringList changedTitles;
        for (auto row = before.cbegin(); row != before.cend(); ++row) {
            if (after.value(row.key()) != row.value())
                changedTitles << row.key();
        }
        QCOMPARE(changedTitles, changed);
        QCOMPARE(f.uploadArmed(), !changed.isEmpty());
        QCOMPARE(f.dueScans, int(!changed.isEmpty()));
        if (changed.isEmpty()) {
            QCOMPARE(f.listTitles(), shown);
            QCOMPARE(f.form->statusText(1), status);
            QVERIFY(f.sounds.played.filter(QStringLiteral("/del.wav")).isEmpty());
        }
    }

    // 清空该类备忘 on a node whose list is empty writes nothing, sends nothing, and says that the
    // node held nothing to delete.
    void clearingAnEmptyNodeChangesNothing_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("deleted"); // a memo of the node deleted already, or none
        QTest::newRow("no memo") << "学习计划"
                                 << "";
        QTest::newRow("deleted already") << "工作任务"
                                         << "work";
    }
    void clearingAnEmptyNodeChangesNothing()
    {
        QFETCH(QString, node);
        QFETCH(QString, deleted);
        MainWindowFixture f;
        addSamples(f);
        if (!deleted.isEmpty())
            QVERIFY(f.store.db().exec(QStringLiteral("UPDATE Notebook SET Del=1, syn=1 WHERE title=?"),
                                      {deleted}));
        QVERIFY(f.store.db().exec(QStringLiteral("UPDATE Notebook SET syn=1")).ok);
        load(f);
        f.form->show();
        const QStringList before = f.store.allMemoColumns();
        QTreeWidgetItem* item = f.treeItem(node, false);
        f.form->TreeView1_MouseUp(Qt::RightButton, f.tree()->visualItemRect(item).center());
        f.form->findChild<QMenu*>("TreeViewMenu")->hide();
        QCOMPARE(f.listTitles(), QStringList());
        f.form->findChild<QAction*>("Menu_ShanchuGaileiBeiwang")->trigger();
        QVERIFY(f.boxes.answer(true));
        QCOMPARE(f.store.allMemoColumns(), before);
        QCOMPARE(f.form->statusText(1), QStringLiteral("状态:该类没有可删除的备忘,未改动"));
        QVERIFY(!f.uploadArmed());
        QCOMPARE(f.dueScans, 0);
        QVERIFY(f.sounds.played.filter(QStringLiteral("/del.wav")).isEmpty());
        QCOMPARE(item->text(0), node + QStringLiteral("(0)"));
    }

    // The seventh category, 其它备忘, counts its memos on both sides after each change, as the
    // other categories do; memos of a code outside 1 to 7 count on their root only.
    void theSeventhCategoryCountsAfterAChange_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("captions"); // 其它备忘 in progress and done; the two roots
        // clang-format off
        QTest::newRow("done") << "menu_done" << "other" << QStringList{"其它备忘(1)", "其它备忘(2)", "进行中备忘(2)", "已完成备忘(2)"};
        QTest::newRow("in progress") << "menu_doing" << "other done" << QStringList{"其它备忘(3)", "其它备忘(0)", "进行中备忘(4)", "已完成备忘(0)"};
        QTest::newRow("deleted") << "menu_del" << "other" << QStringList{"其它备忘(1)", "其它备忘(1)", "进行中备忘(2)", "已完成备忘(1)"};
        QTest::newRow("code 9 done") << "menu_done" << "code 9" << QStringList{"其它备忘(2)", "其它备忘(1)", "进行中备忘(2)", "已完成备忘(2)"};
        QTest::newRow("cleared") << "Menu_ShanchuGaileiBeiwang" << "其它备忘" << QStringList{"其它备忘(0)", "其它备忘(1)", "进行中备忘(1)", "已完成备忘(1)"};
        // clang-format on
    }
    void theSeventhCategoryCountsAfterAChange()
    {
        QFETCH(QString, command);
        QFETCH(QString, chosen);
        QFETCH(QStringList, captions);
        MainWindowFixture f;
        f.addMemo("other", 7);
        f.addMemo("other 2", 7);
        f.addMemo("code 9", 9);
        f.addMemo("other done", 7, true);
        load(f);
        QCOMPARE(f.treeItem(QStringLiteral("其它备忘"), false)->text(0), QStringLiteral("其它备忘(2)"));
        if (command == QStringLiteral("Menu_ShanchuGaileiBeiwang")) {
            f.form->TreeView1_NodeClick(f.treeItem(chosen, false));
        } else {
            command == QStringLiteral("menu_doing") ? f.form->Readdone() : f.form->ReadUndo();
            f.selectTitles({chosen});
        }
        f.form->findChild<QAction*>(command)->trigger();
        if (command == QStringLiteral("menu_del") || command == QStringLiteral("Menu_ShanchuGaileiBeiwang"))
            QVERIFY(f.boxes.answer(true));
        QCOMPARE(QStringList({f.treeItem(QStringLiteral("其它备忘"), false)->text(0),
                              f.treeItem(QStringLiteral("其它备忘"), true)->text(0),
                              f.tree()->topLevelItem(0)->text(0), f.tree()->topLevelItem(1)->text(0)}),
                 captions);
    }

    // 清空该类备忘 clears the node the user clicked last, whatever list a save or a list command
    // showed since, and whichever node the tree highlights; a node reached with the keys is clicked.
    void clearingTakesTheNodeClickedLast_data()
    {
        QTest::addColumn<QString>("change"); // what the user does after clicking 已完成 > 工作任务
        QTest::addColumn<QStringList>("deleted"); // the memos marked deleted by the clear
        const QStringList doneWork{"done work", "done work 2"};
        QTest::newRow("new memo saved") << "save" << doneWork;
        QTest::newRow("标记为完成 from a search") << "menu_done" << doneWork;
        QTest::newRow("删除选中 from a search") << "menu_del" << doneWork + QStringList{"life b"};
        QTest::newRow("标记为进行") << "menu_doing" << QStringList{"done work"};
        QTest::newRow("down a node with the keys") << "key down" << QStringList{"done study"};
    }
    void clearingTakesTheNodeClickedLast()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, deleted);
        MainWindowFixture f;
        addSamples(f);
        f.addMemo("done work 2", 2, true);
        f.addMemo("done study", 3, true);
        EditorWindows editors(
            EditorServices{f.store.db(), f.store.runState(), f.boxes, f.form->controller()});
        connectEditors(*f.form, editors);
        load(f);
        f.form->show();
        f.tree()->topLevelItem(1)->setExpanded(true);
        QTest::mouseClick(f.tree()->viewport(), Qt::LeftButton, {},
                          f.tree()->visualItemRect(f.treeItem("工作任务", true)).center());
        QCOMPARE(f.listTitles(), QStringList({"done work 2", "done work"}));

        if (change == QStringLiteral("save")) {
            f.form->Button_Click(0);
            QVERIFY(editors.addWindow());
            editors.addWindow()->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText("new work");
            editors.addWindow()->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        } else if (change == QStringLiteral("key down")) {
            f.tree()->setFocus();
            QTest::keyClick(f.tree(), Qt::Key_Down);
        } else {
            const bool doing = change == QStringLiteral("menu_doing");
            if (!doing)
                f.form->SearchData(change == QStringLiteral("menu_done") ? "life a" : "life b", 2);
            f.selectTitles({doing                                   ? "done work 2"
                            : change == QStringLiteral("menu_done") ? "life a"
                                                                    : "life b"});
            f.form->findChild<QAction*>(change)->trigger();
            if (change == QStringLiteral("menu_del"))
                QVERIFY(f.boxes.answer(true));
        }
        // A right click on blank space in the tree, then 清空该类备忘 and 是.
        f.form->TreeView1_MouseUp(Qt::RightButton, QPoint(2, f.tree()->viewport()->height() - 2));
        f.form->findChild<QMenu*>("TreeViewMenu")->hide();
        QVERIFY(f.form->findChild<QAction*>("Menu_ShanchuGaileiBeiwang")->isEnabled());
        f.form->findChild<QAction*>("Menu_ShanchuGaileiBeiwang")->trigger();
        QVERIFY(f.boxes.answer(true));
        QStringList gone;
        for (const MemoRecord& memo :
             readMemos(f.store.db(), QStringLiteral("SELECT * FROM Notebook WHERE Del ORDER BY title")).value)
            gone << memo.title;
        QCOMPARE(gone, deleted);
    }

    void clearingACategoryTakesTheChosenNode()
    {
        MainWindowFixture f;
        const Sample s = addSamples(f);
        const qint64 doneLife2 = f.addMemo("done life 2", 1, true);
        load(f);
        // Before any node is clicked, a node chosen otherwise is not cleared: a right click on empty
        // space offers no clearing.
        f.tree()->setCurrentItem(f.treeItem("进行中备忘", false));
        f.form->TreeView1_MouseUp(Qt::RightButton, QPoint(2, f.tree()->viewport()->height() - 2));
        QVERIFY(!f.form->findChild<QAction*>("Menu_ShanchuGaileiBeiwang")->isEnabled());
        f.form->findChild<QMenu*>("TreeViewMenu")->hide();
        f.form->Menu_ShanchuGaileiBeiwang_Click();
        QVERIFY(f.boxes.boxes.isEmpty());

        // The node under the pointer.
        f.tree()->expandAll();
        QTreeWidgetItem* doneLife = f.treeItem("生活备忘", true);
        f.form->TreeView1_MouseUp(Qt::RightButton, f.tree()->visualItemRect(doneLife).center());
        QCOMPARE(f.listTitles(), QStringList({"done life 2", "done life"}));
        f.form->findChild<QMenu*>("TreeViewMenu")->hide();
        f.form->findChild<QAction*>("Menu_ShanchuGaileiBeiwang")->trigger();
        QCOMPARE(f.boxes.texts(), QStringList{"您是否要清空该类别下所有记录,删除无法恢复?"});
        QVERIFY(f.boxes.answer(false));
        QVERIFY(!f.store.memo(s.doneLife)->Del);
        f.form->findChild<QAction*>("Menu_ShanchuGaileiBeiwang")->trigger();
        QVERIFY(f.boxes.answer(true));
        QVERIFY(f.store.memo(s.doneLife)->Del);
        QVERIFY(f.store.memo(doneLife2)->Del);
        QVERIFY(!f.store.memo(s.othersLife)->Del);
        // The due panel is rescanned so deleted memos stop ringing; the counts follow the list.
        QCOMPARE(f.dueScans, 1);
        QCOMPARE(f.treeItem("生活备忘", true)->text(0), "生活备忘(0)");
        QCOMPARE(f.tree()->topLevelItem(1)->text(0), "已完成备忘(1)");

        // A root clicked clears its whole side, also after the tree was built anew.
        f.form->TreeView1_NodeClick(f.treeItem("进行中备忘", false));
        f.form->TreeView1_Setup();
        f.form->Menu_ShanchuGaileiBeiwang_Click();
        QVERIFY(f.boxes.answer(true));
        QVERIFY(f.store.memo(s.lifeA)->Del);
        QVERIFY(!f.store.memo(s.doneWork)->Del);
    }
};

VELMO_TEST_MAIN(TestListCommands)
#include "TestListCommands.moc"
