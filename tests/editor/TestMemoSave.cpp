// The save of the memo editors without a window: checks in order, every column each entrance writes
// (solar and lunar, before and after a roll-forward), and the failures that must leave everything as
// it was.

#include "EditorTestKit.h"
#include "TestMain.h"
#include "TestStore.h"

#include "platform/UrlEncoders.h"
#include "store/Database.h"
#include "store/WireText.h"

#include <QTemporaryFile>

using namespace velmo;
using velmo::test::sampleInput;

namespace {

// The test clock's moment as the save stores it.
const QString Now = QStringLiteral("2026-12-06 10:00:00");

} // namespace

class TestMemoSave : public QObject
{
    Q_OBJECT

private:
    test::TestStore store;
    test::ViewsRecorder views;
    MemoSave save{store.db(), store.runState(), views};
    QTemporaryFile tune{QDir::tempPath() + QStringLiteral("/XXXXXX.MP3")};

    qint64 memoCount() const
    {
        return store.value(QStringLiteral("SELECT count(*) FROM Notebook")).toLongLong();
    }
    QString configTune() const
    {
        return store.value(QStringLiteral("SELECT DiySound FROM Config")).toString();
    }
    // Every row of the table and the settings row's tune, to tell that nothing changed.
    QStringList everything() { return QStringList{configTune()} + store.allMemoColumns(); }

private slots:
    void initTestCase() { QVERIFY(tune.open()); }

    void init()
    {
        QVERIFY2(store.isValid(), qPrintable(store.error()));
        store.db().exec(QStringLiteral("DROP TRIGGER IF EXISTS refuse"));
        store.db().exec(QStringLiteral("DELETE FROM Notebook"));
        store.db().exec(QStringLiteral("UPDATE Config SET DiySound='old.mp3'"));
        test::fixedClock().setNow(test::defaultTestMoment());
        views.calls.clear();
    }

    void refusalsInOrder_data()
    {
        QTest::addColumn<bool>("lunar");
        QTest::addColumn<QList<int>>("date"); // year, month, day: lunar numbers when lunar
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("tunePath"); // "-" for a built-in tune
        QTest::addColumn<QString>("message");
        const QList<int> day31{2027, 1, 31};
        const auto row = [](const char* name, bool lunar, QList<int> date, const char* title,
                            const char* path, const QString& message) {
            QTest::newRow(name) << lunar << date << QString::fromUtf8(title) << QString::fromUtf8(path)
                                << message;
        };
        row("lunar 31st before empty title", true, day31, "", "-", QStringLiteral("农历有木有31啊？"));
        row("solar 31st; title before tune", false, day31, "", "", QStringLiteral("标题为空"));
        row("custom tune without path", false, day31, "t", "",
            QStringLiteral("请点击“浏览”按钮选择您的自定义铃声"));
        row("custom tune missing", false, day31, "t", "/nowhere/a.mp3",
            QStringLiteral("自定义铃声文件不存在,请浏览选择"));
        row("lunar year the converter lacks", true, {1949, 5, 5}, "t", "-",
            QStringLiteral("该农历日期无法换算为公历,请重新选择日期"));
        // Lunar 2027 has a third month of 29 days.
        row("lunar 30th the month lacks", true, {2027, 3, 30}, "t", "-",
            QStringLiteral("农历2027年三月没有三十,请重新选择日期"));
    }
    void refusalsInOrder()
    {
        QFETCH(bool, lunar);
        QFETCH(QList<int>, date);
        QFETCH(QString, title);
        QFETCH(QString, tunePath);
        QFETCH(QString, message);
        EditorInput in = sampleInput(title);
        in.solar = !lunar;
        in.lunar = lunar;
        in.date = QDate(date[0], date[1], date[2]);
        in.lunarDate = {date[0], date[1], date[2], false};
        in.customTune = tunePath != QStringLiteral("-");
        in.tunePath = in.customTune ? tunePath : QString();
        const SaveOutcome outcome = save.saveNew(in);
        QCOMPARE(outcome.result, SaveOutcome::Result::Refused);
        QCOMPARE(outcome.message, message);
        QCOMPARE(outcome.focusTitle, message == QStringLiteral("标题为空"));
        QCOMPARE(memoCount(), 0);
    }

