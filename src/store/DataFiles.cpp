#include "DataFiles.h"

#include "platform/DataFolder.h"
#include "store/SchemaUpgrade.h"
#include "store/StoreError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The schema and the skin live in this library's resources; a static library must pull them in by hand.
static void initStoreResources()
{
    Q_INIT_RESOURCE(store);
}

namespace velmo {

namespace {

// Temporary files are named "." + the final name + ".tmp-" + six random letters, so that one left
// behind by a start that was killed is recognised and removed by the next one.
QString tempPrefix(const QString& fileName)
{
    return QStringLiteral(".") + fileName + QStringLiteral(".tmp-");
}

// Removes what an earlier, killed start left behind: the temporary files and their SQLite
// journals. unlink() removes a symbolic link itself, never what it points at.
void removeStaleTemps(const QDir& dir, const QString& prefix)
{
    const QStringList names =
        dir.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        ::unlink(QFile::encodeName(dir.filePath(name)).constData());
}

void removeTemp(const QString& tempPath)
{
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        ::unlink(QFile::encodeName(tempPath + QLatin1String(suffix)).constData());
}

// Creates a new, empty file under a fresh name with the prefix: exclusively (an existing name or a
// symbolic link is never opened), readable and writable by the owner only from its first byte.
int createTemp(const QDir& dir, const QString& prefix, QString& path, QString& error)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = prefix;
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(letters[QRandomGenerator::system()->bounded(int(sizeof letters) - 1)]);
        path = dir.filePath(name);
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            // The process's umask may have taken more away; the owner needs both.
            if (::fchmod(fd, S_IRUSR | S_IWUSR) == 0)
                return fd;
            error = systemReason(errno);
            ::close(fd);
            removeTemp(path);
            return -1;
        }
        if (errno != EEXIST) {
            error = systemReason(errno);
            return -1;
        }
    }
    error = QStringLiteral("找不到可用的临时文件名");
    return -1;
}

// Gives the file at from the name to, unless something (a file, a folder, a link, even a dangling
// one) already has that name. Never copies.
int renameWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // A file system without the no-replace rename: a hard link never replaces anything either.
    if (::link(source.constData(), target.constData()) != 0)
        return errno;
    ::unlink(source.constData());
    return 0;
}

// Whether anything has the name, a dangling symbolic link included.
bool nameTaken(const QString& path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// Creates filePath from whatever fill() writes into a temporary file beside it (given as a path
// and an open descriptor), renamed into place only when fill() succeeded. Never replaces an
// existing file, never follows a symbolic link, and leaves nothing behind when it fails.
StoreResult placeNewFile(const QString& filePath, const std::function<StoreResult(const QString&, int)>& fill)
{
    if (filePath.isEmpty())
        return StoreResult::failure(QStringLiteral("没有文件名"));
    if (nameTaken(filePath))
        return StoreResult::failure(QStringLiteral("已有同名的文件:%1").arg(filePath));

    const QFileInfo target(filePath);
    const QDir dir = target.absoluteDir();
    const QString prefix = tempPrefix(target.fileName());
    removeStaleTemps(dir, prefix);

    QString tempPath;
    QString error;
    const int fd = createTemp(dir, prefix, tempPath, error);
    if (fd < 0)
        return StoreResult::failure(
            QStringLiteral("无法在文件夹 %1 中新建文件:%2").arg(target.absolutePath(), error));

    StoreResult result = fill(tempPath, fd);
    if (result.ok && ::fsync(fd) != 0) // on disk before it takes the final name
        result = StoreResult::failure(QStringLiteral("无法写入 %1:%2").arg(tempPath, systemReason(errno)));
    if (::close(fd) != 0 && result.ok)
        result = StoreResult::failure(QStringLiteral("无法写入 %1:%2").arg(tempPath, systemReason(errno)));
    if (result.ok) {
        if (const int renameError = renameWithoutReplacing(tempPath, target.absoluteFilePath()))
            result = StoreResult::failure(
                QStringLiteral("无法创建 %1:%2").arg(filePath, systemReason(renameError)));
    }
    removeTemp(tempPath);
    return result;
}

// Splits the schema into statements: they are separated by blank lines, comment lines dropped.
QStringList schemaStatements(const QString& schema)
{
    QStringList statements;
    QString current;
    const QStringList lines = schema.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("--")))
            continue;
        if (trimmed.isEmpty()) {
            if (!current.trimmed().isEmpty())
                statements.append(current.trimmed());
            current.clear();
            continue;
        }
        current += line + QLatin1Char('\n');
    }
    if (!current.trimmed().isEmpty())
        statements.append(current.trimmed());
    return statements;
}

