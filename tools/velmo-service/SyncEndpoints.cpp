#include "SyncEndpoints.h"

#include "MemoStore.h"
#include "ServiceStandIn.h"

#include "platform/AccountName.h"
#include "platform/Clock.h"
#include "platform/RequestSignature.h"

#include <algorithm>
#include <charconv>

namespace velmo::standin {

namespace {

const QString badSignatureText = QStringLiteral("signerror");
// The list names the start of each copy's digest: enough to tell two copies apart.
constexpr int ListedDigestLength = 8;

// The account a request names: "userid" (the client's key), else "user".
QString accountOf(const StandInRequest& request)
{
    const QString userId = request.queryValue(QStringLiteral("userid"));
    return userId.isEmpty() ? request.queryValue(QStringLiteral("user")) : userId;
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

// A reply written piece by piece into one buffer, grown seldom: no text is made per piece.
class ReplyText
{
public:
    explicit ReplyText(qsizetype capacity) { reserve(capacity); }

    // Room for at least this many more characters.
    void reserve(qsizetype more)
    {
        if (m_used + more <= m_text.size())
            return;
        m_text.resize(std::max(m_text.size() * 2, m_used + more));
        m_data = reinterpret_cast<char16_t*>(m_text.data());
    }
    void append(char16_t c)
    {
        reserve(1);
        m_data[m_used++] = c;
    }
    void append(QStringView text)
    {
        reserve(text.size());
        std::copy(text.utf16(), text.utf16() + text.size(), m_data + m_used);
        m_used += text.size();
    }
    void appendNumber(qint64 value)
    {
        char digits[24];
        const char* end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
        reserve(end - digits);
        for (const char* digit = digits; digit != end; ++digit)
            m_data[m_used++] = char16_t(*digit);
    }
    QString take()
    {
        m_text.truncate(m_used);
        return std::move(m_text);
    }

private:
    QString m_text;
    char16_t* m_data = nullptr;
    qsizetype m_used = 0;
};

StandInReply conflict(const StoredMemo& stored)
{
    return StandInReply::ok(QStringLiteral("#adok#|error|%1|").arg(stored.serverId) +
                            MemoStore::recordText(stored));
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
    if (!service.signatureAccepted(request))
        return StandInReply::ok(badSignatureText);
    const std::optional<Account> account = service.accounts().account(accountOf(request));
    if (!account ||
        !service.accounts().checkPassword(account->userId, request.queryValue(QStringLiteral("pass"))))
        return StandInReply::ok(QStringLiteral("error"));
    const QString& user = account->userId;
    const ListShape& shape = service.listShape();
    const qint64 after = std::max<qint64>(0, number(request.queryValue(QStringLiteral("after"))));
    // Deleted memos are listed with their mark, so that the user's other computers let them go. A
    // page's last entry is left out when it is one past the page: it only tells that more follow.
    ReplyText reply(qsizetype(std::min(shape.plain ? 1000 : shape.pageSize, ListShape::DefaultPageSize)) *
                    32);
    reply.append(u"ok|");
    reply.append(account->mailboxBound ? u"1|" : u"0|");
    reply.append(ServerProof(request.queryValue(QStringLiteral("pass"))));
    reply.append(u'|');
    reply.append(Clock::currentDateTime().toString(QStringLiteral("yyyy-M-d H:mm:ss")));
    reply.append(u'|');
    qsizetype written = 0;
    qint64 last = 0;
    qint64 next = 0;
    const bool read =
        store.eachListed(user, shape.plain ? 0 : after, shape.plain ? -1 : qsizetype(shape.pageSize) + 1,
                         [&](const MemoStore::Listed& memo) {
                             if (!shape.plain && written == shape.pageSize) {
                                 next = last;
                                 return;
                             }
                             if (written++ > 0)
                                 reply.append(u',');
                             reply.appendNumber(memo.serverId);
                             reply.append(u':');
                             reply.appendNumber(memo.synnum);
                             if (memo.deleted)
                                 reply.append(u":d");
                             if (!shape.plain) {
                                 reply.append(u':');
                                 reply.append(memo.token);
                                 reply.append(u':');
                                 reply.append(memo.digest.left(ListedDigestLength));
                             }
                             last = memo.serverId;
                         });
    // A list that could not be read is no list at all: the pass fails rather than take it for empty.
    if (!read)
        return StandInReply{500, QStringLiteral("Internal Server Error")};
    if (!shape.plain) {
        reply.append(u'|');
        reply.appendNumber(next);
    }
    return StandInReply::ok(reply.take());
}

StandInReply downloadReply(const ServiceStandIn& service, const MemoStore& store,
                           const StandInRequest& request)
{
    // The request carries no password: the signature and the account's name are all it has.
    if (!service.signatureAccepted(request))
        return StandInReply::ok(badSignatureText);
    // Memos are kept under the account's own spelling, whatever letter case the request names it in.
    const std::optional<Account> account = service.accounts().account(accountOf(request));
    if (!account)
        return StandInReply::ok(QStringLiteral("error"));
    const QString& user = account->userId;
    const std::optional<StoredMemo> memo = store.memo(user, number(request.queryValue(QStringLiteral("id"))));
    if (!memo)
        return StandInReply::ok(QStringLiteral("ok|"));
    // A deleted memo comes with its last copy, so that a computer can tell whether that was its own.
    QStringList versions;
    for (const MemoStore::Version& version : store.versions(user, memo->serverId))
        versions << QString::number(version.synnum) + QLatin1Char(':') + version.digest;
    return StandInReply::ok(QStringLiteral("ok|") + MemoStore::recordText(*memo) + MemoStore::FieldSeparator +
                            QString::number(memo->serverId) + MemoStore::FieldSeparator +
                            (memo->deleted ? QStringLiteral("d") : QString()) + MemoStore::FieldSeparator +
                            memo->token + MemoStore::FieldSeparator + versions.join(QLatin1Char(',')));
}

StandInReply synReply(const ServiceStandIn& service, MemoStore& store, const StandInRequest& request)
{
    if (!service.signatureAccepted(request))
        return StandInReply::ok(badSignatureText);
    const std::optional<Account> account =
        service.accounts().account(request.queryValue(QStringLiteral("userid")));
    if (!account)
        return StandInReply::ok(QStringLiteral("error"));
    const QString& user = account->userId;

    QStringList fields;
    for (const QString& key : MemoStore::fieldKeys())
        fields << request.formValue(key);
    // The record names its owner as the posting computer spells it (the account may have been signed in
    // to in another letter case there), so that the digest of what it posted is the copy's.
    fields[1] = request.queryValue(QStringLiteral("userid"));
    const QString localId = request.formValue(QStringLiteral("LocalId")).trimmed();
    const int synnum = static_cast<int>(number(request.formValue(QStringLiteral("synnum"))));
    const bool deleting = isTrue(request.formValue(QStringLiteral("del")));
    const qint64 serverId = number(request.formValue(QStringLiteral("id")));
    const std::optional<StoredMemo> stored = serverId > 0 ? store.memo(user, serverId) : std::nullopt;

    // A post that names the token of another memo was made for that memo: the service started over,
    // or was put back, and gave the server id out again since.
    const QString token = request.formValue(QStringLiteral("token")).trimmed();
    if (stored && !token.isEmpty() && token != stored->token)
        return conflict(*stored);
    const bool settles = isTrue(request.queryValue(QStringLiteral("yibu")));
    // Whether the post carries the stored copy's fields, whatever its counter.
    const auto carriesStoredCopy = [&fields, &stored] {
        QStringList storedFields = stored->fields;
        storedFields[MemoStore::SynnumField].clear();
        storedFields[1] = foldedAccountName(storedFields[1]);
        QStringList postedFields = fields;
        postedFields[MemoStore::SynnumField].clear();
        postedFields[1] = foldedAccountName(postedFields[1]);
        return postedFields == storedFields;
    };
    if (stored && !stored->deleted) {
        // A post must carry a counter above the stored one: one that is not was made without
        // having seen the stored copy, unless it carries that very copy or settles a conflict.
        // A deletion names the copy it deletes: one of another copy was made without having seen this
        // one (a request that arrived late, or after its server id was given to another memo).
        const bool same = carriesStoredCopy();
        const bool changedElsewhere = synnum < stored->synnum ||
                                      (synnum == stored->synnum && (deleting || !same)) ||
                                      (deleting && !same);
        if (changedElsewhere && !settles)
            return conflict(*stored);
    }
    if (stored && stored->deleted && !deleting && !settles) {
        // A change brings a deleted memo back only when it was made on the copy that was deleted or a
        // later one. One whose counter is not above that copy's was made without having seen it, or is
        // that very copy again: a request that arrived late, after a later change of its computer went
        // up and was deleted, or the deleted copy itself sent once more, must not bring it back.
        const std::vector<MemoStore::Version> versions = store.versions(user, stored->serverId);
        const int deletedCopy = versions.empty() ? 0 : versions.back().synnum;
        if (synnum <= deletedCopy)
            return conflict(*stored);
    }
    if (deleting) {
        if (stored && !stored->deleted && !store.markDeleted(user, stored->serverId, synnum))
            return StandInReply{500, QStringLiteral("Internal Server Error")};
        return StandInReply::ok(QStringLiteral("#delo#|ok|%1").arg(stored ? stored->serverId : 0));
    }
    if (!stored) {
        // New here (or another account's id): kept as a new memo.
        const qint64 added = store.add(user, fields, synnum);
        if (added == 0)
            return StandInReply{500, QStringLiteral("Internal Server Error")};
        return StandInReply::ok(QStringLiteral("#adok#|ok|%1|%2").arg(added).arg(localId));
    }
    // A change of a memo deleted meanwhile by another device brings it back under its own id (an edit
    // wins over a deletion), so that every device that holds it sees it come back, and a second
    // device's change of it meets the first in its conflict windows. Its counter goes above the
    // deletion's: the service never changes a memo without raising its counter.
    StoredMemo updated = *stored;
    updated.fields = fields;
    updated.synnum =
        stored->deleted ? std::max(synnum, stored->synnum + 1) : std::max(synnum, stored->synnum);
    updated.deleted = false;
    if (!store.update(updated))
        return StandInReply{500, QStringLiteral("Internal Server Error")};
    return StandInReply::ok(QStringLiteral("#adok#|ok|%1|%2").arg(stored->serverId).arg(localId));
}

} // namespace velmo::standin
