#include "MemoStore.h"

#include "ServiceStandIn.h"

#include "platform/Md5.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace velmo::standin {

namespace {

QString fieldsText(const QStringList& fields)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(fields)).toJson(QJsonDocument::Compact));
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

} // namespace

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

std::vector<MemoStore::Listed> MemoStore::listed(const QString& userId) const
{
    return listed(userId, 0, -1);
}

std::vector<MemoStore::Listed> MemoStore::listed(const QString& userId, qint64 after, qsizetype limit) const
{
    std::vector<Listed> memos;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!run(query,
             QStringLiteral("SELECT serverId, synnum, deleted, token, digest FROM memos WHERE userId = ? AND "
                            "serverId > ? ORDER BY serverId LIMIT ?"),
             {userId, after, limit}))
        return memos;
    while (query.next())
        memos.push_back({query.value(0).toLongLong(), query.value(1).toInt(), query.value(2).toInt() != 0,
                         query.value(3).toString(), query.value(4).toString()});
    return memos;
}

QList<StoredMemo> MemoStore::liveMemos(const QString& userId) const
{
    return select(QStringLiteral("userId = ? AND deleted = 0"), {userId});
}

qint64 MemoStore::add(const QString& userId, const QStringList& fields, int synnum)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!run(query,
             QStringLiteral("INSERT INTO memos (userId, synnum, fields, token, digest) VALUES (?, ?, ?, "
                            "lower(hex(randomblob(4))), ?)"),
             {userId, synnum, fieldsText(fields), digest(fields)}))
        return 0;
    const qint64 serverId = query.lastInsertId().toLongLong();
    return addVersion(serverId, synnum, fields) ? serverId : 0;
}

bool MemoStore::update(const StoredMemo& memo)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    return run(query,
               QStringLiteral(
                   "UPDATE memos SET synnum = ?, deleted = ?, fields = ?, digest = ? WHERE serverId = ? "
                   "AND userId = ?"),
               {memo.synnum, memo.deleted ? 1 : 0, fieldsText(memo.fields), digest(memo.fields),
                memo.serverId, memo.userId}) &&
           query.numRowsAffected() == 1 && addVersion(memo.serverId, memo.synnum, memo.fields);
}

bool MemoStore::addVersion(qint64 serverId, int synnum, const QStringList& fields)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    // The first copy stays (what the post of the new memo said), and the latest up to KeptCopies: a memo
    // changed ten thousand times is downloaded like one changed sixty times. Only this memo's copies are
    // read, through the index on serverId.
    return run(query, QStringLiteral("INSERT INTO versions (serverId, synnum, digest) VALUES (?, ?, ?)"),
               {serverId, synnum, digest(fields)}) &&
           run(query,
               QStringLiteral("DELETE FROM versions WHERE serverId = ? "
                              "AND rowid > (SELECT min(rowid) FROM versions WHERE serverId = ?) "
                              "AND rowid < (SELECT rowid FROM versions WHERE serverId = ? "
                              "ORDER BY rowid DESC LIMIT 1 OFFSET ?)"),
               {serverId, serverId, serverId, KeptCopies - 2});
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
