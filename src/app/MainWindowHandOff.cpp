#include "MainWindowHandOff.h"

#include "app/Startup.h"
#include "mainwin/Form1.h"
#include "tray/TrayIcon.h"

#include <QCoreApplication>
#include <QMenu>

namespace velmo {

MainWindowHandOff::MainWindowHandOff(Startup& startup, QObject* parent)
    : QObject(parent)
    , m_startup(startup)
{
    connect(&m_startup, &Startup::signedIn, this, &MainWindowHandOff::openMainWindow);
}

MainWindowHandOff::~MainWindowHandOff() = default;

void MainWindowHandOff::openMainWindow()
{
    if (m_mainWindow)
        return;
    TrayIcon& tray = m_startup.tray();
    Form1::Services services{m_startup.database(), m_startup.runState(), m_startup.assets(), m_sounds,
                             m_startup.messageBoxes()};
    services.service = m_startup.serviceAddress();
    services.version = QCoreApplication::applicationVersion();
    services.trayAvailable = [&tray] { return tray.isAvailable(); };
    services.tray = &tray;
    m_mainWindow = std::make_unique<Form1>(services);

    m_startup.setMainWindow(m_mainWindow.get(), m_mainWindow->MDIfile());
    connect(m_mainWindow.get(), &Form1::exiting, &tray, &TrayIcon::RemoveTrayIcon);
    connect(m_mainWindow.get(), &Form1::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    m_mainWindow->Form_Load();
    emit mainWindowLoaded();
}

} // namespace velmo
