#pragma once

// The service's notices on show in the main window: up to five unread ones, one at a time in the
// notice menu item, turned every few seconds; downloading new ones; opening one.
//
//   velmo::NoticeBoard notices(db, serviceAddress, openUrl);
//   connect(&notices, &velmo::NoticeBoard::changed, window, [&] {
//       label5->setVisible(notices.NoticeShown());
//       menuItem->setVisible(notices.NoticeShown());
//       menuItem->setText(notices.caption());
//   });
//   notices.ReadNotice();          // the unread notices from the table
//   notices.DownNotice();          // fetches the list, stores what is new, then ReadNotice()
//   notices.rotate();              // the next notice on show
//   notices.Menu_Gonggao_Click();  // marks the one on show read and opens its page
//
// The download goes through a transfer channel of its own, one request at a time. A download
// that fails, or whose reply is no notice list, changes neither the table nor what is on show.

#include "platform/ServiceAddress.h"
#include "store/NoticeRows.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

namespace velmo {

class Database;
class ServiceChannel;
struct ServiceReply;

class NoticeBoard : public QObject
{
    Q_OBJECT

public:
    // openUrl hands a page to the browser; the caller keeps the database open while this lives.
    NoticeBoard(Database& db, ServiceAddress service, std::function<void(const QUrl&)> openUrl,
                QObject* parent = nullptr);
    ~NoticeBoard() override;

    // Reads the newest unread notices (at most five) and shows the first; without any, nothing is
    // on show. A failed read leaves what is on show.
    void ReadNotice();
    // Starts the download of the service's notice list. False when one is still running (nothing
    // is sent then).
    bool DownNotice();
    // Ends a running download; nothing is stored.
    void abort();

    // The next notice on show, after the last the first again; nothing while none is on show.
    void rotate();
    // Marks the notice on show read and opens its page when the link may be opened.
    void Menu_Gonggao_Click();

    bool NoticeShown() const { return !m_notices.isEmpty(); }
    int NoticeCount() const { return static_cast<int>(m_notices.size()); }
    // The menu item's caption: "公告(&G):" and the title, "[未读]" after it while unread; the
    // bare "公告(&G):" while nothing is on show.
    QString caption() const;

signals:
    // What is on show changed: the notice, its read mark, or whether any is shown.
    void changed();
    // A download ended: ok when the list was read and what was new is stored.
    void downloadFinished(bool ok);

private:
    void onReply(const ServiceReply& reply);
    bool store(const ServiceReply& reply);

    Database& m_db;
    ServiceAddress m_service;
    std::function<void(const QUrl&)> m_openUrl;
    ServiceChannel* m_channel;
    int m_index = 0; // the notice on show, 1 to NoticeCount(); 0 while none is
    QList<NoticeRow> m_notices;
};

} // namespace velmo
