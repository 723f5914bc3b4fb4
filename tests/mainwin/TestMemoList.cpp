// The memo list as a user drives it, with keys and the mouse on the window's own list: the end of a
// long list, the list after a change, the sort by a column header.

#include "ServiceFixture.h"
#include "TestMain.h"
#include "mainwin/MainWindowFixture.h"

#include "editor/EditorWindows.h"
#include "editor/Form_Add.h"
#include "editor/Form_Edit.h"
#include "mainwin/EditorLink.h"
#include "mainwin/FindDialog.h"
#include "mainwin/MainController.h"
#include "platform/Clock.h"
#include "platform/Md5.h"
#include "reminders/Form_Ring.h"
#include "reminders/Reminders.h"
#include "store/Database.h"
#include "store/DbText.h"
#include "sync/ServerRecord.h"
#include "sync/SyncSession.h"
#include "velmo-service/MemoStore.h"

#include <QAction>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>

#include <map>

using namespace velmo;
using velmo::test::MainWindowFixture;
using velmo::test::topLevel;

namespace {

// count memos in progress titled "memo 0" (the oldest) to "memo <count - 1>", each shaped by shape.
void addMemos(MainWindowFixture& f, int count, const std::function<void(MemoRecord&, int)>& shape = {})
{
    Transaction transaction(f.store.db());
    for (int i = 0; i < count; ++i) {
        MemoRecord memo = f.store.sampleMemo(QStringLiteral("memo %1").arg(i));
        if (shape)
            shape(memo, i);
        QVERIFY(f.store.addMemo(memo) > 0);
    }
    QVERIFY(transaction.commit());
}

// The main window with its editors, loaded and shown.
struct Rig
{
    explicit Rig(MainWindowFixture& f)
        : editors(EditorServices{f.store.db(), f.store.runState(), f.boxes, f.form->controller()})
    {
        connectEditors(*f.form, editors);
        f.form->Form_Load();
        f.form->activateWindow();
    }
    EditorWindows editors;
};

QString cell(const QTreeView* list, int row, int column)
{
    return list->model()->index(row, column).data().toString();
}

// The memo id of the row at the top of the list's view.
QString topMemo(const QTreeView* list)
{
    return cell(list, list->indexAt(QPoint(1, 1)).row(), MemoCells::HiddenIdColumn);
}

void clickRow(QTreeView* list, int row, Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                      list->visualRect(list->model()->index(row, MemoCells::TitleColumn)).center());
}

void clickHeader(QTreeView* list, int column)
{
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                             header->height() / 2));
}

// Pages down the list from its first row until the row at the top of its view is past `row`.
void pageDownPast(QTreeView* list, int row)
{
    clickRow(list, 0);
    for (int page = 0; page < 300 && list->indexAt(QPoint(1, 1)).row() <= row; ++page)
        QTest::keyClick(list, Qt::Key_PageDown);
    QVERIFY(list->indexAt(QPoint(1, 1)).row() > row);
}

// Puts a memo with this title on the service for the window's user, and runs 手动同步 until the
// pass is over; false when it did not end.
bool syncOneMemoDown(test::ServiceFixture& service, MainWindowFixture& f, const QString& title)
{
    const QString password = QStringLiteral("secret1");
    service.addAccount(f.store.runState().UserId, password);
    f.store.runState().PassHash = MD5_16(password);
    MemoRecord there = f.store.sampleMemo(title);
    standin::MemoStore::of(service.service())
        ->add(there.userid, ServerRecordText(there).split(RecordFieldSeparator), 1);
    QSignalSpy passes(&f.form->controller().sync(), &SyncSession::passFinished);
    f.form->findChild<QAction*>(QStringLiteral("menu_shoudongtongbu"))->trigger();
    return passes.wait(20000);
}

// Clicks a tree node as a user does.
void clickNode(MainWindowFixture& f, QTreeWidgetItem* node)
{
    QVERIFY(node);
    QTest::mouseClick(f.tree()->viewport(), Qt::LeftButton, {}, f.tree()->visualItemRect(node).center());
}

