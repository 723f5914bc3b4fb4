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

// The soonest memos so far, at most kMaxDueMemos: a heap with the latest of them on top.
class Soonest
{
public:
    struct Entry
    {
        Placed placed;
        MemoId id = 0;
        bool lunar = false;
    };

    void add(const Entry& entry)
    {
        if (isFull() && !before(entry, m_heap.front()))
            return;
        m_heap.push_back(entry);
        std::push_heap(m_heap.begin(), m_heap.end(), before);
        if (m_heap.size() > size_t(kMaxDueMemos)) {
            std::pop_heap(m_heap.begin(), m_heap.end(), before);
            m_heap.pop_back();
        }
    }
    bool isFull() const { return m_heap.size() >= size_t(kMaxDueMemos); }
    // Whether a memo placed no earlier than wall, with this id, would come after every one kept.
    bool comesAfterAll(qint64 wall, MemoId id) const
    {
        if (!isFull())
            return false;
        const Entry& last = m_heap.front();
        return wall > last.placed.wall || (wall == last.placed.wall && id > last.id);
    }
    // Whether every memo placed later than wall comes after every one kept.
    bool isPast(qint64 wall) const { return isFull() && wall > m_heap.front().placed.wall; }
    // Fewest days left first (whole days follow the moment), then the earlier moment, then the id.
    std::vector<Entry> inOrder()
    {
        std::sort_heap(m_heap.begin(), m_heap.end(), before);
        return std::move(m_heap);
    }

private:
    static bool before(const Entry& a, const Entry& b)
    {
        if (a.placed.wall != b.placed.wall)
            return a.placed.wall < b.placed.wall;
        return a.id < b.id;
    }
    std::vector<Entry> m_heap;
};

// The earliest moment any memo whose stored lunar moment is `text` can fall on: the first day of
// its ordinary month (a leap month of its number, and days run on past the month's end, come
// later). It grows with the text, so a read in the text's order can stop once it passes the kept
// memos. Nothing when the text names no month the calendar holds.
std::optional<qint64> lunarLowerBound(const QString& text)
{
    const auto moment = LunarMoment::fromText(text);
    if (!moment)
        return std::nullopt;
    const auto first = LunarCalendar::toSolar(LunarDate{moment->year, moment->month, 1, false});
    if (!first)
        return std::nullopt;
    return first->toJulianDay() * kDay;
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
    const QString solarLimit = last.toString(QStringLiteral("yyyy-MM-dd 23:59:59"));
    const QString lunarLimit = lunarBound(last);
    const qint64 nowWall = today.toJulianDay() * kDay + now.time().msecsSinceStartOfDay() / 1000;

    // First the candidates are placed by their moments and only the soonest are kept: a memo is
    // judged by the later of its moment and its snooze, so a read in the order of the moments
    // stops once a moment comes after every memo kept.
    Soonest soonest;
    const auto place = [&](const DueCandidate& memo) {
        const auto moment =
            memo.lunar ? placeLunar(memo.moment, memo.momentHint, today) : placeSolar(memo.moment, today);
        const auto snooze =
            memo.lunar ? placeLunar(memo.snooze, memo.snoozeHint, today) : placeSolar(memo.snooze, today);
        std::optional<Placed> judged = moment;
        if (snooze && (!judged || snooze->wall > judged->wall))
            judged = snooze;
        if (judged && judged->days <= kDueDays)
            soonest.add({*judged, memo.id, memo.lunar});
        return moment;
    };
    StoreResult read = readDueCandidates(db, userId, DueRange::Snoozes, solarLimit, lunarLimit,
                                         [&](const DueCandidate& memo) { return place(memo), true; });
    if (read)
        read = readDueCandidates(db, userId, DueRange::SolarMoments, solarLimit, lunarLimit,
                                 [&](const DueCandidate& memo) {
                                     const auto moment = place(memo);
                                     return !moment || !soonest.comesAfterAll(moment->wall, memo.id);
                                 });
    if (read)
        read = readDueCandidates(db, userId, DueRange::LunarMoments, solarLimit, lunarLimit,
                                 [&](const DueCandidate& memo) {
                                     place(memo);
                                     const auto earliest = lunarLowerBound(memo.moment);
                                     return !earliest || !soonest.isPast(*earliest);
                                 });
    if (!read) {
        result.error = read.error;
        return result;
    }
    const std::vector<Soonest::Entry> entries = soonest.inOrder();

    // ... then only those have their texts read.
    std::vector<MemoId> kept;
    kept.reserve(entries.size());
    for (const Soonest::Entry& entry : entries)
        kept.push_back(entry.id);
    const auto details = readDueDetails(db, userId, kept);
    if (!details.ok) {
        result.error = details.error;
        return result;
    }
    std::unordered_map<MemoId, const DueDetails*> byId;
    for (const DueDetails& memo : details.value)
        byId.emplace(memo.id, &memo);

    for (const Soonest::Entry& entry : entries) {
        const auto found = byId.find(entry.id);
        if (found == byId.end())
            continue; // gone between the reads, which the transaction rules out
        const DueDetails& memo = *found->second;
        DueMemo due{memo.id,     memo.type,       memo.title, entry.placed.days, entry.placed.wall <= nowWall,
                    entry.lunar, memo.repeatCode, memo.sound, memo.diySound};
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
