#include "MemoStore.h"

#include "ServiceStandIn.h"

#include "platform/Md5.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <array>

namespace velmo::standin {

namespace {

// The fields as they are stored: a JSON array, in UTF-8.
QByteArray fieldsText(const QStringList& fields)
{
    return QJsonDocument(QJsonArray::fromStringList(fields)).toJson(QJsonDocument::Compact);
}

QStringList fieldsOf(const QString& text)
{
    QStringList fields;
    for (const QJsonValue& value : QJsonDocument::fromJson(text.toUtf8()).array())
        fields << value.toString();
    return fields;
}

bool run(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    if (!query.prepare(sql))
        return false;
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values.at(i));
    return query.exec();
}

// Values bound as the Qt driver binds them: a null text as NULL.
bool bindValue(sqlite3_stmt* statement, int index, QStringView text)
{
    return sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT) ==
           SQLITE_OK;
}

// A text already in UTF-8, the file's own encoding.
bool bindValue(sqlite3_stmt* statement, int index, const QByteArray& utf8)
{
    return sqlite3_bind_text(statement, index, utf8.data(), int(utf8.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

bool bindValue(sqlite3_stmt* statement, int index, qint64 number)
{
    return sqlite3_bind_int64(statement, index, number) == SQLITE_OK;
}

// Binds the values in order; false for a statement that could not be prepared.
template <typename... Values>
bool bindValues(sqlite3_stmt* statement, const Values&... values)
{
    int index = 0;
    return statement && (bindValue(statement, ++index, values) && ...);
}

// A text column of the current row as the Qt driver reads it (NULL: empty), its ASCII copied into
// `scratch` rather than converted by SQLite.
QStringView columnText(sqlite3_stmt* statement, int column, QString& scratch)
{
    const auto* bytes = sqlite3_column_text(statement, column);
    const int size = sqlite3_column_bytes(statement, column);
    if (!bytes)
        return {};
    unsigned char any = 0;
    for (int i = 0; i < size; ++i)
        any |= bytes[i];
    if (any >= 0x80) {
        const void* text = sqlite3_column_text16(statement, column);
        return text ? QStringView(static_cast<const char16_t*>(text),
                                  sqlite3_column_bytes16(statement, column) / 2)
                    : QStringView();
    }
    scratch.resize(size);
    char16_t* out = reinterpret_cast<char16_t*>(scratch.data());
    for (int i = 0; i < size; ++i)
        out[i] = bytes[i];
    return scratch;
}

// Leaves a statement reset, its values unbound, however its run ends.
class Reset
{
public:
    explicit Reset(sqlite3_stmt* statement)
        : m_statement(statement)
    {
    }
    ~Reset()
    {
        if (!m_statement)
            return;
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    Reset(const Reset&) = delete;
    Reset& operator=(const Reset&) = delete;

private:
    sqlite3_stmt* m_statement;
};

} // namespace

class MemoStore::Statements
{
public:
    enum Which
    {
        List,
        InsertMemo,
        UpdateMemo,
        InsertVersion,
        TrimVersions,
        Begin,
        Commit,
        Rollback,
        Count,
    };

    explicit Statements(sqlite3* handle)
        : m_handle(handle)
    {
    }
    ~Statements()
    {
        for (sqlite3_stmt* statement : m_prepared)
            sqlite3_finalize(statement);
    }
    Statements(const Statements&) = delete;
    Statements& operator=(const Statements&) = delete;

    // The statement, prepared on its first use; nullptr when it cannot be.
    sqlite3_stmt* get(Which which)
    {
        static constexpr std::array<const char*, Count> texts = {
            "SELECT serverId, synnum, deleted, token, digest FROM memos WHERE userId = ? AND serverId > ? "
            "ORDER BY serverId LIMIT ?",
            "INSERT INTO memos (userId, synnum, fields, token, digest) VALUES (?, ?, ?, "
            "lower(hex(randomblob(4))), "
            "?)",
            "UPDATE memos SET synnum = ?, deleted = ?, fields = ?, digest = ? WHERE serverId = ? AND userId "
            "= ?",
            "INSERT INTO versions (serverId, synnum, digest) VALUES (?, ?, ?)",
            // The first copy stays (what the post of the new memo said), and the latest up to KeptCopies: a
            // memo changed ten thousand times is downloaded like one changed sixty times. Only this memo's
            // copies are read, through the index on serverId.
            "DELETE FROM versions WHERE serverId = ?1 AND rowid > (SELECT min(rowid) FROM versions WHERE "
            "serverId = ?1) AND rowid < (SELECT rowid FROM versions WHERE serverId = ?1 ORDER BY rowid DESC "
            "LIMIT 1 OFFSET ?2)",
            "BEGIN",
            "COMMIT",
            "ROLLBACK",
        };
        sqlite3_stmt*& statement = m_prepared[which];
        if (!statement && m_handle &&
            sqlite3_prepare_v3(m_handle, texts[which], -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
                SQLITE_OK) {
            sqlite3_finalize(statement);
            statement = nullptr;
        }
        return statement;
    }

    // Runs a statement that changes data with these values: whether it ran to its end.
    template <typename... Values>
    bool write(Which which, const Values&... values)
    {
        sqlite3_stmt* statement = get(which);
        const Reset reset(statement);
        return bindValues(statement, values...) && sqlite3_step(statement) == SQLITE_DONE;
    }
    // The rows the last write changed, and the row id the last insert gave.
    int changes() const { return sqlite3_changes(m_handle); }
    qint64 insertedId() const { return sqlite3_last_insert_rowid(m_handle); }

    // Runs the writes in one transaction: all of them, or none when one fails.
    template <typename Writes>
    bool inTransaction(Writes&& writes)
    {
        if (!write(Begin))
            return false;
        if (writes() && write(Commit))
            return true;
        write(Rollback);
        return false;
    }

private:
    sqlite3* m_handle;
    std::array<sqlite3_stmt*, Count> m_prepared{};
};

const QStringList& MemoStore::fieldKeys()
{
    static const QStringList keys = {QStringLiteral("type"),       QStringLiteral("userid"),
                                     QStringLiteral("title"),      QStringLiteral("content"),
                                     QStringLiteral("Done"),       QStringLiteral("addtime"),
                                     QStringLiteral("AlertTime"),  QStringLiteral("AlertPinLv"),
                                     QStringLiteral("mimi"),       QStringLiteral("ifAlert"),
                                     QStringLiteral("importance"), QStringLiteral("AddIp"),
                                     QStringLiteral("click"),      QStringLiteral("AlertTimeNongli"),
                                     QStringLiteral("mailTime"),   QStringLiteral("before"),
                                     QStringLiteral("sound"),      QStringLiteral("Mail"),
                                     QStringLiteral("editor"),     QStringLiteral("lifa"),
                                     QStringLiteral("synnum"),     QStringLiteral("diysound")};
    return keys;
}

MemoStore::MemoStore(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("MemoStore"));
    static int stores = 0;
    m_connection = QStringLiteral("velmo-standin-memos-%1").arg(++stores);
    openConnection(QStringLiteral(":memory:"), nullptr);
}

MemoStore::~MemoStore()
{
    m_statements.reset();
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

MemoStore* MemoStore::of(ServiceStandIn& service)
{
    return service.findChild<MemoStore*>(QString(), Qt::FindDirectChildrenOnly);
}

bool MemoStore::open(const QString& path, QString* error)
{
    return openConnection(path, error);
}

bool MemoStore::openConnection(const QString& databaseName, QString* error)
{
    m_statements.reset();
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(databaseName);
    QSqlQuery query(db);
    // AUTOINCREMENT: a server id once given is never given again, even after its memo is gone.
    bool ready =
        db.open() && query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) &&
        query.exec(QStringLiteral("PRAGMA synchronous = NORMAL")) &&
        query.exec(
            QStringLiteral("CREATE TABLE IF NOT EXISTS memos (serverId INTEGER PRIMARY KEY "
                           "AUTOINCREMENT, userId TEXT NOT NULL, synnum INTEGER NOT NULL, deleted "
                           "INTEGER NOT NULL DEFAULT 0, fields TEXT NOT NULL, token TEXT, digest TEXT)")) &&
        query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS versions (serverId INTEGER NOT NULL, synnum "
                                  "INTEGER NOT NULL, digest TEXT NOT NULL)")) &&
        query.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS versionsOf ON versions (serverId)"));
    // A store of an earlier stand-in: its memos get their tokens and digests.
    if (ready && !query.exec(QStringLiteral("SELECT token FROM memos LIMIT 0")))
        ready = query.exec(QStringLiteral("ALTER TABLE memos ADD COLUMN token TEXT"));
    if (ready && !query.exec(QStringLiteral("SELECT digest FROM memos LIMIT 0"))) {
        ready = query.exec(QStringLiteral("ALTER TABLE memos ADD COLUMN digest TEXT"));
        QSqlQuery each(db);
        ready = ready && each.exec(QStringLiteral("SELECT serverId, fields FROM memos"));
        while (ready && each.next())
            ready = run(query, QStringLiteral("UPDATE memos SET digest = ? WHERE serverId = ?"),
                        {digest(fieldsOf(each.value(1).toString())), each.value(0)});
    }
    ready =
        ready &&
        query.exec(
            QStringLiteral("UPDATE memos SET token = lower(hex(randomblob(4))) WHERE token IS NULL")) &&
        query.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS memosOwner ON memos (userId, serverId)")) &&
        query.exec(QStringLiteral("DROP INDEX IF EXISTS memosListed")) &&
        // An account's list reads this index alone.
        query.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS memosListedCopies ON memos (userId, serverId, "
                                  "synnum, deleted, token, digest)"));
    if (!ready && error)
        *error = query.lastError().text().isEmpty() ? db.lastError().text() : query.lastError().text();
    const QVariant handle = db.driver()->handle();
    m_statements =
        std::make_unique<Statements>(handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                                         ? *static_cast<sqlite3* const*>(handle.constData())
                                         : nullptr);
    return ready;
}

QList<StoredMemo> MemoStore::select(const QString& where, const QVariantList& values) const
{
    QList<StoredMemo> memos;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!run(query,
             QStringLiteral("SELECT serverId, userId, synnum, deleted, fields, token FROM memos WHERE ") +
                 where + QStringLiteral(" ORDER BY serverId"),
             values))
        return memos;
    while (query.next()) {
        StoredMemo memo;
        memo.serverId = query.value(0).toLongLong();
        memo.userId = query.value(1).toString();
        memo.synnum = query.value(2).toInt();
        memo.deleted = query.value(3).toInt() != 0;
        memo.fields = fieldsOf(query.value(4).toString());
        memo.token = query.value(5).toString();
        memos.append(memo);
    }
    return memos;
}

