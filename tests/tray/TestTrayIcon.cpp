#include "FakeTray.h"
#include "TestMain.h"

#include "tray/TrayIcon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QSignalSpy>
#include <QWidget>

using namespace velmo;
using test::FakeTrayBackend;

namespace {

// The tray icon over a fake desktop, with a sign-in window, a main window and a file menu.
struct Rig
{
    FakeTrayBackend* backend = new FakeTrayBackend;
    TrayIcon tray{std::unique_ptr<TrayBackend>(backend), test::colouredTrayPictures()};
    QWidget signInWindow;
    QWidget mainWindow;
    QMenu fileMenu;
    bool signedIn = false;
    QSignalSpy dismissed{&tray, &TrayIcon::assistantDismissed};

    Rig()
    {
        tray.setSignInWindow(&signInWindow);
        tray.setFileMenu(&fileMenu);
        tray.setSignedInCheck([this] { return signedIn; });
        tray.AddTrayIcon(QStringLiteral("Velmo v1.83"));
    }

    // Which of the sign-in window, the main window and the file menu are up (1 each), then how often
    // the assistant was dismissed and the desktop opened the context menu.
    QString shown() const
    {
        const auto up = [](const QWidget& w) { return QString::number(w.isVisible()); };
        return up(signInWindow) + up(mainWindow) + up(fileMenu) +
               QStringLiteral(" %1 %2").arg(dismissed.count()).arg(backend->contextMenuOpenings);
    }
};

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

class TestTrayIcon : public QObject
{
    Q_OBJECT

private slots:
    void iconPicturesTipsAndBalloons()
    {
        Rig rig;
        FakeTrayBackend& desk = *rig.backend;
        QCOMPARE(desk.toolTip, QStringLiteral("Velmo v1.83"));
        rig.tray.SetTrayIconB(QStringLiteral("Velmo,有备忘录提醒,点击查看"));
        QCOMPARE(desk.picture(), u'B');
        rig.tray.SetTrayIconA(QStringLiteral("Velmo,有备忘录提醒,点击查看"));
        QCOMPARE(desk.picture(), u'A');

        rig.tray.ShowPop();
        QCOMPARE(desk.messages.size(), 1);
        const FakeTrayBackend::Message& balloon = desk.messages[0];
        QCOMPARE(balloon.title + balloon.text, "Velmo友情提示有重要备忘事件到点啦，请点击查看！");
        QCOMPARE(balloon.icon, TrayBackend::BalloonIcon::Information);
        QCOMPARE(desk.toolTip, QStringLiteral("Velmo友情提示"));
        QCOMPARE(desk.picture(), u'N');
        QCOMPARE(desk.shows, 1); // changed, never put up twice

        const int hidesBefore = desk.messageHides;
        rig.tray.SetTrayIconA(QStringLiteral("Velmo v1.83"));
        QCOMPARE(desk.toolTip, QStringLiteral("Velmo v1.83"));
        QCOMPARE(desk.messageHides, hidesBefore + 1);

        rig.tray.RemoveTrayIcon();
        // A change while the icon is down does not bring it back.
        rig.tray.SetTrayIconB(QStringLiteral("x"));
        QVERIFY(!desk.visible);
    }

    void clicksBeforeAndAfterSignIn()
    {
        Rig rig;
        FakeTrayBackend& desk = *rig.backend;
        rig.signInWindow.show();
        desk.clickLeft();
        QCOMPARE(rig.shown(), "000 0 0");
        desk.clickLeft();
        QCOMPARE(rig.shown(), "100 0 0");
        rig.signInWindow.hide();
        desk.clickRight();
        QCOMPARE(rig.shown(), "100 0 0");
        // A balloon before any sign-in has no main window to open.
        desk.clickMessage();
        QCOMPARE(rig.shown(), "100 0 0");

        rig.signedIn = true;
        rig.signInWindow.hide();
        rig.tray.setMainWindow(&rig.mainWindow);
        desk.clickLeft();
        QCOMPARE(rig.shown(), "010 1 0");
        desk.clickLeft();
        QCOMPARE(rig.shown(), "000 1 0"); // hiding does not dismiss the assistant
        desk.clickRight();
        QCOMPARE(rig.shown(), "000 1 1");
        desk.clickRightPassedOn();
        QCOMPARE(rig.shown(), "001 1 1");
        rig.fileMenu.hide();
        desk.clickMessage();
        QCOMPARE(rig.shown(), "010 2 1");

        // A minimised main window is brought back by a left click, not hidden.
        rig.mainWindow.showMinimized();
        desk.clickLeft();
        QVERIFY(!rig.mainWindow.isMinimized());
    }

    // A balloon sent as a desktop notification is taken down by its id. Needs a session bus: run under
    // dbus-run-session; skipped without one.
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

VELMO_TEST_MAIN(TestTrayIcon)
#include "TestTrayIcon.moc"
