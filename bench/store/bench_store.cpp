// Inserting and reading back 1,000 to 1,000,000 memos through the database layer, and the same rows
// through the SQLite C interface directly with plain C++ values, as the yardstick for the layer's
// overhead; the upgrade of a file of the earlier schema.

#include "TestStore.h"

#include "platform/Clock.h"
#include "store/Database.h"
#include "store/DbText.h"
#include "store/Memo.h"

#include <QFileInfo>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>

using namespace velmo;

namespace {

MemoRecord benchMemo(const test::TestStore& store, int i)
{
    MemoRecord memo = store.sampleMemo(QStringLiteral("备忘 %1").arg(i));
    memo.type = 1 + i % 7;
    memo.content = QStringLiteral("<p>第 %1 条备忘的内容, 带一点 <b>HTML</b>.</p>").arg(i);
    memo.AlertTime = QDateTime(QDate(2026, 1, 1), QTime(9, 0)).addSecs(qint64(i) * 60);
    return memo;
}

std::vector<MemoRecord> benchMemos(const test::TestStore& store, int count)
{
    std::vector<MemoRecord> memos;
    memos.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
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

// Times `insert(state, store, memos)` filling a fresh store with state.range(0) memos, one store a round.
template <typename Insert>
void timeInserts(benchmark::State& state, const Insert& insert)
{
    for (auto _ : state) {
        state.PauseTiming();
        test::TestStore store;
        const std::vector<MemoRecord> memos = benchMemos(store, int(state.range(0)));
        state.ResumeTiming();
        if (!store.isValid() || !insert(state, store, memos)) {
            state.SkipWithError("insert failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Times `read()` of all the signed-in user's state.range(0) memos.
template <typename Read>
void timeReads(benchmark::State& state, const Read& read)
{
    for (auto _ : state) {
        const auto memos = read();
        if (memos.size() != size_t(state.range(0))) {
            state.SkipWithError("read back fewer memos than were inserted");
            return;
        }
        benchmark::DoNotOptimize(memos.back().title);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void insertMemos(benchmark::State& state)
{
    timeInserts(state, [](benchmark::State&, test::TestStore& store, const std::vector<MemoRecord>& memos) {
        return fill(store, memos);
    });
}

void readMemos(benchmark::State& state)
{
    test::TestStore store;
    if (!store.isValid() || !fill(store, benchMemos(store, int(state.range(0))))) {
        state.SkipWithError("setup failed");
        return;
    }
    timeReads(state, [&store] {
        return readMemos(store.db(),
                         QStringLiteral("SELECT * FROM Notebook WHERE userid=? AND Del=0 ORDER BY id"),
                         {store.runState().UserId})
            .value;
    });
}

// The same rows through the C interface: one connection on the store's file with the store's
// settings, one prepared statement, every value bound, one transaction. Its rows are plain C++
// values (UTF-8 texts, dates as their stored text) made before the clock starts.

struct CloseConnection
{
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct FinalizeStatement
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Connection = std::unique_ptr<sqlite3, CloseConnection>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;
using Text = std::optional<std::string>; // none: NULL

// A memo row as the table holds it, column by column in the table's order (the id aside).
struct RawMemo
{
    std::int64_t NotebookServerId = 0;
    int type = 0;
    Text userid, title, content;
    int Done = 0;
    Text addtime, AlertTime, AlertPinLv;
    int mimi = 0, ifAlert = 0, importance = 0;
    Text AddIp;
    int click = 0;
    Text AlertTimeNongli, mailTime;
    int before = 0;
    Text sound, DiySound;
    int Mail = 0, editor = 0, lifa = 0, synnum = 0, syn = 0, Del = 0;
    Text AlertTimeTemp, AlertTimeNongliTemp;
    int SyncedSynnum = 0;

    friend bool operator==(const RawMemo&, const RawMemo&) = default;
};

Text plain(const QString& text)
{
    return text.isNull() ? Text() : Text(text.toStdString());
}

Text plainDate(const std::optional<QDateTime>& moment)
{
    return moment ? Text(toDbText(*moment).toStdString()) : Text();
}

// The row the layer stores for a memo (an unset addtime is the moment given).
RawMemo rawMemo(const MemoRecord& memo, const QDateTime& now)
{
    RawMemo raw;
    raw.NotebookServerId = memo.NotebookServerId;
    raw.type = memo.type;
    raw.userid = plain(memo.userid);
    raw.title = plain(memo.title);
    raw.content = memo.content.isEmpty() ? Text() : plain(memo.content);
    raw.Done = memo.Done;
    raw.addtime = plainDate(memo.addtime ? *memo.addtime : now);
    raw.AlertTime = plainDate(memo.AlertTime);
    raw.AlertPinLv = plain(memo.AlertPinLv);
    raw.mimi = memo.mimi;
    raw.ifAlert = memo.ifAlert;
    raw.importance = memo.importance;
    raw.AddIp = plain(memo.AddIp);
    raw.click = memo.click;
    raw.AlertTimeNongli =
        memo.AlertTimeNongli ? Text(memo.AlertTimeNongli->storageText().toStdString()) : Text();
    raw.mailTime = plainDate(memo.mailTime);
    raw.before = memo.before;
    raw.sound = plain(memo.sound);
    raw.DiySound = plain(memo.DiySound);
    raw.Mail = memo.Mail;
    raw.editor = memo.editor;
    raw.lifa = memo.lifa;
    raw.synnum = memo.synnum;
    raw.syn = memo.syn;
    raw.Del = memo.Del;
    raw.AlertTimeTemp = plainDate(memo.AlertTimeTemp);
    raw.AlertTimeNongliTemp = plainDate(memo.AlertTimeNongliTemp);
    raw.SyncedSynnum = memo.SyncedSynnum;
    return raw;
}

std::vector<RawMemo> rawMemos(const std::vector<MemoRecord>& memos, const QDateTime& now)
{
    std::vector<RawMemo> raw;
    raw.reserve(memos.size());
    for (const MemoRecord& memo : memos)
        raw.push_back(rawMemo(memo, now));
    return raw;
}

Connection openRaw(const QString& path)
{
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    Connection connection(db);
    if (opened != SQLITE_OK || sqlite3_exec(db, "PRAGMA cache_size = -16384; PRAGMA temp_store = MEMORY",
                                            nullptr, nullptr, nullptr) != SQLITE_OK)
        return nullptr;
    return connection;
}

Statement prepareRaw(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return nullptr;
    return Statement(statement);
}

int bindText(sqlite3_stmt* statement, int index, const Text& text)
{
    if (!text)
        return sqlite3_bind_null(statement, index);
    return sqlite3_bind_text(statement, index, text->data(), int(text->size()), SQLITE_STATIC);
}

bool insertRaw(sqlite3_stmt* s, const RawMemo& memo)
{
    int failed = 0;
    failed |= sqlite3_bind_int64(s, 1, memo.NotebookServerId);
    failed |= sqlite3_bind_int(s, 2, memo.type);
    failed |= bindText(s, 3, memo.userid);
    failed |= bindText(s, 4, memo.title);
    failed |= bindText(s, 5, memo.content);
    failed |= sqlite3_bind_int(s, 6, memo.Done);
    failed |= bindText(s, 7, memo.addtime);
    failed |= bindText(s, 8, memo.AlertTime);
    failed |= bindText(s, 9, memo.AlertPinLv);
    failed |= sqlite3_bind_int(s, 10, memo.mimi);
    failed |= sqlite3_bind_int(s, 11, memo.ifAlert);
    failed |= sqlite3_bind_int(s, 12, memo.importance);
    failed |= bindText(s, 13, memo.AddIp);
    failed |= sqlite3_bind_int(s, 14, memo.click);
    failed |= bindText(s, 15, memo.AlertTimeNongli);
    failed |= bindText(s, 16, memo.mailTime);
    failed |= sqlite3_bind_int(s, 17, memo.before);
    failed |= bindText(s, 18, memo.sound);
    failed |= bindText(s, 19, memo.DiySound);
    failed |= sqlite3_bind_int(s, 20, memo.Mail);
    failed |= sqlite3_bind_int(s, 21, memo.editor);
    failed |= sqlite3_bind_int(s, 22, memo.lifa);
    failed |= sqlite3_bind_int(s, 23, memo.synnum);
    failed |= sqlite3_bind_int(s, 24, memo.syn);
    failed |= sqlite3_bind_int(s, 25, memo.Del);
    failed |= bindText(s, 26, memo.AlertTimeTemp);
    failed |= bindText(s, 27, memo.AlertTimeNongliTemp);
    failed |= sqlite3_bind_int(s, 28, memo.SyncedSynnum);
    const bool stored = failed == SQLITE_OK && sqlite3_step(s) == SQLITE_DONE;
    sqlite3_reset(s);
    return stored;
}

bool fillRaw(sqlite3* db, const std::vector<RawMemo>& memos)
{
    const Statement insert = prepareRaw(
        db, "INSERT INTO Notebook (NotebookServerId, type, userid, title, content, Done, addtime, "
            "AlertTime, AlertPinLv, mimi, ifAlert, importance, AddIp, click, AlertTimeNongli, mailTime, "
            "\"before\", sound, DiySound, Mail, editor, lifa, synnum, syn, Del, AlertTimeTemp, "
            "AlertTimeNongliTemp, SyncedSynnum) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
            "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (!insert || sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    for (const RawMemo& memo : memos) {
        if (!insertRaw(insert.get(), memo)) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return false;
        }
    }
    return sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

Text columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (!text)
        return Text();
    return Text(std::string(text, size_t(sqlite3_column_bytes(statement, column))));
}

// The columns of SELECT * in the table's order.
RawMemo memoFromRow(sqlite3_stmt* s)
{
    RawMemo memo;
    memo.NotebookServerId = sqlite3_column_int64(s, 1);
    memo.type = sqlite3_column_int(s, 2);
    memo.userid = columnText(s, 3);
    memo.title = columnText(s, 4);
    memo.content = columnText(s, 5);
    memo.Done = sqlite3_column_int(s, 6);
    memo.addtime = columnText(s, 7);
    memo.AlertTime = columnText(s, 8);
    memo.AlertPinLv = columnText(s, 9);
    memo.mimi = sqlite3_column_int(s, 10);
    memo.ifAlert = sqlite3_column_int(s, 11);
    memo.importance = sqlite3_column_int(s, 12);
    memo.AddIp = columnText(s, 13);
    memo.click = sqlite3_column_int(s, 14);
    memo.AlertTimeNongli = columnText(s, 15);
    memo.mailTime = columnText(s, 16);
    memo.before = sqlite3_column_int(s, 17);
    memo.sound = columnText(s, 18);
    memo.DiySound = columnText(s, 19);
    memo.Mail = sqlite3_column_int(s, 20);
    memo.editor = sqlite3_column_int(s, 21);
    memo.lifa = sqlite3_column_int(s, 22);
    memo.synnum = sqlite3_column_int(s, 23);
    memo.syn = sqlite3_column_int(s, 24);
    memo.Del = sqlite3_column_int(s, 25);
    memo.AlertTimeTemp = columnText(s, 26);
    memo.AlertTimeNongliTemp = columnText(s, 27);
    memo.SyncedSynnum = sqlite3_column_int(s, 28);
    return memo;
}

std::vector<RawMemo> readRaw(sqlite3* db, const std::string& userId)
{
    std::vector<RawMemo> memos;
    const Statement select = prepareRaw(db, "SELECT * FROM Notebook WHERE userid=? AND Del=0 ORDER BY id");
    if (!select || bindText(select.get(), 1, userId) != SQLITE_OK)
        return memos;
    int stepped;
    while ((stepped = sqlite3_step(select.get())) == SQLITE_ROW)
        memos.push_back(memoFromRow(select.get()));
    if (stepped != SQLITE_DONE)
        memos.clear();
    return memos;
}

void insertMemosSqlite(benchmark::State& state)
{
    timeInserts(
        state, [](benchmark::State& timer, test::TestStore& store, const std::vector<MemoRecord>& memos) {
            timer.PauseTiming();
            const std::vector<RawMemo> rows = rawMemos(memos, Clock::currentDateTime());
            const QString path = store.dbPath();
            store.db().close();
            Connection db = openRaw(path);
            timer.ResumeTiming();
            if (!db || !fillRaw(db.get(), rows))
                return false;
            timer.PauseTiming();
            db.reset();
            // The rows read back through the layer are the rows the layer would store.
            const bool same =
                store.db().open(path).ok &&
                rawMemos(readMemos(store.db(), QStringLiteral("SELECT * FROM Notebook ORDER BY id")).value,
                         QDateTime()) == rows;
            timer.ResumeTiming();
            return same;
        });
}

void readMemosSqlite(benchmark::State& state)
{
    test::TestStore store;
    const Connection db = openRaw(store.dbPath());
    const std::string user = store.runState().UserId.toStdString();
    if (!store.isValid() || !db || !fill(store, benchMemos(store, int(state.range(0)))) ||
        readRaw(db.get(), user) !=
            rawMemos(readMemos(store.db(), QStringLiteral("SELECT * FROM Notebook ORDER BY id")).value,
                     QDateTime())) {
        state.SkipWithError("setup failed, or the rows differ from the layer's");
        return;
    }
    timeReads(state, [&db, &user] { return readRaw(db.get(), user); });
}

// Opening a data.db of the earlier schema upgrades it: the time of the open, and the file's size
// before and after it (counters, in bytes). Each memo carries a body of about 1 KB.
void upgradeOldFile(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<test::TestStore>();
        std::vector<MemoRecord> memos = benchMemos(*store, int(state.range(0)));
        for (MemoRecord& memo : memos)
            memo.content = memo.content.repeated(16);
        const QString path = store->dbPath();
        bool made = store->isValid() && fill(*store, memos);
        store->db().close();
        {
            // The file as the earlier version left it: no in-step counter, schema 1, no free page.
            const Connection raw = openRaw(path);
            made =
                made && raw &&
                sqlite3_exec(raw.get(),
                             "ALTER TABLE Notebook DROP COLUMN SyncedSynnum; PRAGMA user_version = 1; VACUUM",
                             nullptr, nullptr, nullptr) == SQLITE_OK;
        }
        const qint64 before = QFileInfo(path).size();
        state.ResumeTiming();
        Database db(test::uniqueConnectionName());
        const StoreResult opened = db.open(path);
        state.PauseTiming();
        db.close();
        if (!made || !opened.ok) {
            state.SkipWithError("the old file could not be made or upgraded");
            return;
        }
        state.counters["bytes_before"] = double(before);
        state.counters["bytes_after"] = double(QFileInfo(path).size());
        store.reset();
        state.ResumeTiming();
    }
}

void sizes(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000);
}

} // namespace

BENCHMARK(insertMemos)->Apply(sizes)->Iterations(3);
BENCHMARK(insertMemosSqlite)->Apply(sizes)->Iterations(3);
BENCHMARK(readMemos)->Apply(sizes)->Iterations(3);
BENCHMARK(readMemosSqlite)->Apply(sizes)->Iterations(3);
BENCHMARK(upgradeOldFile)->Unit(benchmark::kMillisecond)->Arg(50000)->Iterations(1);
