#pragma once

// The memos the stand-in service keeps, per account, in memory: each under a server id with its
// change counter and its 22 wire fields. A deleted memo stays as a mark, so that a later upload of
// it is answered as deleted.

#include "AccountStore.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace velmo::standin {

class ServiceStandIn;

class MemoStore : public QObject
{
    Q_OBJECT

public:
    // The wire names of the 22 fields, in record order (the form key of DiySound is "diysound").
    static const QStringList& fieldKeys();
    static constexpr int SynnumField = 20;
    // Between the fields of a record, and before the server id that follows a downloaded one.
    static inline const QString FieldSeparator = QStringLiteral("(#f!g#)");

    explicit MemoStore(QObject* parent = nullptr);

    // The store the service's endpoints use; nullptr before addSyncEndpoints().
    static MemoStore* of(ServiceStandIn& service);

    // The user's memo of that server id, deleted ones included.
    std::optional<StoredMemo> memo(const QString& userId, qint64 serverId) const;
    // The user's memos, oldest first: all of them, deleted ones included, or those not deleted.
    QList<StoredMemo> allMemos(const QString& userId) const;
    QList<StoredMemo> liveMemos(const QString& userId) const;
    // Stores a new memo under a fresh server id and returns it.
    qint64 add(const QString& userId, const QStringList& fields, int synnum);
    void update(const StoredMemo& memo);
    void markDeleted(const QString& userId, qint64 serverId);

    // The record the service sends: the fields joined by FieldSeparator, the counter in its place.
    static QString recordText(const StoredMemo& memo);

private:
    QHash<qint64, StoredMemo> m_memos;
    QHash<QString, QList<qint64>> m_byUser;
    qint64 m_lastServerId = 0;
};

} // namespace velmo::standin
