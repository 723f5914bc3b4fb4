#include "TrayBackend.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

namespace velmo {

namespace {

const QString kNotifyService = QStringLiteral("org.freedesktop.Notifications");
const QString kNotifyPath = QStringLiteral("/org/freedesktop/Notifications");

// Balloons as desktop notifications on the session bus, which, unlike the status icon's own
// messages, can be taken down again: each one's id is kept for CloseNotification.
class DesktopNotifications : public QObject
{
    Q_OBJECT

public:
    static bool isAvailable()
    {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kNotifyService);
    }

    DesktopNotifications()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.connect(kNotifyService, kNotifyPath, kNotifyService, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(kNotifyService, kNotifyPath, kNotifyService, QStringLiteral("NotificationClosed"), this,
                    SLOT(notificationClosed(uint, uint)));
    }

    void show(const QString& title, const QString& text, const QString& iconName, int timeoutMs)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kNotifyService, kNotifyPath, kNotifyService,
                                                           QStringLiteral("Notify"));
        // A new balloon replaces the one still showing.
        call << QCoreApplication::applicationName() << m_id << iconName << title << text
             << QStringList{QStringLiteral("default"), QString()} << QVariantMap() << qint32(timeoutMs);
        m_pendingClose = false;
        auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            const QDBusPendingReply<uint> reply = *done;
            if (reply.isError())
                return;
            m_id = reply.value();
            // Taken down before its id came back: close it now.
            if (m_pendingClose)
                close();
        });
    }

    void close()
    {
        if (m_id == 0) {
            m_pendingClose = true;
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(kNotifyService, kNotifyPath, kNotifyService,
                                                           QStringLiteral("CloseNotification"));
        call << m_id;
        QDBusConnection::sessionBus().asyncCall(call);
        m_id = 0;
        m_pendingClose = false;
    }

signals:
    void clicked();

private slots:
    void actionInvoked(uint id, const QString& action)
    {
        if (id != 0 && id == m_id && action == QLatin1String("default"))
            emit clicked();
    }

    void notificationClosed(uint id, uint)
    {
        if (id == m_id)
            m_id = 0;
    }

private:
    uint m_id = 0;
    bool m_pendingClose = false;
};

// The tray icon on the desktop's own status-icon service.
class SystemTrayBackend : public TrayBackend
{
public:
    SystemTrayBackend()
    {
        connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                emit leftClicked();
            else if (reason == QSystemTrayIcon::Context && m_menu.isNull())
                emit rightClicked();
        });
        connect(&m_icon, &QSystemTrayIcon::messageClicked, this, &TrayBackend::messageClicked);
    }

    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void show(const QIcon& icon, const QString& tip) override
    {
        m_icon.setIcon(icon);
        m_icon.setToolTip(tip);
        m_icon.show();
    }

    void hide() override { m_icon.hide(); }
    void setIcon(const QIcon& icon) override { m_icon.setIcon(icon); }
    void setToolTip(const QString& tip) override { m_icon.setToolTip(tip); }

    void showMessage(const QString& title, const QString& text, BalloonIcon icon, int timeoutMs) override
    {
        // The bus is asked once: its answer is a round trip that waits on the window thread.
        if (!m_notificationsChecked) {
            m_notificationsChecked = true;
            if (DesktopNotifications::isAvailable()) {
                m_notifications = std::make_unique<DesktopNotifications>();
                connect(m_notifications.get(), &DesktopNotifications::clicked, this,
                        &TrayBackend::messageClicked);
            }
        }
        if (m_notifications)
            m_notifications->show(title, text, iconName(icon), timeoutMs);
        else
            m_icon.showMessage(title, text, toMessageIcon(icon), timeoutMs);
    }

    // A desktop notification is closed by its id. Without a notification service the status icon
    // draws its own balloon, which an empty message takes down.
    void hideMessage() override
    {
        if (m_notifications)
            m_notifications->close();
        else
            m_icon.showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);
    }

    void setContextMenu(QMenu* menu) override
    {
        m_menu = menu;
        m_icon.setContextMenu(menu);
    }

private:
    static QString iconName(BalloonIcon icon)
    {
        switch (icon) {
        case BalloonIcon::Information:
            return QStringLiteral("dialog-information");
        case BalloonIcon::Warning:
            return QStringLiteral("dialog-warning");
        case BalloonIcon::Critical:
            return QStringLiteral("dialog-error");
        case BalloonIcon::None:
            break;
        }
        return QString();
    }

    static QSystemTrayIcon::MessageIcon toMessageIcon(BalloonIcon icon)
    {
        switch (icon) {
        case BalloonIcon::Information:
            return QSystemTrayIcon::Information;
        case BalloonIcon::Warning:
            return QSystemTrayIcon::Warning;
        case BalloonIcon::Critical:
            return QSystemTrayIcon::Critical;
        case BalloonIcon::None:
            break;
        }
        return QSystemTrayIcon::NoIcon;
    }

    QSystemTrayIcon m_icon;
    QPointer<QMenu> m_menu;
    std::unique_ptr<DesktopNotifications> m_notifications;
    bool m_notificationsChecked = false;
};

} // namespace

std::unique_ptr<TrayBackend> createSystemTrayBackend()
{
    return std::make_unique<SystemTrayBackend>();
}

} // namespace velmo

#include "SystemTrayBackend.moc"
