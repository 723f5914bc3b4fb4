#include "Memo.h"

#include "platform/Clock.h"
#include "store/Database.h"
#include "store/DbText.h"

#include <QSqlRecord>

namespace velmo {

namespace {

std::optional<QDateTime> optionalDate(const QVariant& value)
{
    const QDateTime moment = fromDbValue(value);
    return moment.isValid() ? std::optional<QDateTime>(moment) : std::nullopt;
}

std::optional<LunarMoment> optionalLunar(const QVariant& value)
{
    return value.isNull() ? std::nullopt : LunarMoment::fromText(value.toString());
}

// An empty text is stored as NULL.
QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

QVariant dateValue(const std::optional<QDateTime>& moment)
{
    return moment ? QVariant(*moment) : QVariant();
}

QVariant lunarValue(const std::optional<LunarMoment>& moment)
{
    return moment ? QVariant(moment->storageText()) : QVariant();
}

const QStringList& syncedColumns()
{
    static const QStringList columns = {QStringLiteral("type"),
                                        QStringLiteral("title"),
                                        QStringLiteral("content"),
                                        QStringLiteral("Done"),
                                        QStringLiteral("addtime"),
                                        QStringLiteral("AlertTime"),
                                        QStringLiteral("AlertPinLv"),
                                        QStringLiteral("mimi"),
                                        QStringLiteral("ifAlert"),
                                        QStringLiteral("importance"),
                                        QStringLiteral("AddIp"),
                                        QStringLiteral("click"),
                                        QStringLiteral("AlertTimeNongli"),
                                        QStringLiteral("mailTime"),
                                        QStringLiteral("\"before\""),
                                        QStringLiteral("sound"),
                                        QStringLiteral("Mail"),
                                        QStringLiteral("editor"),
                                        QStringLiteral("lifa"),
                                        QStringLiteral("DiySound")};
    return columns;
}

QVariantList syncedValues(const MemoRecord& memo)
{
    return {memo.type,
            memo.title,
            textOrNull(memo.content),
            memo.Done,
            dateValue(memo.addtime),
            dateValue(memo.AlertTime),
            memo.AlertPinLv,
            memo.mimi,
            memo.ifAlert,
            memo.importance,
            memo.AddIp,
            memo.click,
            lunarValue(memo.AlertTimeNongli),
            dateValue(memo.mailTime),
            memo.before,
            memo.sound,
            memo.Mail,
            memo.editor,
            memo.lifa,
            memo.DiySound};
}

StoreResult insertMemo(Database& db, const MemoRecord& memo)
{
    static const FixedSql insert([] {
        QStringList marks;
        marks.fill(QStringLiteral("?"), syncedColumns().size() + 8);
        return QStringLiteral("INSERT INTO Notebook (") + syncedColumns().join(QStringLiteral(", ")) +
               QStringLiteral(
                   ", NotebookServerId, userid, synnum, syn, Del, AlertTimeTemp, AlertTimeNongliTemp, "
                   "SyncedSynnum) VALUES (") +
               marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }());
    static const qsizetype addtime = syncedColumns().indexOf(QStringLiteral("addtime"));
    QVariantList values = syncedValues(memo);
    if (!memo.addtime)
        values[addtime] = Clock::currentDateTime();
    values << memo.NotebookServerId << memo.userid << memo.synnum << memo.syn << memo.Del
           << dateValue(memo.AlertTimeTemp) << dateValue(memo.AlertTimeNongliTemp) << memo.SyncedSynnum;
    return db.exec(insert, values);
}

namespace {

// The columns of a memo row, in the table's order.
enum Column
{
    Id,
    NotebookServerId,
    Type,
    Userid,
    Title,
    Content,
    Done,
    Addtime,
    AlertTime,
    AlertPinLv,
    Mimi,
    IfAlert,
    Importance,
    AddIp,
    Click,
    AlertTimeNongli,
    MailTime,
    Before,
    Sound,
    DiySound,
    Mail,
    Editor,
    Lifa,
    Synnum,
    Syn,
    Del,
    AlertTimeTemp,
    AlertTimeNongliTemp,
    SyncedSynnum,
    ColumnCount
};

constexpr const char* kColumnNames[ColumnCount] = {"id",
                                                   "NotebookServerId",
                                                   "type",
                                                   "userid",
                                                   "title",
                                                   "content",
                                                   "Done",
                                                   "addtime",
                                                   "AlertTime",
                                                   "AlertPinLv",
                                                   "mimi",
                                                   "ifAlert",
                                                   "importance",
                                                   "AddIp",
                                                   "click",
                                                   "AlertTimeNongli",
                                                   "mailTime",
                                                   "before",
                                                   "sound",
                                                   "DiySound",
                                                   "Mail",
                                                   "editor",
                                                   "lifa",
                                                   "synnum",
                                                   "syn",
                                                   "Del",
                                                   "AlertTimeTemp",
                                                   "AlertTimeNongliTemp",
                                                   "SyncedSynnum"};

// Builds a memo from the fields of one row, read as the types their members take.
template <typename Fields>
MemoRecord makeMemo(const Fields& f)
{
    MemoRecord memo;
    memo.id = f.number(Id);
    memo.NotebookServerId = f.number(NotebookServerId);
    memo.type = f.small(Type);
    memo.userid = f.text(Userid);
    memo.title = f.text(Title);
    memo.content = f.text(Content);
    memo.Done = f.flag(Done);
    memo.addtime = f.date(Addtime);
    memo.AlertTime = f.date(AlertTime);
    memo.AlertPinLv = f.text(AlertPinLv);
    memo.mimi = f.flag(Mimi);
    memo.ifAlert = f.flag(IfAlert);
    memo.importance = f.flag(Importance);
    memo.AddIp = f.text(AddIp);
    memo.click = f.small(Click);
    memo.AlertTimeNongli = f.lunar(AlertTimeNongli);
    memo.mailTime = f.date(MailTime);
    memo.before = f.small(Before);
    memo.sound = f.text(Sound);
    memo.DiySound = f.text(DiySound);
    memo.Mail = f.flag(Mail);
    memo.editor = f.flag(Editor);
    memo.lifa = f.small(Lifa);
    memo.synnum = f.small(Synnum);
    memo.syn = f.flag(Syn);
    memo.Del = f.flag(Del);
    memo.AlertTimeTemp = f.date(AlertTimeTemp);
    memo.AlertTimeNongliTemp = f.date(AlertTimeNongliTemp);
    memo.SyncedSynnum = f.small(SyncedSynnum);
    return memo;
}

// The fields of a record, through their QVariants.
struct RecordFields
{
    const QSqlRecord& record;

