#pragma once

#include "store/MemoId.h"

#include <vector>

namespace velmo {

// What a window or the synchronisation changed among the memos: the main window brings its views
// up to date from this, in one place.
struct MemoChange
{
    enum class Kind
    {
        Added,            // a new memo was written
        Edited,           // a memo was written over from the edit window
        MarkedDone,       // memos were marked done from the list
        MarkedInProgress, // memos were marked in progress from the list (the done list stays shown)
        Deleted,          // memos were marked deleted from the list
        CategoryCleared,  // every memo of a tree node was marked deleted
        Downloaded,       // memos came down from the service
        Settled,          // a conflict was settled by keeping one copy
        RingAction,       // a reminder window marked a memo done or moved its reminder on
    };

    Kind kind = Kind::Edited;
    // The memos concerned, where the caller knows them.
    std::vector<MemoId> ids = {};

    bool operator==(const MemoChange&) const = default;
};

} // namespace velmo
