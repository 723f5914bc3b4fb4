// The two editor windows driven headless by object name: defaults, loading a memo, the preview,
// what stays when a save fails, and a save that never writes over a row changed meanwhile.

#include "BoxRecorder.h"
#include "EditorTestKit.h"
#include "TestMain.h"
#include "TestStore.h"

#include "editor/EditorWindows.h"
#include "editor/Form_Add.h"
#include "editor/Form_Edit.h"
#include "editor/LunarDateEdit.h"
#include "store/Recovery.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>

#include <memory>

using namespace velmo;

class TestEditorWindows : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TestStore> store;
    test::ViewsRecorder views;
    test::BoxRecorder boxes;
    QStringList played;
    test::PreviewRecorder* player = nullptr;
    TunePreview::Start playerStart = TunePreview::Start::Playing;
    std::unique_ptr<EditorWindows> editors;

    template <typename T>
    static T* child(QWidget* window, const char* name)
    {
        T* widget = window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    static QString text(QWidget* w, const char* name) { return child<QLineEdit>(w, name)->text(); }
    static QString combo(QWidget* w, const char* name) { return child<QComboBox>(w, name)->currentText(); }

private slots:
    void init()
    {
        test::fixedClock().setNow(test::defaultTestMoment());
        store = std::make_unique<test::TestStore>();
        QVERIFY2(store->isValid(), qPrintable(store->error()));
        boxes.boxes.clear();
        played.clear();
        views.calls.clear();
        playerStart = TunePreview::Start::Playing;
        EditorServices services{store->db(), store->runState(), boxes, views};
        services.assets = AssetFolder(QStringLiteral("/nonexistent-assets"));
        services.tunes = [this] {
            return std::make_unique<test::PreviewRecorder>(played, player, playerStart);
        };
        editors = std::make_unique<EditorWindows>(services);
    }
    void cleanup()
    {
        editors.reset();
        store.reset();
    }

    void addDefaultsJustBeforeMidnight()
    {
        test::fixedClock().setNow(QDateTime(QDate(2026, 12, 6), QTime(23, 57, 10)));
        store->db().exec(QStringLiteral("UPDATE Config SET DiySound='/gone/tune.mp3'"));
        editors->showAdd(QStringLiteral("生日提醒"));
        Form_Add* add = editors->addWindow();
        QCOMPARE(child<QDateEdit>(add, "DT1")->date(), QDate(2026, 12, 7));
        QCOMPARE(child<QTimeEdit>(add, "DT2")->time(), QTime(0, 2, 10));
        QCOMPARE(combo(add, "Combo1"), QStringLiteral("生日提醒"));
        QCOMPARE(text(add, "Text3"), QStringLiteral("/gone/tune.mp3"));
    }

    void editLoadsOnlyAnotherMemo()
    {
        MemoRecord custom = store->sampleMemo(QStringLiteral("自定义"));
        custom.DiySound = QStringLiteral("/music/a.mp3");
        custom.sound = QStringLiteral("3.mid");
        const qint64 first = store->addMemo(custom);
        MemoRecord lunar = store->sampleMemo(QStringLiteral("农历"));
        lunar.lifa = 2;
        lunar.AlertTimeNongli = LunarMoment{2026, 11, 3, 7, 0, 0};
        lunar.AlertPinLv = QStringLiteral("denglu");
        lunar.content = QStringLiteral("第一行<br>第二行");
        const qint64 second = store->addMemo(lunar);

        editors->showEdit(first);
        Form_Edit* edit = editors->editWindow();
        QVERIFY(child<QCheckBox>(edit, "Check4")->isChecked());
        // Opened again, an untouched window shows the memo as it is now; typed input stays.
        store->db().exec(QStringLiteral("UPDATE Notebook SET title='同步来的', synnum=synnum+1 WHERE id=?"),
                         {first});
        editors->showEdit(first);
        QCOMPARE(text(edit, "Text1"), QStringLiteral("同步来的"));
        child<QLineEdit>(edit, "Text1")->setText(QStringLiteral("改了"));
        store->db().exec(QStringLiteral("UPDATE Notebook SET title='又变了', synnum=synnum+1 WHERE id=?"),
                         {first});
        editors->showEdit(first);
        QCOMPARE(text(edit, "Text1"), QStringLiteral("改了"));

        editors->showEdit(second);
        QCOMPARE(text(edit, "Text1"), QStringLiteral("农历"));
        QCOMPARE(combo(edit, "Combo2"), QStringLiteral("每次登陆"));
        QVERIFY(child<QRadioButton>(edit, "Option2")->isChecked());
        QCOMPARE(child<LunarDateEdit>(edit, "DT1Lunar")->date(), (LunarDate{2026, 11, 3, false}));
        // Saved untouched, the body keeps its markup.
        child<QPushButton>(edit, "Command1")->click();
        QCOMPARE(store->memo(second)->content, QStringLiteral("第一行<br>第二行"));
    }

    // Closed by a button (Esc for the key) the window stops the preview and goes; the bind-mail
    // button closes only a window without unsaved input, and opens the mail dialog either way.
    void previewStopsWhenTheWindowCloses_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("typed");
        for (const char* how : {"Command2", "Esc", "Command1", "Command5"})
            QTest::newRow(how) << QString::fromLatin1(how) << true;
        QTest::newRow("Command5, typed nothing") << QStringLiteral("Command5") << false;
    }
    void previewStopsWhenTheWindowCloses()
    {
        QFETCH(QString, how);
        QFETCH(bool, typed);
        editors->showAdd(QStringLiteral("工作任务"));
        QPointer<Form_Add> add = editors->addWindow();
        if (typed)
            child<QLineEdit>(add, "Text1")->setText(QStringLiteral("题"));
        child<QPushButton>(add, "Command4")->click();
        // The built-in tune is missing here: the fallback tune plays.
        QCOMPARE(played, QStringList{QStringLiteral("play /nonexistent-assets/sound/致爱丽丝.mid")});
        if (how == QStringLiteral("Esc"))
            QTest::keyClick(child<QLineEdit>(add, "Text1"), Qt::Key_Escape);
        else
            child<QPushButton>(add, qPrintable(how))->click();
        QCOMPARE(editors->mailDialog() != nullptr, how == QStringLiteral("Command5")); // the mail binding
        if (how == QStringLiteral("Command5") && typed) {
            QVERIFY(add && add->isVisible());
            QCOMPARE(text(add, "Text1"), QStringLiteral("题"));
            return;
        }
        QCOMPARE(played.last(), QStringLiteral("stop"));
        QTRY_VERIFY(!add);
    }

    // The preview button reads "试听" again when the tune ends; a tune that cannot play is told once.
    void previewEndsAndFailures_data()
    {
        QTest::addColumn<int>("start"); // TunePreview::Start
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("message");
        const QString unplayable =
            QStringLiteral("无法播放该铃声文件:\n/nonexistent-assets/sound/致爱丽丝.mid");
        QTest::newRow("played to the end") << int(TunePreview::Start::Playing) << "ended" << QString();
        QTest::newRow("no sound device") << int(TunePreview::Start::NoSoundDevice) << ""
                                         << "没有找到可用的声音设备,无法试听铃声。";
        QTest::newRow("unplayable file") << int(TunePreview::Start::Unplayable) << "" << unplayable;
        QTest::newRow("fails while opening") << int(TunePreview::Start::Playing) << "failed" << unplayable;
    }
    void previewEndsAndFailures()
    {
        QFETCH(int, start);
        QFETCH(QString, then);
        QFETCH(QString, message);
        playerStart = TunePreview::Start(start);
        editors->showAdd(QString());
        QPushButton* preview = child<QPushButton>(editors->addWindow(), "Command4");
        preview->click();
        for (int i = 0; i < 2; ++i) { // a second report changes nothing
            if (then == QStringLiteral("ended"))
                player->ended();
            else if (then == QStringLiteral("failed"))
                player->failed();
        }
        QCOMPARE(preview->text(), QStringLiteral("试听"));
        QCOMPARE(boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    // The new-memo window without a settings row ends the program, and says where an unreadable data
    // file was kept.
    void addWindowWithoutSettingsNamesTheFileKept()
    {
        QFile junk(store->folder().filePath(QStringLiteral("junk.db")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a database") > 0 && junk.flush());
        store->runState().DbPath = junk.fileName();
        store->db().exec(QStringLiteral("DELETE FROM Config"));
        editors->showAdd(QString());
        QVERIFY(!editors->addWindow());
        QCOMPARE(boxes.texts().size(), 1);
        QVERIFY(boxes.texts()[0].startsWith(settingsLoadErrorText() + u'\n') &&
                boxes.texts()[0].contains("junk.db.broken-"));
    }

    // The save writes the row the window loaded, or nothing: what happened to it meanwhile decides.
    // A snooze alone is no change, and stays unless the reminder changes.
    void editSavesOnlyTheRowItLoaded_data()
    {
        QTest::addColumn<QString>("meanwhile"); // SQL run between loading and saving
        QTest::addColumn<bool>("moveTime");     // the user moves the reminder a minute on
        QTest::addColumn<QString>("message");   // empty: saved
        const QString snooze = QStringLiteral("UPDATE Notebook SET AlertTimeTemp='2026-12-06 10:05:00'");
        const QString changed = MemoSave::changedMeanwhileText();
        // clang-format off
        QTest::newRow("nothing") << "" << false << "";
        QTest::newRow("snoozed") << snooze << false << "";
        QTest::newRow("snoozed, time moved") << snooze << true << "";
        QTest::newRow("uploaded") << "UPDATE Notebook SET syn=1, NotebookServerId=77" << false << "";
        QTest::newRow("rang and moved on") << "UPDATE Notebook SET AlertTime='2026-12-20 07:05:00', synnum=synnum+1" << false << changed;
        QTest::newRow("downloaded") << "UPDATE Notebook SET title='服务器的', synnum=50, syn=1" << false << changed;
        QTest::newRow("marked done") << "UPDATE Notebook SET Done=1, synnum=synnum+1" << false << changed;
        QTest::newRow("deleted") << "UPDATE Notebook SET Del=1, syn=0" << false << MemoSave::memoGoneText();
        QTest::newRow("write refused") << "CREATE TRIGGER refuse BEFORE UPDATE ON Notebook BEGIN SELECT RAISE(ABORT, 'refused'); END" << false << MemoSave::writeFailedText() + "\nrefused";
        // clang-format on
    }
    void editSavesOnlyTheRowItLoaded()
    {
        QFETCH(QString, meanwhile);
        QFETCH(bool, moveTime);
        QFETCH(QString, message);
        MemoRecord stored = store->distinctMemo(0); // solar, weekly, ahead of the clock
        stored.DiySound.clear();
        const qint64 id = store->addMemo(stored);
        editors->showEdit(id);
        Form_Edit* edit = editors->editWindow();
        child<QLineEdit>(edit, "Text1")->setText(QStringLiteral("改过"));
        QTimeEdit* time = child<QTimeEdit>(edit, "DT2");
        if (moveTime)
            time->setTime(time->time().addSecs(60));
        if (!meanwhile.isEmpty())
            QVERIFY(store->db().exec(meanwhile).ok);
        const MemoRecord before = *store->memo(id);
        child<QPushButton>(edit, "Command1")->click();

        if (!message.isEmpty()) {
            QCOMPARE(boxes.boxes.size(), 1);
            QVERIFY2(boxes.boxes[0].text.startsWith(message), qPrintable(boxes.boxes[0].text));
            QVERIFY(*store->memo(id) == before);
            QVERIFY(views.calls.isEmpty());
            QVERIFY(edit->isVisible());
            // A row changed meanwhile is shown as it is now; otherwise the input stays.
            QCOMPARE(text(edit, "Text1"),
                     message == MemoSave::changedMeanwhileText() ? before.title : QStringLiteral("改过"));
            return;
        }
        QVERIFY(boxes.boxes.isEmpty());
        MemoRecord expected = before;
        expected.title = QStringLiteral("改过");
        expected.Done = false;
        expected.addtime = test::defaultTestMoment();
        expected.click = 1;
        expected.before = 7;
        expected.editor = false;
        expected.synnum = before.synnum + 1;
        expected.syn = false;
        expected.AlertTime = before.AlertTime->addSecs(moveTime ? 60 : 0);
        expected.mailTime = expected.AlertTime;
        if (moveTime)
            expected.AlertTimeTemp.reset();
        QVERIFY(*store->memo(id) == expected);
    }

    // A stored lunar date is saved as stored unless the user changes it: a 30th that no solar month
    // has, a 30th its month lacks, and a day of a leap month, which its stored solar day tells apart.
    // A 31st is no lunar day: it is refused, not quietly changed.
    void lunarDateKeptAsStored_data()
    {
        QTest::addColumn<QString>("alertTimeNongli");
        QTest::addColumn<QString>("mailTime");
        QTest::addColumn<QString>("message");
        // clang-format off
        QTest::newRow("2nd month 30th") << "2027-02-30 08:00:00" << "2027-04-06 08:00:00" << "";
        QTest::newRow("30th of a 29-day month") << "2027-03-30 08:00:00" << "2027-05-06 08:00:00" << "";
        QTest::newRow("leap 5th month") << "2028-05-10 08:00:00" << "2028-07-02 08:00:00" << "";
        QTest::newRow("31st") << "2027-01-31 08:00:00" << "2027-03-08 08:00:00" << MemoSave::lunarDay31Text();
        // clang-format on
    }
    void lunarDateKeptAsStored()
    {
        QFETCH(QString, alertTimeNongli);
        QFETCH(QString, mailTime);
        QFETCH(QString, message);
        MemoRecord lunar = store->sampleMemo(QStringLiteral("农历"));
        lunar.lifa = 2;
        lunar.AlertTime.reset();
        const qint64 id = store->addMemo(lunar);
        store->db().exec(QStringLiteral("UPDATE Notebook SET AlertTimeNongli=?, mailTime=? WHERE id=?"),
                         {alertTimeNongli, mailTime, id});
        editors->showEdit(id);
        child<QLineEdit>(editors->editWindow(), "Text1")->setText(QStringLiteral("改标题"));
        child<QPushButton>(editors->editWindow(), "Command1")->click();
        QCOMPARE(boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        const auto column = [this, id](const char* name) {
            return store->value(QStringLiteral("SELECT %1 FROM Notebook WHERE id=?").arg(QLatin1String(name)),
                                {id});
        };
        QCOMPARE(column("title").toString(), message.isEmpty() ? QStringLiteral("改标题") : lunar.title);
        QCOMPARE(column("AlertTimeNongli").toString(), alertTimeNongli);
        QCOMPARE(column("mailTime").toString(), mailTime);
    }
};

VELMO_TEST_MAIN(TestEditorWindows)
#include "TestEditorWindows.moc"
