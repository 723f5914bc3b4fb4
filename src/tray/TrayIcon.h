#pragma once

#include "tray/TrayBackend.h"

#include <QIcon>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace velmo {

// The pictures the tray icon takes turns with: the normal icon, and the two phases of blinking.
struct TrayPictures
{
    QIcon normal;
    QIcon imageA;
    QIcon imageB;
};

// The program's one icon in the desktop's tray: its tip and picture, the blinking and balloons of
// due reminders, and what a click on it does (raise or hide the sign-in or the main window, open the
// file menu).
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    // Balloon kinds as callers pass them: 0 none, 1 information, 2 warning, 3 error.
    static constexpr int BalloonInformation = 1;
    static constexpr int DefaultBalloonTimeoutMs = 10000;

    TrayIcon(std::unique_ptr<TrayBackend> backend, TrayPictures pictures, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop has a tray. Without one, hiding a window into it would lose the window:
    // the main window then minimises instead, and does not start hidden.
    bool isAvailable() const;
    // Whether the icon is up (between the first AddTrayIcon and RemoveTrayIcon).
    bool isUp() const { return m_up; }

    // Puts the icon up with the normal picture on the first call; later calls go back to the
    // normal picture and change the tip. A non-empty balloon text shows a balloon titled with the tip.
    void AddTrayIcon(const QString& tip, const QString& balloonText = {},
                     int balloonKind = BalloonInformation, int timeoutMs = DefaultBalloonTimeoutMs);
    // Takes the icon down; nothing when it is not up.
    void RemoveTrayIcon();
    // The two phases of blinking: picture A or B with the given tip; a showing balloon goes away.
    void SetTrayIconA(const QString& tip);
    void SetTrayIconB(const QString& tip);
    // One step of the reminder blinking: picture B (or A) with the given tip. Unlike the two
    // above it leaves a showing balloon up, so the due-memo balloon can be read while the icon
    // blinks every 400 ms; it goes with its time-out or when the ringing stops.
    void blink(bool pictureB, const QString& tip);
    // The balloon that announces a due memo.
    void ShowPop();

    // Which windows a click raises or hides. The main window is set once a sign-in succeeded.
    void setSignInWindow(QWidget* window);
    void setMainWindow(QWidget* window);
    // The main window's file menu, opened by a right click once a user is signed in.
    void setFileMenu(QMenu* menu);
    // Tells whether a user is signed in (locally or online) in this run.
    void setSignedInCheck(std::function<bool()> signedIn);

    QString toolTip() const { return m_tip; }

    // Shows a window in its normal state in front and gives it the focus.
    static void raiseWindow(QWidget* window);

signals:
    // The user brought the main window up from the icon or a balloon: the assistant figure goes
    // away and stays away while this run's reminders go on.
    void assistantDismissed();

private:
    void onLeftClick();
    void onRightClick();
    void onMessageClick();
    void raiseMainWindowForUser();
    bool signedIn() const;
    void updateContextMenu();
    void change(const QIcon& picture, const QString& tip);

    std::unique_ptr<TrayBackend> m_backend;
    TrayPictures m_pictures;
    QPointer<QWidget> m_signInWindow;
    QPointer<QWidget> m_mainWindow;
    QPointer<QMenu> m_fileMenu;
    std::function<bool()> m_signedIn;
    QString m_tip;
    bool m_up = false;
};

} // namespace velmo
