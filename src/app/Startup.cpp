#include "Startup.h"

#include "controls/Skin.h"
#include "platform/FileUtils.h"
#include "platform/MemoryTrim.h"
#include "platform/VersionText.h"
#include "signin/LoginController.h"
#include "signin/LoginForm.h"
#include "signin/frmLogin.h"
#include "store/DataFiles.h"
#include "store/Recovery.h"
#include "store/Settings.h"
#include "tray/TrayIcon.h"

namespace velmo {

namespace {

TrayPictures trayPictures(const AssetFolder& assets)
{
    TrayPictures pictures;
    pictures.normal = QIcon(assets.filePath(QStringLiteral("images/tray.ico")));
    pictures.imageA = pictures.normal;
    pictures.imageB = QIcon(assets.filePath(QStringLiteral("images/tray-flash.ico")));
    return pictures;
}

} // namespace

Startup::Startup(StartupOptions options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_db(m_options.databaseConnection)
{
    if (m_options.messageBoxes) {
        m_boxes = m_options.messageBoxes;
    } else {
        m_ownBoxes = std::make_unique<WidgetMessageBoxes>();
        m_boxes = m_ownBoxes.get();
    }
    if (m_options.autostart) {
        m_autostart = m_options.autostart;
    } else {
        m_ownAutostart = std::make_unique<Autostart>();
        m_autostart = m_ownAutostart.get();
    }
    std::unique_ptr<TrayBackend> backend = std::move(m_options.trayBackend);
    if (!backend)
        backend = createSystemTrayBackend();
    m_tray = std::make_unique<TrayIcon>(std::move(backend), trayPictures(m_options.assets));
    m_tray->setSignedInCheck([this] { return m_state.signedIn(); });
    connect(m_tray.get(), &TrayIcon::assistantDismissed, this, [this] { m_state.AssistantDismissed = true; });

    m_login = std::make_unique<LoginController>(m_db, m_state, m_channel, *m_boxes);
    m_login->setServiceAddress(m_options.serviceAddress);
    m_login->setAssetFolder(m_options.assets);
    m_login->setAutostart(m_autostart);
    if (m_options.browser)
        m_login->setBrowser([browser = m_options.browser](const QUrl& url) { return browser(url), true; });
    connect(m_login.get(), &LoginController::signedIn, this, &Startup::signedIn);
    connect(m_login.get(), &LoginController::programMustEnd, this, [this] { emit programMustEnd(1); });
}

Startup::~Startup()
{
    m_tray->RemoveTrayIcon();
}

QString Startup::titleText() const
{
    return TitleText(m_options.version);
}

QString Startup::trayTipText() const
{
    return TrayTipText(m_options.version);
}

StoreResult Startup::releaseDataFiles()
{
    if (!m_options.dataFolder.ensureExists())
        qWarning("velmo: cannot create the data folder %s", qPrintable(m_options.dataFolder.path()));
    const QString dbPath = databasePath(m_options.dataFolder);
    StoreResult written;
    if (!FileExists(dbPath)) {
        written = SaveDatabaseFile(dbPath);
        if (!written.ok)
            qWarning("velmo: cannot write %s: %s", qPrintable(dbPath), qPrintable(written.error));
    }
    const StoreResult skin = ReleaseSkinFile(m_options.dataFolder);
    if (!skin.ok)
        qWarning("velmo: cannot write the skin file: %s", qPrintable(skin.error));
    return written;
}

bool Startup::start()
{
    const StoreResult written = releaseDataFiles();
    m_state.DbPath = databasePath(m_options.dataFolder);
    StoreResult opened = m_db.open(m_state.DbPath);
    // A file that can only be read would fail the first write (at the sign-in): it is told now.
    if (const QString readOnly = m_db.readOnlyReason(); !readOnly.isEmpty()) {
        m_db.close();
        opened = StoreResult::failure(readOnly);
    }
    // A damaged file is moved aside below. A sound file that cannot be used (a later version wrote
    // it, no rights, a lock, read-only), or one that could not be written out, is no matter for a new
    // start: the user learns which file and why.
    if (!opened.ok && !isUnreadableDatabase(m_state.DbPath)) {
        const bool exists = FileExists(m_state.DbPath);
        if (exists || !written.ok) {
            qWarning("velmo: cannot open %s: %s", qPrintable(m_state.DbPath), qPrintable(opened.error));
            m_boxes->warn(nullptr,
                          exists ? openFailureText(m_state.DbPath, opened.error)
                                 : creationFailureText(m_state.DbPath, written.error),
                          {}, [this] { emit programMustEnd(1); });
            return false;
        }
    }
    const ConfigLoad load = LoadConfig(m_db, m_state);
    if (!load.settingsFound) {
        if (!opened.ok)
            qWarning("velmo: cannot open %s: %s", qPrintable(m_state.DbPath), qPrintable(opened.error));
        m_db.close(); // an unreadable file is moved aside: nothing may hold it open
        m_boxes->warn(nullptr, RecoverMissingRowText(m_state.DbPath), {}, [this] { emit programMustEnd(1); });
        return false;
    }

    // The skin goes on before the first window is built, so no window is drawn twice.
    if (!AttachSkin(skinFilePath(m_options.dataFolder)))
        qWarning("velmo: the skin file could not be read; windows keep the desktop's look");

    m_loginWindow = std::make_unique<frmLogin>(*m_login, titleText());
    m_loginWindow->setWindowIcon(trayPictures(m_options.assets).normal);
    m_login->setDialogParent(m_loginWindow.get());
    m_login->setPrefill(load.prefill);
    m_loginWindow->prefill(loginFormState(m_state, load.prefill));
    connect(m_loginWindow.get(), &frmLogin::cancelled, this, [this] {
        if (m_mainWindow)
            return;
        m_tray->RemoveTrayIcon();
        emit programMustEnd(0);
    });

    m_tray->setSignInWindow(m_loginWindow.get());
    m_tray->AddTrayIcon(trayTipText(), {}, TrayIcon::BalloonInformation, TrayIcon::DefaultBalloonTimeoutMs);
    ClearMemory();
    m_loginWindow->show();
    return true;
}

QWidget* Startup::signInWindow() const
{
    return m_loginWindow.get();
}

void Startup::setMainWindow(QWidget* mainWindow, QMenu* fileMenu)
{
    m_mainWindow = mainWindow;
    m_tray->setMainWindow(mainWindow);
    m_tray->setFileMenu(fileMenu);
    if (m_loginWindow)
        m_loginWindow->hide();
}

void Startup::handleCommand(const QString& command)
{
    if (command != QLatin1String("show"))
        return;
    if (m_state.signedIn() && m_mainWindow)
        TrayIcon::raiseWindow(m_mainWindow);
    else if (m_loginWindow)
        TrayIcon::raiseWindow(m_loginWindow.get());
}

} // namespace velmo
