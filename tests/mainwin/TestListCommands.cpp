#include "TestMain.h"
#include "mainwin/MainWindowFixture.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QTimer>

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

// What the views and the side effects look like after a command.
struct Watch
{
    explicit Watch(MainWindowFixture& f)
        : fixture(f)
    {
        f.form->Form_Load();
        f.dueScans = 0;
        // The due scan of a command follows MoveRing(true): the panel's caption has been reset.
        f.form->findChild<QGroupBox*>("Frame2")->setTitle("60天到期备忘;(3)条");
        f.form->setDueScan([this] {
            ++fixture.dueScans;
            captionAtScan = fixture.form->findChild<QGroupBox*>("Frame2")->title();
        });
    }
    MainWindowFixture& fixture;
    QString captionAtScan;
};

} // namespace

class TestListCommands : public QObject
{
    Q_OBJECT

private slots:
    void markingDoneAndBackInProgress()
    {
        MainWindowFixture f;
        const Sample s = addSamples(f);
        Watch watch(f);
        f.form->TreeView1_NodeClick(f.treeItem("生活备忘", false));
        f.selectTitles({"life a", "life b"});

        f.form->findChild<QAction*>("menu_done")->trigger();
        QVERIFY(f.store.memo(s.lifeA)->Done);
        QCOMPARE(f.store.memo(s.lifeA)->synnum, 2);
        // Back on the list of everything in progress, with the counts moved across.
        QCOMPARE(f.listTitles(), QStringList({"work"}));
        QCOMPARE(f.treeItem("生活备忘", true)->text(0), "生活备忘(3)");
        QCOMPARE(f.dueScans, 1);
        QCOMPARE(watch.captionAtScan, "60天到期备忘;(0)条");
        QVERIFY(f.form->Timer3()->isActive());

        // From the done list, which stays shown; another user's memo is left alone.
        f.form->Readdone();
        f.selectTitles({"done life", "done work"});
        f.form->findChild<QAction*>("menu_doing")->trigger();
        QVERIFY(!f.store.memo(s.doneLife)->Done);
        QVERIFY(f.store.memo(s.othersLife)->Done);
        QCOMPARE(f.listTitles(), QStringList({"life b", "life a"}));
        QCOMPARE(f.tree()->topLevelItem(0)->text(0), "进行中备忘(3)");
    }

    void deletingAsksFirst()
    {
        MainWindowFixture f;
        const Sample s = addSamples(f);
        Watch watch(f);
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
    }

    void aFailedChangeIsReportedAndChangesNothing()
    {
        MainWindowFixture f;
        const Sample s = addSamples(f);
        Watch watch(f);
        f.store.db().exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF Done ON Notebook WHEN OLD.id = %1 "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                .arg(s.lifeA));
        f.selectTitles({"life a", "life b", "work"});
        f.form->menu_done_Click();
        QVERIFY(!f.store.memo(s.lifeA)->Done);
        QVERIFY(!f.store.memo(s.work)->Done);
        QCOMPARE(f.boxes.boxes.size(), 1);
        QVERIFY(f.boxes.boxes[0].text.contains("refused"));
        QCOMPARE(f.listTitles(), QStringList({"work", "life b", "life a"}));
    }

    void clearingACategoryTakesTheChosenNode()
    {
        MainWindowFixture f;
        const Sample s = addSamples(f);
        const qint64 doneLife2 = f.addMemo("done life 2", 1, true);
        Watch watch(f);
        f.form->TreeView1_NodeClick(f.treeItem("进行中备忘", false));
        f.tree()->setCurrentItem(f.treeItem("进行中备忘", false));
        // Rebuilding the tree forgets the choice: a right click on empty space offers no clearing.
        f.form->TreeView1_Setup();
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
        QVERIFY(f.boxes.answer(true));
        QVERIFY(f.store.memo(s.doneLife)->Del);
        QVERIFY(f.store.memo(doneLife2)->Del);
        QVERIFY(!f.store.memo(s.othersLife)->Del);
        // The due panel is rescanned so deleted memos stop ringing; the counts follow the list.
        QCOMPARE(f.dueScans, 1);
        QCOMPARE(watch.captionAtScan, "60天到期备忘;(0)条");
        QCOMPARE(f.treeItem("生活备忘", true)->text(0), "生活备忘(0)");
        QCOMPARE(f.tree()->topLevelItem(1)->text(0), "已完成备忘(1)");

        // A chosen root clears its whole side.
        f.tree()->setCurrentItem(f.treeItem("进行中备忘", false));
        f.form->Menu_ShanchuGaileiBeiwang_Click();
        QVERIFY(f.boxes.answer(true));
        QVERIFY(f.store.memo(s.lifeA)->Del);
        QVERIFY(!f.store.memo(s.doneWork)->Del);
    }

    void openingAMemoHandsItsIdToTheEditor()
    {
        MainWindowFixture f;
        const Sample s = addSamples(f);
        Watch watch(f);
        QList<qint32> opened;
        QObject::connect(f.form.get(), &Form1::editMemoRequested, [&](qint32 id) { opened << id; });

        f.form->Menu_Open_Click();
        f.form->ListView1_DblClick();
        QVERIFY(opened.isEmpty());

        f.selectTitles({"life a", "work"});
        f.form->Button_Click(1);
        QCOMPARE(opened, QList<qint32>({qint32(s.work)}));

        // While quitting nothing opens.
        f.store.runState().Exiting = true;
        f.form->Menu_Open_Click();
        QCOMPARE(opened.size(), 1);
    }
};

VELMO_TEST_MAIN(TestListCommands)
#include "TestListCommands.moc"