std::optional<StoredMemo> MemoStore::memo(const QString& userId, qint64 serverId) const
{
    // Names compare exactly: one account never reaches another's memos.
    const QList<StoredMemo> found = select(QStringLiteral("serverId = ? AND userId = ?"), {serverId, userId});
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

QList<StoredMemo> MemoStore::allMemos(const QString& userId) const
{
    return select(QStringLiteral("userId = ?"), {userId});
}

bool MemoStore::eachListed(const QString& userId, qint64 after, qsizetype limit,
                           const std::function<void(const Listed&)>& each) const
{
    sqlite3_stmt* statement = m_statements->get(Statements::List);
    const Reset reset(statement);
    if (!bindValues(statement, QStringView(userId), after, qint64(limit)))
        return false;
    QString token;
    QString digest;
    int stepped = SQLITE_ROW;
    while ((stepped = sqlite3_step(statement)) == SQLITE_ROW)
        each({sqlite3_column_int64(statement, 0), sqlite3_column_int(statement, 1),
              sqlite3_column_int(statement, 2) != 0, columnText(statement, 3, token),
              columnText(statement, 4, digest)});
    return stepped == SQLITE_DONE;
}

QList<StoredMemo> MemoStore::liveMemos(const QString& userId) const
{
    return select(QStringLiteral("userId = ? AND deleted = 0"), {userId});
}

qint64 MemoStore::add(const QString& userId, const QStringList& fields, int synnum)
{
    const QString copy = digest(fields);
    qint64 serverId = 0;
    const bool added = m_statements->inTransaction([&] {
        if (!m_statements->write(Statements::InsertMemo, QStringView(userId), qint64(synnum),
                                 fieldsText(fields), QStringView(copy)))
            return false;
        serverId = m_statements->insertedId();
        return addVersion(serverId, synnum, copy);
    });
    return added ? serverId : 0;
}

bool MemoStore::update(const StoredMemo& memo)
{
    const QString copy = digest(memo.fields);
    return m_statements->inTransaction([&] {
        return m_statements->write(Statements::UpdateMemo, qint64(memo.synnum), qint64(memo.deleted ? 1 : 0),
                                   fieldsText(memo.fields), QStringView(copy), memo.serverId,
                                   QStringView(memo.userId)) &&
               m_statements->changes() == 1 && addVersion(memo.serverId, memo.synnum, copy);
    });
}

bool MemoStore::addVersion(qint64 serverId, int synnum, const QString& copy)
{
    return m_statements->write(Statements::InsertVersion, serverId, qint64(synnum), QStringView(copy)) &&
           m_statements->write(Statements::TrimVersions, serverId, qint64(KeptCopies - 2));
}

std::vector<MemoStore::Version> MemoStore::versions(const QString& userId, qint64 serverId) const
{
    std::vector<Version> found;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!run(query,
             QStringLiteral(
                 "SELECT v.synnum, v.digest FROM versions v JOIN memos m ON m.serverId = v.serverId "
                 "WHERE v.serverId = ? AND m.userId = ? ORDER BY v.rowid"),
             {serverId, userId}))
        return found;
    while (query.next())
        found.push_back({query.value(0).toInt(), query.value(1).toString()});
    return found;
}