    // Each entrance writes every column it owns, on both calendars, as entered or rolled forward; an
    // edit keeps the columns it does not own. Stored memos hold a value of their own in every column.
    void savedColumns_data()
    {
        QTest::addColumn<int>("stored"); // -1: a new memo; else the distinctMemo variant edited
        QTest::addColumn<QString>(
            "input"); // category|repeat|S or L date time|flags mimi importance mail|tune
        QTest::addColumn<QStringList>("columns"); // what the row holds afterwards, over the base
        QTest::addColumn<QString>("notice");
        const auto row = [](const char* name, int stored, const char* input, const QStringList& columns,
                            const char* notice = "") {
            QTest::newRow(name) << stored << QString::fromUtf8(input) << columns << QString::fromUtf8(notice);
        };
        // clang-format off
        row("add solar weekly ahead", -1, "工作任务|每周提醒|S 2026-12-20 07:45:10|101|赛马.mid",
            {"type=2", "AlertPinLv=1zhou", "ifAlert=1", "mimi=1", "importance=0", "Mail=1", "lifa=1", "sound=3.mid",
             "AlertTime=2026-12-20 07:45:10", "mailTime=2026-12-20 07:45:10"});
        row("add lunar yearly ahead, custom tune", -1, "创意灵感|每年提醒|L 2027-01-01 08:00:00|011|<tune>",
            {"type=6", "AlertPinLv=1nian", "ifAlert=1", "mimi=0", "importance=1", "Mail=1", "lifa=2", "DiySound=<tune>",
             "AlertTimeNongli=2027-01-01 08:00:00", "mailTime=2027-02-06 08:00:00"});
        row("add solar once, passed", -1, "生活备忘|只提醒一次|S 2026-12-06 09:59:00|110|诺基亚.mp3",
            {"type=1", "AlertPinLv=N", "ifAlert=0", "mimi=1", "importance=1", "Mail=0", "lifa=1", "sound=16.mp3",
             "mailTime=2026-12-06 09:59:00"},
            "提醒时间:2026/12/6 9:59:00 < 当前公历:2026-12-06 10:00:00,提醒功能未生效");
        row("add lunar once, passed", -1, "生日提醒|只提醒一次|L 2026-10-20 09:30:00|100|遇见.mid",
            {"type=4", "AlertPinLv=N", "ifAlert=0", "mimi=1", "importance=0", "Mail=0", "lifa=2", "sound=9.mid",
             "mailTime=2026-11-28 09:30:00"},
            "提醒时间:2026/10/20 9:30:00 < 当前农历:2026-10-28 10:0:0,提醒功能未生效");
        row("add solar daily, passed: rolled", -1, "学习计划|每天提醒|S 2026-12-01 23:00:00|001|CHAMPION.mp3",
            {"type=3", "AlertPinLv=1tian", "ifAlert=1", "mimi=0", "importance=0", "Mail=1", "lifa=1", "sound=11.mp3",
             "AlertTime=2026-12-06 23:00:00", "mailTime=2026-12-06 23:00:00"});
        row("add lunar monthly, passed: rolled", -1, "心情日记|每月提醒|L 2026-09-15 08:00:00|010|sound of silence.mid",
            {"type=5", "AlertPinLv=1yue", "ifAlert=1", "mimi=0", "importance=1", "Mail=0", "lifa=2", "sound=4.mid",
             "AlertTimeNongli=2026-11-15 08:00:00", "mailTime=2026-12-23 08:00:00"});
        // A lunar day of the month's own length: the 30th of a second month, which no solar month
        // has, and the 29th of a month of 29 days.
        row("add lunar 2nd month 30th, no reminder", -1, "工作任务|不需要提醒|L 2027-02-30 08:00:00|000|赛马.mid",
            {"type=2", "AlertPinLv=N", "ifAlert=0", "mimi=0", "importance=0", "Mail=0", "lifa=2", "sound=3.mid",
             "mailTime=2027-04-06 08:00:00"});
        row("add lunar last day of a short month", -1, "工作任务|只提醒一次|L 2027-03-29 08:00:00|000|赛马.mid",
            {"type=2", "AlertPinLv=1", "ifAlert=1", "mimi=0", "importance=0", "Mail=0", "lifa=2", "sound=3.mid",
             "AlertTimeNongli=2027-03-29 08:00:00", "mailTime=2027-05-05 08:00:00"});
        row("edit solar: custom tune to built-in", 1, "其它备忘|每月提醒|S 2026-12-25 06:30:15|010|诺基亚.mp3",
            {"type=7", "AlertPinLv=1yue", "ifAlert=1", "mimi=0", "importance=1", "Mail=0", "lifa=1", "sound=16.mp3",
             "DiySound=", "AlertTime=2026-12-25 06:30:15", "mailTime=2026-12-25 06:30:15", "synnum=43"});
        row("edit solar to lunar, custom tune kept", 0, "学习计划|每天提醒|L 2027-01-01 08:00:00|110|<tune>",
            {"type=3", "AlertPinLv=1tian", "ifAlert=1", "mimi=1", "importance=1", "Mail=0", "lifa=2", "DiySound=<tune>",
             "AlertTimeNongli=2027-01-01 08:00:00", "mailTime=2027-02-06 08:00:00", "synnum=42"});
        row("edit solar once at midnight, passed: stored time kept", 0, "工作任务|只提醒一次|S 2026-12-06 00:00:00|011|婚礼进行曲.mid",
            {"type=2", "AlertPinLv=N", "ifAlert=0", "mimi=0", "importance=1", "Mail=1", "lifa=1", "sound=5.mid",
             "DiySound=", "mailTime=2026-12-06 00:00:00", "synnum=42"},
            "提醒时间:2026/12/6 < 当前公历:2026/12/6 10:00:00,提醒功能未生效");
        row("edit lunar once, passed: stored time kept", 2, "工作任务|只提醒一次|L 2026-10-20 09:30:00|000|<tune>",
            {"type=2", "AlertPinLv=N", "ifAlert=0", "mimi=0", "importance=0", "Mail=0", "lifa=2", "DiySound=<tune>",
             "mailTime=2026-11-28 09:30:00", "synnum=44"},
            "提醒时间:2026/10/20 9:30:00 < 当前农历:2026-10-28 10:0:0,提醒功能未生效");
        row("edit without reminder", 1, "生日提醒|不需要提醒|S 2026-12-31 18:00:00|111|骑士精神.mid",
            {"type=4", "AlertPinLv=N", "ifAlert=0", "mimi=1", "importance=1", "Mail=1", "lifa=1", "sound=7.mid",
             "DiySound=", "mailTime=2026-12-31 18:00:00", "synnum=43"});
        // clang-format on
    }
    void savedColumns()
    {
        QFETCH(int, stored);
        QFETCH(QString, input);
        QFETCH(QStringList, columns);
        QFETCH(QString, notice);
        const QStringList fields = input.split(u'|');
        // The date's numbers: a lunar date may name a day no solar month has.
        const QStringList date = fields[2].mid(2, 10).split(u'-');
        EditorInput in;
        in.category = fields[0];
        in.repeat = fields[1];
        in.lunar = fields[2].startsWith(u'L');
        in.solar = !in.lunar;
        in.lunarDate = {date[0].toInt(), date[1].toInt(), date[2].toInt(), false};
        in.date = QDate(in.lunarDate.year, in.lunarDate.month, in.lunarDate.day);
        in.time = QTime::fromString(fields[2].mid(13), QStringLiteral("HH:mm:ss"));
        // The longest title the table takes.
        in.title = QString(254, u'题') + QString::number(stored + 1);
        in.content = QStringLiteral("新的正文");
        in.mimi = fields[3][0] == u'1';
        in.importance = fields[3][1] == u'1';
        in.mail = fields[3][2] == u'1';
        in.customTune = fields[4] == QStringLiteral("<tune>");
        in.tunePath = tune.fileName();
        in.tuneLabel = in.customTune ? QStringLiteral("赛马.mid") : fields[4];
        columns.replaceInStrings(QStringLiteral("<tune>"), tune.fileName());

        MemoRecord base;
        SaveOutcome outcome;
        if (stored < 0) {
            outcome = save.saveNew(in);
            base.id = outcome.memoId;
            base.userid = store.runState().UserId;
        } else {
            base = store.distinctMemo(stored);
            base.AlertTimeTemp = QDateTime(QDate(2026, 12, 6), QTime(10, 5));
            base.AlertTimeNongliTemp = QDateTime(QDate(2026, 10, 28), QTime(10, 5));
            base.id = store.addMemo(base);
            outcome = save.saveEdit(base.id, in, base.synnum);
        }
        QVERIFY2(outcome.saved(), qPrintable(outcome.message));
        QCOMPARE(outcome.notice, notice);
        QStringList expected =
            test::withColumns(test::memoColumns(base),
                              {QStringLiteral("title=") + in.title, QStringLiteral("content=") + in.content,
                               "Done=0", QStringLiteral("addtime=") + Now, "click=1", "before=7", "editor=0",
                               "syn=0", "AlertTimeTemp=-", "AlertTimeNongliTemp=-"});
        QCOMPARE(test::memoColumns(*store.memo(outcome.memoId)), test::withColumns(expected, columns));
        if (stored < 0) {
            QCOMPARE(configTune(), in.customTune ? tune.fileName() : QString());
            QVERIFY((views.calls == QList<MemoChange>{{MemoChange::Kind::Added, {outcome.memoId}}}));
        } else {
            QCOMPARE(configTune(), QStringLiteral("old.mp3"));
            QVERIFY((views.calls == QList<MemoChange>{{MemoChange::Kind::Edited, {base.id}}}));
        }
    }

