#include "SchemaUpgrade.h"

#include "platform/AccountName.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/StoreError.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

#include <array>

#include <sqlite3.h>

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
        return StoreResult::failure(QStringLiteral("数据文件中没有备忘表"));
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

// Version 3, and any later one that only adds tables: the tables of the current schema the file lacks.
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

// The tables beside the memo table that name a memo's owner; a file of an earlier version lacks some.
constexpr std::array OwnerTables{"SentUploads", "SyncBase", "SyncLineage", "SyncDeletions"};

// The names of a one-column read, without the empty ones.
StoreRead<QStringList> readNames(const Database& db, const QString& sql)
{
    StoreRead<std::vector<QString>> read =
        db.selectRows(sql, {}, [](const DbQuery& row) { return row.value(0).toString(); });
    QStringList names;
    for (QString& name : read.value) {
        if (!name.isEmpty())
            names << std::move(name);
    }
    return {read, names};
}

// The tables of OwnerTables the file has.
StoreRead<QStringList> ownerTablesPresent(const Database& db)
{
    QStringList wanted;
    for (const char* table : OwnerTables)
        wanted << QStringLiteral("'%1'").arg(QLatin1String(table));
    return readNames(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name IN (%1)")
                             .arg(wanted.join(QLatin1Char(','))));
}

// Every spelling of an owner the file holds, each once: the memos' (read by skipping from one owner to
// the next along their index, so a few steps whatever the number of memos), the account rows', the
// last user's and those of the other tables that carry one.
StoreRead<QStringList> ownerSpellings(const Database& db)
{
    const StoreRead<QStringList> tables = ownerTablesPresent(db);
    if (!tables.ok)
        return {tables};
    // Each table's owners by skipping from one to the next (along an index that starts with the owner
    // where the table has one). Table names come from OwnerTables, never from a value.
    QStringList owners;
    QStringList selects;
    for (const QString& table : QStringList{QStringLiteral("Notebook")} + tables.value) {
        const QString cte = QStringLiteral("owner%1").arg(owners.size());
        owners << QStringLiteral("%1(name) AS (SELECT min(userid) FROM %2 UNION ALL SELECT (SELECT "
                                 "min(userid) FROM %2 WHERE userid > name) FROM %1 WHERE name IS NOT NULL)")
                      .arg(cte, table);
        selects << QStringLiteral("SELECT name COLLATE BINARY FROM %1").arg(cte);
    }
    selects << QStringLiteral("SELECT UserID COLLATE BINARY FROM Users")
            << QStringLiteral("SELECT LastUser COLLATE BINARY FROM Config");
    return readNames(db, QStringLiteral("WITH RECURSIVE ") + owners.join(QStringLiteral(", ")) + u' ' +
                             selects.join(QStringLiteral(" UNION ")));
}

// Whether the file holds names that differ only in letter case.
StoreRead<bool> ownersDifferInCase(const Database& db)
{
    const StoreRead<QStringList> spellings = ownerSpellings(db);
    if (!spellings.ok)
        return {spellings};
    QHash<QString, QString> seen; // folded name -> a spelling of it
    for (const QString& name : spellings.value) {
        if (seen.value(foldedAccountName(name), name) != name)
            return {StoreResult::success(), true};
        seen.insert(foldedAccountName(name), name);
    }
    return {StoreResult::success(), false};
}

