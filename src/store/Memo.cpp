#include "Memo.h"

#include "platform/Clock.h"
#include "store/Database.h"
#include "store/DbText.h"

#include <QSqlRecord>

namespace velmo {

namespace {

QVariant dateValue(const std::optional<QDateTime>& moment)
{
    return moment ? QVariant(*moment) : QVariant();
}

std::optional<QDateTime> optionalDate(const QVariant& value)
{
    const QDateTime moment = fromDbValue(value);
    return moment.isValid() ? std::optional<QDateTime>(moment) : std::nullopt;
}

QVariant contentValue(const QString& content)
{
    return content.isEmpty() ? QVariant() : QVariant(content);
}

} // namespace

StoreResult insertMemo(Database& db, const MemoRecord& memo)
{
    const QDateTime addtime = memo.addtime ? *memo.addtime : Clock::currentDateTime();
    return db.exec(
        QStringLiteral("INSERT INTO Notebook (NotebookServerId, type, userid, title, content, Done, "
                       "addtime, AlertTime, AlertPinLv, mimi, ifAlert, importance, AddIp, click, "
                       "AlertTimeNongli, mailTime, \"before\", sound, DiySound, Mail, editor, lifa, "
                       "synnum, syn, Del, AlertTimeTemp, AlertTimeNongliTemp) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                       "?, ?, ?)"),
        {memo.NotebookServerId,
         memo.type,
         memo.userid,
         memo.title,
         contentValue(memo.content),
         memo.Done,
         addtime,
         dateValue(memo.AlertTime),
         memo.AlertPinLv,
         memo.mimi,
         memo.ifAlert,
         memo.importance,
         memo.AddIp,
         memo.click,
         dateValue(memo.AlertTimeNongli),
         dateValue(memo.mailTime),
         memo.before,
         memo.sound,
         memo.DiySound,
         memo.Mail,
         memo.editor,
         memo.lifa,
         memo.synnum,
         memo.syn,
         memo.Del,
         dateValue(memo.AlertTimeTemp),
         dateValue(memo.AlertTimeNongliTemp)});
}

MemoRecord memoFromRecord(const QSqlRecord& record)
{
    const auto v = [&record](const char* column) { return record.value(QLatin1String(column)); };
    MemoRecord memo;
    memo.id = v("id").toLongLong();
    memo.NotebookServerId = v("NotebookServerId").toLongLong();
    memo.type = v("type").toInt();
    memo.userid = v("userid").toString();
    memo.title = v("title").toString();
    memo.content = v("content").toString();
    memo.Done = dbBool(v("Done"));
    memo.addtime = optionalDate(v("addtime"));
    memo.AlertTime = optionalDate(v("AlertTime"));
    memo.AlertPinLv = v("AlertPinLv").toString();
    memo.mimi = dbBool(v("mimi"));
    memo.ifAlert = dbBool(v("ifAlert"));
    memo.importance = dbBool(v("importance"));
    memo.AddIp = v("AddIp").toString();
    memo.click = v("click").toInt();
    memo.AlertTimeNongli = optionalDate(v("AlertTimeNongli"));
    memo.mailTime = optionalDate(v("mailTime"));
    memo.before = v("before").toInt();
    memo.sound = v("sound").toString();
    memo.DiySound = v("DiySound").toString();
    memo.Mail = dbBool(v("Mail"));
    memo.editor = dbBool(v("editor"));
    memo.lifa = v("lifa").toInt();
    memo.synnum = v("synnum").toInt();
    memo.syn = dbBool(v("syn"));
    memo.Del = dbBool(v("Del"));
    memo.AlertTimeTemp = optionalDate(v("AlertTimeTemp"));
    memo.AlertTimeNongliTemp = optionalDate(v("AlertTimeNongliTemp"));
    return memo;
}

std::optional<MemoRecord> readMemo(const Database& db, qint64 id)
{
    const DbRow row = db.selectFirst(QStringLiteral("SELECT * FROM Notebook WHERE id=?"), {id});
    if (!row.found)
        return std::nullopt;
    return memoFromRecord(row.record);
}

} // namespace velmo