QString MemoStore::digest(const QStringList& fields)
{
    QStringList copy = fields;
    while (copy.size() < fieldKeys().size())
        copy.append(QString());
    copy[SynnumField].clear();
    return MD5_16(copy.join(FieldSeparator));
}

bool MemoStore::reset()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    return query.exec(QStringLiteral("DELETE FROM memos")) &&
           query.exec(QStringLiteral("DELETE FROM versions")) &&
           query.exec(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = 'memos'"));
}

MemoStore::Backup MemoStore::backup() const
{
    Backup saved;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    const auto rows = [&query](const QString& sql, int columns) {
        QList<QVariantList> all;
        if (!query.exec(sql))
            return all;
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < columns; ++i)
                row << query.value(i);
            all << row;
        }
        return all;
    };
    saved.memos =
        rows(QStringLiteral("SELECT serverId, userId, synnum, deleted, fields, token, digest FROM memos"), 7);
    saved.versions = rows(QStringLiteral("SELECT serverId, synnum, digest FROM versions ORDER BY rowid"), 3);
    if (query.exec(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'memos'")) && query.next())
        saved.lastId = query.value(0);
    return saved;
}

bool MemoStore::restore(const Backup& saved)
{
    if (!reset())
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    // Every row in one transaction, each statement prepared once: a backup of many memos is put back
    // at once.
    const auto insertAll = [&query](const QString& sql, const QList<QVariantList>& rows) {
        if (!query.prepare(sql))
            return false;
        for (const QVariantList& row : rows) {
            for (qsizetype i = 0; i < row.size(); ++i)
                query.bindValue(int(i), row.at(i));
            if (!query.exec())
                return false;
        }
        return true;
    };
    if (!db.transaction())
        return false;
    const bool restored =
        insertAll(
            QStringLiteral("INSERT INTO memos (serverId, userId, synnum, deleted, fields, token, digest) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?)"),
            saved.memos) &&
        insertAll(QStringLiteral("INSERT INTO versions (serverId, synnum, digest) VALUES (?, ?, ?)"),
                  saved.versions) &&
        (!saved.lastId.isValid() ||
         (query.exec(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = 'memos'")) &&
          run(query, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('memos', ?)"),
              {saved.lastId})));
    if (restored && db.commit())
        return true;
    db.rollback();
    return false;
}

bool MemoStore::markDeleted(const QString& userId, qint64 serverId, int synnum)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    return run(query,
               QStringLiteral("UPDATE memos SET deleted = 1, synnum = max(synnum, ?) WHERE serverId = ? AND "
                              "userId = ?"),
               {synnum, serverId, userId});
}

QString MemoStore::recordText(const StoredMemo& memo)
{
    QStringList fields = memo.fields;
    while (fields.size() < fieldKeys().size())
        fields.append(QString());
    fields[SynnumField] = QString::number(memo.synnum);
    return fields.join(FieldSeparator);
}

} // namespace velmo::standin
