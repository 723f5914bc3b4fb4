#pragma once

// The due scan: which of the user's memos fall due within 60 days, in order of days left, and which
// of them are due now and ring.

#include "lunar/RepeatRule.h"
#include "store/MemoId.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace velmo {

class Database;

inline constexpr int kDueDays = 60;
inline constexpr int kMaxDueMemos = 100;

// One memo of the due panel.
struct DueMemo
{
    MemoId id = 0;
    int type = 0;
    QString title;
    qint64 daysLeft = 0; // negative when overdue
    bool dueNow = false; // its reminder (or snooze) moment has come
    bool lunar = false;
    QString repeatCode;
    QString sound;
    QString diySound;
};

struct DueScanResult
{
    bool ok = false;
    QString error;
    std::vector<DueMemo> memos;   // at most kMaxDueMemos, fewest days left first
    std::vector<MemoId> ringList; // the ids of the memos that ring now, in panel order
};

// The scan at `now`. A memo is judged by the later of its reminder moment and its snooze moment
// (a snooze only ever delays); lunar moments are placed by the date engine with their solar hints.
// A moment that cannot be placed is left out. Sign-in memos ("denglu") ring only while
// loginRingDone is false.
// Both reads of the scan run in one transaction on db.
DueScanResult scanDueMemos(Database& db, const QString& userId, const QDateTime& now, bool loginRingDone);

// The ring list as kept in text: ids joined by "|".
QString ringListText(const std::vector<MemoId>& ids);

} // namespace velmo
