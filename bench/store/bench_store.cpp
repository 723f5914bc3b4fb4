// Inserting and reading back a large number of memos through the database layer, and the same
// rows through the SQLite C interface directly, as the yardstick for the layer's overhead.

#include "TestStore.h"

#include "platform/Clock.h"
#include "store/DbText.h"
#include "store/Memo.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>

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

// Times `insert(state, store, memos)` filling a fresh store, one store a round.
template <typename Insert>
void timeInserts(benchmark::State& state, const Insert& insert)
{
    for (auto _ : state) {
        state.PauseTiming();
        test::TestStore store;
        const std::vector<MemoRecord> memos = benchMemos(store);
        state.ResumeTiming();
        if (!store.isValid() || !insert(state, store, memos)) {
            state.SkipWithError("insert failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kMemoCount);
}

// Times `read()` of all the signed-in user's memos.
template <typename Read>
void timeReads(benchmark::State& state, const Read& read)
{
    for (auto _ : state) {
        const std::vector<MemoRecord> memos = read();
        if (memos.size() != size_t(kMemoCount)) {
            state.SkipWithError("read back fewer memos than were inserted");
            return;
        }
        benchmark::DoNotOptimize(memos.back().title);
    }
    state.SetItemsProcessed(state.iterations() * kMemoCount);
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
    if (!store.isValid() || !fill(store, benchMemos(store))) {
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
// settings, one prepared statement, every value bound, one transaction.

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

// Text as the layer binds it: a null text is NULL. The text outlives the statement's step.
int bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    if (text.isNull())
        return sqlite3_bind_null(statement, index);
    return sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * 2), SQLITE_STATIC);
}

int bindDate(sqlite3_stmt* statement, int index, const std::optional<QDateTime>& moment, QString& keep)
{
    if (!moment)
        return sqlite3_bind_null(statement, index);
    keep = toDbText(*moment);
    return bindText(statement, index, keep);
}

bool insertRaw(sqlite3_stmt* statement, const MemoRecord& memo)
{
    QString dates[6];
    const QDateTime addtime = memo.addtime ? *memo.addtime : Clock::currentDateTime();
    sqlite3_stmt* s = statement;
    int failed = 0;
    failed |= sqlite3_bind_int64(s, 1, memo.NotebookServerId);
    failed |= sqlite3_bind_int(s, 2, memo.type);
    failed |= bindText(s, 3, memo.userid);
    failed |= bindText(s, 4, memo.title);
    failed |= memo.content.isEmpty() ? sqlite3_bind_null(s, 5) : bindText(s, 5, memo.content);
    failed |= sqlite3_bind_int(s, 6, memo.Done);
    failed |= bindDate(s, 7, addtime, dates[0]);
    failed |= bindDate(s, 8, memo.AlertTime, dates[1]);
    failed |= bindText(s, 9, memo.AlertPinLv);
    failed |= sqlite3_bind_int(s, 10, memo.mimi);
    failed |= sqlite3_bind_int(s, 11, memo.ifAlert);
    failed |= sqlite3_bind_int(s, 12, memo.importance);
    failed |= bindText(s, 13, memo.AddIp);
    failed |= sqlite3_bind_int(s, 14, memo.click);
    failed |= bindDate(
        s, 15, memo.AlertTimeNongli ? std::optional(memo.AlertTimeNongli->toDateTime()) : std::nullopt,
        dates[2]);
    failed |= bindDate(s, 16, memo.mailTime, dates[3]);
    failed |= sqlite3_bind_int(s, 17, memo.before);
    failed |= bindText(s, 18, memo.sound);
    failed |= bindText(s, 19, memo.DiySound);
    failed |= sqlite3_bind_int(s, 20, memo.Mail);
    failed |= sqlite3_bind_int(s, 21, memo.editor);
    failed |= sqlite3_bind_int(s, 22, memo.lifa);
    failed |= sqlite3_bind_int(s, 23, memo.synnum);
    failed |= sqlite3_bind_int(s, 24, memo.syn);
    failed |= sqlite3_bind_int(s, 25, memo.Del);
    failed |= bindDate(s, 26, memo.AlertTimeTemp, dates[4]);
    failed |= bindDate(s, 27, memo.AlertTimeNongliTemp, dates[5]);
    const bool stored = failed == SQLITE_OK && sqlite3_step(s) == SQLITE_DONE;
    sqlite3_reset(s);
    return stored;
}

bool fillRaw(sqlite3* db, const std::vector<MemoRecord>& memos)
{
    const Statement insert = prepareRaw(
        db, "INSERT INTO Notebook (NotebookServerId, type, userid, title, content, Done, addtime, "
            "AlertTime, AlertPinLv, mimi, ifAlert, importance, AddIp, click, AlertTimeNongli, mailTime, "
            "\"before\", sound, DiySound, Mail, editor, lifa, synnum, syn, Del, AlertTimeTemp, "
            "AlertTimeNongliTemp) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
            "?, ?, ?, ?, ?, ?, ?)");
    if (!insert || sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    for (const MemoRecord& memo : memos) {
        if (!insertRaw(insert.get(), memo)) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return false;
        }
    }
    return sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString columnText(sqlite3_stmt* statement, int column)
{
    const void* text = sqlite3_column_text16(statement, column);
    if (!text)
        return QString();
    return QString(static_cast<const QChar*>(text), sqlite3_column_bytes16(statement, column) / 2);
}

std::optional<QDateTime> columnDate(sqlite3_stmt* statement, int column)
{
    const QDateTime moment = fromDbText(columnText(statement, column));
    return moment.isValid() ? std::optional<QDateTime>(moment) : std::nullopt;
}

// The columns of SELECT * in the table's order.
MemoRecord memoFromRow(sqlite3_stmt* s)
{
    MemoRecord memo;
    memo.id = sqlite3_column_int64(s, 0);
    memo.NotebookServerId = sqlite3_column_int64(s, 1);
    memo.type = sqlite3_column_int(s, 2);
    memo.userid = columnText(s, 3);
    memo.title = columnText(s, 4);
    memo.content = columnText(s, 5);
    memo.Done = sqlite3_column_int(s, 6) != 0;
    memo.addtime = columnDate(s, 7);
    memo.AlertTime = columnDate(s, 8);
    memo.AlertPinLv = columnText(s, 9);
    memo.mimi = sqlite3_column_int(s, 10) != 0;
    memo.ifAlert = sqlite3_column_int(s, 11) != 0;
    memo.importance = sqlite3_column_int(s, 12) != 0;
    memo.AddIp = columnText(s, 13);
    memo.click = sqlite3_column_int(s, 14);
    const std::optional<QDateTime> nongli = columnDate(s, 15);
    memo.AlertTimeNongli = nongli ? LunarMoment::fromStored(*nongli) : std::nullopt;
    memo.mailTime = columnDate(s, 16);
    memo.before = sqlite3_column_int(s, 17);
    memo.sound = columnText(s, 18);
    memo.DiySound = columnText(s, 19);
    memo.Mail = sqlite3_column_int(s, 20) != 0;
    memo.editor = sqlite3_column_int(s, 21) != 0;
    memo.lifa = sqlite3_column_int(s, 22);
    memo.synnum = sqlite3_column_int(s, 23);
    memo.syn = sqlite3_column_int(s, 24) != 0;
    memo.Del = sqlite3_column_int(s, 25) != 0;
    memo.AlertTimeTemp = columnDate(s, 26);
    memo.AlertTimeNongliTemp = columnDate(s, 27);
    return memo;
}

std::vector<MemoRecord> readRaw(sqlite3* db, const QString& userId)
{
    std::vector<MemoRecord> memos;
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

// The rows the layer reads back are the memos given, but for the id and insertion time.
bool storedAsGiven(std::vector<MemoRecord> stored, const std::vector<MemoRecord>& given)
{
    for (MemoRecord& memo : stored) {
        memo.id = 0;
        memo.addtime.reset();
    }
    return stored == given;
}

void insertMemosSqlite(benchmark::State& state)
{
    timeInserts(
        state, [](benchmark::State& timer, test::TestStore& store, const std::vector<MemoRecord>& memos) {
            timer.PauseTiming();
            const QString path = store.dbPath();
            store.db().close();
            Connection db = openRaw(path);
            timer.ResumeTiming();
            if (!db || !fillRaw(db.get(), memos))
                return false;
            timer.PauseTiming();
            db.reset();
            const bool same =
                store.db().open(path).ok &&
                storedAsGiven(readMemos(store.db(), QStringLiteral("SELECT * FROM Notebook")).value, memos);
            timer.ResumeTiming();
            return same;
        });
}

void readMemosSqlite(benchmark::State& state)
{
    test::TestStore store;
    const Connection db = openRaw(store.dbPath());
    if (!store.isValid() || !db || !fill(store, benchMemos(store)) ||
        readRaw(db.get(), store.runState().UserId) !=
            readMemos(store.db(), QStringLiteral("SELECT * FROM Notebook ORDER BY id")).value) {
        state.SkipWithError("setup failed, or the rows differ from the layer's");
        return;
    }
    timeReads(state, [&db, &store] { return readRaw(db.get(), store.runState().UserId); });
}

} // namespace

BENCHMARK(insertMemos)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(insertMemosSqlite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(readMemos)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(readMemosSqlite)->Unit(benchmark::kMillisecond)->Iterations(3);
