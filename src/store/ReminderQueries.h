#pragma once

// The reads and writes of the reminder engine: the memos a due scan looks at, and the reminder
// fields that acknowledging or snoozing a ringing memo changes.

#include "store/MemoId.h"
#include "store/StoreResult.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

namespace velmo {

class Database;

// What places and orders one memo a due scan may show: its stored moments as text
// ("yyyy-MM-dd HH:mm:ss"; lunar numbers on the lunar calendar); an unset moment is the empty text.
struct DueCandidate
{
    MemoId id = 0;
    bool lunar = false; // every calendar flag other than 1 reads the lunar moments
    QString moment;     // AlertTime, or AlertTimeNongli on the lunar calendar
    QString snooze;     // AlertTimeTemp, or AlertTimeNongliTemp on the lunar calendar
    QString momentHint; // lunar: mailTime, the solar moment of the reminder
    QString snoozeHint; // lunar: AlertTimeTemp, the solar moment of the snooze
};

// The reads of a due scan: the user's memos in progress, reminder on, repeat code other than "N",
// not deleted, by their reminder moment on one calendar (solar: at most solarBound; lunar: at most
// lunarBound, both in the stored text form), in the order of that moment's text and then of id;
// or those whose snooze alone is within the bounds (their moment is past them or unset), in no
// particular order. Overdue memos are included; the caller places the lunar moments.
enum class DueRange
{
    SolarMoments,
    LunarMoments,
    Snoozes,
};

// Hands the candidates of one range in turn to each(const DueCandidate&), which returns false to
// end the read there: whether the read ran (a failed read is never a short one).
StoreResult readDueCandidates(const Database& db, const QString& userId, DueRange range,
                              const QString& solarBound, const QString& lunarBound,
                              const std::function<bool(const DueCandidate&)>& each);

// What the due panel shows of a memo it keeps.
struct DueDetails
{
    MemoId id = 0;
    int type = 0;
    QString title;
    QString repeatCode;
    QString sound;
    QString diySound;
};

// The details of the user's memos with these ids, in no particular order; an id the user has no
// memo with is left out. Read it in the same transaction as the candidates to see the same rows.
StoreRead<std::vector<DueDetails>> readDueDetails(const Database& db, const QString& userId,
                                                  const std::vector<MemoId>& ids);

// The next reminder of a memo after it rang: the moment (solar: AlertTime; lunar: AlertTimeNongli
// as text, with mailTime its solar moment), the repeat code and the reminder flag; the snooze goes;
// the change counter goes up by one and the memo waits for upload. rowsAffected is 0 when the user
// has no such memo, or its moment, repeat code and reminder flag are those already (nothing written).
struct NextAlert
{
    bool lunar = false;
    QString moment;   // stored text of the moment on the memo's calendar
    QString mailTime; // stored text of its solar moment (lunar: tells a leap month apart)
    QString repeatCode;
    bool alertOn = true;
};
StoreResult storeNextAlert(Database& db, const QString& userId, MemoId id, const NextAlert& next);

// A local snooze until the given moment: solar memos keep it in AlertTimeTemp; lunar ones in
// AlertTimeNongliTemp (lunar numbers) with its solar moment in AlertTimeTemp. Not uploaded.
StoreResult storeSnooze(Database& db, const QString& userId, MemoId id, bool lunar,
                        const QString& solarMoment, const QString& lunarMoment);

// The fields of one memo that the reminder window shows and acts on, moments as stored text.
struct RingMemo
{
    MemoId id = 0;
    int type = 0;
    QString title;
    QString content;
    bool lunar = false;
    QString moment;     // AlertTime, or AlertTimeNongli on the lunar calendar
    QString momentHint; // lunar: mailTime
    QString repeatCode;
    bool alertOn = false;
};

// The user's memo with this id while it is in progress and not deleted; none otherwise.
using RingMemoRead = StoreRead<std::optional<RingMemo>>;
RingMemoRead readRingMemo(const Database& db, const QString& userId, MemoId id);

} // namespace velmo
