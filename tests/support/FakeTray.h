#pragma once

// Stand-ins the start-up tests share: a recorder that answers message boxes, and a tray backend
// that records what the tray icon asks of the desktop.

#include "BoxRecorder.h"
#include "tray/TrayBackend.h"
#include "tray/TrayIcon.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPixmap>
#include <QPointer>

namespace velmo::test {

// Tray pictures told apart by colour: the normal one blue, blinking picture A green, B red.
inline TrayPictures colouredTrayPictures()
{
    const auto solid = [](Qt::GlobalColor color) {
        QPixmap pixmap(16, 16);
        pixmap.fill(color);
        return QIcon(pixmap);
    };
    return TrayPictures{solid(Qt::blue), solid(Qt::green), solid(Qt::red)};
}

// A tray that exists only in memory; tests click it through click*().
class FakeTrayBackend : public TrayBackend
{
public:
    struct Message
    {
        QString title, text;
        BalloonIcon icon = BalloonIcon::None;
    };

    bool isAvailable() const override { return true; }
    void show(const QIcon& icon, const QString& tip) override
    {
        ++shows;
        visible = true;
        currentIcon = icon;
        toolTip = tip;
    }
    void hide() override { visible = false; }
    void setIcon(const QIcon& icon) override { currentIcon = icon; }
    void setToolTip(const QString& tip) override { toolTip = tip; }
    void showMessage(const QString& title, const QString& text, BalloonIcon icon, int) override
    {
        messages.append({title, text, icon});
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
    // Which of colouredTrayPictures() is on show: 'N' (normal), 'A' or 'B'.
    QChar picture() const
    {
        const QRgb colour = currentIcon.pixmap(16, 16).toImage().pixel(4, 4);
        return colour == QColor(Qt::red).rgb() ? u'B' : colour == QColor(Qt::green).rgb() ? u'A' : u'N';
    }
    void clickMessage() { emit messageClicked(); }
    // A right click that a desktop with a context menu still passes on to the program.
    void clickRightPassedOn() { emit rightClicked(); }

    bool visible = false;
    int shows = 0;
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
        QFile file(QDir(dir).filePath(QStringLiteral("probe.dat")));
        if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) || file.write("x", 1) != 1)
            return false;
    }
    return true;
}

} // namespace velmo::test
