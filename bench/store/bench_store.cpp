// Inserting and reading back a large number of memos through the database layer.

#include "TestStore.h"

#include "store/Memo.h"


#include <benchmark/benchmark.h>

using namespace velmo;

namespace {

constexpr int kMemoCount = 100000;

MemoRecord benchMemo(const test::TestStore& store, int i)
{
    MemoRecord memo = store.sampleMemo(QStringLiteral("备忘 %1").arg(i));
    memo.type = 1 + i % 7;
    memo.content = QStringLiteral("<p>第 %1 条备忘的内容, 带一点 <b>HTML</b>.</p>").arg(i);
    memo.AlertTime = QDateTime(QDate(2026, 1, 1), QTime(9, 0)).addSecs(qint64(i) * 60);
    return memo;
}

std::vector<MemoRecord> benchMemos(const test::TestStore& store)
{
    std::vector<MemoRecord> memos;
    memos.reserve(kMemoCount);
    for (int i = 0; i < kMemoCount; ++i)
        memos.push_back(benchMemo(store, i));
    return memos;
}

bool fill(test::TestStore& store, const std::vector<MemoRecord>& memos)
{
    Transaction transaction(store.db());
    for (const MemoRecord& memo : memos) {
        if (!insertMemo(store.db(), memo))
            return false;
    }
    return transaction.commit().ok;
}

void insertMemos(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        test::TestStore store;
        const std::vector<MemoRecord> memos = benchMemos(store);
        state.ResumeTiming();
        if (!store.isValid() || !fill(store, memos)) {
            state.SkipWithError("insert failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kMemoCount);
}

void readMemos(benchmark::State& state)
{
    test::TestStore store;
    if (!store.isValid() || !fill(store, benchMemos(store))) {
        state.SkipWithError("setup failed");
        return;
    }
    for (auto _ : state) {
        const std::vector<MemoRecord> memos = readMemos(
            store.db(), QStringLiteral("SELECT * FROM Notebook WHERE userid=? AND Del=0 ORDER BY id"),
            {store.runState().UserId});
        if (memos.size() != size_t(kMemoCount)) {
            state.SkipWithError("read back fewer memos than were inserted");
            return;
        }
        benchmark::DoNotOptimize(memos.back().title);
    }
    state.SetItemsProcessed(state.iterations() * kMemoCount);
}

} // namespace

BENCHMARK(insertMemos)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(readMemos)->Unit(benchmark::kMillisecond)->Iterations(3);
