#pragma once

// Usage:
//
//   velmo::Database db;                               // connection "velmo"; tests pass a name
//   if (auto opened = db.open(runState.DbPath); !opened)
//       report(opened.error);                         // a missing file is an error, never created
//
//   // Writes: every value bound, the result says whether it worked and why not.
//   StoreResult r = db.exec(QStringLiteral("UPDATE Config SET LastUser=? WHERE id=?"), {name, 1});
//   // A statement run often: its text made once, its prepared form found by number.
//   static const FixedSql markRead(QStringLiteral("UPDATE Notice SET HaveRead=1 WHERE id=?"));
//   db.exec(markRead, {id});
//
//   // Reads: every row mapped, each row handed on, or the first one.
//   StoreRead<std::vector<qint64>> ids = db.selectRows(
//       QStringLiteral("SELECT id FROM Notebook WHERE userid=? ORDER BY id"), {runState.UserId},
//       [](const DbQuery& row) { return row.value(0).toLongLong(); });
//   StoreResult ran = db.forEachRow(sql, values, [&](const DbQuery& row) { ... });
//   StoreRead<std::optional<QSqlRecord>> first = db.selectFirst(QStringLiteral("SELECT * FROM Config"));
//   if (first.ok && first.value) ...first.value->value("CheckTimer")...
//
//   // Several rows at once: all or nothing.
//   Transaction t(db);
//   ...db.exec(...)...
//   StoreResult done = t.commit();                    // leaving the scope uncommitted rolls back
//
// Bound values: a QDateTime is stored as its 'yyyy-MM-dd HH:mm:ss' text (an invalid one makes the
// statement fail instead of storing garbage), a bool as 0/1, a null QString or QVariant as NULL.
// No SQL text is ever built from a value.

#include "store/StoreResult.h"

#include <QByteArrayView>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <optional>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velmo {

// A statement text the program runs again and again. Each one is numbered when it is made (once:
// keep it in a static), and a connection keeps its prepared statement under that number, so a run
// neither parses the text again nor looks it up by the text.
class FixedSql
{
public:
    explicit FixedSql(QString text);

    const QString& text() const { return m_text; }
    int number() const { return m_number; }

private:
    QString m_text;
    int m_number;
};

class DbCursor;

// An executed SELECT: its rows, or the reason it failed (a failed query simply has no rows). A
// step that fails between rows ends the rows and makes the query failed: read ok() after the last
// next(), never take the rows read so far for all of them.
class DbQuery
{
public:
    DbQuery() = default;

    bool ok() const { return m_ok; }
    const QString& error() const { return m_error; }

    bool next();
    // The current row's value of a column, by name (any letter case) or position: an integer as a
    // qlonglong, a real as a double, a text as a QString, NULL as a null QString.
    QVariant value(const QString& column) const;
    QVariant value(int index) const;
    // The current row's value of a column as a 64-bit integer, without a QVariant: for the long
    // reads of ids. NULL reads as 0, a text as SQLite turns it into a number.
    qint64 integer(int index) const;
    // What the current row holds in a column, without building the value.
    enum class Kind
    {
        Null,
        Integer,
        Real,
        Text,
        Blob,
    };
    Kind kind(int index) const;
    // A text as value(index).toString() gives it, without a QVariant: NULL (and a column that is
    // not there) gives a null QString.
    QString text(int index) const;
    // The UTF-8 bytes of a text value, valid until the next row; empty for any other kind.
    QByteArrayView utf8(int index) const;
    QSqlRecord record() const;

private:
    friend class Database;
    std::shared_ptr<DbCursor> m_cursor;
    bool m_ok = false;
    QString m_error;
};

// The one connection to data.db, used on the window thread.
class Database
{
public:
    static constexpr const char* kDefaultConnection = "velmo";

    explicit Database(QString connectionName = QString::fromLatin1(kDefaultConnection));
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing database file for reading and writing. Never creates a file: a missing
    // path fails and leaves nothing behind. Closes a connection opened before.
    StoreResult open(const QString& path);
    void close();
    bool isOpen() const;
    // How many times changes were undone (a transaction rolled back) or a file was opened or closed:
    // while it stays the same, what a reader keeps of the file in memory, and changes only after each
    // write that succeeded, is still what the file holds.
    quint64 undoneCount() const { return m_undone; }
    // The reason every write will fail when SQLite could open the file for reading only (its rights,
    // a read-only disk); empty while it is open for writing too, or not open.
    QString readOnlyReason() const;
    const QString& path() const { return m_path; }
    const QString& connectionName() const { return m_connectionName; }

