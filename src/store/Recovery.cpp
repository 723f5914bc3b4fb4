#include "Recovery.h"

#include "platform/Clock.h"
#include "platform/FileUtils.h"
#include "store/DataFiles.h"
#include "store/SchemaUpgrade.h"
#include "store/StoreError.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <sqlite3.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmo {

namespace {

// What reading the file found: a sound database (empty reason), one that cannot be the program's
// (the reason why), or a failure that says nothing about the file itself (rights, a lock).
struct Probe
{
    enum Kind
    {
        Sound,
        Unreadable,
        Unknown // could not be read for another reason (rights, a lock): not ours to judge
    };
    Kind kind = Sound;
    QString reason;
};

Probe unreadable(const QString& reason)
{
    return {Probe::Unreadable, reason};
}

// The connection reports SQLite's extended result codes: a damaged file has many of its own.
Probe probeFailure(const QSqlError& error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xff;
    if (numeric && (code == SQLITE_CORRUPT || code == SQLITE_NOTADB))
        return unreadable(sqliteReason(code));
    return {Probe::Unknown, {}};
}

// Reads the file read-only on a connection of its own; creates and changes nothing.
Probe probeDatabase(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {Probe::Unknown, {}};
    if (file.read(16) != QByteArray("SQLite format 3", 16))
        return unreadable(sqliteReason(SQLITE_NOTADB)); // empty, cut off in its header, or another kind
    file.close();

    static int probes = 0;
    const QString connectionName = QStringLiteral("velmo-probe-%1").arg(++probes);
    Probe result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=ro"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            result = probeFailure(db.lastError());
        } else {
            QSqlQuery query(db);
            // A later version's file (its version may stand in a log not yet written back) is told
            // as such when it is opened, never taken for another program's file for the tables it has.
            if (query.exec(QStringLiteral("PRAGMA user_version")) && query.next() &&
                isNewerSchema(query.value(0).toInt()))
                result = {Probe::Unknown, {}};
            else if (!query.exec(QStringLiteral("PRAGMA quick_check")))
                result = probeFailure(query.lastError());
            else if (!query.next() || query.value(0).toString() != QLatin1String("ok"))
                result = unreadable(sqliteReason(SQLITE_CORRUPT));
            else if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                                                "name IN ('Config', 'Notebook')")))
                result = probeFailure(query.lastError());
            else if (!query.next() || query.value(0).toInt() != 2)
                result = unreadable(QStringLiteral("数据文件中没有备忘表"));
            query = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connectionName);
    return result;
}

// Moves the unreadable file aside under a name no other file has, readable by its owner only.
StoreResult keepBrokenFile(const QString& dbPath, QString& keptAs)
{
    const QString stem = dbPath + QStringLiteral(".broken-") +
                         Clock::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    StoreResult moved;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        keptAs = attempt == 1 ? stem : stem + QStringLiteral("-%1").arg(attempt);
        moved = RenameWithoutReplacing(dbPath, keptAs);
        if (moved.ok)
            break;
        struct stat info
        {
        };
        if (::lstat(QFile::encodeName(keptAs).constData(), &info) != 0)
            return moved; // failed for another reason than a taken name
    }
    if (!moved.ok)
        return moved;
    // Its write-ahead log goes with it: beside a new data.db it would be read as the new file's.
    for (const char* suffix : {"-wal", "-shm"})
        RenameWithoutReplacing(dbPath + QLatin1String(suffix), keptAs + QLatin1String(suffix));
    // A moved link keeps pointing where it pointed; only a file of our own changes its rights.
    const int fd = ::open(QFile::encodeName(keptAs).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        ::fchmod(fd, S_IRUSR | S_IWUSR);
        ::close(fd);
    }
    return StoreResult::success();
}

} // namespace

QString settingsLoadErrorText()
{
    return QStringLiteral("数据配置文件加载出错,请尝试重新启动程序");
}

QString unreadableDatabaseReason(const QString& dbPath)
{
    const QByteArray native = QFile::encodeName(dbPath);
    struct stat link
    {
    };
    if (dbPath.isEmpty() || ::lstat(native.constData(), &link) != 0)
        return {};
    struct stat target
    {
    };
    if (::stat(native.constData(), &target) != 0)
        return S_ISLNK(link.st_mode) && errno == ENOENT ? QStringLiteral("它是指向不存在的文件的链接")
                                                        : QString();
    if (!S_ISREG(target.st_mode))
        return {};
    if (const std::optional<int> declared = declaredSchemaVersion(dbPath);
        declared && isNewerSchema(*declared))
        return {};
    const Probe probe = probeDatabase(dbPath);
    return probe.kind == Probe::Unreadable ? probe.reason : QString();
}

bool isUnreadableDatabase(const QString& dbPath)
{
    return !unreadableDatabaseReason(dbPath).isEmpty();
}

MissingRowRecovery RecoverMissingRow(const QString& dbPath)
{
    MissingRowRecovery recovery;
    if (const QString reason = unreadableDatabaseReason(dbPath); !reason.isEmpty()) {
        recovery.recreated = keepBrokenFile(dbPath, recovery.brokenFileKeptAs);
        if (!recovery.recreated.ok) {
            recovery.brokenFileKeptAs.clear();
            return recovery;
        }
        recovery.brokenFileReason = reason;
    } else if (FileExists(dbPath)) {
        return recovery;
    } else {
        recovery.fileWasMissing = true;
    }
    recovery.recreated = SaveDatabaseFile(dbPath);
    return recovery;
}

QString recoveryText(const MissingRowRecovery& recovery)
{
    if (recovery.brokenFileKeptAs.isEmpty())
        return settingsLoadErrorText();
    return settingsLoadErrorText() +
           QStringLiteral("\n原数据文件无法读取,已保存为:%1\n原因:%2\n")
               .arg(recovery.brokenFileKeptAs, recovery.brokenFileReason) +
           (recovery.recreated.ok ? QStringLiteral("已新建数据文件,重新启动程序即可使用。")
                                  : QStringLiteral("新建数据文件失败:") + recovery.recreated.error);
}

QString RecoverMissingRowText(const QString& dbPath)
{
    const MissingRowRecovery recovery = RecoverMissingRow(dbPath);
    if (!recovery.recreated.ok)
        qWarning("velmo: cannot re-create %s: %s", qPrintable(dbPath), qPrintable(recovery.recreated.error));
    return recoveryText(recovery);
}

QString openFailureText(const QString& dbPath, const QString& reason)
{
    return QStringLiteral("数据文件无法打开,程序将退出。\n文件:%1\n原因:%2").arg(dbPath, reason);
}

QString creationFailureText(const QString& dbPath, const QString& reason)
{
    return QStringLiteral("数据文件无法创建,程序将退出。\n文件:%1\n原因:%2").arg(dbPath, reason);
}

} // namespace velmo
