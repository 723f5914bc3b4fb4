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
    // Stops the ringing and sends the figure away; the due panel keeps its rows for the rescan,
    // Command2_Click, to reuse.
    std::function<void()> stopRinging;
    std::function<void()> Command2_Click;
    // The list shown follows the changed memos.
    std::function<void(const MemoChange& change)> updateList;
    std::function<void()> ReadCount;
    // The tree's captions take the counts.
    std::function<void()> updateTree;
    // Arms the delayed upload (Timer3).
    std::function<void()> switchOnTimer3;
};

void refreshAfter(const MemoChange& change, const RefreshSteps& steps);

} // namespace velmo
