#pragma once

// The synchronisation endpoints of the stand-in, over its memo store:
//   GET  /Api/id.asp?userid=&pass=&md5=&nowtime=&after= a page of the account's memo ids and counters
//   GET  /api/download.asp?id=&nowtime=&md5=&userid=    one memo
//   POST /api/Syn.asp?nowtime=&md5=&userid=&yibu=       one memo up (form body of 25 pairs)
// docs/service-protocol.md gives every request and reply.

#include "StandInRequest.h"

namespace velmo::standin {

class MemoStore;
class ServiceStandIn;

// How /Api/id.asp lists an account's memos.
struct ListShape
{
    static constexpr int DefaultPageSize = 20000;
    // Entries a page at most.
    int pageSize = DefaultPageSize;
    // The list of a service that knows neither tokens, digests nor pages: "<id>:<synnum>[:d],..." whole,
    // in a reply of five fields (what a service of the previous version answers).
    bool plain = false;
};

// Gives the service a memo store (MemoStore::of finds it) and installs the three endpoints.
void addSyncEndpoints(ServiceStandIn& service);

StandInReply idListReply(const ServiceStandIn& service, const MemoStore& store,
                         const StandInRequest& request);
StandInReply downloadReply(const ServiceStandIn& service, const MemoStore& store,
                           const StandInRequest& request);
StandInReply synReply(const ServiceStandIn& service, MemoStore& store, const StandInRequest& request);

} // namespace velmo::standin
