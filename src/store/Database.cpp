#include "Database.h"

#include "store/DbText.h"
#include "store/SchemaUpgrade.h"
#include "store/StoreError.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QUrl>

#include <sqlite3.h>

#include <atomic>
#include <utility>

namespace velmo {

namespace {

bool isInsert(const QString& sql)
{
    const QStringView head = QStringView(sql).trimmed();
    return head.startsWith(u"INSERT", Qt::CaseInsensitive) ||
           head.startsWith(u"REPLACE", Qt::CaseInsensitive);
}

// Why the last call on the connection failed, worded by its result code and the system's error
// number behind a failed file operation.
QString lastError(sqlite3* handle)
{
    return sqliteReason(sqlite3_extended_errcode(handle), QString::fromUtf8(sqlite3_errmsg(handle)),
                        sqlite3_system_errno(handle));
}

// Binds one value in its stored form (see the header). With `inPlace` a text is bound without a
// copy: the caller's list then outlives the statement's run, and the bindings are cleared after it.
int bindValue(sqlite3_stmt* statement, int index, const QVariant& value, bool inPlace, QString& error)
{
    const auto keep = inPlace ? SQLITE_STATIC : SQLITE_TRANSIENT;
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return sqlite3_bind_null(statement, index);
    case QMetaType::Bool:
        return sqlite3_bind_int(statement, index, value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return sqlite3_bind_int64(statement, index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(statement, index, value.toDouble());
    case QMetaType::QString: {
        const QString* text = static_cast<const QString*>(value.constData());
        if (text->isNull())
            return sqlite3_bind_null(statement, index);
        return sqlite3_bind_text16(statement, index, text->utf16(), int(text->size() * 2), keep);
    }
    case QMetaType::QByteArray: {
        const QByteArray* bytes = static_cast<const QByteArray*>(value.constData());
        if (bytes->isNull())
            return sqlite3_bind_null(statement, index);
        return sqlite3_bind_blob64(statement, index, bytes->constData(), sqlite3_uint64(bytes->size()), keep);
    }
    default: {
        QVariant bound;
        if (!Database::toBindable(value, bound, error))
            return SQLITE_MISUSE;
        if (bound.isNull())
            return sqlite3_bind_null(statement, index);
        const QByteArray text = bound.toString().toUtf8();
        return sqlite3_bind_text64(statement, index, text.constData(), sqlite3_uint64(text.size()),
                                   SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    }
}

std::atomic<int> nextFixedNumber{0};

} // namespace

FixedSql::FixedSql(QString text)
    : m_text(std::move(text))
    , m_number(nextFixedNumber++)
{
}

// The rows of one SELECT being read: its own statement, ended when the last query holding it goes
// or when the connection closes, whichever comes first.
class DbCursor
{
public:
    DbCursor(const Database& db, sqlite3_stmt* statement, QString sql)
        : m_db(&db)
        , m_statement(statement)
        , m_sql(std::move(sql))
    {
        m_db->m_cursors.insert(this);
    }
    ~DbCursor()
    {
        if (m_db)
            m_db->m_cursors.erase(this);
        end();
    }
    DbCursor(const DbCursor&) = delete;
    DbCursor& operator=(const DbCursor&) = delete;

    // Steps to the next row; false at the end or on a failure (error() then says why).
    bool step()
    {
        if (!m_statement)
            return false;
        const int stepped = sqlite3_step(m_statement);
        if (stepped == SQLITE_ROW)
            return true;
        if (stepped != SQLITE_DONE)
            m_error = lastError(sqlite3_db_handle(m_statement));
        end();
        return false;
    }

    // Ends the statement, which the connection keeps for the next run of its text; the rows read
    // so far stay read.
    void end()
    {
        if (m_db && m_statement)
            m_db->keepSelect(m_sql, m_statement);
        else
            sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
    void detach()
    {
        if (m_statement && m_error.isEmpty())
            m_error = QStringLiteral("数据文件已关闭");
        m_db = nullptr;
        end();
    }

    sqlite3_stmt* statement() const { return m_statement; }
    const QString& error() const { return m_error; }
    bool pending = false; // the first row is stepped to but not yet handed out

    int columnOf(const QString& name)
    {
        if (m_names.isEmpty() && m_statement) {
            const int count = sqlite3_column_count(m_statement);
            for (int i = 0; i < count; ++i)
                m_names << QString::fromUtf8(sqlite3_column_name(m_statement, i));
        }
        for (qsizetype i = 0; i < m_names.size(); ++i) {
            if (m_names.at(i).compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        }
        return -1;
    }
    const QStringList& names()
    {
        columnOf(QString());
        return m_names;
    }

private:
    const Database* m_db;
    sqlite3_stmt* m_statement;
    QString m_sql;
    QString m_error;
    QStringList m_names;
};

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
        return StoreResult::failure(QStringLiteral("没有指定数据文件"));
    const QFileInfo info(path);
    if (!info.isFile())
        return StoreResult::failure(info.exists() ? QStringLiteral("该路径不是文件")
                                                  : QStringLiteral("文件不存在"));
    // A file a later version of the program wrote is left as it is: SQLite does not even open it.
    if (const std::optional<int> declared = declaredSchemaVersion(path); declared && isNewerSchema(*declared))
        return StoreResult::failure(newerSchemaReason(*declared));

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        // mode=rw: SQLite must not create the file should it vanish between the check and here.
        db.setDatabaseName(QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (!db.open()) {
            const QString reason = sqliteReason(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connectionName);
            return StoreResult::failure(reason);
        }
    }
    m_path = path;
    const QVariant handle = connection().driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_handle = *static_cast<sqlite3* const*>(handle.constData());
    if (!m_handle) {
        close();
        return StoreResult::failure(QStringLiteral("程序的数据库驱动不可用"));
    }

    // Opening is lazy; reading the schema proves the file is a database at all.
    QSqlQuery probe(connection());
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QString reason = sqliteReason(probe.lastError());
        probe = QSqlQuery();
        close();
        return StoreResult::failure(reason);
    }
    // The header may be behind a write-ahead log left beside it: the version as SQLite reads it
    // counts, before anything below writes to the file.
    if (probe.exec(QStringLiteral("PRAGMA user_version")) && probe.next() &&
        isNewerSchema(probe.value(0).toInt())) {
        const int version = probe.value(0).toInt();
        probe = QSqlQuery();
        sqlite3_db_config(m_handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr); // the log stays a log
        closeConnection(false);
        return StoreResult::failure(newerSchemaReason(version));
    }
    // A larger page cache keeps big transactions (a first download of many memos) from spilling
    // pages to disk before they commit; memory is taken only as pages are used.
    probe.exec(QStringLiteral("PRAGMA cache_size = -16384"));
    probe = QSqlQuery();
    // Before the settings below: the compaction after an upgrade copies the whole file into a
    // temporary one, which belongs on the disk, and the file stands alone once it is upgraded.
    if (const StoreResult upgraded = upgradeSchema(*this); !upgraded) {
        close();
        return StoreResult::failure(QStringLiteral("无法升级数据文件的格式:") + upgraded.error);
    }
    // Inside a transaction every memo insert or update (its trigger makes it a multi-row change)
    // saves the pages it touches for a statement rollback. Kept in memory, that copy costs a few
    // page copies; kept in a temporary file, as by default, it costs a dozen writes a row.
    execOnce(QStringLiteral("PRAGMA temp_store = MEMORY"));
    // Each answer of the service is committed on its own before the next request goes out; with a
    // write-ahead log such a commit is one append instead of several flushes, and a killed process
    // loses nothing that was committed (a power cut may lose the last commits, never the file).
    execOnce(QStringLiteral("PRAGMA journal_mode = WAL"));
    execOnce(QStringLiteral("PRAGMA synchronous = NORMAL"));
    return StoreResult::success();
}

void Database::finalizeStatements()
{
    for (sqlite3_stmt* statement : std::as_const(m_statements))
        sqlite3_finalize(statement);
    m_statements.clear();
    for (sqlite3_stmt* statement : m_fixed)
        sqlite3_finalize(statement);
    m_fixed.clear();
    for (sqlite3_stmt* statement : std::as_const(m_idleSelects))
        sqlite3_finalize(statement);
    m_idleSelects.clear();
}

void Database::keepSelect(const QString& sql, sqlite3_stmt* statement) const
{
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (m_handle && m_idleSelects.size() < kKeptSelects && !m_idleSelects.contains(sql))
        m_idleSelects.insert(sql, statement);
    else
        sqlite3_finalize(statement);
}

void Database::close()
{
    closeConnection(true);
}

void Database::closeConnection(bool plainJournal)
{
    ++m_undone;
    // Before the connection closes: a statement left open would keep it from closing.
    finalizeStatements();
    for (DbCursor* cursor : std::exchange(m_cursors, {}))
        cursor->detach();
    m_handle = nullptr;
    m_transactionDepth = 0;
    m_path.clear();
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = connection();
        if (db.isOpen() && plainJournal) {
            // Back to a plain journal once the program is done: the file then stands alone, and a
            // reader that opens it read-only leaves no log files beside it.
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Database::isOpen() const
{
    return m_handle != nullptr;
}

QString Database::readOnlyReason() const
{
    return m_handle && sqlite3_db_readonly(m_handle, "main") == 1 ? sqliteReason(SQLITE_READONLY) : QString();
}

bool Database::toBindable(const QVariant& value, QVariant& bound, QString& error)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        if (!moment.isValid()) {
            error = QStringLiteral("日期无效");
            return false;
        }
        bound = toDbText(moment);
        return true;
    }
    case QMetaType::QDate: {
        const QDate day = value.toDate();
        if (!day.isValid()) {
            error = QStringLiteral("日期无效");
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

sqlite3_stmt* Database::prepare(const QString& sql, QString& error, bool keep) const
{
    sqlite3_stmt* statement = nullptr;
    const void* tail = nullptr;
    const int prepared = sqlite3_prepare16_v3(m_handle, sql.utf16(), int(sql.size() * 2),
                                              keep ? SQLITE_PREPARE_PERSISTENT : 0, &statement, &tail);
    if (prepared != SQLITE_OK) {
        error = lastError(m_handle);
        sqlite3_finalize(statement);
        return nullptr;
    }
    // One statement a call: text after the first one would silently not run.
    const auto* rest = static_cast<const char16_t*>(tail);
    const qsizetype used = rest ? rest - reinterpret_cast<const char16_t*>(sql.utf16()) : sql.size();
    if (!statement || !QStringView(sql).mid(used).trimmed().isEmpty()) {
        error =
            statement ? QStringLiteral("程序错误:一次只能执行一条语句") : QStringLiteral("程序错误:没有语句");
        sqlite3_finalize(statement);
        return nullptr;
    }
    return statement;
}

StoreResult Database::step(sqlite3_stmt* statement, const QString& sql, const QVariantList& values)
{
    StoreResult result;
    const int expected = sqlite3_bind_parameter_count(statement);
    if (expected != values.size()) {
        result = StoreResult::failure(
            QStringLiteral("程序错误:语句需要 %1 个值,给出了 %2 个").arg(expected).arg(values.size()));
    } else {
        for (int i = 0; i < expected && result.ok; ++i) {
            QString error;
            if (bindValue(statement, i + 1, values.at(i), true, error) != SQLITE_OK)
                result = StoreResult::failure(QStringLiteral("第 %1 个值:%2")
                                                  .arg(i + 1)
                                                  .arg(error.isEmpty() ? lastError(m_handle) : error));
        }
    }
    if (result.ok) {
        const int stepped = sqlite3_step(statement);
        if (stepped == SQLITE_DONE || stepped == SQLITE_ROW) {
            result.rowsAffected = sqlite3_changes(m_handle);
            if (isInsert(sql))
                result.insertId = sqlite3_last_insert_rowid(m_handle);
        } else {
            result = StoreResult::failure(lastError(m_handle));
        }
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return result;
}

StoreResult Database::exec(const QString& sql, const QVariantList& values)
{
    if (!isOpen())
        return StoreResult::failure(QStringLiteral("数据文件未打开"));
    auto it = m_statements.constFind(sql);
    if (it == m_statements.constEnd()) {
        QString error;
        sqlite3_stmt* statement = prepare(sql, error, true);
        if (!statement)
            return StoreResult::failure(error);
        it = m_statements.insert(sql, statement);
    }
    return step(it.value(), sql, values);
}

StoreResult Database::exec(const FixedSql& sql, const QVariantList& values)
{
    if (!isOpen())
        return StoreResult::failure(QStringLiteral("数据文件未打开"));
    const size_t number = size_t(sql.number());
    if (number >= m_fixed.size())
        m_fixed.resize(number + 1, nullptr);
    if (!m_fixed[number]) {
        QString error;
        m_fixed[number] = prepare(sql.text(), error, true);
        if (!m_fixed[number])
            return StoreResult::failure(error);
    }
    return step(m_fixed[number], sql.text(), values);
}

StoreResult Database::execOnce(const QString& sql)
{
    if (!isOpen())
        return StoreResult::failure(QStringLiteral("数据文件未打开"));
    QString error;
    sqlite3_stmt* statement = prepare(sql, error, false);
    if (!statement)
        return StoreResult::failure(error);
    StoreResult result = step(statement, sql, {});
    sqlite3_finalize(statement);
    return result;
}

bool DbQuery::next()
{
    if (!m_ok || !m_cursor)
        return false;
    if (m_cursor->pending) {
        m_cursor->pending = false;
        return true;
    }
    if (m_cursor->step())
        return true;
    if (!m_cursor->error().isEmpty()) {
        m_ok = false;
        m_error = m_cursor->error();
    }
    return false;
}

QVariant DbQuery::value(int index) const
{
    sqlite3_stmt* statement = m_cursor ? m_cursor->statement() : nullptr;
    if (!statement || m_cursor->pending || index < 0 || index >= sqlite3_data_count(statement))
        return QVariant();
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(statement, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, index));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB: {
        const void* bytes = sqlite3_column_blob(statement, index);
        return QVariant(QByteArray(static_cast<const char*>(bytes), sqlite3_column_bytes(statement, index)));
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(statement, index)));
    }
    }
}

qint64 DbQuery::integer(int index) const
{
    sqlite3_stmt* statement = m_cursor ? m_cursor->statement() : nullptr;
    if (!statement || m_cursor->pending || index < 0 || index >= sqlite3_data_count(statement))
        return 0;
    return sqlite3_column_int64(statement, index);
}

DbQuery::Kind DbQuery::kind(int index) const
{
    sqlite3_stmt* statement = m_cursor ? m_cursor->statement() : nullptr;
    if (!statement || m_cursor->pending || index < 0 || index >= sqlite3_data_count(statement))
        return Kind::Null;
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
        return Kind::Integer;
    case SQLITE_FLOAT:
        return Kind::Real;
    case SQLITE_BLOB:
        return Kind::Blob;
    case SQLITE_TEXT:
        return Kind::Text;
    default:
        return Kind::Null;
    }
}

QString DbQuery::text(int index) const
{
    switch (kind(index)) {
    case Kind::Null:
        return QString();
    case Kind::Text:
        return QString::fromUtf8(utf8(index));
    default:
        return value(index).toString();
    }
}

QByteArrayView DbQuery::utf8(int index) const
{
    if (kind(index) != Kind::Text)
        return {};
    sqlite3_stmt* statement = m_cursor->statement();
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    return QByteArrayView(bytes, sqlite3_column_bytes(statement, index));
}

QVariant DbQuery::value(const QString& column) const
{
    return m_cursor ? value(m_cursor->columnOf(column)) : QVariant();
}

QSqlRecord DbQuery::record() const
{
    QSqlRecord record;
    if (!m_cursor)
        return record;
    const QStringList& names = m_cursor->names();
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QVariant v = value(int(i));
        QSqlField field(names.at(i), v.metaType());
        field.setValue(v);
        record.append(field);
    }
    return record;
}

DbQuery Database::select(const QString& sql, const QVariantList& values) const
{
    DbQuery result;
    if (!isOpen()) {
        result.m_error = QStringLiteral("数据文件未打开");
        return result;
    }
    sqlite3_stmt* statement = m_idleSelects.take(sql);
    if (!statement)
        statement = prepare(sql, result.m_error, true);
    if (!statement)
        return result;
    result.m_cursor = std::make_shared<DbCursor>(*this, statement, sql);
    const int expected = sqlite3_bind_parameter_count(statement);
    if (expected != values.size()) {
        result.m_error =
            QStringLiteral("程序错误:语句需要 %1 个值,给出了 %2 个").arg(expected).arg(values.size());
        result.m_cursor.reset();
        return result;
    }
    for (int i = 0; i < expected; ++i) {
        QString error;
        if (bindValue(statement, i + 1, values.at(i), false, error) != SQLITE_OK) {
            result.m_error =
                QStringLiteral("第 %1 个值:%2").arg(i + 1).arg(error.isEmpty() ? lastError(m_handle) : error);
            result.m_cursor.reset();
            return result;
        }
    }
    // The first step runs the statement: a failure shows now, not as an empty result.
    result.m_cursor->pending = result.m_cursor->step();
    result.m_ok = result.m_cursor->error().isEmpty();
    result.m_error = result.m_cursor->error();
    return result;
}

StoreRead<std::optional<QSqlRecord>> Database::selectFirst(const QString& sql,
                                                           const QVariantList& values) const
{
    DbQuery query = select(sql, values);
    if (!query.ok())
        return StoreResult::failure(query.error());
    if (!query.next())
        return query.ok() ? StoreResult::success() : StoreResult::failure(query.error());
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
    ++m_db.m_undone;
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
        return StoreResult::failure(m_error.isEmpty() ? QStringLiteral("事务未能开始") : m_error);
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