// A file may hold names that differ only in letter case (an older file compared a memo's owner
// without it: a sign-in as "demo" also showed the memos stored as "Demo"; the version after it signed
// a name typed in another letter case in as an account of its own). Owners compare exactly, and the
// sign-in finds an account row in any letter case, so each such set of names takes one spelling, in
// every table that names an owner and in the last user alike:
//   1. the spelling of the oldest account row of the name: the row every sign-in of the name is
//      checked against, whatever case it was typed in;
//   2. without an account row, the last user's, which the sign-in window offers;
//   3. else the spelling most of the memos carry (the oldest memo's on a tie);
//   4. else the first the other tables hold.
StoreResult unifyOwnerSpellings(Database& db)
{
    QHash<QString, QString> chosen; // folded name -> its spelling
    struct Account
    {
        qint64 id;
        QString name;
    };
    const StoreRead<std::vector<Account>> accounts =
        db.selectRows(QStringLiteral("SELECT ID, UserID FROM Users WHERE UserID IS NOT NULL ORDER BY ID"), {},
                      [](const DbQuery& row) {
                          return Account{row.value(0).toLongLong(), row.value(1).toString()};
                      });
    if (!accounts.ok)
        return accounts;
    for (const Account& account : accounts.value) {
        if (const QString folded = foldedAccountName(account.name); !chosen.contains(folded))
            chosen.insert(folded, account.name);
    }
    const StoreRead<QStringList> lastUsers =
        readNames(db, QStringLiteral("SELECT LastUser FROM Config ORDER BY id LIMIT 1"));
    if (!lastUsers.ok)
        return lastUsers;
    const QString lastUser = lastUsers.value.value(0);
    if (!lastUser.isEmpty() && !chosen.contains(foldedAccountName(lastUser)))
        chosen.insert(foldedAccountName(lastUser), lastUser);

    struct Spelling
    {
        QString name;
        qint64 memos;
    };
    // Oldest first, so that the first of equally many wins.
    const StoreRead<std::vector<Spelling>> spellings = db.selectRows(
        QStringLiteral("SELECT userid, count(*) FROM Notebook WHERE userid IS NOT NULL GROUP BY userid "
                       "ORDER BY min(id)"),
        {}, [](const DbQuery& row) {
            return Spelling{row.value(0).toString(), row.value(1).toLongLong()};
        });
    if (!spellings.ok)
        return spellings;
    QHash<QString, Spelling> mostMemos;
    for (const Spelling& spelling : spellings.value) {
        const QString folded = foldedAccountName(spelling.name);
        if (chosen.contains(folded))
            continue;
        auto best = mostMemos.find(folded);
        if (best == mostMemos.end())
            mostMemos.insert(folded, spelling);
        else if (spelling.memos > best->memos)
            *best = spelling;
    }
    for (auto it = mostMemos.cbegin(); it != mostMemos.cend(); ++it)
        chosen.insert(it.key(), it->name);

    const StoreRead<QStringList> tables = ownerTablesPresent(db);
    if (!tables.ok)
        return tables;
    // Table names come from the schema, never from a value.
    for (const QString& table : QStringList{QStringLiteral("Notebook")} + tables.value) {
        const StoreRead<QStringList> names = readNames(
            db, QStringLiteral("SELECT userid FROM %1 GROUP BY userid ORDER BY min(rowid)").arg(table));
        if (!names.ok)
            return names;
        for (const QString& name : names.value) {
            const QString folded = foldedAccountName(name);
            if (!chosen.contains(folded))
                chosen.insert(folded, name);
            const QString spelling = chosen.value(folded);
            if (spelling == name)
                continue;
            if (StoreResult moved = db.exec(
                    QStringLiteral("UPDATE %1 SET userid=? WHERE userid=?").arg(table), {spelling, name});
                !moved)
                return moved;
        }
    }
    for (const Account& account : accounts.value) {
        const QString name = chosen.value(foldedAccountName(account.name));
        if (name == account.name)
            continue;
        if (StoreResult renamed =
                db.exec(QStringLiteral("UPDATE Users SET UserID=? WHERE ID=?"), {name, account.id});
            !renamed)
            return renamed;
    }
    const QString lastUserName = chosen.value(foldedAccountName(lastUser));
    if (!lastUser.isEmpty() && lastUserName != lastUser)
        return db.exec(QStringLiteral("UPDATE Config SET LastUser=? WHERE id=(SELECT min(id) FROM Config)"),
                       {lastUserName});
    return StoreResult::success();
}

