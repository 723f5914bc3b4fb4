#pragma once

// The memos the stand-in service keeps, per account, in a SQLite file of its own (or in memory):
// each under a server id with its change counter, its 22 wire fields, a token of its own and the
// digests of the copies it held (its first and the latest, KeptCopies in all). A server id is never given
// twice, not even after a restart; a deleted memo stays as a mark with its last copy, so that a later upload
// of it is answered as deleted and the account's other computers let it go. The token tells a memo from
// another one that got its server id after the store was emptied or put back from a backup (reset(),
// restore()).
//
//   MemoStore* store = MemoStore::of(service);
//   if (!store->open("/path/memos.db", &error)) ...   // in memory until opened on a file

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace velmo::standin {

class ServiceStandIn;

// A memo as the service holds it: the fields of its wire record, in wire order.
struct StoredMemo
{
    qint64 serverId = 0;
    QString userId;
    QStringList fields;
    int synnum = 1;
    bool deleted = false;
    QString token;
};

class MemoStore : public QObject
{
    Q_OBJECT

public:
    // The wire names of the 22 fields, in record order (the form key of DiySound is "diysound").
    static const QStringList& fieldKeys();
    static constexpr int SynnumField = 20;
    // Between the fields of a record, and before the server id that follows a downloaded one.
    static inline const QString FieldSeparator = QStringLiteral("(#f!g#)");

    // An empty store in memory.
    explicit MemoStore(QObject* parent = nullptr);
    ~MemoStore() override;

    // The store the service's endpoints use; nullptr before addSyncEndpoints().
    static MemoStore* of(ServiceStandIn& service);

    // Keeps the memos in this file from now on (created when missing), with what it already holds;
    // the memos held in memory before are dropped. False, with the reason, when it cannot be used.
    bool open(const QString& path, QString* error);

    // The user's memo of that server id, deleted ones included.
    std::optional<StoredMemo> memo(const QString& userId, qint64 serverId) const;
    // The user's memos, oldest first: all of them, deleted ones included, or those not deleted.
    QList<StoredMemo> allMemos(const QString& userId) const;
    // The same, without their fields: what the list of an account names of each memo. The texts are
    // valid only in the call they are handed to.
    struct Listed
    {
        qint64 serverId = 0;
        int synnum = 0;
        bool deleted = false;
        QStringView token;
        QStringView digest;
    };
    // Hands each of those above the server id `after` to `each`, in increasing server id order, at most
    // `limit` of them (-1: no limit). False when they could not all be read: what was handed on then
    // is not the list.
    bool eachListed(const QString& userId, qint64 after, qsizetype limit,
                    const std::function<void(const Listed&)>& each) const;
    QList<StoredMemo> liveMemos(const QString& userId) const;
    // Stores a new memo under a fresh server id and returns it; 0 when it could not be stored.
    qint64 add(const QString& userId, const QStringList& fields, int synnum);
    bool update(const StoredMemo& memo);
    // Marks the memo deleted; its counter becomes synnum when that is higher.
    bool markDeleted(const QString& userId, qint64 serverId, int synnum = 0);

    // The record the service sends: the fields joined by FieldSeparator, the counter in its place.
    static QString recordText(const StoredMemo& memo);
    // What tells one copy of a memo from another: MD5_16 of its record with the counter left empty.
    static QString digest(const QStringList& fields);

    // How many copies of a memo are kept: its first and the latest.
    static constexpr int KeptCopies = 64;
    // The copies the memo held that are kept (see KeptCopies), oldest first: counter and digest.
    struct Version
    {
        int synnum = 0;
        QString digest;
    };
    std::vector<Version> versions(const QString& userId, qint64 serverId) const;

    // Forgets every memo (a service started over on an empty store): server ids are given from 1 again.
    bool reset();
    // Everything the store holds, to be put back later as a backup would be.
    struct Backup
    {
        QList<QVariantList> memos;
        QList<QVariantList> versions;
        QVariant lastId;
    };
    Backup backup() const;
    bool restore(const Backup& saved);

private:
    // Keeps the copy of that digest among the memo's copies (see KeptCopies).
    bool addVersion(qint64 serverId, int synnum, const QString& copy);
    bool openConnection(const QString& databaseName, QString* error);
    QList<StoredMemo> select(const QString& where, const QVariantList& values) const;

    QString m_connection;
    // The statements run often, prepared once on the connection; gone before the connection closes.
    class Statements;
    std::unique_ptr<Statements> m_statements;
};

} // namespace velmo::standin