// Drags the list's scroll bar handle all the way down with the mouse.
void dragScrollBarToTheEnd(QTreeView* list)
{
    QScrollBar* bar = list->verticalScrollBar();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    const QRect handle =
        bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, handle.center());
    QTest::mouseMove(bar, QPoint(handle.center().x(), bar->height() + 50));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(handle.center().x(), bar->height() + 50));
}

} // namespace

class TestMemoList : public QObject
{
    Q_OBJECT

private slots:
    // The last of 2,000 memos is one step away, and its cells read right when it comes into view.
    void theEndOfALongListIsOneStepAway_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("Ctrl+End") << "Ctrl+End";
        QTest::newRow("scroll bar dragged down") << "drag";
        QTest::newRow("Ctrl+A") << "Ctrl+A";
    }
    void theEndOfALongListIsOneStepAway()
    {
        QFETCH(QString, step);
        MainWindowFixture f;
        addMemos(f, 2000);
        f.form->Form_Load();
        QTreeView* list = f.list();
        clickRow(list, 0);
        if (step == QLatin1String("Ctrl+End")) {
            QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
            QCOMPARE(list->currentIndex().row(), 1999);
        } else if (step == QLatin1String("drag")) {
            dragScrollBarToTheEnd(list);
        } else {
            QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
            QVERIFY(list->selectionModel()->isRowSelected(1999, {}));
            QCOMPARE(f.form->selectedMemoIds().size(), size_t(2000));
        }
        QCOMPARE(list->model()->rowCount(), 2000);
        const QModelIndex last = list->model()->index(1999, MemoCells::TitleColumn);
        QVERIFY(step == QLatin1String("Ctrl+A") || list->viewport()->rect().contains(list->visualRect(last)));
        QCOMPARE(last.data().toString(), "memo 0");
        QCOMPARE(cell(list, 1998, MemoCells::TitleColumn), "memo 1");
    }

    // A save, a list command or a synchronisation leaves the selected memos selected and the same
    // memo at the top of the list's view, past the first screen; rows come, go or change around them.
    void aChangeKeepsTheSelectionAndThePlace_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("edit saved") << "edit";
        QTest::newRow("new memo saved") << "add";
        QTest::newRow("marked done") << "done";
        QTest::newRow("deleted") << "delete";
        QTest::newRow("synchronised") << "sync";
    }
    void aChangeKeepsTheSelectionAndThePlace()
    {
        QFETCH(QString, change);
        test::ServiceFixture service;
        MainWindowFixture f(false, true, service.baseUrl());
        addMemos(f, 300);
        Rig rig(f);
        QTreeView* list = f.list();
        clickRow(list, 0);
        for (int page = 0; page < 100 && list->indexAt(QPoint(1, 1)).row() < 150; ++page)
            QTest::keyClick(list, Qt::Key_PageDown);
        const int top = list->indexAt(QPoint(1, 1)).row();
        QVERIFY(top >= 150);
        clickRow(list, top + 2);
        clickRow(list, top + 5, Qt::ControlModifier);
        clickRow(list, top + 3, Qt::ControlModifier);
        const std::vector<MemoId> chosen = f.form->selectedMemoIds();
        QCOMPARE(chosen.size(), size_t(3));
        const QString topBefore = topMemo(list);
        const int rows = list->model()->rowCount();

        std::vector<MemoId> selected = chosen;
        int rowsAfter = rows;
        if (change == QLatin1String("edit")) {
            QTest::keyClick(list, Qt::Key_Return);
            QVERIFY(rig.editors.editWindow());
            rig.editors.editWindow()->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText("edited");
            rig.editors.editWindow()->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            QVERIFY(f.store.memo(chosen[1])->title == QStringLiteral("edited"));
            QCOMPARE(cell(list, top + 3, MemoCells::TitleColumn), "edited");
        } else if (change == QLatin1String("add")) {
            // The new memo joins the list at its top, above the view.
            f.form->Button_Click(0);
            QVERIFY(rig.editors.addWindow());
            rig.editors.addWindow()->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText("new one");
            rig.editors.addWindow()->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            rowsAfter += 1;
            QCOMPARE(cell(list, 0, MemoCells::TitleColumn), "new one");
        } else if (change == QLatin1String("done") || change == QLatin1String("delete")) {
            // The memos leave the list of memos in progress, which stays shown.
            f.form->Button_Click(change == QLatin1String("done") ? 2 : 3);
            if (change == QLatin1String("delete"))
                QVERIFY(f.boxes.answer(true));
            selected.clear();
            rowsAfter -= 3;
            QCOMPARE(cell(list, top + 2, MemoCells::HiddenIdColumn), QString::number(chosen[1] - 1));
        } else {
            // A memo that came down joins the list at its top, above the view.
            QVERIFY(syncOneMemoDown(service, f, QStringLiteral("came down")));
            rowsAfter += 1;
            QCOMPARE(cell(list, 0, MemoCells::TitleColumn), "came down");
        }
        QCOMPARE(list->model()->rowCount(), rowsAfter);
        QCOMPARE(f.form->selectedMemoIds(), selected);
        QCOMPARE(topMemo(list), topBefore);
    }

    // A memo that came down above the top of a list viewed at its top is seen: the view stays at the
    // top; the chosen memo stays chosen.
    void aMemoThatCameDownAboveTheTopIsSeen_data()
    {
        QTest::addColumn<bool>("sorted"); // by title, ascending
        QTest::newRow("newest first") << false;
        QTest::newRow("by title") << true;
    }
    void aMemoThatCameDownAboveTheTopIsSeen()
    {
        QFETCH(bool, sorted);
        test::ServiceFixture service;
        MainWindowFixture f(false, true, service.baseUrl());
        addMemos(f, 300);
        Rig rig(f);
        QTreeView* list = f.list();
        if (sorted) {
            clickHeader(list, MemoCells::TitleColumn);
            clickHeader(list, MemoCells::TitleColumn);
        }
        clickRow(list, 2);
        const std::vector<MemoId> chosen = f.form->selectedMemoIds();
        QVERIFY(syncOneMemoDown(service, f, QStringLiteral("a memo that came down")));
        QCOMPARE(list->model()->rowCount(), 301);
        QCOMPARE(list->verticalScrollBar()->value(), 0);
        QCOMPARE(cell(list, list->indexAt(QPoint(1, 1)).row(), MemoCells::TitleColumn),
                 "a memo that came down");
        QCOMPARE(f.form->selectedMemoIds(), chosen);
    }

    // A save, 标记为完成 and 删除选中 show the list of every memo in progress, 标记为进行 that of
    // every done memo: opened at its top, where a new memo is in view; the tree keeps the node the
    // user clicked. The list shown already keeps its place.
    void aSaveOrCommandShowsTheListItLeadsTo_data()
    {
        QTest::addColumn<QString>("shown"); // "in progress", "done", a category, or "search"
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("doneList"); // the list shown afterwards
        // clang-format off
        QTest::newRow("new memo, done list") << "done" << "add" << false;
        QTest::newRow("new memo, category") << "生活备忘" << "add" << false;
        QTest::newRow("new memo, search") << "search" << "add" << false;
        QTest::newRow("edit, done list") << "done" << "edit" << false;
        QTest::newRow("done, search") << "search" << "done" << false;
        QTest::newRow("delete, category") << "生活备忘" << "delete" << false;
        QTest::newRow("in progress, search") << "search" << "doing" << true;
        QTest::newRow("in progress, done list") << "done" << "doing" << true;
        QTest::newRow("done, in progress list") << "in progress" << "done" << false;
        // clang-format on
    }
    void aSaveOrCommandShowsTheListItLeadsTo()
    {
        QFETCH(QString, shown);
        QFETCH(QString, change);
        QFETCH(bool, doneList);
        MainWindowFixture f;
        // 600 memos in progress, 生活 and 工作 by turns, then 300 done ones.
        addMemos(f, 900, [](MemoRecord& memo, int i) {
            memo.type = 1 + i % 2;
            memo.Done = i >= 600;
        });
        Rig rig(f);
        QTreeView* list = f.list();
        if (shown == QLatin1String("search")) {
            f.form->Button_Click(4);
            auto* find = topLevel<FindDialog>(QStringLiteral("frmfind"));
            find->Text1()->setText(QStringLiteral("memo"));
            QTest::keyClick(find->Text1(), Qt::Key_Return);
            find->close();
        } else {
            clickNode(f, shown == QLatin1String("in progress")
                             ? f.treeItem(QStringLiteral("进行中备忘"), false)
                         : shown == QLatin1String("done") ? f.treeItem(QStringLiteral("已完成备忘"), true)
                                                          : f.treeItem(shown, false));
        }
        QTreeWidgetItem* const clicked = f.tree()->currentItem();
        pageDownPast(list, 150);
        // The memo to change, past the first screen: a done one for 标记为进行 and for the edit on
        // the done list, else one in progress.
        std::optional<MemoId> id;
        if (change != QLatin1String("add")) {
            const bool done = change == QLatin1String("doing") || shown == QLatin1String("done");
            int row = list->indexAt(QPoint(1, 1)).row() + 2;
            while (cell(list, row, MemoCells::StateColumn) != (done ? "完成" : "进行"))
                ++row;
            list->scrollTo(list->model()->index(row, 0));
            clickRow(list, row);
            id = f.form->selectedMemoIds().front();
        }
        const QString topBefore = topMemo(list);

        if (change == QLatin1String("add") || change == QLatin1String("edit")) {
            change == QLatin1String("add") ? f.form->Button_Click(0) : QTest::keyClick(list, Qt::Key_Return);
            MemoEditorWindow* editor = change == QLatin1String("add")
                                           ? static_cast<MemoEditorWindow*>(rig.editors.addWindow())
                                           : rig.editors.editWindow();
            QVERIFY(editor);
            editor->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("saved"));
            editor->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        } else {
            f.form
                ->findChild<QAction*>(change == QLatin1String("done")    ? "menu_done"
                                      : change == QLatin1String("doing") ? "menu_doing"
                                                                         : "menu_del")
                ->trigger();
            if (change == QLatin1String("delete"))
                QVERIFY(f.boxes.answer(true));
        }
        QVERIFY(f.form->listModel().showsNode(doneList, 0));
        QCOMPARE(f.tree()->currentItem(), clicked);
        if (shown == QLatin1String(doneList ? "done" : "in progress")) {
            QCOMPARE(topMemo(list), topBefore);
            return;
        }
        QCOMPARE(list->verticalScrollBar()->value(), 0);
        // A new or edited memo is the newest: at the top, in view.
        const QString first = cell(list, list->indexAt(QPoint(1, 1)).row(), MemoCells::TitleColumn);
        const bool saved = change == QLatin1String("add") || change == QLatin1String("edit");
        const QString newest = f.store
                                   .value(QStringLiteral("SELECT title FROM Notebook WHERE Done=? AND Del=0 "
                                                         "ORDER BY id DESC LIMIT 1"),
                                          {doneList})
                                   .toString();
        QCOMPARE(first, saved ? QStringLiteral("saved") : newest);
        // A memo marked or deleted has left the list shown.
        QCOMPARE(id && f.form->listModel().rowOf(*id), change == QLatin1String("edit"));
    }

    // A reminder window's action and a settled conflict show the list of every memo in progress, as
    // a save does, whatever list was shown; memos that came down follow in the list shown.
    void otherWindowsShowTheListInProgress_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("switches");
        QTest::newRow("标记完成") << "done" << true;
        QTest::newRow("推迟提醒") << "snooze" << true;
        QTest::newRow("停止提醒") << "stop" << true;
        QTest::newRow("删除") << "delete" << true;
        QTest::newRow("conflict settled") << "settled" << true;
        QTest::newRow("came down") << "downloaded" << false;
    }
    void otherWindowsShowTheListInProgress()
    {
        QFETCH(QString, change);
        QFETCH(bool, switches);
        MainWindowFixture f;
        const qint64 due = f.addMemo(QStringLiteral("due"), 1);
        QVERIFY(f.store.db().exec(QStringLiteral("UPDATE Notebook SET AlertTime = ? WHERE id = ?"),
                                  {toDbText(Clock::currentDateTime().addSecs(-3600)), due}));
        f.addMemo(QStringLiteral("work"), 2);
        f.form->Form_Load();
        // An empty category's list is shown.
        f.form->TreeView1_NodeClick(f.treeItem(QStringLiteral("学习计划"), false));
        QCOMPARE(f.listTitles(), QStringList());
        const std::map<QString, int> actions{{"done", Form_Ring::Done},
                                             {"snooze", Form_Ring::Snooze},
                                             {"stop", Form_Ring::StopRinging},
                                             {"delete", Form_Ring::Delete}};
        if (const auto action = actions.find(change); action != actions.end()) {
            f.form->controller().reminders().openRing(due);
            auto* ring = topLevel<Form_Ring>(QStringLiteral("Form_Ring"));
            QVERIFY(ring);
            ring->Button_Click(action->second);
        } else {
            QVERIFY(
                f.store.db().exec(QStringLiteral("UPDATE Notebook SET title = 'kept' WHERE id = ?"), {due}));
            f.form->controller().memosChanged({change == QLatin1String("settled")
                                                   ? MemoChange::Kind::Settled
                                                   : MemoChange::Kind::Downloaded,
                                               {due}});
        }
        QCOMPARE(f.form->listModel().showsNode(false, 0), switches);
        QCOMPARE(f.form->listModel().showsNode(false, 3), !switches);
        if (switches) {
            QVERIFY(f.listTitles().contains(QStringLiteral("work")));
            QCOMPARE(f.listTitles().contains(QStringLiteral("due")),
                     change == QLatin1String("snooze") || change == QLatin1String("stop"));
        } else {
            QCOMPARE(f.listTitles(), QStringList());
        }
    }

    // A node clicked or a search opens its list at the top, wherever the list before was.
    void aNewListOpensAtItsTop_data()
    {
        QTest::addColumn<QString>("next");
        QTest::newRow("category") << "生活备忘";
        QTest::newRow("the same root") << "进行中备忘";
        QTest::newRow("search") << "search";
    }
    void aNewListOpensAtItsTop()
    {
        QFETCH(QString, next);
        MainWindowFixture f;
        addMemos(f, 1500, [](MemoRecord& memo, int i) { memo.type = 1 + i % 2; });
        Rig rig(f);
        QTreeView* list = f.list();
        pageDownPast(list, 1200);
        if (next == QLatin1String("search"))
            f.form->SearchData(QStringLiteral("memo"), 2);
        else
            clickNode(f, f.treeItem(next, false));
        QCOMPARE(list->verticalScrollBar()->value(), 0);
        QCOMPARE(list->indexAt(QPoint(1, 1)).row(), 0);
    }

    // A memo whose texts hold line breaks is one line high in the list, as every other row; its
    // tooltip gives the text as it is. A text of megabytes shows its start, cut where a cell or a
    // tooltip ends at most (a character of two halves kept whole).
    void aRowIsOneLineHigh_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("tip"); // empty: the content
        QTest::newRow("LF") << "第一行\n第二行"
                            << "第一行 第二行" << QString();
        QTest::newRow("CR LF") << "第一行\r\n第二行\r\n"
                               << "第一行 第二行 " << QString();
        QTest::newRow("line separator")
            << QString::fromUtf16(u"第一行\u2028第二行") << "第一行 第二行" << QString();
        const QString huge =
            QString(999, u'a') + QString::fromUtf16(u"\U0001F600") + QString(3'000'000, u'b');
        QTest::newRow("three million characters")
            << huge << QString(999, u'a') + u'…' << huge.left(4000) + u'…';
    }
    void aRowIsOneLineHigh()
    {
        QFETCH(QString, content);
        QFETCH(QString, shown);
        QFETCH(QString, tip);
        MainWindowFixture f;
        addMemos(f, 3);
        MemoRecord memo = f.store.sampleMemo(QStringLiteral("两行\n标题"));
        memo.content = content;
        f.store.addMemo(memo);
        Rig rig(f);
        QTreeView* list = f.list();
        const QModelIndex body = list->model()->index(0, MemoCells::ContentColumn);
        QCOMPARE(body.data().toString(), shown);
        QCOMPARE(body.data(Qt::ToolTipRole).toString(), tip.isEmpty() ? content : tip);
        QCOMPARE(cell(list, 0, MemoCells::TitleColumn), QStringLiteral("两行 标题"));
        QVERIFY2(list->visualRect(body).height() < 2 * list->fontMetrics().lineSpacing(),
                 qPrintable(QString::number(list->visualRect(body).height())));
    }

    // Under a column sort a saved memo takes its place in that order, once, and stays chosen.
    void aChangeUnderASortTakesItsPlace_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("edit saved") << "edit";
        QTest::newRow("new memo saved") << "add";
    }
    void aChangeUnderASortTakesItsPlace()
    {
        QFETCH(QString, change);
        MainWindowFixture f;
        addMemos(f, 200);
        Rig rig(f);
        QTreeView* list = f.list();
        clickHeader(list, MemoCells::TitleColumn);
        clickHeader(list, MemoCells::TitleColumn); // ascending: "memo 0", "memo 1", "memo 10", ...
        QCOMPARE(cell(list, 3, MemoCells::TitleColumn), "memo 100");
        clickRow(list, 3);
        const std::vector<MemoId> chosen = f.form->selectedMemoIds();
        int rows = list->model()->rowCount();
        if (change == QLatin1String("edit")) {
            QTest::keyClick(list, Qt::Key_Return);
            QVERIFY(rig.editors.editWindow());
            rig.editors.editWindow()->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText("a first");
            rig.editors.editWindow()->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            QCOMPARE(f.form->selectedMemoIds(), chosen);
        } else {
            f.form->Button_Click(0);
            QVERIFY(rig.editors.addWindow());
            rig.editors.addWindow()->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText("a first");
            rig.editors.addWindow()->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
            ++rows;
        }
        QCOMPARE(list->model()->rowCount(), rows);
        QStringList titles;
        for (int row = 0; row < rows; ++row)
            titles << cell(list, row, MemoCells::TitleColumn);
        QCOMPARE(titles.first(), "a first");
        QCOMPARE(titles.count("a first"), 1);
        QCOMPARE(titles.count("memo 100"), change == QLatin1String("edit") ? 0 : 1);
    }

    // Under a sort by content a memo saved without content goes where the list read afresh puts it,
    // among the others without content.
    void aSaveWithAnEmptySortedCellGoesWhereARefreshPutsIt_data()
    {
        QTest::addColumn<int>("clicks"); // 1 descending, 2 ascending
        QTest::newRow("descending") << 1;
        QTest::newRow("ascending") << 2;
    }
    void aSaveWithAnEmptySortedCellGoesWhereARefreshPutsIt()
    {
        const int column = MemoCells::ContentColumn;
        QFETCH(int, clicks);
        MainWindowFixture f;
        addMemos(f, 200, [](MemoRecord& memo, int i) {
            if (i % 50 == 0)
                memo.content.clear();
        });
        Rig rig(f);
        QTreeView* list = f.list();
        for (int click = 0; click < clicks; ++click)
            clickHeader(list, column);
        f.form->Button_Click(0);
        QVERIFY(rig.editors.addWindow());
        rig.editors.addWindow()->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText("saved");
        rig.editors.addWindow()->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QCOMPARE(list->model()->rowCount(), 201);
        QStringList shown;
        for (int row = 0; row < 201; ++row) {
            shown << cell(list, row, MemoCells::HiddenIdColumn);
            if (cell(list, row, MemoCells::TitleColumn) == QLatin1String("saved"))
                QCOMPARE(cell(list, row, column), QString());
        }
        MemoListModel fresh;
        for (int click = 0; click < clicks; ++click)
            fresh.columnClicked(column);
        QVERIFY(fresh.show(MemoListQueries(f.store.db(), f.store.runState().UserId),
                           MemoListQueries::Filter::node(false, 0)));
        QCOMPARE(shown, test::listCells(fresh, MemoCells::HiddenIdColumn));
    }

    // A header click sorts lunar memos among solar ones by the day they fall on (a leap month by the
    // solar moment stored beside it), or by the text of their reminder moment; a memo chosen past
    // the first screen stays chosen wherever it goes.
    void headerSortsLunarMemosAndKeepsTheChoice_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("order"); // of the memos below, the fillers after them
        const QStringList byDays{"solar 2 days", "lunar 11-01",      "solar 14 days",
                                 "lunar 5-20",   "solar 2028-06-20", "lunar leap 5-10"};
        QTest::newRow("days left, ascending") << int(MemoCells::DaysLeftColumn) << 2 << byDays;
        QStringList descending(byDays.rbegin(), byDays.rend());
        QTest::newRow("days left, descending") << int(MemoCells::DaysLeftColumn) << 1 << descending;
        QTest::newRow("alert time, ascending")
            << int(MemoCells::AlertColumn) << 2
            << QStringList{"lunar 11-01",     "solar 2 days", "solar 14 days",
                           "lunar leap 5-10", "lunar 5-20",   "solar 2028-06-20"};
    }
    void headerSortsLunarMemosAndKeepsTheChoice()
    {
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(QStringList, order);
        MainWindowFixture f;
        // Fillers due in 2030, so that the list runs past its first screen.
        addMemos(f, 140, [](MemoRecord& memo, int i) {
            memo.AlertTime = QDateTime(QDate(2030, 1, 1), QTime(9, 0)).addSecs(i * 60);
        });
        const auto solar = [&f](const char* title, QDateTime moment) {
            MemoRecord memo = f.store.sampleMemo(QString::fromUtf8(title));
            memo.AlertTime = moment;
            return f.store.addMemo(memo);
        };
        const auto lunar = [&f](const char* title, LunarMoment moment, QDateTime solarMoment) {
            MemoRecord memo = f.store.sampleMemo(QString::fromUtf8(title));
            memo.lifa = 2;
            memo.AlertTimeNongli = moment;
            memo.mailTime = solarMoment;
            return f.store.addMemo(memo);
        };
        // Lunar 2028 has a leap fifth month: 5-10 falls on 2028-06-02, leap 5-10 on 2028-07-02.
        lunar("lunar leap 5-10", {2028, 5, 10, 8, 0, 0}, QDateTime(QDate(2028, 7, 2), QTime(8, 0)));
        solar("solar 2028-06-20", QDateTime(QDate(2028, 6, 20), QTime(8, 0)));
        lunar("lunar 5-20", {2028, 5, 20, 8, 0, 0}, QDateTime(QDate(2028, 6, 12), QTime(8, 0)));
        solar("solar 14 days", QDateTime(QDate(2026, 12, 20), QTime(9, 0)));
        // Lunar 2026-11-01 is 2026-12-09: fewer days than its text's order would give it.
        lunar("lunar 11-01", {2026, 11, 1, 8, 0, 0}, QDateTime(QDate(2026, 12, 9), QTime(8, 0)));
        solar("solar 2 days", QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        f.form->Form_Load();
        QTreeView* list = f.list();
        clickRow(list, 0);
        QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
        for (int up = 0; up < 7; ++up)
            QTest::keyClick(list, Qt::Key_Up);
        const std::vector<MemoId> chosen = f.form->selectedMemoIds();
        QCOMPARE(chosen.size(), size_t(1));
        QCOMPARE(cell(list, *f.form->listModel().rowOf(chosen.front()), MemoCells::TitleColumn), "memo 7");

        for (int click = 0; click < clicks; ++click)
            clickHeader(list, column);
        QStringList titles;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            titles << cell(list, row, MemoCells::TitleColumn);
        const bool fillersFirst = clicks == 1;
        QCOMPARE(titles.mid(fillersFirst ? 140 : 0, 6), order);
        QCOMPARE(f.form->selectedMemoIds(), chosen);
    }
};

VELMO_TEST_MAIN(TestMemoList)
#include "TestMemoList.moc"
