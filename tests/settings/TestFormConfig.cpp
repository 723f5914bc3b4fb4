#include "FakeTray.h"
#include "TempDataFolder.h"
#include "TestMain.h"
#include "TestStore.h"

#include "platform/Autostart.h"
#include "settings/Form_Config.h"
#include "store/Recovery.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using namespace velmo;

namespace {

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
    int stored(const char* column)
    {
        return store.value(QStringLiteral("SELECT %1 FROM Config").arg(QLatin1String(column))).toInt();
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
    void loadShowsTheShippedSettings()
    {
        Rig rig;
        rig.state.settings.ReminderRing = false; // the load reads the row again
        QVERIFY(rig.open());
        QCOMPARE(rig.dialog->windowTitle(), QStringLiteral("高级选项"));
        QVERIFY(!rig.check(1)->isChecked());
        QVERIFY(rig.check(2)->isChecked());
        QVERIFY(!rig.check(3)->isChecked());
        for (int i = 4; i <= 9; ++i)
            QVERIFY2(rig.check(i)->isChecked(), qPrintable(QString::number(i)));
        QCOMPARE(rig.interval()->count(), 60);
        QCOMPARE(rig.interval()->itemText(0), QStringLiteral("1"));
        QCOMPARE(rig.interval()->itemText(59), QStringLiteral("60"));
        QCOMPARE(rig.interval()->currentText(), QStringLiteral("10"));
        QVERIFY(!rig.button(3)->isEnabled());
        QVERIFY(rig.state.settings.ReminderRing);
        QCOMPARE(rig.state.settings.MmNumber, 4); // not the dialog's to reload
        QCOMPARE(qobject_cast<QLabel*>(rig.label(8))->text(), QStringLiteral("保存登录密码"));

        rig.autostart.SetAutoRun();
        rig.dialog.reset();
        QVERIFY(rig.open());
        QVERIFY(rig.check(1)->isChecked());
    }

    void labelsToggleTheirBoxesAndEnableApply()
    {
        Rig rig;
        QVERIFY(rig.open());
        QTest::mouseClick(rig.label(4), Qt::LeftButton);
        QVERIFY(!rig.check(4)->isChecked());
        QVERIFY(rig.button(3)->isEnabled());
        QTest::mouseClick(rig.label(4), Qt::LeftButton);
        QVERIFY(rig.check(4)->isChecked());

        // Another interval alone leaves Apply as it is.
        Rig other;
        QVERIFY(other.open());
        other.interval()->setCurrentIndex(4);
        QVERIFY(!other.button(3)->isEnabled());
    }

    void okStoresTheRowButNotTheRunningValues()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.check(3)->setChecked(true);
        rig.check(5)->setChecked(false);
        rig.check(9)->setChecked(false);
        rig.interval()->setCurrentIndex(rig.interval()->findText(QStringLiteral("5")));
        QTest::mouseClick(rig.button(1), Qt::LeftButton);

        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.stored("AutoHide"), 1);
        QCOMPARE(rig.stored("ReminderPop"), 0);
        QCOMPARE(rig.stored("AutoLogin"), 0);
        QCOMPARE(rig.stored("ReminderRing"), 1);
        QCOMPARE(rig.stored("CheckTimer"), 5);
        QCOMPARE(rig.state.settings.CheckTimer, 10);
        QVERIFY(!rig.state.settings.AutoHide);
        QVERIFY(rig.boxes.boxes.isEmpty());

        // The next opening takes the stored values over.
        QVERIFY(rig.open());
        QCOMPARE(rig.state.settings.CheckTimer, 5);
        QVERIFY(rig.state.settings.AutoHide);
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

    void escapeClosesOnlyFromTheButtons()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.check(3)->setChecked(true);
        QTest::keyClick(rig.check(3), Qt::Key_Escape);
        QVERIFY(rig.dialog->isVisible());
        QTest::keyClick(rig.button(2), Qt::Key_Escape);
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.stored("AutoHide"), 0);

        QVERIFY(rig.open());
        rig.check(3)->setChecked(true);
        QTest::mouseClick(rig.button(2), Qt::LeftButton);
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.stored("AutoHide"), 0);
    }

    void intervalOutsideTheListShowsAndStoresTen_data()
    {
        QTest::addColumn<int>("storedValue");
        QTest::newRow("0") << 0;
        QTest::newRow("61") << 61;
        QTest::newRow("-5") << -5;
    }

    void intervalOutsideTheListShowsAndStoresTen()
    {
        QFETCH(int, storedValue);
        Rig rig;
        rig.exec(QStringLiteral("UPDATE Config SET CheckTimer=%1").arg(storedValue));
        QVERIFY(rig.open());
        QCOMPARE(rig.interval()->currentText(), QStringLiteral("10"));
        QTest::mouseClick(rig.button(1), Qt::LeftButton);
        QCOMPARE(rig.stored("CheckTimer"), 10);
    }

    void failuresToStoreAreReported()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.exec(QStringLiteral("CREATE TRIGGER DenyConfig BEFORE UPDATE ON Config "
                                "BEGIN SELECT RAISE(ABORT, 'denied'); END"));
        rig.check(3)->setChecked(true);
        QTest::mouseClick(rig.button(1), Qt::LeftButton);
        QVERIFY(rig.dialog->isVisible()); // nothing stored, so the dialog stays
        QCOMPARE(rig.boxes.boxes.size(), 1);
        QVERIFY(rig.boxes.boxes[0].text.startsWith(QStringLiteral("设置保存失败")));
        QVERIFY(rig.button(3)->isEnabled());

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
        QCOMPARE(rig.boxes.texts(), QStringList{settingsLoadErrorText()});
        QVERIFY(QTest::qWaitFor([&rig] { return rig.endings == 1; }, 2000));

        Rig atApply;
        QVERIFY(atApply.open());
        atApply.exec(QStringLiteral("DELETE FROM Config"));
        QVERIFY(!atApply.dialog->Command3_Click());
        QCOMPARE(atApply.boxes.texts(), QStringList{settingsLoadErrorText()});
        QVERIFY(QTest::qWaitFor([&atApply] { return atApply.endings == 1; }, 2000));
    }

    void onlyOneDialogIsOpen()
    {
        test::TestStore store;
        test::TempDataFolder scratch;
        test::BoxRecorder boxes;
        RunState state;
        state.DbPath = store.dbPath();
        Autostart autostart(QStringLiteral("/opt/velmo/bin/velmo"),
                            scratch.filePath(QStringLiteral("autostart")));
        QPointer<Form_Config> first = Form_Config::showDialog(store.db(), state, autostart, boxes);
        QVERIFY(first);
        QVERIFY(first->isVisible());
        first->findChild<QCheckBox*>(QStringLiteral("Check3"))->setChecked(true);
        QCOMPARE(Form_Config::showDialog(store.db(), state, autostart, boxes), first.data());
        // Brought forward, not loaded again: the unsaved tick is still there.
        QVERIFY(first->findChild<QCheckBox*>(QStringLiteral("Check3"))->isChecked());
        first->close();
        QVERIFY(QTest::qWaitFor([&first] { return first.isNull(); }, 2000));
        QPointer<Form_Config> second = Form_Config::showDialog(store.db(), state, autostart, boxes);
        QVERIFY(second);
        QVERIFY(!second->findChild<QCheckBox*>(QStringLiteral("Check3"))->isChecked());
        delete second.data();
    }
};

VELMO_TEST_MAIN(TestFormConfig)
#include "TestFormConfig.moc"
