#include "OlderDataFiles.h"

#include "TestStore.h"

#include "store/DataFiles.h"
#include "store/SchemaUpgrade.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace velmo::test {

QString writeDataFileOfVersion(int version, const QString& path)
{
    if (version == CurrentSchemaVersion) {
        const StoreResult written = SaveDatabaseFile(path);
        return written.ok ? QString() : written.error;
    }
    QFile script(QStringLiteral(VELMO_TESTS_SOURCE_DIR "/store/data-version%1.sql").arg(version));
    if (!script.open(QIODevice::ReadOnly))
        return script.errorString();
    // Statements are separated by blank lines; comment lines are dropped.
    QStringList statements{QString()};
    for (const QString& line : QString::fromUtf8(script.readAll()).split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty() && !statements.last().isEmpty())
            statements << QString();
        else if (!line.trimmed().isEmpty() && !line.trimmed().startsWith(QLatin1String("--")))
            statements.last() += line + QLatin1Char('\n');
    }
    const QString connection = uniqueConnectionName();
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open())
            error = db.lastError().text();
        QSqlQuery query(db);
        for (const QString& statement : QStringList{"BEGIN"} + statements + QStringList{"COMMIT"}) {
            if (error.isEmpty() && !statement.trimmed().isEmpty() && !query.exec(statement.trimmed()))
                error = statement + QLatin1Char(' ') + query.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}

} // namespace velmo::test
