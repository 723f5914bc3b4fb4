#pragma once

#include "store/MemoChange.h"

namespace velmo {

// The main window as the memo editors see it: after a write they say what changed, and it brings
// its views, the due panel and the delayed upload up to date.
class MemoViews
{
public:
    virtual ~MemoViews() = default;

    virtual void memosChanged(const MemoChange& change) = 0;
};

} // namespace velmo
