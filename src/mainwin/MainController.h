#pragma once

// What the main window runs behind its controls: the reminder engine, the synchronisation with its
// delayed upload, the notices, the version check and the one-second scheduler. The window shows
// what this tells it through its View; other windows speak to it in intents (a change of memos, a
// due rescan, a synchronisation now), never through its timers or its channel.

#include "editor/MemoViews.h"
#include "mainwin/MemoRefresh.h"
#include "platform/DataFolder.h"
#include "platform/ServiceAddress.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

class QTimer;
class QWidget;

namespace velmo {

class Database;
class DuePanel;
class MessageBoxes;
class NoticeBoard;
class Reminders;
class RingTune;
class Scheduler;
class ServiceChannel;
class SyncSession;
class TrayIcon;
class VersionCheck;
class clsMusic;
struct RunState;

class MainController : public QObject, public MemoViews
{
    Q_OBJECT

public:
    // What the controller works with; the caller keeps every referenced object alive longer.
    struct Services
    {
        Database& db;
        RunState& run;
        AssetFolder assets;
        MessageBoxes& boxes;
        ServiceAddress service = {};
        // The program's version, "1.8.3".
        QString version = {};
        // The main window: owner of the boxes and the reminder windows, raised from the figure.
        QWidget* window = nullptr;
        // The due panel, which shows the due scan.
        DuePanel* duePanel = nullptr;
        // The tray icon that blinks while memos ring; none in tests that do not need it.
        TrayIcon* tray = nullptr;
        // Opens a web page, or tells the user that it could not.
        std::function<void(const QUrl&)> openPage = {};
    };

    // What the window shows when told.
    struct View
    {
        // The list follows a change of memos; ReadCount; the tree takes the new counts.
        std::function<void(const MemoChange& change)> updateList;
        std::function<void()> readCounts;
        std::function<void()> updateTree;
        // Status bar panel 1 to 7.
        std::function<void(int panel, const QString& text)> setStatus;
        // Words after the window title while a transfer runs.
        std::function<void(const QString& words)> setCaptionSuffix;
        // The sync-now button (Command1).
        std::function<void(bool visible)> showSyncButton;
        std::function<void(const QString& fileName)> playSound;
        // The notice strip and the notice menu item follow the notices.
        std::function<void()> showNotice;
        // A reminder window asked to edit this memo.
        std::function<void(MemoId id)> editMemo;
    };

    MainController(Services services, View view, QObject* parent = nullptr);
    ~MainController() override;

    // Starts the one-second scheduler (Timer1).
    void start();
    // Brings every view up to date after a change of memos and arms the delayed upload.
    void memosChanged(const MemoChange& change) override;
    // Empties the due panel's caption and scans the due memos again.
    void rescanDue();
    // Synchronises at once (the sync-now button and menu): the start-up count-down ends.
    void syncNow();
    // Replays the start-up ticks of the scheduler, which synchronise again.
    void replayStartup();
    // Makes assistant figure 1 to 6 the current one, at once.
    void setFigure(int figure);
    // Quitting: the scheduler, the ringing and the delayed upload stop.
    void stop();
    // Waits for the answer to an upload under way, ends any other transfer, then calls done.
    void finishBeforeQuit(std::function<void()> done);
    // Ends the notice download and the version check at once.
    void abortOnlineChecks();

    // The synchronisation, which the conflict windows settle with.
    SyncSession& sync() const { return *m_sync; }
    // The channel the mail binding check shares with the synchronisation.
    ServiceChannel& serviceChannel() const { return *m_inet1; }
    Reminders& reminders() const { return *m_reminders; }
    NoticeBoard& notices() const { return *m_notices; }
    // Replaces the due scan (tests).
    void setDueScan(std::function<void()> scan) { m_dueScan = std::move(scan); }

    void Timer1_Timer();
    void Timer3_Timer();
    // Removes an "update.exe" left in the data folder by an update download; called by the scheduler.
    void DelUpdateFile();

private:
    void buildReminders();
    void buildScheduler();
    void connectSync();
    void Command2_Click();
    void switchOnTimer3();
    void stopAlert();

    Services m_services;
    View m_view;
    RefreshSteps m_refresh;
    std::function<void()> m_dueScan;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QTimer* m_timer3 = nullptr;
    ServiceChannel* m_inet1 = nullptr;
    SyncSession* m_sync = nullptr;
    NoticeBoard* m_notices = nullptr;
    VersionCheck* m_versionCheck = nullptr;
    std::unique_ptr<clsMusic> m_ringPlayer;
    std::unique_ptr<RingTune> m_ringTune;
    Reminders* m_reminders = nullptr;
    std::unique_ptr<Scheduler> m_scheduler;
};

} // namespace velmo
