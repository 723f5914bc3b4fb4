#pragma once

// Stand-ins the start-up tests share: a recorder that answers message boxes, and a tray backend
// that records what the tray icon asks of the desktop.

#include "BoxRecorder.h"
#include "tray/TrayBackend.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <deque>

namespace velmo::test {

// A tray that exists only in memory; tests click it through click*().
class FakeTrayBackend : public TrayBackend
{
public:
    struct Message
    {
        QString title;
        QString text;
        BalloonIcon icon = BalloonIcon::None;
        int timeoutMs = 0;
    };

    bool isAvailable() const override { return available; }
    void show(const QIcon& icon, const QString& tip) override
    {
        ++shows;
        visible = true;
        currentIcon = icon;
        toolTip = tip;
    }
    void hide() override
    {
        ++hides;
        visible = false;
    }
    void setIcon(const QIcon& icon) override { currentIcon = icon; }
    void setToolTip(const QString& tip) override { toolTip = tip; }
    void showMessage(const QString& title, const QString& text, BalloonIcon icon, int timeoutMs) override
    {
        messages.append({title, text, icon, timeoutMs});
    }
    void hideMessage() override { ++messageHides; }
    void setContextMenu(QMenu* menu) override { contextMenu = menu; }

    void clickLeft() { emit leftClicked(); }
    // A right click: the desktop opens the context menu when there is one.
    void clickRight()
    {
        if (contextMenu)
            ++contextMenuOpenings;
        else
            emit rightClicked();
    }
    void clickMessage() { emit messageClicked(); }

    bool available = true;
    bool visible = false;
    int shows = 0;
    int hides = 0;
    int messageHides = 0;
    int contextMenuOpenings = 0;
    QIcon currentIcon;
    QString toolTip;
    QList<Message> messages;
    QPointer<QMenu> contextMenu;
};

// Puts one file into sound/ and images/ of a folder, so the sign-in finds its assets there.
inline bool fillAssetFolder(const QString& folder)
{
    for (const char* sub : {"sound", "images"}) {
        const QString dir = QDir(folder).filePath(QString::fromLatin1(sub));
        if (!QDir().mkpath(dir))
            return false;
        QFile file(QDir(dir).filePath(QStringLiteral("probe.dat")));
        if (!file.open(QIODevice::WriteOnly) || file.write("x", 1) != 1)
            return false;
    }
    return true;
}

} // namespace velmo::test
