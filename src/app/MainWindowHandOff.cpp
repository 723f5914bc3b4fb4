#include "MainWindowHandOff.h"

#include "app/Startup.h"
#include "editor/EditorWindows.h"
#include "mainwin/EditorLink.h"
#include "mainwin/Form1.h"
#include "mainwin/MainController.h"
#include "store/CategoryCounts.h"
#include "sync/ConflictWindows.h"
#include "sync/SyncSession.h"
#include "tray/TrayIcon.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QTimer>

namespace velmo {

MainWindowHandOff::MainWindowHandOff(Startup& startup, QObject* parent)
    : QObject(parent)
    , m_startup(startup)
{
    connect(&m_startup, &Startup::signedIn, this, &MainWindowHandOff::openMainWindow);
    // While the sign-in window waits (the automatic sign-in's delay, or the user typing), the main
    // window is built, styled and its counts made ready, once the sign-in window has been drawn; it
    // is loaded only once a user has signed in.
    QTimer::singleShot(0, this, [this] {
        QWidget* signIn = m_startup.signInWindow();
        if (signIn && signIn->isVisible())
            signIn->installEventFilter(this);
        else if (m_startup.database().isOpen())
            buildMainWindow();
    });
}

bool MainWindowHandOff::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && watched == m_startup.signInWindow()) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            if (m_startup.database().isOpen())
                buildMainWindow();
        });
    }
    return QObject::eventFilter(watched, event);
}

MainWindowHandOff::~MainWindowHandOff()
{
    // The editors refer to the main window's controller: they go first.
    m_conflicts.reset();
    m_editors.reset();
}

void MainWindowHandOff::buildMainWindow()
{
    if (m_mainWindow)
        return;
    TrayIcon& tray = m_startup.tray();
    Form1::Services services{m_startup.database(), m_startup.runState(), m_startup.assets(), m_sounds,
                             m_startup.messageBoxes()};
    services.service = m_startup.serviceAddress();
    services.version = m_startup.version();
    services.trayAvailable = [&tray] { return tray.isAvailable(); };
    services.tray = &tray;
    m_mainWindow = std::make_unique<Form1>(services);

    MainController& controller = m_mainWindow->controller();
    EditorServices editorServices{m_startup.database(), m_startup.runState(), m_startup.messageBoxes(),
                                  controller};
    editorServices.assets = m_startup.assets();
    editorServices.owner = m_mainWindow.get();
    editorServices.channel = &controller.serviceChannel();
    editorServices.service = m_startup.serviceAddress();
    editorServices.endProgram = [this] { emit m_startup.programMustEnd(1); };
    m_editors = std::make_unique<EditorWindows>(editorServices);
    connectEditors(*m_mainWindow, *m_editors);
    m_conflicts = std::make_unique<ConflictWindows>(editorServices, controller.sync());
    m_conflicts->setShowMailDialog([this] { m_editors->showMailDialog(); });
    m_conflicts->setRestartScheduler([&controller] { controller.replayStartup(); });
    connect(&controller.sync(), &SyncSession::conflictFound, m_conflicts.get(), &ConflictWindows::open);
    m_mainWindow->prepareLoad();
    // A failure shows at the first count, which tries again.
    CategoryCounts::keep(m_startup.database());
}

void MainWindowHandOff::openMainWindow()
{
    if (m_opened)
        return;
    m_opened = true;
    buildMainWindow();
    TrayIcon& tray = m_startup.tray();
    m_startup.setMainWindow(m_mainWindow.get(), m_mainWindow->MDIfile());
    connect(m_mainWindow.get(), &Form1::exiting, &tray, &TrayIcon::RemoveTrayIcon);
    connect(m_mainWindow.get(), &Form1::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    m_mainWindow->Form_Load();
    emit mainWindowLoaded();
}

} // namespace velmo
