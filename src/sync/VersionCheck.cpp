#include "VersionCheck.h"

#include "controls/MessageBoxes.h"
#include "platform/DiskInfo.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "platform/UrlEncoders.h"
#include "sync/NoticeFormat.h"

#include <QList>

#include <algorithm>

namespace velmo {

namespace {

// A version text read as its numbers: "1.8.3" is {1, 8, 3}; one to four parts of at most five
// digits each. Empty when the text is not a version.
QList<int> versionParts(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() > 4)
        return {};
    QList<int> numbers;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 5 ||
            !std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return {};
        numbers.append(part.toInt());
    }
    while (numbers.size() < 4)
        numbers.append(0);
    return numbers;
}

} // namespace

VersionCheck::VersionCheck(Setup setup, QObject* parent)
    : QObject(parent)
    , m_setup(std::move(setup))
    , m_channel(new ServiceChannel(this))
{
    m_channel->setObjectName(QStringLiteral("feedbackChannel"));
    if (!m_setup.diskSerial)
        m_setup.diskSerial = [] { return GetDiskInfo(0, 2); };
}

VersionCheck::~VersionCheck() = default;

bool VersionCheck::CheckUpdate()
{
    // Nothing goes to a service the user did not choose.
    if (m_channel->StillExecuting() || !m_setup.service.problem().isEmpty())
        return false;
    const SignedTimestamp stamp = SignedTimestamp::now();
    const QUrl url =
        m_setup.service.url(QStringLiteral("/API/Feedback.asp"),
                            {{QStringLiteral("nowtime"), stamp.nowtime}, {QStringLiteral("md5"), stamp.md5}});
    ServiceRequest* request = m_channel->execute(url, pingBody(m_setup.diskSerial(), m_setup.version));
    if (!request)
        return false;
    connect(request, &ServiceRequest::finished, this, &VersionCheck::onReply);
    return true;
}

void VersionCheck::abort()
{
    m_channel->abort();
}

QString VersionCheck::pingBody(const QString& serial, const QString& version)
{
    return QStringLiteral("a=") + URLEncode(serial) + QStringLiteral("&d=") + URLEncode(version);
}

std::optional<VersionCheck::Offer> VersionCheck::parseReply(const QString& text,
                                                            const ServiceAddress& service)
{
    const QStringList fields = text.trimmed().split(QLatin1Char('|'));
    if (fields.size() < 2 || fields.at(0).trimmed() != QLatin1String("ok"))
        return std::nullopt;
    Offer offer;
    offer.version = fields.at(1).trimmed();
    if (versionParts(offer.version).isEmpty())
        return std::nullopt;
    const QString link = fields.size() > 2 ? fields.at(2).trimmed() : QString();
    offer.page = link.isEmpty() ? service.url(QStringLiteral("/")) : openablePage(link, service);
    if (!offer.page.isValid())
        return std::nullopt;
    return offer;
}

bool VersionCheck::isNewer(const QString& theirs, const QString& ours)
{
    const QList<int> their = versionParts(theirs);
    const QList<int> our = versionParts(ours);
    return !their.isEmpty() && !our.isEmpty() && our < their;
}

void VersionCheck::onReply(const ServiceReply& reply)
{
    const std::optional<Offer> offer = reply.ok() ? parseReply(reply.text, m_setup.service) : std::nullopt;
    if (offer && !m_offered && isNewer(offer->version, m_setup.version)) {
        m_offered = true;
        const QUrl page = offer->page;
        m_setup.boxes.ask(m_setup.window,
                          QStringLiteral("发现新版本 %1,是否打开下载页面?").arg(offer->version),
                          QStringLiteral("版本更新"), [openUrl = m_setup.openUrl, page](bool yes) {
                              if (yes)
                                  openUrl(page);
                          });
    }
    emit checked();
}

} // namespace velmo
