// A click on a tree node: the memo list reloaded over a node of 1,000 to 100,000 memos, in the
// list's own order and sorted by days left; and the refresh after one memo of the list was edited
// (due panel, list, counts and tree), in either order.

#include "NodeStore.h"
#include "SoundRecorder.h"
#include "TestStore.h"

#include "controls/MessageBoxes.h"
#include "mainwin/Form1.h"
#include "mainwin/MainController.h"
#include "mainwin/MemoCells.h"
#include "store/Database.h"

#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>

using namespace velmo;

namespace {

// The main window over a category node of memos, its counts read and its tree set up.
struct NodeWindow
{
    explicit NodeWindow(int count)
        : store(bench::nodeStore(count, 5000))
    {
        if (!store)
            return;
        form = std::make_unique<Form1>(
            Form1::Services{store->db(), store->runState(), AssetFolder(), sounds, boxes});
        form->resize(800, 600);
        form->ReadCount();
        form->TreeView1_Setup();
    }
    std::unique_ptr<test::TestStore> store;
    test::SoundRecorder sounds;
    WidgetMessageBoxes boxes;
    std::unique_ptr<Form1> form;
};

void clickTreeNode(benchmark::State& state, int sortColumn)
{
    const int count = static_cast<int>(state.range(0));
    NodeWindow window(count);
    if (!window.form) {
        state.SkipWithError("setup failed");
        return;
    }
    Form1& form = *window.form;
    QTreeWidgetItem* life =
        form.findChild<QTreeWidget*>(QStringLiteral("TreeView1"))->topLevelItem(0)->child(0);
    if (sortColumn >= 0)
        form.ListView1_ColumnClick(sortColumn);
    for (auto _ : state) {
        form.TreeView1_NodeClick(life);
        if (form.listModel().rowCount() == 0 || form.listModel().rowCount() > count) {
            state.SkipWithError("wrong number of rows");
            return;
        }
        benchmark::DoNotOptimize(form.listModel().rowAt(0)[MemoCells::TitleColumn]);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void clickTreeNodeListOrder(benchmark::State& state)
{
    clickTreeNode(state, -1);
}

void clickTreeNodeSortedByDaysLeft(benchmark::State& state)
{
    clickTreeNode(state, MemoCells::DaysLeftColumn);
}

void refreshAfterAnEdit(benchmark::State& state, int sortColumn)
{
    const int count = static_cast<int>(state.range(0));
    NodeWindow window(count);
    if (!window.form) {
        state.SkipWithError("setup failed");
        return;
    }
    Form1& form = *window.form;
    form.ReadUndo();
    if (sortColumn >= 0)
        form.ListView1_ColumnClick(sortColumn);
    const MemoId id = count / 2;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const bool written =
            window.store->db()
                .exec(QStringLiteral("UPDATE Notebook SET title = ? WHERE id = ?"), {++round, id})
                .ok;
        state.ResumeTiming();
        form.controller().memosChanged({MemoChange::Kind::Edited, {id}});
        if (!written || form.listModel().rowCount() == 0) {
            state.SkipWithError("not written, or no rows");
            return;
        }
    }
}

void refreshAfterAnEditListOrder(benchmark::State& state)
{
    refreshAfterAnEdit(state, -1);
}

void refreshAfterAnEditSortedByDaysLeft(benchmark::State& state)
{
    refreshAfterAnEdit(state, MemoCells::DaysLeftColumn);
}

} // namespace

BENCHMARK(refreshAfterAnEditListOrder)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(refreshAfterAnEditSortedByDaysLeft)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(clickTreeNodeListOrder)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(clickTreeNodeSortedByDaysLeft)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
