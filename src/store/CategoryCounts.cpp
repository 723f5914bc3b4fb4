#include "CategoryCounts.h"

#include "store/Database.h"
#include "store/MemoCategory.h"

namespace velmo {

namespace {

// The category a row counts under: its code when it is one of 1 to 7, else 0 (the root alone).
QString categoryOf(const QString& row)
{
    return QStringLiteral("CASE WHEN %1.type IN (1, 2, 3, 4, 5, 6, 7) THEN %1.type ELSE 0 END").arg(row);
}

// Inside a trigger a table is named without its schema: the only NotebookCounts is the temporary one.
// Adds one to the count of the NEW row's user, side and category when it is not marked deleted.
QString countNew()
{
    return QStringLiteral("INSERT INTO NotebookCounts (userid, Done, category, n) SELECT NEW.userid, "
                          "NEW.Done, %1, 1 WHERE NEW.Del = 0 AND NEW.userid IS NOT NULL "
                          "ON CONFLICT (userid, Done, category) DO UPDATE SET n = n + 1;")
        .arg(categoryOf(QStringLiteral("NEW")));
}

// Takes one off the count the OLD row was in when it was not marked deleted.
QString uncountOld()
{
    return QStringLiteral("UPDATE NotebookCounts SET n = n - 1 WHERE OLD.Del = 0 AND userid = OLD.userid "
                          "AND Done = OLD.Done AND category = %1;")
        .arg(categoryOf(QStringLiteral("OLD")));
}

// The table and its triggers, then its first fill from the file. The triggers fire on every write
// to Notebook through this connection, those of other programs' connections excepted: the file is
// this program's own, opened by one running copy at a time.
QStringList keptCountsStatements()
{
    return {
        QStringLiteral(
            "CREATE TEMP TABLE NotebookCounts (userid TEXT NOT NULL, Done INTEGER NOT NULL, "
            "category INTEGER NOT NULL, n INTEGER NOT NULL, PRIMARY KEY (userid, Done, category))"),
        QStringLiteral("CREATE TEMP TRIGGER NotebookCountsInsert AFTER INSERT ON main.Notebook BEGIN %1 END")
            .arg(countNew()),
        QStringLiteral("CREATE TEMP TRIGGER NotebookCountsDelete AFTER DELETE ON main.Notebook BEGIN %1 END")
            .arg(uncountOld()),
        QStringLiteral("CREATE TEMP TRIGGER NotebookCountsUpdate AFTER UPDATE OF userid, Done, type, Del ON "
                       "main.Notebook WHEN OLD.userid IS NOT NEW.userid OR OLD.Done IS NOT NEW.Done OR "
                       "OLD.Del IS NOT NEW.Del OR %1 IS NOT %2 BEGIN %3 %4 END")
            .arg(categoryOf(QStringLiteral("OLD")), categoryOf(QStringLiteral("NEW")), uncountOld(),
                 countNew()),
        // Grouped in the order of the owner counts index, read whole: the "+" keeps the conditions
        // from turning the scan into a search that groups in a temporary tree (four times slower).
        QStringLiteral(
            "INSERT INTO temp.NotebookCounts (userid, Done, category, n) SELECT userid, Done, %1, "
            "COUNT(*) FROM main.Notebook WHERE +Del = 0 AND +userid IS NOT NULL GROUP BY userid, Del, Done, "
            "type ON CONFLICT (userid, Done, category) DO UPDATE SET n = n + excluded.n")
            .arg(categoryOf(QStringLiteral("Notebook"))),
    };
}

} // namespace

StoreResult CategoryCounts::keep(Database& db)
{
    const StoreRead<std::vector<int>> kept = db.selectRows(
        QStringLiteral("SELECT 1 FROM temp.sqlite_master WHERE type = 'table' AND name = 'NotebookCounts'"),
        {}, [](const DbQuery&) { return 1; });
    if (!kept.ok || !kept.value.empty())
        return kept;
    Transaction transaction(db);
    if (!transaction.isActive())
        return StoreResult::failure(transaction.error());
    for (const QString& statement : keptCountsStatements()) {
        if (const StoreResult done = db.execOnce(statement); !done)
            return done;
    }
    return transaction.commit();
}

qint32 CategoryCounts::ofCategory(bool done, int category) const
{
    if (!isCategoryCode(category))
        return 0;
    const auto& byType = done ? m_doneByType : m_undoByType;
    return byType[static_cast<size_t>(category - 1)];
}

StoreResult CategoryCounts::read(Database& db, const QString& userId)
{
    if (const StoreResult kept = keep(db); !kept)
        return kept;
    CategoryCounts fresh;
    const StoreResult ran =
        db.forEachRow(QStringLiteral("SELECT Done, category, n FROM temp.NotebookCounts WHERE userid = ?"),
                      {userId}, [&fresh](const DbQuery& query) {
                          const bool done = query.value(0).toInt() != 0;
                          const int category = query.value(1).toInt();
                          const qint64 count = query.value(2).toLongLong();
                          (done ? fresh.m_doneTotal : fresh.m_undoTotal) += count;
                          if (isCategoryCode(category)) {
                              auto& byType = done ? fresh.m_doneByType : fresh.m_undoByType;
                              byType[static_cast<size_t>(category - 1)] = static_cast<qint32>(count);
                          }
                      });
    if (ran.ok)
        *this = fresh;
    return ran;
}

} // namespace velmo
