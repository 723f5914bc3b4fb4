#pragma once

#include "store/MemoChange.h"

#include <functional>

namespace velmo {

// The main window's steps that follow a change of memos, each done by its owner. refreshAfter runs
// those a change needs, always in the same order: the alert, the due panel, the list, the counts,
// the tree, the delayed upload.
struct RefreshSteps
{
    // Stops the alert loop (Timer2) and puts the tray icon's normal picture and tip back.
    std::function<void()> stopAlert;
    // Empties the due panel (true also stops the ringing); Command2_Click scans it again.
    std::function<void(bool YesOrNo)> MoveRing;
    std::function<void()> Command2_Click;
    // ReadUndo, or Readdone with true.
    std::function<void(bool done)> readList;
    std::function<void()> ReadCount;
    std::function<void()> TreeView1_Setup;
    // Arms the delayed upload (Timer3).
    std::function<void()> switchOnTimer3;
};

void refreshAfter(const MemoChange& change, const RefreshSteps& steps);

} // namespace velmo
