#include "TrayBackend.h"

#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

namespace velmo {

namespace {

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
        m_icon.showMessage(title, text, toMessageIcon(icon), timeoutMs);
    }

    // Desktop notifications cannot be called back once sent; they close on their own time-out.
    void hideMessage() override {}

    void setContextMenu(QMenu* menu) override
    {
        m_menu = menu;
        m_icon.setContextMenu(menu);
    }

private:
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
};

} // namespace

std::unique_ptr<TrayBackend> createSystemTrayBackend()
{
    return std::make_unique<SystemTrayBackend>();
}

} // namespace velmo
