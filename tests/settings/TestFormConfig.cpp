#include "FakeTray.h"
#include "TempDataFolder.h"
#include "TestMain.h"
#include "TestStore.h"

#include "platform/Autostart.h"
#include "settings/Form_Config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using namespace velmo;

namespace {

// The settings columns and the run state's flags in the order of the boxes Check3 to Check9.
const QStringList BoxColumns = {"AutoHide",    "ReminderRing", "ReminderPop", "ReminderMM",
                                "ReminderIco", "SavePass",     "AutoLogin"};
const std::array<bool Settings::*, 7> BoxFlags = {
    &Settings::AutoHide,    &Settings::ReminderRing, &Settings::ReminderPop, &Settings::ReminderMM,
    &Settings::ReminderIco, &Settings::SavePass,     &Settings::AutoLogin};

// The settings dialog over a fresh data.db and an autostart folder of its own.
struct Rig
{
    test::TestStore store;
    test::TempDataFolder scratch;
    test::BoxRecorder boxes;
    RunState state;
    Autostart autostart{QStringLiteral("/opt/velmo/bin/velmo"),
                        scratch.filePath(QStringLiteral("autostart"))};
    int endings = 0;
    std::unique_ptr<Form_Config> dialog;

    Rig()
    {
        state.DbPath = store.dbPath();
        state.settings.CheckTimer = 10;
        state.settings.MmNumber = 4;
    }

    // Builds the dialog and runs its load; false when the load ended the program.
    bool open()
    {
        dialog = std::make_unique<Form_Config>(store.db(), state, autostart, boxes, [this] { ++endings; });
        if (!dialog->Form_Load())
            return false;
        dialog->show();
        return true;
    }

    // The control "<name><number>", e.g. Check3, Label3, Command1.
    template <typename T = QWidget>
    T* control(const char* name, int number)
    {
        return dialog->findChild<T*>(QLatin1String(name) + QString::number(number));
    }
    QCheckBox* check(int number) { return control<QCheckBox>("Check", number); }
    void click(const char* name, int number) { QTest::mouseClick(control(name, number), Qt::LeftButton); }
    QComboBox* interval() { return dialog->findChild<QComboBox*>(QStringLiteral("Combo1")); }
    // Columns of the settings row, as one text ("a||b" joins two).
    QString stored(const QString& columns)
    {
        return store.value(QStringLiteral("SELECT %1 FROM Config").arg(columns)).toString();
    }
    bool exec(const QString& sql) { return store.db().exec(sql).ok; }
};

} // namespace

class TestFormConfig : public QObject
{
    Q_OBJECT

private slots:

    void eachBoxHasItsOwnColumn_data()
    {
        QTest::addColumn<int>("box");
        for (int box = 3; box <= 9; ++box)
            QTest::newRow(qPrintable(BoxColumns[box - 3])) << box;
    }

