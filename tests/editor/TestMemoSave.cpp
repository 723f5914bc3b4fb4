// The save of the memo editors without a window: checks in order, the roll-forward, the row written
// on add and on edit, and the failures that must leave everything as it was.

#include "EditorTestKit.h"
#include "TestMain.h"
#include "TestStore.h"

#include "editor/MemoCodes.h"
#include "store/Database.h"

#include <QFile>
#include <QTemporaryFile>

using namespace velmo;
using velmo::test::sampleInput;

class TestMemoSave : public QObject
{
    Q_OBJECT

private:
    test::TestStore store;
    test::ViewsRecorder views;
    MemoSave save{store.db(), store.runState(), views};

    QVariant field(qint64 id, const QString& column) const
    {
        return store.value(QStringLiteral("SELECT \"%1\" FROM Notebook WHERE id=?").arg(column), {id});
    }
    qint64 memoCount() const
    {
        return store.value(QStringLiteral("SELECT count(*) FROM Notebook")).toLongLong();
    }
    QString configTune() const
    {
        return store.value(QStringLiteral("SELECT DiySound FROM Config")).toString();
    }

private slots:
    void init()
    {
        QVERIFY2(store.isValid(), qPrintable(store.error()));
        store.db().exec(QStringLiteral("DELETE FROM Notebook"));
        store.db().exec(QStringLiteral("UPDATE Config SET DiySound='old.mp3'"));
        test::fixedClock().setNow(test::defaultTestMoment());
        views.calls.clear();
    }

    void refusalsInOrder_data()
    {
        QTest::addColumn<bool>("lunar");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("tunePath"); // "-" for a built-in tune
        QTest::addColumn<QString>("message");
        const QDate day31(2027, 1, 31);
        QTest::newRow("lunar 31st before empty title") << true << day31 << ""
                                                       << "-" << MemoSave::lunarDay31Text();
        QTest::newRow("solar 31st, empty title") << false << day31 << ""
                                                 << "-" << MemoSave::emptyTitleText();
        QTest::newRow("title before tune") << false << day31 << ""
                                           << "" << MemoSave::emptyTitleText();
        QTest::newRow("custom tune without path") << false << day31 << "t"
                                                  << "" << MemoSave::noTunePathText();
        QTest::newRow("custom tune missing") << false << day31 << "t"
                                             << "/nowhere/a.mp3" << MemoSave::tuneMissingText();
        QTest::newRow("lunar year the converter lacks") << true << QDate(1949, 5, 5) << "t"
                                                        << "-" << MemoSave::lunarDateText();
    }
    void refusalsInOrder()
    {
        QFETCH(bool, lunar);
        QFETCH(QDate, date);
        QFETCH(QString, title);
        QFETCH(QString, tunePath);
        QFETCH(QString, message);
        EditorInput in = sampleInput(title);
        in.solar = !lunar;
        in.lunar = lunar;
        in.date = date;
        in.customTune = tunePath != QStringLiteral("-");
        in.tunePath = in.customTune ? tunePath : QString();
        const SaveOutcome outcome = save.saveNew(in);
        QCOMPARE(outcome.result, SaveOutcome::Result::Refused);
        QCOMPARE(outcome.message, message);
        QCOMPARE(outcome.focusTitle, message == MemoSave::emptyTitleText());
        QCOMPARE(memoCount(), 0);
        QCOMPARE(configTune(), QStringLiteral("old.mp3"));
        QVERIFY(views.calls.isEmpty());
    }

    void addPassedOnceReminder()
    {
        EditorInput in = sampleInput();
        in.date = QDate(2026, 12, 6);
        in.time = QTime(9, 59);
        const SaveOutcome outcome = save.saveNew(in);
        QVERIFY2(outcome.saved(), qPrintable(outcome.message));
        QCOMPARE(outcome.notice, QStringLiteral("提醒时间:2026/12/6 9:59:00 < 当前公历:2026-12-06 10:00:00,"
                                                "提醒功能未生效"));
        const qint64 id = outcome.memoId;
        QCOMPARE(field(id, QStringLiteral("AlertPinLv")).toString(), QStringLiteral("N"));
        QCOMPARE(field(id, QStringLiteral("ifAlert")).toInt(), 0);
        QVERIFY(field(id, QStringLiteral("AlertTime")).isNull());
        QCOMPARE(field(id, QStringLiteral("mailTime")).toString(), QStringLiteral("2026-12-06 09:59:00"));
        QCOMPARE(field(id, QStringLiteral("synnum")).toInt(), 1);
        QCOMPARE(field(id, QStringLiteral("syn")).toInt(), 0);
        QCOMPARE(field(id, QStringLiteral("userid")).toString(), store.runState().UserId);
        QCOMPARE(field(id, QStringLiteral("sound")).toString(), QStringLiteral("1.mid"));
        QCOMPARE(configTune(), QString());
        QCOMPARE(views.calls, (QStringList{"ReadUndo", "ReadCount", "TreeView1_Setup", "Timer3"}));
    }

