#include "SyncReplies.h"

#include "lunar/LunarCalendar.h"
#include "platform/RequestSignature.h"
#include "store/MemoCategory.h"
#include "store/SyncRows.h"

#include <QStringList>

#include <array>
#include <limits>

namespace velmo {

namespace {

// The text split on its first `count` separators: at most count + 1 parts, the last one whole.
QStringList splitFirst(const QString& text, QChar separator, int count)
{
    QStringList parts;
    qsizetype from = 0;
    while (parts.size() < count) {
        const qsizetype at = text.indexOf(separator, from);
        if (at < 0)
            break;
        parts.append(text.mid(from, at - from));
        from = at + 1;
    }
    parts.append(text.mid(from));
    return parts;
}

// A whole number above 0, or 0.
qint64 positiveId(QStringView text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok && value > 0 ? value : 0;
}

// A token of the service: 1 to 16 letters and digits. Looked up in a table: the list names two a memo.
bool isToken(QStringView text)
{
    static constexpr auto alphanumeric = [] {
        std::array<bool, 128> table{};
        for (char16_t c = 0; c < 128; ++c)
            table[c] = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        return table;
    }();
    if (text.isEmpty() || text.size() > 16)
        return false;
    for (const QChar ch : text) {
        if (ch.unicode() >= 128 || !alphanumeric[ch.unicode()])
            return false;
    }
    return true;
}

// A whole number in ASCII digits with an optional sign, from min to max; none for anything else. Read
// by hand: the list names two a memo, and a list may name a million memos.
std::optional<qint64> wholeNumber(QStringView text, qint64 min, qint64 max)
{
    const bool negative = text.startsWith(u'-');
    const qsizetype first = negative || text.startsWith(u'+') ? 1 : 0;
    if (text.size() == first || text.size() - first > 19)
        return std::nullopt;
    quint64 value = 0;
    for (qsizetype at = first; at < text.size(); ++at) {
        const char16_t c = text[at].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    if (value > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    const qint64 number = negative ? -qint64(value) : qint64(value);
    if (number < min || number > max)
        return std::nullopt;
    return number;
}

// How one item of the service's list reads.
enum class EntryShape
{
    Read,  // "<id>:<synnum>[:d]:<token>:<digest>"
    Plain, // a memo named without its token and digest: a service that names neither
    Wrong, // anything else
};

EntryShape listEntry(QStringView item, ServerEntry& entry)
{
    // Split by hand: a list may name a million memos.
    QStringView parts[5];
    int count = 0;
    const char16_t* const chars = item.utf16();
    qsizetype start = 0;
    for (qsizetype at = 0; at <= item.size(); ++at) {
        if (at < item.size() && chars[at] != u':')
            continue;
        if (count == 5)
            return EntryShape::Wrong;
        parts[count++] = item.sliced(start, at - start).trimmed();
        start = at + 1;
    }
    if (count < 2)
        return EntryShape::Wrong;
    const std::optional<qint64> serverId = wholeNumber(parts[0], 1, std::numeric_limits<qint64>::max());
    const std::optional<qint64> synnum =
        wholeNumber(parts[1], std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    if (!serverId || !synnum)
        return EntryShape::Wrong;
    entry.serverId = *serverId;
    entry.synnum = int(*synnum);
    int next = 2;
    entry.deleted = count > next && parts[next] == u"d";
    if (entry.deleted)
        ++next;
    const int named = count - next;
    if (named < 2)
        return named == 0 || isToken(parts[next]) ? EntryShape::Plain : EntryShape::Wrong;
    if (named != 2 || !isToken(parts[next]) || !isToken(parts[next + 1]))
        return EntryShape::Wrong;
    entry.token = parts[next];
    entry.digest = parts[next + 1];
    return EntryShape::Read;
}

// "<synnum>:<digest>,..." of a downloaded memo; an item that does not read is left out.
std::vector<CopyVersion> versionList(QStringView text)
{
    std::vector<CopyVersion> versions;
    for (const QStringView item : text.tokenize(u',', Qt::SkipEmptyParts)) {
        const qsizetype colon = item.indexOf(u':');
        if (colon <= 0)
            continue;
        bool counted = false;
        const int synnum = item.first(colon).trimmed().toInt(&counted);
        const QStringView digest = item.sliced(colon + 1).trimmed();
        if (counted && isToken(digest))
            versions.push_back({synnum, digest.toString()});
    }
    return versions;
}

// The reply without the line breaks a service may end it with.
QString withoutTrailingBreaks(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && (text.at(end - 1) == QLatin1Char('\n') || text.at(end - 1) == QLatin1Char('\r')))
        --end;
    return text.left(end);
}

} // namespace

bool storableRecord(const MemoRecord& memo)
{
    const auto withinCalendar = [](const std::optional<QDateTime>& moment) {
        return !moment ||
               (moment->date() >= LunarCalendar::firstDay() && moment->date() <= LunarCalendar::lastDay());
    };
    const std::optional<LunarMoment>& lunar = memo.AlertTimeNongli;
    const bool lunarHeld =
        !lunar || (lunar->year >= LunarCalendar::kFirstYear && lunar->year <= LunarCalendar::kLastYear &&
                   lunar->month >= 1 && lunar->month <= 12 && lunar->day >= 1 && lunar->day <= 30);
    return memo.title.size() <= MemoRecord::TitleLength && memo.sound.size() <= MemoRecord::SoundLength &&
           memo.AlertPinLv.size() <= MemoRecord::AlertPinLvLength &&
           memo.AddIp.size() <= MemoRecord::AddIpLength && memo.userid.size() <= 50 &&
           isCategoryCode(memo.type) && memo.synnum >= 0 && withinCalendar(memo.AlertTime) &&
           withinCalendar(memo.mailTime) && lunarHeld;
}

IdListReply parseIdListReply(const QString& text, const QString& passHash, qint64 after)
{
    IdListReply reply;
    const SignInReply head = parseSignInReply(text, passHash);
    if (head.kind == SignInReply::Kind::Refused)
        reply.kind = IdListReply::Kind::Refused;
    if (head.kind != SignInReply::Kind::Accepted)
        return reply;
    reply.mailbox = head.mailbox;
    // "<server time>|<list>|<next>", read in place: the list is the bulk of the reply.
    const QStringView rest(head.rest);
    const qsizetype timeEnd = rest.indexOf(u'|');
    reply.serverTime = parseWireDate((timeEnd < 0 ? rest : rest.first(timeEnd)).toString());
    const qsizetype listEnd = timeEnd < 0 ? -1 : rest.indexOf(u'|', timeEnd + 1);
    if (listEnd < 0) {
        reply.kind = IdListReply::Kind::Unsupported;
        return reply;
    }
    reply.kind = IdListReply::Kind::Malformed;
    bool numbered = false;
    const qint64 next = rest.sliced(listEnd + 1).trimmed().toLongLong(&numbered);
    if (!numbered || next < 0)
        return reply;
    const QStringView list = rest.sliced(timeEnd + 1, listEnd - timeEnd - 1).trimmed();
    reply.entries.reserve(size_t(list.count(u',')) + 1);
    qint64 previous = after;
    for (qsizetype start = 0; start < list.size();) {
        qsizetype end = list.indexOf(u',', start);
        if (end < 0)
            end = list.size();
        const QStringView item = list.sliced(start, end - start);
        start = end + 1;
        if (item.isEmpty())
            continue;
        ServerEntry entry;
        const EntryShape shape = listEntry(item, entry);
        if (shape != EntryShape::Read || entry.serverId <= previous) {
            reply.kind = shape == EntryShape::Plain ? IdListReply::Kind::Unsupported : reply.kind;
            reply.badEntry = qsizetype(reply.entries.size()) + 1;
            reply.entries.clear();
            return reply;
        }
        previous = entry.serverId;
        reply.entries.push_back(std::move(entry));
    }
    // A page that is not the last ends at the id the next one starts after.
    if (next != 0 && (reply.entries.empty() || next != reply.entries.back().serverId)) {
        reply.entries.clear();
        return reply;
    }
    reply.kind = IdListReply::Kind::Accepted;
    reply.next = next;
    return reply;
}

DownloadReply parseDownloadReply(const QString& raw)
{
    const QString text = withoutTrailingBreaks(raw);
    DownloadReply reply;
    if (text.startsWith(QLatin1String("error"))) {
        reply.kind = DownloadReply::Kind::Refused;
        return reply;
    }
    const QStringList parts = splitFirst(text, QLatin1Char('|'), 1);
    if (parts.size() < 2 || parts[0].trimmed() != QLatin1String("ok"))
        return reply;
    if (parts[1].trimmed().isEmpty()) {
        reply.kind = DownloadReply::Kind::Missing;
        return reply;
    }
    // The record's 22 fields, the server id, and then (optional) the deleted mark, the token and the
    // copies the memo held.
    const QStringList fields = parts[1].split(RecordFieldSeparator);
    reply.kind = DownloadReply::Kind::Unreadable;
    const qsizetype base = ServerRecordFieldCount + 1;
    if (fields.size() != base && fields.size() != base + 3)
        return reply;
    reply.memo = parseConflictData(QStringList(fields.mid(0, base)).join(RecordFieldSeparator));
    // A memo the table cannot hold would fail its write pass after pass.
    if (!reply.memo || !storableRecord(reply.memo->memo)) {
        reply.memo.reset();
        return reply;
    }
    if (fields.size() > base) {
        const QString mark = fields[base].trimmed();
        const QString token = fields[base + 1].trimmed();
        if ((!mark.isEmpty() && mark != QLatin1String("d")) || (!token.isEmpty() && !isToken(token))) {
            reply.memo.reset();
            return reply;
        }
        reply.deleted = !mark.isEmpty();
        reply.token = token;
        reply.versions = versionList(fields[base + 2]);
        keepFirstAndLatest(reply.versions); // whatever a service names, no more is kept
    }
    reply.kind = DownloadReply::Kind::Memo;
    return reply;
}

SynReply parseSynReply(const QString& raw)
{
    const QString text = withoutTrailingBreaks(raw);
    SynReply reply;
    const QStringList parts = splitFirst(text, QLatin1Char('|'), 3);
    if (parts.size() < 3)
        return reply;
    const QString head = parts[0].trimmed();
    const QString status = parts[1].trimmed();
    if (head == QLatin1String("#delo#") && status == QLatin1String("ok")) {
        bool ok = false;
        const qint64 serverId = parts[2].trimmed().toLongLong(&ok);
        if (ok && serverId >= 0) {
            reply.kind = SynReply::Kind::Deleted;
            reply.serverId = serverId;
        }
        return reply;
    }
    if (head != QLatin1String("#adok#") || parts.size() < 4)
        return reply;
    const qint64 serverId = positiveId(parts[2]);
    if (serverId == 0)
        return reply;
    if (status == QLatin1String("ok")) {
        const MemoId localId = positiveId(parts[3]);
        if (localId == 0)
            return reply;
        reply.kind = SynReply::Kind::Stored;
        reply.localId = localId;
    } else if (status == QLatin1String("error")) {
        if (!parseServerRecord(parts[3]))
            return reply;
        reply.kind = SynReply::Kind::Conflict;
        reply.serverRecord = parts[3];
    } else {
        return reply;
    }
    reply.serverId = serverId;
    return reply;
}

} // namespace velmo
