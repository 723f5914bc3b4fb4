// The two editor windows driven headless by object name: defaults, every field of a memo loaded and
// saved back, the preview, what stays when a save fails, and a save that never writes over a row
// changed meanwhile.

#include "BoxRecorder.h"
#include "EditorTestKit.h"
#include "TestMain.h"
#include "TestStore.h"

#include "editor/EditorWindows.h"
#include "editor/Form_Add.h"
#include "editor/Form_Edit.h"
#include "editor/LunarDateEdit.h"
#include "editor/MemoEditorWindow.h"
#include "store/DbText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
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
    // Assets with one built-in tune (赛马.mid); a custom tune file.
    QTemporaryDir assets;
    QString customTune;

    template <typename T>
    static T* child(QWidget* window, const char* name)
    {
        T* widget = window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    static QString text(QWidget* w, const char* name) { return child<QLineEdit>(w, name)->text(); }
    // Types a text into a control as an input method hands it over: one key press carrying it.
    static void type(QWidget* control, const QString& typed)
    {
        QTest::sendKeyEvent(QTest::Click, control, Qt::Key_unknown, typed, Qt::NoModifier);
    }
    static QString combo(QWidget* w, const char* name) { return child<QComboBox>(w, name)->currentText(); }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(assets.path()).mkpath(QStringLiteral("sound")));
        customTune = assets.filePath(QStringLiteral("mine.mp3"));
        for (const QString& file : {assets.filePath(QStringLiteral("sound/赛马.mid")), customTune})
            QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    }

    void init()
    {
        test::fixedClock().setNow(test::defaultTestMoment());
        store = std::make_unique<test::TestStore>();
        QVERIFY2(store->isValid(), qPrintable(store->error()));
        boxes.boxes.clear();
        boxes.pendingChoice = nullptr;
        played.clear();
        views.calls.clear();
        playerStart = TunePreview::Start::Playing;
        EditorServices services{store->db(), store->runState(), boxes, views};
        services.assets = AssetFolder(assets.path());
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
        // No mailbox is bound: the mail option is off and the binding offered.
        QVERIFY(!child<QCheckBox>(add, "Check3")->isEnabled() &&
                child<QPushButton>(add, "Command5")->isEnabled());
        // The remembered custom tune is offered even when its file is gone.
        QCOMPARE(text(add, "Text3"), QStringLiteral("/gone/tune.mp3"));
        QVERIFY(child<QCheckBox>(add, "Check4")->isChecked() &&
                !child<QComboBox>(add, "Combo3")->isEnabled());
        // A one-time reminder that has passed is saved switched off, and the user is told so.
        child<QCheckBox>(add, "Check4")->click();
        child<QLineEdit>(add, "Text1")->setText(QStringLiteral("题"));
        child<QDateEdit>(add, "DT1")->setDate(QDate(2026, 12, 6));
        child<QTimeEdit>(add, "DT2")->setTime(QTime(23, 50));
        child<QPushButton>(add, "Command1")->click();
        QCOMPARE(boxes.texts(),
                 QStringList{QStringLiteral("提醒时间:2026/12/6 23:50:00 < 当前公历:2026-12-06 "
                                            "23:57:10,提醒功能未生效")});
        QTRY_VERIFY(!editors->addWindow());
    }

    // The new-memo window takes the category of the node it is opened from, over the user's pick;
    // the two state nodes, no node and a text that names no category leave the pick.
    void addPresetFollowsEveryOpening()
    {
        editors->showAdd(QStringLiteral("生日提醒"));
        QCOMPARE(combo(editors->addWindow(), "Combo1"), QStringLiteral("生日提醒"));
        child<QComboBox>(editors->addWindow(), "Combo1")->setCurrentIndex(1);
        for (const char* tag : {"进行中备", "已完成备", "", "生活"}) {
            editors->showAdd(QString::fromUtf8(tag));
            QCOMPARE(combo(editors->addWindow(), "Combo1"), QStringLiteral("工作任务"));
        }
        editors->showAdd(QStringLiteral("心情日记"));
        QCOMPARE(combo(editors->addWindow(), "Combo1"), QStringLiteral("心情日记"));
    }

    // Every column of a stored memo shows in its control, and a save of the untouched window writes
    // each back: only the columns the save owns change. Each memo holds a value of its own in every
    // column.
    void loadAndSaveBack_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("change");    // assignments to the stored row before it is loaded
        QTest::addColumn<QStringList>("shown"); // category, repeat, calendar, date, time, Check1-3, tune
        QTest::addColumn<QStringList>("saved"); // columns the save changes, besides its own
        const QString builtIn = QStringLiteral("DiySound=''");
        const QString custom = QStringLiteral("DiySound='<tune>'");
        // clang-format off
        QTest::newRow("solar, built-in tune") << 0 << builtIn
            << QStringList{"工作任务", "每周提醒", "公历", "2026-12-08", "17:05:00", "010", "动感超人.mp3"}
            << QStringList{"synnum=42", "mailTime=2026-12-08 17:05:00"};
        QTest::newRow("solar, custom tune") << 1 << custom
            << QStringList{"学习计划", "每季度提醒", "公历", "2026-12-09", "17:05:00", "101", "CHAMPION.mp3 + <tune>"}
            << QStringList{"synnum=43", "mailTime=2026-12-09 17:05:00"};
        QTest::newRow("custom tune unticked") << 1 << custom
            << QStringList{"学习计划", "每季度提醒", "公历", "2026-12-09", "17:05:00", "101", "CHAMPION.mp3 + <tune>"}
            << QStringList{"synnum=43", "mailTime=2026-12-09 17:05:00", "sound=11.mp3", "DiySound="};
        QTest::newRow("lunar") << 2 << builtIn
            << QStringList{"生日提醒", "每年提醒", "农历", "2026-12-05", "10:15:30", "100", "传奇.mp3"}
            << QStringList{"synnum=44", "ifAlert=1", "mailTime=2027-01-12 10:15:30"};
        // Every calendar flag but 1 is lunar; every category code outside the table is 其它备忘; a
        // repeat or tune code outside its table leaves the list as the memo shown before left it
        // (每周提醒, 动感超人.mp3). One alternative a row.
        const QStringList lunarShown{"生日提醒", "每年提醒", "农历", "2026-12-05", "10:15:30", "100", "传奇.mp3"};
        const QStringList lunarSaved{"synnum=44", "ifAlert=1", "mailTime=2027-01-12 10:15:30"};
        const auto with = [](QStringList list, int index, const QString& value) { return list[index] = value, list; };
        for (const char* flag : {"0", "NULL", "3"})
            QTest::addRow("calendar flag %s", flag) << 2 << builtIn + ", lifa=" + flag << lunarShown << lunarSaved + QStringList{"lifa=2"};
        for (const char* type : {"9", "0", "-1"})
            QTest::addRow("category code %s", type) << 2 << builtIn + ", type=" + type
                << with(lunarShown, 0, "其它备忘") << lunarSaved + QStringList{"type=7"};
        QTest::newRow("repeat code outside the table") << 2 << builtIn + ", AlertPinLv='2tian'"
            << with(lunarShown, 1, "每周提醒") << lunarSaved + QStringList{"AlertPinLv=1zhou"};
        QTest::newRow("repeat code in other letter case") << 2 << builtIn + ", AlertPinLv='1NIAN'"
            << with(lunarShown, 1, "每周提醒") << lunarSaved + QStringList{"AlertPinLv=1zhou"};
        QTest::newRow("tune code empty") << 2 << builtIn + ", sound=''"
            << with(lunarShown, 6, "动感超人.mp3") << lunarSaved + QStringList{"sound=10.mp3"};
        QTest::newRow("tune code outside the table") << 2 << builtIn + ", sound='99.mid'"
            << with(lunarShown, 6, "动感超人.mp3") << lunarSaved + QStringList{"sound=10.mp3"};
        // clang-format on
    }
    void loadAndSaveBack()
    {
        QFETCH(int, variant);
        QFETCH(QString, change);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, saved);
        shown.replaceInStrings(QStringLiteral("<tune>"), customTune);
        const MemoRecord memo = store->distinctMemo(variant);
        const qint64 id = store->addMemo(memo);
        store->runState().MobileMailActive = variant == 1; // with a bound mailbox, Check3 is the user's
        QVERIFY(store->db()
                    .exec(QStringLiteral("UPDATE Notebook SET %1 WHERE id=?")
                              .arg(change)
                              .replace("<tune>", customTune),
                          {id})
                    .ok);
        const MemoRecord before = *store->memo(id);
        // The window shows another memo first: weekly, 动感超人.mp3.
        MemoRecord previous = store->distinctMemo(0);
        previous.DiySound.clear();
        editors->showEdit(store->addMemo(previous));
        editors->showEdit(id);
        Form_Edit* edit = editors->editWindow();
        const bool lunar = child<QRadioButton>(edit, "Option2")->isChecked();
        const auto flag = [edit](const char* name) {
            return QString::number(child<QCheckBox>(edit, name)->isChecked());
        };
        const bool custom = child<QCheckBox>(edit, "Check4")->isChecked();
        const LunarDate lunarDate = child<LunarDateEdit>(edit, "DT1Lunar")->date();
        QCOMPARE((QStringList{combo(edit, "Combo1"), combo(edit, "Combo2"), lunar ? "农历" : "公历",
                              (lunar ? QDate(lunarDate.year, lunarDate.month, lunarDate.day)
                                     : child<QDateEdit>(edit, "DT1")->date())
                                  .toString(Qt::ISODate),
                              child<QTimeEdit>(edit, "DT2")->time().toString(Qt::ISODate),
                              flag("Check1") + flag("Check2") + flag("Check3"),
                              combo(edit, "Combo3") +
                                  (custom ? QStringLiteral(" + ") + text(edit, "Text3") : QString())}),
                 shown);
        QCOMPARE(child<QCheckBox>(edit, "Check3")->isEnabled(), variant == 1);
        QCOMPARE(child<QPushButton>(edit, "Command6")->isEnabled(), variant != 1);
        QCOMPARE(child<QComboBox>(edit, "Combo3")->isEnabled(), !custom);
        QCOMPARE(child<QLineEdit>(edit, "Text3")->isEnabled(), custom);
        QCOMPARE(text(edit, "Text1"), memo.title);
        QCOMPARE(child<QLabel>(edit, "Label3")->text(), QString::number(id));
        QCOMPARE(child<QPlainTextEdit>(edit, "Text2")->toPlainText(), QStringLiteral("正文%1").arg(variant));

        if (QTest::currentDataTag() == QByteArray("custom tune unticked"))
            child<QCheckBox>(edit, "Check4")->click();
        child<QPushButton>(edit, "Command1")->click();
        QCOMPARE(boxes.texts(), QStringList());
        QTRY_VERIFY(!editors->editWindow());
        // The body is written back only when changed: the stored one keeps its markup.
        saved +=
            QStringList{"Done=0", "addtime=2026-12-06 10:00:00", "click=1", "before=7", "editor=0", "syn=0"};
        QCOMPARE(test::memoColumns(*store->memo(id)), test::withColumns(test::memoColumns(before), saved));
    }

    // Opened again on its memo, an untouched window shows the memo as it is now and one with typed
    // input keeps it; another memo is loaded whatever was typed.
    void editOpenedAgain()
    {
        MemoRecord custom = store->sampleMemo(QStringLiteral("一"));
        custom.DiySound = QStringLiteral("/music/a.mp3");
        const qint64 first = store->addMemo(custom);
        const qint64 second = store->addMemo(QStringLiteral("二"));
        const auto retitle = [this, first](const QString& title) {
            QVERIFY(store->db()
                        .exec(QStringLiteral("UPDATE Notebook SET title=?, synnum=synnum+1 WHERE id=?"),
                              {title, first})
                        .ok);
        };
        editors->showEdit(first);
        Form_Edit* edit = editors->editWindow();
        retitle(QStringLiteral("同步来的"));
        editors->showEdit(first);
        QCOMPARE(text(edit, "Text1"), QStringLiteral("同步来的"));
        child<QLineEdit>(edit, "Text1")->setText(QStringLiteral("改了"));
        retitle(QStringLiteral("又变了"));
        editors->showEdit(first);
        QCOMPARE(text(edit, "Text1"), QStringLiteral("改了"));
        // Another memo takes the window once the typing is left, not before.
        editors->showEdit(second);
        QCOMPARE(boxes.texts(),
                 QStringList{MemoEditorWindow::unsavedQuestionText(QStringLiteral("编辑备忘录"))});
        QVERIFY(boxes.choose(QStringLiteral("取消")));
        QCOMPARE(text(editors->editWindow(), "Text1"), QStringLiteral("改了"));
        editors->showEdit(second);
        QVERIFY(boxes.choose(QStringLiteral("不保存")));
        QCOMPARE(text(editors->editWindow(), "Text1"), QStringLiteral("二"));
        // Its built-in tune shows no custom path of the memo shown before.
        QCOMPARE(text(editors->editWindow(), "Text3"), QString());
        QCOMPARE(store->memo(first)->title, QStringLiteral("又变了"));
    }

    // An open list or calendar takes Esc for itself: the window and what was typed in it stay.
    void escClosesAnOpenListOnly_data()
    {
        QTest::addColumn<QString>("list");
        for (const char* list : {"Combo1", "Combo2", "Combo3", "LunarMonth", "LunarDay", "DT1"})
            QTest::newRow(list) << QString::fromLatin1(list);
    }
    void escClosesAnOpenListOnly()
    {
        QFETCH(QString, list);
        editors->showAdd(QString());
        QPointer<Form_Add> add = editors->addWindow();
        QVERIFY(QTest::qWaitForWindowActive(add));
        type(child<QLineEdit>(add, "Text1"), QStringLiteral("买菜"));
        type(child<QPlainTextEdit>(add, "Text2"), QStringLiteral("两斤土豆"));
        if (list.startsWith(QStringLiteral("Lunar")))
            QTest::mouseClick(child<QRadioButton>(add, "Option2"), Qt::LeftButton);
        QWidget* opener = child<QWidget>(add, qPrintable(list));
        opener->setFocus();
        // A list opens with Alt+Down, the calendar with a click on its arrow.
        if (list == QStringLiteral("DT1"))
            QTest::mouseClick(opener, Qt::LeftButton, {}, QPoint(opener->width() - 6, opener->height() / 2));
        else
            QTest::keyClick(opener, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY(add && add->isVisible());
        QCOMPARE(text(add, "Text1"), QStringLiteral("买菜"));
        QCOMPARE(child<QPlainTextEdit>(add, "Text2")->toPlainText(), QStringLiteral("两斤土豆"));
        QVERIFY(boxes.boxes.isEmpty());
    }

    // However a memo editor holding typed input is closed, or switched to another memo, it asks
    // first; the input is saved, left, or kept in the window as typed. Asked twice, it asks once.
    void unsavedInputIsAskedAbout_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("answer");
        for (const char* how : {"Esc", "Command2", "close box", "another memo"}) {
            for (const QString& answer : MemoEditorWindow::unsavedQuestionButtons())
                QTest::addRow("%s, %s", how, qPrintable(answer)) << QString::fromLatin1(how) << answer;
        }
    }
    void unsavedInputIsAskedAbout()
    {
        QFETCH(QString, how);
        QFETCH(QString, answer);
        const bool editing = how == QStringLiteral("another memo");
        const qint64 other = store->addMemo(QStringLiteral("另一条"));
        QPointer<MemoEditorWindow> window;
        if (editing) {
            editors->showEdit(store->addMemo(QStringLiteral("原来的")));
            window = editors->editWindow();
        } else {
            editors->showAdd(QString());
            window = editors->addWindow();
        }
        QVERIFY(QTest::qWaitForWindowActive(window));
        QLineEdit* title = child<QLineEdit>(window, "Text1");
        QTest::keyClick(title, Qt::Key_A, Qt::ControlModifier);
        type(title, QStringLiteral("新写的"));
        for (int i = 0; i < 2; ++i) {
            if (how == QStringLiteral("Esc"))
                QTest::keyClick(title, Qt::Key_Escape);
            else if (how == QStringLiteral("Command2"))
                QTest::mouseClick(child<QPushButton>(window, "Command2"), Qt::LeftButton);
            else if (editing)
                editors->showEdit(other);
            else
                window->close();
        }
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text, MemoEditorWindow::unsavedQuestionText(window->windowTitle()));
        QCOMPARE(boxes.boxes[0].buttons, MemoEditorWindow::unsavedQuestionButtons());
        QVERIFY(window->isVisible());
        QVERIFY(boxes.choose(answer));
        const bool stays = answer == QStringLiteral("取消");
        QCOMPARE(window && window->isVisible(), stays);
        if (stays)
            QCOMPARE(title->text(), QStringLiteral("新写的"));
        QCOMPARE(store->value(QStringLiteral("SELECT count(*) FROM Notebook WHERE title='新写的'")).toInt(),
                 int(answer == QStringLiteral("保存")));
        if (editing)
            QCOMPARE(text(editors->editWindow(), "Text1"),
                     stays ? QStringLiteral("新写的") : QStringLiteral("另一条"));
    }

    // A save that finds the memo changed meanwhile writes nothing and keeps the typing: the user sees
    // what changed, and keeps theirs over it (counted on, to be sent), takes the newer memo, or edits on.
    void staleEditLetsTheUserChoose_data()
    {
        QTest::addColumn<QString>("answer");
        for (const QString& answer : Form_Edit::changedQuestionButtons())
            QTest::newRow(qPrintable(answer)) << answer;
    }
    void staleEditLetsTheUserChoose()
    {
        QFETCH(QString, answer);
        MemoRecord stored = store->distinctMemo(1); // solar, in progress, body "<p>正文1</p>"
        stored.DiySound.clear();
        const qint64 id = store->addMemo(stored);
        editors->showEdit(id);
        Form_Edit* edit = editors->editWindow();
        QLineEdit* title = child<QLineEdit>(edit, "Text1");
        QTest::keyClick(title, Qt::Key_A, Qt::ControlModifier);
        type(title, QStringLiteral("我的标题"));
        // Downloaded meanwhile: another title and body, done, another reminder time.
        QVERIFY(store->db()
                    .exec(QStringLiteral("UPDATE Notebook SET title='服务器的', content='新正文', Done=1, "
                                         "AlertTime='2026-12-20 07:05:00', synnum=50, syn=1 WHERE id=?"),
                          {id})
                    .ok);
        const MemoRecord newer = *store->memo(id);
        QTest::mouseClick(child<QPushButton>(edit, "Command1"), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text,
                 Form_Edit::changedQuestionText(
                     {"标题:服务器的", "状态:已完成", "提醒时间:公历 2026-12-20 07:05:00", "内容:新正文"}));
        QCOMPARE(boxes.boxes[0].buttons, Form_Edit::changedQuestionButtons());
        QCOMPARE(title->text(), QStringLiteral("我的标题"));
        QVERIFY(*store->memo(id) == newer);
        QVERIFY(boxes.choose(answer));
        if (answer == Form_Edit::changedQuestionButtons()[0]) {
            // Written over knowingly: the window's title and body, in progress, counted on from the
            // newer row, to be sent.
            QTRY_VERIFY(!editors->editWindow());
            const MemoRecord kept = *store->memo(id);
            QCOMPARE(QStringList({kept.title, kept.content, QString::number(kept.Done),
                                  QString::number(kept.synnum), QString::number(kept.syn)}),
                     QStringList({"我的标题", "正文1", "0", "51", "0"}));
            QVERIFY((views.calls == QList<MemoChange>{{MemoChange::Kind::Edited, {id}}}));
            return;
        }
        QVERIFY(*store->memo(id) == newer);
        QVERIFY(views.calls.isEmpty());
        QVERIFY(edit->isVisible());
        if (answer == Form_Edit::changedQuestionButtons()[1]) {
            QCOMPARE(title->text(), QStringLiteral("服务器的"));
            QCOMPARE(child<QPlainTextEdit>(edit, "Text2")->toPlainText(), QStringLiteral("新正文"));
            return;
        }
        QCOMPARE(title->text(), QStringLiteral("我的标题"));
        QTest::mouseClick(child<QPushButton>(edit, "Command1"), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), 2);
        QVERIFY(*store->memo(id) == newer);
    }

    // Closed by a button (Esc for the key) the window stops the preview and goes; the bind-mail
    // button closes only a window without unsaved input, and opens the mail dialog either way. (What
    // the other ways out do with unsaved input: unsavedInputIsAskedAbout.)
    void previewStopsWhenTheWindowCloses_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("typed");
        for (const char* how : {"Command1", "Command5"})
            QTest::newRow(how) << QString::fromLatin1(how) << true;
        for (const char* how : {"Command2", "Esc", "Command5"})
            QTest::newRow(qPrintable(QStringLiteral("%1, typed nothing").arg(QLatin1String(how))))
                << QString::fromLatin1(how) << false;
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
        QCOMPARE(played.size(), 1);
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

    // The preview plays the tune the row shows: its built-in file, the fallback tune when that file is
    // missing, or the custom file (a missing one is told, and nothing plays). The button reads "试听"
    // again when the tune ends or is stopped; a tune that cannot play is told once.
    void preview_data()
    {
        QTest::addColumn<QString>("tune"); // a built-in label, or "custom " and a file of the assets
        QTest::addColumn<int>("start");    // TunePreview::Start
        QTest::addColumn<QString>("then"); // "click", "ended", "failed" or nothing
        QTest::addColumn<QString>("file"); // played, in the assets; empty: nothing plays
        QTest::addColumn<QString>("message");
        const int playing = int(TunePreview::Start::Playing);
        const QString unplayable = QStringLiteral("无法播放该铃声文件:\n<assets>/");
        // clang-format off
        QTest::newRow("built-in, stopped") << "赛马.mid" << playing << "click" << "sound/赛马.mid" << "";
        QTest::newRow("built-in missing, to the end") << "诺基亚.mp3" << playing << "ended" << "sound/致爱丽丝.mid" << "";
        QTest::newRow("custom, fails while opening") << "custom mine.mp3" << playing << "failed" << "mine.mp3" << unplayable + "mine.mp3";
        QTest::newRow("custom, missing") << "custom gone.mp3" << playing << "" << "" << QStringLiteral("自定义铃声文件不存在,请浏览选择");
        QTest::newRow("no sound device") << "赛马.mid" << int(TunePreview::Start::NoSoundDevice) << "" << "sound/赛马.mid" << "没有找到可用的声音设备,无法试听铃声。";
        QTest::newRow("unplayable") << "赛马.mid" << int(TunePreview::Start::Unplayable) << "" << "sound/赛马.mid" << unplayable + "sound/赛马.mid";
        // clang-format on
    }
    void preview()
    {
        QFETCH(QString, tune);
        QFETCH(int, start);
        QFETCH(QString, then);
        QFETCH(QString, file);
        QFETCH(QString, message);
        playerStart = TunePreview::Start(start);
        editors->showAdd(QString());
        Form_Add* add = editors->addWindow();
        if (tune.startsWith(QStringLiteral("custom "))) {
            child<QCheckBox>(add, "Check4")->click();
            child<QLineEdit>(add, "Text3")->setText(assets.filePath(tune.mid(7)));
        } else {
            child<QComboBox>(add, "Combo3")->setCurrentText(tune);
        }
        QPushButton* button = child<QPushButton>(add, "Command4");
        button->click();
        QCOMPARE(played, file.isEmpty() ? QStringList() : QStringList{"play " + assets.filePath(file)});
        QCOMPARE(button->text(), then.isEmpty() ? QStringLiteral("试听") : QStringLiteral("停止"));
        if (then == QStringLiteral("click"))
            button->click();
        for (int i = 0; i < 2 && player; ++i) { // a second report changes nothing
            if (then == QStringLiteral("ended"))
                player->ended();
            else if (then == QStringLiteral("failed"))
                player->failed();
        }
        QCOMPARE(button->text(), QStringLiteral("试听"));
        QCOMPARE(played.size(), file.isEmpty() ? 0 : then == QStringLiteral("click") ? 2 : 1);
        message.replace(QStringLiteral("<assets>"), assets.path());
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
        QVERIFY(
            boxes.texts()[0].startsWith(QStringLiteral("数据配置文件加载出错,请尝试重新启动程序") + u'\n') &&
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
            // The input stays, whatever happened to the row.
            QCOMPARE(text(edit, "Text1"), QStringLiteral("改过"));
            return;
        }
        QVERIFY(boxes.boxes.isEmpty());
        const QString alert =
            moveTime ? QStringLiteral("2026-12-08 17:06:00") : QStringLiteral("2026-12-08 17:05:00");
        QStringList saved{
            "title=改过", "Done=0", "addtime=2026-12-06 10:00:00", "click=1",          "before=7", "editor=0",
            "synnum=42",  "syn=0",  "AlertTime=" + alert,          "mailTime=" + alert};
        if (moveTime)
            saved << "AlertTimeTemp=-";
        QCOMPARE(test::memoColumns(*store->memo(id)), test::withColumns(test::memoColumns(before), saved));
    }

    // The typing in an edit window whose memo was deleted meanwhile is offered as a new memo: kept
    // (its body as stored when left as loaded; the next new memo's tune left alone), left, or kept
    // in the window; the same when 保存 of the question before closing finds the memo gone.
    void typingOfADeletedMemoKeptAsNew_data()
    {
        QTest::addColumn<bool>("closing");
        QTest::addColumn<QString>("answer");
        for (const bool closing : {false, true}) {
            for (const QString& answer : MemoSave::keepAsNewButtons())
                QTest::addRow("%s, %s", closing ? "closing" : "save", qPrintable(answer))
                    << closing << answer;
        }
    }
    void typingOfADeletedMemoKeptAsNew()
    {
        QFETCH(bool, closing);
        QFETCH(QString, answer);
        MemoRecord stored = store->distinctMemo(0);
        stored.DiySound.clear();
        stored.content = QStringLiteral("<b>粗</b>体");
        const qint64 id = store->addMemo(stored);
        QVERIFY(store->db().exec(QStringLiteral("UPDATE Config SET DiySound='old.mp3'")).ok);
        editors->showEdit(id);
        QPointer<Form_Edit> edit = editors->editWindow();
        child<QLineEdit>(edit, "Text1")->setText(QStringLiteral("改过"));
        QVERIFY(store->db().exec(QStringLiteral("UPDATE Notebook SET Del=1, syn=0")).ok);
        const QStringList before = store->allMemoColumns();
        std::optional<bool> closed;
        if (closing) {
            edit->closeAfterAsking([&closed](bool c) { closed = c; });
            QVERIFY(boxes.choose(QStringLiteral("保存")));
        } else {
            child<QPushButton>(edit, "Command1")->click();
        }
        QCOMPARE(boxes.boxes.last().text, MemoSave::keepAsNewText());
        QVERIFY(boxes.choose(answer));
        const bool kept = answer == MemoSave::keepAsNewButtons()[0];
        const bool stays = answer == MemoSave::keepAsNewButtons()[2];
        QCOMPARE(edit && edit->isVisible(), stays);
        QCOMPARE(closed, closing ? std::optional<bool>(!stays) : std::nullopt);
        if (stays)
            QCOMPARE(text(edit, "Text1"), QStringLiteral("改过"));
        QCOMPARE(store->value(QStringLiteral("SELECT DiySound FROM Config")).toString(),
                 QStringLiteral("old.mp3"));
        if (!kept) {
            QCOMPARE(store->allMemoColumns(), before);
            QVERIFY(views.calls.isEmpty());
            return;
        }
        const qint64 added = store->value(QStringLiteral("SELECT max(id) FROM Notebook")).toLongLong();
        QVERIFY(added > id);
        const MemoRecord memo = *store->memo(added);
        QCOMPARE(memo.title, QStringLiteral("改过"));
        QCOMPARE(memo.content, stored.content);
        QCOMPARE(memo.type, stored.type);
        QVERIFY(!memo.Del && !memo.syn && memo.synnum == 1);
        QVERIFY(store->memo(id)->Del);
        QVERIFY((views.calls == QList<MemoChange>{{MemoChange::Kind::Added, {added}}}));
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
        QTest::newRow("31st") << "2027-01-31 08:00:00" << "2027-03-08 08:00:00" << QStringLiteral("农历有木有31啊？");
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

    // The lunar picker shows a loaded memo's stored numbers, and the save checks a date the user
    // changed there: a day its month lacks is refused, and a leap month's solar day is kept only
    // while the date stays as loaded. Lunar 2027: third month 29 days, fourth 30, fifth and sixth
    // 29; 2028: sixth 29, a leap fifth month after the fifth.
    void lunarDateLoadedAndChanged_data()
    {
        QTest::addColumn<QString>("stored");   // AlertTimeNongli
        QTest::addColumn<QString>("mailTime"); // its solar moment
        QTest::addColumn<QString>("shown");    // year, month, day, time in the pickers
        QTest::addColumn<QString>("change");   // control and key, pressed once
        QTest::addColumn<QString>("saved");    // AlertTimeNongli and mailTime, or the refusal
        // clang-format off
        QTest::newRow("on to a 30th the month lacks") << "2027-03-29 08:00:00" << "2027-05-05 08:00:00"
            << "2027年 三月 廿九 08:00:00" << "LunarDay Down" << "农历2027年三月没有三十,请重新选择日期";
        QTest::newRow("kept 30th, the year changed") << "2027-06-30 08:00:00" << "2027-08-04 08:00:00"
            << "2027年 六月 三十 08:00:00" << "LunarYear Up" << "农历2028年六月没有三十,请重新选择日期";
        QTest::newRow("kept 30th, the month changed") << "2027-03-30 08:00:00" << "2027-05-06 08:00:00"
            << "2027年 三月 三十 08:00:00" << "LunarMonth Down" << "2027-04-30 08:00:00 2027-06-04 08:00:00";
        QTest::newRow("kept 30th, on to another short month") << "2027-06-30 08:00:00" << "2027-08-04 08:00:00"
            << "2027年 六月 三十 08:00:00" << "LunarMonth Up" << "农历2027年五月没有三十,请重新选择日期";
        QTest::newRow("leap month, the time changed") << "2028-05-10 08:00:00" << "2028-07-02 08:00:00"
            << "2028年 五月 初十 08:00:00" << "DT2 Up" << "2028-05-10 09:00:00 2028-07-02 09:00:00";
        QTest::newRow("leap month, the day changed") << "2028-05-10 08:00:00" << "2028-07-02 08:00:00"
            << "2028年 五月 初十 08:00:00" << "LunarDay Down" << "2028-05-11 08:00:00 2028-06-03 08:00:00";
        QTest::newRow("31st shown as the 30th") << "2027-01-31 08:00:00" << "2027-03-08 08:00:00"
            << "2027年 正月 三十 08:00:00" << "" << "农历有木有31啊？";
        // clang-format on
    }
    void lunarDateLoadedAndChanged()
    {
        QFETCH(QString, stored);
        QFETCH(QString, mailTime);
        QFETCH(QString, shown);
        QFETCH(QString, change);
        QFETCH(QString, saved);
        MemoRecord lunar = store->sampleMemo(QStringLiteral("农历"));
        lunar.lifa = 2;
        lunar.AlertPinLv = QStringLiteral("1nian");
        lunar.AlertTime.reset();
        const qint64 id = store->addMemo(lunar);
        QVERIFY(store->db()
                    .exec(QStringLiteral("UPDATE Notebook SET AlertTimeNongli=?, mailTime=? WHERE id=?"),
                          {stored, mailTime, id})
                    .ok);
        // Solar pickers that would show another day, were they carried across.
        editors->showEdit(store->addMemo(QStringLiteral("公历")));
        editors->showEdit(id);
        Form_Edit* edit = editors->editWindow();
        QVERIFY(child<QRadioButton>(edit, "Option2")->isChecked());
        QVERIFY(child<QWidget>(edit, "DT1Lunar")->isVisibleTo(edit) &&
                !child<QWidget>(edit, "DT1")->isVisibleTo(edit));
        QCOMPARE(QStringList({child<QSpinBox>(edit, "LunarYear")->text(), combo(edit, "LunarMonth"),
                              combo(edit, "LunarDay"), child<QTimeEdit>(edit, "DT2")->text()})
                     .join(u' '),
                 shown);
        if (!change.isEmpty()) {
            QWidget* control = child<QWidget>(edit, qPrintable(change.section(u' ', 0, 0)));
            control->setFocus(Qt::TabFocusReason);
            QTest::keyClick(control, change.endsWith(QStringLiteral("Up")) ? Qt::Key_Up : Qt::Key_Down);
        }
        QTest::mouseClick(child<QPushButton>(edit, "Command1"), Qt::LeftButton);
        const MemoRecord after = *store->memo(id);
        if (!saved.startsWith(u'2')) {
            QCOMPARE(boxes.texts(), QStringList{saved});
            QCOMPARE(after.AlertTimeNongli->storageText(), stored);
            return;
        }
        QCOMPARE(boxes.texts(), QStringList());
        QCOMPARE(after.AlertTimeNongli->storageText() + u' ' + toDbText(*after.mailTime), saved);
    }
};

VELMO_TEST_MAIN(TestEditorWindows)
#include "TestEditorWindows.moc"
