#include "ServerRecord.h"

#include "platform/Md5.h"
#include "platform/UrlEncoders.h"

#include <QStringList>

#include <limits>

namespace velmo {

namespace {

QString yesNo(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString dateField(const std::optional<QDateTime>& moment)
{
    return moment ? wireDateText(*moment) : QString();
}

bool readYes(const QString& text)
{
    const QString value = text.trimmed();
    return value.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || value == QLatin1String("1") ||
           value == QLatin1String("-1");
}

// An empty field is 0; anything else must be a whole number within int.
bool readInt(const QString& text, int& value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        value = 0;
        return true;
    }
    bool ok = false;
    const qlonglong number = trimmed.toLongLong(&ok);
    if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(number);
    return true;
}

// An empty field is no moment; anything else must read as one (a 30th of February does not).
bool readDate(const QString& text, std::optional<QDateTime>& moment)
{
    moment.reset();
    if (text.trimmed().isEmpty())
        return true;
    const QDateTime read = parseWireDate(text);
    if (read.isValid())
        moment = read;
    return read.isValid();
}

bool readLunar(const QString& text, std::optional<LunarMoment>& moment)
{
    moment = parseWireLunar(text);
    return moment || text.trimmed().isEmpty();
}

QString lunarField(const std::optional<LunarMoment>& moment)
{
    return moment ? wireLunarText(*moment) : QString();
}

// What the service keeps of a text sent through EncodePostData.
QString asPosted(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1String("<BR>"));
}

bool readNumbers(const QString& text, QChar separator, int expectedMin, int expectedMax, QList<int>& parts)
{
    const QStringList pieces = text.split(separator);
    if (pieces.size() < expectedMin || pieces.size() > expectedMax)
        return false;
    for (const QString& piece : pieces) {
        bool ok = false;
        const int number = piece.trimmed().toInt(&ok);
        if (!ok || number < 0)
            return false;
        parts.append(number);
    }
    return true;
}

} // namespace

namespace {

QString wireMomentText(int year, int month, int day, QTime time)
{
    QString text = QStringLiteral("%1-%2-%3").arg(year).arg(month).arg(day);
    if (time != QTime(0, 0))
        text += QStringLiteral(" %1:%2:%3")
                    .arg(time.hour())
                    .arg(time.minute(), 2, 10, QLatin1Char('0'))
                    .arg(time.second(), 2, 10, QLatin1Char('0'));
    return text;
}

} // namespace

QString wireDateText(const QDateTime& moment)
{
    if (!moment.isValid())
        return QString();
    const QDate date = moment.date();
    return wireMomentText(date.year(), date.month(), date.day(), moment.time());
}

QString wireLunarText(const LunarMoment& moment)
{
    return wireMomentText(moment.year, moment.month, moment.day, moment.time());
}

std::optional<LunarMoment> parseWireLunar(const QString& text)
{
    // Every lunar day has a solar twin of the same numbers in a month of 30 days or more: read the
    // date against such a month, then keep the numbers as written.
    const QString trimmed = text.trimmed();
    const QStringList halves = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (halves.isEmpty())
        return std::nullopt;
    const QChar separator = halves[0].contains(QLatin1Char('/')) ? QLatin1Char('/') : QLatin1Char('-');
    QList<int> day;
    if (!readNumbers(halves[0], separator, 3, 3, day) || day[1] < 1 || day[1] > 12 || day[2] < 1 ||
        day[2] > 30)
        return std::nullopt;
    QStringList twin = halves;
    twin[0] = QStringLiteral("%1-1-%2").arg(day[0]).arg(day[2]);
    const QDateTime moment = parseWireDate(twin.join(QLatin1Char(' ')));
    if (!moment.isValid())
        return std::nullopt;
    return LunarMoment{
        day[0], day[1], day[2], moment.time().hour(), moment.time().minute(), moment.time().second()};
}

QDateTime parseWireDate(const QString& text)
{
    const QStringList halves = text.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (halves.isEmpty() || halves.size() > 2)
        return {};
    QList<int> day;
    const QChar dateSeparator = halves[0].contains(QLatin1Char('/')) ? QLatin1Char('/') : QLatin1Char('-');
    if (!readNumbers(halves[0], dateSeparator, 3, 3, day))
        return {};
    QList<int> clock;
    if (halves.size() == 2 && !readNumbers(halves[1], QLatin1Char(':'), 2, 3, clock))
        return {};
    while (clock.size() < 3)
        clock.append(0);
    const QDate date(day[0], day[1], day[2]);
    const QTime time(clock[0], clock[1], clock[2]);
    if (!date.isValid() || !time.isValid() || date.year() < 1000 || date.year() > 9999)
        return {};
    return QDateTime(date, time);
}

QString ServerRecordText(const MemoRecord& memo)
{
    const QStringList fields = {QString::number(memo.type),
                                memo.userid,
                                memo.title,
                                memo.content,
                                yesNo(memo.Done),
                                dateField(memo.addtime),
                                dateField(memo.AlertTime),
                                memo.AlertPinLv,
                                yesNo(memo.mimi),
                                yesNo(memo.ifAlert),
                                yesNo(memo.importance),
                                memo.AddIp,
                                QString::number(memo.click),
                                lunarField(memo.AlertTimeNongli),
                                dateField(memo.mailTime),
                                QString::number(memo.before),
                                memo.sound,
                                yesNo(memo.Mail),
                                yesNo(memo.editor),
                                QString::number(memo.lifa),
                                QString::number(memo.synnum),
                                memo.DiySound};
    return fields.join(RecordFieldSeparator);
}

