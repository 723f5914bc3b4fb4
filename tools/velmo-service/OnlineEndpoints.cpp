#include "OnlineEndpoints.h"

#include "ServiceStandIn.h"

#include <QCommandLineParser>
#include <QFile>

namespace velmo::standin {

namespace {

const QString noticeOption = QStringLiteral("notice");
const QString noticesFileOption = QStringLiteral("notices-file");
const QString versionOption = QStringLiteral("newest-version");
const QString pageOption = QStringLiteral("update-page");

bool readNoticesFile(const QString& path, QStringList* lines, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    for (QString line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            lines->append(line);
    }
    return true;
}

} // namespace

void addOnlineEndpoints(ServiceStandIn& service)
{
    service.addEndpoint(QStringLiteral("/api/notice.txt"), [&service](const StandInRequest& request) {
        return noticeListReply(service, request);
    });
    service.addEndpoint(QStringLiteral("/api/feedback.asp"), [&service](const StandInRequest& request) {
        return feedbackReply(service, request);
    });
}

StandInReply noticeListReply(const ServiceStandIn& service, const StandInRequest&)
{
    QString text;
    for (const QString& line : service.online().noticeLines)
        text += line + QStringLiteral("\r\n");
    return StandInReply::ok(text);
}

StandInReply feedbackReply(const ServiceStandIn& service, const StandInRequest& request)
{
    if (!service.signatureAccepted(request))
        return StandInReply::ok(QStringLiteral("signerror"));
    const OnlineBoard& board = service.online();
    if (board.newestVersion.isEmpty())
        return StandInReply::ok(QStringLiteral("ok"));
    return StandInReply::ok(QStringLiteral("ok|%1|%2").arg(board.newestVersion, board.updatePage));
}

void addOnlineOptions(QCommandLineParser& parser)
{
    parser.addOption({noticeOption, QStringLiteral("A notice, id|title|link, newest first (repeatable)."),
                      QStringLiteral("line")});
    parser.addOption({noticesFileOption,
                      QStringLiteral("A file of notices, one id|title|link a line (UTF-8)."),
                      QStringLiteral("file")});
    parser.addOption({versionOption, QStringLiteral("The newest version the feedback answer names."),
                      QStringLiteral("version")});
    parser.addOption({pageOption, QStringLiteral("The page of the newest version."), QStringLiteral("url")});
}

bool applyOnlineOptions(ServiceStandIn& service, const QCommandLineParser& parser, QString* error)
{
    OnlineBoard& board = service.online();
    board.noticeLines += parser.values(noticeOption);
    for (const QString& path : parser.values(noticesFileOption)) {
        if (!readNoticesFile(path, &board.noticeLines, error))
            return false;
    }
    board.newestVersion = parser.value(versionOption);
    board.updatePage = parser.value(pageOption);
    return true;
}

} // namespace velmo::standin