    void addCustomTuneAndSolarWithoutReminder()
    {
        QTemporaryFile tune(QDir::tempPath() + QStringLiteral("/XXXXXX.MP3"));
        QVERIFY(tune.open());
        EditorInput in = sampleInput();
        in.repeat = QStringLiteral("不需要提醒");
        in.customTune = true;
        in.tunePath = tune.fileName();
        const SaveOutcome outcome = save.saveNew(in);
        QVERIFY2(outcome.saved(), qPrintable(outcome.message));
        const qint64 id = outcome.memoId;
        QCOMPARE(field(id, QStringLiteral("DiySound")).toString(), tune.fileName());
        QVERIFY(field(id, QStringLiteral("sound")).isNull());
        QCOMPARE(configTune(), tune.fileName());
        // A solar memo without reminder mails at the solar moment entered, not at that date read as lunar.
        QCOMPARE(field(id, QStringLiteral("mailTime")).toString(), QStringLiteral("2026-12-07 09:30:00"));
        QVERIFY(field(id, QStringLiteral("AlertTime")).isNull());
        QVERIFY(field(id, QStringLiteral("AlertTimeNongli")).isNull());
    }

    void lunarMailTimeAndMoment_data()
    {
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<QDate>("lunarDate");
        QTest::addColumn<QString>("alertTimeNongli");
        QTest::addColumn<QString>("mailTime");
        QTest::newRow("no reminder") << "不需要提醒" << QDate(2020, 4, 1) << ""
                                     << "2020-04-23 08:00:00";
        // Lunar 2027-1-1 is solar 2027-02-06.
        QTest::newRow("ahead") << "每年提醒" << QDate(2027, 1, 1) << "2027-01-01 08:00:00"
                               << "2027-02-06 08:00:00";
    }
    void lunarMailTimeAndMoment()
    {
        QFETCH(QString, repeat);
        QFETCH(QDate, lunarDate);
        QFETCH(QString, alertTimeNongli);
        QFETCH(QString, mailTime);
        EditorInput in = sampleInput();
        in.solar = false;
        in.lunar = true;
        in.repeat = repeat;
        in.date = lunarDate;
        in.time = QTime(8, 0);
        const SaveOutcome outcome = save.saveNew(in);
        QVERIFY2(outcome.saved(), qPrintable(outcome.message));
        QCOMPARE(field(outcome.memoId, QStringLiteral("AlertTimeNongli")).toString(), alertTimeNongli);
        QCOMPARE(field(outcome.memoId, QStringLiteral("mailTime")).toString(), mailTime);
        QCOMPARE(field(outcome.memoId, QStringLiteral("lifa")).toInt(), 2);
    }

