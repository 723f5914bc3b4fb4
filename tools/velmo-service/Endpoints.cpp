#include "Endpoints.h"

#include "ServiceStandIn.h"
#include "SyncEndpoints.h"

#include "platform/RequestSignature.h"

namespace velmo::standin {

namespace {

// What the stand-in answers to a request whose signature does not hold. The client takes any text
// that is neither "ok…" nor "error…" as a failure of the service.
const QString badSignatureText = QStringLiteral("signerror");

} // namespace

void addServiceEndpoints(ServiceStandIn& service)
{
    service.addEndpoint(QStringLiteral("/api/login.asp"),
                        [&service](const StandInRequest& request) { return loginReply(service, request); });
    addSyncEndpoints(service);
}

StandInReply loginReply(const ServiceStandIn& service, const StandInRequest& request)
{
    if (!service.signatureAccepted(request))
        return StandInReply::ok(badSignatureText);
    const QString user = request.queryValue(QStringLiteral("user"));
    const QString passHash = request.queryValue(QStringLiteral("pass"));
    if (!service.accounts().checkPassword(user, passHash))
        return StandInReply::ok(QStringLiteral("error"));
    const bool mailbox = service.accounts().account(user)->mailboxBound;
    return StandInReply::ok(QStringLiteral("ok|%1|%2").arg(mailbox ? 1 : 0).arg(ServerProof(passHash)));
}

} // namespace velmo::standin
