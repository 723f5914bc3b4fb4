#include "TestStore.h"

#include "platform/Clock.h"
#include "store/DataFiles.h"
#include "store/DbText.h"

namespace velmo::test {

QString uniqueConnectionName()
{
    static int count = 0;
    return QStringLiteral("test-%1").arg(++count);
}

TestStore::TestStore(const QString& userId)
    : m_db(std::make_unique<Database>(uniqueConnectionName()))
{
    m_state.DbPath = databasePath(m_folder.dataFolder());
    m_state.UserId = userId;
    if (!m_folder.isValid())
        m_error = QStringLiteral("no temporary folder");
    else if (const StoreResult created = SaveDatabaseFile(m_state.DbPath); !created)
        m_error = created.error;
    else if (const StoreResult opened = m_db->open(m_state.DbPath); !opened)
        m_error = opened.error;
}

MemoRecord TestStore::sampleMemo(const QString& title) const
{
    MemoRecord memo;
    memo.type = 1;
    memo.userid = m_state.UserId;
    memo.title = title;
    memo.content = QStringLiteral("<p>%1</p>").arg(title);
    memo.AlertTime = Clock::currentDateTime().addDays(1);
    memo.AlertPinLv = QStringLiteral("1");
    memo.ifAlert = true;
    memo.click = 1;
    memo.sound = QStringLiteral("1.mid");
    memo.lifa = 1;
    return memo;
}

MemoRecord TestStore::distinctMemo(int variant) const
{
    // Flag patterns: read down a column, each flag's three values differ from every other flag's.
    static constexpr bool flags[3][6] = {
        // Done, mimi, ifAlert, importance, Mail, editor
        {true, false, true, true, false, false},
        {false, true, true, false, true, false},
        {true, true, false, false, false, true},
    };
    static const char* const repeats[3] = {"1zhou", "3yue", "1nian"};
    const int v = qBound(0, variant, 2);
    const QDateTime now = Clock::currentDateTime();
    MemoRecord memo;
    memo.NotebookServerId = 0;
    memo.type = 2 + v;
    memo.userid = m_state.UserId;
    memo.title = QStringLiteral("标题%1").arg(v);
    memo.content = QStringLiteral("<p>正文%1</p>").arg(v);
    memo.Done = flags[v][0];
    memo.mimi = flags[v][1];
    memo.ifAlert = flags[v][2];
    memo.importance = flags[v][3];
    memo.Mail = flags[v][4];
    memo.editor = flags[v][5];
    memo.addtime = now.addDays(-3 - v).addSecs(-3600);
    memo.AlertTime = now.addDays(2 + v).addSecs(7 * 3600 + 5 * 60);
    memo.AlertPinLv = QString::fromLatin1(repeats[v]);
    memo.AddIp = QStringLiteral("10.0.0.%1").arg(11 + v);
    memo.click = 21 + v;
    memo.AlertTimeNongli = LunarMoment{2026, 10 + v, 3 + v, 8 + v, 15, 30};
    memo.mailTime = now.addDays(5 + v).addSecs(9 * 60);
    memo.before = 31 + v;
    memo.sound = QStringLiteral("1%1.mp3").arg(v);
    memo.DiySound = QStringLiteral("/music/tune%1.mp3").arg(v);
    memo.lifa = v == 2 ? 2 : 1;
    memo.synnum = 41 + v;
    return memo;
}

QStringList memoColumns(const MemoRecord& m)
{
    static const QStringList names =
        QStringLiteral(
            "id NotebookServerId type userid title content Done addtime AlertTime AlertPinLv mimi "
            "ifAlert importance AddIp click AlertTimeNongli mailTime before sound DiySound Mail editor "
            "lifa synnum SyncedSynnum syn Del AlertTimeTemp AlertTimeNongliTemp")
            .split(u' ');
    const auto moment = [](const std::optional<QDateTime>& t) {
        return t ? toDbText(*t) : QStringLiteral("-");
    };
    const auto n = [](qint64 number) { return QString::number(number); };
    const QStringList values{n(m.id),
                             n(m.NotebookServerId),
                             n(m.type),
                             m.userid,
                             m.title,
                             m.content,
                             n(m.Done),
                             moment(m.addtime),
                             moment(m.AlertTime),
                             m.AlertPinLv,
                             n(m.mimi),
                             n(m.ifAlert),
                             n(m.importance),
                             m.AddIp,
                             n(m.click),
                             m.AlertTimeNongli ? m.AlertTimeNongli->storageText() : QStringLiteral("-"),
                             moment(m.mailTime),
                             n(m.before),
                             m.sound,
                             m.DiySound,
                             n(m.Mail),
                             n(m.editor),
                             n(m.lifa),
                             n(m.synnum),
                             n(m.SyncedSynnum),
                             n(m.syn),
                             n(m.Del),
                             moment(m.AlertTimeTemp),
                             moment(m.AlertTimeNongliTemp)};
    QStringList columns;
    for (qsizetype i = 0; i < names.size(); ++i)
        columns << names[i] + u'=' + values[i];
    return columns;
}

QStringList withColumns(QStringList columns, const QStringList& changes)
{
    for (const QString& change : changes) {
        const QString name = change.section(u'=', 0, 0) + u'=';
        for (QString& column : columns) {
            if (column.startsWith(name))
                column = change;
        }
    }
    return columns;
}

qint64 TestStore::addMemo(const MemoRecord& memo)
{
    const StoreResult inserted = insertMemo(*m_db, memo);
    m_lastError = inserted.error;
    return inserted ? inserted.insertId : 0;
}

QStringList TestStore::allMemoColumns() const
{
    QStringList all;
    for (const MemoRecord& memo : readMemos(*m_db, "SELECT * FROM Notebook ORDER BY id").value)
        all << memoColumns(memo);
    return all;
}

bool TestStore::addAccount(const QString& userId, const QString& passHash, int passLength,
                           bool mobileMailActive)
{
    const StoreResult added =
        m_db->exec(QStringLiteral("INSERT INTO Users (UserID, LastPassword, UserPWD, LenPass, "
                                  "MobileMailActive) VALUES (?, ?, ?, ?, ?)"),
                   {userId, passHash, passHash, passLength, mobileMailActive});
    m_lastError = added.error;
    return added.ok;
}

} // namespace velmo::test