    // Runs one statement that changes data, binding the values by position (their number must
    // match the statement's). Statements are prepared once per connection and reused.
    StoreResult exec(const QString& sql, const QVariantList& values = {});
    StoreResult exec(const FixedSql& sql, const QVariantList& values = {});

    // Runs one statement without keeping it prepared: schema changes, pragmas.
    StoreResult execOnce(const QString& sql);

    // Runs one SELECT.
    DbQuery select(const QString& sql, const QVariantList& values = {}) const;
    // The first row of a SELECT; none when it returned no row.
    StoreRead<std::optional<QSqlRecord>> selectFirst(const QString& sql,
                                                     const QVariantList& values = {}) const;

    // Runs one SELECT and hands each row in turn to each(const DbQuery&): whether the statement ran.
    template <typename Each>
    StoreResult forEachRow(const QString& sql, const QVariantList& values, Each&& each) const
    {
        DbQuery query = select(sql, values);
        if (!query.ok())
            return StoreResult::failure(query.error());
        while (query.next())
            each(std::as_const(query));
        return query.ok() ? StoreResult::success() : StoreResult::failure(query.error());
    }

    // Runs one SELECT and maps each row with map(const DbQuery&): the values in row order.
    template <typename Map, typename Row = std::invoke_result_t<Map&, const DbQuery&>>
    StoreRead<std::vector<Row>> selectRows(const QString& sql, const QVariantList& values, Map&& map) const
    {
        std::vector<Row> rows;
        const StoreResult ran =
            forEachRow(sql, values, [&](const DbQuery& row) { rows.push_back(map(row)); });
        if (!ran.ok)
            return ran;
        return {ran, std::move(rows)};
    }
    // The first column of the first row; an invalid QVariant without a row or on failure.
    QVariant selectValue(const QString& sql, const QVariantList& values = {}) const;

    // True while a Transaction guard is open on this connection.
    bool inTransaction() const { return m_transactionDepth > 0; }

    // Converts a value to what is bound for it (see the note above); false when it cannot be
    // stored, e.g. an invalid date.
    static bool toBindable(const QVariant& value, QVariant& bound, QString& error);

private:
    friend class Transaction;
    friend class DbCursor;
    QSqlDatabase connection() const;
    sqlite3_stmt* prepare(const QString& sql, QString& error, bool keep) const;
    // Keeps a SELECT's statement, reset, for the next run of its text (one a text, so many texts);
    // any other is finalized.
    void keepSelect(const QString& sql, sqlite3_stmt* statement) const;
    StoreResult step(sqlite3_stmt* statement, const QString& sql, const QVariantList& values);
    void finalizeStatements();
    // Closes the connection; plainJournal: first back to a plain journal (a write to the file).
    void closeConnection(bool plainJournal);

    QString m_connectionName;
    QString m_path;
    int m_transactionDepth = 0;
    quint64 m_undone = 0;
    // The connection's own handle, from the Qt driver; null while closed.
    sqlite3* m_handle = nullptr;
    // Prepared statements: by text, and of the fixed texts by their number.
    QHash<QString, sqlite3_stmt*> m_statements;
    std::vector<sqlite3_stmt*> m_fixed;
    // The SELECTs whose rows are still being read; closing ends them first.
    mutable std::unordered_set<DbCursor*> m_cursors;
    // SELECT statements not in use, by their text.
    static constexpr qsizetype kKeptSelects = 64;
    mutable QHash<QString, sqlite3_stmt*> m_idleSelects;
};

// Keeps several changes together: commit() stores them all; a guard that is destroyed without
// a successful commit() rolls every change back. Guards nest: an inner guard's changes become
// part of the outer one when it commits, and vanish alone when it does not.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Whether the transaction began; changes made without one are not guarded.
    bool isActive() const { return m_active; }
    const QString& error() const { return m_error; }

    StoreResult commit();

private:
    Database& m_db;
    QString m_savepoint;
    bool m_outermost = false;
    bool m_active = false;
    QString m_error;
};

} // namespace velmo
