#include "NoticeBoard.h"

#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "store/Database.h"
#include "sync/NoticeFormat.h"

#include <QDebug>

#include <algorithm>

namespace velmo {

NoticeBoard::NoticeBoard(Database& db, ServiceAddress service, std::function<void(const QUrl&)> openUrl,
                         QObject* parent)
    : QObject(parent)
    , m_db(db)
    , m_service(std::move(service))
    , m_openUrl(std::move(openUrl))
    , m_channel(new ServiceChannel(this))
{
    m_channel->setObjectName(QStringLiteral("noticeChannel"));
}

NoticeBoard::~NoticeBoard() = default;

void NoticeBoard::ReadNotice()
{
    const StoreRead<std::vector<NoticeRow>> read = NoticeRows(m_db).unread();
    if (!read.ok) {
        qWarning("notices: cannot read the table: %s", qPrintable(read.error));
        return;
    }
    m_notices = QList<NoticeRow>(read.value.begin(), read.value.end());
    m_index = m_notices.isEmpty() ? 0 : 1;
    emit changed();
}

bool NoticeBoard::DownNotice()
{
    // Nothing goes to a service the user did not choose; the notices on show stay.
    if (!m_service.problem().isEmpty())
        return false;
    const QUrl url =
        m_service.url(QStringLiteral("/Api/Notice.txt"), {{QStringLiteral("nowtime"), GetNowNumber()}});
    ServiceRequest* request = m_channel->openUrl(url);
    if (!request)
        return false;
    connect(request, &ServiceRequest::finished, this, &NoticeBoard::onReply);
    return true;
}

void NoticeBoard::abort()
{
    m_channel->abort();
}

void NoticeBoard::onReply(const ServiceReply& reply)
{
    const bool stored = store(reply);
    if (stored)
        ReadNotice();
    emit downloadFinished(stored);
}

bool NoticeBoard::store(const ServiceReply& reply)
{
    if (!reply.ok()) {
        qWarning("notices: no list from the service: %s", qPrintable(reply.errorString));
        return false;
    }
    std::optional<QList<NoticeEntry>> list = parseNoticeList(reply.text);
    if (!list) {
        qWarning("notices: the service's reply is no notice list");
        return false;
    }
    // The list comes newest first; the newest is stored last, so that it gets the highest id.
    std::reverse(list->begin(), list->end());
    const StoreResult added = NoticeRows(m_db).addMissing(*list);
    if (!added.ok) {
        qWarning("notices: cannot store the new notices: %s", qPrintable(added.error));
        return false;
    }
    return true;
}

void NoticeBoard::rotate()
{
    if (!NoticeShown())
        return;
    m_index = m_index + 1 > NoticeCount() ? 1 : m_index + 1;
    emit changed();
}

void NoticeBoard::Menu_Gonggao_Click()
{
    if (!NoticeShown())
        return;
    NoticeRow& notice = m_notices[m_index - 1];
    const StoreResult marked = NoticeRows(m_db).markRead(notice.id);
    if (marked.ok) {
        notice.haveRead = true;
        emit changed();
    } else {
        qWarning("notices: cannot mark the notice read: %s", qPrintable(marked.error));
    }
    const QUrl page = openablePage(notice.entry.url, m_service);
    if (page.isValid())
        m_openUrl(page);
    else if (!notice.entry.url.trimmed().isEmpty())
        qWarning("notices: the link \"%s\" is not a web page; not opened", qPrintable(notice.entry.url));
}

QString NoticeBoard::caption() const
{
    QString text = QStringLiteral("公告(&G):");
    if (!NoticeShown())
        return text;
    const NoticeRow& notice = m_notices.at(m_index - 1);
    text += menuLiteral(notice.entry.title);
    if (!notice.haveRead)
        text += QStringLiteral("[未读]");
    return text;
}

} // namespace velmo
