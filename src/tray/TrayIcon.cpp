#include "TrayIcon.h"

#include <QMenu>
#include <QWidget>

namespace velmo {

namespace {

TrayBackend::BalloonIcon balloonIcon(int kind)
{
    switch (kind) {
    case 1:
        return TrayBackend::BalloonIcon::Information;
    case 2:
        return TrayBackend::BalloonIcon::Warning;
    case 3:
        return TrayBackend::BalloonIcon::Critical;
    default:
        return TrayBackend::BalloonIcon::None;
    }
}

} // namespace

TrayIcon::TrayIcon(std::unique_ptr<TrayBackend> backend, TrayPictures pictures, QObject* parent)
    : QObject(parent)
    , m_backend(std::move(backend))
    , m_pictures(std::move(pictures))
{
    connect(m_backend.get(), &TrayBackend::leftClicked, this, &TrayIcon::onLeftClick);
    connect(m_backend.get(), &TrayBackend::rightClicked, this, &TrayIcon::onRightClick);
    connect(m_backend.get(), &TrayBackend::messageClicked, this, &TrayIcon::onMessageClick);
}

TrayIcon::~TrayIcon()
{
    RemoveTrayIcon();
}

bool TrayIcon::isAvailable() const
{
    return m_backend->isAvailable();
}

void TrayIcon::AddTrayIcon(const QString& tip, const QString& balloonText, int balloonKind, int timeoutMs)
{
    if (!m_up) {
        m_up = true;
        m_tip = tip;
        m_backend->show(m_pictures.normal, tip);
    } else {
        change(m_pictures.normal, tip);
    }
    if (!balloonText.isEmpty())
        m_backend->showMessage(tip, balloonText, balloonIcon(balloonKind), timeoutMs);
}

void TrayIcon::RemoveTrayIcon()
{
    if (!m_up)
        return;
    m_up = false;
    m_backend->setContextMenu(nullptr);
    m_backend->hide();
}

void TrayIcon::SetTrayIconA(const QString& tip)
{
    change(m_pictures.imageA, tip);
    m_backend->hideMessage();
}

void TrayIcon::SetTrayIconB(const QString& tip)
{
    change(m_pictures.imageB, tip);
    m_backend->hideMessage();
}

void TrayIcon::blink(bool pictureB, const QString& tip)
{
    change(pictureB ? m_pictures.imageB : m_pictures.imageA, tip);
}

void TrayIcon::ShowPop()
{
    AddTrayIcon(QStringLiteral("Velmo友情提示"), QStringLiteral("有重要备忘事件到点啦，请点击查看！"),
                BalloonInformation, DefaultBalloonTimeoutMs);
}

void TrayIcon::change(const QIcon& picture, const QString& tip)
{
    m_tip = tip;
    if (!m_up)
        return;
    m_backend->setIcon(picture);
    m_backend->setToolTip(tip);
}

void TrayIcon::setSignInWindow(QWidget* window)
{
    m_signInWindow = window;
}

void TrayIcon::setMainWindow(QWidget* window)
{
    m_mainWindow = window;
    updateContextMenu();
}

void TrayIcon::setFileMenu(QMenu* menu)
{
    m_fileMenu = menu;
    updateContextMenu();
}

void TrayIcon::setSignedInCheck(std::function<bool()> signedIn)
{
    m_signedIn = std::move(signedIn);
    updateContextMenu();
}

bool TrayIcon::signedIn() const
{
    // Signed in, for the icon, means there is a main window to go to.
    return m_signedIn && m_signedIn() && !m_mainWindow.isNull();
}

void TrayIcon::updateContextMenu()
{
    // Before a sign-in a right click raises the sign-in window, so no menu is offered then.
    m_backend->setContextMenu(signedIn() ? m_fileMenu.data() : nullptr);
}

void TrayIcon::raiseWindow(QWidget* window)
{
    if (!window)
        return;
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void TrayIcon::raiseMainWindowForUser()
{
    emit assistantDismissed();
    raiseWindow(m_mainWindow);
}

void TrayIcon::onLeftClick()
{
    if (signedIn()) {
        if (m_mainWindow->isVisible() && !m_mainWindow->isMinimized())
            m_mainWindow->hide();
        else
            raiseMainWindowForUser();
        return;
    }
    if (m_signInWindow.isNull())
        return;
    if (m_signInWindow->isVisible() && !m_signInWindow->isMinimized())
        m_signInWindow->hide();
    else
        raiseWindow(m_signInWindow);
}

void TrayIcon::onRightClick()
{
    // Signed in with a file menu, the desktop opens the menu itself; this is the click it left over.
    if (signedIn()) {
        if (!m_fileMenu.isNull())
            m_fileMenu->popup(QCursor::pos());
        return;
    }
    raiseWindow(m_signInWindow);
}

void TrayIcon::onMessageClick()
{
    if (m_mainWindow.isNull())
        return;
    raiseMainWindowForUser();
}

} // namespace velmo
