#include "DataFiles.h"

#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <functional>

#include <unistd.h>

// The schema and the skin live in this library's resources; a static library must pull them in by hand.
static void initStoreResources()
{
    Q_INIT_RESOURCE(store);
}

namespace velmo {

namespace {

constexpr QFile::Permissions kOwnerReadWrite = QFile::ReadOwner | QFile::WriteOwner;

// Creates filePath from whatever fill() writes into a temporary file beside it, renamed into
// place only when fill() succeeded. Never replaces an existing file.
StoreResult placeNewFile(const QString& filePath, const std::function<StoreResult(const QString&)>& fill)
{
    if (filePath.isEmpty())
        return StoreResult::failure(QStringLiteral("no file name"));
    if (QFileInfo::exists(filePath))
        return StoreResult::failure(QStringLiteral("%1 already exists").arg(filePath));

    const QFileInfo target(filePath);
    QTemporaryFile temp(
        target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral("-XXXXXX")));
    if (!temp.open())
        return StoreResult::failure(
            QStringLiteral("cannot write in %1: %2").arg(target.absolutePath(), temp.errorString()));
    const QString tempPath = temp.fileName();
    temp.close();

    StoreResult filled = fill(tempPath);
    if (!filled.ok)
        return filled;
    if (!QFile::setPermissions(tempPath, kOwnerReadWrite))
        return StoreResult::failure(QStringLiteral("cannot set the permissions of %1").arg(tempPath));
    if (!QFile::rename(tempPath, filePath))
        return StoreResult::failure(QStringLiteral("cannot create %1").arg(filePath));
    return StoreResult::success();
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

StoreResult buildDatabase(const QString& path)
{
    static int creations = 0;
    const QString connectionName = QStringLiteral("velmo-create-%1").arg(++creations);
    StoreResult result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(path);
        if (!db.open()) {
            result = StoreResult::failure(db.lastError().text());
        } else {
            QSqlQuery query(db);
            const QString schema = databaseSchema();
            if (schema.isEmpty())
                result = StoreResult::failure(QStringLiteral("the database schema is missing"));
            if (result.ok && !query.exec(QStringLiteral("BEGIN")))
                result = StoreResult::failure(query.lastError().text());
            const QStringList statements = schemaStatements(schema);
            for (const QString& statement : statements) {
                if (!result.ok)
                    break;
                if (!query.exec(statement))
                    result = StoreResult::failure(query.lastError().text());
            }
            if (result.ok && !query.exec(QStringLiteral("COMMIT")))
                result = StoreResult::failure(query.lastError().text());
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

StoreResult SaveResFile(const QString& resourcePath, const QString& filePath)
{
    QFile resource(resourcePath);
    if (!resource.open(QIODevice::ReadOnly))
        return StoreResult::failure(QStringLiteral("no resource %1").arg(resourcePath));
    const QByteArray bytes = resource.readAll();

    return placeNewFile(filePath, [&bytes](const QString& tempPath) {
        QFile out(tempPath);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return StoreResult::failure(out.errorString());
        if (out.write(bytes) != bytes.size() || !out.flush())
            return StoreResult::failure(out.errorString());
        if (::fsync(out.handle()) != 0) // on disk before it takes the final name
            return StoreResult::failure(QStringLiteral("cannot write %1 to disk").arg(tempPath));
        out.close();
        if (out.error() != QFileDevice::NoError)
            return StoreResult::failure(out.errorString());
        return StoreResult::success();
    });
}

StoreResult SaveDatabaseFile(const QString& filePath)
{
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
