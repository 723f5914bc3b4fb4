// Whole-process times of the program's start: from starting the process to the sign-in window on
// screen, and to the end of the automatic local sign-in (and the main window's load, and its first
// drawing) with 1,000 to 100,000 memos in the database. Each run is a fresh process of velmo_startup_probe,
// on the offscreen platform, in a private home folder.

#include "platform/Md5.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/Memo.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QProcessEnvironment probeEnvironment(const QTemporaryDir& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return env;
}

bool runProbe(const QTemporaryDir& home, const QString& stage, const QString& dataFolder)
{
    QProcess probe;
    probe.setProcessEnvironment(probeEnvironment(home));
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start(QStringLiteral(VELMO_STARTUP_PROBE), {stage, dataFolder});
    return probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

// A data folder whose user "bench" signs in by itself, with `count` memos of that user.
bool prepareSignInFolder(const QString& folder, int count)
{
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("data.db"));
    if (!velmo::SaveDatabaseFile(path).ok)
        return false;
    velmo::Database db(QStringLiteral("bench-setup"));
    if (!db.open(path).ok)
        return false;
    const QString hash = velmo::MD5_16(QStringLiteral("bench123"));
    bool ok =
        db.exec(QStringLiteral("UPDATE Config SET FirstRun=0, LastUser='bench', SavePass=1, AutoLogin=1"))
            .ok &&
        db.exec(QStringLiteral("INSERT INTO Users (UserID, UserPWD, LastPassword, LenPass) "
                               "VALUES ('bench', ?, ?, 8)"),
                {hash, hash})
            .ok;
    velmo::Transaction transaction(db);
    const QDateTime start(QDate(2026, 12, 1), QTime(9, 0));
    for (int i = 0; ok && i < count; ++i) {
        velmo::MemoRecord memo;
        memo.type = 1 + i % 7;
        memo.userid = QStringLiteral("bench");
        memo.title = QStringLiteral("备忘 %1").arg(i);
        memo.content = QStringLiteral("<p>第 %1 条备忘的内容</p>").arg(i);
        memo.Done = i % 5 == 0;
        memo.AlertTime = start.addSecs(qint64(i) * 3600);
        memo.AlertPinLv = QStringLiteral("1");
        memo.ifAlert = i % 3 == 0;
        memo.sound = QStringLiteral("1.mid");
        memo.lifa = 1;
        memo.click = 1;
        ok = velmo::insertMemo(db, memo).ok;
    }
    return ok && transaction.commit().ok;
}

void BM_StartToSignInWindow_FirstStart(benchmark::State& state)
{
    QTemporaryDir home;
    int run = 0;
    for (auto _ : state) {
        const QString folder = home.filePath(QStringLiteral("fresh-%1").arg(++run));
        if (!runProbe(home, QStringLiteral("window"), folder))
            state.SkipWithError("the probe did not show the sign-in window");
    }
}

void BM_StartToSignInWindow(benchmark::State& state)
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("data"));
    if (!runProbe(home, QStringLiteral("window"), folder)) {
        state.SkipWithError("the probe did not start");
        return;
    }
    for (auto _ : state) {
        if (!runProbe(home, QStringLiteral("window"), folder))
            state.SkipWithError("the probe did not show the sign-in window");
    }
}

void signInWithMemos(benchmark::State& state, const QString& stage)
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("data"));
    if (!prepareSignInFolder(folder, int(state.range(0)))) {
        state.SkipWithError("could not prepare the database");
        return;
    }
    for (auto _ : state) {
        if (!runProbe(home, stage, folder))
            state.SkipWithError("the probe did not finish the sign-in");
    }
    state.counters["memos"] = double(state.range(0));
}

// Includes the sign-in window's 100 ms automatic sign-in delay.
void BM_StartToLocalSignIn(benchmark::State& state)
{
    signInWithMemos(state, QStringLiteral("signin"));
}

void BM_StartToMainWindowLoaded(benchmark::State& state)
{
    signInWithMemos(state, QStringLiteral("main"));
}

// To the main window's first drawing: what the user sees.
void BM_StartToMainWindowShown(benchmark::State& state)
{
    signInWithMemos(state, QStringLiteral("shown"));
}

} // namespace

BENCHMARK(BM_StartToSignInWindow_FirstStart)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_StartToSignInWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_StartToLocalSignIn)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);
BENCHMARK(BM_StartToMainWindowLoaded)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);
BENCHMARK(BM_StartToMainWindowShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);
