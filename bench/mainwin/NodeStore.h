#pragma once

#include "FilledStore.h"
#include "TestStore.h"

#include <memory>

namespace velmo::bench {

// One user's `count` memos in progress, all of category 1, every third on the lunar calendar, plus
// a few hundred of other categories, done memos and another user's memos around them. Reminder
// moments are ten minutes apart, starting over every `momentCycle` memos (0: never).
inline std::unique_ptr<test::TestStore> nodeStore(int count, int momentCycle = 0)
{
    return filledStore(count + 600, [count, momentCycle](MemoRecord& memo, int i) {
        memo.content = QStringLiteral("<p>第 %1 条备忘的内容, 带一点 <b>HTML</b>.</p>").arg(i);
        const int step = momentCycle > 0 ? i % momentCycle : i;
        memo.AlertTime = QDateTime(QDate(2026, 12, 1), QTime(9, 0)).addSecs(qint64(step) * 600);
        if (i % 3 == 0) {
            memo.lifa = 2;
            memo.AlertTimeNongli = LunarMoment{2026, 10, 1 + i % 28, 8, 0, 0};
        }
        if (i >= count) {
            memo.type = 2 + i % 6;
            memo.Done = i % 2 == 0;
            if (i % 5 == 0)
                memo.userid = QStringLiteral("other");
        }
    });
}

} // namespace velmo::bench
