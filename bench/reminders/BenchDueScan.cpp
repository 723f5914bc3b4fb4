// The due scan of 1,000 to 1,000,000 memos of one user, solar and lunar mixed, 2% of them due within
// 60 days: the query, placing the lunar moments, and the panel built from the result.

#include "BoxRecorder.h"
#include "FilledStore.h"
#include "TestStore.h"

#include "lunar/LunarMoment.h"
#include "reminders/DuePanel.h"
#include "reminders/DueScan.h"
#include "reminders/Reminders.h"
#include "reminders/RingTune.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace velmo;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(10, 0));

class SilentTune : public RingTune
{
public:
    void play(const QString&) override {}
    void replay() override {}
    void stop() override {}
};

// Every 50th memo falls due within the 60 days (some already passed); of the others half are done
// with passed moments, half lie one to three years ahead. Every third memo is lunar.
std::unique_ptr<test::TestStore> filledStore(int count)
{
    return bench::filledStore(count, [](MemoRecord& memo, int i) {
        memo.AlertPinLv = i % 7 == 0 ? QStringLiteral("1nian") : QStringLiteral("1");
        const bool due = i % 50 == 0;
        qint64 days = due ? (i / 50) % 62 - 2 : 365 + i % 700;
        if (!due && i % 2 == 0) {
            memo.Done = true;
            days = -(i % 900) - 1;
        }
        const QDateTime solar = kNow.addDays(days).addSecs(i % 3600);
        memo.AlertTime = solar;
        if (i % 3 == 0) {
            const auto lunar = LunarMoment::fromSolar(solar);
            memo.lifa = 2;
            memo.AlertTime.reset();
            memo.AlertTimeNongli = lunar ? *lunar : LunarMoment::fromStored(solar);
            memo.mailTime = solar;
        }
    });
}

// One store of each size, filled once for all the benchmarks of that size; closed while the
// application object still stands.
test::TestStore* sharedStore(int count)
{
    static std::map<int, std::unique_ptr<test::TestStore>> stores;
    if (stores.empty())
        qAddPostRoutine([] { stores.clear(); });
    auto& store = stores[count];
    if (!store)
        store = filledStore(count);
    return store.get();
}

void sizes(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000);
}

void BM_DueScanQuery(benchmark::State& state)
{
    test::TestStore* store = sharedStore(int(state.range(0)));
    if (!store) {
        state.SkipWithError("store not filled");
        return;
    }
    for (auto _ : state) {
        DueScanResult scan = scanDueMemos(store->db(), store->runState().UserId, kNow, false);
        benchmark::DoNotOptimize(scan);
    }
}
BENCHMARK(BM_DueScanQuery)->Apply(sizes);

// The whole due scan as the scheduler runs it: query, placing, and the panel brought up to date.
void BM_DueScanWithPanel(benchmark::State& state)
{
    test::TestStore* store = sharedStore(int(state.range(0)));
    if (!store) {
        state.SkipWithError("store not filled");
        return;
    }
    test::BoxRecorder boxes;
    SilentTune tune;
    QTimer timer2;
    QWidget window;
    auto* panel = new DuePanel(AssetFolder(), {QRect(0, 0, 540, 198), QRect(546, 0, 38, 198), 600}, &window);
    store->runState().settings.ReminderRing = false;
    Reminders reminders({store->db(), store->runState(), AssetFolder(), boxes, tune, timer2, panel, &window});
    for (auto _ : state) {
        reminders.MoveRing(false);
        reminders.Command2_Click();
    }
    state.counters["shown"] = double(reminders.lastScan().memos.size());
}
BENCHMARK(BM_DueScanWithPanel)->Apply(sizes);

} // namespace
