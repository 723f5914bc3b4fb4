// The save of the memo editors without a window: checks in order, the roll-forward, the row written
// on add and on edit, and the failures that must leave everything as it was.

#include "EditorTestKit.h"
#include "TestMain.h"
#include "TestStore.h"

#include "store/Database.h"

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
        QTest::addColumn<QList<int>>("date"); // year, month, day: lunar numbers when lunar
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("tunePath"); // "-" for a built-in tune
        QTest::addColumn<QString>("message");
        const QList<int> day31{2027, 1, 31};
        const auto row = [](const char* name, bool lunar, QList<int> date, const char* title,
                            const char* tune, const QString& message) {
            QTest::newRow(name) << lunar << date << QString::fromUtf8(title) << QString::fromUtf8(tune)
                                << message;
        };
        row("lunar 31st before empty title", true, day31, "", "-", MemoSave::lunarDay31Text());
        row("solar 31st; title before tune", false, day31, "", "", MemoSave::emptyTitleText());
        row("custom tune without path", false, day31, "t", "", MemoSave::noTunePathText());
        row("custom tune missing", false, day31, "t", "/nowhere/a.mp3", MemoSave::tuneMissingText());
        row("lunar year the converter lacks", true, {1949, 5, 5}, "t", "-", MemoSave::lunarDateText());
        // Lunar 2027 has a third month of 29 days.
        row("lunar 30th the month lacks", true, {2027, 3, 30}, "t", "-",
            MemoSave::lunarDayMissingText({2027, 3, 30, false}));
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
        QCOMPARE(outcome.focusTitle, message == MemoSave::emptyTitleText());
        QCOMPARE(memoCount(), 0);
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
        QCOMPARE(field(outcome.memoId, QStringLiteral("ifAlert")).toInt(), 0);
        QCOMPARE(field(outcome.memoId, QStringLiteral("sound")).toString(), QStringLiteral("1.mid"));
        QCOMPARE(configTune(), QString());
        QCOMPARE(views.calls, (QStringList{"ReadUndo", "ReadCount", "TreeView1_Setup", "Timer3"}));
    }

    void addCustomTune()
    {
        QTemporaryFile tune(QDir::tempPath() + QStringLiteral("/XXXXXX.MP3"));
        QVERIFY(tune.open());
        EditorInput in = sampleInput();
        in.customTune = true;
        in.tunePath = tune.fileName();
        const SaveOutcome outcome = save.saveNew(in);
        QVERIFY2(outcome.saved(), qPrintable(outcome.message));
        QCOMPARE(field(outcome.memoId, QStringLiteral("DiySound")).toString(), tune.fileName());
        QCOMPARE(configTune(), tune.fileName());
    }

    // A memo without reminder mails at the moment entered, read in its own calendar; a lunar reminder
    // keeps its lunar moment, any day its month has, and mails at its solar day.
    void addMailTime_data()
    {
        QTest::addColumn<bool>("lunar");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<QList<int>>("date");
        QTest::addColumn<QString>("alertTimeNongli");
        QTest::addColumn<QString>("mailTime");
        // clang-format off
        QTest::newRow("solar, no reminder") << false << "不需要提醒" << QList<int>{2026, 12, 7} << "" << "2026-12-07 08:00:00";
        QTest::newRow("lunar, no reminder") << true << "不需要提醒" << QList<int>{2020, 4, 1} << "" << "2020-04-23 08:00:00";
        QTest::newRow("lunar, ahead") << true << "每年提醒" << QList<int>{2027, 1, 1} << "2027-01-01 08:00:00" << "2027-02-06 08:00:00";
        // The 30th of a second month, which no solar month has; the 29th of a month of 29 days.
        QTest::newRow("lunar 2nd month 30th") << true << "只提醒一次" << QList<int>{2027, 2, 30} << "2027-02-30 08:00:00" << "2027-04-06 08:00:00";
        QTest::newRow("lunar last day") << true << "只提醒一次" << QList<int>{2027, 3, 29} << "2027-03-29 08:00:00" << "2027-05-05 08:00:00";
        // clang-format on
    }
    void addMailTime()
    {
        QFETCH(bool, lunar);
        QFETCH(QString, repeat);
        QFETCH(QList<int>, date);
        EditorInput in = sampleInput();
        in.solar = !lunar;
        in.lunar = lunar;
        in.repeat = repeat;
        in.date = QDate(date[0], date[1], date[2]);
        in.lunarDate = {date[0], date[1], date[2], false};
        in.time = QTime(8, 0);
        const SaveOutcome outcome = save.saveNew(in);
        QVERIFY2(outcome.saved(), qPrintable(outcome.message));
        QTEST(field(outcome.memoId, QStringLiteral("AlertTimeNongli")).toString(), "alertTimeNongli");
        QTEST(field(outcome.memoId, QStringLiteral("mailTime")).toString(), "mailTime");
    }

    void editRow()
    {
        MemoRecord stored = store.sampleMemo(QStringLiteral("旧"));
        stored.Done = true;
        stored.synnum = 4;
        stored.AlertTime = QDateTime(QDate(2026, 12, 1), QTime(8, 0));
        stored.DiySound = QStringLiteral("/music/a.mp3");
        const qint64 id = store.addMemo(stored);
        EditorInput in = sampleInput(QStringLiteral("新"));
        in.date = QDate(2026, 12, 6);
        in.time = QTime(9, 0);
        const SaveOutcome outcome = save.saveEdit(id, in, stored.synnum);
        QVERIFY2(outcome.saved(), qPrintable(outcome.message));
        QVERIFY(outcome.notice.contains(QStringLiteral(" < 当前公历:2026/12/6 10:00:00")));
        QCOMPARE(field(id, QStringLiteral("synnum")).toInt(), 5);
        QCOMPARE(field(id, QStringLiteral("Done")).toInt(), 0);
        // The passed one-time reminder is off; its stored moment stays.
        QCOMPARE(field(id, QStringLiteral("AlertTime")).toString(), QStringLiteral("2026-12-01 08:00:00"));
        QCOMPARE(field(id, QStringLiteral("DiySound")).toString(), QString());
        QCOMPARE(field(id, QStringLiteral("content")).toString(), in.content); // changed, so written
        QCOMPARE(configTune(), QStringLiteral("old.mp3"));
        // The alert stops before the rescan, which may start it again for other due memos.
        QCOMPARE(views.calls, (QStringList{"stopAlert", "MoveRing(1)", "Command2_Click", "ReadUndo",
                                           "ReadCount", "TreeView1_Setup", "Timer3"}));
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
            QCOMPARE(field(id, QStringLiteral("title")).toString(), QStringLiteral("旧"));
        }
        QVERIFY(views.calls.isEmpty());
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
        QCOMPARE(memoCount(), 0);
        QCOMPARE(configTune(), QStringLiteral("old.mp3"));
        QVERIFY(views.calls.isEmpty());
    }
};

VELMO_TEST_MAIN(TestMemoSave)
#include "TestMemoSave.moc"
