// The synchronisation against the stand-in on 127.0.0.1: an upload of many memos one request at a
// time, the client's own work per memo beside it, the first pass of 10,000 and 100,000 memos new to
// the service and the pass after it, and a sync pass over 1,000 to 100,000 memos with 1% changed or
// nothing changed.

#include "ServiceFixture.h"
#include "TestStore.h"

#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "store/Database.h"
#include "store/SyncRows.h"
#include "sync/ServerRecord.h"
#include "sync/SyncReplies.h"
#include "sync/SyncSession.h"
#include "velmo-service/MemoStore.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <benchmark/benchmark.h>

#include <map>

using namespace velmo;

namespace {

const QString User = QStringLiteral("demo");

struct Bench
{
    test::ServiceFixture service;
    test::TestStore store{User};
    ServiceChannel channel;
    SyncSession sync{store.db(), store.runState(), channel};

    Bench()
    {
        service.addAccount(User, QStringLiteral("velmo123"));
        service.setSignatureCheck(standin::SignatureCheck::Off);
        store.runState().PassHash = MD5_16(QStringLiteral("velmo123"));
        sync.setServiceAddress(service.address());
    }
    void addMemos(int count, bool synced)
    {
        Transaction transaction(store.db());
        for (int i = 0; i < count; ++i) {
            MemoRecord memo = store.sampleMemo(QStringLiteral("备忘 %1").arg(i));
            memo.content = QStringLiteral("第 %1 条备忘的内容").arg(i);
            if (synced) {
                QStringList fields = ServerRecordText(memo).split(RecordFieldSeparator);
                memo.NotebookServerId = standin::MemoStore::of(service.service())->add(User, fields, 1);
                memo.syn = true;
                memo.SyncedSynnum = 1;
            }
            store.addMemo(memo);
        }
        transaction.commit();
    }
    // Runs a pass to its end; the first upload of 100,000 memos takes minutes.
    bool run(void (SyncSession::*pass)(), int waitMs = 120000)
    {
        QSignalSpy finished(&sync, &SyncSession::passFinished);
        (sync.*pass)();
        return !finished.isEmpty() || finished.wait(waitMs);
    }
};

void BM_UploadThousandMemos(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<Bench>();
        bench->addMemos(1000, false);
        state.ResumeTiming();
        if (!bench->run(&SyncSession::UploadData))
            state.SkipWithError("the upload did not end");
        state.PauseTiming();
        bench.reset();
        state.ResumeTiming();
    }
    state.counters["memos/s"] =
        benchmark::Counter(1000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_UploadThousandMemos)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// What the client itself does for each of 1,000 uploads: read the row, build the body, store the answer.
void BM_ClientWorkPerThousandMemos(benchmark::State& state)
{
    Bench bench;
    bench.addMemos(1000, false);
    const LocalIdsRead ids = readUnsyncedIds(bench.store.db(), User);
    for (auto _ : state) {
        Transaction transaction(bench.store.db());
        for (const qint64 id : ids.value) {
            const OwnMemoRead row = readOwnMemo(bench.store.db(), User, id);
            benchmark::DoNotOptimize(SynPostBody(*row.value));
            acknowledgeUpload(bench.store.db(), User, id, id, row.value->synnum, row.value->synnum, false,
                              *row.value, wireDigest(*row.value));
        }
    }
}
BENCHMARK(BM_ClientWorkPerThousandMemos)->Unit(benchmark::kMillisecond);

// The first pass of memos new to the service, each posted and its answer written; called with the
// timing paused, it times the pass alone when asked.
std::unique_ptr<Bench> firstUpload(benchmark::State& state, int count, bool timed)
{
    auto bench = std::make_unique<Bench>();
    bench->addMemos(count, false);
    if (timed)
        state.ResumeTiming();
    const bool ran = bench->run(&SyncSession::SyncData, 3600 * 1000);
    if (timed)
        state.PauseTiming();
    if (!ran)
        state.SkipWithError("the first pass did not end");
    else if (bench->store.value(QStringLiteral("SELECT count(*) FROM Notebook WHERE syn=0")).toInt() != 0)
        state.SkipWithError("rows left unsynchronised");
    return bench;
}

// What the first upload left, for the pass after it at the same count.
std::map<int, std::unique_ptr<Bench>> uploaded;

void BM_FirstUploadOfNewMemos(benchmark::State& state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        uploaded.erase(count);
        // What is left goes while the application still stands, not among the program's statics.
        static const bool letGo = (qAddPostRoutine([] { uploaded.clear(); }), true);
        Q_UNUSED(letGo);
        uploaded[count] = firstUpload(state, count, true);
        if (state.error_occurred())
            break;
        state.ResumeTiming();
    }
    state.counters["memos/s"] =
        benchmark::Counter(double(count) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FirstUploadOfNewMemos)
    ->Unit(benchmark::kMillisecond)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseRealTime();

// The pass after the first upload: the list names every memo just posted, and every post of a new
// memo, kept until then, is let go.
void BM_PassAfterFirstUpload(benchmark::State& state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto found = uploaded.find(count);
        std::unique_ptr<Bench> bench =
            found != uploaded.end() ? std::move(found->second) : firstUpload(state, count, false);
        uploaded.erase(count);
        if (state.error_occurred())
            break;
        state.ResumeTiming();
        const bool ran = bench->run(&SyncSession::SyncData);
        state.PauseTiming();
        if (!ran)
            state.SkipWithError("the pass did not end");
        else if (bench->store.value(QStringLiteral("SELECT count(*) FROM SentUploads")).toInt() != 0)
            state.SkipWithError("posts left remembered");
        bench.reset();
        if (state.error_occurred())
            break;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PassAfterFirstUpload)
    ->Unit(benchmark::kMillisecond)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseRealTime();

// The same memos on both sides; 0.5% changed on the service, 0.5% here.
void BM_SyncPassOnePercentChanged(benchmark::State& state)
{
    const int count = int(state.range(0));
    const int changes = count / 200;
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<Bench>();
        bench->addMemos(count, true);
        standin::MemoStore& server = *standin::MemoStore::of(bench->service.service());
        const QList<standin::StoredMemo> memos = server.liveMemos(User);
        for (int i = 0; i < changes; ++i) {
            standin::StoredMemo changed = memos[i * 200];
            changed.synnum += 1;
            changed.fields[2] += QStringLiteral(" (service)");
            server.update(changed);
            bench->store.db().exec(
                QStringLiteral("UPDATE Notebook SET title=title||' (here)', synnum=synnum+1, "
                               "syn=0 WHERE NotebookServerId=?"),
                {memos[i * 200 + 100].serverId});
        }
        state.ResumeTiming();
        if (!bench->run(&SyncSession::SyncData))
            state.SkipWithError("the pass did not end");
        state.PauseTiming();
        if (bench->store.value(QStringLiteral("SELECT count(*) FROM Notebook WHERE syn=0")).toInt() != 0)
            state.SkipWithError("rows left unsynchronised");
        bench.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SyncPassOnePercentChanged)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(3)
    ->UseRealTime();

// The same memos on both sides, nothing changed on either: the pass only compares.
void BM_SyncPassNothingChanged(benchmark::State& state)
{
    Bench bench;
    bench.addMemos(int(state.range(0)), true);
    // The first pass learns the service's token of every memo; the rows then stand as after any pass.
    if (!bench.run(&SyncSession::SyncData)) {
        state.SkipWithError("the first pass did not end");
        return;
    }
    const QStringList before = bench.store.allMemoColumns();
    for (auto _ : state) {
        if (!bench.run(&SyncSession::SyncData)) {
            state.SkipWithError("the pass did not end");
            return;
        }
    }
    if (bench.store.allMemoColumns() != before)
        state.SkipWithError("a pass with nothing changed changed rows");
}
BENCHMARK(BM_SyncPassNothingChanged)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseRealTime();

// An account past what one reply of the list may hold, nothing changed on either side: the list is
// read in the stand-in's pages of 20,000 (counted), then compared as a whole.
void BM_SyncPassNothingChangedInPages(benchmark::State& state)
{
    Bench bench;
    bench.addMemos(int(state.range(0)), true);
    if (!bench.run(&SyncSession::SyncData)) { // the rows learn their memos' tokens
        state.SkipWithError("the first pass did not end");
        return;
    }
    const QString sums =
        QStringLiteral("SELECT count(*) || ':' || total(synnum) || ':' || total(NotebookServerId) "
                       "|| ':' || total(syn) FROM Notebook");
    const QString before = bench.store.value(sums).toString();
    bench.service.clearRequests();
    for (auto _ : state) {
        if (!bench.run(&SyncSession::SyncData)) {
            state.SkipWithError("the pass did not end");
            return;
        }
    }
    qsizetype pages = 0;
    for (const standin::StandInRequest& request : bench.service.requests())
        pages += request.path == QLatin1String("/Api/id.asp") ? 1 : 0;
    if (pages != bench.service.requestCount() || bench.store.value(sums).toString() != before)
        state.SkipWithError("a pass with nothing changed did more than read the list");
    state.counters["pages"] = double(pages) / double(state.iterations());
}
BENCHMARK(BM_SyncPassNothingChangedInPages)
    ->Unit(benchmark::kMillisecond)
    ->Arg(200000)
    ->Arg(1000000)
    ->Iterations(3)
    ->UseRealTime();

// The reading of one page of the list: 20,000 and 100,000 entries.
void BM_ParseListPage(benchmark::State& state)
{
    const QString passHash = MD5_16(QStringLiteral("velmo123"));
    QString text = QStringLiteral("ok|0|") + ServerProof(passHash) + QStringLiteral("|2026-12-6 10:00:00|");
    for (qint64 id = 1; id <= state.range(0); ++id)
        text += QStringLiteral("%1:%2:%3:%4,")
                    .arg(id)
                    .arg(id % 7)
                    .arg(id % 3 ? "a0b1c2d3" : "d:a0b1c2d3", QStringLiteral("5f2e9c01"));
    text += QStringLiteral("|0");
    for (auto _ : state) {
        const IdListReply reply = parseIdListReply(text, passHash);
        if (reply.entries.size() != size_t(state.range(0)))
            state.SkipWithError("the page did not read");
    }
}
BENCHMARK(BM_ParseListPage)->Unit(benchmark::kMillisecond)->Arg(20000)->Arg(100000);

} // namespace
