// Filling the memo list and recounting the category tree over a node of 1,000 to 100,000 memos.

#include "NodeStore.h"
#include "SoundRecorder.h"
#include "TestStore.h"

#include "controls/MessageBoxes.h"
#include "mainwin/Form1.h"
#include "mainwin/MemoCells.h"
#include "platform/Clock.h"
#include "store/CategoryCounts.h"
#include "store/Database.h"
#include "store/MemoListQueries.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace velmo;

namespace {

// The main window over the filled store with the program's own pictures, sounds written down and
// boxes never shown.
struct BenchWindow
{
    explicit BenchWindow(test::TestStore& store)
        : form(Form1::Services{store.db(), store.runState(), AssetFolder(), sounds, boxes})
    {
        form.resize(800, 600);
    }
    test::SoundRecorder sounds;
    WidgetMessageBoxes boxes;
    Form1 form;
};

void listRowsOfANode(benchmark::State& state)
{
    const int count = int(state.range(0));
    const auto store = bench::nodeStore(count);
    if (!store) {
        state.SkipWithError("setup failed");
        return;
    }
    MemoListQueries queries(store->db(), store->runState().UserId);
    for (auto _ : state) {
        const MemoListRead read = queries.nodeRows(false, 1);
        if (read.value.size() != size_t(count)) {
            state.SkipWithError("wrong number of rows");
            return;
        }
        const QDateTime now = Clock::currentDateTime();
        benchmark::DoNotOptimize(MemoCells::rowTexts(read.value.back(), now)[MemoCells::DaysLeftColumn]);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void fillTheListWindow(benchmark::State& state)
{
    const int count = int(state.range(0));
    const auto store = bench::nodeStore(count);
    if (!store) {
        state.SkipWithError("setup failed");
        return;
    }
    BenchWindow window(*store);
    Form1& form = window.form;
    for (auto _ : state) {
        form.ReadUndo();
        if (form.listModel().rowCount() == 0) {
            state.SkipWithError("wrong number of rows");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * form.listModel().rowCount());
}

void recountTheTree(benchmark::State& state)
{
    const auto store = bench::nodeStore(int(state.range(0)));
    if (!store) {
        state.SkipWithError("setup failed");
        return;
    }
    CategoryCounts counts;
    for (auto _ : state) {
        if (!counts.read(store->db(), store->runState().UserId)) {
            state.SkipWithError("count failed");
            return;
        }
        benchmark::DoNotOptimize(counts.total(false));
    }
}

// The first count on a connection: the one that reads every memo (the later ones read what it kept).
void countTheTreeFirstTime(benchmark::State& state)
{
    const auto store = bench::nodeStore(int(state.range(0)));
    if (!store) {
        state.SkipWithError("setup failed");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Database db(QStringLiteral("first count %1").arg(++round));
        const bool opened = db.open(store->dbPath()).ok;
        CategoryCounts counts;
        state.ResumeTiming();
        if (!opened || !counts.read(db, store->runState().UserId)) {
            state.SkipWithError("count failed");
            return;
        }
        benchmark::DoNotOptimize(counts.total(false));
        state.PauseTiming();
        db.close();
        state.ResumeTiming();
    }
}

void recountAndRebuildTheTree(benchmark::State& state)
{
    const auto store = bench::nodeStore(int(state.range(0)));
    if (!store) {
        state.SkipWithError("setup failed");
        return;
    }
    BenchWindow window(*store);
    for (auto _ : state) {
        window.form.ReadCount();
        window.form.TreeView1_Setup();
    }
}

} // namespace

BENCHMARK(listRowsOfANode)->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(fillTheListWindow)->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(recountTheTree)->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(countTheTreeFirstTime)->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(recountAndRebuildTheTree)->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(100000);