    QVariant value(int column) const { return record.value(QLatin1String(kColumnNames[column])); }
    qint64 number(int column) const { return value(column).toLongLong(); }
    int small(int column) const { return value(column).toInt(); }
    QString text(int column) const { return value(column).toString(); }
    bool flag(int column) const { return dbBool(value(column)); }
    std::optional<QDateTime> date(int column) const { return optionalDate(value(column)); }
    std::optional<LunarMoment> lunar(int column) const { return optionalLunar(value(column)); }
};

// The fields of the row a query stands on, read without a QVariant where the stored kind allows,
// with the same results as through one.
struct QueryFields
{
    const DbQuery& query;
    const int* indexes; // each column's position in the row; negative when the query has none

    qint64 number(int column) const
    {
        const int i = indexes[column];
        switch (query.kind(i)) {
        case DbQuery::Kind::Integer:
            return query.integer(i);
        case DbQuery::Kind::Null:
            return 0;
        default:
            return query.value(i).toLongLong();
        }
    }
    int small(int column) const
    {
        const int i = indexes[column];
        switch (query.kind(i)) {
        case DbQuery::Kind::Integer:
            return static_cast<int>(query.integer(i));
        case DbQuery::Kind::Null:
            return 0;
        default:
            return query.value(i).toInt();
        }
    }
    QString text(int column) const { return query.text(indexes[column]); }
    bool flag(int column) const
    {
        return query.kind(indexes[column]) != DbQuery::Kind::Null && number(column) != 0;
    }
    std::optional<QDateTime> date(int column) const
    {
        const int i = indexes[column];
        QDateTime moment;
        switch (query.kind(i)) {
        case DbQuery::Kind::Null:
            return std::nullopt;
        case DbQuery::Kind::Text:
            moment = fromDbText(query.utf8(i));
            break;
        default:
            moment = fromDbValue(query.value(i));
            break;
        }
        return moment.isValid() ? std::optional<QDateTime>(moment) : std::nullopt;
    }
    std::optional<LunarMoment> lunar(int column) const
    {
        if (query.kind(indexes[column]) == DbQuery::Kind::Null)
            return std::nullopt;
        return LunarMoment::fromText(text(column));
    }
};

} // namespace

MemoRecord memoFromRecord(const QSqlRecord& record)
{
    return makeMemo(RecordFields{record});
}

StoreRead<std::vector<MemoRecord>> readMemos(const Database& db, const QString& sql,
                                             const QVariantList& values)
{
    int indexes[ColumnCount];
    bool first = true;
    return db.selectRows(sql, values, [&indexes, &first](const DbQuery& query) {
        if (first) {
            // Column positions are looked up once, not for every row.
            const QSqlRecord layout = query.record();
            for (int c = 0; c < ColumnCount; ++c)
                indexes[c] = layout.indexOf(QLatin1String(kColumnNames[c]));
            first = false;
        }
        return makeMemo(QueryFields{query, indexes});
    });
}

StoreResult addEditorMemo(Database& db, const QString& userId, const MemoWrite& memo, const QDateTime& now,
                          const std::optional<QString>& customTune)
{
    Transaction transaction(db);
    StoreResult added = db.exec(
        QStringLiteral("INSERT INTO Notebook (type, userid, title, content, Done, addtime, AlertPinLv, mimi, "
                       "ifAlert, importance, click, AlertTime, AlertTimeNongli, mailTime, \"before\", sound, "
                       "DiySound, Mail, editor, lifa, synnum) "
                       "VALUES (?, ?, ?, ?, 0, ?, ?, ?, ?, ?, 1, ?, ?, ?, 7, ?, ?, ?, 0, ?, 1)"),
        {memo.type, userId, memo.title, textOrNull(memo.content.value_or(QString())), now, memo.AlertPinLv,
         memo.mimi, memo.ifAlert, memo.importance, textOrNull(memo.AlertTime),
         textOrNull(memo.AlertTimeNongli), textOrNull(memo.mailTime),
         memo.sound ? QVariant(*memo.sound) : QVariant(), textOrNull(memo.DiySound), memo.Mail, memo.lifa});
    if (!added)
        return added;
    if (customTune) {
        const StoreResult remembered =
            db.exec(QStringLiteral("UPDATE Config SET DiySound=? WHERE id=(SELECT min(id) FROM Config)"),
                    {customTune->isEmpty() ? QStringLiteral("") : *customTune});
        if (!remembered)
            return remembered;
    }
    const StoreResult committed = transaction.commit();
    if (!committed)
        return committed;
    return added;
}

StoreResult updateEditorMemo(Database& db, MemoId id, const QString& userId, const MemoWrite& memo,
                             const QDateTime& now, int loadedSynnum)
{
    const QVariant alertTime = textOrNull(memo.AlertTime);
    const QVariant lunarTime = textOrNull(memo.AlertTimeNongli);
    // Only fixed column names go into the text; every value is bound. Every expression reads the row
    // as it was before this update.
    QString sql = QStringLiteral("UPDATE Notebook SET type=?, title=?, ");
    QVariantList values{memo.type, memo.title};
    if (memo.content) {
        sql += QStringLiteral("content=?, ");
        values << textOrNull(*memo.content);
    }
    // A snooze belongs to the reminder it delays: it goes with a changed reminder only.
    const QString snoozeKept =
        QStringLiteral("lifa IS ? AND AlertPinLv IS ? AND ifAlert IS ? AND (? IS NULL OR AlertTime IS ?) "
                       "AND (? IS NULL OR AlertTimeNongli IS ?)");
    const QVariantList reminder{memo.lifa, memo.AlertPinLv, memo.ifAlert, alertTime,
                                alertTime, lunarTime,       lunarTime};
    sql += QStringLiteral("Done=0, addtime=?, AlertPinLv=?, mimi=?, ifAlert=?, importance=?, click=1, "
                          "AlertTimeTemp=CASE WHEN %1 THEN AlertTimeTemp END, "
                          "AlertTimeNongliTemp=CASE WHEN %1 THEN AlertTimeNongliTemp END, ")
               .arg(snoozeKept);
    values << now << memo.AlertPinLv << memo.mimi << memo.ifAlert << memo.importance << reminder << reminder;
    if (!memo.AlertTime.isEmpty()) {
        sql += QStringLiteral("AlertTime=?, ");
        values << memo.AlertTime;
    }
    if (!memo.AlertTimeNongli.isEmpty()) {
        sql += QStringLiteral("AlertTimeNongli=?, ");
        values << memo.AlertTimeNongli;
    }
    sql += QStringLiteral("mailTime=?, \"before\"=7, ");
    values << textOrNull(memo.mailTime);
    if (memo.sound) {
        sql += QStringLiteral("sound=?, ");
        values << *memo.sound;
    }
    sql += QStringLiteral("DiySound=?, Mail=?, editor=0, lifa=?, synnum=COALESCE(synnum, 0)+1, syn=0 "
                          "WHERE id=? AND userid=? AND Del=0 AND COALESCE(synnum, 0)=?");
    values << (memo.DiySound.isEmpty() ? QStringLiteral("") : memo.DiySound) << memo.Mail << memo.lifa << id
           << userId << loadedSynnum;
    return db.exec(sql, values);
}

EditorMemoRead readEditorMemo(const Database& db, MemoId id, const QString& userId)
{
    const auto row = db.selectFirst(
        QStringLiteral("SELECT * FROM Notebook WHERE id=? AND userid=? AND Del=0"), {id, userId});
    if (!row.value)
        return row;
    EditorMemo read{memoFromRecord(*row.value), std::nullopt};
    const QString lunarText = row.value->value(QStringLiteral("AlertTimeNongli")).toString();
    if (!lunarText.isEmpty())
        read.lunarAlert = LunarMoment::fromText(lunarText);
    return {row, std::move(read)};
}

std::optional<MemoRecord> readMemo(const Database& db, MemoId id)
{
    std::vector<MemoRecord> memos =
        readMemos(db, QStringLiteral("SELECT * FROM Notebook WHERE id=?"), {id}).value;
    if (memos.empty())
        return std::nullopt;
    return std::move(memos.front());
}

} // namespace velmo