StoreResult buildDatabase(const QString& path, int /*fd*/)
{
    static int creations = 0;
    const QString connectionName = QStringLiteral("velmo-create-%1").arg(++creations);
    StoreResult result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(path);
        if (!db.open()) {
            result = StoreResult::failure(sqliteReason(db.lastError()));
        } else {
            QSqlQuery query(db);
            const QString schema = databaseSchema();
            if (schema.isEmpty())
                result = StoreResult::failure(QStringLiteral("程序缺少数据文件的表结构"));
            if (result.ok && !query.exec(QStringLiteral("BEGIN")))
                result = StoreResult::failure(sqliteReason(query.lastError()));
            const QStringList statements = databaseSchemaStatements();
            for (const QString& statement : statements) {
                if (!result.ok)
                    break;
                if (!query.exec(statement))
                    result = StoreResult::failure(sqliteReason(query.lastError()));
            }
            if (result.ok &&
                !query.exec(QStringLiteral("PRAGMA user_version = %1").arg(CurrentSchemaVersion)))
                result = StoreResult::failure(sqliteReason(query.lastError()));
            if (result.ok && !query.exec(QStringLiteral("COMMIT")))
                result = StoreResult::failure(sqliteReason(query.lastError()));
            query = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connectionName);
    return result;
}

} // namespace

QString databasePath(const DataFolder& folder)
{
    return folder.filePath(QString::fromLatin1(kDatabaseFileName));
}

QString databaseSchema()
{
    initStoreResources();
    QFile file(QStringLiteral(":/store/schema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList databaseSchemaStatements()
{
    return schemaStatements(databaseSchema());
}

StoreResult SaveResFile(const QString& resourcePath, const QString& filePath)
{
    QFile resource(resourcePath);
    if (!resource.open(QIODevice::ReadOnly))
        return StoreResult::failure(QStringLiteral("程序缺少资源 %1").arg(resourcePath));
    const QByteArray bytes = resource.readAll();

    return placeNewFile(filePath, [&bytes](const QString& tempPath, int fd) {
        for (qsizetype written = 0; written < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return StoreResult::failure(
                    QStringLiteral("无法写入 %1:%2").arg(tempPath, systemReason(errno)));
            written += n;
        }
        return StoreResult::success();
    });
}

StoreResult RenameWithoutReplacing(const QString& from, const QString& to)
{
    if (const int error = renameWithoutReplacing(from, to))
        return StoreResult::failure(
            QStringLiteral("无法把 %1 改名为 %2:%3").arg(from, to, systemReason(error)));
    return StoreResult::success();
}

StoreResult SaveDatabaseFile(const QString& filePath)
{
    // A log left beside a database that is gone would be read as the new file's own.
    if (!nameTaken(filePath)) {
        for (const char* suffix : {"-wal", "-shm"})
            ::unlink(QFile::encodeName(filePath + QLatin1String(suffix)).constData());
    }
    return placeNewFile(filePath, buildDatabase);
}

QString skinFilePath(const DataFolder& folder)
{
    return folder.filePath(QString::fromLatin1(kSkinFileName));
}

StoreResult ReleaseSkinFile(const DataFolder& folder)
{
    const QString path = skinFilePath(folder);
    if (QFile::exists(path))
        return StoreResult::success();
    initStoreResources();
    return SaveResFile(QStringLiteral(":/store/skinh.she"), path);
}

} // namespace velmo