    // A click on a box's caption flips the box and enables Apply; OK writes that box's column and no other
    // and puts it in force at once (the scheduler and the alerts read the run state), and the next load shows
    // it again. The figure number is the figure menu's: neither touches it.
    void eachBoxHasItsOwnColumn()
    {
        QFETCH(int, box);
        Rig rig;
        QVERIFY(rig.open());
        const QString before = rig.stored(BoxColumns.join(QStringLiteral("||")));
        QString after = before;
        after[box - 3] = before[box - 3] == u'1' ? u'0' : u'1';
        rig.click("Label", box);
        QCOMPARE(rig.check(box)->isChecked(), after[box - 3] == u'1');
        QVERIFY(rig.control("Command", 3)->isEnabled());
        rig.click("Command", 1);
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.stored(BoxColumns.join(QStringLiteral("||"))), after);
        QVERIFY(rig.boxes.boxes.isEmpty());
        for (int i = 0; i < 7; ++i)
            QCOMPARE(rig.state.settings.*BoxFlags[i], after[i] == u'1');
        QCOMPARE(rig.state.settings.MmNumber, 4);
        QVERIFY(rig.open());
        QCOMPARE(rig.state.settings.MmNumber, 4);
        for (int i = 3; i <= 9; ++i)
            QCOMPARE(rig.check(i)->isChecked(), after[i - 3] == u'1');
    }

    void applySwitchesTheAutostartEntry()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.click("Label", 1);
        rig.click("Command", 3);
        QVERIFY(rig.autostart.IsAutoRun());
        QVERIFY(!rig.control("Command", 3)->isEnabled());
        QVERIFY(rig.dialog->isVisible());
        rig.click("Label", 1);
        rig.click("Command", 3);
        QVERIFY(!rig.autostart.IsAutoRun());
    }

    // The interval list runs from 1 to 60; a stored value outside it shows, and is stored, as 10. The value
    // picked is stored and in force at once.
    void intervalWithinItsRange_data()
    {
        QTest::addColumn<int>("storedValue");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("picked"); // 0: left as shown
        for (const auto& [stored, shown] : {std::pair{1, 1}, {60, 60}, {0, 10}, {61, 10}, {-5, 10}})
            QTest::newRow(qPrintable(QString::number(stored))) << stored << shown << 0;
        QTest::newRow("5 picked") << 10 << 10 << 5;
    }
    void intervalWithinItsRange()
    {
        QFETCH(int, storedValue);
        QFETCH(int, shown);
        QFETCH(int, picked);
        Rig rig;
        QVERIFY(rig.exec(QStringLiteral("UPDATE Config SET CheckTimer=%1").arg(storedValue)));
        QVERIFY(rig.open());
        QCOMPARE(rig.interval()->currentText(), QString::number(shown));
        // The box of the version check has nothing stored behind it: it opens ticked.
        QVERIFY(rig.check(2)->isChecked() && !rig.control("Command", 3)->isEnabled());
        if (picked)
            rig.interval()->setCurrentText(QString::number(picked));
        rig.click("Command", 1);
        QCOMPARE(rig.stored(QStringLiteral("CheckTimer")), QString::number(picked ? picked : shown));
        QCOMPARE(rig.state.settings.CheckTimer, picked ? picked : shown);
    }

    // A setting that cannot be stored is told, and what was not stored is not in force: OK leaves the dialog
    // open with Apply enabled for another try. A settings row that is gone, at the load or at a store, ends
    // the program.
    void failuresAreReported_data()
    {
        QTest::addColumn<QString>("sql");     // run before the store; empty: the autostart folder is blocked
        QTest::addColumn<bool>("atLoad");     // run before the load instead
        QTest::addColumn<QString>("message"); // the box's text, or its start when the program goes on
        const QString gone = QStringLiteral("数据配置文件加载出错,请尝试重新启动程序");
        const QString refuse = QStringLiteral("CREATE TRIGGER DenyConfig BEFORE UPDATE ON Config "
                                              "BEGIN SELECT RAISE(ABORT, 'no'); END");
        QTest::newRow("row refused") << refuse << false << "设置保存失败,请检查数据文件后重试。\nno";
        QTest::newRow("autostart folder blocked") << "" << false << "开机自启动设置失败。\n";
        QTest::newRow("row gone at the load") << "DELETE FROM Config" << true << gone;
        QTest::newRow("row gone at a store") << "DELETE FROM Config" << false << gone;
    }
    void failuresAreReported()
    {
        QFETCH(QString, sql);
        QFETCH(bool, atLoad);
        QFETCH(QString, message);
        Rig rig;
        if (sql.isEmpty())
            QVERIFY(QFile(rig.scratch.filePath(QStringLiteral("autostart"))).open(QIODevice::WriteOnly));
        else if (atLoad)
            QVERIFY(rig.exec(sql));
        QCOMPARE(rig.open(), !atLoad);
        if (!atLoad) {
            QVERIFY(sql.isEmpty() || rig.exec(sql));
            rig.check(1)->setChecked(true);
            rig.check(3)->setChecked(true);
            rig.click("Command", 1);
        }
        const bool ends = sql.startsWith(QStringLiteral("DELETE"));
        QCOMPARE(rig.boxes.texts().size(), 1);
        const QString box = rig.boxes.texts()[0];
        QVERIFY2(ends ? box == message : box.startsWith(message), qPrintable(box));
        QTRY_COMPARE(rig.endings, int(ends));
        QCOMPARE(rig.dialog->isVisible(), !ends);
        QVERIFY(ends || rig.control("Command", 3)->isEnabled());
        // The row goes first: when it is not stored, the autostart entry is left as it was too.
        QVERIFY(!rig.autostart.IsAutoRun());
        QCOMPARE(rig.state.settings.AutoHide, sql.isEmpty());
    }
};

VELMO_TEST_MAIN(TestFormConfig)
#include "TestFormConfig.moc"
