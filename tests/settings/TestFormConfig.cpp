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

// The settings columns in the order of the boxes Check3 to Check9.
const QStringList BoxColumns = {"AutoHide",    "ReminderRing", "ReminderPop", "ReminderMM",
                                "ReminderIco", "SavePass",     "AutoLogin"};

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

    QCheckBox* check(int number)
    {
        return dialog->findChild<QCheckBox*>(QStringLiteral("Check%1").arg(number));
    }
    QWidget* label(int number) { return dialog->findChild<QWidget*>(QStringLiteral("Label%1").arg(number)); }
    QComboBox* interval() { return dialog->findChild<QComboBox*>(QStringLiteral("Combo1")); }
    QPushButton* button(int number)
    {
        return dialog->findChild<QPushButton*>(QStringLiteral("Command%1").arg(number));
    }
    int stored(const QString& column)
    {
        return store.value(QStringLiteral("SELECT %1 FROM Config").arg(column)).toInt();
    }
    QString storedBoxes()
    {
        QString flags;
        for (const QString& column : BoxColumns)
            flags += QString::number(stored(column));
        return flags;
    }
    void exec(const QString& sql)
    {
        if (!store.db().exec(sql).ok)
            qFatal("test setup failed");
    }
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

    // A click on a box's caption flips the box and enables Apply; OK writes that box's column and no
    // other, and the next load shows it again.
    void eachBoxHasItsOwnColumn()
    {
        QFETCH(int, box);
        Rig rig;
        QVERIFY(rig.open());
        const QString before = rig.storedBoxes();
        QString after = before;
        after[box - 3] = before[box - 3] == u'1' ? u'0' : u'1';
        QTest::mouseClick(rig.label(box), Qt::LeftButton);
        QCOMPARE(rig.check(box)->isChecked(), after[box - 3] == u'1');
        QVERIFY(rig.button(3)->isEnabled());
        QTest::mouseClick(rig.button(1), Qt::LeftButton);
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.storedBoxes(), after);
        QVERIFY(rig.boxes.boxes.isEmpty());
        QVERIFY(rig.open());
        for (int i = 3; i <= 9; ++i)
            QCOMPARE(rig.check(i)->isChecked(), after[i - 3] == u'1');
    }

    // OK and Apply store the row and put it in force at once: the scheduler and the alerts read the
    // run state. The figure number is the figure menu's.
    void storedSettingsTakeEffectAtOnce_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("OK") << 1;
        QTest::newRow("Apply") << 3;
    }
    void storedSettingsTakeEffectAtOnce()
    {
        QFETCH(int, button);
        Rig rig;
        QVERIFY(rig.open());
        rig.check(4)->setChecked(false);
        rig.interval()->setCurrentIndex(rig.interval()->findText(QStringLiteral("5")));
        QTest::mouseClick(rig.button(button), Qt::LeftButton);
        QCOMPARE(rig.stored("CheckTimer"), 5);
        QCOMPARE(rig.state.settings.CheckTimer, 5);
        QVERIFY(!rig.state.settings.ReminderRing);
        QCOMPARE(rig.state.settings.MmNumber, 4);
    }

    void applySwitchesTheAutostartEntry()
    {
        Rig rig;
        QVERIFY(rig.open());
        QTest::mouseClick(rig.label(1), Qt::LeftButton);
        QTest::mouseClick(rig.button(3), Qt::LeftButton);
        QVERIFY(rig.autostart.IsAutoRun());
        QVERIFY(!rig.button(3)->isEnabled());
        QVERIFY(rig.dialog->isVisible());
        QTest::mouseClick(rig.label(1), Qt::LeftButton);
        QTest::mouseClick(rig.button(3), Qt::LeftButton);
        QVERIFY(!rig.autostart.IsAutoRun());
    }

    // The interval list runs from 1 to 60; a stored value outside it shows, and is stored, as 10.
    void intervalWithinItsRange_data()
    {
        QTest::addColumn<int>("storedValue");
        QTest::addColumn<int>("shown");
        for (const auto& [stored, shown] : {std::pair{1, 1}, {60, 60}, {0, 10}, {61, 10}, {-5, 10}})
            QTest::newRow(qPrintable(QString::number(stored))) << stored << shown;
    }
    void intervalWithinItsRange()
    {
        QFETCH(int, storedValue);
        QFETCH(int, shown);
        Rig rig;
        rig.exec(QStringLiteral("UPDATE Config SET CheckTimer=%1").arg(storedValue));
        QVERIFY(rig.open());
        QCOMPARE(rig.interval()->currentText(), QString::number(shown));
        // The box of the version check has nothing stored behind it: it opens ticked.
        QVERIFY(rig.check(2)->isChecked() && !rig.button(3)->isEnabled());
        QTest::mouseClick(rig.button(1), Qt::LeftButton);
        QCOMPARE(rig.stored("CheckTimer"), shown);
        QCOMPARE(rig.state.settings.CheckTimer, shown);
    }

    void failuresToStoreAreReported()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.exec(QStringLiteral(
            "CREATE TRIGGER DenyConfig BEFORE UPDATE ON Config BEGIN SELECT RAISE(ABORT, 'no'); END"));
        rig.check(1)->setChecked(true);
        rig.check(3)->setChecked(true);
        QTest::mouseClick(rig.button(1), Qt::LeftButton);
        QVERIFY(rig.dialog->isVisible()); // nothing stored, so the dialog stays
        QVERIFY(!rig.autostart.IsAutoRun());
        QCOMPARE(rig.boxes.boxes.size(), 1);
        QVERIFY(rig.boxes.boxes[0].text.startsWith(QStringLiteral("设置保存失败")));
        QVERIFY(rig.button(3)->isEnabled());
        QVERIFY(!rig.state.settings.AutoHide); // what was not stored is not in force
        // An autostart folder that cannot be created.
        Rig blocked;
        QFile file(blocked.scratch.filePath(QStringLiteral("autostart")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(blocked.open());
        blocked.check(1)->setChecked(true);
        QVERIFY(!blocked.dialog->Command3_Click());
        QCOMPARE(blocked.boxes.boxes.size(), 1);
        QVERIFY(blocked.boxes.boxes[0].text.startsWith(QStringLiteral("开机自启动设置失败")));
    }

    void missingSettingsRowEndsTheProgram()
    {
        Rig rig;
        rig.exec(QStringLiteral("DELETE FROM Config"));
        QVERIFY(!rig.open());
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("数据配置文件加载出错,请尝试重新启动程序")});
        QVERIFY(QTest::qWaitFor([&rig] { return rig.endings == 1; }, 2000));
        Rig atApply;
        QVERIFY(atApply.open());
        atApply.exec(QStringLiteral("DELETE FROM Config"));
        QVERIFY(!atApply.dialog->Command3_Click());
        QCOMPARE(atApply.boxes.texts(),
                 QStringList{QStringLiteral("数据配置文件加载出错,请尝试重新启动程序")});
        QVERIFY(QTest::qWaitFor([&atApply] { return atApply.endings == 1; }, 2000));
    }
};

VELMO_TEST_MAIN(TestFormConfig)
#include "TestFormConfig.moc"
