#include "SchemaUpgrade.h"

#include "store/DataFiles.h"
#include "store/Database.h"

#include <QRegularExpression>
#include <QStringList>

namespace velmo {

namespace {

const QString OldTable = QStringLiteral("NotebookBeforeUpgrade");

// Whether a schema statement creates the memo table, or an index or trigger on it.
bool isMemoTable(const QString& statement)
{
    return statement.startsWith(QLatin1String("CREATE TABLE Notebook "));
}

bool isOnMemoTable(const QString& statement)
{
    static const QRegularExpression onNotebook(QStringLiteral("^CREATE (INDEX|TRIGGER) .* ON Notebook[ (]"),
                                               QRegularExpression::DotMatchesEverythingOption);
    return onNotebook.match(statement).hasMatch();
}

QStringList columnsOf(const Database& db, const QString& table)
{
    const StoreRead<std::vector<QString>> names =
        db.selectRows(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table},
                      [](const DbQuery& row) { return row.value(0).toString(); });
    return QStringList(names.value.begin(), names.value.end());
}

StoreResult rebuildMemoTable(Database& db, const QStringList& schema)
{
    const QStringList oldColumns = columnsOf(db, QStringLiteral("Notebook"));
    if (oldColumns.isEmpty())
        return StoreResult::failure(QStringLiteral("no memo table"));
    if (StoreResult renamed = db.execOnce(QStringLiteral("ALTER TABLE Notebook RENAME TO ") + OldTable);
        !renamed)
        return renamed;
    for (const QString& statement : schema) {
        if (!isMemoTable(statement))
            continue;
        if (StoreResult created = db.execOnce(statement); !created)
            return created;
    }
    // Column names come from the two tables themselves, never from a value.
    QStringList common;
    for (const QString& column : columnsOf(db, QStringLiteral("Notebook"))) {
        if (oldColumns.contains(column, Qt::CaseInsensitive))
            common << QLatin1Char('"') + column + QLatin1Char('"');
    }
    const QString list = common.join(QLatin1Char(','));
    if (StoreResult copied =
            db.execOnce(QStringLiteral("INSERT INTO Notebook (%1) SELECT %1 FROM %2").arg(list, OldTable));
        !copied)
        return copied;
    if (!oldColumns.contains(QLatin1String("SyncedSynnum"))) {
        // A row in step was last in step at its own counter; for any other row it is not known.
        if (StoreResult marked =
                db.execOnce(QStringLiteral("UPDATE Notebook SET SyncedSynnum = CASE WHEN syn = 1 AND "
                                           "NotebookServerId > 0 THEN COALESCE(synnum, 0) ELSE 0 END"));
            !marked)
            return marked;
    }
    if (StoreResult dropped = db.execOnce(QStringLiteral("DROP TABLE ") + OldTable); !dropped)
        return dropped;
    for (const QString& statement : schema) {
        if (!isOnMemoTable(statement))
            continue;
        if (StoreResult created = db.execOnce(statement); !created)
            return created;
    }
    return StoreResult::success();
}

// The tables of the current schema that the file lacks (a table a newer schema added).
StoreResult createMissingTables(Database& db, const QStringList& schema)
{
    static const QRegularExpression createTable(QStringLiteral("^CREATE TABLE (\\w+) "));
    for (const QString& statement : schema) {
        const QRegularExpressionMatch match = createTable.match(statement);
        if (!match.hasMatch() || !columnsOf(db, match.captured(1)).isEmpty())
            continue;
        if (StoreResult created = db.execOnce(statement); !created)
            return created;
    }
    return StoreResult::success();
}

} // namespace

StoreResult upgradeSchema(Database& db)
{
    const QVariant version = db.selectValue(QStringLiteral("PRAGMA user_version"));
    if (!version.isValid())
        return StoreResult::failure(QStringLiteral("cannot read the schema version"));
    if (version.toInt() >= CurrentSchemaVersion)
        return StoreResult::success();
    const QStringList schema = databaseSchemaStatements();
    if (schema.isEmpty())
        return StoreResult::failure(QStringLiteral("the database schema is missing"));

    Transaction transaction(db);
    if (!transaction.isActive())
        return StoreResult::failure(transaction.error());
    if (version.toInt() < 2) {
        if (StoreResult rebuilt = rebuildMemoTable(db, schema); !rebuilt)
            return rebuilt;
    }
    if (StoreResult created = createMissingTables(db, schema); !created)
        return created;
    // The indexes a file lacks (of the other tables, or one a newer schema added).
    for (QString statement : schema) {
        if (!statement.startsWith(QLatin1String("CREATE INDEX ")))
            continue;
        statement.replace(0, 13, QStringLiteral("CREATE INDEX IF NOT EXISTS "));
        if (StoreResult created = db.execOnce(statement); !created)
            return created;
    }
    if (StoreResult versioned =
            db.execOnce(QStringLiteral("PRAGMA user_version = %1").arg(CurrentSchemaVersion));
        !versioned)
        return versioned;
    return transaction.commit();
}

} // namespace velmo
