#pragma once

// What keeping one copy in the conflict windows stores. The kept copy is the copy as it came (the
// local row or the service's record), every field as it was, with only what the user changed in
// the window on top, checked and rolled forward as the editors do; like every save it is written now
// (addtime), with click 1, before 7 and no editor's mark. A copy kept as shown is thus
// stored as it is: a once-only reminder that has passed stays once-only, a lunar 30th stays the
// 30th, a reminder switched off stays off.
//
//   const velmo::KeptCopy copy = velmo::keptCopy(memoSave, shownCopy, inputAtLoad, window.input());
//   if (copy.outcome.saved()) store(copy.memo);

#include "editor/MemoSave.h"
#include "store/Memo.h"

namespace velmo {

struct KeptCopy
{
    SaveOutcome outcome; // saved, or the refusal to show (nothing is to be stored then)
    MemoRecord memo;
};

// kept: the copy the window loaded; shown: the window's input right after loading; saved: its
// input when the user keeps it.
KeptCopy keptCopy(const MemoSave& save, const MemoRecord& kept, const EditorInput& shown,
                  const EditorInput& saved);

} // namespace velmo
