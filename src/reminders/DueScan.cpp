#include "DueScan.h"

#include "lunar/LunarCalendar.h"
#include "lunar/LunarMoment.h"
#include "store/Database.h"
#include "store/DbText.h"
#include "store/ReminderQueries.h"

#include <QStringList>

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace velmo {

namespace {

constexpr qint64 kDay = 24 * 60 * 60;

struct Placed
{
    qint64 wall = 0; // wall-clock seconds: Julian day × 86400 + seconds of the day
    qint64 days = 0; // whole days from today
};

// Reads the stored "yyyy-MM-dd HH:mm:ss" (or the date alone) without a time zone lookup.
std::optional<Placed> placeSolar(const QString& text, QDate today)
{
    if (text.size() != 19 && text.size() != 10)
        return std::nullopt;
    int numbers[6] = {};
    static constexpr int starts[6] = {0, 5, 8, 11, 14, 17};
    static constexpr int widths[6] = {4, 2, 2, 2, 2, 2};
    const int fields = text.size() == 19 ? 6 : 3;
    for (int f = 0; f < fields; ++f) {
        for (int i = starts[f]; i < starts[f] + widths[f]; ++i) {
            const char16_t c = text.at(i).unicode();
            if (c < u'0' || c > u'9')
                return std::nullopt;
            numbers[f] = numbers[f] * 10 + (c - u'0');
        }
    }
    const QDate day(numbers[0], numbers[1], numbers[2]);
    if (!day.isValid() || !QTime::isValid(numbers[3], numbers[4], numbers[5]))
        return std::nullopt;
    return Placed{day.toJulianDay() * kDay + numbers[3] * 3600 + numbers[4] * 60 + numbers[5],
                  today.daysTo(day)};
}

std::optional<Placed> placeLunar(const QString& text, const QString& hintText, QDate today)
{
    if (text.isEmpty())
        return std::nullopt;
    const auto moment = LunarMoment::fromText(text);
    if (!moment)
        return std::nullopt;
    // Only a number that has a leap month in its year needs the hint.
    const QDateTime hint =
        LunarCalendar::leapMonth(moment->year) == moment->month ? fromDbText(hintText) : QDateTime();
    const auto days = moment->daysFrom(today, hint);
    if (!days)
        return std::nullopt;
    return Placed{(today.toJulianDay() + *days) * kDay + QTime(0, 0).secsTo(moment->time()), *days};
}

QString lunarBound(QDate last)
{
    const auto lunar = LunarCalendar::fromSolar(last);
    if (!lunar)
        return QStringLiteral("9999-12-31 23:59:59");
    // Every day of the month's number: a leap month is stored with the number of the ordinary one.
    return QStringLiteral("%1-%2-31 23:59:59")
        .arg(lunar->year, 4, 10, QLatin1Char('0'))
        .arg(lunar->month, 2, 10, QLatin1Char('0'));
}

} // namespace

DueScanResult scanDueMemos(Database& db, const QString& userId, const QDateTime& now, bool loginRingDone)
{
    DueScanResult result;
    // Both reads see the same rows: a memo deleted in between would otherwise show without its texts.
    const Transaction snapshot(db);
    if (!snapshot.isActive()) {
        result.error = snapshot.error();
        return result;
    }
    const QDate today = now.date();
    const QDate last = today.addDays(kDueDays);
    const DueCandidates read =
        readDueCandidates(db, userId, last.toString(QStringLiteral("yyyy-MM-dd 23:59:59")), lunarBound(last));
    if (!read.ok) {
        result.error = read.error;
        return result;
    }
    const qint64 nowWall = today.toJulianDay() * kDay + now.time().msecsSinceStartOfDay() / 1000;

    // First every candidate is placed and only the soonest are kept, ...
    struct Entry
    {
        Placed placed;
        const DueCandidate* memo;
    };
    std::vector<Entry> entries;
    for (const DueCandidate& memo : read.value) {
        const auto moment =
            memo.lunar ? placeLunar(memo.moment, memo.momentHint, today) : placeSolar(memo.moment, today);
        const auto snooze =
            memo.lunar ? placeLunar(memo.snooze, memo.snoozeHint, today) : placeSolar(memo.snooze, today);
        std::optional<Placed> judged = moment;
        if (snooze && (!judged || snooze->wall > judged->wall))
            judged = snooze;
        if (judged && judged->days <= kDueDays)
            entries.push_back({*judged, &memo});
    }
    const auto byDaysLeft = [](const Entry& a, const Entry& b) {
        if (a.placed.days != b.placed.days)
            return a.placed.days < b.placed.days;
        if (a.placed.wall != b.placed.wall)
            return a.placed.wall < b.placed.wall;
        return a.memo->id < b.memo->id;
    };
    const size_t shown = std::min<size_t>(entries.size(), kMaxDueMemos);
    std::partial_sort(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(shown), entries.end(),
                      byDaysLeft);
    entries.resize(shown);

    // ... then only those have their texts read.
    std::vector<MemoId> kept;
    kept.reserve(shown);
    for (const Entry& entry : entries)
        kept.push_back(entry.memo->id);
    const auto details = readDueDetails(db, userId, kept);
    if (!details.ok) {
        result.error = details.error;
        return result;
    }
    std::unordered_map<MemoId, const DueDetails*> byId;
    for (const DueDetails& memo : details.value)
        byId.emplace(memo.id, &memo);

    for (const Entry& entry : entries) {
        const auto found = byId.find(entry.memo->id);
        if (found == byId.end())
            continue; // gone between the reads, which the transaction rules out
        const DueDetails& memo = *found->second;
        DueMemo due{
            memo.id,           memo.type,       memo.title, entry.placed.days, entry.placed.wall <= nowWall,
            entry.memo->lunar, memo.repeatCode, memo.sound, memo.diySound};
        if (due.dueNow && !(loginRingDone && isSignInCode(memo.repeatCode)))
            result.ringList.push_back(due.id);
        result.memos.push_back(std::move(due));
    }
    result.ok = true;
    return result;
}

QString ringListText(const std::vector<MemoId>& ids)
{
    QStringList texts;
    for (const MemoId id : ids)
        texts.append(QString::number(id));
    return texts.join(QLatin1Char('|'));
}

} // namespace velmo
