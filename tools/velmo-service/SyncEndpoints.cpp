#include "SyncEndpoints.h"

#include "MemoStore.h"
#include "ServiceStandIn.h"

#include "platform/Clock.h"
#include "platform/RequestSignature.h"

namespace velmo::standin {

namespace {

const QString badSignatureText = QStringLiteral("signerror");
const QString recordSeparator = QStringLiteral("(#r!n#)");

// The signed account check the two GET endpoints share; empty when the request passes.
std::optional<StandInReply> refusal(const ServiceStandIn& service, const StandInRequest& request)
{
    if (!service.signatureAccepted(request))
        return StandInReply::ok(badSignatureText);
    if (!service.accounts().checkPassword(request.queryValue(QStringLiteral("user")),
                                          request.queryValue(QStringLiteral("pass"))))
        return StandInReply::ok(QStringLiteral("error"));
    return std::nullopt;
}

qint64 number(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : 0;
}

bool isTrue(const QString& text)
{
    return text.trimmed().compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

} // namespace

void addSyncEndpoints(ServiceStandIn& service)
{
    auto* store = new MemoStore(&service);
    service.addEndpoint(QStringLiteral("/api/id.asp"), [&service, store](const StandInRequest& request) {
        return idListReply(service, *store, request);
    });
    service.addEndpoint(
        QStringLiteral("/api/download.asp"),
        [&service, store](const StandInRequest& request) { return downloadReply(service, *store, request); });
    service.addEndpoint(QStringLiteral("/api/syn.asp"), [&service, store](const StandInRequest& request) {
        return synReply(service, *store, request);
    });
}

StandInReply idListReply(const ServiceStandIn& service, const MemoStore& store, const StandInRequest& request)
{
    if (const auto refused = refusal(service, request))
        return *refused;
    const QString user = request.queryValue(QStringLiteral("user"));
    QStringList entries;
    // Deleted memos are listed with their mark, so that the user's other computers let them go.
    for (const StoredMemo& memo : store.allMemos(user))
        entries << QStringLiteral("%1:%2%3")
                       .arg(memo.serverId)
                       .arg(memo.synnum)
                       .arg(memo.deleted ? QStringLiteral(":d") : QString());
    const bool mailbox = service.accounts().account(user)->mailboxBound;
    return StandInReply::ok(QStringLiteral("ok|%1|%2|%3|%4")
                                .arg(mailbox ? 1 : 0)
                                .arg(ServerProof(request.queryValue(QStringLiteral("pass"))),
                                     Clock::currentDateTime().toString(QStringLiteral("yyyy-M-d H:mm:ss")),
                                     entries.join(QLatin1Char(','))));
}

StandInReply downloadReply(const ServiceStandIn& service, const MemoStore& store,
                           const StandInRequest& request)
{
    if (const auto refused = refusal(service, request))
        return *refused;
    const QString user = request.queryValue(QStringLiteral("user"));
    QStringList records;
    for (const QString& id :
         request.queryValue(QStringLiteral("id")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<StoredMemo> memo = store.memo(user, number(id));
        if (memo && !memo->deleted)
            records << MemoStore::recordText(*memo) + MemoStore::FieldSeparator +
                           QString::number(memo->serverId);
    }
    return StandInReply::ok(QStringLiteral("ok|%1|").arg(records.size()) + records.join(recordSeparator));
}

StandInReply synReply(const ServiceStandIn& service, MemoStore& store, const StandInRequest& request)
{
    if (!service.signatureAccepted(request))
        return StandInReply::ok(badSignatureText);
    const QString user = request.queryValue(QStringLiteral("userid"));
    if (!service.accounts().account(user))
        return StandInReply::ok(QStringLiteral("error"));

    QStringList fields;
    for (const QString& key : MemoStore::fieldKeys())
        fields << request.formValue(key);
    fields[1] = user;
    const QString localId = request.formValue(QStringLiteral("LocalId")).trimmed();
    const int synnum = static_cast<int>(number(request.formValue(QStringLiteral("synnum"))));
    const bool deleting = isTrue(request.formValue(QStringLiteral("del")));
    const qint64 serverId = number(request.formValue(QStringLiteral("id")));
    const std::optional<StoredMemo> stored = serverId > 0 ? store.memo(user, serverId) : std::nullopt;

    if (deleting) {
        if (stored)
            store.markDeleted(user, stored->serverId);
        return StandInReply::ok(QStringLiteral("#delo#|ok|%1").arg(stored ? stored->serverId : 0));
    }
    if (!stored || stored->deleted) {
        // New here, or deleted meanwhile by another device: kept as a new memo, nothing is lost.
        const qint64 added = store.add(user, fields, synnum);
        return StandInReply::ok(QStringLiteral("#adok#|ok|%1|%2").arg(added).arg(localId));
    }
    const bool settled = isTrue(request.queryValue(QStringLiteral("yibu")));
    QStringList storedFields = stored->fields;
    storedFields[MemoStore::SynnumField] = QString::number(stored->synnum);
    QStringList postedFields = fields;
    postedFields[MemoStore::SynnumField] = QString::number(stored->synnum);
    const bool changedElsewhere =
        synnum < stored->synnum || (synnum == stored->synnum && postedFields != storedFields);
    if (changedElsewhere && !settled)
        return StandInReply::ok(QStringLiteral("#adok#|error|%1|").arg(stored->serverId) +
                                MemoStore::recordText(*stored));
    StoredMemo updated = *stored;
    updated.fields = fields;
    updated.synnum = std::max(synnum, stored->synnum);
    store.update(updated);
    return StandInReply::ok(QStringLiteral("#adok#|ok|%1|%2").arg(stored->serverId).arg(localId));
}

} // namespace velmo::standin
