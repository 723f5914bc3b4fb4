#pragma once

// Stand-ins the start-up tests share: a recorder that answers message boxes, and a tray backend
// that records what the tray icon asks of the desktop.

#include "store/startup/MessageBoxes.h"
#include "store/tray/TrayBackend.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <deque>

namespace velmo::test {

// Message boxes that are written down instead of shown. Warnings close on the next turn of the
// event loop; a question takes the next planned answer, or waits for answer().
class RecordingBoxes : public MessageBoxes
{
public:
    struct Box
    {
        bool question = false;
        QString text;
        QString title; // as passed: empty means the application title
    };

    void warn(QWidget*, const QString& text, const QString& title, std::function<void()> closed) override
    {
        boxes.append({false, text, title});
        if (closed)
            QTimer::singleShot(0, [closed = std::move(closed)] { closed(); });
    }

    void ask(QWidget*, const QString& text, const QString& title, std::function<void(bool)> answered) override
    {
        boxes.append({true, text, title});
        if (plannedAnswers.empty()) {
            pending = std::move(answered);
            return;
        }
        const bool yes = plannedAnswers.front();
        plannedAnswers.pop_front();
        QTimer::singleShot(0, [answered = std::move(answered), yes] { answered(yes); });
    }

    // Answers the question that is waiting; false when none is.
    bool answer(bool yes)
    {
        if (!pending)
            return false;
        auto answered = std::move(pending);
        pending = nullptr;
        answered(yes);
        return true;
    }

    QStringList texts() const
    {
        QStringList all;
        for (const Box& box : boxes)
            all.append(box.text);
        return all;
    }

    QList<Box> boxes;
    std::deque<bool> plannedAnswers;
    std::function<void(bool)> pending;
};

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
