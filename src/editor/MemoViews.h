#pragma once

namespace velmo {

// The main window's views and timers as the memo editors see them: after a save they are brought
// up to date through these, in the order the caller gives.
class MemoViews
{
public:
    virtual ~MemoViews() = default;

    // The list of memos in progress, the tree's counts and the tree itself.
    virtual void ReadUndo() = 0;
    virtual void ReadCount() = 0;
    virtual void TreeView1_Setup() = 0;
    // Empties the due panel (true also stops the ringing), then scans it again.
    virtual void MoveRing(bool YesOrNo) = 0;
    virtual void Command2_Click() = 0;
    // Stops the alert loop (Timer2) and puts the tray icon's normal picture and tip back.
    virtual void stopAlert() = 0;
    // Arms the delayed upload (Timer3).
    virtual void switchOnTimer3() = 0;
};

} // namespace velmo