    // Another user's memo and one marked deleted are gone for the editor.
    void editOfAMemoThatIsGone()
    {
        for (const bool otherUser : {true, false}) {
            MemoRecord stored = store.sampleMemo(QStringLiteral("旧"));
            stored.userid = otherUser ? QStringLiteral("someone") : stored.userid;
            stored.Del = !otherUser;
            const qint64 id = store.addMemo(stored);
            const SaveOutcome outcome = save.saveEdit(id, sampleInput(QStringLiteral("新")), stored.synnum);
            QCOMPARE(outcome.result, SaveOutcome::Result::Failed);
            QCOMPARE(outcome.message, MemoSave::memoGoneText());
            QCOMPARE(store.memo(id)->title, QStringLiteral("旧"));
        }
        QVERIFY(views.calls.isEmpty());
    }

    // A write that fails is told, stores nothing (the memo and the remembered tune go together) and
    // leaves the views alone.
    void failedWriteStoresNothing_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("refused"); // the statement a trigger refuses; empty: the title is too long
        QTest::newRow("add, memo") << false << "INSERT ON Notebook";
        QTest::newRow("add, remembered tune") << false << "UPDATE ON Config";
        QTest::newRow("add, title one past the limit") << false << "";
        QTest::newRow("edit, memo") << true << "UPDATE ON Notebook";
        QTest::newRow("edit, title one past the limit") << true << "";
    }
    void failedWriteStoresNothing()
    {
        QFETCH(bool, edit);
        QFETCH(QString, refused);
        const qint64 id = store.addMemo(store.distinctMemo(1));
        EditorInput in = sampleInput(refused.isEmpty() ? QString(256, u'x') : QStringLiteral("新"));
        in.customTune = true;
        in.tunePath = tune.fileName();
        if (!refused.isEmpty())
            QVERIFY(store.db()
                        .exec(QStringLiteral(
                                  "CREATE TRIGGER refuse BEFORE %1 BEGIN SELECT RAISE(ABORT, 'test'); END")
                                  .arg(refused))
                        .ok);
        const QStringList before = everything();
        const SaveOutcome outcome = edit ? save.saveEdit(id, in, 42) : save.saveNew(in);
        QCOMPARE(outcome.result, SaveOutcome::Result::Failed);
        QVERIFY2(outcome.message.startsWith(MemoSave::writeFailedText() + u'\n'),
                 qPrintable(outcome.message));
        QVERIFY(refused.isEmpty() || outcome.message.contains(QStringLiteral("test")));
        QCOMPARE(everything(), before);
        QVERIFY(views.calls.isEmpty());
    }

    void sizeLimit_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("bodyAsLoaded"); // the edit left the stored body as it was
        QTest::addColumn<bool>("wide");         // the body is Chinese text
        QTest::addColumn<bool>("customTune");   // a custom tune's path takes its part
        QTest::addColumn<qint64>("over");       // bytes beyond what the texts may take
        const qint64 inRoom = UploadFieldsRoom / 2;
        QTest::newRow("save.size: new, at the limit") << false << false << false << false << qint64(0);
        QTest::newRow("save.size: new, one byte over") << false << false << false << false << qint64(1);
        QTest::newRow("save.size: new, in the room for the other fields")
            << false << false << false << false << inRoom;
        QTest::newRow("save.size: new, Chinese at the limit") << false << false << true << false << qint64(0);
        QTest::newRow("save.size: new, Chinese one byte over")
            << false << false << true << false << qint64(1);
        QTest::newRow("save.size: new, the tune's path one byte over")
            << false << false << false << true << qint64(1);
        QTest::newRow("save.size: new, the tune's path at the limit")
            << false << false << false << true << qint64(0);
        QTest::newRow("save.size: edit, at the limit") << true << false << true << false << qint64(0);
        QTest::newRow("save.size: edit, one byte over") << true << false << true << false << qint64(1);
        QTest::newRow("save.size: edit, in the room for the other fields")
            << true << false << false << false << inRoom;
        QTest::newRow("save.size: edit, the stored body one byte over")
            << true << true << false << false << qint64(1);
        QTest::newRow("save.size: edit, the stored body at the limit")
            << true << true << false << false << qint64(0);
    }

    // The title, content and custom tune's path of a memo take at most 4 MB less the room for the other
    // fields as they travel, counted as they travel; the edit counts the body it leaves as stored.
    void sizeLimit()
    {
        QFETCH(bool, edit);
        QFETCH(bool, bodyAsLoaded);
        QFETCH(bool, wide);
        QFETCH(bool, customTune);
        QFETCH(qint64, over);
        const qint64 bytes = MaxUploadBytes - UploadFieldsRoom + over;
        EditorInput in = sampleInput(QStringLiteral("t"));
        in.customTune = customTune;
        in.tunePath = customTune ? tune.fileName() : QString();
        in.content = test::textOfWireBytes(bytes - 1 - URLEncode(in.tunePath).size(), wide);
        qint64 id = 0;
        if (edit) {
            id = store.addMemo(store.sampleMemo(QStringLiteral("t")));
            if (bodyAsLoaded)
                QVERIFY(
                    store.db()
                        .exec(QStringLiteral("UPDATE Notebook SET content=? WHERE id=?"), {in.content, id})
                        .ok);
            in.contentChanged = !bodyAsLoaded;
        }
        const QStringList before = everything();
        const SaveOutcome outcome = edit ? save.saveEdit(id, in, store.memo(id)->synnum) : save.saveNew(in);
        QCOMPARE(outcome.message, over > 0 ? test::tooLargeText(bytes) : QString());
        QCOMPARE(outcome.saved(), over <= 0);
        if (!outcome.saved()) {
            QCOMPARE(memoCount(), edit ? 1 : 0);
            QCOMPARE(everything(), before);
        } else {
            QCOMPARE(store.memo(edit ? id : outcome.memoId)->content, in.content);
        }
    }
};

VELMO_TEST_MAIN(TestMemoSave)
#include "TestMemoSave.moc"
