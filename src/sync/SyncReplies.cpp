#include "SyncReplies.h"

#include "lunar/LunarCalendar.h"
#include "platform/RequestSignature.h"
#include "store/MemoCategory.h"

#include <QStringList>

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

// One item of the service's list, "<id>:<synnum>" or "<id>:<synnum>:d"; none for anything else.
std::optional<ServerEntry> listEntry(QStringView item)
{
    const qsizetype first = item.indexOf(u':');
    if (first < 0)
        return std::nullopt;
    const qsizetype second = item.indexOf(u':', first + 1);
    const QStringView counter =
        second < 0 ? item.sliced(first + 1) : item.sliced(first + 1, second - first - 1);
    bool deleted = false;
    if (second >= 0) {
        const QStringView mark = item.sliced(second + 1);
        if (mark.contains(u':') || mark.trimmed() != u"d")
            return std::nullopt;
        deleted = true;
    }
    bool counted = false;
    const int synnum = counter.trimmed().toInt(&counted);
    const qint64 serverId = positiveId(item.first(first));
    if (!counted || serverId <= 0)
        return std::nullopt;
    return ServerEntry{serverId, synnum, deleted};
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

IdListReply parseIdListReply(const QString& text, const QString& passHash)
{
    IdListReply reply;
    const SignInReply head = parseSignInReply(text, passHash);
    if (head.kind == SignInReply::Kind::Refused)
        reply.kind = IdListReply::Kind::Refused;
    if (head.kind != SignInReply::Kind::Accepted)
        return reply;
    reply.kind = IdListReply::Kind::Accepted;
    reply.mailbox = head.mailbox;
    const QStringList parts = splitFirst(head.rest, QLatin1Char('|'), 1);
    reply.serverTime = parseWireDate(parts.value(0));
    const QString listText = parts.value(1);
    const QStringView list = QStringView(listText).trimmed();
    reply.entries.reserve(size_t(list.count(u',')) + 1);
    for (const QStringView item : list.tokenize(u',', Qt::SkipEmptyParts)) {
        if (const std::optional<ServerEntry> entry = listEntry(item))
            reply.entries.push_back(*entry);
    }
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
    // A memo the table cannot hold would fail its write pass after pass.
    reply.memo = parseConflictData(parts[1]);
    if (reply.memo && !storableRecord(reply.memo->memo))
        reply.memo.reset();
    reply.kind = reply.memo ? DownloadReply::Kind::Memo : DownloadReply::Kind::Unreadable;
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
