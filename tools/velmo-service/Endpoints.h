#pragma once

// The service's endpoints, each a function from request to reply over the stand-in's state.

#include "StandInRequest.h"

namespace velmo::standin {

class ServiceStandIn;

// Installs every endpoint below on the stand-in.
void addServiceEndpoints(ServiceStandIn& service);

// GET /Api/login.asp?user=&pass=&md5=&nowtime=: "error", or "ok|<mailbox flag>|<proof>".
StandInReply loginReply(const ServiceStandIn& service, const StandInRequest& request);

// GET /mailRecord.asp: the page where a user binds a mailbox (here: how the stand-in binds one).
QString mailRecordPage();

} // namespace velmo::standin
