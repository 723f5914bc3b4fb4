#include "MemoStore.h"

#include "ServiceStandIn.h"

namespace velmo::standin {

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
}

MemoStore* MemoStore::of(ServiceStandIn& service)
{
    return service.findChild<MemoStore*>(QString(), Qt::FindDirectChildrenOnly);
}

std::optional<StoredMemo> MemoStore::memo(const QString& userId, qint64 serverId) const
{
    const auto it = m_memos.constFind(serverId);
    if (it == m_memos.constEnd() || it->userId != userId)
        return std::nullopt;
    return *it;
}

QList<StoredMemo> MemoStore::allMemos(const QString& userId) const
{
    QList<StoredMemo> result;
    for (const qint64 id : m_byUser.value(userId))
        result.append(m_memos[id]);
    return result;
}

QList<StoredMemo> MemoStore::liveMemos(const QString& userId) const
{
    QList<StoredMemo> result = allMemos(userId);
    result.removeIf([](const StoredMemo& memo) { return memo.deleted; });
    return result;
}

qint64 MemoStore::add(const QString& userId, const QStringList& fields, int synnum)
{
    StoredMemo memo;
    memo.serverId = ++m_lastServerId;
    memo.userId = userId;
    memo.fields = fields;
    memo.synnum = synnum;
    m_memos.insert(memo.serverId, memo);
    m_byUser[userId].append(memo.serverId);
    return memo.serverId;
}

void MemoStore::update(const StoredMemo& memo)
{
    if (m_memos.contains(memo.serverId))
        m_memos[memo.serverId] = memo;
}

void MemoStore::markDeleted(const QString& userId, qint64 serverId)
{
    const auto it = m_memos.find(serverId);
    if (it != m_memos.end() && it->userId == userId)
        it->deleted = true;
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
