#pragma once

// The stand-in's online services: the notice list at /Api/Notice.txt and the feedback ping with
// the newest version at /API/Feedback.asp, and the command-line options that fill them.
//
//   service.online().noticeLines = {"12|新功能上线|http://example.com/read.asp?id=12"};
//   service.online().newestVersion = "1.9.0";
//   service.online().updatePage = "/download.asp";

#include "StandInRequest.h"

#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace velmo::standin {

class ServiceStandIn;

struct OnlineBoard
{
    // The notice list's lines as served, newest first: "<id>|<title>|<link>".
    QStringList noticeLines;
    // The version the feedback answer names; empty: the answer names none.
    QString newestVersion;
    // The page of that version; empty: the answer leaves it out.
    QString updatePage;
};

// Installs the two endpoints on the stand-in.
void addOnlineEndpoints(ServiceStandIn& service);

// GET /Api/Notice.txt?nowtime=: the notice lines, each ended by CR LF.
StandInReply noticeListReply(const ServiceStandIn& service, const StandInRequest& request);
// POST /API/Feedback.asp?nowtime=&md5= with the body a=&d=: "ok" or "ok|<version>|<page>".
StandInReply feedbackReply(const ServiceStandIn& service, const StandInRequest& request);

// --notice LINE, --notices-file FILE, --newest-version VERSION, --update-page URL.
void addOnlineOptions(QCommandLineParser& parser);
bool applyOnlineOptions(ServiceStandIn& service, const QCommandLineParser& parser, QString* error);

} // namespace velmo::standin