    void editRow()
    {
        MemoRecord stored = store.sampleMemo(QStringLiteral("旧"));
        stored.Done = true;
        stored.synnum = 4;
        stored.syn = true;
        stored.click = 0;
        stored.AlertTime = QDateTime(QDate(2026, 12, 1), QTime(8, 0));
        stored.DiySound = QStringLiteral("/music/a.mp3");
        stored.addtime = QDateTime(QDate(2020, 1, 1), QTime(0, 0));
        const qint64 id = store.addMemo(stored);
        EditorInput in = sampleInput(QStringLiteral("新"));
        in.date = QDate(2026, 12, 6);
        in.time = QTime(9, 0);
        in.tuneLabel = QStringLiteral("赛马.mid");
        in.contentChanged = false;
        const SaveOutcome outcome = save.saveEdit(id, in);
        QVERIFY2(outcome.saved(), qPrintable(outcome.message));
        QVERIFY(outcome.notice.contains(QStringLiteral(" < 当前公历:2026/12/6 10:00:00")));
        QCOMPARE(field(id, QStringLiteral("synnum")).toInt(), 5);
        QCOMPARE(field(id, QStringLiteral("syn")).toInt(), 0);
        QCOMPARE(field(id, QStringLiteral("Done")).toInt(), 0);
        QCOMPARE(field(id, QStringLiteral("click")).toInt(), 1);
        QCOMPARE(field(id, QStringLiteral("addtime")).toString(), QStringLiteral("2026-12-06 10:00:00"));
        // The passed one-time reminder is off; its stored moment stays.
        QCOMPARE(field(id, QStringLiteral("AlertTime")).toString(), QStringLiteral("2026-12-01 08:00:00"));
        QCOMPARE(field(id, QStringLiteral("sound")).toString(), QStringLiteral("3.mid"));
        QCOMPARE(field(id, QStringLiteral("DiySound")).toString(), QString());
        QCOMPARE(field(id, QStringLiteral("content")).toString(), QStringLiteral("<p>旧</p>"));
        QCOMPARE(configTune(), QStringLiteral("old.mp3"));
        // The alert stops before the rescan, which may start it again for other due memos.
        QCOMPARE(views.calls, (QStringList{"stopAlert", "MoveRing(1)", "Command2_Click", "ReadUndo",
                                           "ReadCount", "TreeView1_Setup", "Timer3"}));
    }

    void editContent_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("unchanged keeps markup") << "旧" << false << QVariant(QStringLiteral("<p>旧</p>"));
        QTest::newRow("changed") << "新的" << true << QVariant(QStringLiteral("新的"));
        QTest::newRow("emptied") << "" << true << QVariant();
    }
    void editContent()
    {
        QFETCH(QString, typed);
        QFETCH(bool, changed);
        QFETCH(QVariant, stored);
        const qint64 id = store.addMemo(QStringLiteral("旧"));
        EditorInput in = sampleInput();
        in.content = typed;
        in.contentChanged = changed;
        QVERIFY(save.saveEdit(id, in).saved());
        const QVariant content = field(id, QStringLiteral("content"));
        QCOMPARE(content.isNull(), stored.isNull());
        QCOMPARE(content.toString(), stored.toString());
    }

    void editOfAMemoThatIsGone_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<bool>("removed");
        QTest::newRow("other user") << "someone" << false << false;
        QTest::newRow("marked deleted") << "" << true << false;
        QTest::newRow("row removed") << "" << false << true;
    }
    void editOfAMemoThatIsGone()
    {
        QFETCH(QString, owner);
        QFETCH(bool, deleted);
        QFETCH(bool, removed);
        MemoRecord stored = store.sampleMemo(QStringLiteral("旧"));
        if (!owner.isEmpty())
            stored.userid = owner;
        stored.Del = deleted;
        const qint64 id = store.addMemo(stored);
        if (removed)
            store.db().exec(QStringLiteral("DELETE FROM Notebook WHERE id=?"), {id});
        const SaveOutcome outcome = save.saveEdit(id, sampleInput(QStringLiteral("新")));
        QCOMPARE(outcome.result, SaveOutcome::Result::Failed);
        QCOMPARE(outcome.message, MemoSave::memoGoneText());
        QVERIFY(views.calls.isEmpty());
        if (!removed)
            QCOMPARE(field(id, QStringLiteral("title")).toString(), QStringLiteral("旧"));
    }

    void failedWriteStoresNothing()
    {
        QTemporaryFile tune(QDir::tempPath() + QStringLiteral("/XXXXXX.mid"));
        QVERIFY(tune.open());
        EditorInput in = sampleInput(QString(300, QLatin1Char('x')));
        in.customTune = true;
        in.tunePath = tune.fileName();
        const SaveOutcome outcome = save.saveNew(in);
        QCOMPARE(outcome.result, SaveOutcome::Result::Failed);
        QVERIFY(outcome.message.startsWith(MemoSave::writeFailedText()));
        QVERIFY(outcome.notice.isEmpty());
        QCOMPARE(memoCount(), 0);
        QCOMPARE(configTune(), QStringLiteral("old.mp3"));
        QVERIFY(views.calls.isEmpty());
    }
};

VELMO_TEST_MAIN(TestMemoSave)
#include "TestMemoSave.moc"