std::optional<MemoRecord> parseServerRecord(const QString& record)
{
    const QStringList f = record.split(RecordFieldSeparator);
    if (f.size() != ServerRecordFieldCount)
        return std::nullopt;
    MemoRecord memo;
    if (!readInt(f[0], memo.type) || !readInt(f[12], memo.click) || !readInt(f[15], memo.before) ||
        !readInt(f[19], memo.lifa) || !readInt(f[20], memo.synnum) || !readDate(f[5], memo.addtime) ||
        !readDate(f[6], memo.AlertTime) || !readLunar(f[13], memo.AlertTimeNongli) ||
        !readDate(f[14], memo.mailTime))
        return std::nullopt;
    memo.userid = f[1];
    memo.title = f[2];
    memo.content = f[3];
    memo.Done = readYes(f[4]);
    memo.AlertPinLv = f[7];
    memo.mimi = readYes(f[8]);
    memo.ifAlert = readYes(f[9]);
    memo.importance = readYes(f[10]);
    memo.AddIp = f[11];
    memo.sound = f[16];
    memo.Mail = readYes(f[17]);
    memo.editor = readYes(f[18]);
    memo.DiySound = f[21];
    return memo;
}

bool sameOnTheWire(const MemoRecord& a, const MemoRecord& b)
{
    MemoRecord left = a;
    MemoRecord right = b;
    left.synnum = right.synnum = 0;
    left.content = asPosted(left.content);
    right.content = asPosted(right.content);
    left.title = asPosted(left.title);
    right.title = asPosted(right.title);
    return ServerRecordText(left) == ServerRecordText(right);
}

QString wireDigest(const MemoRecord& memo)
{
    MemoRecord posted = memo;
    posted.title = asPosted(posted.title);
    posted.content = asPosted(posted.content);
    QStringList fields = ServerRecordText(posted).split(RecordFieldSeparator);
    fields[20].clear();
    return MD5_16(fields.join(RecordFieldSeparator));
}

QString conflictDataText(const QString& serverRecord, qint64 serverId)
{
    return serverRecord + RecordFieldSeparator + QString::number(serverId);
}

std::optional<ConflictRecord> parseConflictData(const QString& data)
{
    const qsizetype cut = data.lastIndexOf(RecordFieldSeparator);
    if (cut < 0)
        return std::nullopt;
    bool ok = false;
    const qint64 serverId = data.mid(cut + RecordFieldSeparator.size()).trimmed().toLongLong(&ok);
    if (!ok || serverId <= 0)
        return std::nullopt;
    std::optional<MemoRecord> memo = parseServerRecord(data.left(cut));
    if (!memo)
        return std::nullopt;
    return ConflictRecord{serverId, std::move(*memo)};
}

QString SynPostBody(const MemoRecord& memo)
{
    const auto number = [](qint64 value) { return URLEncode(QString::number(value)); };
    const auto flag = [](bool value) { return URLEncode(yesNo(value)); };
    const auto date = [](const std::optional<QDateTime>& moment) { return URLEncode(dateField(moment)); };
    const QString pairs[] = {
        QStringLiteral("LocalId=") + QString::number(memo.id),
        QStringLiteral("id=") +
            (memo.NotebookServerId > 0 ? QString::number(memo.NotebookServerId) : QString()),
        QStringLiteral("type=") + number(memo.type),
        QStringLiteral("userid=") + URLEncode(memo.userid),
        QStringLiteral("title=") + EncodePostData(memo.title),
        QStringLiteral("content=") + EncodePostData(memo.content),
        QStringLiteral("Done=") + flag(memo.Done),
        QStringLiteral("addtime=") + date(memo.addtime),
        QStringLiteral("AlertTime=") + date(memo.AlertTime),
        QStringLiteral("AlertPinLv=") + URLEncode(memo.AlertPinLv),
        QStringLiteral("mimi=") + flag(memo.mimi),
        QStringLiteral("ifAlert=") + flag(memo.ifAlert),
        QStringLiteral("importance=") + flag(memo.importance),
        QStringLiteral("AddIp=") + URLEncode(memo.AddIp),
        QStringLiteral("click=") + number(memo.click),
        QStringLiteral("AlertTimeNongli=") + URLEncode(lunarField(memo.AlertTimeNongli)),
        QStringLiteral("mailTime=") + date(memo.mailTime),
        QStringLiteral("before=") + number(memo.before),
        QStringLiteral("sound=") + URLEncode(memo.sound),
        QStringLiteral("diysound=") + URLEncode(memo.DiySound),
        QStringLiteral("Mail=") + flag(memo.Mail),
        QStringLiteral("editor=") + flag(memo.editor),
        QStringLiteral("lifa=") + number(memo.lifa),
        QStringLiteral("synnum=") + number(memo.synnum),
        QStringLiteral("del=") + flag(memo.Del),
    };
    QString body;
    for (const QString& pair : pairs) {
        if (!body.isEmpty())
            body += QLatin1Char('&');
        body += pair;
    }
    return body;
}

} // namespace velmo
