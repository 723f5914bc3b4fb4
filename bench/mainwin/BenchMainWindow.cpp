// Filling the memo list and recounting the category tree over a node of 10,000 memos.

#include "FilledStore.h"
#include "SoundRecorder.h"
#include "TestStore.h"

#include "controls/MessageBoxes.h"
#include "mainwin/Form1.h"
#include "mainwin/MemoCells.h"
#include "platform/Clock.h"
#include "store/CategoryCounts.h"
#include "store/MemoListQueries.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace velmo;

namespace {

constexpr int kMemoCount = 10000;

// One user's 10,000 memos in progress, all of category 1, every third on the lunar calendar, plus
// a few hundred of other categories, done memos and another user's memos around them.
std::unique_ptr<test::TestStore> filledStore()
{
    return bench::filledStore(kMemoCount + 600, [](MemoRecord& memo, int i) {
        memo.content = QStringLiteral("<p>第 %1 条备忘的内容, 带一点 <b>HTML</b>.</p>").arg(i);
        memo.AlertTime = QDateTime(QDate(2026, 12, 1), QTime(9, 0)).addSecs(qint64(i) * 600);
        if (i % 3 == 0) {
            memo.lifa = 2;
            memo.AlertTimeNongli = LunarMoment{2026, 10, 1 + i % 28, 8, 0, 0};
        }
        if (i >= kMemoCount) {
            memo.type = 2 + i % 6;
            memo.Done = i % 2 == 0;
            if (i % 5 == 0)
                memo.userid = QStringLiteral("other");
        }
    });
}

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
    const auto store = filledStore();
    if (!store) {
        state.SkipWithError("setup failed");
        return;
    }
    MemoListQueries queries(store->db(), store->runState().UserId);
    for (auto _ : state) {
        const MemoListRead read = queries.nodeRows(false, 1);
        if (read.value.size() != size_t(kMemoCount)) {
            state.SkipWithError("wrong number of rows");
            return;
        }
        const QDateTime now = Clock::currentDateTime();
        benchmark::DoNotOptimize(MemoCells::rowTexts(read.value.back(), now)[MemoCells::DaysLeftColumn]);
    }
    state.SetItemsProcessed(state.iterations() * kMemoCount);
}

void fillTheListWindow(benchmark::State& state)
{
    const auto store = filledStore();
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
    const auto store = filledStore();
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

void recountAndRebuildTheTree(benchmark::State& state)
{
    const auto store = filledStore();
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

BENCHMARK(listRowsOfANode)->Unit(benchmark::kMillisecond);
BENCHMARK(fillTheListWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(recountTheTree)->Unit(benchmark::kMillisecond);
BENCHMARK(recountAndRebuildTheTree)->Unit(benchmark::kMillisecond);
