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

// A token of the service: 1 to 16 letters and digits.
bool isToken(QStringView text)
{
    if (text.isEmpty() || text.size() > 16)
        return false;
    for (const QChar c : text) {
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) || c.unicode() > 127)
            return false;
    }
    return true;
}

// One item of the service's list, "<id>:<synnum>[:d][:<token>[:<digest>]]"; none for anything else.
std::optional<ServerEntry> listEntry(QStringView item)
{
    QStringView parts[5];
    int count = 0;
    for (const QStringView part : item.tokenize(u':')) {
        if (count == 5)
            return std::nullopt;
        parts[count++] = part.trimmed();
    }
    if (count < 2)
        return std::nullopt;
    ServerEntry entry;
    int next = 2;
    if (count > next && parts[next] == u"d") {
        entry.deleted = true;
        ++next;
    }
    for (QString* named : {&entry.token, &entry.digest}) {
        if (count <= next)
            break;
        if (!isToken(parts[next]))
            return std::nullopt;
        *named = parts[next].toString();
        ++next;
    }
    if (next != count)
        return std::nullopt;
    bool counted = false;
    entry.synnum = parts[1].toInt(&counted);
    entry.serverId = positiveId(parts[0]);
    if (!counted || entry.serverId <= 0)
        return std::nullopt;
    return entry;
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
        if (std::optional<ServerEntry> entry = listEntry(item))
            reply.entries.push_back(std::move(*entry));
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
