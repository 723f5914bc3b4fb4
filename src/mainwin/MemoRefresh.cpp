#include "MemoRefresh.h"

namespace velmo {

void refreshAfter(const MemoChange& change, const RefreshSteps& steps)
{
    using Kind = MemoChange::Kind;
    const Kind kind = change.kind;
    // A new memo does not touch the due panel; memos that came down refresh it after the list and
    // are not uploaded again.
    const bool panelFirst = kind != Kind::Added && kind != Kind::Downloaded;
    if (kind == Kind::Edited || kind == Kind::Settled) {
        // The alert stops before the rescan, so that the rescan can start it again for other due memos.
        steps.stopAlert();
    }
    if (panelFirst) {
        steps.stopRinging();
        steps.Command2_Click();
    }
    steps.updateList(change);
    steps.ReadCount();
    steps.updateTree();
    if (kind == Kind::Downloaded) {
        // Memos that came down may be due: the panel follows at once, not at the next scan.
        steps.Command2_Click();
        return;
    }
    steps.switchOnTimer3();
}

} // namespace velmo
