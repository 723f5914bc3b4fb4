#pragma once

// The two conflict windows of a memo changed on this computer and on the service: CompareLocal
// (this computer's copy) and CompareServer (the service's copy), side by side at the screen's
// centre. Each hosts the memo form with its loader, a note on the conflict and its save; keeping one
// copy writes it into the local row, arms the delayed upload and closes both.
//
//   velmo::ConflictWindows conflicts(editorServices, sync);
//   connect(&sync, &velmo::SyncSession::conflictFound, &conflicts, &velmo::ConflictWindows::open);

#include "editor/EditorServices.h"
#include "editor/MemoEditorWindow.h"
#include "store/Memo.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QLabel;

namespace velmo {

class SyncSession;

// What the two windows share: the memo form with every control at its place in the window's design,
// the notes on the conflict, the window's place on the screen, the save.
class ConflictWindow : public MemoEditorWindow
{
    Q_OBJECT

public:
    ~ConflictWindow() override;

    // Lists, defaults and the mail option, the place beside the screen's centre line, then the loader.
    void Form_Load();
    // The window's loader; false when it found no local row for the server id (nothing to save).
    virtual bool Command5_Click() = 0;
    bool serverCopy() const { return m_serverCopy; }

signals:
    // The shown copy was stored in the local row.
    void settled(bool serverCopyKept);

protected:
    ConflictWindow(EditorServices services, SyncSession& sync, bool serverCopy, QWidget* parent);
    // Keeping this copy: the copy as loaded with the user's changes on top goes into the local row,
    // with a change counter above both sides', to be uploaded as the settlement.
    SaveOutcome save(const EditorInput& input) override;
    // Reads the hand-off and the user's row that carries its server id, then shows the copy
    // that copyOf picks of the two. False when either is missing; a row that cannot be read is
    // told to the user, not shown as an empty memo.
    bool load(const std::function<MemoRecord(const MemoRecord& local, const MemoRecord& server)>& copyOf);

    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Gives the window its design's fixed size and places it by its frame beside the screen's
    // centre line, vertically centred.
    void place();
    // Whether the copy shown is done (进行 or 完成), and that the other copy's state differs.
    void showState(const MemoRecord& shown, const MemoRecord& other);

    EditorServices m_services;
    SyncSession& m_sync;
    bool m_serverCopy;
    QLabel* m_state = nullptr;
    // The frame's size the window was last placed by.
    QSize m_placedFrame;
    // What was loaded: the copy shown, the window's input right after, the local row's id and
    // counter, and the counter of the service's copy.
    std::optional<MemoRecord> m_kept;
    EditorInput m_shown;
    MemoId m_localId = 0;
    int m_localSynnum = 0;
    int m_serverSynnum = 0;
};

// This computer's copy: the user's row that carries the server id of the conflict.
class CompareLocal : public ConflictWindow
{
    Q_OBJECT

public:
    CompareLocal(EditorServices services, SyncSession& sync, QWidget* parent = nullptr);
    bool Command5_Click() override;
};

// The service's copy from the hand-off, to be written into the same local row.
class CompareServer : public ConflictWindow
{
    Q_OBJECT

public:
    CompareServer(EditorServices services, SyncSession& sync, QWidget* parent = nullptr);
    bool Command5_Click() override;
};

// Opens the two windows for the hand-off in the session, at most one pair at a time, and tells the
// session when both are gone however they closed.
class ConflictWindows : public QObject
{
    Q_OBJECT

public:
    ConflictWindows(EditorServices services, SyncSession& sync, QObject* parent = nullptr);
    ~ConflictWindows() override;

    // After the server's copy was kept: the scheduler replays its start-up ticks.
    void setRestartScheduler(std::function<void()> restart) { m_restartScheduler = std::move(restart); }
    // The windows' bind-mail button.
    void setShowMailDialog(std::function<void()> show) { m_showMailDialog = std::move(show); }

    CompareLocal* localWindow() const { return m_local; }
    CompareServer* serverWindow() const { return m_server; }

public slots:
    // Shows CompareLocal, then CompareServer; a window already open is only brought forward.
    void open();

private:
    template <typename Window>
    void create(QPointer<Window>& window);
    void onSettled(bool serverCopyKept);
    void onClosed();

    EditorServices m_services;
    SyncSession& m_sync;
    std::function<void()> m_restartScheduler;
    std::function<void()> m_showMailDialog;
    QPointer<CompareLocal> m_local;
    QPointer<CompareServer> m_server;
    int m_openWindows = 0;
};

} // namespace velmo
