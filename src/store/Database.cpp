#include "Database.h"

#include "store/DbText.h"
#include "store/SchemaUpgrade.h"

#include <QFileInfo>
#include <QSqlError>
#include <QUrl>

namespace velmo {

namespace {

QString describe(const QSqlError& error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

bool isInsert(const QString& sql)
{
    const QString head = sql.trimmed().left(7);
    return head.startsWith(QLatin1String("INSERT"), Qt::CaseInsensitive) ||
           head.startsWith(QLatin1String("REPLACE"), Qt::CaseInsensitive);
}

} // namespace

Database::Database(QString connectionName)
    : m_connectionName(std::move(connectionName))
{
}

Database::~Database()
{
    close();
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

StoreResult Database::open(const QString& path)
{
    close();
    if (path.isEmpty())
        return StoreResult::failure(QStringLiteral("no database path"));
    const QFileInfo info(path);
    if (!info.isFile())
        return StoreResult::failure(QStringLiteral("no database file at %1").arg(path));

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        // mode=rw: SQLite must not create the file should it vanish between the check and here.
        db.setDatabaseName(QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (!db.open()) {
            const QString reason = describe(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connectionName);
            return StoreResult::failure(QStringLiteral("cannot open %1: %2").arg(path, reason));
        }
    }
    m_path = path;

    // Opening is lazy; reading the schema proves the file is a database at all.
    QSqlQuery probe(connection());
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QString reason = describe(probe.lastError());
        probe = QSqlQuery();
        close();
        return StoreResult::failure(QStringLiteral("cannot read %1: %2").arg(path, reason));
    }
    // A larger page cache keeps big transactions (a first download of many memos) from spilling
    // pages to disk before they commit; memory is taken only as pages are used.
    probe.exec(QStringLiteral("PRAGMA cache_size = -16384"));
    // Inside a transaction every memo insert or update (its trigger makes it a multi-row change)
    // saves the pages it touches for a statement rollback. Kept in memory, that copy costs a few
    // page copies; kept in a temporary file, as by default, it costs a dozen writes a row.
    probe.exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
    // Each answer of the service is committed on its own before the next request goes out; with a
    // write-ahead log such a commit is one append instead of several flushes, and a killed process
    // loses nothing that was committed (a power cut may lose the last commits, never the file).
    probe.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    probe.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    probe = QSqlQuery();
    if (const StoreResult upgraded = upgradeSchema(*this); !upgraded) {
        close();
        return StoreResult::failure(QStringLiteral("cannot upgrade %1: %2").arg(path, upgraded.error));
    }
    return StoreResult::success();
}

void Database::close()
{
    m_statements.clear();
    m_transactionDepth = 0;
    m_path.clear();
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = connection();
        if (db.isOpen()) {
            // Back to a plain journal once the program is done: the file then stands alone, and a
            // reader that opens it read-only leaves no log files beside it.
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Database::isOpen() const
{
    return !m_path.isEmpty() && connection().isOpen();
}

bool Database::toBindable(const QVariant& value, QVariant& bound, QString& error)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        if (!moment.isValid()) {
            error = QStringLiteral("invalid date");
            return false;
        }
        bound = toDbText(moment);
        return true;
    }
    case QMetaType::QDate: {
        const QDate day = value.toDate();
        if (!day.isValid()) {
            error = QStringLiteral("invalid date");
            return false;
        }
        bound = toDbText(day.startOfDay());
        return true;
    }
    case QMetaType::Bool:
        bound = value.toBool() ? 1 : 0;
        return true;
    case QMetaType::QString:
        bound = value.toString().isNull() ? QVariant() : value;
        return true;
    default:
        bound = value;
        return true;
    }
}

StoreResult Database::run(QSqlQuery& query, const QString& sql, bool prepare,
                          const QVariantList& values) const
{
    if (!isOpen())
        return StoreResult::failure(QStringLiteral("the database is not open"));
    if (prepare && !query.prepare(sql))
        return StoreResult::failure(describe(query.lastError()));
    for (qsizetype i = 0; i < values.size(); ++i) {
        QVariant bound;
        QString error;
        if (!toBindable(values.at(i), bound, error))
            return StoreResult::failure(QStringLiteral("value %1: %2").arg(i + 1).arg(error));
        query.bindValue(int(i), bound);
    }
    if (!query.exec())
        return StoreResult::failure(describe(query.lastError()));
    return StoreResult::success();
}

StoreResult Database::exec(const QString& sql, const QVariantList& values)
{
    if (!isOpen())
        return StoreResult::failure(QStringLiteral("the database is not open"));
    auto it = m_statements.find(sql);
    const bool fresh = it == m_statements.end();
    if (fresh)
        it = m_statements.insert(sql, QSqlQuery(connection()));
    QSqlQuery& query = it.value();

    StoreResult result = run(query, sql, fresh, values);
    if (result.ok) {
        result.rowsAffected = query.numRowsAffected();
        if (isInsert(sql))
            result.insertId = query.lastInsertId().toLongLong();
    }
    query.finish();
    if (fresh && !result.ok)
        m_statements.erase(it);
    return result;
}

StoreResult Database::execOnce(const QString& sql)
{
    QSqlQuery query(connection());
    return run(query, sql, true, {});
}

bool DbQuery::next()
{
    if (!m_ok)
        return false;
    if (m_query.next())
        return true;
    if (m_query.lastError().isValid()) {
        m_ok = false;
        m_error = m_query.lastError().text();
    }
    return false;
}

DbQuery Database::select(const QString& sql, const QVariantList& values) const
{
    DbQuery result;
    result.m_query = QSqlQuery(connection());
    result.m_query.setForwardOnly(true);
    const StoreResult ran = run(result.m_query, sql, true, values);
    result.m_ok = ran.ok;
    result.m_error = ran.error;
    return result;
}

StoreRead<std::optional<QSqlRecord>> Database::selectFirst(const QString& sql,
                                                           const QVariantList& values) const
{
    DbQuery query = select(sql, values);
    if (!query.ok())
        return StoreResult::failure(query.error());
    if (!query.next())
        return StoreResult::success();
    return {StoreResult::success(), query.record()};
}

QVariant Database::selectValue(const QString& sql, const QVariantList& values) const
{
    DbQuery query = select(sql, values);
    return query.next() ? query.value(0) : QVariant();
}

Transaction::Transaction(Database& db)
    : m_db(db)
    , m_outermost(db.m_transactionDepth == 0)
{
    // The outermost level is a plain transaction; inner levels are savepoints inside it.
    m_savepoint = QStringLiteral("velmo_%1").arg(m_db.m_transactionDepth + 1);
    const StoreResult begun =
        m_db.execOnce(m_outermost ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT ") + m_savepoint);
    m_active = begun.ok;
    m_error = begun.error;
    if (m_active)
        ++m_db.m_transactionDepth;
}

Transaction::~Transaction()
{
    if (!m_active)
        return;
    if (m_outermost) {
        m_db.execOnce(QStringLiteral("ROLLBACK"));
    } else {
        // Undo this level's changes, then end the savepoint so the outer level can go on.
        m_db.execOnce(QStringLiteral("ROLLBACK TO ") + m_savepoint);
        m_db.execOnce(QStringLiteral("RELEASE ") + m_savepoint);
    }
    if (m_db.m_transactionDepth > 0)
        --m_db.m_transactionDepth;
}

StoreResult Transaction::commit()
{
    if (!m_active)
        return StoreResult::failure(m_error.isEmpty() ? QStringLiteral("no transaction") : m_error);
    const StoreResult ended =
        m_db.execOnce(m_outermost ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE ") + m_savepoint);
    if (!ended.ok)
        return ended; // still active: the destructor rolls back
    m_active = false;
    if (m_db.m_transactionDepth > 0)
        --m_db.m_transactionDepth;
    return ended;
}

} // namespace velmo
