#include "Endpoints.h"

#include "OnlineEndpoints.h"
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
    service.addEndpoint(QStringLiteral("/mailrecord.asp"),
                        [](const StandInRequest&) { return StandInReply::ok(mailRecordPage()); });
    addOnlineEndpoints(service);
    addSyncEndpoints(service);
}

QString mailRecordPage()
{
    return QStringLiteral(
        "<html><head><title>绑定邮件提醒</title></head><body>"
        "<h1>绑定邮件提醒</h1>"
        "<p>这是本地测试服务: 账号的信箱在服务端设置 (velmo-service 的 --mailbox 选项或测试代码)。</p>"
        "<p>绑定后回到程序的“绑定激活邮件提醒功能”窗口, 登陆一次即可。</p>"
        "</body></html>");
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
