#pragma once

// The reminder window of one memo from the due panel: the memo, and five actions on it (delete,
// stop ringing, edit, done, snooze). After an action the window closes; one that changed the memo
// says so through `acted`, which rescans the due memos and refreshes the views; one that found it
// gone says `memoGone`, which rescans the panel alone.

#include "platform/DataFolder.h"
#include "store/MemoId.h"

#include <QWidget>

#include <functional>

class QLabel;

namespace velmo {

class Database;
class MessageBoxes;
class PlainTextBox;
class RingActions;
struct RingOutcome;
struct RunState;

class Form_Ring : public QWidget
{
    Q_OBJECT

public:
    struct Services
    {
        Database& db;
        RunState& run;
        AssetFolder assets;
        MessageBoxes& boxes;
        bool& loginRingFlag; // the engine's: a sign-in memo has rung and been closed this run
        // Category and repeat texts as the main window's list shows them.
        std::function<QString(int)> categoryName = {};
        std::function<QString(const QString&)> repeatLabel = {};
    };

    // The index of each action's button.
    enum Action
    {
        Delete = 0,
        StopRinging = 1,
        Edit = 2,
        Done = 3,
        Snooze = 4
    };

    Form_Ring(Services services, MemoId memoId, QWidget* parent = nullptr);
    ~Form_Ring() override;

    MemoId memoId() const { return m_id; }
    // Reads the memo; false (after a message) when it has gone meanwhile.
    bool load();

public slots:
    void Button_Click(int Index);

signals:
    // An action changed the memo: rescan and refresh. Editing changes nothing by itself: the
    // editor's save tells the views.
    void acted(MemoId memoId);
    void editRequested(MemoId memoId);
    // The memo was found gone (deleted, done or another's): the panel drops it; nothing changed.
    void memoGone(MemoId memoId);

private:
    void finish(const RingOutcome& outcome);

    Services m_services;
    MemoId m_id = 0;
    std::unique_ptr<RingActions> m_actions;
    QLabel* m_title = nullptr;
    QLabel* m_details = nullptr;
    PlainTextBox* m_content = nullptr;
};

} // namespace velmo