// Whether the file's free pages are many: at least a third of the file and a megabyte. A file whose
// compaction after an upgrade was cut short by a kill is such a file (the upgrade stood, so the next
// start does not upgrade it again).
bool compactionDue(const Database& db)
{
    const qint64 pages = db.selectValue(QStringLiteral("PRAGMA page_count")).toLongLong();
    const qint64 free = db.selectValue(QStringLiteral("PRAGMA freelist_count")).toLongLong();
    const qint64 pageSize = db.selectValue(QStringLiteral("PRAGMA page_size")).toLongLong();
    return free * 3 >= pages && free * pageSize >= 1024 * 1024;
}

// Gives the file's free pages back to the disk. A compaction that fails (too little room for its copy)
// only leaves the file larger; one cut short is done at the next opening.
void compact(Database& db)
{
    if (const StoreResult compacted = db.execOnce(QStringLiteral("VACUUM")); !compacted)
        qWarning("velmo: the data file was not compacted: %s", qPrintable(compacted.error));
}

// Nothing is written to a damaged file, so that the copy kept aside (see Recovery) is the file as the
// user had it. Before an upgrade, a fold of the owners or a compaction the whole file is checked. An
// ordinary opening writes only the journal mode (Database::open): before it, the tables the start
// reads before the sign-in are checked, the settings and the accounts, whatever the number of memos.
StoreResult findDamage(const Database& db, bool wholeFile)
{
    QStringList checks{QStringLiteral("PRAGMA quick_check")};
    if (!wholeFile) {
        const StoreRead<QStringList> tables = readNames(
            db, QStringLiteral(
                    "SELECT name FROM sqlite_master WHERE type='table' AND name IN ('Config', 'Users')"));
        if (!tables.ok)
            return tables;
        checks.clear();
        for (const QString& table : tables.value)
            checks << QStringLiteral("PRAGMA quick_check(%1)").arg(table);
    }
    for (const QString& check : checks) {
        const StoreRead<QStringList> found = readNames(db, check);
        if (!found.ok)
            return found;
        if (found.value != QStringList{QStringLiteral("ok")})
            return StoreResult::failure(sqliteReason(SQLITE_CORRUPT));
    }
    return StoreResult::success();
}

// Each step brings a file of the version before it up to its own version.

// Version 4: the memo's token and the copy a post of a new memo must be above, two tables and the
// triggers that keep the copy a changed row was last in step with. A file rebuilt by an earlier step of
// this upgrade has the columns already.
StoreResult upgradeToVersion4(Database& db, const QStringList& schema)
{
    const auto addColumn = [&db](const QString& table, const QString& column, const QString& definition) {
        if (columnsOf(db, table).contains(column))
            return StoreResult::success();
        return db.execOnce(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, definition));
    };
    if (StoreResult added =
            addColumn(QStringLiteral("Notebook"), QStringLiteral("ServerToken"), QStringLiteral("TEXT"));
        !added)
        return added;
    if (StoreResult added =
            addColumn(QStringLiteral("Notebook"), QStringLiteral("SyncedDigest"), QStringLiteral("TEXT"));
        !added)
        return added;
    if (StoreResult added = addColumn(QStringLiteral("SentUploads"), QStringLiteral("AboveServerId"),
                                      QStringLiteral("INTEGER NOT NULL DEFAULT 0"));
        !added)
        return added;
    if (StoreResult created = createMissingTables(db, schema); !created)
        return created;
    // The comparison's index now holds the token too; the upgrade creates it anew below.
    if (StoreResult dropped = db.execOnce(QStringLiteral("DROP INDEX IF EXISTS NotebookSync")); !dropped)
        return dropped;
    static const QRegularExpression trigger(QStringLiteral("^CREATE TRIGGER (\\w+) "));
    for (const QString& statement : schema) {
        const QRegularExpressionMatch match = trigger.match(statement);
        if (!match.hasMatch())
            continue;
        const QVariant present = db.selectValue(
            QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='trigger' AND name=?"),
            {match.captured(1)});
        if (!present.isValid())
            return StoreResult::failure(QStringLiteral("无法读取数据文件的表结构"));
        if (present.toInt() > 0)
            continue;
        if (StoreResult created = db.execOnce(statement); !created)
            return created;
    }
    return StoreResult::success();
}

