#pragma once

#include "controls/MessageBoxes.h"
#include "platform/Autostart.h"
#include "platform/DataFolder.h"
#include "platform/ServiceAddress.h"
#include "platform/ServiceChannel.h"
#include "store/Database.h"
#include "store/RunState.h"
#include "tray/TrayBackend.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QMenu;

namespace velmo {

class LoginController;
class TrayIcon;
class frmLogin;

// Everything the program's start needs from outside; tests and benchmarks fill in their own.
struct StartupOptions
{
    DataFolder dataFolder;
    AssetFolder assets;
    QString version;                          // "1.8.3"
    ServiceAddress serviceAddress;            // the per-user setting by default
    std::unique_ptr<TrayBackend> trayBackend; // nullptr: the desktop's tray
    MessageBoxes* messageBoxes = nullptr;     // nullptr: boxes on screen
    std::function<void(const QUrl&)> browser; // empty: the desktop's browser
    Autostart* autostart = nullptr;           // nullptr: the user's own autostart entry
    QString databaseConnection = QString::fromLatin1(Database::kDefaultConnection);
};

// The program's start and its sign-in: writes out the missing data files, loads the settings,
// shows the sign-in window, puts up the tray icon, and takes commands from later copies. Once a
// user has signed in it hands over to the main window through signedIn() and setMainWindow().
class Startup : public QObject
{
    Q_OBJECT

public:
    explicit Startup(StartupOptions options, QObject* parent = nullptr);
    ~Startup() override;

    // Runs the start-up and shows the sign-in window. False when the program cannot go on (the
    // settings cannot be read): the user is told, and programMustEnd() follows once the message is
    // closed. Nothing is shown then.
    bool start();

    RunState& runState() { return m_state; }
    Database& database() { return m_db; }
    TrayIcon& tray() { return *m_tray; }
    LoginController& login() { return *m_login; }
    frmLogin& loginWindow() { return *m_loginWindow; }
    // The sign-in window; none before start() has built it.
    QWidget* signInWindow() const;
    MessageBoxes& messageBoxes() { return *m_boxes; }
    const DataFolder& dataFolder() const { return m_options.dataFolder; }
    const AssetFolder& assets() const { return m_options.assets; }
    const ServiceAddress& serviceAddress() const { return m_options.serviceAddress; }
    Autostart& autostart() { return *m_autostart; }
    // The program's version, "1.8.3"; "Velmo v1.83 Beta版" and "Velmo v1.83".
    QString version() const { return m_options.version; }
    QString titleText() const;
    QString trayTipText() const;

    // Called with the main window once it exists: the tray icon and later copies raise it from
    // then on, and the file menu becomes the tray icon's menu. The sign-in window is hidden.
    void setMainWindow(QWidget* mainWindow, QMenu* fileMenu);
    QWidget* mainWindow() const { return m_mainWindow; }

    // A command from a later copy of the program: "show" brings the main window forward once a
    // user is signed in, the sign-in window before. Other commands change nothing.
    void handleCommand(const QString& command);

signals:
    // A user is signed in: build the main window now and pass it to setMainWindow().
    void signedIn();
    // The program ends now with this exit code (Cancel on the sign-in window: 0; unusable data: 1).
    void programMustEnd(int exitCode);

private:
    // Writes out the data files that are missing: the outcome of writing data.db.
    StoreResult releaseDataFiles();

    StartupOptions m_options;
    RunState m_state;
    Database m_db;
    ServiceChannel m_channel;
    std::unique_ptr<MessageBoxes> m_ownBoxes;
    MessageBoxes* m_boxes = nullptr;
    std::unique_ptr<Autostart> m_ownAutostart;
    Autostart* m_autostart = nullptr;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<LoginController> m_login;
    std::unique_ptr<frmLogin> m_loginWindow;
    QPointer<QWidget> m_mainWindow;
};

} // namespace velmo
