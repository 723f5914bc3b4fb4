#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QMenu;

namespace velmo {

// The desktop's status-icon service as the tray icon uses it: one icon with a tip, balloon
// messages, a context menu and click reports. Tests put a recording backend in its place.
class TrayBackend : public QObject
{
    Q_OBJECT

public:
    enum class BalloonIcon
    {
        None,
        Information,
        Warning,
        Critical
    };

    using QObject::QObject;
    ~TrayBackend() override = default;

    // Whether the desktop shows status icons at all.
    virtual bool isAvailable() const = 0;

    virtual void show(const QIcon& icon, const QString& tip) = 0;
    virtual void hide() = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& tip) = 0;
    virtual void showMessage(const QString& title, const QString& text, BalloonIcon icon, int timeoutMs) = 0;
    // Takes a showing balloon down where the desktop allows it.
    virtual void hideMessage() = 0;
    // The menu the desktop opens on a right click; nullptr for none (a right click is then
    // reported through rightClicked()).
    virtual void setContextMenu(QMenu* menu) = 0;

signals:
    void leftClicked();
    // A right click that no context menu took.
    void rightClicked();
    void messageClicked();
};

// The backend over QSystemTrayIcon.
std::unique_ptr<TrayBackend> createSystemTrayBackend();

} // namespace velmo
