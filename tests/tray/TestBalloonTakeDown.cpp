#include "TestMain.h"

#include "tray/TrayBackend.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

using namespace velmo;

namespace {

// A desktop notification service that writes down what it is asked.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    int shown = 0;
    QList<uint> closed;

public slots:
    uint Notify(const QString&, uint replaces, const QString&, const QString&, const QString&,
                const QStringList&, const QVariantMap&, int)
    {
        return replaces != 0 ? replaces : uint(++shown);
    }
    void CloseNotification(uint id) { closed << id; }
};

} // namespace

// A balloon sent as a desktop notification is taken down by its id. Needs a session bus: run under
// dbus-run-session; skipped without one.
class TestBalloonTakeDown : public QObject
{
    Q_OBJECT

private slots:
    void hideClosesTheNotification()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            QSKIP("no session bus");
        FakeNotifications service;
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                   QDBusConnection::ExportAllSlots));
        if (!bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
            QSKIP("another notification service runs on this bus");

        const std::unique_ptr<TrayBackend> backend = createSystemTrayBackend();
        backend->showMessage(QStringLiteral("Velmo"), QStringLiteral("到期"),
                             TrayBackend::BalloonIcon::Information, 5000);
        backend->hideMessage(); // before the id came back: closed once it does
        QTRY_COMPARE(service.closed, QList<uint>{1});
    }
};

VELMO_TEST_MAIN(TestBalloonTakeDown)
#include "TestBalloonTakeDown.moc"