struct UpgradeStep
{
    int version;
    StoreResult (*run)(Database& db, const QStringList& schema);
};

// Adding a version: its step at the end here, and CurrentSchemaVersion raised to it.
constexpr std::array UpgradeSteps{
    UpgradeStep{2, &rebuildMemoTable},
    UpgradeStep{3, &createMissingTables},
    UpgradeStep{4, &upgradeToVersion4},
};
static_assert(UpgradeSteps.back().version == CurrentSchemaVersion,
              "the last upgrade step brings a file to the newest schema");

} // namespace

QString newerSchemaReason(int version)
{
    return QStringLiteral("该文件由更新版本的 Velmo 写入(数据格式第%1版,本程序只能使用到第%2版)。"
                          "为保护其中的数据,本程序没有打开也没有改动它,请使用新版本的 Velmo。")
        .arg(version)
        .arg(CurrentSchemaVersion);
}

std::optional<int> declaredSchemaVersion(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The header: the format's name, ..., the schema version (user_version) at offset 60, big-endian.
    const QByteArray header = file.read(64);
    if (header.size() < 64 || !header.startsWith(QByteArray("SQLite format 3", 16)))
        return std::nullopt;
    return qFromBigEndian<qint32>(header.constData() + 60);
}

StoreResult upgradeSchema(Database& db)
{
    const QVariant read = db.selectValue(QStringLiteral("PRAGMA user_version"));
    if (!read.isValid())
        return StoreResult::failure(QStringLiteral("无法读取数据文件的格式版本"));
    const int version = read.toInt();
    if (isNewerSchema(version))
        return StoreResult::failure(newerSchemaReason(version));
    // An older file is folded in its upgrade, whatever it holds.
    StoreRead<bool> fold(StoreResult::success(), version < CurrentSchemaVersion);
    if (version == CurrentSchemaVersion)
        fold = ownersDifferInCase(db);
    if (!fold.ok)
        return fold;
    const bool compacting = version < 2 || compactionDue(db);
    if (StoreResult sound = findDamage(db, version < CurrentSchemaVersion || fold.value || compacting);
        !sound)
        return sound;
    if (version == CurrentSchemaVersion) {
        if (fold.value) {
            Transaction transaction(db);
            if (!transaction.isActive())
                return StoreResult::failure(transaction.error());
            if (StoreResult folded = unifyOwnerSpellings(db); !folded)
                return folded;
            if (StoreResult committed = transaction.commit(); !committed)
                return committed;
        }
        if (compacting)
            compact(db);
        return StoreResult::success();
    }
    const QStringList schema = databaseSchemaStatements();
    if (schema.isEmpty())
        return StoreResult::failure(QStringLiteral("程序缺少数据文件的表结构"));

    Transaction transaction(db);
    if (!transaction.isActive())
        return StoreResult::failure(transaction.error());
    for (const UpgradeStep& step : UpgradeSteps) {
        if (step.version <= version)
            continue;
        if (StoreResult upgraded = step.run(db, schema); !upgraded)
            return upgraded;
    }
    if (StoreResult folded = unifyOwnerSpellings(db); !folded)
        return folded;
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
    if (StoreResult committed = transaction.commit(); !committed)
        return committed;
    // A rebuilt table leaves the pages of the one it replaced free, about half the file: they go
    // back to the disk. The upgrade stands either way. A step that only adds a table frees nothing.
    if (compacting)
        compact(db);
    return StoreResult::success();
}

} // namespace velmo
